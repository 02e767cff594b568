#include "support/fakesource.h"

#include "sensors/detection.h"
#include "platform/numberformat.h"
#include "sensors/provider.h"

#include <gtest/gtest.h>

namespace gaugeloft {
namespace {

using testing::FakeHub;
using testing::FakeSource;
using testing::Hardware;
using testing::Sensor;

const QString kLocal = QString::fromLatin1(kProviders[0].sourceName);

// Renders the tree one node per line, indented by level, for whole-tree comparisons.
QString Outline(HardwareTree& tree)
{
    QString out;
    for (int position = 0; position < tree.NodeCount(); ++position) {
        const TreeNode* node = tree.NodeAt(position);
        int depth = 0;
        for (const TreeNode* p = node->Parent(); p; p = p->Parent())
            ++depth;
        out += QString(depth * 2, ' ') + node->Text() + QStringLiteral(" [%1]\n").arg(node->ImageIndex());
    }
    return out;
}

class Detection : public ::testing::Test {
protected:
    Detection() { NumberLocale::SetCurrent(NumberLocale {}); }

    void Detect()
    {
        provider.SetupProvider(0);
        DetectionContext context;
        context.animationSteps = 24;
        context.hasTile = [this](const QString& id) { return tiles.contains(id, Qt::CaseInsensitive); };
        context.caption = [this](const QString& message) { captions << message; };
        DetectTree(tree, *provider.HardwareReader, *provider.SensorReader, context);
    }

    void Poll(bool fahrenheit = false)
    {
        provider.SensorReader->Requery();
        RefreshTreeReadings(tree, *provider.SensorReader, fahrenheit,
                            [this](const QString& message) { captions << message; });
    }

