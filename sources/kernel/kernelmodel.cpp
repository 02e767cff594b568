#include "sources/kernel/kernelmodel.h"

#include <QHash>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace gaugeloft::sources::kernel {

namespace {

const QStringList& HardwareNames()
{
    static const QStringList names = {QStringLiteral("Name"), QStringLiteral("Identifier"),
                                      QStringLiteral("Parent"), QStringLiteral("HardwareType")};
    return names;
}

const QStringList& SensorNames()
{
    static const QStringList names = {QStringLiteral("Name"),       QStringLiteral("Identifier"),
                                      QStringLiteral("Parent"),     QStringLiteral("SensorType"),
                                      QStringLiteral("Value"),      QStringLiteral("Min"),
                                      QStringLiteral("Max")};
    return names;
}

} // namespace

QString TypeName(const char* name)
{
    static const QHash<QByteArray, QString> names = [] {
        QHash<QByteArray, QString> h;
        for (const char* n : {"CPU", "Memory", "Storage", "Network", "Battery", "Motherboard", "SuperIO",
                              "GpuAmd", "GpuNvidia", "Load", "Clock", "Data", "Throughput", "Temperature",
                              "Fan", "Control", "Voltage", "Current", "Power", "Energy", "Level"})
            h.insert(QByteArray(n), QString::fromLatin1(n));
        return h;
    }();
    const auto it = names.constFind(QByteArray::fromRawData(name, static_cast<qsizetype>(qstrlen(name))));
    return it == names.cend() ? QString::fromLatin1(name) : it.value();
}

void SensorTable::Publish(int slotIndex, double value)
{
    if (!std::isfinite(value)) {
        PublishNull(slotIndex);
        return;
    }
    Slot& slot = slots[static_cast<std::size_t>(slotIndex)];
    QVariantList& values = sensors[static_cast<std::size_t>(slot.instance)].values;
    // Unchanged values are left alone: writing would copy a list the caller still shares.
    const QVariant& current = std::as_const(values)[FieldValue];
    if (current.typeId() != QMetaType::Double || current.toDouble() != value)
        values[FieldValue] = value;
    if (!slot.hasRange || value < slot.min) {
        slot.min = value;
        values[FieldMin] = value;
    }
    if (!slot.hasRange || value > slot.max) {
        slot.max = value;
        values[FieldMax] = value;
    }
    slot.hasRange = true;
}

void SensorTable::PublishNull(int slotIndex)
{
    const Slot& slot = slots[static_cast<std::size_t>(slotIndex)];
    SourceInstance& instance = sensors[static_cast<std::size_t>(slot.instance)];
    if (!std::as_const(instance.values)[FieldValue].isNull())
        instance.values[FieldValue] = QVariant();
}

void SensorTable::PublishLoad(int slotIndex, std::uint64_t busy, std::uint64_t total)
{
    Slot& slot = slots[static_cast<std::size_t>(slotIndex)];
    double value = 0;
    if (slot.hasPrev) {
        if (total == slot.prevB) {
            value = slot.lastValue; // no ticks since the last read
        } else if (total > slot.prevB) {
            // iowait can step back, so busy may too: clamp.
            const double dBusy = static_cast<double>(busy) - static_cast<double>(slot.prevA);
            value = std::clamp(dBusy * 100.0 / static_cast<double>(total - slot.prevB), 0.0, 100.0);
        }
    }
    slot.hasPrev = true;
    slot.prevA = busy;
    slot.prevB = total;
    slot.lastValue = value;
    Publish(slotIndex, value);
}

void SensorTable::PublishRate(int slotIndex, std::uint64_t counter, double factor, double seconds)
{
    Slot& slot = slots[static_cast<std::size_t>(slotIndex)];
    double value = 0;
    if (slot.hasPrev) {
        if (seconds <= 0)
            value = slot.lastValue;
        else if (counter >= slot.prevA)
            value = static_cast<double>(counter - slot.prevA) * factor / seconds;
        // a counter that went back (reset, wrap) gives 0 for this read
    }
    slot.hasPrev = true;
    slot.prevA = counter;
    slot.lastValue = value;
    Publish(slotIndex, value);
}

