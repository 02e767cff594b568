#include "dashboard/themecontroller.h"

#include <algorithm>
#include <cmath>

namespace gaugeloft {

namespace {

int Red(TColor color) { return int(color & 0xFF); }
int Green(TColor color) { return int((color >> 8) & 0xFF); }
int Blue(TColor color) { return int((color >> 16) & 0xFF); }

int ScaleChannel(int channel, double factor)
{
    // An 8-bit channel times a double fits the 64-bit mantissa of x86-64's long double, so
    // the product is exact and rounds once (15 × 3.3 gives 49, where a double product gives 50).
    const long double product = static_cast<long double>(channel) * static_cast<long double>(factor);
    const long double rounded = std::nearbyint(product);
    return rounded > 255 ? 255 : rounded < 0 ? 0 : int(rounded);
}

} // namespace

TColor ScaleColor(TColor color, double factor)
{
    return RgbColor(ScaleChannel(Red(color), factor), ScaleChannel(Green(color), factor),
                    ScaleChannel(Blue(color), factor));
}

int AverageColor(TColor color)
{
    // a sum of three channels never lies half-way between two integers when divided by 3
    return int(std::lround((Red(color) + Green(color) + Blue(color)) / 3.0));
}

int MaximumColor(TColor color)
{
    return std::max({Red(color), Green(color), Blue(color)});
}

TColor RotateColor(TColor color)
{
    return RgbColor(Green(color), Blue(color), Red(color));
}

ThemePalette DeriveCustomPalette(const ThemePalette& current, TColor base, TColor pen)
{
    ThemePalette p = current;
    base &= 0xFFFFFF;
    pen &= 0xFFFFFF;
    p.TileColor = base;
    int g = AverageColor(base);
    if (g < 40)
        g *= 2;
    const TColor grey = RgbColor(g, g, g);
    p.TileBandColor = ScaleColor(base, 0.75);
    p.BackColor = ScaleColor(base, 0.5);
    p.ChromeColor = p.TileBandColor;
    p.TreeColor = p.BackColor;
    // a light base takes dark text and a darker pen, a dark base the opposite
    struct Factors {
        double text, dimText, pen, penBack;
    };
    const bool light = AverageColor(p.BackColor) >= 70 || MaximumColor(base) >= 200;
    const Factors f = light ? Factors {0.1, 0.25, 0.3, 2.2} : Factors {4, 3.5, 3.3, 0.5};
    p.TextColor = ScaleColor(grey, f.text);
    p.DimTextColor = ScaleColor(grey, f.dimText);
    if (pen == 0)
        pen = RotateColor(ScaleColor(base, f.pen));
    p.PenColor = pen;
    p.PenBackColor = ScaleColor(pen, f.penBack);
    p.RuleColor = base;
    p.RuleTopColor = ScaleColor(base, 1.25);
    p.ValueBackColor = p.BackColor;
    return p;
}

int ScheduledTheme(QTime time)
{
    const int t = time.hour() * 100 + time.minute();
    if (t < 600)
        return thDark;
    if (t < 900)
        return thGray;
    if (t < 1800)
        return thLight;
    if (t < 2000)
        return thGray;
    return thDark;
}

ThemeController::ThemeController(ThemeView& view)
    : m_view(view)
    , m_palette(PresetPalette(thDark))
{
}

void ThemeController::WindowCreated()
{
    ApplyPreset(thLight);
    FallbackTheme = CurrentTheme;
    m_view.ShowAutoSwitch(m_autoSwitch);
    m_view.SetCaption(kTitle + kBeforeLoadSuffix);
}

void ThemeController::ApplyPreset(int n)
{
    const auto theme = std::uint8_t(n);
    if (theme == CurrentTheme && n == theme)
        return;
    CurrentTheme = theme;
    m_palette = PresetPalette(theme);
    CustomThemeActive = false;
    m_view.PaintSurfaces();
}

void ThemeController::DeriveCustom(TColor base, TColor pen)
{
    m_palette = DeriveCustomPalette(m_palette, base, pen);
    m_view.PaintSurfaces();
    CustomThemeActive = true;
}

void ThemeController::SelectTheme(int n)
{
    if (m_autoSwitch) {
        FallbackTheme = std::uint8_t(n);
        TurnAutoSwitchOff();
    }
    ApplyPreset(n);
}

void ThemeController::TurnAutoSwitchOff()
{
    if (m_autoSwitch)
        SetAutoSwitch(false);
}

void ThemeController::SetAutoSwitch(bool on)
{
    m_autoSwitch = on;
    m_view.ShowAutoSwitch(on);
    ToggleAction(on);
}

void ThemeController::ToggleAction(bool on)
{
    m_autoSwitch = on;
    if (on) {
        m_view.SetCaption(kTitle + kAutoSuffix);
        ThemeCheckPending = true;
    } else {
        ApplyPreset(FallbackTheme);
        ThemeCheckPending = false;
        m_view.SetCaption(kTitle);
    }
}

void ThemeController::SwitchTheme()
{
    SelectTheme((CurrentTheme + 1) % 3);
}

TColor ThemeController::BeginCustomColor(bool penMode)
{
    const TColor initial = penMode ? m_palette.PenColor : m_palette.TileColor;
    SelectTheme(FallbackTheme);
    return initial;
}

void ThemeController::EndCustomColor(bool penMode, TColor chosen)
{
    if (penMode)
        DeriveCustom(m_palette.TileColor, chosen);
    else
        DeriveCustom(chosen, 0);
}

void ThemeController::ScheduleCheck(QTime now)
{
    if (!m_autoSwitch || !now.isValid())
        return;
    if (now.second() != 0 && !ThemeCheckPending)
        return;
    ThemeCheckPending = false;
    const int wanted = ScheduledTheme(now);
    if (wanted != CurrentTheme) {
        FallbackTheme = CurrentTheme;
        ApplyPreset(wanted);
    }
}

} // namespace gaugeloft
