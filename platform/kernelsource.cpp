#include "platform/kernelsource.h"

#include "platform/classrefresher.h"
#include "platform/hwmonscan.h"
#include "platform/kernelfile.h"
#include "platform/procparse.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <poll.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <map>

namespace gaugeloft::platform {

using namespace kernel;

namespace {

const QStringList& hardwareNames()
{
    static const QStringList names = {QStringLiteral("Name"), QStringLiteral("Identifier"),
                                      QStringLiteral("Parent"), QStringLiteral("HardwareType")};
    return names;
}

const QStringList& sensorNames()
{
    static const QStringList names = {QStringLiteral("Name"),       QStringLiteral("Identifier"),
                                      QStringLiteral("Parent"),     QStringLiteral("SensorType"),
                                      QStringLiteral("Value"),      QStringLiteral("Min"),
                                      QStringLiteral("Max")};
    return names;
}

enum SensorField { FieldName = 0, FieldValue = 4, FieldMin = 5, FieldMax = 6 };

constexpr double kBytesPerGb = 1024.0 * 1024.0 * 1024.0;
constexpr double kKbPerGb = 1024.0 * 1024.0;
constexpr long kProcSuperMagic = 0x9fa0;

QString baseName(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

bool exists(const QString& path)
{
    return QFileInfo::exists(path);
}

std::string_view view(const std::vector<char>& buf)
{
    return {buf.data(), buf.size()};
}

bool sameName(const QByteArray& a, std::string_view b)
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
    KernelFile file;
    int slot = -1;
    double multiplier = 1;
    double divisor = 1;
};

struct CpuClock {
    int cpu = 0;
    int slot = -1;
    KernelFile freq; // invalid: taken from /proc/cpuinfo
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
    KernelFile capacity, voltage, power, current, status;
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

enum ItemGroup { GroupCpu, GroupMemory, GroupHwmon, GroupStorage, GroupNetwork, GroupBattery };

struct ItemDraft {
    int group = 0;
    QString id, name, type, parent;
    std::vector<int> slots;
    std::vector<QString> sensorNames, sensorTypes;
};

struct DiskDraft {
    QString name;
    QString model;
    QString devicePath;
    QStringList partitions;
    std::vector<QByteArray> mountPoints;
    int item = -1;
};

} // namespace

struct KernelSource::Private {
    KernelSourceOptions options;
    QElapsedTimer timer;
    QString sys, proc;

    Model model;
    bool built = false;
    bool needRescan = false;
    bool rebuiltForGone = false; // the last discovery ran because a kept file was gone
    qint64 prevTime = 0;
    bool hasPrevTime = false;

    KernelFile statFile, meminfoFile, netdevFile, diskstatsFile, mountsFile, cpuinfoFile;
    bool mountsPollable = false;
    std::vector<char> mountsText, statBuf, memBuf, netBuf, diskBuf, cpuinfoBuf, scratch;
    std::vector<CpuTimes> cpuTimes;
    std::vector<NetCounters> netCounters;
    std::vector<DiskCounters> diskCounters;
    std::vector<CpuMhz> mhz;
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

namespace {

// Builds one Model; keeps count of the descriptors it leaves open.
class Builder {
public:
    Builder(Model& model, int budget)
        : m(model)
        , m_budget(budget)
    {
    }

    KernelFile open(const QString& path)
    {
        KernelFile file(path, m_used < m_budget);
        if (file.isOpen())
            ++m_used;
        return file;
    }

    int addItem(int group, const QString& id, const QString& name, const QString& type,
                const QString& parent = {})
    {
        ItemDraft item;
        item.group = group;
        item.id = id;
        item.name = name;
        item.type = type;
        item.parent = parent;
        items.push_back(std::move(item));
        return static_cast<int>(items.size()) - 1;
    }

    int addSensor(int item, const QString& id, const QString& name, const QString& type)
    {
        Slot slot;
        slot.id = id;
        m.slots.push_back(std::move(slot));
        const int index = static_cast<int>(m.slots.size()) - 1;
        ItemDraft& draft = items[static_cast<std::size_t>(item)];
        draft.slots.push_back(index);
        draft.sensorNames.push_back(name);
        draft.sensorTypes.push_back(type);
        return index;
    }

