#include "sources/kernel/disks.h"
#include "sources/kernel/kernelmachine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using namespace gaugeloft::test;
using gaugeloft::sources::kernel::DiskCounters;
using gaugeloft::sources::kernel::ParseDiskstats;

TEST(KernelProcParse, MountsDecodeEscapesAndSkipShortLines)
{
    using gaugeloft::sources::kernel::ParseMounts;
    struct Case {
        std::string_view text;
        std::vector<std::pair<QString, QString>> expected;
    };
    const Case cases[] = {
        {"/dev/sda1 /mnt/my\\040disk ext4 rw 0 0\n", {{"/dev/sda1", "/mnt/my disk"}}},
        {"/dev/sdb1 /a\\011b\\134c\\012 vfat rw 0 0", {{"/dev/sdb1", "/a\tb\\c\n"}}},
        {"/dev/sdc1 /bad\\9x\\04 ext4\n\n/dev/sdd\n", {{"/dev/sdc1", "/bad\\9x\\04"}}},
        {"/dev/nvme0n1p2 /\n   \nproc /proc proc rw 0 0\n", {{"/dev/nvme0n1p2", "/"}, {"proc", "/proc"}}},
        {"", {}},
    };
    for (const Case& c : cases) {
        std::vector<std::pair<QString, QString>> got;
        for (const auto& m : ParseMounts(c.text))
            got.emplace_back(m.device, m.mountPoint);
        EXPECT_EQ(got, c.expected) << c.text;
    }
}

TEST(KernelDisks, DiskstatsOfARealMachineAndBrokenOnes)
{
    using Row = std::tuple<std::string, std::uint64_t, std::uint64_t>; // name, sectors read, written
    struct Case {
        const char* what;
        std::string text;
        std::size_t lines;
        Row vda;
    };
    const std::string real = Fixture("proc-diskstats");
    const Case cases[] = {
        {"real", real, 10, {"vda", 14579570, 76964264}},
        {"cut after the sectors written", real.substr(0, real.find("76964264") + 8), 9, {"vda", 14579570, 76964264}},
        {"cut before the sectors written", real.substr(0, real.find("76964264")), 8, {}},
        {"old kernel, eleven counters", "   8       0 sda 1 2 3 4 5 6 7 8 9 10 11\n", 1, {}},
        {"letters for counters", "   8       0 sda 1 2 x 4 5 6 7\n", 0, {}},
        {"no counters", " 254 0 vda\n", 0, {}},
        {"empty", "", 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<DiskCounters> disks(2);
        ParseDiskstats(c.text, disks);
        EXPECT_EQ(disks.size(), c.lines);
        Row vda;
        for (const DiskCounters& d : disks) {
            if (d.name == "vda")
                vda = {std::string(d.name), d.sectorsRead, d.sectorsWritten};
        }
        EXPECT_EQ(vda, c.vda);
    }
}

TEST(KernelDisks, MountsOfARealMachine)
{
    using gaugeloft::sources::kernel::ParseMounts;
    const std::string real = Fixture("proc-self-mounts");
    const auto mounts = ParseMounts(real);
    ASSERT_EQ(mounts.size(), std::size_t(19));
    EXPECT_EQ(mounts[0].device, "proc");
    EXPECT_EQ(mounts[0].mountPoint, "/proc");
    EXPECT_EQ(mounts[5].device, "/dev/vda");
    EXPECT_EQ(mounts[5].mountPoint, "/");
    EXPECT_EQ(mounts.back().device, "cgroup2");
    EXPECT_EQ(mounts.back().mountPoint, "/sys/fs/cgroup/unified");
    // Cut inside the device of the last line: that line has no mount point and is left out.
    const auto cut = ParseMounts(real.substr(0, real.rfind("\ncgroup2 ") + 5));
    EXPECT_EQ(cut.size(), std::size_t(18));
}
