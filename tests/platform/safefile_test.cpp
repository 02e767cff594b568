#include "platform/nativepath.h"
#include "platform/safefile.h"
#include "support/fullfilesystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

using gaugeloft::platform::FolderOf;
using gaugeloft::platform::NativePath;
using gaugeloft::platform::NewFileAccess;
using gaugeloft::platform::PathFromNative;
using gaugeloft::platform::PathIsUtf8;
using gaugeloft::platform::ReadRegularFile;
using gaugeloft::platform::ReadStatus;
using gaugeloft::platform::WriteFileSafely;
using gaugeloft::testing::FullFileSystem;

namespace {

std::string Str(const QString& s) { return s.toStdString(); }
std::string Str(const QByteArray& b) { return b.toStdString(); }

QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
}

bool ReadWholeFile(const QString& path, QByteArray* data)
{
    return ReadRegularFile(path, 1 << 24, data) == ReadStatus::Read;
}

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

mode_t ModeOf(const QString& path)
{
    struct stat st {};
    return ::lstat(Native(path).constData(), &st) == 0 ? st.st_mode : 0;
}

bool MakeSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray name = Native(path);
    if (fd < 0 || size_t(name.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

} // namespace

TEST(SafeFile, WritesFilesAtomically)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("gauges.ini"));
    QString error;
    QByteArray data;
    EXPECT_FALSE(ReadWholeFile(path, &data));

    ASSERT_TRUE(WriteFileSafely(path, "[A]\nx=1\n", &error)) << Str(error);
    ASSERT_TRUE(WriteFileSafely(path, "[B]\n", &error)) << Str(error);
    ASSERT_TRUE(ReadWholeFile(path, &data));
    EXPECT_EQ(Str(data), "[B]\n");
    ASSERT_TRUE(WriteFileSafely(path, {}, &error)) << Str(error);
    ASSERT_TRUE(ReadWholeFile(path, &data));
    EXPECT_TRUE(data.isEmpty());
    ASSERT_TRUE(WriteFileSafely(path, "[A]\nx=1\n", &error)) << Str(error);

    QFile plain(dir.filePath(QStringLiteral("file.txt")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("folder/sub")));
    const QStringList before = Entries(dir.path());

    struct Case {
        const char* name;
        QString path;
    };
    const Case cases[] = {
        { "folder that does not exist", dir.filePath(QStringLiteral("missing/gauges.ini")) },
        { "path under a regular file", dir.filePath(QStringLiteral("file.txt/gauges.ini")) },
        { "target is a folder", dir.filePath(QStringLiteral("folder")) },
        { "no path", QString() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        error.clear();
        EXPECT_FALSE(WriteFileSafely(c.path, "[A]\nx=2\n", &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(WriteFileSafely(c.path, "[A]\nx=2\n", nullptr));
        EXPECT_EQ(Entries(dir.path()), before); // nothing created, nothing left behind
        EXPECT_FALSE(ReadWholeFile(c.path, &data));
        EXPECT_TRUE(data.isEmpty());
    }
    EXPECT_EQ(Entries(dir.filePath(QStringLiteral("folder"))), QStringList { QStringLiteral("sub") });

    // A write that runs out of room (a file size limit) leaves the old file as it was.
    rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    error.clear();
    const bool written = WriteFileSafely(path, QByteArray(1 << 20, 'x'), &error);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_FALSE(error.isEmpty());
    ASSERT_TRUE(ReadWholeFile(path, &data));
    EXPECT_EQ(Str(data), "[A]\nx=1\n");
    EXPECT_EQ(Entries(dir.path()), before);
}

// Small payloads reach the disk only when written out: each size must fail honestly.
TEST(SafeFile, FullFileSystemKeepsTheOldFileForEveryPayloadSize)
{
    FullFileSystem disk;
    ASSERT_TRUE(disk.Ready());
    SCOPED_TRACE(disk.Kind());
    const QString path = disk.FilePath(QStringLiteral("gaugeloft.BOX.ini"));
    const QByteArray old = QByteArray("[Sensors]\nCount=1\nId0=/hwmon/coretemp-isa-0000/temp1\n").repeated(50);
    QString error;
    ASSERT_TRUE(WriteFileSafely(path, old, &error)) << Str(error);
    disk.Fill();
    for (const int size : {1, 100, 1000, 4095, 4096, 16383, 16384, 16385, 65536}) {
        SCOPED_TRACE(size);
        error.clear();
        EXPECT_FALSE(WriteFileSafely(path, QByteArray(size, 'n'), &error));
        EXPECT_EQ(Str(error), Str(disk.ExpectedReason()));
        QByteArray data;
        ASSERT_TRUE(ReadWholeFile(path, &data));
        EXPECT_EQ(data, old);
        EXPECT_EQ(disk.Entries(), QStringList { QStringLiteral("gaugeloft.BOX.ini") });  // no temporary left
    }
    disk.Free();
    EXPECT_TRUE(WriteFileSafely(path, "[A]\n", &error)) << Str(error);
}

TEST(SafeFile, ReplacesNothingButRegularFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(Native(fifo).constData(), 0600), 0);
    const QString socket = dir.filePath(QStringLiteral("socket"));
    ASSERT_TRUE(MakeSocket(socket));
    const QString folder = dir.filePath(QStringLiteral("folder"));
    ASSERT_TRUE(QDir().mkpath(folder));
    // A device of our own when the machine allows it (root), so a fault never harms /dev.
    const QString device = dir.filePath(QStringLiteral("null"));
    const bool haveDevice = ::mknod(Native(device).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;

    struct Case {
        const char* name;
        QString target;   // what stands in the file's place, or behind the link
        bool viaLink;
        const char* reason;
    };
    const Case cases[] = {
        { "FIFO", fifo, false, "Not a regular file" },
        { "link to a FIFO", fifo, true, "Not a regular file" },
        { "socket", socket, false, "Not a regular file" },
        { "folder", folder, false, std::strerror(EISDIR) },
        { "link to a folder", folder, true, std::strerror(EISDIR) },
        { "device", device, false, "Not a regular file" },
        { "link to a device", device, true, "Not a regular file" },
        { "link to nothing", dir.filePath(QStringLiteral("nowhere")), true, "Symbolic link to a missing file" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.target == device && !haveDevice)
            continue;
        QString path = c.target;
        if (c.viaLink) {
            path = dir.filePath(QStringLiteral("link-") + QString::fromLatin1(c.name).replace(u' ', u'-'));
            ASSERT_EQ(::symlink(Native(c.target).constData(), Native(path).constData()), 0);
        }
        const mode_t targetMode = ModeOf(c.target);
        const QStringList before = Entries(dir.path());
        QString error;
        EXPECT_FALSE(WriteFileSafely(path, "[A]\n", &error));
        EXPECT_EQ(Str(error), c.reason);
        EXPECT_EQ(ModeOf(c.target), targetMode);  // still a FIFO, a device...
        if (c.viaLink) {
            EXPECT_TRUE(S_ISLNK(ModeOf(path)));
        }
        EXPECT_EQ(Entries(dir.path()), before);
    }
}

TEST(SafeFile, WritesThroughALinkToARegularFileAndKeepsItsMode)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString real = dir.filePath(QStringLiteral("dotfiles/gaugeloft.ini"));
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("dotfiles"))));
    QString error;
    ASSERT_TRUE(WriteFileSafely(real, "old", &error));
    ASSERT_EQ(::chmod(Native(real).constData(), 0640), 0);
    const QString link = dir.filePath(QStringLiteral("gaugeloft.ini"));
    ASSERT_EQ(::symlink("dotfiles/gaugeloft.ini", Native(link).constData()), 0);

    ASSERT_TRUE(WriteFileSafely(link, "new", &error)) << Str(error);
    EXPECT_TRUE(S_ISLNK(ModeOf(link)));
    QByteArray data;
    ASSERT_TRUE(ReadWholeFile(real, &data));
    EXPECT_EQ(Str(data), "new");
    EXPECT_EQ(ModeOf(real) & 07777, 0640u);

    // A private file is the user's alone, new or old.
    const QString secret = dir.filePath(QStringLiteral("registry.reg"));
    ASSERT_TRUE(WriteFileSafely(secret, "a", &error, NewFileAccess::Private));
    EXPECT_EQ(ModeOf(secret) & 07777, 0600u);
    ASSERT_EQ(::chmod(Native(secret).constData(), 0644), 0);
    ASSERT_TRUE(WriteFileSafely(secret, "b", &error, NewFileAccess::Private));
    EXPECT_EQ(ModeOf(secret) & 07777, 0600u);

    // A shared new file follows the umask.
    const mode_t mask = ::umask(022);
    const QString shared = dir.filePath(QStringLiteral("shared.ini"));
    ASSERT_TRUE(WriteFileSafely(shared, "c", &error));
    ::umask(mask);
    EXPECT_EQ(ModeOf(shared) & 07777, 0644u);
}

