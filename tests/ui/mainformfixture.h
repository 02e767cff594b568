#pragma once

// The main window on a snapshot file from examples/, as the program sets it up.

#include "platform/sourcehub.h"
#include "ui/desktopservices.h"
#include "ui/mainform.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace gaugeloft {

inline QString Example(const char* name)
{
    return QStringLiteral(GAUGELOFT_SOURCE_DIR "/examples/") + QString::fromUtf8(name);
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

// The real desktop, except where a test answers for the user or records what was shown.
struct TestDesktop : SystemDesktop {
    std::function<bool()> trayAvailable;
    std::function<std::optional<QColor>(const QColor& initial)> pickColor;
    std::function<bool(bool hide)> setTaskbarHidden;
    std::function<void(const QString& text)> showError;
    std::function<int(QDialog& dialog)> execDialog;
    platform::FileWriter writeFile;

    bool TrayAvailable() const override
    {
        return trayAvailable ? trayAvailable() : SystemDesktop::TrayAvailable();
    }
    std::optional<QColor> PickColor(QWidget* parent, const QColor& initial) override
    {
        return pickColor ? pickColor(initial) : SystemDesktop::PickColor(parent, initial);
    }
    bool SetTaskbarHidden(QWindow* window, bool hide) override
    {
        return setTaskbarHidden ? setTaskbarHidden(hide) : SystemDesktop::SetTaskbarHidden(window, hide);
    }
    void ShowError(QWidget* parent, const QString& text) override
    {
        showError ? showError(text) : SystemDesktop::ShowError(parent, text);
    }
    int ExecDialog(QDialog& dialog) override
    {
        return execDialog ? execDialog(dialog) : SystemDesktop::ExecDialog(dialog);
    }
    bool WriteFile(const QString& path, const QByteArray& data, QString* reason) override
    {
        return writeFile ? writeFile(path, data, reason) : SystemDesktop::WriteFile(path, data, reason);
    }
};

struct MainFormFixture {
    virtual ~MainFormFixture() = default;
    explicit MainFormFixture(const QString& file)
        : hub([&] {
            platform::SourceHubOptions options;
            options.snapshotFile = file;
            return options;
        }())
        , provider(hub)
        , window(provider, desktop)
    {
        // a dashboard file of its own, none at first
        window.SetDashboardLocation({folder.filePath(QStringLiteral("gaugeloft")), QStringLiteral("TEST"),
                                     folder.filePath(QStringLiteral("config")), true});
        provider.SetupProvider(0);
    }
    QTemporaryDir folder;
    platform::LinuxSourceHub hub;
    ProviderState provider;
    TestDesktop desktop;
    TMainForm window;
};

} // namespace gaugeloft
