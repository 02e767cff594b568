#pragma once

// The operations every sensor source offers to the query layer:
//  - open a named source (done by SensorSourceHub::Open, lazily, at the first enumeration);
//  - enumerate a class ("Hardware" or "Sensor") into ordered instances, each an ordered
//    set of named property values (a null QVariant is a null value), or fail;
//  - optionally, cached enumerations (SensorRefresher): register a class once, renew every
//    registered enumeration in one call, fetch a registered enumeration's latest set.
//
// Hardware instances carry the text properties "Name", "Identifier", "Parent" and
// "HardwareType"; sensor instances "Name", "Identifier", "Parent", "SensorType" and the
// numeric properties "Value", "Min" and "Max". "Parent" is the Identifier of the hardware
// item the instance belongs to (empty for top-level hardware).

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QVariantList>

#include <memory>
#include <stdexcept>
#include <vector>

namespace gaugeloft::sources {

inline const QString kHardwareClass = QStringLiteral("Hardware");
inline const QString kSensorClass = QStringLiteral("Sensor");

// One enumerated instance. `names` and `values` have the same length. Sources share one
// QStringList between instances of the same shape, so copying an instance costs no allocation.
struct SourceInstance {
    QStringList names;
    QVariantList values;
};

using SourceObjectSet = std::vector<SourceInstance>;

// Both classes of one reading, as a remote document gives them at once.
struct SensorDocument {
    SourceObjectSet hardware;
    SourceObjectSet sensors;
};

// Raised when a source cannot be opened or a refresher cannot renew its enumerations.
class SourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The latest instance set of one registered enumeration.
struct CachedEnumeration {
    bool isSet = false;      // false until a refresh has filled the set
    SourceObjectSet objectSet;
};

// Cached enumerations: classes registered once, all renewed by one Refresh().
class SensorRefresher {
public:
    virtual ~SensorRefresher() = default;
    // Registers a class; returns its 1-based position, or -1 when the class has no object set.
    virtual int AddEnum(const QString& className) = 0;
    // Number of registered enumerations.
    virtual int Count() const = 0;
    // Renews every registered enumeration; throws SourceError on failure.
    virtual void Refresh() = 0;
    // The enumeration at a 1-based position, or nullptr when there is none.
    virtual const CachedEnumeration* Item(int position) const = 0;
};

// One opened source.
class SensorSource {
public:
    virtual ~SensorSource() = default;
    // Fills `out` with the instances of the class, in order. Returns false when the source
    // cannot answer (not running, unreadable, unknown class); `out` is then empty.
    virtual bool Enumerate(const QString& className, SourceObjectSet& out) = 0;
    // Cached enumerations, or nullptr when this source does not offer them.
    virtual std::unique_ptr<SensorRefresher> CreateRefresher() { return nullptr; }
};

// Opens named sources. A hub keeps one source per name for its own lifetime, so every
// connection to one name talks to the same source (as connections to one provider do).
class SensorSourceHub {
public:
    virtual ~SensorSourceHub() = default;
    // The source of that name; throws SourceError when it cannot be opened.
    virtual SensorSource& Open(const QString& sourceName) = 0;
    // Where the provider behind a remote source name is; other names ignore it. A source
    // already open turns to the new address at once.
    virtual void SetAddress(const QString& sourceName, const QUrl& address)
    {
        (void)sourceName;
        (void)address;
    }
};

} // namespace gaugeloft::sources
