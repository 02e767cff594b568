#include "update/installedcopy.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace gaugeloft::update {
namespace {

bool Write(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// A fake /sys with a fixed disk (8:0, partition 8:1) and a memory stick (8:16, partition 8:17),
// and a mount table naming them.
class InstalledCopyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString sys = folder.filePath("sys");
        ASSERT_TRUE(Write(sys + "/devices/sda/removable", "0\n"));
        ASSERT_TRUE(Write(sys + "/devices/sda/sda1/partition", "1\n"));
        ASSERT_TRUE(Write(sys + "/devices/sdb/removable", "1\n"));
        ASSERT_TRUE(Write(sys + "/devices/sdb/sdb1/partition", "1\n"));
        ASSERT_TRUE(Write(sys + "/devices/nvme0n1/removable", "0\n"));
        QDir().mkpath(sys + "/dev/block");
        ASSERT_TRUE(QFile::link(sys + "/devices/sda/sda1", sys + "/dev/block/8:1"));
        ASSERT_TRUE(QFile::link(sys + "/devices/sdb/sdb1", sys + "/dev/block/8:17"));
        ASSERT_TRUE(QFile::link(sys + "/devices/nvme0n1", sys + "/dev/block/259:0"));
        ASSERT_TRUE(Write(folder.filePath("mountinfo"),
                          "22 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n"
                          "30 22 8:17 / /mnt/stick rw - vfat /dev/sdb1 rw\n"
                          "31 22 259:0 / /opt/my\\040apps rw - ext4 /dev/nvme0n1 rw\n"
                          "32 22 259:0 / /media/me/DISK rw - ext4 /dev/nvme0n1 rw\n"
                          "33 22 0:45 / /run/media/me/CARD rw - vfat /dev/mmc rw\n"
                          "34 22 0:46 / /tmp rw - tmpfs tmpfs rw\n"));
        roots = {sys, folder.filePath("mountinfo")};
    }
    QTemporaryDir folder;
    SystemRoots roots;
};

TEST_F(InstalledCopyTest, TheDeviceBehindTheFolderDecides)
{
    const struct {
        const char* folder;
        bool removable;
    } cases[] = {
        {"/usr/lib/gaugeloft", false},
        {"/mnt/stick/gaugeloft", true},
        {"/mnt/stick", true},
        {"/mnt/sticky", false},
        {"/opt/my apps/gaugeloft", false},
        {"/media/me/DISK/gaugeloft", true},
        {"/run/media/me/CARD/x", true},
        {"/tmp/gaugeloft", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OnRemovableDevice(QString::fromUtf8(c.folder), roots), c.removable) << c.folder;
    EXPECT_FALSE(OnRemovableDevice("/usr", {roots.Sys, folder.filePath("none")})) << "no mount table: not removable";
}

TEST_F(InstalledCopyTest, AnUninstallerBesideTheProgram)
{
    QTemporaryDir program;
    EXPECT_FALSE(HasUninstaller(program.path()));
    ASSERT_TRUE(Write(program.filePath("readme-unins"), ""));
    EXPECT_FALSE(HasUninstaller(program.path()));
    ASSERT_TRUE(Write(program.filePath("UNINS000.dat"), ""));
    EXPECT_TRUE(HasUninstaller(program.path()));
    EXPECT_EQ(IsInstalledCopy(program.path()), !OnRemovableDevice(program.path()));
}

} // namespace
} // namespace gaugeloft::update
