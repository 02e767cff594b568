#include "sources/promquery.h"

#include <QUrlQuery>

#include <gtest/gtest.h>

#include <cmath>

namespace gaugeloft::sources {
namespace {

QByteArray Answer(const QByteArray& results)
{
    return R"({"status":"success","data":{"resultType":"vector","result":[)" + results + "]}}";
}

TEST(PromQuery, ReadsVectorAnswersWithTimestamps)
{
    PromSamples samples;
    ASSERT_TRUE(ReadPromQueryAnswer(
        Answer(R"({"metric":{"__name__":"node_hwmon_temp_celsius","chip":"platform_coretemp_0","instance":"a:9100",)"
               R"("sensor":"temp1"},"value":[1700000000.123,"52.5"]},)"
               R"({"metric":{"__name__":"up","instance":"b:9100"},"value":[1700000001,"NaN"]},)"
               R"({"metric":{"instance":"c\"q\\/"},"value":[1700000002,"+Inf"]})"),
        samples));
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_EQ(samples[0].name, "node_hwmon_temp_celsius");
    EXPECT_EQ(samples[0].Label(QLatin1StringView("chip")), "platform_coretemp_0");
    EXPECT_EQ(samples[0].Label(QLatin1StringView("instance")), "a:9100");
    EXPECT_TRUE(samples[0].Label(QLatin1StringView("__name__")).isEmpty());
    EXPECT_EQ(samples[0].value, 52.5);
    EXPECT_EQ(samples[0].timestampMs, 1700000000123);
    EXPECT_TRUE(std::isnan(samples[1].value));
    EXPECT_TRUE(samples[2].name.isEmpty()); // a function's result has no name
    EXPECT_EQ(samples[2].Label(QLatin1StringView("instance")), "c\"q\\/");
    EXPECT_TRUE(std::isinf(samples[2].value));

    ASSERT_TRUE(ReadPromQueryAnswer(Answer(""), samples));
    EXPECT_TRUE(samples.empty());

    // JSON escapes, and members the reader does not use, in any order
    ASSERT_TRUE(ReadPromQueryAnswer(
        R"( {"data":{"result":[{"value":[1e3,"-1.5e-3"],"histogram":null,"metric":{"l":"\u00e9\ud83d\ude00\t\/"}}],)"
        R"("resultType":"vector","stats":{"a":[true,false,null,{"b":-0.5}]}},"warnings":["w"],"status":"success"} )",
        samples));
    ASSERT_EQ(samples.size(), 1u);
    EXPECT_EQ(samples[0].Label(QLatin1StringView("l")), QString::fromUtf8("\u00e9\U0001F600\t/"));
    EXPECT_EQ(samples[0].value, -1.5e-3);
    EXPECT_EQ(samples[0].timestampMs, 1000000);
}

