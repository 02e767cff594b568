// The whole way from a machine's sensors to the tree: two real node exporters over two fake
// machines, one real Prometheus scraping both, its answer to the per-poll query read by
// NodeMetrics.

#include "sources/fakesysfs.h"
#include "sources/nodemetrics.h"
#include "sources/promquery.h"
#include "sources/promservers.h"
#include "sources/sourcehub.h"

#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace gaugeloft::sources {
namespace {

using test::FakeSysfs;

QVariant Prop(const SourceInstance& instance, const char* name)
{
    const qsizetype i = instance.names.indexOf(QLatin1String(name));
    return i < 0 ? QVariant() : instance.values.value(i);
}

// A machine whose readings differ by `shift`: a coretemp CPU and a Super I/O chip.
void BuildMachine(FakeSysfs& tree, int shift)
{
    const QByteArray s = QByteArray::number(shift);
    tree.AddDevice(QStringLiteral("platform/coretemp.0"), QStringLiteral("bus/platform"));
    tree.AddHwmon(QStringLiteral("hwmon0"), QStringLiteral("coretemp"), QStringLiteral("platform/coretemp.0"),
                  {{"temp1_input", QByteArray::number(50000 + shift * 1000) + '\n'},
                   {"temp1_label", "Package id 0\n"},
                   {"temp2_input", "47000\n"},
                   {"temp2_label", "Core 0\n"}});
    tree.AddDevice(QStringLiteral("platform/nct6775.656"), QStringLiteral("bus/platform"));
    tree.AddHwmon(QStringLiteral("hwmon1"), QStringLiteral("nct6798"), QStringLiteral("platform/nct6775.656"),
                  {{"fan1_input", QByteArray::number(1000 + shift * 100) + '\n'},
                   {"in0_input", "1200\n"},
                   {"in0_label", "Vcore\n"},
                   {"pwm1", "255\n"}});
    tree.Write(QStringLiteral("proc/stat"), "cpu  100 0 50 800 50 0 0 0 0 0\ncpu0 100 0 50 800 50 0 0 0 0 0\n");
    tree.Write(QStringLiteral("proc/meminfo"),
               "MemTotal: 8000000 kB\nMemFree: 1000000 kB\nMemAvailable: " + QByteArray::number(2000000 * (1 + shift))
                   + " kB\n");
    tree.Write(QStringLiteral("proc/net/dev"),
               "Inter-|   Receive |  Transmit\n face |bytes packets errs drop fifo frame compressed multicast|bytes\n"
               "  eth0: 1000 1 0 0 0 0 0 0 2000 1 0 0 0 0 0 0\n");
    tree.Write(QStringLiteral("proc/diskstats"), " 8 0 sda 10 0 80 1 20 0 160 2 0 3 3 0 0 0 0\n");
}

// Two fake machines, "alpha" and "beta", each behind a real node exporter, and one real
// Prometheus scraping both every second.
class TwoMachines : public ::testing::Test {
protected:
    void SetUp() override
    {
        GAUGELOFT_SKIP_WITHOUT_PROMETHEUS();
        ASSERT_TRUE(treeA.IsValid() && treeB.IsValid());
        BuildMachine(treeA, 0);
        BuildMachine(treeB, 2);
        alphaExporter = std::make_unique<test::NodeExporter>(treeA.Root(), QStringLiteral("alpha"));
        betaExporter = std::make_unique<test::NodeExporter>(treeB.Root(), QStringLiteral("beta"));
        ASSERT_TRUE(alphaExporter->IsRunning()) << alphaExporter->Error().toStdString();
        ASSERT_TRUE(betaExporter->IsRunning()) << betaExporter->Error().toStdString();
        serverProcess = std::make_unique<test::PrometheusServer>(
            QStringList{alphaExporter->Address(), betaExporter->Address()});
        ASSERT_TRUE(serverProcess->IsRunning()) << serverProcess->Error().toStdString();
        ASSERT_TRUE(serverProcess->WaitForScrapes()) << serverProcess->Error().toStdString();
    }