    // Lays the drafts out as instances: items by group, each followed by nothing (hardware)
    // and its sensors in the order they were added (sensors).
    void finish()
    {
        std::vector<std::size_t> order(items.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return items[a].group < items[b].group; });
        m.hardware.reserve(items.size());
        m.sensors.reserve(m.slots.size());
        for (std::size_t i : order) {
            const ItemDraft& item = items[i];
            m.hardware.push_back({hardwareNames(), {item.name, item.id, item.parent, item.type}});
            for (std::size_t s = 0; s < item.slots.size(); ++s) {
                Slot& slot = m.slots[static_cast<std::size_t>(item.slots[s])];
                slot.instance = static_cast<int>(m.sensors.size());
                m.sensors.push_back({sensorNames(),
                                     {item.sensorNames[s], slot.id, item.id, item.sensorTypes[s],
                                      QVariant(), QVariant(), QVariant()}});
            }
        }
    }

    std::vector<ItemDraft> items;

private:
    Model& m;
    int m_budget;
    int m_used = 0;
};

// The type names, one shared string each.
QString typeName(const char* name)
{
    static const QHash<QByteArray, QString> names = [] {
        QHash<QByteArray, QString> h;
        for (const char* n : {"CPU", "Memory", "Storage", "Network", "Battery", "Motherboard", "SuperIO",
                              "GpuAmd", "GpuNvidia", "Load", "Clock", "Data", "Throughput", "Temperature",
                              "Fan", "Control", "Voltage", "Current", "Power", "Energy", "Level"})
            h.insert(QByteArray(n), QString::fromLatin1(n));
        return h;
    }();
    const auto it = names.constFind(QByteArray::fromRawData(name, static_cast<qsizetype>(qstrlen(name))));
    return it == names.cend() ? QString::fromLatin1(name) : it.value();
}

} // namespace

void KernelSource::Private::ensureProcFiles()
{
    auto reopen = [&](KernelFile& file, const char* name) {
        if (!file.isValid())
            file = KernelFile(proc + QLatin1Char('/') + QLatin1String(name), true);
    };
    reopen(statFile, "stat");
    reopen(meminfoFile, "meminfo");
    reopen(netdevFile, "net/dev");
    reopen(diskstatsFile, "diskstats");
    reopen(cpuinfoFile, "cpuinfo");
    if (!mountsFile.isValid()) {
        mountsFile = KernelFile(proc + QLatin1String("/mounts"), true);
        struct statfs fs {};
        // The kernel's mount table wakes poll() on change; anything else is compared.
        mountsPollable = mountsFile.isOpen() && ::fstatfs(mountsFile.descriptor(), &fs) == 0
            && static_cast<long>(fs.f_type) == kProcSuperMagic;
    }
}

bool KernelSource::Private::listingsChanged()
{
    bool list = true;
    if (options.hardwareEvents) {
        if (options.hardwareEvents())
            return true;
        list = now() - lastListingMs >= options.folderRescanMs;
    }
    if (list) {
        lastListingMs = now();
        if (!folderUnchanged(hwmonDir, model.hwmonEntries) || !folderUnchanged(supplyDir, model.supplyEntries))
            return true;
    }
    if (!mountsFile.isValid())
        return false;
    if (mountsPollable) {
        pollfd p {mountsFile.descriptor(), POLLPRI, 0};
        return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLERR | POLLPRI)) != 0;
    }
    mountsFile.readWhole(scratch);
    return scratch != mountsText;
}

