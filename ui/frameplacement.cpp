#include "ui/frameplacement.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace gaugeloft {

namespace {

// Watches the window until the window manager has framed it, then places it once more.
class FramedWatcher : public QObject {
public:
    FramedWatcher(QWidget* window, std::function<QPoint()> target)
        : QObject(window), m_window(window), m_target(std::move(target))
    {
        window->installEventFilter(this);
        // a desktop without a window manager never frames it: give up after a while
        QTimer::singleShot(kPatienceMs, this, [this] { deleteLater(); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window && (event->type() == QEvent::Move || event->type() == QEvent::Expose)) {
            QTimer::singleShot(0, this, [this] { PlaceIfFramed(); });
        } else if (watched == m_window && event->type() == QEvent::Hide) {
            deleteLater();
        }
        return false;
    }

private:
    static constexpr int kPatienceMs = 2000;

    void PlaceIfFramed()
    {
        if (!m_window || m_done)
            return;
        if (m_window->frameGeometry() == m_window->geometry())
            return;  // not framed yet
        m_done = true;
        const QPoint target = m_target();
        if (m_window->frameGeometry().topLeft() != target)
            m_window->move(target);
        deleteLater();
    }

    QPointer<QWidget> m_window;
    std::function<QPoint()> m_target;
    bool m_done = false;
};

} // namespace

void PlaceFrame(QWidget* window, std::function<QPoint()> frameTopLeft)
{
    window->move(frameTopLeft());
    if (window->frameGeometry() == window->geometry())
        new FramedWatcher(window, std::move(frameTopLeft));
}

} // namespace gaugeloft
