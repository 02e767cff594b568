#pragma once

// The kernel source's own parts, shared by its discovery (kerneldiscovery.cpp) and its reading
// and publishing (kernelsource.cpp); nothing else includes this.

#include "sources/kernel/kernelfile.h"
#include "sources/kernel/kernelsource.h"
#include "sources/kernel/procparse.h"

#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <string_view>
#include <vector>

namespace gaugeloft::sources {

namespace kernelmodel {

enum SensorField { FieldName = 0, FieldValue = 4, FieldMin = 5, FieldMax = 6 };

constexpr double kBytesPerGb = 1024.0 * 1024.0 * 1024.0;
constexpr double kKbPerGb = 1024.0 * 1024.0;
constexpr long kProcSuperMagic = 0x9fa0;

inline std::string_view view(const std::vector<char>& buf)
{
    return {buf.data(), buf.size()};
}

inline bool sameName(const QByteArray& a, std::string_view b)
{
    return std::string_view(a.constData(), static_cast<std::size_t>(a.size())) == b;
}

// One published sensor and what is remembered about it between reads.
struct Slot {
    QString id;
    int instance = -1;
    bool hasRange = false;
    double min = 0;
    double max = 0;
    bool hasPrev = false;
    std::uint64_t prevA = 0;
    std::uint64_t prevB = 0;
    double lastValue = 0; // last load or rate, repeated when no time has passed
};

struct HwmonReader {
    kernel::KernelFile file;
    int slot = -1;
    double multiplier = 1;
    double divisor = 1;
};

struct CpuClock {
    int cpu = 0;
    int slot = -1;
    kernel::KernelFile freq; // invalid: taken from /proc/cpuinfo
};

struct NetReader {
    QByteArray name;
    int upload = -1, download = -1, uploaded = -1, downloaded = -1;
};

struct DiskReader {
    QByteArray name;
    std::vector<QByteArray> mountPoints; // one per mounted partition
    int used = -1, readRate = -1, writeRate = -1;
};

struct BatteryReader {
    kernel::KernelFile capacity, voltage, power, current, status;
    int level = -1, volts = -1, rate = -1;
    QVariant chargeName, dischargeName;
    bool discharging = false;
};

// Everything one discovery produced.
struct Model {
    SourceObjectSet hardware;
    SourceObjectSet sensors;
    std::vector<Slot> slots;

    std::vector<HwmonReader> hwmon;
    std::vector<int> cpuNumbers; // the cpu lines of /proc/stat in order (-1 = total)
    std::vector<int> loadSlots;  // parallel to cpuNumbers
    std::vector<CpuClock> clocks;
    bool clocksFromCpuinfo = false;
    int memLoad = -1, memUsed = -1, memAvailable = -1;
    std::vector<NetReader> nets;
    std::vector<DiskReader> disks;
    std::vector<BatteryReader> batteries;

    std::vector<QByteArray> hwmonEntries;
    std::vector<QByteArray> supplyEntries;
};

} // namespace kernelmodel

struct KernelSource::Private {
    KernelSourceOptions options;
    QElapsedTimer timer;
    QString sys, proc;

    kernelmodel::Model model;
    bool built = false;
    bool needRescan = false;
    bool rebuiltForGone = false; // the last discovery ran because a kept file was gone
    qint64 prevTime = 0;
    bool hasPrevTime = false;

    kernel::KernelFile statFile, meminfoFile, netdevFile, diskstatsFile, mountsFile, cpuinfoFile;
    bool mountsPollable = false;
    std::vector<char> mountsText, statBuf, memBuf, netBuf, diskBuf, cpuinfoBuf, scratch;
    std::vector<kernel::CpuTimes> cpuTimes;
    std::vector<kernel::NetCounters> netCounters;
    std::vector<kernel::DiskCounters> diskCounters;
    std::vector<kernel::CpuMhz> mhz;
    QByteArray hwmonDir, supplyDir;

    explicit Private(KernelSourceOptions o)
        : options(std::move(o))
    {
        timer.start();
        sys = options.sysRoot;
        proc = options.procRoot;
        hwmonDir = QFile::encodeName(sys + QLatin1String("/class/hwmon"));
        supplyDir = QFile::encodeName(sys + QLatin1String("/class/power_supply"));
    }

    qint64 now() const { return options.clockMs ? options.clockMs() : timer.elapsed(); }

    void ensureProcFiles();
    bool listingsChanged();
    qint64 lastListingMs = 0;  // when the folders were last listed
    void rebuild();
    bool readValues(qint64 nowMs);
    void ensureCurrent();
    void read();

    // Publishing.
    void publish(int slotIndex, double value);
    void publishNull(int slotIndex);
    void publishLoad(int slotIndex, std::uint64_t busy, std::uint64_t total);
    void publishRate(int slotIndex, std::uint64_t counter, double factor, double seconds);
};

} // namespace gaugeloft::sources
