#include "platform/xdgpaths.h"

#include <QDir>
#include <QFile>

#include <pwd.h>
#include <unistd.h>

namespace gaugeloft::platform {

QString ConfigHome()
{
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return QDir::cleanPath(xdg);
    QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty()) {
        if (const passwd* pw = ::getpwuid(::getuid()))
            home = QFile::decodeName(pw->pw_dir);
    }
    return QDir::cleanPath(home + QStringLiteral("/.config"));
}

} // namespace gaugeloft::platform
