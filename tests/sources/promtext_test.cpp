#include "sources/promtext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace gaugeloft::sources {
namespace {

// A sample written back compactly: name{a=v,b=v} value @ms, for comparing pages.
std::string Show(const PromSample& s)
{
    QString text = s.name + u'{';
    for (const PromLabel& label : s.labels)
        text += label.name + u'=' + label.value + u',';
    text += QStringLiteral("} ") + QString::number(s.value);
    if (s.timestampMs)
        text += QStringLiteral(" @") + QString::number(*s.timestampMs);
    return text.toStdString();
}

std::vector<std::string> ShowAll(const PromSamples& samples)
{
    std::vector<std::string> shown;
    for (const PromSample& s : samples)
        shown.push_back(Show(s));
    return shown;
}

TEST(PromText, ReadsPagesAsTheExporterWritesThem)
{
    struct Case {
        const char* page;
        std::vector<std::string> samples;
    };
    const Case cases[] = {
        {"# HELP node_hwmon_temp_celsius Hardware monitor for temperature (input)\n"
         "# TYPE node_hwmon_temp_celsius gauge\n"
         "node_hwmon_temp_celsius{chip=\"platform_coretemp_0\",sensor=\"temp1\"} 52\n",
         {"node_hwmon_temp_celsius{chip=platform_coretemp_0,sensor=temp1,} 52"}},
        {"a 1\n\n   \nb{} 2.5e+08 1700000000000\nc{x=\"1\",} -3", {"a{} 1", "b{} 2.5e+08 @1700000000000", "c{x=1,} -3"}},
        {"m{l=\"back\\\\slash \\\"quoted\\\" new\\nline\"} 1\r\n", {"m{l=back\\slash \"quoted\" new\nline,} 1"}},
        {"m { a = \"x\" , b=\"\" }\t+7 -5\n", {"m{a=x,b=,} 7 @-5"}},
        {"# just a comment\n#\n# EOF\nns:rule_name 0.25", {"ns:rule_name{} 0.25"}},
        {"u{l=\"żółw °C\"} 1", {"u{l=żółw °C,} 1"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        PromSamples samples;
        ASSERT_TRUE(ReadPromText(c.page, samples)) << c.page;
        EXPECT_EQ(ShowAll(samples), c.samples) << c.page;
    }
}

TEST(PromText, SpecialValues)
{
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"+Inf", inf}, {"Inf", inf}, {"-Inf", -inf}, {"1e999", inf}, {"-1e999", -inf}, {"1e-999", 0.0},
        {"0.1", 0.1}, {".5", 0.5}, {"-0", 0.0},     {"+3", 3.0},     {"inf", {}},      {"nan", {}},
        {"0x10", {}}, {"1_000", {}}, {"", {}},      {"1.2.3", {}},   {"++1", {}},      {"+-1", {}},
        {"Infinity", {}}, {"1e", {}},
    };
    for (const Case& c : cases) {
        const std::optional<double> got = ParsePromValue(c.text);
        ASSERT_EQ(got.has_value(), c.value.has_value()) << c.text;
        if (got) {
            EXPECT_EQ(*got, *c.value) << c.text;
        }
    }
    const std::optional<double> nan = ParsePromValue("NaN");
    ASSERT_TRUE(nan);
    EXPECT_TRUE(std::isnan(*nan));
}

TEST(PromText, RefusesMalformedOrOversizedPagesWhole)
{
    const QByteArray good = "good_metric 1\n";
    const QByteArray manyLabels = [] {
        QByteArray line = "m{";
        for (int i = 0; i <= kPromMostLabels; ++i)
            line += "l" + QByteArray::number(i) + "=\"v\",";
        return line + "} 1\n";
    }();
    const QByteArray manySamples = QByteArray("a 1\n").repeated(kPromMostSamples + 1);
    const QByteArray cases[] = {
        "m{l=\"unterminated} 1",
        "m{l=\"bad escape \\t\"} 1",
        "m{l=\"trailing backslash\\",
        "m{l=unquoted} 1",
        "m{l=\"v\" 1",
        "m{l=\"a\",l=\"b\"} 1",
        "m{0l=\"v\"} 1",
        "m{l=\"v\"}",
        "m",
        "m 1 2 3",
        "m 1 1.5",
        "m one",
        "9m 1",
        "m-name 1",
        "{l=\"v\"} 1",
        "# TYPE m gauges",
        "# TYPE 9m gauge",
        "# HELP",
        "m 1\nm{} x\n",
        "m{l=\"v\"}{k=\"w\"} 1",
        good + "m{l=\"" + QByteArray(kPromMostLabelBytes + 1, 'v') + "\"} 1\n",
        good + QByteArray(kPromMostLabelBytes + 1, 'm') + " 1\n",
        good + "m{l=\"" + QByteArray(kPromMostLineBytes, 'v') + "\"} 1\n",
        good + "# " + QByteArray(kPromMostLineBytes, 'c') + "\n",
        manyLabels,
        manySamples,
        QByteArray(kPromMostBytes + 1, '\n'),
    };
    for (const QByteArray& page : cases) {
        PromSamples samples;
        EXPECT_FALSE(ReadPromText(good + page, samples)) << page.left(80).toStdString();
        EXPECT_TRUE(samples.empty());
    }
    // right at the bounds is still a page
    PromSamples samples;
    EXPECT_TRUE(ReadPromText(QByteArray("a 1\n").repeated(kPromMostSamples), samples));
    EXPECT_EQ(samples.size(), std::size_t(kPromMostSamples));
}

TEST(PromText, LabelLookUp)
{
    PromSamples samples;
    ASSERT_TRUE(ReadPromText("m{chip=\"c\",sensor=\"temp1\"} 1", samples));
    EXPECT_EQ(samples[0].Label(QLatin1StringView("sensor")), "temp1");
    EXPECT_TRUE(samples[0].Label(QLatin1StringView("instance")).isEmpty());
}

} // namespace
} // namespace gaugeloft::sources
