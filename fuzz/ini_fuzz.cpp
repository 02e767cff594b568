// libFuzzer target for the INI reader and writer: any bytes must come back unchanged, reads
// must follow the rules, and written values must read back, also after parsing the result.

#include "platform/inifile.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

using gaugeloft::platform::IniFile;

namespace {

#define Check(condition)                                                                  \
    do {                                                                                  \
        if (!(condition)) {                                                               \
            std::fprintf(stderr, "ini_fuzz.cpp:%d: failed: %s\n", __LINE__, #condition); \
            std::abort();                                                                 \
        }                                                                                 \
    } while (false)

QString Default()
{
    return QStringLiteral("<no value>");
}

// Names as the input spells them, whether or not the parser takes them for names:
// what stands between '[' and ']', and what stands before '=' on a line.
void CollectNames(const QByteArray& input, std::vector<QString>* sections, std::vector<QString>* keys)
{
    const QList<QByteArray> lines = input.split('\n');
    for (const QByteArray& line : lines) {
        const qsizetype open = line.indexOf('[');
        const qsizetype close = line.indexOf(']', open + 1);
        if (open >= 0 && close > open && sections->size() < 4)
            sections->push_back(QString::fromUtf8(line.mid(open + 1, close - open - 1)));
        const qsizetype equals = line.indexOf('=');
        if (equals >= 0 && keys->size() < 4)
            keys->push_back(QString::fromUtf8(line.left(equals)));
    }
    sections->push_back(QString());
    keys->push_back(QString());
}

QString TrimBlanks(const QString& text)
{
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\r'; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

// What reading a written value gives.
QString Expected(QString value)
{
    return TrimBlanks(value.replace(u'\r', u' ').replace(u'\n', u' '));
}

// Section and key as the file compares them.
using Names = std::pair<QString, QString>;
Names Normal(const QString& section, const QString& key)
{
    return { TrimBlanks(section).toCaseFolded(), TrimBlanks(key).toCaseFolded() };
}

using Snapshot = std::map<Names, QString>;

Snapshot Read(const IniFile& ini, const std::vector<QString>& sections, const std::vector<QString>& keys)
{
    Snapshot values;
    for (const QString& section : sections) {
        for (const QString& key : keys) {
            const QString value = ini.ReadString(section, key, Default());
            const bool has = ini.HasKey(section, key);
            Check(value.size() <= IniFile::kMaxStringLength || value == Default());
            Check(!has || ini.HasSection(section));
            Check(has || value == Default());
            // Letter case and surrounding blanks do not matter.
            Check(ini.ReadString(QLatin1Char(' ') + section.toCaseFolded() + QLatin1Char('\t'),
                                 key.toCaseFolded() + QLatin1Char(' '), Default())
                  == value);
            const int number = ini.ReadInteger(section, key, 12345);
            Check(has || number == 12345);
            Check(ini.ReadBool(section, key, true) == (ini.ReadInteger(section, key, 1) != 0));
            Check(ini.ReadBool(section, key, false) == (ini.ReadInteger(section, key, 0) != 0));
            if (has)
                values[Normal(section, key)] = value;
        }
    }
    return values;
}

// A short value made from the input, line breaks and blanks included.
QString ValueFrom(const QByteArray& input, qsizetype from)
{
    if (input.isEmpty())
        return QStringLiteral(" v\r\n1 ");
    from %= input.size();
    return QString::fromUtf8(input.mid(from, 24));
}

QByteArray LineBreakOf(const QByteArray& text)
{
    const qsizetype newline = text.indexOf('\n');
    return newline > 0 && text[newline - 1] == '\r' ? QByteArray("\r\n") : QByteArray("\n");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    IniFile ini = IniFile::FromText(input);
    Check(ini.ToText() == input);

    std::vector<QString> sections;
    std::vector<QString> keys;
    CollectNames(input, &sections, &keys);
    const QString newSection = QStringLiteral("Fuzz New Section");
    const QString newKey = QStringLiteral("FuzzNewKey");
    sections.push_back(newSection);
    keys.push_back(newKey);
    const Snapshot before = Read(ini, sections, keys);

    // A new section goes at the end, and nothing else changes.
    if (!ini.HasSection(newSection)) {
        IniFile copy = ini;
        copy.WriteString(newSection, newKey, QStringLiteral("v"));
        const QByteArray lineBreak = LineBreakOf(input);
        QByteArray expected = input;
        const bool bomOnly = input == "\xEF\xBB\xBF";
        if (!input.isEmpty() && !bomOnly && !input.endsWith('\n'))
            expected += lineBreak;
        expected += "[" + newSection.toUtf8() + "]" + lineBreak + newKey.toUtf8() + "=v" + lineBreak;
        Check(copy.ToText() == expected);
    }

    // Writes: an existing key (when there is one), a new key in an existing section, a new
    // section, and whatever names the input offers.
    std::vector<std::pair<Names, QString>> writes;
    for (const auto& [names, value] : before) {
        writes.push_back({ names, ValueFrom(input, value.size() + 1) });
        break;
    }
    if (!before.empty())
        writes.push_back({ { before.rbegin()->first.first, newKey }, ValueFrom(input, 3) });
    writes.push_back({ { newSection, newKey }, ValueFrom(input, 7) });
    writes.push_back({ { sections.front(), keys.front() }, ValueFrom(input, 11) });

    Snapshot written;
    for (const auto& [names, value] : writes) {
        ini.WriteString(names.first, names.second, value);
        const Names folded = Normal(names.first, names.second);
        if (ini.HasKey(names.first, names.second))
            written[folded] = Expected(value);
        else
            Check(before.count(folded) == 0); // an existing key can always be written
    }
    // Names the writer can always store.
    Check(ini.HasKey(newSection, newKey));
    Check(ini.ReadString(newSection, newKey, Default()) == written[Normal(newSection, newKey)]);
    ini.WriteInteger(newSection, QStringLiteral("Number"), int(size) - 2000);
    ini.WriteBool(newSection, QStringLiteral("Flag"), size % 2 == 1);

    const QByteArray text = ini.ToText();
    const IniFile again = IniFile::FromText(text);
    Check(again.ToText() == text);
    for (const IniFile* file : { static_cast<const IniFile*>(&ini), &again }) {
        const Snapshot after = Read(*file, sections, keys);
        // What was not written reads as before; what was written reads back.
        for (const auto& [names, value] : before) {
            if (written.count(names) == 0) {
                const auto found = after.find(names);
                Check(found != after.end() && found->second == value);
            }
        }
        for (const auto& [names, value] : written) {
            Check(file->HasKey(names.first, names.second));
            Check(file->ReadString(names.first, names.second, Default()) == value);
        }
        Check(file->ReadInteger(newSection, QStringLiteral("Number"), 0) == int(size) - 2000);
        Check(file->ReadBool(newSection, QStringLiteral("Flag"), size % 2 == 0) == (size % 2 == 1));
    }
    return 0;
}
