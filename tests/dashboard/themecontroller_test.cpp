#include "dashboard/themecontroller.h"

#include <gtest/gtest.h>

#include <vector>

namespace gaugeloft {
namespace {

constexpr TColor Hex(std::uint32_t rgb)
{
    return RgbColor(int(rgb >> 16) & 0xFF, int(rgb >> 8) & 0xFF, int(rgb) & 0xFF);
}

class RecordingView : public ThemeView {
public:
    void PaintSurfaces() override { ++paints; }
    void ShowAutoSwitch(bool on) override { buttonDown = on; }
    void SetCaption(const QString& text) override { caption = text; }

    int paints = 0;
    bool buttonDown = false;
    QString caption;
};

TEST(ThemeArithmetic, ScaleRoundsTheExactProductTiesToEven)
{
    struct Case {
        int channel;
        double factor;
        int expected;
    };
    const Case cases[] = {
        {15, 3.3, 49},   // 49.4999… exactly; a double product would round to 50
        {5, 0.1, 1},     // 0.50000000000000003 exactly
        {25, 0.5, 12},   // tie goes to the even neighbour
        {51, 0.5, 26},
        {153, 3.3, 255},  // clamped
        {255, 1.25, 255},
        {0, 4, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScaleColor(RgbColor(c.channel, 0, 0), c.factor), RgbColor(c.expected, 0, 0))
            << c.channel << " x " << c.factor;
        EXPECT_EQ(ScaleColor(RgbColor(0, 0, c.channel), c.factor), RgbColor(0, 0, c.expected));
    }
}

TEST(ThemeArithmetic, AverageMaximumRotate)
{
    EXPECT_EQ(AverageColor(Hex(0x336699)), 102);
    EXPECT_EQ(AverageColor(RgbColor(1, 1, 0)), 1);  // 0.67 rounds up
    EXPECT_EQ(AverageColor(RgbColor(1, 0, 0)), 0);
    EXPECT_EQ(MaximumColor(Hex(0x336699)), 0x99);
    EXPECT_EQ(RotateColor(RgbColor(1, 2, 3)), RgbColor(2, 3, 1));
}

TEST(ThemeArithmetic, DerivedPalettesOfTheWorkedExamples)
{
    const ThemePalette& light = PresetPalette(thLight);
    const ThemePalette blue = DeriveCustomPalette(light, Hex(0x336699), 0);
    EXPECT_EQ(Hex(0x336699), 10053171u);
    EXPECT_EQ(blue.TileColor, Hex(0x336699));
    EXPECT_EQ(blue.TileBandColor, Hex(0x264C73));
    EXPECT_EQ(blue.ChromeColor, Hex(0x264C73));
    EXPECT_EQ(blue.BackColor, Hex(0x1A334C));
    EXPECT_EQ(blue.TreeColor, Hex(0x1A334C));
    EXPECT_EQ(blue.ValueBackColor, Hex(0x1A334C));
    EXPECT_EQ(blue.TextColor, Hex(0xFFFFFF));
    EXPECT_EQ(blue.DimTextColor, Hex(0xFFFFFF));
    EXPECT_EQ(blue.PenColor, Hex(0xFFFFA8));
    EXPECT_EQ(blue.PenColor, 11075583u);
    EXPECT_EQ(blue.PenBackColor, Hex(0x808054));
    EXPECT_EQ(blue.RuleColor, Hex(0x336699));
    EXPECT_EQ(blue.RuleTopColor, Hex(0x4080BF));
    EXPECT_EQ(blue.HighlightColor, light.HighlightColor);
    EXPECT_EQ(blue.DropColor, light.DropColor);

    const ThemePalette dark = DeriveCustomPalette(light, Hex(0x0F0F0F), 0);
    EXPECT_EQ(dark.TextColor, Hex(0x787878));  // grey level 15 doubled to 30
    EXPECT_EQ(dark.DimTextColor, Hex(0x696969));
    EXPECT_EQ(dark.PenColor, Hex(0x313131));
    EXPECT_EQ(dark.PenBackColor, Hex(0x181818));

    const ThemePalette white = DeriveCustomPalette(light, Hex(0xFFFFFF), 0);
    EXPECT_EQ(white.TileBandColor, Hex(0xBFBFBF));
    EXPECT_EQ(white.BackColor, Hex(0x808080));
    EXPECT_EQ(white.TextColor, Hex(0x1A1A1A));
    EXPECT_EQ(white.DimTextColor, Hex(0x404040));
    EXPECT_EQ(white.RuleTopColor, Hex(0xFFFFFF));
    EXPECT_EQ(white.PenColor, RotateColor(ScaleColor(Hex(0xFFFFFF), 0.3)));
    EXPECT_EQ(white.PenBackColor, ScaleColor(white.PenColor, 2.2));

    // a given pen colour is taken as it is
    const ThemePalette pen = DeriveCustomPalette(light, Hex(0x336699), Hex(0x00FF00));
    EXPECT_EQ(pen.PenColor, Hex(0x00FF00));
    EXPECT_EQ(pen.PenBackColor, Hex(0x008000));
}

TEST(ThemeArithmetic, ScheduleBoundaries)
{
    struct Case {
        int hour, minute, theme;
    };
    const Case cases[] = {
        {0, 0, thDark},   {5, 59, thDark},   {6, 0, thGray},  {8, 59, thGray},
        {9, 0, thLight},  {17, 59, thLight}, {18, 0, thGray}, {19, 59, thGray},
        {20, 0, thDark},  {23, 59, thDark},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScheduledTheme(QTime(c.hour, c.minute, 30)), c.theme) << c.hour << ":" << c.minute;
}

class ThemeControllerTest : public ::testing::Test {
protected:
    void SetUp() override { theme.WindowCreated(); }

