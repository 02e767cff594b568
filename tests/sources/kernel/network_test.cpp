#include "sources/kernel/kernelmachine.h"
#include "sources/kernel/network.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

using namespace gaugeloft::test;
using gaugeloft::sources::kernel::NetCounters;
using gaugeloft::sources::kernel::ParseNetDev;

TEST(KernelNetwork, NetDevOfARealMachineAndBrokenOnes)
{
    using Row = std::tuple<std::string, std::uint64_t, std::uint64_t>; // name, received, sent
    struct Case {
        const char* what;
        std::string text;
        std::vector<Row> interfaces;
    };
    const std::string real = Fixture("proc-net-dev");
    const Case cases[] = {
        {"real",
         real,
         {{"lo", 218231075, 218231075}, {"ifb0", 0, 0}, {"ifb1", 0, 0}, {"eth0", 55270780, 194215}}},
        {"cut inside the last line", real.substr(0, real.find("194215")), {{"lo", 218231075, 218231075}, {"ifb0", 0, 0}, {"ifb1", 0, 0}}},
        {"headers only", real.substr(0, real.find("lo:")), {}},
        {"no space after the colon", "eth1:100 1 0 0 0 0 0 0 200 2 0 0 0 0 0 0\n", {{"eth1", 100, 200}}},
        {"letters for counters", "eth2: 1 2 3 4 5 6 7 8 x 10\n", {}},
        {"no name", ": 1 2 3 4 5 6 7 8 9 10\n", {}},
        {"empty", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<NetCounters> counters(1);
        ParseNetDev(c.text, counters);
        std::vector<Row> got;
        for (const NetCounters& n : counters)
            got.emplace_back(std::string(n.name), n.rxBytes, n.txBytes);
        EXPECT_EQ(got, c.interfaces);
    }
}
