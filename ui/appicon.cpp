#include "ui/appicon.h"

#include <QSize>
#include <QString>

// Q_INIT_RESOURCE may not be used inside a namespace.
static void InitIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace gaugeloft {

namespace {

constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

} // namespace

QIcon GaugeloftIcon()
{
    // ui is a static library: register its resources before the first look-up
    static const bool registered = (InitIconResources(), true);
    Q_UNUSED(registered);

    QIcon icon;
    for (const int size : kIconSizes)
        icon.addFile(QStringLiteral(":/icons/gaugeloft-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace gaugeloft
