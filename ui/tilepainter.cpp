#include "ui/tilepainter.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace gaugeloft {
namespace {

constexpr int kTitleHeight = 19;
constexpr int kSubtitleHeight = 16;
constexpr int kDetailsMargin = 3;
constexpr int kArrowWidth = 13;
constexpr int kMinMaxWidth = 46;
constexpr int kChartMargin = 4;
constexpr double kBarWidth = 0.85;
const QColor kArrowBlue(0x1E, 0x6E, 0xE6);

QFont SansFont(int pixels, bool bold)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// One line of text, centred or aligned, cut with an ellipsis when it does not fit.
void DrawLine(QPainter& p, const QRect& rect, const QString& text, const QFont& font,
    TColor color, Qt::Alignment align)
{
    if (text.isEmpty() || rect.isEmpty())
        return;
    p.setFont(font);
    p.setPen(ToQColor(color));
    const QString shown = QFontMetrics(font).elidedText(text, Qt::ElideRight, rect.width());
    p.drawText(rect, int(align | Qt::AlignVCenter | Qt::TextSingleLine), shown);
}

} // namespace

QFont TileTitleFont()
{
    static const QFont font = SansFont(16, false);
    return font;
}

QFont TileSubtitleFont()
{
    static const QFont font = SansFont(13, false);
    return font;
}

QFont TileMinMaxFont()
{
    static const QFont font = SansFont(9, true);
    return font;
}

QFont TileChartTitleFont()
{
    static const QFont font = SansFont(13, true);
    return font;
}

QFont TileValueFont(int points)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(std::max(points, 1));
    return font;
}

TileLayout LayoutTile(const TSensorFrame& tile)
{
    TileLayout l;
    l.Body = QRect(2, 2, TSensorFrame::kSize - 2, TSensorFrame::kSize - 2);
    // labels stack from the top, the details area sits at the bottom, the value takes the rest
    QRect free = l.Body.adjusted(1, 1, -1, -1);
    if (tile.Title.Visible) {
        l.Title = QRect(free.left(), free.top(), free.width(), kTitleHeight);
        free.setTop(l.Title.bottom() + 1);
    }
    if (tile.Subtitle.Visible) {
        l.Subtitle = QRect(free.left(), free.top(), free.width(), kSubtitleHeight);
        free.setTop(l.Subtitle.bottom() + 1);
    }
    if (tile.DetailsVisible && tile.DetailsHeight > 0) {
        const int height = std::min(tile.DetailsHeight, std::max(free.height(), 0));
        l.Details = QRect(free.left(), free.bottom() - height + 1, free.width(), height);
        free.setBottom(l.Details.top() - 1);
        l.DetailsInner = l.Details.adjusted(kDetailsMargin, kDetailsMargin, -kDetailsMargin,
            -kDetailsMargin);
    }
    if (tile.Value.Visible && free.height() > 0)
        l.Value = free;

    const QRect& in = l.DetailsInner;
    if (in.isValid()) {
        l.DownArrow = QRect(in.left(), in.top(), kArrowWidth, in.height());
        l.MinText = QRect(l.DownArrow.right() + 1, in.top(), kMinMaxWidth, in.height());
        l.UpArrow = QRect(in.right() - kArrowWidth + 1, in.top(), kArrowWidth, in.height());
        l.MaxText = QRect(l.UpArrow.left() - kMinMaxWidth, in.top(), kMinMaxWidth, in.height());
        l.Progress = in;
        l.ChartArea = in;
        l.Chart = in;
        const int titleHeight = QFontMetrics(TileChartTitleFont()).height() + 2;
        l.ChartTitle = QRect(in.left(), in.top() + 1, in.width(), titleHeight);
        l.ChartPlot = QRect(QPoint(in.left() + kChartMargin, l.ChartTitle.bottom() + 3),
            QPoint(in.right() - kChartMargin, in.bottom() - kChartMargin));
    }
    return l;
}

void PaintTileFrame(QPainter& p, const TSensorFrame& tile, const TileLayout& l)
{
    const QColor strip = ToQColor(tile.StripColor);
    p.fillRect(QRect(0, 0, TSensorFrame::kSize, l.Body.top()), strip);
    p.fillRect(QRect(0, 0, l.Body.left(), TSensorFrame::kSize), strip);
    p.fillRect(l.Body, ToQColor(tile.BodyColor));
}

