#include "ui/titlestrip.h"

#include "dashboard/windowchrome.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPainter>

namespace gaugeloft {

namespace {

constexpr int kLabelHeight = 32;
constexpr int kRuleHeight = 4;

QLabel* NewLabel(const QString& text, int pixelSize, bool bold, const char* name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

int TextWidth(const QLabel* label)
{
    return label->fontMetrics().horizontalAdvance(label->text());
}

} // namespace

TitleStrip::TitleStrip(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("TopPanel"));
    setFixedHeight(kHeight);
    setAutoFillBackground(true);
    m_computer = NewLabel(QString(), 27, false, "ComputerLabel", this);
    m_sensors = NewLabel(QStringLiteral(" - Sensors "), 20, false, "Label1", this);
    m_centre = NewLabel(QStringLiteral("==="), 17, true, "Label2", this);
    m_timeSeparator = NewLabel(QStringLiteral(" Time - "), 20, false, "Label3", this);
    m_time = NewLabel(QString(), 27, false, "TimeLabel", this);
    m_sensors->setAccessibleName(QStringLiteral("Sensors"));
    m_centre->setAccessibleName(QStringLiteral("Title"));
    m_timeSeparator->setAccessibleName(QStringLiteral("Time"));
    m_time->setAccessibleName(QStringLiteral("Time"));
}

void TitleStrip::SetComputerName(const QString& name)
{
    m_computer->setText(QLatin1Char(' ') + name);
    m_computer->setToolTip(name);
    m_computer->setAccessibleName(QStringLiteral("Computer ") + name);
    Relayout();
}

void TitleStrip::SetClockText(const QString& text)
{
    if (text == m_time->text())
        return;
    m_time->setText(text);
    m_time->setAccessibleName(QStringLiteral("Time ") + text.trimmed());
    Relayout();
}

void TitleStrip::SetPalette(const ThemePalette& palette)
{
    QPalette colors = this->palette();
    colors.setColor(QPalette::Window, ToQColor(palette.ChromeColor));
    colors.setColor(QPalette::WindowText, ToQColor(palette.TextColor));
    setPalette(colors);
    const auto text = [](QLabel* label, TColor color) {
        QPalette labelColors = label->palette();
        labelColors.setColor(QPalette::WindowText, ToQColor(color));
        label->setPalette(labelColors);
    };
    text(m_computer, palette.TextColor);
    text(m_time, palette.TextColor);
    text(m_sensors, palette.DimTextColor);
    text(m_timeSeparator, palette.DimTextColor);
    text(m_centre, palette.BackColor);
    m_rule = ToQColor(palette.RuleColor);
    m_ruleTop = ToQColor(palette.RuleTopColor);
    update();
}

void TitleStrip::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Relayout();
}

// Separators only when all four fit; the computer name when it fits beside the clock.
void TitleStrip::Relayout()
{
    const int w = width();
    const int c = TextWidth(m_computer);
    const int t = TextWidth(m_time);
    const int s = TextWidth(m_sensors);
    const int m = TextWidth(m_timeSeparator);
    const TitleStripVisibility shown = TitleStripRule(c, t, s, m, w);
    const bool separators = shown.Separators;
    const bool computer = shown.Computer;

    m_time->setGeometry(w - t, 0, t, kLabelHeight);
    m_computer->setGeometry(0, 0, c, kLabelHeight);
    m_computer->setVisible(computer);
    m_sensors->setGeometry(c, 0, s, kLabelHeight);
    m_timeSeparator->setGeometry(w - t - m, 0, m, kLabelHeight);
    m_sensors->setVisible(separators);
    m_timeSeparator->setVisible(separators);
    const int left = (computer ? c : 0) + (separators ? s : 0);
    const int right = w - t - (separators ? m : 0);
    m_centre->setGeometry(left, 0, std::max(0, right - left), kLabelHeight);
}

void TitleStrip::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    QPainter p(this);
    const int top = height() - kRuleHeight;
    p.fillRect(0, top, width(), kRuleHeight, m_rule);
    p.fillRect(0, top, width(), kRuleHeight / 2, m_ruleTop);
}

} // namespace gaugeloft
