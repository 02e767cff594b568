#include "dashboard/chartpicture.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <array>
#include <cstring>

namespace gaugeloft {
namespace {

// How far the drawing of one column reaches to either side (the 2-pixel pen with square caps
// from the column before, and one column to spare). Columns further away are not touched.
constexpr int kReach = 4;
// The scrolled path handles pictures whose columns all have readings (the tile's 118 pixels).
constexpr int kMaxScrolledWidth = 125;

// Background and frame, then the columns first..last of the curve.
void PaintColumns(QPainter& painter, const ChartLook& look, const std::vector<int>& columns,
    int first, int last)
{
    const int width = look.Size.width();
    const int height = look.Size.height();
    painter.fillRect(0, 0, width, height, ToQColor(look.Back));
    const QColor frame = ToQColor(look.Frame);
    painter.fillRect(0, 0, width, 1, frame);
    painter.fillRect(0, height - 1, width, 1, frame);
    painter.fillRect(0, 0, 1, height, frame);
    painter.fillRect(width - 1, 0, 1, height, frame);

    const QColor brush = ToQColor(look.Fill);
    painter.setPen(QPen(ToQColor(look.Pen), 2));
    const int h = height - 2;
    QPoint pen;
    if (first > 0)
        pen = QPoint(first - 1, columns[size_t(first - 1)]);
    for (int i = first; i <= last; ++i) {
        const int y = columns[size_t(i)];
        if (y == ChartPicture::kNoReading)
            continue;
        if (i == 0)
            pen = QPoint(0, y);
        if (y < h + 1)
            painter.fillRect(i, y, 1, h + 1 - y, brush);
        const QPoint to(i, y);
        if (to != pen)
            painter.drawLine(pen, to);
        pen = to;
    }
}

} // namespace

void ChartPicture::DrawWhole(QImage& picture, const ChartLook& look, const std::vector<int>& columns)
{
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, false);
    PaintColumns(painter, look, columns, 0, int(columns.size()) - 1);
}

void ChartPicture::Forget()
{
    m_shownKey = 0;
    m_drawn.clear();
    m_spare = QImage();
    m_scratch = QImage();
}

bool ChartPicture::Draw(QImage& picture, const ChartLook& look)
{
    // the picture is made of the look and the columns alone
    const bool known = m_shownKey != 0 && picture.cacheKey() == m_shownKey && look == m_look
        && picture.size() == look.Size && m_drawn.size() == m_next.size();
    if (known && m_drawn == m_next)
        return false;

    if (m_spare.size() != look.Size || m_spare.format() != picture.format())
        m_spare = QImage(look.Size, picture.format());
    // Lines that leave the picture are clipped by the raster engine with pixels that depend on
    // where the line lies, so a curve with a reading outside the chart's range is drawn whole.
    const int lowest = look.Size.height() - 1;
    const bool scrollable = known && look.Size.width() <= kMaxScrolledWidth
        && std::all_of(m_next.begin(), m_next.end(), [lowest](int y) { return y >= 0 && y <= lowest; });
    // a poll moves the curve by one column; a redraw without a new reading does not
    if (!scrollable || (!DrawChangedColumns(picture, look, 1) && !DrawChangedColumns(picture, look, 0)))
        DrawWhole(m_spare, look, m_next);

    const bool changed = picture.size() != m_spare.size()
        || std::memcmp(picture.constBits(), m_spare.constBits(), size_t(m_spare.sizeInBytes())) != 0;
    if (changed)
        picture.swap(m_spare);
    std::swap(m_drawn, m_next);
    m_look = look;
    m_shownKey = picture.cacheKey();
    return changed;
}

// The spare picture becomes the shown one moved `shift` columns to the left with every column
// drawn again whose pixels can differ; false (and nothing drawn) when that is most of them.
bool ChartPicture::DrawChangedColumns(const QImage& picture, const ChartLook& look, int shift)
{
    const int width = look.Size.width();
    const int count = int(m_next.size());
    std::array<bool, kMaxScrolledWidth> dirty {};
    const auto mark = [&](int from, int to) {
        for (int c = std::max(from, 0); c <= std::min(to, width - 1); ++c)
            dirty[size_t(c)] = true;
    };
    // a column is drawn from the readings of its neighbours within the reach and the one before
    for (int j = 0; j < count; ++j) {
        if (j + shift >= count || m_next[size_t(j)] != m_drawn[size_t(j + shift)])
            mark(j - kReach, j + kReach + 1);
    }
    if (shift != 0) {
        // the left edge (no line comes into the first column) and the frame on both sides
        mark(0, kReach);
        mark(width - 1 - shift, width - 1);
    }
    const int changed = int(std::count(dirty.begin(), dirty.begin() + width, true));
    if (changed * 2 > width)
        return false;

    const int height = look.Size.height();
    const size_t kept = size_t(width - shift) * sizeof(QRgb);
    for (int row = 0; row < height; ++row) {
        const uchar* from = picture.constScanLine(row) + size_t(shift) * sizeof(QRgb);
        std::memcpy(m_spare.scanLine(row), from, kept);
    }
    // Each run of changed columns is drawn unclipped into a scratch picture and copied from
    // there: the raster engine strokes a clipped wide line with other pixels than a whole one.
    if (m_scratch.size() != look.Size || m_scratch.format() != m_spare.format())
        m_scratch = QImage(look.Size, m_spare.format());
    QPainter painter(&m_scratch);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (int first = 0; first < width; ++first) {
        if (!dirty[size_t(first)])
            continue;
        int last = first;
        while (last + 1 < width && dirty[size_t(last + 1)])
            ++last;
        PaintColumns(painter, look, m_next, std::max(first - kReach, 0), std::min(last + kReach, count - 1));
        const size_t offset = size_t(first) * sizeof(QRgb);
        const size_t bytes = size_t(last - first + 1) * sizeof(QRgb);
        for (int row = 0; row < height; ++row)
            std::memcpy(m_spare.scanLine(row) + offset, m_scratch.constScanLine(row) + offset, bytes);
        first = last;
    }
    return true;
}

} // namespace gaugeloft
