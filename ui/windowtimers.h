#pragma once

// The main window's two timers: the one-second poll (Timer1) and the bar animation (Timer3).
// The animation timer rests while no bar moves or nothing is shown; the steps a hidden window
// skipped are taken when it shows again or at the next poll, so bars end where they would
// have been.

#include "dashboard/pollcycle.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

namespace gaugeloft {

class TTileList;

class WindowTimers : public QObject, public PollTimers {
    Q_OBJECT
public:
    static constexpr int kPollIntervalMs = 1000;
    static constexpr int kDefaultAnimationMs = 40;

    // `windowShown`: the window is on screen; `dashboardShown`: its dashboard area is (not the
    // no-provider text). Steps go to the tiles while the dashboard is shown; the timer runs
    // only while both are.
    WindowTimers(std::function<bool()> windowShown, std::function<bool()> dashboardShown, QObject* parent);
    ~WindowTimers() override;

    // The tiles the animation steps (none until set; forgotten with nullptr).
    void SetTiles(TTileList* tiles) { m_tiles = tiles; }

    QTimer& Timer1() { return m_timer1; }
    QTimer& Timer3() { return m_timer3; }

    // The animation timer's tick.
    void Timer3Timer();
    // A bar got a step to take, or the window was shown: the timer runs again if it may.
    void ResumeAnimation();
    // Takes the steps the clock says were due while the timer rested (a hidden window).
    void CatchUpAnimation();

    // PollTimers
    void StopPollTimer() override;
    void StartPollTimer() override;
    void StopAnimationTimer() override;
    void StartAnimationTimer() override;
    void SetAnimationInterval(int milliseconds) override;
    int AnimationInterval() const override;

private:
    void AnimationStep();

    bool Shown() const { return m_windowShown() && m_dashboardShown(); }

    std::function<bool()> m_windowShown;
    std::function<bool()> m_dashboardShown;
    TTileList* m_tiles = nullptr;
    QTimer m_timer1;
    QTimer m_timer3;
    bool m_animationWanted = false;  // between the poll cycle's start and stop
    QElapsedTimer m_animationClock;  // since the poll cycle started it
    qint64 m_animationSteps = 0;     // steps taken since then
};

} // namespace gaugeloft
