// Pictures for a person to look at, not tests:
//   picture_sheets --tiles PATH       every display type in the Dark and Light themes, an empty
//                                     and a highlighted tile
//   picture_sheets --tree-icons PATH  every tree icon at 1x and 2x on white and on dark grey,
//                                     enlarged 4x beside the actual size
//   picture_sheets --update-window PATH  the web update's progress window: checking, a
//                                     transfer at half, the no-update page; the About window;
//                                     the confirmation with its details closed and open
// Run with QT_QPA_PLATFORM=offscreen where there is no display.

#include "dashboard/tilelist.h"
#include "support/tilefakes.h"
#include "ui/tilepainter.h"
#include "ui/aboutform.h"
#include "ui/askconfirmationform.h"
#include "ui/simplewebupdateform.h"
#include "ui/tilewidget.h"
#include "ui/treeicons.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace gaugeloft {
namespace {

using SheetHost = testing::QuietTileHost;
using SheetView = testing::QuietTileView;

// What a live refresh leaves behind, without a tree.
void MakeLive(TSensorFrame& tile, const ThemePalette& palette)
{
    tile.Title.Text = QStringLiteral("CPU Package");
    tile.Subtitle.Text = QStringLiteral("Intel Core i7-8700");
    tile.Value.Text = QStringLiteral("45.3 °C");
    tile.Value.Background = palette.ValueBackColor;
    tile.MinText.Text = QStringLiteral(" 30.0 °C");
    tile.MaxText.Text = QStringLiteral("70.0 °C ");
}

QImage TileSheet()
{
    SheetHost host;
    SheetView view;
    TTileList tiles {host, view};
    const int themes[] = {thDark, thLight};
    QImage sheet(7 * 128 + 2, 2 * 128 + 2 + 128, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    int row = 0;
    for (int theme : themes) {
        const ThemePalette& colours = PresetPalette(theme);
        for (int type = 0; type <= dtMultiBars; ++type) {
            TSensorFrame tile(host, 100 + type);
            tile.Recolor(colours);
            MakeLive(tile, colours);
            tile.SetDisplayType(std::uint8_t(type));
            tile.ScaleFactor = 100;
            tile.ProgressBar1.SetMax(10000);
            tile.ProgressBar1.SetMin(0);
            tile.ProgressBar1.SetPosition(4530);
            for (int i = 0; i < 128; ++i)
                tile.PushHistory(45 + 20 * std::sin(i / 9.0) + (i % 7));
            if (type == dtChart)
                tile.DrawChart();
            if (type == dtMultiBars) {
                tile.Title.Text = QStringLiteral("CPU Cores");
                for (double load : {45.0, 80.0, 12.0, 63.0, 30.0, 95.0})
                    tile.SetPeerBar(TSensorFrame::kAppend, 100 - load, load);
                tile.SetChartTitle(QStringLiteral("54.2 %"));
            } else {
                tile.UpdateChartSeries(true);
            }
            TileWidget widget(tile, tiles);
            widget.render(&painter, QPoint(type * 128, row * 128));
        }
        ++row;
    }
    const ThemePalette& dark = PresetPalette(thDark);
    TSensorFrame& empty = tiles.At(tiles.AddTile(-1));
    TileWidget emptyWidget(empty, tiles);
    emptyWidget.render(&painter, QPoint(0, 2 * 128));
    TSensorFrame& marked = tiles.At(tiles.AddTile(-1));
    MakeLive(marked, dark);
    marked.SetDisplayType(dtMinMax);
    tiles.Highlight(marked, dark.HighlightColor);
    TileWidget markedWidget(marked, tiles);
    markedWidget.render(&painter, QPoint(128, 2 * 128));
    return sheet;
}

QImage TreeIconSheet()
{
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
    return sheet;
}

QImage UpdateWindowSheet()
{
    QWidget owner;
    TSimpleWebUpdateForm form(&owner);
    TAboutForm about(&owner);
    about.Fill(QStringLiteral("Gaugeloft"), QStringLiteral("0.1.0.120"),
               QStringLiteral("Copyright (C) 2026 Marrowind. GNU General Public License version 3 or later."));
    TAskConfirmationForm closed;
    TAskConfirmationForm opened;
    for (TAskConfirmationForm* ask : {&closed, &opened}) {
        ask->SetDetails(QStringLiteral("<b>New:</b> faster charts, remote sources.<br>Fixed: the tray icon after a "
                                       "restart of the desktop. <a href=\"https://marrowind.example/\">More</a>"));
        ask->SetTurnOffOffered(true);
        ask->SetAutoContinue(true, 10000);
        ask->Prepare(QStringLiteral("Update Found for Gaugeloft"),
                     QStringLiteral("<b>Gaugeloft</b> has been updated. New version <b>2.1.0.10</b> has been released "
                                    "3 days ago.<br><br>The update's size is <b>2.34 MB</b>. Gaugeloft restarts after "
                                    "the installation."));
        ask->show();
    }
    opened.Image2Click();
    const int top = std::max(form.height(), about.height()) + 8;
    QImage sheet(3 * (form.width() + 8) + about.width(), top + opened.height(), QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    form.ShowProgressWindow(QStringLiteral("Checking for updates"));
    form.render(&painter, QPoint(0, 0));
    form.SetDescription(QStringLiteral("Downloading update"));
    form.TransferBegun(2 * 1024 * 1024);
    form.TransferProgress(1024 * 1024);
    form.render(&painter, QPoint(form.width() + 8, 0));
    form.TransferEnded();
    form.SetDescription(QStringLiteral("No new update found"));
    form.SetStatusText(QStringLiteral("Please check again later when a new version of Gaugeloft might be available."));
    form.SetDoneMode(true);
    form.render(&painter, QPoint(2 * (form.width() + 8), 0));
    form.HideProgressWindow();
    about.render(&painter, QPoint(3 * (form.width() + 8), 0));
    closed.render(&painter, QPoint(0, top));
    opened.render(&painter, QPoint(closed.width() + 8, top));
    return sheet;
}

} // namespace
} // namespace gaugeloft

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const auto is = [&](const char* option) { return std::strcmp(argv[1], option) == 0; };
    if (argc != 3 || !(is("--tiles") || is("--tree-icons") || is("--update-window"))) {
        std::fputs("usage: picture_sheets --tiles PATH | --tree-icons PATH | --update-window PATH\n", stderr);
        return 2;
    }
    const QImage sheet = is("--tiles")        ? gaugeloft::TileSheet()
                         : is("--tree-icons") ? gaugeloft::TreeIconSheet()
                                              : gaugeloft::UpdateWindowSheet();
    const QString path = QString::fromLocal8Bit(argv[2]);
    if (!sheet.save(path)) {
        std::fprintf(stderr, "could not write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
