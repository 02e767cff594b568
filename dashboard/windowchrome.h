#pragma once

// Arithmetic of the main window's chrome: the title strip's label rule, the window bounds
// that keep the dashboard in place when the tree or the title strip is toggled or the
// splitter moved, edge snapping and the sizing frame's edges.

#include <QPoint>
#include <QRect>

namespace gaugeloft {

struct TitleStripVisibility {
    bool Separators;  // " - Sensors " and " Time - "
    bool Computer;    // the computer name; the clock is always shown
};

// c, t, s, m: widths of the computer name, clock, " - Sensors " and " Time - "; w: strip width.
TitleStripVisibility TitleStripRule(int c, int t, int s, int m, int w);

// The window after the tree (and its splitter) became visible or hidden: the dashboard keeps
// its place on the screen, so the window grows or shrinks on the left.
QRect BoundsAfterTreeToggle(const QRect& window, int treeWidth, int splitterWidth, bool nowVisible);
// The window after the title strip became visible or hidden: taller or shorter at the bottom.
QRect BoundsAfterTitleToggle(const QRect& window, int stripHeight, bool nowVisible);
// The window after the splitter gave the tree a new width: the dashboard keeps its width.
QRect BoundsAfterSplitterMove(const QRect& window, int newTreeWidth, int savedTreeWidth);

// The frame's top-left after snapping each edge lying within `distance` pixels of the work
// area's matching edge onto it.
QPoint SnapToWorkArea(const QRect& frame, const QRect& workArea, int distance = 10);

// The window edges a press at `position` grabs when the sizing frame is `frameWidth` pixels
// wide (none inside; corners grab two edges, with a longer reach along the edges).
Qt::Edges SizingEdgesAt(const QSize& windowSize, const QPoint& position, int frameWidth);

} // namespace gaugeloft
