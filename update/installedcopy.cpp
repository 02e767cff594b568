#include "update/installedcopy.h"

#include "platform/nativepath.h"
#include "platform/safefile.h"

#include <QDir>
#include <QFileInfo>

namespace gaugeloft::update {

namespace {

constexpr qint64 kMostMountTableBytes = 4 * 1024 * 1024;

// "\040" and the other octal escapes of the mount table.
QByteArray Unescape(const QByteArray& field)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3') {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out.append(static_cast<char>(code));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return out;
}

bool Under(const QByteArray& path, const QByteArray& mountPoint)
{
    return mountPoint == "/" || path == mountPoint || path.startsWith(mountPoint + '/');
}

bool ReadsOne(const QString& path)
{
    QByteArray data;
    return platform::ReadRegularFile(path, 64, &data) == platform::ReadStatus::Read && data.trimmed() == "1";
}

} // namespace

bool HasUninstaller(const QString& folder)
{
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (name.startsWith(QStringLiteral("unins"), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

bool OnRemovableDevice(const QString& folder, const SystemRoots& roots)
{
    QByteArray table;
    if (platform::ReadRegularFile(roots.MountInfo, kMostMountTableBytes, &table) != platform::ReadStatus::Read)
        return false;
    const QByteArray path = platform::NativePath(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
    QByteArray bestMount;
    QByteArray bestDevice;
    for (const QByteArray& line : table.split('\n')) {
        // id parent major:minor root mount-point options ...
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 5)
            continue;
        const QByteArray mountPoint = Unescape(fields[4]);
        // the longest mount point holding the folder; a later mount over the same point wins
        if (Under(path, mountPoint) && mountPoint.size() >= bestMount.size()) {
            bestMount = mountPoint;
            bestDevice = fields[2];
        }
    }
    if (bestMount.isEmpty())
        return false;
    if (bestMount.startsWith("/media/") || bestMount.startsWith("/run/media/"))
        return true;
    if (!bestDevice.contains(':'))
        return false;
    const QString device = roots.Sys + QStringLiteral("/dev/block/") + QString::fromLatin1(bestDevice);
    // a partition's own folder has no "removable"; its disk's has
    return ReadsOne(device + QStringLiteral("/removable")) || ReadsOne(device + QStringLiteral("/../removable"));
}

bool IsInstalledCopy(const QString& executableFolder, const SystemRoots& roots)
{
    return HasUninstaller(executableFolder) && !OnRemovableDevice(executableFolder, roots);
}

} // namespace gaugeloft::update
