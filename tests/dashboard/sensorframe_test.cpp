#include "dashboard/tilefixture.h"

#include "platform/numberformat.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <optional>

namespace gaugeloft {
namespace {

using testing::TileWorld;

class SensorFrameTest : public ::testing::Test {
protected:
    SensorFrameTest()
    {
        NumberLocale::SetCurrent(NumberLocale {});
        cpu = world.host.AddHardware("Intel Core i7", "/intelcpu/0");
    }

    // A fresh tile at the end of the dashboard, bound to `identifier` when given.
    TSensorFrame& NewTile(const QString& identifier = {})
    {
        TSensorFrame& tile = world.tiles.At(world.tiles.AddTile(-1));
        if (!identifier.isEmpty())
            tile.BindSensor(identifier);
        return tile;
    }

    TileWorld world;
    TreeNode* cpu = nullptr;
};

TEST_F(SensorFrameTest, ScaleFactorAndBarRange)
{
    struct Case {
        const char* type;
        double min, max, value;
        bool fahrenheit;
        int scale, barMin, barMax;
        std::optional<QString> minText, maxText;
    };
    const Case cases[] = {
        {"Temperature", 35, 70, 50, false, 100, 0, 10000, {}, {}},
        {"Temperature", 95, 158, 122, true, 100, 3200, 21200, {}, {}},
        {"Load", 0, 100, 50, false, 100, 0, 10000, {}, {}},
        {"Voltage", 1.0, 1.4, 1.2, false, 1000, 1000, 1400, {}, {}},
        {"Voltage", 0, 0, 0, false, 1000, 0, 0, {}, {}},
        {"Fan", 800, 2000, 1200, false, 1, 800, 2000, QString(" 800"), QString("2,000 ")},
        {"Clock", 800, 4000, 3600, false, 1, 800, 4000, QString(" 800"), QString("4 ")},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 %2..%3").arg(c.type).arg(c.min).arg(c.max).toStdString());
        const QString id = QStringLiteral("/intelcpu/0/s/%1").arg(n++);
        world.host.fahrenheit = c.fahrenheit;
        world.host.AddSensor(cpu, "Sensor", id, c.type, c.value, c.min, c.max);
        TSensorFrame& tile = NewTile(id);
        EXPECT_EQ(tile.ScaleFactor, c.scale);
        EXPECT_EQ(tile.ProgressBar1.Min(), c.barMin);
        EXPECT_EQ(tile.ProgressBar1.Max(), c.barMax);
        if (c.minText) {
            EXPECT_EQ(tile.MinText.Text, *c.minText);
        }
        if (c.maxText) {
            EXPECT_EQ(tile.MaxText.Text, *c.maxText);
        }
        EXPECT_EQ(tile.ShowsFahrenheit, c.fahrenheit);
        // the history is kept in Celsius
        EXPECT_DOUBLE_EQ(tile.History[0], c.fahrenheit ? (c.value - 32) * 5 / 9 : c.value);
        EXPECT_EQ(tile.HistoryNext, 1);
    }
    EXPECT_TRUE(world.host.captions.isEmpty()) << world.host.captions.join('|').toStdString();
}

TEST_F(SensorFrameTest, LiveLookAndRecordFlags)
{
    TSensorData& r = world.host.AddSensor(cpu, "CPU Core #2", "/intelcpu/0/temperature/1", "Temperature",
                                          45.25, 30, 80);
    TSensorFrame& tile = NewTile("/intelcpu/0/temperature/1");
    EXPECT_EQ(tile.Value.Text, "45.3 'C");
    EXPECT_EQ(tile.Value.Background, world.host.palette.ValueBackColor);
    EXPECT_EQ(tile.Title.Text, "CPU Core #2");
    EXPECT_EQ(tile.Subtitle.Text, "Intel Core i7");
    EXPECT_TRUE(tile.Subtitle.Visible);
    EXPECT_EQ(tile.MinText.Text, " 30.0 'C");
    EXPECT_EQ(tile.PeerMark, 9);
    EXPECT_TRUE(r.SingleLine);
    EXPECT_FALSE(r.BareNumber);

    tile.SetCustomName("Hot");
    EXPECT_EQ(tile.Subtitle.Text, "Hot");
    tile.RefreshTile();
    EXPECT_EQ(tile.Subtitle.Text, "Hot");
    tile.SetCustomName("");
    EXPECT_EQ(tile.Subtitle.Text, "Intel Core i7");

    r.Parent = "/gone";
    tile.RefreshTile();
    EXPECT_FALSE(tile.Subtitle.Visible);
    EXPECT_TRUE(tile.DefaultSubtitle.isEmpty());
}

TEST_F(SensorFrameTest, TitlesOfPeers)
{
    world.host.AddSensor(cpu, "CPU Core #2", "/intelcpu/0/load/2", "Load", 40, 0, 100);
    world.host.AddSensor(cpu, "Core#1", "/intelcpu/0/load/9", "Load", 40, 0, 100);
    TSensorFrame& tile = NewTile("/intelcpu/0/load/2");
    for (std::uint8_t type : {dtText, dtProgress, dtPie, dtBar}) {
        tile.SetDisplayType(type);
        tile.RefreshTile();
        EXPECT_EQ(tile.Title.Text, "CPU Core #2") << int(type);
    }
    tile.SetDisplayType(dtMultiBars);
    tile.RefreshTile();
    EXPECT_EQ(tile.Title.Text, "CPU Cores");
    EXPECT_TRUE(tile.PopupMenu1Popup().ShowPeersEnabled);

    TSensorFrame& other = NewTile("/intelcpu/0/load/9");
    EXPECT_EQ(other.PeerMark, 0);
    const TileMenuState state = other.PopupMenu1Popup();
    EXPECT_FALSE(state.ShowPeersEnabled);
    // Bar stays Bar without peers, even with the check mark set
    EXPECT_EQ(other.OnChangeDisplayType(dtBar, true), dtBar);
}

TEST_F(SensorFrameTest, ShowPeersSwitchesBetweenBarAndMultiBars)
{
    world.host.AddSensor(cpu, "CPU Core #1", "/intelcpu/0/load/1", "Load", 40, 0, 100);
    TSensorFrame& tile = NewTile("/intelcpu/0/load/1");
    struct Step {
        int tag;
        bool checked;
        int type;
    };
    const Step steps[] = {{dtBar, false, dtBar}, {6, true, dtMultiBars}, {dtBar, true, dtMultiBars},
        {6, false, dtBar}, {dtPie, false, dtPie}, {dtText, true, dtText}};
    for (const Step& s : steps)
        EXPECT_EQ(tile.OnChangeDisplayType(s.tag, s.checked), s.type) << s.tag << s.checked;
    tile.SetDisplayType(dtMultiBars);
    const TileMenuState state = tile.PopupMenu1Popup();
    EXPECT_TRUE(state.ShowPeersChecked);
    EXPECT_EQ(state.CheckedType, dtBar);
}

TEST_F(SensorFrameTest, AutoSelectDisplayType)
{
    struct Case {
        std::uint8_t from;
        const char* text;
        std::uint8_t to;
    };
    const Case cases[] = {
        {dtText, "45%", dtProgress},
        {dtText, "1.5 KB/s", dtChart},
        {dtText, "5%/s", dtChart},  // the later rule wins
        {dtText, "3.60 GHz", dtText},
        {dtText, "...", dtText},
        {dtText, "+", dtText},
        {dtProgress, "1.5 KB/s", dtProgress},
        {dtMinMax, "45%", dtMinMax},
    };
    for (const Case& c : cases) {
        TSensorFrame& tile = NewTile();
        tile.SetDisplayType(c.from);
        tile.Value.Text = c.text;
        tile.AutoSelectDisplayType();
        EXPECT_EQ(tile.DisplayType, c.to) << c.text;
    }

    // the same through the refresh of real readings
    world.host.AddSensor(cpu, "CPU Total", "/intelcpu/0/load/0", "Load", 45, 0, 100);
    world.host.AddSensor(cpu, "Upload", "/intelcpu/0/throughput/0", "Throughput", 1536, 0, 10240);
    TSensorFrame& load = NewTile("/intelcpu/0/load/0");
    TSensorFrame& speed = NewTile("/intelcpu/0/throughput/0");
    EXPECT_EQ(load.Value.Text, "45%");
    EXPECT_EQ(speed.Value.Text, "1.5 KB/s");
    world.tiles.RefreshAll(true);
    EXPECT_EQ(load.DisplayType, dtProgress);
    EXPECT_EQ(speed.DisplayType, dtChart);
}

TEST_F(SensorFrameTest, DisplayTypeParts)
{
    struct Case {
        std::uint8_t type;
        bool value, details;
        int height;
        bool minMax, progress, chartArea, chart, pie, bars, bitmap;
    };
    const Case cases[] = {
        {dtProgress, true, true, 19, false, true, false, false, false, false, false},
        {dtMinMax, true, true, 19, true, false, false, false, false, false, false},
        {dtChart, true, true, 52, false, false, true, false, false, false, true},
        {dtPie, false, true, 89, false, false, false, true, true, false, false},
        {dtBar, false, true, 89, false, false, false, true, false, true, false},
        {dtMultiBars, false, true, 89, false, false, false, true, false, true, false},
        {dtText, true, false, 89, false, false, false, false, false, true, false},
    };
    TSensorFrame& tile = NewTile();
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.type));
        tile.SetDisplayType(c.type);
        EXPECT_EQ(tile.Value.Visible, c.value);
        EXPECT_EQ(tile.DetailsVisible, c.details);
        EXPECT_EQ(tile.DetailsHeight, c.height);
        EXPECT_EQ(tile.MinText.Visible, c.minMax);
        EXPECT_EQ(tile.ArrowsVisible, c.minMax);
        EXPECT_EQ(tile.ProgressVisible, c.progress);
        EXPECT_EQ(tile.ChartAreaVisible, c.chartArea);
        EXPECT_EQ(tile.ChartVisible, c.chart);
        EXPECT_EQ(tile.PieActive, c.pie);
        EXPECT_EQ(tile.BarsActive, c.bars);
        EXPECT_EQ(tile.ChartBitmap != nullptr, c.bitmap);
    }
    tile.SetDisplayType(dtChart);
    ASSERT_TRUE(tile.ChartBitmap);
    EXPECT_EQ(tile.ChartBitmap->size(), QSize(118, 46));
    // an unknown number hides the value label and keeps the rest
    tile.SetDisplayType(9);
    EXPECT_FALSE(tile.Value.Visible);
    EXPECT_TRUE(tile.ChartAreaVisible);
}

