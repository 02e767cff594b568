#include "sources/kernel/battery.h"
#include "sources/kernel/kernelmachine.h"

#include <gtest/gtest.h>

#include <optional>

using namespace gaugeloft::test;
using gaugeloft::sources::kernel::IsDischarging;

TEST(KernelHwmon, BatteryChipsAreLeftToTheBatteryItem)
{
    Machine m;
    m.tree.AddPowerSupply("BAT0", {{"type", "Battery\n"}, {"status", "Discharging\n"}, {"capacity", "80\n"},
                                   {"voltage_now", "12000000\n"}, {"power_now", "9000000\n"}});
    m.tree.AddHwmon("hwmon3", "BAT0", "virtual/power_supply/BAT0", {{"in0_input", "12000\n"}});
    const Reading r = m.Read();
    ExpectWellFormed(r);
    int batteries = 0;
    for (const SourceInstance& hw : r.hardware) {
        EXPECT_FALSE(Prop(hw, "Identifier").toString().startsWith(QLatin1String("/hwmon/")))
            << Prop(hw, "Identifier").toString().toStdString();
        batteries += Prop(hw, "HardwareType").toString() == QLatin1String("Battery");
    }
    EXPECT_EQ(batteries, 1);
}

TEST(KernelBattery, StatusText)
{
    EXPECT_TRUE(IsDischarging("Discharging\n"));
    EXPECT_TRUE(IsDischarging("Discharging"));
    EXPECT_FALSE(IsDischarging("Charging\n"));
    EXPECT_FALSE(IsDischarging("Not charging\n"));
    EXPECT_FALSE(IsDischarging("Full\n"));
    EXPECT_FALSE(IsDischarging("Dischar"));
    EXPECT_FALSE(IsDischarging(""));
}

// Power supplies shaped as laptops' and phones' are: the level, the voltage and the rate from
// power_now or from current_now × voltage_now, named after the direction of the current.
TEST(KernelBattery, SuppliesAsTheKernelListsThem)
{
    struct Case {
        const char* what;
        QMap<QString, QByteArray> files;
        QString itemName; // empty: no item
        std::optional<double> level, volts, watts;
        QString rateName; // empty: no rate sensor
    };
    const Case cases[] = {
        {"power_now, discharging",
         {{"type", "Battery\n"}, {"model_name", "5B10W13930\n"}, {"status", "Discharging\n"}, {"capacity", "80\n"},
          {"voltage_now", "12000000\n"}, {"power_now", "9000000\n"}},
         "5B10W13930", 80, 12, 9, "Discharge Rate"},
        {"current_now times voltage_now, charging",
         {{"type", "Battery\n"}, {"status", "Charging\n"}, {"capacity", "55\n"}, {"voltage_now", "11500000\n"},
          {"current_now", "-2000000\n"}},
         "BAT0", 55, 11.5, 23, "Charge Rate"},
        {"level only", {{"type", "Battery\n"}, {"capacity", "100\n"}, {"status", "Full\n"}}, "BAT0", 100,
         std::nullopt, std::nullopt, ""},
        {"garbage in the files",
         {{"type", "Battery\n"}, {"capacity", "lots\n"}, {"voltage_now", "\n"}, {"power_now", "9 W\n"}},
         "BAT0", std::nullopt, std::nullopt, std::nullopt, "Charge Rate"},
        {"mains is not a battery", {{"type", "Mains\n"}, {"online", "1\n"}}, "", std::nullopt, std::nullopt,
         std::nullopt, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Machine m;
        m.tree.AddPowerSupply("BAT0", c.files);
        const Reading r = m.Read();
        ExpectWellFormed(r);
        if (c.itemName.isEmpty()) {
            EXPECT_TRUE(r.hardware.empty());
            continue;
        }
        EXPECT_EQ(Text(r.hardware, "/battery/BAT0", "Name"), c.itemName);
        EXPECT_EQ(Value(r, "/battery/BAT0/level/0"), c.level);
        EXPECT_EQ(Value(r, "/battery/BAT0/voltage/0"), c.volts);
        if (c.rateName.isEmpty()) {
            EXPECT_EQ(ById(r.sensors, "/battery/BAT0/power/0"), nullptr);
        } else {
            EXPECT_EQ(Text(r.sensors, "/battery/BAT0/power/0", "Name"), c.rateName);
            EXPECT_EQ(Value(r, "/battery/BAT0/power/0"), c.watts);
        }
    }
}

TEST(KernelBattery, TheRateIsRenamedWhenTheCurrentTurns)
{
    Machine m;
    m.tree.AddPowerSupply("BAT1", {{"type", "Battery\n"}, {"status", "Charging\n"}, {"power_now", "5000000\n"}});
    EXPECT_EQ(Text(m.Read().sensors, "/battery/BAT1/power/0", "Name"), "Charge Rate");
    m.tree.Write("sys/devices/virtual/power_supply/BAT1/status", "Discharging\n");
    EXPECT_EQ(Text(m.Read().sensors, "/battery/BAT1/power/0", "Name"), "Discharge Rate");
    m.tree.Write("sys/devices/virtual/power_supply/BAT1/status", "Not charging\n");
    EXPECT_EQ(Text(m.Read().sensors, "/battery/BAT1/power/0", "Name"), "Charge Rate");
}
