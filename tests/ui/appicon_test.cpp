#include "ui/appicon.h"

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

namespace gaugeloft {
namespace {

const int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

int OpaquePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0;
    }
    return count;
}

TEST(AppIcon, ResourcesAreLinkedIn)
{
    const QIcon icon = GaugeloftIcon();  // registers the resources
    for (int size : kSizes) {
        SCOPED_TRACE(testing::Message() << "size " << size);
        const QString path = QStringLiteral(":/icons/gaugeloft-%1.png").arg(size);
        ASSERT_TRUE(QFile::exists(path));
        const QImage image(path);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(size, size));
    }
}

TEST(AppIcon, IsNotNull)
{
    EXPECT_FALSE(GaugeloftIcon().isNull());
}

TEST(AppIcon, OffersEverySize)
{
    const QList<QSize> sizes = GaugeloftIcon().availableSizes();
    for (int size : kSizes)
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << "missing " << size;
}

TEST(AppIcon, SmallAndLargePixmapsAreDrawn)
{
    const QIcon icon = GaugeloftIcon();
    for (int size : {16, 256}) {
        SCOPED_TRACE(testing::Message() << "size " << size);
        const QPixmap pixmap = icon.pixmap(QSize(size, size), 1.0);
        ASSERT_FALSE(pixmap.isNull());
        EXPECT_EQ(pixmap.size(), QSize(size, size));
        const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        const int opaque = OpaquePixels(image);
        EXPECT_GT(opaque, size * size / 2);  // a round dial fills most of the square
        EXPECT_LT(opaque, size * size);      // and leaves the corners clear
    }
}

} // namespace
} // namespace gaugeloft
