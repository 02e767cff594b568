#pragma once

// The main window on a snapshot file from examples/, as the program sets it up.

#include "sources/sourcehub.h"
#include "ui/dashboardarea.h"
#include "ui/desktopservices.h"
#include "ui/launcherpanel.h"
#include "ui/mainform.h"
#include "ui/titlestrip.h"

#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QTimer>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>
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

// The window's parts, found by their object names.
template <typename T>
T* Part(const QObject& window, const char* name)
{
    T* part = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_TRUE(part) << "no " << name;
    return part;
}
inline QTreeView* TreeView(const TMainForm& w) { return Part<QTreeView>(w, "TreeView1"); }
inline DashboardArea* SensorsPanel(const TMainForm& w) { return Part<DashboardArea>(w, "SensorsPanel"); }
inline LauncherPanel* Launcher(const TMainForm& w) { return Part<LauncherPanel>(w, "LauncherPanel"); }
inline TitleStrip* TopPanel(const TMainForm& w) { return Part<TitleStrip>(w, "TopPanel"); }
inline QLabel* Panel3(const TMainForm& w) { return Part<QLabel>(w, "Panel3"); }
inline QSplitter* Splitter(const TMainForm& w) { return Part<QSplitter>(w, "Splitter1"); }
inline QMenu* DashboardMenu(const TMainForm& w) { return Part<QMenu>(w, "PopupMenu1"); }
inline QMenu* TreeMenu(const TMainForm& w) { return Part<QMenu>(w, "PopupMenu2"); }
inline QMenu* SidePanelMenu(const TMainForm& w) { return Part<QMenu>(w, "PopupMenu3"); }
inline QMenu* TrayMenu(const TMainForm& w) { return Part<QMenu>(w, "PopupMenu4"); }
inline QTimer& Timer1(const TMainForm& w) { return *Part<QTimer>(w, "Timer1"); }
inline QTimer& Timer3(const TMainForm& w) { return *Part<QTimer>(w, "Timer3"); }

// As a user does: opens the node's parents, scrolls to it and clicks its icon.
inline void ClickIcon(TMainForm& window, TreeNode* node)
{
    for (const TreeNode* up = node->Parent(); up; up = up->Parent())
        TreeView(window)->expand(window.TreeIndexOf(up));
    TreeView(window)->scrollTo(window.TreeIndexOf(node));
    const QRect icon = window.TreeIconRect(node);
    ASSERT_FALSE(icon.isEmpty());
    QTest::mouseClick(TreeView(window)->viewport(), Qt::LeftButton, {}, icon.center());
}

struct MainFormFixture {
    virtual ~MainFormFixture() = default;
    explicit MainFormFixture(const QString& file)
        : hub([&] {
            sources::SourceHubOptions options;
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
    sources::LinuxSourceHub hub;
    ProviderState provider;
    TestDesktop desktop;
    TMainForm window;
};

} // namespace gaugeloft
