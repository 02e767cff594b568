#include "update/tempname.h"

#include "platform/nativepath.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace gaugeloft::update {

QString TempFolder()
{
    return QDir::tempPath();
}

QString TempBase(const QString& folder, const QString& tempFile)
{
    const QString prefix = (tempFile.isEmpty() ? QStringLiteral("_webupd$") : tempFile).left(5);
    QString base = folder;
    if (!base.endsWith(u'/'))
        base += u'/';
    return base + prefix + QStringLiteral(".exe");
}

QString ChangeExtension(const QString& path, const QString& extension)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    return (dot > slash ? path.left(dot) : path) + extension;
}

QString RemoteExtension(const QString& fileName)
{
    const qsizetype slash = fileName.lastIndexOf(u'/');
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot > slash ? fileName.mid(dot) : QString();
}

QString MakeTempName(const QString& base, const QString& extension, int start, QFile& file, QString* error)
{
    const QString folder = platform::FolderOf(base);
    const QString stem = ChangeExtension(base, QString());
    int reason = 0;
    for (int n = std::max(start, 1); n < 1000; ++n) {
        const QString name = stem + QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0')) + extension;
        const QByteArray native = platform::NativePath(name);
        // a name taken meanwhile, or a link planted under it, counts as taken
        const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST || errno == ELOOP)
                continue;
            reason = errno;
            break;
        }
        if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            ::unlink(native.constData());
            reason = EIO;
            break;
        }
        return name;
    }
    if (error) {
        *error = QStringLiteral("Could not create a temporary file in %1").arg(QDir::toNativeSeparators(folder));
        if (reason != 0)
            *error += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(reason)));
    }
    return QString();
}

} // namespace gaugeloft::update
