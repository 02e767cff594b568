#include "sources/kernel/hwmon.h"

#include "sources/kernel/kerneltext.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>

namespace gaugeloft::sources::kernel {

ChipKind ClassifyChip(const QString& chipName)
{
    static const QStringList cpu = {QStringLiteral("coretemp"), QStringLiteral("k10temp"),
                                    QStringLiteral("k8temp"), QStringLiteral("zenpower"),
                                    QStringLiteral("fam15h_power"), QStringLiteral("via_cputemp")};
    static const QStringList superIoPrefixes = {
        QStringLiteral("nct"), QStringLiteral("it8"), QStringLiteral("w83"), QStringLiteral("f71"), QStringLiteral("f81"),
        QStringLiteral("f8000"), QStringLiteral("sch56"), QStringLiteral("smsc47"),
        QStringLiteral("pc87"), QStringLiteral("vt1211")};
    if (cpu.contains(chipName))
        return ChipKind::Cpu;
    if (chipName == QLatin1String("amdgpu") || chipName == QLatin1String("radeon"))
        return ChipKind::GpuAmd;
    if (chipName == QLatin1String("nouveau"))
        return ChipKind::GpuNvidia;
    if (chipName == QLatin1String("nvme") || chipName == QLatin1String("drivetemp"))
        return ChipKind::Storage;
    for (const QString& prefix : superIoPrefixes) {
        if (chipName.startsWith(prefix))
            return ChipKind::SuperIo;
    }
    return ChipKind::Other;
}

namespace {

QString Canonical(const QString& path)
{
    return QFileInfo(path).canonicalFilePath();
}

QString BaseName(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

// The chip id for a device named `dev` on bus `subsystem`, or empty when the bus is unknown.
QString IdOnBus(const QString& chip, const QString& subsystem, const QString& dev)
{
    const QByteArray name = dev.toLatin1();
    const char* d = name.constData();
    const bool any = subsystem.isEmpty();
    short bus = 0;
    unsigned int addr = 0;
    int domain = 0, pciBus = 0, slot = 0, fn = 0, vendor = 0, product = 0, id = 0;
    char tail = 0;
    char buf[64];

    if ((any || subsystem == QLatin1String("i2c")) && std::sscanf(d, "%hd-%x", &bus, &addr) == 2) {
        if (bus == 9191) {
            std::snprintf(buf, sizeof buf, "-isa-%04x", addr);
        } else {
            std::snprintf(buf, sizeof buf, "-i2c-%hd-%02x", bus, addr);
        }
        return chip + QLatin1String(buf);
    }
    if ((any || subsystem == QLatin1String("spi")) && std::sscanf(d, "spi%hd.%u", &bus, &addr) == 2) {
        std::snprintf(buf, sizeof buf, "-spi-%hd-%x", bus, addr);
        return chip + QLatin1String(buf);
    }
    if ((any || subsystem == QLatin1String("pci"))
        && std::sscanf(d, "%x:%x:%x.%x%c", &domain, &pciBus, &slot, &fn, &tail) == 4) {
        const unsigned a = (static_cast<unsigned>(domain) << 16) + (static_cast<unsigned>(pciBus) << 8)
            + (static_cast<unsigned>(slot) << 3) + static_cast<unsigned>(fn);
        std::snprintf(buf, sizeof buf, "-pci-%04x", a);
        return chip + QLatin1String(buf);
    }
    if (any || subsystem == QLatin1String("platform") || subsystem == QLatin1String("of_platform")) {
        int a = 0;
        if (std::sscanf(d, "%*[a-z0-9_].%d", &a) != 1 || a < 0)
            a = 0;
        std::snprintf(buf, sizeof buf, "-isa-%04x", static_cast<unsigned>(a));
        return chip + QLatin1String(buf);
    }
    if (subsystem == QLatin1String("acpi"))
        return chip + QLatin1String("-acpi-0");
    if (subsystem == QLatin1String("hid")
        && std::sscanf(d, "%x:%x:%x.%x", &pciBus, &vendor, &product, &id) == 4) {
        std::snprintf(buf, sizeof buf, "-hid-%d-%x", pciBus, static_cast<unsigned>(id));
        return chip + QLatin1String(buf);
    }
    if (subsystem == QLatin1String("scsi") && std::sscanf(d, "%hd:%*d:%u:%*d", &bus, &addr) == 2) {
        std::snprintf(buf, sizeof buf, "-scsi-%hd-%x", bus, addr);
        return chip + QLatin1String(buf);
    }
    if (subsystem == QLatin1String("mdio_bus") && std::sscanf(d, "%*[^:]:%x", &addr) == 1) {
        std::snprintf(buf, sizeof buf, "-mdio-%x", addr);
        return chip + QLatin1String(buf);
    }
    return {};
}

struct InputKind {
    const char* prefix;
    const char* stem;
    const char* sensorType;
    double multiplier;
    double divisor;
};

// Publication order within a chip.
const InputKind kInputKinds[] = {
    {"temp", "Temperature", "Temperature", 1, 1000},
    {"fan", "Fan", "Fan", 1, 1},
    {"pwm", "Fan Control", "Control", 100, 255},
    {"in", "Voltage", "Voltage", 1, 1000},
    {"curr", "Current", "Current", 1, 1000},
    {"power", "Power", "Power", 1, 1e6},
    {"energy", "Energy", "Energy", 1, 3.6e6},
    {"humidity", "Humidity", "Level", 1, 1000},
};

struct Candidate {
    int kind = 0;
    int index = 0;
    bool hasInput = false;
    bool hasAverage = false;
    bool bare = false;
};

// Collects the inputs found in one folder.
std::vector<HwmonInput> InputsIn(const QString& folder)
{
    QHash<QString, Candidate> found;
    const QStringList files = QDir(folder).entryList(QDir::Files | QDir::System);
    for (const QString& file : files) {
        for (int k = 0; k < int(std::size(kInputKinds)); ++k) {
            const QLatin1String prefix(kInputKinds[k].prefix);
            if (!file.startsWith(prefix))
                continue;
            qsizetype pos = prefix.size();
            const qsizetype digitsStart = pos;
            while (pos < file.size() && file.at(pos).isDigit())
                ++pos;
            if (pos == digitsStart || pos - digitsStart > 6)
                break;
            const QStringView suffix = QStringView(file).mid(pos);
            const bool isPwm = k == 2;
            Candidate& slot = found[file.left(pos)];
            slot.kind = k;
            slot.index = QStringView(file).mid(digitsStart, pos - digitsStart).toInt();
            if (isPwm && suffix.isEmpty())
                slot.bare = true;
            else if (!isPwm && suffix == QLatin1String("_input"))
                slot.hasInput = true;
            else if (k == 5 && suffix == QLatin1String("_average"))
                slot.hasAverage = true;
            break;
        }
    }
    std::vector<std::pair<QString, Candidate>> ordered;
    for (auto it = found.cbegin(); it != found.cend(); ++it) {
        if (it->hasInput || it->hasAverage || it->bare)
            ordered.emplace_back(it.key(), it.value());
    }
    std::sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) {
        return a.second.kind != b.second.kind ? a.second.kind < b.second.kind
                                              : a.second.index < b.second.index;
    });
    std::vector<HwmonInput> inputs;
    inputs.reserve(ordered.size());
    for (const auto& [attribute, c] : ordered) {
        const InputKind& kind = kInputKinds[c.kind];
        HwmonInput input;
        input.attribute = attribute;
        const QString valueFile = c.bare ? attribute
            : c.hasInput                 ? attribute + QLatin1String("_input")
                                         : attribute + QLatin1String("_average");
        input.file = folder + QLatin1Char('/') + valueFile;
        if (!c.bare)
            input.label = ReadTrimmed(folder + QLatin1Char('/') + attribute + QLatin1String("_label"));
        input.stem = QLatin1String(kind.stem);
        input.sensorType = QLatin1String(kind.sensorType);
        input.multiplier = kind.multiplier;
        input.divisor = kind.divisor;
        inputs.push_back(std::move(input));
    }
    return inputs;
}

QString DisplayNameOf(const HwmonChip& chip)
{
    switch (chip.kind) {
    case ChipKind::SuperIo:
        return chip.name.toUpper();
    case ChipKind::GpuAmd:
    case ChipKind::GpuNvidia:
        if (!chip.devicePath.isEmpty()) {
            const QString product = ReadTrimmed(chip.devicePath + QLatin1String("/product_name"));
            if (!product.isEmpty())
                return product;
        }
        return chip.name;
    case ChipKind::Storage:
        if (!chip.devicePath.isEmpty()) {
            const QString model = ReadTrimmed(chip.devicePath + QLatin1String("/model"));
            if (!model.isEmpty())
                return model;
        }
        return chip.name;
    case ChipKind::Cpu:
    case ChipKind::Other:
        break;
    }
    return chip.name;
}

} // namespace

