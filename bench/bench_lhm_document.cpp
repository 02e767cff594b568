// Reading one data.json of Libre Hardware Monitor's remote web server, as a remote source does
// at every poll: computers of hardware items with groups of sensors, newer (numbers and ids) and
// older (texts only) servers.

#include "sources/lhmdocument.h"

#include <benchmark/benchmark.h>

namespace {

using gaugeloft::sources::SensorDocument;
using gaugeloft::sources::ReadLhmDocument;

// `sensors` sensors in groups of 10, five groups to a hardware item.
QByteArray Document(int sensors, bool newer)
{
    QByteArray json = "{\"id\":0,\"Text\":\"Sensor\",\"Children\":[{\"id\":1,\"Text\":\"PC\",\"Children\":[";
    const char* groups[] = {"Temperatures", "Voltages", "Fans", "Clocks", "Loads"};
    const char* types[] = {"Temperature", "Voltage", "Fan", "Clock", "Load"};
    const char* units[] = {"45,3 °C", "1,212 V", "1.234 RPM", "3,6 GHz", "12,5 %"};
    int id = 2;
    for (int s = 0, hw = 0; s < sensors; ++hw) {
        if (hw > 0)
            json += ',';
        const QByteArray hwId = "/lpc/chip" + QByteArray::number(hw);
        json += "{\"id\":" + QByteArray::number(id++) + ",\"Text\":\"Chip " + QByteArray::number(hw)
                + "\",\"ImageURL\":\"images_icon/chip.png\"" + (newer ? ",\"HardwareId\":\"" + hwId + "\"" : QByteArray())
                + ",\"Children\":[";
        for (int g = 0; g < 5 && s < sensors; ++g) {
            if (g > 0)
                json += ',';
            json += "{\"id\":" + QByteArray::number(id++) + ",\"Text\":\"" + groups[g] + "\",\"Children\":[";
            for (int k = 0; k < 10 && s < sensors; ++k, ++s) {
                if (k > 0)
                    json += ',';
                json += "{\"id\":" + QByteArray::number(id++) + ",\"Text\":\"Sensor " + QByteArray::number(k)
                        + "\",\"Min\":\"" + units[g] + "\",\"Value\":\"" + units[g] + "\",\"Max\":\"" + units[g]
                        + "\",\"ImageURL\":\"images/transparent.png\",\"Children\":[]";
                if (newer)
                    json += ",\"SensorId\":\"" + hwId + "/" + QByteArray(types[g]).toLower() + "/"
                            + QByteArray::number(k) + "\",\"Type\":\"" + types[g]
                            + "\",\"RawMin\":40.5,\"RawValue\":45.25,\"RawMax\":80";
                json += '}';
            }
            json += "]}";
        }
        json += "]}";
    }
    return json + "]}]}";
}

void BM_LhmDocument(benchmark::State& state)
{
    const QByteArray json = Document(int(state.range(0)), state.range(1) != 0);
    SensorDocument doc;
    for (auto _ : state) {
        ReadLhmDocument(json, doc);
        benchmark::DoNotOptimize(doc.sensors.data());
    }
    state.counters["bytes"] = double(json.size());
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LhmDocument)
    ->ArgsProduct({{125, 250, 500, 1000}, {0, 1}})
    ->ArgNames({"sensors", "newer"})
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
