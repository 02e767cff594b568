#include "sources/kernel/hwmon.h"
#include "sources/kernel/kernelmachine.h"


#include <gtest/gtest.h>


#include <cmath>
#include <optional>
#include <utility>

using namespace gaugeloft::test;

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
                m.tree.AddDevice(c.parent, "bus/pci");
            if (*c.device && *c.subsystem)
                m.tree.AddDevice(c.device, c.subsystem, c.parent);
            const int n = reversed ? count - 1 - i : i;
            m.tree.AddHwmon(QStringLiteral("hwmon%1").arg(n), c.name, c.device, {{"temp1_input", "40000\n"}});
        }
        const Reading r = m.Read();
        ExpectWellFormed(r);
        for (const Chip& c : chips) {
            SCOPED_TRACE(c.name);
            const QString sensorId = QStringLiteral("/hwmon/%1/temp1").arg(c.chipId);
            const QString item = c.item ? QString(c.item) : QStringLiteral("/hwmon/%1").arg(c.chipId);
            EXPECT_EQ(Text(r.sensors, sensorId, "Parent"), item);
            EXPECT_EQ(Value(r, sensorId), 40.0);
            EXPECT_EQ(Text(r.hardware, item, "HardwareType"), c.itemType);
            EXPECT_EQ(Text(r.hardware, item, "Name"), c.itemName);
        }
        // Both CPU chips land on the one CPU item; every other chip is an item of its own.
        EXPECT_EQ(r.hardware.size(), std::size_t(count - 1));
        if (reversed)
            EXPECT_EQ(Ids(r.sensors), firstIds);
        else
            firstIds = Ids(r.sensors);
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
    m.tree.AddDevice("platform/nct6775.656", "bus/platform");
    QMap<QString, QByteArray> attributes;
    for (const Input& in : inputs)
        attributes.insert(in.file, in.content);
    m.tree.AddHwmon("hwmon3", "nct6798", "platform/nct6775.656", attributes);
    const Reading r = m.Read();
    ExpectWellFormed(r);

    int expectedCount = 0;
    for (const Input& in : inputs) {
        if (!in.attribute)
            continue;
        SCOPED_TRACE(in.file);
        ++expectedCount;
        const QString id = QStringLiteral("/hwmon/nct6798-isa-0290/") + in.attribute;
        ASSERT_NE(ById(r.sensors, id), nullptr);
        EXPECT_EQ(Text(r.sensors, id, "SensorType"), in.type);
        const auto v = Value(r, id);
        EXPECT_EQ(v.has_value(), in.expected.has_value());
        if (v && in.expected) {
            EXPECT_DOUBLE_EQ(*v, *in.expected);
        }
    }
    EXPECT_EQ(int(r.sensors.size()), expectedCount);
    EXPECT_EQ(Text(r.sensors, "/hwmon/nct6798-isa-0290/in0", "Name"), "Vcore");

    // Min and Max follow what was published; nulls leave them alone.
    const QString temp1 = QStringLiteral("/hwmon/nct6798-isa-0290/temp1");
    const QString chip = QStringLiteral("sys/devices/platform/nct6775.656/hwmon/hwmon3/");
    const std::pair<QByteArray, std::optional<double>> steps[] = {
        {"50500", 45.5}, {"40000", 40.0}, {"garbage", 40.0}, {"", 40.0}, {"41000", 40.0}};
    double highest = 45.5;
    for (const auto& [content, lowest] : steps) {
        m.tree.Write(chip + "temp1_input", content);
        const Reading next = m.Read();
        if (content == "50500")
            highest = 50.5;
        EXPECT_EQ(Value(next, temp1, "Min"), lowest) << content.constData();
        EXPECT_EQ(Value(next, temp1, "Max"), highest) << content.constData();
        EXPECT_EQ(Value(next, temp1).has_value(), content.toDouble() != 0) << content.constData();
    }
}

