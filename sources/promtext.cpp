#include "sources/promtext.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <limits>

namespace gaugeloft::sources {

namespace {

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

QString Text(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// One line, read left to right.
class LineScanner {
public:
    explicit LineScanner(std::string_view line)
        : m_line(line)
    {
    }

    void SkipBlanks()
    {
        while (m_pos < m_line.size() && IsBlank(m_line[m_pos]))
            ++m_pos;
    }
    bool AtEnd() const { return m_pos >= m_line.size(); }
    char Peek() const { return AtEnd() ? '\0' : m_line[m_pos]; }
    bool Take(char c)
    {
        if (Peek() != c || AtEnd())
            return false;
        ++m_pos;
        return true;
    }
    // Characters up to the next blank (or the end).
    std::string_view Word()
    {
        const std::size_t start = m_pos;
        while (m_pos < m_line.size() && !IsBlank(m_line[m_pos]))
            ++m_pos;
        return m_line.substr(start, m_pos - start);
    }
    // A metric or label name: letters, digits, '_' (and ':' in metric names).
    std::string_view Name(bool colons)
    {
        const std::size_t start = m_pos;
        while (m_pos < m_line.size()
               && (IsLetter(m_line[m_pos]) || (m_pos > start && IsDigit(m_line[m_pos]))
                   || (colons && m_line[m_pos] == ':')))
            ++m_pos;
        return m_line.substr(start, m_pos - start);
    }
    // A quoted label value with its escapes undone; false when it is malformed.
    bool Quoted(QByteArray& value)
    {
        value.clear();
        if (!Take('"'))
            return false;
        while (m_pos < m_line.size()) {
            const char c = m_line[m_pos++];
            if (c == '"')
                return value.size() <= kPromMostLabelBytes;
            if (c != '\\') {
                value += c;
                continue;
            }
            if (m_pos >= m_line.size())
                return false;
            const char e = m_line[m_pos++];
            if (e == '\\' || e == '"')
                value += e;
            else if (e == 'n')
                value += '\n';
            else
                return false;
        }
        return false; // no closing quote
    }

private:
    std::string_view m_line;
    std::size_t m_pos = 0;
};

bool ReadComment(LineScanner& line)
{
    line.SkipBlanks();
    const std::string_view keyword = line.Word();
    if (keyword != "HELP" && keyword != "TYPE")
        return true; // any other comment
    line.SkipBlanks();
    if (!IsPromMetricName(line.Word()))
        return false;
    if (keyword == "HELP")
        return true;
    line.SkipBlanks();
    const std::string_view type = line.Word();
    line.SkipBlanks();
    if (!line.AtEnd())
        return false;
    for (const char* known : {"counter", "gauge", "histogram", "summary", "untyped"}) {
        if (type == known)
            return true;
    }
    return false;
}

bool ReadSample(LineScanner& line, PromSample& sample)
{
    const std::string_view name = line.Name(true);
    if (name.empty() || name.size() > std::size_t(kPromMostLabelBytes))
        return false;
    sample.name = Text(name);
    line.SkipBlanks();
    if (line.Take('{')) {
        QByteArray value;
        for (;;) {
            line.SkipBlanks();
            if (line.Take('}'))
                break;
            const std::string_view labelName = line.Name(false);
            if (labelName.empty() || labelName.size() > std::size_t(kPromMostLabelBytes))
                return false;
            line.SkipBlanks();
            if (!line.Take('='))
                return false;
            line.SkipBlanks();
            if (!line.Quoted(value))
                return false;
            if (int(sample.labels.size()) >= kPromMostLabels)
                return false;
            const QString labelText = Text(labelName);
            for (const PromLabel& seen : sample.labels) {
                if (seen.name == labelText)
                    return false; // a label twice
            }
            sample.labels.push_back({labelText, QString::fromUtf8(value)});
            line.SkipBlanks();
            if (line.Take('}'))
                break;
            if (!line.Take(','))
                return false;
        }
        line.SkipBlanks();
    }
    const std::optional<double> value = ParsePromValue(line.Word());
    if (!value)
        return false;
    sample.value = *value;
    line.SkipBlanks();
    if (!line.AtEnd()) {
        const std::string_view stamp = line.Word();
        qint64 ms = 0;
        const auto [end, error] = std::from_chars(stamp.data(), stamp.data() + stamp.size(), ms);
        if (error != std::errc() || end != stamp.data() + stamp.size())
            return false;
        sample.timestampMs = ms;
        line.SkipBlanks();
    }
    return line.AtEnd();
}

} // namespace

QString PromSample::Label(QLatin1StringView labelName) const
{
    for (const PromLabel& label : labels) {
        if (label.name == labelName)
            return label.value;
    }
    return {};
}

bool IsPromMetricName(std::string_view name)
{
    if (name.empty() || IsDigit(name.front()))
        return false;
    for (const char c : name) {
        if (!IsLetter(c) && !IsDigit(c) && c != ':')
            return false;
    }
    return true;
}

bool IsPromLabelName(std::string_view name)
{
    if (name.empty() || IsDigit(name.front()))
        return false;
    for (const char c : name) {
        if (!IsLetter(c) && !IsDigit(c))
            return false;
    }
    return true;
}

std::optional<double> ParsePromValue(std::string_view text)
{
    if (text == "NaN")
        return std::numeric_limits<double>::quiet_NaN();
    if (text == "+Inf" || text == "Inf")
        return std::numeric_limits<double>::infinity();
    if (text == "-Inf")
        return -std::numeric_limits<double>::infinity();
    if (text.size() > 1 && text.front() == '+' && text[1] != '-')
        text.remove_prefix(1);
    if (text.empty() || text.size() > 64)
        return std::nullopt;
    for (const char c : text) {
        if (!IsDigit(c) && c != '.' && c != 'e' && c != 'E' && c != '+' && c != '-')
            return std::nullopt; // no hex, no "infinity", no "nan" spelled otherwise
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range && end == text.data() + text.size())
        return std::strtod(std::string(text).c_str(), nullptr); // ±HUGE_VAL or a denormal/0, as Go reads it
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool ReadPromText(const QByteArray& text, PromSamples& out)
{
    out.clear();
    if (text.size() > kPromMostBytes)
        return false;
    const char* cursor = text.constData();
    const char* const end = cursor + text.size();
    while (cursor < end) {
        const char* newline = static_cast<const char*>(std::memchr(cursor, '\n', std::size_t(end - cursor)));
        const char* lineEnd = newline ? newline : end;
        std::string_view raw(cursor, std::size_t(lineEnd - cursor));
        cursor = newline ? newline + 1 : end;
        if (qsizetype(raw.size()) > kPromMostLineBytes) {
            out.clear();
            return false;
        }
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
        LineScanner line(raw);
        line.SkipBlanks();
        if (line.AtEnd())
            continue;
        if (line.Take('#')) {
            if (!ReadComment(line)) {
                out.clear();
                return false;
            }
            continue;
        }
        if (int(out.size()) >= kPromMostSamples) {
            out.clear();
            return false;
        }
        out.emplace_back();
        if (!ReadSample(line, out.back())) {
            out.clear();
            return false;
        }
    }
    return true;
}

} // namespace gaugeloft::sources
