#pragma once

// Parsers for the /proc and sysfs text the kernel source reads. They work on borrowed
// text and reuse the caller's vectors, so a read allocates nothing once warmed up.

#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace gaugeloft::sources::kernel {

// A sysfs value: one number (integer or decimal, optional sign) with surrounding white
// space only. nullopt for empty, non-numeric or trailing text.
std::optional<double> parseNumber(std::string_view text);

// One "cpu" line of /proc/stat. cpu is -1 for the total line.
struct CpuTimes {
    int cpu = -1;
    std::uint64_t busy = 0;
    std::uint64_t total = 0;
};
void parseProcStat(std::string_view text, std::vector<CpuTimes>& out);

struct MemInfo {
    std::optional<std::uint64_t> totalKb;
    std::optional<std::uint64_t> availableKb;
};
MemInfo parseMeminfo(std::string_view text);

struct NetCounters {
    std::string_view name;
    std::uint64_t rxBytes = 0;
    std::uint64_t txBytes = 0;
};
void parseNetDev(std::string_view text, std::vector<NetCounters>& out);

struct DiskCounters {
    std::string_view name;
    std::uint64_t sectorsRead = 0;
    std::uint64_t sectorsWritten = 0;
};
void parseDiskstats(std::string_view text, std::vector<DiskCounters>& out);

struct MountEntry {
    QString device;
    QString mountPoint;
};
// Lines of /proc/mounts, with the octal escapes (\040 and friends) decoded.
std::vector<MountEntry> parseMounts(std::string_view text);

// The first "model name" of /proc/cpuinfo (empty when there is none).
QString cpuModelName(std::string_view text);
// "processor" number → "cpu MHz" pairs of /proc/cpuinfo.
struct CpuMhz {
    int cpu = -1;
    double mhz = 0;
};
void parseCpuMhz(std::string_view text, std::vector<CpuMhz>& out);

} // namespace gaugeloft::sources::kernel