void KernelSource::Private::rebuild()
{
    lastListingMs = now();
    ensureProcFiles();
    // Close the old descriptors first; only the slots are needed to carry state over.
    model.hwmon.clear();
    model.clocks.clear();
    model.batteries.clear();
    Model m;
    Builder b(m, std::max(16, descriptorBudget() - 16));

    m.hwmonEntries = listFolder(hwmonDir);
    m.supplyEntries = listFolder(supplyDir);
    mountsFile.readWhole(mountsText);

    // Gather what there is.
    const std::vector<HwmonChip> chips = scanHwmon(sys);
    statFile.readWhole(statBuf);
    parseProcStat(view(statBuf), cpuTimes);
    cpuinfoFile.readWhole(cpuinfoBuf);
    const QString cpuName = cpuModelName(view(cpuinfoBuf));
    meminfoFile.readWhole(memBuf);
    const MemInfo mem = parseMeminfo(view(memBuf));
    netdevFile.readWhole(netBuf);
    parseNetDev(view(netBuf), netCounters);

    std::map<QString, DiskDraft> disks;
    for (const MountEntry& mount : parseMounts(view(mountsText))) {
        if (!mount.device.startsWith(QLatin1String("/dev/")))
            continue;
        QString dev = baseName(mount.device);
        QString blockDir = sys + QLatin1String("/class/block/") + dev;
        if (!exists(blockDir)) {
            // /dev/mapper/x, /dev/disk/by-uuid/y: follow the device node's link.
            const QString resolved = QFileInfo(mount.device).canonicalFilePath();
            if (resolved.isEmpty())
                continue;
            dev = baseName(resolved);
            blockDir = sys + QLatin1String("/class/block/") + dev;
            if (dev.isEmpty() || !exists(blockDir))
                continue;
        }
        QString disk = dev;
        if (exists(blockDir + QLatin1String("/partition"))) {
            const QString parent = QFileInfo(QFileInfo(blockDir).canonicalFilePath()).dir().dirName();
            if (!parent.isEmpty() && parent != dev && exists(sys + QLatin1String("/class/block/") + parent))
                disk = parent;
        }
        if (disk.startsWith(QLatin1String("loop")) || disk.startsWith(QLatin1String("ram"))
            || disk.startsWith(QLatin1String("zram")))
            continue;
        DiskDraft& draft = disks[disk];
        if (draft.name.isEmpty()) {
            draft.name = disk;
            const QString diskDir = sys + QLatin1String("/class/block/") + disk;
            draft.model = readTrimmed(diskDir + QLatin1String("/device/model"));
            draft.devicePath = QFileInfo(diskDir + QLatin1String("/device")).canonicalFilePath();
        }
        if (!draft.partitions.contains(dev)) {
            draft.partitions.append(dev);
            draft.mountPoints.push_back(QFile::encodeName(mount.mountPoint));
        }
    }

    // CPU
    bool anyCpuChip = false;
    for (const HwmonChip& chip : chips)
        anyCpuChip = anyCpuChip || (chip.kind == ChipKind::Cpu && !chip.inputs.empty());
    int cpuItem = -1;
    if (!cpuTimes.empty() || anyCpuChip) {
        cpuItem = b.addItem(GroupCpu, QStringLiteral("/cpu/0"),
                            cpuName.isEmpty() ? QStringLiteral("CPU") : cpuName, typeName("CPU"));
        std::vector<int> numbers;
        for (const CpuTimes& t : cpuTimes) {
            m.cpuNumbers.push_back(t.cpu);
            int slot = -1;
            if (std::find(numbers.begin(), numbers.end(), t.cpu) == numbers.end()) {
                numbers.push_back(t.cpu);
                if (t.cpu < 0) {
                    slot = b.addSensor(cpuItem, QStringLiteral("/cpu/0/load/0"), QStringLiteral("CPU Total"),
                                       typeName("Load"));
                } else {
                    const QString n = QString::number(t.cpu + 1);
                    slot = b.addSensor(cpuItem, QStringLiteral("/cpu/0/load/") + n,
                                       QStringLiteral("CPU Core #") + n, typeName("Load"));
                }
            }
            m.loadSlots.push_back(slot);
        }
        std::sort(numbers.begin(), numbers.end());
        parseCpuMhz(view(cpuinfoBuf), mhz);
        for (int cpu : numbers) {
            if (cpu < 0)
                continue;
            const QString freqPath = sys + QLatin1String("/devices/system/cpu/cpu") + QString::number(cpu)
                + QLatin1String("/cpufreq/scaling_cur_freq");
            CpuClock clock;
            clock.cpu = cpu;
            if (exists(freqPath))
                clock.freq = b.open(freqPath);
            if (!clock.freq.isValid()) {
                const bool listed = std::any_of(mhz.begin(), mhz.end(), [&](const CpuMhz& e) { return e.cpu == cpu; });
                if (!listed)
                    continue;
                m.clocksFromCpuinfo = true;
            }
            const QString n = QString::number(cpu + 1);
            clock.slot = b.addSensor(cpuItem, QStringLiteral("/cpu/0/clock/") + n, QStringLiteral("CPU Core #") + n,
                                     typeName("Clock"));
            m.clocks.push_back(std::move(clock));
        }
    }

    // Memory
    if (mem.totalKb) {
        const int item = b.addItem(GroupMemory, QStringLiteral("/ram"), QStringLiteral("Memory"), typeName("Memory"));
        m.memLoad = b.addSensor(item, QStringLiteral("/ram/load/0"), QStringLiteral("Memory"), typeName("Load"));
        m.memUsed = b.addSensor(item, QStringLiteral("/ram/data/0"), QStringLiteral("Used Memory"), typeName("Data"));
        m.memAvailable =
            b.addSensor(item, QStringLiteral("/ram/data/1"), QStringLiteral("Available Memory"), typeName("Data"));
    }

    // Storage items of mounted disks (their sensors come after any hwmon ones).
    for (auto& [name, draft] : disks) {
        draft.item = b.addItem(GroupStorage, QStringLiteral("/disk/") + name,
                               draft.model.isEmpty() ? name : draft.model, typeName("Storage"));
    }

    // hwmon chips: pick each chip's item, then name the sensors item by item.
    struct Contribution {
        const HwmonChip* chip;
        const HwmonInput* input;
    };
    std::map<int, std::vector<Contribution>> byItem;
    std::vector<int> itemOrder;
    for (const HwmonChip& chip : chips) {
        if (chip.inputs.empty())
            continue;
        int item = -1;
        if (chip.kind == ChipKind::Cpu) {
            item = cpuItem;
        } else if (chip.kind == ChipKind::Storage && !chip.devicePath.isEmpty()) {
            const QString prefix = chip.devicePath + QLatin1Char('/');
            for (const auto& [name, draft] : disks) {
                if (!draft.devicePath.isEmpty()
                    && (draft.devicePath == chip.devicePath || draft.devicePath.startsWith(prefix))) {
                    item = draft.item;
                    break;
                }
            }
        }
        if (item < 0) {
            const char* type = "Motherboard";
            switch (chip.kind) {
            case ChipKind::GpuAmd: type = "GpuAmd"; break;
            case ChipKind::GpuNvidia: type = "GpuNvidia"; break;
            case ChipKind::Storage: type = "Storage"; break;
            case ChipKind::SuperIo: type = "SuperIO"; break;
            case ChipKind::Cpu:
            case ChipKind::Other: break;
            }
            item = b.addItem(GroupHwmon, QStringLiteral("/hwmon/") + chip.chipId, chip.displayName, typeName(type));
        }
        auto& list = byItem[item];
        if (list.empty())
            itemOrder.push_back(item);
        for (const HwmonInput& input : chip.inputs)
            list.push_back({&chip, &input});
    }
    for (int item : itemOrder) {
        std::vector<Contribution>& list = byItem[item];
        std::vector<KernelFile> files;
        std::vector<Contribution> usable;
        for (const Contribution& c : list) {
            KernelFile file = b.open(c.input->file);
            if (!file.isValid())
                continue; // unreadable: leave it out
            files.push_back(std::move(file));
            usable.push_back(c);
        }
        std::vector<SensorNaming> naming(usable.size());
        for (std::size_t i = 0; i < usable.size(); ++i)
            naming[i] = {usable[i].input->label, usable[i].input->stem, usable[i].input->sensorType,
                         usable[i].chip->name, {}};
        nameSensors(naming);
        for (std::size_t i = 0; i < usable.size(); ++i) {
            const Contribution& c = usable[i];
            HwmonReader reader;
            reader.file = std::move(files[i]);
            reader.multiplier = c.input->multiplier;
            reader.divisor = c.input->divisor;
            reader.slot = b.addSensor(item,
                                      QStringLiteral("/hwmon/") + c.chip->chipId + QLatin1Char('/') + c.input->attribute,
                                      naming[i].name, typeName(c.input->sensorType.toLatin1().constData()));
            m.hwmon.push_back(std::move(reader));
        }
    }

    // Storage sensors
    for (auto& [name, draft] : disks) {
        DiskReader reader;
        reader.name = name.toUtf8();
        reader.mountPoints = draft.mountPoints;
        const QString id = QStringLiteral("/disk/") + name;
        reader.used = b.addSensor(draft.item, id + QLatin1String("/load/0"), QStringLiteral("Used Space"), typeName("Load"));
        reader.readRate = b.addSensor(draft.item, id + QLatin1String("/throughput/0"), QStringLiteral("Read Rate"),
                                      typeName("Throughput"));
        reader.writeRate = b.addSensor(draft.item, id + QLatin1String("/throughput/1"), QStringLiteral("Write Rate"),
                                       typeName("Throughput"));
        m.disks.push_back(std::move(reader));
    }

    // Network
    for (const NetCounters& c : netCounters) {
        if (c.name == "lo")
            continue;
        NetReader reader;
        reader.name = QByteArray(c.name.data(), static_cast<qsizetype>(c.name.size()));
        const QString name = QString::fromUtf8(reader.name);
        if (std::any_of(m.nets.begin(), m.nets.end(), [&](const NetReader& n) { return n.name == reader.name; })) {
            m.nets.push_back(std::move(reader)); // a repeated line: kept for the shape check only
            continue;
        }
        const QString id = QStringLiteral("/nic/") + name;
        const int item = b.addItem(GroupNetwork, id, name, typeName("Network"));
        reader.upload = b.addSensor(item, id + QLatin1String("/throughput/0"), QStringLiteral("Upload Speed"),
                                    typeName("Throughput"));
        reader.download = b.addSensor(item, id + QLatin1String("/throughput/1"), QStringLiteral("Download Speed"),
                                      typeName("Throughput"));
        reader.uploaded = b.addSensor(item, id + QLatin1String("/data/0"), QStringLiteral("Data Uploaded"), typeName("Data"));
        reader.downloaded =
            b.addSensor(item, id + QLatin1String("/data/1"), QStringLiteral("Data Downloaded"), typeName("Data"));
        m.nets.push_back(std::move(reader));
    }

    // Batteries
    std::vector<QString> supplies;
    for (const QByteArray& entry : m.supplyEntries)
        supplies.push_back(QFile::decodeName(entry));
    std::sort(supplies.begin(), supplies.end());
    for (const QString& supply : supplies) {
        const QString dir = QString::fromUtf8(supplyDir) + QLatin1Char('/') + supply;
        if (readTrimmed(dir + QLatin1String("/type")) != QLatin1String("Battery"))
            continue;
        const QString model = readTrimmed(dir + QLatin1String("/model_name"));
        const QString id = QStringLiteral("/battery/") + supply;
        const int item = b.addItem(GroupBattery, id, model.isEmpty() ? supply : model, typeName("Battery"));
        BatteryReader reader;
        auto openIf = [&](const char* file) {
            const QString path = dir + QLatin1Char('/') + QLatin1String(file);
            return exists(path) ? b.open(path) : KernelFile();
        };
        reader.capacity = openIf("capacity");
        reader.voltage = openIf("voltage_now");
        reader.power = openIf("power_now");
        reader.current = openIf("current_now");
        reader.status = openIf("status");
        if (reader.capacity.isValid())
            reader.level = b.addSensor(item, id + QLatin1String("/level/0"), QStringLiteral("Charge Level"), typeName("Level"));
        if (reader.voltage.isValid())
            reader.volts = b.addSensor(item, id + QLatin1String("/voltage/0"), QStringLiteral("Voltage"), typeName("Voltage"));
        if (reader.power.isValid() || (reader.current.isValid() && reader.voltage.isValid())) {
            reader.chargeName = QStringLiteral("Charge Rate");
            reader.dischargeName = QStringLiteral("Discharge Rate");
            reader.discharging = readTrimmed(dir + QLatin1String("/status")) == QLatin1String("Discharging");
            reader.rate = b.addSensor(item, id + QLatin1String("/power/0"),
                                      reader.discharging ? QStringLiteral("Discharge Rate") : QStringLiteral("Charge Rate"),
                                      typeName("Power"));
        }
        m.batteries.push_back(std::move(reader));
    }

    b.finish();

    // Carry over extremes and counters of sensors that are still there.
    QHash<QString, int> previous;
    previous.reserve(static_cast<qsizetype>(model.slots.size()));
    for (std::size_t i = 0; i < model.slots.size(); ++i)
        previous.insert(model.slots[i].id, static_cast<int>(i));
    for (Slot& slot : m.slots) {
        const auto it = previous.constFind(slot.id);
        if (it == previous.cend())
            continue;
        const Slot& old = model.slots[static_cast<std::size_t>(*it)];
        slot.hasRange = old.hasRange;
        slot.min = old.min;
        slot.max = old.max;
        slot.hasPrev = old.hasPrev;
        slot.prevA = old.prevA;
        slot.prevB = old.prevB;
        slot.lastValue = old.lastValue;
        if (slot.hasRange) {
            QVariantList& values = m.sensors[static_cast<std::size_t>(slot.instance)].values;
            values[FieldMin] = slot.min;
            values[FieldMax] = slot.max;
        }
    }

    model = std::move(m);
    built = true;
    needRescan = false;
}

