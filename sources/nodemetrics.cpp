#include "sources/nodemetrics.h"

#include "sources/kernel/hwmon.h"
#include "sources/kernel/kernelmodel.h"
#include "sources/promquery.h"

#include <QStringBuilder>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace gaugeloft::sources {

namespace {

using kernel::ChipKind;

constexpr double kBytesPerGb = 1024.0 * 1024.0 * 1024.0;

const QStringList& HardwareNames()
{
    static const QStringList names {QStringLiteral("Name"), QStringLiteral("Identifier"), QStringLiteral("Parent"),
                                    QStringLiteral("HardwareType")};
    return names;
}

const QStringList& SensorNames()
{
    static const QStringList names {QStringLiteral("Name"),       QStringLiteral("Identifier"),
                                    QStringLiteral("Parent"),     QStringLiteral("SensorType"),
                                    QStringLiteral("Value"),      QStringLiteral("Min"),
                                    QStringLiteral("Max")};
    return names;
}

QString Type(const char* name)
{
    return kernel::TypeName(name);
}

// The hwmon value families, in the kernel source's order within a chip and with its units.
struct HwmonKind {
    const char* metric;
    const char* prefix; // of the sensor label ("temp1")
    const char* stem;
    const char* sensorType;
    double factor;
    int preference; // power: the input beats the average
};

const HwmonKind kHwmonKinds[] = {
    {"node_hwmon_temp_celsius", "temp", "Temperature", "Temperature", 1, 0},
    {"node_hwmon_fan_rpm", "fan", "Fan", "Fan", 1, 0},
    {"node_hwmon_pwm", "pwm", "Fan Control", "Control", 100.0 / 255.0, 0},
    {"node_hwmon_in_volts", "in", "Voltage", "Voltage", 1, 0},
    {"node_hwmon_curr_amps", "curr", "Current", "Current", 1, 0},
    {"node_hwmon_power_watt", "power", "Power", "Power", 1, 1},
    {"node_hwmon_power_average_watt", "power", "Power", "Power", 1, 0},
    {"node_hwmon_energy_joule_total", "energy", "Energy", "Energy", 1.0 / 3600.0, 0}, // J → Wh
    // the exporter divides the kernel's milli-percent by a million
    {"node_hwmon_humidity", "humidity", "Humidity", "Level", 1000, 0},
};
constexpr int kHwmonKindCount = int(std::size(kHwmonKinds));

// Kinds of one sensor prefix (the two power families) sort together.
int KindOrder(int kind)
{
    for (int k = 0; k < kind; ++k) {
        if (qstrcmp(kHwmonKinds[k].prefix, kHwmonKinds[kind].prefix) == 0)
            return k;
    }
    return kind;
}

enum Family {
    ChipNames = kHwmonKindCount,
    SensorLabel,
    CpuSeconds,
    CpuInfo,
    CpuFrequency,
    MemTotal,
    MemAvailable,
    NetReceive,
    NetTransmit,
    DiskRead,
    DiskWritten,
    DiskInfo,
    Uname,
    ScrapeTime,
};

int FamilyOf(const QString& metric)
{
    static const QHash<QString, int> families = [] {
        QHash<QString, int> h;
        for (int k = 0; k < kHwmonKindCount; ++k)
            h.insert(QLatin1String(kHwmonKinds[k].metric), k);
        const std::pair<const char*, int> others[] = {
            {"node_hwmon_chip_names", ChipNames},
            {"node_hwmon_sensor_label", SensorLabel},
            {"node_cpu_seconds_total", CpuSeconds},
            {"node_cpu_info", CpuInfo},
            {"node_cpu_scaling_frequency_hertz", CpuFrequency},
            {"node_memory_MemTotal_bytes", MemTotal},
            {"node_memory_MemAvailable_bytes", MemAvailable},
            {"node_network_receive_bytes_total", NetReceive},
            {"node_network_transmit_bytes_total", NetTransmit},
            {"node_disk_read_bytes_total", DiskRead},
            {"node_disk_written_bytes_total", DiskWritten},
            {"node_disk_info", DiskInfo},
            {"node_uname_info", Uname},
            {kScrapeTimeMetric, ScrapeTime},
        };
        for (const auto& [name, family] : others)
            h.insert(QLatin1String(name), family);
        return h;
    }();
    return families.value(metric, -1);
}

// A label value as a piece of an identifier: '/' (and '%', to keep pieces apart) escaped.
QString IdPart(const QString& text)
{
    if (!text.contains(u'/') && !text.contains(u'%'))
        return text;
    QString escaped = text;
    escaped.replace(u'%', QLatin1String("%25")).replace(u'/', QLatin1String("%2F"));
    return escaped;
}

// "temp12" for the prefix "temp" → 12; -1 when the name is not of that form.
int InputIndex(const QString& sensor, const char* prefix)
{
    const QLatin1String p(prefix);
    if (!sensor.startsWith(p) || sensor.size() == p.size() || sensor.size() > p.size() + 6)
        return -1;
    int index = 0;
    for (qsizetype i = p.size(); i < sensor.size(); ++i) {
        const char16_t c = sensor.at(i).unicode();
        if (c < u'0' || c > u'9')
            return -1;
        index = index * 10 + (c - u'0');
    }
    return index;
}

// A CPU number from a "cpu" label, or -1.
int CpuNumber(const QString& text)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok && n >= 0 && n < 1000000 && text.size() <= 7 ? n : -1;
}

