// The main window's chrome: theme buttons, the title strip, tree and side panel toggles,
// the side-panel menu, moving, the sizing frame, maximizing and edge snapping.

#include "ui/mainform.h"

#include "dashboard/windowchrome.h"
#include "ui/dashboardarea.h"
#include "ui/launcherpanel.h"
#include "ui/titlestrip.h"

#include <QActionGroup>
#include <QApplication>
#include <QBoxLayout>
#include <QContextMenuEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSplitter>
#include <QToolButton>
#include <QTreeView>
#include <QWindow>

namespace gaugeloft {

namespace {

constexpr int kSnapDelayMs = 150;

TColor ToTColor(const QColor& color)
{
    return RgbColor(color.red(), color.green(), color.blue());
}

} // namespace

void TMainForm::BuildChrome()
{
    m_popupMenu3 = new QMenu(this);
    m_popupMenu3->setObjectName(QStringLiteral("PopupMenu3"));
    m_maximized1 = m_popupMenu3->addAction(QStringLiteral("&Maximized"));
    m_titleBar1 = m_popupMenu3->addAction(QStringLiteral("&Title Bar"));
    m_popupMenu3->addSeparator();
    m_sidePanel1 = m_popupMenu3->addAction(QStringLiteral("Side &Panel"));
    m_location1 = m_popupMenu3->addMenu(QStringLiteral("&Location"));
    m_onLeft1 = m_location1->addAction(QStringLiteral("on &Left"));
    m_onRight1 = m_location1->addAction(QStringLiteral("on &Right"));
    auto* sides = new QActionGroup(m_location1);
    sides->setExclusive(true);
    for (QAction* action : {m_maximized1, m_titleBar1, m_sidePanel1, m_onLeft1, m_onRight1})
        action->setCheckable(true);
    sides->addAction(m_onLeft1);
    sides->addAction(m_onRight1);
    m_popupMenu3->addSeparator();
    m_saveView2 = m_popupMenu3->addAction(QStringLiteral("&Save View"));
    m_popupMenu3->addSeparator();
    // the chart colour without Alt+click, which window managers take for moving windows
    m_chartColour1 = m_popupMenu3->addAction(QStringLiteral("Chart &Colour..."));
    m_popupMenu3->addSeparator();
    m_exit2 = m_popupMenu3->addAction(QStringLiteral("E&xit"));
    m_exit2->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_exit2->setShortcutContext(Qt::WindowShortcut);
    addAction(m_exit2);  // Ctrl+Q with the menu closed
    connect(m_chartColour1, &QAction::triggered, this, [this] { PickCustomColour(true); }, Qt::QueuedConnection);
    connect(m_exit2, &QAction::triggered, this, &TMainForm::Exit1Click, Qt::QueuedConnection);

    // keys of the window: save, and a new detection as the reset button does
    auto* save = new QAction(this);
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(save, &QAction::triggered, this, &TMainForm::SaveDashboard);
    auto* detect = new QAction(this);
    detect->setShortcut(QKeySequence(Qt::Key_F5));
    connect(detect, &QAction::triggered, this, &TMainForm::SpeedButton1Click);
    addActions({save, detect});
    connect(m_popupMenu3, &QMenu::aboutToShow, this, &TMainForm::PopupMenu3Popup);
    connect(m_maximized1, &QAction::triggered, this, &TMainForm::MaximizeToggle, Qt::QueuedConnection);
    connect(m_titleBar1, &QAction::triggered, this, &TMainForm::SpeedButton5Click, Qt::QueuedConnection);
    connect(m_sidePanel1, &QAction::triggered, this, &TMainForm::SidePanelToggle, Qt::QueuedConnection);
    connect(m_onLeft1, &QAction::triggered, this, [this] { SetSidePanelOnRight(false); });
    connect(m_onRight1, &QAction::triggered, this, [this] { SetSidePanelOnRight(true); });

    const auto button = [this](SideButton which) { return m_launcher->Button(which); };
    connect(button(SideButton::TitleStrip), &QToolButton::clicked, this, &TMainForm::SpeedButton5Click);
    connect(button(SideButton::Tree), &QToolButton::clicked, this, &TMainForm::SpeedButton3Click);
    connect(button(SideButton::SwitchTheme), &QToolButton::clicked, this, &TMainForm::SpeedButton6Click);
    connect(button(SideButton::AutoTheme), &QToolButton::clicked, this, &TMainForm::SpeedButton7Click);
    connect(button(SideButton::CustomColour), &QToolButton::clicked, this, &TMainForm::SpeedButton10Click);
    connect(button(SideButton::About), &QToolButton::clicked, this, &TMainForm::SpeedButton9Click);
    connect(button(SideButton::Save), &QToolButton::clicked, this, &TMainForm::SaveDashboard);
    connect(m_saveView2, &QAction::triggered, this, &TMainForm::SaveDashboard, Qt::QueuedConnection);
    connect(m_splitter, &QSplitter::splitterMoved, this, &TMainForm::Splitter1Moved);
    connect(m_sensorsPanel, &DashboardArea::backgroundDoubleClicked, this, &TMainForm::SidePanelToggle);

    m_snapTimer.setSingleShot(true);
    m_snapTimer.setInterval(kSnapDelayMs);
    connect(&m_snapTimer, &QTimer::timeout, this, &TMainForm::SnapToWorkArea);
    setMouseTracking(true);
}

// ---- themes

void TMainForm::SpeedButton6Click()
{
    m_theme.SwitchTheme();
}

void TMainForm::SpeedButton7Click()
{
    m_theme.ToggleAction(m_launcher->Button(SideButton::AutoTheme)->isChecked());
}

void TMainForm::SpeedButton10Click()
{
    PickCustomColour(QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier));
}

