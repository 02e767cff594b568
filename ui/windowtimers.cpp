#include "ui/windowtimers.h"

#include "dashboard/tilelist.h"

#include <algorithm>

namespace gaugeloft {

WindowTimers::WindowTimers(std::function<bool()> windowShown, std::function<bool()> dashboardShown,
                           QObject* parent)
    : QObject(parent)
    , m_windowShown(std::move(windowShown))
    , m_dashboardShown(std::move(dashboardShown))
{
    setObjectName(QStringLiteral("Timers"));
    m_timer1.setParent(this);
    m_timer1.setObjectName(QStringLiteral("Timer1"));
    m_timer1.setInterval(kPollIntervalMs);
    // the Options dialog's default until it sets another
    m_timer3.setParent(this);
    m_timer3.setObjectName(QStringLiteral("Timer3"));
    m_timer3.setInterval(kDefaultAnimationMs);
    connect(&m_timer3, &QTimer::timeout, this, &WindowTimers::Timer3Timer);
}

WindowTimers::~WindowTimers()
{
    m_timer1.stop();
    m_timer3.stop();
}

void WindowTimers::Timer3Timer()
{
    AnimationStep();
    if (!Shown() || !m_tiles || !m_tiles->AnyTileAnimating())
        m_timer3.stop();
}

void WindowTimers::AnimationStep()
{
    ++m_animationSteps;
    if (m_tiles && m_dashboardShown())
        m_tiles->Timer3Timer();
}

void WindowTimers::ResumeAnimation()
{
    if (m_animationWanted && !m_timer3.isActive() && m_tiles && Shown() && m_tiles->AnyTileAnimating())
        m_timer3.start();
}

void WindowTimers::CatchUpAnimation()
{
    if (!m_animationWanted || m_timer3.isActive() || !m_tiles)
        return;
    const qint64 due = m_animationClock.elapsed() / std::max(m_timer3.interval(), 1);
    while (m_animationSteps < due && m_tiles->AnyTileAnimating())
        AnimationStep();
}

void WindowTimers::StopPollTimer()
{
    m_timer1.stop();
}

void WindowTimers::StartPollTimer()
{
    m_timer1.start();
}

void WindowTimers::StopAnimationTimer()
{
    CatchUpAnimation();
    m_animationWanted = false;
    m_timer3.stop();
}

void WindowTimers::StartAnimationTimer()
{
    m_timer3.stop();  // a new period
    m_animationWanted = true;
    m_animationClock.start();
    m_animationSteps = 0;
    ResumeAnimation();
}

void WindowTimers::SetAnimationInterval(int milliseconds)
{
    m_timer3.setInterval(milliseconds);
}

int WindowTimers::AnimationInterval() const
{
    return m_timer3.interval();
}

} // namespace gaugeloft
