#include "pollfixture.h"

#include "sensors/typetables.h"

namespace gaugeloft::testing::poll {
namespace {

const QString kTemp = QStringLiteral("/cpu/0/temperature/0");
const QString kCpuLoad = QStringLiteral("/cpu/0/load/0");
const QString kRamLoad = QStringLiteral("/ram/load/0");

using PollCycleTest = PollFixture;

TEST_F(PollCycleTest, FirstTickDetectsAddsOneEmptyTileAndShowsTheWindow)
{
    EXPECT_EQ(Tick(), QStringList({"ThemeCheck", "StopAnimation", "Clock",
                                   // the detection
                                   "StopPoll", "StopAnimation", "ShowPanel", "StartPoll", "StartAnimation",
                                   "LoadDashboard", "ShowWindow", "StartAnimation"}));
    EXPECT_EQ(lastOutcome, PollOutcome::Detected);
    EXPECT_EQ(tree.NodeCount(), 2 + 2 + 3 + 3) << "groups, items, type groups, sensors";
    ASSERT_EQ(tiles.Count(), 1);
    EXPECT_TRUE(tiles.At(0).IsEmpty());
    EXPECT_TRUE(cycle.TilesNeedFullRefresh);
    EXPECT_TRUE(window.animationTimerRunning);
    EXPECT_TRUE(window.pollTimerRunning);
    const TSensorData* temp = Record(kTemp);
    ASSERT_TRUE(temp);
    EXPECT_EQ(temp->Value, 50);
    EXPECT_EQ(temp->Min, 0) << "filled by the next poll";
    EXPECT_EQ(temp->Max, 0);
    EXPECT_EQ(temp->TypeIndex, 0);
    EXPECT_EQ(temp->Steps, gaugeloft::AnimationSteps(40));
}

// Tiles the dashboard file brings, and the tiles after the first tick.
class DashboardLoad : public PollFixture, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(DashboardLoad, DecidesWhetherAnEmptyTileIsAdded)
{
    const auto [loaded, expected] = GetParam();
    window.onLoadDashboard = [&] {
        for (int i = 0; i < loaded; ++i)
            tiles.At(tiles.AddTile(-1)).BindSensor(i == 1 ? QStringLiteral("/gone") : kCpuLoad);
    };
    Tick();
    EXPECT_EQ(tiles.Count(), expected);
    // A detection with tiles in place loads nothing.
    tree.Clear();
    EXPECT_FALSE(Tick().contains("LoadDashboard"));
    EXPECT_EQ(tiles.Count(), expected);
}

INSTANTIATE_TEST_SUITE_P(PollCycle, DashboardLoad,
                         ::testing::Values(std::pair(0, 1), std::pair(1, 1), std::pair(3, 3)));

TEST_F(PollCycleTest, SecondTickFillsTheRecordsAndAutoSelectsTheTilesOnce)
{
    window.onLoadDashboard = [&] { tiles.At(tiles.AddTile(-1)).BindSensor(kCpuLoad); };
    Tick();
    TSensorFrame& tile = tiles.At(0);
    EXPECT_EQ(tile.DisplayType, dtText) << "the first tick only detects";
    EXPECT_EQ(Node(kCpuLoad)->ImageIndex(), kSensorOnDashboardIcon);

    EXPECT_EQ(Tick(), QStringList({"ThemeCheck", "StopAnimation", "Clock", "ShowPanel", "StartAnimation"}));
    const TSensorData* load = Record(kCpuLoad);
    EXPECT_EQ(load->Min, 3);
    EXPECT_EQ(load->Max, 97);
    EXPECT_EQ(load->TypeIndex, stLoad);
    EXPECT_EQ(Record(kTemp)->TypeIndex, stTemperature);
    EXPECT_FALSE(cycle.TilesNeedFullRefresh);
    EXPECT_EQ(tile.Value.Text, "13%");
    EXPECT_EQ(tile.DisplayType, dtProgress) << "a \"%\" reading picks the progress bar";

    tile.SetDisplayType(dtText);
    Tick();
    EXPECT_EQ(tile.DisplayType, dtText) << "only the first refresh after a detection chooses";
}

TEST_F(PollCycleTest, FahrenheitConvertsTheRecordButNotTheTreeText)
{
    const struct {
        bool fahrenheit;
        double value, min, max;
    } rows[] = {{false, 50, 30, 70}, {true, 122, 86, 158}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fahrenheit);
        cycle.ShowFahrenheit = row.fahrenheit;
        tree.Clear();
        Tick();
        Tick();
        const TSensorData* temp = Record(kTemp);
        EXPECT_EQ(temp->Value, row.value);
        EXPECT_EQ(temp->Min, row.min);
        EXPECT_EQ(temp->Max, row.max);
        EXPECT_EQ(Node(kTemp)->Text(), "Package: 50.0 'C");
        EXPECT_EQ(Record(kCpuLoad)->Value, 12.5) << "other types stay as published";
    }
}

TEST_F(PollCycleTest, AChangedHardwareCountRebuildsTheTreeWithinTheTick)
{
    Tick();
    Tick();
    Snapshot more = DefaultSnapshot();
    more.hardware.append(HardwareItem("GeForce", "/gpu/0", "GpuNvidia"));
    more.sensors.append(SensorItem("GPU Core", "/gpu/0/temperature/0", "/gpu/0", "Temperature", 60));
    Snapshot fewer = DefaultSnapshot();
    fewer.hardware.removeLast();
    fewer.sensors.removeLast();
    Snapshot swapped;  // as many items as fewer, but another one
    swapped.hardware = {HardwareItem("Memory", "/ram", "RAM")};
    swapped.sensors = {SensorItem("Memory", kRamLoad, "/ram", "Load", 41)};

    const struct {
        const char* name;
        Snapshot snapshot;
        bool detects;
        bool hasGpu, hasRam, hasCpu;
    } rows[] = {
        {"added", more, true, true, true, true},
        {"removed", fewer, true, false, false, true},
        {"same count", swapped, false, false, false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Write(row.snapshot);
        const QStringList calls = Tick();
        EXPECT_EQ(calls.contains("StopPoll"), row.detects);
        EXPECT_EQ(lastOutcome == PollOutcome::Detected, row.detects);
        EXPECT_EQ(Node("/gpu/0") != nullptr, row.hasGpu);
        EXPECT_EQ(Node("/ram") != nullptr, row.hasRam);
        EXPECT_EQ(Node("/cpu/0") != nullptr, row.hasCpu);
        EXPECT_TRUE(cycle.TilesNeedFullRefresh || !row.detects);
        Tick();
    }
}

TEST_F(PollCycleTest, NoCountBeforeMeansNoHardwareChange)
{
    Tick();
    Tick();
    provider.SetupProvider(1);  // new readers, not queried yet; this hub answers every name
    ASSERT_EQ(provider.HardwareReader->Count(), -1);
    Snapshot more = DefaultSnapshot();
    more.hardware.append(HardwareItem("GeForce", "/gpu/0", "GpuNvidia"));
    Write(more);
    EXPECT_FALSE(Tick().contains("StopPoll"));
    EXPECT_FALSE(Node("/gpu/0"));
    EXPECT_EQ(Record(kCpuLoad)->Min, 3) << "readings come from the new readers";
}

TEST_F(PollCycleTest, ProviderStopsAndStartsAgain)
{
    window.onLoadDashboard = [&] { tiles.At(tiles.AddTile(-1)).BindSensor(kCpuLoad); };
    Tick();
    Tick();
    ASSERT_TRUE(window.panelVisible);

    RemoveFile();
    Tick();
    EXPECT_EQ(provider.HardwareReader->Count(), -1);
    EXPECT_TRUE(tree.IsEmpty());
    EXPECT_FALSE(window.panelVisible) << "the no-provider state";
    EXPECT_TRUE(cycle.TilesNeedFullRefresh);
    ASSERT_EQ(tiles.Count(), 1) << "tiles survive";
    EXPECT_EQ(tiles.At(0).SensorId, kCpuLoad);

    // Hidden to the tray while nothing answers: back at the next tick, which detects again.
    window.windowVisible = false;
    const QStringList calls = Tick();
    EXPECT_TRUE(calls.contains("StopPoll"));
    EXPECT_TRUE(calls.contains("ShowWindow"));
    EXPECT_FALSE(calls.contains("LoadDashboard"));
    EXPECT_TRUE(window.windowVisible);
    EXPECT_FALSE(window.panelVisible);

    Write(DefaultSnapshot());
    Tick();
    EXPECT_TRUE(window.panelVisible);
    EXPECT_FALSE(tree.IsEmpty());
    EXPECT_EQ(Node(kCpuLoad)->ImageIndex(), kSensorOnDashboardIcon);
    Tick();
    EXPECT_EQ(tiles.At(0).Value.Text, "13%");
    EXPECT_EQ(tiles.At(0).DisplayType, dtProgress);
}

TEST_F(PollCycleTest, AnEmptyProviderAndAMissingSensorClassDecideThePanel)
{
    Snapshot noHardware;
    Snapshot noSensors = DefaultSnapshot();
    noSensors.sensors = {};
    Snapshot failingSensors = DefaultSnapshot();
    failingSensors.withSensors = false;
    const struct {
        const char* name;
        Snapshot snapshot;
        bool panel;
        bool needFullRefresh;
    } rows[] = {
        {"no hardware", noHardware, false, true},
        {"no sensors", noSensors, false, true},
        {"failed sensor query", failingSensors, true, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Write(DefaultSnapshot());
        tree.Clear();
        Tick();
        Tick();
        Write(row.snapshot);
        Tick();
        Tick();
        EXPECT_EQ(window.panelVisible, row.panel);
        EXPECT_EQ(cycle.TilesNeedFullRefresh, row.needFullRefresh);
    }
}

TEST_F(PollCycleTest, ATileGoesFromEmptyToLiveToWaitingAndBack)
{
    Tick();
    TSensorFrame& tile = tiles.At(0);
    EXPECT_TRUE(tile.IsEmpty());
    tile.BindSensor(kTemp);
    Tick();
    EXPECT_EQ(tile.Value.Text, "50.0 'C");
    EXPECT_FALSE(tile.ShowsEmptyGreen());

    // Gone from the provider, same hardware count: the tree keeps the node until a reset.
    Snapshot without = DefaultSnapshot();
    without.sensors.removeFirst();
    Write(without);
    EXPECT_FALSE(Tick().contains("StopPoll"));
    EXPECT_TRUE(Node(kTemp));
    EXPECT_EQ(tile.Value.Text, "50.0 'C");
    cycle.Detect();
    Tick();
    EXPECT_EQ(tile.Value.Text, "...");
    EXPECT_EQ(tile.Subtitle.Text, "(waiting)");
    EXPECT_TRUE(tile.ShowsEmptyGreen());
    EXPECT_FALSE(tile.IsEmpty());

    // Back on existing hardware: not in the tree until the next detection.
    Snapshot back = DefaultSnapshot();
    back.sensors.replace(0, SensorItem("Package", kTemp, "/cpu/0", "Temperature", 55, 30, 70));
    Write(back);
    Tick();
    EXPECT_FALSE(Node(kTemp));
    EXPECT_EQ(tile.Value.Text, "...");
    cycle.Detect();
    EXPECT_EQ(Node(kTemp)->ImageIndex(), kSensorOnDashboardIcon);
    Tick();
    EXPECT_EQ(tile.Value.Text, "55.0 'C");
    EXPECT_FALSE(tile.ShowsEmptyGreen());
}

TEST_F(PollCycleTest, TheRefresherServesBothClassesWithOneRefreshPerTick)
{
    provider.UseRefresher = true;
    Tick();
    EXPECT_EQ(hub.source.refreshes, 1);
    EXPECT_EQ(hub.source.enumerations, 2) << "a detection queries both classes";

    Snapshot changed = DefaultSnapshot();
    changed.sensors.replace(1, SensorItem("CPU Total", kCpuLoad, "/cpu/0", "Load", 66, 3, 97));
    Write(changed);
    Tick();
    EXPECT_EQ(hub.source.refreshes, 2);
    EXPECT_EQ(hub.source.enumerations, 2);
    EXPECT_EQ(Record(kCpuLoad)->Value, 66);
    EXPECT_TRUE(provider.UseRefresher);

    // A failing refresh: switched off, and plain queries serve this very tick.
    hub.source.refreshFails = true;
    changed.sensors.replace(1, SensorItem("CPU Total", kCpuLoad, "/cpu/0", "Load", 77, 3, 97));
    Write(changed);
    EXPECT_FALSE(Tick().contains("StopPoll"));
    EXPECT_FALSE(provider.UseRefresher);
    EXPECT_EQ(hub.source.refreshes, 3);
    EXPECT_EQ(hub.source.enumerations, 4);
    EXPECT_EQ(Record(kCpuLoad)->Value, 77);
    Tick();
    EXPECT_EQ(hub.source.refreshes, 3);
    EXPECT_EQ(hub.source.enumerations, 6);
}

TEST_F(PollCycleTest, TheClockUsesTheShortTimeFormatAndOneBlank)
{
    const struct {
        QLocale locale;
        QTime time;
        QString text;
    } rows[] = {
        {QLocale(QLocale::English, QLocale::UnitedKingdom), QTime(14, 7, 9), "14:07 "},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), QTime(0, 0, 59), "00:00 "},
        {QLocale(QLocale::English, QLocale::UnitedStates), QTime(14, 7, 9), "2:07\u202fPM "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        cycle.ClockLocale = row.locale;
        now = QDateTime(QDate(2024, 3, 5), row.time);
        Tick();
        // Older locale data puts an ordinary blank before the day period.
        QString text = window.clockText;
        text.replace(QChar(' '), QChar(0x202f));
        QString expected = row.text;
        expected.replace(QChar(' '), QChar(0x202f));
        EXPECT_EQ(text, expected);
        EXPECT_TRUE(window.clockText.endsWith(' '));
    }
}

TEST_F(PollCycleTest, TheClockFollowsTheTimeAcrossMinutesSecondsAndLocales)
{
    // The text is kept between ticks; it must still follow every change it can show.
    const QLocale uk(QLocale::English, QLocale::UnitedKingdom);
    ASSERT_TRUE(QLocale::c().timeFormat(QLocale::ShortFormat).contains('s'));
    const struct {
        QLocale locale;
        QTime time;
        QString text;
    } ticks[] = {
        {uk, QTime(14, 7, 9), "14:07 "},
        {uk, QTime(14, 7, 50), "14:07 "},
        {uk, QTime(14, 8, 0), "14:08 "},
        {uk, QTime(15, 8, 0), "15:08 "},
        {QLocale::c(), QTime(15, 8, 0), "15:08:00 "},
        {QLocale::c(), QTime(15, 8, 1), "15:08:01 "},
        {uk, QTime(15, 8, 2), "15:08 "},
        {uk, QTime(14, 8, 2), "14:08 "},
    };
    for (const auto& tick : ticks) {
        SCOPED_TRACE(tick.text.toStdString());
        cycle.ClockLocale = tick.locale;
        now = QDateTime(QDate(2024, 3, 5), tick.time);
        Tick();
        EXPECT_EQ(window.clockText, tick.text);
    }
}

TEST_F(PollCycleTest, APendingAnimationIntervalIsAppliedByDetectionAndRefreshingTicks)
{
    cycle.PendingAnimationInterval = 100;
    EXPECT_TRUE(Tick().contains("Interval 100"));
    EXPECT_EQ(window.animationInterval, 100);
    EXPECT_EQ(Record(kTemp)->Steps, gaugeloft::AnimationSteps(100)) << "records made after the change";
    EXPECT_EQ(cycle.AnimationSteps(), gaugeloft::AnimationSteps(100));

    window.animationInterval = 200;  // the timer set elsewhere
    EXPECT_TRUE(Tick().contains("Interval 100")) << "the value stays set";
    EXPECT_EQ(window.animationInterval, 100);

    cycle.PendingAnimationInterval = 0;
    EXPECT_FALSE(Tick().join(',').contains("Interval"));
    cycle.Detect();
    EXPECT_FALSE(window.calls.join(',').contains("Interval"));

    // A hidden panel refreshes nothing, so the interval waits.
    cycle.PendingAnimationInterval = 200;
    Snapshot noSensors = DefaultSnapshot();
    noSensors.sensors = {};
    Write(noSensors);
    cycle.Detect();
    Tick();
    EXPECT_EQ(Tick(), QStringList({"ThemeCheck", "StopAnimation", "Clock", "HidePanel", "StartAnimation"}));
}

TEST_F(PollCycleTest, AFailedDetectionStillEndsTheBatchAndRestartsBothTimers)
{
    struct Observer : TreeObserver {
        int rebuilt = 0;
        void TreeRebuilt() override { ++rebuilt; }
    } observer;
    tree.SetObserver(&observer);
    Snapshot unknown = DefaultSnapshot();
    unknown.sensors.append(SensorItem("Odd", "/cpu/0/odd/0", "/cpu/0", "Oddity", 1));
    Write(unknown);
    window.captionThrows = true;  // the caption of an unknown sensor type fails

    window.calls.clear();
    EXPECT_THROW(cycle.Detect(), std::runtime_error);
    EXPECT_EQ(window.calls, QStringList({"StopPoll", "StopAnimation", "ShowPanel", "StartPoll", "StartAnimation"}));
    EXPECT_EQ(observer.rebuilt, 1) << "the batch ended";
    EXPECT_FALSE(tree.IsEmpty());
    EXPECT_EQ(window.captions.size(), 1);
    tree.SetObserver(nullptr);

    // Through a tick the failure reaches the caller; the next tick runs as usual.
    window.captionThrows = false;
    tree.Clear();
    Write(DefaultSnapshot());
    Tick();
    EXPECT_TRUE(window.panelVisible);
    EXPECT_EQ(tree.NodeCount(), 10);
}

// A tick that fails says so in the caption and tells the window what it had started.
TEST_F(PollCycleTest, AFailingTickReportsInTheCaptionAndSaysWhatItDid)
{
    window.onLoadDashboard = [] { throw std::runtime_error("The dashboard could not be read"); };
    Tick();
    EXPECT_EQ(lastOutcome, PollOutcome::Detected);
    EXPECT_EQ(window.captions, QStringList({"The dashboard could not be read"}));
    EXPECT_FALSE(window.calls.contains("ShowWindow")) << "the tick ended at the failure";

    window.onLoadDashboard = nullptr;
    Tick();
    EXPECT_EQ(lastOutcome, PollOutcome::Refreshed);
    EXPECT_TRUE(window.calls.endsWith("StartAnimation"));
}

// The caption names an unknown sensor type only while the provider still reports one.
TEST_F(PollCycleTest, TheUnknownTypeCaptionGoesWhenNoSuchSensorIsLeft)
{
    Snapshot unknown = DefaultSnapshot();
    unknown.sensors.append(SensorItem("Odd", "/cpu/0/odd/0", "/cpu/0", "Oddity", 1));
    Write(unknown);
    Tick();
    Tick();
    ASSERT_FALSE(window.captions.isEmpty());
    EXPECT_EQ(window.captions.last(), "Unknown sensor type: Oddity");
    EXPECT_FALSE(window.captions.contains("(own title)"));

    Write(DefaultSnapshot());
    window.captions.clear();
    Tick();
    EXPECT_EQ(window.captions, QStringList({"(own title)"}));
    Tick();
    EXPECT_EQ(window.captions, QStringList({"(own title)"})) << "restored once";

    // the same when the provider stops answering altogether
    Write(unknown);
    Tick();
    Tick();
    RemoveFile();
    window.captions.clear();
    Tick();
    EXPECT_EQ(window.captions, QStringList({"(own title)"}));
}

} // namespace
} // namespace gaugeloft::testing::poll
