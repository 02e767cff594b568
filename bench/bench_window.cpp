// The widget layer: the real main window over an in-memory source of 1,000 sensors with 64
// tiles, offscreen, with the tree's and the tiles' painting.

#include "support/fakesource.h"
#include "support/syntheticsensors.h"

#include "platform/numberformat.h"
#include "sensors/provider.h"
#include "sensors/providertable.h"
#include "ui/mainform.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include <memory>

namespace gaugeloft {
namespace {

using testing::FakeHub;
using testing::FakeSource;

constexpr int kSensors = 1000;
constexpr int kTiles = 64;

// A window large enough to show every tile, after its first poll.
struct Window {
    explicit Window(int tiles, int sensors = kSensors)
    {
        NumberLocale::SetCurrent(NumberLocale {});
        FakeSource& source = hub.source(QString::fromLatin1(kProviders[0].sourceName));
        testing::FillSyntheticSensors(source, sensors / 10, 0.0);
        FakeSource shifted;
        testing::FillSyntheticSensors(shifted, sensors / 10, 1000.0);
        sets[0] = source.sensors;
        sets[1] = shifted.sensors;
        qputenv("GAUGELOFT_DEMO_TILES", QByteArray::number(tiles));
        provider.SetupProvider(0);
        window = std::make_unique<TMainForm>(provider, desktop);
        qunsetenv("GAUGELOFT_DEMO_TILES");
        window->SetDashboardLocation({folder.filePath(QStringLiteral("gaugeloft")), QStringLiteral("BENCH"),
                                      folder.filePath(QStringLiteral("config")), true});
        window->resize(1400, 1250);
        window->Timer1Timer();  // detection, the demo tiles, the window shown
        window->Timer1Timer();
        Settle();
        window->Timers().Timer1().stop();
        window->Timers().Timer3().stop();
    }

    // Every pending layout and repaint, as the event loop does between ticks.
    static void Settle()
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    void NextReadings()
    {
        hub.source(QString::fromLatin1(kProviders[0].sourceName)).sensors = sets[turn ^= 1];
    }

    QTemporaryDir folder;
    FakeHub hub;
    sources::SourceObjectSet sets[2];
    ProviderState provider {hub};
    SystemDesktop desktop;
    std::unique_ptr<TMainForm> window;
    int turn = 0;
};

// One poll with every sensor changed: records, tree texts, tiles, then the repaints.
void BM_WindowPollTick(benchmark::State& state)
{
    Window w(kTiles);
    for (auto _ : state) {
        w.NextReadings();
        w.window->Timer1Timer();
        w.window->Timers().Timer3().stop();
        Window::Settle();
    }
}
BENCHMARK(BM_WindowPollTick)->Unit(benchmark::kMillisecond)->Iterations(10);

// One animation step of the 64 tiles with their repaints; new targets every 24 steps.
void BM_WindowAnimationStep(benchmark::State& state)
{
    Window w(kTiles);
    int step = 0;
    for (auto _ : state) {
        if (++step == 24) {
            step = 0;
            state.PauseTiming();
            w.NextReadings();
            w.window->Timer1Timer();
            w.window->Timers().Timer3().stop();
            Window::Settle();
            state.ResumeTiming();
        }
        w.window->Timers().Timer3Timer();
        Window::Settle();
    }
}
BENCHMARK(BM_WindowAnimationStep)->Unit(benchmark::kMicrosecond)->Iterations(240);

// A poll whose readings did not change: what an idle dashboard costs per second, for the
// large dashboard and for a desktop's (100 sensors, 16 tiles).
void BM_WindowPollUnchanged(benchmark::State& state)
{
    Window w(int(state.range(1)), int(state.range(0)));
    for (auto _ : state) {
        w.window->Timer1Timer();
        w.window->Timers().Timer3().stop();
        Window::Settle();
    }
}
BENCHMARK(BM_WindowPollUnchanged)->Args({kSensors, kTiles})->Args({100, 16})
    ->ArgNames({"sensors", "tiles"})->Unit(benchmark::kMicrosecond)->Iterations(200);

} // namespace
} // namespace gaugeloft
