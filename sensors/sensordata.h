#pragma once

// The reading record of one hardware or sensor node of the tree.

#include <QString>

#include <cstdint>

namespace gaugeloft {

class TSensorData {
public:
    bool IsSensor = false;   // false for a hardware node
    QString Name;
    QString Identifier;      // lookup key, compared ignoring case
    QString Parent;          // Identifier of the owning hardware item
    QString TypeName;        // hardware or sensor type as the provider names it
    double Value = 0;        // latest reading, already in Fahrenheit where that applies
    double Animated = 0;     // walks toward Value, one Step per Advance
    double Step = 0;
    double Min = 0;
    double Max = 0;
    int32_t Steps = 0;       // animation steps per poll
    uint8_t TypeIndex = 0;   // row of kSensorTypes; stData for unknown names
    bool Fahrenheit = false; // temperatures print with the Fahrenheit unit
    bool SingleLine = false; // first CR LF of the format becomes one blank
    bool BareNumber = false; // "%.0n", no unit

    // Stores a reading and the step that takes Animated there in Steps steps.
    void SetValue(double x);
    // One animation step; no clamping at Value.
    void Advance();

    // x formatted by TypeIndex and the flags; TypeIndex out of range formats as stData.
    QString FormatReading(double x) const;
    QString FormatValue() const { return FormatReading(Value); }
    QString FormatMin() const { return FormatReading(Min); }
    QString FormatMax() const { return FormatReading(Max); }
};

// c * 9 / 5 + 32, in that order.
double ToFahrenheit(double celsius);

} // namespace gaugeloft
