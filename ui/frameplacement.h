#pragma once

// Placing a dialog by its frame (title bar and border included), as the layout asks. A window
// manager frames a window only when it maps it, so before that the frame is not known: the
// window is placed at once and placed again when its frame is known, then left to the user.

#include <QPoint>

#include <functional>

class QWidget;

namespace gaugeloft {

// `frameTopLeft` is asked again once the frame is known (the dialog's frame width may enter it).
void PlaceFrame(QWidget* window, std::function<QPoint()> frameTopLeft);

} // namespace gaugeloft