TEST(SafeFile, ReadsOnlyRegularFilesUpToTheCapWithoutBlocking)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(Native(fifo).constData(), 0600), 0);
    const QString zero = dir.filePath(QStringLiteral("zero"));
    ASSERT_EQ(::symlink("/dev/zero", Native(zero).constData()), 0);
    const QString big = dir.filePath(QStringLiteral("big"));
    QString error;
    ASSERT_TRUE(WriteFileSafely(big, QByteArray(1001, 'b'), &error));
    const QString exact = dir.filePath(QStringLiteral("exact"));
    ASSERT_TRUE(WriteFileSafely(exact, QByteArray(1000, 'e'), &error));

    struct Case {
        const char* name;
        QString path;
        ReadStatus status;
        std::string reason;
        qsizetype size;
    };
    const Case cases[] = {
        { "FIFO without a writer", fifo, ReadStatus::Failed, "Not a regular file", 0 },
        { "link to /dev/zero", zero, ReadStatus::Failed, "Not a regular file", 0 },
        { "folder", dir.path(), ReadStatus::Failed, std::strerror(EISDIR), 0 },
        { "over the cap", big, ReadStatus::Failed, "File too large (over 1000 bytes)", 0 },
        { "at the cap", exact, ReadStatus::Read, "", 1000 },
        { "missing", dir.filePath(QStringLiteral("none")), ReadStatus::Missing, "", 0 },
        { "under a file", big + QStringLiteral("/x"), ReadStatus::Missing, "", 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray data("stale");
        QString reason;
        EXPECT_EQ(ReadRegularFile(c.path, 1000, &data, &reason), c.status);
        EXPECT_EQ(Str(reason), c.reason);
        EXPECT_EQ(data.size(), c.size);
    }
}

