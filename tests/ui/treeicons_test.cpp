#include "sensors/hardwaretree.h"
#include "ui/treeicons.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace gaugeloft {
namespace {

const int kUsedSlots[] = {0, 1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13};

int DarkPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 200 && c.lightness() < 80)
                ++count;
        }
    }
    return count;
}

TEST(TreeIcons, UsedSlotsHavePictures)
{
    for (int slot : kUsedSlots) {
        for (qreal ratio : {1.0, 2.0}) {
            SCOPED_TRACE(testing::Message() << "slot " << slot << " ratio " << ratio);
            const QImage image = TreeIconImage(slot, ratio);
            ASSERT_FALSE(image.isNull());
            EXPECT_EQ(image.size(), QSize(16, 16) * ratio);
            EXPECT_EQ(image.devicePixelRatio(), ratio);
            int opaque = 0, clear = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const int alpha = qAlpha(image.pixel(x, y));
                    opaque += alpha > 0;
                    clear += alpha == 0;
                }
            }
            EXPECT_GT(opaque, image.width() * image.height() / 8);
            EXPECT_GT(clear, 0);
        }
    }
}

TEST(TreeIcons, SlotsDiffer)
{
    for (int a : kUsedSlots) {
        for (int b : kUsedSlots) {
            if (a < b) {
                EXPECT_NE(TreeIconImage(a), TreeIconImage(b)) << a << " vs " << b;
            }
        }
    }
}

TEST(TreeIcons, TickOnlyInsideTheBox)
{
    for (qreal ratio : {1.0, 2.0}) {
        const QImage empty = TreeIconImage(kSensorIcon, ratio);
        const QImage ticked = TreeIconImage(kSensorOnDashboardIcon, ratio);
        const QRect inside(QPoint(2, 2) * ratio, QSize(12, 12) * ratio);
        for (int y = 0; y < empty.height(); ++y) {
            for (int x = 0; x < empty.width(); ++x) {
                if (!inside.contains(x, y)) {
                    EXPECT_EQ(empty.pixel(x, y), ticked.pixel(x, y)) << x << "," << y;
                }
            }
        }
        EXPECT_EQ(DarkPixels(empty.copy(inside)), 0);
        EXPECT_GT(DarkPixels(ticked.copy(inside)), 8 * ratio * ratio);
    }
}

TEST(TreeIcons, UnusedSlotsAreNull)
{
    for (int slot : {-1, 8, 14, 100})
        EXPECT_TRUE(TreeIconImage(slot).isNull()) << slot;
    EXPECT_FALSE(HasTreeIcon(8));
}

// GAUGELOFT_ICON_SHEET=/tmp/tree-icons.png writes every slot at 1x and 2x on white and
// on dark grey, enlarged 4x, for looking at.
TEST(TreeIcons, PreviewSheet)
{
    const QString path = qEnvironmentVariable("GAUGELOFT_ICON_SHEET");
    if (path.isEmpty())
        GTEST_SKIP() << "set GAUGELOFT_ICON_SHEET to write the sheet";
    // two bands of seven slots; in each band 1x on white, 1x on dark, 2x on white, 2x on dark
    const int zoom = 4, cell = 16 * zoom + 16, wide = cell + 40, perBand = 7;
    QImage sheet(perBand * wide, 8 * cell, QImage::Format_RGB32);
    QPainter p(&sheet);
    const QColor backgrounds[] = {Qt::white, QColor(0x3c, 0x3c, 0x3c)};
    for (int row = 0; row < 8; ++row) {
        p.fillRect(0, row * cell, sheet.width(), cell, backgrounds[row % 2]);
        const qreal ratio = row % 4 < 2 ? 1.0 : 2.0;
        for (int column = 0; column < perBand; ++column) {
            QImage image = TreeIconImage(row / 4 * perBand + column, ratio);
            if (image.isNull())
                continue;
            image.setDevicePixelRatio(1.0);
            p.drawImage(column * wide + 8, row * cell + 8, image.scaled(image.size() * zoom / ratio));
            p.drawImage(column * wide + cell, row * cell + 8, image);  // actual size
        }
    }
    p.end();
    ASSERT_TRUE(sheet.save(path));
}

} // namespace
} // namespace gaugeloft
