#pragma once

// The node exporter's metrics as hardware and sensors, in the kernel source's conventions
// (identifiers, names, types, units): hwmon chips (node_hwmon_*, named by chip_names and
// sensor_label), CPU loads from node_cpu_seconds_total, memory, network and disk throughput.
// Either one machine's /metrics page, or a Prometheus server's answer to NodeMetricsQuery()
// covering many machines: there every instance is a top-level "Mainboard" item, named by its
// host name (node_uname_info) or else its instance label, holding that machine's items, and
// identifiers start with "/prometheus/<instance>".
//
// Loads and rates come from the difference between two reads, so one reader is kept per
// source. The first read gives 0, as the kernel source does. On a page the time of a read is
// the caller's clock; in a server's answer it is each target's scrape time (a counter whose
// scrape did not move keeps its last rate). Min and Max are the extremes seen so far.

#include "sources/promtext.h"
#include "sources/sensorsource.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace gaugeloft::sources {

class NodeMetrics {
public:
    // One machine's /metrics page read at `nowMs`. False, and `out` empty, when it is not one.
    bool ReadExposition(const QByteArray& text, qint64 nowMs, SensorDocument& out);
    // A server's /api/v1/query answer. False, and `out` empty, when it is not one.
    bool ReadQueryAnswer(const QByteArray& json, SensorDocument& out);

    // Samples already read: a page (`perInstance` false, read at `nowMs`) or a query answer.
    void Publish(const PromSamples& samples, bool perInstance, qint64 nowMs, SensorDocument& out);

private:
    friend class NodeDocumentBuilder;

    // What is remembered of one sensor between reads.
    struct Memory {
        bool hasRange = false;
        double min = 0;
        double max = 0;
        bool hasPrev = false;
        double prevA = 0; // counter, or busy time
        double prevB = 0; // total time
        qint64 prevMs = 0;
        double last = 0;
        quint64 generation = 0;
    };

    // The sensor names of one item's hwmon inputs, kept while its inputs and labels stay.
    struct Naming {
        QStringList inputs; // label, stem, type and driver of each input
        QStringList names;
        quint64 generation = 0;
    };

    QHash<QString, Memory> m_memory; // by sensor identifier
    QHash<QString, Naming> m_naming; // by item identifier
    quint64 m_generation = 0;
};

} // namespace gaugeloft::sources
