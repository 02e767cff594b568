#include "sources/fakesysfs.h"
#include "sources/kernel/hwmonscan.h"
#include "sources/kernel/kernelsource.h"
#include "sources/kernel/procparse.h"

#include <QDir>
#include <QSet>

#include <gtest/gtest.h>

#include <sys/statvfs.h>

#include <cmath>
#include <functional>
#include <optional>
#include <utility>

// Readable failures.
void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

using gaugeloft::sources::KernelSource;
using gaugeloft::sources::KernelSourceOptions;
using gaugeloft::sources::SourceInstance;
using gaugeloft::sources::SourceObjectSet;
using gaugeloft::test::FakeSysfs;

namespace {

struct Reading {
    SourceObjectSet hardware;
    SourceObjectSet sensors;
};

class Machine {
public:
    Machine()
    {
        EXPECT_TRUE(tree.isValid());
    }

    KernelSource& source()
    {
        if (!m_source) {
            KernelSourceOptions options;
            options.sysRoot = tree.sysRoot();
            options.procRoot = tree.procRoot();
            options.clockMs = [this] { return clockMs; };
            options.hardwareEvents = events;
            m_source = std::make_unique<KernelSource>(options);
        }
        return *m_source;
    }

    Reading read()
    {
        Reading r;
        EXPECT_TRUE(source().ReadAll(r.hardware, r.sensors));
        return r;
    }

    FakeSysfs tree;
    qint64 clockMs = 1000;
    std::function<bool()> events;  // set before the first read

private:
    std::unique_ptr<KernelSource> m_source;
};

QVariant prop(const SourceInstance& instance, const char* name)
{
    const qsizetype i = instance.names.indexOf(QLatin1String(name));
    return i < 0 ? QVariant() : instance.values.value(i);
}

const SourceInstance* byId(const SourceObjectSet& set, const QString& id)
{
    for (const SourceInstance& instance : set) {
        if (prop(instance, "Identifier").toString() == id)
            return &instance;
    }
    return nullptr;
}

QStringList ids(const SourceObjectSet& set)
{
    QStringList out;
    for (const SourceInstance& instance : set)
        out << prop(instance, "Identifier").toString();
    return out;
}

// The value of a sensor, or nullopt when it is missing or null.
std::optional<double> value(const Reading& r, const QString& id, const char* field = "Value")
{
    const SourceInstance* s = byId(r.sensors, id);
    if (!s)
        return std::nullopt;
    const QVariant v = prop(*s, field);
    if (v.isNull())
        return std::nullopt;
    return v.toDouble();
}

QString text(const SourceObjectSet& set, const QString& id, const char* field)
{
    const SourceInstance* s = byId(set, id);
    return s ? prop(*s, field).toString() : QStringLiteral("<missing>");
}

void expectWellFormed(const Reading& r)
{
    const QStringList hwNames = {"Name", "Identifier", "Parent", "HardwareType"};
    const QStringList sensorNames = {"Name", "Identifier", "Parent", "SensorType", "Value", "Min", "Max"};
    const QSet<QString> hwTypes = {"Mainboard", "SuperIO", "CPU",     "GpuNvidia", "GpuAti", "RAM",    "HDD",
                                   "Network",   "Motherboard", "Memory", "Storage", "GpuAmd", "Psu", "Battery"};
    const QSet<QString> sensorTypes = {"Voltage", "Clock", "Frequency", "Temperature", "Load",       "Fan",
                                       "Flow",    "Control", "Level",   "Power",       "Data",       "SmallData",
                                       "Factor",  "Throughput", "Energy", "Current"};
    QSet<QString> hardwareIds;
    for (const SourceInstance& hw : r.hardware) {
        EXPECT_EQ(hw.names, hwNames);
        EXPECT_TRUE(hw.names.isSharedWith(r.hardware.front().names)) << "hardware names are not shared";
        ASSERT_EQ(hw.values.size(), hw.names.size());
        EXPECT_TRUE(hwTypes.contains(prop(hw, "HardwareType").toString())) << prop(hw, "HardwareType").toString().toStdString();
        const QString id = prop(hw, "Identifier").toString();
        EXPECT_FALSE(hardwareIds.contains(id)) << "duplicate " << id.toStdString();
        EXPECT_FALSE(id.contains(QLatin1String("hwmon0")) || id.contains(QLatin1String("hwmon1")))
            << id.toStdString();
        hardwareIds.insert(id);
    }
    QSet<QString> sensorIds;
    for (const SourceInstance& s : r.sensors) {
        EXPECT_EQ(s.names, sensorNames);
        EXPECT_TRUE(s.names.isSharedWith(r.sensors.front().names)) << "sensor names are not shared";
        ASSERT_EQ(s.values.size(), s.names.size());
        const QString id = prop(s, "Identifier").toString();
        EXPECT_TRUE(sensorTypes.contains(prop(s, "SensorType").toString())) << id.toStdString();
        EXPECT_TRUE(hardwareIds.contains(prop(s, "Parent").toString())) << id.toStdString();
        EXPECT_FALSE(sensorIds.contains(id)) << "duplicate " << id.toStdString();
        EXPECT_FALSE(hardwareIds.contains(id)) << id.toStdString();
        sensorIds.insert(id);
        for (const char* field : {"Value", "Min", "Max"}) {
            const QVariant v = prop(s, field);
            if (!v.isNull()) {
                EXPECT_EQ(v.typeId(), QMetaType::Double) << id.toStdString();
                EXPECT_TRUE(std::isfinite(v.toDouble())) << id.toStdString();
            }
        }
        const auto v = value(r, id), lo = value(r, id, "Min"), hi = value(r, id, "Max");
        if (v) {
            ASSERT_TRUE(lo && hi) << id.toStdString();
            EXPECT_LE(*lo, *v);
            EXPECT_GE(*hi, *v);
        }
    }
}

} // namespace

