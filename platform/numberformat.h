#pragma once

// Number formatting for sensor readings: "%.<d>n" patterns with the locale's separators.

#include <QString>
#include <QStringView>

class QLocale;

namespace gaugeloft {

// The separators a formatted number uses.
struct NumberLocale {
    QString groupSeparator = QStringLiteral(",");
    QString decimalPoint = QStringLiteral(".");

    // Empty group separator when the locale omits grouping.
    static NumberLocale FromQLocale(const QLocale& locale);
    // The user's locale (QLocale::system()) until setCurrent is called.
    static const NumberLocale& Current();
    static void SetCurrent(const NumberLocale& l);
};

// Appends `pattern` applied to `v` to `out`:
//  "%.<d>n"  v in fixed point with d decimals (d up to 99) and thousands grouped by 3.
//            Rounding is half away from zero on the shortest decimal form of v, so
//            0.15 -> "0.2" and 45.25 -> "45.3". A result that rounds to zero has no sign.
//            NaN and infinities print as 0.
//  "%%"      a percent sign.
//  anything else prints as it stands.
// Allocates nothing beyond growing `out`.
void AppendPattern(QString& out, QStringView pattern, double v,
                   const NumberLocale& locale = NumberLocale::Current());
QString FormatPattern(QStringView pattern, double v,
                      const NumberLocale& locale = NumberLocale::Current());

} // namespace gaugeloft
