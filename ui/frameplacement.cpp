#include "ui/frameplacement.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace gaugeloft {

namespace {

constexpr int kCheckMs = 40;
constexpr int kChecks = 50;  // two seconds: a desktop without a window manager never frames it

// Looks at the window until the window manager has framed it, then places it once more.
class FrameWaiter : public QObject {
public:
    FrameWaiter(QWidget* window, std::function<QPoint()> target)
        : QObject(window), m_window(window), m_target(std::move(target))
    {
        m_timer.setInterval(kCheckMs);
        connect(&m_timer, &QTimer::timeout, this, &FrameWaiter::Check);
        m_timer.start();
    }

private:
    void Check()
    {
        if (!m_window || !m_window->isVisible() || ++m_checks > kChecks) {
            deleteLater();
            return;
        }
        if (m_window->frameGeometry() == m_window->geometry())
            return;  // not framed yet
        m_timer.stop();
        const QPoint target = m_target();
        if (m_window->frameGeometry().topLeft() != target)
            m_window->move(target);
        deleteLater();
    }

    QPointer<QWidget> m_window;
    std::function<QPoint()> m_target;
    QTimer m_timer;
    int m_checks = 0;
};

} // namespace

void PlaceFrame(QWidget* window, std::function<QPoint()> frameTopLeft)
{
    window->move(frameTopLeft());
    if (window->frameGeometry() == window->geometry())
        new FrameWaiter(window, std::move(frameTopLeft));
}

} // namespace gaugeloft