TEST(NativePath, KeepsEveryByteOfANameThatIsNotUtf8)
{
    struct Case {
        QByteArray bytes;
        bool utf8;
    };
    const Case cases[] = {
        { "/opt/gaugeloft/bin/gaugeloft", true },
        { "/home/j\xc3\xbcrgen/Gr\xc3\xbc\xc3\x9f" "e/\xf0\x9f\x8c\xa1", true },
        { "/opt/\xff\xfe/BOX", false },
        { "/opt/Gr\xfc\xdf" "e/gaugeloft", false },             // Latin-1
        { "/x/\xc3", false },                                   // cut short
        { "/x/\xed\xa0\x80", false },                           // an encoded surrogate
        { "/x/\xc0\xaf", false },                               // overlong slash
        { "/x/\xf4\x90\x80\x80", false },                       // past U+10FFFF
        { "/x/\xe2\x82", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.toHex().toStdString());
        const QString path = PathFromNative(c.bytes);
        EXPECT_EQ(NativePath(path), c.bytes);
        EXPECT_EQ(PathIsUtf8(path), c.utf8);
        if (c.utf8) {
            EXPECT_EQ(path, QString::fromUtf8(c.bytes));
        }
    }
    EXPECT_EQ(FolderOf(QStringLiteral("/opt/x/gaugeloft")), QStringLiteral("/opt/x"));
    EXPECT_EQ(FolderOf(QStringLiteral("/gaugeloft")), QStringLiteral("/"));
    EXPECT_EQ(FolderOf(QStringLiteral("gaugeloft")), QStringLiteral("."));
}

TEST(NativePath, FilesInAFolderThatIsNotUtf8AreTheRightOnes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray folder = Native(dir.path()) + "/Gr\xfc\xdf" "e";
    ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
    const QString path = PathFromNative(folder) + QStringLiteral("/gaugeloft.BOX.ini");
    QString error;
    ASSERT_TRUE(WriteFileSafely(path, "[A]\n", &error)) << Str(error);
    struct stat st {};
    EXPECT_EQ(::stat((folder + "/gaugeloft.BOX.ini").constData(), &st), 0);
    QByteArray data;
    ASSERT_TRUE(ReadWholeFile(path, &data));
    EXPECT_EQ(Str(data), "[A]\n");
    ::unlink((folder + "/gaugeloft.BOX.ini").constData());  // Qt cannot name them to clean up
    ::rmdir(folder.constData());
}
