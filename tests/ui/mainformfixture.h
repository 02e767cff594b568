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

// The first sensor in tree order without a tile.
inline TreeNode* FirstFreeSensor(HardwareTree& tree)
{
    for (int i = 0; i < tree.NodeCount(); ++i) {
        TreeNode* node = tree.NodeAt(i);
        if (node->Data() && node->ImageIndex() == kSensorIcon)
            return node;
    }
    return nullptr;
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