TEST(KernelSource, EmptyMachineAnswersEveryClassWithEmptyLists)
{
    Machine m;
    SourceObjectSet out(3);
    EXPECT_TRUE(m.source().Enumerate(QStringLiteral("hardware"), out));
    EXPECT_TRUE(out.empty());
    out.resize(2);
    EXPECT_TRUE(m.source().Enumerate(QStringLiteral("SENSOR"), out));
    EXPECT_TRUE(out.empty());
    out.resize(2);
    EXPECT_FALSE(m.source().Enumerate(QStringLiteral("Win32_Processor"), out));
    EXPECT_TRUE(out.empty());

    auto refresher = m.source().CreateRefresher();
    ASSERT_NE(refresher, nullptr);
    EXPECT_EQ(refresher->AddEnum(QStringLiteral("Sensor")), 1);
    EXPECT_EQ(refresher->AddEnum(QStringLiteral("Nope")), -1);
    refresher->Refresh();
    ASSERT_NE(refresher->Item(1), nullptr);
    EXPECT_TRUE(refresher->Item(1)->isSet);
    EXPECT_TRUE(refresher->Item(1)->objectSet.empty());
}

// Chip identities follow lm-sensors and never the hwmonN number, so they survive a reboot
// that loads the drivers in another order.
TEST(KernelHwmon, ChipsGetBusIdentitiesKindsAndItems)
{
    struct Chip {
        const char* name;
        const char* device;    // below sys/devices; empty: virtual
        const char* subsystem; // "bus/pci" ...
        const char* parent;    // class device's parent
        const char* chipId;
        const char* item;      // the item the sensor lands on
        const char* itemType;
        const char* itemName;
    };
    const Chip chips[] = {
        {"coretemp", "platform/coretemp.0", "bus/platform", "", "coretemp-isa-0000", "/cpu/0", "CPU", "CPU"},
        {"k10temp", "pci0000:00/0000:00:18.3", "bus/pci", "", "k10temp-pci-00c3", "/cpu/0", "CPU", "CPU"},
        {"nct6798", "platform/nct6775.656", "bus/platform", "", "nct6798-isa-0290", nullptr, "SuperIO", "NCT6798"},
        {"it8688", "platform/it87.2624", "bus/platform", "", "it8688-isa-0a40", nullptr, "SuperIO", "IT8688"},
        {"lm75", "pci0000:00/i2c-1/1-0048", "bus/i2c", "", "lm75-i2c-1-48", nullptr, "Motherboard", "lm75"},
        {"acpitz", "LNXSYSTM:00/LNXTHERM:00", "bus/acpi", "", "acpitz-acpi-0", nullptr, "Motherboard", "acpitz"},
        {"amdgpu", "pci0000:00/0000:03:00.0", "bus/pci", "", "amdgpu-pci-0300", nullptr, "GpuAmd", "amdgpu"},
        {"nouveau", "pci0000:00/0000:01:00.0", "bus/pci", "", "nouveau-pci-0100", nullptr, "GpuNvidia", "nouveau"},
        {"nvme", "pci0000:00/0000:02:00.0/nvme/nvme0", "class/nvme", "pci0000:00/0000:02:00.0", "nvme-pci-0200",
         nullptr, "Storage", "nvme"},
        {"drivetemp", "pci0000:00/ata1/host0/target0:0:0/0:0:0:0", "bus/scsi", "", "drivetemp-scsi-0-0", nullptr,
         "Storage", "drivetemp"},
        {"corsaircpro", "usb1/1-2/1-2:1.0/0003:1B1C:0C10.0005", "bus/hid", "", "corsaircpro-hid-3-5", nullptr,
         "Motherboard", "corsaircpro"},
        {"pch_cannonlake", "", "", "", "pch_cannonlake-virtual-0", nullptr, "Motherboard", "pch_cannonlake"},
    };
    const int count = int(std::size(chips));

    // Two boots: hwmon numbers handed out in opposite orders.
    QStringList firstIds;
    for (bool reversed : {false, true}) {
        Machine m;
        for (int i = 0; i < count; ++i) {
            const Chip& c = chips[i];
            if (*c.parent)
                m.tree.addDevice(c.parent, "bus/pci");
            if (*c.device && *c.subsystem)
                m.tree.addDevice(c.device, c.subsystem, c.parent);
            const int n = reversed ? count - 1 - i : i;
            m.tree.addHwmon(QStringLiteral("hwmon%1").arg(n), c.name, c.device, {{"temp1_input", "40000\n"}});
        }
        const Reading r = m.read();
        expectWellFormed(r);
        for (const Chip& c : chips) {
            SCOPED_TRACE(c.name);
            const QString sensorId = QStringLiteral("/hwmon/%1/temp1").arg(c.chipId);
            const QString item = c.item ? QString(c.item) : QStringLiteral("/hwmon/%1").arg(c.chipId);
            EXPECT_EQ(text(r.sensors, sensorId, "Parent"), item);
            EXPECT_EQ(value(r, sensorId), 40.0);
            EXPECT_EQ(text(r.hardware, item, "HardwareType"), c.itemType);
            EXPECT_EQ(text(r.hardware, item, "Name"), c.itemName);
        }
        // Both CPU chips land on the one CPU item; every other chip is an item of its own.
        EXPECT_EQ(r.hardware.size(), std::size_t(count - 1));
        if (reversed)
            EXPECT_EQ(ids(r.sensors), firstIds);
        else
            firstIds = ids(r.sensors);
    }
}

