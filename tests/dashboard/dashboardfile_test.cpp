#include "dashboard/dashboardfile.h"

#include "dashboard/tilefixture.h"
#include "platform/nativepath.h"
#include "support/fullfilesystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace gaugeloft {
namespace {

using testing::TileWorld;

class FakeWindow : public DashboardWindow {
public:
    QRect bounds {100, 80, 792, 449};
    int treeWidth = 149;
    bool treeVisible = true;
    bool titleVisible = true;
    int state = 0;
    int placement = 3;
    bool sidePanel = true;
    TColor dialogColor = 0;
    int treeToggles = 0, titleToggles = 0, syncs = 0;

    QRect WindowBounds() const override { return bounds; }
    void SetWindowBounds(const QRect& r) override { bounds = r; }
    int TreeWidth() const override { return treeWidth; }
    void SetTreeWidth(int width) override { treeWidth = width; }
    bool TreeVisible() const override { return treeVisible; }
    void ToggleTree() override { treeVisible = !treeVisible, ++treeToggles; }
    bool TitleVisible() const override { return titleVisible; }
    void ToggleTitle() override { titleVisible = !titleVisible, ++titleToggles; }
    int WindowStateNumber() const override { return state; }
    bool SetWindowStateNumber(int s) override
    {
        if (s < 0 || s > 2)
            return false;
        state = s;
        return true;
    }
    int SidePanelPlacement() const override { return placement; }
    bool SetSidePanelPlacement(int p) override
    {
        if (p != 3 && p != 4)
            return false;
        placement = p;
        return true;
    }
    bool SidePanelVisible() const override { return sidePanel; }
    void SetSidePanelVisible(bool visible) override { sidePanel = visible; }
    void SetColorDialogColor(TColor color) override { dialogColor = color; }
    void SyncToggleButtons() override { ++syncs; }
};

class NullThemeView : public ThemeView {
public:
    void PaintSurfaces() override {}
    void ShowAutoSwitch(bool) override {}
    void SetCaption(const QString& text) override { caption = text; }
    QString caption;
};

// A window, its theme and a tile world over a small tree with three sensors.
struct Dashboard {
    Dashboard()
    {
        theme.WindowCreated();
        TreeNode* cpu = world.host.AddHardware("CPU Package", "/cpu/0");
        world.host.AddSensor(cpu, "Core #1", "/cpu/0/temperature/0", "Temperature", 50, 30, 80);
        world.host.AddSensor(cpu, "Core #2", "/cpu/0/temperature/1", "Temperature", 51, 30, 80);
        world.host.AddSensor(cpu, "Load", "/cpu/0/load/0", "Load", 12, 0, 100);
    }
    DashboardParts Parts(int provider = 0) { return {window, theme, world.tiles, provider}; }
    void AddTile(const QString& id, int type = dtText, const QString& name = QString())
    {
        TSensorFrame& tile = world.tiles.At(world.tiles.AddTile(-1));
        tile.BindSensor(id);
        tile.SetDisplayType(std::uint8_t(type));
        if (!name.isEmpty())
            tile.SetCustomName(name);
    }
    QStringList Ids()
    {
        QStringList ids;
        for (int i = 0; i < world.tiles.Count(); ++i)
            ids << world.tiles.At(i).SensorId;
        return ids;
    }

