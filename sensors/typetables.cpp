#include "sensors/typetables.h"

#include <QLatin1String>

#include <cmath>

namespace gaugeloft {

constexpr std::array<HardwareTypeRow, 17> kHardwareTypes = {{
    {"Mainboard", 1},
    {"Aquacomputer", 13},
    {"SuperIO", 2},
    {"CPU", 6},
    {"GpuNvidia", 3},
    {"GpuAti", 3},
    {"RAM", 5},
    {"TBalancer", 13},
    {"Heatmaster", 13},
    {"HDD", 4},
    {"Network", 11},
    {"Motherboard", 1},
    {"Memory", 5},
    {"Storage", 4},
    {"GpuAmd", 3},
    {"Psu", 12},
    {"Battery", 12},
}};

constexpr std::array<SensorTypeRow, 16> kSensorTypes = {{
    {"Voltage", "%.3n V"},
    {"Clock", "%.2n GHz"},
    {"Frequency", "%.0n Hz"},
    {"Temperature", "%.1n 'C"},
    {"Load", "%.0n%%"},
    {"Fan", "%.0n RPM"},
    {"Flow", "%.1n L/h"},
    {"Control", "%.0n%%"},
    {"Level", "%.0n%%"},
    {"Power", "%.1n W"},
    {"Data", "%.1n GB"},
    {"SmallData", "%.1n MB"},
    {"Factor", "%.3n"},
    {"Throughput", "%.1n KB/s"},
    {"Energy", "%.0n mWh"},
    {"Current", "%.3n A"},
}};

namespace {

// The unit formats as shared QStrings, so handing one out copies no characters.
const std::array<QString, 16>& unitFormats()
{
    static const std::array<QString, 16> formats = [] {
        std::array<QString, 16> f;
        for (std::size_t i = 0; i < f.size(); ++i)
            f[i] = QString::fromLatin1(kSensorTypes[i].unitFormat);
        return f;
    }();
    return formats;
}

bool sameName(QStringView typeName, const char* name)
{
    return typeName.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

int sensorRow(QStringView typeName)
{
    for (std::size_t i = 0; i < kSensorTypes.size(); ++i) {
        if (sameName(typeName, kSensorTypes[i].name))
            return int(i);
    }
    return -1;
}

} // namespace

int HardwareIconIndex(QStringView typeName)
{
    for (const HardwareTypeRow& row : kHardwareTypes) {
        if (sameName(typeName, row.name))
            return row.iconSlot;
    }
    return 0;
}

int SensorTypeIndex(QStringView typeName)
{
    const int row = sensorRow(typeName);
    return row < 0 ? stData : row;
}

QString UnitFormat(QStringView typeName, bool* known)
{
    const int row = sensorRow(typeName);
    if (known)
        *known = row >= 0;
    if (row < 0)
        return QStringLiteral("%.1n");
    return unitFormats()[row];
}

QString UnitFormatAt(int typeIndex)
{
    if (typeIndex < 0 || typeIndex >= int(kSensorTypes.size()))
        typeIndex = stData;
    return unitFormats()[typeIndex];
}

int AnimationSteps(int intervalMs)
{
    if (intervalMs <= 0)
        return 1;
    const double x = 1000.0 / intervalMs - 1;
    double r = std::floor(x);
    const double frac = x - r;
    if (frac > 0.5 || (frac == 0.5 && std::fmod(r, 2.0) != 0))
        r += 1;
    return r < 1 ? 1 : int(r);
}

double ApplyUnitScaling(int typeIndex, double v, QString& format)
{
    if (typeIndex == stClock) {
        if (v >= 1000)
            return v / 1000;
        format = QStringLiteral("%.0n MHz");
        return v;
    }
    if (typeIndex == stThroughput) {
        constexpr double kGiB = 1073741824.0;
        constexpr double kMiB = 1048576.0;
        QChar unit;
        if (v >= kGiB) {
            unit = QLatin1Char('G');
            v /= kGiB;
        } else if (v >= kMiB) {
            unit = QLatin1Char('M');
            v /= kMiB;
        } else {
            return v / 1024;
        }
        // The table's own format is swapped for a literal, which saves a copy.
        if (format == unitFormats()[stThroughput])
            format = unit == u'G' ? QStringLiteral("%.1n GB/s") : QStringLiteral("%.1n MB/s");
        else if (format.size() > 5)
            format[5] = unit;
        return v;
    }
    return v;
}

} // namespace gaugeloft