TEST(KernelHwmon, ConvertsInputsAndNullsWhatCannotBeRead)
{
    struct Input {
        const char* file;
        QByteArray content;
        const char* attribute; // nullptr: must not become a sensor
        const char* type;
        std::optional<double> expected;
    };
    const Input inputs[] = {
        {"temp1_input", "45500\n", "temp1", "Temperature", 45.5},
        {"temp2_input", "-5000", "temp2", "Temperature", -5.0},
        {"temp3_input", "", "temp3", "Temperature", std::nullopt},
        {"temp4_input", "abc\n", "temp4", "Temperature", std::nullopt},
        {"temp5_input", "12abc\n", "temp5", "Temperature", std::nullopt},
        {"temp6_input", "1e999\n", "temp6", "Temperature", std::nullopt},
        {"temp7_input", "nan\n", "temp7", "Temperature", std::nullopt},
        {"temp8_input", "99999999999999999999999\n", "temp8", "Temperature", 1e20},
        {"temp9_input", QByteArray(300, '7'), "temp9", "Temperature", std::nullopt},
        {"fan1_input", "1200\n", "fan1", "Fan", 1200.0},
        {"in0_input", "1050\n", "in0", "Voltage", 1.05},
        {"curr1_input", "2500\n", "curr1", "Current", 2.5},
        {"power1_input", "12500000\n", "power1", "Power", 12.5},
        {"power1_average", "99000000\n", nullptr, nullptr, std::nullopt}, // input wins
        {"power2_average", "3000000\n", "power2", "Power", 3.0},
        {"energy1_input", "7200000000\n", "energy1", "Energy", 2000.0},
        {"pwm1", "255\n", "pwm1", "Control", 100.0},
        {"pwm2", "51\n", "pwm2", "Control", 20.0},
        {"humidity1_input", "45200\n", "humidity1", "Level", 45.2},
        {"temp1_max", "80000\n", nullptr, nullptr, std::nullopt},
        {"fan1_min", "300\n", nullptr, nullptr, std::nullopt},
        {"pwm1_enable", "1\n", nullptr, nullptr, std::nullopt},
        {"in0_label", "Vcore\n", nullptr, nullptr, std::nullopt},
        {"intrusion0_alarm", "0\n", nullptr, nullptr, std::nullopt},
        {"temp_input", "1\n", nullptr, nullptr, std::nullopt},
        {"uevent", "\n", nullptr, nullptr, std::nullopt},
    };
    Machine m;
    m.tree.addDevice("platform/nct6775.656", "bus/platform");
    QMap<QString, QByteArray> attributes;
    for (const Input& in : inputs)
        attributes.insert(in.file, in.content);
    m.tree.addHwmon("hwmon3", "nct6798", "platform/nct6775.656", attributes);
    const Reading r = m.read();
    expectWellFormed(r);

    int expectedCount = 0;
    for (const Input& in : inputs) {
        if (!in.attribute)
            continue;
        SCOPED_TRACE(in.file);
        ++expectedCount;
        const QString id = QStringLiteral("/hwmon/nct6798-isa-0290/") + in.attribute;
        ASSERT_NE(byId(r.sensors, id), nullptr);
        EXPECT_EQ(text(r.sensors, id, "SensorType"), in.type);
        const auto v = value(r, id);
        EXPECT_EQ(v.has_value(), in.expected.has_value());
        if (v && in.expected) {
            EXPECT_DOUBLE_EQ(*v, *in.expected);
        }
    }
    EXPECT_EQ(int(r.sensors.size()), expectedCount);
    EXPECT_EQ(text(r.sensors, "/hwmon/nct6798-isa-0290/in0", "Name"), "Vcore");

    // Min and Max follow what was published; nulls leave them alone.
    const QString temp1 = QStringLiteral("/hwmon/nct6798-isa-0290/temp1");
    const QString chip = QStringLiteral("sys/devices/platform/nct6775.656/hwmon/hwmon3/");
    const std::pair<QByteArray, std::optional<double>> steps[] = {
        {"50500", 45.5}, {"40000", 40.0}, {"garbage", 40.0}, {"", 40.0}, {"41000", 40.0}};
    double highest = 45.5;
    for (const auto& [content, lowest] : steps) {
        m.tree.write(chip + "temp1_input", content);
        const Reading next = m.read();
        if (content == "50500")
            highest = 50.5;
        EXPECT_EQ(value(next, temp1, "Min"), lowest) << content.constData();
        EXPECT_EQ(value(next, temp1, "Max"), highest) << content.constData();
        EXPECT_EQ(value(next, temp1).has_value(), content.toDouble() != 0) << content.constData();
    }
}