    FakeSysfs treeA, treeB;
    std::unique_ptr<test::NodeExporter> alphaExporter, betaExporter;
    std::unique_ptr<test::PrometheusServer> serverProcess;
};

TEST_F(TwoMachines, OneServerAnswersForBoth)
{
    const test::NodeExporter& alpha = *alphaExporter;
    const test::NodeExporter& beta = *betaExporter;
    const test::PrometheusServer& server = *serverProcess;

    const std::optional<QByteArray> answer = test::HttpGet(PromQueryUrl(server.BaseUrl()));
    ASSERT_TRUE(answer);
    NodeMetrics metrics;
    SensorDocument doc;
    ASSERT_TRUE(metrics.ReadQueryAnswer(*answer, doc)) << answer->left(300).toStdString();

    // one top-level computer per exporter, in the order of their addresses
    QStringList computers, names;
    for (const SourceInstance& item : doc.hardware) {
        if (Prop(item, "Parent").toString().isEmpty()) {
            computers << Prop(item, "Identifier").toString();
            names << Prop(item, "Name").toString();
            EXPECT_EQ(Prop(item, "HardwareType"), "Mainboard");
        }
    }
    QStringList addresses = {alpha.Address(), beta.Address()};
    const bool alphaFirst = addresses[0] < addresses[1];
    if (!alphaFirst)
        std::swap(addresses[0], addresses[1]);
    ASSERT_EQ(computers, QStringList({"/prometheus/" + addresses[0], "/prometheus/" + addresses[1]}));
    // the host names when the exporters could be given their own
    if (names.contains(QStringLiteral("alpha")) || names.contains(QStringLiteral("beta"))) {
        EXPECT_EQ(names, alphaFirst ? QStringList({"alpha", "beta"}) : QStringList({"beta", "alpha"}));
    }

    struct Expected {
        const char* id;
        const char* name;
        const char* parent;
        const char* type;
        double value; // on alpha; beta's are shifted by `perShift` × 2
        double perShift;
    };
    const Expected expected[] = {
        {"/hwmon/platform_coretemp_0/temp1", "CPU Package", "/cpu/0", "Temperature", 50, 1},
        {"/hwmon/platform_coretemp_0/temp2", "CPU Core #1", "/cpu/0", "Temperature", 47, 0},
        {"/hwmon/platform_nct6775_656/fan1", "Fan", "/hwmon/platform_nct6775_656", "Fan", 1000, 100},
        {"/hwmon/platform_nct6775_656/pwm1", "Fan Control", "/hwmon/platform_nct6775_656", "Control", 100, 0},
        {"/hwmon/platform_nct6775_656/in0", "Vcore", "/hwmon/platform_nct6775_656", "Voltage", 1.2, 0},
        {"/ram/load/0", "Memory", "/ram", "Load", 75, -25},
        {"/cpu/0/load/0", "CPU Total", "/cpu/0", "Load", 0, 0},
        {"/nic/eth0/throughput/0", "Upload Speed", "/nic/eth0", "Throughput", 0, 0},
        {"/disk/sda/throughput/0", "Read Rate", "/disk/sda", "Throughput", 0, 0},
    };
    for (int machine = 0; machine < 2; ++machine) {
        const QString prefix = computers[alphaFirst ? machine : 1 - machine];
        for (const Expected& e : expected) {
            const auto sensor = std::find_if(doc.sensors.begin(), doc.sensors.end(), [&](const SourceInstance& s) {
                return Prop(s, "Identifier").toString() == prefix + QLatin1String(e.id);
            });
            ASSERT_NE(sensor, doc.sensors.end()) << e.id;
            EXPECT_EQ(Prop(*sensor, "Name").toString(), QLatin1String(e.name)) << e.id;
            EXPECT_EQ(Prop(*sensor, "Parent").toString(), prefix + QLatin1String(e.parent)) << e.id;
            EXPECT_EQ(Prop(*sensor, "SensorType").toString(), QLatin1String(e.type)) << e.id;
            EXPECT_NEAR(Prop(*sensor, "Value").toDouble(), e.value + machine * 2 * e.perShift, 1e-9) << e.id;
        }
    }
    const auto chip = std::find_if(doc.hardware.begin(), doc.hardware.end(), [&](const SourceInstance& h) {
        return Prop(h, "Identifier").toString() == computers[0] + QStringLiteral("/hwmon/platform_nct6775_656");
    });
    ASSERT_NE(chip, doc.hardware.end());
    EXPECT_EQ(Prop(*chip, "Name"), "NCT6798");
    EXPECT_EQ(Prop(*chip, "HardwareType"), "SuperIO");
    EXPECT_EQ(Prop(*chip, "Parent").toString(), computers[0]);
}

QStringList Ids(const SourceObjectSet& set)
{
    QStringList ids;
    for (const SourceInstance& instance : set)
        ids << Prop(instance, "Identifier").toString();
    return ids;
}

// The provider as the program opens it: the hub's Prometheus source at an address, asked the
// way the poll asks, first a node exporter's page, then the server.
TEST_F(TwoMachines, TheProviderFollowsItsAddress)
{
    const test::NodeExporter& alpha = *alphaExporter;
    const test::NodeExporter& beta = *betaExporter;
    const test::PrometheusServer& server = *serverProcess;

    LinuxSourceHub hub(SourceHubOptions{});
    const QString name = QString::fromLatin1(kPrometheusSourceName);
    SourceObjectSet hardware, sensors;
    const auto poll = [&] { return hub.Open(name).Enumerate(kHardwareClass, hardware)
                                   && hub.Open(name).Enumerate(kSensorClass, sensors); };

    hub.SetAddress(name, alpha.MetricsUrl());
    ASSERT_TRUE(QTest::qWaitFor(poll, 10000));
    EXPECT_TRUE(Ids(sensors).contains("/hwmon/platform_nct6775_656/fan1")) << "one machine, no computer item";
    EXPECT_TRUE(Ids(hardware).contains("/cpu/0"));

    hub.SetAddress(name, server.BaseUrl());
    EXPECT_FALSE(poll()) << "nothing until the new address answers";
    ASSERT_TRUE(QTest::qWaitFor(poll, 10000));
    EXPECT_TRUE(Ids(hardware).contains("/prometheus/" + alpha.Address()));
    EXPECT_TRUE(Ids(hardware).contains("/prometheus/" + beta.Address()));
    EXPECT_TRUE(Ids(sensors).contains("/prometheus/" + beta.Address() + "/hwmon/platform_nct6775_656/fan1"));

    // the readings move with the machine
    treeB.Write(QStringLiteral("sys/devices/platform/nct6775.656/hwmon/hwmon1/fan1_input"), "1777\n");
    const QString fan = "/prometheus/" + beta.Address() + "/hwmon/platform_nct6775_656/fan1";
    EXPECT_TRUE(QTest::qWaitFor([&] {
        if (!poll())
            return false;
        for (const SourceInstance& s : sensors) {
            if (Prop(s, "Identifier").toString() == fan)
                return Prop(s, "Value").toDouble() == 1777;
        }
        return false;
    }, 10000));
}

} // namespace
} // namespace gaugeloft::sources
