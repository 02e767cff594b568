// Formatting cost per reading: the poll cycle formats about 1000 texts a second.

#include "platform/numberformat.h"
#include "sensors/sensordata.h"
#include "sensors/typetables.h"

#include <QLocale>
#include <benchmark/benchmark.h>

#include <vector>

using namespace gaugeloft;

namespace {

const double kValues[] = {45.25, 1.2345, 3600, 999.6, 57.5, 1234.5, 1048575, 0.04, -12.5, 98765.4321};
constexpr int kValueCount = int(std::size(kValues));

void useEnglish()
{
    NumberLocale::SetCurrent(NumberLocale::FromQLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
}

void BM_FormatPattern(benchmark::State& state)
{
    useEnglish();
    int i = 0;
    for (auto _ : state) {
        QString s = FormatPattern(u"%.1n 'C", kValues[i]);
        benchmark::DoNotOptimize(s);
        i = (i + 1) % kValueCount;
    }
}
BENCHMARK(BM_FormatPattern);

void BM_AppendPatternReusedBuffer(benchmark::State& state)
{
    useEnglish();
    const NumberLocale& locale = NumberLocale::Current();
    QString out;
    out.reserve(64);
    int i = 0;
    for (auto _ : state) {
        out.truncate(0);
        AppendPattern(out, u"%.1n KB/s", kValues[i], locale);
        benchmark::DoNotOptimize(out.constData());
        i = (i + 1) % kValueCount;
    }
}
BENCHMARK(BM_AppendPatternReusedBuffer);

void BM_AppendPatternLargeNumber(benchmark::State& state)
{
    useEnglish();
    const NumberLocale& locale = NumberLocale::Current();
    QString out;
    out.reserve(64);
    for (auto _ : state) {
        out.truncate(0);
        AppendPattern(out, u"%.3n", 123456789012.3456, locale);
        benchmark::DoNotOptimize(out.constData());
    }
}
BENCHMARK(BM_AppendPatternLargeNumber);

std::vector<TSensorData> mixedRecords()
{
    // A tree-like mix of types and flags.
    const struct {
        int type;
        double value;
        bool fahrenheit;
        bool bare;
    } mix[] = {
        {stTemperature, 45.25, false, false}, {stTemperature, 113.45, true, false},
        {stClock, 3600, false, false},       {stClock, 800, false, false},
        {stLoad, 57.5, false, false},        {stVoltage, 1.2345, false, false},
        {stFan, 1234, false, false},         {stPower, 65.3, false, false},
        {stThroughput, 500, false, false},   {stThroughput, 5242880, false, false},
        {stThroughput, 2147483648.0, false, false}, {stData, 123.4, false, false},
        {stSmallData, 4096, false, false},   {stFan, 980, false, true},
    };
    std::vector<TSensorData> records;
    for (const auto& m : mix) {
        TSensorData d;
        d.IsSensor = true;
        d.TypeIndex = uint8_t(m.type);
        d.Fahrenheit = m.fahrenheit;
        d.BareNumber = m.bare;
        d.Steps = 4;
        d.SetValue(m.value);
        records.push_back(d);
    }
    return records;
}

void BM_FormatReadingMix(benchmark::State& state)
{
    useEnglish();
    const std::vector<TSensorData> records = mixedRecords();
    std::size_t i = 0;
    for (auto _ : state) {
        QString s = records[i].FormatValue();
        benchmark::DoNotOptimize(s);
        i = (i + 1) % records.size();
    }
}
BENCHMARK(BM_FormatReadingMix);

// One poll's worth: 1000 records, value, min and max each.
void BM_FormatThousandRecords(benchmark::State& state)
{
    useEnglish();
    const std::vector<TSensorData> mix = mixedRecords();
    std::vector<TSensorData> records;
    for (int i = 0; i < 1000; ++i) {
        TSensorData d = mix[i % mix.size()];
        d.Min = d.Value * 0.5;
        d.Max = d.Value * 1.5;
        records.push_back(d);
    }
    for (auto _ : state) {
        for (const TSensorData& d : records) {
            QString v = d.FormatValue();
            QString lo = d.FormatMin();
            QString hi = d.FormatMax();
            benchmark::DoNotOptimize(v);
            benchmark::DoNotOptimize(lo);
            benchmark::DoNotOptimize(hi);
        }
    }
}
BENCHMARK(BM_FormatThousandRecords)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
