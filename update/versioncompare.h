#pragma once

// Version texts of the update index and of the running program, compared number by number.

#include <QString>

#include <stdexcept>

namespace gaugeloft::update {

// A text that should have been a number and is not; the message names it.
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// -1 when `a` is older than `b`, 1 when newer, 0 when equal. Each text gives four numbers: a
// number is the decimal digits met up to the next "." or "," (other characters are skipped);
// an empty text counts as "0.0.0.0", numbers after the fourth are ignored. A text with fewer
// than four numbers, or a number past 32 bits, throws ConversionError.
int CompareVersions(const QString& a, const QString& b);

} // namespace gaugeloft::update
