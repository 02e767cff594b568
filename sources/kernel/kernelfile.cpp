#include "sources/kernel/kernelfile.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace gaugeloft::sources::kernel {

int DescriptorBudget()
{
    rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 4096;
    const auto half = static_cast<long long>(limit.rlim_cur / 2);
    return static_cast<int>(std::max<long long>(32, std::min<long long>(half, 1 << 20)));
}

KernelFile::KernelFile(const QString& path, bool keepOpen)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        m_error = errno;
        return;
    }
    if (keepOpen) {
        m_fd = fd;
    } else {
        ::close(fd);
        m_path = native;
    }
}

KernelFile::~KernelFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

KernelFile::KernelFile(KernelFile&& other) noexcept
    : m_fd(other.m_fd)
    , m_path(std::move(other.m_path))
    , m_error(other.m_error)
{
    other.m_fd = -1;
    other.m_path.clear();
}

KernelFile& KernelFile::operator=(KernelFile&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.m_fd;
        m_path = std::move(other.m_path);
        m_error = other.m_error;
        other.m_fd = -1;
        other.m_path.clear();
    }
    return *this;
}

int KernelFile::Acquire()
{
    if (m_fd >= 0)
        return m_fd;
    if (m_path.isEmpty()) {
        m_error = EBADF;
        return -1;
    }
    const int fd = ::open(m_path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        m_error = errno;
    return fd;
}

void KernelFile::Release(int fd)
{
    if (fd >= 0 && fd != m_fd)
        ::close(fd);
}

long KernelFile::ReadSmall(char* buf, std::size_t capacity)
{
    const int fd = Acquire();
    if (fd < 0)
        return -1;
    ssize_t n;
    do {
        n = ::pread(fd, buf, capacity, 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        m_error = errno;
    Release(fd);
    return static_cast<long>(n);
}

bool KernelFile::ReadWhole(std::vector<char>& buf)
{
    const int fd = Acquire();
    if (fd < 0) {
        buf.clear();
        return false;
    }
    if (buf.capacity() < 4096)
        buf.reserve(4096);
    buf.resize(buf.capacity());
    std::size_t used = 0;
    bool ok = true;
    for (;;) {
        if (used == buf.size())
            buf.resize(buf.size() * 2);
        const ssize_t n = ::pread(fd, buf.data() + used, buf.size() - used, static_cast<off_t>(used));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            m_error = errno;
            ok = false;
            break;
        }
        if (n == 0)
            break;
        used += static_cast<std::size_t>(n);
        if (used > (64u << 20)) // nothing we read is this large; stop on runaway files
            break;
    }
    Release(fd);
    buf.resize(ok ? used : 0);
    return ok;
}

QByteArray ReadText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return {};
    return file.read(1 << 20);
}

QString ReadTrimmed(const QString& path)
{
    return QString::fromUtf8(ReadText(path)).trimmed();
}

namespace {
bool IsDots(const char* name)
{
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}
} // namespace

std::vector<QByteArray> ListFolder(const QByteArray& path)
{
    std::vector<QByteArray> names;
    DIR* dir = ::opendir(path.constData());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsDots(entry->d_name))
            names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    return names;
}

bool FolderUnchanged(const QByteArray& path, const std::vector<QByteArray>& known)
{
    DIR* dir = ::opendir(path.constData());
    if (!dir)
        return known.empty();
    std::size_t index = 0;
    bool same = true;
    while (const dirent* entry = ::readdir(dir)) {
        if (IsDots(entry->d_name))
            continue;
        if (index >= known.size() || std::strcmp(known[index].constData(), entry->d_name) != 0) {
            same = false;
            break;
        }
        ++index;
    }
    ::closedir(dir);
    return same && index == known.size();
}

} // namespace gaugeloft::sources::kernel