TEST_F(SensorFrameTest, EmptyTileMenu)
{
    TSensorFrame& tile = NewTile();
    const TileMenuState state = tile.PopupMenu1Popup();
    EXPECT_FALSE(state.TextEnabled);
    EXPECT_FALSE(state.ProgressEnabled);
    EXPECT_FALSE(state.MinMaxEnabled);
    EXPECT_FALSE(state.ChartEnabled);
    EXPECT_TRUE(state.PieEnabled);
    EXPECT_TRUE(state.BarEnabled);
    EXPECT_FALSE(state.ShowPeersEnabled);
    EXPECT_FALSE(state.ShowPeersChecked);
    EXPECT_EQ(state.CheckedType, dtText);
    EXPECT_FALSE(state.ReplaceEnabled);
    EXPECT_FALSE(tile.ReplaceItemEnabled());

    world.host.AddSensor(cpu, "CPU Total", "/intelcpu/0/load/0", "Load", 45, 0, 100);
    world.host.selected = world.host.Node("/intelcpu/0/load/0");
    EXPECT_TRUE(tile.PopupMenu1Popup().ReplaceEnabled);
    world.host.selected = cpu;  // hardware: a record, but no sensor icon
    EXPECT_FALSE(tile.PopupMenu1Popup().ReplaceEnabled);
}

