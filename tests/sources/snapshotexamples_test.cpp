#include "sources/snapshotsource.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <gtest/gtest.h>

#include <map>

using namespace gaugeloft::sources;

namespace {

QString examplesDir()
{
    return QStringLiteral(GAUGELOFT_SOURCE_DIR "/examples");
}

QVariant property(const SourceInstance& instance, const QString& name)
{
    const qsizetype i = instance.names.indexOf(name);
    return i < 0 ? QVariant() : instance.values[i];
}

QString text(const SourceInstance& instance, const char* name)
{
    const QVariant v = property(instance, QString::fromLatin1(name));
    return v.typeId() == QMetaType::QString ? v.toString() : QStringLiteral("<not text>");
}

const QSet<QString> kSensorTypes = {"Voltage", "Clock", "Frequency", "Temperature", "Load", "Fan",
    "Flow", "Control", "Level", "Power", "Data", "SmallData", "Factor", "Throughput", "Energy",
    "Current"};
const QSet<QString> kHardwareTypes = {"Mainboard", "SuperIO", "CPU", "GpuNvidia", "GpuAti", "RAM",
    "HDD", "Network", "Motherboard", "Memory", "Storage", "GpuAmd", "Psu", "Battery"};

struct ExampleCase {
    const char* file;
    std::map<QString, int> hardwareTypes;  // at least this many items of each type
    std::map<QString, int> sensorTypes;    // at least this many sensors of each type
};

} // namespace

TEST(SnapshotExamples, ParseWithConsistentStructure)
{
    const std::vector<ExampleCase> cases = {
        {"desktop.json",
         {{"CPU", 1}, {"GpuNvidia", 1}, {"SuperIO", 1}, {"Motherboard", 1}, {"Memory", 1},
          {"Storage", 2}, {"Network", 1}},
         {{"Load", 9}, {"Clock", 8}, {"Temperature", 9}, {"Power", 2}, {"Fan", 5}, {"Control", 4},
          {"Voltage", 7}, {"SmallData", 2}, {"Data", 4}, {"Throughput", 6}}},
        {"laptop.json",
         {{"CPU", 1}, {"GpuAmd", 1}, {"Memory", 1}, {"Storage", 1}, {"Network", 1}, {"Battery", 1}},
         {{"Load", 5}, {"Clock", 4}, {"Temperature", 5}, {"Level", 1}, {"Voltage", 1}, {"Power", 1},
          {"Energy", 2}, {"Throughput", 4}}},
    };
    for (const ExampleCase& c : cases) {
        SCOPED_TRACE(c.file);
        SnapshotSource source(QDir(examplesDir()).filePath(QString::fromUtf8(c.file)));
        SourceObjectSet hardware;
        SourceObjectSet sensors;
        ASSERT_TRUE(source.Enumerate(kHardwareClass, hardware)) << source.FilePath().toStdString();
        ASSERT_TRUE(source.Enumerate(kSensorClass, sensors));

        QSet<QString> identifiers;
        QSet<QString> hardwareIds;
        std::map<QString, int> hardwareTypes;
        for (const SourceInstance& h : hardware)
            hardwareIds.insert(text(h, "Identifier"));
        for (const SourceInstance& h : hardware) {
            const QString id = text(h, "Identifier");
            SCOPED_TRACE(id.toStdString());
            EXPECT_TRUE(id.startsWith(QLatin1Char('/')));
            EXPECT_FALSE(identifiers.contains(id)) << "duplicate identifier";
            identifiers.insert(id);
            EXPECT_FALSE(text(h, "Name").isEmpty());
            const QString parent = text(h, "Parent");
            EXPECT_TRUE(parent.isEmpty() || (parent != id && hardwareIds.contains(parent)));
            const QString type = text(h, "HardwareType");
            EXPECT_TRUE(kHardwareTypes.contains(type)) << type.toStdString();
            ++hardwareTypes[type];
        }

        std::map<QString, int> sensorTypes;
        for (const SourceInstance& s : sensors) {
            const QString id = text(s, "Identifier");
            SCOPED_TRACE(id.toStdString());
            EXPECT_FALSE(identifiers.contains(id)) << "duplicate identifier";
            identifiers.insert(id);
            EXPECT_FALSE(text(s, "Name").isEmpty());
            const QString parent = text(s, "Parent");
            EXPECT_TRUE(hardwareIds.contains(parent)) << parent.toStdString();
            EXPECT_TRUE(id.startsWith(parent + QLatin1Char('/')));
            const QString type = text(s, "SensorType");
            EXPECT_TRUE(kSensorTypes.contains(type)) << type.toStdString();
            ++sensorTypes[type];

            const QVariant value = property(s, QStringLiteral("Value"));
            const QVariant min = property(s, QStringLiteral("Min"));
            const QVariant max = property(s, QStringLiteral("Max"));
            ASSERT_EQ(value.typeId(), QMetaType::Double);
            ASSERT_EQ(min.typeId(), QMetaType::Double);
            ASSERT_EQ(max.typeId(), QMetaType::Double);
            EXPECT_LE(min.toDouble(), value.toDouble());
            EXPECT_LE(value.toDouble(), max.toDouble());
            EXPECT_GE(min.toDouble(), type == QLatin1String("Voltage") ? -15.0 : 0.0);
            if (type == QLatin1String("Load") || type == QLatin1String("Control")
                || type == QLatin1String("Level")) {
                EXPECT_LE(max.toDouble(), 100.0);
            }
        }

        for (const auto& [type, least] : c.hardwareTypes)
            EXPECT_GE(hardwareTypes[type], least) << type.toStdString();
        for (const auto& [type, least] : c.sensorTypes)
            EXPECT_GE(sensorTypes[type], least) << type.toStdString();
    }
}
