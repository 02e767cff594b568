#pragma once

// The main window on a snapshot file from examples/, as the program sets it up.

#include "platform/sourcehub.h"
#include "ui/mainform.h"

#include <QDir>
#include <QFileInfo>

namespace gaugeloft {

inline QString Example(const char* name)
{
    QDir dir = QFileInfo(QString::fromUtf8(__FILE__)).dir();  // tests/ui
    dir.cdUp();
    dir.cdUp();
    return dir.filePath(QStringLiteral("examples/") + QString::fromUtf8(name));
}

struct MainFormFixture {
    explicit MainFormFixture(const QString& file)
        : hub([&] {
            platform::SourceHubOptions options;
            options.snapshotFile = file;
            return options;
        }())
        , provider(hub)
        , window(provider)
    {
        provider.SetupProvider(0);
    }
    platform::LinuxSourceHub hub;
    ProviderState provider;
    TMainForm window;
};

} // namespace gaugeloft
