#pragma once

// A sensor source backed by a JSON snapshot file:
//   {"Hardware": [{"Name": "...", "Identifier": "...", ...}, ...],
//    "Sensor":   [{"Name": "...", "SensorType": "...", "Value": 1.5, ...}, ...]}
// Every enumeration reads the file again, so editing it changes the readings live.
// A missing, unreadable, oversized or malformed file is a provider that is not running.

#include "sources/sensorsource.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace gaugeloft::sources {

class SnapshotSource final : public SensorSource {
public:
    explicit SnapshotSource(QString filePath);

    bool Enumerate(const QString& className, SourceObjectSet& out) override;
    // A ClassRefresher that reads the file once per refresh and serves both classes.
    // It fails the refresh unless the file holds both the Hardware and the Sensor array.
    std::unique_ptr<SensorRefresher> CreateRefresher() override;

    const QString& FilePath() const { return m_filePath; }

    // Larger files are refused without being read.
    static constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

private:
    QString m_filePath;
};

// Fills `out` with one class's instances from a snapshot document. The class name matches
// case-insensitively. Returns false, with `out` empty, when the bytes are not a JSON object
// or the object has no array for the class. Strings become QString, numbers double,
// booleans bool; null, nested arrays and nested objects become a null QVariant.
// Elements of the class array that are not objects are skipped.
bool ParseSnapshot(const QByteArray& bytes, const QString& className, SourceObjectSet& out);

} // namespace gaugeloft::sources
