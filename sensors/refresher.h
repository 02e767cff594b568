#pragma once

// Cached enumerations of one source: both classes renewed by one refresh.

#include "sensors/wmiclass.h"

#include <memory>

namespace gaugeloft {

class TWin32_Refresher : public TWmiConnection {
public:
    // Binds the named source at once; a source that cannot be opened leaves the refresher
    // without one (every enumeration it registers then has no object set).
    TWin32_Refresher(const QString& nameSpace, sources::SensorSourceHub& hub);

    // Registers a class: its 1-based position, or -1 when there is no object set for it.
    int AddEnum(const QString& className);
    int Count() const;
    // The registered enumeration at a position, or nullptr.
    const sources::CachedEnumeration* Item(int position) const;
    // Renews every registered enumeration; throws sources::SourceError on failure.
    void Refresh();

private:
    std::unique_ptr<sources::SensorRefresher> m_refresher;
};

} // namespace gaugeloft