void KernelSource::Private::publish(int slotIndex, double value)
{
    if (!std::isfinite(value)) {
        publishNull(slotIndex);
        return;
    }
    Slot& slot = model.slots[static_cast<std::size_t>(slotIndex)];
    QVariantList& values = model.sensors[static_cast<std::size_t>(slot.instance)].values;
    // Unchanged values are left alone: writing would copy a list the caller still shares.
    const QVariant& current = std::as_const(values)[FieldValue];
    if (current.typeId() != QMetaType::Double || current.toDouble() != value)
        values[FieldValue] = value;
    if (!slot.hasRange || value < slot.min) {
        slot.min = value;
        values[FieldMin] = value;
    }
    if (!slot.hasRange || value > slot.max) {
        slot.max = value;
        values[FieldMax] = value;
    }
    slot.hasRange = true;
}

void KernelSource::Private::publishNull(int slotIndex)
{
    const Slot& slot = model.slots[static_cast<std::size_t>(slotIndex)];
    SourceInstance& instance = model.sensors[static_cast<std::size_t>(slot.instance)];
    if (!std::as_const(instance.values)[FieldValue].isNull())
        instance.values[FieldValue] = QVariant();
}

void KernelSource::Private::publishLoad(int slotIndex, std::uint64_t busy, std::uint64_t total)
{
    Slot& slot = model.slots[static_cast<std::size_t>(slotIndex)];
    double value = 0;
    if (slot.hasPrev) {
        if (total == slot.prevB) {
            value = slot.lastValue; // no ticks since the last read
        } else if (total > slot.prevB) {
            // iowait can step back, so busy may too: clamp.
            const double dBusy = static_cast<double>(busy) - static_cast<double>(slot.prevA);
            value = std::clamp(dBusy * 100.0 / static_cast<double>(total - slot.prevB), 0.0, 100.0);
        }
    }
    slot.hasPrev = true;
    slot.prevA = busy;
    slot.prevB = total;
    slot.lastValue = value;
    publish(slotIndex, value);
}

