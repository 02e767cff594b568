// The main window in the background: the tray icon and its menu, closing to the tray with
// a one-time reminder, showing again, exiting, and the taskbar button option.

#include "ui/mainform.h"

#include "platform/desktop/trayhost.h"
#include "ui/appicon.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWindow>

namespace gaugeloft {

void TMainForm::BuildTray()
{
    TrayClickToggles = platform::StatusNotifierHostPresent();

    m_trayMenu = new QMenu(this);
    m_trayMenu->setObjectName(QStringLiteral("PopupMenu4"));
    QAction* show = m_trayMenu->addAction(QStringLiteral("&Show..."));
    m_trayMenu->addSeparator();
    QAction* exit = m_trayMenu->addAction(QStringLiteral("E&xit"));
    connect(show, &QAction::triggered, this, &TMainForm::Show1Click, Qt::QueuedConnection);
    connect(exit, &QAction::triggered, this, &TMainForm::Exit1Click, Qt::QueuedConnection);

    m_trayIcon = new QSystemTrayIcon(this);
    m_trayIcon->setObjectName(QStringLiteral("CoolTrayIcon1"));
    m_trayIcon->setToolTip(ThemeController::kTitle);
    m_trayIcon->setIcon(QApplication::windowIcon().isNull() ? GaugeloftIcon() : QApplication::windowIcon());
    m_trayIcon->setContextMenu(m_trayMenu);
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, &TMainForm::TrayActivated);
}

void TMainForm::SetLiveOptions(const LiveOptions* options)
{
    m_liveOptions = options ? options : &m_firstRunOptions;
}

void TMainForm::Show1Click()
{
    show();
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
    ApplyTaskbarOption();
}

void TMainForm::Exit1Click()
{
    m_ending = true;
    m_trayIcon->hide();  // takes a shown balloon with it
    hide();
    QApplication::quit();
}

// An XEmbed tray reports double clicks; a StatusNotifierItem host only ever reports a click.
void TMainForm::TrayActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::DoubleClick || (reason == QSystemTrayIcon::Trigger && TrayClickToggles))
        TrayDoubleClick();
}

void TMainForm::TrayDoubleClick()
{
    if (isVisible() && KeepInTray)
        close();
    else
        Show1Click();
}

// Without a tray to come back from, the taskbar button stays: it is the way back.
void TMainForm::ApplyTaskbarOption()
{
    const bool hide = m_liveOptions->HideInTaskbar() && m_desktop.TrayAvailable();
    m_desktop.SetTaskbarHidden(windowHandle(), hide);
}

void TMainForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    ApplyTaskbarOption();
    m_timers->CatchUpAnimation();
    m_timers->ResumeAnimation();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    // without a tray a hidden window could never be reached again: then closing ends
    const bool trayAvailable = m_desktop.TrayAvailable();
    const bool allowed = !(KeepInTray && isVisible() && trayAvailable);
    hide();
    if (!allowed) {
        event->ignore();
        if (!m_ending && m_liveOptions->ShowReminder() && !m_reminderShown) {
            m_reminderShown = true;
            m_trayIcon->showMessage(ThemeController::kTitle, kReminderText, QSystemTrayIcon::Information,
                                    kReminderMs);
        }
        return;
    }
    event->accept();
    m_ending = true;
    QApplication::quit();
}

} // namespace gaugeloft
