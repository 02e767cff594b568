#pragma once

// The registry-export text format in memory: "Windows Registry Editor Version 5.00", then
// [ROOT\key\path] sections of "name"="text", "name"=dword:0000002a, "name"=hex:01,02 and
// "name"=hex(N):... values (@ is the default value). Section paths and value names compare
// without letter case and keep the spelling first seen. Comments and blank lines are not kept.

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>
#include <map>
#include <vector>

namespace gaugeloft::platform::regformat {

inline constexpr char kHeader[] = "Windows Registry Editor Version 5.00";
inline constexpr char kCurrentUser[] = "HKEY_CURRENT_USER";

// Other: hex(N) data of any type N (expandable text, multi-text, 64-bit numbers...), kept
// as bytes.
enum class Kind { String, DWord, Binary, Other };

struct Value {
    QString name;             // empty for the default value
    Kind kind = Kind::String;
    QString text;             // String
    std::uint32_t number = 0; // DWord; the N of hex(N) for Other
    QByteArray bytes;         // Binary, Other
    bool operator==(const Value&) const = default;
};

class Section {
public:
    explicit Section(QString path = {}) : m_path(std::move(path)) {}

    // Full path as first spelled, root included: HKEY_CURRENT_USER\Software\Marrowind.
    const QString& Path() const { return m_path; }
    // In the order first written.
    const std::vector<Value>& Values() const { return m_values; }

    const Value* Find(const QString& name) const;
    // Adds or replaces (keeping the stored spelling of the name); false when nothing changed.
    bool Set(Value value);
    bool Remove(const QString& name);

    bool operator==(const Section& other) const
    {
        return m_path == other.m_path && m_values == other.m_values;
    }

private:
    QString m_path;
    std::vector<Value> m_values;
    QHash<QString, std::size_t> m_index; // folded name -> position in m_values
};

// Orders folded paths as a tree: a key comes right before the keys below it.
struct PathLess {
    bool operator()(const QString& a, const QString& b) const;
};

QString Fold(const QString& text);

struct Document {
    std::map<QString, Section, PathLess> sections; // by folded path, the order they are written

    Section* Find(const QString& path);
    const Section* Find(const QString& path) const;
    // The section with this path, created when missing.
    Section& Add(const QString& path);
    // True when the key or any key below it has a section.
    bool HasKeyOrBelow(const QString& path) const;
    // Removes the key and every key below it; false when there was none.
    bool RemoveKeyAndBelow(const QString& path);
    bool operator==(const Document&) const = default;
};

// Section paths below HKEY_CURRENT_USER get the root spelled as above and no empty parts
// ("Software\\\\X\\" is "Software\\X"); other roots stay as written.
QString NormalizePath(const QString& path);

// UTF-8 (with or without BOM, LF or CRLF) or UTF-16LE with BOM. False with the reason and line
// when the text is not a well-formed file; `doc` is then empty.
bool Parse(const QByteArray& file, Document* doc, QString* error);
// UTF-8, LF, sections in order, long hex lists wrapped at 76 columns.
QByteArray Print(const Document& doc);

} // namespace gaugeloft::platform::regformat
