#pragma once

// A kernel source over a fake /sys and /proc tree, and the look-ups its tests make in what it
// publishes.

#include "sources/fakesysfs.h"
#include "sources/kernel/kernelsource.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

// Readable failures.
void PrintTo(const QString& s, std::ostream* os);

namespace gaugeloft::test {

using sources::KernelSource;
using sources::KernelSourceOptions;
using sources::SourceInstance;
using sources::SourceObjectSet;

struct Reading {
    SourceObjectSet hardware;
    SourceObjectSet sensors;
};

class Machine {
public:
    Machine();

    KernelSource& Source();
    Reading Read();

    FakeSysfs tree;
    qint64 clockMs = 1000;
    std::function<bool()> events;  // set before the first read

private:
    std::unique_ptr<KernelSource> m_source;
};

QVariant Prop(const SourceInstance& instance, const char* name);
const SourceInstance* ById(const SourceObjectSet& set, const QString& id);
QStringList Ids(const SourceObjectSet& set);
// The value of a sensor, or nullopt when it is missing or null.
std::optional<double> Value(const Reading& r, const QString& id, const char* field = "Value");
QString Text(const SourceObjectSet& set, const QString& id, const char* field);
// Names, types, identities and values as every reading must have them.
void ExpectWellFormed(const Reading& r);

// A file captured from a real machine, kept in tests/fixtures/kernel/ (empty when missing).
std::string Fixture(const QString& name);
// The files of a fixture folder by name, as the attributes of a fake chip.
QMap<QString, QByteArray> FixtureFolder(const QString& name);

} // namespace gaugeloft::test
