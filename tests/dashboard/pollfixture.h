#pragma once

// A poll cycle over a snapshot file in a temporary folder, a window that records what it is
// asked to do, and real tiles. Tests rewrite the file and tick by hand.

#include "dashboard/pollcycle.h"
#include "sources/snapshotsource.h"
#include "platform/numberformat.h"
#include "sensors/providertable.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

namespace gaugeloft::testing::poll {

// The snapshot source, with enumerations and refreshes counted and a refresher that can be
// made to fail.
class CountingSource final : public sources::SensorSource {
public:
    explicit CountingSource(const QString& path) : m_inner(path) {}

    int enumerations = 0;
    int refreshes = 0;
    bool refreshFails = false;

    bool Enumerate(const QString& className, sources::SourceObjectSet& out) override
    {
        ++enumerations;
        return m_inner.Enumerate(className, out);
    }

    std::unique_ptr<sources::SensorRefresher> CreateRefresher() override
    {
        return std::make_unique<Refresher>(*this, m_inner.CreateRefresher());
    }

private:
    class Refresher final : public sources::SensorRefresher {
    public:
        Refresher(CountingSource& owner, std::unique_ptr<sources::SensorRefresher> inner)
            : m_owner(owner), m_inner(std::move(inner)) {}
        int AddEnum(const QString& className) override { return m_inner->AddEnum(className); }
        int Count() const override { return m_inner->Count(); }
        const sources::CachedEnumeration* Item(int position) const override { return m_inner->Item(position); }
        void Refresh() override
        {
            ++m_owner.refreshes;
            if (m_owner.refreshFails)
                throw sources::SourceError("refresh failed");
            m_inner->Refresh();
        }

    private:
        CountingSource& m_owner;
        std::unique_ptr<sources::SensorRefresher> m_inner;
    };

    sources::SnapshotSource m_inner;
};

// Every provider name opens the one snapshot source.
class SnapshotHub final : public sources::SensorSourceHub {
public:
    explicit SnapshotHub(const QString& path) : source(path) {}
    sources::SensorSource& Open(const QString&) override { return source; }
    CountingSource source;
};

// The main window and its timers as far as the poll cycle sees them; every call is logged by
// name, in one list.
class RecordingWindow final : public PollWindow, public PollTimers {
public:
    QStringList calls;
    int animationInterval = 40;
    bool panelVisible = false;
    bool windowVisible = false;
    bool pollTimerRunning = true;
    bool animationTimerRunning = false;
    QString clockText;
    QStringList captions;
    bool captionThrows = false;
    std::function<void()> onLoadDashboard;

