#include "sources/kernel/kernelmachine.h"

#include <QDir>

#include <gtest/gtest.h>

#include <sys/statvfs.h>

#include <cmath>
#include <optional>
#include <utility>

using namespace gaugeloft::test;

// Whatever the files hold, a read answers and publishes only finite numbers or nulls.
TEST(KernelHwmon, BatteryChipsAreLeftToTheBatteryItem)
{
    Machine m;
    m.tree.addPowerSupply("BAT0", {{"type", "Battery\n"}, {"status", "Discharging\n"}, {"capacity", "80\n"},
                                   {"voltage_now", "12000000\n"}, {"power_now", "9000000\n"}});
    m.tree.addHwmon("hwmon3", "BAT0", "virtual/power_supply/BAT0", {{"in0_input", "12000\n"}});
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
