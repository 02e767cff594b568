#include "sensors/detection.h"

#include "sensors/sensornodetext.h"
#include "sensors/typetables.h"

#include <QHash>

namespace gaugeloft {

namespace {

std::unique_ptr<TSensorData> MakeRecord(bool isSensor, int steps, const QString& name,
                                        const QString& identifier, const QString& parent,
                                        const QString& typeName)
{
    auto record = std::make_unique<TSensorData>();
    record->Steps = steps;
    record->Name = name;
    record->Identifier = identifier;
    record->Parent = parent;
    record->IsSensor = isSensor;
    record->TypeName = typeName;
    return record;
}

void SortAll(HardwareTree& tree, TreeNode* node)
{
    for (int row = 0; row < node->ChildCount(); ++row)
        SortAll(tree, node->Child(row));
    tree.SortChildren(node);
}

void AddHardware(HardwareTree& tree, TWMI_OHM_Hardware& hardware, int steps)
{
    // Detection starts from an empty tree.
    Q_ASSERT(tree.IsEmpty());
    // The tree holds only what this loop adds, and a group comes before its items, so the
    // first node of a slot in display order is the group made for it: remember them.
    QHash<int, TreeNode*> groups;
    for (int i = 0; i < hardware.Count(); ++i) {
        hardware.SetCollectionIndex(i);
        const int slot = HardwareIconIndex(hardware.HardwareType);
        TreeNode*& group = groups[slot];
        if (!group)
            group = tree.AddChild(nullptr, hardware.HardwareType, slot);
        TreeNode* node = tree.AddChild(group, hardware.Name, slot);
        tree.SetData(node, MakeRecord(false, steps, hardware.Name, hardware.Identifier,
                                      hardware.Parent, hardware.HardwareType));
    }
}

void ReparentHardware(HardwareTree& tree)
{
    const int count = tree.NodeCount();
    for (int position = 0; position < count; ++position) {
        TreeNode* node = tree.NodeAt(position);
        if (!node || !node->Data())
            continue;
        TreeNode* parent = tree.NodeByIdentifier(node->Data()->Parent);
        if (parent && tree.MoveTo(node, parent))
            tree.SetExpanded(parent, true);
    }
}

void RemoveEmptyGroups(HardwareTree& tree)
{
    for (int position = tree.NodeCount() - 1; position >= 0; --position) {
        TreeNode* node = tree.NodeAt(position);
        if (node && !node->Data() && node->ChildCount() == 0)
            tree.Delete(node);
    }
}

void AddSensors(HardwareTree& tree, TWMI_OHM_Sensor& sensors, const DetectionContext& context)
{
    QString text;
    for (int i = 0; i < sensors.Count(); ++i) {
        sensors.SetCollectionIndex(i);
        TreeNode* hardware = tree.NodeByIdentifier(sensors.Parent);
        if (!hardware)
            continue;
        const int groupRow = HardwareTree::FindChildByText(hardware, sensors.SensorType);
        TreeNode* group = groupRow >= 0 ? hardware->Child(groupRow)
                                        : tree.AddChild(hardware, sensors.SensorType, kSensorGroupIcon);
        text.resize(0);
        if (!AppendSensorNodeText(text, sensors) && context.caption)
            context.caption(UnknownSensorTypeMessage(sensors.SensorType));
        const bool onDashboard = context.hasTile && context.hasTile(sensors.Identifier);
        TreeNode* node = tree.AddChild(group, text, onDashboard ? kSensorOnDashboardIcon : kSensorIcon);
        auto record = MakeRecord(true, context.animationSteps, sensors.Name, sensors.Identifier,
                                 sensors.Parent, sensors.SensorType);
        record->SetValue(sensors.Value);
        tree.SetData(node, std::move(record));
    }
}

} // namespace

void DetectTree(HardwareTree& tree, TWMI_OHM_Hardware& hardware, TWMI_OHM_Sensor& sensors,
                const DetectionContext& context)
{
    HardwareTree::UpdateBatch batch(tree);
    tree.Clear();
    hardware.Requery();
    sensors.Requery();
    const int steps = context.animationSteps;
    AddHardware(tree, hardware, steps);
    ReparentHardware(tree);
    RemoveEmptyGroups(tree);
    AddSensors(tree, sensors, context);
    for (int row = tree.TopLevelCount() - 1; row >= 0; --row)
        SortAll(tree, tree.TopLevel(row));
    tree.SortChildren(nullptr);
}

void RefreshTreeReadings(HardwareTree& tree, TWMI_OHM_Sensor& sensors, bool showFahrenheit,
                         const std::function<void(const QString& message)>& caption)
{
    QString text;
    for (int i = 0; i < sensors.Count(); ++i) {
        sensors.SetCollectionIndex(i);
        TreeNode* node = tree.NodeByIdentifier(sensors.Identifier);
        if (!node)
            continue;
        TSensorData& record = *node->Data();
        record.TypeIndex = static_cast<uint8_t>(sensors.SensorTypeIndex());
        if (showFahrenheit && record.TypeIndex == stTemperature) {
            record.SetValue(ToFahrenheit(sensors.Value));
            record.Min = ToFahrenheit(sensors.Min);
            record.Max = ToFahrenheit(sensors.Max);
        } else {
            record.SetValue(sensors.Value);
            record.Min = sensors.Min;
            record.Max = sensors.Max;
        }
        text.resize(0);
        if (!AppendSensorNodeText(text, sensors) && caption)
            caption(UnknownSensorTypeMessage(sensors.SensorType));
        tree.SetText(node, text);
    }
}

} // namespace gaugeloft
