#include "ui/mainform.h"

#include "platform/nativepath.h"
#include "platform/xdgpaths.h"
#include "ui/appicon.h"
#include "ui/dialogfont.h"
#include "ui/dashboardarea.h"
#include "ui/launcherpanel.h"
#include "ui/mainformfileview.h"
#include "ui/tilepainter.h"
#include "ui/tilewidget.h"
#include "ui/treecolumnsizer.h"
#include "ui/treeexpansion.h"
#include "ui/titlestrip.h"
#include "sensors/typetables.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QScrollArea>
#include <QScrollBar>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QSysInfo>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <cmath>
#include <numbers>
#include <unistd.h>

namespace gaugeloft {

namespace {

constexpr int kSplitterMinimum = 30;

QString ComputerName()
{
    return qEnvironmentVariableIsSet("COMPUTERNAME") ? qEnvironmentVariable("COMPUTERNAME")
                                                     : QSysInfo::machineHostName();
}

bool FolderWritable(const QString& folder)
{
    return ::access(platform::NativePath(folder).constData(), W_OK) == 0;
}

} // namespace

TMainForm::TMainForm(ProviderState& provider, DesktopServices& desktop, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint)
    , m_provider(provider)
    , m_desktop(desktop)
    , m_theme(*this)
    , m_model(m_tree)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(ThemeController::kTitle);
    m_iconModel.setSourceModel(&m_model);

    BuildWindow();
    BuildMenus();

    // FormCreate
    m_fileView = std::make_unique<MainFormFileView>(*this);
    m_timers = new WindowTimers([this] { return isVisible(); }, [this] { return SensorsPanelVisible(); }, this);
    m_tiles = std::make_unique<TTileList>(*this, *m_sensorsPanel);
    m_timers->SetTiles(m_tiles.get());
    m_sensorsPanel->SetTiles(m_tiles.get());
    m_poll = std::make_unique<PollCycle>(m_provider, m_tree, *m_tiles, *this, *m_timers);
    SetFrameWidth(kFrameWidth);
    resize(kClientWidth + 2 * kFrameWidth, kClientHeight + 2 * kFrameWidth);
    CentreOnScreen();
    m_topPanel->SetComputerName(ComputerName());
    m_dashboardLocation.ExecutablePath = platform::ExecutablePath();
    m_dashboardLocation.ComputerName = DashboardComputerName(ComputerName(), QSysInfo::machineHostName());
    m_dashboardLocation.ConfigFolder = platform::ConfigHome() + QStringLiteral("/gaugeloft");
    m_dashboardLocation.ProgramFolderWritable =
        FolderWritable(platform::FolderOf(m_dashboardLocation.ExecutablePath));

    BuildChrome();
    BuildTray();
    // MainForm creation: Light, and the fallback follows it
    m_theme.WindowCreated();

    connect(&m_timers->Timer1(), &QTimer::timeout, this, &TMainForm::Timer1Timer);

    bool ok = false;
    const int demo = qEnvironmentVariableIntValue("GAUGELOFT_DEMO_TILES", &ok);
    m_demoTiles = ok && demo > 0 ? demo : 0;

    // any menu closing takes the highlight off the tiles
    qApp->installEventFilter(this);
    // sizes are right before the first show: the first tiles are placed from them
    layout()->activate();
    // the tree's width once the splitter has its real width (set earlier, it is squeezed)
    m_splitter->setSizes({kTreeWidth, m_splitter->width() - kTreeWidth - m_splitter->handleWidth()});
}

TMainForm::~TMainForm()
{
    qApp->removeEventFilter(this);
    m_timers->Timer1().stop();
    m_timers->Timer3().stop();
    m_timers->SetTiles(nullptr);
    // FormDestroy: the tiles from the last to the first, then the provider objects
    m_sensorsPanel->Timer2().stop();
    m_sensorsPanel->DeleteTileWidgets();
    m_sensorsPanel->SetTiles(nullptr);
    m_poll.reset();
    m_tiles.reset();
    m_treeView->setModel(nullptr);
    if (m_provider.CurrentProvider != -1) {
        m_provider.SensorReader.reset();
        m_provider.HardwareReader.reset();
        m_provider.Refresher.reset();
        m_provider.CurrentProvider = -1;
    }
}

