#include "dashboard/tilelist.h"
#include "support/tilefakes.h"
#include "ui/tilepainter.h"
#include "ui/tilewidget.h"

#include <QAction>
#include <QFontMetrics>
#include <QImage>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace gaugeloft {
namespace {

using FakeHost = gaugeloft::testing::QuietTileHost;
using FakeView = gaugeloft::testing::QuietTileView;

QImage Render(TileWidget& widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    widget.render(&image);
    return image;
}

int CountColor(const QImage& image, const QRect& area, TColor color)
{
    const QRgb wanted = ToQColor(color).rgb();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixel(x, y) == wanted;
    return count;
}

class TileWidgetTest : public ::testing::Test {
protected:
    TSensorFrame& NewTile() { return tiles.At(tiles.AddTile(-1)); }
    // What a live refresh leaves behind, without a tree.
    static void MakeLive(TSensorFrame& tile, const ThemePalette& palette)
    {
        tile.Title.Text = QStringLiteral("CPU Package");
        tile.Subtitle.Text = QStringLiteral("Intel Core i7-8700");
        tile.Value.Text = QStringLiteral("45.3 °C");
        tile.Value.Background = palette.ValueBackColor;
        tile.MinText.Text = QStringLiteral(" 30.0 °C");
        tile.MaxText.Text = QStringLiteral("70.0 °C ");
    }

    FakeHost host;
    FakeView view;
    TTileList tiles {host, view};
    const ThemePalette& palette = PresetPalette(thDark);
};

TEST_F(TileWidgetTest, EmptyTileShowsPlusOnGreen)
{
    TSensorFrame& tile = NewTile();
    TileWidget widget(tile, tiles);
    const QImage image = Render(widget);
    const TileLayout layout = LayoutTile(tile);
    ASSERT_FALSE(layout.Value.isEmpty());
    EXPECT_EQ(image.pixel(0, 0), ToQColor(palette.BackColor).rgb());
    EXPECT_EQ(image.pixel(layout.Value.topLeft() + QPoint(2, 2)), QColor(0x00, 0x80, 0x00).rgb());
    const int green = CountColor(image, layout.Value, kEmptyTileGreen);
    const int all = layout.Value.width() * layout.Value.height();
    EXPECT_GT(green, all * 8 / 10);
    EXPECT_GT(all - green, 20);  // the "+"
    EXPECT_GT(CountColor(image, layout.Value, palette.TextColor), 10);
    // nothing the widget paints is left out
    EXPECT_EQ(CountColor(image, image.rect(), RgbColor(0xFF, 0x00, 0xFF)), 0);
}

TEST_F(TileWidgetTest, ProgressBarFollowsItsFilledWidth)
{
    TSensorFrame& tile = NewTile();
    tile.SetDisplayType(dtProgress);
    tile.ProgressBar1.SetMax(100);
    tile.ProgressBar1.SetMin(0);
    tile.ProgressBar1.SetPosition(1);
    TileWidget widget(tile, tiles);
    const QRect bar = LayoutTile(tile).Progress;
    ASSERT_EQ(bar.size(), QSize(118, 13));
    // the smallest part: 3 pixels with the 1-pixel frame, one column of colour
    QImage image = Render(widget);
    EXPECT_EQ(CountColor(image, bar, palette.PenColor), bar.height() - 2);
    EXPECT_EQ(image.pixel(bar.topLeft() + QPoint(1, 1)), ToQColor(palette.PenColor).rgb());

    tile.ProgressBar1.SetPosition(50);
    tile.OnChanged();
    image = Render(widget);
    const int columns = CountColor(image, bar, palette.PenColor) / (bar.height() - 2);
    EXPECT_NEAR(columns, 58, 1);
    EXPECT_EQ(image.pixel(bar.right(), bar.center().y()), ToQColor(palette.PenBackColor).rgb());
}

// Collects the regions the widget repaints.
class PaintLog : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            Regions.push_back(static_cast<QPaintEvent*>(event)->region());
        return false;
    }
    std::vector<QRegion> Regions;
};

