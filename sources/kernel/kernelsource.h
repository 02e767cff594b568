#pragma once

// The local kernel sensor source: hwmon chips, CPU load and clocks, memory, network,
// mounted disks and batteries, read from sysfs and procfs in the conventions of the
// hardware monitoring providers.
//
// Discovery runs at the first read and again only when the hardware can have changed
// (the kernel announced a device, the hwmon or power_supply folders, the mount table, the
// CPUs of /proc/stat or the interfaces of /proc/net/dev differ from last time, or a kept
// file reports its device gone). Between discoveries a read is a pread of each kept descriptor and an in-place
// update of prebuilt instances.
//
// Each hardware family is a unit of its own (cpu.h, memory.h, disks.h, hwmon.h, network.h,
// battery.h) with its discovery and read; this class decides when to discover again and
// publishes what the families found.
//
// Not thread safe: one thread reads a source at a time.

#include "sources/sensorsource.h"

#include <QString>

#include <functional>
#include <memory>

namespace gaugeloft::sources {

struct KernelSourceOptions {
    QString sysRoot = QStringLiteral("/sys");
    QString procRoot = QStringLiteral("/proc");
    std::function<qint64()> clockMs; // monotonic milliseconds; empty = a QElapsedTimer-based clock
    // Whether the kernel announced hardware that came or went since last asked (HotplugWatch).
    // While set, the hwmon and power_supply folders are listed only every folderRescanMs, as a
    // fallback; when empty they are listed at every read.
    std::function<bool()> hardwareEvents;
    qint64 folderRescanMs = 30000;
};

class KernelSource final : public SensorSource {
public:
    explicit KernelSource(KernelSourceOptions options = {});
    ~KernelSource() override;
    KernelSource(const KernelSource&) = delete;
    KernelSource& operator=(const KernelSource&) = delete;

    // "Hardware" / "Sensor" (case-insensitive); other class -> false. Enumerating
    // "Hardware" only checks for changed hardware; "Sensor" reads every value.
    bool Enumerate(const QString& className, SourceObjectSet& out) override;
    // A ClassRefresher over ReadAll; it must not outlive this source.
    std::unique_ptr<SensorRefresher> CreateRefresher() override;
    // One read of everything. Always answers (true); missing parts are left out.
    bool ReadAll(SourceObjectSet& hardware, SourceObjectSet& sensors);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace gaugeloft::sources
