#include "sources/prometheusreader.h"

#include "sources/promquery.h"

namespace gaugeloft::sources {

QUrl PrometheusRemoteReader::RequestUrl(const QUrl& address)
{
    // asked once per request, before its answer is read
    m_page = IsExpositionAddress(address);
    return m_page ? address : PromQueryUrl(address);
}

bool PrometheusRemoteReader::Read(const QByteArray& body, std::int64_t receivedMs, SensorDocument& out)
{
    return m_page ? m_metrics.ReadExposition(body, receivedMs, out) : m_metrics.ReadQueryAnswer(body, out);
}

void PrometheusRemoteReader::Reset()
{
    m_metrics = NodeMetrics();
}

} // namespace gaugeloft::sources
