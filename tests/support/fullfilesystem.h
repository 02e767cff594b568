#pragma once

// A folder on a small file system of the test's own that can be filled to the last byte.
// As root it is a 256 KiB tmpfs mounted in a private mount namespace (the test thread's own,
// so nothing outside sees it); otherwise a file-size limit of zero stands in for the full disk
// while filled. Files put in the folder before Fill() stay readable.

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace gaugeloft::testing {

class FullFileSystem {
public:
    FullFileSystem()
    {
        if (!m_base.isValid())
            return;
        m_folder = m_base.path() + QStringLiteral("/small");
        if (!QDir().mkpath(m_folder))
            return;
        m_mounted = ::geteuid() == 0 && PrivateMountNamespace()
            && ::mount("gaugeloft-test", QFile::encodeName(m_folder).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                       "size=256k,mode=0755") == 0;
        m_ready = true;
    }
    ~FullFileSystem()
    {
        Free();
        if (m_mounted)
            ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
    }
    FullFileSystem(const FullFileSystem&) = delete;
    FullFileSystem& operator=(const FullFileSystem&) = delete;

    bool Ready() const { return m_ready; }
    QString Folder() const { return m_folder; }
    QString FilePath(const QString& name) const { return m_folder + u'/' + name; }
    // The reason a write into the full file system fails with.
    QString ExpectedReason() const { return QString::fromLocal8Bit(std::strerror(m_mounted ? ENOSPC : EFBIG)); }
    const char* Kind() const { return m_mounted ? "a full tmpfs" : "a file-size limit"; }

    // No byte more fits (new files can still be created, as on a real full disk).
    void Fill()
    {
        if (m_filled)
            return;
        m_filled = true;
        if (m_mounted) {
            const QByteArray filler = QFile::encodeName(FilePath(QStringLiteral(".filler")));
            const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
            const QByteArray block(4096, 'f');
            while (fd >= 0 && ::write(fd, block.constData(), size_t(block.size())) > 0) {
            }
            // the last partial page
            while (fd >= 0 && ::write(fd, block.constData(), 1) > 0) {
            }
            if (fd >= 0)
                ::close(fd);
            return;
        }
        ::getrlimit(RLIMIT_FSIZE, &m_oldLimit);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit none = m_oldLimit;
        none.rlim_cur = 0;
        ::setrlimit(RLIMIT_FSIZE, &none);
    }

    void Free()
    {
        if (!m_filled)
            return;
        m_filled = false;
        if (m_mounted) {
            ::unlink(QFile::encodeName(FilePath(QStringLiteral(".filler"))).constData());
            return;
        }
        ::setrlimit(RLIMIT_FSIZE, &m_oldLimit);
        std::signal(SIGXFSZ, m_oldHandler);
    }

    // What the folder holds apart from the filler.
    QStringList Entries() const
    {
        QStringList names = QDir(m_folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
        names.removeAll(QStringLiteral(".filler"));
        return names;
    }

private:
    // Once per test process: mounts made after it are seen by this thread alone.
    static bool PrivateMountNamespace()
    {
        static const bool done = ::unshare(CLONE_NEWNS) == 0
            && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        return done;
    }

    QTemporaryDir m_base;
    QString m_folder;
    bool m_ready = false;
    bool m_mounted = false;
    bool m_filled = false;
    rlimit m_oldLimit {};
    void (*m_oldHandler)(int) = SIG_DFL;
};

} // namespace gaugeloft::testing
