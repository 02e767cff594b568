#include "support/fakesource.h"

#include "sensors/ohmreaders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace gaugeloft {
namespace {

using testing::FakeHub;
using testing::Hardware;
using testing::Sensor;

const QString kSource = QStringLiteral("fake");

class QueryLayer : public ::testing::Test {
protected:
    FakeHub hub;
    testing::FakeSource& source = hub.source(kSource);
};

TEST_F(QueryLayer, CountIsMinusOneUntilAQuerySucceedsAndAfterOneFails)
{
    TWMI_OHM_Sensor reader(false, kSource, hub);
    EXPECT_EQ(reader.Count(), -1);

    reader.Requery();
    EXPECT_EQ(reader.Count(), 0) << "an empty answer is zero instances, not a failure";

    source.sensors = {Sensor("Fan #1", "/lpc/0/fan/1", "/lpc/0", "Fan", 900.0)};
    reader.Requery();
    EXPECT_EQ(reader.Count(), 1);

    source.running = false;
    reader.Requery();
    EXPECT_EQ(reader.Count(), -1);
    EXPECT_EQ(reader.InstanceCount(), 0) << "a failed query leaves no instances";
}

TEST_F(QueryLayer, ConnectsOnceAtTheFirstQueryAndKeepsTheConnection)
{
    TWMI_OHM_Hardware reader(false, kSource, hub);
    EXPECT_EQ(hub.opens, 0) << "creation does not connect";
    reader.Requery();
    source.running = false;
    reader.Requery();
    source.running = true;
    reader.Requery();
    EXPECT_EQ(hub.opens, 1);
    EXPECT_EQ(source.enumerations, 3) << "every query goes through the kept connection";
}

TEST_F(QueryLayer, AFailedOpenIsRetriedByTheNextQuery)
{
    TWMI_OHM_Hardware reader(false, kSource, hub);
    hub.openFails = true;
    reader.Requery();
    EXPECT_EQ(reader.Count(), -1);
    EXPECT_FALSE(reader.Connection().Connected());
    hub.openFails = false;
    reader.Requery();
    EXPECT_EQ(reader.Count(), 0);
    EXPECT_EQ(hub.opens, 2);
}

TEST_F(QueryLayer, SensorReaderConvertsValuesSoundly)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* label;
        QVariant value;
        double expected;
    };
    const Case cases[] = {
        {"number", 42.5, 42.5},
        {"null", QVariant(), 0.0},
        {"numeric text", QStringLiteral(" 12.25 "), 12.25},
        {"garbage text", QStringLiteral("hot"), 0.0},
        {"NaN", nan, 0.0},
        {"infinity", -inf, 0.0},
        {"integer", 7, 7.0},
    };
    for (const Case& c : cases) {
        source.sensors = {Sensor("S", "/s", "/h", "Load", c.value, c.value, QVariant())};
        TWMI_OHM_Sensor reader(false, kSource, hub);
        reader.Requery();
        EXPECT_EQ(reader.Value, c.expected) << c.label;
        EXPECT_EQ(reader.Min, c.expected) << c.label;
        EXPECT_EQ(reader.Max, 0.0) << "null Max";
    }
}

TEST_F(QueryLayer, SetCollectionIndexOutOfRangeOrCurrentKeepsTheFields)
{
    source.hardware = {Hardware("A", "/a", "", "CPU"), Hardware("B", "/b", "", "RAM")};
    TWMI_OHM_Hardware reader(false, kSource, hub);
    reader.Requery();
    EXPECT_EQ(reader.Name, "A") << "a load selects the first instance";
    reader.SetCollectionIndex(1);
    EXPECT_EQ(reader.Name, "B");
    for (int index : {1, -1, 2, 100}) {
        reader.SetCollectionIndex(index);
        EXPECT_EQ(reader.Name, "B") << index;
        EXPECT_EQ(reader.CurrentIndex(), 1) << index;
    }
}

TEST_F(QueryLayer, PropertiesAreFoundWhateverTheirOrderAndCase)
{
    const QStringList names {"value", "SENSORTYPE", "name", "identifier", "parent", "min", "max"};
    source.sensors = {{names, {3.0, "Voltage", "VCore", "/v/0", "/h", 1.0, 4.0}}};
    TWMI_OHM_Sensor reader(false, kSource, hub);
    reader.Requery();
    EXPECT_EQ(reader.Name, "VCore");
    EXPECT_EQ(reader.SensorType, "Voltage");
    EXPECT_EQ(reader.Value, 3.0);
    EXPECT_EQ(reader.Max, 4.0);
    EXPECT_EQ(reader.GetValue(u"IDENTIFIER").toString(), "/v/0");
    EXPECT_EQ(reader.FindInstance(u"Identifier", QStringLiteral("/v/0")), 0);
    EXPECT_EQ(reader.FindInstance(u"Identifier", QStringLiteral("/nope")), -1);
}

TEST_F(QueryLayer, AnInstanceLackingAListedPropertyKeepsWhatItReadAndTheNextRebuildsTheList)
{
    const QStringList full {"Name", "Identifier", "Parent", "HardwareType"};
    const QStringList odd {"Name", "Identifier", "Parent", "Vendor"};
    source.hardware = {
        {full, {"A", "/a", "", "CPU"}},
        {odd, {"B", "/b", "", "x"}},   // same count, lacks HardwareType
        {full, {"C", "/c", "", "RAM"}},
    };
    TWMI_OHM_Hardware reader(false, kSource, hub);
    reader.Requery();
    ASSERT_EQ(reader.Count(), 3);
    reader.SetCollectionIndex(2);
    EXPECT_EQ(reader.Name, "C");
    EXPECT_EQ(reader.HardwareType, "RAM");
    EXPECT_EQ(reader.GetValueAt(u"Name", 1).toString(), "B") << "values read before the gap are kept";
}

