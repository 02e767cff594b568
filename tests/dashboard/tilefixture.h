#pragma once

// A tile host and a tile list view without widgets, and a tree built from a few lines:
// hardware items and their sensors under sensor type groups, as a detection leaves them.

#include "dashboard/tilelist.h"
#include "sensors/typetables.h"

#include <QStringList>

#include <functional>
#include <vector>

namespace gaugeloft::testing {

class FakeTileHost : public TileHost {
public:
    HardwareTree tree {QLocale(QLocale::English)};
    bool fahrenheit = false;
    int animationSteps = 4;
    ThemePalette palette = PresetPalette(thLight);
    QStringList captions;
    TreeNode* current = nullptr;
    TreeNode* selected = nullptr;
    // Width of a text in the value font; by default 6 pixels per character at 22 points.
    std::function<int(const QString&, int)> measure = [](const QString& text, int points) {
        return int(text.size()) * 6 * points / 22;
    };
    std::vector<int> measuredPoints;
    bool recordMeasures = false;

    HardwareTree& Tree() override { return tree; }
    bool ShowFahrenheit() const override { return fahrenheit; }
    int AnimationSteps() const override { return animationSteps; }
    const ThemePalette& Palette() const override { return palette; }
    void SetCaption(const QString& text) override { captions << text; }
    TreeNode* CurrentNode() override { return current; }
    TreeNode* SelectedNode() override { return selected; }
    int MeasureValueText(const QString& text, int points) override
    {
        if (recordMeasures)
            measuredPoints.push_back(points);
        return measure(text, points);
    }

    // A hardware item under its hardware type group.
    TreeNode* AddHardware(const QString& name, const QString& identifier, const QString& type = "CPU")
    {
        TreeNode* group = tree.GroupNode(type);
        if (!group)
            group = tree.AddChild(nullptr, type, HardwareIconIndex(type));
        TreeNode* node = tree.AddChild(group, name, HardwareIconIndex(type));
        auto data = std::make_unique<TSensorData>();
        data->Name = name;
        data->Identifier = identifier;
        data->TypeName = type;
        data->Steps = animationSteps;
        tree.SetData(node, std::move(data));
        return node;
    }

    // A sensor under the sensor type group of its hardware, with icon slot 9.
    TSensorData& AddSensor(TreeNode* hardware, const QString& name, const QString& identifier,
                           const QString& type, double value, double min, double max)
    {
        const int row = HardwareTree::FindChildByText(hardware, type);
        TreeNode* group = row >= 0 ? hardware->Child(row) : tree.AddChild(hardware, type, kSensorGroupIcon);
        TreeNode* node = tree.AddChild(group, name + ": ", kSensorIcon);
        auto data = std::make_unique<TSensorData>();
        data->IsSensor = true;
        data->Name = name;
        data->Identifier = identifier;
        data->Parent = hardware->Data()->Identifier;
        data->TypeName = type;
        data->TypeIndex = uint8_t(SensorTypeIndex(type));
        data->Steps = animationSteps;
        data->Value = data->Animated = value;
        data->Min = min;
        data->Max = max;
        TSensorData& record = *data;
        tree.SetData(node, std::move(data));
        return record;
    }

    TreeNode* Node(const QString& identifier) { return tree.NodeByIdentifier(identifier); }
};

class FakeTileView : public TileListView {
public:
    ScrollGeometry geometry {400, 300, false, 17, 0};
    bool timerActive = false;
    int timerRestarts = 0;
    struct Created {
        TSensorFrame* tile;
        TilePlacement place;
        bool visible;
    };
    std::vector<Created> created;
    std::vector<int> removed;  // tile numbers
    std::vector<int> scrolled;
    std::vector<TilePlacement> places;
    bool barVisible = false;
    int arrangements = 0;

    ScrollGeometry Geometry() const override { return geometry; }
    void TileCreated(TSensorFrame& tile, TilePlacement provisional, bool visible) override
    {
        created.push_back({&tile, provisional, visible});
    }
    void TileRemoved(TSensorFrame& tile) override { removed.push_back(tile.TileNumber); }
    void RestartArrangementTimer() override
    {
        timerActive = true;
        ++timerRestarts;
    }
    bool ArrangementTimerActive() const override { return timerActive; }
    void TilesArranged(const std::vector<TilePlacement>& arranged, bool verticalBarVisible) override
    {
        places = arranged;
        barVisible = verticalBarVisible;
        ++arrangements;
    }
    void ScrollIntoView(TSensorFrame& tile) override { scrolled.push_back(tile.TileNumber); }
};

// A host, a view and the list, wired together.
struct TileWorld {
    FakeTileHost host;
    FakeTileView view;
    TTileList tiles {host, view};

    // Tile numbers in list order.
    std::vector<int> Numbers()
    {
        std::vector<int> numbers;
        for (int i = 0; i < tiles.Count(); ++i)
            numbers.push_back(tiles.At(i).TileNumber);
        return numbers;
    }
};

} // namespace gaugeloft::testing
