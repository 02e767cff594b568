#pragma once

// The provider in use: its two class readers and its refresher.

#include "sensors/ohmreaders.h"
#include "sensors/providertable.h"
#include "sensors/refresher.h"

#include <QString>

#include <array>
#include <memory>

namespace gaugeloft {

class ProviderState {
public:
    explicit ProviderState(sources::SensorSourceHub& hub);

    // Builds the readers and the refresher of a provider index (out of range means 0).
    // The index already set up changes nothing.
    void SetupProvider(int index);

    // The address of a remote provider as the user gave it; empty or refused text means the
    // provider's default. A provider in use turns to it at once.
    void SetProviderAddress(int index, const QString& address);
    // The address in effect for a provider (empty for a provider of this computer).
    QString ProviderAddress(int index) const;

    // A poll's fresh readings: through the refresher when it is in use, else a plain query.
    // The hardware step refreshes the cached enumerations; the sensor step reuses them.
    void UpdateHardware();
    void UpdateSensors();

    // The refresher path of one reader; any failure switches the refresher off and
    // re-queries the reader.
    void UpdateThroughRefresher(TWmiClass& reader, int position, bool refreshFirst);

    int CurrentProvider = -1;
    std::unique_ptr<TWMI_OHM_Hardware> HardwareReader;
    std::unique_ptr<TWMI_OHM_Sensor> SensorReader;
    std::unique_ptr<TWin32_Refresher> Refresher;
    int HardwareEnumIndex = -1;
    int SensorEnumIndex = -1;
    bool UseRefresher = false;

private:
    sources::SensorSourceHub& m_hub;
    std::array<QString, kProviderCount> m_addresses;
};

} // namespace gaugeloft