TEST_F(SensorFrameTest, StatesAndTreeIcons)
{
    world.host.AddSensor(cpu, "CPU Total", "/intelcpu/0/load/0", "Load", 45, 0, 100);
    world.host.AddSensor(cpu, "CPU Package", "/intelcpu/0/load/1", "Load", 50, 0, 100);
    TreeNode* node = world.host.Node("/intelcpu/0/load/0");
    TSensorFrame& tile = NewTile();
    EXPECT_TRUE(tile.IsEmpty());
    EXPECT_EQ(tile.Title.Text, QString::number(tile.TileNumber));
    EXPECT_EQ(tile.Subtitle.Text, "(empty)");

    tile.BindSensor("/intelcpu/0/load/0");  // empty -> live
    EXPECT_EQ(node->ImageIndex(), kSensorOnDashboardIcon);
    EXPECT_EQ(tile.Value.Text, "45%");
    EXPECT_FALSE(tile.ShowsEmptyGreen());

    // the same identifier in other letter case does nothing
    tile.Value.Text = "marker";
    tile.BindSensor("/INTELCPU/0/LOAD/0");
    EXPECT_EQ(tile.SensorId, "/intelcpu/0/load/0");
    EXPECT_EQ(tile.Value.Text, "marker");

    world.host.tree.Delete(node);  // live -> waiting
    tile.RefreshTile();
    EXPECT_EQ(tile.Value.Text, "...");
    EXPECT_EQ(tile.Subtitle.Text, "(waiting)");
    EXPECT_EQ(tile.Title.Text, "CPU Total");
    EXPECT_TRUE(tile.ShowsEmptyGreen());
    EXPECT_FALSE(tile.IsEmpty());

    world.host.AddSensor(cpu, "CPU Total", "/intelcpu/0/load/0", "Load", 47, 0, 100);
    tile.RefreshTile();  // waiting -> live
    EXPECT_EQ(tile.Value.Text, "47%");
    EXPECT_EQ(tile.Subtitle.Text, "Intel Core i7");

    // another sensor: the old icon goes back, the tile resets and shows the new one
    node = world.host.Node("/intelcpu/0/load/0");
    world.host.tree.SetImageIndex(node, kSensorOnDashboardIcon);
    tile.SetDisplayType(dtProgress);
    tile.BindSensor("/intelcpu/0/load/1");
    EXPECT_EQ(node->ImageIndex(), kSensorIcon);
    EXPECT_EQ(world.host.Node("/intelcpu/0/load/1")->ImageIndex(), kSensorOnDashboardIcon);
    EXPECT_EQ(tile.DisplayType, dtText);
    EXPECT_EQ(tile.Value.Text, "50%");
    EXPECT_EQ(tile.HistoryNext, 1);

    tile.BindSensor("");  // live -> empty
    EXPECT_TRUE(tile.IsEmpty());
    EXPECT_TRUE(tile.ShowsEmptyGreen());
    EXPECT_EQ(tile.Title.Text, QString::number(tile.TileNumber));
    EXPECT_EQ(tile.ScaleFactor, 1);
    EXPECT_EQ(world.host.Node("/intelcpu/0/load/1")->ImageIndex(), kSensorIcon);

    // a sensor not in the tree: waiting, but still counted as empty
    tile.BindSensor("/nowhere");
    EXPECT_TRUE(tile.IsEmpty());
    tile.RefreshTile();
    EXPECT_TRUE(tile.IsEmpty());
    EXPECT_EQ(tile.Subtitle.Text, "(empty)");
}