struct HwmonInput {
    int kind = 0;
    int index = 0;
    double value = 0;
};

struct Chip {
    QString chipName;
    std::map<QString, HwmonInput> inputs; // by sensor ("temp1")
    QHash<QString, QString> labels;       // sensor → label
};

struct CpuTimes {
    double total = 0;
    double idle = 0; // idle and iowait
};

struct Counters {
    std::optional<double> in;  // received, read
    std::optional<double> out; // transmitted, written
};

struct Machine {
    QString nodename;
    std::optional<qint64> scrapeMs;
    qint64 latestMs = 0;
    bool hasLatest = false;
    QString cpuModel;
    std::map<int, CpuTimes> cpus;
    std::map<int, double> clocksHz;
    std::optional<double> memTotal, memAvailable;
    std::map<QString, Chip> chips;
    std::map<QString, Counters> nics, disks;
    QHash<QString, QString> diskModels;
};

void Take(Machine& m, const PromSample& s, int family)
{
    if (family < kHwmonKindCount) {
        const HwmonKind& kind = kHwmonKinds[family];
        const QString sensor = s.Label(QLatin1StringView("sensor"));
        const int index = InputIndex(sensor, kind.prefix);
        const QString chipLabel = s.Label(QLatin1StringView("chip"));
        if (index < 0 || chipLabel.isEmpty())
            return;
        Chip& chip = m.chips[chipLabel];
        const auto [it, added] = chip.inputs.try_emplace(sensor, HwmonInput {family, index, s.value});
        if (!added && (kHwmonKinds[it->second.kind].preference <= kind.preference))
            it->second = {family, index, s.value};
        return;
    }
    const QString chipLabel = family == ChipNames || family == SensorLabel ? s.Label(QLatin1StringView("chip")) : QString();
    switch (family) {
    case ChipNames:
        if (!chipLabel.isEmpty())
            m.chips[chipLabel].chipName = s.Label(QLatin1StringView("chip_name"));
        break;
    case SensorLabel:
        if (!chipLabel.isEmpty())
            m.chips[chipLabel].labels.insert(s.Label(QLatin1StringView("sensor")),
                                             s.Label(QLatin1StringView("label")).trimmed());
        break;
    case CpuSeconds:
        if (const int cpu = CpuNumber(s.Label(QLatin1StringView("cpu"))); cpu >= 0) {
            CpuTimes& times = m.cpus[cpu];
            const QString mode = s.Label(QLatin1StringView("mode"));
            times.total += s.value;
            if (mode == QLatin1String("idle") || mode == QLatin1String("iowait"))
                times.idle += s.value;
        }
        break;
    case CpuInfo:
        if (m.cpuModel.isEmpty())
            m.cpuModel = s.Label(QLatin1StringView("model_name")).trimmed();
        break;
    case CpuFrequency:
        if (const int cpu = CpuNumber(s.Label(QLatin1StringView("cpu"))); cpu >= 0)
            m.clocksHz[cpu] = s.value;
        break;
    case MemTotal: m.memTotal = s.value; break;
    case MemAvailable: m.memAvailable = s.value; break;
    case NetReceive:
    case NetTransmit: {
        const QString device = s.Label(QLatin1StringView("device"));
        if (device.isEmpty() || device == QLatin1String("lo"))
            break;
        Counters& c = m.nics[device];
        (family == NetReceive ? c.in : c.out) = s.value;
        break;
    }
    case DiskRead:
    case DiskWritten: {
        const QString device = s.Label(QLatin1StringView("device"));
        if (device.isEmpty() || device.startsWith(QLatin1String("loop")) || device.startsWith(QLatin1String("ram"))
            || device.startsWith(QLatin1String("zram")))
            break;
        Counters& c = m.disks[device];
        (family == DiskRead ? c.in : c.out) = s.value;
        break;
    }
    case DiskInfo:
        m.diskModels.insert(s.Label(QLatin1StringView("device")), s.Label(QLatin1StringView("model")).trimmed());
        break;
    case Uname: m.nodename = s.Label(QLatin1StringView("nodename")); break;
    case ScrapeTime:
        if (std::isfinite(s.value) && std::fabs(s.value) < 9.2e15)
            m.scrapeMs = qint64(std::llround(s.value * 1000));
        break;
    default: break;
    }
}

} // namespace

