#include "ui/optionsform.h"

#include "platform/autostart.h"
#include "platform/nativepath.h"
#include "support/fullfilesystem.h"
#include "support/scopedenv.h"
#include "sensors/providertable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace gaugeloft {
namespace {

const QString kExe = QStringLiteral("/opt/gaugeloft/bin/gaugeloft");
const QString kKey = TOptionsForm::kSettingsKey;
constexpr char kConfigVar[] = "XDG_CONFIG_HOME";


// The store file and the autostart entry in a temporary config directory, and a dialog whose
// hooks record instead of opening windows.
struct Sandbox {
    explicit Sandbox(QWidget* parent = nullptr) : dialog(store, kExe, parent)
    {
        dialog.ConfirmProviderChange = [this](const QString& text, const QPoint& topLeft) {
            questions.push_back(text);
            questionAt = topLeft;
            return answer;
        };
        dialog.OpenUrl = [this](const QUrl& url) { urls.push_back(url); };
        dialog.ShowError = [this](const QString& text) { errors.push_back(text); };
    }

    void WriteEntry(const QString& exec) const
    {
        const QString path = platform::AutostartPath();
        ASSERT_TRUE(path.startsWith(dir.path()));
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[Desktop Entry]\nType=Application\nName=Gaugeloft\nExec=" + exec.toUtf8() + "\n");
    }

    std::optional<std::uint32_t> Stored(const QString& name) const
    {
        const std::optional<platform::SettingsValue> value = store.Read(kKey, name);
        if (!value || value->Type != platform::SettingsType::DWord)
            return std::nullopt;
        return value->Number;
    }