TEST_F(TileWidgetTest, AnimationRepaintsOnlyTheBar)
{
    TSensorFrame& tile = NewTile();
    tile.SetDisplayType(dtProgress);
    tile.ProgressBar1.SetMax(10000);
    tile.ProgressBar1.SetMin(0);
    TileWidget widget(tile, tiles);
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    PaintLog log;
    widget.installEventFilter(&log);
    const QRect bar = LayoutTile(tile).Progress;
    tile.ProgressBar1.SetPosition(20);  // under one pixel of 118: nothing to show
    tile.OnChanged();
    QCoreApplication::processEvents();
    EXPECT_TRUE(log.Regions.empty());
    tile.ProgressBar1.SetPosition(5000);
    tile.OnChanged();
    QCoreApplication::processEvents();
    ASSERT_EQ(log.Regions.size(), 1u);
    EXPECT_EQ(log.Regions[0], QRegion(bar));
}

TEST_F(TileWidgetTest, PieAtAQuarter)
{
    TSensorFrame& tile = NewTile();
    tile.SetDisplayType(dtPie);
    tile.ProgressBar1.SetMax(10000);
    tile.ProgressBar1.SetMin(0);
    tile.ProgressBar1.SetPosition(2500);
    tile.UpdateChartSeries(true);
    ASSERT_EQ(tile.Series1.size(), 2u);
    TileWidget widget(tile, tiles);
    const QImage image = Render(widget);
    const QRect plot = LayoutTile(tile).ChartPlot;
    ASSERT_FALSE(plot.isEmpty());
    const double filled = CountColor(image, plot, palette.PenColor);
    const double remaining = CountColor(image, plot, palette.PenBackColor);
    ASSERT_GT(filled + remaining, 1000);
    EXPECT_NEAR(filled / (filled + remaining), 0.25, 0.03);
    // the first slice starts at the left: the filled quarter is the upper left one
    const int r = std::min(plot.width(), plot.height()) / 4;
    const QPoint c = plot.center();
    EXPECT_EQ(image.pixel(c + QPoint(-r, -r)), ToQColor(palette.PenColor).rgb());
    EXPECT_EQ(image.pixel(c + QPoint(r, r)), ToQColor(palette.PenBackColor).rgb());
}

TEST_F(TileWidgetTest, MenuOfAnEmptyTile)
{
    TSensorFrame& tile = NewTile();
    TileWidget widget(tile, tiles);
    widget.PopupMenuAt(QPoint(10, 10));
    QMenu* menu = widget.Menu();
    ASSERT_TRUE(menu->isVisible());
    EXPECT_EQ(tile.BodyColor, palette.HighlightColor);
    QStringList enabled, disabled;
    const auto collect = [&](QMenu* m, auto& self) -> void {
        for (QAction* a : m->actions()) {
            if (a->isSeparator())
                continue;
            (a->isEnabled() ? enabled : disabled) << a->text();
            if (a->menu())
                self(a->menu(), self);
        }
    };
    collect(menu, collect);
    // no tree selection: Replace is off too
    EXPECT_EQ(enabled.join('|'), "&Add|&Remove...|&Type|P&ie|&Bar|I&nsert|&Properties");
    EXPECT_EQ(disabled.join('|'), "&Text|&Progress|&Min-Max|&Chart|&Show Peers|R&eplace");
    menu->hide();
}

TEST_F(TileWidgetTest, AccessibleTextsFollowTheModel)
{
    TSensorFrame& tile = NewTile();
    TileWidget widget(tile, tiles);
    EXPECT_EQ(widget.accessibleName(), QString::number(tile.TileNumber));
    EXPECT_EQ(widget.accessibleDescription(), "empty, (empty)");
    // (offscreen has no platform accessibility, so the change events themselves are not seen)
    MakeLive(tile, palette);
    tile.OnChanged();
    EXPECT_EQ(widget.accessibleName(), "CPU Package");
    EXPECT_EQ(widget.accessibleDescription(),
        "45.3 °C, Intel Core i7-8700, min 30.0 °C, max 70.0 °C");
}