QString HwmonChipId(const QString& name, const QString& hwmonPath)
{
    // The kernel refuses '-' and white space in chip names; anything else odd stays out of ids.
    static const QRegularExpression badInName(QStringLiteral("[^A-Za-z0-9_.]"));
    const QString chipName = QString(name).replace(badInName, QStringLiteral("_"));
    QString dev = Canonical(hwmonPath + QLatin1String("/device"));
    if (dev.isEmpty())
        return chipName + QLatin1String("-virtual-0");
    // Class devices (nvme0, thermal_zone0) hang below the bus device they belong to.
    QString firstSubsystem, firstName;
    for (int depth = 0; depth < 4 && !dev.isEmpty(); ++depth) {
        const QString subsystem = BaseName(Canonical(dev + QLatin1String("/subsystem")));
        const QString name = BaseName(dev);
        if (depth == 0) {
            firstSubsystem = subsystem;
            firstName = name;
        }
        const QString id = IdOnBus(chipName, subsystem, name);
        if (!id.isEmpty())
            return id;
        dev = Canonical(dev + QLatin1String("/device"));
    }
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9_.:]"));
    return chipName + QLatin1Char('-') + firstSubsystem + QLatin1Char('-')
        + QString(firstName).replace(unsafe, QStringLiteral("_"));
}