void TMainForm::BuildWindow()
{
    auto* windowLayout = new QHBoxLayout(this);
    windowLayout->setContentsMargins(0, 0, 0, 0);
    windowLayout->setSpacing(0);

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("Splitter1"));
    m_splitter->setHandleWidth(kSplitterWidth);
    m_splitter->setChildrenCollapsible(false);
    windowLayout->addWidget(m_splitter);

    m_treeView = new QTreeView;
    m_treeView->setFont(LayoutFont());
    m_treeView->setObjectName(QStringLiteral("TreeView1"));
    m_treeView->setModel(&m_iconModel);
    m_treeView->setItemDelegate(new TreeRowDelegate(m_treeView));
    m_treeView->setHeaderHidden(true);
    m_treeView->setIndentation(19);
    m_treeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_treeView->setUniformRowHeights(true);
    m_treeView->setIconSize(QSize(16, 16));
    m_treeView->setFrameShape(QFrame::NoFrame);
    // long readings scroll sideways instead of being cut short
    new TreeColumnSizer(*m_treeView);
    m_treeView->header()->setStretchLastSection(false);
    m_treeView->setMinimumWidth(kSplitterMinimum);
    m_treeView->setContextMenuPolicy(Qt::CustomContextMenu);
    m_treeView->setAccessibleName(QStringLiteral("Hardware and sensors"));
    m_treeView->viewport()->installEventFilter(this);
    m_splitter->addWidget(m_treeView);

    auto* client = new QWidget;
    client->setObjectName(QStringLiteral("ClientPanel"));
    client->setMinimumWidth(kSplitterMinimum);
    auto* clientLayout = new QVBoxLayout(client);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    clientLayout->setSpacing(0);
    m_topPanel = new TitleStrip;
    clientLayout->addWidget(m_topPanel);

    auto* below = new QHBoxLayout;
    m_belowLayout = below;
    below->setContentsMargins(0, 0, 0, 0);
    below->setSpacing(0);
    m_launcher = new LauncherPanel;
    m_launcher->setFont(LayoutFont());
    below->addWidget(m_launcher);
    m_panel3 = new QLabel;
    m_panel3->setObjectName(QStringLiteral("Panel3"));
    m_panel3->setAlignment(Qt::AlignCenter);
    m_panel3->setWordWrap(true);
    m_panel3->setAutoFillBackground(true);
    m_panel3->setMinimumSize(0, 0);
    m_panel3->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    QFont panelFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    panelFont.setPointSize(11);
    m_panel3->setFont(panelFont);
    below->addWidget(m_panel3, 1);
    clientLayout->addLayout(below, 1);

    // the dashboard area fills the main area
    auto* panelLayout = new QVBoxLayout(m_panel3);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    m_sensorsPanel = new DashboardArea;
    m_sensorsPanel->setFont(QApplication::font());
    panelLayout->addWidget(m_sensorsPanel);
    m_splitter->addWidget(client);

    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({kTreeWidth, kClientWidth - kTreeWidth - kSplitterWidth});

    connect(m_sensorsPanel, &DashboardArea::tileWidgetCreated, this, &TMainForm::ConnectTileWidget);
    connect(m_sensorsPanel, &DashboardArea::menuRequested, this,
            [this](const QPoint& position) { m_popupMenu1->popup(position); });
    m_expansion = std::make_unique<TreeExpansion>(*m_treeView, m_tree,
                                                  [this](const TreeNode* node) { return TreeIndexOf(node); });
    connect(&m_model, &SensorTreeModel::treeRebuilt, this, [this] { m_expansion->Apply(); });
    // assistive technology's check state, Space and Enter do what a click on the tile mark does
    connect(&m_iconModel, &SensorTreeIconModel::toggleRequested, this, [this](const QModelIndex& source) {
        if (TreeNode* node = m_model.NodeOf(source))
            ToggleTileFor(node);
    });
    connect(&m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        m_treeDownNode = nullptr;
        m_expansion->Remember();
    });
    connect(m_treeView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                m_tree.RememberNode(m_model.NodeOf(m_iconModel.mapToSource(current)));
            });
    connect(m_treeView, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        m_popupMenu2->popup(m_treeView->viewport()->mapToGlobal(position));
    });

    connect(m_launcher->Button(SideButton::Detect), &QToolButton::clicked, this, &TMainForm::SpeedButton1Click);
    connect(m_launcher->Button(SideButton::AddTile), &QToolButton::clicked, this, [this] { m_tiles->AddTile(-1); });
}