TEST(KernelHwmon, NamesPeersAndKeepsUniqueLabels)
{
    using gaugeloft::sources::kernel::NameSensors;
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
        NameSensors(c.in);
        QStringList names;
        for (const SensorNaming& s : c.in)
            names << s.name;
        EXPECT_EQ(names, c.expected) << c.what;
    }
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
        t.AddDevice(c.controller, scsi ? "bus/scsi" : "bus/pci");
        QString diskDevice = c.controller;
        if (*c.classDevice) {
            t.AddDevice(c.classDevice, "class/nvme", c.controller);
            diskDevice = c.classDevice;
        }
        t.Write("sys/devices/" + diskDevice + "/model", "Disk Model X\n");
        t.AddHwmon("hwmon0", c.chip, c.chipOnController ? QString(c.controller) : diskDevice, {{"temp1_input", "38850\n"}, {"temp1_label", "Composite\n"}});
        t.AddDisk(c.disk, {c.partition}, diskDevice);
        t.MakeDir("mnt");
        t.Write("proc/mounts", QStringLiteral("/dev/%1 %2 ext4 rw 0 0\n").arg(c.partition, t.Path("mnt")).toUtf8());
        const Reading r = m.Read();
        ExpectWellFormed(r);
        const QString item = QStringLiteral("/disk/") + c.disk;
        EXPECT_EQ(Text(r.hardware, item, "Name"), "Disk Model X");
        EXPECT_EQ(Text(r.hardware, item, "HardwareType"), "Storage");
        EXPECT_EQ(r.hardware.size(), 1u);
        const QString sensor = QStringLiteral("/hwmon/%1/temp1").arg(c.chipId);
        EXPECT_EQ(Text(r.sensors, sensor, "Parent"), item);
        EXPECT_EQ(Text(r.sensors, sensor, "Name"), "Composite");
        EXPECT_DOUBLE_EQ(Value(r, sensor).value_or(0), 38.85);
        EXPECT_TRUE(Value(r, item + "/load/0").has_value());
    }
}