std::vector<HwmonChip> ScanHwmon(const QString& sysRoot)
{
    std::vector<HwmonChip> chips;
    const QString classDir = sysRoot + QLatin1String("/class/hwmon");
    std::vector<std::pair<QString, QString>> order; // device path, hwmon entry (tie breakers)
    for (const QByteArray& entry : ListFolder(QFile::encodeName(classDir))) {
        const QString path = classDir + QLatin1Char('/') + QFile::decodeName(entry);
        QString name = ReadTrimmed(path + QLatin1String("/name"));
        if (name.isEmpty())
            name = ReadTrimmed(path + QLatin1String("/device/name"));
        if (name.isEmpty() || name.size() > 64)
            continue;
        HwmonChip chip;
        chip.name = name;
        chip.kind = ClassifyChip(name);
        chip.chipId = HwmonChipId(name, path);
        chip.devicePath = Canonical(path + QLatin1String("/device"));
        // Batteries and chargers register chips too; their Battery items already publish them.
        if (chip.devicePath.contains(QLatin1String("/power_supply/")))
            continue;
        chip.inputs = InputsIn(path);
        if (chip.inputs.empty() && !chip.devicePath.isEmpty())
            chip.inputs = InputsIn(chip.devicePath); // attributes on the device (old drivers)
        chip.displayName = DisplayNameOf(chip);
        chips.push_back(std::move(chip));
        order.emplace_back(Canonical(path), path);
    }
    std::vector<std::size_t> index(chips.size());
    for (std::size_t i = 0; i < index.size(); ++i)
        index[i] = i;
    std::sort(index.begin(), index.end(), [&](std::size_t a, std::size_t b) {
        if (chips[a].chipId != chips[b].chipId)
            return chips[a].chipId < chips[b].chipId;
        return order[a] < order[b];
    });
    std::vector<HwmonChip> sorted;
    sorted.reserve(chips.size());
    for (std::size_t i : index)
        sorted.push_back(std::move(chips[i]));
    // Identical ids (two virtual chips of one name) get a running suffix.
    for (std::size_t i = 1; i < sorted.size(); ++i) {
        int n = 2;
        for (std::size_t j = i; j < sorted.size() && sorted[j].chipId == sorted[i - 1].chipId; ++j)
            sorted[j].chipId += QLatin1Char('-') + QString::number(n++);
    }
    return sorted;
}