// Lays one read out as instances and keeps the memory of its sensors.
class NodeDocumentBuilder {
public:
    NodeDocumentBuilder(NodeMetrics& metrics, SensorDocument& out)
        : m_metrics(metrics)
        , m_out(out)
    {
    }

    void AddMachine(const QString& instance, const Machine& m, bool perInstance, qint64 nowMs)
    {
        m_idPrefix = perInstance ? QStringLiteral("/prometheus/") + IdPart(instance) : QString();
        QString top;
        if (perInstance) {
            top = m_idPrefix;
            AddItem(m.nodename.isEmpty() ? instance : m.nodename, top, QString(), Type("Mainboard"));
        }
        // a server's counters move with their scrape (else with the samples' time), a page's with the clock
        const qint64 ms = !perInstance ? nowMs : m.scrapeMs ? *m.scrapeMs : m.hasLatest ? m.latestMs : nowMs;

        std::vector<const std::pair<const QString, Chip>*> cpuChips, otherChips;
        for (const auto& entry : m.chips) {
            if (entry.second.inputs.empty())
                continue;
            (kernel::ClassifyChip(entry.second.chipName) == ChipKind::Cpu ? cpuChips : otherChips).push_back(&entry);
        }
        if (!m.cpus.empty() || !cpuChips.empty())
            AddCpu(m, cpuChips, top);
        if (m.memTotal)
            AddMemory(m, top);
        for (const auto* chip : otherChips) {
            const Chip& c = chip->second;
            const ChipKind kind = kernel::ClassifyChip(c.chipName);
            QString name = c.chipName.isEmpty() ? chip->first : c.chipName;
            if (kind == ChipKind::SuperIo)
                name = name.toUpper();
            const char* type = kind == ChipKind::GpuAmd      ? "GpuAmd"
                             : kind == ChipKind::GpuNvidia ? "GpuNvidia"
                             : kind == ChipKind::Storage   ? "Storage"
                             : kind == ChipKind::SuperIo   ? "SuperIO"
                                                           : "Motherboard";
            const QString id = m_idPrefix + QStringLiteral("/hwmon/") + IdPart(chip->first);
            AddItem(name, id, top, Type(type));
            AddHwmon({chip}, id);
        }
        for (const auto& [device, counters] : m.disks) {
            const QString id = m_idPrefix + QStringLiteral("/disk/") + IdPart(device);
            const QString model = m.diskModels.value(device);
            AddItem(model.isEmpty() ? device : model, id, top, Type("Storage"));
            AddRate(QStringLiteral("Read Rate"), id + QStringLiteral("/throughput/0"), id, counters.in, ms);
            AddRate(QStringLiteral("Write Rate"), id + QStringLiteral("/throughput/1"), id, counters.out, ms);
        }
        for (const auto& [device, counters] : m.nics) {
            const QString id = m_idPrefix + QStringLiteral("/nic/") + IdPart(device);
            AddItem(device, id, top, Type("Network"));
            AddRate(QStringLiteral("Upload Speed"), id + QStringLiteral("/throughput/0"), id, counters.out, ms);
            AddRate(QStringLiteral("Download Speed"), id + QStringLiteral("/throughput/1"), id, counters.in, ms);
            AddValue(QStringLiteral("Data Uploaded"), id + QStringLiteral("/data/0"), id, Type("Data"),
                     counters.out.value_or(qQNaN()) / kBytesPerGb);
            AddValue(QStringLiteral("Data Downloaded"), id + QStringLiteral("/data/1"), id, Type("Data"),
                     counters.in.value_or(qQNaN()) / kBytesPerGb);
        }
    }

private:
    void AddCpu(const Machine& m, const std::vector<const std::pair<const QString, Chip>*>& chips, const QString& top)
    {
        const QString id = m_idPrefix + QStringLiteral("/cpu/0");
        AddItem(m.cpuModel.isEmpty() ? QStringLiteral("CPU") : m.cpuModel, id, top, Type("CPU"));
        if (!m.cpus.empty()) {
            CpuTimes all;
            for (const auto& [cpu, times] : m.cpus) {
                all.total += times.total;
                all.idle += times.idle;
            }
            AddLoad(QStringLiteral("CPU Total"), id + QStringLiteral("/load/0"), id, all);
            for (const auto& [cpu, times] : m.cpus) {
                const QString n = QString::number(cpu + 1);
                AddLoad(QStringLiteral("CPU Core #") + n, id + QStringLiteral("/load/") + n, id, times);
            }
        }
        for (const auto& [cpu, hz] : m.clocksHz) {
            const QString n = QString::number(cpu + 1);
            AddValue(QStringLiteral("CPU Core #") + n, id + QStringLiteral("/clock/") + n, id, Type("Clock"), hz / 1e6);
        }
        AddHwmon(chips, id);
    }

