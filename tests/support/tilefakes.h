#pragma once

// A tile host and a tile-list view that do nothing but answer, for drawing tiles without a
// main window (widget tests, picture sheets).

#include "dashboard/tilelist.h"
#include "ui/tilepainter.h"

#include <QFontMetrics>
#include <QLocale>

namespace gaugeloft::testing {

class QuietTileHost : public TileHost {
public:
    HardwareTree& Tree() override { return m_tree; }
    bool ShowFahrenheit() const override { return false; }
    int AnimationSteps() const override { return 4; }
    const ThemePalette& Palette() const override { return PresetPalette(thDark); }
    void SetCaption(const QString& text) override { Caption = text; }
    TreeNode* CurrentNode() override { return nullptr; }
    TreeNode* SelectedNode() override { return nullptr; }
    int MeasureValueText(const QString& text, int points) override
    {
        return QFontMetrics(TileValueFont(points)).horizontalAdvance(text);
    }
    QString Caption;

private:
    HardwareTree m_tree {QLocale::c()};
};

class QuietTileView : public TileListView {
public:
    ScrollGeometry Geometry() const override { return {400, 300, false, 16, 0}; }
    void TileCreated(TSensorFrame&, TilePlacement, bool) override {}
    void TileRemoved(TSensorFrame&) override {}
    void RestartArrangementTimer() override {}
    bool ArrangementTimerActive() const override { return false; }
    void TilesArranged(const std::vector<TilePlacement>&, bool) override {}
    void ScrollIntoView(TSensorFrame&) override {}
};

} // namespace gaugeloft::testing
