#include "update/proxycredentials.h"

#include "platform/settingsstore.h"

#include <QCryptographicHash>

#include <unistd.h>

#include <utility>

namespace gaugeloft::update {

namespace {

constexpr qsizetype kMostProtectedBytes = 250;

// Zeroes memory in a way the optimiser keeps.
void Wipe(void* data, size_t size)
{
    volatile auto* bytes = static_cast<volatile std::uint8_t*>(data);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = 0;
}

} // namespace

Rc4::Rc4(QByteArrayView key)
{
    for (int i = 0; i < 256; ++i)
        m_state[static_cast<size_t>(i)] = static_cast<std::uint8_t>(i);
    if (key.isEmpty())
        return;
    std::uint8_t j = 0;
    for (int i = 0; i < 256; ++i) {
        j = static_cast<std::uint8_t>(j + m_state[static_cast<size_t>(i)]
                                      + static_cast<std::uint8_t>(key[i % key.size()]));
        std::swap(m_state[static_cast<size_t>(i)], m_state[j]);
    }
}

Rc4::~Rc4()
{
    Wipe(m_state.data(), m_state.size());
    Wipe(&m_i, 1);
    Wipe(&m_j, 1);
}

void Rc4::Apply(QByteArray& data)
{
    for (char& byte : data) {
        m_i = static_cast<std::uint8_t>(m_i + 1);
        m_j = static_cast<std::uint8_t>(m_j + m_state[m_i]);
        std::swap(m_state[m_i], m_state[m_j]);
        const std::uint8_t k = m_state[static_cast<std::uint8_t>(m_state[m_i] + m_state[m_j])];
        byte = static_cast<char>(static_cast<std::uint8_t>(byte) ^ k);
    }
}

QByteArray UnscrambleText(QByteArrayView text)
{
    QByteArray plain;
    plain.reserve(text.size() / 2);
    for (qsizetype i = 1; i < text.size(); i += 2)
        plain.append(static_cast<char>(static_cast<std::uint8_t>(254 - static_cast<std::uint8_t>(text[i]))));
    return plain;
}

QString AccountIdText(const AccountId& id)
{
    QString text = QStringLiteral("S-1-");
    if (id.Authority[0] != 0 || id.Authority[1] != 0) {
        text += QStringLiteral("0x");
        for (std::uint8_t byte : id.Authority)
            text += QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    } else {
        const std::uint32_t authority = (std::uint32_t(id.Authority[2]) << 24) | (std::uint32_t(id.Authority[3]) << 16)
                                        | (std::uint32_t(id.Authority[4]) << 8) | id.Authority[5];
        text += QString::number(authority);
    }
    for (std::uint32_t sub : id.SubAuthorities)
        text += QLatin1Char('-') + QString::number(sub);
    return text;
}

QString GetUserSidString()
{
    AccountId id;
    id.Authority = {0, 0, 0, 0, 0, 22};  // the Unix user authority
    id.SubAuthorities = {1, static_cast<std::uint32_t>(::getuid())};
    return AccountIdText(id);
}

ProxyCredentials LoadProxyCredentials(const platform::SettingsStore& store, const QString& accountText)
{
    ProxyCredentials credentials;
    if (!store.KeyExists(kCatalogKey))
        return credentials;
    const QString lastCheck = QStringLiteral("LastCheck");
    if (const std::optional<QString> user = store.ReadString(kCatalogKey, QStringLiteral("LastUser")))
        credentials.User = *user;
    const std::optional<QByteArray> stored = store.ReadBinary(kCatalogKey, lastCheck);
    if (!stored)
        return credentials;
    if (stored->size() > kMostProtectedBytes)
        throw platform::SettingsError(QStringLiteral("Invalid data type for '%1'").arg(lastCheck));
    const QByteArray key = accountText.toUtf8();
    QByteArray digest = QCryptographicHash::hash(key, QCryptographicHash::Sha1);
    QByteArray data = QByteArray::fromBase64(*stored);
    {
        Rc4 cipher(digest);
        cipher.Apply(data);
    }
    Wipe(digest.data(), static_cast<size_t>(digest.size()));
    QByteArray plain = UnscrambleText(data);
    Wipe(data.data(), static_cast<size_t>(data.size()));
    credentials.Password = QString::fromUtf8(plain.mid(key.size()));
    Wipe(plain.data(), static_cast<size_t>(plain.size()));
    return credentials;
}

} // namespace gaugeloft::update