    void RunThemeCheck(QTime) override { calls << "ThemeCheck"; }
    void StopPollTimer() override { calls << "StopPoll"; pollTimerRunning = false; }
    void StartPollTimer() override { calls << "StartPoll"; pollTimerRunning = true; }
    void StopAnimationTimer() override { calls << "StopAnimation"; animationTimerRunning = false; }
    void StartAnimationTimer() override { calls << "StartAnimation"; animationTimerRunning = true; }
    void SetAnimationInterval(int milliseconds) override
    {
        calls << QStringLiteral("Interval %1").arg(milliseconds);
        animationInterval = milliseconds;
    }
    int AnimationInterval() const override { return animationInterval; }
    void SetClockText(const QString& text) override { calls << "Clock"; clockText = text; }
    bool SensorsPanelVisible() const override { return panelVisible; }
    void SetSensorsPanelVisible(bool visible) override
    {
        calls << (visible ? "ShowPanel" : "HidePanel");
        panelVisible = visible;
    }
    bool WindowVisible() const override { return windowVisible; }
    void ShowWindow() override { calls << "ShowWindow"; windowVisible = true; }
    void LoadDashboard() override
    {
        calls << "LoadDashboard";
        if (onLoadDashboard)
            onLoadDashboard();
    }
    void SetCaption(const QString& text) override
    {
        captions << text;
        if (captionThrows)
            throw std::runtime_error("caption");
    }
    void RestoreCaption() override { captions << QStringLiteral("(own title)"); }
};

class FixedTileView final : public TileListView {
public:
    ScrollGeometry Geometry() const override { return {800, 600, false, 16, 0}; }
    void TileCreated(TSensorFrame&, TilePlacement, bool) override {}
    void TileRemoved(TSensorFrame&) override {}
    void RestartArrangementTimer() override {}
    bool ArrangementTimerActive() const override { return false; }
    void TilesArranged(const std::vector<TilePlacement>&, bool) override {}
    void ScrollIntoView(TSensorFrame&) override {}
};

// Snapshot documents built in code.
inline QJsonObject HardwareItem(const QString& name, const QString& identifier, const QString& type,
                                const QString& parent = {})
{
    return {{"Name", name}, {"Identifier", identifier}, {"Parent", parent}, {"HardwareType", type}};
}

inline QJsonObject SensorItem(const QString& name, const QString& identifier, const QString& parent,
                              const QString& type, double value, double min = 0, double max = 0)
{
    return {{"Name", name}, {"Identifier", identifier}, {"Parent", parent}, {"SensorType", type},
            {"Value", value}, {"Min", min}, {"Max", max}};
}

struct Snapshot {
    QJsonArray hardware;
    QJsonArray sensors;
    bool withSensors = true;  // false leaves the Sensor array out: that query fails
};

// A CPU with a temperature and a load, and a memory item with a load.
inline Snapshot DefaultSnapshot()
{
    Snapshot s;
    s.hardware = {HardwareItem("Core i5", "/cpu/0", "CPU"), HardwareItem("Memory", "/ram", "RAM")};
    s.sensors = {SensorItem("Package", "/cpu/0/temperature/0", "/cpu/0", "Temperature", 50, 30, 70),
                 SensorItem("CPU Total", "/cpu/0/load/0", "/cpu/0", "Load", 12.5, 3, 97),
                 SensorItem("Memory", "/ram/load/0", "/ram", "Load", 41, 40, 44)};
    return s;
}

class PollFixture : public ::testing::Test, public TileHost {
protected:
    PollFixture()
    {
        NumberLocale::SetCurrent(NumberLocale {});
        Write(DefaultSnapshot());
        provider.SetupProvider(0);
        cycle.Now = [this] { return now; };
        cycle.ClockLocale = QLocale(QLocale::English, QLocale::UnitedKingdom);
    }

    QString FilePath() const { return dir.filePath(QStringLiteral("sensors.json")); }

    void Write(const Snapshot& s)
    {
        QJsonObject root {{"Hardware", s.hardware}};
        if (s.withSensors)
            root.insert("Sensor", s.sensors);
        QFile file(FilePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QJsonDocument(root).toJson(QJsonDocument::Compact));
    }
    void RemoveFile() { ASSERT_TRUE(QFile::remove(FilePath())); }

    // Ticks, returning the window calls of that tick.
    QStringList Tick()
    {
        window.calls.clear();
        lastOutcome = cycle.Timer1Timer();
        return window.calls;
    }
    PollOutcome lastOutcome = PollOutcome::Refreshed;

    TSensorData* Record(const QString& identifier)
    {
        TreeNode* node = tree.NodeByIdentifier(identifier);
        return node ? node->Data() : nullptr;
    }
    TreeNode* Node(const QString& identifier) { return tree.NodeByIdentifier(identifier); }

    // TileHost.
    HardwareTree& Tree() override { return tree; }
    bool ShowFahrenheit() const override { return cycle.ShowFahrenheit; }
    int AnimationSteps() const override { return cycle.AnimationSteps(); }
    const ThemePalette& Palette() const override { return PresetPalette(2); }
    void SetCaption(const QString& text) override { window.SetCaption(text); }
    TreeNode* CurrentNode() override { return nullptr; }
    TreeNode* SelectedNode() override { return nullptr; }
    int MeasureValueText(const QString& text, int points) override { return static_cast<int>(text.size()) * points / 2; }

    QTemporaryDir dir;
    SnapshotHub hub {FilePath()};
    ProviderState provider {hub};
    HardwareTree tree {QLocale(QLocale::English)};
    FixedTileView view;
    TTileList tiles {*this, view};
    RecordingWindow window;
    PollCycle cycle {provider, tree, tiles, window, window};
    QDateTime now {QDate(2024, 3, 5), QTime(14, 7, 9)};
};

} // namespace gaugeloft::testing::poll
