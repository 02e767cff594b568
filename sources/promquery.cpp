#include "sources/promquery.h"

#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace gaugeloft::sources {

namespace {

// A strict JSON reader for the one shape of answer, straight into samples: QJsonDocument
// would build a whole tree first, which costs more than the rest of a poll.
class JsonCursor {
public:
    JsonCursor(const char* begin, const char* end)
        : m_p(begin)
        , m_end(end)
    {
    }

    bool Take(char c)
    {
        SkipSpace();
        if (m_p == m_end || *m_p != c)
            return false;
        ++m_p;
        return true;
    }

    bool AtEnd()
    {
        SkipSpace();
        return m_p == m_end;
    }

    // A string with its escapes undone, as UTF-8; `plain` views the text when it has none.
    bool String(std::string_view& plain, std::string& decoded)
    {
        if (!Take('"'))
            return false;
        const char* start = m_p;
        while (m_p != m_end && *m_p != '"' && *m_p != '\\' && static_cast<unsigned char>(*m_p) >= 0x20)
            ++m_p;
        if (m_p != m_end && *m_p == '"') {
            plain = std::string_view(start, std::size_t(m_p - start));
            ++m_p;
            return true;
        }
        decoded.assign(start, std::size_t(m_p - start));
        while (m_p != m_end) {
            const char c = *m_p++;
            if (c == '"') {
                plain = decoded;
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c != '\\') {
                decoded += c;
                continue;
            }
            if (m_p == m_end)
                return false;
            switch (const char e = *m_p++) {
            case '"': case '\\': case '/': decoded += e; break;
            case 'b': decoded += '\b'; break;
            case 'f': decoded += '\f'; break;
            case 'n': decoded += '\n'; break;
            case 'r': decoded += '\r'; break;
            case 't': decoded += '\t'; break;
            case 'u': {
                char32_t code = 0;
                if (!Hex4(code))
                    return false;
                if (code >= 0xD800 && code <= 0xDBFF) {
                    char32_t low = 0;
                    if (m_end - m_p < 2 || m_p[0] != '\\' || m_p[1] != 'u')
                        return false;
                    m_p += 2;
                    if (!Hex4(low) || low < 0xDC00 || low > 0xDFFF)
                        return false;
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                } else if (code >= 0xDC00 && code <= 0xDFFF) {
                    return false; // a lone low surrogate
                }
                AppendUtf8(decoded, code);
                break;
            }
            default: return false;
            }
        }
        return false;
    }

    bool Number(double& value)
    {
        SkipSpace();
        const char* start = m_p;
        if (m_p != m_end && *m_p == '-')
            ++m_p;
        if (m_p == m_end || !IsDigit(*m_p))
            return false;
        if (*m_p == '0')
            ++m_p;
        else
            SkipDigits();
        if (m_p != m_end && *m_p == '.') {
            ++m_p;
            if (!SkipDigits())
                return false;
        }
        if (m_p != m_end && (*m_p == 'e' || *m_p == 'E')) {
            ++m_p;
            if (m_p != m_end && (*m_p == '+' || *m_p == '-'))
                ++m_p;
            if (!SkipDigits())
                return false;
        }
        const auto [end, error] = std::from_chars(start, m_p, value);
        return end == m_p && error == std::errc();
    }

    // Any value, not kept; nesting is bounded.
    bool SkipValue(int depth = 0)
    {
        if (depth > 64)
            return false;
        SkipSpace();
        if (m_p == m_end)
            return false;
        std::string_view text;
        std::string scratch;
        double number = 0;
        switch (*m_p) {
        case '"': return String(text, scratch);
        case '{':
            return Members([&](std::string_view) { return SkipValue(depth + 1); }, scratch);
        case '[':
            return Elements([&] { return SkipValue(depth + 1); });
        case 't': return Word("true");
        case 'f': return Word("false");
        case 'n': return Word("null");
        default: return Number(number);
        }
    }

    // {"key": value, ...}: `member` reads each value.
    template <typename Member>
    bool Members(Member&& member, std::string& keyScratch)
    {
        if (!Take('{'))
            return false;
        if (Take('}'))
            return true;
        do {
            std::string_view key;
            if (!String(key, keyScratch) || !Take(':') || !member(key))
                return false;
        } while (Take(','));
        return Take('}');
    }

    // [value, ...]: `element` reads each value.
    template <typename Element>
    bool Elements(Element&& element)
    {
        if (!Take('['))
            return false;
        if (Take(']'))
            return true;
        do {
            if (!element())
                return false;
        } while (Take(','));
        return Take(']');
    }

private:
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    void SkipSpace()
    {
        while (m_p != m_end && (*m_p == ' ' || *m_p == '\n' || *m_p == '\r' || *m_p == '\t'))
            ++m_p;
    }

    bool SkipDigits()
    {
        const char* start = m_p;
        while (m_p != m_end && IsDigit(*m_p))
            ++m_p;
        return m_p != start;
    }

    bool Word(std::string_view word)
    {
        if (std::size_t(m_end - m_p) < word.size() || std::string_view(m_p, word.size()) != word)
            return false;
        m_p += word.size();
        return true;
    }