TEST_F(SensorFrameTest, ReplaceFromTreeTakesOnlyFreeSensors)
{
    world.host.AddSensor(cpu, "CPU Total", "/intelcpu/0/load/0", "Load", 45, 0, 100);
    TSensorFrame& tile = NewTile();
    world.host.current = cpu;
    tile.ReplaceFromTree();
    EXPECT_TRUE(tile.IsEmpty());
    world.host.current = world.host.Node("/intelcpu/0/load/0");
    tile.ReplaceFromTree();
    EXPECT_EQ(tile.SensorId, "/intelcpu/0/load/0");
    TSensorFrame& second = NewTile();
    second.ReplaceFromTree();  // already shown: icon 10
    EXPECT_TRUE(second.IsEmpty());
}

TEST_F(SensorFrameTest, ValueFontFitting)
{
    world.host.AddSensor(cpu, "CPU Total", "/intelcpu/0/load/0", "Load", 45, 0, 100);
    world.host.measure = [](const QString&, int points) { return 130 * points / 22; };
    world.host.recordMeasures = true;
    TSensorFrame& tile = NewTile("/intelcpu/0/load/0");
    EXPECT_LE(tile.ValueFontPoints, 20);
    EXPECT_EQ(world.host.measuredPoints.front(), 22);

    world.host.measuredPoints.clear();
    tile.SetDisplayType(dtChart);
    tile.RefreshTile();
    EXPECT_EQ(world.host.measuredPoints.front(), 18);
    EXPECT_EQ(tile.ValueFontPoints, 18);

    world.host.measuredPoints.clear();
    tile.SetDisplayType(dtPie);
    tile.RefreshTile();
    EXPECT_TRUE(world.host.measuredPoints.empty());
    EXPECT_EQ(tile.ValueFontPoints, 22);

    // a text that never fits stops at a readable size
    world.host.measure = [](const QString&, int) { return 500; };
    tile.SetDisplayType(dtText);
    tile.RefreshTile();
    EXPECT_GT(tile.ValueFontPoints, 0);
}

TEST_F(SensorFrameTest, AnimationStepsTowardTheTarget)
{
    struct Case {
        int max;
        int fifth;
    };
    for (const Case c : {Case {3000, 2250}, Case {2100, 2100}}) {
        TSensorFrame& tile = NewTile();
        tile.ProgressBar1.SetMax(c.max);
        tile.ProgressBar1.SetPosition(1000);
        ASSERT_TRUE(tile.StartAnimation(2000));
        std::vector<int> positions;
        for (int tick = 0; tick < 4; ++tick) {
            tile.AnimationTick();
            positions.push_back(tile.ProgressBar1.Position());
        }
        EXPECT_EQ(positions, (std::vector<int> {1250, 1500, 1750, 2000}));
        tile.AnimationTick();
        EXPECT_EQ(tile.ProgressBar1.Position(), c.fifth);
    }

    // a step of 0 leaves everything alone
    TSensorFrame& still = NewTile();
    int changes = 0;
    still.OnChanged = [&] { ++changes; };
    still.AnimationTick();
    EXPECT_EQ(changes, 0);
}

TEST_F(SensorFrameTest, ErrorTextsInTheCaption)
{
    world.host.AddSensor(cpu, "CPU Total", "/intelcpu/0/load/0", "Load", 50, 0, 100);
    world.host.animationSteps = 0;
    TSensorFrame& tile = NewTile();
    tile.AnimStep = 7;
    tile.BindSensor("/intelcpu/0/load/0");
    EXPECT_EQ(world.host.captions, QStringList {"Error: V=50.00"});
    EXPECT_EQ(tile.AnimStep, 7);
    EXPECT_EQ(tile.HistoryNext, 1);  // the refresh went on

    world.host.captions.clear();
    world.host.animationSteps = 4;
    world.host.AddSensor(cpu, "Huge", "/intelcpu/0/power/0", "Power", 5, 1, 3e9);
    TSensorFrame& huge = NewTile("/intelcpu/0/power/0");
    ASSERT_FALSE(world.host.captions.isEmpty());
    EXPECT_EQ(world.host.captions.front(), "Error: V=5.00 [1.00-3,000,000,000.00]");
    EXPECT_EQ(huge.HistoryNext, 1);

    world.host.captions.clear();
    world.host.AddSensor(cpu, "Odd", "/intelcpu/0/odd/0", "Wobble", 5, 0, 10);
    NewTile("/intelcpu/0/odd/0");
    EXPECT_TRUE(world.host.captions.contains("Unknown sensor type: Wobble"));
}

