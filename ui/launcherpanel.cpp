#include "ui/launcherpanel.h"

#include <QPainter>
#include <QPainterPath>
#include <QPaintEvent>
#include <QToolButton>

#include <cmath>
#include <numbers>

namespace gaugeloft {

namespace {

struct ButtonPlace {
    int number;  // SpeedButtonN
    int y;
    int height;
    int glyph;
    bool toggle;
    const char* hint;
};

constexpr ButtonPlace kButtons[] = {
    {2, 4, 22, kGlyphAdd, false, "Adds a new tile to the Dashboard."},
    {5, 40, 22, kGlyphTitle, true, "Toggles title visibility of Dashboard."},
    {3, 64, 22, kGlyphTree, true, "Toggles tree view visibility for Dashboard."},
    {10, 100, 22, kGlyphCustomColor, false, "Selects custom theme color."},
    {6, 124, 22, kGlyphThemes, false, "Switches between different themes."},
    {7, 148, 22, kGlyphAutoTheme, true, "Toggles automated theme switching."},
    {1, 184, 22, kGlyphReset, false, "Resets all hardware and sensors and starts new detection."},
    {4, 208, 22, kGlyphSave, false, "Saves current Dashboard and settings."},
    {8, 244, 25, kGlyphOptions, false, "Opens the application Options dialog."},
    {9, 271, 25, kGlyphAbout, false, "Opens the application About dialog."},
};
constexpr int kButtonLeft = 4;
constexpr int kButtonWidth = 24;
constexpr int kSeparatorYs[] = {32, 92, 176, 236};
constexpr int kSeparatorLength = 23;

const QColor kInk(0x30, 0x30, 0x30);
const QColor kBlue(0x2A, 0x6E, 0xC8);
const QColor kGreen(0x2E, 0x9E, 0x3A);

void Stopwatch(QPainter& p, QPointF centre, qreal radius)
{
    p.setPen(QPen(kInk, 1.0));
    p.setBrush(Qt::white);
    p.drawEllipse(centre, radius, radius);
    p.setBrush(kInk);
    p.drawRect(QRectF(centre.x() - 1, centre.y() - radius - 2, 2, 1.5));
    p.setPen(QPen(QColor(0xC8, 0x30, 0x30), 1.2));
    p.drawLine(centre, centre + QPointF(radius * 0.5, -radius * 0.6));
}

// `outer`: the ink of strokes that stand on the panel itself, not on a light fill.
void DrawGlyph(QPainter& p, int slot, const QColor& outer)
{
    p.setRenderHint(QPainter::Antialiasing);
    switch (slot) {
    case kGlyphAdd: {
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawRoundedRect(QRectF(6, 2, 4, 12), 1, 1);
        p.drawRoundedRect(QRectF(2, 6, 12, 4), 1, 1);
        break;
    }
    case kGlyphTitle: {
        QFont font;
        font.setPixelSize(11);
        font.setBold(true);
        p.setFont(font);
        p.setPen(outer);
        p.drawText(QRectF(0, -1, 16, 11), Qt::AlignCenter, QStringLiteral("A"));
        p.setPen(QPen(kInk, 1.0));
        p.setBrush(QColor(0xF2, 0xD2, 0x6B));
        p.drawRect(QRectF(1.5, 10.5, 13, 4));
        for (int x = 3; x <= 13; x += 2)
            p.drawLine(QPointF(x + 0.5, 10.5), QPointF(x + 0.5, x % 4 == 1 ? 13 : 12));
        break;
    }
    case kGlyphTree: {
        p.setPen(QPen(kInk, 1.0));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 2.5, 13, 11));
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawRect(QRectF(2, 3, 12, 2.5));
        p.setBrush(kInk);
        for (int row = 0; row < 3; ++row) {
            const qreal y = 7 + row * 2.2;
            p.drawRect(QRectF(row == 0 ? 3.5 : 5.5, y, 1.5, 1.2));
            p.drawRect(QRectF(row == 0 ? 6 : 8, y, row == 0 ? 7 : 5, 1.2));
        }
        break;
    }
    case kGlyphCustomColor: {
        const QColor swatches[] = {QColor(0xE0, 0x40, 0x40), QColor(0x40, 0xB0, 0x40), kBlue};
        p.setPen(QPen(kInk, 0.8));
        for (int i = 0; i < 3; ++i) {
            p.setBrush(swatches[i]);
            p.drawRect(QRectF(1.5 + i * 4.5, 11.5, 3.5, 3.5));
        }
        p.save();
        p.translate(9, 6);
        p.rotate(45);
        p.setBrush(QColor(0xF2, 0xB6, 0x3C));
        p.drawRect(QRectF(-1.6, -6, 3.2, 9));
        QPainterPath tip;
        tip.moveTo(-1.6, 3);
        tip.lineTo(1.6, 3);
        tip.lineTo(0, 6);
        tip.closeSubpath();
        p.setBrush(QColor(0xF5, 0xDE, 0xB3));
        p.drawPath(tip);
        p.restore();
        break;
    }
    case kGlyphThemes: {
        p.setPen(QPen(outer, 1.0));
        p.drawLine(QPointF(5, 12), QPointF(3, 15.5));
        p.drawLine(QPointF(11, 12), QPointF(13, 15.5));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 1.5, 13, 10.5));
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawPie(QRectF(4, 3, 8, 8), 90 * 16, 250 * 16);
        p.setBrush(QColor(0xE8, 0x8A, 0x2E));
        p.drawPie(QRectF(4, 3, 8, 8), 340 * 16, 110 * 16);
        break;
    }
    case kGlyphAutoTheme:
        Stopwatch(p, QPointF(5.5, 9.5), 4.2);
        Stopwatch(p, QPointF(11, 7.5), 4.2);
        break;
    case kGlyphReset: {
        QPainterPath page;
        page.moveTo(2.5, 1.5);
        page.lineTo(9.5, 1.5);
        page.lineTo(12.5, 4.5);
        page.lineTo(12.5, 14.5);
        page.lineTo(2.5, 14.5);
        page.closeSubpath();
        p.setPen(QPen(kInk, 1.0));
        p.setBrush(Qt::white);
        p.drawPath(page);
        p.setPen(QPen(kGreen, 1.6));
        p.setBrush(Qt::NoBrush);
        const QRectF ring(5, 6, 7, 7);
        p.drawArc(ring, 30 * 16, 150 * 16);
        p.drawArc(ring, 210 * 16, 150 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        QPainterPath heads;
        heads.moveTo(11.8, 6.0);
        heads.lineTo(14.0, 9.3);
        heads.lineTo(10.0, 9.3);
        heads.closeSubpath();
        heads.moveTo(5.2, 13.0);
        heads.lineTo(3.0, 9.7);
        heads.lineTo(7.0, 9.7);
        heads.closeSubpath();
        p.drawPath(heads);
        break;
    }
    case kGlyphSave: {
        p.setPen(QPen(QColor(0x1E, 0x3C, 0x78), 1.0));
        p.setBrush(kBlue);
        p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1, 1);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4, 2, 8, 5));
        p.setBrush(QColor(0xC8, 0xC8, 0xC8));
        p.drawRect(QRectF(4.5, 10, 7, 4.5));
        p.setBrush(kInk);
        p.drawRect(QRectF(9.5, 10.8, 1.5, 3));
        break;
    }
    case kGlyphOptions: {
        QPainterPath gear;
        const QPointF c(8, 8);
        constexpr int teeth = 8;
        for (int i = 0; i < teeth * 2; ++i) {
            const qreal angle = i * std::numbers::pi / teeth;
            const qreal half = std::numbers::pi / teeth / 2.2;
            const qreal r = i % 2 == 0 ? 7.2 : 5.4;
            const QPointF a = c + QPointF(r * std::cos(angle - half), r * std::sin(angle - half));
            const QPointF b = c + QPointF(r * std::cos(angle + half), r * std::sin(angle + half));
            if (i == 0)
                gear.moveTo(a);
            else
                gear.lineTo(a);
            gear.lineTo(b);
        }
        gear.closeSubpath();
        gear.addEllipse(c, 2.2, 2.2);
        gear.setFillRule(Qt::OddEvenFill);
        p.setPen(QPen(kInk, 0.8));
        p.setBrush(QColor(0x8A, 0x92, 0x9C));
        p.drawPath(gear);
        break;
    }
    case kGlyphAbout: {
        QPainterPath bubble;
        bubble.addRoundedRect(QRectF(1.5, 1.5, 13, 9.5), 2.5, 2.5);
        QPainterPath tail;
        tail.moveTo(4, 10);
        tail.lineTo(4, 14.5);
        tail.lineTo(8, 10);
        tail.closeSubpath();
        bubble = bubble.united(tail);
        p.setPen(QPen(kInk, 1.0));
        p.setBrush(QColor(0xFF, 0xF6, 0xC8));
        p.drawPath(bubble);
        p.setPen(QPen(kInk, 1.0));
        p.drawLine(QPointF(4, 4.5), QPointF(12, 4.5));
        p.drawLine(QPointF(4, 7.5), QPointF(10, 7.5));
        break;
    }
    default:
        break;
    }
}

