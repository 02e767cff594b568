#include "update/instancechannel.h"
#include "update/namedmutex.h"

#include "support/scopedenv.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace gaugeloft::update {
namespace {

using gaugeloft::testing::ScopedEnv;

// Whether anyone holds the lock of `name`, asked through a descriptor of our own.
bool IsHeld(const QString& name)
{
    const int fd = ::open(QFile::encodeName(NamedMutexPath(name)).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

class NamedMutex : public ::testing::Test {
protected:
    void TearDown() override { ReleaseNamedMutex(); }

    QTemporaryDir m_runtime;
    ScopedEnv m_env{"XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path())};
    const QString m_name = QStringLiteral("TALLYVANE_MUTEX");
};

TEST_F(NamedMutex, LockFileIsPerUser)
{
    EXPECT_EQ(NamedMutexPath(m_name), m_runtime.filePath(QStringLiteral("TALLYVANE_MUTEX.lock")));
    EXPECT_EQ(NamedMutexPath(QStringLiteral("Global/a\nb"), QStringLiteral(".socket")),
              m_runtime.filePath(QStringLiteral("Global_a_b.socket")));
    EXPECT_EQ(NamedMutexPath(QStringLiteral("..")), m_runtime.filePath(QStringLiteral("_...lock")));
    const QString perUser = QDir(QDir::tempPath())
                                .filePath(QStringLiteral("TALLYVANE_MUTEX-%1.lock").arg(::geteuid()));
    for (const char* runtime : {static_cast<const char*>(nullptr), "", "relative/dir", "/no/such/folder"}) {
        ScopedEnv unset("XDG_RUNTIME_DIR", runtime ? QByteArray(runtime) : QByteArray());
        EXPECT_EQ(NamedMutexPath(m_name), perUser) << (runtime ? runtime : "(unset)");
    }
}

TEST_F(NamedMutex, HeldUntilReleased)
{
    ASSERT_TRUE(WaitForNamedMutex(m_name, 0));
    EXPECT_TRUE(IsHeld(m_name));
    EXPECT_TRUE(WaitForNamedMutex(m_name, 0)) << "the holder asking again";
    EXPECT_EQ(QFileInfo(NamedMutexPath(m_name)).permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);
    ReleaseNamedMutex();
    EXPECT_FALSE(IsHeld(m_name));
    ReleaseNamedMutex();  // nothing held: nothing happens
    EXPECT_TRUE(WaitForNamedMutex(m_name, 0));
}

TEST_F(NamedMutex, AnotherNameReplacesTheHeldOne)
{
    ASSERT_TRUE(WaitForNamedMutex(m_name, 0));
    ASSERT_TRUE(WaitForNamedMutex(QStringLiteral("OTHER"), 0));
    EXPECT_FALSE(IsHeld(m_name));
    EXPECT_TRUE(IsHeld(QStringLiteral("OTHER")));
}

TEST_F(NamedMutex, RefusesWhatIsNotARegularFile)
{
    const QString path = NamedMutexPath(m_name);
    const QString target = m_runtime.filePath(QStringLiteral("target"));
    ASSERT_TRUE(QFile::link(target, path));  // a dangling link: never created through it
    EXPECT_FALSE(WaitForNamedMutex(m_name, 0));
    EXPECT_FALSE(QFileInfo::exists(target));
    QFile::remove(path);
    ASSERT_TRUE(QDir().mkdir(path));
    EXPECT_FALSE(WaitForNamedMutex(m_name, 0));
}

// A program this one starts must not inherit the lock: after the release another copy
// gets it at once although the child still runs.
TEST_F(NamedMutex, ChildProcessDoesNotHoldTheLock)
{
    ASSERT_TRUE(WaitForNamedMutex(m_name, 0));
    pid_t child = 0;
    char sleepName[] = "sleep";
    char seconds[] = "30";
    char* arguments[] = {sleepName, seconds, nullptr};
    ASSERT_EQ(::posix_spawnp(&child, "sleep", nullptr, nullptr, arguments, environ), 0);
    const QString lockFile = QFileInfo(NamedMutexPath(m_name)).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(child));
    for (const QFileInfo& fd : fds.entryInfoList(QDir::Files | QDir::System))
        EXPECT_NE(fd.symLinkTarget(), lockFile) << qPrintable(fd.filePath());
    ReleaseNamedMutex();
    EXPECT_FALSE(IsHeld(m_name));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

class Copy {
public:
    Copy(const QString& name, int timeoutMs, int holdMs)
    {
        m_started.start();
        m_process.start(QStringLiteral(GAUGELOFT_MUTEX_HOLDER),
                        {name, QString::number(timeoutMs), QString::number(holdMs)});
    }
    ~Copy()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    bool WaitTaken(int ms) { return m_process.waitForReadyRead(ms) && m_process.readAll().startsWith("taken"); }
    bool Finished(int ms) { return m_process.waitForFinished(ms); }
    bool Running() const { return m_process.state() == QProcess::Running; }
    int ExitCode() const { return m_process.exitCode(); }
    qint64 Elapsed() const { return m_started.elapsed(); }

private:
    QProcess m_process;
    QElapsedTimer m_started;
};

TEST_F(NamedMutex, SecondCopyGivesUpWithExitCodeOneAfterTheTimeOut)
{
    Copy first(m_name, 10000, 60000);
    ASSERT_TRUE(first.WaitTaken(5000));
    Copy second(m_name, 10000, 0);
    ASSERT_TRUE(second.Finished(20000));
    EXPECT_EQ(second.ExitCode(), 1);
    EXPECT_GE(second.Elapsed(), 9900);
    EXPECT_LE(second.Elapsed(), 15000);
    EXPECT_TRUE(first.Running());
}

TEST_F(NamedMutex, SecondCopyGoesOnWhenTheFirstEndsWithinTheTimeOut)
{
    Copy first(m_name, 10000, 3000);
    ASSERT_TRUE(first.WaitTaken(5000));
    Copy second(m_name, 10000, 60000);
    ASSERT_TRUE(second.WaitTaken(12000));
    EXPECT_GE(second.Elapsed(), 2000);
    EXPECT_LT(second.Elapsed(), 9900);
    EXPECT_TRUE(first.Finished(1000));
    EXPECT_EQ(first.ExitCode(), 0);
}

TEST_F(NamedMutex, WaitsWithoutBusyLooping)
{
    Copy first(m_name, 10000, 60000);
    ASSERT_TRUE(first.WaitTaken(5000));
    const clock_t cpuBefore = ::clock();
    EXPECT_FALSE(WaitForNamedMutex(m_name, 1000));
    // polling a few times a second, not spinning: far less than the second of waiting
    EXPECT_LT(static_cast<double>(::clock() - cpuBefore) / CLOCKS_PER_SEC, 0.2);
}

TEST_F(NamedMutex, RunningCopyIsAskedToShowItsWindow)
{
    ASSERT_TRUE(WaitForNamedMutex(m_name, 0));
    InstanceListener listener(m_name);
    ASSERT_TRUE(listener.Listen());
    QSignalSpy shown(&listener, &InstanceListener::ShowRequested);
    Copy second(m_name, 1000, 0);
    EXPECT_TRUE(shown.wait(5000));
    EXPECT_EQ(shown.count(), 1);
    ASSERT_TRUE(second.Finished(5000));
    EXPECT_EQ(second.ExitCode(), 1);
}

TEST_F(NamedMutex, ListenerIgnoresOtherRequestsAndReplacesAStaleSocket)
{
    ASSERT_TRUE(WaitForNamedMutex(m_name, 0));
    QFile stale(NamedMutexPath(m_name, QStringLiteral(".socket")));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    InstanceListener listener(m_name);
    ASSERT_TRUE(listener.Listen());
    QSignalSpy shown(&listener, &InstanceListener::ShowRequested);
    QLocalSocket other;
    other.connectToServer(listener.ServerPath());
    ASSERT_TRUE(other.waitForConnected(1000));
    other.write("hide\n");
    other.flush();
    EXPECT_FALSE(shown.wait(500));
    EXPECT_TRUE(AskRunningCopyToShow(m_name, 1000));
    EXPECT_TRUE(shown.wait(5000));
}

TEST_F(NamedMutex, NobodyToAsk)
{
    EXPECT_FALSE(AskRunningCopyToShow(m_name, 1000));
    ASSERT_TRUE(StartSingleInstance(m_name, 0, true));
    EXPECT_TRUE(IsHeld(m_name));
}

} // namespace
} // namespace gaugeloft::update
