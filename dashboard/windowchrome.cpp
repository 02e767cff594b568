#include "dashboard/windowchrome.h"

#include <cstdlib>

namespace gaugeloft {

TitleStripVisibility TitleStripRule(int c, int t, int s, int m, int w)
{
    return {c + t + s + m < w, c + t < w};
}

QRect BoundsAfterTreeToggle(const QRect& window, int treeWidth, int splitterWidth, bool nowVisible)
{
    const int d = treeWidth + splitterWidth;
    QRect bounds = window;
    if (nowVisible)
        bounds.setLeft(window.left() - d);
    else
        bounds.setLeft(window.left() + d);
    return bounds;
}

QRect BoundsAfterTitleToggle(const QRect& window, int stripHeight, bool nowVisible)
{
    QRect bounds = window;
    bounds.setHeight(window.height() + (nowVisible ? stripHeight : -stripHeight));
    return bounds;
}

QRect BoundsAfterSplitterMove(const QRect& window, int newTreeWidth, int savedTreeWidth)
{
    QRect bounds = window;
    bounds.setWidth(window.width() + newTreeWidth - savedTreeWidth);
    return bounds;
}

QPoint SnapToWorkArea(const QRect& frame, const QRect& workArea, int distance)
{
    QPoint topLeft = frame.topLeft();
    const auto near = [distance](int a, int b) { return std::abs(a - b) <= distance; };
    // QRect's right and bottom are the last pixel inside; compare the edges past it
    const int frameRight = frame.left() + frame.width();
    const int frameBottom = frame.top() + frame.height();
    const int areaRight = workArea.left() + workArea.width();
    const int areaBottom = workArea.top() + workArea.height();
    if (near(frame.left(), workArea.left()))
        topLeft.setX(workArea.left());
    else if (near(frameRight, areaRight))
        topLeft.setX(areaRight - frame.width());
    if (near(frame.top(), workArea.top()))
        topLeft.setY(workArea.top());
    else if (near(frameBottom, areaBottom))
        topLeft.setY(areaBottom - frame.height());
    return topLeft;
}

Qt::Edges SizingEdgesAt(const QSize& windowSize, const QPoint& position, int frameWidth)
{
    if (frameWidth <= 0)
        return {};
    const int x = position.x();
    const int y = position.y();
    const int w = windowSize.width();
    const int h = windowSize.height();
    if (x < 0 || y < 0 || x >= w || y >= h)
        return {};
    const bool left = x < frameWidth;
    const bool right = x >= w - frameWidth;
    const bool top = y < frameWidth;
    const bool bottom = y >= h - frameWidth;
    if (!left && !right && !top && !bottom)
        return {};
    // corners reach further along the edges, so they are easy to hit on a thin frame
    const int corner = 4 * frameWidth;
    Qt::Edges edges;
    const bool alongTopOrBottom = top || bottom;
    const bool alongLeftOrRight = left || right;
    if (left || (alongTopOrBottom && x < corner))
        edges |= Qt::LeftEdge;
    else if (right || (alongTopOrBottom && x >= w - corner))
        edges |= Qt::RightEdge;
    if (top || (alongLeftOrRight && y < corner))
        edges |= Qt::TopEdge;
    else if (bottom || (alongLeftOrRight && y >= h - corner))
        edges |= Qt::BottomEdge;
    return edges;
}

} // namespace gaugeloft