TEST_F(SensorFrameTest, HistoryRing)
{
    TSensorFrame& tile = NewTile();
    for (int i = 1; i <= 130; ++i)
        tile.PushHistory(i);
    EXPECT_EQ(tile.History[0], 129);
    EXPECT_EQ(tile.History[1], 130);
    EXPECT_EQ(tile.History[2], 3);
    EXPECT_EQ(tile.HistoryNext, 2);
    tile.ClearHistory();
    EXPECT_EQ(tile.HistoryNext, 0);
    EXPECT_EQ(tile.History[0], 0);
    EXPECT_FALSE(tile.ChartBitmap);
}

TEST_F(SensorFrameTest, DrawChartPixels)
{
    world.host.AddSensor(cpu, "CPU Total", "/intelcpu/0/load/0", "Load", 50, 0, 100);
    TSensorFrame& tile = NewTile("/intelcpu/0/load/0");
    tile.SetDisplayType(dtChart);
    for (int i = 0; i < 130; ++i)
        tile.RefreshTile();
    ASSERT_TRUE(tile.ChartBitmap);
    const QImage& picture = *tile.ChartBitmap;
    ASSERT_EQ(picture.size(), QSize(118, 46));
    const ThemePalette& p = world.host.palette;
    auto at = [&](int x, int y) { return picture.pixelColor(x, y); };
    EXPECT_EQ(at(0, 0), ToQColor(p.TileBandColor));
    EXPECT_EQ(at(117, 45), ToQColor(p.TileBandColor));
    for (int x : {5, 60, 116}) {
        SCOPED_TRACE(x);
        EXPECT_EQ(at(x, 10), ToQColor(p.BackColor));     // above the curve
        EXPECT_EQ(at(x, 22), ToQColor(p.PenColor));      // the curve: 44 - 22
        EXPECT_EQ(at(x, 30), ToQColor(p.PenBackColor));  // the area below it
        EXPECT_EQ(at(x, 44), ToQColor(p.PenBackColor));
    }

    // the oldest reading at the left; column 117 shows the second newest: readings 120..127
    // of 100 begin at column 111
    tile.ClearHistory();
    for (int i = 0; i < 128; ++i)
        tile.PushHistory(i >= 120 ? 100 : 0);
    tile.DrawChart();
    const QImage& again = *tile.ChartBitmap;
    EXPECT_EQ(again.pixelColor(108, 30), ToQColor(p.BackColor));
    EXPECT_EQ(again.pixelColor(108, 44), ToQColor(p.PenColor));
    EXPECT_EQ(again.pixelColor(113, 30), ToQColor(p.PenBackColor));
    EXPECT_EQ(again.pixelColor(117, 30), ToQColor(p.PenBackColor));

    // Fahrenheit tiles draw Celsius readings on a Celsius range
    world.host.fahrenheit = true;
    world.host.AddSensor(cpu, "CPU", "/intelcpu/0/temperature/0", "Temperature", 122, 95, 158);
    TSensorFrame& hot = NewTile("/intelcpu/0/temperature/0");
    hot.SetDisplayType(dtChart);
    for (int i = 0; i < 128; ++i)
        hot.RefreshTile();
    // lo 0, hi 100 (Celsius), 50 'C: the curve at y 22 again
    EXPECT_EQ(hot.ChartBitmap->pixelColor(60, 22), ToQColor(p.PenColor));
    EXPECT_EQ(hot.ChartBitmap->pixelColor(60, 10), ToQColor(p.BackColor));
}

