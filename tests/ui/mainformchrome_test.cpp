#include "ui/mainform.h"

#include "ui/dashboardarea.h"
#include "ui/launcherpanel.h"
#include "ui/mainformfixture.h"
#include "ui/titlestrip.h"

#include <QFileInfo>
#include <QLabel>
#include <QSystemTrayIcon>
#include <QLayout>
#include <QMenu>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

namespace gaugeloft {
namespace {

int TextWidth(const QLabel* label)
{
    return label->fontMetrics().horizontalAdvance(label->text());
}

struct ShownWindow : MainFormFixture {
    ShownWindow()
        : MainFormFixture(Example("desktop.json"))
    {
        window.Timer1Timer();  // shows the window
        window.move(200, 150);
        QCoreApplication::processEvents();
    }
};

TEST(MainFormChrome, TitleStripLabelsAtTheThreeWidths)
{
    TitleStrip strip;
    strip.SetComputerName(QStringLiteral("WORKSTATION"));
    strip.SetClockText(QStringLiteral("12:30 "));
    strip.show();
    const int c = TextWidth(strip.ComputerLabel());
    const int t = TextWidth(strip.TimeLabel());
    const int s = TextWidth(strip.SensorsLabel());
    const int m = TextWidth(strip.TimeSeparatorLabel());
    struct Case {
        int width;
        bool separators, computer;
    };
    const Case cases[] = {
        {c + t + s + m + 1, true, true},
        {c + t + s + m, false, true},
        {c + t, false, false},
    };
    for (const Case& k : cases) {
        strip.resize(k.width, TitleStrip::kHeight);
        SCOPED_TRACE(k.width);
        EXPECT_EQ(strip.SensorsLabel()->isVisible(), k.separators);
        EXPECT_EQ(strip.TimeSeparatorLabel()->isVisible(), k.separators);
        EXPECT_EQ(strip.ComputerLabel()->isVisible(), k.computer);
        EXPECT_TRUE(strip.TimeLabel()->isVisible());
        EXPECT_EQ(strip.TimeLabel()->geometry().right(), k.width - 1);
        if (k.separators) {
            EXPECT_EQ(strip.SensorsLabel()->x(), c);
            EXPECT_EQ(strip.TimeSeparatorLabel()->geometry().right() + 1, strip.TimeLabel()->x());
        }
    }
}

TEST(MainFormChrome, TreeToggleMovesTheLeftEdgeByTreeAndSplitter)
{
    ShownWindow f;
    TMainForm& w = f.window;
    ASSERT_EQ(TreeView(w)->width(), 149);
    const QRect before = w.geometry();
    const int dashboardLeft = SensorsPanel(w)->mapToGlobal(QPoint(0, 0)).x();

    Launcher(w)->SpeedButton(3)->click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(TreeView(w)->isHidden());
    EXPECT_FALSE(Launcher(w)->SpeedButton(3)->isChecked());
    EXPECT_EQ(w.geometry(), before.adjusted(153, 0, 0, 0));
    EXPECT_EQ(SensorsPanel(w)->mapToGlobal(QPoint(0, 0)).x(), dashboardLeft);

    Launcher(w)->SpeedButton(3)->click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(TreeView(w)->isHidden());
    EXPECT_EQ(w.geometry(), before);
    EXPECT_EQ(TreeView(w)->width(), 149);
    EXPECT_EQ(w.SavedTreeWidth, 149);
}

TEST(MainFormChrome, TogglesOfAHiddenWindowKeepItsBounds)
{
    MainFormFixture f(Example("desktop.json"));
    TMainForm& w = f.window;
    const QRect before = w.geometry();
    w.SpeedButton3Click();
    w.SpeedButton5Click();
    EXPECT_TRUE(TreeView(w)->isHidden());
    EXPECT_TRUE(TopPanel(w)->isHidden());
    EXPECT_EQ(w.geometry(), before);
    EXPECT_FALSE(Launcher(w)->SpeedButton(5)->isChecked());
}

TEST(MainFormChrome, TitleToggleChangesTheHeight)
{
    ShownWindow f;
    TMainForm& w = f.window;
    const QRect before = w.geometry();
    Launcher(w)->SpeedButton(5)->click();
    EXPECT_EQ(w.geometry(), before.adjusted(0, 0, 0, -TitleStrip::kHeight));
    EXPECT_TRUE(SensorsPanel(w)->Timer2().isActive());  // re-arranged after the resize
    EXPECT_TRUE(w.Tiles().ArrangeEnabled);
    Launcher(w)->SpeedButton(5)->click();
    EXPECT_EQ(w.geometry(), before);
}

TEST(MainFormChrome, SplitterDragWidensTheWindow)
{
    ShownWindow f;
    TMainForm& w = f.window;
    w.SavedTreeWidth = 120;  // as if the dashboard file had restored another width first
    const QRect before = w.geometry();
    Splitter(w)->setSizes({169, Splitter(w)->width() - 169 - TMainForm::kSplitterWidth});
    w.Splitter1Moved();
    QCoreApplication::processEvents();
    EXPECT_EQ(w.geometry().width(), before.width() + 169 - 120);
    EXPECT_EQ(w.geometry().left(), before.left());
    EXPECT_EQ(w.SavedTreeWidth, 169);
}

TEST(MainFormChrome, MaximizingRemovesTheFrameAndPressesDoNotMove)
{
    ShownWindow f;
    TMainForm& w = f.window;
    EXPECT_EQ(w.FrameWidth(), TMainForm::kFrameWidth);
    w.MaximizeToggle();
    EXPECT_TRUE(w.isMaximized());
    EXPECT_EQ(w.FrameWidth(), 0);
    EXPECT_EQ(w.layout()->contentsMargins(), QMargins());

    const QPoint at = w.pos();
    QLabel* centre = TopPanel(w)->CentreLabel();
    QTest::mousePress(centre, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(centre, QPoint(60, 40));
    QTest::mouseRelease(centre, Qt::LeftButton, {}, QPoint(60, 40));
    EXPECT_EQ(w.pos(), at);

    w.MaximizeToggle();
    EXPECT_FALSE(w.isMaximized());
    EXPECT_EQ(w.FrameWidth(), TMainForm::kFrameWidth);

    // a double click on the strip's centre maximizes too
    QTest::mouseDClick(centre, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(w.isMaximized());
}

TEST(MainFormChrome, SidePanelMenuAndDoubleClickOnTheDashboard)
{
    ShownWindow f;
    TMainForm& w = f.window;
    w.PopupMenu3Popup();
    const QList<QAction*> items = SidePanelMenu(w)->actions();
    ASSERT_EQ(items.size(), 11);
    EXPECT_EQ(items[0]->text(), QStringLiteral("&Maximized"));
    EXPECT_FALSE(items[0]->isChecked());
    EXPECT_TRUE(items[1]->isChecked());  // title bar
    EXPECT_TRUE(items[3]->isChecked());  // side panel
    EXPECT_TRUE(items[4]->isEnabled());  // location
    EXPECT_EQ(items[6]->text(), QStringLiteral("&Save View"));
    EXPECT_TRUE(items[7]->isSeparator());
    EXPECT_EQ(items[8]->text(), QStringLiteral("Chart &Colour..."));
    EXPECT_TRUE(items[9]->isSeparator());
    EXPECT_EQ(items[10]->text(), QStringLiteral("E&xit"));
    EXPECT_EQ(items[10]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));

    w.SetSidePanelOnRight(true);
    QCoreApplication::processEvents();
    EXPECT_GT(Launcher(w)->x(), SensorsPanel(w)->mapTo(&w, QPoint(0, 0)).x());

    w.SidePanelToggle();
    w.PopupMenu3Popup();
    EXPECT_FALSE(items[3]->isChecked());
    EXPECT_FALSE(items[4]->isEnabled());

    QTest::mouseDClick(SensorsPanel(w)->ScrollBox()->viewport(), Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_FALSE(Launcher(w)->isHidden());
}

TEST(MainFormChrome, DraggingTheStripMovesAWindowWithoutWindowManager)
{
    ShownWindow f;
    TMainForm& w = f.window;
    const QPoint at = w.pos();
    QLabel* computer = TopPanel(w)->ComputerLabel();
    QTest::mousePress(computer, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(computer, QPoint(45, 25));
    QTest::mouseRelease(computer, Qt::LeftButton, {}, QPoint(45, 25));
    // the offscreen platform offers no system move, so the window followed by itself
    EXPECT_EQ(w.pos(), at + QPoint(40, 20));
}

TEST(MainFormChrome, SnapsToTheWorkAreaAfterAMove)
{
    ShownWindow f;
    TMainForm& w = f.window;
    const QRect area = w.screen()->availableGeometry();
    w.move(area.left() + 7, area.top() + 9);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.pos() == area.topLeft(); }, 2000));
    w.move(area.left() + 40, area.top() + 9);  // only the top edge is near
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.pos() == area.topLeft() + QPoint(40, 0); }, 2000));
}

