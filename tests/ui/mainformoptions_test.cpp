#include "ui/mainform.h"

#include "ui/mainformfixture.h"
#include "ui/optionsform.h"
#include "support/scopedenv.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <functional>

namespace gaugeloft {
namespace {

constexpr char kConfigVar[] = "XDG_CONFIG_HOME";

// The window with its Options dialog over a settings store in a temporary config folder.
struct WithOptions : MainFormFixture {
    WithOptions()
        : MainFormFixture(Example("desktop.json"))
        , config(kConfigVar, folder.filePath(QStringLiteral("xdg")).toUtf8())
    {
        store = std::make_unique<platform::SettingsStore>(platform::SettingsStore::DefaultPath());
        options = new TOptionsForm(*store, QStringLiteral("/opt/gaugeloft/bin/gaugeloft"), &window);
        options->ConfirmProviderChange = [](const QString&, const QPoint&) { return true; };
        options->LoadSettings();
        window.SetOptionsForm(options);
        QObject::connect(&window, &TMainForm::detected, [this] { ++detections; });
        window.Timer1Timer();
        detections = 0;
    }
    // Opens the Options dialog, lets `change` set it, and presses OK.
    void OkWith(const std::function<void(TOptionsForm&)>& change)
    {
        desktop.execDialog = [&](QDialog&) {
            options->show();
            change(*options);
            options->OkButton()->click();
            return options->result();
        };
        window.SpeedButton8Click();
    }
    QStringList Ids()
    {
        QStringList ids;
        for (int i = 0; i < window.Tiles().Count(); ++i)
            ids << window.Tiles().At(i).SensorId;
        return ids;
    }

    testing::ScopedEnv config;
    std::unique_ptr<platform::SettingsStore> store;
    TOptionsForm* options = nullptr;
    int detections = 0;
};

TEST(MainFormOptions, StartupTakesTheStoredOptionsAndTheFirstOkAlwaysDetects)
{
    WithOptions f;
    EXPECT_EQ(Timer3(f.window).interval(), 40);
    EXPECT_FALSE(f.window.KeepInTray);
    EXPECT_EQ(f.provider.CurrentProvider, 0);

    f.OkWith([](TOptionsForm&) {});
    EXPECT_EQ(f.detections, 1);  // the first OK of a run
    f.OkWith([](TOptionsForm&) {});
    EXPECT_EQ(f.detections, 1);  // nothing changed: nothing reloaded

    f.OkWith([](TOptionsForm& o) { o.RateList()->setCurrentIndex(1); });
    EXPECT_EQ(f.detections, 2);
    EXPECT_EQ(Timer3(f.window).interval(), 100);

    f.OkWith([](TOptionsForm& o) {
        o.KeepInTrayBox()->setChecked(true);
        o.FahrenheitBox()->setChecked(true);
    });
    EXPECT_TRUE(f.window.KeepInTray);
    EXPECT_TRUE(f.window.Poll().ShowFahrenheit);
    EXPECT_EQ(f.detections, 2);
}

TEST(MainFormOptions, ThemeChoicesApplyInOrder)
{
    WithOptions f;
    ASSERT_TRUE(f.window.Theme().AutoSwitch());
    f.OkWith([](TOptionsForm& o) {
        o.AutoThemeBox()->setChecked(false);
        o.GrayRadio()->setChecked(true);
    });
    EXPECT_FALSE(f.window.Theme().AutoSwitch());
    EXPECT_EQ(f.window.Theme().CurrentTheme, thGray);
    EXPECT_EQ(f.window.windowTitle(), QStringLiteral("Gaugeloft"));

    f.OkWith([](TOptionsForm& o) { o.AutoThemeBox()->setChecked(true); });
    EXPECT_TRUE(f.window.Theme().AutoSwitch());
    EXPECT_EQ(f.window.windowTitle(), QStringLiteral("Gaugeloft - [Time Sync Theme]"));
}

TEST(MainFormOptions, SwitchingTheProviderAndBackBringsItsTilesBack)
{
    WithOptions f;
    f.window.FillDemoTiles(3);
    const QStringList first = f.Ids();
    ASSERT_TRUE(f.window.SaveDashboard());

    f.OkWith([](TOptionsForm& o) { o.ProviderList()->setCurrentIndex(1); });
    EXPECT_EQ(f.provider.CurrentProvider, 1);
    ASSERT_EQ(f.window.Tiles().Count(), 1);  // no tiles of its own: one empty tile
    EXPECT_TRUE(f.window.Tiles().At(0).IsEmpty());

    f.OkWith([](TOptionsForm& o) { o.ProviderList()->setCurrentIndex(0); });
    EXPECT_EQ(f.provider.CurrentProvider, 0);
    EXPECT_EQ(f.Ids(), first);
}

// A remote provider's new address reaches the provider state at OK, whichever provider is in use.
TEST(MainFormOptions, AnAddressChangeReachesTheProvider)
{
    WithOptions f;
    EXPECT_EQ(f.provider.ProviderAddress(1), "http://localhost:8085/");
    EXPECT_EQ(f.provider.ProviderAddress(2), "http://localhost:9090/");
    f.OkWith([](TOptionsForm& o) {
        o.ProviderList()->setCurrentIndex(2);
        o.AddressBox()->setText("http://fleet.lan:9090/prometheus/");
        Q_EMIT o.AddressBox()->textEdited(o.AddressBox()->text());
    });
    EXPECT_EQ(f.provider.CurrentProvider, 2);
    EXPECT_EQ(f.provider.ProviderAddress(2), "http://fleet.lan:9090/prometheus/");
    EXPECT_EQ(f.provider.ProviderAddress(1), "http://localhost:8085/");
}

TEST(MainFormOptions, CancelChangesNothing)
{
    WithOptions f;
    f.desktop.execDialog = [&](QDialog&) {
        f.options->show();
        f.options->ProviderList()->setCurrentIndex(1);
        f.options->KeepInTrayBox()->setChecked(true);
        f.options->reject();
        return f.options->result();
    };
    f.window.SpeedButton8Click();
    EXPECT_EQ(f.provider.CurrentProvider, 0);
    EXPECT_FALSE(f.window.KeepInTray);
    EXPECT_EQ(f.detections, 0);
}

} // namespace
} // namespace gaugeloft
