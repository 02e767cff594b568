// libFuzzer target for a Prometheus server's instant-query answers. Whatever comes in, the
// reader either refuses it whole or gives bounded samples; NodeMetrics then turns them into
// instances whose values match their names, each identifier once, every parent listed, finite
// readings; a second read of the same answer (rates at an unmoved scrape) holds the same.

#include "fuzz/fuzzfolder.h"
#include "fuzz/nodedocumentcheck.h"
#include "sources/nodemetrics.h"
#include "sources/promquery.h"

#include <cstdint>

using namespace gaugeloft::sources;
using gaugeloft::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    PromSamples samples;
    if (!ReadPromQueryAnswer(bytes, samples)) {
        Check(samples.empty());
        return 0;
    }
    Check(samples.size() <= std::size_t(kPromMostSamples));
    for (const PromSample& sample : samples) {
        Check(sample.timestampMs.has_value());
        Check(sample.labels.size() <= std::size_t(kPromMostLabels));
    }
    NodeMetrics metrics;
    SensorDocument doc;
    for (int read = 0; read < 2; ++read) {
        Check(metrics.ReadQueryAnswer(bytes, doc));
        gaugeloft::fuzz::CheckNodeDocument(doc);
    }
    return 0;
}