void SensorTable::PublishGoneRate(int slotIndex)
{
    slots[static_cast<std::size_t>(slotIndex)].hasPrev = false;
    PublishNull(slotIndex);
}

void SensorTable::Rename(int slotIndex, const QVariant& name)
{
    const Slot& slot = slots[static_cast<std::size_t>(slotIndex)];
    sensors[static_cast<std::size_t>(slot.instance)].values[FieldName] = name;
}

void SensorTable::CarryOver(const SensorTable& previous)
{
    QHash<QString, int> byId;
    byId.reserve(static_cast<qsizetype>(previous.slots.size()));
    for (std::size_t i = 0; i < previous.slots.size(); ++i)
        byId.insert(previous.slots[i].id, static_cast<int>(i));
    for (Slot& slot : slots) {
        const auto it = byId.constFind(slot.id);
        if (it == byId.cend())
            continue;
        const Slot& old = previous.slots[static_cast<std::size_t>(*it)];
        slot.hasRange = old.hasRange;
        slot.min = old.min;
        slot.max = old.max;
        slot.hasPrev = old.hasPrev;
        slot.prevA = old.prevA;
        slot.prevB = old.prevB;
        slot.lastValue = old.lastValue;
        if (slot.hasRange) {
            QVariantList& values = sensors[static_cast<std::size_t>(slot.instance)].values;
            values[FieldMin] = slot.min;
            values[FieldMax] = slot.max;
        }
    }
}

DiscoveryBuilder::DiscoveryBuilder(SensorTable& table, int descriptorBudget)
    : m_table(table)
    , m_budget(descriptorBudget)
{
}

KernelFile DiscoveryBuilder::Open(const QString& path)
{
    KernelFile file(path, m_used < m_budget);
    if (file.IsOpen())
        ++m_used;
    return file;
}

int DiscoveryBuilder::AddItem(ItemGroup group, const QString& id, const QString& name, const QString& type,
                              const QString& parent)
{
    ItemDraft item;
    item.group = group;
    item.id = id;
    item.name = name;
    item.type = type;
    item.parent = parent;
    m_items.push_back(std::move(item));
    return static_cast<int>(m_items.size()) - 1;
}

int DiscoveryBuilder::AddSensor(int item, const QString& id, const QString& name, const QString& type)
{
    Slot slot;
    slot.id = id;
    m_table.slots.push_back(std::move(slot));
    const int index = static_cast<int>(m_table.slots.size()) - 1;
    ItemDraft& draft = m_items[static_cast<std::size_t>(item)];
    draft.slots.push_back(index);
    draft.sensorNames.push_back(name);
    draft.sensorTypes.push_back(type);
    return index;
}

void DiscoveryBuilder::Finish()
{
    std::vector<std::size_t> order(m_items.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return m_items[a].group < m_items[b].group; });
    m_table.hardware.reserve(m_items.size());
    m_table.sensors.reserve(m_table.slots.size());
    for (std::size_t i : order) {
        const ItemDraft& item = m_items[i];
        m_table.hardware.push_back({HardwareNames(), {item.name, item.id, item.parent, item.type}});
        for (std::size_t s = 0; s < item.slots.size(); ++s) {
            Slot& slot = m_table.slots[static_cast<std::size_t>(item.slots[s])];
            slot.instance = static_cast<int>(m_table.sensors.size());
            m_table.sensors.push_back({SensorNames(),
                                       {item.sensorNames[s], slot.id, item.id, item.sensorTypes[s],
                                        QVariant(), QVariant(), QVariant()}});
        }
    }
}

} // namespace gaugeloft::sources::kernel
