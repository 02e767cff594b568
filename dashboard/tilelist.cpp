#include "dashboard/tilelist.h"

#include "sensors/typetables.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace gaugeloft {

namespace {

constexpr int kCell = TSensorFrame::kSize;
constexpr int kDragDistance = 32;

// Height of all rows of n tiles in `columns` columns (one column when 0).
int RowsHeight(int n, int columns)
{
    return columns == 0 ? kCell : ((n - 1) / columns) * kCell + kCell;
}

} // namespace

TTileList::TTileList(TileHost& host, TileListView& view)
    : m_host(host)
    , m_view(view)
{
}

// The tiles go without unbinding: the tree and the view may be gone already.
TTileList::~TTileList() = default;

int TTileList::AddTile(int before)
{
    const ScrollGeometry g = m_view.Geometry();
    const bool barBefore = g.VerticalBarVisible;
    const int n = Count();
    const int columns = g.ClientWidth / kCell;
    const int margin = (g.ClientWidth % kCell) / 2;
    const int number = TileCounter + 1;

    auto tile = std::make_unique<TSensorFrame>(m_host, number);
    TilePlacement provisional;
    if (columns > 0) {
        provisional.Top = TopMargin() + (n / columns) * kCell - g.ScrollPosition;
        provisional.Left = (n % columns) * kCell + margin;
    } else {
        provisional.Top = TopMargin() + n * kCell - g.ScrollPosition;
        provisional.Left = margin;
    }
    tile->FrameResize();
    TSensorFrame& created = *tile;
    ++TileCounter;

    int position = TileIndexOfNumber(before);
    const bool append = position == -1;
    if (append) {
        m_tiles.push_back(std::move(tile));
        position = Count() - 1;
    } else {
        m_tiles.insert(m_tiles.begin() + position, std::move(tile));
        m_view.RestartArrangementTimer();
    }
    RecolorTile(number);

    // a tile that the arrangement is going to place stays hidden until then
    const bool shown = append && !m_view.ArrangementTimerActive();
    m_view.TileCreated(created, provisional, shown);
    TileAwaitsArrangement = TileAwaitsArrangement || !shown;
    if (m_view.Geometry().VerticalBarVisible != barBefore)
        m_view.RestartArrangementTimer();
    // The provisional place counts columns and margin from the width now; when the scroll bar
    // came after the last arrangement, the other tiles stand on another grid and the new one
    // would overlap them: the arrangement places it with them.
    if (LastColumns >= 0 && (columns != LastColumns || margin != LastMargin))
        m_view.RestartArrangementTimer();
    if (m_view.ArrangementTimerActive()) {
        if (shown)
            m_view.HideTile(created);  // the scroll bar came or went: the arrangement shows it
        TileAwaitsArrangement = true;
    } else {
        m_view.ScrollIntoView(created);
    }
    return position;
}

void TTileList::RemoveTile(TSensorFrame& tile)
{
    Delete(tile);
    if (m_tiles.empty())
        AddTile(-1);
}

void TTileList::Delete(TSensorFrame& tile)
{
    for (int i = Count() - 1; i >= 0; --i) {
        if (m_tiles[size_t(i)].get() != &tile)
            continue;
        tile.BindSensor(QString());
        tile.FreeChartBitmap();
        m_view.TileRemoved(tile);
        m_tiles.erase(m_tiles.begin() + i);
        m_view.RestartArrangementTimer();
        break;
    }
}

void TTileList::RemoveAll()
{
    for (int i = Count() - 1; i >= 0; --i)
        RemoveTile(At(i));
}

void TTileList::DeleteAll()
{
    for (int i = Count() - 1; i >= 0; --i)
        Delete(At(i));
}

int TTileList::FindEmptyTile() const
{
    for (int i = 0; i < Count(); ++i) {
        if (m_tiles[size_t(i)]->IsEmpty())
            return i;
    }
    return -1;
}

int TTileList::TileIndexOfNumber(int tileNumber) const
{
    for (int i = 0; i < Count(); ++i) {
        if (m_tiles[size_t(i)]->TileNumber == tileNumber)
            return i;
    }
    return -1;
}

