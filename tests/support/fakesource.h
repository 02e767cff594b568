#pragma once

// An in-memory sensor source and hub for tests: instances are set directly, failures are
// switched on and off, and opens and enumerations are counted.

#include "sources/classrefresher.h"
#include "sources/sensorsource.h"

#include <QHash>

#include <memory>

namespace gaugeloft::testing {

inline sources::SourceInstance Hardware(const QString& name, const QString& identifier,
                                         const QString& parent, const QString& type)
{
    static const QStringList names {"Name", "Identifier", "Parent", "HardwareType"};
    return {names, {name, identifier, parent, type}};
}

inline sources::SourceInstance Sensor(const QString& name, const QString& identifier,
                                       const QString& parent, const QString& type,
                                       QVariant value, QVariant min = 0.0, QVariant max = 0.0)
{
    static const QStringList names {"Name", "Identifier", "Parent", "SensorType", "Value", "Min", "Max"};
    return {names, {name, identifier, parent, type, value, min, max}};
}

class FakeSource final : public sources::SensorSource {
public:
    bool running = true;
    bool offerRefresher = true;
    sources::SourceObjectSet hardware;
    sources::SourceObjectSet sensors;
    int enumerations = 0;
    int refreshes = 0;

    bool Enumerate(const QString& className, sources::SourceObjectSet& out) override
    {
        ++enumerations;
        out.clear();
        if (!running)
            return false;
        if (className.compare(sources::kHardwareClass, Qt::CaseInsensitive) == 0)
            out = hardware;
        else if (className.compare(sources::kSensorClass, Qt::CaseInsensitive) == 0)
            out = sensors;
        else
            return false;
        return true;
    }

    std::unique_ptr<sources::SensorRefresher> CreateRefresher() override
    {
        if (!offerRefresher)
            return nullptr;
        return std::make_unique<sources::ClassRefresher>(
            [this](sources::SourceObjectSet& hw, sources::SourceObjectSet& sn) {
                ++refreshes;
                if (!running)
                    return false;
                hw = hardware;
                sn = sensors;
                return true;
            });
    }
};

class FakeHub final : public sources::SensorSourceHub {
public:
    bool openFails = false;
    int opens = 0;
    QHash<QString, QUrl> addresses;  // as the provider state last set them

    FakeSource& source(const QString& name)
    {
        auto& slot = m_sources[name];
        if (!slot)
            slot = std::make_unique<FakeSource>();
        return *slot;
    }

    sources::SensorSource& Open(const QString& sourceName) override
    {
        ++opens;
        if (openFails || !m_sources.contains(sourceName))
            throw sources::SourceError("cannot open " + sourceName.toStdString());
        return *m_sources[sourceName];
    }

    void SetAddress(const QString& sourceName, const QUrl& address) override { addresses[sourceName] = address; }

private:
    QHash<QString, std::shared_ptr<FakeSource>> m_sources;
};

} // namespace gaugeloft::testing
