#include "update/hyperparse.h"

#include <QHash>

#include <array>

namespace gaugeloft::update {

namespace {

// The named entities: the four of markup and the ISO 8859-1 names for codes 160 to 255.
constexpr std::array<const char*, 96> kLatin1Names = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",
    "uml",    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",
    "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",  "para",   "middot",
    "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest",
    "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil",
    "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",
    "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "times",
    "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",
    "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",
    "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml",
};

// "&name;" to its numeric form's number.
const QHash<QString, int>& NamedEntities()
{
    static const QHash<QString, int> table = [] {
        QHash<QString, int> names;
        names.insert(QStringLiteral("&quot;"), 34);
        names.insert(QStringLiteral("&amp;"), 38);
        names.insert(QStringLiteral("&lt;"), 60);
        names.insert(QStringLiteral("&gt;"), 62);
        int code = 160;
        for (const char* name : kLatin1Names)
            names.insert(QLatin1Char('&') + QLatin1String(name) + QLatin1Char(';'), code++);
        return names;
    }();
    return table;
}

constexpr qsizetype kLongestName = 8;  // "&frac14;"

bool IsTerminator(QChar c)
{
    return c == u';' || c == u' ';
}

// "&#n;" with n at most three decimal digits, or "&#xh;" with at most three hexadecimal
// digits; the terminator may be a space. Codes above 255 are not in the character table.
bool DecodeNumeric(QStringView entity, char16_t* decoded)
{
    if (entity.size() <= 2 || entity[1] != u'#')
        return false;
    QStringView digits = entity.mid(2, entity.size() - 3);
    int base = 10;
    if (!digits.isEmpty() && (digits[0] == u'x' || digits[0] == u'X')) {
        base = 16;
        digits = digits.mid(1);
    }
    if (digits.isEmpty() || digits.size() > 3)
        return false;
    int code = 0;
    for (QChar c : digits) {
        const int digit = c.isDigit() && c.unicode() < 128 ? c.unicode() - u'0'
            : base == 16 && c.unicode() >= u'a' && c.unicode() <= u'f' ? c.unicode() - u'a' + 10
            : base == 16 && c.unicode() >= u'A' && c.unicode() <= u'F' ? c.unicode() - u'A' + 10
            : -1;
        if (digit < 0 || digit >= base)
            return false;
        code = code * base + digit;
    }
    if (code > 255)
        return false;
    *decoded = code < 32 || code == 160 ? u' ' : static_cast<char16_t>(code);
    return true;
}

bool DecodeEntity(QStringView entity, char16_t* decoded)
{
    if (DecodeNumeric(entity, decoded))
        return true;
    if (entity.size() > kLongestName)
        return false;
    const auto& names = NamedEntities();
    const auto found = names.constFind(entity.toString());
    if (found == names.cend())
        return false;
    *decoded = found.value() == 160 ? u' ' : static_cast<char16_t>(found.value());
    return true;
}

// The reader of tag tokens: a word up to "=" or a space; "=" and a double quote take
// everything up to the next double quote, spaces included; "=" and anything else takes
// everything up to the next space.
QList<QStringView> TagTokens(QStringView raw)
{
    QList<QStringView> tokens;
    const qsizetype n = raw.size();
    qsizetype i = 0;
    while (true) {
        while (i < n && raw[i] == u' ')
            ++i;
        if (i >= n)
            break;
        const qsizetype start = i;
        while (i < n && raw[i] != u'=' && raw[i] != u' ')
            ++i;
        if (i < n && raw[i] == u'=') {
            if (i + 1 < n && raw[i + 1] == u'"') {
                i += 2;
                while (i < n && raw[i] != u'"')
                    ++i;
                if (i < n)
                    ++i;  // the closing quote
            } else {
                while (i < n && raw[i] != u' ')
                    ++i;
            }
        }
        tokens.append(raw.mid(start, i - start));
    }
    return tokens;
}

// "!-- text --" keeps "text": from the fourth character, leading spaces skipped, the last
// character dropped, then trailing spaces and dashes.
QString CommentText(const QString& raw)
{
    QStringView text = QStringView(raw).mid(3);
    while (!text.isEmpty() && text.front() == u' ')
        text = text.mid(1);
    text.chop(1);
    while (!text.isEmpty() && (text.back() == u' ' || text.back() == u'-'))
        text.chop(1);
    return text.toString();
}

void FinishTag(THtmlInfo& item)
{
    const QList<QStringView> tokens = TagTokens(item.Text);
    if (tokens.isEmpty())
        return;
    item.Name = tokens.front().toString().toUpper();
    if (item.Name.size() > 2 && item.Name.startsWith(QLatin1String("!--"))) {
        THtmlParameter comment;
        comment.Raw = CommentText(item.Text);
        item.Params.append(comment);
        return;
    }
    for (qsizetype t = 1; t < tokens.size(); ++t) {
        THtmlParameter parameter;
        parameter.Raw = tokens[t].toString();
        const qsizetype equals = parameter.Raw.indexOf(u'=');
        if (equals < 0) {
            parameter.Name = parameter.Raw;
        } else {
            parameter.Name = parameter.Raw.left(equals);
            parameter.Value = parameter.Raw.mid(equals + 1).remove(u'"');
        }
        item.Params.append(parameter);
    }
}

} // namespace

QString DecodeEntities(const QString& text)
{
    if (!text.contains(u'&'))
        return text;
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    qsizetype terminator = -1;  // the next ";" or space after the latest "&", n when none
    for (qsizetype i = 0; i < n;) {
        const QChar c = text[i];
        if (c != u'&') {
            out.append(c);
            ++i;
            continue;
        }
        if (terminator <= i) {
            terminator = i + 1;
            while (terminator < n && !IsTerminator(text[terminator]))
                ++terminator;
        }
        char16_t decoded = 0;
        if (terminator < n && DecodeEntity(QStringView(text).mid(i, terminator - i + 1), &decoded)) {
            out.append(QChar(decoded));
            i = terminator + 1;
        } else {
            out.append(c);
            ++i;
        }
    }
    return out;
}

QString THtmlInfo::ParamValue(const QString& name) const
{
    for (const THtmlParameter& parameter : Params) {
        if (parameter.Name.compare(name, Qt::CaseInsensitive) == 0)
            return parameter.Value;
    }
    return QString();
}

void THyperParse::Parse(const QString& text)
{
    m_items.clear();
    bool insideTag = false;
    bool open = false;
    THtmlInfo item;
    const auto close = [&] {
        if (!open)
            return;
        if (item.IsTag)
            FinishTag(item);
        else
            item.Text = DecodeEntities(item.Text);
        m_items.push_back(std::move(item));
        item = THtmlInfo();
        open = false;
    };
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (c == u'<') {
            if (insideTag)
                continue;  // dropped
            close();
            item.IsTag = true;
            open = true;
            insideTag = true;
        } else if (c == u'>') {
            close();
            insideTag = false;
        } else if (open || code < 21 || insideTag) {
            if (open && code >= 32)
                item.Text.append(c);
        } else {
            open = true;
            if (code >= 32)
                item.Text.append(c);
        }
    }
    close();
}

} // namespace gaugeloft::update