QAction* FindAction(QMenu* menu, const QString& text)
{
    for (QAction* a : menu->actions()) {
        if (a->text() == text)
            return a;
    }
    return nullptr;
}

TEST_F(TileWidgetTest, RemoveAsksFirst)
{
    TSensorFrame& tile = NewTile();
    TileWidget widget(tile, tiles);
    std::vector<TSensorFrame*> removed;
    QObject::connect(&widget, &TileWidget::removeTileRequested,
        [&](TSensorFrame* t) { removed.push_back(t); });
    QAction* remove = FindAction(widget.Menu(), "&Remove...");
    ASSERT_NE(remove, nullptr);
    for (QMessageBox::StandardButton answer : {QMessageBox::Cancel, QMessageBox::Ok}) {
        QString text;
        TColor during = 0;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            poll.stop();
            text = box->text();
            during = tile.BodyColor;
            box->button(answer)->click();
        });
        poll.start(10);
        remove->trigger();
        QCoreApplication::processEvents();  // the action runs after its menu: it opens the box
        EXPECT_EQ(text, "This will delete the selected Tile. Continue?");
        EXPECT_EQ(during, palette.DropColor);
        if (answer == QMessageBox::Cancel) {
            EXPECT_EQ(tile.BodyColor, palette.TileColor);
        }
    }
    // only OK asks the main window to remove the tile
    EXPECT_EQ(removed, std::vector<TSensorFrame*> {&tile});
}

TEST_F(TileWidgetTest, DoubleClickAsksForProperties)
{
    TSensorFrame& tile = NewTile();
    TileWidget widget(tile, tiles);
    QSignalSpy properties(&widget, &TileWidget::propertiesRequested);
    QTest::mouseDClick(&widget, Qt::LeftButton, {}, QPoint(64, 70));  // on the value
    EXPECT_EQ(properties.count(), 0);
    ASSERT_TRUE(properties.wait(1000));
    EXPECT_EQ(properties.at(0).at(0).value<TSensorFrame*>(), &tile);
}

// The title and the subtitle take no press, drag or double click: only the value, the chart
// area and the chart do.
TEST_F(TileWidgetTest, TitleAndSubtitleTakeNoPressDragOrDoubleClick)
{
    TSensorFrame& tile = NewTile();
    TileWidget widget(tile, tiles);
    widget.resize(128, 128);
    QSignalSpy properties(&widget, &TileWidget::propertiesRequested);
    for (const QPoint at : {QPoint(64, 10), QPoint(64, 28)}) {  // title, subtitle
        SCOPED_TRACE(at.y());
        QTest::mouseDClick(&widget, Qt::LeftButton, {}, at);
        QTest::mousePress(&widget, Qt::LeftButton, {}, at);
        QTest::mouseMove(&widget, at + QPoint(0, 60));
        EXPECT_EQ(tiles.DragSourceTile, 0) << "no drag begins";
        QTest::mouseRelease(&widget, Qt::LeftButton, {}, at + QPoint(0, 60));
    }
    EXPECT_FALSE(properties.wait(500));
}

// Delete on a focused tile removes it after the usual question.
TEST_F(TileWidgetTest, DeleteKeyAsksAndRemoves)
{
    TSensorFrame& tile = NewTile();
    TileWidget widget(tile, tiles);
    std::vector<TSensorFrame*> removed;
    QObject::connect(&widget, &TileWidget::removeTileRequested, [&](TSensorFrame* t) { removed.push_back(t); });
    QString text;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            poll.stop();
            text = box->text();
            box->button(QMessageBox::Ok)->click();
        }
    });
    poll.start(10);
    QTest::keyClick(&widget, Qt::Key_Delete);
    EXPECT_EQ(text, "This will delete the selected Tile. Continue?");
    EXPECT_EQ(removed, std::vector<TSensorFrame*> {&tile});
}

} // namespace
} // namespace gaugeloft
