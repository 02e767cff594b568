#pragma once

// Batteries: an item per power supply of type "Battery" with its charge level, voltage and
// charge or discharge rate (from power_now, or current_now × voltage_now).

#include "sources/kernel/kernelmodel.h"

#include <QByteArray>
#include <QVariant>

#include <string_view>
#include <vector>

namespace gaugeloft::sources::kernel {

// Whether a power supply's `status` text tells that it is discharging.
bool IsDischarging(std::string_view status);

class BatteryFamily {
public:
    // Closes the files of the last discovery.
    void ForgetFiles();
    // Adds the batteries among `entries`, the names in the power_supply folder `supplyDir`.
    void Discover(DiscoveryBuilder& builder, const QByteArray& supplyDir, const std::vector<QByteArray>& entries);
    void Read(SensorTable& table);

private:
    struct Battery {
        KernelFile capacity, voltage, power, current, status;
        int level = -1, volts = -1, rate = -1;
        QVariant chargeName, dischargeName;
        bool discharging = false;
    };
    std::vector<Battery> m_batteries;
};

} // namespace gaugeloft::sources::kernel
