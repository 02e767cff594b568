#include "sources/kernel/kernelmachine.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <gtest/gtest.h>

#include <cmath>

void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace gaugeloft::test {

Machine::Machine()
{
    EXPECT_TRUE(tree.IsValid());
}

KernelSource& Machine::Source()
{
    if (!m_source) {
        KernelSourceOptions options;
        options.sysRoot = tree.SysRoot();
        options.procRoot = tree.ProcRoot();
        options.clockMs = [this] { return clockMs; };
        options.hardwareEvents = events;
        m_source = std::make_unique<KernelSource>(options);
    }
    return *m_source;
}

Reading Machine::Read()
{
    Reading r;
    EXPECT_TRUE(Source().ReadAll(r.hardware, r.sensors));
    return r;
}

QVariant Prop(const SourceInstance& instance, const char* name)
{
    const qsizetype i = instance.names.indexOf(QLatin1String(name));
    return i < 0 ? QVariant() : instance.values.value(i);
}

const SourceInstance* ById(const SourceObjectSet& set, const QString& id)
{
    for (const SourceInstance& instance : set) {
        if (Prop(instance, "Identifier").toString() == id)
            return &instance;
    }
    return nullptr;
}

QStringList Ids(const SourceObjectSet& set)
{
    QStringList out;
    for (const SourceInstance& instance : set)
        out << Prop(instance, "Identifier").toString();
    return out;
}

std::optional<double> Value(const Reading& r, const QString& id, const char* field)
{
    const SourceInstance* s = ById(r.sensors, id);
    if (!s)
        return std::nullopt;
    const QVariant v = Prop(*s, field);
    if (v.isNull())
        return std::nullopt;
    return v.toDouble();
}

QString Text(const SourceObjectSet& set, const QString& id, const char* field)
{
    const SourceInstance* s = ById(set, id);
    return s ? Prop(*s, field).toString() : QStringLiteral("<missing>");
}

void ExpectWellFormed(const Reading& r)
{
    const QStringList hwNames = {"Name", "Identifier", "Parent", "HardwareType"};
    const QStringList sensorNames = {"Name", "Identifier", "Parent", "SensorType", "Value", "Min", "Max"};
    const QSet<QString> hwTypes = {"Mainboard", "SuperIO", "CPU",     "GpuNvidia", "GpuAti", "RAM",    "HDD",
                                   "Network",   "Motherboard", "Memory", "Storage", "GpuAmd", "Psu", "Battery"};
    const QSet<QString> sensorTypes = {"Voltage", "Clock", "Frequency", "Temperature", "Load",       "Fan",
                                       "Flow",    "Control", "Level",   "Power",       "Data",       "SmallData",
                                       "Factor",  "Throughput", "Energy", "Current"};
    QSet<QString> hardwareIds;
    for (const SourceInstance& hw : r.hardware) {
        EXPECT_EQ(hw.names, hwNames);
        EXPECT_TRUE(hw.names.isSharedWith(r.hardware.front().names)) << "hardware names are not shared";
        ASSERT_EQ(hw.values.size(), hw.names.size());
        EXPECT_TRUE(hwTypes.contains(Prop(hw, "HardwareType").toString())) << Prop(hw, "HardwareType").toString().toStdString();
        const QString id = Prop(hw, "Identifier").toString();
        EXPECT_FALSE(hardwareIds.contains(id)) << "duplicate " << id.toStdString();
        EXPECT_FALSE(id.contains(QLatin1String("hwmon0")) || id.contains(QLatin1String("hwmon1")))
            << id.toStdString();
        hardwareIds.insert(id);
    }
    QSet<QString> sensorIds;
    for (const SourceInstance& s : r.sensors) {
        EXPECT_EQ(s.names, sensorNames);
        EXPECT_TRUE(s.names.isSharedWith(r.sensors.front().names)) << "sensor names are not shared";
        ASSERT_EQ(s.values.size(), s.names.size());
        const QString id = Prop(s, "Identifier").toString();
        EXPECT_TRUE(sensorTypes.contains(Prop(s, "SensorType").toString())) << id.toStdString();
        EXPECT_TRUE(hardwareIds.contains(Prop(s, "Parent").toString())) << id.toStdString();
        EXPECT_FALSE(sensorIds.contains(id)) << "duplicate " << id.toStdString();
        EXPECT_FALSE(hardwareIds.contains(id)) << id.toStdString();
        sensorIds.insert(id);
        for (const char* field : {"Value", "Min", "Max"}) {
            const QVariant v = Prop(s, field);
            if (!v.isNull()) {
                EXPECT_EQ(v.typeId(), QMetaType::Double) << id.toStdString();
                EXPECT_TRUE(std::isfinite(v.toDouble())) << id.toStdString();
            }
        }
        const auto v = Value(r, id), lo = Value(r, id, "Min"), hi = Value(r, id, "Max");
        if (v) {
            ASSERT_TRUE(lo && hi) << id.toStdString();
            EXPECT_LE(*lo, *v);
            EXPECT_GE(*hi, *v);
        }
    }
}

namespace {
QString FixturePath(const QString& name)
{
    return QStringLiteral(GAUGELOFT_SOURCE_DIR "/tests/fixtures/kernel/") + name;
}
} // namespace

std::string Fixture(const QString& name)
{
    QFile file(FixturePath(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return file.readAll().toStdString();
}

QMap<QString, QByteArray> FixtureFolder(const QString& name)
{
    QMap<QString, QByteArray> files;
    const QDir dir(FixturePath(name));
    EXPECT_TRUE(dir.exists()) << name.toStdString();
    for (const QString& file : dir.entryList(QDir::Files)) {
        QFile f(dir.filePath(file));
        if (f.open(QIODevice::ReadOnly))
            files.insert(file, f.readAll());
    }
    return files;
}

} // namespace gaugeloft::test
