// The node exporter's metrics as the kernel source's hardware and sensors, on pages and
// answers captured from the real exporter and server (tests/fixtures/prometheus).

#include "sources/nodemetrics.h"

#include <QFile>
#include <QSet>

#include <gtest/gtest.h>

namespace gaugeloft::sources {
namespace {

QByteArray Fixture(const char* name)
{
    QFile file(QStringLiteral(GAUGELOFT_SOURCE_DIR "/tests/fixtures/prometheus/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QVariant Prop(const SourceInstance& instance, const char* name)
{
    const qsizetype i = instance.names.indexOf(QLatin1String(name));
    return i < 0 ? QVariant() : instance.values.value(i);
}

const SourceInstance* ById(const SourceObjectSet& set, const QString& id)
{
    for (const SourceInstance& instance : set) {
        if (Prop(instance, "Identifier").toString() == id)
            return &instance;
    }
    return nullptr;
}

QStringList Column(const SourceObjectSet& set, const char* name)
{
    QStringList column;
    for (const SourceInstance& instance : set)
        column << Prop(instance, name).toString();
    return column;
}

struct Expected {
    const char* id; // below the machine's prefix
    const char* name;
    const char* parent;
    const char* type;
    double value;
};

// Every expected sensor is there, under its item, with its name, type and value.
void ExpectSensors(const SensorDocument& doc, const QString& prefix, std::initializer_list<Expected> expected)
{
    for (const Expected& e : expected) {
        const SourceInstance* sensor = ById(doc.sensors, prefix + QLatin1String(e.id));
        ASSERT_TRUE(sensor) << e.id;
        EXPECT_EQ(Prop(*sensor, "Name").toString(), QString::fromUtf8(e.name)) << e.id;
        EXPECT_EQ(Prop(*sensor, "Parent").toString(), prefix + QLatin1String(e.parent)) << e.id;
        EXPECT_EQ(Prop(*sensor, "SensorType").toString(), QLatin1String(e.type)) << e.id;
        EXPECT_NEAR(Prop(*sensor, "Value").toDouble(), e.value, 1e-6) << e.id;
    }
}

// Names line up with values; every identifier once; every parent an item listed before.
void ExpectWellFormed(const SensorDocument& doc)
{
    QSet<QString> ids, items;
    for (const SourceObjectSet* set : {&doc.hardware, &doc.sensors}) {
        for (const SourceInstance& instance : *set) {
            ASSERT_EQ(instance.names.size(), instance.values.size());
            const QString id = Prop(instance, "Identifier").toString();
            EXPECT_FALSE(ids.contains(id)) << id.toStdString();
            ids.insert(id);
            const QString parent = Prop(instance, "Parent").toString();
            EXPECT_TRUE(parent.isEmpty() ? set == &doc.hardware : items.contains(parent)) << id.toStdString();
            if (set == &doc.hardware)
                items.insert(id);
        }
    }
}

TEST(NodeMetrics, ExporterPageAsTheKernelSourceNamesIt)
{
    NodeMetrics metrics;
    SensorDocument first, second;
    ASSERT_TRUE(metrics.ReadExposition(Fixture("metrics-1.txt"), 1000, first));
    ASSERT_TRUE(metrics.ReadExposition(Fixture("metrics-2.txt"), 3000, second));
    ExpectWellFormed(second);

    EXPECT_EQ(Column(second.hardware, "Identifier"),
              QStringList({"/cpu/0", "/ram", "/hwmon/0000:00:01_0_0000:03:00_0", "/hwmon/nvme_nvme0",
                           "/hwmon/platform_nct6775_656", "/hwmon/thermal_thermal_zone0", "/disk/nvme0n1",
                           "/nic/eth0"}));
    EXPECT_EQ(Column(second.hardware, "Name"),
              QStringList({"CPU", "Memory", "amdgpu", "nvme", "NCT6798", "acpitz", "nvme0n1", "eth0"}));
    EXPECT_EQ(Column(second.hardware, "HardwareType"),
              QStringList({"CPU", "Memory", "GpuAmd", "Storage", "SuperIO", "Motherboard", "Storage", "Network"}));
    EXPECT_EQ(Column(second.hardware, "Parent"), QStringList(8, QString()));

    const char* gpu = "/hwmon/0000:00:01_0_0000:03:00_0";
    ExpectSensors(second, {},
                  {
                      {"/cpu/0/load/0", "CPU Total", "/cpu/0", "Load", 4.0 * 100 / 11},
                      {"/cpu/0/load/1", "CPU Core #1", "/cpu/0", "Load", 2.5 * 100 / 5.5},
                      {"/cpu/0/load/2", "CPU Core #2", "/cpu/0", "Load", 1.5 * 100 / 5.5},
                      {"/hwmon/platform_coretemp_0/temp1", "CPU Package", "/cpu/0", "Temperature", 53},
                      {"/hwmon/platform_coretemp_0/temp2", "CPU Core #1", "/cpu/0", "Temperature", 50},
                      {"/ram/load/0", "Memory", "/ram", "Load", 56.25},
                      {"/ram/data/0", "Used Memory", "/ram", "Data", 9216000.0 / 1024 / 1024},
                      {"/ram/data/1", "Available Memory", "/ram", "Data", 7168000.0 / 1024 / 1024},
                      {"/hwmon/platform_nct6775_656/temp1", "SYSTIN", "/hwmon/platform_nct6775_656", "Temperature", 38.5},
                      {"/hwmon/platform_nct6775_656/fan1", "Fan #1", "/hwmon/platform_nct6775_656", "Fan", 1230},
                      {"/hwmon/platform_nct6775_656/fan2", "Fan #2", "/hwmon/platform_nct6775_656", "Fan", 0},
                      {"/hwmon/platform_nct6775_656/pwm1", "Fan Control", "/hwmon/platform_nct6775_656", "Control",
                       128 * 100.0 / 255},
                      {"/hwmon/platform_nct6775_656/in0", "Vcore", "/hwmon/platform_nct6775_656", "Voltage", 1.216},
                      {"/hwmon/platform_nct6775_656/in1", "Voltage", "/hwmon/platform_nct6775_656", "Voltage", 3.344},
                      {"/hwmon/0000:00:01_0_0000:03:00_0/power1", "Power", gpu, "Power", 36},
                      {"/hwmon/0000:00:01_0_0000:03:00_0/curr1", "Current", gpu, "Current", 1.5},
                      {"/hwmon/0000:00:01_0_0000:03:00_0/temp1", "edge", gpu, "Temperature", 61},
                      {"/hwmon/nvme_nvme0/temp1", "Composite", "/hwmon/nvme_nvme0", "Temperature", 44.85},
                      {"/disk/nvme0n1/throughput/0", "Read Rate", "/disk/nvme0n1", "Throughput", 8192 * 512 / 2.0},
                      {"/disk/nvme0n1/throughput/1", "Write Rate", "/disk/nvme0n1", "Throughput", 2048 * 512 / 2.0},
                      {"/nic/eth0/throughput/0", "Upload Speed", "/nic/eth0", "Throughput", 250000},
                      {"/nic/eth0/throughput/1", "Download Speed", "/nic/eth0", "Throughput", 1000000},
                      {"/nic/eth0/data/1", "Data Downloaded", "/nic/eth0", "Data", 502000000.0 / (1 << 30)},
                  });
    // the first read has no rate yet; the extremes span both reads
    ExpectSensors(first, {}, {{"/nic/eth0/throughput/1", "Download Speed", "/nic/eth0", "Throughput", 0}});
    const SourceInstance* package = ById(second.sensors, QStringLiteral("/hwmon/platform_coretemp_0/temp1"));
    EXPECT_EQ(Prop(*package, "Min").toDouble(), 52);
    EXPECT_EQ(Prop(*package, "Max").toDouble(), 53);

    // read again at the same moment: the rates stay; a page that is not one changes nothing
    SensorDocument again;
    EXPECT_FALSE(metrics.ReadExposition("garbage{", 4000, again));
    EXPECT_TRUE(again.hardware.empty() && again.sensors.empty());
    ASSERT_TRUE(metrics.ReadExposition(Fixture("metrics-2.txt"), 3000, again));
    ExpectSensors(again, {}, {{"/nic/eth0/throughput/1", "Download Speed", "/nic/eth0", "Throughput", 1000000}});
}

TEST(NodeMetrics, ServerAnswerGivesOneComputerPerInstance)
{
    NodeMetrics metrics;
    SensorDocument doc;
    ASSERT_TRUE(metrics.ReadQueryAnswer(Fixture("query.json"), doc));
    ExpectWellFormed(doc);
    QStringList computers;
    for (const SourceInstance& item : doc.hardware) {
        if (Prop(item, "Parent").toString().isEmpty()) {
            computers << Prop(item, "Name").toString();
            EXPECT_EQ(Prop(item, "HardwareType"), "Mainboard");
            EXPECT_TRUE(Prop(item, "Identifier").toString().startsWith(QLatin1String("/prometheus/127.0.0.1:")));
        }
    }
    ASSERT_EQ(computers.size(), 2);
    EXPECT_EQ(QSet<QString>(computers.begin(), computers.end()), QSet<QString>({"alpha", "beta"}));
    for (const SourceInstance& item : doc.hardware) {
        if (Prop(item, "Name") == "beta") {
            const QString beta = Prop(item, "Identifier").toString();
            ExpectSensors(doc, beta,
                          {
                              {"/hwmon/platform_coretemp_0/temp1", "CPU Package", "/cpu/0", "Temperature", 55},
                              {"/hwmon/platform_nct6775_656/fan1", "Fan #1", "/hwmon/platform_nct6775_656", "Fan", 1290},
                              {"/hwmon/0000:00:01_0_0000:03:00_0/power1", "Power", "/hwmon/0000:00:01_0_0000:03:00_0",
                               "Power", 38},
                              {"/ram/load/0", "Memory", "/ram", "Load", 68.75},
                              {"/cpu/0/load/0", "CPU Total", "/cpu/0", "Load", 0},
                              {"/nic/eth0/throughput/1", "Download Speed", "/nic/eth0", "Throughput", 0},
                          });
            const SourceInstance* cpu = ById(doc.hardware, beta + QStringLiteral("/cpu/0"));
            ASSERT_TRUE(cpu);
            EXPECT_EQ(Prop(*cpu, "Parent").toString(), beta);
        }
    }
}

// A server's counters move with the scrape time of their target, not with the query's.
TEST(NodeMetrics, ServerRatesFollowTheScrapeTime)
{
    struct Step {
        double scrapeSeconds;
        double queryTime;
        double counter;
        double rate;
    };
    const Step steps[] = {
        {100, 100.5, 1000, 0},    // first read
        {102, 102.1, 3000, 1000}, // 2000 bytes in 2 s
        {102, 103.0, 3000, 1000}, // not scraped again: the rate stays
        {104, 104.2, 3000, 0},    // idle
        {105, 105.0, 500, 0},     // the exporter restarted
        {106, 106.9, 1500, 1000},
    };
    NodeMetrics metrics;
    SensorDocument doc;
    for (const Step& s : steps) {
        const QByteArray ts = QByteArray::number(s.queryTime, 'f', 3);
        const QByteArray json =
            R"({"status":"success","data":{"resultType":"vector","result":[)"
            R"({"metric":{"__name__":"node_network_receive_bytes_total","device":"eth0","instance":"h:9100","job":"n"},)"
            R"("value":[)" + ts + R"(,")" + QByteArray::number(s.counter) + R"("]},)"
            R"({"metric":{"__name__":"gaugeloft_scrape_timestamp_seconds","instance":"h:9100","job":"n","of":"up"},)"
            R"("value":[)" + ts + R"(,")" + QByteArray::number(s.scrapeSeconds) + R"("]}]}})";
        ASSERT_TRUE(metrics.ReadQueryAnswer(json, doc));
        ExpectSensors(doc, QStringLiteral("/prometheus/h:9100"),
                      {{"/nic/eth0/throughput/1", "Download Speed", "/nic/eth0", "Throughput", s.rate}});
        EXPECT_EQ(Prop(doc.hardware.front(), "Name"), "h:9100"); // no host name: the instance
    }
    const SourceInstance* speed = ById(doc.sensors, QStringLiteral("/prometheus/h:9100/nic/eth0/throughput/1"));
    EXPECT_EQ(Prop(*speed, "Max").toDouble(), 1000);
    EXPECT_EQ(Prop(*speed, "Min").toDouble(), 0);
}

} // namespace
} // namespace gaugeloft::sources
