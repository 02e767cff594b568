#include "support/fakesource.h"

#include "sensors/detection.h"
#include "platform/numberformat.h"
#include "sensors/provider.h"
#include "sensors/sensortreemodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace gaugeloft {
namespace {

using testing::FakeHub;
using testing::Hardware;
using testing::Sensor;

class TreeModel : public ::testing::Test {
protected:
    TreeModel()
    {
        NumberLocale::SetCurrent(NumberLocale {});
        source.hardware = {Hardware("CPU", "/cpu", "", "CPU"), Hardware("Board", "/mb", "", "Mainboard")};
        source.sensors = {Sensor("Total", "/cpu/load/0", "/cpu", "Load", 10.0),
                          Sensor("Core #1", "/cpu/load/1", "/cpu", "Load", 20.0),
                          Sensor("Fan #1", "/mb/fan/1", "/mb", "Fan", 900.0)};
        provider.SetupProvider(0);
    }

    void Detect()
    {
        DetectionContext context;
        context.animationSteps = 4;
        DetectTree(tree, *provider.HardwareReader, *provider.SensorReader, context);
    }

    void Poll()
    {
        provider.SensorReader->Requery();
        RefreshTreeReadings(tree, *provider.SensorReader, false, {});
    }

    FakeHub hub;
    testing::FakeSource& source = hub.source(QString::fromLatin1(kProviders[0].sourceName));
    ProviderState provider {hub};
    HardwareTree tree;
    SensorTreeModel model {tree};
    QAbstractItemModelTester tester {&model, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(TreeModel, DetectionResetsTheModelWithTheWholeTree)
{
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    Detect();
    EXPECT_EQ(resets.count(), 1) << "one reset for a whole detection";
    ASSERT_EQ(model.rowCount(), 2);
    const QModelIndex cpuGroup = model.index(0, 0);
    EXPECT_EQ(cpuGroup.data().toString(), "CPU");
    const QModelIndex cpu = model.index(0, 0, cpuGroup);
    const QModelIndex total = model.index(1, 0, model.index(0, 0, cpu));
    EXPECT_EQ(total.data().toString(), "Total: 10%");
    EXPECT_EQ(total.data(Qt::AccessibleTextRole).toString(), "Total: 10%");
    EXPECT_EQ(total.data(SensorTreeModel::IconSlotRole).toInt(), kSensorIcon);
    EXPECT_EQ(total.data(SensorTreeModel::IdentifierRole).toString(), "/cpu/load/0");
    EXPECT_EQ(model.parent(total).parent(), cpu);
}

TEST_F(TreeModel, APollChangesOnlyTheRowsWhoseTextChanged)
{
    Detect();
    const QModelIndex cpu = model.index(0, 0, model.index(0, 0));
    QPersistentModelIndex selected = model.index(0, 0, model.index(0, 0, cpu));  // Core #1
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy layouts(&model, &QAbstractItemModel::layoutChanged);
    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);

    Poll();
    EXPECT_EQ(changes.count(), 0) << "same readings, same texts";

    source.sensors[1].values[4] = 25.0;
    Poll();
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(layouts.count(), 0);
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes[0][0].toModelIndex(), QModelIndex(selected));
    EXPECT_TRUE(selected.isValid()) << "a view's selection survives the poll";
    EXPECT_EQ(selected.data().toString(), "Core #1: 25%");
}

TEST_F(TreeModel, APollInABatchGivesOneNoticePerRunOfAdjacentRows)
{
    source.sensors.push_back(Sensor("Core #2", "/cpu/load/2", "/cpu", "Load", 30.0));
    source.sensors.push_back(Sensor("Core #3", "/cpu/load/3", "/cpu", "Load", 40.0));
    source.sensors.push_back(Sensor("Fan #2", "/mb/fan/2", "/mb", "Fan", 950.0));
    provider.SetupProvider(0);
    Detect();
    struct Case {
        std::vector<size_t> changed;  // positions in source.sensors
        int notices;
    };
    const Case cases[] = {
        {{}, 0},
        {{1}, 1},
        {{1, 3}, 1},         // Core #1 and Core #2 lie next to each other
        {{1, 3, 4}, 1},
        {{1, 4}, 2},         // Core #2 between them kept its text
        {{0, 1, 2, 3, 4, 5}, 2},  // the load group and the fan group
    };
    double shift = 1.0;
    for (const Case& c : cases) {
        std::set<QString> expected;
        for (size_t position : c.changed) {
            source.sensors[position].values[4] = source.sensors[position].values[4].toDouble() + shift;
            expected.insert(source.sensors[position].values[1].toString());
        }
        shift += 1.0;
        QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
        {
            HardwareTree::UpdateBatch batch(tree);
            Poll();
            EXPECT_EQ(changes.count(), 0) << "nothing is told before the batch ends";
        }
        EXPECT_EQ(changes.count(), c.notices) << c.changed.size();
        std::set<QString> told;
        for (const QList<QVariant>& notice : changes) {
            const QModelIndex first = notice[0].toModelIndex();
            const QModelIndex last = notice[1].toModelIndex();
            ASSERT_EQ(first.parent(), last.parent());
            for (int row = first.row(); row <= last.row(); ++row)
                told.insert(first.siblingAtRow(row).data(SensorTreeModel::IdentifierRole).toString());
        }
        EXPECT_EQ(told, expected);
    }
}

TEST_F(TreeModel, ClearingTheTreeResetsTheModelToEmpty)
{
    Detect();
    tree.Clear();
    EXPECT_EQ(model.rowCount(), 0);
    source.running = false;
    Detect();
    EXPECT_EQ(model.rowCount(), 0);
}

} // namespace
} // namespace gaugeloft
