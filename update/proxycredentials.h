#pragma once

// Proxy credentials that a program of the update catalog saved for all of them: the user name
// in plain text ("LastUser") and the password protected for this account ("LastCheck", both in
// the catalog's parent key). The stored text is Base64(RC4(Scramble(K + password))) with K the
// account's identifier as text and the RC4 key the SHA-1 digest of K; Scramble turns each byte
// c into a random byte and 254 - c. This program only reads them.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace gaugeloft::platform {
class SettingsStore;
}

namespace gaugeloft::update {

// The catalog of updatable programs and its parent key, below HKEY_CURRENT_USER.
inline const QString kCatalogKey = QStringLiteral("Software\\MARROWIND\\Ravelwick\\Apps");

// The RC4 stream cipher; its state is wiped when it goes.
class Rc4 {
public:
    explicit Rc4(QByteArrayView key);
    ~Rc4();
    Rc4(const Rc4&) = delete;
    Rc4& operator=(const Rc4&) = delete;

    // Encrypts or decrypts in place (the same operation).
    void Apply(QByteArray& data);

private:
    std::array<std::uint8_t, 256> m_state {};
    std::uint8_t m_i = 0;
    std::uint8_t m_j = 0;
};

// Every second byte b of each pair as 254 - b (mod 256); an odd last byte is dropped.
QByteArray UnscrambleText(QByteArrayView text);

// An account identifier (a security identifier's parts) and its text form
// "S-1-<authority>-<sub>-<sub>...": the authority in decimal, or as "0x" and six hex bytes
// when either of its first two bytes is not zero.
struct AccountId {
    std::array<std::uint8_t, 6> Authority {};
    std::vector<std::uint32_t> SubAuthorities;
};
QString AccountIdText(const AccountId& id);

// This account's identifier as text: S-1-22-1-<uid>, the form Windows and Samba give a Unix user.
QString GetUserSidString();

struct ProxyCredentials {
    QString User;
    QString Password;
};

// The saved credentials, with `accountText` as the key text (GetUserSidString for the real
// account). Empty when the key does not exist. A protected password that is not binary data,
// or longer than 250 bytes, throws the store's error.
ProxyCredentials LoadProxyCredentials(const platform::SettingsStore& store, const QString& accountText);

} // namespace gaugeloft::update
