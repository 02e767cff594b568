#pragma once

// The query layer over a sensor source: a connection to one named source and the
// instances of one class with their property values and a selected current instance.

#include "sources/sensorsource.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <vector>

namespace gaugeloft {

// A connection to one named source; made at the first query and then kept.
class TWmiConnection {
public:
    explicit TWmiConnection(sources::SensorSourceHub& hub);
    virtual ~TWmiConnection() = default;
    TWmiConnection(const TWmiConnection&) = delete;
    TWmiConnection& operator=(const TWmiConnection&) = delete;

    // Opens the source unless already connected and not forced. Throws sources::SourceError
    // and stays unconnected when the source cannot be opened.
    void Connect(bool force);

    bool Connected() const { return m_connected; }
    sources::SensorSource* Services() const { return m_services; }

    QString ServerName = QStringLiteral("localhost");
    QString UserName;
    QString Password;
    QString NameSpace;

protected:
    sources::SensorSourceHub& m_hub;
    sources::SensorSource* m_services = nullptr;

private:
    bool m_connected = false;
};

// The property values of one instance. Slot k holds the value of the k-th name of the
// class's property-name list; at most kMaxProperties slots.
struct TDataWmiClass {
    static constexpr int kMaxProperties = 256;
    QVariantList Values;
    sources::SourceInstance Holder;  // the instance as the source gave it
};

// All instances of one class and a current instance.
class TWmiClass {
public:
    TWmiClass(bool queryNow, const QString& className, const QString& nameSpace,
              sources::SensorSourceHub& hub);
    virtual ~TWmiClass() = default;
    TWmiClass(const TWmiClass&) = delete;
    TWmiClass& operator=(const TWmiClass&) = delete;

    // Number of instances when the last query or load succeeded, otherwise -1.
    int Count() const { return m_active ? static_cast<int>(m_instances.size()) : -1; }
    bool Active() const { return m_active; }
    int CurrentIndex() const { return m_currentIndex; }
    // Instances loaded by the last query or load, whatever its outcome.
    int InstanceCount() const { return static_cast<int>(m_instances.size()); }

    bool Query();
    void Requery() { m_active = Query(); }
    void LoadFrom(const sources::SourceObjectSet& objectSet);
    void ClearInstances();

    // Position of a property name in the list (letter case ignored), or -1.
    int PropertyIndex(QStringView name) const;
    const QStringList& PropertyNames() const { return m_propertyNames; }
    // Bumped whenever the property-name list changes, so readers can cache slot positions.
    std::uint64_t PropertyNamesGeneration() const { return m_namesGeneration; }

    QVariant GetValue(QStringView name) const;
    QVariant GetValueAt(QStringView name, int index) const;
    // Slot value of an instance; null when the slot or the instance does not exist.
    QVariant SlotValue(int index, int slot) const;

    // Selects the current instance and reads its properties. Readers override it.
    virtual void SetCollectionIndex(int index);
    virtual int FindInstance(QStringView propertyName, const QVariant& value) const;

    TWmiConnection& Connection() { return m_connection; }
    QString QueryText() const;

    QString SelectList = QStringLiteral("*");
    QString WhereClause;
    QString ClassName;

protected:
    // Makes `index` the current instance when it exists and is not current already; returns
    // whether it did (the reader then reads the instance's properties).
    bool SelectInstance(int index);

    int m_currentIndex = -1;

private:
    bool LoadObjectSet(const sources::SourceObjectSet& objectSet);
    void SetPropertyNames(const QStringList& names);

    TWmiConnection m_connection;
    bool m_active = false;
    QStringList m_propertyNames;
    std::uint64_t m_namesGeneration = 0;
    std::vector<TDataWmiClass> m_instances;
    sources::SourceObjectSet m_queryBuffer;  // reused between queries
};

// Conversions of a property value: null reads as empty text or 0.0; text that is not a
// number, NaN and infinities read as 0.0.
QString VariantToText(const QVariant& value);
double VariantToDouble(const QVariant& value);

} // namespace gaugeloft
