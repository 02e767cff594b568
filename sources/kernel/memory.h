#pragma once

// Memory: one item with the load, used and available memory of /proc/meminfo.

#include "sources/kernel/kernelmodel.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace gaugeloft::sources::kernel {

struct MemInfo {
    std::optional<std::uint64_t> totalKb;
    std::optional<std::uint64_t> availableKb;
};
MemInfo ParseMeminfo(std::string_view text);

class MemoryFamily {
public:
    explicit MemoryFamily(const QString& procRoot);

    void OpenProcFiles();
    // Adds the memory item when /proc/meminfo tells the total.
    void Discover(DiscoveryBuilder& builder);
    void Read(SensorTable& table);

private:
    QString m_proc;
    KernelFile m_meminfoFile;
    std::vector<char> m_buf;
    int m_load = -1, m_used = -1, m_available = -1;
};

} // namespace gaugeloft::sources::kernel
