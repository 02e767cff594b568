#include "ui/mainform.h"

#include "ui/dashboardarea.h"
#include "ui/launcherpanel.h"
#include "ui/mainformfixture.h"
#include "ui/titlestrip.h"

#include <QLabel>
#include <QSplitter>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

namespace gaugeloft {
namespace {

QColor TextColorOf(const QWidget* widget)
{
    return widget->palette().color(QPalette::WindowText);
}

// Every surface of one tile against the palette.
void ExpectTileColours(const TSensorFrame& tile, const ThemePalette& p)
{
    SCOPED_TRACE(tile.TileNumber);
    if (!tile.ShowsEmptyGreen()) {
        EXPECT_EQ(tile.Value.Background, p.ValueBackColor);
    }
    EXPECT_EQ(tile.Value.Color, p.TextColor);
    EXPECT_EQ(tile.Title.Background, p.TileColor);
    EXPECT_EQ(tile.Title.Color, p.TextColor);
    EXPECT_EQ(tile.BodyColor, p.TileColor);
    EXPECT_EQ(tile.Subtitle.Background, p.TileBandColor);
    EXPECT_EQ(tile.Subtitle.Color, p.DimTextColor);
    EXPECT_EQ(tile.StripColor, p.BackColor);
    EXPECT_EQ(tile.DetailsColor, p.BackColor);
    EXPECT_EQ(tile.MinText.Color, p.DimTextColor);
    EXPECT_EQ(tile.MaxText.Color, p.DimTextColor);
    EXPECT_EQ(tile.ProgressBar1.BackColor, p.PenBackColor);
    EXPECT_EQ(tile.ProgressBar1.BarColor, p.PenColor);
    EXPECT_EQ(tile.ChartBackColor, p.BackColor);
    EXPECT_EQ(tile.ChartFrameColor, p.TileBandColor);
    EXPECT_EQ(tile.ChartTitleColor, p.TextColor);
    EXPECT_EQ(tile.ChartFootColor, p.DimTextColor);
    if (tile.DisplayType == dtPie) {
        EXPECT_EQ(tile.Series1.size(), 2u);
        if (tile.Series1.size() == 2) {
            EXPECT_EQ(tile.Series1[0].Color, p.PenBackColor);
            EXPECT_EQ(tile.Series1[1].Color, p.PenColor);
        }
    }
    for (const SeriesValue& bar : tile.Series2)
        EXPECT_EQ(bar.Color, p.PenColor);
    for (const SeriesValue& rest : tile.Series3)
        EXPECT_EQ(rest.Color, p.PenBackColor);
}

void ExpectWindowColours(TMainForm& w, const ThemePalette& p)
{
    EXPECT_EQ(w.palette().color(QPalette::Window), ToQColor(p.ChromeColor));
    EXPECT_EQ(Launcher(w)->palette().color(QPalette::Window), ToQColor(p.ChromeColor));
    EXPECT_EQ(TopPanel(w)->palette().color(QPalette::Window), ToQColor(p.ChromeColor));
    EXPECT_EQ(TreeView(w)->palette().color(QPalette::Base), ToQColor(p.TreeColor));
    EXPECT_EQ(TreeView(w)->palette().color(QPalette::Text), ToQColor(p.TextColor));
    EXPECT_EQ(Panel3(w)->palette().color(QPalette::Window), ToQColor(p.BackColor));
    EXPECT_EQ(TextColorOf(Panel3(w)), ToQColor(p.TextColor));
    EXPECT_EQ(TextColorOf(TopPanel(w)->SensorsLabel()), ToQColor(p.DimTextColor));
    EXPECT_EQ(TextColorOf(TopPanel(w)->TimeSeparatorLabel()), ToQColor(p.DimTextColor));
    EXPECT_EQ(TextColorOf(TopPanel(w)->CentreLabel()), ToQColor(p.BackColor));
    EXPECT_EQ(TextColorOf(TopPanel(w)->ComputerLabel()), ToQColor(p.TextColor));
    EXPECT_EQ(TextColorOf(TopPanel(w)->TimeLabel()), ToQColor(p.TextColor));
}

TEST(MainFormThemes, CaptionBeforeAndAfterTheDashboardIsRead)
{
    MainFormFixture f(Example("desktop.json"));
    TMainForm& w = f.window;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Gaugeloft - [Auto]"));
    EXPECT_TRUE(Launcher(w)->SpeedButton(7)->isChecked());
    EXPECT_EQ(w.Theme().CurrentTheme, thLight);
    w.Poll().Now = [] { return QDateTime(QDate(2026, 12, 10), QTime(22, 15, 40)); };
    w.Timer1Timer();  // the dashboard is read: switching on, a check pending
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Gaugeloft - [Time Sync Theme]"));
    w.Timer1Timer();  // the check runs first in the next tick
    EXPECT_EQ(w.Theme().CurrentTheme, thDark);
    EXPECT_EQ(w.Theme().FallbackTheme, thLight);
    ExpectWindowColours(w, PresetPalette(thDark));

    // turning switching off by its button falls back to Light
    Launcher(w)->SpeedButton(7)->click();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Gaugeloft"));
    EXPECT_EQ(w.Theme().CurrentTheme, thLight);
}

TEST(MainFormThemes, EveryTileSurfaceFollowsThePalette)
{
    MainFormFixture f(Example("desktop.json"));
    TMainForm& w = f.window;
    w.Timer1Timer();
    w.FillDemoTiles(14);  // every display type twice
    w.Timer1Timer();
    bool pie = false;
    for (int i = 0; i < w.Tiles().Count(); ++i)
        pie = pie || w.Tiles().At(i).DisplayType == dtPie;
    ASSERT_TRUE(pie);

    for (const int clicks : {1, 2, 3}) {
        Launcher(w)->SpeedButton(6)->click();
        SCOPED_TRACE(clicks);
        const ThemePalette& p = PresetPalette(w.Theme().CurrentTheme);
        ExpectWindowColours(w, p);
        for (int i = 0; i < w.Tiles().Count(); ++i)
            ExpectTileColours(w.Tiles().At(i), p);
    }

    // a custom colour reaches the tiles too
    f.desktop.pickColor = [](const QColor&) { return QColor(0x33, 0x66, 0x99); };
    w.SpeedButton10Click();
    EXPECT_TRUE(w.Theme().CustomThemeActive);
    EXPECT_EQ(w.Palette().PenColor, RgbColor(0xFF, 0xFF, 0xA8));
    ExpectWindowColours(w, w.Palette());
    for (int i = 0; i < w.Tiles().Count(); ++i)
        ExpectTileColours(w.Tiles().At(i), w.Palette());
}

TEST(MainFormThemes, CancelledColourDialogKeepsThePreset)
{
    MainFormFixture f(Example("desktop.json"));
    TMainForm& w = f.window;
    QColor offered;
    f.desktop.pickColor = [&](const QColor& initial) -> std::optional<QColor> {
        offered = initial;
        return std::nullopt;
    };
    w.SpeedButton10Click();
    EXPECT_EQ(offered, ToQColor(PresetPalette(thLight).TileColor));
    EXPECT_FALSE(w.Theme().CustomThemeActive);
    EXPECT_FALSE(Launcher(w)->SpeedButton(7)->isChecked());  // the fallback was selected
}

} // namespace
} // namespace gaugeloft
