#pragma once

// The dashboard area (SensorsPanel): a frameless, vertically scrolling box (ScrollBox1)
// whose content holds one TileWidget per tile where the tile list's arrangement puts them,
// and the one-shot arrangement timer (Timer2).

#include "dashboard/tilelist.h"

#include <QHash>
#include <QTimer>
#include <QWidget>

class QScrollArea;

namespace gaugeloft {

class TileWidget;

class DashboardArea : public QWidget, public TileListView {
    Q_OBJECT
public:
    static constexpr int kArrangeDelayMs = 200;

    explicit DashboardArea(QWidget* parent = nullptr);
    ~DashboardArea() override;

    // The list whose tiles this area shows; set once, before the first tile.
    void SetTiles(TTileList* tiles) { m_tiles = tiles; }
    void SetPalette(const ThemePalette& palette);

    QScrollArea* ScrollBox() const { return m_scrollBox; }
    QWidget* Content() const { return m_content; }
    QTimer& Timer2() { return m_timer2; }
    TileWidget* WidgetOf(const TSensorFrame& tile) const { return m_widgets.value(&tile); }
    // Frees every tile widget, from the last tile to the first (the window is closing).
    void DeleteTileWidgets();

    // TileListView
    ScrollGeometry Geometry() const override;
    void TileCreated(TSensorFrame& tile, TilePlacement provisional, bool visible) override;
    void TileRemoved(TSensorFrame& tile) override;
    void RestartArrangementTimer() override;
    bool ArrangementTimerActive() const override;
    void TilesArranged(const std::vector<TilePlacement>& places, bool verticalBarVisible) override;
    void ScrollIntoView(TSensorFrame& tile) override;
    void HideTile(TSensorFrame& tile) override;

Q_SIGNALS:
    void tileWidgetCreated(TileWidget* widget);
    // A context menu on the empty parts of the area.
    void menuRequested(const QPoint& globalPosition);
    // A double click on the empty parts of the area.
    void backgroundDoubleClicked();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int FullClientWidth() const;
    bool BarNeeded(int contentHeight) const;
    void FitContent();

    QScrollArea* m_scrollBox = nullptr;
    QWidget* m_content = nullptr;
    QTimer m_timer2;
    TTileList* m_tiles = nullptr;
    const ThemePalette* m_palette = nullptr;
    QHash<const TSensorFrame*, TileWidget*> m_widgets;
};

} // namespace gaugeloft
