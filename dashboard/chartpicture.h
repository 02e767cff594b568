#pragma once

// The history chart's picture (TSensorFrame::ChartBitmap), drawn again only where it changed.
// Between two polls the curve moves one column to the left: the picture is scrolled by one
// column and only the columns whose pixels can differ are drawn again, into a second picture
// that replaces the shown one only when some pixel differs. Any other change (scale, colours,
// size, a picture changed from outside) draws the whole picture.

#include "dashboard/themepalette.h"

#include <QImage>
#include <QSize>

#include <climits>
#include <vector>

namespace gaugeloft {

// Everything the picture shows besides the curve.
struct ChartLook {
    QSize Size;
    TColor Back = 0;   // above the curve
    TColor Frame = 0;  // the 1-pixel border
    TColor Fill = 0;   // below the curve
    TColor Pen = 0;    // the 2-pixel curve
    bool operator==(const ChartLook&) const = default;
};

class ChartPicture {
public:
    // A column whose reading is not in the history (only a picture wider than the tile has any).
    static constexpr int kNoReading = INT_MIN;

    // The curve's height in each column, left to right, from the first column on: the caller
    // fills it, then calls Draw. Columns past the picture's right edge still count (the pen
    // reaches back into it).
    std::vector<int>& Columns() { return m_next; }

    // Brings `picture` (already of look.Size) to the curve of Columns(); true when a pixel changed.
    bool Draw(QImage& picture, const ChartLook& look);
    // The next Draw draws the whole picture; the spare picture is freed.
    void Forget();

    // The whole picture of `columns`, drawn from nothing.
    static void DrawWhole(QImage& picture, const ChartLook& look, const std::vector<int>& columns);

private:
    bool DrawChangedColumns(const QImage& picture, const ChartLook& look, int shift);

    std::vector<int> m_drawn;  // the columns the shown picture was drawn from
    std::vector<int> m_next;
    ChartLook m_look;
    qint64 m_shownKey = 0;     // the shown picture's cache key when it was drawn; 0: unknown
    QImage m_spare;
    QImage m_scratch;  // where runs of changed columns are drawn before they are copied
};

} // namespace gaugeloft
