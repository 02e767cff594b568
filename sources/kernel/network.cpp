#include "sources/kernel/network.h"

#include "sources/kernel/kerneltext.h"

#include <algorithm>

namespace gaugeloft::sources::kernel {

void ParseNetDev(std::string_view text, std::vector<NetCounters>& out)
{
    out.clear();
    std::string_view line;
    while (NextLine(text, line)) {
        const auto colon = line.find(':');
        if (colon == std::string_view::npos)
            continue; // the two header lines
        NetCounters counters;
        counters.name = Trim(line.substr(0, colon));
        if (counters.name.empty())
            continue;
        std::string_view rest = line.substr(colon + 1);
        std::uint64_t field[9] = {};
        bool ok = true;
        for (auto& f : field) {
            if (!NextU64(rest, f)) {
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

NetworkFamily::NetworkFamily(const QString& procRoot)
    : m_proc(procRoot)
{
}

void NetworkFamily::OpenProcFiles()
{
    if (!m_netdevFile.IsValid())
        m_netdevFile = KernelFile(m_proc + QLatin1String("/net/dev"), true);
}

void NetworkFamily::Discover(DiscoveryBuilder& builder)
{
    m_interfaces.clear();
    m_netdevFile.ReadWhole(m_buf);
    ParseNetDev(View(m_buf), m_counters);
    for (const NetCounters& c : m_counters) {
        if (c.name == "lo")
            continue;
        Interface nic;
        nic.name = QByteArray(c.name.data(), static_cast<qsizetype>(c.name.size()));
        const QString name = QString::fromUtf8(nic.name);
        if (std::any_of(m_interfaces.begin(), m_interfaces.end(), [&](const Interface& n) { return n.name == nic.name; })) {
            m_interfaces.push_back(std::move(nic)); // a repeated line: kept for the shape check only
            continue;
        }
        const QString id = QStringLiteral("/nic/") + name;
        const int item = builder.AddItem(GroupNetwork, id, name, TypeName("Network"));
        nic.upload = builder.AddSensor(item, id + QLatin1String("/throughput/0"), QStringLiteral("Upload Speed"),
                                       TypeName("Throughput"));
        nic.download = builder.AddSensor(item, id + QLatin1String("/throughput/1"), QStringLiteral("Download Speed"),
                                         TypeName("Throughput"));
        nic.uploaded =
            builder.AddSensor(item, id + QLatin1String("/data/0"), QStringLiteral("Data Uploaded"), TypeName("Data"));
        nic.downloaded =
            builder.AddSensor(item, id + QLatin1String("/data/1"), QStringLiteral("Data Downloaded"), TypeName("Data"));
        m_interfaces.push_back(std::move(nic));
    }
}

bool NetworkFamily::ReadShape()
{
    m_netdevFile.ReadWhole(m_buf);
    ParseNetDev(View(m_buf), m_counters);
    std::size_t n = 0;
    for (const NetCounters& c : m_counters) {
        if (c.name == "lo")
            continue;
        if (n >= m_interfaces.size() || !SameName(m_interfaces[n].name, c.name))
            return false;
        ++n;
    }
    return n == m_interfaces.size();
}

void NetworkFamily::Read(SensorTable& table, double seconds)
{
    std::size_t n = 0;
    for (const NetCounters& c : m_counters) {
        if (c.name == "lo")
            continue;
        const Interface& nic = m_interfaces[n++];
        if (nic.upload < 0)
            continue; // repeated line
        table.PublishRate(nic.upload, c.txBytes, 1.0, seconds);
        table.PublishRate(nic.download, c.rxBytes, 1.0, seconds);
        table.Publish(nic.uploaded, static_cast<double>(c.txBytes) / kBytesPerGb);
        table.Publish(nic.downloaded, static_cast<double>(c.rxBytes) / kBytesPerGb);
    }
}

} // namespace gaugeloft::sources::kernel
