#include "sensors/hardwaretree.h"
#include "ui/treeicons.h"

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

} // namespace
} // namespace gaugeloft
