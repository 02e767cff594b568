#pragma once

// The main window on a snapshot file from examples/, as the program sets it up.

#include "platform/sourcehub.h"
#include "ui/mainform.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace gaugeloft {

inline QString Example(const char* name)
{
    QDir dir = QFileInfo(QString::fromUtf8(__FILE__)).dir();  // tests/ui
    dir.cdUp();
    dir.cdUp();
    return dir.filePath(QStringLiteral("examples/") + QString::fromUtf8(name));
}

struct MainFormFixture {
    virtual ~MainFormFixture() = default;
    explicit MainFormFixture(const QString& file)
        : hub([&] {
            platform::SourceHubOptions options;
            options.snapshotFile = file;
            return options;
        }())
        , provider(hub)
        , window(provider)
    {
        // a dashboard file of its own, none at first
        window.SetDashboardLocation({folder.filePath(QStringLiteral("gaugeloft")), QStringLiteral("TEST"),
                                     folder.filePath(QStringLiteral("config")), true});
        provider.SetupProvider(0);
    }
    QTemporaryDir folder;
    platform::LinuxSourceHub hub;
    ProviderState provider;
    TMainForm window;
};

} // namespace gaugeloft
