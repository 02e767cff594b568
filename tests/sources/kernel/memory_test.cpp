#include "sources/kernel/kernelmachine.h"
#include "sources/kernel/memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

using namespace gaugeloft::test;
using gaugeloft::sources::kernel::MemInfo;
using gaugeloft::sources::kernel::ParseMeminfo;

TEST(KernelMemory, MeminfoOfARealMachineAndBrokenOnes)
{
    struct Case {
        const char* what;
        std::string text;
        std::optional<std::uint64_t> totalKb, availableKb;
    };
    const std::string real = Fixture("proc-meminfo");
    const Case cases[] = {
        {"real", real, 24683676, 23114116},
        {"cut after the total", real.substr(0, real.find("MemFree")), 24683676, std::nullopt},
        {"cut inside the total", real.substr(0, 12), std::nullopt, std::nullopt},
        {"an old kernel without MemAvailable", "MemTotal: 1024 kB\nMemFree: 512 kB\n", 1024, std::nullopt},
        {"letters for numbers", "MemTotal: lots kB\nMemAvailable: 12 kB\n", std::nullopt, 12},
        {"empty", "", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const MemInfo info = ParseMeminfo(c.text);
        EXPECT_EQ(info.totalKb, c.totalKb);
        EXPECT_EQ(info.availableKb, c.availableKb);
    }
}
