// The main window and its dashboard file: what the file reads and sets of the window, saving
// on the user's command, reading at start-up, and the tile properties dialog.

#include "ui/mainform.h"
#include "ui/mainformfileview.h"

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
        gaugeloft::LoadDashboard(m_dashboardLocation, {*m_fileView, m_theme, *m_tiles, m_provider.CurrentProvider});
    // Told once the poll tick that reads the file has ended: a message box waits for the user.
    if (!error.isEmpty())
        QMetaObject::invokeMethod(this, [this, error] { m_desktop.ShowError(this, error); }, Qt::QueuedConnection);
}

bool TMainForm::SaveDashboard()
{
    const QString error = gaugeloft::SaveDashboard(
        m_dashboardLocation, {*m_fileView, m_theme, *m_tiles, m_provider.CurrentProvider},
        [this](const QString& path, const QByteArray& data, QString* reason) {
            return m_desktop.WriteFile(path, data, reason);
        });
    if (error.isEmpty())
        return true;
    m_desktop.ShowError(this, error);
    return false;
}

// ---- what the file reads and sets of the window

DashboardWindow& TMainForm::FileView()
{
    return *m_fileView;
}

QRect MainFormFileView::WindowBounds() const
{
    // a maximized window is saved with the place it returns to
    return m_form.isMaximized() || m_form.isMinimized() ? m_form.normalGeometry() : m_form.geometry();
}

// A saved place on a screen that is gone would leave the window out of reach: then it is
// centred on the primary screen.
void MainFormFileView::SetWindowBounds(const QRect& bounds)
{
    const QSize least = m_form.minimumSizeHint();
    QRect wanted(bounds.topLeft(), QSize(std::clamp(bounds.width(), least.width(), kLargestSide),
                                         std::clamp(bounds.height(), least.height(), kLargestSide)));
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
    m_form.setGeometry(wanted);
    m_form.layout()->activate();
}

int MainFormFileView::TreeWidth() const
{
    const int saved = m_form.SavedTreeWidth;
    return m_form.m_treeView->isHidden() ? saved : m_form.m_splitter->sizes().value(0, saved);
}

void MainFormFileView::SetTreeWidth(int width)
{
    if (width == TreeWidth()) {
        m_form.SavedTreeWidth = width;
        return;
    }
    const int total = m_form.m_splitter->width() - m_form.m_splitter->handleWidth();
    width = std::max(width, m_form.m_treeView->minimumWidth());
    m_form.m_splitter->setSizes({width, std::max(total - width, 0)});
    m_form.SavedTreeWidth = width;
}

bool MainFormFileView::TreeVisible() const
{
    return !m_form.m_treeView->isHidden();
}

bool MainFormFileView::TitleVisible() const
{
    return !m_form.m_topPanel->isHidden();
}

int MainFormFileView::WindowStateNumber() const
{
    if (m_form.isMinimized())
        return 1;
    return m_form.isMaximized() ? 2 : 0;
}

bool MainFormFileView::SetWindowStateNumber(int state)
{
    switch (state) {
    case 0:
        if (m_form.isMaximized())
            m_form.MaximizeToggle();
        m_form.setWindowState(m_form.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
        return true;
    case 1:
        m_form.setWindowState(m_form.windowState() | Qt::WindowMinimized);
        return true;
    case 2:
        if (!m_form.isMaximized()) {
            m_form.SetFrameWidth(0);
            m_form.setWindowState((m_form.windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
        }
        return true;
    default:
        return false;
    }
}

int MainFormFileView::SidePanelPlacement() const
{
    return m_form.m_sidePanelRight ? kSidePanelRight : kSidePanelLeft;
}

bool MainFormFileView::SetSidePanelPlacement(int placement)
{
    if (placement != kSidePanelLeft && placement != kSidePanelRight)
        return false;
    m_form.SetSidePanelOnRight(placement == kSidePanelRight);
    return true;
}

bool MainFormFileView::SidePanelVisible() const
{
    return !m_form.m_launcher->isHidden();
}

void MainFormFileView::SetSidePanelVisible(bool visible)
{
    m_form.m_launcher->setVisible(visible);
}

void MainFormFileView::ToggleTree()
{
    m_form.SpeedButton3Click();
}

void MainFormFileView::ToggleTitle()
{
    m_form.SpeedButton5Click();
}

void MainFormFileView::SetColorDialogColor(TColor color)
{
    m_form.m_colorDialogColor = color;
}

void MainFormFileView::SyncToggleButtons()
{
    m_form.m_launcher->Button(SideButton::TitleStrip)->setChecked(TitleVisible());
    m_form.m_launcher->Button(SideButton::Tree)->setChecked(TreeVisible());
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
