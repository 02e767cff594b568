#pragma once

// An INI file in memory, with the rules of the classic profile-file functions: sections and
// keys compared without letter case, a missing section or key gives the reader's default,
// integers in decimal or 0x hexadecimal, strings read up to 2047 characters; writing a key
// replaces its value where it stands or appends it to its section, a new section goes at the
// end, and every line the program does not know is kept byte for byte. Text is UTF-8.
// Names and values are read without the spaces and tabs (and stray carriage returns) around
// them; the first of two sections or keys with the same name is the one read and written.
// New lines get the file's line break (that of its first line).

#include <QByteArray>
#include <QHash>
#include <QString>

#include <functional>
#include <vector>

namespace gaugeloft::platform {

class IniFile {
public:
    static constexpr int kMaxStringLength = 2047;

    IniFile() = default;
    // Never fails: whatever cannot be understood is kept as it is.
    static IniFile FromText(const QByteArray& utf8);
    QByteArray ToText() const;

    bool HasSection(const QString& section) const;
    bool HasKey(const QString& section, const QString& key) const;

    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    // Decimal with an optional sign, or 0x and up to 8 hex digits (32-bit); anything else,
    // including a number out of range, gives the default.
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    // An integer; any non-zero number is true.
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;

    // Line breaks in a value are written as spaces (one entry is one line). Names that could not
    // be read back are not written: an empty key, a key with '=' or a line break or starting
    // with ';', '#' or '[', a section name with ']' or a line break.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteBool(const QString& section, const QString& key, bool value);

private:
    enum class Break : unsigned char { None, Lf, CrLf };
    struct Line {
        QByteArray raw;          // the line as read or written, without its line break
        Break lineBreak = Break::None;
        qsizetype valueOffset = -1; // entries: where the value starts in raw (after '='); -1 otherwise
    };
    struct Section {
        QString name;            // case-folded; empty for the lines before the first header
        std::vector<Line> lines; // a section with a header has it in lines[0]
        QHash<QString, qsizetype> keys; // case-folded key -> its first entry in lines
        qsizetype lastEntry = 0; // the last entry line, or the header when there is none
    };
    // Index into m_sections, -1 when missing; names already trimmed and case-folded.
    qsizetype FindSection(const QString& foldedSection) const;
    const Line* FindEntry(const QString& section, const QString& key) const;
    void InsertLine(Section& section, qsizetype at, QByteArray raw, qsizetype valueOffset);

    std::vector<Section> m_sections { Section {} }; // [0]: lines before the first header
    QHash<QString, qsizetype> m_sectionIndex;       // case-folded name -> its first section
    Break m_lineBreak = Break::Lf;
    bool m_bom = false;
};

} // namespace gaugeloft::platform
