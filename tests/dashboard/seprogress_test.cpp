#include "dashboard/seprogress.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace gaugeloft {
namespace {

TEST(SEProgress, SettersKeepTheRangeAndPosition)
{
    struct Case {
        int min, max, position;  // set in this order
        int expectMin, expectMax, expectPosition;
    };
    const Case cases[] = {
        {0, 100, 50, 0, 100, 50},
        {200, 100, 50, 200, 200, 200},  // a minimum above the maximum raises the maximum
        {0, -5, 3, 0, 0, 0},
        {10, 20, 25, 10, 20, 20},
        {10, 20, -4, 10, 20, 10},
    };
    for (const Case& c : cases) {
        TSEProgress bar;
        bar.SetMin(c.min);
        bar.SetMax(c.max);
        bar.SetPosition(c.position);
        EXPECT_EQ(bar.Min(), c.expectMin);
        EXPECT_EQ(bar.Max(), c.expectMax);
        EXPECT_EQ(bar.Position(), c.expectPosition);
    }
    // the maximum comes first in a tile's refresh: the position follows a shrinking range
    TSEProgress bar;
    bar.SetPosition(90);
    bar.SetMax(40);
    EXPECT_EQ(bar.Position(), 40);
}

TEST(SEProgress, FilledWidthRoundsHalfToEven)
{
    struct Case {
        int min, max, position, width, filled;
    };
    const Case cases[] = {
        {0, 0, 0, 100, 0},
        {0, 8, 1, 4, 0},  // 0.5
        {0, 8, 3, 4, 2},  // 1.5
        {0, 8, 5, 4, 2},  // 2.5
        {0, 10000, 2500, 118, 30},  // 29.5
        {-100, 100, 100, 50, 50},
    };
    for (const Case& c : cases) {
        TSEProgress bar;
        bar.SetMax(c.max);
        bar.SetMin(c.min);
        bar.SetPosition(c.position);
        EXPECT_EQ(bar.FilledWidth(c.width), c.filled) << c.position << "/" << c.max;
    }
}

TEST(SEProgress, PaintShowsAtLeastThreePixels)
{
    const TColor back = RgbColor(0xB0, 0xD0, 0xB0);
    const TColor fill = RgbColor(0x00, 0xA6, 0x00);
    struct Case {
        int position;
        int colouredColumns;  // inside the 1-pixel frame
    };
    const Case cases[] = {{0, 0}, {1, 1}, {5000, 48}, {10000, 98}};
    for (const Case& c : cases) {
        TSEProgress bar;
        bar.BackColor = back;
        bar.BarColor = fill;
        bar.SetMax(10000);
        bar.SetPosition(c.position);
        QImage image(100, 13, QImage::Format_RGB32);
        image.fill(Qt::black);
        {
            QPainter painter(&image);
            bar.Paint(painter, QRect(0, 0, 100, 13));
        }
        int coloured = 0;
        for (int x = 0; x < 100; ++x)
            coloured += image.pixelColor(x, 6) == ToQColor(fill);
        EXPECT_EQ(coloured, c.colouredColumns) << c.position;
        EXPECT_EQ(image.pixelColor(0, 6), ToQColor(back));   // the frame stays
        EXPECT_EQ(image.pixelColor(1, 0), ToQColor(back));
        EXPECT_EQ(image.pixelColor(1, 12), ToQColor(back));
        if (c.colouredColumns > 0) {
            EXPECT_EQ(image.pixelColor(1, 6), ToQColor(fill));
        }
    }
}

} // namespace
} // namespace gaugeloft
