#include "dashboard/pollcycle.h"

#include "sensors/sensornodetext.h"
#include "sensors/typetables.h"

namespace gaugeloft {

PollCycle::PollCycle(ProviderState& provider, HardwareTree& tree, TTileList& tiles, PollWindow& window,
                     PollTimers& timers)
    : m_provider(provider)
    , m_tree(tree)
    , m_tiles(tiles)
    , m_window(window)
    , m_timers(timers)
{
}

int PollCycle::AnimationSteps() const
{
    return gaugeloft::AnimationSteps(m_timers.AnimationInterval());
}

void PollCycle::Detect()
{
    m_timers.StopPollTimer();
    m_timers.StopAnimationTimer();
    if (PendingAnimationInterval != 0)
        m_timers.SetAnimationInterval(PendingAnimationInterval);

    // Runs after the batch has ended, whether the rebuild succeeded or not.
    const auto finish = [this] {
        m_window.SetSensorsPanelVisible(!m_tree.IsEmpty());
        m_timers.StartPollTimer();
        m_timers.StartAnimationTimer();
    };
    try {
        HardwareTree::UpdateBatch batch(m_tree);
        m_tiles.ForgetArrangement();
        if (m_provider.HardwareReader && m_provider.SensorReader) {
            DetectionContext context;
            context.animationSteps = AnimationSteps();
            context.hasTile = [this](const QString& identifier) {
                return m_tiles.FindTileBySensor(identifier) >= 0;
            };
            context.caption = [this](const QString& message) { ReportCaption(message); };
            DetectTree(m_tree, *m_provider.HardwareReader, *m_provider.SensorReader, context);
        } else {
            m_tree.Clear();  // no provider set up yet: nothing answers
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void PollCycle::ReportCaption(const QString& message)
{
    static const QString unknownType = UnknownSensorTypeMessage(QString());
    if (message.startsWith(unknownType))
        m_unknownTypeSeen = true;
    m_window.SetCaption(message);
}

PollOutcome PollCycle::Timer1Timer()
{
    PollOutcome outcome = PollOutcome::Refreshed;
    try {
        Tick(outcome);
    } catch (const std::exception& error) {
        m_window.SetCaption(QString::fromLocal8Bit(error.what()));
    }
    return outcome;
}

const QString& PollCycle::ClockText(QTime now)
{
    const bool same = m_clockShown.isValid() && now.hour() == m_clockShown.hour()
        && now.minute() == m_clockShown.minute() && (!m_clockShowsSeconds || now.second() == m_clockShown.second())
        && ClockLocale == m_clockLocale;
    if (!same) {
        m_clockText = ClockLocale.toString(now, QLocale::ShortFormat) + QLatin1Char(' ');
        m_clockShowsSeconds = ClockLocale.timeFormat(QLocale::ShortFormat).contains(QLatin1Char('s'));
        m_clockShown = now;
        m_clockLocale = ClockLocale;
    }
    return m_clockText;
}

void PollCycle::Tick(PollOutcome& outcome)
{
    m_unknownTypeSeen = false;
    // one reading of the local time per tick (each costs a look at the time zone file)
    const QTime now = Now().time();
    m_window.RunThemeCheck(now);
    m_timers.StopAnimationTimer();
    m_window.SetClockText(ClockText(now));

    TWMI_OHM_Hardware* hardware = m_provider.HardwareReader.get();
    TWMI_OHM_Sensor* sensors = m_provider.SensorReader.get();
    if (hardware && sensors) {
        const int before = hardware->Count();
        m_provider.UpdateHardware();
        if (before != -1 && hardware->Count() != before)
            m_tree.Clear();
    }

    if (!m_tree.IsEmpty() && sensors) {
        m_provider.UpdateSensors();
        {
            HardwareTree::UpdateBatch batch(m_tree);
            RefreshTreeReadings(m_tree, *sensors, ShowFahrenheit,
                                [this](const QString& message) { ReportCaption(message); });
        }
        // A failed query (-1) keeps the area shown.
        m_window.SetSensorsPanelVisible(sensors->Count() != 0);
        if (m_window.SensorsPanelVisible()) {
            if (PendingAnimationInterval != 0)
                m_timers.SetAnimationInterval(PendingAnimationInterval);
            m_tiles.RefreshAll(TilesNeedFullRefresh);
            TilesNeedFullRefresh = false;
        } else {
            TilesNeedFullRefresh = true;
        }
    } else {
        outcome = PollOutcome::Detected;
        Detect();
        if (m_tiles.Count() == 0)
            m_window.LoadDashboard();
        if (m_tiles.Count() == 0)
            m_tiles.AddTile(-1);
        if (!m_window.WindowVisible())
            m_window.ShowWindow();
        TilesNeedFullRefresh = true;
    }

    // The provider no longer reports a sensor of an unknown type: the caption says so no more.
    if (m_unknownTypeShown && !m_unknownTypeSeen)
        m_window.RestoreCaption();
    m_unknownTypeShown = m_unknownTypeSeen;

    m_timers.StartAnimationTimer();
}

} // namespace gaugeloft