    FakeHub hub;
    FakeSource& source = hub.source(kLocal);
    ProviderState provider {hub};
    HardwareTree tree;
    QStringList tiles;
    QStringList captions;
};

TEST_F(Detection, BuildsGroupedSortedTree)
{
    source.hardware = {
        Hardware("Generic Memory", "/ram", "", "RAM"),
        Hardware("Intel Core i7", "/intelcpu/0", "", "CPU"),
        Hardware("NVIDIA GeForce", "/nvidiagpu/0", "", "GpuNvidia"),
        Hardware("Radeon", "/atigpu/0", "", "GpuAti"),
    };
    source.sensors = {
        Sensor("CPU Core #2", "/intelcpu/0/load/2", "/intelcpu/0", "Load", 40.0),
        Sensor("CPU Total", "/intelcpu/0/load/0", "/intelcpu/0", "Load", 57.5),
        Sensor("CPU Core #1", "/intelcpu/0/clock/1", "/intelcpu/0", "Clock", 3600.0),
        Sensor("CPU Core #1", "/intelcpu/0/load/1", "/intelcpu/0", "load", 20.0),
        Sensor("Memory", "/ram/load/0", "/ram", "Load", 33.3),
        Sensor("GPU Core", "/nvidiagpu/0/temperature/0", "/nvidiagpu/0", "Temperature", 45.25),
    };
    tiles = {"/INTELCPU/0/LOAD/0"};
    Detect();
    EXPECT_EQ(Outline(tree),
              "CPU [6]\n"
              "  Intel Core i7 [6]\n"
              "    Clock [7]\n"
              "      CPU Core #1: 3.60 GHz [9]\n"
              "    Load [7]\n"
              "      CPU Core #1: 20% [9]\n"
              "      CPU Core #2: 40% [9]\n"
              "      CPU Total: 58% [10]\n"
              "GpuNvidia [3]\n"
              "  NVIDIA GeForce [3]\n"
              "    Temperature [7]\n"
              "      GPU Core: 45.3 'C [9]\n"
              "  Radeon [3]\n"
              "RAM [5]\n"
              "  Generic Memory [5]\n"
              "    Load [7]\n"
              "      Memory: 33% [9]\n");
    EXPECT_TRUE(captions.isEmpty());
}

TEST_F(Detection, RecordsCarryIdentityAndTheFirstReadingOnly)
{
    source.hardware = {Hardware("Board", "/mainboard", "", "Mainboard")};
    source.sensors = {Sensor("Fan #1", "/mainboard/fan/1", "/mainboard", "Fan", 1200.0, 900.0, 1500.0)};
    Detect();
    const TreeNode* hardware = tree.NodeByIdentifier("/MAINBOARD");
    ASSERT_NE(hardware, nullptr);
    EXPECT_FALSE(hardware->Data()->IsSensor);
    EXPECT_EQ(hardware->Data()->TypeName, "Mainboard");
    const TSensorData* fan = tree.NodeByIdentifier("/mainboard/fan/1")->Data();
    EXPECT_TRUE(fan->IsSensor);
    EXPECT_EQ(fan->Parent, "/mainboard");
    EXPECT_EQ(fan->TypeName, "Fan");
    EXPECT_EQ(fan->Value, 1200.0);
    EXPECT_EQ(fan->Steps, 24);
    EXPECT_EQ(fan->Step, 1200.0 / 24);
    EXPECT_EQ(fan->Min, 0.0) << "min, max and type row wait for the first poll";
    EXPECT_EQ(fan->Max, 0.0);
    EXPECT_EQ(fan->TypeIndex, 0);
}

TEST_F(Detection, HardwareMovesBelowItsParentAndEmptyGroupsGo)
{
    source.hardware = {
        Hardware("Board", "/mainboard", "", "Mainboard"),
        Hardware("NCT6798D", "/lpc/nct6798d", "/mainboard", "SuperIO"),
        Hardware("Self", "/self", "/self", "Psu"),
        Hardware("Loop A", "/loop/a", "/loop/b", "HDD"),
        Hardware("Loop B", "/loop/b", "/loop/a", "Storage"),
        Hardware("Orphan", "/orphan", "/nowhere", "RAM"),
    };
    Detect();
    EXPECT_EQ(Outline(tree),
              "HDD [4]\n"
              "  Loop B [4]\n"
              "    Loop A [4]\n"
              "Mainboard [1]\n"
              "  Board [1]\n"
              "    NCT6798D [2]\n"
              "Psu [12]\n"
              "  Self [12]\n"
              "RAM [5]\n"
              "  Orphan [5]\n");
    EXPECT_TRUE(tree.NodeByIdentifier("/mainboard")->Expanded());
    EXPECT_EQ(tree.NodeAt(tree.FindGroupNode(u"SuperIO"))->Data()->Identifier, "/lpc/nct6798d")
        << "the group went with its only item, so the item itself is the first node of its slot";
}

TEST_F(Detection, SensorsWithoutHardwareAreLeftOutAndTypeGroupsIgnoreCase)
{
    source.hardware = {Hardware("Disk", "/hdd/0", "", "HDD")};
    source.sensors = {
        Sensor("Temperature", "/hdd/0/temperature/0", "/hdd/0", "Temperature", 35.0),
        Sensor("Airflow", "/hdd/0/temperature/1", "/hdd/0", "TEMPERATURE", 30.0),
        Sensor("Lost", "/gone/0", "/gone", "Load", 1.0),
    };
    Detect();
    const TreeNode* disk = tree.NodeByIdentifier("/hdd/0");
    ASSERT_EQ(disk->ChildCount(), 1);
    EXPECT_EQ(disk->Child(0)->ChildCount(), 2);
    EXPECT_EQ(tree.FindNodeByIdentifier("/gone/0"), -1);
}

TEST_F(Detection, LookupsAnswerWithDisplayPositions)
{
    source.hardware = {Hardware("B", "/b", "", "CPU"), Hardware("A", "/a", "", "CPU"),
                       Hardware("", "", "", "Weird")};
    source.sensors = {Sensor("x", "/dup", "/b", "Load", 1.0), Sensor("y", "/DUP", "/a", "Load", 2.0)};
    Detect();
    // CPU(0) A(1) Load(2) y(3) B(4) Load(5) x(6) Weird(7) ""(8)
    EXPECT_EQ(tree.FindNodeByIdentifier("/b"), 4);
    EXPECT_EQ(tree.FindNodeByIdentifier("/dup"), 3) << "duplicates: the first in display order";
    EXPECT_EQ(tree.FindNodeByIdentifier(""), -1) << "even though a record has an empty identifier";
    EXPECT_EQ(tree.FindGroupNode(u"cpu"), 0);
    EXPECT_EQ(tree.FindGroupNode(u"Unheard"), 7) << "unknown types share slot 0";
    EXPECT_EQ(HardwareTree::FindChildByText(tree.NodeAt(1), u"LOAD"), 0);
    EXPECT_EQ(HardwareTree::FindChildByText(tree.NodeAt(1), u"Fan"), -1);
}

TEST_F(Detection, NoProviderOrAnEmptyOneGivesAnEmptyTree)
{
    Detect();
    EXPECT_TRUE(tree.IsEmpty());
    source.hardware = {Hardware("A", "/a", "", "CPU")};
    Detect();
    EXPECT_FALSE(tree.IsEmpty());
    source.running = false;
    Detect();
    EXPECT_TRUE(tree.IsEmpty());
}

TEST_F(Detection, UnknownSensorTypeShowsABareReadingAndACaption)
{
    source.hardware = {Hardware("Pump", "/aqua/0", "", "Aquacomputer")};
    source.sensors = {Sensor("Conductivity", "/aqua/0/c/0", "/aqua/0", "Conductivity", 1234.56)};
    Detect();
    EXPECT_EQ(tree.NodeByIdentifier("/aqua/0/c/0")->Text(), "Conductivity: 1,234.6");
    ASSERT_EQ(captions.size(), 1);
    EXPECT_EQ(captions[0], "Unknown sensor type: Conductivity");
    Poll();
    EXPECT_EQ(tree.NodeByIdentifier("/aqua/0/c/0")->Data()->TypeIndex, 10);
}

TEST_F(Detection, PollFillsRecordsAndConvertsTemperaturesButNotTexts)
{
    source.hardware = {Hardware("CPU", "/cpu", "", "CPU")};
    source.sensors = {Sensor("Package", "/cpu/t/0", "/cpu", "Temperature", 50.0, 30.0, 70.0),
                      Sensor("Total", "/cpu/l/0", "/cpu", "Load", 50.0, 30.0, 70.0)};
    Detect();
    Poll(true);
    const TSensorData* temperature = tree.NodeByIdentifier("/cpu/t/0")->Data();
    EXPECT_EQ(temperature->Value, 122.0);
    EXPECT_EQ(temperature->Min, 86.0);
    EXPECT_EQ(temperature->Max, 158.0);
    EXPECT_EQ(temperature->TypeIndex, 3);
    EXPECT_EQ(tree.NodeByIdentifier("/cpu/t/0")->Text(), "Package: 50.0 'C");
    const TSensorData* load = tree.NodeByIdentifier("/cpu/l/0")->Data();
    EXPECT_EQ(load->Value, 50.0);
    EXPECT_EQ(load->Max, 70.0);
}

TEST_F(Detection, RememberedNodeIsForgottenWhenTheTreeIsCleared)
{
    source.hardware = {Hardware("CPU", "/cpu", "", "CPU")};
    Detect();
    tree.RememberNode(tree.NodeByIdentifier("/cpu"));
    Detect();
    EXPECT_EQ(tree.RememberedNode(), nullptr);
}

} // namespace
} // namespace gaugeloft
