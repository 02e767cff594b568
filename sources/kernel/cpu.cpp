#include "sources/kernel/cpu.h"

#include "sources/kernel/kerneltext.h"

#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <optional>

namespace gaugeloft::sources::kernel {

namespace {

// "key<spaces/tabs>: value" → value, for /proc/cpuinfo.
bool CpuinfoValue(std::string_view line, std::string_view key, std::string_view& value)
{
    if (!StartsWith(line, key))
        return false;
    std::string_view rest = line.substr(key.size());
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
        rest.remove_prefix(1);
    if (rest.empty() || rest.front() != ':')
        return false;
    value = Trim(rest.substr(1));
    return true;
}

} // namespace

void ParseProcStat(std::string_view text, std::vector<CpuTimes>& out)
{
    out.clear();
    std::string_view line;
    while (NextLine(text, line)) {
        if (!StartsWith(line, "cpu"))
            continue;
        std::string_view label;
        if (!NextField(line, label))
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
            if (!NextField(line, f))
                break;
            if (!ToU64(f, field[count])) {
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

QString ParseCpuModelName(std::string_view text)
{
    std::string_view line, value;
    while (NextLine(text, line)) {
        if (CpuinfoValue(line, "model name", value))
            return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
    }
    return {};
}

void ParseCpuMhz(std::string_view text, std::vector<CpuMhz>& out)
{
    out.clear();
    int processor = -1;
    std::string_view line, value;
    while (NextLine(text, line)) {
        if (CpuinfoValue(line, "processor", value)) {
            processor = -1;
            const char* end = value.data() + value.size();
            int n = -1;
            const auto r = std::from_chars(value.data(), end, n);
            if (r.ec == std::errc() && r.ptr == end && n >= 0)
                processor = n;
        } else if (processor >= 0 && CpuinfoValue(line, "cpu MHz", value)) {
            if (const auto mhz = ParseNumber(value))
                out.push_back({processor, *mhz});
        }
    }
}

CpuFamily::CpuFamily(const QString& sysRoot, const QString& procRoot)
    : m_sys(sysRoot)
    , m_proc(procRoot)
{
}

void CpuFamily::OpenProcFiles()
{
    if (!m_statFile.IsValid())
        m_statFile = KernelFile(m_proc + QLatin1String("/stat"), true);
    if (!m_cpuinfoFile.IsValid())
        m_cpuinfoFile = KernelFile(m_proc + QLatin1String("/cpuinfo"), true);
}

void CpuFamily::ForgetFiles()
{
    m_clocks.clear();
}

int CpuFamily::Discover(DiscoveryBuilder& builder, bool cpuChips)
{
    m_clocks.clear();
    m_cpuNumbers.clear();
    m_loadSlots.clear();
    m_clocksFromCpuinfo = false;
    m_statFile.ReadWhole(m_statBuf);
    ParseProcStat(View(m_statBuf), m_times);
    m_cpuinfoFile.ReadWhole(m_cpuinfoBuf);
    if (m_times.empty() && !cpuChips)
        return -1;

    const QString cpuName = ParseCpuModelName(View(m_cpuinfoBuf));
    const int item = builder.AddItem(GroupCpu, QStringLiteral("/cpu/0"),
                                     cpuName.isEmpty() ? QStringLiteral("CPU") : cpuName, TypeName("CPU"));
    std::vector<int> numbers;
    for (const CpuTimes& t : m_times) {
        m_cpuNumbers.push_back(t.cpu);
        int slot = -1;
        if (std::find(numbers.begin(), numbers.end(), t.cpu) == numbers.end()) {
            numbers.push_back(t.cpu);
            if (t.cpu < 0) {
                slot = builder.AddSensor(item, QStringLiteral("/cpu/0/load/0"), QStringLiteral("CPU Total"),
                                         TypeName("Load"));
            } else {
                const QString n = QString::number(t.cpu + 1);
                slot = builder.AddSensor(item, QStringLiteral("/cpu/0/load/") + n, QStringLiteral("CPU Core #") + n,
                                         TypeName("Load"));
            }
        }
        m_loadSlots.push_back(slot);
    }
    std::sort(numbers.begin(), numbers.end());
    ParseCpuMhz(View(m_cpuinfoBuf), m_mhz);
    for (int cpu : numbers) {
        if (cpu < 0)
            continue;
        const QString freqPath = m_sys + QLatin1String("/devices/system/cpu/cpu") + QString::number(cpu)
            + QLatin1String("/cpufreq/scaling_cur_freq");
        Clock clock;
        clock.cpu = cpu;
        if (QFileInfo::exists(freqPath))
            clock.freq = builder.Open(freqPath);
        if (!clock.freq.IsValid()) {
            const bool listed =
                std::any_of(m_mhz.begin(), m_mhz.end(), [&](const CpuMhz& e) { return e.cpu == cpu; });
            if (!listed)
                continue;
            m_clocksFromCpuinfo = true;
        }
        const QString n = QString::number(cpu + 1);
        clock.slot = builder.AddSensor(item, QStringLiteral("/cpu/0/clock/") + n, QStringLiteral("CPU Core #") + n,
                                       TypeName("Clock"));
        m_clocks.push_back(std::move(clock));
    }
    return item;
}

bool CpuFamily::ReadShape()
{
    m_statFile.ReadWhole(m_statBuf);
    ParseProcStat(View(m_statBuf), m_times);
    if (m_times.size() != m_cpuNumbers.size())
        return false;
    for (std::size_t i = 0; i < m_times.size(); ++i) {
        if (m_times[i].cpu != m_cpuNumbers[i])
            return false;
    }
    return true;
}

void CpuFamily::Read(SensorTable& table)
{
    for (std::size_t i = 0; i < m_times.size(); ++i) {
        if (m_loadSlots[i] >= 0)
            table.PublishLoad(m_loadSlots[i], m_times[i].busy, m_times[i].total);
    }
    if (m_clocksFromCpuinfo) {
        m_cpuinfoFile.ReadWhole(m_cpuinfoBuf);
        ParseCpuMhz(View(m_cpuinfoBuf), m_mhz);
    }
    char buf[128];
    for (Clock& clock : m_clocks) {
        std::optional<double> mhz;
        if (clock.freq.IsValid()) {
            const long n = clock.freq.ReadSmall(buf, sizeof buf);
            if (n >= 0 && static_cast<std::size_t>(n) < sizeof buf) {
                if (const auto khz = ParseNumber({buf, static_cast<std::size_t>(n)}))
                    mhz = *khz / 1000.0;
            }
        } else {
            for (const CpuMhz& e : m_mhz) {
                if (e.cpu == clock.cpu) {
                    mhz = e.mhz;
                    break;
                }
            }
        }
        if (mhz)
            table.Publish(clock.slot, *mhz);
        else
            table.PublishNull(clock.slot);
    }
}

} // namespace gaugeloft::sources::kernel