int TTileList::FindTileBySensor(const QString& identifier) const
{
    for (int i = 0; i < Count(); ++i) {
        if (m_tiles[size_t(i)]->SensorId.compare(identifier, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void TTileList::SwapTiles(int a, int b)
{
    const int first = TileIndexOfNumber(a);
    const int second = TileIndexOfNumber(b);
    if (first == -1 || second == -1)
        return;
    std::swap(m_tiles[size_t(first)], m_tiles[size_t(second)]);
    LastColumns = -1;
    m_view.RestartArrangementTimer();
}

int TTileList::TopMargin() const
{
    const int n = Count();
    if (n == 0)
        return 0;
    const ScrollGeometry g = m_view.Geometry();
    const int columns = g.ClientWidth / kCell;
    const int rows = columns == 0 ? 0 : n / columns + (n % columns != 0 ? 1 : 0);
    const int top = (g.ClientHeight - rows * kCell) / 2;
    return std::max(top, 0);
}

void TTileList::Timer2Timer()
{
    if (!ArrangeEnabled)
        return;
    const ScrollGeometry g = m_view.Geometry();
    const int n = Count();
    int width = g.ClientWidth;
    int columns = width / kCell;
    const int margin = (width % kCell) / 2;
    const int top = TopMargin();
    const int height = g.ClientHeight;
    const int barWidth = g.VerticalBarWidth;
    bool bar = g.VerticalBarVisible;

    // a bar about to appear takes its width first
    if (!bar && columns < LastColumns && RowsHeight(n, columns) > height) {
        width -= barWidth;
        columns = std::min(columns, width / kCell);
        bar = true;
    }
    // a bar about to go gives its width back
    if (bar && columns >= LastColumns) {
        const int wider = width + barWidth;
        if (wider / kCell > columns) {
            columns = wider / kCell;
            width = wider;
            bar = false;
        }
    }
    if (!bar && RowsHeight(n, columns) > height)
        columns = std::min(columns, (width - barWidth) / kCell);

    if (!TileAwaitsArrangement && columns == LastColumns && n == LastCount && top == LastTop
        && margin == LastMargin)
        return;
    TileAwaitsArrangement = false;

    std::vector<TilePlacement> places(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        TilePlacement& place = places[size_t(i)];
        if (columns > 0) {
            place.Top = (i / columns) * kCell + top - g.ScrollPosition;
            place.Left = (i % columns) * kCell + margin;
        } else {
            place.Top = i * kCell + top - g.ScrollPosition;
            place.Left = margin;
        }
    }
    // the bar shows when the placed rows run past the bottom
    const int rows = columns == 0 ? n : (n + columns - 1) / columns;
    m_view.TilesArranged(places, bar || top + rows * kCell > height);
    LastTop = top;
    LastMargin = margin;
    LastColumns = columns;
    LastCount = n;
}

void TTileList::ForgetArrangement()
{
    LastColumns = -1;
    LastCount = 0;
}

// ---- highlights

void TTileList::Highlight(TSensorFrame& tile, TColor color)
{
    if (HighlightedTile != 0)
        UnhighlightTile(HighlightedTile);
    tile.BodyColor = color;
    HighlightedTile = tile.TileNumber;
    tile.Changed();
}

void TTileList::Unhighlight(TSensorFrame& tile)
{
    tile.BodyColor = m_host.Palette().TileColor;
    if (HighlightedTile == tile.TileNumber)
        HighlightedTile = 0;
    tile.Changed();
}

void TTileList::UnhighlightTile(int tileNumber)
{
    const int position = TileIndexOfNumber(tileNumber);
    if (position != -1)
        Unhighlight(At(position));
}

void TTileList::UnhighlightAll()
{
    for (auto& tile : m_tiles)
        Unhighlight(*tile);
}

// ---- drag and drop

void TTileList::TileMousePress(TSensorFrame& tile, QPoint point)
{
    tile.DragStart = point;
    DragSourceTile = tile.TileNumber;
}

bool TTileList::TileMouseMove(TSensorFrame& tile, QPoint point)
{
    if (DragSourceTile == 0)
        return false;
    if (std::abs(point.x() - tile.DragStart.x()) <= kDragDistance
        && std::abs(point.y() - tile.DragStart.y()) <= kDragDistance)
        return false;
    // the source's colour is not recorded: the end of the drag restores it
    tile.BodyColor = m_host.Palette().HighlightColor;
    DragSourceTile = tile.TileNumber;
    tile.Changed();
    return true;
}

void TTileList::TileMouseRelease()
{
    DragSourceTile = 0;
}

bool TTileList::TileDragOver(TSensorFrame& tile)
{
    const bool accept = DragSourceTile != 0 && DragSourceTile != tile.TileNumber;
    if (accept)
        Highlight(tile, m_host.Palette().DropColor);
    if (HighlightedTile != 0 && DragSourceTile == tile.TileNumber)
        UnhighlightTile(HighlightedTile);
    return accept;
}

void TTileList::TileDragDrop(TSensorFrame& tile)
{
    if (DragSourceTile != 0)
        SwapTiles(tile.TileNumber, DragSourceTile);
}

void TTileList::TileEndDrag(TSensorFrame& source)
{
    Unhighlight(source);
    UnhighlightTile(HighlightedTile);
    DragSourceTile = 0;
}

// ---- poll and animation

void TTileList::RefreshAll(bool autoSelect)
{
    for (auto& tile : m_tiles) {
        tile->RefreshTile();
        if (autoSelect)
            tile->AutoSelectDisplayType();
    }
}

void TTileList::Timer3Timer()
{
    for (auto& tile : m_tiles) {
        if (tile->TakesAnimationTicks())
            tile->AnimationTick();
    }
}

bool TTileList::AnyTileAnimating() const
{
    return std::any_of(m_tiles.begin(), m_tiles.end(), [](const auto& tile) { return tile->Animating(); });
}

int TTileList::UpdatePeerBars(int tileNumber, bool rebuild)
{
    const int position = TileIndexOfNumber(tileNumber);
    return position == -1 ? -1 : At(position).UpdatePeerBars(rebuild);
}

void TTileList::RecolorTile(int tileNumber)
{
    const int position = TileIndexOfNumber(tileNumber);
    if (position != -1)
        At(position).Recolor(m_host.Palette());
}

void TTileList::RecolorAll()
{
    for (auto& tile : m_tiles) {
        RecolorTile(tile->TileNumber);
        tile->UpdateChartSeries(true);
    }
}

void TTileList::Assign(TSensorFrame& tile)
{
    tile.ReplaceFromTree();
    tile.AutoSelectDisplayType();
    RecolorTile(tile.TileNumber);
}

void TTileList::TileClicked(TSensorFrame& tile)
{
    if (!tile.ShowsEmptyGreen())
        return;
    if (tile.ReplaceItemEnabled())
        Assign(tile);
    if (FindEmptyTile() == -1)
        AddTile(-1);
}

} // namespace gaugeloft