void NameSensors(std::vector<SensorNaming>& sensors)
{
    static const QRegularExpression core(QStringLiteral("^Core\\s+(\\d+)$"));
    static const QRegularExpression package(QStringLiteral("^Package id\\s+\\d+$"));
    struct Base {
        QString text;
        bool numbered = true; // false when the text already carries its number
    };
    std::vector<Base> bases(sensors.size());
    QHash<QString, int> counts; // sensor type + '\n' + base → peers
    for (std::size_t i = 0; i < sensors.size(); ++i) {
        const SensorNaming& s = sensors[i];
        Base& b = bases[i];
        if (s.label.isEmpty()) {
            b.text = s.stem;
        } else if (s.driver == QLatin1String("coretemp")) {
            const auto m = core.match(s.label);
            if (m.hasMatch()) {
                b.text = QStringLiteral("CPU Core #") + QString::number(m.captured(1).toLongLong() + 1);
                b.numbered = false;
            } else if (package.match(s.label).hasMatch()) {
                b.text = QStringLiteral("CPU Package");
            } else {
                b.text = s.label;
            }
        } else {
            b.text = s.label;
        }
        if (b.numbered)
            ++counts[s.sensorType + QLatin1Char('\n') + b.text];
    }
    QHash<QString, int> running;
    QHash<QString, int> used; // final names per type, to keep them unique
    for (std::size_t i = 0; i < sensors.size(); ++i) {
        SensorNaming& s = sensors[i];
        const Base& b = bases[i];
        const QString key = s.sensorType + QLatin1Char('\n') + b.text;
        if (b.numbered && counts.value(key) > 1)
            s.name = b.text + QStringLiteral(" #") + QString::number(++running[key]);
        else
            s.name = b.text;
        int& seen = used[s.sensorType + QLatin1Char('\n') + s.name];
        if (++seen > 1) // a label that clashes with another sensor's name
            s.name += QStringLiteral(" (") + QString::number(seen) + QLatin1Char(')');
    }
}

bool HasCpuInputs(const std::vector<HwmonChip>& chips)
{
    return std::any_of(chips.begin(), chips.end(),
                       [](const HwmonChip& chip) { return chip.kind == ChipKind::Cpu && !chip.inputs.empty(); });
}

void HwmonFamily::ForgetFiles()
{
    m_inputs.clear();
}

void HwmonFamily::Discover(DiscoveryBuilder& builder, const std::vector<HwmonChip>& chips, int cpuItem,
                           const std::function<int(const QString& devicePath)>& storageItemOf)
{
    m_inputs.clear();
    // Pick each chip's item first, then name the sensors item by item.
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
        if (chip.kind == ChipKind::Cpu)
            item = cpuItem;
        else if (chip.kind == ChipKind::Storage && !chip.devicePath.isEmpty())
            item = storageItemOf(chip.devicePath);
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
            item = builder.AddItem(GroupHwmon, QStringLiteral("/hwmon/") + chip.chipId, chip.displayName,
                                   TypeName(type));
        }
        auto& list = byItem[item];
        if (list.empty())
            itemOrder.push_back(item);
        for (const HwmonInput& input : chip.inputs)
            list.push_back({&chip, &input});
    }
    for (int item : itemOrder) {
        std::vector<KernelFile> files;
        std::vector<Contribution> usable;
        for (const Contribution& c : byItem[item]) {
            KernelFile file = builder.Open(c.input->file);
            if (!file.IsValid())
                continue; // unreadable: leave it out
            files.push_back(std::move(file));
            usable.push_back(c);
        }
        std::vector<SensorNaming> naming(usable.size());
        for (std::size_t i = 0; i < usable.size(); ++i)
            naming[i] = {usable[i].input->label, usable[i].input->stem, usable[i].input->sensorType,
                         usable[i].chip->name, {}};
        NameSensors(naming);
        for (std::size_t i = 0; i < usable.size(); ++i) {
            const Contribution& c = usable[i];
            Input input;
            input.file = std::move(files[i]);
            input.multiplier = c.input->multiplier;
            input.divisor = c.input->divisor;
            input.slot = builder.AddSensor(item,
                                           QStringLiteral("/hwmon/") + c.chip->chipId + QLatin1Char('/') + c.input->attribute,
                                           naming[i].name, TypeName(c.input->sensorType.toLatin1().constData()));
            m_inputs.push_back(std::move(input));
        }
    }
}

bool HwmonFamily::Read(SensorTable& table)
{
    bool gone = false;
    char buf[128];
    for (Input& input : m_inputs) {
        const long n = input.file.ReadSmall(buf, sizeof buf);
        if (n < 0) {
            const int error = input.file.LastError();
            // The chip went away (or its hwmon number was reused); one discovery tells.
            if (error == ENODEV || error == ENOENT || error == ENXIO)
                gone = true;
            table.PublishNull(input.slot);
            continue;
        }
        const auto raw = ParseNumber({buf, static_cast<std::size_t>(n)});
        if (raw && static_cast<std::size_t>(n) < sizeof buf)
            table.Publish(input.slot, *raw * input.multiplier / input.divisor);
        else
            table.PublishNull(input.slot);
    }
    return gone;
}

} // namespace gaugeloft::sources::kernel