// Chips as their drivers lay them out (alarms, limits, labels and attributes that are not
// readings), each alone on a machine: the item it lands on and its sensors in order, named and
// converted.
TEST(KernelHwmon, ChipsAsTheirDriversLayThemOut)
{
    struct Sensor {
        const char* attribute;
        const char* name;
        double value;
    };
    struct Case {
        const char* folder; // under tests/fixtures/kernel/hwmon/
        const char* device;
        const char* subsystem;
        const char* parent;
        const char* chipId;
        const char* item;
        const char* itemType;
        const char* itemName;
        std::vector<Sensor> sensors;
    };
    const Case cases[] = {
        {"coretemp", "platform/coretemp.0", "bus/platform", "", "coretemp-isa-0000", "/cpu/0", "CPU", "CPU",
         {{"temp1", "CPU Package", 45},
          {"temp2", "CPU Core #1", 42},
          {"temp3", "CPU Core #2", 43},
          {"temp4", "CPU Core #3", 41},
          {"temp5", "CPU Core #4", 44}}},
        {"nct6798", "platform/nct6775.656", "bus/platform", "", "nct6798-isa-0290", nullptr, "SuperIO", "NCT6798",
         {{"temp1", "SYSTIN", 34},
          {"temp2", "CPUTIN", 40.5},
          {"temp3", "AUXTIN0", 27},
          {"fan1", "Fan #1", 812},
          {"fan2", "Fan #2", 1205},
          {"fan3", "Fan #3", 0},
          {"pwm1", "Fan Control #1", 128 * 100.0 / 255},
          {"pwm2", "Fan Control #2", 100},
          {"in0", "Voltage #1", 1.04},
          {"in1", "Voltage #2", 1.008},
          {"in2", "Voltage #3", 3.392}}},
        {"amdgpu", "pci0000:00/0000:03:00.0", "bus/pci", "", "amdgpu-pci-0300", nullptr, "GpuAmd", "amdgpu",
         {{"temp1", "edge", 45},
          {"temp2", "junction", 47},
          {"temp3", "mem", 50},
          {"fan1", "Fan", 0},
          {"pwm1", "Fan Control", 0},
          {"in0", "vddgfx", 0.725},
          {"power1", "PPT", 15}}},
        {"nvme", "pci0000:00/0000:02:00.0/nvme/nvme0", "class/nvme", "pci0000:00/0000:02:00.0", "nvme-pci-0200",
         nullptr, "Storage", "nvme",
         {{"temp1", "Composite", 38.85}, {"temp2", "Sensor 1", 38.85}, {"temp3", "Sensor 2", 42.85}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        Machine m;
        const QMap<QString, QByteArray> files = FixtureFolder(QStringLiteral("hwmon/") + c.folder);
        if (*c.parent)
            m.tree.AddDevice(c.parent, "bus/pci");
        m.tree.AddDevice(c.device, c.subsystem, c.parent);
        m.tree.AddHwmon("hwmon2", QString::fromUtf8(files.value("name")).trimmed(), c.device, files);
        const Reading r = m.Read();
        ExpectWellFormed(r);
        const QString chip = QStringLiteral("/hwmon/%1/").arg(c.chipId);
        const QString item = c.item ? QString(c.item) : QStringLiteral("/hwmon/%1").arg(c.chipId);
        EXPECT_EQ(Text(r.hardware, item, "HardwareType"), c.itemType);
        EXPECT_EQ(Text(r.hardware, item, "Name"), c.itemName);
        QStringList expectedIds;
        for (const Sensor& s : c.sensors)
            expectedIds << chip + s.attribute;
        EXPECT_EQ(Ids(r.sensors), expectedIds);
        for (const Sensor& s : c.sensors) {
            SCOPED_TRACE(s.attribute);
            EXPECT_EQ(Text(r.sensors, chip + s.attribute, "Parent"), item);
            EXPECT_EQ(Text(r.sensors, chip + s.attribute, "Name"), s.name);
            const auto v = Value(r, chip + s.attribute);
            ASSERT_TRUE(v.has_value());
            EXPECT_DOUBLE_EQ(*v, s.value);
        }
    }
}

// The scan itself on the same folders: identities, kinds and the unit of each input.
TEST(KernelHwmon, ScanOfChipsAsTheirDriversLayThemOut)
{
    using gaugeloft::sources::kernel::ChipKind;
    using gaugeloft::sources::kernel::ScanHwmon;
    FakeSysfs tree;
    tree.AddDevice("platform/coretemp.0", "bus/platform");
    tree.AddHwmon("hwmon0", "coretemp", "platform/coretemp.0", FixtureFolder("hwmon/coretemp"));
    tree.AddDevice("platform/nct6775.656", "bus/platform");
    tree.AddHwmon("hwmon1", "nct6798", "platform/nct6775.656", FixtureFolder("hwmon/nct6798"));
    tree.AddHwmon("hwmon2", "broken", "", {{"temp1_input", "\n"}, {"fan", "1\n"}, {"in99999999_input", "1\n"}});
    const auto chips = ScanHwmon(tree.SysRoot());
    ASSERT_EQ(chips.size(), std::size_t(3));
    EXPECT_EQ(chips[0].chipId, "broken-virtual-0");
    EXPECT_EQ(chips[0].kind, ChipKind::Other);
    ASSERT_EQ(chips[0].inputs.size(), std::size_t(1)); // only temp1: "fan" and a 8-digit index are no inputs
    EXPECT_EQ(chips[1].chipId, "coretemp-isa-0000");
    EXPECT_EQ(chips[1].kind, ChipKind::Cpu);
    EXPECT_EQ(chips[1].inputs.size(), std::size_t(5));
    EXPECT_EQ(chips[1].inputs[0].label, "Package id 0");
    EXPECT_EQ(chips[2].chipId, "nct6798-isa-0290");
    EXPECT_EQ(chips[2].kind, ChipKind::SuperIo);
    ASSERT_EQ(chips[2].inputs.size(), std::size_t(11));
    EXPECT_EQ(chips[2].inputs[6].attribute, "pwm1");
    EXPECT_EQ(chips[2].inputs[6].multiplier, 100);
    EXPECT_EQ(chips[2].inputs[6].divisor, 255);
    EXPECT_EQ(chips[2].inputs[8].attribute, "in0");
    EXPECT_EQ(chips[2].inputs[8].divisor, 1000);
}
