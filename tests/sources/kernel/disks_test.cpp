#include "sources/kernel/disks.h"
#include "sources/kernel/kernelmachine.h"

#include <QDir>

#include <gtest/gtest.h>

#include <sys/statvfs.h>

#include <cmath>
#include <optional>
#include <utility>

using namespace gaugeloft::test;

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
