#pragma once

// The tree text of a sensor: its name, ": " and its reading with the unit of its type,
// built from the sensor reader's current instance. Temperatures always show in Celsius.

#include "sensors/ohmreaders.h"

#include <QString>

namespace gaugeloft {

// Appends the text to `out`. Returns false when the sensor type is not a known one (the
// reading then shows without a unit).
bool AppendSensorNodeText(QString& out, const TWMI_OHM_Sensor& reader);

// The message a window caption shows for a sensor type it does not know.
QString UnknownSensorTypeMessage(const QString& typeName);

} // namespace gaugeloft
