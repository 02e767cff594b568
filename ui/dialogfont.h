#pragma once

// The fixed-size windows (the dialogs, the tree and the side panel) are laid out in pixels for
// an 8-point sans font: they take the desktop's sans family at 8 points, whatever size the
// desktop uses, so their sizes hold. Tiles and the title strip keep their own font sizes.

#include <QFont>

namespace gaugeloft {

inline constexpr int kLayoutFontPoints = 8;

QFont LayoutFont();

} // namespace gaugeloft