bool HasGlyph(int slot)
{
    for (const ButtonPlace& place : kButtons) {
        if (place.glyph == slot)
            return true;
    }
    return false;
}

} // namespace

QIcon LauncherGlyph(int slot, const QColor& outerInk)
{
    if (!HasGlyph(slot))
        return {};
    QIcon icon;
    for (const qreal ratio : {1.0, 1.5, 2.0}) {
        QPixmap picture(QSize(16, 16) * ratio);
        picture.setDevicePixelRatio(ratio);
        picture.fill(Qt::transparent);
        QPainter p(&picture);
        DrawGlyph(p, slot, outerInk.isValid() ? outerInk : kInk);
        p.end();
        icon.addPixmap(picture);
    }
    return icon;
}

LauncherPanel::LauncherPanel(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("LauncherPanel"));
    setFixedWidth(kWidth);
    setAutoFillBackground(true);
    for (const ButtonPlace& place : kButtons) {
        auto* button = new QToolButton(this);
        button->setObjectName(QStringLiteral("SpeedButton%1").arg(place.number));
        button->setGeometry(kButtonLeft, place.y, kButtonWidth, place.height);
        button->setAutoRaise(true);
        button->setIconSize(QSize(16, 16));
        button->setIcon(LauncherGlyph(place.glyph));
        button->setProperty("glyph", place.glyph);
        button->setFocusPolicy(Qt::TabFocus);
        button->installEventFilter(this);  // its keyboard focus is drawn by the panel
        const QString hint = QString::fromLatin1(place.hint);
        button->setToolTip(hint);
        button->setAccessibleName(hint);
        if (place.toggle) {
            button->setCheckable(true);
            button->setChecked(true);
        }
        m_buttons[size_t(place.number - 1)] = button;
    }
    // tab order top to bottom, as they stand
    for (size_t i = 1; i < std::size(kButtons); ++i)
        setTabOrder(SpeedButton(kButtons[i - 1].number), SpeedButton(kButtons[i].number));
}

