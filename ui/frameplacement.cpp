#include "ui/frameplacement.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace gaugeloft {

namespace {

constexpr int kCheckMs = 40;
// ten seconds: a busy window manager may take seconds; one that never frames costs 250 checks
constexpr int kChecks = 250;

// The window's own view of its frame. QWidget::frameGeometry() keeps the margins it learnt at
// the last move, so a frame that arrives without moving the client would go unseen there.
QMargins FrameMargins(const QWidget* window)
{
    const QWindow* handle = window->windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

// Places the frame at `target` once the frame is known; false while it is not.
bool PlaceFramed(QWidget* window, QPoint target)
{
    const QMargins margins = FrameMargins(window);
    if (margins.isNull())
        return false;
    // The client goes below the title bar; its move also brings the widget's own frame margins
    // up to date.
    const QPoint client = target + QPoint(margins.left(), margins.top());
    if (window->geometry().topLeft() != client)
        window->setGeometry(QRect(client, window->size()));
    return true;
}

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
        if (!PlaceFramed(m_window, m_target()))
            return;  // not framed yet
        m_timer.stop();
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
    const QPoint target = frameTopLeft();
    window->move(target);  // also tells Qt the window has a place of its own
    if (!PlaceFramed(window, target))
        new FrameWaiter(window, std::move(frameTopLeft));
}

} // namespace gaugeloft
