#pragma once

// What the Prometheus fuzz targets check of a NodeMetrics document: values line up with
// names, every identifier once, every parent an item listed before, finite readings.

#include "fuzz/fuzzfolder.h"
#include "sources/sensorsource.h"

#include <QSet>

#include <cmath>

namespace gaugeloft::fuzz {

inline void CheckNodeDocument(const sources::SensorDocument& doc)
{
    QSet<QString> ids, items;
    for (const sources::SourceObjectSet* set : {&doc.hardware, &doc.sensors}) {
        for (const sources::SourceInstance& instance : *set) {
            Check(instance.names.size() == instance.values.size());
            const QString id = instance.values.value(1).toString();
            Check(!id.isEmpty() && !ids.contains(id));
            ids.insert(id);
            const QString parent = instance.values.value(2).toString();
            Check(parent.isEmpty() ? set == &doc.hardware : items.contains(parent));
            if (set == &doc.hardware)
                items.insert(id);
            for (const QVariant& value : instance.values) {
                if (value.typeId() == QMetaType::Double)
                    Check(std::isfinite(value.toDouble()));
            }
        }
    }
}

} // namespace gaugeloft::fuzz
