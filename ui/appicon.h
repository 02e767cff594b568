#pragma once

// The program's icon: a round gauge, from the PNGs compiled in as resources.

#include <QIcon>

namespace gaugeloft {

QIcon GaugeloftIcon();

} // namespace gaugeloft
