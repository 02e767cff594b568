#include "sources/kernel/kernelmachine.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/statvfs.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

using namespace gaugeloft::test;

TEST(KernelSource, EmptyMachineAnswersEveryClassWithEmptyLists)
{
    Machine m;
    SourceObjectSet out(3);
    EXPECT_TRUE(m.Source().Enumerate(QStringLiteral("hardware"), out));
    EXPECT_TRUE(out.empty());
    out.resize(2);
    EXPECT_TRUE(m.Source().Enumerate(QStringLiteral("SENSOR"), out));
    EXPECT_TRUE(out.empty());
    out.resize(2);
    EXPECT_FALSE(m.Source().Enumerate(QStringLiteral("Win32_Processor"), out));
    EXPECT_TRUE(out.empty());

    auto refresher = m.Source().CreateRefresher();
    ASSERT_NE(refresher, nullptr);
    EXPECT_EQ(refresher->AddEnum(QStringLiteral("Sensor")), 1);
    EXPECT_EQ(refresher->AddEnum(QStringLiteral("Nope")), -1);
    refresher->Refresh();
    ASSERT_NE(refresher->Item(1), nullptr);
    EXPECT_TRUE(refresher->Item(1)->isSet);
    EXPECT_TRUE(refresher->Item(1)->objectSet.empty());
}

