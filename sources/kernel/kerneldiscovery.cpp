// The kernel source's discovery: which hardware and sensors this machine has, which files hold
// their readings, and when to look again.

#include "sources/kernel/kernelsourceparts.h"

#include "sources/kernel/hwmonscan.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <poll.h>
#include <sys/statfs.h>

#include <algorithm>
#include <map>

namespace gaugeloft::sources {

using namespace kernel;
using namespace kernelmodel;

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

QString baseName(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

bool exists(const QString& path)
{
    return QFileInfo::exists(path);
}

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

} // namespace gaugeloft::sources