// Every poll's chart picture, drawn column by column, equals the picture drawn whole from the
// history, through readings that move, stand still, rescale the chart, change colours, size,
// type and units, and wrap the history round several times.
TEST_F(SensorFrameTest, ChartByColumnsEqualsWholePicture)
{
    TSensorData& load = world.host.AddSensor(cpu, "CPU Total", "/intelcpu/0/load/0", "Load", 50, 0, 100);
    TSensorData& heat = world.host.AddSensor(cpu, "CPU", "/intelcpu/0/temperature/0", "Temperature", 50, 20, 90);
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* name;
        bool hot;  // the temperature sensor (Fahrenheit can change), else the load
        // sets the reading (and anything else) before poll `n`; `noise` is 0..999
        std::function<void(TSensorFrame&, TSensorData&, int n, int noise)> before;
    };
    const Case cases[] = {
        {"noisy", false, [](TSensorFrame&, TSensorData& r, int, int noise) { r.Value = noise / 10.0; }},
        {"flat with steps", false,
            [](TSensorFrame&, TSensorData& r, int n, int) { r.Value = 20 + 10 * ((n / 37) % 4); }},
        {"slow ramps", false, [](TSensorFrame&, TSensorData& r, int n, int) { r.Value = n % 100; }},
        {"single spikes", false,
            [](TSensorFrame&, TSensorData& r, int n, int) { r.Value = n % 41 == 0 ? 100 : 3; }},
        {"rescaling", false,
            [](TSensorFrame&, TSensorData& r, int n, int noise) {
                r.Max = 100 + 50 * ((n / 23) % 3);
                r.Min = (n / 31) % 2 ? -20 : 0;
                r.Value = r.Min + noise * (r.Max - r.Min) / 1000;
            }},
        {"colours", false,
            [](TSensorFrame& tile, TSensorData& r, int n, int noise) {
                if (n % 19 == 0)
                    tile.Recolor(PresetPalette(n / 19 % 3));
                r.Value = noise / 20.0;
            }},
        {"size and type", false,
            [](TSensorFrame& tile, TSensorData& r, int n, int noise) {
                if (n % 29 == 0)
                    tile.DetailsHeight = 52 - (n / 29 % 3) * 7;
                if (n % 43 == 0) {
                    tile.SetDisplayType(dtProgress);
                    tile.SetDisplayType(dtChart);
                }
                r.Value = noise / 10.0;
            }},
        {"fahrenheit", true,
            [this](TSensorFrame&, TSensorData& r, int n, int noise) {
                world.host.fahrenheit = (n / 17) % 2 == 1;
                r.Value = 30 + noise / 20.0;
                if (world.host.fahrenheit)
                    r.Value = r.Value * 9 / 5 + 32;
            }},
        {"out of range", false,
            [inf, nan](TSensorFrame&, TSensorData& r, int n, int noise) {
                const double odd[] = {-1e9, 1e9, inf, -inf, nan, -5, 250};
                r.Value = n % 5 == 0 ? odd[size_t(n / 5 % 7)] : noise / 10.0;
            }},
        {"drawn again between polls", false,
            [](TSensorFrame& tile, TSensorData& r, int n, int noise) {
                if (n % 3 == 0)
                    tile.DrawChart();
                r.Value = noise / 10.0;
            }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        world.host.fahrenheit = false;
        TSensorData& r = c.hot ? heat : load;
        r.Value = 50;
        r.Min = c.hot ? 20 : 0;
        r.Max = c.hot ? 90 : 100;
        TSensorFrame& tile = NewTile(c.hot ? "/intelcpu/0/temperature/0" : "/intelcpu/0/load/0");
        tile.SetDisplayType(dtChart);
        std::uint32_t seed = 12345;
        for (int n = 0; n < 400; ++n) {
            seed = seed * 1103515245u + 12345u;
            c.before(tile, r, n, int(seed >> 16) % 1000);
            tile.RefreshTile();
            ASSERT_TRUE(tile.ChartBitmap);
            ASSERT_TRUE(*tile.ChartBitmap == tile.WholeChartPicture()) << "poll " << n;
        }
        world.tiles.RemoveTile(tile);
    }
    world.host.fahrenheit = false;
}

// The picture stays the same image (nothing to repaint) exactly when no pixel changes.
TEST_F(SensorFrameTest, ChartPictureChangesOnlyWithItsPixels)
{
    TSensorData& r = world.host.AddSensor(cpu, "CPU Total", "/intelcpu/0/load/0", "Load", 40, 0, 100);
    TSensorFrame& tile = NewTile("/intelcpu/0/load/0");
    tile.SetDisplayType(dtChart);
    for (int n = 0; n < 130; ++n)
        tile.RefreshTile();  // a flat line over the whole history
    struct Step {
        double reading;
        bool changes;
    };
    const Step steps[] = {
        {40, false}, {40, false}, {40.004, false},  // the same pixels
        {70, true}, {70, true},                     // the step scrolls
        {40, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.reading);
        const qint64 before = tile.ChartBitmap->cacheKey();
        r.Value = step.reading;
        tile.RefreshTile();
        EXPECT_EQ(tile.ChartBitmap->cacheKey() != before, step.changes);
        EXPECT_TRUE(*tile.ChartBitmap == tile.WholeChartPicture());
    }
    // the same colours again draw nothing; other colours draw everything
    qint64 before = tile.ChartBitmap->cacheKey();
    tile.Recolor(world.host.palette);
    EXPECT_EQ(tile.ChartBitmap->cacheKey(), before);
    tile.Recolor(PresetPalette(thDark));
    EXPECT_NE(tile.ChartBitmap->cacheKey(), before);
    EXPECT_TRUE(*tile.ChartBitmap == tile.WholeChartPicture());
    // a picture changed from outside is drawn whole again
    tile.ChartBitmap->fill(Qt::red);
    tile.DrawChart();
    EXPECT_TRUE(*tile.ChartBitmap == tile.WholeChartPicture());
}