// Hand-written and script-made snapshots: instances need not carry the same keys in the same
// order. Each is read by its own names; what it lacks is null; no other instance shifts.
TEST_F(QueryLayer, InstancesOfDifferentShapesAreEachReadByTheirOwnNames)
{
    const QStringList full {"Name", "Identifier", "Parent", "SensorType", "Value", "Min", "Max"};
    const QStringList noRange {"Name", "Identifier", "Parent", "SensorType", "Value"};
    const QStringList reversed {"Max", "Min", "Value", "SensorType", "Parent", "Identifier", "Name"};
    const QStringList extra {"Name", "Identifier", "Index", "Parent", "SensorType", "Value", "Min", "Max"};
    source.sensors = {
        {full, {"Core #1", "/cpu/0/temperature/0", "/cpu/0", "Temperature", 50.0, 30.0, 70.0}},
        {noRange, {"Fan #1", "/lpc/0/fan/0", "/lpc/0", "Fan", 900.0}},
        {reversed, {80.0, 20.0, 45.0, "Temperature", "/cpu/0", "/cpu/0/temperature/1", "Core #2"}},
        {extra, {"VCore", "/lpc/0/voltage/0", 7.0, "/lpc/0", "Voltage", 1.2, 1.1, 1.3}},
        {full, {"Load", "/cpu/0/load/0", "/cpu/0", "Load", 12.0, 3.0, 97.0}},
        {noRange, {"Fan #2", "/lpc/0/fan/1", "/lpc/0", "Fan", 1200.0}},
    };
    struct Expected {
        const char* name;
        const char* identifier;
        const char* type;
        double value;
        bool hasRange;
        double min;
        double max;
    };
    const Expected expected[] = {
        {"Core #1", "/cpu/0/temperature/0", "Temperature", 50, true, 30, 70},
        {"Fan #1", "/lpc/0/fan/0", "Fan", 900, false, 0, 0},
        {"Core #2", "/cpu/0/temperature/1", "Temperature", 45, true, 20, 80},
        {"VCore", "/lpc/0/voltage/0", "Voltage", 1.2, true, 1.1, 1.3},
        {"Load", "/cpu/0/load/0", "Load", 12, true, 3, 97},
        {"Fan #2", "/lpc/0/fan/1", "Fan", 1200, false, 0, 0},
    };
    TWMI_OHM_Sensor reader(false, kSource, hub);
    for (int round = 0; round < 2; ++round) {  // a second query of the same set reads the same
        reader.Requery();
        ASSERT_EQ(reader.Count(), 6);
        for (int i = 0; i < 6; ++i) {
            const Expected& e = expected[i];
            SCOPED_TRACE(e.name);
            reader.SetCollectionIndex(i);
            EXPECT_EQ(reader.Name, e.name);
            EXPECT_EQ(reader.Identifier, e.identifier);
            EXPECT_EQ(reader.Parent, QString::fromLatin1(e.identifier).section(u'/', 0, 2));
            EXPECT_EQ(reader.SensorType, e.type);
            EXPECT_EQ(reader.Value, e.value);
            EXPECT_EQ(reader.GetValueAt(u"Min", i).isValid(), e.hasRange);
            EXPECT_EQ(reader.Min, e.min);
            EXPECT_EQ(reader.Max, e.max);
        }
        EXPECT_EQ(reader.GetValueAt(u"Index", 3).toInt(), 7);
        EXPECT_FALSE(reader.GetValueAt(u"Index", 0).isValid());
    }
}

TEST_F(QueryLayer, PropertiesBeyond256AreCut)
{
    QStringList names {"Name", "Identifier", "Parent", "HardwareType"};
    QVariantList values {"Big", "/big", "", "SuperIO"};
    for (int i = 0; i < 300; ++i) {
        names << QStringLiteral("Extra%1").arg(i);
        values << i;
    }
    source.hardware = {{names, values}, {names, values}};
    TWMI_OHM_Hardware reader(false, kSource, hub);
    reader.Requery();
    ASSERT_EQ(reader.Count(), 2);
    EXPECT_EQ(reader.PropertyNames().size(), 256);
    EXPECT_EQ(reader.HardwareType, "SuperIO");
    EXPECT_EQ(reader.GetValue(u"Extra251").toInt(), 251);
    EXPECT_FALSE(reader.GetValue(u"Extra252").isValid());
}

TEST_F(QueryLayer, TheBaseClassCannotSelectAnInstanceSoItsQueryFails)
{
    source.hardware = {Hardware("A", "/a", "", "CPU")};
    TWmiClass plain(false, sources::kHardwareClass, kSource, hub);
    EXPECT_FALSE(plain.Query());
    EXPECT_THROW(plain.SetCollectionIndex(0), std::logic_error);
    try {
        plain.SetCollectionIndex(0);
    } catch (const std::logic_error& error) {
        EXPECT_STREQ(error.what(), "You must override this method SetCollectionIndex");
    }
}

TEST_F(QueryLayer, QueryTextNamesTheClass)
{
    TWMI_OHM_Sensor reader(false, kSource, hub);
    EXPECT_EQ(reader.QueryText(), "SELECT * FROM Sensor");
}

} // namespace
} // namespace gaugeloft
