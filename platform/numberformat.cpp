#include "platform/numberformat.h"

#include <QLocale>

#include <charconv>
#include <iterator>
#include <cmath>

namespace gaugeloft {

namespace {

constexpr int kMaxDecimals = 99;

NumberLocale& currentLocale()
{
    static NumberLocale locale = NumberLocale::FromQLocale(QLocale::system());
    return locale;
}

// |v| as decimal digits: value = 0.d[0]d[1]...d[n-1] * 10^intDigits. n == 0 means zero.
struct Decimal {
    char d[32];
    int n = 0;
    int intDigits = 0;
};

Decimal toDecimal(double a)
{
    Decimal r;
    if (a == 0)
        return r;
    // Shortest round-trip form, e.g. "4.525e+01".
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific);
    const char* p = buf;
    const char* end = res.ptr;
    while (p < end && *p != 'e') {
        if (*p != '.' && r.n < int(sizeof r.d))
            r.d[r.n++] = *p;
        ++p;
    }
    int exp = 0;
    bool negExp = false;
    if (p < end)
        ++p; // 'e'
    if (p < end && (*p == '-' || *p == '+'))
        negExp = *p++ == '-';
    for (; p < end; ++p)
        exp = exp * 10 + (*p - '0');
    r.intDigits = (negExp ? -exp : exp) + 1;
    return r;
}

// Rounds to `decimals` places, half away from zero.
void roundTo(Decimal& x, int decimals)
{
    const int keep = x.intDigits + decimals;
    if (keep >= x.n)
        return;
    if (keep < 0) {
        x.n = 0;
        return;
    }
    const bool up = x.d[keep] >= '5';
    x.n = keep;
    if (!up)
        return;
    int i = keep - 1;
    while (i >= 0 && x.d[i] == '9')
        x.d[i--] = '0';
    if (i >= 0) {
        ++x.d[i];
    } else {
        // All nines (or nothing kept): becomes 1 at the next higher place.
        x.d[0] = '1';
        x.n = 1;
        ++x.intDigits;
    }
}

// The common case without the shortest-form conversion: when |v| * 10^decimals is small and
// clearly away from a tie, rounding it directly gives what rounding its shortest decimal
// form would. Returns false when the slow path must decide.
bool roundedFast(double a, int decimals, Decimal& x)
{
    static constexpr double kPowers[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
    if (decimals >= int(std::size(kPowers)))
        return false;
    const double scaled = a * kPowers[decimals];
    if (!(scaled < 1e9))
        return false;
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (std::fabs(fraction - 0.5) < 1e-6)
        return false;
    auto r = static_cast<unsigned long long>(whole) + (fraction > 0.5 ? 1 : 0);
    char digits[24];
    int n = 0;
    for (; r != 0; r /= 10)
        digits[n++] = char('0' + r % 10);
    x.n = n;
    x.intDigits = n - decimals;
    for (int i = 0; i < n; ++i)
        x.d[i] = digits[n - 1 - i];
    return true;
}

inline void put(QChar*& w, const QString& s)
{
    const QChar* p = s.constData();
    for (qsizetype i = 0, n = s.size(); i < n; ++i)
        *w++ = p[i];
}

void appendNumber(QString& out, double v, int decimals, const NumberLocale& locale)
{
    if (!std::isfinite(v))
        v = 0;
    Decimal x;
    if (!roundedFast(std::fabs(v), decimals, x)) {
        x = toDecimal(std::fabs(v));
        roundTo(x, decimals);
    }
    // Drop trailing zeros so a zero result has n == 0.
    while (x.n > 0 && x.d[x.n - 1] == '0')
        --x.n;
    const bool negative = x.n > 0 && std::signbit(v);

    const int intLen = x.intDigits > 0 ? x.intDigits : 1;
    const int groups = (intLen - 1) / 3;
    const qsizetype len = (negative ? 1 : 0) + intLen + groups * locale.groupSeparator.size()
                          + (decimals > 0 ? locale.decimalPoint.size() + decimals : 0);

    const qsizetype start = out.size();
    out.resize(start + len);
    QChar* w = out.data() + start;
    if (negative)
        *w++ = QLatin1Char('-');
    if (x.intDigits <= 0) {
        *w++ = QLatin1Char('0');
    } else {
        for (int i = 0; i < x.intDigits; ++i) {
            if (i > 0 && (x.intDigits - i) % 3 == 0)
                put(w, locale.groupSeparator);
            *w++ = QLatin1Char(i < x.n ? x.d[i] : '0');
        }
    }
    if (decimals > 0) {
        put(w, locale.decimalPoint);
        for (int j = 0; j < decimals; ++j) {
            const int pos = x.intDigits + j;
            *w++ = QLatin1Char(pos >= 0 && pos < x.n ? x.d[pos] : '0');
        }
    }
}

} // namespace

NumberLocale NumberLocale::FromQLocale(const QLocale& locale)
{
    NumberLocale l;
    l.groupSeparator = (locale.numberOptions() & QLocale::OmitGroupSeparator)
                           ? QString() : locale.groupSeparator();
    l.decimalPoint = locale.decimalPoint();
    return l;
}

const NumberLocale& NumberLocale::Current()
{
    return currentLocale();
}

void NumberLocale::SetCurrent(const NumberLocale& l)
{
    currentLocale() = l;
}

void AppendPattern(QString& out, QStringView pattern, double v, const NumberLocale& locale)
{
    const qsizetype n = pattern.size();
    qsizetype literal = 0; // start of the pending run of plain characters
    qsizetype i = 0;
    while (i < n) {
        if (pattern[i] != u'%' || i + 1 >= n) {
            ++i;
            continue;
        }
        if (pattern[i + 1] == u'%') {
            out.append(pattern.sliced(literal, i + 1 - literal)); // up to and with one '%'
            i += 2;
            literal = i;
            continue;
        }
        // "%.<digits>n"
        qsizetype j = i + 1;
        if (pattern[j] != u'.') {
            ++i;
            continue;
        }
        ++j;
        int decimals = 0;
        const qsizetype digitsStart = j;
        while (j < n && pattern[j] >= u'0' && pattern[j] <= u'9') {
            if (decimals <= kMaxDecimals)
                decimals = decimals * 10 + (pattern[j].unicode() - u'0');
            ++j;
        }
        if (j == digitsStart || j >= n || pattern[j] != u'n') {
            ++i;
            continue;
        }
        if (i > literal)
            out.append(pattern.sliced(literal, i - literal));
        appendNumber(out, v, decimals > kMaxDecimals ? kMaxDecimals : decimals, locale);
        i = j + 1;
        literal = i;
    }
    if (n > literal)
        out.append(pattern.sliced(literal));
}

QString FormatPattern(QStringView pattern, double v, const NumberLocale& locale)
{
    QString out;
    out.reserve(pattern.size() + 24);
    AppendPattern(out, pattern, v, locale);
    return out;
}

} // namespace gaugeloft
