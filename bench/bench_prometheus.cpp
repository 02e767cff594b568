// Reading what a Prometheus source gets at every poll: a server's answer to the node metrics
// query for many machines (100 series each: hwmon chips, CPU times, memory, network, disk,
// host name, scrape time) into hardware and sensors, and one machine's /metrics page.

#include "sources/nodemetrics.h"

#include <benchmark/benchmark.h>

namespace {

using gaugeloft::sources::NodeMetrics;
using gaugeloft::sources::SensorDocument;

// One machine's 100 series of an answer, at `seconds`.
void AppendMachine(QByteArray& json, int machine, double seconds)
{
    const QByteArray instance = "node" + QByteArray::number(machine) + ":9100";
    const QByteArray stamp = QByteArray::number(seconds, 'f', 3);
    const auto series = [&](const QByteArray& labels, double value) {
        if (!json.endsWith('['))
            json += ',';
        json += R"({"metric":{)" + labels + R"(,"instance":")" + instance + R"(","job":"node"},"value":[)" + stamp
                + R"(,")" + QByteArray::number(value, 'g', 12) + "\"]}";
    };
    series(R"("__name__":"node_uname_info","nodename":"host)" + QByteArray::number(machine) + '"', 1);
    series(R"("__name__":"gaugeloft_scrape_timestamp_seconds","of":"up")", seconds - 0.4);
    const char* chips[] = {"platform_coretemp_0", "platform_nct6775_656"};
    const char* names[] = {"coretemp", "nct6798"};
    for (int c = 0; c < 2; ++c)
        series(R"("__name__":"node_hwmon_chip_names","chip":")" + QByteArray(chips[c]) + R"(","chip_name":")"
                   + names[c] + '"',
               1);
    for (int cpu = 0; cpu < 2; ++cpu) {
        for (const char* mode : {"idle", "iowait", "irq", "nice", "softirq", "steal", "system", "user"})
            series(R"("__name__":"node_cpu_seconds_total","cpu":")" + QByteArray::number(cpu) + R"(","mode":")" + mode
                       + '"',
                   seconds * 0.3 + cpu);
    }
    series(R"("__name__":"node_memory_MemTotal_bytes")", 1.6e10);
    series(R"("__name__":"node_memory_MemAvailable_bytes")", 8e9 + seconds);
    series(R"("__name__":"node_network_receive_bytes_total","device":"eth0")", seconds * 1e5);
    series(R"("__name__":"node_network_transmit_bytes_total","device":"eth0")", seconds * 2e4);
    series(R"("__name__":"node_disk_read_bytes_total","device":"nvme0n1")", seconds * 3e5);
    series(R"("__name__":"node_disk_written_bytes_total","device":"nvme0n1")", seconds * 4e5);
    // 74 hwmon readings: the CPU's temperatures, the Super I/O's temperatures, fans and voltages
    for (int i = 1; i <= 74; ++i) {
        const bool cpu = i <= 17;
        const char* metric = cpu || i <= 34 ? "node_hwmon_temp_celsius" : i <= 54 ? "node_hwmon_fan_rpm" : "node_hwmon_in_volts";
        const char* prefix = cpu || i <= 34 ? "temp" : i <= 54 ? "fan" : "in";
        series(R"("__name__":")" + QByteArray(metric) + R"(","chip":")" + chips[cpu ? 0 : 1] + R"(","sensor":")"
                   + prefix + QByteArray::number(i) + '"',
               40 + i * 0.5 + seconds * 0.001);
    }
}

QByteArray Answer(int machines, double seconds)
{
    QByteArray json = R"({"status":"success","data":{"resultType":"vector","result":[)";
    for (int m = 0; m < machines; ++m)
        AppendMachine(json, m, seconds);
    return json + "]}}";
}