// The chart colour without Alt: the side-panel menu item picks in pen mode.
TEST(MainFormChrome, ChartColourItemPicksThePenColour)
{
    ShownWindow f;
    TMainForm& w = f.window;
    const TColor pen = w.Palette().PenColor;
    ASSERT_NE(pen, w.Palette().TileColor);
    QColor offered;
    f.desktop.pickColor = [&](const QColor& initial) -> std::optional<QColor> {
        offered = initial;
        return QColor(0x10, 0x80, 0x20);
    };
    w.PopupMenu3Popup();
    SidePanelMenu(w)->actions().at(8)->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(offered, ToQColor(pen));
    EXPECT_TRUE(w.Theme().CustomThemeActive);
    EXPECT_EQ(w.Palette().PenColor, RgbColor(0x10, 0x80, 0x20));
}

// Keys of the window: Ctrl+S saves, F5 detects anew, Ctrl+Q quits as the tray's Exit does.
TEST(MainFormChrome, KeyboardSavesDetectsAndQuits)
{
    ShownWindow f;
    TMainForm& w = f.window;
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    const QString saved = DashboardFileName(w.DashboardLocation(), true);
    ASSERT_FALSE(QFileInfo::exists(saved));
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(QFileInfo::exists(saved));

    w.FillDemoTiles(3);
    ASSERT_EQ(w.Tiles().Count(), 3);
    w.Tree().Clear();
    QTest::keyClick(&w, Qt::Key_F5);
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.Tree().IsEmpty()) << "detected again";

    QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.TrayIcon()->isVisible());
}

} // namespace
} // namespace gaugeloft
