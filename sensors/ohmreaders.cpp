#include "sensors/ohmreaders.h"

#include "sensors/typetables.h"

namespace gaugeloft {

TWMI_OHM_Hardware::TWMI_OHM_Hardware(bool queryNow, const QString& nameSpace,
                                     sources::SensorSourceHub& hub)
    : TWmiClass(false, sources::kHardwareClass, nameSpace, hub)
{
    if (queryNow)
        Requery();
}

void TWMI_OHM_Hardware::SetCollectionIndex(int index)
{
    if (!SelectInstance(index))
        return;
    const auto& at = m_slots.For(*this);
    Name = VariantToText(SlotValue(index, at[0]));
    Identifier = VariantToText(SlotValue(index, at[1]));
    Parent = VariantToText(SlotValue(index, at[2]));
    HardwareType = VariantToText(SlotValue(index, at[3]));
}

TWMI_OHM_Sensor::TWMI_OHM_Sensor(bool queryNow, const QString& nameSpace,
                                 sources::SensorSourceHub& hub)
    : TWmiClass(false, sources::kSensorClass, nameSpace, hub)
{
    if (queryNow)
        Requery();
}

void TWMI_OHM_Sensor::SetCollectionIndex(int index)
{
    if (!SelectInstance(index))
        return;
    const auto& at = m_slots.For(*this);
    Name = VariantToText(SlotValue(index, at[0]));
    Identifier = VariantToText(SlotValue(index, at[1]));
    Parent = VariantToText(SlotValue(index, at[2]));
    SensorType = VariantToText(SlotValue(index, at[3]));
    Min = VariantToDouble(SlotValue(index, at[4]));
    Max = VariantToDouble(SlotValue(index, at[5]));
    Value = VariantToDouble(SlotValue(index, at[6]));
}

int TWMI_OHM_Sensor::SensorTypeIndex() const
{
    // A provider publishes a handful of type names: remember their rows instead of walking
    // the table for every sensor of every poll.
    if (const auto found = m_typeRows.constFind(SensorType); found != m_typeRows.constEnd())
        return *found;
    if (m_typeRows.size() >= 256)
        m_typeRows.clear();  // a source inventing names cannot grow this without bound
    const int row = gaugeloft::SensorTypeIndex(SensorType);
    m_typeRows.insert(SensorType, row);
    return row;
}

} // namespace gaugeloft