void TMainForm::BuildMenus()
{
    m_popupMenu1 = new QMenu(this);
    m_popupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    m_add1 = m_popupMenu1->addAction(QStringLiteral("&Add"));
    m_popupMenu1->addSeparator();
    m_deteleAll1 = m_popupMenu1->addAction(QStringLiteral("&Delete All..."));
    m_popupMenu1->addSeparator();
    m_saveView1 = m_popupMenu1->addAction(QStringLiteral("&Save View"));
    connect(m_popupMenu1, &QMenu::aboutToShow, this, &TMainForm::PopupMenu1Popup);
    // commands run once the menu has gone: they may open a box
    connect(m_add1, &QAction::triggered, this, &TMainForm::Add1Click, Qt::QueuedConnection);
    connect(m_deteleAll1, &QAction::triggered, this, &TMainForm::DeteleAll1Click, Qt::QueuedConnection);
    connect(m_saveView1, &QAction::triggered, this, &TMainForm::SaveDashboard, Qt::QueuedConnection);

    m_popupMenu2 = new QMenu(this);
    m_popupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    m_add2 = m_popupMenu2->addAction(QStringLiteral("&Add"));
    m_remove2 = m_popupMenu2->addAction(QStringLiteral("&Remove"));
    m_popupMenu2->addSeparator();
    m_reset1 = m_popupMenu2->addAction(QStringLiteral("R&eset All"));
    m_popupMenu2->addSeparator();
    m_control1 = m_popupMenu2->addAction(QStringLiteral("&Properties..."));
    m_control1->setData(-1);
    connect(m_popupMenu2, &QMenu::aboutToShow, this, &TMainForm::PopupMenu2Popup);
    connect(m_add2, &QAction::triggered, this, &TMainForm::Add2Click, Qt::QueuedConnection);
    connect(m_remove2, &QAction::triggered, this, &TMainForm::Remove2Click, Qt::QueuedConnection);
    connect(m_reset1, &QAction::triggered, this, &TMainForm::SpeedButton1Click, Qt::QueuedConnection);
    connect(m_control1, &QAction::triggered, this, &TMainForm::Control1Click, Qt::QueuedConnection);
}

// Every surface of the window, then every tile with its chart rebuilt.
void TMainForm::PaintSurfaces()
{
    const ThemePalette& theme = m_theme.Palette();
    const auto colored = [](QWidget* widget, QPalette::ColorRole role, TColor color) {
        QPalette colors = widget->palette();
        colors.setColor(role, ToQColor(color));
        widget->setPalette(colors);
    };
    colored(this, QPalette::Window, theme.ChromeColor);
    colored(this, QPalette::WindowText, theme.TextColor);
    colored(this, QPalette::Button, theme.ChromeColor);
    colored(this, QPalette::ButtonText, theme.TextColor);
    colored(m_splitter, QPalette::Window, theme.ChromeColor);
    m_topPanel->SetPalette(theme);
    m_launcher->SetPalette(theme);

    QPalette tree = m_treeView->palette();
    tree.setColor(QPalette::Base, ToQColor(theme.TreeColor));
    tree.setColor(QPalette::Window, ToQColor(theme.TreeColor));
    tree.setColor(QPalette::Text, ToQColor(theme.TextColor));
    tree.setColor(QPalette::WindowText, ToQColor(theme.TextColor));
    tree.setColor(QPalette::Button, ToQColor(theme.ChromeColor));  // its scroll bars
    tree.setColor(QPalette::ButtonText, ToQColor(theme.TextColor));
    m_treeView->setPalette(tree);

    QPalette main = m_panel3->palette();
    main.setColor(QPalette::Window, ToQColor(theme.BackColor));
    main.setColor(QPalette::WindowText, ToQColor(theme.TextColor));
    m_panel3->setPalette(main);
    m_sensorsPanel->SetPalette(theme);
    update();
    if (m_tiles)
        m_tiles->RecolorAll();
}

void TMainForm::CentreOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
}

// ---- poll cycle and timers

void TMainForm::Timer1Timer()
{
    if (m_poll->Timer1Timer() == PollOutcome::Detected)
        AfterDetection();
}

void TMainForm::SpeedButton1Click()
{
    try {
        m_poll->Detect();
    } catch (const std::exception& error) {
        SetCaption(QString::fromLocal8Bit(error.what()));
    }
    AfterDetection();
}

void TMainForm::AfterDetection()
{
    if (m_demoTiles > 0 && !m_tree.IsEmpty()) {
        FillDemoTiles(m_demoTiles);
        m_demoTiles = 0;
    }
    Q_EMIT detected();
}

void TMainForm::AnimationStarted()
{
    m_timers->ResumeAnimation();
}

void TMainForm::SetClockText(const QString& text)
{
    m_topPanel->SetClockText(text);
}

bool TMainForm::SensorsPanelVisible() const
{
    return !m_sensorsPanel->isHidden();
}

void TMainForm::SetSensorsPanelVisible(bool visible)
{
    if (visible == SensorsPanelVisible() && (visible || !m_panel3->text().isEmpty()))
        return;
    m_sensorsPanel->setVisible(visible);
    m_panel3->setText(visible ? QString() : kNoProviderText);
}

bool TMainForm::WindowVisible() const
{
    return isVisible();
}

void TMainForm::ShowWindow()
{
    show();
}

void TMainForm::SetCaption(const QString& text)
{
    setWindowTitle(text);
}