    bool Hex4(char32_t& code)
    {
        if (m_end - m_p < 4)
            return false;
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = *m_p++;
            const int digit = IsDigit(c) ? c - '0' : (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10 : -1;
            if (digit < 0)
                return false;
            code = code * 16 + char32_t(digit);
        }
        return true;
    }

    static void AppendUtf8(std::string& out, char32_t c)
    {
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }

    const char* m_p;
    const char* m_end;
};

QString Text(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// {"metric":{...},"value":[<seconds>,"<value>"]}
bool ReadResult(JsonCursor& json, PromSample& sample)
{
    std::string keyScratch, scratch, nameScratch;
    bool hasValue = false, hasMetric = false;
    const bool ok = json.Members(
        [&](std::string_view key) {
            if (key == "metric") {
                if (hasMetric)
                    return false;
                hasMetric = true;
                int count = 0;
                return json.Members(
                    [&](std::string_view name) {
                        std::string_view text;
                        if (++count > kPromMostLabels || !IsPromLabelName(name) || !json.String(text, scratch)
                            || text.size() > std::size_t(kPromMostLabelBytes))
                            return false;
                        if (name == "__name__") {
                            if (!IsPromMetricName(text) || !sample.name.isEmpty())
                                return false;
                            sample.name = Text(text);
                            return true;
                        }
                        const QString labelName = Text(name);
                        for (const PromLabel& seen : sample.labels) {
                            if (seen.name == labelName)
                                return false; // a label twice
                        }
                        sample.labels.push_back({labelName, Text(text)});
                        return true;
                    },
                    nameScratch);
            }
            if (key == "value") {
                double seconds = 0;
                std::string_view text;
                if (hasValue || !json.Take('[') || !json.Number(seconds) || !json.Take(',')
                    || !json.String(text, scratch) || !json.Take(']'))
                    return false;
                if (!std::isfinite(seconds) || std::fabs(seconds) > 9.2e15)
                    return false;
                const std::optional<double> value = ParsePromValue(text);
                if (!value)
                    return false;
                sample.timestampMs = qint64(std::llround(seconds * 1000));
                sample.value = *value;
                hasValue = true;
                return true;
            }
            return json.SkipValue();
        },
        keyScratch);
    return ok && hasValue && hasMetric;
}

} // namespace

bool ReadPromQueryAnswer(const QByteArray& json, PromSamples& out)
{
    out.clear();
    if (json.size() > kPromMostBytes)
        return false;
    JsonCursor cursor(json.constData(), json.constData() + json.size());
    std::string scratch, keyScratch, dataScratch;
    std::string status, resultType;
    bool hasResult = false;
    const bool ok = cursor.Members(
        [&](std::string_view key) {
            std::string_view text;
            if (key == "status") {
                if (!cursor.String(text, scratch))
                    return false;
                status = text;
                return true;
            }
            if (key != "data")
                return cursor.SkipValue();
            return cursor.Members(
                [&](std::string_view dataKey) {
                    if (dataKey == "resultType") {
                        if (!cursor.String(text, scratch))
                            return false;
                        resultType = text;
                        return true;
                    }
                    if (dataKey != "result")
                        return cursor.SkipValue();
                    if (hasResult)
                        return false;
                    hasResult = true;
                    return cursor.Elements([&] {
                        if (int(out.size()) >= kPromMostSamples)
                            return false;
                        out.emplace_back();
                        return ReadResult(cursor, out.back());
                    });
                },
                dataScratch);
        },
        keyScratch);
    if (!ok || !cursor.AtEnd() || status != "success" || resultType != "vector" || !hasResult) {
        out.clear();
        return false;
    }
    return true;
}

QString NodeMetricsQuery()
{
    // The sensors, CPU times and model, memory, network and disk counters, the host name; then
    // each target's scrape time, given a label of its own so that `or` keeps it beside series
    // of the same labels.
    return QStringLiteral(
               "{__name__=~\"node_hwmon_(chip_names|sensor_label|temp_celsius|fan_rpm|pwm|in_volts|curr_amps)"
               "|node_hwmon_(power_watt|power_average_watt|energy_joule_total|humidity)"
               "|node_cpu_seconds_total|node_cpu_info|node_cpu_scaling_frequency_hertz"
               "|node_memory_(MemTotal|MemAvailable)_bytes|node_network_(receive|transmit)_bytes_total"
               "|node_disk_(read|written)_bytes_total|node_disk_info|node_uname_info\"}"
               " or label_replace(label_replace(timestamp(up),\"__name__\",\"%1\",\"\",\"\"),\"of\",\"up\",\"\",\"\")")
        .arg(QLatin1String(kScrapeTimeMetric));
}

QUrl PromQueryUrl(const QUrl& serverAddress)
{
    QUrl url = serverAddress;
    QString path = url.path();
    if (!path.endsWith(u'/'))
        path += u'/';
    url.setPath(path + QLatin1String("api/v1/query"));
    url.setFragment(QString());
    url.setQuery(QLatin1String("query=") + QString::fromLatin1(QUrl::toPercentEncoding(NodeMetricsQuery())),
                 QUrl::StrictMode);
    return url;
}

bool IsExpositionAddress(const QUrl& address)
{
    QString path = address.path();
    while (path.endsWith(u'/'))
        path.chop(1);
    return path.endsWith(QLatin1String("/metrics"));
}

} // namespace gaugeloft::sources
