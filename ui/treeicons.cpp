#include "ui/treeicons.h"

#include "sensors/hardwaretree.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>

namespace gaugeloft {
namespace {

// Pictures are drawn in 16x16 logical pixels. Straight edges are whole-pixel rectangles so
// they stay sharp at any integer ratio; round shapes are antialiased paths. Dark shapes get
// a lighter edge or a light fill so that they read on dark backgrounds too.

void Fill(QPainter& p, int x, int y, int w, int h, const QColor& color)
{
    p.fillRect(QRect(x, y, w, h), color);
}

// A rectangle with a one-pixel edge.
void Framed(QPainter& p, int x, int y, int w, int h, const QColor& edge, const QColor& fill)
{
    Fill(p, x, y, w, h, edge);
    Fill(p, x + 1, y + 1, w - 2, h - 2, fill);
}

void Smooth(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
}

// Whether the painter draws at more than one device pixel per logical pixel.
bool Fine(const QPainter& p)
{
    return p.device()->devicePixelRatio() >= 1.5;
}

void DrawUnknown(QPainter& p)
{
    const QColor edge(0x9a, 0x6a, 0x00);
    const QColor yellow(0xff, 0xcc, 0x22);
    if (Fine(p)) {
        Smooth(p);
        QPainterPath diamond;
        diamond.moveTo(8, 0.5);
        diamond.lineTo(15.5, 8);
        diamond.lineTo(8, 15.5);
        diamond.lineTo(0.5, 8);
        diamond.closeSubpath();
        p.setPen(QPen(edge, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.setBrush(yellow);
        p.drawPath(diamond);
        p.setRenderHint(QPainter::Antialiasing, false);
    } else {
        // one-pixel stairs stay sharper than an antialiased edge at this size
        for (int y = 0; y < 16; ++y) {
            const int half = qMin(y + 1, 16 - y);
            Fill(p, 8 - half, y, 2 * half, 1, edge);
            if (half > 1)
                Fill(p, 9 - half, y, 2 * half - 2, 1, yellow);
        }
        Fill(p, 7, 0, 2, 1, edge);
        Fill(p, 7, 15, 2, 1, edge);
    }
    const QColor red(0xd0, 0x1e, 0x1e);
    Fill(p, 7, 3, 2, 7, red);
    Fill(p, 7, 11, 2, 2, red);
}

void DrawMainboard(QPainter& p)
{
    Framed(p, 0, 1, 16, 14, QColor(0x1b, 0x5e, 0x20), QColor(0x3f, 0xa3, 0x4d));
    const QColor trace(0xc8, 0xe6, 0x9a);
    const QColor gold(0xe8, 0xc0, 0x40);
    // processor socket with traces leading away
    Framed(p, 2, 3, 6, 6, QColor(0x20, 0x20, 0x20), QColor(0xd0, 0xd4, 0xd8));
    Fill(p, 4, 5, 2, 2, QColor(0x60, 0x68, 0x70));
    Fill(p, 8, 4, 3, 1, trace);
    Fill(p, 8, 7, 3, 1, trace);
    Fill(p, 4, 9, 1, 3, trace);
    Fill(p, 4, 11, 4, 1, trace);
    // expansion slots
    Fill(p, 11, 3, 1, 10, QColor(0x20, 0x20, 0x20));
    Fill(p, 13, 3, 1, 10, QColor(0x20, 0x20, 0x20));
    // chip
    Fill(p, 8, 10, 2, 3, gold);
}

void DrawSuperIo(QPainter& p)
{
    // an outline list: entries with expand signs, the middle one indented
    const QColor blue(0x1e, 0x7b, 0xdc);
    const QColor line(0x8a, 0x94, 0x9e);
    const int indent[] = {0, 3, 0};
    for (int row = 0; row < 3; ++row) {
        const int x = indent[row];
        const int y = 2 + row * 5;
        Fill(p, x, y, 5, 1, blue);
        Fill(p, x + 2, y - 2, 1, 5, blue);
        Fill(p, x + 7, y - 1, 9 - x, 2, line);
    }
}

void DrawGraphics(QPainter& p)
{
    // bracket
    Framed(p, 0, 1, 3, 14, QColor(0x5a, 0x66, 0x70), QColor(0xc4, 0xcc, 0xd2));
    // board and cooler cover
    Framed(p, 3, 3, 13, 9, QColor(0x1f, 0x2a, 0x33), QColor(0x48, 0x5a, 0x68));
    // edge connector
    const QColor gold(0xe0, 0xa8, 0x10);
    for (int x = 5; x < 15; x += 2)
        Fill(p, x, 12, 1, 2, gold);
    // fan
    Smooth(p);
    p.setPen(QPen(QColor(0x1f, 0x2a, 0x33), 1.0));
    p.setBrush(QColor(0xa8, 0xd8, 0xf0));
    p.drawEllipse(QPointF(10, 7.5), 3.5, 3.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x2a, 0x33));
    p.drawEllipse(QPointF(10, 7.5), 1.0, 1.0);
}

void DrawStorage(QPainter& p)
{
    Framed(p, 2, 0, 12, 16, QColor(0x37, 0x45, 0x4f), QColor(0xa4, 0xae, 0xb4));
    Smooth(p);
    p.setPen(QPen(QColor(0x60, 0x6c, 0x74), 1.0));
    p.setBrush(QColor(0xe6, 0xea, 0xee));
    p.drawEllipse(QPointF(8, 6.5), 4.5, 4.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x60, 0x6c, 0x74));
    p.drawEllipse(QPointF(8, 6.5), 1.0, 1.0);
    // head arm
    p.setPen(QPen(QColor(0x26, 0x32, 0x38), 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(11.5, 13.5), QPointF(9.5, 8.5));
    p.setRenderHint(QPainter::Antialiasing, false);
    Fill(p, 4, 13, 2, 1, QColor(0x2e, 0xc0, 0x40));
}

void DrawMemory(QPainter& p)
{
    Framed(p, 0, 3, 16, 9, QColor(0x1b, 0x4d, 0x2a), QColor(0x2f, 0x8a, 0x4a));
    for (int x = 2; x < 14; x += 4)
        Framed(p, x, 4, 3, 5, QColor(0x9a, 0xa4, 0xaa), QColor(0x20, 0x24, 0x28));
    const QColor gold(0xe8, 0xb0, 0x20);
    for (int x = 1; x < 15; ++x) {
        if (x != 7 && x != 8)  // gap for the key notch
            Fill(p, x, 10, 1, 3, x % 2 ? gold : QColor(0xc0, 0x8a, 0x10));
    }
}

void DrawCpu(QPainter& p)
{
    const QColor pin(0xb8, 0xc0, 0xc6);
    for (int at : {4, 7, 10}) {
        Fill(p, at, 0, 2, 3, pin);
        Fill(p, at, 13, 2, 3, pin);
        Fill(p, 0, at, 3, 2, pin);
        Fill(p, 13, at, 3, 2, pin);
    }
    Framed(p, 2, 2, 12, 12, QColor(0x90, 0x9a, 0xa0), QColor(0x30, 0x36, 0x3c));
    Framed(p, 5, 5, 6, 6, QColor(0x80, 0x68, 0x20), QColor(0xe0, 0xb8, 0x40));
}

void DrawSensorGroup(QPainter& p)
{
    const QColor bar(0x3a, 0x86, 0xc8);
    Fill(p, 2, 1, 2, 14, bar);
    Fill(p, 4, 2, 10, 2, bar);
    Fill(p, 4, 7, 7, 2, bar);
    Fill(p, 4, 12, 9, 2, bar);
}

void DrawCheckBox(QPainter& p, bool ticked)
{
    Framed(p, 1, 1, 14, 14, QColor(0x6e, 0x78, 0x82), QColor(0xfa, 0xfa, 0xfa));
    if (!ticked)
        return;
    p.setClipRect(QRect(2, 2, 12, 12));
    Smooth(p);
    p.setPen(QPen(QColor(0x1a, 0x1a, 0x1a), 2.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    QPainterPath tick;
    tick.moveTo(4.5, 8);
    tick.lineTo(7, 10.5);
    tick.lineTo(11.5, 5);
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
}

void DrawNetwork(QPainter& p)
{
    const QColor cable(0x78, 0x86, 0x90);
    Fill(p, 0, 13, 16, 2, cable);
    Fill(p, 7, 10, 2, 3, QColor(0x50, 0x5c, 0x66));
    Framed(p, 2, 1, 12, 9, QColor(0x37, 0x45, 0x4f), QColor(0x5c, 0xb0, 0xf0));
    Fill(p, 3, 2, 10, 1, QColor(0x9c, 0xd2, 0xfa));
}

void DrawPower(QPainter& p)
{
    // prongs
    const QColor prong(0xc4, 0xcc, 0xd2);
    Fill(p, 5, 0, 2, 4, prong);
    Fill(p, 9, 0, 2, 4, prong);
    // body
    Smooth(p);
    QPainterPath body;
    body.moveTo(2.5, 3.5);
    body.lineTo(13.5, 3.5);
    body.lineTo(13.5, 7.5);
    body.quadTo(13.5, 11.5, 9.5, 11.5);
    body.lineTo(6.5, 11.5);
    body.quadTo(2.5, 11.5, 2.5, 7.5);
    body.closeSubpath();
    p.setPen(QPen(QColor(0x26, 0x2e, 0x34), 1.0));
    p.setBrush(QColor(0x60, 0x70, 0x7c));
    p.drawPath(body);
    p.setRenderHint(QPainter::Antialiasing, false);
    // cable
    Fill(p, 7, 12, 2, 4, QColor(0x26, 0x2e, 0x34));
    Fill(p, 4, 5, 8, 1, QColor(0x8c, 0x9c, 0xa8));
}

void DrawFan(QPainter& p)
{
    Smooth(p);
    p.setPen(QPen(QColor(0x37, 0x45, 0x4f), 1.0));
    p.setBrush(QColor(0x90, 0xa0, 0xaa));
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 2.5, 2.5);
    p.setBrush(QColor(0x37, 0x45, 0x4f));
    p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x6c, 0xc8, 0xf4));
    for (int blade = 0; blade < 5; ++blade) {
        p.save();
        p.translate(8, 8);
        p.rotate(blade * 72.0);
        QPainterPath path;
        path.moveTo(0, 0);
        path.cubicTo(1.5, -2.5, 3.5, -4.5, 1.0, -6.2);
        path.cubicTo(-1.0, -5.0, -1.2, -2.5, 0, 0);
        p.drawPath(path);
        p.restore();
    }
    p.setBrush(QColor(0xe0, 0xe6, 0xea));
    p.drawEllipse(QPointF(8, 8), 1.6, 1.6);
}

} // namespace

bool HasTreeIcon(int slot)
{
    return slot >= 0 && slot < kTreeIconSlotCount && slot != 8;
}

QImage TreeIconImage(int slot, qreal devicePixelRatio)
{
    if (!HasTreeIcon(slot) || !(devicePixelRatio > 0))
        return {};
    const int side = qRound(kTreeIconSize * devicePixelRatio);
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter p(&image);
    switch (slot) {
    case kUnknownHardwareIcon: DrawUnknown(p); break;
    case kMainboardIcon: DrawMainboard(p); break;
    case kSuperIoIcon: DrawSuperIo(p); break;
    case kGraphicsIcon: DrawGraphics(p); break;
    case kStorageIcon: DrawStorage(p); break;
    case kMemoryIcon: DrawMemory(p); break;
    case kCpuIcon: DrawCpu(p); break;
    case kSensorGroupIcon: DrawSensorGroup(p); break;
    case kSensorIcon: DrawCheckBox(p, false); break;
    case kSensorOnDashboardIcon: DrawCheckBox(p, true); break;
    case kNetworkIcon: DrawNetwork(p); break;
    case kPowerIcon: DrawPower(p); break;
    case kFanControllerIcon: DrawFan(p); break;
    }
    return image;
}

QIcon TreeIcon(int slot)
{
    static std::array<QIcon, kTreeIconSlotCount> cache;
    if (!HasTreeIcon(slot))
        return {};
    QIcon& icon = cache[static_cast<size_t>(slot)];
    if (icon.isNull()) {
        for (qreal ratio : {1.0, 1.5, 2.0, 3.0})
            icon.addPixmap(QPixmap::fromImage(TreeIconImage(slot, ratio)));
    }
    return icon;
}

} // namespace gaugeloft