// /proc/stat, cpufreq, /proc/meminfo, /proc/net/dev, mounted disks and a battery over two
// reads two seconds apart.
TEST(KernelProc, LoadsRatesAndLevelsComeFromTwoReads)
{
    Machine m;
    FakeSysfs& t = m.tree;
    t.Write("proc/cpuinfo", "processor\t: 0\nmodel name\t: Ryzen Test 7\ncpu MHz\t\t: 3400.000\n\n"
                            "processor\t: 1\nmodel name\t: Ryzen Test 7\ncpu MHz\t\t: 1200.500\n\n");
    t.Write("sys/devices/system/cpu/cpu0/cpufreq/scaling_cur_freq", "2800000\n");
    t.Write("proc/meminfo", "MemTotal:       16777216 kB\nMemFree:         1000 kB\nMemAvailable:    4194304 kB\n");
    t.AddDevice("pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0", "bus/scsi");
    t.Write("sys/devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/model", "Fake SSD 860   \n");
    t.AddDisk("sda", {"sda1", "sda2"}, "pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0");
    t.AddDisk("loop0", {});
    t.MakeDir("mnt/root");
    t.MakeDir("mnt/data dir");
    t.Write("proc/mounts", QStringLiteral("sysfs /sys sysfs rw 0 0\n"
                                          "/dev/sda1 %1/mnt/root ext4 rw 0 0\n"
                                          "/dev/sda2 %1/mnt/data\\040dir ext4 rw 0 0\n"
                                          "/dev/sda1 %1/mnt/root ext4 rw,bind 0 0\n"
                                          "/dev/loop0 /snap/x squashfs ro 0 0\n"
                                          "/dev/nonexistent9 /y ext4 rw 0 0\n")
                               .arg(t.Root())
                               .toUtf8());
    t.AddPowerSupply("AC", {{"type", "Mains\n"}, {"online", "1\n"}});
    t.AddPowerSupply("BAT0", {{"type", "Battery\n"},
                              {"status", "Charging\n"},
                              {"capacity", "80\n"},
                              {"voltage_now", "12000000\n"},
                              {"current_now", "1500000\n"},
                              {"model_name", "Fake Cell\n"}});

    auto setCounters = [&](int k) {
        // cpu: user nice system idle iowait irq softirq steal guest guest_nice
        t.Write("proc/stat", QStringLiteral("cpu  %1 0 %1 %2 %3 0 0 0 50 0\n"
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
        t.Write("proc/net/dev", QStringLiteral("Inter-|   Receive                                                |  Transmit\n"
                                               " face |bytes    packets errs drop fifo frame compressed multicast|bytes    packets errs drop fifo colls carrier compressed\n"
                                               "    lo: 999999 1 0 0 0 0 0 0 999999 1 0 0 0 0 0 0\n"
                                               "  eth0:%1 10 0 0 0 0 0 0 %2 5 0 0 0 0 0 0\n")
                                    .arg(qint64(1) << 30 | qint64(4000 * k))
                                    .arg(1000 * k)
                                    .toUtf8());
        t.Write("proc/diskstats", QStringLiteral("   7       0 loop0 1 0 2 0 0 0 0 0 0 0 0\n"
                                                 "   8       0 sda 10 0 %1 5 20 0 %2 7 0 12 12\n"
                                                 "   8       1 sda1 5 0 100 2 10 0 50 3 0 5 5\n")
                                      .arg(2000 * k)
                                      .arg(4000 * k)
                                      .toUtf8());
    };

    setCounters(1);
    const Reading first = m.Read();
    ExpectWellFormed(first);
    for (const char* id : {"/cpu/0/load/0", "/cpu/0/load/1", "/cpu/0/load/2", "/nic/eth0/throughput/0",
                           "/nic/eth0/throughput/1", "/disk/sda/throughput/0", "/disk/sda/throughput/1"})
        EXPECT_EQ(Value(first, id), 0.0) << id;

    setCounters(3);
    t.Write("sys/devices/system/cpu/cpu0/cpufreq/scaling_cur_freq", "3100500\n");
    t.Write("sys/devices/virtual/power_supply/BAT0/status", "Discharging\n");
    m.clockMs += 2000;
    const Reading r = m.Read();
    ExpectWellFormed(r);

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
        EXPECT_EQ(Text(r.sensors, e.id, "Name"), e.name);
        EXPECT_EQ(Text(r.sensors, e.id, "SensorType"), e.type);
        const auto v = Value(r, e.id);
        ASSERT_TRUE(v.has_value());
        EXPECT_NEAR(*v, *e.v, 1e-9 * std::max(1.0, std::fabs(*e.v)));
    }
    EXPECT_EQ(Text(r.hardware, "/cpu/0", "Name"), "Ryzen Test 7");
    EXPECT_EQ(Text(r.hardware, "/ram", "HardwareType"), "Memory");
    EXPECT_EQ(Text(r.hardware, "/disk/sda", "Name"), "Fake SSD 860");
    EXPECT_EQ(Text(r.hardware, "/battery/BAT0", "Name"), "Fake Cell");
    EXPECT_EQ(Text(r.hardware, "/nic/eth0", "HardwareType"), "Network");
    EXPECT_EQ(ById(r.hardware, "/nic/lo"), nullptr);
    EXPECT_EQ(ById(r.hardware, "/disk/loop0"), nullptr);
    EXPECT_EQ(ById(r.hardware, "/battery/AC"), nullptr);

    // Used space over the disk's two mounted file systems (the bind mount counts once).
    double used = 0, total = 0;
    for (const QString& dir : {t.Path("mnt/root"), t.Path("mnt/data dir")}) {
        struct statvfs fs {};
        ASSERT_EQ(statvfs(QFile::encodeName(dir).constData(), &fs), 0);
        total += double(fs.f_blocks) * double(fs.f_frsize);
        used += double(fs.f_blocks - fs.f_bfree) * double(fs.f_frsize);
    }
    const auto usedSpace = Value(r, "/disk/sda/load/0");
    ASSERT_TRUE(usedSpace.has_value());
    EXPECT_NEAR(*usedSpace, used * 100.0 / total, 0.5); // the real disk moves a little meanwhile

    // Rates and loads stay put when no time passed; a counter that goes back gives 0.
    const Reading third = m.Read();
    EXPECT_EQ(Value(third, "/nic/eth0/throughput/0"), 1000.0);
    EXPECT_EQ(Value(third, "/cpu/0/load/1"), 30.0); // no ticks in between
    m.clockMs += 1000;
    setCounters(1);
    const Reading fourth = m.Read();
    EXPECT_EQ(Value(fourth, "/nic/eth0/throughput/0"), 0.0);
    EXPECT_EQ(Value(fourth, "/disk/sda/throughput/1"), 0.0);
    EXPECT_EQ(Value(fourth, "/nic/eth0/throughput/0", "Max"), 1000.0);
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
        t.Write("proc/stat", text);
    };
    auto netdev = [&](const QStringList& names) {
        QByteArray text = "h1\nh2\n";
        for (const QString& n : names)
            text += n.toUtf8() + ": 1 0 0 0 0 0 0 0 2 0 0 0 0 0 0 0\n";
        t.Write("proc/net/dev", text);
    };
    stat(1, false);
    netdev({"eth0"});
    t.AddDevice("platform/nct6775.656", "bus/platform");
    t.AddHwmon("hwmon1", "nct6798", "platform/nct6775.656", {{"fan1_input", "900\n"}});
    t.AddHwmon("hwmon2", "acpitz", "", {{"temp1_input", "30000\n"}});

    Reading r = m.Read();
    ExpectWellFormed(r);
    EXPECT_EQ(Value(r, "/hwmon/nct6798-isa-0290/fan1"), 900.0);
    t.Write("sys/devices/platform/nct6775.656/hwmon/hwmon1/fan1_input", "1500\n");
    m.clockMs += 1000;
    stat(2, false);
    r = m.Read();
    EXPECT_EQ(Value(r, "/hwmon/nct6798-isa-0290/fan1", "Max"), 1500.0);

    // acpitz goes, a GPU comes in at the freed number, the Super I/O is renumbered,
    // a CPU and an interface come online.
    t.RemoveHwmon("hwmon2");
    t.RemoveHwmon("hwmon1");
    t.AddDevice("pci0000:00/0000:03:00.0", "bus/pci");
    t.AddHwmon("hwmon2", "amdgpu", "pci0000:00/0000:03:00.0", {{"temp1_input", "55000\n"}});
    t.AddHwmon("hwmon7", "nct6798", "platform/nct6775.656", {{"fan1_input", "1000\n"}});
    stat(3, true);
    netdev({"eth0", "wlan0"});
    m.clockMs += 1000;
    r = m.Read();
    ExpectWellFormed(r);
    EXPECT_EQ(ById(r.hardware, "/hwmon/acpitz-virtual-0"), nullptr);
    EXPECT_EQ(Text(r.hardware, "/hwmon/amdgpu-pci-0300", "HardwareType"), "GpuAmd");
    EXPECT_EQ(Value(r, "/hwmon/amdgpu-pci-0300/temp1"), 55.0);
    EXPECT_EQ(Value(r, "/hwmon/nct6798-isa-0290/fan1"), 1000.0);
    EXPECT_EQ(Value(r, "/hwmon/nct6798-isa-0290/fan1", "Min"), 900.0);
    EXPECT_EQ(Value(r, "/hwmon/nct6798-isa-0290/fan1", "Max"), 1500.0);
    EXPECT_EQ(Value(r, "/cpu/0/load/1"), 50.0); // counted across the rescan, not restarted
    EXPECT_EQ(Value(r, "/cpu/0/load/2"), 0.0);
    EXPECT_NE(ById(r.hardware, "/nic/wlan0"), nullptr);

    // Hardware enumeration sees the change too, without consuming a rate window.
    netdev({"eth0"});
    t.RemoveHwmon("hwmon2");
    SourceObjectSet hardware;
    ASSERT_TRUE(m.Source().Enumerate("Hardware", hardware));
    EXPECT_EQ(ById(hardware, "/hwmon/amdgpu-pci-0300"), nullptr);
    r = m.Read();
    ExpectWellFormed(r);
    EXPECT_EQ(ById(r.hardware, "/nic/wlan0"), nullptr);
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
    t.AddHwmon("hwmon2", "acpitz", "", {{"temp1_input", "30000\n"}});
    Reading r = m.Read();
    ASSERT_NE(ById(r.hardware, "/hwmon/acpitz-virtual-0"), nullptr);

    t.AddDevice("platform/nct6775.656", "bus/platform");
    t.AddHwmon("hwmon1", "nct6798", "platform/nct6775.656", {{"fan1_input", "900\n"}});
    m.clockMs += 1000;
    r = m.Read();
    EXPECT_EQ(ById(r.hardware, "/hwmon/nct6798-isa-0290"), nullptr) << "nothing announced, nothing listed";
    announced = true;
    m.clockMs += 1000;
    r = m.Read();
    EXPECT_EQ(Value(r, "/hwmon/nct6798-isa-0290/fan1"), 900.0);

    // an announcement that never came: the slow rescan finds the chip
    t.AddDevice("pci0000:00/0000:03:00.0", "bus/pci");
    t.AddHwmon("hwmon3", "amdgpu", "pci0000:00/0000:03:00.0", {{"temp1_input", "55000\n"}});
    m.clockMs += 1000;
    r = m.Read();
    EXPECT_EQ(ById(r.hardware, "/hwmon/amdgpu-pci-0300"), nullptr);
    m.clockMs += KernelSourceOptions().folderRescanMs;
    r = m.Read();
    EXPECT_EQ(Value(r, "/hwmon/amdgpu-pci-0300/temp1"), 55.0);
    EXPECT_EQ(asked, 4) << "asked at every read after the first";
}

