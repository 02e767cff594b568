#include "sources/kernel/memory.h"

#include "sources/kernel/kerneltext.h"

#include <algorithm>

namespace gaugeloft::sources::kernel {

MemInfo ParseMeminfo(std::string_view text)
{
    MemInfo info;
    std::string_view line;
    while (NextLine(text, line)) {
        std::optional<std::uint64_t>* target = nullptr;
        if (StartsWith(line, "MemTotal:"))
            target = &info.totalKb;
        else if (StartsWith(line, "MemAvailable:"))
            target = &info.availableKb;
        else
            continue;
        line.remove_prefix(line.find(':') + 1);
        std::uint64_t value = 0;
        if (NextU64(line, value))
            *target = value;
        if (info.totalKb && info.availableKb)
            break;
    }
    return info;
}

MemoryFamily::MemoryFamily(const QString& procRoot)
    : m_proc(procRoot)
{
}

void MemoryFamily::OpenProcFiles()
{
    if (!m_meminfoFile.IsValid())
        m_meminfoFile = KernelFile(m_proc + QLatin1String("/meminfo"), true);
}

void MemoryFamily::Discover(DiscoveryBuilder& builder)
{
    m_load = m_used = m_available = -1;
    m_meminfoFile.ReadWhole(m_buf);
    if (!ParseMeminfo(View(m_buf)).totalKb)
        return;
    const int item = builder.AddItem(GroupMemory, QStringLiteral("/ram"), QStringLiteral("Memory"), TypeName("Memory"));
    m_load = builder.AddSensor(item, QStringLiteral("/ram/load/0"), QStringLiteral("Memory"), TypeName("Load"));
    m_used = builder.AddSensor(item, QStringLiteral("/ram/data/0"), QStringLiteral("Used Memory"), TypeName("Data"));
    m_available =
        builder.AddSensor(item, QStringLiteral("/ram/data/1"), QStringLiteral("Available Memory"), TypeName("Data"));
}

void MemoryFamily::Read(SensorTable& table)
{
    if (m_load < 0)
        return;
    m_meminfoFile.ReadWhole(m_buf);
    const MemInfo mem = ParseMeminfo(View(m_buf));
    if (mem.totalKb && mem.availableKb && *mem.totalKb > 0) {
        const double total = static_cast<double>(*mem.totalKb);
        const double available = static_cast<double>(std::min(*mem.availableKb, *mem.totalKb));
        table.Publish(m_load, (total - available) * 100.0 / total);
        table.Publish(m_used, (total - available) / kKbPerGb);
        table.Publish(m_available, available / kKbPerGb);
    } else {
        table.PublishNull(m_load);
        table.PublishNull(m_used);
        table.PublishNull(m_available);
    }
}

} // namespace gaugeloft::sources::kernel
