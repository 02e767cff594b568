// The floor of this design, for scripts/compare-peers: a Qt Widgets program that does nothing
// but show 16 tiles of 128 x 128 pixels with a title and a value, nine of them with a progress
// bar that moves in linear steps toward a new value every second.
//
//   minimal_tiles [--rate STEPS_PER_SECOND] [--whole]
//
// --rate   5, 10 or 25 steps a second (default 25: 24 steps between two values)
// --whole  repaint whole tiles instead of only the bar's rectangle and the value text

#include <QApplication>
#include <QGridLayout>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <cmath>
#include <vector>

namespace {

class Tile : public QWidget {
public:
    Tile(int number, bool hasBar, bool whole)
        : m_title(QStringLiteral("Sensor %1").arg(number)), m_hasBar(hasBar), m_whole(whole)
    {
        setFixedSize(128, 128);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    void SetValue(double value, int steps)
    {
        m_value = QStringLiteral("%1 °C").arg(value, 0, 'f', 1);
        m_from = m_position;
        m_target = value;
        m_step = 0;
        m_steps = steps;
        update(m_whole ? rect() : kValue);
    }

    // One step of the bar; false once it stands at its target.
    bool Step()
    {
        if (!m_hasBar || m_step >= m_steps)
            return false;
        ++m_step;
        const int before = Filled();
        m_position = m_from + (m_target - m_from) * m_step / m_steps;
        if (Filled() != before)
            update(m_whole ? rect() : kBar);
        return m_step < m_steps;
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), QColor(0x20, 0x20, 0x20));
        p.fillRect(QRect(2, 2, 124, 19), QColor(0x40, 0x40, 0x40));
        p.setPen(Qt::white);
        p.drawText(QRect(2, 2, 124, 19), Qt::AlignCenter, m_title);
        QFont big = font();
        big.setPointSize(22);
        p.setFont(big);
        p.drawText(kValue, Qt::AlignCenter, m_value);
        if (m_hasBar) {
            p.fillRect(kBar, QColor(0x20, 0x60, 0x20));
            p.fillRect(QRect(kBar.left(), kBar.top(), Filled(), kBar.height()), QColor(0x00, 0xC0, 0x00));
        }
    }

private:
    int Filled() const { return int(std::lround(kBar.width() * std::clamp(m_position, 0.0, 100.0) / 100.0)); }

    static constexpr QRect kValue {2, 40, 124, 50};
    static constexpr QRect kBar {5, 108, 118, 13};
    QString m_title, m_value;
    bool m_hasBar, m_whole;
    double m_from = 0, m_position = 0, m_target = 0;
    int m_step = 0, m_steps = 1;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int rate = 25;
    bool whole = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--rate") && i + 1 < args.size())
            rate = std::max(args[++i].toInt(), 1);
        else if (args[i] == QLatin1String("--whole"))
            whole = true;
    }
    const int steps = std::max(1, int(std::lround(1000.0 / (1000 / rate) - 1)));

    QWidget window;
    auto* grid = new QGridLayout(&window);
    grid->setSpacing(2);
    std::vector<Tile*> tiles;
    for (int i = 0; i < 16; ++i) {
        tiles.push_back(new Tile(i + 1, i < 9, whole));
        grid->addWidget(tiles.back(), i / 4, i % 4);
    }

    QTimer stepTimer;
    stepTimer.setInterval(1000 / rate);
    QObject::connect(&stepTimer, &QTimer::timeout, [&] {
        bool moving = false;
        for (Tile* tile : tiles)
            moving = tile->Step() || moving;
        if (!moving)
            stepTimer.stop();
    });
    QTimer poll;
    poll.setInterval(1000);
    int second = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        ++second;
        for (size_t i = 0; i < tiles.size(); ++i)
            tiles[i]->SetValue(40.0 + 30.0 * std::fabs(std::sin(0.7 * second + double(i))), steps);
        stepTimer.start();
    });
    poll.start();
    window.show();
    return app.exec();
}