// Whatever the files hold, a read answers and publishes only finite numbers or nulls.
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
            t.Write(file, junk);
        t.Write("sys/devices/system/cpu/cpu0/cpufreq/scaling_cur_freq", junk);
        t.AddHwmon("hwmon0", "junk", "", {{"temp1_input", junk}, {"temp1_label", junk}, {"fan1_input", junk}});
        t.Write("sys/devices/virtual/hwmon/hwmon1/name", junk); // not a chip when the name is junk-empty
        t.Link("sys/class/hwmon/hwmon1", "sys/devices/virtual/hwmon/hwmon1");
        t.Link("sys/class/hwmon/hwmon2", "sys/devices/missing/hwmon/hwmon2"); // dangling
        t.MakeDir("sys/class/hwmon/hwmon3");                                  // no name at all
        t.AddPowerSupply("BAT1", {{"type", "Battery\n"}, {"capacity", junk}, {"voltage_now", junk},
                                  {"power_now", junk}, {"status", junk}});
        t.AddPowerSupply("BAT2", {{"type", junk}});
        t.Link("sys/class/power_supply/BAT3", "sys/nowhere");
        for (int i = 0; i < 3; ++i) {
            const Reading r = m.Read();
            ExpectWellFormed(r);
            m.clockMs += (i == 1 ? 0 : 500);
        }
        SourceObjectSet out;
        EXPECT_TRUE(m.Source().Enumerate("Sensor", out));
    }
}
