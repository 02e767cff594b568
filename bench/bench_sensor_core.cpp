// Detection and the poll refresh of the hardware tree over an in-memory source.

#include "support/syntheticsensors.h"

#include "sensors/detection.h"
#include "sensors/provider.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

namespace {

using namespace gaugeloft;
using testing::FakeHub;
using testing::FakeSource;

struct Fixture {
    explicit Fixture(int items)
    {
        testing::FillSyntheticSensors(hub.source(QString::fromLatin1(kProviders[0].sourceName)), items, 0.0);
        provider.SetupProvider(0);
        context.animationSteps = 24;
        context.hasTile = [](const QString&) { return false; };
    }
    FakeHub hub;
    ProviderState provider {hub};
    HardwareTree tree;
    DetectionContext context;
};

void BM_Detect(benchmark::State& state)
{
    Fixture f(static_cast<int>(state.range(0)) / 10);
    for (auto _ : state)
        DetectTree(f.tree, *f.provider.HardwareReader, *f.provider.SensorReader, f.context);
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Detect)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// One poll's refresh of every record and tree text from a loaded sensor reader; the
// readings alternate so every text changes.
void BM_PollRefresh(benchmark::State& state)
{
    const int items = static_cast<int>(state.range(0)) / 10;
    Fixture f(items);
    DetectTree(f.tree, *f.provider.HardwareReader, *f.provider.SensorReader, f.context);
    FakeSource shifted;
    testing::FillSyntheticSensors(shifted, items, 0.5);
    const sources::SourceObjectSet sets[2] = {shifted.sensors, f.hub.source(QString::fromLatin1(kProviders[0].sourceName)).sensors};
    TWMI_OHM_Sensor& reader = *f.provider.SensorReader;
    int turn = 0;
    for (auto _ : state) {
        state.PauseTiming();
        reader.LoadFrom(sets[turn ^= 1]);
        state.ResumeTiming();
        RefreshTreeReadings(f.tree, reader, false, {});
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_PollRefresh)->Arg(1000)->Arg(4000)->Unit(benchmark::kMicrosecond)->Complexity(benchmark::oN);

// The same with the sensor query the poll makes first.
void BM_PollQueryAndRefresh(benchmark::State& state)
{
    Fixture f(static_cast<int>(state.range(0)) / 10);
    DetectTree(f.tree, *f.provider.HardwareReader, *f.provider.SensorReader, f.context);
    for (auto _ : state) {
        f.provider.SensorReader->Requery();
        RefreshTreeReadings(f.tree, *f.provider.SensorReader, false, {});
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_PollQueryAndRefresh)->Arg(1000)->Arg(4000)->Unit(benchmark::kMicrosecond)->Complexity(benchmark::oN);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
