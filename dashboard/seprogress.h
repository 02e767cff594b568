#pragma once

// The progress bar of a tile: a range, a position kept inside it, and its picture.

#include "dashboard/themepalette.h"

class QPainter;
class QRect;

namespace gaugeloft {

class TSEProgress {
public:
    int Min() const { return m_min; }
    int Max() const { return m_max; }
    int Position() const { return m_position; }

    // Each setter stores its value, then keeps maximum >= minimum and the position inside.
    void SetMin(int value);
    void SetMax(int value);
    void SetPosition(int value);

    // Width of the filled part for a client width: 0 when minimum = maximum, else
    // (position - minimum) / (maximum - minimum) * width, rounded half to even. The bar
    // repaints only when this changes.
    int FilledWidth(int clientWidth) const;

    // Paints into `rect`: all in BackColor, then (when position differs from the minimum and
    // the range is not empty) a part (position - min + 1) / (max - min + 1) * width wide,
    // rounded, at least 3, shrunk by one pixel on every side, in BarColor.
    void Paint(QPainter& painter, const QRect& rect) const;

    TColor BackColor = 0;
    TColor BarColor = 0;

private:
    void Normalize();

    int m_min = 0;
    int m_max = 100;
    int m_position = 0;
};

} // namespace gaugeloft
