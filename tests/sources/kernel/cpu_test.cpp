#include "sources/kernel/cpu.h"
#include "sources/kernel/kernelmachine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace gaugeloft::test;
using gaugeloft::sources::kernel::CpuMhz;
using gaugeloft::sources::kernel::CpuTimes;
using gaugeloft::sources::kernel::ParseCpuMhz;
using gaugeloft::sources::kernel::ParseCpuModelName;
using gaugeloft::sources::kernel::ParseProcStat;

// /proc/stat of real machines: the total line first (cpu -1), then one line per CPU; busy is
// everything but idle and iowait over the first eight counters.
TEST(KernelCpu, ProcStatOfRealMachines)
{
    struct Case {
        const char* what;
        std::string text;
        std::size_t lines;
        CpuTimes total, first, last;
    };
    const Case cases[] = {
        {"x86, two cores", Fixture("proc-stat-x86"), 3,
         {-1, 1452815, 3131710}, {0, 691118, 1565860}, {1, 761696, 1565848}},
        {"arm64, four cores", Fixture("proc-stat-arm64"), 5,
         {-1, 128429, 3595662}, {0, 34912, 898831}, {3, 30824, 898425}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<CpuTimes> times;
        ParseProcStat(c.text, times);
        ASSERT_EQ(times.size(), c.lines);
        for (const auto& [got, expected] : {std::pair(times.front(), c.total), std::pair(times[1], c.first),
                                            std::pair(times.back(), c.last)}) {
            EXPECT_EQ(got.cpu, expected.cpu);
            EXPECT_EQ(got.busy, expected.busy);
            EXPECT_EQ(got.total, expected.total);
        }
    }
}

TEST(KernelCpu, ProcStatTruncatedOrGarbage)
{
    struct Case {
        const char* what;
        std::string text;
        std::vector<int> cpus;
    };
    const std::string x86 = Fixture("proc-stat-x86");
    const Case cases[] = {
        {"empty", "", {}},
        {"cut inside the first cpu line", x86.substr(0, x86.find('\n') + 20), {-1}},
        {"cut after three counters", "cpu  1 2 3", {}},
        {"letters for counters", "cpu  1 2 x 4 5 6 7 8\ncpu0 1 2 3 4\n", {0}},
        {"bad cpu numbers", "cpuX 1 2 3 4\ncpu-1 1 2 3 4\ncpu7 1 2 3 4 5\n", {7}},
        {"binary noise", std::string("\0\xff\ncpu\0 1 2 3 4\n\x01\x02", 18), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<CpuTimes> times(3); // stale content is dropped
        ParseProcStat(c.text, times);
        std::vector<int> cpus;
        for (const CpuTimes& t : times)
            cpus.push_back(t.cpu);
        EXPECT_EQ(cpus, c.cpus);
    }
}

// The model name and the clocks of /proc/cpuinfo: x86 lists both per processor; arm64 lists
// neither (its model is on the "Model" line at the end, not a CPU name); 32-bit ARM names the
// core but has no clocks.
TEST(KernelCpu, CpuinfoOfRealMachines)
{
    struct Case {
        const char* what;
        std::string text;
        QString modelName;
        std::vector<std::pair<int, double>> mhz;
    };
    const Case cases[] = {
        {"x86", Fixture("proc-cpuinfo-x86"), "AMD EPYC", {{0, 2096.005}, {1, 2096.005}}},
        {"arm64 (Raspberry Pi 4)", Fixture("proc-cpuinfo-arm64"), "", {}},
        {"armv7 (Raspberry Pi 4, 32-bit)", Fixture("proc-cpuinfo-armv7"), "ARMv7 Processor rev 3 (v7l)", {}},
        {"tabs and spaces before the colon", "processor : 3\nmodel name\t \t: Some CPU  \ncpu MHz\t: 800\n",
         "Some CPU", {{3, 800}}},
        {"empty", "", "", {}},
        {"cut inside a line", "processor\t: 0\nmodel na", "", {}},
        {"clocks without a processor line", "cpu MHz\t\t: 3400.000\n", "", {}},
        {"garbage numbers", "processor\t: x\ncpu MHz\t: 1\nprocessor\t: 2\ncpu MHz\t: fast\n", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ParseCpuModelName(c.text), c.modelName);
        std::vector<CpuMhz> mhz(2);
        ParseCpuMhz(c.text, mhz);
        std::vector<std::pair<int, double>> got;
        for (const CpuMhz& e : mhz)
            got.emplace_back(e.cpu, e.mhz);
        EXPECT_EQ(got, c.mhz);
    }
}
