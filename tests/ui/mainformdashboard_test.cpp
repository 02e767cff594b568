#include "ui/mainform.h"

#include "ui/dashboardarea.h"
#include "ui/launcherpanel.h"
#include "ui/mainformfixture.h"
#include "ui/propertiesform.h"
#include "ui/titlestrip.h"
#include "support/fullfilesystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QScreen>
#include <QSplitter>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace gaugeloft {
namespace {

QString SavedFile(const MainFormFixture& f)
{
    return DashboardFileName(f.window.DashboardLocation(), true);
}

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(MainFormDashboard, SaveQuitAndStartAgainBringsEverythingBack)
{
    MainFormFixture first(Example("desktop.json"));
    TMainForm& w = first.window;
    w.Timer1Timer();
    w.FillDemoTiles(6);
    w.Tiles().At(2).SetCustomName(QStringLiteral("Mine"));
    Launcher(w)->SpeedButton(6)->click();  // switching off, Light → Dark
    w.FileView().SetWindowBounds(QRect(120, 90, 900, 520));
    w.FileView().SetTreeWidth(190);
    w.SpeedButton5Click();  // title strip hidden
    w.SetSidePanelOnRight(true);
    EXPECT_EQ(w.FileView().WindowBounds(), QRect(120, 90, 900, 520 - TitleStrip::kHeight));  // shorter by the strip
    ASSERT_TRUE(w.SaveDashboard());

    MainFormFixture second(Example("desktop.json"));
    TMainForm& again = second.window;
    again.SetDashboardLocation(w.DashboardLocation());
    again.Timer1Timer();  // detection, then the dashboard file
    ASSERT_EQ(again.Tiles().Count(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(again.Tiles().At(i).SensorId, w.Tiles().At(i).SensorId) << i;
        EXPECT_EQ(again.Tiles().At(i).DisplayType, w.Tiles().At(i).DisplayType) << i;
        EXPECT_EQ(again.Tiles().At(i).CustomName, w.Tiles().At(i).CustomName) << i;
    }
    EXPECT_EQ(again.Tiles().At(2).Subtitle.Text, QStringLiteral("Mine"));
    EXPECT_EQ(again.Theme().CurrentTheme, thDark);
    EXPECT_FALSE(again.Theme().AutoSwitch());
    EXPECT_EQ(again.windowTitle(), QStringLiteral("Gaugeloft"));
    EXPECT_EQ(again.FileView().WindowBounds(), w.FileView().WindowBounds());
    EXPECT_EQ(again.FileView().TreeWidth(), 190);
    EXPECT_TRUE(TopPanel(again)->isHidden());
    EXPECT_FALSE(Launcher(again)->SpeedButton(5)->isChecked());
    EXPECT_TRUE(again.SidePanelOnRight());
    EXPECT_TRUE(again.isVisible());
}

TEST(MainFormDashboard, SaveButtonsWriteAndAFailedWriteKeepsTheOldFile)
{
    MainFormFixture f(Example("desktop.json"));
    TMainForm& w = f.window;
    QStringList errors;
    f.desktop.showError = [&](const QString& text) { errors << text; };
    w.Timer1Timer();

    Launcher(w)->SpeedButton(4)->click();
    const QByteArray saved = Contents(SavedFile(f));
    ASSERT_FALSE(saved.isEmpty());
    EXPECT_TRUE(errors.isEmpty());

    w.FillDemoTiles(3);
    f.desktop.writeFile = [](const QString&, const QByteArray&, QString* why) {
        *why = QStringLiteral("No space left on device");
        return false;
    };
    SidePanelMenu(w)->actions().at(6)->trigger();  // "&Save View"
    QCoreApplication::processEvents();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0], QStringLiteral("Unable to write to ") + SavedFile(f) + QStringLiteral("\nNo space left on device"));
    EXPECT_EQ(Contents(SavedFile(f)), saved);

    f.desktop.writeFile = nullptr;
    DashboardMenu(w)->actions().last()->trigger();  // the dashboard menu's "&Save View"
    QCoreApplication::processEvents();
    EXPECT_NE(Contents(SavedFile(f)), saved);
}