void BM_PrometheusQueryAnswer(benchmark::State& state)
{
    const int machines = int(state.range(0)) / 100;
    // two answers a poll apart, so that every read computes rates
    const QByteArray answers[] = {Answer(machines, 1700000000.0), Answer(machines, 1700000001.0)};
    NodeMetrics metrics;
    SensorDocument doc;
    int poll = 0;
    for (auto _ : state) {
        if (!metrics.ReadQueryAnswer(answers[poll++ & 1], doc)) {
            state.SkipWithError("the answer was refused");
            break;
        }
        benchmark::DoNotOptimize(doc.sensors.data());
    }
    state.counters["bytes"] = double(answers[0].size());
    state.counters["sensors"] = double(doc.sensors.size());
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_PrometheusQueryAnswer)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->ArgName("series")
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// A node exporter's page as it comes: 16 CPUs, four chips, the Go runtime's own metrics, ...
QByteArray ExporterPage(double seconds)
{
    QByteArray page;
    for (int i = 0; i < 120; ++i)
        page += "# HELP go_gc_duration_seconds A summary of the pause duration.\n# TYPE go_gc_duration_seconds summary\n"
                "go_gc_duration_seconds{quantile=\"0." + QByteArray::number(i) + "\"} 1.2e-05\n";
    page += "# HELP node_cpu_seconds_total Seconds the CPUs spent in each mode.\n# TYPE node_cpu_seconds_total counter\n";
    for (int cpu = 0; cpu < 16; ++cpu) {
        for (const char* mode : {"idle", "iowait", "irq", "nice", "softirq", "steal", "system", "user"})
            page += "node_cpu_seconds_total{cpu=\"" + QByteArray::number(cpu) + "\",mode=\"" + mode + "\"} "
                    + QByteArray::number(seconds * 0.1 + cpu, 'f', 2) + '\n';
    }
    const char* chips[] = {"platform_coretemp_0", "platform_nct6775_656", "0000:00:01_0_0000:03:00_0", "nvme_nvme0"};
    const char* names[] = {"coretemp", "nct6798", "amdgpu", "nvme"};
    for (int c = 0; c < 4; ++c) {
        page += "node_hwmon_chip_names{chip=\"" + QByteArray(chips[c]) + "\",chip_name=\"" + names[c] + "\"} 1\n";
        for (int t = 1; t <= 10; ++t) {
            page += "node_hwmon_temp_celsius{chip=\"" + QByteArray(chips[c]) + "\",sensor=\"temp" + QByteArray::number(t)
                    + "\"} " + QByteArray::number(40 + t) + '\n';
            page += "node_hwmon_sensor_label{chip=\"" + QByteArray(chips[c]) + "\",label=\"Sensor " + QByteArray::number(t)
                    + "\",sensor=\"temp" + QByteArray::number(t) + "\"} 1\n";
        }
    }
    page += "node_memory_MemTotal_bytes 1.6777216e+10\nnode_memory_MemAvailable_bytes 8.388608e+09\n";
    for (const char* nic : {"eth0", "eth1", "wlan0", "lo"})
        page += QByteArray("node_network_receive_bytes_total{device=\"") + nic + "\"} " + QByteArray::number(seconds * 1e5)
                + "\nnode_network_transmit_bytes_total{device=\"" + nic + "\"} " + QByteArray::number(seconds * 1e4) + '\n';
    page += "node_uname_info{domainname=\"(none)\",machine=\"x86_64\",nodename=\"desk\",release=\"6.1.0\",sysname=\"Linux\","
            "version=\"#1 SMP\"} 1\n";
    return page;
}

void BM_ExporterPage(benchmark::State& state)
{
    const QByteArray pages[] = {ExporterPage(1000), ExporterPage(1001)};
    NodeMetrics metrics;
    SensorDocument doc;
    qint64 now = 0;
    for (auto _ : state) {
        now += 1000;
        metrics.ReadExposition(pages[(now / 1000) & 1], now, doc);
        benchmark::DoNotOptimize(doc.sensors.data());
    }
    state.counters["bytes"] = double(pages[0].size());
    state.counters["sensors"] = double(doc.sensors.size());
}
BENCHMARK(BM_ExporterPage)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
