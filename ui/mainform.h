#pragma once

// The main window: a frameless window with the title strip, the hardware tree, the side
// panel of tool buttons and the dashboard of tiles; it runs the poll cycle on its timers
// (WindowTimers) and owns the tile list and the tray icon.

#include "dashboard/dashboardfile.h"
#include "dashboard/pollcycle.h"
#include "dashboard/themecontroller.h"
#include "dashboard/tilelist.h"
#include "sensors/provider.h"
#include "sensors/sensortreemodel.h"
#include "ui/desktopservices.h"
#include "ui/liveoptions.h"
#include "ui/sensortreeicons.h"
#include "ui/windowtimers.h"

#include <QHash>
#include <QPointer>
#include <QTimer>
#include <QSystemTrayIcon>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <optional>

class QLabel;
class QMenu;
class QAction;
class QBoxLayout;
class QDialog;
class QSplitter;
class QTreeView;

namespace gaugeloft {

class DashboardArea;
class MainFormFileView;
class TOptionsForm;
class LauncherPanel;
class TreeExpansion;
class TileWidget;
class TitleStrip;

class TMainForm : public QWidget,
                  public PollWindow,
                  public TileHost,
                  public ThemeView {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 784;
    static constexpr int kClientHeight = 441;
    static constexpr int kTreeWidth = 149;
    static constexpr int kSplitterWidth = 4;
    static constexpr int kFrameWidth = 4;  // the sizing frame around a normal window
    static constexpr int kSnapDistance = 10;
    static inline const QString kReminderText =
        QStringLiteral("This application will continue working in background.");
    static constexpr int kReminderMs = 15000;
    static inline const QString kNoProviderText =
        QStringLiteral("Is any Hardware Monitoring tool running in background?");

    // `desktop` outlives the window.
    TMainForm(ProviderState& provider, DesktopServices& desktop, QWidget* parent = nullptr);
    ~TMainForm() override;

    PollCycle& Poll() { return *m_poll; }
    TTileList& Tiles() { return *m_tiles; }
    WindowTimers& Timers() { return *m_timers; }
    QSystemTrayIcon* TrayIcon() const { return m_trayIcon; }
    // The view's index of a node of the tree.
    QModelIndex TreeIndexOf(const TreeNode* node) const;
    ThemeController& Theme() { return m_theme; }

    // Options copied into the window (the Options dialog sets them).
    bool KeepInTray = false;
    // Where the live options are read; a first run's defaults until set.
    void SetLiveOptions(const LiveOptions* options);
    // A click on the tray icon shows or hides the window (StatusNotifierItem hosts, which never
    // report a double click); otherwise a double click does.
    bool TrayClickToggles = false;

    bool ReminderShown() const { return m_reminderShown; }
    int SavedTreeWidth = kTreeWidth;
    int FrameWidth() const { return m_frameWidth; }
    bool SidePanelOnRight() const { return m_sidePanelRight; }

    // Themes.
    void SpeedButton6Click();   // next preset
    void SpeedButton7Click();   // automatic switching toggled
    void SpeedButton10Click();  // custom colour (with Alt: the chart colour)
    void PickCustomColour(bool penMode);

    // Chrome.
    void SpeedButton5Click();  // title strip toggle
    void SpeedButton3Click();  // tree toggle
    void Splitter1Moved();
    void MaximizeToggle();
    void SidePanelToggle();
    void SetSidePanelOnRight(bool right);
    void PopupMenu3Popup();

    // Dashboard file.
    void SetDashboardLocation(const DashboardFileLocation& location) { m_dashboardLocation = location; }
    const DashboardFileLocation& DashboardLocation() const { return m_dashboardLocation; }
    // SpeedButton4, "&Save View": false when it could not be written (the message was shown).
    bool SaveDashboard();
    // The tile's "&Properties" and its double click.
    void Properties1Click(TSensorFrame& tile);

    // Options: set once at start-up (reads the stored options into the window and sets the
    // provider up); SpeedButton8 opens it.
    void SetOptionsForm(TOptionsForm* options);
    void SpeedButton8Click();
    // SpeedButton9: the About window, one at a time.
    void SpeedButton9Click();
    void ShowAbout(const QString& title, const QString& fileVersion, const QString& legalCopyright);
    QDialog* AboutWindow() const;
    // What "Check For Updates..." of the About window starts (the program's update component).
    std::function<void()> CheckForUpdates;
    // Where a settings file that could not be read was set aside, once (empty: nothing).
    void SetSettingsNotice(std::function<QString()> notice) { m_settingsNotice = std::move(notice); }

    // Tray.
    void Show1Click();  // "&Show..."
    void Exit1Click();  // "E&xit"
    void TrayDoubleClick();
    void TrayActivated(QSystemTrayIcon::ActivationReason reason);
    void ApplyTaskbarOption();

    // The tree's node at a view position when the position is on its icon, else nullptr.
    TreeNode* NodeIconAt(const QPoint& viewportPosition) const;
    // Where a node's icon lies in the tree's viewport (empty when the row is not shown).
    QRect TreeIconRect(const TreeNode* node) const;
    // Press and release on a tree icon (nullptr: not on an icon).
    void TreeView1MouseDown(TreeNode* iconNode);
    void TreeView1MouseUp(TreeNode* iconNode);

    // Menu commands.
    void PopupMenu1Popup();
    void Add1Click();
    void DeteleAll1Click();
    void PopupMenu2Popup();
    void Add2Click();
    void Remove2Click();
    void Control1Click();
    void SpeedButton1Click();

    // The poll timer's tick: the poll cycle, then what follows a detection.
    void Timer1Timer();

    // Fills the first `count` tiles with the first sensors of the tree (for demos).
    void FillDemoTiles(int count);

    // PollWindow
    void SetClockText(const QString& text) override;
    bool SensorsPanelVisible() const override;
    void SetSensorsPanelVisible(bool visible) override;
    bool WindowVisible() const override;
    void ShowWindow() override;
    void SetCaption(const QString& text) override;
    void RestoreCaption() override;
    void RunThemeCheck(QTime now) override;
    void LoadDashboard() override;

    // ThemeView
    void PaintSurfaces() override;
    void ShowAutoSwitch(bool on) override;

    // What the dashboard file reads and sets of the window.
    DashboardWindow& FileView();

    // TileHost
    HardwareTree& Tree() override { return m_tree; }
    bool ShowFahrenheit() const override;
    int AnimationSteps() const override;
    const ThemePalette& Palette() const override { return m_theme.Palette(); }
    TreeNode* CurrentNode() override;
    TreeNode* SelectedNode() override;
    int MeasureValueText(const QString& text, int points) override;
    void AnimationStarted() override;

Q_SIGNALS:
    // After every detection the poll cycle ran (tests and demos wait for it).
    void detected();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    friend class MainFormFileView;

    void BuildWindow();
    void BuildMenus();
    void BuildChrome();
    void BuildTray();
    void SetFrameWidth(int width);
    void ApplyOptions(int openedTheme);
    void ApplyProviderAddresses(const TOptionsForm& options);
    void SnapToWorkArea();
    bool ChromeMouseEvent(QWidget* widget, QEvent* event);
    void CentreOnScreen();
    void AfterDetection();
    void ConnectTileWidget(TileWidget* widget);
    void WatchMenu(QMenu* menu);
    void ToggleTileFor(TreeNode* node);

    ProviderState& m_provider;
    DesktopServices& m_desktop;
    ThemeController m_theme;
    HardwareTree m_tree;
    SensorTreeModel m_model;
    SensorTreeIconModel m_iconModel;

    // widgets (children of the window)
    QSplitter* m_splitter = nullptr;
    QTreeView* m_treeView = nullptr;
    TitleStrip* m_topPanel = nullptr;
    LauncherPanel* m_launcher = nullptr;
    QLabel* m_panel3 = nullptr;
    DashboardArea* m_sensorsPanel = nullptr;
    QMenu* m_popupMenu1 = nullptr;
    QAction* m_add1 = nullptr;
    QAction* m_deteleAll1 = nullptr;
    QAction* m_saveView1 = nullptr;
    QMenu* m_popupMenu2 = nullptr;
    QAction* m_add2 = nullptr;
    QAction* m_remove2 = nullptr;
    QAction* m_reset1 = nullptr;
    QAction* m_control1 = nullptr;
    QMenu* m_popupMenu3 = nullptr;
    QAction* m_maximized1 = nullptr;
    QAction* m_titleBar1 = nullptr;
    QAction* m_sidePanel1 = nullptr;
    QMenu* m_location1 = nullptr;
    QAction* m_onLeft1 = nullptr;
    QAction* m_onRight1 = nullptr;
    QAction* m_saveView2 = nullptr;
    QAction* m_chartColour1 = nullptr;
    QAction* m_exit2 = nullptr;
    QBoxLayout* m_belowLayout = nullptr;
    QSystemTrayIcon* m_trayIcon = nullptr;
    QMenu* m_trayMenu = nullptr;
    FirstRunOptions m_firstRunOptions;
    const LiveOptions* m_liveOptions = &m_firstRunOptions;
    TOptionsForm* m_options = nullptr;
    QPointer<QDialog> m_about;
    std::function<QString()> m_settingsNotice;
    bool m_reminderShown = false;
    bool m_ending = false;
    bool m_sidePanelRight = false;
    int m_frameWidth = kFrameWidth;
    QTimer m_snapTimer;
    DashboardFileLocation m_dashboardLocation;
    TColor m_colorDialogColor = 0;
    QPoint m_movePress;       // where a press on the chrome began, global
    bool m_movePressed = false;

    std::unique_ptr<MainFormFileView> m_fileView;
    std::unique_ptr<TTileList> m_tiles;
    std::unique_ptr<PollCycle> m_poll;
    std::unique_ptr<TreeExpansion> m_expansion;  // which nodes the view shows expanded
    WindowTimers* m_timers = nullptr;  // child object: the poll and animation timers
    TreeNode* m_treeDownNode = nullptr;
    static constexpr int kValueTextWidthsKept = 4096;  // per font size
    std::map<int, QHash<QString, int>> m_valueTextWidths;  // by point size
    int m_demoTiles = 0;  // GAUGELOFT_DEMO_TILES, filled after the first detection
};

} // namespace gaugeloft
