// libFuzzer target for sensor snapshot files. The input is parsed for both classes (every
// instance has as many values as names, a value is text, a number, a boolean or null) and
// read through a SnapshotSource from a file, by plain enumeration and by its refresher,
// which must agree with the parser.

#include "fuzz/fuzzfolder.h"
#include "sources/snapshotsource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

using namespace gaugeloft::sources;

namespace {

using gaugeloft::fuzz::Check;

const QString& Folder()
{
    static const gaugeloft::fuzz::TempFolder folder("snapshot_fuzz");
    return folder.Path();
}

bool Parse(const QByteArray& data, const QString& className, SourceObjectSet& out)
{
    const bool ok = ParseSnapshot(data, className, out);
    Check(ok || out.empty());
    for (const SourceInstance& instance : out) {
        Check(instance.names.size() == instance.values.size());
        for (const QVariant& value : instance.values) {
            const int type = value.typeId();
            Check(!value.isValid() || type == QMetaType::QString || type == QMetaType::Double
                  || type == QMetaType::Bool);
        }
    }
    return ok;
}

bool Same(const SourceObjectSet& a, const SourceObjectSet& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].names != b[i].names || a[i].values.size() != b[i].values.size())
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    SourceObjectSet hardware;
    SourceObjectSet sensors;
    const bool hasHardware = Parse(input, kHardwareClass, hardware);
    const bool hasSensors = Parse(input, kSensorClass, sensors);

    const QString path = Folder() + QStringLiteral("/snapshot.json");
    {
        QFile file(path);
        Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        Check(file.write(input) == input.size());
    }
    SnapshotSource source(path);
    SourceObjectSet read;
    Check(source.Enumerate(kSensorClass, read) == hasSensors);
    Check(Same(read, sensors));

    const auto refresher = source.CreateRefresher();
    Check(refresher != nullptr);
    refresher->AddEnum(kHardwareClass);
    refresher->AddEnum(kSensorClass);
    bool refreshed = true;
    try {
        refresher->Refresh();
    } catch (const SourceError&) {
        refreshed = false;
    }
    Check(refreshed == (hasHardware && hasSensors));
    return 0;
}
