#include "sources/promquery.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>

namespace gaugeloft::sources {

namespace {

bool ReadResult(const QJsonValue& entry, PromSample& sample)
{
    if (!entry.isObject())
        return false;
    const QJsonObject object = entry.toObject();
    const QJsonValue metric = object.value(QLatin1String("metric"));
    const QJsonValue value = object.value(QLatin1String("value"));
    if (!metric.isObject() || !value.isArray())
        return false;
    const QJsonObject labels = metric.toObject();
    if (labels.size() > kPromMostLabels)
        return false;
    sample.labels.reserve(std::size_t(labels.size()));
    for (auto it = labels.constBegin(); it != labels.constEnd(); ++it) {
        if (!it.value().isString())
            return false;
        const QString name = it.key();
        QString text = it.value().toString();
        if (name.size() > kPromMostLabelBytes || text.size() > kPromMostLabelBytes
            || !IsPromLabelName(name.toStdString()))
            return false;
        if (name == QLatin1String("__name__")) {
            if (!IsPromMetricName(text.toStdString()))
                return false;
            sample.name = std::move(text);
        } else {
            sample.labels.push_back({name, std::move(text)});
        }
    }
    const QJsonArray pair = value.toArray();
    if (pair.size() != 2 || !pair.at(0).isDouble() || !pair.at(1).isString())
        return false;
    const double seconds = pair.at(0).toDouble();
    if (!std::isfinite(seconds) || std::fabs(seconds) > 9.2e15)
        return false;
    sample.timestampMs = qint64(std::llround(seconds * 1000));
    const QByteArray number = pair.at(1).toString().toLatin1();
    const std::optional<double> parsed = ParsePromValue({number.constData(), std::size_t(number.size())});
    if (!parsed)
        return false;
    sample.value = *parsed;
    return true;
}

} // namespace

bool ReadPromQueryAnswer(const QByteArray& json, PromSamples& out)
{
    out.clear();
    if (json.size() > kPromMostBytes)
        return false;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject root = document.object();
    if (root.value(QLatin1String("status")).toString() != QLatin1String("success"))
        return false;
    const QJsonObject data = root.value(QLatin1String("data")).toObject();
    const QJsonValue result = data.value(QLatin1String("result"));
    if (data.value(QLatin1String("resultType")).toString() != QLatin1String("vector") || !result.isArray())
        return false;
    const QJsonArray entries = result.toArray();
    if (entries.size() > kPromMostSamples)
        return false;
    out.reserve(std::size_t(entries.size()));
    for (const QJsonValue& entry : entries) {
        out.emplace_back();
        if (!ReadResult(entry, out.back())) {
            out.clear();
            return false;
        }
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