void TMainForm::RestoreCaption()
{
    setWindowTitle(m_theme.NormalCaption());
}

// ---- tile host

bool TMainForm::ShowFahrenheit() const
{
    return m_poll && m_poll->ShowFahrenheit;
}

int TMainForm::AnimationSteps() const
{
    return m_poll ? m_poll->AnimationSteps() : gaugeloft::AnimationSteps(m_timers->AnimationInterval());
}

TreeNode* TMainForm::CurrentNode()
{
    if (TreeNode* remembered = m_tree.RememberedNode())
        return remembered;
    return SelectedNode();
}

TreeNode* TMainForm::SelectedNode()
{
    const QModelIndex current = m_treeView->currentIndex();
    if (!current.isValid() || !m_treeView->selectionModel()->isSelected(current))
        return nullptr;
    return m_model.NodeOf(m_iconModel.mapToSource(current));
}

int TMainForm::MeasureValueText(const QString& text, int points)
{
    // the same few texts come back at every poll, and measuring one shapes it
    QHash<QString, int>& widths = m_valueTextWidths[points];
    if (const auto found = widths.constFind(text); found != widths.cend())
        return *found;
    if (widths.size() >= kValueTextWidthsKept)
        widths.clear();
    const int width = QFontMetrics(TileValueFont(points)).horizontalAdvance(text);
    widths.insert(text, width);
    return width;
}

// ---- tiles

void TMainForm::ConnectTileWidget(TileWidget* widget)
{
    connect(widget, &TileWidget::addTileRequested, this, [this](int before) { m_tiles->AddTile(before); });
    connect(widget, &TileWidget::removeTileRequested, this,
            [this](TSensorFrame* tile) { m_tiles->RemoveTile(*tile); });
    // once the menu or the click has finished, if the tile is still there
    connect(widget, &TileWidget::propertiesRequested, this, [this](TSensorFrame* tile) {
        for (int i = 0; i < m_tiles->Count(); ++i) {
            if (&m_tiles->At(i) == tile) {
                Properties1Click(*tile);
                return;
            }
        }
    }, Qt::QueuedConnection);
}

void TMainForm::FillDemoTiles(int count)
{
    std::vector<TreeNode*> sensors;
    for (int position = 0; position < m_tree.NodeCount() && int(sensors.size()) < count; ++position) {
        TreeNode* node = m_tree.NodeAt(position);
        if (node->Data() && node->Data()->IsSensor && node->ImageIndex() == kSensorIcon)
            sensors.push_back(node);
    }
    for (size_t k = 0; k < sensors.size(); ++k) {
        m_tree.RememberNode(sensors[k]);
        int position = m_tiles->FindEmptyTile();
        if (position == -1)
            position = m_tiles->AddTile(-1);
        TSensorFrame& tile = m_tiles->At(position);
        m_tiles->Assign(tile);
        const int type = int(k % 7);
        if (type == dtMultiBars)
            tile.OnChangeDisplayType(tile.PeerMark != 0 ? dtMultiBars : dtBar, tile.PeerMark != 0);
        else
            tile.OnChangeDisplayType(type, false);
    }
    // placed at once, showing the dashboard from its top
    m_sensorsPanel->Timer2().stop();
    m_tiles->Timer2Timer();
    m_sensorsPanel->ScrollBox()->verticalScrollBar()->setValue(0);
}

// ---- events

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    // (an application-wide filter: it sees the events of every widget)
    if (watched->isWidgetType() && ChromeMouseEvent(static_cast<QWidget*>(watched), event))
        return true;
    switch (event->type()) {
    case QEvent::Hide:
        // a whole menu closed (not one of its submenus)
        if (auto* menu = qobject_cast<QMenu*>(watched);
            menu && !qobject_cast<QMenu*>(menu->parentWidget()) && m_tiles)
            m_tiles->UnhighlightAll();
        break;
    case QEvent::KeyPress:
        if (watched == m_treeView) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            const QModelIndex current = m_treeView->currentIndex();
            if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)
                && current.flags().testFlag(Qt::ItemIsUserCheckable)) {
                const bool checked = current.data(Qt::CheckStateRole).toInt() == Qt::Checked;
                m_iconModel.setData(current, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
                return true;
            }
        }
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        if (watched == m_treeView->viewport()) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) {
                TreeNode* node = NodeIconAt(mouse->position().toPoint());
                if (event->type() == QEvent::MouseButtonPress)
                    TreeView1MouseDown(node);
                else
                    TreeView1MouseUp(node);
            }
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TMainForm::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // FormDeactivate; a confirmation box of our own keeps its tile's highlight
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && m_tiles
        && !QApplication::activeModalWidget())
        m_tiles->UnhighlightTile(m_tiles->HighlightedTile);
}

} // namespace gaugeloft
