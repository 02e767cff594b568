// libFuzzer target for the documents of Libre Hardware Monitor's remote web server (data.json).
// Whatever comes in, the reader either refuses it whole or gives instances whose values match
// their names, a hardware item or sensor for every identifier once, and finite readings.

#include "fuzz/fuzzfolder.h"
#include "sources/lhmdocument.h"

#include <QSet>

#include <cmath>
#include <cstdint>

using namespace gaugeloft::sources;
using gaugeloft::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    SensorDocument doc;
    if (!ReadLhmDocument(bytes, doc)) {
        Check(doc.hardware.empty() && doc.sensors.empty());
        return 0;
    }
    QSet<QString> ids;
    for (const SourceObjectSet* set : {&doc.hardware, &doc.sensors}) {
        for (const SourceInstance& instance : *set) {
            Check(instance.names.size() == instance.values.size());
            const QString id = instance.values.value(1).toString();
            Check(!id.isEmpty() && !ids.contains(id));
            ids.insert(id);
            for (const QVariant& value : instance.values) {
                if (value.typeId() == QMetaType::Double)
                    Check(std::isfinite(value.toDouble()));
            }
        }
    }
    // the number reader on the same bytes as text
    const QString text = QString::fromUtf8(bytes.left(64));
    if (const auto number = ParseLocalizedNumber(text))
        Check(std::isfinite(*number));
    return 0;
}