    QTemporaryDir dir;
    testing::ScopedEnv home{kConfigVar, dir.path().toUtf8()};
    platform::SettingsStore store{platform::SettingsStore::DefaultPath()};
    TOptionsForm dialog;
    bool answer = true;
    std::vector<QString> questions;
    QPoint questionAt;
    std::vector<QUrl> urls;
    std::vector<QString> errors;
};

std::vector<QCheckBox*> OptionBoxes(const TOptionsForm& d)
{
    return {d.TaskbarBox(), d.ReminderBox(), d.KeepInTrayBox(), d.FahrenheitBox(),
            d.WebUpdateBox(), d.RefresherBox()};
}

TEST(OptionsForm, ControlsAndAccessibility)
{
    Sandbox s;
    TOptionsForm& d = s.dialog;
    EXPECT_EQ(d.windowTitle(), "Options");
    ASSERT_EQ(d.Tabs()->count(), 2);
    EXPECT_EQ(d.Tabs()->tabText(0), "General");
    EXPECT_EQ(d.Tabs()->tabText(1), "Advanced");
    EXPECT_EQ(d.ColorThemeGroup()->title(), "Color Theme");
    EXPECT_TRUE(d.DarkRadio()->isChecked());
    EXPECT_EQ(d.AutostartBox()->text(), "Load Dashboard application at log&in");
    EXPECT_EQ(d.RefresherBox()->text(), "Use the &refresher interface for data caching");
    EXPECT_EQ(d.ReminderBox()->text(), "Show a reminder &Balloon Tip when minimized");
    ASSERT_EQ(d.ProviderList()->count(), kProviderCount);
    for (int i = 0; i < kProviderCount; ++i)
        EXPECT_EQ(d.ProviderList()->itemText(i), kProviders[i].listText);
    ASSERT_EQ(d.RateList()->count(), 3);
    EXPECT_EQ(d.RateList()->itemText(1), "10 - Balanced mode");
    EXPECT_TRUE(d.OkButton()->isDefault());
    EXPECT_EQ(d.CancelButton()->text(), "&Cancel");

    // Every button has a mnemonic or a name; every list a buddy label.
    for (QAbstractButton* button : d.findChildren<QAbstractButton*>()) {
        if (qobject_cast<QTabBar*>(button->parentWidget()))
            continue;  // the tab bar's scroll arrows
        SCOPED_TRACE(button->text().toStdString());
        EXPECT_TRUE(button->text().contains('&') || !button->accessibleName().isEmpty());
    }
    for (QComboBox* list : {d.ProviderList(), d.RateList()}) {
        bool labelled = false;
        for (QLabel* label : d.findChildren<QLabel*>())
            labelled = labelled || (label->buddy() == list && label->text().contains('&'));
        EXPECT_TRUE(labelled);
    }

    d.show();
    EXPECT_EQ(d.minimumSize(), d.maximumSize());  // fixed size
    EXPECT_EQ(d.focusWidget(), d.AutoThemeBox());
    EXPECT_TRUE(d.ColorThemeGroup()->isAncestorOf(d.focusWidget()));
    // Tab order follows the layout.
    const std::vector<QWidget*> order = {d.AutoThemeBox(), d.DarkRadio(), d.GrayRadio(),
                                         d.LightRadio(), d.AutostartBox(), d.TaskbarBox()};
    for (std::size_t i = 1; i < order.size(); ++i)
        EXPECT_EQ(order[i - 1]->nextInFocusChain(), order[i]) << i;
}

TEST(OptionsForm, FirstRunWithoutSettingsKey)
{
    for (const bool entry : {false, true}) {
        SCOPED_TRACE(entry);
        Sandbox s;
        if (entry)
            s.WriteEntry(kExe);
        s.dialog.Tabs()->setCurrentIndex(1);
        s.dialog.show();
        EXPECT_EQ(s.dialog.Tabs()->currentIndex(), 0);
        EXPECT_EQ(s.dialog.AutostartBox()->isChecked(), entry);
        for (QCheckBox* box : OptionBoxes(s.dialog))
            EXPECT_FALSE(box->isChecked()) << box->text().toStdString();
        EXPECT_EQ(s.dialog.ProviderList()->currentIndex(), 0);
        EXPECT_EQ(s.dialog.RateList()->currentIndex(), 2);
        EXPECT_EQ(s.dialog.AnimationInterval(), 40);
        EXPECT_FALSE(s.dialog.StartupCheck);
        EXPECT_FALSE(s.dialog.HideInTaskbar());
        EXPECT_FALSE(s.dialog.ShowReminder());
        EXPECT_TRUE(s.dialog.DarkRadio()->isChecked());
        EXPECT_FALSE(s.store.KeyExists(kKey));  // showing writes nothing
    }
}

TEST(OptionsForm, MissingValuesTakeTheirDefaults)
{
    Sandbox s;
    s.store.WriteDWord(kKey, "Hide in Taskbar", 1);
    s.store.WriteDWord(kKey, "Show Fahrenheit", 7);  // any non-zero is true
    s.dialog.LoadSettings();
    EXPECT_TRUE(s.dialog.TaskbarBox()->isChecked());
    EXPECT_TRUE(s.dialog.ReminderBox()->isChecked());
    EXPECT_TRUE(s.dialog.WebUpdateBox()->isChecked());
    EXPECT_TRUE(s.dialog.KeepInTrayBox()->isChecked());
    EXPECT_TRUE(s.dialog.FahrenheitBox()->isChecked());
    EXPECT_FALSE(s.dialog.RefresherBox()->isChecked());
    EXPECT_TRUE(s.dialog.HideInTaskbar());
    EXPECT_TRUE(s.dialog.ShowReminder());
    EXPECT_TRUE(s.dialog.StartupCheck);

    // StartupCheck comes from the first load only.
    s.store.WriteDWord(kKey, "Do Web Update", 0);
    s.store.WriteDWord(kKey, "Hide Reminder", 0);
    s.dialog.LoadSettings();
    EXPECT_FALSE(s.dialog.WebUpdateBox()->isChecked());
    EXPECT_FALSE(s.dialog.ShowReminder());
    EXPECT_TRUE(s.dialog.StartupCheck);
}

TEST(OptionsForm, ListIndicesOutsideTheListsAreIgnored)
{
    struct Case {
        std::uint32_t provider, rate;
        int expectedProvider, expectedInterval;
    };
    const Case cases[] = {
        {0, 1, 0, 100},
        {1, 2, 1, 40},
        {2, 2, 2, 40},
        {3, 3, 1, 200},  // kept: provider 1, rate 0
        {0xFFFFFFFF, 0xFFFFFFFF, 1, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.provider << ' ' << c.rate);
        Sandbox s;
        s.store.WriteDWord(kKey, "WMI Provider", c.provider);
        s.store.WriteDWord(kKey, "Performance FPS", c.rate);
        s.dialog.ProviderList()->setCurrentIndex(1);
        s.dialog.RateList()->setCurrentIndex(0);
        s.dialog.LoadSettings();
        EXPECT_EQ(s.dialog.ProviderList()->currentIndex(), c.expectedProvider);
        EXPECT_EQ(s.dialog.AnimationInterval(), c.expectedInterval);
    }
}

// With the key present, a missing list value shows its default, not what an earlier opening left.
TEST(OptionsForm, MissingListValuesShowTheirDefaults)
{
    Sandbox s;
    s.store.WriteDWord(kKey, "Show Fahrenheit", 0);  // the key exists
    s.dialog.ProviderList()->setCurrentIndex(1);
    s.dialog.RateList()->setCurrentIndex(0);
    s.dialog.LoadSettings();
    EXPECT_EQ(s.dialog.ProviderList()->currentIndex(), 0);
    EXPECT_EQ(s.dialog.RateList()->currentIndex(), 2);
    EXPECT_EQ(s.dialog.AnimationInterval(), 40);
}

TEST(OptionsForm, ValueOfTheWrongTypeCountsAsMissing)
{
    Sandbox s;
    s.store.WriteString(kKey, "Keep in SysTray", "0");
    s.store.WriteString(kKey, "Performance FPS", "1");
    s.store.WriteDWord(kKey, "Show Fahrenheit", 1);  // read after the bad ones
    EXPECT_NO_THROW(s.dialog.LoadSettings());
    EXPECT_TRUE(s.dialog.KeepInTrayBox()->isChecked());
    EXPECT_EQ(s.dialog.RateList()->currentIndex(), 2);
    EXPECT_TRUE(s.dialog.FahrenheitBox()->isChecked());
    EXPECT_NO_THROW(s.dialog.show());
    EXPECT_TRUE(s.dialog.isVisible());
}

TEST(OptionsForm, OkWritesOrRemovesTheAutostartEntry)
{
    for (const bool enable : {false, true}) {
        SCOPED_TRACE(enable);
        Sandbox s;
        s.WriteEntry("/usr/local/bin/elsewhere");
        s.dialog.show();
        EXPECT_FALSE(s.dialog.AutostartBox()->isChecked());  // another program's path
        s.dialog.AutostartBox()->setChecked(enable);
        s.dialog.OkButton()->click();
        EXPECT_EQ(s.dialog.result(), QDialog::Accepted);
        EXPECT_EQ(QFileInfo::exists(platform::AutostartPath()), enable);
        EXPECT_EQ(platform::AutostartEnabled(kExe), enable);
    }
}

TEST(OptionsForm, ClosingRestoresTheLiveBoxes)
{
    const std::vector<std::function<void(TOptionsForm&)>> closers = {
        [](TOptionsForm& d) { d.CancelButton()->click(); },
        [](TOptionsForm& d) { d.close(); },
    };
    for (std::size_t i = 0; i < closers.size(); ++i) {
        SCOPED_TRACE(i);
        Sandbox s;
        s.store.WriteDWord(kKey, "Hide in Taskbar", 0);
        s.store.WriteDWord(kKey, "Hide Reminder", 1);
        s.dialog.show();
        s.dialog.TaskbarBox()->click();
        s.dialog.ReminderBox()->click();
        EXPECT_FALSE(s.dialog.HideInTaskbar());  // not the clicked boxes
        EXPECT_TRUE(s.dialog.ShowReminder());
        closers[i](s.dialog);
        EXPECT_FALSE(s.dialog.isVisible());
        EXPECT_EQ(s.dialog.result(), QDialog::Rejected);
        EXPECT_FALSE(s.dialog.TaskbarBox()->isChecked());
        EXPECT_TRUE(s.dialog.ReminderBox()->isChecked());
        EXPECT_EQ(s.Stored("Hide in Taskbar"), 0u);
        s.dialog.show();
        EXPECT_FALSE(s.dialog.TaskbarBox()->isChecked());
        EXPECT_TRUE(s.dialog.ReminderBox()->isChecked());
    }
}

TEST(OptionsForm, ProviderChangeNeedsConfirmation)
{
    Sandbox s;
    s.dialog.CurrentProvider = 0;
    s.dialog.show();
    s.dialog.AutostartBox()->setChecked(true);
    s.dialog.ProviderList()->setCurrentIndex(1);
    s.answer = false;
    s.dialog.OkButton()->click();
    ASSERT_EQ(s.questions.size(), 1u);
    EXPECT_EQ(s.questions[0], "Changing Monitoring Provider requires full reload.\n"
                              "Unsaved Dashboard changes will be lost. Continue?");
    EXPECT_EQ(s.questionAt, s.dialog.mapToGlobal(QPoint(-10, 100)));
    EXPECT_TRUE(s.dialog.isVisible());
    EXPECT_NE(s.dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(s.store.KeyExists(kKey));
    EXPECT_FALSE(QFileInfo::exists(platform::AutostartPath()));

    s.answer = true;
    s.dialog.OkButton()->click();
    EXPECT_EQ(s.questions.size(), 2u);
    EXPECT_FALSE(s.dialog.isVisible());
    EXPECT_EQ(s.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(s.Stored("WMI Provider"), 1u);
}

TEST(OptionsForm, OkSavesEveryValue)
{
    struct Case {
        bool taskbar, reminder, webUpdate, refresher, keepInTray, fahrenheit;
        int provider, rate, interval;
    };
    const Case cases[] = {
        {true, false, true, false, true, false, 1, 0, 200},
        {false, true, false, true, false, true, 0, 1, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.provider);
        Sandbox s;
        s.dialog.CurrentProvider = c.provider;  // unchanged: no question
        s.dialog.show();
        s.dialog.TaskbarBox()->setChecked(c.taskbar);
        s.dialog.ReminderBox()->setChecked(c.reminder);
        s.dialog.WebUpdateBox()->setChecked(c.webUpdate);
        s.dialog.RefresherBox()->setChecked(c.refresher);
        s.dialog.KeepInTrayBox()->setChecked(c.keepInTray);
        s.dialog.FahrenheitBox()->setChecked(c.fahrenheit);
        s.dialog.ProviderList()->setCurrentIndex(c.provider);
        s.dialog.RateList()->setCurrentIndex(c.rate);
        s.dialog.OkButton()->click();
        EXPECT_TRUE(s.questions.empty());
        EXPECT_EQ(s.dialog.result(), QDialog::Accepted);
        EXPECT_FALSE(s.dialog.isVisible());

        const std::pair<const char*, std::uint32_t> expected[] = {
            {"Hide in Taskbar", c.taskbar},   {"Hide Reminder", c.reminder},
            {"Do Web Update", c.webUpdate},   {"WMI refresher", c.refresher},
            {"Keep in SysTray", c.keepInTray}, {"Show Fahrenheit", c.fahrenheit},
            {"WMI Provider", std::uint32_t(c.provider)},
            {"Performance FPS", std::uint32_t(c.rate)},
        };
        for (const auto& [name, value] : expected)
            EXPECT_EQ(s.Stored(name), value) << name;
        EXPECT_EQ(s.dialog.HideInTaskbar(), c.taskbar);
        EXPECT_EQ(s.dialog.ShowReminder(), c.reminder);
        EXPECT_EQ(s.dialog.AnimationInterval(), c.interval);
    }
}

TEST(OptionsForm, FailedSaveShowsErrorAndStaysOpen)
{
    struct Case {
        bool storeFails;  // else the autostart directory cannot be made
        const char* message;
        const char* reason;
    };
    const Case cases[] = {
        {true, "Failed to set data for 'Hide in Taskbar'", "disk full"},
        {false, "Failed to set data for 'Gaugeloft'", "Not a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Sandbox s;
        if (c.storeFails) {
            s.store.Writer = [](const QString&, const QByteArray&, QString* error) {
                if (error)
                    *error = QStringLiteral("disk full");
                return false;
            };
        } else {
            QFile blocker(QFileInfo(platform::AutostartPath()).path());  // a file, not a folder
            ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        }
        s.dialog.show();
        s.dialog.AutostartBox()->setChecked(true);
        s.dialog.TaskbarBox()->setChecked(true);
        s.dialog.OkButton()->click();
        ASSERT_EQ(s.errors.size(), 1u);
        EXPECT_EQ(s.errors[0].section(u'\n', 0, 0), c.message);
        EXPECT_TRUE(s.errors[0].section(u'\n', 1).endsWith(c.reason)) << s.errors[0].toStdString();
        EXPECT_EQ(s.dialog.AutostartBox()->isChecked(), c.storeFails);  // shown as it really is
        EXPECT_TRUE(s.dialog.isVisible());
        EXPECT_NE(s.dialog.result(), QDialog::Accepted);
        EXPECT_FALSE(s.store.KeyExists(kKey));
        EXPECT_FALSE(s.dialog.HideInTaskbar());
    }
}

TEST(OptionsForm, AutomaticSwitchDisablesTheThemeRadios)
{
    Sandbox s;
    TOptionsForm& d = s.dialog;
    const auto radiosEnabled = [&d] {
        const bool dark = d.DarkRadio()->isEnabled();
        EXPECT_EQ(d.GrayRadio()->isEnabled(), dark);
        EXPECT_EQ(d.LightRadio()->isEnabled(), dark);
        return dark;
    };
    {
        const QSignalBlocker quiet(d.AutoThemeBox());
        d.AutoThemeBox()->setChecked(true);
    }
    EXPECT_TRUE(radiosEnabled());
    d.show();  // the rule is applied on showing
    EXPECT_FALSE(radiosEnabled());
    d.AutoThemeBox()->click();
    EXPECT_TRUE(radiosEnabled());
    d.AutoThemeBox()->click();
    EXPECT_FALSE(radiosEnabled());
}

TEST(OptionsForm, ShownCentredBelowTheParentTop)
{
    struct Case {
        int left, top, widthOverDialog, expectedOffset;
    };
    const Case cases[] = {
        {100, 200, 101, 50},
        {300, 40, -3, -1},  // halved toward zero
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.widthOverDialog);
        QWidget parent;
        Sandbox s(&parent);
        s.dialog.show();
        const int dialogWidth = s.dialog.frameGeometry().width();
        s.dialog.hide();
        parent.setGeometry(c.left, c.top, 400, 300);
        parent.show();
        const int frameExtra = parent.frameGeometry().width() - parent.width();
        parent.resize(dialogWidth + c.widthOverDialog - frameExtra, 300);
        const QRect frame = parent.frameGeometry();
        ASSERT_EQ(frame.width(), dialogWidth + c.widthOverDialog);
        s.dialog.show();
        EXPECT_EQ(s.dialog.frameGeometry().topLeft(),
                  QPoint(frame.left() + c.expectedOffset, frame.top() + 50));
    }
}

TEST(OptionsForm, WebPageOpensTheProviderSite)
{
    const char* const pages[] = {
        "https://docs.kernel.org/hwmon/",
        "https://github.com/LibreHardwareMonitor/LibreHardwareMonitor",
        "https://prometheus.io/docs/guides/node-exporter/",
    };
    ASSERT_EQ(std::size(pages), std::size_t(kProviderCount));
    Sandbox s;
    for (int i = 0; i < kProviderCount; ++i) {
        s.dialog.ProviderList()->setCurrentIndex(i);
        s.dialog.WebPageButton()->click();
        ASSERT_EQ(s.urls.size(), std::size_t(i + 1));
        EXPECT_EQ(s.urls.back(), QUrl(pages[i]));
    }
}

// Two copies of the program (or another program sharing the store) with their dialogs open at
// once: each OK writes what its user changed, and neither undoes the other.
TEST(OptionsForm, TwoWritersDoNotUndoEachOther)
{
    Sandbox a;
    for (const char* name : {"Hide in Taskbar", "Hide Reminder", "Do Web Update", "Use Refresher", "Keep in SysTray",
                             "Show Fahrenheit", "Provider", "Performance FPS"})
        a.store.WriteDWord(kKey, name, 0);
    platform::SettingsStore sameFile(a.store.Path());
    TOptionsForm b(sameFile, kExe);
    b.ShowError = [](const QString& text) { ADD_FAILURE() << text.toStdString(); };
    a.dialog.show();
    b.show();

    a.dialog.FahrenheitBox()->setChecked(true);
    a.dialog.OkButton()->click();
    b.KeepInTrayBox()->setChecked(true);
    b.OkButton()->click();
    ASSERT_EQ(a.dialog.result(), QDialog::Accepted);
    ASSERT_EQ(b.result(), QDialog::Accepted);
    EXPECT_EQ(a.Stored("Show Fahrenheit"), 1u);
    EXPECT_EQ(a.Stored("Keep in SysTray"), 1u);

    // a value missing from the store is written even when its control was not touched
    ASSERT_TRUE(a.store.DeleteValue(kKey, "Performance FPS"));
    a.dialog.show();
    a.dialog.OkButton()->click();
    EXPECT_EQ(a.Stored("Performance FPS"), 2u);  // the default it showed
    EXPECT_EQ(a.Stored("Keep in SysTray"), 1u);
}

TEST(OptionsForm, FullDiskShowsTheReasonAndKeepsTheOptions)
{
    testing::FullFileSystem disk;
    ASSERT_TRUE(disk.Ready());
    SCOPED_TRACE(disk.Kind());
    const testing::ScopedEnv config(kConfigVar, disk.Folder().toUtf8());
    platform::SettingsStore store(platform::SettingsStore::DefaultPath());
    TOptionsForm dialog(store, kExe);
    QStringList errors;
    dialog.ShowError = [&](const QString& text) { errors << text; };
    dialog.show();
    dialog.OkButton()->click();  // the first OK writes every value
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'|').toStdString();
    QFile file(store.Path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    file.close();

    disk.Fill();
    dialog.show();
    dialog.FahrenheitBox()->setChecked(true);
    dialog.OkButton()->click();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0], "Failed to set data for 'Show Fahrenheit'\n" + disk.ExpectedReason());
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), saved);
}

