#include "sensors/sensordata.h"

#include "platform/numberformat.h"
#include "sensors/typetables.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <cfloat>
#include <limits>

using namespace gaugeloft;

namespace {

class SensorData : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved = NumberLocale::Current();
        NumberLocale::SetCurrent(NumberLocale::FromQLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
    }
    void TearDown() override { NumberLocale::SetCurrent(saved); }

    NumberLocale saved;
};

enum Flags { None = 0, F = 1, Single = 2, Bare = 4 };

TEST_F(SensorData, FormatReading)
{
    const struct {
        int type;
        int flags;
        double x;
        const char* expected;
    } cases[] = {
        {stVoltage, None, 1.2345, "1.235 V"},
        {stClock, None, 999.6, "1,000 MHz"},
        {stClock, None, 999.4, "999 MHz"},
        {stClock, None, 1000, "1.00 GHz"},
        {stClock, None, 3600, "3.60 GHz"},
        {stClock, None, 9999.5, "10.00 GHz"},
        {stClock, Bare, 3600, "4"},
        {stClock, Bare, 800, "800"},
        {stClock, F, 3600, "3.60 GHz"},
        {stFrequency, None, 59.5, "60 Hz"},
        {stTemperature, None, 45.25, "45.3 'C"},
        {stTemperature, F, 113.45, "113 'F"},
        {stTemperature, F | Bare, 113.5, "114"},
        {stTemperature, Single, 45.25, "45.3 'C"},
        {stTemperature, None, -12.34, "-12.3 'C"},
        {stLoad, None, 57.5, "58%"},
        {stLoad, F, 57.5, "58%"},
        {stFan, None, 1234.5, "1,235 RPM"},
        {stFan, Bare, 1234.5, "1,235"},
        {stFlow, None, 80.04, "80.0 L/h"},
        {stControl, None, 0.4, "0%"},
        {stLevel, None, 100, "100%"},
        {stPower, None, 65.25, "65.3 W"},
        {stData, None, 12.34, "12.3 GB"},
        {stSmallData, None, 4096, "4,096.0 MB"},
        {stFactor, None, 1.0005, "1.001"},
        {stThroughput, None, 1048575, "1,024.0 KB/s"},
        {stThroughput, None, 1048576, "1.0 MB/s"},
        {stThroughput, None, 1073741824, "1.0 GB/s"},
        {stThroughput, None, 500, "0.5 KB/s"},
        {stThroughput, None, 0, "0.0 KB/s"},
        {stThroughput, None, 5.5 * 1073741824 * 1024, "5,632.0 GB/s"},
        {stThroughput, Bare, 1048576 * 2.5, "3"},
        {stEnergy, None, 51234, "51,234 mWh"},
        {stCurrent, None, -0.0004, "0.000 A"},
        // unknown sensor types carry row 10
        {stData, None, 7, "7.0 GB"},
        {16, None, 7, "7.0 GB"},
        {255, None, 7, "7.0 GB"},
    };
    for (const auto& c : cases) {
        TSensorData d;
        d.TypeIndex = uint8_t(c.type);
        d.Fahrenheit = c.flags & F;
        d.SingleLine = c.flags & Single;
        d.BareNumber = c.flags & Bare;
        EXPECT_EQ(d.FormatReading(c.x).toStdString(), c.expected) << "type " << c.type << " flags " << c.flags << " x " << c.x;
    }
}

TEST_F(SensorData, ValueMinMaxFormatTheirOwnField)
{
    TSensorData d;
    d.TypeIndex = stTemperature;
    d.SetValue(45.25);
    d.Min = 30.04;
    d.Max = 80.06;
    EXPECT_EQ(d.FormatValue(), QStringLiteral("45.3 'C"));
    EXPECT_EQ(d.FormatMin(), QStringLiteral("30.0 'C"));
    EXPECT_EQ(d.FormatMax(), QStringLiteral("80.1 'C"));
}

TEST_F(SensorData, GarbageNeverBreaksTheText)
{
    const double values[] = {
        std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(), 1e308, -1e308, DBL_MAX, -DBL_MAX,
        DBL_MIN, 5e-324, -5e-324, -0.0, 0.0, 1073741823.9999999, 999.9999999,
    };
    TSensorData d;
    for (int type = 0; type < 256; ++type) {
        d.TypeIndex = uint8_t(type);
        for (int flags = 0; flags < 8; ++flags) {
            d.Fahrenheit = flags & F;
            d.SingleLine = flags & Single;
            d.BareNumber = flags & Bare;
            for (double x : values) {
                const QString text = d.FormatReading(x);
                ASSERT_FALSE(text.isEmpty());
                ASSERT_TRUE(text[0].isDigit() || (text[0] == u'-' && text.size() > 1 && text[1].isDigit()))
                    << text.toStdString();
                ASSERT_FALSE(text.contains(QLatin1String("nan"), Qt::CaseInsensitive)) << text.toStdString();
                ASSERT_FALSE(text.contains(QLatin1String("inf"), Qt::CaseInsensitive)) << text.toStdString();
                ASSERT_FALSE(text.startsWith(QLatin1String("-0"))) << text.toStdString();
                if (d.BareNumber) {
                    ASSERT_FALSE(text.contains(u'.')) << text.toStdString();
                }
            }
        }
    }
}

TEST(SensorDataAnimation, SetValueAndAdvance)
{
    TSensorData d;
    d.Steps = 4;
    d.SetValue(40);
    EXPECT_EQ(d.Value, 40);
    EXPECT_EQ(d.Step, 10);
    EXPECT_EQ(d.Animated, 0);
    const double walk[] = {10, 20, 30, 40, 50}; // no clamping after the last step
    for (double expected : walk) {
        d.Advance();
        EXPECT_EQ(d.Animated, expected);
    }
    d.SetValue(30); // from 50 down to 30
    EXPECT_EQ(d.Step, -5);
    EXPECT_EQ(d.Value, 30);
    EXPECT_EQ(d.Steps, 4);
}

TEST(SensorDataAnimation, StepsBelowOne)
{
    for (int32_t steps : {0, -3}) {
        TSensorData d;
        d.Steps = steps;
        d.Animated = 2;
        d.SetValue(12);
        EXPECT_EQ(d.Step, 10) << steps;
        d.Advance();
        EXPECT_EQ(d.Steps, 1) << steps;
        EXPECT_EQ(d.Animated, 12) << steps;
    }
}

TEST(SensorDataAnimation, ToFahrenheit)
{
    EXPECT_EQ(ToFahrenheit(0), 32);
    EXPECT_EQ(ToFahrenheit(100), 212);
    EXPECT_EQ(ToFahrenheit(-40), -40);
    EXPECT_EQ(ToFahrenheit(45.25), 113.45);
    // c * 1.8 + 32 and c / 5 * 9 + 32 give 33.224000000000004 here
    EXPECT_EQ(ToFahrenheit(0.68), 33.224);
}

} // namespace
