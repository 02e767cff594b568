#pragma once

// The program's per-user settings: typed values (text, 32-bit numbers, bytes) under keys with
// backslash paths below HKEY_CURRENT_USER, kept in one text file in the registry-export format
// ("Windows Registry Editor Version 5.00", [HKEY_CURRENT_USER\...] sections, "name"="text",
// "name"=dword:0000002a, "name"=hex:01,02). Every read takes a shared flock and every change an
// exclusive one around read-modify-write, and the file is replaced atomically, so programs
// writing at the same time lose nothing. A file that cannot be parsed is kept aside under a new
// name before a new one is written.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>

namespace gaugeloft::platform {

// Raised with the texts "Invalid data type for '%s'" and "Failed to set data for '%s'"
// (the value name in place of %s).
class SettingsError : public std::runtime_error {
public:
    explicit SettingsError(const QString& message)
        : std::runtime_error(message.toStdString())
    {
    }
    QString Message() const { return QString::fromStdString(what()); }
};

enum class SettingsType { String, DWord, Binary };

struct SettingsValue {
    SettingsType Type = SettingsType::String;
    QString Text;             // String
    std::uint32_t Number = 0; // DWord
    QByteArray Bytes;         // Binary
};

class SettingsStore {
public:
    // ${XDG_CONFIG_HOME:-~/.config}/Marrowind/registry.reg
    static QString DefaultPath();

    explicit SettingsStore(QString path);

    QString Path() const { return m_path; }

    // Keys are paths below HKEY_CURRENT_USER such as "Software\\Marrowind\\Gaugeloft"; letter
    // case does not matter in key or value names.
    bool KeyExists(const QString& key) const;
    // Every value of the key, default value ("") included, in the order first written.
    QStringList ValueNames(const QString& key) const;
    // Nothing when missing, and for values of types kept but not handled here (hex(N) data).
    std::optional<SettingsValue> Read(const QString& key, const QString& name) const;

    // Typed reads: nothing when the key or value is missing; SettingsError "Invalid data type"
    // when the value has another type (hex(N) data included).
    std::optional<QString> ReadString(const QString& key, const QString& name) const;
    std::optional<std::uint32_t> ReadDWord(const QString& key, const QString& name) const;
    std::optional<QByteArray> ReadBinary(const QString& key, const QString& name) const;

    // Writes create the key. SettingsError "Failed to set data" when the file cannot be saved
    // (or the key has a line break); the file then stays as it was.
    void WriteString(const QString& key, const QString& name, const QString& value);
    void WriteDWord(const QString& key, const QString& name, std::uint32_t value);
    void WriteBinary(const QString& key, const QString& name, const QByteArray& value);
    // True when there was such a value. SettingsError "Failed to set data" when not saved.
    bool DeleteValue(const QString& key, const QString& name);
    // Deletes the key with its values and every key below it; true when there was one.
    // SettingsError "Failed to set data" when not saved.
    bool DeleteKey(const QString& key);

    // Set when a file that could not be parsed was kept aside: where it went. The program
    // tells the user once and clears it.
    QString TakeSetAsideNotice();

    // How the file is written (tests put a failing writer in).
    std::function<bool(const QString& path, const QByteArray& data, QString* error)> Writer;

private:
    QString m_path;
    QString m_setAside;
};

} // namespace gaugeloft::platform