    FakeWindow window;
    NullThemeView view;
    ThemeController theme {view};
    TileWorld world;
};

TEST(DashboardFile, FileNamesPerComputerSharedAndConfigFolder)
{
    QTemporaryDir dir;
    const QString program = dir.filePath("bin/gaugeloft");
    const QString config = dir.filePath("config/gaugeloft");
    QDir().mkpath(dir.filePath("bin"));
    QDir().mkpath(config);
    DashboardFileLocation at {program, "DESK", config, true};

    // a per-user program: the per-computer file lives in the config folder
    EXPECT_EQ(DashboardFileName(at, true), config + "/gaugeloft.DESK.ini");
    EXPECT_EQ(DashboardFileName(at, false), dir.filePath("bin/gaugeloft.ini"));  // shared fallback
    QFile(config + "/gaugeloft.DESK.ini").open(QIODevice::WriteOnly);
    EXPECT_EQ(DashboardFileName(at, false), config + "/gaugeloft.DESK.ini");

    // a per-computer file beside the program marks a portable copy (or an earlier build's save)
    QFile(dir.filePath("bin/gaugeloft.DESK.ini")).open(QIODevice::WriteOnly);
    EXPECT_EQ(DashboardFileName(at, true), dir.filePath("bin/gaugeloft.DESK.ini"));
    EXPECT_EQ(DashboardFileName(at, false), dir.filePath("bin/gaugeloft.DESK.ini"));

    // an installed program: its folder cannot be written, the file lives in the config folder
    DashboardFileLocation installed {dir.filePath("usr/bin/gaugeloft.exe"), "DESK", config, false};
    QFile::remove(config + "/gaugeloft.DESK.ini");
    EXPECT_EQ(DashboardFileName(installed, true), config + "/gaugeloft.DESK.ini");
    EXPECT_EQ(DashboardFileName(installed, false), dir.filePath("usr/bin/gaugeloft.ini"));
    QDir().mkpath(dir.filePath("usr/bin"));
    QFile(dir.filePath("usr/bin/gaugeloft.DESK.ini")).open(QIODevice::WriteOnly);
    EXPECT_EQ(DashboardFileName(installed, false), dir.filePath("usr/bin/gaugeloft.DESK.ini")) << "read, not written";
    EXPECT_EQ(DashboardFileName(installed, true), config + "/gaugeloft.DESK.ini");
    QFile(config + "/gaugeloft.DESK.ini").open(QIODevice::WriteOnly);
    EXPECT_EQ(DashboardFileName(installed, false), config + "/gaugeloft.DESK.ini");

    DashboardFileLocation nameless {program, "", config, true};
    EXPECT_EQ(DashboardFileName(nameless, true), config + "/gaugeloft..ini");
    DashboardFileLocation noConfig {program, "LAP", QString(), true};
    EXPECT_EQ(DashboardFileName(noConfig, true), dir.filePath("bin/gaugeloft.LAP.ini"));
}

TEST(DashboardFile, RoundTripOfTilesWindowAndTheme)
{
    Dashboard saved;
    saved.AddTile("/cpu/0/temperature/0", dtChart, "Hot");
    saved.AddTile("/cpu/0/load/0", dtPie);
    saved.AddTile("/no/such/sensor", dtProgress);
    saved.window = FakeWindow();
    saved.window.bounds = QRect(10, 20, 900, 500);
    saved.window.treeWidth = 180;
    saved.window.titleVisible = false;
    saved.window.state = 2;
    saved.window.placement = 4;
    saved.window.sidePanel = false;
    saved.theme.SwitchTheme();  // switching off, Light → Dark
    const QByteArray text = SaveDashboardText({}, saved.Parts());

    Dashboard loaded;
    loaded.world.tiles.AddTile(-1);  // tiles already there are replaced
    LoadDashboardText(text, loaded.Parts());
    EXPECT_EQ(loaded.Ids(), QStringList({"/cpu/0/temperature/0", "/cpu/0/load/0", "/no/such/sensor"}));
    EXPECT_EQ(loaded.world.tiles.At(0).DisplayType, dtChart);
    EXPECT_EQ(loaded.world.tiles.At(0).Subtitle.Text, "Hot");
    EXPECT_EQ(loaded.world.tiles.At(1).DisplayType, dtPie);
    EXPECT_EQ(loaded.world.tiles.At(2).DisplayType, dtProgress);
    EXPECT_EQ(loaded.world.tiles.At(0).TileNumber, 2);  // numbers go on from the run's counter
    EXPECT_EQ(loaded.window.bounds, QRect(10, 20, 900, 500));
    EXPECT_EQ(loaded.window.treeWidth, 180);
    EXPECT_EQ(loaded.window.titleToggles, 1);
    EXPECT_EQ(loaded.window.treeToggles, 0);
    EXPECT_EQ(loaded.window.state, 2);
    EXPECT_EQ(loaded.window.placement, 4);
    EXPECT_FALSE(loaded.window.sidePanel);
    EXPECT_EQ(loaded.window.syncs, 1);
    EXPECT_EQ(loaded.theme.CurrentTheme, thDark);
    EXPECT_EQ(loaded.theme.FallbackTheme, thDark);
    EXPECT_FALSE(loaded.theme.AutoSwitch());
    EXPECT_EQ(loaded.view.caption, "Gaugeloft");
    EXPECT_FALSE(loaded.theme.CustomThemeActive);
    EXPECT_TRUE(loaded.world.view.timerActive);

    const platform::IniFile ini = platform::IniFile::FromText(text);
    EXPECT_EQ(ini.ReadInteger("General", "CustomColor", -1), 4210752);  // the Dark tile colour
    EXPECT_EQ(ini.ReadInteger("General", "CustomPenCol", -1), 50688);
    EXPECT_FALSE(ini.HasKey("Sensors", "Id3"));
}

TEST(DashboardFile, CustomPaletteComesBackAndAPresetAfterwardsIsSavedAsPreset)
{
    Dashboard saved;
    saved.theme.BeginCustomColor(false);
    saved.theme.EndCustomColor(false, RgbColor(0x33, 0x66, 0x99));
    Dashboard loaded;
    LoadDashboardText(SaveDashboardText({}, saved.Parts()), loaded.Parts());
    EXPECT_TRUE(loaded.theme.CustomThemeActive);
    EXPECT_EQ(loaded.theme.Palette().PenColor, RgbColor(0xFF, 0xFF, 0xA8));
    EXPECT_EQ(loaded.window.dialogColor, RgbColor(0x33, 0x66, 0x99));

    saved.theme.SwitchTheme();
    Dashboard again;
    LoadDashboardText(SaveDashboardText({}, saved.Parts()), again.Parts());
    EXPECT_FALSE(again.theme.CustomThemeActive);
    EXPECT_EQ(again.theme.Palette().TileColor, PresetPalette(again.theme.CurrentTheme).TileColor);
}

TEST(DashboardFile, TilesArePerProvider)
{
    Dashboard d;
    d.AddTile("/cpu/0/temperature/0");
    d.AddTile("/cpu/0/temperature/1");
    d.AddTile("/cpu/0/load/0");
    const QByteArray text = SaveDashboardText({}, d.Parts(0));

    LoadDashboardText(text, d.Parts(1));  // the other provider has no section
    EXPECT_EQ(d.world.tiles.Count(), 0);
    d.AddTile("/cpu/0/load/0");
    const QByteArray both = SaveDashboardText(text, d.Parts(1));
    EXPECT_TRUE(platform::IniFile::FromText(both).HasSection("Sensors#1"));

    LoadDashboardText(both, d.Parts(0));
    EXPECT_EQ(d.Ids(), QStringList({"/cpu/0/temperature/0", "/cpu/0/temperature/1", "/cpu/0/load/0"}));
    LoadDashboardText(both, d.Parts(1));
    EXPECT_EQ(d.Ids(), QStringList({"/cpu/0/load/0"}));
}

TEST(DashboardFile, FewerTilesLeaveTheOldKeysAndNothingIsRemoved)
{
    Dashboard d;
    for (int i = 0; i < 5; ++i)
        d.AddTile("/cpu/0/load/0", dtText, QStringLiteral("n%1").arg(i));
    const QByteArray five = QByteArray("; my notes\n[Other]\nkeep=1\n") + SaveDashboardText({}, d.Parts());
    while (d.world.tiles.Count() > 2)
        d.world.tiles.RemoveTile(d.world.tiles.At(d.world.tiles.Count() - 1));
    const QByteArray two = SaveDashboardText(five, d.Parts());
    const platform::IniFile ini = platform::IniFile::FromText(two);
    EXPECT_EQ(ini.ReadInteger("Sensors", "Count", 0), 2);
    for (const char* section : {"Sensors", "Display", "Titles"}) {
        for (const char* key : {"Id2", "Id3", "Id4"})
            EXPECT_TRUE(ini.HasKey(section, key)) << section << " " << key;
    }
    EXPECT_TRUE(two.startsWith("; my notes\n[Other]\nkeep=1\n"));
}

TEST(DashboardFile, ReadingOddValues)
{
    Dashboard d;
    LoadDashboardText("[Sensors]\nCount=3\nId0=\nId1=/cpu/0/load/0\n"
                      "[Display]\nId0=259\nId1=abc\n"
                      "[Screen]\nState=7\nTheme=7\nLeft=x\n[View]\nToolbarPos=9\n",
                      d.Parts());
    ASSERT_EQ(d.world.tiles.Count(), 3);  // the third has no identifier and stays empty
    EXPECT_EQ(d.world.tiles.At(0).DisplayType, dtChart);  // 259: the low 8 bits
    EXPECT_EQ(d.world.tiles.At(1).DisplayType, dtText);   // not a number: the default
    EXPECT_TRUE(d.world.tiles.At(0).IsEmpty());
    EXPECT_EQ(d.world.tiles.At(0).Subtitle.Text, QString());  // no "(empty)": the blank default
    EXPECT_TRUE(d.world.tiles.At(2).IsEmpty());
    EXPECT_EQ(d.window.state, 0);      // cannot be applied: normal
    EXPECT_EQ(d.window.placement, 3);  // cannot be applied: left
    EXPECT_EQ(d.window.bounds.left(), 100);
    EXPECT_EQ(d.theme.CurrentTheme, 7);
    EXPECT_EQ(d.theme.Palette().TileColor, PresetPalette(thDark).TileColor);

    Dashboard huge;
    LoadDashboardText("[Sensors]\nCount=2000000000\n", huge.Parts());
    EXPECT_EQ(huge.world.tiles.Count(), kMaxDashboardTiles);
}

TEST(DashboardFile, NoFileKeepsWindowAndThemeAndRunsTheToggle)
{
    Dashboard d;
    const FakeWindow before = d.window;
    LoadDashboardText({}, d.Parts());
    EXPECT_EQ(d.world.tiles.Count(), 0);
    EXPECT_EQ(d.window.bounds, before.bounds);
    EXPECT_EQ(d.theme.CurrentTheme, thLight);
    EXPECT_TRUE(d.theme.AutoSwitch());
    EXPECT_TRUE(d.theme.ThemeCheckPending);
    EXPECT_EQ(d.view.caption, "Gaugeloft - [Time Sync Theme]");
}

TEST(DashboardFile, SavingCreatesThePerComputerFileAndFailuresKeepTheOldOne)
{
    QTemporaryDir dir;
    const QString program = dir.filePath("gaugeloft");
    DashboardFileLocation at {program, "DESK", dir.filePath("config"), true};
    {
        QFile shared(dir.filePath("gaugeloft.ini"));
        ASSERT_TRUE(shared.open(QIODevice::WriteOnly));
        shared.write("[Sensors]\nCount=1\nId0=/cpu/0/load/0\n");
    }
    Dashboard d;
    LoadDashboard(at, d.Parts());
    EXPECT_EQ(d.Ids(), QStringList({"/cpu/0/load/0"}));
    d.AddTile("/cpu/0/temperature/0");
    EXPECT_EQ(SaveDashboard(at, d.Parts()), QString());
    ASSERT_TRUE(QFile::exists(dir.filePath("config/gaugeloft.DESK.ini")));
    LoadDashboard(at, d.Parts());
    EXPECT_EQ(d.Ids(), QStringList({"/cpu/0/load/0", "/cpu/0/temperature/0"}));

    // a full disk: the writer fails, the message names the file, the old file is intact
    QFile file(dir.filePath("config/gaugeloft.DESK.ini"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray old = file.readAll();
    file.close();
    d.AddTile("/cpu/0/temperature/1");
    const QString message = SaveDashboard(at, d.Parts(), [](const QString&, const QByteArray&, QString* why) {
        *why = "No space left on device";
        return false;
    });
    EXPECT_EQ(message, "Unable to write to " + dir.filePath("config/gaugeloft.DESK.ini") + "\nNo space left on device");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), old);

    // a folder that cannot be written (here: it is a file)
    DashboardFileLocation blocked {dir.filePath("config/gaugeloft.DESK.ini/gaugeloft"), "DESK", QString(), true};
    EXPECT_TRUE(SaveDashboard(blocked, d.Parts()).startsWith("Unable to write to "));
}

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// From a hundred bytes to past 64 KiB, each save on a full file system fails with the reason
// and leaves the old file as it was.
TEST(DashboardFile, FullFileSystemKeepsTheSavedDashboard)
{
    testing::FullFileSystem disk;
    ASSERT_TRUE(disk.Ready());
    SCOPED_TRACE(disk.Kind());
    const DashboardFileLocation at {disk.FilePath("gaugeloft"), "BOX", QString(), true};
    Dashboard d;
    d.AddTile("/cpu/0/load/0");
    ASSERT_EQ(SaveDashboard(at, d.Parts()), QString());
    const QString path = disk.FilePath("gaugeloft.BOX.ini");
    const QByteArray old = Bytes(path);
    ASSERT_FALSE(old.isEmpty());
    disk.Fill();
    int tiles = 1;
    for (const int target : {100, 1000, 4000, 16000, 17000, 65536}) {
        while (SaveDashboardText(old, d.Parts()).size() < target)
            d.AddTile("/cpu/0/temperature/" + QString::number(tiles++));
        SCOPED_TRACE(SaveDashboardText(old, d.Parts()).size());
        EXPECT_EQ(SaveDashboard(at, d.Parts()), "Unable to write to " + path + "\n" + disk.ExpectedReason());
        EXPECT_EQ(Bytes(path), old);
        EXPECT_EQ(disk.Entries(), QStringList{"gaugeloft.BOX.ini"});
    }
}

// Only a regular file is ever replaced, and reading never blocks or grows without bound.
TEST(DashboardFile, SomethingElseInTheFilesPlaceIsRefusedWithTheReason)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("gaugeloft.BOX.ini");
    const QByteArray native = QFile::encodeName(path);
    const QString device = dir.filePath("null");
    const bool haveDevice = ::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    const struct {
        const char* name;
        std::function<bool()> make;
        std::string reason;
    } cases[] = {
        {"FIFO", [&] { return ::mkfifo(native.constData(), 0600) == 0; }, "Not a regular file"},
        {"folder", [&] { return ::mkdir(native.constData(), 0700) == 0; }, std::strerror(EISDIR)},
        {"link to /dev/zero", [&] { return ::symlink("/dev/zero", native.constData()) == 0; }, "Not a regular file"},
        {"link to a device", [&] { return haveDevice && ::symlink(QFile::encodeName(device).constData(), native.constData()) == 0; },
         "Not a regular file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ::unlink(native.constData());
        ::rmdir(native.constData());
        if (!c.make())
            continue;  // no device nodes here
        struct stat before {};
        ASSERT_EQ(::lstat(native.constData(), &before), 0);
        const DashboardFileLocation at {dir.filePath("gaugeloft"), "BOX", QString(), true};
        Dashboard d;
        d.AddTile("/cpu/0/load/0");
        const QString reason = QString::fromStdString(c.reason);
        EXPECT_EQ(LoadDashboard(at, d.Parts()), "Unable to read " + path + "\n" + reason);
        EXPECT_EQ(d.world.tiles.Count(), 0);  // read as no file: the defaults
        d.AddTile("/cpu/0/load/0");
        EXPECT_EQ(SaveDashboard(at, d.Parts()), "Unable to write to " + path + "\n" + reason);
        struct stat after {};
        ASSERT_EQ(::lstat(native.constData(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_ino, before.st_ino);
        if (haveDevice) {
            struct stat dev {};
            ASSERT_EQ(::stat(QFile::encodeName(device).constData(), &dev), 0);
            EXPECT_TRUE(S_ISCHR(dev.st_mode));
        }
    }

    // a link to a regular file is written through
    ::unlink(native.constData());
    ASSERT_EQ(::symlink("kept/real.ini", native.constData()), 0);
    ASSERT_TRUE(QDir().mkpath(dir.filePath("kept")));
    QFile(dir.filePath("kept/real.ini")).open(QIODevice::WriteOnly);
    const DashboardFileLocation at {dir.filePath("gaugeloft"), "BOX", QString(), true};
    Dashboard d;
    d.AddTile("/cpu/0/load/0");
    EXPECT_EQ(SaveDashboard(at, d.Parts()), QString());
    EXPECT_TRUE(QFileInfo(path).isSymLink());
    EXPECT_TRUE(Bytes(dir.filePath("kept/real.ini")).contains("Id0=/cpu/0/load/0"));

    // a file far larger than any dashboard is not read, and not replaced
    ::unlink(native.constData());
    QFile huge(path);
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(kMaxDashboardFileBytes + 1));
    huge.close();
    const QString tooLarge = QStringLiteral("File too large (over %1 bytes)").arg(kMaxDashboardFileBytes);
    EXPECT_EQ(LoadDashboard(at, d.Parts()), "Unable to read " + path + "\n" + tooLarge);
    EXPECT_EQ(SaveDashboard(at, d.Parts()), "Unable to write to " + path + "\n" + tooLarge);
    EXPECT_EQ(QFileInfo(path).size(), kMaxDashboardFileBytes + 1);
}

TEST(DashboardFile, ComputerNamesThatCannotStandInAFileName)
{
    const struct {
        QString computer;
        QString host;
        QString expected;
    } cases[] = {
        {"DESK", "desk.example", "DESK"},
        {"a/b", "h", "a_b"},
        {"../../etc", "h", ".._.._etc"},
        {"tab\there\nnew", "h", "tab_here_new"},
        {"", "workstation", "workstation"},
        {"   ", "workstation", "workstation"},
        {"", "", "localhost"},
        {"", "bad/host", "bad_host"},
        {"Büro-PC", "h", "Büro-PC"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DashboardComputerName(c.computer, c.host), c.expected) << c.computer.toStdString();
}

// A program folder whose name is not valid UTF-8 still gets its own files, byte for byte.
TEST(DashboardFile, ProgramFolderThatIsNotUtf8)
{
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path()) + "/Gr\xfc\xdf" "e";
    ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
    const DashboardFileLocation at {platform::PathFromNative(folder + "/gaugeloft"), "BOX", QString(), true};
    EXPECT_EQ(platform::NativePath(DashboardFileName(at, true)), folder + "/gaugeloft.BOX.ini");
    Dashboard d;
    d.AddTile("/cpu/0/load/0");
    EXPECT_EQ(SaveDashboard(at, d.Parts()), QString());
    struct stat st {};
    EXPECT_EQ(::stat((folder + "/gaugeloft.BOX.ini").constData(), &st), 0);
    EXPECT_EQ(platform::NativePath(DashboardFileName(at, false)), folder + "/gaugeloft.BOX.ini");
    Dashboard again;
    EXPECT_EQ(LoadDashboard(at, again.Parts()), QString());
    EXPECT_EQ(again.Ids(), QStringList{"/cpu/0/load/0"});
    ::unlink((folder + "/gaugeloft.BOX.ini").constData());
    ::rmdir(folder.constData());
}

} // namespace
} // namespace gaugeloft
