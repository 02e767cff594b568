#include "sensors/ohmreaders.h"

#include "sensors/typetables.h"

namespace gaugeloft {

TWMI_OHM_Hardware::TWMI_OHM_Hardware(bool queryNow, const QString& nameSpace,
                                     platform::SensorSourceHub& hub)
    : TWmiClass(false, platform::kHardwareClass, nameSpace, hub)
{
    if (queryNow)
        Requery();
}

void TWMI_OHM_Hardware::SetCollectionIndex(int index)
{
    if (index < 0 || index >= InstanceCount() || index == m_currentIndex)
        return;
    m_currentIndex = index;
    const auto& at = m_slots.For(*this);
    Name = VariantToText(SlotValue(index, at[0]));
    Identifier = VariantToText(SlotValue(index, at[1]));
    Parent = VariantToText(SlotValue(index, at[2]));
    HardwareType = VariantToText(SlotValue(index, at[3]));
}

TWMI_OHM_Sensor::TWMI_OHM_Sensor(bool queryNow, const QString& nameSpace,
                                 platform::SensorSourceHub& hub)
    : TWmiClass(false, platform::kSensorClass, nameSpace, hub)
{
    if (queryNow)
        Requery();
}

void TWMI_OHM_Sensor::SetCollectionIndex(int index)
{
    if (index < 0 || index >= InstanceCount() || index == m_currentIndex)
        return;
    m_currentIndex = index;
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
    // Sensors arrive grouped by type, so remembering the last name saves most table walks.
    if (m_typeCacheIndex < 0 || SensorType != m_typeCacheName) {
        m_typeCacheName = SensorType;
        m_typeCacheIndex = gaugeloft::SensorTypeIndex(SensorType);
    }
    return m_typeCacheIndex;
}

} // namespace gaugeloft

