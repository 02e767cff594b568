#include "sources/kernel/kernelsource.h"

#include "sources/classrefresher.h"
#include "sources/kernel/battery.h"
#include "sources/kernel/cpu.h"
#include "sources/kernel/disks.h"
#include "sources/kernel/hwmon.h"
#include "sources/kernel/kernelmodel.h"
#include "sources/kernel/memory.h"
#include "sources/kernel/network.h"

#include <QElapsedTimer>
#include <QFile>

#include <poll.h>
#include <sys/statfs.h>

#include <algorithm>

namespace gaugeloft::sources {

using namespace kernel;

namespace {
constexpr long kProcSuperMagic = 0x9fa0;
} // namespace

struct KernelSource::Private {
    KernelSourceOptions options;
    QElapsedTimer timer;
    QString sys, proc;

    SensorTable table;
    bool built = false;
    bool needRescan = false;
    bool rebuiltForGone = false; // the last discovery ran because a kept file was gone
    qint64 prevTime = 0;
    bool hasPrevTime = false;
    qint64 lastListingMs = 0; // when the folders were last listed

    CpuFamily cpu;
    MemoryFamily memory;
    DiskFamily disks;
    HwmonFamily hwmon;
    NetworkFamily network;
    BatteryFamily batteries;

    KernelFile mountsFile;
    bool mountsPollable = false;
    std::vector<char> mountsText, scratch;
    QByteArray hwmonDir, supplyDir;
    std::vector<QByteArray> hwmonEntries, supplyEntries;

    explicit Private(KernelSourceOptions o)
        : options(std::move(o))
        , sys(options.sysRoot)
        , proc(options.procRoot)
        , cpu(sys, proc)
        , memory(proc)
        , disks(sys, proc)
        , network(proc)
    {
        timer.start();
        hwmonDir = QFile::encodeName(sys + QLatin1String("/class/hwmon"));
        supplyDir = QFile::encodeName(sys + QLatin1String("/class/power_supply"));
    }

    qint64 Now() const { return options.clockMs ? options.clockMs() : timer.elapsed(); }

    void OpenProcFiles();
    bool ListingsChanged();
    void Rebuild();
    bool ReadValues(qint64 nowMs);
    void EnsureCurrent();
    void Read();
};

void KernelSource::Private::OpenProcFiles()
{
    cpu.OpenProcFiles();
    memory.OpenProcFiles();
    network.OpenProcFiles();
    disks.OpenProcFiles();
    if (!mountsFile.IsValid()) {
        mountsFile = KernelFile(proc + QLatin1String("/mounts"), true);
        struct statfs fs {};
        // The kernel's mount table wakes poll() on change; anything else is compared.
        mountsPollable = mountsFile.IsOpen() && ::fstatfs(mountsFile.Descriptor(), &fs) == 0
            && static_cast<long>(fs.f_type) == kProcSuperMagic;
    }
}

bool KernelSource::Private::ListingsChanged()
{
    bool list = true;
    if (options.hardwareEvents) {
        if (options.hardwareEvents())
            return true;
        list = Now() - lastListingMs >= options.folderRescanMs;
    }
    if (list) {
        lastListingMs = Now();
        if (!FolderUnchanged(hwmonDir, hwmonEntries) || !FolderUnchanged(supplyDir, supplyEntries))
            return true;
    }
    if (!mountsFile.IsValid())
        return false;
    if (mountsPollable) {
        pollfd p {mountsFile.Descriptor(), POLLPRI, 0};
        return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLERR | POLLPRI)) != 0;
    }
    mountsFile.ReadWhole(scratch);
    return scratch != mountsText;
}

void KernelSource::Private::Rebuild()
{
    lastListingMs = Now();
    OpenProcFiles();
    // Close the old descriptors first; only the slots are needed to carry state over.
    cpu.ForgetFiles();
    hwmon.ForgetFiles();
    batteries.ForgetFiles();

    hwmonEntries = ListFolder(hwmonDir);
    supplyEntries = ListFolder(supplyDir);
    mountsFile.ReadWhole(mountsText);

    SensorTable next;
    DiscoveryBuilder builder(next, std::max(16, DescriptorBudget() - 16));
    const std::vector<HwmonChip> chips = ScanHwmon(sys);
    // The CPU item and the disks' items come before hwmon, whose chips may join them; the
    // disks' own sensors follow those of their chips.
    const int cpuItem = cpu.Discover(builder, HasCpuInputs(chips));
    memory.Discover(builder);
    disks.DiscoverItems(builder, View(mountsText));
    hwmon.Discover(builder, chips, cpuItem, [this](const QString& devicePath) { return disks.ItemOfDevice(devicePath); });
    disks.DiscoverSensors(builder);
    network.Discover(builder);
    batteries.Discover(builder, supplyDir, supplyEntries);
    builder.Finish();

    next.CarryOver(table);
    table = std::move(next);
    built = true;
    needRescan = false;
}

bool KernelSource::Private::ReadValues(qint64 nowMs)
{
    // Shape checks first, so nothing is half applied when discovery has to run again.
    if (!cpu.ReadShape() || !network.ReadShape())
        return false;
    const double seconds = hasPrevTime ? static_cast<double>(nowMs - prevTime) / 1000.0 : 0.0;
    cpu.Read(table);
    memory.Read(table);
    // A chip that went away (or whose hwmon number was reused): one discovery tells.
    if (hwmon.Read(table) && !rebuiltForGone)
        needRescan = true;
    disks.Read(table, seconds);
    network.Read(table, seconds);
    batteries.Read(table);
    return true;
}

void KernelSource::Private::EnsureCurrent()
{
    const bool forGone = built && needRescan;
    if (!built || needRescan || ListingsChanged()) {
        Rebuild();
        rebuiltForGone = forGone;
    }
}

void KernelSource::Private::Read()
{
    const qint64 nowMs = Now();
    EnsureCurrent();
    if (!ReadValues(nowMs)) {
        Rebuild();
        rebuiltForGone = false;
        ReadValues(nowMs);
    }
    prevTime = nowMs;
    hasPrevTime = true;
}

KernelSource::KernelSource(KernelSourceOptions options)
    : d(std::make_unique<Private>(std::move(options)))
{
}

KernelSource::~KernelSource() = default;

bool KernelSource::Enumerate(const QString& className, SourceObjectSet& out)
{
    out.clear();
    const bool sensors = className.compare(kSensorClass, Qt::CaseInsensitive) == 0;
    if (!sensors && className.compare(kHardwareClass, Qt::CaseInsensitive) != 0)
        return false;
    if (sensors) {
        d->Read();
        out = d->table.sensors;
    } else {
        // Reading values here would shorten the window of the next rates.
        d->EnsureCurrent();
        out = d->table.hardware;
    }
    return true;
}

std::unique_ptr<SensorRefresher> KernelSource::CreateRefresher()
{
    return std::make_unique<ClassRefresher>(
        [this](SourceObjectSet& hardware, SourceObjectSet& sensors) { return ReadAll(hardware, sensors); });
}

bool KernelSource::ReadAll(SourceObjectSet& hardware, SourceObjectSet& sensors)
{
    d->Read();
    hardware = d->table.hardware;
    sensors = d->table.sensors;
    return true;
}

} // namespace gaugeloft::sources