// The tiles' colour, or in pen mode the chart's.
void TMainForm::PickCustomColour(bool penMode)
{
    const TColor initial = m_theme.BeginCustomColor(penMode);
    const std::optional<QColor> chosen = m_desktop.PickColor(this, ToQColor(initial));
    if (chosen)
        m_theme.EndCustomColor(penMode, ToTColor(*chosen));
}

void TMainForm::ShowAutoSwitch(bool on)
{
    m_launcher->Button(SideButton::AutoTheme)->setChecked(on);
}

void TMainForm::RunThemeCheck(QTime now)
{
    m_theme.ScheduleCheck(now);
}

// ---- toggles

void TMainForm::SpeedButton5Click()
{
    const int h = m_topPanel->height();
    m_tiles->ArrangeEnabled = false;
    const bool nowVisible = m_topPanel->isHidden();
    m_topPanel->setVisible(nowVisible);
    if (isVisible())
        setGeometry(BoundsAfterTitleToggle(geometry(), h, nowVisible));
    m_tiles->ArrangeEnabled = true;
    m_sensorsPanel->RestartArrangementTimer();
    m_launcher->Button(SideButton::TitleStrip)->setChecked(nowVisible);
}

void TMainForm::SpeedButton3Click()
{
    // a hidden tree's widget width means nothing: it keeps the width it was hidden with
    const int w = m_treeView->isHidden() ? SavedTreeWidth : m_treeView->width();
    SavedTreeWidth = w;
    m_tiles->ArrangeEnabled = false;
    const bool nowVisible = m_treeView->isHidden();
    const QRect before = geometry();
    m_treeView->setVisible(nowVisible);
    if (isVisible()) {
        const QRect after = BoundsAfterTreeToggle(before, w, m_splitter->handleWidth(), nowVisible);
        setGeometry(after);
        if (nowVisible)
            m_splitter->setSizes({w, after.width() - 2 * m_frameWidth - w - m_splitter->handleWidth()});
    } else if (nowVisible) {
        m_splitter->setSizes({w, m_splitter->width() - w - m_splitter->handleWidth()});
    }
    m_tiles->ArrangeEnabled = true;
    m_sensorsPanel->RestartArrangementTimer();
    m_launcher->Button(SideButton::Tree)->setChecked(nowVisible);
}

void TMainForm::Splitter1Moved()
{
    const int w = m_splitter->sizes().value(0);
    setGeometry(BoundsAfterSplitterMove(geometry(), w, SavedTreeWidth));
    SavedTreeWidth = w;
}

void TMainForm::SidePanelToggle()
{
    m_launcher->setVisible(m_launcher->isHidden());
}

void TMainForm::SetSidePanelOnRight(bool right)
{
    m_sidePanelRight = right;
    m_belowLayout->removeWidget(m_launcher);
    m_belowLayout->insertWidget(right ? -1 : 0, m_launcher);
}

void TMainForm::PopupMenu3Popup()
{
    m_maximized1->setChecked(isMaximized());
    m_titleBar1->setChecked(!m_topPanel->isHidden());
    const bool panel = !m_launcher->isHidden();
    m_sidePanel1->setChecked(panel);
    m_location1->setEnabled(panel);
    m_onLeft1->setChecked(!m_sidePanelRight);
    m_onRight1->setChecked(m_sidePanelRight);
}

