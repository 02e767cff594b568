// A second writer of the settings store for the tests: settingswriter FILE KEY PREFIX COUNT
// writes the DWORD values PREFIX0 .. PREFIX<COUNT-1> (value = number) under KEY, each a whole
// locked change of FILE, as a copy of the program does.

#include "platform/settingsstore.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 5)
        return 2;
    try {
        gaugeloft::platform::SettingsStore store(QString::fromLocal8Bit(argv[1]));
        const QString key = QString::fromLocal8Bit(argv[2]);
        const QString prefix = QString::fromLocal8Bit(argv[3]);
        const int count = std::atoi(argv[4]);
        for (int i = 0; i < count; ++i)
            store.WriteDWord(key, prefix + QString::number(i), static_cast<std::uint32_t>(i));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
