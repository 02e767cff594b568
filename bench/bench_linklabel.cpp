// Markup: 1 MB parsed by the tokenizer, and parsed and laid out by the link label with word
// wrap. Shows whether a long text can freeze the window (the figure per 512 characters is the
// time a parser would run between two visits to the event loop).

#include "ui/linklabel.h"
#include "update/hyperparse.h"

#include <QApplication>
#include <QString>

#include <benchmark/benchmark.h>

namespace gaugeloft {
namespace {

constexpr qsizetype kMarkupBytes = 1 << 20;

QString Markup()
{
    const QString paragraph = QStringLiteral(
        "<p>Gaugeloft shows <b>every sensor</b> of this computer &amp; its <i>history</i>; see "
        "<a href=\"https://example.invalid/gaugeloft/help page\" target=_blank>the &quot;help&quot; "
        "pages</a> or <a href=#>Check For &Updates...</a> &copy; Marrowind.<br>Temperatures in "
        "&#176;C, fans in RPM, clocks in MHz, loads in %.</p>\r\n");
    QString text;
    text.reserve(kMarkupBytes + paragraph.size());
    while (text.size() < kMarkupBytes)
        text += paragraph;
    return text;
}

void BM_ParseMarkup(benchmark::State& state)
{
    const QString text = Markup();
    update::THyperParse parser;
    for (auto _ : state) {
        parser.Parse(text);
        benchmark::DoNotOptimize(parser.Count());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
    state.counters["per512chars_us"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * static_cast<double>(text.size()) / 512.0,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(BM_ParseMarkup)->Unit(benchmark::kMillisecond);

void BM_ParseAndLayOutMarkup(benchmark::State& state)
{
    TLinkLabel label;
    label.SetWordWrap(true);
    label.SetLockWidth(true);
    label.resize(400, 20);
    label.SetCaption(Markup());
    for (auto _ : state) {
        label.AdjustBounds();  // prepares, parses and lays the caption out again
        benchmark::DoNotOptimize(label.Runs().size());
    }
    state.SetBytesProcessed(state.iterations() * label.Caption().size());
    state.counters["lines"] = label.height() / QFontMetrics(label.font()).height();
}
BENCHMARK(BM_ParseAndLayOutMarkup)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace gaugeloft
