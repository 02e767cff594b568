#pragma once

// A dashboard tile as a model: everything a 128-pixel tile shows (state, texts, colours,
// which parts are visible, bar range and position, history, chart picture, series values),
// driven without a screen. A widget paints it and forwards input (ui/tilewidget.*).

#include "dashboard/chartpicture.h"
#include "dashboard/seprogress.h"
#include "dashboard/themepalette.h"
#include "sensors/hardwaretree.h"

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace gaugeloft {

class TSensorFrame;

// What a tile needs from the main window.
class TileHost {
public:
    virtual ~TileHost() = default;
    virtual HardwareTree& Tree() = 0;
    virtual bool ShowFahrenheit() const = 0;
    virtual int AnimationSteps() const = 0;          // may be 0: starting an animation then fails
    virtual const ThemePalette& Palette() const = 0;
    virtual void SetCaption(const QString& text) = 0;  // the main window's caption
    virtual TreeNode* CurrentNode() = 0;
    virtual TreeNode* SelectedNode() = 0;             // the tree's selected node
    // Width in pixels of `text` in the value font at `points` (the desktop's sans-serif).
    virtual int MeasureValueText(const QString& text, int points) = 0;
    // A tile's bar got a step to take (the animation timer may be resting).
    virtual void AnimationStarted() {}
};

// Display types.
enum TileDisplayType : std::uint8_t {
    dtText = 0,
    dtProgress = 1,
    dtMinMax = 2,
    dtChart = 3,
    dtPie = 4,
    dtBar = 5,
    dtMultiBars = 6,
};

// One text part of the tile.
struct TileLabel {
    QString Text;
    TColor Color = 0;        // text colour
    TColor Background = 0;
    bool Visible = true;
};

// One value of a chart series with its own colour.
struct SeriesValue {
    double Value = 0.0;
    TColor Color = 0;
};

// Enabled and checked states of the tile menu when it opens.
struct TileMenuState {
    bool TextEnabled = true, ProgressEnabled = true, MinMaxEnabled = true, ChartEnabled = true;
    bool PieEnabled = true, BarEnabled = true;
    bool ShowPeersEnabled = false, ShowPeersChecked = false;
    bool ReplaceEnabled = true;
    int CheckedType = dtText;  // the radio item checked: 0..5 (5 also for Multi-Bars)
};

class TSensorFrame {
public:
    static constexpr int kSize = 128;
    static constexpr int kHistorySize = 128;
    static constexpr int kChartWidth = 118;   // chart area in the Chart display
    static constexpr int kChartHeight = 46;

    TSensorFrame(TileHost& host, int tileNumber);

    // Fields.
    QPoint DragStart;
    QString SensorId;
    int TileNumber = 0;
    std::uint8_t DisplayType = dtText;
    std::array<double, kHistorySize> History {};
    std::unique_ptr<QImage> ChartBitmap;
    int HistoryNext = 0;
    int ScaleFactor = 1;
    bool ShowsFahrenheit = false;
    QString CustomName;
    QString DefaultSubtitle;
    double AnimPosition = 0.0;
    double AnimStep = 0.0;
    int PeerMark = 0;  // 1-based position of " #" in the sensor's name, 0 when none

    // Visual parts.
    TileLabel Title {QStringLiteral("...")};      // Label2
    TileLabel Subtitle {QStringLiteral("(empty)")};  // Label3
    TileLabel Value {QStringLiteral("+"), 0, kEmptyTileGreen};  // Label1
    TileLabel MinText {QStringLiteral("(min)")};
    TileLabel MaxText {QStringLiteral("(max)")};
    int ValueFontPoints = 22;
    TColor BodyColor = 0;     // Panel1; carries the highlight colours
    TColor StripColor = 0;    // Panel3 and Panel4, the gaps between tiles
    TColor DetailsColor = 0;  // the details area
    bool DetailsVisible = false;
    int DetailsHeight = 0;
    bool ArrowsVisible = false;  // the two arrow icons beside the minimum and maximum
    bool ProgressVisible = false;
    bool ChartAreaVisible = false;  // PaintBox1, shows ChartBitmap
    bool ChartVisible = false;      // the pie and bar chart
    TSEProgress ProgressBar1;

    // The pie and bar chart.
    std::vector<SeriesValue> Series1;  // pie: remaining, filled
    std::vector<SeriesValue> Series2;  // bars, filled parts
    std::vector<SeriesValue> Series3;  // bars, remaining parts
    bool PieActive = false;
    bool BarsActive = false;
    QString ChartTitle;
    TColor ChartBackColor = 0;   // background, title background and back wall
    TColor ChartFrameColor = 0;  // back-wall frame
    TColor ChartTitleColor = 0;
    TColor ChartFootColor = 0;

    // The tile counts as empty exactly when its value text is "+".
    bool IsEmpty() const { return Value.Text == QLatin1String("+"); }
    bool ShowsEmptyGreen() const { return Value.Background == kEmptyTileGreen; }

    void BindSensor(const QString& identifier);
    void RefreshTile();
    void SetDisplayType(std::uint8_t type);
    void AutoSelectDisplayType();
    void ReplaceFromTree();
    void SetCustomName(const QString& text);

    void ClearHistory();
    void PushHistory(double reading);
    void FrameResize();
    void SyncChartBitmap();
    void FreeChartBitmap();
    // Brings the chart picture up to date, drawing only the columns that can have changed.
    void DrawChart();
    // The chart picture drawn whole from the history, as DrawChart's picture must look.
    QImage WholeChartPicture() const;

    // Returns false when the animation cannot start (no animation steps).
    bool StartAnimation(int target);
    void AnimationTick();
    // Progress, Pie, Bar and Multi-Bars tiles take the animation timer's ticks.
    bool TakesAnimationTicks() const
    {
        return DisplayType == dtProgress || DisplayType == dtPie || DisplayType == dtBar
            || DisplayType == dtMultiBars;
    }
    // Whether the animation timer's ticks can still change anything.
    bool Animating() const
    {
        return TakesAnimationTicks()
            && ((AnimStep != 0 && !std::isnan(AnimPosition)) || (DisplayType == dtMultiBars && PeerTicksLeft > 0));
    }
    // Multi-Bars: animation ticks left in which the peers' bars move (set at each poll while a
    // peer's shown reading differs from its latest one), whether or not the tile's own bar moves.
    int PeerTicksLeft = 0;
    void UpdateChartSeries(bool rebuild);
    static constexpr int kAppend = -1;
    void SetPeerBar(int position, double remaining, double filled);
    void SetChartTitle(const QString& text);
    // Multi-Bars: the peers' bars from the tree (appended anew when `rebuild`, else moved a
    // step); the number of peers, 0 when the sensor or its group is gone.
    int UpdatePeerBars(bool rebuild);

    // Colours from the palette (RecolorTile of the main window calls it).
    void Recolor(const ThemePalette& palette);

    TileMenuState PopupMenu1Popup();
    // The chosen item's tag (0..5 for the types, 6 for Show Peers) with the Show Peers check
    // state after the click; returns the display type set.
    int OnChangeDisplayType(int tag, bool showPeersChecked);
    // Replace's enabled state as of the last menu opening (true until it first opens).
    bool ReplaceItemEnabled() const { return m_replaceEnabled; }

    // Size of the chart area for the current details area height.
    QSize ChartAreaSize() const;

    // Called after any change a painter must show.
    std::function<void()> OnChanged;

private:
    friend class TTileList;  // highlights and drag colours
    class ChangeBatch;

    void FitValueFont(const QString& valueText);
    void ResetToEmptyLook();
    ChartLook ChartColumns(std::vector<int>& columns, QSize size) const;
    void Changed();

    TileHost& m_host;
    ChartPicture m_chart;
    bool m_replaceEnabled = true;
    int m_batchDepth = 0;        // OnChanged runs once, when the outermost operation ends
    bool m_changePending = false;
};

} // namespace gaugeloft
