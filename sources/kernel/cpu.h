#pragma once

// The CPU: one item with the load of every CPU line of /proc/stat and a clock per core, from
// cpufreq or, without it, from /proc/cpuinfo. Its hwmon chips (coretemp, k10temp) join the item.

#include "sources/kernel/kernelmodel.h"

#include <QString>

#include <cstdint>
#include <string_view>
#include <vector>

namespace gaugeloft::sources::kernel {

// One "cpu" line of /proc/stat. cpu is -1 for the total line.
struct CpuTimes {
    int cpu = -1;
    std::uint64_t busy = 0;
    std::uint64_t total = 0;
};
void ParseProcStat(std::string_view text, std::vector<CpuTimes>& out);

// The first "model name" of /proc/cpuinfo (empty when there is none).
QString ParseCpuModelName(std::string_view text);
// "processor" number → "cpu MHz" pairs of /proc/cpuinfo.
struct CpuMhz {
    int cpu = -1;
    double mhz = 0;
};
void ParseCpuMhz(std::string_view text, std::vector<CpuMhz>& out);

class CpuFamily {
public:
    CpuFamily(const QString& sysRoot, const QString& procRoot);

    // Opens /proc/stat and /proc/cpuinfo unless they are open already.
    void OpenProcFiles();
    // Closes the cpufreq files of the last discovery.
    void ForgetFiles();
    // Adds the CPU item when there are CPU lines or `cpuChips`; returns it, or -1.
    int Discover(DiscoveryBuilder& builder, bool cpuChips);
    // Reads /proc/stat: false when its CPU lines are no longer those of the discovery.
    bool ReadShape();
    // Publishes the loads of the last ReadShape and the clocks.
    void Read(SensorTable& table);

private:
    struct Clock {
        int cpu = 0;
        int slot = -1;
        KernelFile freq; // invalid: taken from /proc/cpuinfo
    };

    QString m_sys, m_proc;
    KernelFile m_statFile, m_cpuinfoFile;
    std::vector<char> m_statBuf, m_cpuinfoBuf;
    std::vector<CpuTimes> m_times;
    std::vector<CpuMhz> m_mhz;
    std::vector<int> m_cpuNumbers; // the cpu lines of /proc/stat in order (-1 = total)
    std::vector<int> m_loadSlots;  // parallel to m_cpuNumbers
    std::vector<Clock> m_clocks;
    bool m_clocksFromCpuinfo = false;
};

} // namespace gaugeloft::sources::kernel
