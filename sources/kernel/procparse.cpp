#include "sources/kernel/procparse.h"

#include <charconv>

namespace gaugeloft::sources::kernel {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

// Splits off the next line (without its '\n').
bool nextLine(std::string_view& text, std::string_view& line)
{
    if (text.empty())
        return false;
    const auto end = text.find('\n');
    if (end == std::string_view::npos) {
        line = text;
        text = {};
    } else {
        line = text.substr(0, end);
        text.remove_prefix(end + 1);
    }
    return true;
}

// Splits off the next white-space separated field.
bool nextField(std::string_view& line, std::string_view& field)
{
    while (!line.empty() && isSpace(line.front()))
        line.remove_prefix(1);
    if (line.empty())
        return false;
    std::size_t n = 0;
    while (n < line.size() && !isSpace(line[n]))
        ++n;
    field = line.substr(0, n);
    line.remove_prefix(n);
    return true;
}

bool toU64(std::string_view field, std::uint64_t& value)
{
    const char* end = field.data() + field.size();
    const auto result = std::from_chars(field.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
}

bool nextU64(std::string_view& line, std::uint64_t& value)
{
    std::string_view field;
    return nextField(line, field) && toU64(field, value);
}

bool startsWith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

// "key<spaces/tabs>: value" → value, for /proc/cpuinfo.
bool cpuinfoValue(std::string_view line, std::string_view key, std::string_view& value)
{
    if (!startsWith(line, key))
        return false;
    std::string_view rest = line.substr(key.size());
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
        rest.remove_prefix(1);
    if (rest.empty() || rest.front() != ':')
        return false;
    value = trim(rest.substr(1));
    return true;
}

} // namespace

std::optional<double> parseNumber(std::string_view text)
{
    text = trim(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    double value = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    return value;
}

void parseProcStat(std::string_view text, std::vector<CpuTimes>& out)
{
    out.clear();
    std::string_view line;
    while (nextLine(text, line)) {
        if (!startsWith(line, "cpu"))
            continue;
        std::string_view label;
        if (!nextField(line, label))
            continue;
        CpuTimes times;
        if (label.size() > 3) {
            int cpu = -1;
            const char* end = label.data() + label.size();
            const auto r = std::from_chars(label.data() + 3, end, cpu);
            if (r.ec != std::errc() || r.ptr != end || cpu < 0)
                continue;
            times.cpu = cpu;
        }
        // user nice system idle iowait irq softirq steal (guest time is already in user)
        std::uint64_t field[8] = {};
        int count = 0;
        bool bad = false;
        for (; count < 8; ++count) {
            std::string_view f;
            if (!nextField(line, f))
                break;
            if (!toU64(f, field[count])) {
                bad = true;
                break;
            }
        }
        if (bad || count < 4)
            continue;
        std::uint64_t total = 0;
        for (std::uint64_t v : field)
            total += v;
        const std::uint64_t idle = field[3] + field[4];
        times.total = total;
        times.busy = total >= idle ? total - idle : 0;
        out.push_back(times);
    }
}

MemInfo parseMeminfo(std::string_view text)
{
    MemInfo info;
    std::string_view line;
    while (nextLine(text, line)) {
        std::optional<std::uint64_t>* target = nullptr;
        if (startsWith(line, "MemTotal:"))
            target = &info.totalKb;
        else if (startsWith(line, "MemAvailable:"))
            target = &info.availableKb;
        else
            continue;
        line.remove_prefix(line.find(':') + 1);
        std::uint64_t value = 0;
        if (nextU64(line, value))
            *target = value;
        if (info.totalKb && info.availableKb)
            break;
    }
    return info;
}

void parseNetDev(std::string_view text, std::vector<NetCounters>& out)
{
    out.clear();
    std::string_view line;
    while (nextLine(text, line)) {
        const auto colon = line.find(':');
        if (colon == std::string_view::npos)
            continue; // the two header lines
        NetCounters counters;
        counters.name = trim(line.substr(0, colon));
        if (counters.name.empty())
            continue;
        std::string_view rest = line.substr(colon + 1);
        std::uint64_t field[9] = {};
        bool ok = true;
        for (auto& f : field) {
            if (!nextU64(rest, f)) {
                ok = false;
                break;
            }
        }
        if (!ok)
            continue;
        counters.rxBytes = field[0];
        counters.txBytes = field[8];
        out.push_back(counters);
    }
}

void parseDiskstats(std::string_view text, std::vector<DiskCounters>& out)
{
    out.clear();
    std::string_view line;
    while (nextLine(text, line)) {
        std::string_view major, minor;
        DiskCounters counters;
        if (!nextField(line, major) || !nextField(line, minor) || !nextField(line, counters.name))
            continue;
        std::uint64_t field[7] = {};
        bool ok = true;
        for (auto& f : field) {
            if (!nextU64(line, f)) {
                ok = false;
                break;
            }
        }
        if (!ok)
            continue;
        counters.sectorsRead = field[2];
        counters.sectorsWritten = field[6];
        out.push_back(counters);
    }
}

namespace {
QString unescapeMountField(std::string_view field)
{
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(field.size()));
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                bytes.append(static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0')));
                i += 3;
                continue;
            }
        }
        bytes.append(field[i]);
    }
    return QString::fromUtf8(bytes);
}
} // namespace

std::vector<MountEntry> parseMounts(std::string_view text)
{
    std::vector<MountEntry> mounts;
    std::string_view line;
    while (nextLine(text, line)) {
        std::string_view device, mountPoint;
        if (!nextField(line, device) || !nextField(line, mountPoint))
            continue;
        mounts.push_back({unescapeMountField(device), unescapeMountField(mountPoint)});
    }
    return mounts;
}

QString cpuModelName(std::string_view text)
{
    std::string_view line, value;
    while (nextLine(text, line)) {
        if (cpuinfoValue(line, "model name", value))
            return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
    }
    return {};
}

void parseCpuMhz(std::string_view text, std::vector<CpuMhz>& out)
{
    out.clear();
    int processor = -1;
    std::string_view line, value;
    while (nextLine(text, line)) {
        if (cpuinfoValue(line, "processor", value)) {
            processor = -1;
            const char* end = value.data() + value.size();
            int n = -1;
            const auto r = std::from_chars(value.data(), end, n);
            if (r.ec == std::errc() && r.ptr == end && n >= 0)
                processor = n;
        } else if (processor >= 0 && cpuinfoValue(line, "cpu MHz", value)) {
            if (const auto mhz = parseNumber(value))
                out.push_back({processor, *mhz});
        }
    }
}

} // namespace gaugeloft::sources::kernel
