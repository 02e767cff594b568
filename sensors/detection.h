#pragma once

// Building the hardware tree from the provider's readers, and refreshing its readings.

#include "sensors/hardwaretree.h"
#include "sensors/ohmreaders.h"

#include <functional>

namespace gaugeloft {

struct DetectionContext {
    int animationSteps = 1;  // Steps of every record made
    // Whether a dashboard tile shows the sensor of this identifier.
    std::function<bool(const QString& identifier)> hasTile;
    // Receives "Unknown sensor type: ..." for the window caption.
    std::function<void(const QString& message)> caption;
};

// Throws the tree away and builds it anew: re-queries both readers, adds the hardware under
// type groups, moves items below their parents, drops empty groups, adds the sensors under
// type groups of their hardware and sorts every level.
void DetectTree(HardwareTree& tree, TWMI_OHM_Hardware& hardware, TWMI_OHM_Sensor& sensors,
                const DetectionContext& context);

// Copies the sensor reader's instances into the records of their nodes and rewrites the
// node texts. Temperatures are stored in Fahrenheit when `showFahrenheit` is on; the texts
// stay in Celsius. Nodes whose text did not change are left alone.
void RefreshTreeReadings(HardwareTree& tree, TWMI_OHM_Sensor& sensors, bool showFahrenheit,
                         const std::function<void(const QString& message)>& caption);

} // namespace gaugeloft
