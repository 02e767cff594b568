#pragma once

// What every hardware family of the kernel source shares: the table of published hardware
// and sensors with what is remembered of each sensor between reads, and the builder that one
// discovery fills. A family adds its items and sensors to the builder and keeps the slot
// numbers it got; its reads publish into the table by those numbers.

#include "sources/kernel/kernelfile.h"
#include "sources/sensorsource.h"

#include <QString>
#include <QVariant>

#include <cstdint>
#include <string_view>
#include <vector>

namespace gaugeloft::sources::kernel {

enum SensorField { FieldName = 0, FieldValue = 4, FieldMin = 5, FieldMax = 6 };

// The order of hardware items: by group, then in the order they were added.
enum ItemGroup { GroupCpu, GroupMemory, GroupHwmon, GroupStorage, GroupNetwork, GroupBattery };

constexpr double kBytesPerGb = 1024.0 * 1024.0 * 1024.0;
constexpr double kKbPerGb = 1024.0 * 1024.0;

inline std::string_view View(const std::vector<char>& buf)
{
    return {buf.data(), buf.size()};
}

inline bool SameName(const QByteArray& a, std::string_view b)
{
    return std::string_view(a.constData(), static_cast<std::size_t>(a.size())) == b;
}

// The type names ("CPU", "Load", "Temperature", ...), one shared string each.
QString TypeName(const char* name);

// One published sensor and what is remembered about it between reads.
struct Slot {
    QString id;
    int instance = -1;
    bool hasRange = false;
    double min = 0;
    double max = 0;
    bool hasPrev = false;
    std::uint64_t prevA = 0;
    std::uint64_t prevB = 0;
    double lastValue = 0; // last load or rate, repeated when no time has passed
};

// The hardware and sensors of one discovery, updated in place by each read.
struct SensorTable {
    SourceObjectSet hardware;
    SourceObjectSet sensors;
    std::vector<Slot> slots;

    // A value (not finite: null) and the extremes seen so far.
    void Publish(int slotIndex, double value);
    void PublishNull(int slotIndex);
    // Percent busy between this read's counters and the last read's.
    void PublishLoad(int slotIndex, std::uint64_t busy, std::uint64_t total);
    // counter × factor per second since the last read.
    void PublishRate(int slotIndex, std::uint64_t counter, double factor, double seconds);
    // Null, and the next rate starts afresh.
    void PublishGoneRate(int slotIndex);
    void Rename(int slotIndex, const QVariant& name);
    // Takes extremes and counters of the sensors that `previous` had too.
    void CarryOver(const SensorTable& previous);
};

// Builds one SensorTable; keeps count of the descriptors it leaves open.
class DiscoveryBuilder {
public:
    DiscoveryBuilder(SensorTable& table, int descriptorBudget);

    KernelFile Open(const QString& path);
    int AddItem(ItemGroup group, const QString& id, const QString& name, const QString& type,
                const QString& parent = {});
    int AddSensor(int item, const QString& id, const QString& name, const QString& type);
    // Lays the items out as instances: by group, each item's sensors in the order they were added.
    void Finish();

private:
    struct ItemDraft {
        ItemGroup group = GroupCpu;
        QString id, name, type, parent;
        std::vector<int> slots;
        std::vector<QString> sensorNames, sensorTypes;
    };

    SensorTable& m_table;
    std::vector<ItemDraft> m_items;
    int m_budget;
    int m_used = 0;
};

} // namespace gaugeloft::sources::kernel
