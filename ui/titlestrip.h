#pragma once

// The main window's own title strip: computer name on the left, the clock on the right,
// the separator texts between them when there is room, and a rule along the bottom.

#include "dashboard/themepalette.h"

#include <QWidget>

class QLabel;

namespace gaugeloft {

class TitleStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 36;

    explicit TitleStrip(QWidget* parent = nullptr);

    QLabel* ComputerLabel() const { return m_computer; }
    QLabel* TimeLabel() const { return m_time; }
    QLabel* SensorsLabel() const { return m_sensors; }
    QLabel* CentreLabel() const { return m_centre; }
    QLabel* TimeSeparatorLabel() const { return m_timeSeparator; }

    void SetComputerName(const QString& name);
    void SetClockText(const QString& text);
    void SetPalette(const ThemePalette& palette);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Relayout();

    QLabel* m_computer = nullptr;
    QLabel* m_sensors = nullptr;  // " - Sensors "
    QLabel* m_centre = nullptr;   // "==="
    QLabel* m_timeSeparator = nullptr;  // " Time - "
    QLabel* m_time = nullptr;
    QColor m_rule, m_ruleTop;
};

} // namespace gaugeloft