TEST(KernelHwmon, NamesPeersAndKeepsUniqueLabels)
{
    using gaugeloft::sources::kernel::nameSensors;
    using gaugeloft::sources::kernel::SensorNaming;
    struct Case {
        const char* what;
        std::vector<SensorNaming> in; // label, stem, type, driver
        QStringList expected;
    };
    const QString t = "Temperature", f = "Fan", v = "Voltage";
    const std::vector<Case> cases = {
        {"coretemp",
         {{"Package id 0", t, t, "coretemp", {}},
          {"Core 0", t, t, "coretemp", {}},
          {"Core 1", t, t, "coretemp", {}},
          {"Core 4", t, t, "coretemp", {}}},
         {"CPU Package", "CPU Core #1", "CPU Core #2", "CPU Core #5"}},
        {"two packages",
         {{"Package id 0", t, t, "coretemp", {}}, {"Package id 1", t, t, "coretemp", {}}},
         {"CPU Package #1", "CPU Package #2"}},
        {"unlabelled peers",
         {{{}, f, f, "nct6798", {}}, {{}, f, f, "nct6798", {}}, {{}, f, f, "nct6798", {}}, {{}, t, t, "nct6798", {}}},
         {"Fan #1", "Fan #2", "Fan #3", "Temperature"}},
        {"repeated labels",
         {{"SYSTIN", t, t, "nct6798", {}},
          {"AUXTIN", t, t, "nct6798", {}},
          {"CPUTIN", t, t, "nct6798", {}},
          {"AUXTIN", t, t, "nct6798", {}},
          {"AUXTIN", v, v, "nct6798", {}}},
         {"SYSTIN", "AUXTIN #1", "CPUTIN", "AUXTIN #2", "AUXTIN"}},
        {"gpu labels", {{"edge", t, t, "amdgpu", {}}, {"junction", t, t, "amdgpu", {}}}, {"edge", "junction"}},
        {"label equal to a stem", {{"Temperature", t, t, "acpitz", {}}, {{}, t, t, "acpitz", {}}},
         {"Temperature #1", "Temperature #2"}},
        {"label equal to a numbered peer",
         {{"Fan #2", f, f, "it8688", {}}, {{}, f, f, "it8688", {}}, {{}, f, f, "it8688", {}}},
         {"Fan #2", "Fan #1", "Fan #2 (2)"}},
    };
    for (Case c : cases) {
        nameSensors(c.in);
        QStringList names;
        for (const SensorNaming& s : c.in)
            names << s.name;
        EXPECT_EQ(names, c.expected) << c.what;
    }
}

