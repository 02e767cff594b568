#pragma once

// The catalog of updatable programs in the settings store: one key per program below
// "Software\MARROWIND\Ravelwick\Apps", named by the program's GUID ("{XXXXXXXX-...}"), holding
// its path, title, version, update address and the last check. The program writes only its own
// entry and reads back only its own "LastCheck".

#include <QString>

#include <cstdint>
#include <optional>

namespace gaugeloft::platform {
class SettingsStore;
}

namespace gaugeloft::update {

// A GUID's text in the catalog's form: braces, upper-case hexadecimal, 38 characters.
// Nothing when `text` is not a GUID or is the all-zero one.
std::optional<QString> CatalogGuidText(const QString& text);
// A new random GUID in that form.
QString NewCatalogGuid();
// Empty or blank, or the all-zero GUID.
bool IsCheckGUIDEmpty(const QString& guidText);

// What a program writes into its entry, in this order.
struct CatalogEntry {
    QString ExecutablePath;  // the default value
    QString Title;
    QString Version;
    QString UpdateUrl;
    QString RunParams;
    QString WebIndex;
    QString TempFile;
    QString Mutex;
    double LastCheck = 0;    // day number, local time
    std::uint32_t Pid = 0;   // the main window's native id; 0 when the program ends
};

class UpdateCatalog {
public:
    explicit UpdateCatalog(platform::SettingsStore& store) : m_store(store) {}

    static QString EntryKey(const QString& guidText);

    // The entry exists and names `executablePath` (letter case aside).
    bool IsRegistered(const QString& guidText, const QString& executablePath) const;
    // Writes the entry; its "LastCheck" is the later of the stored one and `entry`'s.
    void Register(const QString& guidText, const CatalogEntry& entry);
    void Unregister(const QString& guidText);
    // The entry's "LastCheck" when it is 8 bytes of binary data; anything else is ignored.
    std::optional<double> StoredLastCheck(const QString& guidText) const;

private:
    platform::SettingsStore& m_store;
};

} // namespace gaugeloft::update
