#include "dashboard/windowchrome.h"

#include <gtest/gtest.h>

namespace gaugeloft {
namespace {

TEST(WindowChrome, TitleStripShowsWhatFits)
{
    // computer 100, clock 60, separators 50 and 40: all four need 250, name and clock 160
    struct Case {
        int width;
        bool separators, computer;
    };
    const Case cases[] = {
        {251, true, true}, {250, false, true}, {161, false, true}, {160, false, false}, {20, false, false},
    };
    for (const Case& c : cases) {
        const TitleStripVisibility v = TitleStripRule(100, 60, 50, 40, c.width);
        EXPECT_EQ(v.Separators, c.separators) << c.width;
        EXPECT_EQ(v.Computer, c.computer) << c.width;
    }
}

TEST(WindowChrome, TreeToggleKeepsTheDashboardInPlace)
{
    const QRect window(300, 200, 788, 445);
    const QRect hidden = BoundsAfterTreeToggle(window, 149, 4, false);
    EXPECT_EQ(hidden, QRect(453, 200, 635, 445));  // 153 px right and narrower
    EXPECT_EQ(hidden.right(), window.right());
    EXPECT_EQ(BoundsAfterTreeToggle(hidden, 149, 4, true), window);
}

TEST(WindowChrome, TitleToggleAndSplitterResizeTheWindow)
{
    const QRect window(10, 20, 788, 445);
    EXPECT_EQ(BoundsAfterTitleToggle(window, 36, false), QRect(10, 20, 788, 409));
    EXPECT_EQ(BoundsAfterTitleToggle(BoundsAfterTitleToggle(window, 36, false), 36, true), window);
    EXPECT_EQ(BoundsAfterSplitterMove(window, 169, 149), QRect(10, 20, 808, 445));
    EXPECT_EQ(BoundsAfterSplitterMove(window, 100, 149), QRect(10, 20, 739, 445));
}

TEST(WindowChrome, SnapsEdgesWithinTenPixels)
{
    const QRect area(0, 0, 1920, 1050);  // a panel below
    struct Case {
        QPoint at;
        QPoint snapped;
    };
    const QSize size(800, 450);
    const Case cases[] = {
        {{10, 10}, {0, 0}},
        {{-10, -7}, {0, 0}},
        {{11, 11}, {11, 11}},
        {{1115, 595}, {1120, 600}},  // right and bottom edges
        {{500, 300}, {500, 300}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SnapToWorkArea(QRect(c.at, size), area), c.snapped) << c.at.x() << "," << c.at.y();
}

TEST(WindowChrome, SizingFrameEdges)
{
    const QSize size(800, 450);
    struct Case {
        QPoint at;
        Qt::Edges edges;
    };
    const Case cases[] = {
        {{400, 200}, {}},
        {{1, 200}, Qt::LeftEdge},
        {{799, 200}, Qt::RightEdge},
        {{400, 0}, Qt::TopEdge},
        {{400, 449}, Qt::BottomEdge},
        {{0, 0}, Qt::LeftEdge | Qt::TopEdge},
        {{10, 1}, Qt::LeftEdge | Qt::TopEdge},   // along the top, near the corner
        {{798, 445}, Qt::RightEdge | Qt::BottomEdge},
        {{1, 440}, Qt::LeftEdge | Qt::BottomEdge},
        {{800, 200}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SizingEdgesAt(size, c.at, 4), c.edges) << c.at.x() << "," << c.at.y();
    EXPECT_EQ(SizingEdgesAt(size, {0, 0}, 0), Qt::Edges());  // maximized: no frame
}

} // namespace
} // namespace gaugeloft