// /proc/stat, cpufreq, /proc/meminfo, /proc/net/dev, mounted disks and a battery over two
// reads two seconds apart.
TEST(KernelProc, LoadsRatesAndLevelsComeFromTwoReads)
{
    Machine m;
    FakeSysfs& t = m.tree;
    t.write("proc/cpuinfo", "processor\t: 0\nmodel name\t: Ryzen Test 7\ncpu MHz\t\t: 3400.000\n\n"
                            "processor\t: 1\nmodel name\t: Ryzen Test 7\ncpu MHz\t\t: 1200.500\n\n");
    t.write("sys/devices/system/cpu/cpu0/cpufreq/scaling_cur_freq", "2800000\n");
    t.write("proc/meminfo", "MemTotal:       16777216 kB\nMemFree:         1000 kB\nMemAvailable:    4194304 kB\n");
    t.addDevice("pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0", "bus/scsi");
    t.write("sys/devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/model", "Fake SSD 860   \n");
    t.addDisk("sda", {"sda1", "sda2"}, "pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0");
    t.addDisk("loop0", {});
    t.makeDir("mnt/root");
    t.makeDir("mnt/data dir");
    t.write("proc/mounts", QStringLiteral("sysfs /sys sysfs rw 0 0\n"
                                          "/dev/sda1 %1/mnt/root ext4 rw 0 0\n"
                                          "/dev/sda2 %1/mnt/data\\040dir ext4 rw 0 0\n"
                                          "/dev/sda1 %1/mnt/root ext4 rw,bind 0 0\n"
                                          "/dev/loop0 /snap/x squashfs ro 0 0\n"
                                          "/dev/nonexistent9 /y ext4 rw 0 0\n")
                               .arg(t.root())
                               .toUtf8());
    t.addPowerSupply("AC", {{"type", "Mains\n"}, {"online", "1\n"}});
    t.addPowerSupply("BAT0", {{"type", "Battery\n"},
                              {"status", "Charging\n"},
                              {"capacity", "80\n"},
                              {"voltage_now", "12000000\n"},
                              {"current_now", "1500000\n"},
                              {"model_name", "Fake Cell\n"}});

    auto setCounters = [&](int k) {
        // cpu: user nice system idle iowait irq softirq steal guest guest_nice
        t.write("proc/stat", QStringLiteral("cpu  %1 0 %1 %2 %3 0 0 0 50 0\n"
                                            "cpu0 %4 0 0 %5 0 0 0 0 0 0\n"
                                            "cpu1 0 0 0 %6 0 0 0 0 0 0\n"
                                            "intr 123 4 5\nctxt 99\n")
                                 .arg(100 * k)
                                 .arg(600 * k)
                                 .arg(200 * k)
                                 .arg(30 * k)
                                 .arg(70 * k)
                                 .arg(100 * k)
                                 .toUtf8());
        t.write("proc/net/dev", QStringLiteral("Inter-|   Receive                                                |  Transmit\n"
                                               " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets errs drop fifo colls carrier compressed\n"
                                               "    lo: 999999 1 0 0 0 0 0 0 999999 1 0 0 0 0 0 0\n"
                                               "  eth0:%1 10 0 0 0 0 0 0 %2 5 0 0 0 0 0 0\n")
                                    .arg(qint64(1) << 30 | qint64(4000 * k))
                                    .arg(1000 * k)
                                    .toUtf8());
        t.write("proc/diskstats", QStringLiteral("   7       0 loop0 1 0 2 0 0 0 0 0 0 0 0\n"
                                                 "   8       0 sda 10 0 %1 5 20 0 %2 7 0 12 12\n"
                                                 "   8       1 sda1 5 0 100 2 10 0 50 3 0 5 5\n")
                                      .arg(2000 * k)
                                      .arg(4000 * k)
                                      .toUtf8());
    };

    setCounters(1);
    const Reading first = m.read();
    expectWellFormed(first);
    for (const char* id : {"/cpu/0/load/0", "/cpu/0/load/1", "/cpu/0/load/2", "/nic/eth0/throughput/0",
                           "/nic/eth0/throughput/1", "/disk/sda/throughput/0", "/disk/sda/throughput/1"})
        EXPECT_EQ(value(first, id), 0.0) << id;

    setCounters(3);
    t.write("sys/devices/system/cpu/cpu0/cpufreq/scaling_cur_freq", "3100500\n");
    t.write("sys/devices/virtual/power_supply/BAT0/status", "Discharging\n");
    m.clockMs += 2000;
    const Reading r = m.read();
    expectWellFormed(r);

    struct Expect {
        const char* id;
        const char* name;
        const char* type;
        std::optional<double> v;
    };
    const double gb = 1024.0 * 1024.0 * 1024.0;
    const Expect expected[] = {
        // total: busy 2×(100+100)=400 of 2×(100+100+600+200)=2000 → 20 %
        {"/cpu/0/load/0", "CPU Total", "Load", 20.0},
        {"/cpu/0/load/1", "CPU Core #1", "Load", 30.0},
        {"/cpu/0/load/2", "CPU Core #2", "Load", 0.0},
        {"/cpu/0/clock/1", "CPU Core #1", "Clock", 3100.5},
        {"/cpu/0/clock/2", "CPU Core #2", "Clock", 1200.5},
        {"/ram/load/0", "Memory", "Load", 75.0},
        {"/ram/data/0", "Used Memory", "Data", 12.0},
        {"/ram/data/1", "Available Memory", "Data", 4.0},
        {"/nic/eth0/throughput/0", "Upload Speed", "Throughput", 1000.0},
        {"/nic/eth0/throughput/1", "Download Speed", "Throughput", 4000.0},
        {"/nic/eth0/data/0", "Data Uploaded", "Data", 3000.0 / gb},
        {"/nic/eth0/data/1", "Data Downloaded", "Data", (gb + 12000.0) / gb},
        {"/disk/sda/throughput/0", "Read Rate", "Throughput", 2000.0 * 512},
        {"/disk/sda/throughput/1", "Write Rate", "Throughput", 4000.0 * 512},
        {"/battery/BAT0/level/0", "Charge Level", "Level", 80.0},
        {"/battery/BAT0/voltage/0", "Voltage", "Voltage", 12.0},
        {"/battery/BAT0/power/0", "Discharge Rate", "Power", 18.0},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(e.id);
        EXPECT_EQ(text(r.sensors, e.id, "Name"), e.name);
        EXPECT_EQ(text(r.sensors, e.id, "SensorType"), e.type);
        const auto v = value(r, e.id);
        ASSERT_TRUE(v.has_value());
        EXPECT_NEAR(*v, *e.v, 1e-9 * std::max(1.0, std::fabs(*e.v)));
    }
    EXPECT_EQ(text(r.hardware, "/cpu/0", "Name"), "Ryzen Test 7");
    EXPECT_EQ(text(r.hardware, "/ram", "HardwareType"), "Memory");
    EXPECT_EQ(text(r.hardware, "/disk/sda", "Name"), "Fake SSD 860");
    EXPECT_EQ(text(r.hardware, "/battery/BAT0", "Name"), "Fake Cell");
    EXPECT_EQ(text(r.hardware, "/nic/eth0", "HardwareType"), "Network");
    EXPECT_EQ(byId(r.hardware, "/nic/lo"), nullptr);
    EXPECT_EQ(byId(r.hardware, "/disk/loop0"), nullptr);
    EXPECT_EQ(byId(r.hardware, "/battery/AC"), nullptr);

    // Used space over the disk's two mounted file systems (the bind mount counts once).
    double used = 0, total = 0;
    for (const QString& dir : {t.path("mnt/root"), t.path("mnt/data dir")}) {
        struct statvfs fs {};
        ASSERT_EQ(statvfs(QFile::encodeName(dir).constData(), &fs), 0);
        total += double(fs.f_blocks) * double(fs.f_frsize);
        used += double(fs.f_blocks - fs.f_bfree) * double(fs.f_frsize);
    }
    const auto usedSpace = value(r, "/disk/sda/load/0");
    ASSERT_TRUE(usedSpace.has_value());
    EXPECT_NEAR(*usedSpace, used * 100.0 / total, 0.5); // the real disk moves a little meanwhile

    // Rates and loads stay put when no time passed; a counter that goes back gives 0.
    const Reading third = m.read();
    EXPECT_EQ(value(third, "/nic/eth0/throughput/0"), 1000.0);
    EXPECT_EQ(value(third, "/cpu/0/load/1"), 30.0); // no ticks in between
    m.clockMs += 1000;
    setCounters(1);
    const Reading fourth = m.read();
    EXPECT_EQ(value(fourth, "/nic/eth0/throughput/0"), 0.0);
    EXPECT_EQ(value(fourth, "/disk/sda/throughput/1"), 0.0);
    EXPECT_EQ(value(fourth, "/nic/eth0/throughput/0", "Max"), 1000.0);
}

