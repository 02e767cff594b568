#include "dashboard/tilefixture.h"

#include "platform/numberformat.h"

#include <gtest/gtest.h>

namespace gaugeloft {
namespace {

using testing::TileWorld;

std::vector<std::pair<int, int>> Points(const std::vector<TilePlacement>& places)
{
    std::vector<std::pair<int, int>> points;
    for (const TilePlacement& p : places)
        points.emplace_back(p.Left, p.Top);
    return points;
}

class TileListTest : public ::testing::Test {
protected:
    TileListTest() { NumberLocale::SetCurrent(NumberLocale {}); }

    void AddTiles(int count)
    {
        for (int i = 0; i < count; ++i)
            world.tiles.AddTile(-1);
    }

    TileWorld world;
    TTileList& tiles = world.tiles;
    testing::FakeTileView& view = world.view;
};

TEST_F(TileListTest, ArrangementGrid)
{
    struct Case {
        int tiles, width, height;
        int columns, margin, top;
        bool bar;
    };
    const Case cases[] = {
        {5, 400, 300, 3, 8, 22, false},
        {5, 383, 300, 2, 63, 0, true},
        {1, 400, 300, 3, 8, 86, false},
        {20, 400, 300, 2, 8, 0, true},  // the bar would take the third column's room
        {20, 417, 300, 3, 16, 0, true},  // room for three columns beside the bar
        {3, 100, 500, 0, 50, 250, true},  // narrower than a tile: one column, top from no rows
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 tiles in %2 x %3").arg(c.tiles).arg(c.width).arg(c.height).toStdString());
        TileWorld w;
        w.view.geometry = {c.width, c.height, false, 17, 0};
        for (int i = 0; i < c.tiles; ++i)
            w.tiles.AddTile(-1);
        EXPECT_EQ(w.tiles.TopMargin(), c.top);
        w.tiles.Timer2Timer();
        ASSERT_EQ(w.view.arrangements, 1);
        ASSERT_EQ(int(w.view.places.size()), c.tiles);
        for (int i = 0; i < c.tiles; ++i) {
            const int column = c.columns == 0 ? 0 : i % c.columns;
            const int row = c.columns == 0 ? i : i / c.columns;
            EXPECT_EQ(w.view.places[size_t(i)].Left, column * 128 + c.margin) << i;
            EXPECT_EQ(w.view.places[size_t(i)].Top, row * 128 + c.top) << i;
        }
        EXPECT_EQ(w.view.barVisible, c.bar);
        EXPECT_EQ(w.tiles.LastColumns, c.columns);
        EXPECT_EQ(w.tiles.LastMargin, c.margin);
        EXPECT_EQ(w.tiles.LastTop, c.top);
        EXPECT_EQ(w.tiles.LastCount, c.tiles);
    }
}

TEST_F(TileListTest, FiveTilesInFourHundredByThreeHundred)
{
    AddTiles(5);
    tiles.Timer2Timer();
    EXPECT_EQ(Points(view.places),
              (std::vector<std::pair<int, int>> {{8, 22}, {136, 22}, {264, 22}, {8, 150}, {136, 150}}));
    // nothing changed: nothing moves
    tiles.Timer2Timer();
    EXPECT_EQ(view.arrangements, 1);
    view.geometry.ScrollPosition = 0;
    tiles.ForgetArrangement();
    tiles.Timer2Timer();
    EXPECT_EQ(view.arrangements, 2);
    tiles.ArrangeEnabled = false;
    tiles.LastColumns = -1;
    tiles.Timer2Timer();
    EXPECT_EQ(view.arrangements, 2);
}

TEST_F(TileListTest, ScrollBarComingAndGoing)
{
    // four columns, then the window narrows to three while the rows outgrow the height
    view.geometry = {520, 300, false, 17, 0};
    AddTiles(7);
    tiles.Timer2Timer();
    EXPECT_EQ(tiles.LastColumns, 4);
    view.geometry.ClientWidth = 400;
    tiles.Timer2Timer();
    EXPECT_EQ(tiles.LastColumns, 2);  // the coming bar takes a column first
    EXPECT_TRUE(view.barVisible);
    EXPECT_EQ(tiles.LastMargin, 8);

    // the bar shows; tiles go until two columns hold them: the bar's width comes back
    while (tiles.Count() > 4)
        tiles.RemoveTile(tiles.At(tiles.Count() - 1));
    view.geometry = {383, 300, true, 17, 0};
    tiles.Timer2Timer();
    EXPECT_EQ(tiles.LastColumns, 3);
    EXPECT_FALSE(view.barVisible);
    EXPECT_EQ(tiles.LastMargin, 63);  // from the width the pass started with

    // the scroll position is subtracted from the tops
    view.geometry = {400, 300, true, 17, 200};
    tiles.ForgetArrangement();
    tiles.Timer2Timer();
    EXPECT_EQ(view.places[0].Top, tiles.TopMargin() - 200);
}

TEST_F(TileListTest, AddTileAppendsOrInserts)
{
    AddTiles(4);
    ASSERT_EQ(view.created.size(), 4u);
    EXPECT_EQ(world.Numbers(), (std::vector<int> {1, 2, 3, 4}));
    EXPECT_EQ(tiles.TileCounter, 4);
    const auto& fourth = view.created[3];
    EXPECT_TRUE(fourth.visible);
    // placed after three tiles, with the top margin of three tiles (one row)
    EXPECT_EQ(fourth.place.Left, 8);
    EXPECT_EQ(fourth.place.Top, 86 + 128);
    EXPECT_EQ(view.scrolled, (std::vector<int> {1, 2, 3, 4}));
    EXPECT_EQ(view.timerRestarts, 0);
    EXPECT_EQ(fourth.tile->Title.Text, "4");
    EXPECT_EQ(fourth.tile->BodyColor, world.host.palette.TileColor);
    EXPECT_TRUE(fourth.tile->ShowsEmptyGreen());

    // Insert on the first tile: first in the list, hidden until the arrangement shows it
    EXPECT_EQ(tiles.AddTile(1), 0);
    EXPECT_EQ(world.Numbers(), (std::vector<int> {5, 1, 2, 3, 4}));
    EXPECT_FALSE(view.created.back().visible);
    EXPECT_TRUE(view.timerActive);
    EXPECT_EQ(view.scrolled.size(), 4u);
    // appending while the timer runs hides the tile too
    EXPECT_EQ(tiles.AddTile(-1), 5);
    EXPECT_FALSE(view.created.back().visible);

    // a dashboard narrower than a tile places it in one column at the margin
    view.geometry.ClientWidth = 100;
    tiles.AddTile(-1);
    EXPECT_EQ(view.created.back().place.Left, 50);
}

TEST_F(TileListTest, RemovingTiles)
{
    AddTiles(1);
    tiles.RemoveTile(tiles.At(0));
    EXPECT_EQ(world.Numbers(), std::vector<int> {2});
    EXPECT_EQ(view.removed, std::vector<int> {1});
    EXPECT_TRUE(tiles.At(0).IsEmpty());

    TileWorld ten;
    for (int i = 0; i < 10; ++i)
        ten.tiles.AddTile(-1);
    ten.tiles.RemoveAll();
    EXPECT_EQ(ten.Numbers(), std::vector<int> {11});
    EXPECT_EQ(ten.view.removed, (std::vector<int> {10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
}

TEST_F(TileListTest, RemovingABoundTileFreesItsSensor)
{
    TreeNode* cpu = world.host.AddHardware("CPU", "/cpu/0");
    world.host.AddSensor(cpu, "CPU Total", "/cpu/0/load/0", "Load", 45, 0, 100);
    TreeNode* node = world.host.Node("/cpu/0/load/0");
    AddTiles(2);
    tiles.At(1).BindSensor("/cpu/0/load/0");
    EXPECT_EQ(node->ImageIndex(), kSensorOnDashboardIcon);
    EXPECT_EQ(tiles.FindTileBySensor("/CPU/0/LOAD/0"), 1);
    EXPECT_EQ(tiles.FindEmptyTile(), 0);
    tiles.RemoveTile(tiles.At(1));
    EXPECT_EQ(node->ImageIndex(), kSensorIcon);
    EXPECT_EQ(tiles.FindTileBySensor("/cpu/0/load/0"), -1);
}

TEST_F(TileListTest, DragAndDropSwapsTwoTiles)
{
    AddTiles(3);  // A, B, C
    TSensorFrame& a = tiles.At(0);
    TSensorFrame& c = tiles.At(2);
    const ThemePalette& palette = world.host.palette;
    tiles.TileMousePress(a, {10, 10});
    EXPECT_EQ(tiles.DragSourceTile, a.TileNumber);
    EXPECT_FALSE(tiles.TileMouseMove(a, {42, 42}));  // 32 pixels: not yet
    EXPECT_TRUE(tiles.TileMouseMove(a, {43, 10}));
    EXPECT_EQ(a.BodyColor, palette.HighlightColor);
    EXPECT_EQ(tiles.HighlightedTile, 0);  // the source's colour is not recorded

    EXPECT_FALSE(tiles.TileDragOver(a));
    EXPECT_TRUE(tiles.TileDragOver(tiles.At(1)));
    EXPECT_TRUE(tiles.TileDragOver(c));
    EXPECT_EQ(c.BodyColor, palette.DropColor);
    EXPECT_EQ(tiles.At(1).BodyColor, palette.TileColor);
    EXPECT_EQ(tiles.HighlightedTile, c.TileNumber);

    tiles.TileDragDrop(c);
    EXPECT_EQ(world.Numbers(), (std::vector<int> {3, 2, 1}));
    EXPECT_EQ(tiles.LastColumns, -1);
    EXPECT_TRUE(view.timerActive);
    tiles.TileEndDrag(a);
    EXPECT_EQ(a.BodyColor, palette.TileColor);
    EXPECT_EQ(c.BodyColor, palette.TileColor);
    EXPECT_EQ(tiles.HighlightedTile, 0);
    EXPECT_EQ(tiles.DragSourceTile, 0);
}

TEST_F(TileListTest, ShortDragsStartNothing)
{
    AddTiles(2);
    TSensorFrame& a = tiles.At(0);
    tiles.TileMousePress(a, {50, 50});
    for (QPoint p : {QPoint(82, 50), QPoint(18, 82), QPoint(50, 18)})
        EXPECT_FALSE(tiles.TileMouseMove(a, p)) << p.x() << "," << p.y();
    tiles.TileMouseRelease();
    EXPECT_EQ(tiles.DragSourceTile, 0);
    EXPECT_FALSE(tiles.TileMouseMove(a, {200, 200}));  // no press, no drag
    EXPECT_FALSE(tiles.TileDragOver(tiles.At(1)));
    tiles.TileDragDrop(tiles.At(1));
    EXPECT_EQ(world.Numbers(), (std::vector<int> {1, 2}));
}

TEST_F(TileListTest, OneHighlightAtATime)
{
    AddTiles(3);
    const ThemePalette& palette = world.host.palette;
    tiles.Highlight(tiles.At(0), palette.HighlightColor);
    tiles.Highlight(tiles.At(2), palette.DropColor);
    EXPECT_EQ(tiles.At(0).BodyColor, palette.TileColor);
    EXPECT_EQ(tiles.At(2).BodyColor, palette.DropColor);
    EXPECT_EQ(tiles.HighlightedTile, 3);
    tiles.UnhighlightTile(2);  // not the recorded one
    EXPECT_EQ(tiles.HighlightedTile, 3);
    tiles.UnhighlightAll();
    EXPECT_EQ(tiles.At(2).BodyColor, palette.TileColor);
    EXPECT_EQ(tiles.HighlightedTile, 0);
}

TEST_F(TileListTest, ClickOnAnEmptyTileFillsItFromTheTree)
{
    TreeNode* cpu = world.host.AddHardware("CPU", "/cpu/0");
    world.host.AddSensor(cpu, "CPU Total", "/cpu/0/load/0", "Load", 45, 0, 100);
    AddTiles(1);
    TSensorFrame& tile = tiles.At(0);
    world.host.current = world.host.Node("/cpu/0/load/0");
    tiles.TileClicked(tile);
    EXPECT_EQ(tile.SensorId, "/cpu/0/load/0");
    EXPECT_EQ(tile.DisplayType, dtProgress);  // "45%"
    EXPECT_EQ(tile.Value.Background, world.host.palette.ValueBackColor);
    EXPECT_EQ(tiles.Count(), 2);  // an empty tile stays available
    EXPECT_TRUE(tiles.At(1).IsEmpty());

    // Replace disabled at the last menu opening: the click only keeps an empty tile
    TSensorFrame& second = tiles.At(1);
    world.host.selected = nullptr;
    second.PopupMenu1Popup();
    world.host.AddSensor(cpu, "CPU Package", "/cpu/0/load/1", "Load", 50, 0, 100);
    world.host.current = world.host.Node("/cpu/0/load/1");
    tiles.TileClicked(second);
    EXPECT_TRUE(second.IsEmpty());
    EXPECT_EQ(tiles.Count(), 2);
}

TEST_F(TileListTest, AnimationTickMovesOnlyAnimatedTypes)
{
    TreeNode* cpu = world.host.AddHardware("CPU", "/cpu/0");
    world.host.AddSensor(cpu, "CPU Total", "/cpu/0/load/0", "Load", 40, 0, 100);
    const std::uint8_t types[] = {dtText, dtProgress, dtMinMax, dtChart, dtPie, dtBar, dtMultiBars};
    for (std::uint8_t type : types) {
        const int position = tiles.AddTile(-1);
        TSensorFrame& tile = tiles.At(position);
        tile.BindSensor("/cpu/0/load/0");
        tile.SetDisplayType(type);
    }
    tiles.RefreshAll(false);  // every tile animates from 0 toward 4000
    tiles.Timer3Timer();
    for (int i = 0; i < tiles.Count(); ++i) {
        const bool animated = i == 1 || i >= 4;
        EXPECT_EQ(tiles.At(i).ProgressBar1.Position(), animated ? 1000 : 0) << i;
    }
    EXPECT_EQ(tiles.At(4).Series1[1].Value, 1000);  // the pie follows
    EXPECT_EQ(tiles.At(5).Series2[0].Value, 1000);
}

// Removing the only tile leaves a new empty one in its place, created hidden while the
// arrangement is pending: the arrangement shows it though the grid is as it was.
TEST_F(TileListTest, TheNewTileAfterRemovingTheLastOneIsShownByTheArrangement)
{
    TSensorFrame& only = tiles.At(tiles.AddTile(-1));
    world.view.timerActive = false;
    tiles.Timer2Timer();
    const int before = world.view.arrangements;
    tiles.RemoveTile(only);
    ASSERT_EQ(tiles.Count(), 1);
    ASSERT_FALSE(world.view.created.back().visible) << "waits for the arrangement";
    world.view.timerActive = false;
    tiles.Timer2Timer();
    EXPECT_EQ(world.view.arrangements, before + 1) << "placed and shown";
    tiles.Timer2Timer();
    EXPECT_EQ(world.view.arrangements, before + 1) << "then nothing moves";
}

} // namespace
} // namespace gaugeloft
