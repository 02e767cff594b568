#include "sensors/sensornodetext.h"

#include "sensors/numberformat.h"
#include "sensors/typetables.h"

#include <array>

namespace gaugeloft {

namespace {

// The unit formats as QStrings, made once, so a poll copies them without allocating.
const std::array<QString, 16>& UnitFormats()
{
    static const std::array<QString, 16> formats = [] {
        std::array<QString, 16> result;
        for (size_t i = 0; i < result.size(); ++i)
            result[i] = QString::fromLatin1(kSensorTypes[i].unitFormat);
        return result;
    }();
    return formats;
}

} // namespace

bool AppendSensorNodeText(QString& out, const TWMI_OHM_Sensor& reader)
{
    static const QString unknownFormat = QStringLiteral("%.1n");
    const int row = reader.SensorTypeIndex();
    const bool known = row != stData
        || reader.SensorType.compare(QLatin1String(kSensorTypes[stData].name), Qt::CaseInsensitive) == 0;
    QString format = known ? UnitFormats()[static_cast<size_t>(row)] : unknownFormat;
    double value = reader.Value;
    if (known)
        value = ApplyUnitScaling(row, value, format);
    out += reader.Name;
    out += QLatin1String(": ");
    AppendPattern(out, format, value);
    return known;
}

QString UnknownSensorTypeMessage(const QString& typeName)
{
    return QStringLiteral("Unknown sensor type: ") + typeName;
}

} // namespace gaugeloft
