// libFuzzer target for exposition pages (a node exporter's /metrics). Whatever comes in, the
// reader either refuses it whole or gives bounded samples of valid names; NodeMetrics then
// turns them into instances whose values match their names, each identifier once, every
// parent listed, finite readings; a second read (rates) holds the same.

#include "fuzz/fuzzfolder.h"
#include "fuzz/nodedocumentcheck.h"
#include "sources/nodemetrics.h"

#include <cstdint>

using namespace gaugeloft::sources;
using gaugeloft::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    PromSamples samples;
    if (!ReadPromText(bytes, samples)) {
        Check(samples.empty());
        return 0;
    }
    Check(samples.size() <= std::size_t(kPromMostSamples));
    for (const PromSample& sample : samples) {
        Check(IsPromMetricName(sample.name.toStdString()));
        Check(sample.labels.size() <= std::size_t(kPromMostLabels));
        for (const PromLabel& label : sample.labels)
            Check(IsPromLabelName(label.name.toStdString()));
    }
    NodeMetrics metrics;
    SensorDocument doc;
    metrics.Publish(samples, false, 1000, doc);
    gaugeloft::fuzz::CheckNodeDocument(doc);
    Check(metrics.ReadExposition(bytes, 2000, doc));
    gaugeloft::fuzz::CheckNodeDocument(doc);
    return 0;
}