// Hardware that comes and goes is picked up at the next read; sensors that stay keep their
// extremes and counters.
TEST(KernelSource, RescansWhenHardwareChangesAndKeepsHistory)
{
    Machine m;
    FakeSysfs& t = m.tree;
    auto stat = [&](int k, bool secondCpu) {
        QByteArray text = QStringLiteral("cpu  %1 0 0 %1 0 0 0 0\ncpu0 %1 0 0 %1 0 0 0 0\n").arg(100 * k).toUtf8();
        if (secondCpu)
            text += "cpu1 0 0 0 100 0 0 0 0\n";
        t.write("proc/stat", text);
    };
    auto netdev = [&](const QStringList& names) {
        QByteArray text = "h1\nh2\n";
        for (const QString& n : names)
            text += n.toUtf8() + ": 1 0 0 0 0 0 0 0 2 0 0 0 0 0 0 0\n";
        t.write("proc/net/dev", text);
    };
    stat(1, false);
    netdev({"eth0"});
    t.addDevice("platform/nct6775.656", "bus/platform");
    t.addHwmon("hwmon1", "nct6798", "platform/nct6775.656", {{"fan1_input", "900\n"}});
    t.addHwmon("hwmon2", "acpitz", "", {{"temp1_input", "30000\n"}});

    Reading r = m.read();
    expectWellFormed(r);
    EXPECT_EQ(value(r, "/hwmon/nct6798-isa-0290/fan1"), 900.0);
    t.write("sys/devices/platform/nct6775.656/hwmon/hwmon1/fan1_input", "1500\n");
    m.clockMs += 1000;
    stat(2, false);
    r = m.read();
    EXPECT_EQ(value(r, "/hwmon/nct6798-isa-0290/fan1", "Max"), 1500.0);

    // acpitz goes, a GPU comes in at the freed number, the Super I/O is renumbered,
    // a CPU and an interface come online.
    t.removeHwmon("hwmon2");
    t.removeHwmon("hwmon1");
    t.addDevice("pci0000:00/0000:03:00.0", "bus/pci");
    t.addHwmon("hwmon2", "amdgpu", "pci0000:00/0000:03:00.0", {{"temp1_input", "55000\n"}});
    t.addHwmon("hwmon7", "nct6798", "platform/nct6775.656", {{"fan1_input", "1000\n"}});
    stat(3, true);
    netdev({"eth0", "wlan0"});
    m.clockMs += 1000;
    r = m.read();
    expectWellFormed(r);
    EXPECT_EQ(byId(r.hardware, "/hwmon/acpitz-virtual-0"), nullptr);
    EXPECT_EQ(text(r.hardware, "/hwmon/amdgpu-pci-0300", "HardwareType"), "GpuAmd");
    EXPECT_EQ(value(r, "/hwmon/amdgpu-pci-0300/temp1"), 55.0);
    EXPECT_EQ(value(r, "/hwmon/nct6798-isa-0290/fan1"), 1000.0);
    EXPECT_EQ(value(r, "/hwmon/nct6798-isa-0290/fan1", "Min"), 900.0);
    EXPECT_EQ(value(r, "/hwmon/nct6798-isa-0290/fan1", "Max"), 1500.0);
    EXPECT_EQ(value(r, "/cpu/0/load/1"), 50.0); // counted across the rescan, not restarted
    EXPECT_EQ(value(r, "/cpu/0/load/2"), 0.0);
    EXPECT_NE(byId(r.hardware, "/nic/wlan0"), nullptr);

    // Hardware enumeration sees the change too, without consuming a rate window.
    netdev({"eth0"});
    t.removeHwmon("hwmon2");
    SourceObjectSet hardware;
    ASSERT_TRUE(m.source().Enumerate("Hardware", hardware));
    EXPECT_EQ(byId(hardware, "/hwmon/amdgpu-pci-0300"), nullptr);
    r = m.read();
    expectWellFormed(r);
    EXPECT_EQ(byId(r.hardware, "/nic/wlan0"), nullptr);
}

