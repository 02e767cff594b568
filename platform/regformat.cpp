#include "platform/regformat.h"

#include <QList>
#include <QStringDecoder>
#include <QStringView>

#include <algorithm>

namespace gaugeloft::platform::regformat {

namespace {

constexpr int kWrapColumn = 76;

bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }

QStringView TrimBlanks(QStringView s)
{
    while (!s.isEmpty() && IsBlank(s.front()))
        s = s.mid(1);
    while (!s.isEmpty() && IsBlank(s.back()))
        s.chop(1);
    return s;
}

// A line without its CR and surrounding blanks.
QStringView Clean(QStringView line)
{
    if (line.endsWith(u'\r'))
        line.chop(1);
    return TrimBlanks(line);
}

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// minDigits..maxDigits hex digits.
bool ParseHexNumber(QStringView s, int minDigits, int maxDigits, std::uint32_t* out)
{
    if (s.size() < minDigits || s.size() > maxDigits)
        return false;
    std::uint32_t n = 0;
    for (QChar c : s) {
        const int d = HexDigit(c);
        if (d < 0)
            return false;
        n = n << 4 | static_cast<std::uint32_t>(d);
    }
    *out = n;
    return true;
}

bool HasLoneSurrogate(const QString& s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c.isHighSurrogate()) {
            if (i + 1 >= s.size() || !s[i + 1].isLowSurrogate())
                return true;
            ++i;
        } else if (c.isLowSurrogate()) {
            return true;
        }
    }
    return false;
}

bool Decode(const QByteArray& file, QString* text)
{
    const auto bytes = reinterpret_cast<const unsigned char*>(file.constData());
    QStringConverter::Encoding encoding = QStringConverter::Utf8;
    qsizetype skip = 0;
    if (file.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        encoding = QStringConverter::Utf16LE;
        skip = 2;
        if (file.size() % 2 != 0)
            return false;
    } else if (file.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        skip = 3;
    }
    // A second BOM stays in the text (and then fails the header check).
    QStringDecoder decoder(encoding, QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
    *text = decoder.decode(QByteArrayView(file).sliced(skip));
    return !decoder.hasError() && !HasLoneSurrogate(*text);
}

// A quoted string at s[pos] (the opening quote): its text and the position after the closing
// quote, or -1.
qsizetype ParseQuoted(QStringView s, qsizetype pos, QString* out)
{
    out->clear();
    for (qsizetype i = pos + 1; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'"')
            return i + 1;
        if (c != u'\\') {
            out->append(c);
            continue;
        }
        if (++i >= s.size())
            return -1;
        switch (s[i].unicode()) {
        case u'\\': out->append(u'\\'); break;
        case u'"': out->append(u'"'); break;
        case u'n': out->append(u'\n'); break;
        case u'r': out->append(u'\r'); break;
        default: return -1;
        }
    }
    return -1;
}

bool ParseHexList(QStringView s, QByteArray* out)
{
    out->clear();
    if (TrimBlanks(s).isEmpty())
        return true;
    QList<QStringView> tokens = s.split(u',');
    if (tokens.size() > 1 && TrimBlanks(tokens.back()).isEmpty())
        tokens.removeLast(); // one trailing comma
    out->reserve(tokens.size());
    for (QStringView token : tokens) {
        std::uint32_t byte = 0;
        if (!ParseHexNumber(TrimBlanks(token), 2, 2, &byte))
            return false;
        out->append(static_cast<char>(byte));
    }
    return true;
}

bool StartsWithNoCase(QStringView s, QStringView prefix)
{
    return s.startsWith(prefix, Qt::CaseInsensitive);
}

