#include "platform/settingsstore.h"
#include "support/scopedenv.h"
#include "update/tempname.h"
#include "update/updaterun.h"
#include "downloadfixture.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace gaugeloft::update {
namespace {

using testing::DownloadTest;
using gaugeloft::testing::ScopedEnv;

bool Touch(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(TempName, NamesAndExtensions)
{
    EXPECT_EQ(TempBase("/tmp", QString()), "/tmp/_webu.exe");
    EXPECT_EQ(TempBase("/tmp/", "gaugeloft-update"), "/tmp/gauge.exe");
    struct Case {
        const char* path;
        const char* extension;
        const char* changed;
    };
    const Case cases[] = {
        {"/tmp/_webu.exe", ".sh", "/tmp/_webu.sh"},
        {"/tmp/_webu.exe", "", "/tmp/_webu"},
        {"/opt/app.d/_webu", ".cab", "/opt/app.d/_webu.cab"},  // a dot in a folder is no extension
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChangeExtension(c.path, c.extension), c.changed) << c.path;
    EXPECT_EQ(RemoteExtension("setup-2.1.sh"), ".sh");
    EXPECT_EQ(RemoteExtension("extras-2.1.tar.gz"), ".gz");
    EXPECT_EQ(RemoteExtension("files/app-2.1"), ".1");  // what follows the last dot of the name
    EXPECT_EQ(RemoteExtension("v2.1/app"), "");
}

TEST(TempName, CreatesTheFirstFreeNameExclusivelyForTheUserOnly)
{
    QTemporaryDir folder;
    const QString base = folder.filePath("_webu.exe");
    ASSERT_TRUE(Touch(folder.filePath("_webu042.cab")));
    // a link planted under the next name is taken, never followed
    const QString victim = folder.filePath("victim");
    ASSERT_EQ(::symlink(QFile::encodeName(victim).constData(), QFile::encodeName(folder.filePath("_webu043.cab")).constData()), 0);
    QFile file;
    QString error;
    const QString name = MakeTempName(base, ".cab", 42, file, &error);
    EXPECT_EQ(name, folder.filePath("_webu044.cab"));
    EXPECT_TRUE(file.isOpen());
    EXPECT_FALSE(QFileInfo::exists(victim));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(name).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    QFile other;
    EXPECT_EQ(MakeTempName(base, "", 7, other, &error), folder.filePath("_webu007"));
}

// The search only counts upwards from its start: free lower numbers do not help.
TEST(TempName, FailsWhenEveryNumberFromTheStartIsTaken)
{
    QTemporaryDir folder;
    for (int n = 500; n <= 999; ++n)
        ASSERT_TRUE(Touch(folder.filePath(QStringLiteral("_webu%1.sh").arg(n))));
    QFile file;
    QString error;
    EXPECT_TRUE(MakeTempName(folder.filePath("_webu.exe"), ".sh", 500, file, &error).isEmpty());
    EXPECT_EQ(error, "Could not create a temporary file in " + folder.path());
    EXPECT_EQ(MakeTempName(folder.filePath("_webu.exe"), ".sh", 499, file, &error), folder.filePath("_webu499.sh"));
}

TEST_F(DownloadTest, AConfirmedUpdateIsDownloadedIntoANewFile)
{
    Offer("setup-3.0.sh", 2 * 1024 * 1024);
    EXPECT_TRUE(component.Execute());
    const RunResult& result = component.Results();
    EXPECT_EQ(result.DownloadedPackage, temp.filePath("_webu042.sh"));
    EXPECT_TRUE(result.DownloadedArchive.isEmpty());
    EXPECT_EQ(ReadAll(result.DownloadedPackage), offered);
    EXPECT_EQ(steps, QStringList({s_server->HttpRoot() + "setup-3.0.sh", temp.filePath("_webu042.sh")}));
    EXPECT_TRUE(view.calls.contains("Heading Downloading update"));
    EXPECT_EQ(view.calls.mid(view.calls.indexOf("Reset") - 1, 3),
              QStringList({"Heading Downloading update", "Reset", "Indeterminate"}));
}

TEST_F(DownloadTest, SilentModeShowsTheWindowOnlyForTheDownload)
{
    Offer("setup-3.0.sh", 100 * 1024);
    component.CheckMode = cmSilent;
    EXPECT_TRUE(component.Execute());
    EXPECT_EQ(view.calls, QStringList({"Confirm Update Found for Gaugeloft", "Show Downloading update", "Reset",
                                       "Hide", "Indeterminate", "Status Upgrading current application..."}));
}

TEST_F(DownloadTest, ThePortablePackageAndItsArchiveGoBesideTheProgram)
{
    QTemporaryDir programFolder;
    auto copy = PortableCopy(programFolder.path());
    TMyWebUpdate& portable = *copy;
    Offer("gaugeloft-3.0", 5000, "extras-3.0.cab");
    EXPECT_TRUE(portable.Execute());
    EXPECT_EQ(portable.Results().DownloadedArchive, programFolder.filePath("_webu042.cab"));
    EXPECT_EQ(portable.Results().DownloadedPackage, programFolder.filePath("_webu042.0"));
    EXPECT_EQ(ReadAll(portable.Results().DownloadedArchive), "MSCF archive");
    EXPECT_EQ(ReadAll(portable.Results().DownloadedPackage), offered);
    EXPECT_TRUE(LeftInTemp().isEmpty());
}

// A portable copy in a folder it cannot write (a system-wide install) fails before downloading.
TEST_F(DownloadTest, APortableUpdateOfAnUnwritableFolderFailsFirst)
{
    QTemporaryDir programFolder;
    auto copy = PortableCopy(programFolder.filePath("missing"));
    TMyWebUpdate& portable = *copy;
    Offer("gaugeloft-3.0", 5000, {}, true);
    EXPECT_FALSE(portable.Execute());
    EXPECT_TRUE(steps.isEmpty()) << "nothing was downloaded";
    ASSERT_FALSE(view.calls.isEmpty());
    EXPECT_TRUE(view.calls.last().startsWith("Failure Downloading new version failed: The program's folder "))
        << view.calls.join('\n').toStdString();
    EXPECT_TRUE(view.calls.last().contains("cannot be written"));
}

// Without an announced length the transfer still counts as complete.
TEST_F(DownloadTest, AnAnswerWithoutLengthIsComplete)
{
    Offer("nolength/setup-3.0.sh", 300 * 1024);
    qint64 announced = -1;
    component.OnExecuteWork = [&](TMyUpdateStep step, bool&, const QString&, const QString&, qint64 min, qint64 max) {
        if (step == usDownload && min == 0 && max != 0)
            announced = max;
    };
    EXPECT_TRUE(component.Execute());
    EXPECT_EQ(announced, -1) << "no length was announced";
    EXPECT_EQ(ReadAll(component.Results().DownloadedPackage), offered);
}

TEST_F(DownloadTest, CancelDuringTheTransferAbortsAndDeletesTheFiles)
{
    Offer("slow/setup-3.0.sh", 1024 * 1024);
    view.cancelAt = 300 * 1024;  // about 30 %
    EXPECT_FALSE(component.Execute());
    EXPECT_TRUE(component.Results().DownloadedPackage.isEmpty());
    EXPECT_TRUE(LeftInTemp().isEmpty()) << LeftInTemp().join(' ').toStdString();
    EXPECT_FALSE(view.calls.join('\n').contains("Failure")) << "an abort is not a failure";
}

TEST_F(DownloadTest, NoFreeTemporaryNameIsAFailure)
{
    Offer("setup-3.0.sh", 1000);
    for (int n = 42; n <= 999; ++n)
        ASSERT_TRUE(Touch(temp.filePath(QStringLiteral("_webu%1.sh").arg(n, 3, 10, QLatin1Char('0')))));
    EXPECT_FALSE(component.Execute());
    EXPECT_EQ(view.calls.last(), "Failure Downloading new version failed: Could not create a temporary file in " + temp.path());
}

TEST_F(DownloadTest, AMissingPackageIsAFailure)
{
    Offer("setup-3.0.sh", 1000);
    ASSERT_TRUE(s_server->Remove("setup-3.0.sh"));
    EXPECT_FALSE(component.Execute());
    EXPECT_TRUE(view.calls.last().startsWith("Failure Downloading new version failed: ")) << view.calls.last().toStdString();
}

} // namespace
} // namespace gaugeloft::update
