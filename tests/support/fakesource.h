#pragma once

// An in-memory sensor source and hub for tests: instances are set directly, failures are
// switched on and off, and opens and enumerations are counted.

#include "platform/classrefresher.h"
#include "platform/sensorsource.h"

#include <QHash>

#include <memory>

namespace gaugeloft::testing {

inline platform::SourceInstance Hardware(const QString& name, const QString& identifier,
                                         const QString& parent, const QString& type)
{
    static const QStringList names {"Name", "Identifier", "Parent", "HardwareType"};
    return {names, {name, identifier, parent, type}};
}

inline platform::SourceInstance Sensor(const QString& name, const QString& identifier,
                                       const QString& parent, const QString& type,
                                       QVariant value, QVariant min = 0.0, QVariant max = 0.0)
{
    static const QStringList names {"Name", "Identifier", "Parent", "SensorType", "Value", "Min", "Max"};
    return {names, {name, identifier, parent, type, value, min, max}};
}

class FakeSource final : public platform::SensorSource {
public:
    bool running = true;
    bool offerRefresher = true;
    platform::SourceObjectSet hardware;
    platform::SourceObjectSet sensors;
    int enumerations = 0;
    int refreshes = 0;

    bool enumerate(const QString& className, platform::SourceObjectSet& out) override
    {
        ++enumerations;
        out.clear();
        if (!running)
            return false;
        if (className.compare(platform::kHardwareClass, Qt::CaseInsensitive) == 0)
            out = hardware;
        else if (className.compare(platform::kSensorClass, Qt::CaseInsensitive) == 0)
            out = sensors;
        else
            return false;
        return true;
    }

    std::unique_ptr<platform::SensorRefresher> createRefresher() override
    {
        if (!offerRefresher)
            return nullptr;
        return std::make_unique<platform::ClassRefresher>(
            [this](platform::SourceObjectSet& hw, platform::SourceObjectSet& sn) {
                ++refreshes;
                if (!running)
                    return false;
                hw = hardware;
                sn = sensors;
                return true;
            });
    }
};

class FakeHub final : public platform::SensorSourceHub {
public:
    bool openFails = false;
    int opens = 0;

    FakeSource& source(const QString& name)
    {
        auto& slot = m_sources[name];
        if (!slot)
            slot = std::make_unique<FakeSource>();
        return *slot;
    }

    platform::SensorSource& open(const QString& sourceName) override
    {
        ++opens;
        if (openFails || !m_sources.contains(sourceName))
            throw platform::SourceError("cannot open " + sourceName.toStdString());
        return *m_sources[sourceName];
    }

private:
    QHash<QString, std::shared_ptr<FakeSource>> m_sources;
};

} // namespace gaugeloft::testing
