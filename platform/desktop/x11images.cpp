#include "platform/desktop/x11images.h"

#include <QByteArray>
#include <QtGlobal>

namespace gaugeloft::platform {

namespace {
constexpr char kQtNoShm[] = "QT_XCB_NO_MITSHM";
} // namespace

X11SocketImages::X11SocketImages()
{
    if (qEnvironmentVariableIsSet(kQtNoShm) || qgetenv("GAUGELOFT_X11_SHM") == "1")
        return;
    m_requested = qputenv(kQtNoShm, "1");
}

void X11SocketImages::Release()
{
    if (m_requested)
        qunsetenv(kQtNoShm);
    m_requested = false;
}

} // namespace gaugeloft::platform