    void AddMemory(const Machine& m, const QString& top)
    {
        const QString id = m_idPrefix + QStringLiteral("/ram");
        AddItem(QStringLiteral("Memory"), id, top, Type("Memory"));
        double load = qQNaN(), used = qQNaN(), available = qQNaN();
        if (m.memAvailable && *m.memTotal > 0 && *m.memAvailable >= 0) {
            const double total = *m.memTotal;
            const double free = std::min(*m.memAvailable, total);
            load = (total - free) * 100.0 / total;
            used = (total - free) / kBytesPerGb;
            available = free / kBytesPerGb;
        }
        AddValue(QStringLiteral("Memory"), id + QStringLiteral("/load/0"), id, Type("Load"), load);
        AddValue(QStringLiteral("Used Memory"), id + QStringLiteral("/data/0"), id, Type("Data"), used);
        AddValue(QStringLiteral("Available Memory"), id + QStringLiteral("/data/1"), id, Type("Data"), available);
    }

    // The inputs of chips that share one item, named together as the kernel source names them.
    void AddHwmon(const std::vector<const std::pair<const QString, Chip>*>& chips, const QString& itemId)
    {
        struct Entry {
            const QString* chip;
            const QString* sensor;
            const HwmonInput* input;
        };
        std::vector<Entry> entries;
        std::vector<kernel::SensorNaming> naming;
        for (const auto* chip : chips) {
            const std::size_t first = entries.size();
            for (const auto& [sensor, input] : chip->second.inputs)
                entries.push_back({&chip->first, &sensor, &input});
            std::stable_sort(entries.begin() + std::ptrdiff_t(first), entries.end(), [](const Entry& a, const Entry& b) {
                const int ka = KindOrder(a.input->kind), kb = KindOrder(b.input->kind);
                return ka != kb ? ka < kb : a.input->index < b.input->index;
            });
            for (std::size_t i = first; i < entries.size(); ++i) {
                const HwmonKind& kind = kHwmonKinds[entries[i].input->kind];
                naming.push_back({chip->second.labels.value(*entries[i].sensor), QLatin1String(kind.stem),
                                  Type(kind.sensorType), chip->second.chipName, {}});
            }
        }
        const QStringList& names = Names(itemId, naming);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const Entry& e = entries[i];
            const HwmonKind& kind = kHwmonKinds[e.input->kind];
            AddValue(names[qsizetype(i)], m_idPrefix % u"/hwmon/" % IdPart(*e.chip) % u'/' % *e.sensor, itemId,
                     naming[i].sensorType, e.input->value * kind.factor);
        }
    }

    // NameSensors' names, from the last read while the item's inputs are the same.
    const QStringList& Names(const QString& itemId, std::vector<kernel::SensorNaming>& naming)
    {
        QStringList inputs;
        inputs.reserve(qsizetype(naming.size() * 4));
        for (const kernel::SensorNaming& n : naming)
            inputs << n.label << n.stem << n.sensorType << n.driver;
        NodeMetrics::Naming& kept = m_metrics.m_naming[itemId];
        kept.generation = m_metrics.m_generation;
        if (kept.inputs != inputs || kept.names.size() != qsizetype(naming.size())) {
            kernel::NameSensors(naming);
            kept.inputs = std::move(inputs);
            kept.names.clear();
            for (const kernel::SensorNaming& n : naming)
                kept.names << n.name;
        }
        return kept.names;
    }

    void AddItem(const QString& name, const QString& id, const QString& parent, const QString& type)
    {
        m_out.hardware.push_back({HardwareNames(), {name, id, parent, type}});
    }

    NodeMetrics::Memory& Remember(const QString& id)
    {
        NodeMetrics::Memory& memory = m_metrics.m_memory[id];
        memory.generation = m_metrics.m_generation;
        return memory;
    }

    // A reading (not finite: null) and the extremes seen so far.
    void AddValue(const QString& name, const QString& id, const QString& parent, const QString& type, double value)
    {
        NodeMetrics::Memory& memory = Remember(id);
        Publish(name, id, parent, type, value, memory);
    }

    void Publish(const QString& name, const QString& id, const QString& parent, const QString& type, double value,
                 NodeMetrics::Memory& memory)
    {
        QVariant shown;
        if (std::isfinite(value)) {
            if (!memory.hasRange || value < memory.min)
                memory.min = value;
            if (!memory.hasRange || value > memory.max)
                memory.max = value;
            memory.hasRange = true;
            shown = value;
        }
        m_out.sensors.push_back({SensorNames(),
                                 {name, id, parent, type, shown,
                                  memory.hasRange ? QVariant(memory.min) : QVariant(),
                                  memory.hasRange ? QVariant(memory.max) : QVariant()}});
    }

    // Percent busy since the last read; unchanged when no time was counted since.
    void AddLoad(const QString& name, const QString& id, const QString& parent, const CpuTimes& times)
    {
        NodeMetrics::Memory& memory = Remember(id);
        const double busy = times.total - times.idle;
        if (!std::isfinite(busy) || !std::isfinite(times.total)) {
            memory.hasPrev = false;
            Publish(name, id, parent, Type("Load"), qQNaN(), memory);
            return;
        }
        double value = 0;
        if (memory.hasPrev) {
            if (times.total == memory.prevB)
                value = memory.last;
            else if (times.total > memory.prevB)
                value = std::clamp((busy - memory.prevA) * 100.0 / (times.total - memory.prevB), 0.0, 100.0);
        }
        memory.hasPrev = true;
        memory.prevA = busy;
        memory.prevB = times.total;
        memory.last = value;
        Publish(name, id, parent, Type("Load"), value, memory);
    }

    // Bytes per second since the last read; a counter read at the same time keeps its rate, one
    // that went back (a restart) gives 0 once.
    void AddRate(const QString& name, const QString& id, const QString& parent, std::optional<double> counter,
                 qint64 ms)
    {
        NodeMetrics::Memory& memory = Remember(id);
        if (!counter || !std::isfinite(*counter) || *counter < 0) {
            memory.hasPrev = false;
            Publish(name, id, parent, Type("Throughput"), qQNaN(), memory);
            return;
        }
        double value = 0;
        if (memory.hasPrev) {
            if (ms == memory.prevMs)
                value = memory.last;
            else if (ms > memory.prevMs && *counter >= memory.prevA)
                value = (*counter - memory.prevA) * 1000.0 / double(ms - memory.prevMs);
        }
        memory.hasPrev = true;
        memory.prevA = *counter;
        memory.prevMs = ms;
        memory.last = value;
        Publish(name, id, parent, Type("Throughput"), value, memory);
    }

    NodeMetrics& m_metrics;
    SensorDocument& m_out;
    QString m_idPrefix;
};

