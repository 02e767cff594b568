#include "dashboard/themepalette.h"

#include <gtest/gtest.h>

namespace gaugeloft {
namespace {

TEST(ThemePalette, PresetsMatchTheStoredColourNumbers)
{
    struct Case {
        int theme;
        TColor tile;
        TColor pen;
    };
    const Case cases[] = {
        {thDark, 4210752, 50688},
        {thGray, 15790320, 34304},
        {thLight, 12632256, 42496},
        {7, 4210752, 50688},  // unknown numbers take the Dark colours
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PresetPalette(c.theme).TileColor, c.tile) << c.theme;
        EXPECT_EQ(PresetPalette(c.theme).PenColor, c.pen) << c.theme;
    }
    EXPECT_EQ(kEmptyTileGreen, 32768u);
    EXPECT_EQ(ToQColor(PresetPalette(thLight).PenBackColor), QColor(0xB0, 0xD0, 0xB0));
}

} // namespace
} // namespace gaugeloft
