#include "ui/mainform.h"

#include "ui/mainformfixture.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <gtest/gtest.h>

#include <vector>

namespace gaugeloft {
namespace {

struct Options : LiveOptions {
    bool HideInTaskbar() const override { return hideInTaskbar; }
    bool ShowReminder() const override { return showReminder; }
    bool hideInTaskbar = false;
    bool showReminder = false;
};

struct TrayWindow : MainFormFixture {
    explicit TrayWindow(bool keepInTray, bool reminder, bool tray = true)
        : MainFormFixture(Example("desktop.json"))
    {
        options.showReminder = reminder;
        window.SetLiveOptions(&options);
        window.KeepInTray = keepInTray;
        desktop.trayAvailable = [tray] { return tray; };
        desktop.setTaskbarHidden = [this](bool hide) {
            taskbarCalls.push_back(hide);
            return true;
        };
        window.Timer1Timer();  // the first tick shows the window
    }
    Options options;
    std::vector<bool> taskbarCalls;
};

TEST(MainFormTray, CloseHandling)
{
    struct Case {
        bool keepInTray, reminder, tray;
        bool closes, reminded;
    };
    const Case cases[] = {
        {true, true, true, false, true},
        {true, false, true, false, false},
        {false, true, true, true, false},
        {false, false, true, true, false},
        {true, true, false, true, false},  // no tray to come back from: closing ends
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.keepInTray << c.reminder << c.tray);
        TrayWindow f(c.keepInTray, c.reminder, c.tray);
        ASSERT_TRUE(f.window.isVisible());
        EXPECT_EQ(f.window.close(), c.closes);
        EXPECT_FALSE(f.window.isVisible());
        EXPECT_EQ(f.window.ReminderShown(), c.reminded);
    }
}

TEST(MainFormTray, ReminderOncePerRunAndDoubleClicks)
{
    TrayWindow f(true, true);
    TMainForm& w = f.window;
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.ReminderShown());

    w.TrayDoubleClick();  // hidden: shows
    EXPECT_TRUE(w.isVisible());
    w.TrayDoubleClick();  // shown and kept in the tray: closes to the tray
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.ReminderShown());

    w.KeepInTray = false;
    w.TrayDoubleClick();
    EXPECT_TRUE(w.isVisible());
    w.TrayDoubleClick();  // only brings it to the front
    EXPECT_TRUE(w.isVisible());
}

TEST(MainFormTray, HiddenWindowStillClosesTheProgram)
{
    TrayWindow f(true, true);
    f.window.hide();
    EXPECT_TRUE(f.window.close());
    EXPECT_FALSE(f.window.ReminderShown());
}

TEST(MainFormTray, TrayMenuAndTaskbarOption)
{
    TrayWindow f(true, false);
    TMainForm& w = f.window;
    const QList<QAction*> items = TrayMenu(w)->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->text(), QStringLiteral("&Show..."));
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[2]->text(), QStringLiteral("E&xit"));
    EXPECT_EQ(w.TrayIcon()->toolTip(), QStringLiteral("Gaugeloft"));
    EXPECT_EQ(w.TrayIcon()->contextMenu(), TrayMenu(w));
    EXPECT_FALSE(w.TrayIcon()->icon().isNull());

    ASSERT_FALSE(f.taskbarCalls.empty());  // applied when the window was shown
    EXPECT_FALSE(f.taskbarCalls.back());
    f.options.hideInTaskbar = true;
    w.hide();
    w.Show1Click();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(f.taskbarCalls.back());
    f.options.hideInTaskbar = false;
    w.ApplyTaskbarOption();
    EXPECT_FALSE(f.taskbarCalls.back());

    // without a tray the taskbar button is the way back, so it stays
    f.options.hideInTaskbar = true;
    f.desktop.trayAvailable = [] { return false; };
    w.ApplyTaskbarOption();
    EXPECT_FALSE(f.taskbarCalls.back());
}

// A StatusNotifierItem host reports a click as Trigger and never a double click; an XEmbed tray
// reports both, and there only the double click shows or hides.
TEST(MainFormTray, ClicksOnEitherKindOfTray)
{
    using Reason = QSystemTrayIcon::ActivationReason;
    struct Case {
        const char* host;
        bool clickToggles;
        std::vector<Reason> reasons;
        bool visibleAfter;
    };
    const Case cases[] = {
        {"StatusNotifierItem click", true, {QSystemTrayIcon::Trigger}, false},
        {"StatusNotifierItem two clicks", true, {QSystemTrayIcon::Trigger, QSystemTrayIcon::Trigger}, true},
        {"XEmbed click", false, {QSystemTrayIcon::Trigger}, true},
        {"XEmbed double click", false, {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick}, false},
        {"middle click", true, {QSystemTrayIcon::MiddleClick}, true},
        {"menu", true, {QSystemTrayIcon::Context}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host);
        TrayWindow f(true, false);
        f.window.TrayClickToggles = c.clickToggles;
        ASSERT_TRUE(f.window.isVisible());
        for (Reason reason : c.reasons)
            Q_EMIT f.window.TrayIcon()->activated(reason);
        EXPECT_EQ(f.window.isVisible(), c.visibleAfter);
    }
}

TEST(MainFormTray, ExitEndsEvenWhenKeptInTheTray)
{
    TrayWindow f(true, true);
    f.window.Exit1Click();
    EXPECT_FALSE(f.window.isVisible());
    EXPECT_FALSE(f.window.ReminderShown());
    EXPECT_FALSE(f.window.TrayIcon()->isVisible());
}

} // namespace
} // namespace gaugeloft
