#include "sensors/refresher.h"

namespace gaugeloft {

TWin32_Refresher::TWin32_Refresher(const QString& nameSpace, platform::SensorSourceHub& hub)
    : TWmiConnection(hub)
{
    NameSpace = nameSpace;
    try {
        m_services = &m_hub.open(nameSpace);
    } catch (const platform::SourceError&) {
        m_services = nullptr;
    }
    if (m_services)
        m_refresher = m_services->createRefresher();
}

int TWin32_Refresher::AddEnum(const QString& className)
{
    if (!m_refresher)
        return -1;
    return m_refresher->addEnum(className);
}

int TWin32_Refresher::Count() const
{
    return m_refresher ? m_refresher->count() : 0;
}

const platform::CachedEnumeration* TWin32_Refresher::Item(int position) const
{
    if (!m_refresher || position <= 0 || Count() < position)
        return nullptr;
    return m_refresher->item(position);
}

void TWin32_Refresher::Refresh()
{
    if (!m_refresher)
        throw platform::SourceError("No sensor source to refresh");
    m_refresher->refresh();
}

} // namespace gaugeloft