TEST(OptionsForm, AutostartForAPathTheDesktopCannotStartIsRefused)
{
    for (const QString& exe : {QStringLiteral("/opt/50%/gaugeloft"), platform::PathFromNative("/opt/Gr\xfc\xdf" "e/gaugeloft")}) {
        Sandbox s;
        TOptionsForm dialog(s.store, exe);
        QStringList errors;
        dialog.ShowError = [&](const QString& text) { errors << text; };
        dialog.show();
        dialog.AutostartBox()->setChecked(true);
        dialog.OkButton()->click();
        ASSERT_EQ(errors.size(), 1);
        EXPECT_EQ(errors[0], "Failed to set data for 'Gaugeloft'\n" + platform::AutostartRefusal(exe)) << errors[0].toStdString();
        EXPECT_FALSE(dialog.AutostartBox()->isChecked());
        EXPECT_FALSE(QFileInfo::exists(platform::AutostartPath()));
        dialog.OkButton()->click();  // the box now says what is true: OK goes through
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
}

// Without a browser the user is told, not only standard error.
TEST(OptionsForm, WebPageWithoutABrowserIsReported)
{
    Sandbox s;
    TOptionsForm dialog(s.store, kExe);
    QStringList errors;
    dialog.ShowError = [&](const QString& text) { errors << text; };
    dialog.ProviderList()->setCurrentIndex(0);
    dialog.WebPageButton()->click();  // the offscreen platform opens nothing
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("https://docs.kernel.org/hwmon/")) << errors[0].toStdString();
    EXPECT_TRUE(errors[0].contains("could not be opened"));
}

} // namespace
} // namespace gaugeloft

