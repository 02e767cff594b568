#pragma once

// A large made-up provider for benchmarks: `items` hardware items with ten sensors each of
// mixed types, named "<type> #n" so they have peers; `shift` moves every reading.

#include "support/fakesource.h"

namespace gaugeloft::testing {

inline void FillSyntheticSensors(FakeSource& source, int items, double shift)
{
    static const char* const types[] = {"Temperature", "Load", "Clock", "Fan", "Voltage", "Power", "Data", "Throughput"};
    source.hardware.clear();
    source.sensors.clear();
    for (int h = 0; h < items; ++h) {
        const QString id = QStringLiteral("/hw/%1").arg(h);
        source.hardware.push_back(Hardware(QStringLiteral("Item %1").arg(h), id, QString(),
                                           h % 3 ? QStringLiteral("SuperIO") : QStringLiteral("CPU")));
        for (int s = 0; s < 10; ++s) {
            const QString type = QString::fromLatin1(types[s % 8]);
            source.sensors.push_back(Sensor(QStringLiteral("%1 #%2").arg(type).arg(s + 1),
                                            QStringLiteral("%1/%2/%3").arg(id, type).arg(s), id, type,
                                            1000.0 + h * 7.25 + s * 3.5 + shift, 0.0, 5000.0));
        }
    }
}

} // namespace gaugeloft::testing