// The data after '=': "text", dword:XXXXXXXX, hex:.. or hex(N):..
bool ParseData(QStringView data, Value* value)
{
    if (data.startsWith(u'"')) {
        const qsizetype end = ParseQuoted(data, 0, &value->text);
        value->kind = Kind::String;
        return end == data.size();
    }
    if (StartsWithNoCase(data, u"dword:")) {
        value->kind = Kind::DWord;
        return ParseHexNumber(data.mid(6), 8, 8, &value->number);
    }
    if (!StartsWithNoCase(data, u"hex"))
        return false;
    QStringView rest = data.mid(3);
    if (rest.startsWith(u'(')) {
        const qsizetype close = rest.indexOf(u')');
        if (close < 0 || !ParseHexNumber(rest.mid(1, close - 1), 1, 8, &value->number))
            return false;
        value->kind = Kind::Other;
        rest = rest.mid(close + 1);
    } else {
        value->kind = Kind::Binary;
    }
    if (!rest.startsWith(u':'))
        return false;
    return ParseHexList(rest.mid(1), &value->bytes);
}

QString Escape(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'\\': out += QLatin1String("\\\\"); break;
        case u'"': out += QLatin1String("\\\""); break;
        case u'\n': out += QLatin1String("\\n"); break;
        case u'\r': out += QLatin1String("\\r"); break;
        default: out += c;
        }
    }
    return out;
}

void PrintHexList(const QByteArray& bytes, qsizetype column, QByteArray* out)
{
    static const char digits[] = "0123456789abcdef";
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const bool last = i + 1 == bytes.size();
        const qsizetype width = last ? 2 : 3;
        if (i > 0 && column + width > kWrapColumn) {
            out->append("\\\n  ");
            column = 2;
        }
        const auto b = static_cast<unsigned char>(bytes[i]);
        out->append(digits[b >> 4]);
        out->append(digits[b & 15]);
        if (!last)
            out->append(',');
        column += width;
    }
}

void PrintValue(const Value& value, QByteArray* out)
{
    const qsizetype start = out->size();
    if (value.name.isEmpty())
        out->append('@');
    else
        out->append('"').append(Escape(value.name).toUtf8()).append('"');
    out->append('=');
    switch (value.kind) {
    case Kind::String:
        out->append('"').append(Escape(value.text).toUtf8()).append('"');
        break;
    case Kind::DWord:
        out->append("dword:").append(QByteArray::number(value.number, 16).rightJustified(8, '0'));
        break;
    case Kind::Binary:
        out->append("hex:");
        PrintHexList(value.bytes, out->size() - start, out);
        break;
    case Kind::Other:
        out->append("hex(").append(QByteArray::number(value.number, 16)).append("):");
        PrintHexList(value.bytes, out->size() - start, out);
        break;
    }
    out->append('\n');
}

} // namespace

QString Fold(const QString& text) { return text.toCaseFolded(); }

bool PathLess::operator()(const QString& a, const QString& b) const
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = a[i].unicode();
        const char16_t y = b[i].unicode();
        if (x == y)
            continue;
        if (x == u'\\')
            return true;
        if (y == u'\\')
            return false;
        return x < y;
    }
    return a.size() < b.size();
}

const Value* Section::Find(const QString& name) const
{
    const auto it = m_index.constFind(Fold(name));
    return it == m_index.constEnd() ? nullptr : &m_values[*it];
}

bool Section::Set(Value value)
{
    const QString folded = Fold(value.name);
    const auto it = m_index.constFind(folded);
    if (it == m_index.constEnd()) {
        m_index.insert(folded, m_values.size());
        m_values.push_back(std::move(value));
        return true;
    }
    Value& stored = m_values[*it];
    value.name = stored.name;
    if (stored == value)
        return false;
    stored = std::move(value);
    return true;
}

bool Section::Remove(const QString& name)
{
    const auto it = m_index.constFind(Fold(name));
    if (it == m_index.constEnd())
        return false;
    m_values.erase(m_values.begin() + static_cast<std::ptrdiff_t>(*it));
    m_index.clear();
    for (std::size_t i = 0; i < m_values.size(); ++i)
        m_index.insert(Fold(m_values[i].name), i);
    return true;
}

Section* Document::Find(const QString& path)
{
    const auto it = sections.find(Fold(path));
    return it == sections.end() ? nullptr : &it->second;
}

const Section* Document::Find(const QString& path) const
{
    const auto it = sections.find(Fold(path));
    return it == sections.end() ? nullptr : &it->second;
}

