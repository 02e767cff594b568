#include "sensors/sensornodetext.h"

#include "platform/numberformat.h"
#include "sensors/typetables.h"

namespace gaugeloft {

bool AppendSensorNodeText(QString& out, const TWMI_OHM_Sensor& reader)
{
    static const QString unknownFormat = QStringLiteral("%.1n");
    const int row = reader.SensorTypeIndex();
    const bool known = row != stData
        || reader.SensorType.compare(QLatin1String(kSensorTypes[stData].name), Qt::CaseInsensitive) == 0;
    QString format = known ? UnitFormatAt(row) : unknownFormat;
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
