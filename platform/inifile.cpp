#include "platform/inifile.h"

#include <QFile>
#include <QStringDecoder>

#include <utility>

#include <cerrno>
#include <cstring>
#include <limits>

namespace gaugeloft::platform {

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

// Blanks around names and values. A stray carriage return counts too, so a last line
// "key=value\r" means the same before and after a line break is added to it.
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r';
}

// The [begin, end) of `text` without blanks at either end.
template <typename Text>
std::pair<qsizetype, qsizetype> TrimBounds(const Text& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return {begin, end};
}

QByteArrayView TrimmedBytes(QByteArrayView text)
{
    const auto [begin, end] = TrimBounds(text);
    return text.sliced(begin, end - begin);
}

QString Trimmed(const QString& text)
{
    const auto [begin, end] = TrimBounds(text);
    if (begin == 0 && end == text.size())
        return text;
    return text.sliced(begin, end - begin);
}

// UTF-8 to text; unlike QString::fromUtf8(), a leading U+FEFF stays (a name or value may
// start with one, and then it has to read back as written).
QString Decode(QByteArrayView utf8)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(utf8);
}

QString FoldedBytes(QByteArrayView name)
{
    return Decode(TrimmedBytes(name)).toCaseFolded();
}

QString Folded(const QString& name)
{
    return Trimmed(name).toCaseFolded();
}

// What a line is, looked at without its line break.
struct LineKind {
    enum { Other, Header, Entry } kind = Other;
    QByteArrayView name;        // section or key, untrimmed
    qsizetype valueOffset = -1; // entries
};

LineKind Classify(QByteArrayView raw)
{
    LineKind result;
    qsizetype i = 0;
    while (i < raw.size() && IsBlank(raw[i]))
        ++i;
    if (i == raw.size() || raw[i] == ';' || raw[i] == '#')
        return result;
    if (raw[i] == '[') {
        const qsizetype close = raw.indexOf(']', i + 1);
        if (close < 0)
            return result;
        result.kind = LineKind::Header;
        result.name = raw.sliced(i + 1, close - i - 1);
        return result;
    }
    const qsizetype equals = raw.indexOf('=', i);
    if (equals < 0 || TrimmedBytes(raw.sliced(i, equals - i)).isEmpty())
        return result;
    result.kind = LineKind::Entry;
    result.name = raw.sliced(i, equals - i);
    result.valueOffset = equals + 1;
    return result;
}

bool CanBeSectionName(const QString& name)
{
    return !name.contains(u']') && !name.contains(u'\n');
}

bool CanBeKey(const QString& key)
{
    if (key.isEmpty() || key.contains(u'=') || key.contains(u'\n'))
        return false;
    const QChar first = key.front();
    return first != u';' && first != u'#' && first != u'[';
}

// Decimal with an optional sign within 32 bits, or 0x and 1..8 hex digits.
bool ParseInteger(QByteArrayView text, int* value)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        if (text.size() > 10)
            return false;
        quint32 number = 0;
        for (qsizetype i = 2; i < text.size(); ++i) {
            const char c = text[i];
            int digit;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            else
                return false;
            number = number * 16 + quint32(digit);
        }
        *value = static_cast<int>(number);
        return true;
    }
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return false;
    const qint64 limit = negative ? -qint64(std::numeric_limits<int>::min())
                                  : qint64(std::numeric_limits<int>::max());
    qint64 number = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + (c - '0');
        if (number > limit)
            return false;
    }
    *value = static_cast<int>(negative ? -number : number);
    return true;
}

} // namespace

IniFile IniFile::FromText(const QByteArray& utf8)
{
    IniFile ini;
    QByteArrayView text(utf8);
    if (text.startsWith(QByteArrayView(kBom))) {
        ini.m_bom = true;
        text = text.sliced(3);
    }
    bool breakSeen = false;
    Section* current = &ini.m_sections.front();
    qsizetype pos = 0;
    while (pos < text.size()) {
        Line line;
        const qsizetype newline = text.indexOf('\n', pos);
        qsizetype end = newline < 0 ? text.size() : newline;
        if (newline >= 0) {
            line.lineBreak = Break::Lf;
            if (end > pos && text[end - 1] == '\r') {
                line.lineBreak = Break::CrLf;
                --end;
            }
            if (!breakSeen) {
                ini.m_lineBreak = line.lineBreak;
                breakSeen = true;
            }
        }
        line.raw = text.sliced(pos, end - pos).toByteArray();
        pos = newline < 0 ? text.size() : newline + 1;

        const LineKind kind = Classify(line.raw);
        if (kind.kind == LineKind::Header) {
            ini.m_sections.push_back(Section { FoldedBytes(kind.name), {}, {}, 0 });
            current = &ini.m_sections.back();
            if (!ini.m_sectionIndex.contains(current->name)) // the first one wins
                ini.m_sectionIndex.insert(current->name, qsizetype(ini.m_sections.size() - 1));
        } else if (kind.kind == LineKind::Entry) {
            line.valueOffset = kind.valueOffset;
            current->lastEntry = qsizetype(current->lines.size());
            const QString key = FoldedBytes(kind.name);
            if (!current->keys.contains(key))
                current->keys.insert(key, current->lastEntry);
        }
        current->lines.push_back(std::move(line));
    }
    return ini;
}