namespace gaugeloft {
namespace {

std::optional<QString> StoredText(const Sandbox& s, const QString& name)
{
    const std::optional<platform::SettingsValue> value = s.store.Read(kKey, name);
    if (!value || value->Type != platform::SettingsType::String)
        return std::nullopt;
    return value->Text;
}

void Type(QLineEdit* box, const QString& text)
{
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

// Each remote provider keeps an address of its own; the box shows the selected one's and is
// off for this computer's provider.
TEST(OptionsForm, EachRemoteProviderHasItsAddress)
{
    Sandbox s;
    s.dialog.CurrentProvider = 1;
    s.dialog.show();
    QLineEdit* box = s.dialog.AddressBox();
    EXPECT_EQ(box->accessibleName(), "Provider Address");
    s.dialog.ProviderList()->setCurrentIndex(0);
    EXPECT_FALSE(box->isEnabled());
    EXPECT_TRUE(box->text().isEmpty());
    s.dialog.ProviderList()->setCurrentIndex(2);
    EXPECT_TRUE(box->isEnabled());
    EXPECT_EQ(box->text(), "http://localhost:9090/");
    Type(box, "http://fleet.lan:9090/");
    s.dialog.ProviderList()->setCurrentIndex(1);
    EXPECT_EQ(box->text(), "http://localhost:8085/");
    Type(box, "  http://gaming-pc:8085/ ");
    s.dialog.ProviderList()->setCurrentIndex(2);
    EXPECT_EQ(box->text(), "http://fleet.lan:9090/");
    s.dialog.ProviderList()->setCurrentIndex(1);
    s.dialog.OkButton()->click();
    ASSERT_EQ(s.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(StoredText(s, "Provider Address #1"), "http://gaming-pc:8085/");
    EXPECT_EQ(StoredText(s, "Provider Address #2"), "http://fleet.lan:9090/");
    EXPECT_EQ(s.dialog.ProviderAddress(1), "http://gaming-pc:8085/");
    EXPECT_EQ(s.dialog.ProviderAddress(0), "");

    // read back by the next opening; a value of the wrong type is the default
    s.store.WriteDWord(kKey, "Provider Address #2", 7);
    s.dialog.show();
    EXPECT_EQ(box->text(), "http://gaming-pc:8085/");
    EXPECT_EQ(s.dialog.ProviderAddress(2), "http://localhost:9090/");
}

TEST(OptionsForm, AMalformedAddressIsRefusedAndNothingSaved)
{
    const char* const refused[] = {"gaming-pc:8085", "ftp://gaming-pc/", "http://", "http://me:pw@pc:8085/", ""};
    for (const char* text : refused) {
        SCOPED_TRACE(text);
        Sandbox s;
        s.dialog.CurrentProvider = 1;
        s.dialog.show();
        s.dialog.ProviderList()->setCurrentIndex(1);
        s.dialog.FahrenheitBox()->setChecked(true);
        Type(s.dialog.AddressBox(), text);
        s.dialog.OkButton()->click();
        ASSERT_EQ(s.errors.size(), 1u);
        EXPECT_TRUE(s.errors[0].startsWith("The address of Libre Hardware Monitor (remote) cannot be used.\n"))
            << s.errors[0].toStdString();
        EXPECT_TRUE(s.dialog.isVisible());
        EXPECT_EQ(s.dialog.Tabs()->currentIndex(), 1);
        EXPECT_FALSE(s.store.KeyExists(kKey)) << "nothing saved";

        // Cancel forgets the edit
        s.dialog.CancelButton()->click();
        EXPECT_EQ(s.dialog.ProviderAddress(1), "http://localhost:8085/");
    }
}

} // namespace
} // namespace gaugeloft
