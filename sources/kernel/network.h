#pragma once

// Network: an item per interface of /proc/net/dev (but the loopback) with its upload and
// download speed and the data moved since boot.

#include "sources/kernel/kernelmodel.h"

#include <QByteArray>

#include <cstdint>
#include <string_view>
#include <vector>

namespace gaugeloft::sources::kernel {

struct NetCounters {
    std::string_view name;
    std::uint64_t rxBytes = 0;
    std::uint64_t txBytes = 0;
};
void ParseNetDev(std::string_view text, std::vector<NetCounters>& out);

class NetworkFamily {
public:
    explicit NetworkFamily(const QString& procRoot);

    void OpenProcFiles();
    void Discover(DiscoveryBuilder& builder);
    // Reads /proc/net/dev: false when its interfaces are no longer those of the discovery.
    bool ReadShape();
    // Publishes the counters of the last ReadShape.
    void Read(SensorTable& table, double seconds);

private:
    struct Interface {
        QByteArray name;
        int upload = -1, download = -1, uploaded = -1, downloaded = -1; // -1: a repeated line
    };

    QString m_proc;
    KernelFile m_netdevFile;
    std::vector<char> m_buf;
    std::vector<NetCounters> m_counters;
    std::vector<Interface> m_interfaces;
};

} // namespace gaugeloft::sources::kernel
