#include "sources/lhmdocument.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cmath>

namespace gaugeloft::sources {
namespace {

QByteArray Fixture(const char* name)
{
    QFile file(QStringLiteral(GAUGELOFT_SOURCE_DIR "/tests/fixtures/lhm/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QVariant Prop(const SourceInstance& instance, const char* name)
{
    const qsizetype i = instance.names.indexOf(QLatin1String(name));
    return i < 0 ? QVariant() : instance.values.value(i);
}

const SourceInstance* ByName(const SourceObjectSet& set, const char* name)
{
    for (const SourceInstance& instance : set) {
        if (Prop(instance, "Name").toString() == QLatin1String(name))
            return &instance;
    }
    return nullptr;
}

TEST(LhmNumbers, EitherSeparatorAndTheUnitStripped)
{
    struct Case {
        const char* text;
        std::optional<double> number;
    };
    const Case cases[] = {
        {"45,3 °C", 45.3},     {"45.3 °C", 45.3},      {"1.234 RPM", 1234},  {"1,234 RPM", 1234},
        {"1.234 V", 1.234},    {"1,234 V", 1.234},     {"1.234,5 W", 1234.5}, {"1,234.5 W", 1234.5},
        {"-12,5 °C", -12.5},   {"12 %", 12},           {"3\u00A0600 MHz", 3600}, {"-", std::nullopt},
        {"", std::nullopt},    {"n/a", std::nullopt},  {"1e999", 1},          {"RPM", std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<double> got = ParseLocalizedNumber(QString::fromUtf8(c.text));
        ASSERT_EQ(got.has_value(), c.number.has_value()) << c.text;
        if (got) {
            EXPECT_NEAR(*got, *c.number, 1e-9) << c.text;
        }
    }
}

TEST(LhmNumbers, ReadingsInTheProvidersUnits)
{
    struct Case {
        const char* text;
        const char* type;
        double value;
    };
    const Case cases[] = {
        {"3,6 GHz", "Clock", 3600},       {"800,0 MHz", "Clock", 800},       {"1.5 MB/s", "Throughput", 1572864},
        {"12,0 KB/s", "Throughput", 12288}, {"512 MB", "Data", 0.5},         {"2,0 GB", "SmallData", 2048},
        {"113.0 °F", "Temperature", 45},  {"45,3 °C", "Temperature", 45.3},  {"1.212 V", "Voltage", 1.212},
    };
    for (const Case& c : cases) {
        const std::optional<double> got = ParseLhmReading(QString::fromUtf8(c.text), QString::fromLatin1(c.type));
        ASSERT_TRUE(got) << c.text;
        EXPECT_NEAR(*got, c.value, 1e-9) << c.text;
    }
}

TEST(SensorDocument, NewerServersGiveIdsTypesAndRawNumbers)
{
    SensorDocument doc;
    ASSERT_TRUE(ReadLhmDocument(Fixture("data-new.json"), doc));
    ASSERT_EQ(doc.hardware.size(), 3u);
    const SourceInstance* chip = ByName(doc.hardware, "Nuvoton NCT6798D");
    ASSERT_TRUE(chip);
    EXPECT_EQ(Prop(*chip, "Identifier"), "/lpc/nct6798d/0");
    EXPECT_EQ(Prop(*chip, "Parent"), "/motherboard") << "a chip under its mainboard";
    EXPECT_EQ(Prop(*chip, "HardwareType"), "SuperIO");
    EXPECT_EQ(Prop(*ByName(doc.hardware, "AMD Ryzen 7 5800X"), "HardwareType"), "CPU");
    EXPECT_EQ(Prop(*ByName(doc.hardware, "ASUS ROG STRIX B550-F"), "HardwareType"), "Motherboard");

    ASSERT_EQ(doc.sensors.size(), 3u);
    const SourceInstance* clock = ByName(doc.sensors, "Core #1");
    ASSERT_TRUE(clock);
    EXPECT_EQ(Prop(*clock, "Identifier"), "/amdcpu/0/clock/1");
    EXPECT_EQ(Prop(*clock, "Parent"), "/amdcpu/0");
    EXPECT_EQ(Prop(*clock, "SensorType"), "Clock");
    EXPECT_DOUBLE_EQ(Prop(*clock, "Value").toDouble(), 4700.5) << "the raw number, not the rounded text";
    EXPECT_DOUBLE_EQ(Prop(*clock, "Min").toDouble(), 3600);
    const SourceInstance* fan = ByName(doc.sensors, "Fan #1");
    EXPECT_EQ(Prop(*fan, "Parent"), "/lpc/nct6798d/0");
    EXPECT_DOUBLE_EQ(Prop(*fan, "Value").toDouble(), 1234);
}

TEST(SensorDocument, OlderServersGiveOnlyTexts)
{
    SensorDocument doc;
    ASSERT_TRUE(ReadLhmDocument(Fixture("data-old.json"), doc));
    ASSERT_EQ(doc.hardware.size(), 3u);
    const SourceInstance* board = ByName(doc.hardware, "Gigabyte B450M");
    const SourceInstance* chip = ByName(doc.hardware, "ITE IT8686E");
    const SourceInstance* gpu = ByName(doc.hardware, "NVIDIA GeForce GTX 1060");
    ASSERT_TRUE(board && chip && gpu);
    EXPECT_EQ(Prop(*board, "Identifier"), "/gigabyte-b450m");
    EXPECT_EQ(Prop(*chip, "Identifier"), "/gigabyte-b450m/ite-it8686e") << "built from the path of texts";
    EXPECT_EQ(Prop(*chip, "Parent"), "/gigabyte-b450m");
    EXPECT_EQ(Prop(*chip, "HardwareType"), "SuperIO") << "from the icon";
    EXPECT_EQ(Prop(*gpu, "HardwareType"), "GpuNvidia");

    struct Expected {
        const char* name;
        const char* id;
        const char* type;
        double value;
    };
    const Expected expected[] = {
        {"Vcore", "/gigabyte-b450m/ite-it8686e/voltage/0", "Voltage", 1.212},
        {"+12V", "/gigabyte-b450m/ite-it8686e/voltage/1", "Voltage", 12.096},
        {"Fan #1", "/gigabyte-b450m/ite-it8686e/fan/0", "Fan", 1234},
        {"GPU PCIe Rx", "/nvidia-geforce-gtx-1060/throughput/0", "Throughput", 1.5 * 1024 * 1024},
        {"GPU Core", "/nvidia-geforce-gtx-1060/temperature/0", "Temperature", 45},
    };
    ASSERT_EQ(doc.sensors.size(), std::size(expected));
    for (const Expected& e : expected) {
        const SourceInstance* sensor = ByName(doc.sensors, e.name);
        ASSERT_TRUE(sensor) << e.name;
        EXPECT_EQ(Prop(*sensor, "Identifier"), e.id) << e.name;
        EXPECT_EQ(Prop(*sensor, "SensorType"), e.type) << e.name;
        EXPECT_NEAR(Prop(*sensor, "Value").toDouble(), e.value, 1e-6) << e.name;
    }
    EXPECT_TRUE(Prop(*ByName(doc.sensors, "+12V"), "Min").isNull()) << "\"-\" is no reading";
    // the same document read again gives the same identifiers
    SensorDocument again;
    ASSERT_TRUE(ReadLhmDocument(Fixture("data-old.json"), again));
    for (size_t i = 0; i < doc.sensors.size(); ++i)
        EXPECT_EQ(Prop(doc.sensors[i], "Identifier"), Prop(again.sensors[i], "Identifier"));
}

TEST(SensorDocument, GarbageIsRefusedWhole)
{
    const QByteArray deep = QByteArray(40, '{').replace("{", "{\"Children\":[") + QByteArray(40, ']');
    const QByteArray cases[] = {
        "", "null", "[]", "{\"Children\": 5}", "{\"id\": 0", "\xff\xfe", Fixture("data-new.json").left(300),
        "{\"Children\":[{\"Children\":[" + deep + "]}]}",
    };
    for (const QByteArray& json : cases) {
        SensorDocument doc;
        doc.sensors.push_back({});
        ReadLhmDocument(json, doc);
        EXPECT_TRUE(doc.sensors.empty()) << json.left(60).toStdString();
    }
    SensorDocument doc;
    EXPECT_FALSE(ReadLhmDocument(QByteArray(kLhmMostBytes + 1, ' '), doc));
}

} // namespace
} // namespace gaugeloft::sources
