// Tiles in the real dashboard area: added one by one in a small window, with the scroll bar
// coming, they never overlap, and a tile that the arrangement will place shows only then.

#include "ui/mainform.h"

#include "ui/dashboardarea.h"
#include "ui/launcherpanel.h"
#include "ui/mainformfixture.h"
#include "ui/tilewidget.h"

#include <QCoreApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace gaugeloft {
namespace {

// Every pair of shown tiles apart; each on the grid of 128-pixel cells.
void ExpectNoOverlap(TMainForm& w, int added)
{
    std::vector<std::pair<int, QRect>> rects;  // list position, place
    for (int i = 0; i < w.Tiles().Count(); ++i) {
        TileWidget* widget = SensorsPanel(w)->WidgetOf(w.Tiles().At(i));
        ASSERT_TRUE(widget);
        if (!widget->isHidden())
            rects.emplace_back(i, widget->geometry());
    }
    for (size_t a = 0; a < rects.size(); ++a) {
        for (size_t b = a + 1; b < rects.size(); ++b) {
            EXPECT_FALSE(rects[a].second.intersects(rects[b].second))
                << "after " << added << " tiles: tile " << rects[a].first << " at " << rects[a].second.y() << ','
                << rects[a].second.x() << " and tile " << rects[b].first << " at " << rects[b].second.y() << ','
                << rects[b].second.x();
        }
    }
}

TEST(TilePlacement, TilesAddedOneByOneNeverOverlap)
{
    std::vector<QSize> sizes;
    for (int width = 260; width <= 820; width += 47)
        for (int height = 200; height <= 560; height += 41)
            sizes.emplace_back(width, height);
    for (const QSize client : sizes) {
        SCOPED_TRACE(testing::Message() << client.width() << 'x' << client.height());
        MainFormFixture f(Example("desktop.json"));
        TMainForm& w = f.window;
        w.resize(client.width() + 190, client.height() + 40);
        w.Timer1Timer();
        QCoreApplication::processEvents();
        w.Tiles().Timer2Timer();
        for (int added = 2; added <= 14; ++added) {
            Launcher(w)->SpeedButton(2)->click();  // "Adds a new tile to the Dashboard."
            QCoreApplication::processEvents();
            ExpectNoOverlap(w, added);
            w.Tiles().Timer2Timer();  // the arrangement, 200 ms later
            QCoreApplication::processEvents();
            ExpectNoOverlap(w, added);
            for (int i = 0; i < w.Tiles().Count(); ++i)
                EXPECT_FALSE(SensorsPanel(w)->WidgetOf(w.Tiles().At(i))->isHidden()) << "after the arrangement";
        }
    }
}

// When adding a tile brings the scroll bar, the tile waits hidden for the arrangement, which
// shows it and scrolls it into view: the 7th tile of a small window is not left cut off.
TEST(TilePlacement, ATileThatBringsTheScrollBarIsShownAndScrolledToByTheArrangement)
{
    MainFormFixture f(Example("desktop.json"));
    TMainForm& w = f.window;
    w.resize(600 + 190, 330 + 40);
    w.Timer1Timer();
    QCoreApplication::processEvents();
    w.Tiles().Timer2Timer();
    QScrollArea* box = SensorsPanel(w)->ScrollBox();
    bool sawTheBarCome = false;
    for (int added = 2; added <= 12 && !sawTheBarCome; ++added) {
        const bool barBefore = box->verticalScrollBar()->isVisible();
        Launcher(w)->SpeedButton(2)->click();
        QCoreApplication::processEvents();
        TSensorFrame& last = w.Tiles().At(w.Tiles().Count() - 1);
        TileWidget* widget = SensorsPanel(w)->WidgetOf(last);
        if (box->verticalScrollBar()->isVisible() == barBefore) {
            EXPECT_EQ(widget->isHidden(), SensorsPanel(w)->ArrangementTimerActive()) << added;
            w.Tiles().Timer2Timer();
            continue;
        }
        sawTheBarCome = true;
        SCOPED_TRACE(added);
        EXPECT_TRUE(widget->isHidden()) << "hidden until the arrangement";
        EXPECT_TRUE(SensorsPanel(w)->ArrangementTimerActive());
        w.Tiles().Timer2Timer();
        QCoreApplication::processEvents();
        EXPECT_FALSE(widget->isHidden());
        const QRect seen(QPoint(0, 0), box->viewport()->size());
        const QRect at(widget->mapTo(box->viewport(), QPoint(0, 0)), widget->size());
        EXPECT_TRUE(seen.contains(at)) << "scrolled into view";
    }
    EXPECT_TRUE(sawTheBarCome);
}

// The same with the real arrangement timer, and clicks quicker than it.
TEST(TilePlacement, QuickAdditionsWithTheRealTimerNeverOverlap)
{
    for (const int pause : {0, 60, 250}) {
        SCOPED_TRACE(pause);
        MainFormFixture f(Example("desktop.json"));
        TMainForm& w = f.window;
        w.resize(600 + 190, 330 + 40);
        w.Timer1Timer();
        QTest::qWait(250);
        for (int added = 2; added <= 12; ++added) {
            Launcher(w)->SpeedButton(2)->click();
            QTest::qWait(pause);
            ExpectNoOverlap(w, added);
        }
        QTest::qWait(300);
        ExpectNoOverlap(w, 12);
        for (int i = 0; i < w.Tiles().Count(); ++i)
            EXPECT_FALSE(SensorsPanel(w)->WidgetOf(w.Tiles().At(i))->isHidden());
    }
}

} // namespace
} // namespace gaugeloft
