#include "sources/snapshotsource.h"

#include "sources/classrefresher.h"
#include "platform/safefile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include <optional>

namespace gaugeloft::sources {

namespace {

// Anything but a regular file of at most kMaxFileBytes is refused without blocking, so a
// FIFO, a device or a huge file never stalls a poll.
bool ReadSnapshotFile(const QString& path, QByteArray& bytes)
{
    return platform::ReadRegularFile(path, SnapshotSource::kMaxFileBytes, &bytes) == platform::ReadStatus::Read;
}

std::optional<QJsonObject> ParseDocument(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

QVariant ToVariant(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Double:
        return value.toDouble();  // integers too: every number is a double
    case QJsonValue::Bool:
        return value.toBool();
    default:
        return QVariant();  // null, nested array or object, undefined
    }
}

// True when the object's keys, in iteration order, are exactly `names`.
bool HasNames(const QJsonObject& object, const QStringList& names)
{
    if (object.size() != names.size())
        return false;
    qsizetype i = 0;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it, ++i) {
        if (it.key() != names[i])
            return false;
    }
    return true;
}

bool ReadClass(const QJsonObject& root, const QString& className, SourceObjectSet& out)
{
    out.clear();
    // Prefer the exact spelling; otherwise the first key equal but for case.
    auto found = root.constFind(className);
    if (found == root.constEnd()) {
        for (auto it = root.constBegin(); it != root.constEnd(); ++it) {
            if (it.key().compare(className, Qt::CaseInsensitive) == 0) {
                found = it;
                break;
            }
        }
    }
    if (found == root.constEnd() || !found.value().isArray())
        return false;

    const QJsonArray array = found.value().toArray();
    out.reserve(static_cast<size_t>(array.size()));
    QStringList names;  // shared by consecutive instances of the same shape
    for (const QJsonValue element : array) {
        if (!element.isObject())
            continue;
        const QJsonObject object = element.toObject();
        if (out.empty() || !HasNames(object, names))
            names = object.keys();
        SourceInstance instance;
        instance.names = names;
        instance.values.reserve(object.size());
        for (auto it = object.constBegin(); it != object.constEnd(); ++it)
            instance.values.append(ToVariant(it.value()));
        out.push_back(std::move(instance));
    }
    return true;
}

} // namespace

bool ParseSnapshot(const QByteArray& bytes, const QString& className, SourceObjectSet& out)
{
    out.clear();
    const std::optional<QJsonObject> root = ParseDocument(bytes);
    return root && ReadClass(*root, className, out);
}

SnapshotSource::SnapshotSource(QString filePath)
    : m_filePath(std::move(filePath))
{
}

bool SnapshotSource::Enumerate(const QString& className, SourceObjectSet& out)
{
    out.clear();
    QByteArray bytes;
    return ReadSnapshotFile(m_filePath, bytes) && ParseSnapshot(bytes, className, out);
}

std::unique_ptr<SensorRefresher> SnapshotSource::CreateRefresher()
{
    // Captures the path, not the source, so the refresher may outlive it.
    return std::make_unique<ClassRefresher>(
        [path = m_filePath](SourceObjectSet& hardware, SourceObjectSet& sensors) {
            hardware.clear();
            sensors.clear();
            QByteArray bytes;
            if (!ReadSnapshotFile(path, bytes))
                return false;
            const std::optional<QJsonObject> root = ParseDocument(bytes);
            if (!root || !ReadClass(*root, kHardwareClass, hardware)
                || !ReadClass(*root, kSensorClass, sensors)) {
                hardware.clear();
                sensors.clear();
                return false;
            }
            return true;
        });
}

} // namespace gaugeloft::sources
