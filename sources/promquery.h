#pragma once

// A Prometheus server's answer to an instant query (/api/v1/query):
//   {"status":"success","data":{"resultType":"vector","result":[
//       {"metric":{"__name__":"...","instance":"...",...},"value":[<seconds>,"<value>"]},...]}}
// read into the samples an exposition page gives, each with its timestamp. The per-poll
// query a remote Prometheus source sends is built here too.

#include "sources/promtext.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace gaugeloft::sources {

// Reads a query answer; false, and `out` empty, on an error answer, any other shape or a
// document past the bounds of promtext.h.
bool ReadPromQueryAnswer(const QByteArray& json, PromSamples& out);

// The name the scrape time of each target is given in the query's answer (seconds, as value).
inline constexpr char kScrapeTimeMetric[] = "gaugeloft_scrape_timestamp_seconds";

// One instant query for every family the node metrics reader uses, plus each target's scrape
// time (so that rates use the time the counters were read, not the time of the query).
QString NodeMetricsQuery();

// The URL of the per-poll query for a server's base address, which keeps its path
// ("http://host/prometheus/" → "http://host/prometheus/api/v1/query?query=...").
QUrl PromQueryUrl(const QUrl& serverAddress);

// Whether an address is an exporter's page rather than a server ("…/metrics").
bool IsExpositionAddress(const QUrl& address);

} // namespace gaugeloft::sources
