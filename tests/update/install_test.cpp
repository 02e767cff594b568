#include "update/tempname.h"
#include "update/updateinstall.h"
#include "downloadfixture.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace gaugeloft::update {
namespace {

using testing::DownloadTest;

bool WriteFile(const QString& path, const QByteArray& data, QFileDevice::Permissions permissions = {})
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        return false;
    file.close();
    return permissions == QFileDevice::Permissions() || QFile::setPermissions(path, permissions);
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

constexpr QFileDevice::Permissions kExecutable =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadUser
    | QFileDevice::WriteUser | QFileDevice::ExeUser;

TEST(InstallTexts, TheScriptHasSixLinesOrNineWithAnArchive)
{
    const QStringList plain = ReplacementScriptLines(false);
    const QStringList archive = ReplacementScriptLines(true);
    ASSERT_EQ(plain.size(), 6);
    ASSERT_EQ(archive.size(), 9);
    EXPECT_EQ(plain[0], "#!/bin/sh");
    EXPECT_EQ(plain[1], "# WebUpdate script -- this file is safe to delete!");
    EXPECT_FALSE(plain.join('\n').contains("$4"));
    EXPECT_EQ(archive.mid(4, 3).join('\n').count("$4"), 2) << "unpacked, then removed";
    EXPECT_TRUE(ReplacementScript(true).endsWith("&\n"));
    EXPECT_FALSE(ReplacementScript(true).contains('\r'));
}

TEST(InstallTexts, ArgumentsAreSeparateAndNeedNoQuoting)
{
    EXPECT_EQ(UpdaterFlags(cmNormal), 4);
    EXPECT_EQ(UpdaterFlags(cmSilent), 7);
    EXPECT_EQ(UpdaterFlags(cmVerySilent), 7);
    EXPECT_EQ(UpdaterArguments("/opt/my app/_webu042", "/opt/my app/gaugeloft", "TALLYVANE_MUTEX", "", 4),
              QStringList({"/s:/opt/my app/_webu042", "/d:/opt/my app/gaugeloft", "/m:TALLYVANE_MUTEX", "/z:", "/a:4"}));
    EXPECT_EQ(ScriptArguments("/a/_webu.sh", "/a/_webu042", "/a/gaugeloft", ""),
              QStringList({"/a/_webu.sh", "/a/_webu042", "/a/gaugeloft", "/cleanu;/a/_webu.sh", ""}));
    EXPECT_EQ(SetupArguments(R"(--silent "/DIR=/opt/my app" --name='x y' $(rm -rf ~))"),
              QStringList({"--silent", "/DIR=/opt/my app", "--name='x", "y'", "$(rm", "-rf", "~)"}));
}

// The script run for real: the package replaces the executable with its permissions, the
// archive is unpacked beside it and removed, and the new program starts with "/cleanu;".
TEST(InstallTexts, TheScriptReplacesUnpacksAndRestarts)
{
    for (const bool withArchive : {false, true}) {
        SCOPED_TRACE(withArchive ? "with an archive" : "without");
        if (withArchive && (QStandardPaths::findExecutable("gcab").isEmpty()
                            || QStandardPaths::findExecutable(QLatin1String(kCabinetTool)).isEmpty()))
            GTEST_SKIP() << "gcab and cabextract are installed by scripts/test";
        QTemporaryDir folder;
        const QString executable = folder.filePath("gaugeloft");
        const QString package = folder.filePath("_webu042.0");
        const QString record = folder.filePath("started.txt");
        ASSERT_TRUE(WriteFile(executable, "#!/bin/sh\necho old\n", kExecutable | QFileDevice::ReadGroup | QFileDevice::ExeGroup));
        // the new program records how it was started
        ASSERT_TRUE(WriteFile(package, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record.toUtf8() + "'\n",
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QString archive;
        if (withArchive) {
            QTemporaryDir source;
            ASSERT_TRUE(WriteFile(source.filePath("extras.txt"), "extras\n"));
            archive = folder.filePath("_webu042.cab");
            QProcess gcab;
            gcab.setWorkingDirectory(source.path());
            gcab.start("gcab", {"-c", archive, "extras.txt"});
            ASSERT_TRUE(gcab.waitForFinished(10000) && gcab.exitCode() == 0) << gcab.readAllStandardError().toStdString();
        }
        const QString script = folder.filePath("_webu.sh");
        ASSERT_TRUE(WriteFile(script, ReplacementScript(withArchive)));
        QProcess shell;
        shell.setWorkingDirectory(folder.path());
        shell.start("/bin/sh", ScriptArguments(script, package, executable, archive));
        ASSERT_TRUE(shell.waitForFinished(20000));
        EXPECT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
        for (int i = 0; i < 50 && !QFileInfo::exists(record); ++i)
            QThread::msleep(100);
        EXPECT_EQ(ReadAll(record), "/cleanu;" + script.toUtf8() + "\n");
        EXPECT_FALSE(QFileInfo::exists(package));
        EXPECT_EQ(QFileInfo(executable).permissions() & 0x0777, (kExecutable & 0x0777) | QFileDevice::ReadGroup | QFileDevice::ExeGroup)
            << "the old program's permissions";
        if (withArchive) {
            EXPECT_EQ(ReadAll(folder.filePath("extras.txt")), "extras\n");
            EXPECT_FALSE(QFileInfo::exists(archive));
        }
    }
}

TEST_F(DownloadTest, ASetupProgramIsStartedWithItsParametersAndTheProgramEnds)
{
    Offer("setup-3.0.sh", 1000);
    component.SetupParams = R"(--silent "/DIR=/opt/my app")";
    EXPECT_TRUE(component.Execute());
    const QString package = temp.filePath("_webu042.sh");
    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(started[0], QStringList({package, "", "--silent", "/DIR=/opt/my app"}));
    EXPECT_TRUE(QFileInfo(package).isExecutable());
    EXPECT_TRUE(component.Results().TerminateAfter);
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(view.calls.contains("Status Upgrading current application..."));

    started.clear();
    component.AutoRestart = false;
    EXPECT_TRUE(component.Execute());
    EXPECT_EQ(started.size(), 1) << "started all the same";
    EXPECT_EQ(quits, 1) << "but the program keeps running";
}

TEST_F(DownloadTest, AnUpdaterBesideThePortableCopyGetsTheFiles)
{
    QTemporaryDir programFolder;
    const QString updater = programFolder.filePath("Updater");
    ASSERT_TRUE(WriteFile(updater, "#!/bin/sh\n", kExecutable));
    for (const auto& [mode, flags] : {std::pair {cmNormal, 4}, std::pair {cmSilent, 7}}) {
        SCOPED_TRACE(flags);
        auto copy = PortableCopy(programFolder.path());
        TMyWebUpdate& portable = *copy;
        portable.WaitMutex = QStringLiteral("TALLYVANE_MUTEX");  // named to the updater, not taken here
        portable.CheckMode = mode;
        Offer("gaugeloft-3.0", 5000, "extras-3.0.cab");
        started.clear();
        EXPECT_TRUE(portable.Execute());
        ASSERT_EQ(started.size(), 1);
        EXPECT_EQ(started[0], QStringList({updater, "", "/s:" + programFolder.filePath("_webu042.0"),
                                           "/d:" + executable, "/m:TALLYVANE_MUTEX",
                                           "/z:" + programFolder.filePath("_webu042.cab"),
                                           QStringLiteral("/a:%1").arg(flags)}));
        // the updater would have taken them
        QFile::remove(programFolder.filePath("_webu042.0"));
        QFile::remove(programFolder.filePath("_webu042.cab"));
    }
}

TEST_F(DownloadTest, WithoutAnUpdaterTheRunWritesTheScript)
{
    QTemporaryDir programFolder;
    auto copy = PortableCopy(programFolder.path());
    TMyWebUpdate& portable = *copy;
    Offer("gaugeloft-3.0", 5000, {}, true);
    EXPECT_TRUE(portable.Execute());
    const QString script = programFolder.filePath("_webu.sh");
    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(started[0], QStringList({"/bin/sh", programFolder.path(), script, programFolder.filePath("_webu042.0"),
                                       executable, "/cleanu;" + script, ""}));
    EXPECT_EQ(ReadAll(script), ReplacementScript(false));
    EXPECT_EQ(quits, 1);
}

// A refused restart or a program that does not start: nothing replaces the program, the
// downloads are deleted and the program keeps running.
TEST_F(DownloadTest, ARefusedRestartOrAFailedStartAborts)
{
    for (const bool refuse : {true, false}) {
        SCOPED_TRACE(refuse ? "restart refused" : "start failed");
        restartAllowed = !refuse;
        startSucceeds = refuse;
        started.clear();
        Offer("setup-3.0.sh", 1000);
        EXPECT_FALSE(component.Execute());
        EXPECT_EQ(started.isEmpty(), refuse);
        EXPECT_TRUE(LeftInTemp().isEmpty()) << LeftInTemp().join(' ').toStdString();
        EXPECT_EQ(quits, 0);
        EXPECT_FALSE(view.calls.join('\n').contains("Failure")) << "an abort, not a failure";
    }
}

TEST_F(DownloadTest, AnArchiveWithoutItsToolFailsBeforeAnythingIsReplaced)
{
    QTemporaryDir programFolder;
    auto copy = PortableCopy(programFolder.path());
    TMyWebUpdate& portable = *copy;
    Offer("gaugeloft-3.0", 5000, "extras-3.0.cab");
    QTemporaryDir emptyPath;  // no cabextract to be found
    gaugeloft::testing::ScopedEnv path("PATH", QFile::encodeName(emptyPath.path()));
    EXPECT_FALSE(portable.Execute());
    EXPECT_TRUE(started.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(programFolder.filePath("_webu.sh")));
    ASSERT_FALSE(view.calls.isEmpty());
    EXPECT_TRUE(view.calls.last().contains("cabextract is not installed")) << view.calls.last().toStdString();
}

} // namespace
} // namespace gaugeloft::update
