#include "sources/kernel/hotplugwatch.h"

#include <gtest/gtest.h>

#include <string>

namespace gaugeloft::sources {
namespace {

TEST(HotplugWatch, OnlyHardwareThatCameOrWentCounts)
{
    using namespace std::string_literals;
    const struct {
        std::string message;
        bool changes;
    } cases[] = {
        {"add@/devices/platform/nct6775.656/hwmon/hwmon3\0ACTION=add\0SUBSYSTEM=hwmon\0SEQNUM=7\0"s, true},
        {"remove@/devices/virtual/net/wg0\0ACTION=remove\0SUBSYSTEM=net\0"s, true},
        {"add@/devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb\0ACTION=add\0SUBSYSTEM=block\0"s, true},
        {"move@/devices/virtual/net/eth1\0ACTION=move\0SUBSYSTEM=net\0DEVPATH_OLD=/devices/virtual/net/eth0\0"s, true},
        {"add@/devices/LNXSYSTM:00/ACPI0003:00/power_supply/AC\0SUBSYSTEM=power_supply\0"s, true},
        // a battery's periodic news is not new hardware
        {"change@/devices/LNXSYSTM:00/PNP0C0A:00/power_supply/BAT0\0ACTION=change\0SUBSYSTEM=power_supply\0"s, false},
        {"add@/devices/pci0000:00/0000:00:14.0/usb1/1-2\0ACTION=add\0SUBSYSTEM=usb\0"s, false},
        {"bind@/devices/platform/nct6775.656\0ACTION=bind\0SUBSYSTEM=platform\0"s, false},
        // udev's rebroadcasts and garbage
        {"libudev\0\xfe\xed\xca\xfe"s, false},
        {"add@/devices/x"s, false},
        {"add@/devices/x\0SUBSYSTEM"s, false},
        {""s, false},
        {"\0\0\0"s, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UeventChangesHardware(c.message.data(), c.message.size()), c.changes) << c.message;
}

TEST(HotplugWatch, AskingNeverBlocks)
{
    HotplugWatch watch;  // may be refused (a container without netlink): then it says so
    if (!watch.Listening())
        GTEST_SKIP() << "no uevent socket here";
    // a non-blocking socket: with nothing queued both calls return at once (a hang fails)
    watch.Changed();
    watch.Changed();
    SUCCEED();
}

} // namespace
} // namespace gaugeloft::sources