TEST_F(SensorFrameTest, PieSlicesAndThemeChange)
{
    world.host.AddSensor(cpu, "CPU Total", "/intelcpu/0/load/0", "Load", 25, 0, 100);
    TSensorFrame& tile = NewTile("/intelcpu/0/load/0");
    tile.SetDisplayType(dtPie);
    tile.ProgressBar1.SetPosition(2500);
    tile.UpdateChartSeries(true);
    ASSERT_EQ(tile.Series1.size(), 2u);
    const ThemePalette& light = world.host.palette;
    EXPECT_EQ(tile.Series1[0].Value, 7500);
    EXPECT_EQ(tile.Series1[0].Color, light.PenBackColor);
    EXPECT_EQ(tile.Series1[1].Value, 2500);
    EXPECT_EQ(tile.Series1[1].Color, light.PenColor);
    EXPECT_EQ(tile.ChartTitle, "25%");

    world.host.palette = PresetPalette(thDark);
    world.tiles.RecolorAll();
    EXPECT_EQ(tile.Series1[0].Color, PresetPalette(thDark).PenBackColor);
    EXPECT_EQ(tile.Series1[1].Color, PresetPalette(thDark).PenColor);
    EXPECT_EQ(tile.Series1[0].Value, 7500);

    // the animation only updates values, and only when they differ
    int changes = 0;
    tile.OnChanged = [&] { ++changes; };
    tile.ProgressBar1.SetPosition(3000);
    tile.UpdateChartSeries(false);
    EXPECT_EQ(tile.Series1[0].Value, 7000);
    EXPECT_EQ(tile.Series1[1].Value, 3000);
    EXPECT_EQ(changes, 1);
    tile.UpdateChartSeries(false);
    EXPECT_EQ(changes, 1);
}

TEST_F(SensorFrameTest, SingleBar)
{
    world.host.AddSensor(cpu, "CPU Total", "/intelcpu/0/load/0", "Load", 25, 0, 100);
    TSensorFrame& tile = NewTile("/intelcpu/0/load/0");
    tile.SetDisplayType(dtBar);
    tile.ProgressBar1.SetPosition(2500);
    tile.UpdateChartSeries(true);
    ASSERT_EQ(tile.Series2.size(), 1u);
    ASSERT_EQ(tile.Series3.size(), 1u);
    EXPECT_EQ(tile.Series2[0].Value, 2500);
    EXPECT_EQ(tile.Series2[0].Color, world.host.palette.PenColor);
    EXPECT_EQ(tile.Series3[0].Value, 7500);
    EXPECT_EQ(tile.Series3[0].Color, world.host.palette.PenBackColor);
    EXPECT_EQ(tile.ChartTitle, "25%");
}

// The title takes its unit from the child visited last, skipped ones too: with Fahrenheit on
// and the package shown in degrees Fahrenheit last in the group, the cores' average reads in 'F.
TEST_F(SensorFrameTest, MultiBarsTitleIsFormattedByTheLastChildOfTheGroup)
{
    world.host.fahrenheit = true;
    TSensorData& core1 = world.host.AddSensor(cpu, "CPU Core #1", "/intelcpu/0/temperature/1", "Temperature", 130, 80, 200);
    world.host.AddSensor(cpu, "CPU Core #2", "/intelcpu/0/temperature/2", "Temperature", 132, 80, 200);
    world.host.AddSensor(cpu, "CPU Package", "/intelcpu/0/temperature/0", "Temperature", 135, 80, 200);
    NewTile("/intelcpu/0/temperature/0").RefreshTile();  // a tile in 'F marks the package's record
    TSensorFrame& tile = NewTile("/intelcpu/0/temperature/1");
    tile.SetDisplayType(dtMultiBars);
    tile.RefreshTile();
    EXPECT_TRUE(core1.Fahrenheit);
    EXPECT_FALSE(world.host.Node("/intelcpu/0/temperature/2")->Data()->Fahrenheit);
    EXPECT_EQ(tile.ChartTitle, "131 'F");
}

// After a detection the records are new: their shown readings start at 0. The peers' bars reach
// their readings within one poll, even when the tile's own bar does not move at all.
TEST_F(SensorFrameTest, MultiBarsPeersShowWithinOnePollAfterADetection)
{
    const double loads[] = {10, 20, 30, 40};
    std::vector<TSensorData*> records;
    for (int i = 0; i < 4; ++i) {
        records.push_back(&world.host.AddSensor(cpu, QStringLiteral("CPU Core #%1").arg(i + 1),
                                                QStringLiteral("/intelcpu/0/load/%1").arg(i + 1), "Load", 0, 0, 100));
    }
    TSensorFrame& tile = NewTile("/intelcpu/0/load/2");
    tile.SetDisplayType(dtMultiBars);
    tile.RefreshTile();  // the bars stand at 0
    for (int i = 0; i < 4; ++i)
        records[size_t(i)]->SetValue(loads[i]);  // the first poll after the detection
    tile.ProgressBar1.SetPosition(int(loads[1] * tile.ScaleFactor));  // its own bar is there already
    tile.RefreshTile();
    EXPECT_EQ(tile.AnimStep, 0) << "the tile's own bar does not move";
    EXPECT_TRUE(tile.Animating());
    for (int step = 0; step < world.host.AnimationSteps(); ++step)
        tile.AnimationTick();
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(tile.Series2[size_t(i)].Value, loads[i] * tile.ScaleFactor, 1e-6) << i;
    tile.RefreshTile();  // the next poll: nothing has changed
    EXPECT_FALSE(tile.Animating()) << "nothing left to move";
}

