#include "sources/classrefresher.h"

namespace gaugeloft::sources {

ClassRefresher::ClassRefresher(ReadAll readAll)
    : m_readAll(std::move(readAll))
{
}

int ClassRefresher::AddEnum(const QString& className)
{
    Entry entry;
    if (className.compare(kSensorClass, Qt::CaseInsensitive) == 0)
        entry.isSensor = true;
    else if (className.compare(kHardwareClass, Qt::CaseInsensitive) != 0)
        return -1;
    m_entries.push_back(std::move(entry));
    return static_cast<int>(m_entries.size());
}

int ClassRefresher::Count() const
{
    return static_cast<int>(m_entries.size());
}

void ClassRefresher::Refresh()
{
    if (!m_readAll(m_hardware, m_sensors)) {
        m_hardware.clear();
        m_sensors.clear();
        throw SourceError("The sensor source did not answer the refresh");
    }
    for (Entry& entry : m_entries) {
        // Copies share the instances' lists, so this costs no deep copy.
        entry.enumeration.objectSet = entry.isSensor ? m_sensors : m_hardware;
        entry.enumeration.isSet = true;
    }
}

const CachedEnumeration* ClassRefresher::Item(int position) const
{
    if (position < 1 || position > Count())
        return nullptr;
    return &m_entries[static_cast<size_t>(position - 1)].enumeration;
}

} // namespace gaugeloft::sources
