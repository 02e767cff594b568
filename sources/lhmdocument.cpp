#include "sources/lhmdocument.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QSet>

#include <cmath>
#include <utility>

namespace gaugeloft::sources {

namespace {

const QStringList& HardwareNames()
{
    static const QStringList names {QStringLiteral("Name"), QStringLiteral("Identifier"), QStringLiteral("Parent"),
                                    QStringLiteral("HardwareType")};
    return names;
}

const QStringList& SensorNames()
{
    static const QStringList names {QStringLiteral("Name"),     QStringLiteral("Identifier"), QStringLiteral("Parent"),
                                    QStringLiteral("SensorType"), QStringLiteral("Value"),     QStringLiteral("Min"),
                                    QStringLiteral("Max")};
    return names;
}

// The hardware type from the start of an identifier, or from the node's icon.
QString HardwareType(const QString& id, const QString& icon)
{
    static const std::pair<const char*, const char*> byId[] = {
        {"/intelcpu", "CPU"},     {"/amdcpu", "CPU"},        {"/cpu", "CPU"},          {"/lpc", "SuperIO"},
        {"/motherboard", "Motherboard"}, {"/mainboard", "Motherboard"}, {"/gpu-nvidia", "GpuNvidia"},
        {"/nvidiagpu", "GpuNvidia"}, {"/gpu-amd", "GpuAmd"}, {"/atigpu", "GpuAmd"},   {"/amdgpu", "GpuAmd"},
        {"/gpu-intel", "GpuAmd"}, {"/ram", "Memory"},        {"/hdd", "Storage"},      {"/ssd", "Storage"},
        {"/nvme", "Storage"},     {"/storage", "Storage"},   {"/nic", "Network"},      {"/network", "Network"},
        {"/battery", "Battery"},  {"/psu", "Psu"},           {"/aquacomputer", "Aquacomputer"},
    };
    for (const auto& [prefix, type] : byId) {
        if (id.startsWith(QLatin1String(prefix), Qt::CaseInsensitive))
            return QString::fromLatin1(type);
    }
    static const std::pair<const char*, const char*> byIcon[] = {
        {"cpu", "CPU"},         {"mainboard", "Motherboard"}, {"chip", "SuperIO"}, {"nvidia", "GpuNvidia"},
        {"ati", "GpuAmd"},      {"amd", "GpuAmd"},             {"ram", "Memory"},   {"hdd", "Storage"},
        {"nic", "Network"},     {"battery", "Battery"},        {"power", "Psu"},
    };
    const QString name = icon.section(u'/', -1).section(u'.', 0, 0);
    for (const auto& [stem, type] : byIcon) {
        if (name.compare(QLatin1String(stem), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(type);
    }
    return QStringLiteral("Motherboard");
}

// The sensor type of a group node's text ("Temperatures" → "Temperature").
QString TypeOfGroup(const QString& group)
{
    static const std::pair<const char*, const char*> groups[] = {
        {"Voltages", "Voltage"},   {"Clocks", "Clock"},     {"Temperatures", "Temperature"}, {"Loads", "Load"},
        {"Fans", "Fan"},           {"Flows", "Flow"},       {"Controls", "Control"},         {"Levels", "Level"},
        {"Powers", "Power"},       {"Data", "Data"},        {"Throughput", "Throughput"},    {"Factors", "Factor"},
        {"Frequencies", "Frequency"}, {"Currents", "Current"}, {"Energies", "Energy"},       {"Noises", "Noise"},
    };
    for (const auto& [text, type] : groups) {
        if (group.compare(QLatin1String(text), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(type);
    }
    return QStringLiteral("Data");
}

// A piece of an identifier built from a node's text: lower case letters and digits, "-" between.
QString Slug(const QString& text)
{
    QString slug;
    for (const QChar c : text) {
        if (c.isLetterOrNumber() && c.unicode() < 128)
            slug += c.toLower();
        else if (!slug.isEmpty() && !slug.endsWith(u'-'))
            slug += u'-';
    }
    while (slug.endsWith(u'-'))
        slug.chop(1);
    return slug.isEmpty() ? QStringLiteral("node") : slug;
}

bool IsSensor(const QJsonObject& node)
{
    return node.contains(QLatin1String("SensorId")) || node.contains(QLatin1String("RawValue"))
           || (node.value(QLatin1String("Children")).toArray().isEmpty()
               && !node.value(QLatin1String("Value")).toString().isEmpty());
}

class Reader {
public:
    explicit Reader(SensorDocument& out)
        : m_out(out)
    {
    }

    // The nodes below the computer: hardware, possibly nested, holding groups of sensors.
    bool Hardware(const QJsonObject& node, const QString& parentId, int depth)
    {
        if (!Count(depth))
            return false;
        const QString text = node.value(QLatin1String("Text")).toString();
        QString id = node.value(QLatin1String("HardwareId")).toString();
        if (id.isEmpty())
            id = (parentId.isEmpty() ? QString() : parentId) + u'/' + Slug(text);
        id = Unique(id);
        m_out.hardware.push_back({HardwareNames(),
                                  {text, id, parentId,
                                   HardwareType(id, node.value(QLatin1String("ImageURL")).toString())}});
        for (const QJsonValue& child : node.value(QLatin1String("Children")).toArray()) {
            const QJsonObject c = child.toObject();
            const QJsonArray grandchildren = c.value(QLatin1String("Children")).toArray();
            bool group = !grandchildren.isEmpty();
            for (const QJsonValue& g : grandchildren)
                group = group && IsSensor(g.toObject());
            if (group) {
                if (!Group(c, id, depth + 1))
                    return false;
            } else if (IsSensor(c)) {
                if (!Sensor(c, QString(), id, depth + 1, 0))
                    return false;
            } else if (!Hardware(c, id, depth + 1)) {
                return false;
            }
        }
        return true;
    }

private:
    bool Group(const QJsonObject& node, const QString& hardwareId, int depth)
    {
        if (!Count(depth))
            return false;
        const QString type = TypeOfGroup(node.value(QLatin1String("Text")).toString());
        int index = 0;
        for (const QJsonValue& child : node.value(QLatin1String("Children")).toArray()) {
            if (!Sensor(child.toObject(), type, hardwareId, depth + 1, index++))
                return false;
        }
        return true;
    }

    bool Sensor(const QJsonObject& node, const QString& groupType, const QString& hardwareId, int depth, int index)
    {
        if (!Count(depth))
            return false;
        QString type = node.value(QLatin1String("Type")).toString();
        if (type.isEmpty())
            type = groupType.isEmpty() ? QStringLiteral("Data") : groupType;
        QString id = node.value(QLatin1String("SensorId")).toString();
        if (id.isEmpty())
            id = hardwareId + u'/' + type.toLower() + u'/' + QString::number(index);
        id = Unique(id);
        m_out.sensors.push_back({SensorNames(),
                                 {node.value(QLatin1String("Text")).toString(), id, hardwareId, type,
                                  Reading(node, "RawValue", "Value", type), Reading(node, "RawMin", "Min", type),
                                  Reading(node, "RawMax", "Max", type)}});
        return true;
    }

    static QVariant Reading(const QJsonObject& node, const char* raw, const char* text, const QString& type)
    {
        const QJsonValue number = node.value(QLatin1String(raw));
        if (number.isDouble() && std::isfinite(number.toDouble()))
            return number.toDouble();
        if (const std::optional<double> parsed = ParseLhmReading(node.value(QLatin1String(text)).toString(), type))
            return *parsed;
        return QVariant();
    }

    bool Count(int depth) { return depth <= kLhmMostDepth && ++m_nodes <= kLhmMostNodes; }

    // Two nodes of one text (two equal disks, say) keep apart.
    QString Unique(const QString& id)
    {
        QString unique = id;
        for (int n = 2; m_ids.contains(unique); ++n)
            unique = id + u'#' + QString::number(n);
        m_ids.insert(unique);
        return unique;
    }

    SensorDocument& m_out;
    int m_nodes = 0;
    QSet<QString> m_ids;
};

} // namespace

namespace {

std::optional<double> ReadingInUnit(QStringView text, QStringView sensorType);

} // namespace

std::optional<double> ParseLocalizedNumber(QStringView text)
{
    // the number and what follows it
    qsizetype start = 0;
    while (start < text.size() && text[start].isSpace())
        ++start;
    qsizetype end = start;
    QString digits;
    int dots = 0, commas = 0;
    qsizetype lastDot = -1, lastComma = -1;
    for (; end < text.size(); ++end) {
        const QChar c = text[end];
        if (c.isDigit() && c.unicode() < 128) {
            digits += c;
        } else if (c == u'-' && digits.isEmpty() && end == start) {
            digits += c;
        } else if (c == u'.') {
            ++dots;
            lastDot = digits.size();
            digits += c;
        } else if (c == u',') {
            ++commas;
            lastComma = digits.size();
            digits += c;
        } else if (c == u'\u00A0' || c == u'\u202F' || c == u'\'') {
            continue;  // group separators of some locales
        } else {
            break;
        }
    }
    if (digits.isEmpty() || digits == u'-')
        return std::nullopt;
    QStringView unit = text.mid(end).trimmed();
    // a unit shown without decimals has only thousands separators
    const bool whole = unit.compare(QLatin1String("RPM"), Qt::CaseInsensitive) == 0;
    qsizetype decimal = -1;
    if (dots > 0 && commas > 0)
        decimal = std::max(lastDot, lastComma);
    else if (dots + commas == 1 && !(whole && digits.size() - std::max(lastDot, lastComma) - 1 == 3))
        decimal = std::max(lastDot, lastComma);
    QString plain;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i == decimal)
            plain += u'.';
        else if (digits[i] != u'.' && digits[i] != u',')
            plain += digits[i];
    }
    bool ok = false;
    const double value = plain.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> ParseLhmReading(QStringView text, QStringView sensorType)
{
    const std::optional<double> reading = ReadingInUnit(text, sensorType);
    if (!reading || !std::isfinite(*reading))
        return std::nullopt;
    return reading;
}

namespace {

std::optional<double> ReadingInUnit(QStringView text, QStringView sensorType)
{
    std::optional<double> value = ParseLocalizedNumber(text);
    if (!value)
        return std::nullopt;
    // the unit: what follows the number
    qsizetype i = 0;
    while (i < text.size() && (text[i].isDigit() || text[i] == u'.' || text[i] == u',' || text[i] == u'-'
                               || text[i].isSpace() || text[i] == u'\u00A0' || text[i] == u'\''))
        ++i;
    const QString unit = text.mid(i).trimmed().toString().toLower();
    const auto scaled = [&](std::initializer_list<std::pair<const char*, double>> table) {
        for (const auto& [name, factor] : table) {
            if (unit == QLatin1String(name))
                return *value * factor;
        }
        return *value;
    };
    const QString type = sensorType.toString().toLower();
    constexpr double k = 1024;
    if (type == u"clock")
        return scaled({{"ghz", 1000}, {"mhz", 1}, {"khz", 0.001}});
    if (type == u"throughput")
        return scaled({{"b/s", 1}, {"kb/s", k}, {"mb/s", k * k}, {"gb/s", k * k * k}});
    if (type == u"data")
        return scaled({{"kb", 1 / (k * k)}, {"mb", 1 / k}, {"gb", 1}, {"tb", k}});
    if (type == u"smalldata")
        return scaled({{"kb", 1 / k}, {"mb", 1}, {"gb", k}});
    if (type == u"temperature" && unit.endsWith(u"f"))
        return (*value - 32) * 5 / 9;
    return value;
}

} // namespace

bool ReadLhmDocument(const QByteArray& json, SensorDocument& out)
{
    out = {};
    if (json.size() > kLhmMostBytes)
        return false;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject root = document.object();
    if (!root.contains(QLatin1String("Children")) || !root.value(QLatin1String("Children")).isArray())
        return false;
    Reader reader(out);
    // root → computers → their hardware
    for (const QJsonValue& computer : root.value(QLatin1String("Children")).toArray()) {
        for (const QJsonValue& hardware : computer.toObject().value(QLatin1String("Children")).toArray()) {
            if (!reader.Hardware(hardware.toObject(), QString(), 2)) {
                out = {};
                return false;
            }
        }
    }
    return true;
}

} // namespace gaugeloft::sources
