// The dashboard's share of a poll tick and of an animation tick, over an in-memory source.

#include "dashboard/tilefixture.h"
#include "support/syntheticsensors.h"

#include "sensors/detection.h"
#include "platform/numberformat.h"
#include "sensors/provider.h"

#include <benchmark/benchmark.h>

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>

#include <array>
#include <memory>

namespace gaugeloft {
namespace {

using testing::FakeHub;
using testing::FakeSource;

constexpr int kSensors = 1000;
constexpr int kTiles = 64;

// The value font measured as the window measures it, one font per size.
class FontMeasure {
public:
    int operator()(const QString& text, int points)
    {
        const size_t slot = size_t(std::clamp(points, 1, 30));
        if (!m_metrics[slot]) {
            QFont font(QStringLiteral("Sans Serif"));
            font.setPointSize(int(slot));
            m_metrics[slot] = std::make_unique<QFontMetrics>(font);
        }
        return m_metrics[slot]->horizontalAdvance(text);
    }

private:
    std::array<std::unique_ptr<QFontMetrics>, 31> m_metrics;
};

struct Dashboard {
    Dashboard()
    {
        NumberLocale::SetCurrent(NumberLocale {});
        FakeSource& source = hub.source(QString::fromLatin1(kProviders[0].sourceName));
        testing::FillSyntheticSensors(source, kSensors / 10, 0.0);
        testing::FillSyntheticSensors(shifted, kSensors / 10, 1000.0);
        sets[0] = source.sensors;
        sets[1] = shifted.sensors;
        provider.SetupProvider(0);
        world.host.animationSteps = 24;
        auto measure = std::make_shared<FontMeasure>();
        world.host.measure = [measure](const QString& text, int points) { return (*measure)(text, points); };
        DetectionContext context;
        context.animationSteps = 24;
        context.hasTile = [](const QString&) { return false; };
        DetectTree(world.host.tree, *provider.HardwareReader, *provider.SensorReader, context);
        world.view.geometry = {1024, 768, false, 17, 0};
    }

    // `count` tiles over the sensors, types cycling through `types`.
    void AddTiles(std::initializer_list<std::uint8_t> types)
    {
        const std::vector<std::uint8_t> cycle(types);
        const int sensorCount = world.host.tree.NodeCount();
        int tile = 0;
        for (int position = 0; position < sensorCount && tile < kTiles; ++position) {
            TreeNode* node = world.host.tree.NodeAt(position);
            if (!node->Data() || !node->Data()->IsSensor || (position * 7) % 13 != 0)
                continue;
            TSensorFrame& frame = world.tiles.At(world.tiles.AddTile(-1));
            frame.BindSensor(node->Data()->Identifier);
            frame.SetDisplayType(cycle[size_t(tile) % cycle.size()]);
            ++tile;
        }
        world.view.timerActive = false;
        Poll();
    }

    void Poll()
    {
        provider.SensorReader->LoadFrom(sets[turn ^= 1]);
        RefreshTreeReadings(world.host.tree, *provider.SensorReader, false, {});
        world.tiles.RefreshAll(false);
    }

    FakeHub hub;
    FakeSource shifted;
    sources::SourceObjectSet sets[2];
    ProviderState provider {hub};
    testing::TileWorld world;
    int turn = 0;
};

// One poll: every record and tree text, then every tile.
void BM_PollTickTiles(benchmark::State& state)
{
    Dashboard d;
    d.AddTiles({dtText, dtProgress, dtMinMax, dtChart, dtPie, dtBar, dtMultiBars});
    if (d.world.tiles.Count() != kTiles)
        state.SkipWithError("too few tiles");
    TWMI_OHM_Sensor& reader = *d.provider.SensorReader;
    for (auto _ : state) {
        state.PauseTiming();
        reader.LoadFrom(d.sets[d.turn ^= 1]);
        state.ResumeTiming();
        RefreshTreeReadings(d.world.host.tree, reader, false, {});
        d.world.tiles.RefreshAll(false);
    }
    state.counters["tiles"] = d.world.tiles.Count();
}
BENCHMARK(BM_PollTickTiles)->Unit(benchmark::kMicrosecond);

// The tiles alone, for the share of each part.
void BM_RefreshAllOnly(benchmark::State& state)
{
    Dashboard d;
    d.AddTiles({dtText, dtProgress, dtMinMax, dtChart, dtPie, dtBar, dtMultiBars});
    for (auto _ : state)
        d.world.tiles.RefreshAll(false);
}
BENCHMARK(BM_RefreshAllOnly)->Unit(benchmark::kMicrosecond);

// One animation tick of progress and multi-bar tiles; a poll sets new targets every
// 24 ticks, as the 40 ms timer does.
void BM_AnimationTick(benchmark::State& state)
{
    Dashboard d;
    d.AddTiles({dtProgress, dtMultiBars});
    int tick = 0;
    for (auto _ : state) {
        if (++tick == 24) {
            tick = 0;
            state.PauseTiming();
            d.Poll();
            state.ResumeTiming();
        }
        d.world.tiles.Timer3Timer();
    }
}
BENCHMARK(BM_AnimationTick)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace gaugeloft