void LauncherPanel::SetPalette(const ThemePalette& palette)
{
    QPalette colors = this->palette();
    colors.setColor(QPalette::Window, ToQColor(palette.ChromeColor));
    colors.setColor(QPalette::Button, ToQColor(palette.ChromeColor));
    colors.setColor(QPalette::ButtonText, ToQColor(palette.TextColor));
    setPalette(colors);
    // glyph strokes on the panel follow the text colour, so they read on dark panels too
    const QColor ink = ToQColor(palette.TextColor);
    if (ink != m_glyphInk) {
        m_glyphInk = ink;
        for (QToolButton* button : m_buttons)
            button->setIcon(LauncherGlyph(button->property("glyph").toInt(), ink));
    }
    m_lineColor = ToQColor(palette.DimTextColor);
    m_lineColor.setAlpha(90);
    update();
}

void LauncherPanel::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    QPainter p(this);
    p.setPen(m_lineColor);
    for (const int y : kSeparatorYs)
        p.drawLine(kButtonLeft, y, kButtonLeft + kSeparatorLength - 1, y);
    // the button the keyboard is on (a click gives these buttons no focus)
    for (QToolButton* button : m_buttons) {
        if (button->hasFocus()) {
            p.setPen(QPen(m_glyphInk.isValid() ? m_glyphInk : palette().color(QPalette::ButtonText), 1));
            p.setBrush(Qt::NoBrush);
            p.drawRect(button->geometry().adjusted(-2, -2, 1, 1));
        }
    }
}

bool LauncherPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
        update();
    return QWidget::eventFilter(watched, event);
}

} // namespace gaugeloft