TEST(MainFormDashboard, PropertiesDialogAppliesOnlyOnOk)
{
    MainFormFixture f(Example("desktop.json"));
    TMainForm& w = f.window;
    w.Timer1Timer();
    w.FillDemoTiles(2);
    TSensorFrame& tile = w.Tiles().At(0);
    const QString subtitle = tile.Subtitle.Text;

    f.desktop.execDialog = [](QDialog& dialog) {
        auto& properties = static_cast<TPropertiesForm&>(dialog);
        properties.Edit1()->setText(QStringLiteral("Renamed"));
        properties.RadioButton(5)->setChecked(true);  // Pie
        return int(QDialog::Rejected);
    };
    w.Properties1Click(tile);
    EXPECT_EQ(tile.Subtitle.Text, subtitle);
    EXPECT_EQ(tile.DisplayType, dtText);

    f.desktop.execDialog = [](QDialog& dialog) {
        auto& properties = static_cast<TPropertiesForm&>(dialog);
        EXPECT_EQ(properties.Edit3()->text(), QStringLiteral("#1"));
        properties.Edit1()->setText(QStringLiteral("Renamed"));
        properties.RadioButton(5)->setChecked(true);
        return int(QDialog::Accepted);
    };
    w.Properties1Click(tile);
    EXPECT_EQ(tile.Subtitle.Text, QStringLiteral("Renamed"));
    EXPECT_EQ(tile.DisplayType, dtPie);
}

TEST(MainFormDashboard, TreeKeepsItsWidthOnceShown)
{
    MainFormFixture f(Example("desktop.json"));
    f.window.Timer1Timer();
    QTest::qWait(500);
    EXPECT_EQ(TreeView(f.window)->width(), 149);
    EXPECT_EQ(f.window.size(), QSize(792, 449));
}

TEST(MainFormDashboard, AnUnreachablePlaceIsCentred)
{
    MainFormFixture f(Example("desktop.json"));
    TMainForm& w = f.window;
    w.FileView().SetWindowBounds(QRect(-5000, 9000, 800, 450));
    const QRect area = w.screen()->availableGeometry();
    EXPECT_TRUE(area.intersects(w.geometry()));
    w.FileView().SetWindowBounds(QRect(10, 10, -50, 1 << 30));  // sizes from a damaged file
    EXPECT_GT(w.width(), 0);
    EXPECT_LE(w.height(), 16384);
}

// A full disk: "Save View" tells why, and the saved dashboard stays as it was.
TEST(MainFormDashboard, SaveOnAFullDiskShowsTheReason)
{
    testing::FullFileSystem disk;
    ASSERT_TRUE(disk.Ready());
    SCOPED_TRACE(disk.Kind());
    MainFormFixture f(Example("desktop.json"));
    TMainForm& w = f.window;
    w.SetDashboardLocation({disk.FilePath("gaugeloft"), "TEST", QString(), true});
    QStringList errors;
    f.desktop.showError = [&](const QString& text) { errors << text; };
    w.Timer1Timer();
    w.FillDemoTiles(4);
    ASSERT_TRUE(w.SaveDashboard());
    const QByteArray saved = Contents(SavedFile(f));
    disk.Fill();
    w.FillDemoTiles(8);
    Launcher(w)->SpeedButton(4)->click();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0], "Unable to write to " + SavedFile(f) + "\n" + disk.ExpectedReason());
    EXPECT_EQ(Contents(SavedFile(f)), saved);
}

// A FIFO in the dashboard file's place: the start goes on with the defaults, and the user is
// told once the tick has ended.
TEST(MainFormDashboard, ADashboardThatIsNotAFileIsReportedNotWaitedFor)
{
    MainFormFixture f(Example("desktop.json"));
    TMainForm& w = f.window;
    ASSERT_TRUE(QDir().mkpath(QFileInfo(SavedFile(f)).path()));
    ASSERT_EQ(::mkfifo(QFile::encodeName(SavedFile(f)).constData(), 0600), 0);
    QStringList errors;
    f.desktop.showError = [&](const QString& text) { errors << text; };
    w.Timer1Timer();
    EXPECT_TRUE(errors.isEmpty()) << "not inside the tick";
    QCoreApplication::processEvents();
    EXPECT_EQ(errors, QStringList({"Unable to read " + SavedFile(f) + "\nNot a regular file"}));
    EXPECT_EQ(w.Tiles().Count(), 1);
    EXPECT_FALSE(w.SaveDashboard());
    EXPECT_EQ(errors.last(), "Unable to write to " + SavedFile(f) + "\nNot a regular file");
}

} // namespace
} // namespace gaugeloft
