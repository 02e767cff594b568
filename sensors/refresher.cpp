#include "sensors/refresher.h"

namespace gaugeloft {

TWin32_Refresher::TWin32_Refresher(const QString& nameSpace, sources::SensorSourceHub& hub)
    : TWmiConnection(hub)
{
    NameSpace = nameSpace;
    try {
        m_services = &m_hub.Open(nameSpace);
    } catch (const sources::SourceError&) {
        m_services = nullptr;
    }
    if (m_services)
        m_refresher = m_services->CreateRefresher();
}

int TWin32_Refresher::AddEnum(const QString& className)
{
    if (!m_refresher)
        return -1;
    return m_refresher->AddEnum(className);
}

int TWin32_Refresher::Count() const
{
    return m_refresher ? m_refresher->Count() : 0;
}

const sources::CachedEnumeration* TWin32_Refresher::Item(int position) const
{
    if (!m_refresher || position <= 0 || Count() < position)
        return nullptr;
    return m_refresher->Item(position);
}

void TWin32_Refresher::Refresh()
{
    if (!m_refresher)
        throw sources::SourceError("No sensor source to refresh");
    m_refresher->Refresh();
}

} // namespace gaugeloft
