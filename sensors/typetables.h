#pragma once

// The provider's hardware and sensor type names with their icon slots and unit formats.

#include <QString>
#include <QStringView>

#include <array>

namespace gaugeloft {

struct HardwareTypeRow {
    const char* name;
    int iconSlot;
};

struct SensorTypeRow {
    const char* name;
    const char* unitFormat; // pattern for FormatPattern
};

extern const std::array<HardwareTypeRow, 17> kHardwareTypes;
extern const std::array<SensorTypeRow, 16> kSensorTypes;

// Rows of kSensorTypes.
enum SensorTypeIndexes {
    stVoltage = 0,
    stClock = 1,
    stFrequency = 2,
    stTemperature = 3,
    stLoad = 4,
    stFan = 5,
    stFlow = 6,
    stControl = 7,
    stLevel = 8,
    stPower = 9,
    stData = 10,
    stSmallData = 11,
    stFactor = 12,
    stThroughput = 13,
    stEnergy = 14,
    stCurrent = 15,
};

// Name lookups ignore letter case; the first matching row wins.

// Icon slot of a hardware type; 0 when the name is unknown.
int HardwareIconIndex(QStringView typeName);
// Row of a sensor type; stData when the name is unknown.
int SensorTypeIndex(QStringView typeName);
// Unit format of a sensor type; "%.1n" with *known = false when the name is unknown.
QString UnitFormat(QStringView typeName, bool* known = nullptr);
// Unit format of a row; rows out of range give the stData format.
QString UnitFormatAt(int typeIndex);

// Animation steps per poll for an animation timer interval:
// 1000 / interval - 1, rounded half to even, at least 1.
int AnimationSteps(int intervalMs);

// Unit scaling for a reading of row `typeIndex`; returns the value to print and
// rewrites `format` when the unit changes:
//  stClock       MHz; >= 1000 prints v / 1000 with the format as given (GHz),
//                below that v as is with "%.0n MHz".
//  stThroughput  bytes/s; divided to GB, MB or KB, the sixth character of the
//                format (the 'K' of "%.1n KB/s") becomes 'G' or 'M'.
// Other rows pass through unchanged.
double ApplyUnitScaling(int typeIndex, double v, QString& format);

} // namespace gaugeloft