Section& Document::Add(const QString& path)
{
    return sections.try_emplace(Fold(path), path).first->second;
}

bool Document::HasKeyOrBelow(const QString& path) const
{
    // A backslash sorts before any other character, so the first path not below `path` is
    // either `path` itself or the first key under it, if there is one.
    const QString folded = Fold(path);
    const auto it = sections.lower_bound(folded);
    if (it == sections.end())
        return false;
    return it->first == folded
        || (it->first.size() > folded.size() && it->first.startsWith(folded) && it->first[folded.size()] == u'\\');
}

bool Document::RemoveKeyAndBelow(const QString& path)
{
    const QString folded = Fold(path);
    const auto under = [&](const QString& key) {
        return key == folded || (key.size() > folded.size() && key.startsWith(folded) && key[folded.size()] == u'\\');
    };
    bool removed = false;
    // the key and the keys below it stand together, from the key's place on
    for (auto it = sections.lower_bound(folded); it != sections.end() && under(it->first);) {
        it = sections.erase(it);
        removed = true;
    }
    return removed;
}

QString NormalizePath(const QString& path)
{
    const QLatin1String root(kCurrentUser);
    if (!path.startsWith(root, Qt::CaseInsensitive) || (path.size() > root.size() && path[root.size()] != u'\\'))
        return path;
    QString out = root;
    for (QStringView component : QStringView(path).mid(root.size()).split(u'\\', Qt::SkipEmptyParts))
        out.append(u'\\').append(component);
    return out;
}

bool Parse(const QByteArray& file, Document* doc, QString* error)
{
    *doc = {};
    const auto fail = [&](qsizetype line, const char* what) {
        *doc = {};
        if (error)
            *error = QStringLiteral("line %1: %2").arg(line + 1).arg(QLatin1String(what));
        return false;
    };
    QString text;
    if (!Decode(file, &text))
        return fail(-1, "not UTF-8 or UTF-16 text");
    QList<QStringView> lines = QStringView(text).split(u'\n');
    if (lines.size() > 1 && lines.back().isEmpty())
        lines.removeLast(); // the end of the last line, not a line
    if (Clean(lines.front()) != QLatin1String(kHeader))
        return fail(0, "no header line");

    Section* section = nullptr;
    QString joined;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype first = i;
        QStringView line = Clean(lines[i]);
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            if (line.size() < 3 || !line.endsWith(u']') || line[1] == u'-')
                return fail(i, "bad key line");
            section = &doc->Add(NormalizePath(line.mid(1, line.size() - 2).toString()));
            continue;
        }
        if (!section)
            return fail(i, "value outside a key");

        Value value;
        qsizetype pos = 0;
        if (line.startsWith(u'@')) {
            pos = 1;
        } else if (line.startsWith(u'"')) {
            pos = ParseQuoted(line, 0, &value.name);
            if (pos < 0)
                return fail(i, "bad value name");
        } else {
            return fail(i, "not a key, value or comment");
        }
        while (pos < line.size() && IsBlank(line[pos]))
            ++pos;
        if (pos >= line.size() || line[pos] != u'=')
            return fail(i, "no '=' after the value name");
        QStringView data = TrimBlanks(line.mid(pos + 1));

        // Hex lists go on over lines that end in a backslash.
        if (StartsWithNoCase(data, u"hex") && data.endsWith(u'\\')) {
            joined = data.toString();
            while (joined.endsWith(u'\\')) {
                joined.chop(1);
                if (++i >= lines.size())
                    return fail(first, "hex list runs past the end");
                joined += Clean(lines[i]);
            }
            data = joined;
        }
        if (!ParseData(data, &value))
            return fail(first, "bad value data");
        section->Set(std::move(value));
    }
    return true;
}

QByteArray Print(const Document& doc)
{
    QByteArray out(kHeader);
    out.append("\n\n");
    for (const auto& [folded, section] : doc.sections) {
        out.append('[').append(section.Path().toUtf8()).append("]\n");
        for (const Value& value : section.Values())
            PrintValue(value, &out);
        out.append('\n');
    }
    return out;
}

} // namespace gaugeloft::platform::regformat
