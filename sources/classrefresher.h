#pragma once

#include "sources/sensorsource.h"

#include <functional>

namespace gaugeloft::sources {

// Cached enumerations for a source that can read both classes in one go. Every refresh
// calls the read function once and serves all registered enumerations from its result.
class ClassRefresher final : public SensorRefresher {
public:
    // Fills the hardware and sensor sets; returns false when the source cannot answer.
    using ReadAll = std::function<bool(SourceObjectSet& hardware, SourceObjectSet& sensors)>;

    explicit ClassRefresher(ReadAll readAll);

    int AddEnum(const QString& className) override;
    int Count() const override;
    void Refresh() override;
    const CachedEnumeration* Item(int position) const override;

private:
    struct Entry {
        bool isSensor = false;
        CachedEnumeration enumeration;
    };
    ReadAll m_readAll;
    std::vector<Entry> m_entries;
    SourceObjectSet m_hardware;
    SourceObjectSet m_sensors;
};

} // namespace gaugeloft::sources