bool NodeMetrics::ReadExposition(const QByteArray& text, qint64 nowMs, SensorDocument& out)
{
    out = {};
    PromSamples samples;
    if (!ReadPromText(text, samples))
        return false;
    Publish(samples, false, nowMs, out);
    return true;
}

bool NodeMetrics::ReadQueryAnswer(const QByteArray& json, SensorDocument& out)
{
    out = {};
    PromSamples samples;
    if (!ReadPromQueryAnswer(json, samples))
        return false;
    Publish(samples, true, 0, out);
    return true;
}

void NodeMetrics::Publish(const PromSamples& samples, bool perInstance, qint64 nowMs, SensorDocument& out)
{
    out = {};
    std::map<QString, Machine> machines;
    const QString one;
    Machine* last = nullptr;
    QString lastInstance;
    for (const PromSample& sample : samples) {
        const int family = FamilyOf(sample.name);
        if (family < 0)
            continue;
        Machine* machine = nullptr;
        if (!perInstance) {
            machine = &machines[one];
        } else {
            const QString instance = sample.Label(QLatin1StringView("instance"));
            if (instance.isEmpty())
                continue;
            // answers come grouped by series, so the last machine is usually the one
            if (last && instance == lastInstance) {
                machine = last;
            } else {
                machine = &machines[instance];
                last = machine;
                lastInstance = instance;
            }
        }
        if (sample.timestampMs && (!machine->hasLatest || *sample.timestampMs > machine->latestMs)) {
            machine->latestMs = *sample.timestampMs;
            machine->hasLatest = true;
        }
        Take(*machine, sample, family);
    }
    ++m_generation;
    NodeDocumentBuilder builder(*this, out);
    for (const auto& [instance, machine] : machines)
        builder.AddMachine(instance, machine, perInstance, nowMs);
    m_memory.removeIf([this](const auto& entry) { return entry.value().generation != m_generation; });
    m_naming.removeIf([this](const auto& entry) { return entry.value().generation != m_generation; });
}

} // namespace gaugeloft::sources
