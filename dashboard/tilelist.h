#pragma once

// The dashboard: the ordered list of tiles (dashboard, refresh and file order), tile numbers,
// highlights, drag state, the arrangement of tiles in a centred grid of 128-pixel cells, and
// the operations the tiles ask of the main window. No widgets: a view places tile widgets
// where the arrangement says and shows or hides them.

#include "dashboard/sensorframe.h"

#include <QPoint>

#include <memory>
#include <vector>

namespace gaugeloft {

// What the arrangement needs to know of the scroll area that holds the tiles.
struct ScrollGeometry {
    int ClientWidth = 0;
    int ClientHeight = 0;
    bool VerticalBarVisible = false;
    int VerticalBarWidth = 0;  // the system's scroll bar width
    int ScrollPosition = 0;    // vertical scroll offset
};

// Where the arrangement puts a tile (relative to the visible part of the scroll area).
struct TilePlacement {
    int Left = 0;
    int Top = 0;
};

// The view side of the list: tile widgets, the arrangement timer, confirmation boxes.
class TileListView {
public:
    virtual ~TileListView() = default;
    virtual ScrollGeometry Geometry() const = 0;
    virtual void TileCreated(TSensorFrame& tile, TilePlacement provisional, bool visible) = 0;
    virtual void TileRemoved(TSensorFrame& tile) = 0;  // before it is freed
    virtual void RestartArrangementTimer() = 0;         // Timer2: one-shot, 200 ms
    virtual bool ArrangementTimerActive() const = 0;
    // After an arrangement pass: places, in list order, and whether the scroll bar shows.
    virtual void TilesArranged(const std::vector<TilePlacement>& places, bool verticalBarVisible) = 0;
    virtual void ScrollIntoView(TSensorFrame& tile) = 0;
    // Hides a created tile until the next arrangement pass shows it.
    virtual void HideTile(TSensorFrame&) {}
};

class TTileList {
public:
    TTileList(TileHost& host, TileListView& view);
    ~TTileList();

    int Count() const { return static_cast<int>(m_tiles.size()); }
    TSensorFrame& At(int position) { return *m_tiles[static_cast<size_t>(position)]; }

    int AddTile(int before);   // before: a TileNumber, or -1 to append; returns the position
    void RemoveTile(TSensorFrame& tile);
    void RemoveAll();          // Delete All: from the last to the first
    void DeleteAll();          // every tile, leaving none (a dashboard is about to be read)
    int FindEmptyTile() const;
    int TileIndexOfNumber(int tileNumber) const;
    int FindTileBySensor(const QString& identifier) const;
    void SwapTiles(int a, int b);
    int TopMargin() const;
    void Timer2Timer();        // the arrangement pass
    void ForgetArrangement();  // LastColumns = -1, LastCount = 0 (a detection does this)
    void RestartArrangement() { m_view.RestartArrangementTimer(); }

    void Highlight(TSensorFrame& tile, TColor color);
    void Unhighlight(TSensorFrame& tile);
    void UnhighlightTile(int tileNumber);
    void UnhighlightAll();     // any popup menu closed

    // Drag and drop between tiles.
    void TileMousePress(TSensorFrame& tile, QPoint point);
    bool TileMouseMove(TSensorFrame& tile, QPoint point);  // true: begin dragging now
    void TileMouseRelease();
    bool TileDragOver(TSensorFrame& tile);                  // true: accepts the drop
    void TileDragDrop(TSensorFrame& tile);
    void TileEndDrag(TSensorFrame& source);

    // Poll and animation.
    void RefreshAll(bool autoSelect);  // RefreshTile (and AutoSelectDisplayType) in order
    void Timer3Timer();                // AnimationTick of Progress, Pie, Bar, Multi-Bars tiles
    // Whether some tile's bar still moves (when none does, the animation timer may rest).
    bool AnyTileAnimating() const;
    int UpdatePeerBars(int tileNumber, bool rebuild);
    void RecolorTile(int tileNumber);
    void RecolorAll();                 // RecolorTile, then UpdateChartSeries(rebuild), each tile

    // Replace on a tile: ReplaceFromTree, AutoSelectDisplayType, RecolorTile.
    void Assign(TSensorFrame& tile);
    // A click on a tile's value label or chart while it shows the empty green: Replace (if
    // enabled at the last menu opening), then an empty tile at the end if none is left.
    void TileClicked(TSensorFrame& tile);

    int LastMargin = 0;
    int LastTop = 0;
    int LastColumns = -1;
    int LastCount = 0;
    // A tile was created hidden for the next arrangement pass, which must then place and show
    // it even when the grid is as before (a removed tile and a new one keep the count).
    bool TileAwaitsArrangement = false;
    bool ArrangeEnabled = true;
    int TileCounter = 0;
    int DragSourceTile = 0;
    int HighlightedTile = 0;

private:
    void Delete(TSensorFrame& tile);  // without the empty tile that keeps a list from being empty

    TileHost& m_host;
    TileListView& m_view;
    std::vector<std::unique_ptr<TSensorFrame>> m_tiles;
};

} // namespace gaugeloft
