// Switching the theme of a window with 64 tiles: every surface recoloured, every chart
// rebuilt and the whole window painted again.

#include "support/fakesource.h"
#include "support/syntheticsensors.h"

#include "sensors/provider.h"
#include "sensors/providertable.h"
#include "ui/dashboardarea.h"
#include "ui/mainform.h"
#include "ui/tilewidget.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollArea>

namespace gaugeloft {
namespace {

constexpr int kTiles = 64;

struct ThemedWindow {
    ThemedWindow()
        : provider(hub)
        , window(provider, desktop)
    {
        testing::FillSyntheticSensors(hub.source(QString::fromLatin1(kProviders[0].sourceName)), 100, 0.0);
        provider.SetupProvider(0);
        window.Timer1Timer();  // detects and shows the window
        window.FillDemoTiles(kTiles);
        // room for every tile, so each one is painted
        window.resize(1500, 1250);
        window.Timer1Timer();
        window.Tiles().Timer2Timer();
        window.repaint();
    }
    testing::FakeHub hub;
    ProviderState provider;
    // the colour dialog answers at once
    struct : SystemDesktop {
        std::optional<QColor> PickColor(QWidget*, const QColor&) override { return QColor(0x33, 0x66, 0x99); }
    } desktop;
    TMainForm window;
};

void BM_SwitchThemeAndRepaint(benchmark::State& state)
{
    ThemedWindow w;
    if (w.window.Tiles().Count() != kTiles) {
        state.SkipWithError("not enough sensors for the tiles");
        return;
    }
    for (auto _ : state) {
        w.window.SpeedButton6Click();
        w.window.repaint();
    }
    int shown = 0;
    const QRect viewport(QPoint(0, 0), w.window.findChild<DashboardArea*>(QStringLiteral("SensorsPanel"))->ScrollBox()->viewport()->size());
    for (int i = 0; i < w.window.Tiles().Count(); ++i) {
        const TileWidget* tile = w.window.findChild<DashboardArea*>(QStringLiteral("SensorsPanel"))->WidgetOf(w.window.Tiles().At(i));
        if (tile && tile->isVisible() && viewport.contains(tile->geometry()))
            ++shown;
    }
    state.counters["tiles_shown"] = shown;
}
BENCHMARK(BM_SwitchThemeAndRepaint)->Unit(benchmark::kMillisecond);

// The same with the whole window rendered into a new picture each time (no backing store).
void BM_SwitchThemeAndRender(benchmark::State& state)
{
    ThemedWindow w;
    for (auto _ : state) {
        w.window.SpeedButton6Click();
        QPixmap picture = w.window.grab();
        benchmark::DoNotOptimize(picture);
    }
}
BENCHMARK(BM_SwitchThemeAndRender)->Unit(benchmark::kMillisecond);

void BM_CustomColourAndRepaint(benchmark::State& state)
{
    ThemedWindow w;
    for (auto _ : state) {
        w.window.SpeedButton10Click();
        w.window.repaint();
    }
}
BENCHMARK(BM_CustomColourAndRepaint)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace gaugeloft
