#pragma once

// Paints one tile model (TSensorFrame) at 128 x 128 pixels and forwards its input: the tile
// menu, clicks, double clicks, presses, moves and drags between tiles. It also tells
// assistive technology what the tile shows.

#include "dashboard/tilelist.h"
#include "ui/tilepainter.h"

#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <vector>

class QAction;
class QActionGroup;
class QDrag;
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

    // Highlight and drop colours come from here; kept by reference (the main window's palette
    // outlives its tiles). Until it is set, the Light preset is used.
    void SetPalette(const ThemePalette& palette) { m_palette = &palette; }
    // The tile menu, built once; the main window listens to its aboutToHide.
    QMenu* Menu() const { return m_menu; }
    // The tile list's view calls it in TileRemoved, before the model is freed; the widget
    // then ignores input, paints nothing and should go with deleteLater().
    void DetachFromModel();

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
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void DragOver(QDragMoveEvent* event);  // entering and moving alike

    // What the still parts show, part by part, to repaint only what changed.
    struct LabelLook {
        QString Text;
        TColor Color = 0, Background = 0;
        bool Visible = false;
        bool operator==(const LabelLook&) const = default;
    };
    struct FrameLook {
        TColor Strip = 0, Body = 0, Details = 0;
        bool TitleVisible = false, SubtitleVisible = false, ValueVisible = false;
        bool DetailsVisible = false;
        int DetailsHeight = 0;
        bool operator==(const FrameLook&) const = default;
    };
    struct DetailsLook {
        LabelLook Min, Max;
        bool Arrows = false, Progress = false, ChartArea = false, Chart = false;
        QString ChartTitle;
        TColor ChartBack = 0, ChartTitleColor = 0;
        bool operator==(const DetailsLook&) const = default;
    };
    struct FaceLook {
        FrameLook Frame;
        LabelLook Title, Subtitle, Value;
        int ValuePoints = 0;
        DetailsLook Details;
    };
    struct PlotLook {
        bool Pie = false, Bars = false;
        TColor Back = 0, Frame = 0;
        std::vector<SeriesValue> Series1, Series2, Series3;
        // Compared and taken in place: no allocation once the series have their sizes.
        bool Shows(const TSensorFrame& tile) const;
        void Take(const TSensorFrame& tile);
    };
    enum FacePart : unsigned { kFramePart = 1, kTitlePart = 2, kSubtitlePart = 4, kValuePart = 8,
        kDetailsPart = 16, kAllParts = 31 };

    FaceLook CurrentFace() const;
    void RenderFace();
    void UpdateAccessibleTexts();
    void BuildMenu();
    void PrepareMenu();
    void ChooseDisplayType(int tag);
    void ConfirmRemove();
    void StartDrag();
    bool IsClickPart(const QPoint& point) const;
    void Click();
    void DoubleClickTimerFired();
    const ThemePalette& Palette() const;

    TSensorFrame& m_tile;
    TTileList& m_tiles;
    QTimer m_doubleClickTimer;
    bool m_attached = true;
    const ThemePalette* m_palette = nullptr;

    // painting
    TileLayout m_layout;
    FaceLook m_face;
    QPixmap m_facePicture;
    unsigned m_staleParts = kAllParts;
    int m_paintedFilledWidth = -1;
    TColor m_paintedBarBack = 0, m_paintedBarColor = 0;
    qint64 m_paintedChartKey = 0;  // the picture's cache key changes with every redraw
    PlotLook m_paintedPlot;
    bool m_plotPainted = false;

    // menu
    QMenu* m_menu = nullptr;
    QActionGroup* m_typeGroup = nullptr;
    std::vector<QAction*> m_typeActions;  // by tag 0..5
    QAction* m_showPeers = nullptr;
    QAction* m_replace = nullptr;

    // mouse
    bool m_pressed = false;
    bool m_pressedOnClickPart = false;
    bool m_doubleClickPress = false;
    QPoint m_pressPoint;
    bool m_dragStarted = false;
    QPointer<QDrag> m_drag;  // while one runs
    bool m_showFocus = false;

    // accessible texts as last announced, and the tile texts they were made from
    QString m_accessibleName, m_accessibleDescription, m_accessibleValue;
    struct SpokenTexts {
        QString Title, Value, Subtitle, Min, Max;
        bool SubtitleVisible = false;
        bool operator==(const SpokenTexts&) const = default;
    };
    SpokenTexts m_spoken;
    bool m_spokenOnce = false;
};

} // namespace gaugeloft