TEST(KernelSource, WithKernelEventsTheFoldersAreListedOnlyAfterAnEventOrTheSlowRescan)
{
    Machine m;
    bool announced = false;
    int asked = 0;
    m.events = [&] {
        ++asked;
        return std::exchange(announced, false);
    };
    FakeSysfs& t = m.tree;
    t.addHwmon("hwmon2", "acpitz", "", {{"temp1_input", "30000\n"}});
    Reading r = m.read();
    ASSERT_NE(byId(r.hardware, "/hwmon/acpitz-virtual-0"), nullptr);

    t.addDevice("platform/nct6775.656", "bus/platform");
    t.addHwmon("hwmon1", "nct6798", "platform/nct6775.656", {{"fan1_input", "900\n"}});
    m.clockMs += 1000;
    r = m.read();
    EXPECT_EQ(byId(r.hardware, "/hwmon/nct6798-isa-0290"), nullptr) << "nothing announced, nothing listed";
    announced = true;
    m.clockMs += 1000;
    r = m.read();
    EXPECT_EQ(value(r, "/hwmon/nct6798-isa-0290/fan1"), 900.0);

    // an announcement that never came: the slow rescan finds the chip
    t.addDevice("pci0000:00/0000:03:00.0", "bus/pci");
    t.addHwmon("hwmon3", "amdgpu", "pci0000:00/0000:03:00.0", {{"temp1_input", "55000\n"}});
    m.clockMs += 1000;
    r = m.read();
    EXPECT_EQ(byId(r.hardware, "/hwmon/amdgpu-pci-0300"), nullptr);
    m.clockMs += KernelSourceOptions().folderRescanMs;
    r = m.read();
    EXPECT_EQ(value(r, "/hwmon/amdgpu-pci-0300/temp1"), 55.0);
    EXPECT_EQ(asked, 4) << "asked at every read after the first";
}

