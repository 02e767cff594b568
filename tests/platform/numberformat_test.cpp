#include "platform/numberformat.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <random>

using namespace gaugeloft;

namespace {

const NumberLocale kEnglish = NumberLocale::FromQLocale(QLocale(QLocale::English, QLocale::UnitedStates));
const NumberLocale kGerman = NumberLocale::FromQLocale(QLocale(QLocale::German, QLocale::Germany));

struct Case {
    const char* pattern;
    double value;
    const char* expected;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << '"' << c.pattern << "\" " << c.value;
}

class EnglishFormat : public ::testing::TestWithParam<Case> {};

TEST_P(EnglishFormat, Formats)
{
    const Case& c = GetParam();
    EXPECT_EQ(FormatPattern(QString::fromUtf8(c.pattern), c.value, kEnglish).toStdString(), c.expected);
}

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(Numbers, EnglishFormat, ::testing::Values(
    // rounding is half away from zero on the decimal digits, not on the binary value
    Case{"%.1n", 0.15, "0.2"},
    Case{"%.1n", 0.25, "0.3"},
    Case{"%.1n", 45.25, "45.3"},
    Case{"%.1n", 45.24999, "45.2"},
    Case{"%.0n", 57.5, "58"},
    Case{"%.0n", 0.5, "1"},
    Case{"%.0n", 0.49, "0"},
    Case{"%.2n", 1.005, "1.01"},
    Case{"%.3n", 2.0005, "2.001"},
    Case{"%.1n", -1.5, "-1.5"},
    Case{"%.0n", -2.5, "-3"},
    Case{"%.1n", -0.05, "-0.1"},
    // carries through nines, into a new digit and a new group
    Case{"%.0n", 999.6, "1,000"},
    Case{"%.2n", 9.9995, "10.00"},
    Case{"%.1n", 999999.96, "1,000,000.0"},
    Case{"%.0n", 0.96, "1"},
    Case{"%.1n", 0.04, "0.0"},
    // zero never has a sign
    Case{"%.1n", -0.04, "0.0"},
    Case{"%.0n", -0.4, "0"},
    Case{"%.2n", -0.0, "0.00"},
    Case{"%.0n", -0.0, "0"},
    // grouping
    Case{"%.0n", 100, "100"},
    Case{"%.0n", 1000, "1,000"},
    Case{"%.0n", 12345, "12,345"},
    Case{"%.0n", 123456, "123,456"},
    Case{"%.2n", 1234567.891, "1,234,567.89"},
    Case{"%.0n", -9876543210.0, "-9,876,543,210"},
    Case{"%.1n", 1e15, "1,000,000,000,000,000.0"},
    Case{"%.0n", 1.5e20, "150,000,000,000,000,000,000"},
    // small magnitudes and padding
    Case{"%.3n", 0.0004, "0.000"},
    Case{"%.3n", 0.0005, "0.001"},
    Case{"%.4n", 1.25e-3, "0.0013"},
    Case{"%.5n", 3, "3.00000"},
    Case{"%.20n", 0.1, "0.10000000000000000000"},
    Case{"%.12n", 1e-10, "0.000000000100"},
    // not a number
    Case{"%.1n", kNaN, "0.0"},
    Case{"%.0n", kInf, "0"},
    Case{"%.2n", -kInf, "0.00"},
    Case{"%.1n", 5e-324, "0.0"},
    Case{"%.1n", -5e-324, "0.0"},
    Case{"%.3n", DBL_MIN, "0.000"}));

INSTANTIATE_TEST_SUITE_P(Patterns, EnglishFormat, ::testing::Values(
    Case{"", 1, ""},
    Case{"abc", 1, "abc"},
    Case{"%.0n%%", 57.5, "58%"},
    Case{"%%", 1, "%"},
    Case{"100%% %%%%", 1, "100% %%"},
    Case{"%", 1, "%"},
    Case{"x%", 1, "x%"},
    Case{"%d %s %n", 1, "%d %s %n"},
    Case{"%.n", 1, "%.n"},
    Case{"%.1", 1, "%.1"},
    Case{"%.1x", 1, "%.1x"},
    Case{"%%.1n", 1, "%.1n"},
    Case{"%.1n 'C", 45.25, "45.3 'C"},
    Case{"%.3n V", 1.2, "1.200 V"},
    Case{"T %.1n / %.0n", 2.25, "T 2.3 / 2"},
    Case{"%.1n\r\nGB", 3, "3.0\r\nGB"},
    Case{"%.001n", 1.25, "1.3"},
    Case{"%.1n \u00b0C \u2014 ok", 1, "1.0 \u00b0C \u2014 ok"}));

TEST(NumberFormat, OtherSeparators)
{
    NumberLocale swiss;
    swiss.groupSeparator = QStringLiteral("'");
    swiss.decimalPoint = QStringLiteral(",");
    NumberLocale none;
    none.groupSeparator.clear();
    NumberLocale wide; // separators longer than one character
    wide.groupSeparator = QStringLiteral("\u202f\u202f");
    wide.decimalPoint = QStringLiteral("<.>");

    struct {
        const NumberLocale& locale;
        const char* pattern;
        double value;
        const char* expected;
    } const cases[] = {
        {kGerman, "%.0n MHz", 999.6, "1.000 MHz"},
        {kGerman, "%.1n KB/s", 1048575.0 / 1024, "1.024,0 KB/s"},
        {kGerman, "%.2n", -1234567.891, "-1.234.567,89"},
        {kGerman, "%.0n%%", 57.5, "58%"},
        {swiss, "%.3n", 1234.5678, "1'234,568"},
        {none, "%.1n", 1234567.25, "1234567.3"},
        {wide, "%.1n", -1234567.25, "-1\u202f\u202f234\u202f\u202f567<.>3"},
        {wide, "%.0n", 999, "999"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatPattern(QString::fromUtf8(c.pattern), c.value, c.locale), QString::fromUtf8(c.expected))
            << c.pattern << ' ' << c.value;
    }
}

TEST(NumberFormat, ExtremeMagnitudes)
{
    // 1e308 prints all 309 digits: "100" and 102 groups of ",000"
    const QString e308 = QStringLiteral("100") + QStringLiteral(",000").repeated(102);
    EXPECT_EQ(FormatPattern(u"%.1n", 1e308, kEnglish), e308 + QStringLiteral(".0"));
    EXPECT_EQ(FormatPattern(u"%.0n W", -1e308, kEnglish), QLatin1Char('-') + e308 + QStringLiteral(" W"));
    EXPECT_EQ(FormatPattern(u"%.0n", DBL_MAX, kEnglish),
              QStringLiteral("179,769,313,486,231,570") + QStringLiteral(",000").repeated(97));
    EXPECT_EQ(FormatPattern(u"%.99n", 1.0, kEnglish), QStringLiteral("1.") + QString(99, QLatin1Char('0')));
    EXPECT_EQ(FormatPattern(u"%.1000n", 1.0, kEnglish), QStringLiteral("1.") + QString(99, QLatin1Char('0')));
}

// Reading the text back (without group separators) must land within half a unit of
// the last decimal, for values spread over many magnitudes and both signs.
TEST(NumberFormat, ReadsBackWithinHalfAUnit)
{
    std::mt19937_64 rng(12345);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-6, 12);
    for (int i = 0; i < 20000; ++i) {
        const double v = mantissa(rng) * std::pow(10.0, exponent(rng));
        const int decimals = i % 5;
        const QString pattern = QStringLiteral("%.") + QString::number(decimals) + QLatin1Char('n');
        const QString text = FormatPattern(pattern, v, kGerman);
        QString plain = text;
        plain.remove(QLatin1Char('.')).replace(QLatin1Char(','), QLatin1Char('.'));
        bool ok = false;
        const double back = plain.toDouble(&ok);
        ASSERT_TRUE(ok) << text.toStdString();
        const double unit = std::pow(10.0, -decimals);
        ASSERT_LE(std::fabs(back - v), unit / 2 + std::fabs(v) * 1e-15) << v << " -> " << text.toStdString();
        ASSERT_EQ(text.count(QLatin1Char(',')), decimals > 0 ? 1 : 0) << text.toStdString();
        if (decimals > 0) {
            ASSERT_EQ(text.size() - text.indexOf(QLatin1Char(',')) - 1, decimals) << text.toStdString();
        }
    }
}

TEST(NumberFormat, AppendKeepsWhatIsThere)
{
    QString out = QStringLiteral("CPU: ");
    AppendPattern(out, u"%.1n 'C", 45.25, kEnglish);
    AppendPattern(out, u" / %.0n%%", 57.5, kEnglish);
    EXPECT_EQ(out, QStringLiteral("CPU: 45.3 'C / 58%"));
}

TEST(NumberFormat, CurrentLocaleIsUsedAndReplaceable)
{
    const NumberLocale saved = NumberLocale::Current();
    NumberLocale::SetCurrent(kGerman);
    EXPECT_EQ(FormatPattern(u"%.1n", 1234.5), QStringLiteral("1.234,5"));
    NumberLocale::SetCurrent(kEnglish);
    EXPECT_EQ(FormatPattern(u"%.1n", 1234.5), QStringLiteral("1,234.5"));
    NumberLocale::SetCurrent(saved);
}

} // namespace
