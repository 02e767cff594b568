// The tray icon on a real X11 desktop with a tray host (scripts/desktop-check starts Xvfb and
// trayer and runs these with GAUGELOFT_X11_TESTS=1; elsewhere they are skipped).

#include "ui/mainform.h"

#include "ui/mainformfixture.h"

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>
#include <gtest/gtest.h>

namespace gaugeloft {
namespace {

bool OnX11Desktop()
{
    return qEnvironmentVariable("GAUGELOFT_X11_TESTS") == QLatin1String("1")
        && QGuiApplication::platformName() == QLatin1String("xcb");
}

struct ReminderOn : LiveOptions {
    bool HideInTaskbar() const override { return false; }
    bool ShowReminder() const override { return true; }
};

// Top-level widgets of a Qt class that are shown.
QList<QWidget*> ShownOfClass(const char* className)
{
    QList<QWidget*> found;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && qstrcmp(widget->metaObject()->className(), className) == 0)
            found.append(widget);
    return found;
}

// The widget the tray host embedded for our icon.
QWidget* EmbeddedTrayIcon()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qstrcmp(widget->metaObject()->className(), "QSystemTrayIconSys") == 0)
            return widget;
    return nullptr;
}

TEST(TraySession, IconMenuAndReminderOnARealTray)
{
    if (!OnX11Desktop())
        GTEST_SKIP() << "needs X11 with a tray host (scripts/desktop-check)";
    ASSERT_TRUE(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 5000));

    MainFormFixture f(Example("desktop.json"));
    TMainForm& w = f.window;
    ReminderOn options;
    w.SetLiveOptions(&options);
    w.KeepInTray = true;
    w.TrayIcon()->show();
    w.Timer1Timer();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    // the icon was embedded with its tooltip
    ASSERT_TRUE(QTest::qWaitFor([] { return EmbeddedTrayIcon() != nullptr; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.TrayIcon()->geometry().isValid(); }, 5000));
    EXPECT_EQ(w.TrayIcon()->toolTip(), QStringLiteral("Gaugeloft"));

    // closing hides into the tray with the reminder balloon, once
    EXPECT_FALSE(w.close());
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(QTest::qWaitFor([] { return !ShownOfClass("QBalloonTip").isEmpty(); }, 3000));
    EXPECT_TRUE(w.ReminderShown());

    // a right click on the icon opens its menu; "Show..." brings the window back
    QWidget* icon = EmbeddedTrayIcon();
    ASSERT_TRUE(icon);
    QTest::mouseClick(icon, Qt::RightButton, {}, icon->rect().center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return TrayMenu(w)->isVisible(); }, 3000));
    TrayMenu(w)->actions().first()->trigger();
    TrayMenu(w)->hide();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.isVisible(); }, 3000));

    // a double click on the icon sends it back to the tray, without a second balloon
    for (QWidget* balloon : ShownOfClass("QBalloonTip"))
        balloon->hide();
    QTest::mouseDClick(icon, Qt::LeftButton, {}, icon->rect().center());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.isVisible(); }, 3000));
    QTest::qWait(300);
    EXPECT_TRUE(ShownOfClass("QBalloonTip").isEmpty());

    // and another shows it again
    QTest::mouseDClick(icon, Qt::LeftButton, {}, icon->rect().center());
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.isVisible(); }, 3000));
}

} // namespace
} // namespace gaugeloft
