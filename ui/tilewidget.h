#pragma once

// Paints one tile model (TSensorFrame) at 128 x 128 pixels and forwards its input: the tile
// menu, clicks, double clicks, presses, moves and drags between tiles. It also tells
// assistive technology what the tile shows.

#include "dashboard/tilelist.h"

#include <QTimer>
#include <QWidget>

class QMenu;

namespace gaugeloft {

class TileWidget : public QWidget {
    Q_OBJECT
public:
    TileWidget(TSensorFrame& tile, TTileList& tiles, QWidget* parent = nullptr);
    ~TileWidget() override;

    TSensorFrame& Tile() { return m_tile; }
    // Opens the tile menu at a global position (the tree's Properties... uses it too).
    void PopupMenuAt(const QPoint& globalPosition);
    // Re-reads the model: repaint and update the accessible texts.
    void SyncFromModel();

Q_SIGNALS:
    void addTileRequested(int beforeTileNumber);  // -1: at the end
    void removeTileRequested(TSensorFrame* tile);  // after the user confirmed
    void propertiesRequested(TSensorFrame* tile);  // the 250 ms double-click timer fired

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    TSensorFrame& m_tile;
    TTileList& m_tiles;
    QTimer m_doubleClickTimer;
};

} // namespace gaugeloft
