#include "ui/mainform.h"

#include "ui/mainformfixture.h"

#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include <vector>

namespace gaugeloft {
namespace {

std::vector<int> BarPositions(TMainForm& window)
{
    std::vector<int> positions;
    for (int i = 0; i < window.Tiles().Count(); ++i)
        positions.push_back(window.Tiles().At(i).ProgressBar1.Position());
    return positions;
}

TEST(MainFormAnimation, TheTimerRunsOnlyWhileABarMoves)
{
    MainFormFixture f(Example("desktop.json"));  // readings that never change
    TMainForm& w = f.window;
    w.Timer1Timer();
    w.FillDemoTiles(8);
    w.Timer1Timer();
    ASSERT_GT(w.AnimationSteps(), 1);
    EXPECT_TRUE(Timer3(w).isActive()) << "the bars head for their first readings";
    for (int step = 0; step < w.AnimationSteps(); ++step)
        w.Timers().Timer3Timer();
    const std::vector<int> arrived = BarPositions(w);

    w.Timer1Timer();
    EXPECT_FALSE(w.Tiles().AnyTileAnimating());
    EXPECT_FALSE(Timer3(w).isActive()) << "every bar stands at its reading";
    w.Timers().Timer3Timer();
    EXPECT_EQ(BarPositions(w), arrived) << "a step then moves nothing";

    // a tile that gets a sensor starts its bar at once, between two polls
    const int empty = w.Tiles().AddTile(-1);
    for (int position = 0; position < w.Tree().NodeCount(); ++position) {
        TreeNode* node = w.Tree().NodeAt(position);
        if (node->Data() && node->ImageIndex() == kSensorIcon) {
            w.Tree().RememberNode(node);
            break;
        }
    }
    TSensorFrame& tile = w.Tiles().At(empty);
    w.Tiles().Assign(tile);
    tile.OnChangeDisplayType(dtText, false);
    EXPECT_FALSE(tile.Animating()) << "a text tile takes no steps";
    EXPECT_FALSE(Timer3(w).isActive());
    tile.OnChangeDisplayType(dtProgress, false);
    EXPECT_TRUE(tile.Animating());
    EXPECT_TRUE(Timer3(w).isActive());

    // nothing shown, nothing stepped by the timer: only the poll runs
    w.hide();
    w.Timers().Timer3Timer();
    EXPECT_FALSE(Timer3(w).isActive());
    w.Timer1Timer();
    EXPECT_TRUE(Timer1(w).isActive());
    EXPECT_FALSE(Timer3(w).isActive());
    w.show();
    EXPECT_TRUE(Timer3(w).isActive()) << "shown again, the bar goes on";
}

TEST(MainFormAnimation, AHiddenWindowTakesTheStepsItSkippedBeforeTheNextPoll)
{
    MainFormFixture f(Example("desktop.json"));
    TMainForm& w = f.window;
    w.Timer1Timer();
    w.FillDemoTiles(8);
    w.hide();
    w.Timer1Timer();  // new targets from zero, while hidden
    ASSERT_FALSE(Timer3(w).isActive());
    const std::vector<int> start = BarPositions(w);
    QTest::qWait(Timer3(w).interval() * 3 + 10);
    w.show();  // the steps that fell due are taken now
    EXPECT_NE(BarPositions(w), start);
}

} // namespace
} // namespace gaugeloft