// An NVMe or SATA disk's temperature belongs to the Storage item of that disk.
TEST(KernelHwmon, DiskChipsJoinTheirMountedDisk)
{
    struct Case {
        const char* what;
        const char* controller;  // the bus device
        const char* classDevice; // nvme0, or empty when the disk hangs off the controller directly
        bool chipOnController;   // older kernels hang the nvme chip on the PCI device
        const char* chip;
        const char* disk;
        const char* partition;
        const char* chipId;
    };
    const Case cases[] = {
        {"nvme, class device", "pci0000:00/0000:01:00.0", "pci0000:00/0000:01:00.0/nvme/nvme0", false, "nvme",
         "nvme0n1", "nvme0n1p2", "nvme-pci-0100"},
        {"nvme, bus device", "pci0000:00/0000:01:00.0", "pci0000:00/0000:01:00.0/nvme/nvme0", true, "nvme",
         "nvme0n1", "nvme0n1p1", "nvme-pci-0100"},
        {"sata", "pci0000:00/ata2/host1/target1:0:0/1:0:0:0", "", false, "drivetemp", "sdb", "sdb1",
         "drivetemp-scsi-1-0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Machine m;
        FakeSysfs& t = m.tree;
        const bool scsi = QByteArray(c.chip) == "drivetemp";
        t.addDevice(c.controller, scsi ? "bus/scsi" : "bus/pci");
        QString diskDevice = c.controller;
        if (*c.classDevice) {
            t.addDevice(c.classDevice, "class/nvme", c.controller);
            diskDevice = c.classDevice;
        }
        t.write("sys/devices/" + diskDevice + "/model", "Disk Model X\n");
        t.addHwmon("hwmon0", c.chip, c.chipOnController ? QString(c.controller) : diskDevice, {{"temp1_input", "38850\n"}, {"temp1_label", "Composite\n"}});
        t.addDisk(c.disk, {c.partition}, diskDevice);
        t.makeDir("mnt");
        t.write("proc/mounts", QStringLiteral("/dev/%1 %2 ext4 rw 0 0\n").arg(c.partition, t.path("mnt")).toUtf8());
        const Reading r = m.read();
        expectWellFormed(r);
        const QString item = QStringLiteral("/disk/") + c.disk;
        EXPECT_EQ(text(r.hardware, item, "Name"), "Disk Model X");
        EXPECT_EQ(text(r.hardware, item, "HardwareType"), "Storage");
        EXPECT_EQ(r.hardware.size(), 1u);
        const QString sensor = QStringLiteral("/hwmon/%1/temp1").arg(c.chipId);
        EXPECT_EQ(text(r.sensors, sensor, "Parent"), item);
        EXPECT_EQ(text(r.sensors, sensor, "Name"), "Composite");
        EXPECT_DOUBLE_EQ(value(r, sensor).value_or(0), 38.85);
        EXPECT_TRUE(value(r, item + "/load/0").has_value());
    }
}

// Whatever the files hold, a read answers and publishes only finite numbers or nulls.
TEST(KernelHwmon, BatteryChipsAreLeftToTheBatteryItem)
{
    Machine m;
    m.tree.addPowerSupply("BAT0", {{"type", "Battery\n"}, {"status", "Discharging\n"}, {"capacity", "80\n"},
                                   {"voltage_now", "12000000\n"}, {"power_now", "9000000\n"}});
    m.tree.addHwmon("hwmon3", "BAT0", "virtual/power_supply/BAT0", {{"in0_input", "12000\n"}});
    const Reading r = m.read();
    expectWellFormed(r);
    int batteries = 0;
    for (const SourceInstance& hw : r.hardware) {
        EXPECT_FALSE(prop(hw, "Identifier").toString().startsWith(QLatin1String("/hwmon/")))
            << prop(hw, "Identifier").toString().toStdString();
        batteries += prop(hw, "HardwareType").toString() == QLatin1String("Battery");
    }
    EXPECT_EQ(batteries, 1);
}

TEST(KernelSource, SurvivesGarbageEverywhere)
{
    const QByteArray garbage[] = {
        "",
        "\n\n\n",
        QByteArray("\0\0\0\xff\xfe", 5),
        "cpu 1 2\ncpu0 x y z w\ncpu99999999999999999999 1 2 3 4\ncpuX 1 2 3 4\ncpu0 1 2 3 4\ncpu0 5 6 7 8\n",
        "MemTotal: 0 kB\nMemAvailable: 99999999999999999999999 kB\n",
        "MemTotal: 10 kB\nMemAvailable: 20 kB\n",
        ": 1 2 3\neth0: 1 2\nlo:\nbad: 18446744073709551615 0 0 0 0 0 0 0 18446744073709551615 0 0 0 0 0 0 0\n"
        "bad: 1 0 0 0 0 0 0 0 1 0 0 0 0 0 0 0\n",
        "/dev/ \\0 ext4\n/dev/../../etc/passwd / x 0 0\n/dev/sda1\n\\\\\\ \\777 \\\n",
        QByteArray(100000, 'x'),
    };
    for (const QByteArray& junk : garbage) {
        Machine m;
        FakeSysfs& t = m.tree;
        for (const char* file : {"proc/stat", "proc/meminfo", "proc/net/dev", "proc/diskstats", "proc/mounts",
                                 "proc/cpuinfo"})
            t.write(file, junk);
        t.write("sys/devices/system/cpu/cpu0/cpufreq/scaling_cur_freq", junk);
        t.addHwmon("hwmon0", "junk", "", {{"temp1_input", junk}, {"temp1_label", junk}, {"fan1_input", junk}});
        t.write("sys/devices/virtual/hwmon/hwmon1/name", junk); // not a chip when the name is junk-empty
        t.link("sys/class/hwmon/hwmon1", "sys/devices/virtual/hwmon/hwmon1");
        t.link("sys/class/hwmon/hwmon2", "sys/devices/missing/hwmon/hwmon2"); // dangling
        t.makeDir("sys/class/hwmon/hwmon3");                                  // no name at all
        t.addPowerSupply("BAT1", {{"type", "Battery\n"}, {"capacity", junk}, {"voltage_now", junk},
                                  {"power_now", junk}, {"status", junk}});
        t.addPowerSupply("BAT2", {{"type", junk}});
        t.link("sys/class/power_supply/BAT3", "sys/nowhere");
        for (int i = 0; i < 3; ++i) {
            const Reading r = m.read();
            expectWellFormed(r);
            m.clockMs += (i == 1 ? 0 : 500);
        }
        SourceObjectSet out;
        EXPECT_TRUE(m.source().Enumerate("Sensor", out));
    }
}

TEST(KernelProcParse, MountsDecodeEscapesAndSkipShortLines)
{
    using gaugeloft::sources::kernel::parseMounts;
    struct Case {
        std::string_view text;
        std::vector<std::pair<QString, QString>> expected;
    };
    const Case cases[] = {
        {"/dev/sda1 /mnt/my\\040disk ext4 rw 0 0\n", {{"/dev/sda1", "/mnt/my disk"}}},
        {"/dev/sdb1 /a\\011b\\134c\\012 vfat rw 0 0", {{"/dev/sdb1", "/a\tb\\c\n"}}},
        {"/dev/sdc1 /bad\\9x\\04 ext4\n\n/dev/sdd\n", {{"/dev/sdc1", "/bad\\9x\\04"}}},
        {"/dev/nvme0n1p2 /\n   \nproc /proc proc rw 0 0\n", {{"/dev/nvme0n1p2", "/"}, {"proc", "/proc"}}},
        {"", {}},
    };
    for (const Case& c : cases) {
        std::vector<std::pair<QString, QString>> got;
        for (const auto& m : parseMounts(c.text))
            got.emplace_back(m.device, m.mountPoint);
        EXPECT_EQ(got, c.expected) << c.text;
    }
}