void KernelSource::Private::publishRate(int slotIndex, std::uint64_t counter, double factor, double seconds)
{
    Slot& slot = model.slots[static_cast<std::size_t>(slotIndex)];
    double value = 0;
    if (slot.hasPrev) {
        if (seconds <= 0)
            value = slot.lastValue;
        else if (counter >= slot.prevA)
            value = static_cast<double>(counter - slot.prevA) * factor / seconds;
        // a counter that went back (reset, wrap) gives 0 for this read
    }
    slot.hasPrev = true;
    slot.prevA = counter;
    slot.lastValue = value;
    publish(slotIndex, value);
}

bool KernelSource::Private::readValues(qint64 nowMs)
{
    // Shape checks first, so nothing is half applied when discovery has to run again.
    statFile.readWhole(statBuf);
    parseProcStat(view(statBuf), cpuTimes);
    if (cpuTimes.size() != model.cpuNumbers.size())
        return false;
    for (std::size_t i = 0; i < cpuTimes.size(); ++i) {
        if (cpuTimes[i].cpu != model.cpuNumbers[i])
            return false;
    }
    netdevFile.readWhole(netBuf);
    parseNetDev(view(netBuf), netCounters);
    {
        std::size_t n = 0;
        for (const NetCounters& c : netCounters) {
            if (c.name == "lo")
                continue;
            if (n >= model.nets.size() || !sameName(model.nets[n].name, c.name))
                return false;
            ++n;
        }
        if (n != model.nets.size())
            return false;
    }

    const double seconds = hasPrevTime ? static_cast<double>(nowMs - prevTime) / 1000.0 : 0.0;
    char buf[128];

    for (std::size_t i = 0; i < cpuTimes.size(); ++i) {
        if (model.loadSlots[i] >= 0)
            publishLoad(model.loadSlots[i], cpuTimes[i].busy, cpuTimes[i].total);
    }
    if (model.clocksFromCpuinfo) {
        cpuinfoFile.readWhole(cpuinfoBuf);
        parseCpuMhz(view(cpuinfoBuf), mhz);
    }
    for (CpuClock& clock : model.clocks) {
        std::optional<double> mhzValue;
        if (clock.freq.isValid()) {
            const long n = clock.freq.readSmall(buf, sizeof buf);
            if (n >= 0 && static_cast<std::size_t>(n) < sizeof buf) {
                if (const auto khz = parseNumber({buf, static_cast<std::size_t>(n)}))
                    mhzValue = *khz / 1000.0;
            }
        } else {
            for (const CpuMhz& e : mhz) {
                if (e.cpu == clock.cpu) {
                    mhzValue = e.mhz;
                    break;
                }
            }
        }
        if (mhzValue)
            publish(clock.slot, *mhzValue);
        else
            publishNull(clock.slot);
    }

    if (model.memLoad >= 0) {
        meminfoFile.readWhole(memBuf);
        const MemInfo mem = parseMeminfo(view(memBuf));
        if (mem.totalKb && mem.availableKb && *mem.totalKb > 0) {
            const double total = static_cast<double>(*mem.totalKb);
            const double available = static_cast<double>(std::min(*mem.availableKb, *mem.totalKb));
            publish(model.memLoad, (total - available) * 100.0 / total);
            publish(model.memUsed, (total - available) / kKbPerGb);
            publish(model.memAvailable, available / kKbPerGb);
        } else {
            publishNull(model.memLoad);
            publishNull(model.memUsed);
            publishNull(model.memAvailable);
        }
    }

    for (HwmonReader& reader : model.hwmon) {
        const long n = reader.file.readSmall(buf, sizeof buf);
        if (n < 0) {
            const int error = reader.file.lastError();
            // The chip went away (or its hwmon number was reused); one discovery tells.
            if ((error == ENODEV || error == ENOENT || error == ENXIO) && !rebuiltForGone)
                needRescan = true;
            publishNull(reader.slot);
            continue;
        }
        const auto raw = parseNumber({buf, static_cast<std::size_t>(n)});
        if (raw && static_cast<std::size_t>(n) < sizeof buf)
            publish(reader.slot, *raw * reader.multiplier / reader.divisor);
        else
            publishNull(reader.slot);
    }

    if (!model.disks.empty()) {
        diskstatsFile.readWhole(diskBuf);
        parseDiskstats(view(diskBuf), diskCounters);
        for (DiskReader& disk : model.disks) {
            double used = 0, total = 0;
            for (const QByteArray& mountPoint : disk.mountPoints) {
                struct statvfs fs {};
                if (::statvfs(mountPoint.constData(), &fs) != 0)
                    continue;
                const double frsize = static_cast<double>(fs.f_frsize ? fs.f_frsize : fs.f_bsize);
                total += static_cast<double>(fs.f_blocks) * frsize;
                used += static_cast<double>(fs.f_blocks - std::min(fs.f_bfree, fs.f_blocks)) * frsize;
            }
            if (total > 0)
                publish(disk.used, used * 100.0 / total);
            else
                publishNull(disk.used);
            const DiskCounters* counters = nullptr;
            for (const DiskCounters& c : diskCounters) {
                if (sameName(disk.name, c.name)) {
                    counters = &c;
                    break;
                }
            }
            if (counters) {
                publishRate(disk.readRate, counters->sectorsRead, 512.0, seconds);
                publishRate(disk.writeRate, counters->sectorsWritten, 512.0, seconds);
            } else {
                for (int s : {disk.readRate, disk.writeRate}) {
                    model.slots[static_cast<std::size_t>(s)].hasPrev = false;
                    publishNull(s);
                }
            }
        }
    }

    {
        std::size_t n = 0;
        for (const NetCounters& c : netCounters) {
            if (c.name == "lo")
                continue;
            const NetReader& net = model.nets[n++];
            if (net.upload < 0)
                continue; // repeated line
            publishRate(net.upload, c.txBytes, 1.0, seconds);
            publishRate(net.download, c.rxBytes, 1.0, seconds);
            publish(net.uploaded, static_cast<double>(c.txBytes) / kBytesPerGb);
            publish(net.downloaded, static_cast<double>(c.rxBytes) / kBytesPerGb);
        }
    }

    auto readNumber = [&](KernelFile& file) -> std::optional<double> {
        if (!file.isValid())
            return std::nullopt;
        const long n = file.readSmall(buf, sizeof buf);
        if (n < 0 || static_cast<std::size_t>(n) >= sizeof buf)
            return std::nullopt;
        return parseNumber({buf, static_cast<std::size_t>(n)});
    };
    for (BatteryReader& battery : model.batteries) {
        if (battery.level >= 0) {
            const auto v = readNumber(battery.capacity);
            v ? publish(battery.level, *v) : publishNull(battery.level);
        }
        const auto microvolts = readNumber(battery.voltage);
        if (battery.volts >= 0)
            microvolts ? publish(battery.volts, *microvolts / 1e6) : publishNull(battery.volts);
        if (battery.rate >= 0) {
            std::optional<double> watts;
            if (const auto microwatts = readNumber(battery.power))
                watts = std::fabs(*microwatts) / 1e6;
            else if (const auto microamps = readNumber(battery.current); microamps && microvolts)
                watts = std::fabs(*microamps) * *microvolts / 1e12;
            watts ? publish(battery.rate, *watts) : publishNull(battery.rate);
            if (battery.status.isValid()) {
                const long n = battery.status.readSmall(buf, sizeof buf);
                const bool discharging = n >= 11 && std::string_view(buf, 11) == "Discharging";
                if (n >= 0 && discharging != battery.discharging) {
                    battery.discharging = discharging;
                    const Slot& slot = model.slots[static_cast<std::size_t>(battery.rate)];
                    model.sensors[static_cast<std::size_t>(slot.instance)].values[FieldName] =
                        discharging ? battery.dischargeName : battery.chargeName;
                }
            }
        }
    }
    return true;
}

