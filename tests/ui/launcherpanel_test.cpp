#include "ui/launcherpanel.h"

#include <QApplication>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace gaugeloft {
namespace {

// A keyboard user sees which side-panel button the focus is on.
TEST(LauncherPanel, TheFocusedButtonIsMarked)
{
    LauncherPanel panel;
    panel.resize(LauncherPanel::kWidth, 360);
    panel.show();
    panel.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    QToolButton* button = panel.SpeedButton(8);
    const QPoint beside = button->geometry().topLeft() + QPoint(-2, button->height() / 2);
    const QImage before = panel.grab().toImage();
    button->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(button->hasFocus());
    const QImage focused = panel.grab().toImage();
    EXPECT_NE(before.pixel(beside), focused.pixel(beside)) << "a mark around the button";
    button->clearFocus();
    EXPECT_EQ(panel.grab().toImage().pixel(beside), before.pixel(beside));
}

} // namespace
} // namespace gaugeloft