    RecordingView view;
    ThemeController theme {view};
};

TEST_F(ThemeControllerTest, CreatedWindowIsLightWithSwitchingOnBeforeTheDashboardIsRead)
{
    EXPECT_EQ(theme.CurrentTheme, thLight);
    EXPECT_EQ(theme.FallbackTheme, thLight);
    EXPECT_EQ(theme.Palette().TileColor, PresetPalette(thLight).TileColor);
    EXPECT_TRUE(theme.AutoSwitch());
    EXPECT_TRUE(view.buttonDown);
    EXPECT_EQ(view.caption, QStringLiteral("Gaugeloft - [Auto]"));
    EXPECT_EQ(view.paints, 1);
}

TEST_F(ThemeControllerTest, ApplyingTheCurrentThemeKeepsACustomPalette)
{
    theme.DeriveCustom(Hex(0x336699), 0);
    const int paints = view.paints;
    theme.ApplyPreset(thLight);
    EXPECT_TRUE(theme.CustomThemeActive);
    EXPECT_EQ(theme.Palette().TileColor, Hex(0x336699));
    EXPECT_EQ(view.paints, paints);
    EXPECT_EQ(theme.CurrentTheme, thLight);  // a custom palette leaves the number alone
}

TEST_F(ThemeControllerTest, SwitchThemeTurnsSwitchingOffAndCycles)
{
    theme.SwitchTheme();
    EXPECT_FALSE(theme.AutoSwitch());
    EXPECT_FALSE(view.buttonDown);
    EXPECT_EQ(view.caption, QStringLiteral("Gaugeloft"));
    EXPECT_EQ(theme.CurrentTheme, thDark);  // Light → Dark
    EXPECT_EQ(theme.FallbackTheme, thDark);
    theme.SwitchTheme();
    EXPECT_EQ(theme.CurrentTheme, thGray);
    EXPECT_EQ(theme.FallbackTheme, thDark);  // only changed while switching was on
    theme.SwitchTheme();
    EXPECT_EQ(theme.CurrentTheme, thLight);
}

TEST_F(ThemeControllerTest, UnknownThemeNumberShowsDarkAndSwitchesToLight)
{
    theme.SetAutoSwitch(false);
    theme.ApplyPreset(7);
    EXPECT_EQ(theme.CurrentTheme, 7);
    EXPECT_EQ(theme.Palette().TileColor, PresetPalette(thDark).TileColor);
    theme.SwitchTheme();
    EXPECT_EQ(theme.CurrentTheme, thLight);
}

TEST_F(ThemeControllerTest, ScheduleFollowsTheClockAndFallsBackWhenTurnedOff)
{
    theme.SetAutoSwitch(true);
    theme.ScheduleCheck(QTime(5, 59, 0));
    EXPECT_EQ(theme.CurrentTheme, thDark);
    EXPECT_FALSE(theme.ThemeCheckPending);
    theme.ScheduleCheck(QTime(6, 0, 0));
    EXPECT_EQ(theme.CurrentTheme, thGray);
    EXPECT_EQ(theme.FallbackTheme, thDark);
    theme.SetAutoSwitch(false);
    EXPECT_EQ(theme.CurrentTheme, thDark);
    EXPECT_EQ(view.caption, QStringLiteral("Gaugeloft"));
}

TEST_F(ThemeControllerTest, ScheduleWaitsForSecondZeroUnlessACheckIsPending)
{
    theme.SetAutoSwitch(false);
    theme.ApplyPreset(thDark);
    theme.ScheduleCheck(QTime(12, 30, 0));
    EXPECT_EQ(theme.CurrentTheme, thDark);  // switching is off

    theme.SetAutoSwitch(true);  // at 12:30:27
    EXPECT_EQ(view.caption, QStringLiteral("Gaugeloft - [Time Sync Theme]"));
    EXPECT_TRUE(theme.ThemeCheckPending);
    theme.ScheduleCheck(QTime(12, 30, 28));
    EXPECT_EQ(theme.CurrentTheme, thLight);
    EXPECT_FALSE(theme.ThemeCheckPending);

    theme.ApplyPreset(thGray);  // something else changed it; only second 0 looks again
    theme.ScheduleCheck(QTime(12, 30, 29));
    EXPECT_EQ(theme.CurrentTheme, thGray);
    theme.ScheduleCheck(QTime(12, 31, 0));
    EXPECT_EQ(theme.CurrentTheme, thLight);
}

TEST_F(ThemeControllerTest, CustomColourButtonInBothModes)
{
    theme.SetAutoSwitch(false);
    theme.ApplyPreset(thGray);  // fallback stays Light
    EXPECT_EQ(theme.BeginCustomColor(false), PresetPalette(thGray).TileColor);
    EXPECT_EQ(theme.CurrentTheme, thLight);  // the fallback was selected
    theme.EndCustomColor(false, Hex(0x336699));
    EXPECT_TRUE(theme.CustomThemeActive);
    EXPECT_EQ(theme.Palette().PenColor, Hex(0xFFFFA8));

    // pen mode starts from the pen colour and keeps the custom tile colour
    EXPECT_EQ(theme.BeginCustomColor(true), Hex(0xFFFFA8));
    theme.EndCustomColor(true, Hex(0x00FF00));
    EXPECT_EQ(theme.Palette().TileColor, Hex(0x336699));
    EXPECT_EQ(theme.Palette().PenColor, Hex(0x00FF00));

    // black in pen mode derives the pen as if none were given
    theme.BeginCustomColor(true);
    theme.EndCustomColor(true, 0);
    EXPECT_EQ(theme.Palette().PenColor, Hex(0xFFFFA8));

    // the switch-theme button ends the custom palette
    theme.SwitchTheme();
    EXPECT_FALSE(theme.CustomThemeActive);
    EXPECT_EQ(theme.Palette().TileColor, PresetPalette(thDark).TileColor);
}

TEST_F(ThemeControllerTest, CustomColourWhileSwitchingIsOnTurnsItOff)
{
    ASSERT_TRUE(theme.AutoSwitch());
    theme.BeginCustomColor(false);
    EXPECT_FALSE(theme.AutoSwitch());
    EXPECT_EQ(view.caption, QStringLiteral("Gaugeloft"));
}

} // namespace
} // namespace gaugeloft
