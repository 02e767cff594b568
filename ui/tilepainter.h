#pragma once

// Where the parts of a 128-pixel tile lie and how each one is drawn. The tile widget keeps
// the still parts in a picture and draws the moving ones (bar, chart picture, pie and bars)
// over it; the functions here draw one part each, into any painter.

#include "dashboard/sensorframe.h"

#include <QFont>
#include <QRect>

class QPainter;

namespace gaugeloft {

// Tile fonts: the desktop's sans-serif (the tile's own face does not exist here).
QFont TileTitleFont();      // 16-pixel character height
QFont TileSubtitleFont();   // 13 pixels
QFont TileMinMaxFont();     // 9 pixels, bold
QFont TileChartTitleFont(); // 13 pixels, bold
// The value label's font at `points`; the main window measures value texts with it.
QFont TileValueFont(int points);

struct TileLayout {
    QRect Body;        // 126 x 126 at (2, 2), with a 1-pixel border
    QRect Title;
    QRect Subtitle;
    QRect Value;       // empty while hidden
    QRect Details;     // empty while hidden
    QRect DetailsInner;  // inside the 3-pixel margin
    QRect DownArrow, MinText, MaxText, UpArrow;
    QRect Progress;
    QRect ChartArea;   // the history picture
    QRect Chart;       // pie or bars with their title
    QRect ChartTitle;
    QRect ChartPlot;
};

TileLayout LayoutTile(const TSensorFrame& tile);

// Still parts.
void PaintTileFrame(QPainter& painter, const TSensorFrame& tile, const TileLayout& layout);
void PaintTileTitle(QPainter& painter, const TSensorFrame& tile, const TileLayout& layout);
void PaintTileSubtitle(QPainter& painter, const TSensorFrame& tile, const TileLayout& layout);
void PaintTileValue(QPainter& painter, const TSensorFrame& tile, const TileLayout& layout);
// Details background, the minimum-maximum row, the chart's background and title.
void PaintTileDetails(QPainter& painter, const TSensorFrame& tile, const TileLayout& layout);

// Moving parts.
void PaintTileProgress(QPainter& painter, const TSensorFrame& tile, const TileLayout& layout);
void PaintTileChartArea(QPainter& painter, const TSensorFrame& tile, const TileLayout& layout);
void PaintTileChartPlot(QPainter& painter, const TSensorFrame& tile, const TileLayout& layout);

// All parts, in order (for pictures of a tile without a widget).
void PaintTile(QPainter& painter, const TSensorFrame& tile);

// The blue arrow beside the minimum (down) or the maximum (up), centred in `cell`.
void PaintTileArrow(QPainter& painter, const QRect& cell, bool up);

} // namespace gaugeloft
