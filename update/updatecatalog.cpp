#include "update/updatecatalog.h"

#include "platform/settingsstore.h"
#include "update/proxycredentials.h"

#include <QUuid>
#include <QtEndian>

#include <cstring>

namespace gaugeloft::update {

namespace {

QByteArray DayNumberBytes(double value)
{
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    QByteArray bytes(8, '\0');
    qToLittleEndian(bits, bytes.data());
    return bytes;
}

} // namespace

std::optional<QString> CatalogGuidText(const QString& text)
{
    const QUuid id = QUuid::fromString(text.trimmed());
    if (id.isNull())
        return std::nullopt;  // not a GUID, or the all-zero one
    return id.toString(QUuid::WithBraces).toUpper();
}

QString NewCatalogGuid()
{
    return QUuid::createUuid().toString(QUuid::WithBraces).toUpper();
}

bool IsCheckGUIDEmpty(const QString& guidText)
{
    const QString trimmed = guidText.trimmed();
    return trimmed.isEmpty() || QString(trimmed).remove(u'0') == QStringLiteral("{----}");
}

QString UpdateCatalog::EntryKey(const QString& guidText)
{
    return kCatalogKey + QLatin1Char('\\') + guidText;
}

bool UpdateCatalog::IsRegistered(const QString& guidText, const QString& executablePath) const
{
    try {
        const std::optional<QString> path = m_store.ReadString(EntryKey(guidText), QString());
        return path && path->compare(executablePath, Qt::CaseInsensitive) == 0;
    } catch (const platform::SettingsError&) {
        return false;  // a default value of another type names no program
    }
}

std::optional<double> UpdateCatalog::StoredLastCheck(const QString& guidText) const
{
    const std::optional<platform::SettingsValue> value = m_store.Read(EntryKey(guidText), QStringLiteral("LastCheck"));
    if (!value || value->Type != platform::SettingsType::Binary || value->Bytes.size() != 8)
        return std::nullopt;
    const quint64 bits = qFromLittleEndian<quint64>(value->Bytes.constData());
    double day = 0;
    std::memcpy(&day, &bits, sizeof day);
    return day;
}

void UpdateCatalog::Register(const QString& guidText, const CatalogEntry& entry)
{
    const QString key = EntryKey(guidText);
    const double lastCheck = std::max(StoredLastCheck(guidText).value_or(0), entry.LastCheck);
    m_store.WriteString(key, QString(), entry.ExecutablePath);
    m_store.WriteString(key, QStringLiteral("Title"), entry.Title);
    m_store.WriteString(key, QStringLiteral("Version"), entry.Version);
    m_store.WriteString(key, QStringLiteral("UpdateURL"), entry.UpdateUrl);
    m_store.WriteString(key, QStringLiteral("RunParams"), entry.RunParams);
    m_store.WriteString(key, QStringLiteral("WebIndex"), entry.WebIndex);
    m_store.WriteString(key, QStringLiteral("TempFile"), entry.TempFile);
    m_store.WriteString(key, QStringLiteral("Mutex"), entry.Mutex);
    m_store.WriteBinary(key, QStringLiteral("LastCheck"), DayNumberBytes(lastCheck));
    m_store.WriteDWord(key, QStringLiteral("PID"), entry.Pid);
}

void UpdateCatalog::Unregister(const QString& guidText)
{
    m_store.DeleteKey(EntryKey(guidText));
}

} // namespace gaugeloft::update
