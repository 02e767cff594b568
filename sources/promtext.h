#pragma once

// Prometheus samples, and the text exposition format a node exporter's /metrics answers with:
//   # HELP name text
//   # TYPE name counter|gauge|histogram|summary|untyped
//   name{label="value",...} value [timestamp in ms]
// Label values escape \\, \" and \n; values may be NaN, +Inf or -Inf; blank lines and other
// comments are skipped. Like Prometheus's own scraper, the reader takes a page whole or not at
// all: one malformed line, or a page past the bounds below, refuses the page.

#include <QByteArray>
#include <QString>

#include <optional>
#include <string_view>
#include <vector>

namespace gaugeloft::sources {

inline constexpr qsizetype kPromMostBytes = 16 * 1024 * 1024;
inline constexpr qsizetype kPromMostLineBytes = 64 * 1024;
inline constexpr int kPromMostSamples = 200000;
inline constexpr int kPromMostLabels = 64;
inline constexpr int kPromMostLabelBytes = 4096; // a metric name, label name or label value

struct PromLabel {
    QString name;
    QString value;
};

struct PromSample {
    QString name;
    std::vector<PromLabel> labels; // in the page's order, without __name__
    double value = 0;
    std::optional<qint64> timestampMs;

    // The value of a label, or empty.
    QString Label(QLatin1StringView labelName) const;
};

using PromSamples = std::vector<PromSample>;

// Reads an exposition page; false, and `out` empty, when it is not one.
bool ReadPromText(const QByteArray& text, PromSamples& out);

// A sample value as Prometheus writes it: decimal or exponent notation, NaN, +Inf, -Inf.
std::optional<double> ParsePromValue(std::string_view text);

bool IsPromMetricName(std::string_view name);
bool IsPromLabelName(std::string_view name);

} // namespace gaugeloft::sources