// ---- frame, moving and maximizing

void TMainForm::MaximizeToggle()
{
    if (!isMaximized()) {
        SetFrameWidth(0);
        showMaximized();
    } else {
        showNormal();
        SetFrameWidth(kFrameWidth);
    }
}

void TMainForm::SetFrameWidth(int width)
{
    m_frameWidth = width;
    layout()->setContentsMargins(width, width, width, width);
    if (width == 0)
        unsetCursor();
    update();
}

void TMainForm::SnapToWorkArea()
{
    if (!isVisible() || isMaximized() || isMinimized())
        return;
    const QScreen* area = screen();
    if (!area)
        return;
    const QRect frame = frameGeometry();
    const QPoint snapped = gaugeloft::SnapToWorkArea(frame, area->availableGeometry(), kSnapDistance);
    if (snapped != frame.topLeft())
        move(snapped);
}

// A press on the chrome moves the window once the mouse travels; a double click maximizes;
// the side panel and the strip's centre open the side-panel menu.
bool TMainForm::ChromeMouseEvent(QWidget* widget, QEvent* event)
{
    // every event of every widget passes here (paints too): leave the others at once
    switch (event->type()) {
    case QEvent::ContextMenu:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        break;
    default:
        return false;
    }
    const bool chrome = widget == m_topPanel || widget == m_launcher || widget->parentWidget() == m_topPanel;
    if (!chrome)
        return false;
    switch (event->type()) {
    case QEvent::ContextMenu:
        if (widget == m_launcher || widget == m_topPanel->CentreLabel()) {
            m_popupMenu3->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
        return false;
    case QEvent::MouseButtonDblClick:
        m_movePressed = false;
        // the outer labels take their own double clicks
        if (widget == m_topPanel || widget == m_launcher || widget == m_topPanel->CentreLabel())
            MaximizeToggle();
        return true;
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        m_movePressed = mouse->button() == Qt::LeftButton && !isMaximized();
        m_movePress = mouse->globalPosition().toPoint();
        return false;
    }
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!m_movePressed || !(mouse->buttons() & Qt::LeftButton) || isMaximized())
            return false;
        const QPoint delta = mouse->globalPosition().toPoint() - m_movePress;
        if (delta.manhattanLength() < QApplication::startDragDistance())
            return false;
        m_movePressed = false;
        // the window manager moves it; where there is none, the window follows by itself
        if (!windowHandle() || !windowHandle()->startSystemMove())
            move(pos() + delta);
        return true;
    }
    case QEvent::MouseButtonRelease:
        m_movePressed = false;
        return false;
    default:
        return false;
    }
}

void TMainForm::mouseMoveEvent(QMouseEvent* event)
{
    const Qt::Edges edges = SizingEdgesAt(size(), event->position().toPoint(), m_frameWidth);
    if (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge))
        setCursor(Qt::SizeFDiagCursor);
    else if (edges == (Qt::RightEdge | Qt::TopEdge) || edges == (Qt::LeftEdge | Qt::BottomEdge))
        setCursor(Qt::SizeBDiagCursor);
    else if (edges & (Qt::LeftEdge | Qt::RightEdge))
        setCursor(Qt::SizeHorCursor);
    else if (edges & (Qt::TopEdge | Qt::BottomEdge))
        setCursor(Qt::SizeVerCursor);
    else
        unsetCursor();
    QWidget::mouseMoveEvent(event);
}

void TMainForm::mousePressEvent(QMouseEvent* event)
{
    const Qt::Edges edges = SizingEdgesAt(size(), event->position().toPoint(), m_frameWidth);
    if (event->button() == Qt::LeftButton && edges && windowHandle()) {
        windowHandle()->startSystemResize(edges);
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void TMainForm::leaveEvent(QEvent* event)
{
    unsetCursor();
    QWidget::leaveEvent(event);
}

void TMainForm::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (isVisible() && !isMaximized())
        m_snapTimer.start();
}

void TMainForm::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (m_frameWidth <= 0)
        return;
    // the frame in the chrome colour with a thin outline
    QPainter p(this);
    QColor outline = ToQColor(m_theme.Palette().TextColor);
    outline.setAlpha(70);
    p.setPen(outline);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace gaugeloft
