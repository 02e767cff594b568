#pragma once

// The fourteen colours every surface and tile takes, and the three preset themes.
// Colours are 0x00BBGGRR values (red in the low byte), the form files store them in.

#include <QColor>

#include <cstdint>

namespace gaugeloft {

using TColor = std::uint32_t;

constexpr TColor RgbColor(int red, int green, int blue)
{
    return TColor(red) | (TColor(green) << 8) | (TColor(blue) << 16);
}
inline QColor ToQColor(TColor color)
{
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

// Marks a tile without a live reading (stored as 32768).
inline constexpr TColor kEmptyTileGreen = RgbColor(0x00, 0x80, 0x00);

struct ThemePalette {
    TColor TileColor;
    TColor TileBandColor;
    TColor BackColor;
    TColor ChromeColor;
    TColor TreeColor;
    TColor TextColor;
    TColor DimTextColor;
    TColor RuleColor;
    TColor RuleTopColor;
    TColor ValueBackColor;
    TColor PenColor;
    TColor HighlightColor;
    TColor DropColor;
    TColor PenBackColor;
};

enum ThemeNumber { thDark = 0, thGray = 1, thLight = 2 };

// The preset of a theme number; numbers other than 1 and 2 give Dark.
const ThemePalette& PresetPalette(int theme);

} // namespace gaugeloft
