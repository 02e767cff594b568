#include "dashboard/seprogress.h"

#include <QPainter>
#include <QRect>

#include <algorithm>
#include <cmath>

namespace gaugeloft {

void TSEProgress::SetMin(int value)
{
    m_min = value;
    Normalize();
}

void TSEProgress::SetMax(int value)
{
    m_max = value;
    Normalize();
}

void TSEProgress::SetPosition(int value)
{
    m_position = value;
    Normalize();
}

void TSEProgress::Normalize()
{
    if (m_max < m_min)
        m_max = m_min;
    m_position = std::clamp(m_position, m_min, m_max);
}

int TSEProgress::FilledWidth(int clientWidth) const
{
    if (m_min == m_max)
        return 0;
    // doubles: the differences may not fit an int
    const double part = (double(m_position) - m_min) / (double(m_max) - m_min);
    return int(std::nearbyint(part * clientWidth));
}

void TSEProgress::Paint(QPainter& painter, const QRect& rect) const
{
    painter.fillRect(rect, ToQColor(BackColor));
    if (m_position == m_min || m_min == m_max)
        return;
    const double part = (double(m_position) - m_min + 1) / (double(m_max) - m_min + 1);
    const int width = std::max(3, int(std::nearbyint(part * rect.width())));
    const QRect filled = QRect(rect.left(), rect.top(), width, rect.height()).adjusted(1, 1, -1, -1);
    if (filled.isValid())
        painter.fillRect(filled, ToQColor(BarColor));
}

} // namespace gaugeloft