void KernelSource::Private::ensureCurrent()
{
    const bool forGone = built && needRescan;
    if (!built || needRescan || listingsChanged()) {
        rebuild();
        rebuiltForGone = forGone;
    }
}

void KernelSource::Private::read()
{
    const qint64 nowMs = now();
    ensureCurrent();
    if (!readValues(nowMs)) {
        rebuild();
        rebuiltForGone = false;
        readValues(nowMs);
    }
    prevTime = nowMs;
    hasPrevTime = true;
}

KernelSource::KernelSource(KernelSourceOptions options)
    : d(std::make_unique<Private>(std::move(options)))
{
}

KernelSource::~KernelSource() = default;

bool KernelSource::enumerate(const QString& className, SourceObjectSet& out)
{
    out.clear();
    const bool sensors = className.compare(kSensorClass, Qt::CaseInsensitive) == 0;
    if (!sensors && className.compare(kHardwareClass, Qt::CaseInsensitive) != 0)
        return false;
    if (sensors) {
        d->read();
        out = d->model.sensors;
    } else {
        // Reading values here would shorten the window of the next rates.
        d->ensureCurrent();
        out = d->model.hardware;
    }
    return true;
}

std::unique_ptr<SensorRefresher> KernelSource::createRefresher()
{
    return std::make_unique<ClassRefresher>(
        [this](SourceObjectSet& hardware, SourceObjectSet& sensors) { return readAll(hardware, sensors); });
}

bool KernelSource::readAll(SourceObjectSet& hardware, SourceObjectSet& sensors)
{
    d->read();
    hardware = d->model.hardware;
    sensors = d->model.sensors;
    return true;
}

} // namespace gaugeloft::platform