void PaintTileTitle(QPainter& p, const TSensorFrame& tile, const TileLayout& l)
{
    if (l.Title.isEmpty())
        return;
    p.fillRect(l.Title, ToQColor(tile.Title.Background));
    DrawLine(p, l.Title.adjusted(1, 0, -1, 0), tile.Title.Text, TileTitleFont(), tile.Title.Color,
        Qt::AlignHCenter);
}

void PaintTileSubtitle(QPainter& p, const TSensorFrame& tile, const TileLayout& l)
{
    if (l.Subtitle.isEmpty())
        return;
    p.fillRect(l.Subtitle, ToQColor(tile.Subtitle.Background));
    DrawLine(p, l.Subtitle.adjusted(1, 0, -1, 0), tile.Subtitle.Text, TileSubtitleFont(),
        tile.Subtitle.Color, Qt::AlignHCenter);
}

void PaintTileValue(QPainter& p, const TSensorFrame& tile, const TileLayout& l)
{
    if (l.Value.isEmpty())
        return;
    p.fillRect(l.Value, ToQColor(tile.Value.Background));
    // the model fits the font to the width; whatever is still too wide is cut at the edges
    p.save();
    p.setClipRect(l.Value, Qt::IntersectClip);
    p.setFont(TileValueFont(tile.ValueFontPoints));
    p.setPen(ToQColor(tile.Value.Color));
    p.drawText(l.Value, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip, tile.Value.Text);
    p.restore();
}

void PaintTileArrow(QPainter& p, const QRect& cell, bool up)
{
    // a 7-pixel head over a 3-pixel shaft, 9 pixels tall
    const QPointF c = QRectF(cell).center();
    const double s = up ? -1.0 : 1.0;
    const QPolygonF arrow {
        {c.x() - 1.5, c.y() - s * 4.5}, {c.x() + 1.5, c.y() - s * 4.5},
        {c.x() + 1.5, c.y() + s * 0.5}, {c.x() + 3.5, c.y() + s * 0.5},
        {c.x(), c.y() + s * 4.5}, {c.x() - 3.5, c.y() + s * 0.5},
        {c.x() - 1.5, c.y() + s * 0.5},
    };
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(kArrowBlue);
    p.drawPolygon(arrow);
    p.restore();
}

void PaintTileDetails(QPainter& p, const TSensorFrame& tile, const TileLayout& l)
{
    if (l.Details.isEmpty())
        return;
    p.fillRect(l.Details, ToQColor(tile.DetailsColor));
    if (tile.MinText.Visible)
        DrawLine(p, l.MinText, tile.MinText.Text, TileMinMaxFont(), tile.MinText.Color,
            Qt::AlignLeft);
    if (tile.MaxText.Visible)
        DrawLine(p, l.MaxText, tile.MaxText.Text, TileMinMaxFont(), tile.MaxText.Color,
            Qt::AlignRight);
    if (tile.ArrowsVisible) {
        if (tile.MinText.Visible)
            PaintTileArrow(p, l.DownArrow, false);
        if (tile.MaxText.Visible)
            PaintTileArrow(p, l.UpArrow, true);
    }
    if (tile.ChartVisible && !l.Chart.isEmpty()) {
        p.fillRect(l.Chart, ToQColor(tile.ChartBackColor));
        DrawLine(p, l.ChartTitle, tile.ChartTitle, TileChartTitleFont(), tile.ChartTitleColor,
            Qt::AlignHCenter);
    }
}

void PaintTileProgress(QPainter& p, const TSensorFrame& tile, const TileLayout& l)
{
    if (tile.ProgressVisible && !l.Progress.isEmpty())
        tile.ProgressBar1.Paint(p, l.Progress);
}

void PaintTileChartArea(QPainter& p, const TSensorFrame& tile, const TileLayout& l)
{
    if (!tile.ChartAreaVisible || l.ChartArea.isEmpty() || !tile.ChartBitmap
        || tile.ChartBitmap->isNull())
        return;
    p.save();
    p.setClipRect(l.ChartArea, Qt::IntersectClip);
    p.drawImage(l.ChartArea.topLeft(), *tile.ChartBitmap);
    p.restore();
}

