#include "platform/autostart.h"

#include "platform/nativepath.h"
#include "support/fullfilesystem.h"
#include "support/scopedenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace gaugeloft::platform;

namespace {

using gaugeloft::testing::ScopedEnv;

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void PutFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(data), data.size());
}

class AutostartTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QTemporaryDir m_dir;
    ScopedEnv m_xdg{"XDG_CONFIG_HOME", m_dir.path().toLocal8Bit()};
};

TEST(AutostartPathTest, FollowsXdgConfigHome)
{
    const ScopedEnv home("HOME", "/home/tester");
    const struct {
        QByteArray xdg; // null: unset
        QString expected;
    } cases[] = {
        {"/tmp/cfg", "/tmp/cfg/autostart/Gaugeloft.desktop"},
        {QByteArray(), "/home/tester/.config/autostart/Gaugeloft.desktop"},
        {"", "/home/tester/.config/autostart/Gaugeloft.desktop"},
        {"cfg", "/home/tester/.config/autostart/Gaugeloft.desktop"},
    };
    for (const auto& c : cases) {
        const ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
        EXPECT_EQ(AutostartPath(), c.expected) << c.xdg.constData();
    }
}

TEST_F(AutostartTest, EnableAndDisableRoundTrip)
{
    const struct {
        QString executable;
        QByteArray execLine;
    } cases[] = {
        {"/usr/bin/gaugeloft", "Exec=/usr/bin/gaugeloft\n"},
        {"/opt/My Apps/gaugeloft", "Exec=\"/opt/My Apps/gaugeloft\"\n"},
        {"/opt/apps/gauge$loft", "Exec=\"/opt/apps/gauge\\\\$loft\"\n"},
        {"/tmp/a\"b`c\\d\te (x)", "Exec=\"/tmp/a\\\\\"b\\\\`c\\\\\\\\d\\te (x)\"\n"},
    };
    const QString path = AutostartPath();
    EXPECT_TRUE(path.startsWith(m_dir.path()));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.executable.toStdString());
        EXPECT_FALSE(AutostartEnabled(c.executable)) << "no entry yet";
        QString error;
        ASSERT_TRUE(SetAutostart(true, c.executable, &error)) << error.toStdString();
        const QByteArray text = FileBytes(path);
        EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
        EXPECT_TRUE(text.contains(c.execLine)) << text.constData();
        for (const char* line : {"Type=Application\n", "Name=Gaugeloft\n", "Icon=gaugeloft\n", "Terminal=false\n",
                 "X-GNOME-Autostart-enabled=true\n", "Comment="})
            EXPECT_TRUE(text.contains(line)) << line;
        EXPECT_TRUE(AutostartEnabled(c.executable));
        for (const QString other : {"/usr/bin/gaugeloft2", "/usr/bin", "gaugeloft", "/opt/My", ""})
            EXPECT_FALSE(AutostartEnabled(other)) << other.toStdString();

        ASSERT_TRUE(SetAutostart(false, c.executable, &error)) << error.toStdString();
        EXPECT_FALSE(QFileInfo::exists(path));
        EXPECT_FALSE(AutostartEnabled(c.executable));
        EXPECT_TRUE(SetAutostart(false, c.executable, &error)) << "already off";
    }
}

TEST_F(AutostartTest, ReadsEntriesWrittenByOthers)
{
    const QString exe = "/opt/My Apps/gaugeloft";
    const struct {
        QByteArray text;
        bool enabled;
    } cases[] = {
        {"[Desktop Entry]\nType=Application\nExec = \"/opt/My Apps/gaugeloft\" --minimized %U\n", true},
        {"# comment\n[Desktop Entry]\nExec=/opt/My\\sApps/gaugeloft\n", false},
        {"[Desktop Entry]\nExec=\"/opt/My Apps/gaugeloft\"\nHidden=true\n", false},
        {"[Desktop Entry]\nExec=\"/opt/My Apps/gaugeloft\"\nX-GNOME-Autostart-enabled=false\n", false},
        {"[Desktop Action x]\nExec=\"/opt/My Apps/gaugeloft\"\n[Desktop Entry]\nExec=/usr/bin/other\n", false},
        {"[Desktop Entry]\nExec=\"/opt/My Apps/gaugeloft\n", false},
        {"[Desktop Entry]\nName=Gaugeloft\n", false},
        {"", false},
    };
    for (const auto& c : cases) {
        PutFile(AutostartPath(), c.text);
        EXPECT_EQ(AutostartEnabled(exe), c.enabled) << c.text.constData();
    }
}

TEST_F(AutostartTest, FolderThatCannotBeMadeFails)
{
    PutFile(m_dir.filePath("plain-file"), "x");
    const ScopedEnv xdg("XDG_CONFIG_HOME", m_dir.filePath("plain-file/config").toLocal8Bit());
    QString error;
    EXPECT_FALSE(SetAutostart(true, "/usr/bin/gaugeloft", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(AutostartEnabled("/usr/bin/gaugeloft"));
    EXPECT_FALSE(SetAutostart(true, QString(), &error)) << "no program";
    EXPECT_EQ(FileBytes(m_dir.filePath("plain-file")), "x");
}

// Desktop sessions cannot start these: the entry is refused with the reason, nothing is written.
TEST_F(AutostartTest, RefusesProgramPathsTheDesktopCannotStart)
{
    const struct {
        QString executable;
        const char* why;
    } cases[] = {
        {"/opt/50%/gaugeloft", "holds a \"%\""},
        {"/tmp/100%", "holds a \"%\""},
        {PathFromNative("/opt/Gr\xfc\xdf" "e/gaugeloft"), "is not valid UTF-8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        QString error;
        EXPECT_FALSE(SetAutostart(true, c.executable, &error));
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.why))) << error.toStdString();
        EXPECT_EQ(AutostartRefusal(c.executable), error);
        EXPECT_FALSE(QFileInfo::exists(AutostartPath()));
        EXPECT_FALSE(AutostartEnabled(c.executable));
    }
    EXPECT_TRUE(AutostartRefusal("/usr/bin/gaugeloft").isEmpty());
}

TEST(AutostartFullDisk, FailsWithTheReasonAndKeepsTheOldEntry)
{
    gaugeloft::testing::FullFileSystem disk;
    ASSERT_TRUE(disk.Ready());
    const ScopedEnv xdg("XDG_CONFIG_HOME", disk.Folder().toLocal8Bit());
    QString error;
    ASSERT_TRUE(SetAutostart(true, "/usr/bin/gaugeloft", &error)) << error.toStdString();
    const QByteArray old = FileBytes(AutostartPath());
    disk.Fill();
    EXPECT_FALSE(SetAutostart(true, "/opt/gaugeloft/bin/gaugeloft", &error));
    EXPECT_TRUE(error.endsWith(": " + disk.ExpectedReason())) << error.toStdString();
    EXPECT_EQ(FileBytes(AutostartPath()), old);
    EXPECT_TRUE(AutostartEnabled("/usr/bin/gaugeloft"));
    EXPECT_EQ(QDir(disk.Folder() + "/autostart").entryList(QDir::Files | QDir::Hidden), QStringList{"Gaugeloft.desktop"});
}

} // namespace
