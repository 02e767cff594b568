// The main window and its dashboard file: what the file reads and sets of the window, saving
// on the user's command, reading at start-up, and the tile properties dialog.

#include "ui/mainform.h"

#include "ui/dashboardarea.h"
#include "ui/launcherpanel.h"
#include "ui/propertiesform.h"
#include "ui/titlestrip.h"

#include <QApplication>
#include <QLayout>
#include <QMessageBox>
#include <QScreen>
#include <QSplitter>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>

namespace gaugeloft {

namespace {

constexpr int kSidePanelLeft = 3;
constexpr int kSidePanelRight = 4;
constexpr int kLargestSide = 16384;

} // namespace

// ---- the file

void TMainForm::LoadDashboard()
{
    const QString error =
        gaugeloft::LoadDashboard(m_dashboardLocation, {*this, m_theme, *m_tiles, m_provider.CurrentProvider});
    // Told once the poll tick that reads the file has ended: a message box waits for the user.
    if (!error.isEmpty())
        QMetaObject::invokeMethod(this, [this, error] { m_desktop.ShowError(this, error); }, Qt::QueuedConnection);
}

bool TMainForm::SaveDashboard()
{
    const QString error = gaugeloft::SaveDashboard(
        m_dashboardLocation, {*this, m_theme, *m_tiles, m_provider.CurrentProvider},
        [this](const QString& path, const QByteArray& data, QString* reason) {
            return m_desktop.WriteFile(path, data, reason);
        });
    if (error.isEmpty())
        return true;
    m_desktop.ShowError(this, error);
    return false;
}

// ---- what the file sets

QRect TMainForm::WindowBounds() const
{
    // a maximized window is saved with the place it returns to
    return isMaximized() || isMinimized() ? normalGeometry() : geometry();
}

// A saved place on a screen that is gone would leave the window out of reach: then it is
// centred on the primary screen.
void TMainForm::SetWindowBounds(const QRect& bounds)
{
    QRect wanted(bounds.topLeft(), QSize(std::clamp(bounds.width(), minimumSizeHint().width(), kLargestSide),
                                         std::clamp(bounds.height(), minimumSizeHint().height(), kLargestSide)));
    // reachable: some of its title strip lies on a screen, to be dragged by
    const QRect strip(wanted.topLeft(), QSize(wanted.width(), TitleStrip::kHeight));
    bool reachable = false;
    for (const QScreen* screen : QGuiApplication::screens())
        reachable = reachable || screen->availableGeometry().intersects(strip);
    if (!reachable) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            wanted.moveTopLeft(QPoint(area.left() + (area.width() - wanted.width()) / 2,
                                      area.top() + (area.height() - wanted.height()) / 2));
        }
    }
    setGeometry(wanted);
    layout()->activate();
}

int TMainForm::TreeWidth() const
{
    return m_treeView->isHidden() ? SavedTreeWidth : m_splitter->sizes().value(0, SavedTreeWidth);
}

void TMainForm::SetTreeWidth(int width)
{
    if (width == TreeWidth()) {
        SavedTreeWidth = width;
        return;
    }
    const int total = m_splitter->width() - m_splitter->handleWidth();
    width = std::max(width, m_treeView->minimumWidth());
    m_splitter->setSizes({width, std::max(total - width, 0)});
    SavedTreeWidth = width;
}

bool TMainForm::TreeVisible() const
{
    return !m_treeView->isHidden();
}

bool TMainForm::TitleVisible() const
{
    return !m_topPanel->isHidden();
}

int TMainForm::WindowStateNumber() const
{
    if (isMinimized())
        return 1;
    return isMaximized() ? 2 : 0;
}

bool TMainForm::SetWindowStateNumber(int state)
{
    switch (state) {
    case 0:
        if (isMaximized())
            MaximizeToggle();
        setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
        return true;
    case 1:
        setWindowState(windowState() | Qt::WindowMinimized);
        return true;
    case 2:
        if (!isMaximized()) {
            SetFrameWidth(0);
            setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
        }
        return true;
    default:
        return false;
    }
}

int TMainForm::SidePanelPlacement() const
{
    return m_sidePanelRight ? kSidePanelRight : kSidePanelLeft;
}

bool TMainForm::SetSidePanelPlacement(int placement)
{
    if (placement != kSidePanelLeft && placement != kSidePanelRight)
        return false;
    SetSidePanelOnRight(placement == kSidePanelRight);
    return true;
}

bool TMainForm::SidePanelVisible() const
{
    return !m_launcher->isHidden();
}

void TMainForm::SetSidePanelVisible(bool visible)
{
    m_launcher->setVisible(visible);
}

void TMainForm::SyncToggleButtons()
{
    m_launcher->Button(SideButton::TitleStrip)->setChecked(TitleVisible());
    m_launcher->Button(SideButton::Tree)->setChecked(TreeVisible());
}

// ---- tile properties

void TMainForm::Properties1Click(TSensorFrame& tile)
{
    TPropertiesForm dialog(this);
    dialog.Fill(tile);
    const int result = m_desktop.ExecDialog(dialog);
    if (result != QDialog::Accepted)
        return;
    // the tile may have gone while the dialog was open
    for (int i = 0; i < m_tiles->Count(); ++i) {
        if (&m_tiles->At(i) == &tile) {
            dialog.Apply(tile);
            return;
        }
    }
}

} // namespace gaugeloft