TEST(PromQuery, RefusesErrorsAndOtherShapes)
{
    const QByteArray one = R"({"metric":{"__name__":"m"},"value":[1,"1"]})";
    const QByteArray cases[] = {
        R"({"status":"error","errorType":"bad_data","error":"parse error"})",
        R"({"status":"success","data":{"resultType":"matrix","result":[{"metric":{},"values":[[1,"1"]]}]}})",
        R"({"status":"success","data":{"resultType":"scalar","result":[1,"1"]}})",
        R"({"status":"success","data":{"resultType":"vector"}})",
        R"({"status":"success"})",
        R"([1,2,3])",
        "not json",
        "",
        Answer(one).chopped(3),
        Answer(R"({"metric":{"__name__":"m"},"value":[1,1]})"),
        Answer(R"({"metric":{"__name__":"m"},"value":["1","1"]})"),
        Answer(R"({"metric":{"__name__":"m"},"value":[1,"1",2]})"),
        Answer(R"({"metric":{"__name__":"m"},"value":[1,"one"]})"),
        Answer(R"({"metric":{"__name__":"m"},"value":[1e300,"1"]})"),
        Answer(R"({"metric":{"__name__":"m","l":3},"value":[1,"1"]})"),
        Answer(R"({"metric":{"__name__":"9m"},"value":[1,"1"]})"),
        Answer(R"({"metric":{"bad-label":"v"},"value":[1,"1"]})"),
        Answer(R"({"metric":{"l":")" + QByteArray(kPromMostLabelBytes + 1, 'v') + R"("},"value":[1,"1"]})"),
        Answer(R"({"metric":[],"value":[1,"1"]})"),
        Answer(R"({"value":[1,"1"]})"),
        Answer(one + ",7"),
        Answer(one) + " {}",
        Answer(R"({"metric":{"l":"\ud83d"},"value":[1,"1"]})"),
        Answer(R"({"metric":{"l":"\ude00"},"value":[1,"1"]})"),
        Answer(R"({"metric":{"l":"\x41"},"value":[1,"1"]})"),
        Answer("{\"metric\":{\"l\":\"tab\there\"},\"value\":[1,\"1\"]}"),
        Answer(R"({"metric":{"l":"a","l":"b"},"value":[1,"1"]})"),
        Answer(R"({"metric":{},"value":[01,"1"]})"),
        Answer(R"({"metric":{},"value":[1.,"1"]})"),
        Answer(R"({"metric":{},"value":[1e999,"1"]})"),
        Answer(R"({"metric":{},"value":[1,"1"],"x":)" + QByteArray(100, '[') + QByteArray(100, ']') + "}"),
        Answer(R"({"metric":{},"value":[1,"1"],"x":tru})"),
        Answer((one + ',').repeated(kPromMostSamples) + one),
        Answer(R"({"metric":{"__name__":"m"},"value":[1,"1"]})" + QByteArray(kPromMostBytes, ' ')),
    };
    for (const QByteArray& json : cases) {
        PromSamples samples;
        EXPECT_FALSE(ReadPromQueryAnswer(json, samples)) << json.left(100).toStdString();
        EXPECT_TRUE(samples.empty());
    }
}

TEST(PromQuery, QueryUrlKeepsTheServersPath)
{
    const std::pair<const char*, const char*> cases[] = {
        {"http://localhost:9090/", "http://localhost:9090/api/v1/query"},
        {"http://localhost:9090", "http://localhost:9090/api/v1/query"},
        {"https://example.net/prometheus/", "https://example.net/prometheus/api/v1/query"},
        {"http://example.net/prometheus?x=1#top", "http://example.net/prometheus/api/v1/query"},
    };
    for (const auto& [base, expected] : cases) {
        const QUrl url = PromQueryUrl(QUrl(QString::fromLatin1(base)));
        EXPECT_EQ(url.adjusted(QUrl::RemoveQuery).toString(), QString::fromLatin1(expected)) << base;
        EXPECT_EQ(QUrlQuery(url).queryItemValue(QStringLiteral("query"), QUrl::FullyDecoded), NodeMetricsQuery());
        EXPECT_FALSE(url.query(QUrl::FullyEncoded).contains(u'+')); // '+' would read as a space
    }
    const QString query = NodeMetricsQuery();
    for (const char* family : {"node_hwmon_", "temp_celsius", "node_cpu_seconds_total", "node_uname_info",
                               "node_network_(receive|transmit)_bytes_total", kScrapeTimeMetric})
        EXPECT_TRUE(query.contains(QLatin1String(family))) << family;
    EXPECT_EQ(query.count(u'('), query.count(u')'));
    EXPECT_EQ(query.count(u'"') % 2, 0);
}

TEST(PromQuery, ExpositionAddresses)
{
    const std::pair<const char*, bool> cases[] = {
        {"http://host:9100/metrics", true},  {"http://host/node/metrics/", true}, {"http://host:9090/", false},
        {"http://host/prometheus", false},   {"http://host/metricsx", false},     {"http://host/api/v1/query", false},
    };
    for (const auto& [address, exposition] : cases)
        EXPECT_EQ(IsExpositionAddress(QUrl(QString::fromLatin1(address))), exposition) << address;
}

} // namespace
} // namespace gaugeloft::sources