TEST_F(SensorFrameTest, MultiBarsOfCorePeers)
{
    const double loads[] = {10, 20, 30, 40};
    for (int i = 0; i < 4; ++i)
        world.host.AddSensor(cpu, QStringLiteral("CPU Core #%1").arg(i + 1),
                             QStringLiteral("/intelcpu/0/load/%1").arg(i + 1), "Load", loads[i], 5, 60);
    world.host.AddSensor(cpu, "CPU Total", "/intelcpu/0/load/0", "Load", 99, 0, 100);
    // a clock of the same name is no peer: it stands in a group of its own, as in the tree
    TreeNode* clocks = world.host.AddHardware("Clocks", "/intelcpu/0/clocks");
    world.host.AddSensor(clocks, "CPU Core #1", "/intelcpu/0/clock/1", "Clock", 3600, 800, 4000);
    TSensorFrame& tile = NewTile("/intelcpu/0/load/2");
    tile.SetDisplayType(dtMultiBars);
    tile.RefreshTile();
    ASSERT_EQ(tile.Series2.size(), 4u);
    ASSERT_EQ(tile.Series3.size(), 4u);
    EXPECT_EQ(tile.Title.Text, "CPU Cores");
    EXPECT_EQ(tile.ChartTitle, "25%");  // the four cores' average
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        // Load spans 0..100 whatever the peers' own minimum and maximum
        EXPECT_DOUBLE_EQ(tile.Series2[size_t(i)].Value, loads[i] * tile.ScaleFactor);
        EXPECT_DOUBLE_EQ(tile.Series2[size_t(i)].Value + tile.Series3[size_t(i)].Value, 100.0 * tile.ScaleFactor);
        EXPECT_EQ(tile.Series2[size_t(i)].Color, world.host.palette.PenColor);
        EXPECT_EQ(tile.Series3[size_t(i)].Color, world.host.palette.PenBackColor);
    }

    // an update advances every peer's record one step and moves its bar
    TSensorData* core1 = world.host.Node("/intelcpu/0/load/1")->Data();
    core1->SetValue(30);  // 10 -> 30 in 4 steps
    EXPECT_EQ(world.tiles.UpdatePeerBars(tile.TileNumber, false), 4);
    EXPECT_DOUBLE_EQ(core1->Animated, 15);
    EXPECT_DOUBLE_EQ(tile.Series2[0].Value, 15 * tile.ScaleFactor);
    EXPECT_EQ(tile.Series2.size(), 4u);

    EXPECT_EQ(world.tiles.UpdatePeerBars(9999, true), -1);
    TSensorFrame& empty = NewTile();
    EXPECT_EQ(world.tiles.UpdatePeerBars(empty.TileNumber, true), 0);
}

TEST_F(SensorFrameTest, MultiBarsOfTemperaturesFollowTheRecordsUnit)
{
    world.host.fahrenheit = true;
    world.host.AddSensor(cpu, "CPU Core #1", "/intelcpu/0/temperature/1", "Temperature", 122, 95, 158);
    world.host.AddSensor(cpu, "CPU Core #2", "/intelcpu/0/temperature/2", "Temperature", 50, 35, 70);
    TSensorFrame& tile = NewTile("/intelcpu/0/temperature/1");
    tile.SetDisplayType(dtMultiBars);
    tile.RefreshTile();
    ASSERT_EQ(tile.Series2.size(), 2u);
    const int s = tile.ScaleFactor;
    // the shown sensor's record is flagged Fahrenheit (32..212), its peer's is not (0..100)
    EXPECT_DOUBLE_EQ(tile.Series2[0].Value, (122 - 32) * s);
    EXPECT_DOUBLE_EQ(tile.Series3[0].Value, (212 - 122) * s);
    EXPECT_DOUBLE_EQ(tile.Series2[1].Value, 50 * s);
    EXPECT_DOUBLE_EQ(tile.Series3[1].Value, 50 * s);
}

TEST_F(SensorFrameTest, RefreshTellsThePainterOnce)
{
    world.host.AddSensor(cpu, "CPU Total", "/intelcpu/0/load/0", "Load", 25, 0, 100);
    TSensorFrame& tile = NewTile("/intelcpu/0/load/0");
    tile.SetDisplayType(dtChart);
    int changes = 0;
    tile.OnChanged = [&] { ++changes; };
    tile.RefreshTile();
    EXPECT_EQ(changes, 1);
    tile.SetDisplayType(dtProgress);
    EXPECT_EQ(changes, 2);
    tile.SetDisplayType(dtProgress);
    EXPECT_EQ(changes, 2);
}

} // namespace
} // namespace gaugeloft