QByteArray IniFile::ToText() const
{
    qsizetype size = m_bom ? 3 : 0;
    for (const Section& section : m_sections) {
        for (const Line& line : section.lines)
            size += line.raw.size() + 2;
    }
    QByteArray text;
    text.reserve(size);
    if (m_bom)
        text.append(kBom);
    for (const Section& section : m_sections) {
        for (const Line& line : section.lines) {
            text.append(line.raw);
            if (line.lineBreak == Break::Lf)
                text.append('\n');
            else if (line.lineBreak == Break::CrLf)
                text.append("\r\n");
        }
    }
    return text;
}

qsizetype IniFile::FindSection(const QString& foldedSection) const
{
    return m_sectionIndex.value(foldedSection, -1);
}

const IniFile::Line* IniFile::FindEntry(const QString& section, const QString& key) const
{
    const qsizetype index = FindSection(Folded(section));
    if (index < 0)
        return nullptr;
    const Section& s = m_sections[size_t(index)];
    const auto entry = s.keys.constFind(Folded(key));
    return entry == s.keys.cend() ? nullptr : &s.lines[size_t(*entry)];
}

bool IniFile::HasSection(const QString& section) const
{
    return FindSection(Folded(section)) >= 0;
}

bool IniFile::HasKey(const QString& section, const QString& key) const
{
    return FindEntry(section, key) != nullptr;
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const Line* line = FindEntry(section, key);
    if (!line)
        return defaultValue;
    QString value = Decode(TrimmedBytes(QByteArrayView(line->raw).sliced(line->valueOffset)));
    if (value.size() > kMaxStringLength) {
        qsizetype length = kMaxStringLength;
        // Do not leave half of a surrogate pair.
        if (value[length - 1].isHighSurrogate())
            --length;
        value.truncate(length);
    }
    return value;
}

int IniFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const
{
    const Line* line = FindEntry(section, key);
    if (!line)
        return defaultValue;
    int value = 0;
    if (!ParseInteger(TrimmedBytes(QByteArrayView(line->raw).sliced(line->valueOffset)), &value))
        return defaultValue;
    return value;
}

bool IniFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::InsertLine(Section& section, qsizetype at, QByteArray raw, qsizetype valueOffset)
{
    // The line before the new one may be the last of the file, without a line break.
    Line* previous = nullptr;
    if (at > 0) {
        previous = &section.lines[size_t(at - 1)];
    } else {
        for (auto s = m_sections.rbegin(); s != m_sections.rend() && !previous; ++s) {
            if (&*s != &section && !s->lines.empty())
                previous = &s->lines.back();
        }
    }
    if (previous && previous->lineBreak == Break::None)
        previous->lineBreak = m_lineBreak;
    section.lines.insert(section.lines.begin() + at, Line { std::move(raw), m_lineBreak, valueOffset });
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    const QString sectionName = Trimmed(section);
    const QString keyName = Trimmed(key);
    if (!CanBeSectionName(sectionName) || !CanBeKey(keyName))
        return;
    QByteArray valueBytes = value.toUtf8();
    valueBytes.replace('\r', ' ').replace('\n', ' ');

    const QString foldedSection = sectionName.toCaseFolded();
    const QString foldedKey = keyName.toCaseFolded();
    qsizetype index = FindSection(foldedSection);
    if (index < 0) {
        m_sections.push_back(Section { foldedSection, {}, {}, 0 });
        index = qsizetype(m_sections.size() - 1);
        m_sectionIndex.insert(foldedSection, index);
        InsertLine(m_sections.back(), 0, '[' + sectionName.toUtf8() + ']', -1);
    }
    Section& s = m_sections[size_t(index)];

    const auto entry = s.keys.constFind(foldedKey);
    if (entry != s.keys.cend()) {
        // Keep the key as it is spelled, and the blanks after '='.
        Line& line = s.lines[size_t(*entry)];
        qsizetype keep = line.valueOffset;
        while (keep < line.raw.size() && (line.raw[keep] == ' ' || line.raw[keep] == '\t'))
            ++keep;
        line.raw.truncate(keep);
        line.raw.append(valueBytes);
        return;
    }
    QByteArray raw = keyName.toUtf8();
    raw.append('=');
    const qsizetype valueOffset = raw.size();
    raw.append(valueBytes);
    const qsizetype at = s.lastEntry + 1;
    InsertLine(s, at, std::move(raw), valueOffset);
    s.lastEntry = at;
    s.keys.insert(foldedKey, at);
}

void IniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    WriteString(section, key, QString::number(value));
}

void IniFile::WriteBool(const QString& section, const QString& key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace gaugeloft::platform
