#include "platform/safefile.h"

#include "platform/nativepath.h"

#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gaugeloft::platform {

namespace {

bool Fail(QString* reason, const QString& text)
{
    if (reason)
        *reason = text;
    return false;
}

QString NotRegular(mode_t mode)
{
    return S_ISDIR(mode) ? SystemReason(EISDIR) : QStringLiteral("Not a regular file");
}

// Where the data goes: the path itself, or the regular file a symbolic link leads to.
struct Target {
    QByteArray path;
    bool exists = false;
    struct stat st {};
};

bool ResolveTarget(const QByteArray& path, Target* target, QString* reason)
{
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0) {
        if (errno != ENOENT)
            return Fail(reason, SystemReason(errno));
        target->path = path;
        return true;
    }
    if (S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (!::realpath(path.constData(), resolved)) {
            if (errno == ENOENT)
                return Fail(reason, QStringLiteral("Symbolic link to a missing file"));
            return Fail(reason, SystemReason(errno));
        }
        if (::stat(resolved, &st) != 0)
            return Fail(reason, SystemReason(errno));
        target->path = resolved;
    } else {
        target->path = path;
    }
    if (!S_ISREG(st.st_mode))
        return Fail(reason, NotRegular(st.st_mode));
    target->exists = true;
    target->st = st;
    return true;
}

// A new file beside `target`, created exclusively; -1 with errno on failure.
int CreateTemporary(const QByteArray& target, mode_t mode, QByteArray* name)
{
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray() : target.left(slash + 1);
    const QByteArray base = slash < 0 ? target : target.mid(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = folder + '.' + base + ".new-"
            + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        const int fd = ::open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

bool WriteAll(int fd, const QByteArray& data)
{
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

void SyncFolderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArrayLiteral(".") : slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);  // best effort: the rename is done either way
        ::close(fd);
    }
}

} // namespace

QString SystemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool WriteFileSafely(const QString& path, const QByteArray& data, QString* reason, NewFileAccess access)
{
    if (path.isEmpty())
        return Fail(reason, QStringLiteral("No file name given"));
    Target target;
    if (!ResolveTarget(NativePath(path), &target, reason))
        return false;

    const bool isPrivate = access == NewFileAccess::Private;
    QByteArray temporary;
    const int fd = CreateTemporary(target.path, isPrivate ? 0600 : 0666, &temporary);
    if (fd < 0)
        return Fail(reason, SystemReason(errno));

    int error = 0;
    if (target.exists) {
        // The replacement keeps the old file's mode and, where allowed, its owner.
        const mode_t mode = target.st.st_mode & (isPrivate ? 07700 : 07777);
        if (::fchmod(fd, mode) != 0)
            error = errno;
        if (error == 0 && (target.st.st_uid != ::geteuid() || target.st.st_gid != ::getegid()))
            (void)::fchown(fd, target.st.st_uid, target.st.st_gid);
    }
    if (error == 0 && !WriteAll(fd, data))
        error = errno;
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.constData(), target.path.constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.constData());
        return Fail(reason, SystemReason(error));
    }
    SyncFolderOf(target.path);
    return true;
}

ReadStatus ReadRegularFile(const QString& path, qint64 maxBytes, QByteArray* data, QString* reason)
{
    data->clear();
    if (path.isEmpty())
        return ReadStatus::Missing;
    const int fd = ::open(NativePath(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return ReadStatus::Missing;
        Fail(reason, SystemReason(error));
        return ReadStatus::Failed;
    }
    struct stat st {};
    QString why;
    if (::fstat(fd, &st) != 0)
        why = SystemReason(errno);
    else if (!S_ISREG(st.st_mode))
        why = NotRegular(st.st_mode);
    else if (st.st_size > maxBytes)
        why = QStringLiteral("File too large (over %1 bytes)").arg(maxBytes);
    if (why.isEmpty()) {
        QByteArray content;
        content.reserve(qsizetype(st.st_size));
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                why = SystemReason(errno);
                break;
            }
            if (n == 0)
                break;
            if (content.size() + n > maxBytes) {  // it grew while we read
                why = QStringLiteral("File too large (over %1 bytes)").arg(maxBytes);
                break;
            }
            content.append(buffer, n);
        }
        if (why.isEmpty())
            *data = std::move(content);
    }
    ::close(fd);
    if (why.isEmpty())
        return ReadStatus::Read;
    Fail(reason, why);
    return ReadStatus::Failed;
}

bool MakeFolders(const QString& folder, unsigned mode, QString* reason)
{
    const QByteArray native = NativePath(folder);
    struct stat st {};
    if (::stat(native.constData(), &st) == 0)
        return S_ISDIR(st.st_mode) ? true : Fail(reason, SystemReason(ENOTDIR));
    const qsizetype slash = native.lastIndexOf('/');
    if (slash > 0 && !MakeFolders(PathFromNative(native.left(slash)), mode, reason))
        return false;
    if (::mkdir(native.constData(), mode) != 0 && errno != EEXIST)
        return Fail(reason, SystemReason(errno));
    return true;
}

bool IsRegularFile(const QString& path)
{
    struct stat st {};
    return ::stat(NativePath(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool PathExists(const QString& path)
{
    struct stat st {};
    return ::stat(NativePath(path).constData(), &st) == 0;
}

} // namespace gaugeloft::platform
