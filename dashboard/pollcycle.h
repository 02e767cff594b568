#pragma once

// The program's heartbeat: the one-second poll (Timer1Timer) and the full detection around
// the tree's DetectTree, with the window reached through PollWindow so tests can tick it by
// hand.

#include "dashboard/tilelist.h"
#include "platform/localclock.h"
#include "sensors/detection.h"
#include "sensors/provider.h"

#include <QDateTime>
#include <QLocale>

#include <functional>

namespace gaugeloft {

// The poll timer and the animation timer as the poll cycle drives them.
class PollTimers {
public:
    virtual ~PollTimers() = default;
    virtual void StopPollTimer() = 0;
    virtual void StartPollTimer() = 0;
    virtual void StopAnimationTimer() = 0;
    virtual void StartAnimationTimer() = 0;  // restarts its period
    virtual void SetAnimationInterval(int milliseconds) = 0;
    virtual int AnimationInterval() const = 0;
};

// The main window as the poll cycle sees it.
class PollWindow {
public:
    virtual ~PollWindow() = default;
    // the time-of-day theme check at the tick's time, when switching is on
    virtual void RunThemeCheck(QTime /*now*/) {}
    virtual void SetClockText(const QString& text) = 0;
    virtual bool SensorsPanelVisible() const = 0;
    virtual void SetSensorsPanelVisible(bool visible) = 0;
    virtual bool WindowVisible() const = 0;
    virtual void ShowWindow() = 0;
    virtual void LoadDashboard() {}  // the dashboard file, once it exists
    virtual void SetCaption(const QString& text) = 0;
    virtual void RestoreCaption() {}  // the window's own title again
};

// What a poll tick did: refreshed the readings, or (re)detected the hardware tree.
enum class PollOutcome { Refreshed, Detected };

class PollCycle {
public:
    PollCycle(ProviderState& provider, HardwareTree& tree, TTileList& tiles, PollWindow& window,
              PollTimers& timers);

    // One poll. Never throws: a failure goes to the caption and ends the tick there.
    PollOutcome Timer1Timer();
    // Full detection: timers stopped, pending interval applied, arrangement forgotten, the
    // tree rebuilt, the dashboard area shown when the tree has nodes, timers restarted.
    void Detect();

    // Steps per poll of the animation timer's current interval.
    int AnimationSteps() const;

    bool ShowFahrenheit = false;
    int PendingAnimationInterval = 0;
    bool TilesNeedFullRefresh = false;

    // The clock and its locale (tests set both).
    std::function<QDateTime()> Now = CurrentLocalDateTime;
    QLocale ClockLocale = QLocale::system();

private:
    void Tick(PollOutcome& outcome);
    // Every caption of a tick and of a detection passes here.
    void ReportCaption(const QString& message);

    ProviderState& m_provider;
    HardwareTree& m_tree;
    TTileList& m_tiles;
    PollWindow& m_window;
    PollTimers& m_timers;
    // The clock's text, formatted again only when what it shows can have changed.
    const QString& ClockText(QTime now);
    QTime m_clockShown;
    QLocale m_clockLocale;
    bool m_clockShowsSeconds = false;
    QString m_clockText;
    bool m_unknownTypeSeen = false;   // in this tick
    bool m_unknownTypeShown = false;  // by the last tick
};

} // namespace gaugeloft
