#pragma once

// The window's theme: one of the three presets or a palette derived from a custom colour,
// optionally following the time of day. Widgets are reached through ThemeView.

#include "dashboard/themepalette.h"

#include <QString>
#include <QTime>

#include <cstdint>

namespace gaugeloft {

// Channel arithmetic of the custom palette.
// Each channel times f, rounded to the nearest integer (ties to even) from the exact product,
// clamped to 255.
TColor ScaleColor(TColor color, double factor);
int AverageColor(TColor color);  // (red + green + blue) / 3, rounded
int MaximumColor(TColor color);  // the largest channel
TColor RotateColor(TColor color);  // red takes green, green takes blue, blue takes red

// The fourteen colours derived from a base colour and a pen colour (0: derived from the base);
// the highlight and drop colours are kept from `current`.
ThemePalette DeriveCustomPalette(const ThemePalette& current, TColor base, TColor pen);

// The preset the time of day asks for: Dark at night, Gray at dawn and dusk, Light by day.
int ScheduledTheme(QTime time);

// The window as the theme logic sees it.
class ThemeView {
public:
    virtual ~ThemeView() = default;
    // Every surface of the window and every tile from the current palette.
    virtual void PaintSurfaces() = 0;
    // The automatic switching button's down state and the window title follow the state.
    virtual void ShowAutoSwitch(bool on) = 0;
    virtual void SetCaption(const QString& text) = 0;
};

class ThemeController {
public:
    static inline const QString kTitle = QStringLiteral("Gaugeloft");
    static inline const QString kAutoSuffix = QStringLiteral(" - [Time Sync Theme]");
    static inline const QString kBeforeLoadSuffix = QStringLiteral(" - [Auto]");

    explicit ThemeController(ThemeView& view);

    const ThemePalette& Palette() const { return m_palette; }

    std::uint8_t CurrentTheme = 0;
    std::uint8_t FallbackTheme = 0;
    bool CustomThemeActive = false;
    bool ThemeCheckPending = false;
    bool AutoSwitch() const { return m_autoSwitch; }
    // The window's title as the switching toggle last set it.
    QString NormalCaption() const { return m_autoSwitch ? kTitle + kAutoSuffix : kTitle; }

    // The window was created: Light on a fresh state, the fallback follows.
    void WindowCreated();

    // Nothing when n is current; else the preset's colours (Dark for unknown numbers).
    void ApplyPreset(int n);
    // The custom palette from a base and pen colour (0: pen derived), then painted.
    void DeriveCustom(TColor base, TColor pen);
    // Automatic switching goes off (keeping n as the fallback), then the preset.
    void SelectTheme(int n);
    void TurnAutoSwitchOff();
    // Sets the toggle and runs its action (title, pending check or the fallback preset).
    void SetAutoSwitch(bool on);
    // The action of a click on the toggle whose state is already `on`.
    void ToggleAction(bool on);
    // The switch-theme button: Dark → Gray → Light → Dark.
    void SwitchTheme();

    // The custom-colour button around its colour dialog: Begin returns the dialog's initial
    // colour (the pen colour in pen mode, else the tile colour) and re-selects the fallback;
    // End derives the palette from the chosen colour.
    TColor BeginCustomColor(bool penMode);
    void EndCustomColor(bool penMode, TColor chosen);

    // The time-of-day check at the start of each poll tick.
    void ScheduleCheck(QTime now);

private:
    ThemeView& m_view;
    ThemePalette m_palette;
    bool m_autoSwitch = true;
};

} // namespace gaugeloft
