#include "sensors/sensordata.h"

#include "platform/numberformat.h"
#include "sensors/typetables.h"

namespace gaugeloft {

void TSensorData::SetValue(double x)
{
    Step = (x - Animated) / (Steps < 1 ? 1 : Steps);
    Value = x;
}

void TSensorData::Advance()
{
    if (Steps < 1)
        Steps = 1;
    Animated += Step;
}

QString TSensorData::FormatReading(double x) const
{
    const int row = TypeIndex < kSensorTypes.size() ? int(TypeIndex) : int(stData);
    QString fmt = UnitFormatAt(row);
    const double v = ApplyUnitScaling(row, x, fmt);
    if (row == stTemperature && Fahrenheit)
        fmt = QStringLiteral("%.0n 'F");
    if (SingleLine) {
        const qsizetype crlf = fmt.indexOf(QLatin1String("\r\n"));
        if (crlf >= 0)
            fmt.replace(crlf, 2, QLatin1Char(' '));
    }
    if (BareNumber)
        fmt = QStringLiteral("%.0n");
    return FormatPattern(fmt, v);
}

double ToFahrenheit(double celsius)
{
    return celsius * 9 / 5 + 32;
}

} // namespace gaugeloft
