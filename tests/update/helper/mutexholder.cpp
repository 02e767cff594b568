// A copy of a single-instance program for the tests: mutexholder NAME TIMEOUT_MS HOLD_MS
// starts as the program does (asks a running copy to show itself, waits for the mutex),
// prints "taken" when it holds the mutex and keeps it HOLD_MS; exit code 1 when it gets none.

#include "update/instancechannel.h"
#include "update/namedmutex.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    const QString name = QString::fromLocal8Bit(argv[1]);
    if (!gaugeloft::update::StartSingleInstance(name, std::atoi(argv[2]), true))
        return 1;
    std::puts("taken");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[3])));
    gaugeloft::update::ReleaseNamedMutex();
    return 0;
}
