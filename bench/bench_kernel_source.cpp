// One KernelSource::ReadAll over a fake machine: N hwmon chips of 8 inputs each, 8 CPUs,
// two interfaces, a mounted disk and a battery. Discovery happens before timing starts.

#include "sources/kernel/kernelsource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <map>
#include <memory>

using gaugeloft::sources::KernelSource;
using gaugeloft::sources::KernelSourceOptions;
using gaugeloft::sources::SourceObjectSet;

namespace {

class FakeMachine {
public:
    explicit FakeMachine(int chips)
    {
        for (int c = 0; c < chips; ++c) {
            const QString dev = QStringLiteral("sys/devices/platform/chip.%1").arg(c);
            const QString chip = dev + QStringLiteral("/hwmon/hwmon%1").arg(c);
            mkdir(dev);
            link(dev + "/subsystem", "sys/bus/platform");
            write(chip + "/name", c % 4 == 0 ? "nct6798\n" : c % 4 == 1 ? "coretemp\n" : c % 4 == 2 ? "amdgpu\n" : "acpitz\n");
            link(chip + "/device", dev);
            for (int i = 1; i <= 3; ++i) {
                write(chip + QStringLiteral("/temp%1_input").arg(i), QByteArray::number(30000 + 1000 * i + c) + '\n');
                write(chip + QStringLiteral("/temp%1_label").arg(i), i == 1 ? "Package id 0\n" : QByteArray("Core ") + QByteArray::number(i) + '\n');
                write(chip + QStringLiteral("/temp%1_max").arg(i), "100000\n");
            }
            for (int i = 1; i <= 2; ++i) {
                write(chip + QStringLiteral("/fan%1_input").arg(i), QByteArray::number(900 + i * 100) + '\n');
                write(chip + QStringLiteral("/fan%1_min").arg(i), "0\n");
            }
            write(chip + "/in0_input", "1050\n");
            write(chip + "/power1_average", "25000000\n");
            write(chip + "/pwm1", "128\n");
            write(chip + "/pwm1_enable", "2\n");
            link(QStringLiteral("sys/class/hwmon/hwmon%1").arg(c), chip);
        }
        QByteArray stat = "cpu  1000 10 500 90000 100 5 5 0 0 0\n";
        QByteArray cpuinfo;
        for (int cpu = 0; cpu < 8; ++cpu) {
            stat += QStringLiteral("cpu%1 125 1 60 11250 12 1 1 0 0 0\n").arg(cpu).toUtf8();
            write(QStringLiteral("sys/devices/system/cpu/cpu%1/cpufreq/scaling_cur_freq").arg(cpu), "3400000\n");
            cpuinfo += QStringLiteral("processor\t: %1\nmodel name\t: Bench CPU\ncpu MHz\t\t: 3400.000\n\n").arg(cpu).toUtf8();
        }
        stat += "intr 1 2 3\nctxt 1234\nbtime 1\nprocesses 10\nprocs_running 1\nprocs_blocked 0\n";
        write("proc/stat", stat);
        write("proc/cpuinfo", cpuinfo);
        write("proc/meminfo", "MemTotal:       16384000 kB\nMemFree:         8000000 kB\nMemAvailable:   12000000 kB\n"
                              "Buffers:          100000 kB\nCached:          2000000 kB\n");
        write("proc/net/dev", "Inter-|   Receive |  Transmit\n face |bytes packets|bytes packets\n"
                              "    lo: 100 1 0 0 0 0 0 0 100 1 0 0 0 0 0 0\n"
                              "  eth0: 123456789 1000 0 0 0 0 0 0 98765432 900 0 0 0 0 0 0\n"
                              " wlan0: 5555 10 0 0 0 0 0 0 4444 9 0 0 0 0 0 0\n");
        const QString disk = "sys/devices/pci0000:00/0000:00:17.0/block/sda";
        mkdir(disk + "/sda1");
        write(disk + "/sda1/partition", "1\n");
        link("sys/class/block/sda", disk);
        link("sys/class/block/sda1", disk + "/sda1");
        mkdir("mnt");
        write("proc/mounts", QStringLiteral("sysfs /sys sysfs rw 0 0\n/dev/sda1 %1 ext4 rw 0 0\n").arg(path("mnt")).toUtf8());
        write("proc/diskstats", "   8       0 sda 100 0 2000 5 200 0 4000 7 0 12 12\n"
                                "   8       1 sda1 50 0 1000 2 100 0 2000 3 0 5 5\n");
        const QString bat = "sys/devices/virtual/power_supply/BAT0";
        write(bat + "/type", "Battery\n");
        write(bat + "/status", "Discharging\n");
        write(bat + "/capacity", "77\n");
        write(bat + "/voltage_now", "12000000\n");
        write(bat + "/power_now", "9000000\n");
        link("sys/class/power_supply/BAT0", bat);

        KernelSourceOptions options;
        options.sysRoot = path("sys");
        options.procRoot = path("proc");
        options.clockMs = [this] { return m_clock += 1000; };
        source = std::make_unique<KernelSource>(options);
    }

    std::unique_ptr<KernelSource> source;

private:
    QString path(const QString& rel) const { return m_dir.path() + '/' + rel; }
    void mkdir(const QString& rel) { QDir().mkpath(path(rel)); }
    void write(const QString& rel, const QByteArray& content)
    {
        QDir().mkpath(QFileInfo(path(rel)).path());
        QFile file(path(rel));
        if (file.open(QIODevice::WriteOnly))
            file.write(content);
    }
    void link(const QString& rel, const QString& targetRel)
    {
        const QString full = path(rel);
        QDir().mkpath(QFileInfo(full).path());
        const QString target = QDir(QFileInfo(full).path()).relativeFilePath(path(targetRel));
        QDir().mkpath(path(targetRel));
        [[maybe_unused]] int rc = ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(full).constData());
    }

    QTemporaryDir m_dir;
    qint64 m_clock = 0;
};

void BM_KernelSourceReadAll(benchmark::State& state)
{
    static std::map<int, std::unique_ptr<FakeMachine>> machines; // built once per size
    auto& machine = machines[static_cast<int>(state.range(0))];
    if (!machine)
        machine = std::make_unique<FakeMachine>(static_cast<int>(state.range(0)));
    SourceObjectSet hardware, sensors;
    machine->source->ReadAll(hardware, sensors); // discovery, outside the timing
    for (auto _ : state) {
        machine->source->ReadAll(hardware, sensors);
        benchmark::DoNotOptimize(sensors.data());
    }
    state.counters["sensors"] = static_cast<double>(sensors.size());
    state.counters["hardware"] = static_cast<double>(hardware.size());
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(sensors.size()));
}

} // namespace

BENCHMARK(BM_KernelSourceReadAll)->Arg(64)->Arg(256)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
