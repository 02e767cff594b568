#include "platform/xdgpaths.h"

#include "platform/nativepath.h"

#include <QDir>

#include <pwd.h>
#include <unistd.h>

namespace gaugeloft::platform {

QString ConfigHome()
{
    const QString xdg = PathFromNative(qgetenv("XDG_CONFIG_HOME"));
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return QDir::cleanPath(xdg);
    QString home = PathFromNative(qgetenv("HOME"));
    if (home.isEmpty()) {
        if (const passwd* pw = ::getpwuid(::getuid()))
            home = PathFromNative(QByteArray(pw->pw_dir));
    }
    return QDir::cleanPath(home + QStringLiteral("/.config"));
}

} // namespace gaugeloft::platform
