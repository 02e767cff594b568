#include "update/namedmutex.h"

#include "platform/nativepath.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace gaugeloft::update {

namespace {

constexpr int kPollMs = 50;

struct HeldMutex {
    int fd = -1;
    QString name;
    ~HeldMutex() { Release(); }
    void Release()
    {
        if (fd < 0)
            return;
        ::flock(fd, LOCK_UN);
        ::close(fd);
        fd = -1;
        name.clear();
    }
};

HeldMutex g_held;

QString FileNamePart(const QString& name)
{
    QString part = name;
    for (QChar& c : part) {
        if (c == u'/' || c.unicode() < 32)
            c = u'_';
    }
    if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
        part.prepend(u'_');
    return part;
}

// A descriptor of the lock file: created for this user alone, never through a link, and
// only a regular file this user owns.
int OpenLockFile(const QString& path)
{
    const QByteArray native = platform::NativePath(path);
    int fd = -1;
    do {
        fd = ::open(native.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

QString NamedMutexPath(const QString& name, const QString& suffix)
{
    const QString runtime = platform::PathFromNative(qgetenv("XDG_RUNTIME_DIR"));
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir())
        return QDir(runtime).filePath(FileNamePart(name) + suffix);
    return QDir(QDir::tempPath())
        .filePath(FileNamePart(name) + QLatin1Char('-') + QString::number(::geteuid()) + suffix);
}

bool WaitForNamedMutex(const QString& name, int timeoutMs)
{
    if (g_held.fd >= 0 && g_held.name == name)
        return true;
    const int fd = OpenLockFile(NamedMutexPath(name));
    if (fd < 0)
        return false;
    QDeadlineTimer deadline = timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeoutMs);
    while (true) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            break;
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK || deadline.hasExpired()) {
            ::close(fd);
            return false;
        }
        const qint64 left = deadline.isForever() ? kPollMs : deadline.remainingTime();
        std::this_thread::sleep_for(std::chrono::milliseconds(std::clamp<qint64>(left, 1, kPollMs)));
    }
    g_held.Release();  // a mutex of another name held before is given up for this one
    g_held.fd = fd;
    g_held.name = name;
    return true;
}

void ReleaseNamedMutex()
{
    g_held.Release();
}

} // namespace gaugeloft::update
