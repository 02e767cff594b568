#pragma once

// Libre Hardware Monitor's remote web server answers /data.json with its sensor tree: nodes of
// "id", "Text", "Min", "Value", "Max", "ImageURL" and "Children" (root, computer, hardware,
// sensor groups, sensors). Newer servers add "HardwareId" to hardware and "SensorId", "Type"
// and the numbers "RawMin", "RawValue", "RawMax" to sensors; older ones give only texts in the
// server's locale ("45,3 °C", "1.234 RPM", "3,6 GHz"). This reads both generations into the
// Hardware and Sensor instances every source publishes, in the provider's conventions:
// clocks in MHz, throughput in bytes per second, data in GB, small data in MB, °C.

#include "sources/sensorsource.h"

#include <QByteArray>
#include <QStringView>

#include <optional>

namespace gaugeloft::sources {

// Bounds that keep a hostile document cheap: larger documents, deeper trees or more nodes are
// refused as a whole.
inline constexpr qsizetype kLhmMostBytes = 16 * 1024 * 1024;
inline constexpr int kLhmMostDepth = 32;
inline constexpr int kLhmMostNodes = 100000;

// Reads a data.json document; false, and `out` empty, when it is not one.
bool ReadLhmDocument(const QByteArray& json, SensorDocument& out);

// A number as the server formatted it, its unit stripped: "45,3 °C" → 45.3, "1.234 RPM" →
// 1234 (a unit without decimals has only thousands separators), "1,234.5 W" → 1234.5.
std::optional<double> ParseLocalizedNumber(QStringView text);

// The reading in the provider's unit for a sensor type, from a text with its own unit
// ("3,6 GHz" as a clock → 3600, "1,5 MB/s" as throughput → 1572864, "113,0 °F" → 45).
std::optional<double> ParseLhmReading(QStringView text, QStringView sensorType);

} // namespace gaugeloft::sources