namespace {

void PaintPie(QPainter& p, const std::vector<SeriesValue>& slices, const QRect& plot)
{
    double total = 0.0;
    for (const SeriesValue& s : slices)
        total += std::max(s.Value, 0.0);
    if (slices.empty() || total <= 0.0)
        return;
    const int diameter = std::min(plot.width(), plot.height());
    const QRectF circle(plot.left() + (plot.width() - diameter) / 2,
        plot.top() + (plot.height() - diameter) / 2, diameter, diameter);
    // the first slice lies under the whole circle so that no seam shows between slices
    p.setBrush(ToQColor(slices.front().Color));
    p.drawEllipse(circle);
    constexpr int kFull = 360 * 16;
    constexpr int kStart = 180 * 16;
    double before = std::max(slices.front().Value, 0.0);
    for (size_t i = 1; i < slices.size(); ++i) {
        const double value = std::max(slices[i].Value, 0.0);
        const int from = int(std::lround(before / total * kFull));
        const int to = int(std::lround((before + value) / total * kFull));
        before += value;
        if (to <= from)
            continue;
        p.setBrush(ToQColor(slices[i].Color));
        if (to - from >= kFull)
            p.drawEllipse(circle);
        else
            p.drawPie(circle, kStart + from, to - from);
    }
}

void PaintBars(QPainter& p, const std::vector<SeriesValue>& filled,
    const std::vector<SeriesValue>& remaining, TColor frame, const QRect& plot)
{
    // the back wall's frame, then one bar per position, the filled part at the bottom
    p.setPen(ToQColor(frame));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot.adjusted(0, 0, -1, -1));
    p.setPen(Qt::NoPen);
    const size_t count = std::max(filled.size(), remaining.size());
    if (count == 0)
        return;
    const QRectF inside = QRectF(plot).adjusted(1, 1, -1, -1);
    const double slot = inside.width() / double(count);
    const double width = std::max(1.0, std::round(slot * kBarWidth));
    for (size_t i = 0; i < count; ++i) {
        const double f = i < filled.size() ? std::max(filled[i].Value, 0.0) : 0.0;
        const double r = i < remaining.size() ? std::max(remaining[i].Value, 0.0) : 0.0;
        if (f + r <= 0.0)
            continue;
        const double left = std::round(inside.left() + slot * double(i) + (slot - width) / 2);
        const double split = std::round(inside.bottom() - inside.height() * f / (f + r));
        if (r > 0.0 && i < remaining.size())
            p.fillRect(QRectF(left, inside.top(), width, split - inside.top()),
                ToQColor(remaining[i].Color));
        if (f > 0.0 && i < filled.size())
            p.fillRect(QRectF(left, split, width, inside.bottom() - split),
                ToQColor(filled[i].Color));
    }
}

} // namespace

void PaintTileChartPlot(QPainter& p, const TSensorFrame& tile, const TileLayout& l)
{
    if (!tile.ChartVisible || l.ChartPlot.isEmpty())
        return;
    p.save();
    p.setClipRect(l.ChartPlot, Qt::IntersectClip);
    p.fillRect(l.ChartPlot, ToQColor(tile.ChartBackColor));
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    if (tile.PieActive)
        PaintPie(p, tile.Series1, l.ChartPlot);
    p.setRenderHint(QPainter::Antialiasing, false);
    if (tile.BarsActive)
        PaintBars(p, tile.Series2, tile.Series3, tile.ChartFrameColor, l.ChartPlot);
    p.restore();
}

void PaintTile(QPainter& p, const TSensorFrame& tile)
{
    const TileLayout l = LayoutTile(tile);
    PaintTileFrame(p, tile, l);
    PaintTileTitle(p, tile, l);
    PaintTileSubtitle(p, tile, l);
    PaintTileValue(p, tile, l);
    PaintTileDetails(p, tile, l);
    PaintTileProgress(p, tile, l);
    PaintTileChartArea(p, tile, l);
    PaintTileChartPlot(p, tile, l);
}

} // namespace gaugeloft
