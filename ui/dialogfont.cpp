#include "ui/dialogfont.h"

#include <QFontDatabase>

namespace gaugeloft {

QFont LayoutFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSize(kLayoutFontPoints);
    return font;
}

} // namespace gaugeloft
