#pragma once

// The two class readers: they copy the current instance's properties into typed fields.

#include "sensors/wmiclass.h"

#include <QHash>

#include <array>

namespace gaugeloft {

// Caches the slot positions of a reader's properties for the current property-name list.
template <size_t N>
class PropertySlots {
public:
    explicit PropertySlots(std::array<const char*, N> names)
        : m_names(names)
    {
    }
    const std::array<int, N>& For(const TWmiClass& reader)
    {
        if (reader.PropertyNamesGeneration() != m_generation) {
            for (size_t i = 0; i < N; ++i)
                m_slots[i] = reader.PropertyIndex(QString::fromLatin1(m_names[i]));
            m_generation = reader.PropertyNamesGeneration();
        }
        return m_slots;
    }

private:
    std::array<const char*, N> m_names;
    std::array<int, N> m_slots {};
    std::uint64_t m_generation = ~std::uint64_t(0);
};

class TWMI_OHM_Hardware : public TWmiClass {
public:
    TWMI_OHM_Hardware(bool queryNow, const QString& nameSpace, sources::SensorSourceHub& hub);

    void SetCollectionIndex(int index) override;

    QString Name;
    QString Identifier;
    QString Parent;
    QString HardwareType;

private:
    PropertySlots<4> m_slots {{"Name", "Identifier", "Parent", "HardwareType"}};
};

class TWMI_OHM_Sensor : public TWmiClass {
public:
    TWMI_OHM_Sensor(bool queryNow, const QString& nameSpace, sources::SensorSourceHub& hub);

    void SetCollectionIndex(int index) override;

    // Row of the current SensorType in the sensor type table (10 when unknown).
    int SensorTypeIndex() const;

    QString Name;
    QString Identifier;
    QString Parent;
    QString SensorType;
    double Value = 0.0;
    double Min = 0.0;
    double Max = 0.0;

private:
    PropertySlots<7> m_slots {{"Name", "Identifier", "Parent", "SensorType", "Min", "Max", "Value"}};
    mutable QHash<QString, int> m_typeRows;  // SensorType as published -> table row
};

} // namespace gaugeloft
