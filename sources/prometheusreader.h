#pragma once

// Prometheus as a remote provider: an address ending in /metrics is one node exporter's page
// (one machine); any other address is a Prometheus server, asked one instant query per poll
// for the node exporter families of every machine it scrapes.

#include "sources/nodemetrics.h"
#include "sources/remotesource.h"

namespace gaugeloft::sources {

class PrometheusRemoteReader final : public RemoteReader {
public:
    QUrl RequestUrl(const QUrl& address) override;
    bool Read(const QByteArray& body, std::int64_t receivedMs, SensorDocument& out) override;
    void Reset() override;

private:
    bool m_page = false;  // the last address asked was a node exporter's page
    NodeMetrics m_metrics;
};

} // namespace gaugeloft::sources
