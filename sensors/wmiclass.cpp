#include "sensors/wmiclass.h"

#include <cmath>
#include <stdexcept>

namespace gaugeloft {

TWmiConnection::TWmiConnection(sources::SensorSourceHub& hub)
    : m_hub(hub)
{
}

void TWmiConnection::Connect(bool force)
{
    if (m_connected && !force)
        return;
    m_connected = false;
    m_services = nullptr;
    m_services = &m_hub.Open(NameSpace);
    m_connected = true;
}

TWmiClass::TWmiClass(bool queryNow, const QString& className, const QString& nameSpace,
                     sources::SensorSourceHub& hub)
    : ClassName(className)
    , m_connection(hub)
{
    m_connection.NameSpace = nameSpace;
    if (queryNow)
        Requery();
}

QString TWmiClass::QueryText() const
{
    const QString wherePart = WhereClause.isEmpty() ? QString() : QStringLiteral(" WHERE ") + WhereClause;
    return QStringLiteral("SELECT %1 FROM %2%3").arg(SelectList, ClassName, wherePart);
}

bool TWmiClass::Query()
{
    ClearInstances();
    try {
        m_connection.Connect(false);
        // Sources enumerate whole classes; a filtered query is not something they answer.
        if (!WhereClause.isEmpty() || SelectList != QLatin1String("*"))
            return false;
        if (!m_connection.Services()->Enumerate(ClassName, m_queryBuffer))
            return false;
        return LoadObjectSet(m_queryBuffer);
    } catch (const std::exception&) {
        ClearInstances();
        return false;
    }
}

void TWmiClass::LoadFrom(const sources::SourceObjectSet& objectSet)
{
    ClearInstances();
    try {
        m_active = LoadObjectSet(objectSet);
    } catch (const std::exception&) {
        ClearInstances();
        m_active = false;
    }
}

void TWmiClass::ClearInstances()
{
    m_instances.clear();
    m_currentIndex = -1;
}

void TWmiClass::SetPropertyNames(const QStringList& names)
{
    m_propertyNames = names.size() > TDataWmiClass::kMaxProperties
        ? names.first(TDataWmiClass::kMaxProperties)
        : names;
    ++m_namesGeneration;
}

// The class's property-name list follows the first instance; an instance of another shape is
// read by its own names (a property it lacks reads as null), and names only it has are added at
// the end of the list, so the slots of every instance read so far stay where they are.
bool TWmiClass::LoadObjectSet(const sources::SourceObjectSet& objectSet)
{
    m_instances.reserve(objectSet.size());
    for (const sources::SourceInstance& object : objectSet) {
        if (m_instances.empty() && !m_propertyNames.isSharedWith(object.names)) {
            const QStringList first = object.names.size() > TDataWmiClass::kMaxProperties
                ? object.names.first(TDataWmiClass::kMaxProperties)
                : object.names;
            if (first == m_propertyNames)
                m_propertyNames = first;  // shared from now on; the slots are the same
            else
                SetPropertyNames(first);
        }

        TDataWmiClass& record = m_instances.emplace_back();
        record.Holder = object;
        if (m_propertyNames.isSharedWith(object.names) && object.values.size() == object.names.size()) {
            // Same shape as the list: the values are the slots, shared without a copy.
            record.Values = object.values;
            continue;
        }
        const qsizetype count = std::min(object.names.size(), object.values.size());
        for (qsizetype i = 0; i < count; ++i) {
            int slot = PropertyIndex(object.names[i]);
            if (slot < 0) {
                if (m_propertyNames.size() >= TDataWmiClass::kMaxProperties)
                    continue;
                m_propertyNames.append(object.names[i]);
                ++m_namesGeneration;
                slot = int(m_propertyNames.size() - 1);
            }
            if (record.Values.size() <= slot)
                record.Values.resize(slot + 1);
            record.Values[slot] = object.values[i];
        }
    }
    if (!m_instances.empty())
        SetCollectionIndex(0);
    return true;
}

int TWmiClass::PropertyIndex(QStringView name) const
{
    for (qsizetype i = 0; i < m_propertyNames.size(); ++i) {
        if (QStringView(m_propertyNames[i]).compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

QVariant TWmiClass::SlotValue(int index, int slot) const
{
    if (index < 0 || index >= static_cast<int>(m_instances.size()) || slot < 0)
        return {};
    const QVariantList& values = m_instances[static_cast<size_t>(index)].Values;
    return slot < values.size() ? values[slot] : QVariant();
}

QVariant TWmiClass::GetValue(QStringView name) const
{
    return SlotValue(m_currentIndex, PropertyIndex(name));
}

QVariant TWmiClass::GetValueAt(QStringView name, int index) const
{
    return SlotValue(index, PropertyIndex(name));
}

bool TWmiClass::SelectInstance(int index)
{
    if (index < 0 || index >= InstanceCount() || index == m_currentIndex)
        return false;
    m_currentIndex = index;
    return true;
}

void TWmiClass::SetCollectionIndex(int)
{
    throw std::logic_error(QStringLiteral("You must override this method %1")
                               .arg(QStringLiteral("SetCollectionIndex"))
                               .toStdString());
}

int TWmiClass::FindInstance(QStringView propertyName, const QVariant& value) const
{
    if (!m_active)
        return -1;
    const int slot = PropertyIndex(propertyName);
    for (int i = 0; i < static_cast<int>(m_instances.size()); ++i) {
        if (SlotValue(i, slot) == value)
            return i;
    }
    return -1;
}

QString VariantToText(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::QString:
        return *static_cast<const QString*>(value.constData());
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        return {};
    default:
        return value.toString();
    }
}

double VariantToDouble(const QVariant& value)
{
    bool ok = false;
    double number = 0.0;
    switch (value.metaType().id()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        return 0.0;
    case QMetaType::Double:
        number = *static_cast<const double*>(value.constData());
        ok = true;
        break;
    case QMetaType::QString:
        number = value.toString().trimmed().toDouble(&ok);
        break;
    default:
        number = value.toDouble(&ok);
        break;
    }
    return ok && std::isfinite(number) ? number : 0.0;
}

} // namespace gaugeloft
