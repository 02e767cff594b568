#include "sensors/typetables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace gaugeloft;

namespace {

TEST(TypeTables, HardwareIconSlots)
{
    const struct {
        const char* name;
        int slot;
    } cases[] = {
        {"Mainboard", 1}, {"Aquacomputer", 13}, {"SuperIO", 2}, {"CPU", 6},
        {"GpuNvidia", 3}, {"GpuAti", 3}, {"RAM", 5}, {"TBalancer", 13},
        {"Heatmaster", 13}, {"HDD", 4}, {"Network", 11}, {"Motherboard", 1},
        {"Memory", 5}, {"Storage", 4}, {"GpuAmd", 3}, {"Psu", 12}, {"Battery", 12},
        {"cpu", 6}, {"MOTHERBOARD", 1}, {"gpuamd", 3}, {"pSU", 12},
        {"", 0}, {"Cpu0", 0}, {" CPU", 0}, {"Gpu", 0}, {"EmbeddedController", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HardwareIconIndex(QString::fromLatin1(c.name)), c.slot) << c.name;
}

TEST(TypeTables, SensorRowsAndUnits)
{
    const struct {
        const char* name;
        int row;
        const char* format; // nullptr: unknown name
    } cases[] = {
        {"Voltage", stVoltage, "%.3n V"},
        {"Clock", stClock, "%.2n GHz"},
        {"Frequency", stFrequency, "%.0n Hz"},
        {"Temperature", stTemperature, "%.1n 'C"},
        {"Load", stLoad, "%.0n%%"},
        {"Fan", stFan, "%.0n RPM"},
        {"Flow", stFlow, "%.1n L/h"},
        {"Control", stControl, "%.0n%%"},
        {"Level", stLevel, "%.0n%%"},
        {"Power", stPower, "%.1n W"},
        {"Data", stData, "%.1n GB"},
        {"SmallData", stSmallData, "%.1n MB"},
        {"Factor", stFactor, "%.3n"},
        {"Throughput", stThroughput, "%.1n KB/s"},
        {"Energy", stEnergy, "%.0n mWh"},
        {"Current", stCurrent, "%.3n A"},
        {"temperature", stTemperature, "%.1n 'C"},
        {"THROUGHPUT", stThroughput, "%.1n KB/s"},
        {"smalldata", stSmallData, "%.1n MB"},
        {"Noise", stData, nullptr},
        {"", stData, nullptr},
        {"Temp", stData, nullptr},
        {"Temperatures", stData, nullptr},
    };
    for (const auto& c : cases) {
        const QString name = QString::fromLatin1(c.name);
        EXPECT_EQ(SensorTypeIndex(name), c.row) << c.name;
        bool known = c.format == nullptr; // must be overwritten
        EXPECT_EQ(UnitFormat(name, &known), QLatin1String(c.format ? c.format : "%.1n")) << c.name;
        EXPECT_EQ(known, c.format != nullptr) << c.name;
        EXPECT_EQ(UnitFormat(name), QLatin1String(c.format ? c.format : "%.1n")) << c.name;
    }
    EXPECT_EQ(UnitFormatAt(stClock), QStringLiteral("%.2n GHz"));
    EXPECT_EQ(UnitFormatAt(16), QStringLiteral("%.1n GB"));
    EXPECT_EQ(UnitFormatAt(-1), QStringLiteral("%.1n GB"));
}

TEST(TypeTables, AnimationSteps)
{
    const struct {
        int interval;
        int steps;
    } cases[] = {
        {200, 4}, {100, 9}, {40, 24},
        {400, 2},   // 1.5 -> 2
        {80, 12},   // 11.5 -> 12
        {16, 62},   // 61.5 -> 62
        {300, 2},   // 2.33
        {1, 999},
        {0, 1}, {-40, 1}, {1000, 1}, {5000, 1},
        {std::numeric_limits<int>::max(), 1}, {std::numeric_limits<int>::min(), 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AnimationSteps(c.interval), c.steps) << c.interval;
}

TEST(TypeTables, UnitScaling)
{
    const struct {
        int row;
        double in;
        const char* format;
        double out;
        const char* scaledFormat;
    } cases[] = {
        {stClock, 999.6, "%.2n GHz", 999.6, "%.0n MHz"},
        {stClock, 1000, "%.2n GHz", 1, "%.2n GHz"},
        {stClock, 3600, "%.2n GHz", 3.6, "%.2n GHz"},
        {stClock, -5, "%.2n GHz", -5, "%.0n MHz"},
        {stThroughput, 500, "%.1n KB/s", 500.0 / 1024, "%.1n KB/s"},
        {stThroughput, 1048575, "%.1n KB/s", 1048575.0 / 1024, "%.1n KB/s"},
        {stThroughput, 1048576, "%.1n KB/s", 1, "%.1n MB/s"},
        {stThroughput, 1073741823, "%.1n KB/s", 1073741823.0 / 1048576, "%.1n MB/s"},
        {stThroughput, 1073741824, "%.1n KB/s", 1, "%.1n GB/s"},
        {stThroughput, 3 * 1073741824.0, "x%.2nKiB/s", 3, "x%.2nGiB/s"}, // the sixth character
        {stThroughput, 1048576, "%.1n", 1, "%.1n"},                      // too short to rewrite
        {stTemperature, 45.25, "%.1n 'C", 45.25, "%.1n 'C"},
        {stData, 5000, "%.1n GB", 5000, "%.1n GB"},
        {99, 5000, "%.1n", 5000, "%.1n"},
    };
    for (const auto& c : cases) {
        QString format = QString::fromLatin1(c.format);
        EXPECT_DOUBLE_EQ(ApplyUnitScaling(c.row, c.in, format), c.out) << c.row << ' ' << c.in;
        EXPECT_EQ(format, QLatin1String(c.scaledFormat)) << c.row << ' ' << c.in;
    }
}

} // namespace
