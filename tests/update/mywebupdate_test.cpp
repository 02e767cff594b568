#include "platform/settingsstore.h"
#include "update/mywebupdate.h"
#include "update/namedmutex.h"
#include "update/updatetexts.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace gaugeloft::update {
namespace {

const QString kGuid = QStringLiteral("{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
const QString kOtherGuid = QStringLiteral("{11111111-2222-3333-4444-555555555555}");

class WebUpdateTest : public testing::Test {
protected:
    WebUpdateHost Host()
    {
        WebUpdateHost host;
        host.Store = &store;
        host.ExecutablePath = QStringLiteral("/opt/gaugeloft/gaugeloft");
        host.ApplicationTitle = QStringLiteral("Gaugeloft");
        host.WindowId = [] { return 77u; };
        host.FileInfo = [](const QString&, const QString&) { return QStringLiteral("0.1.0.12"); };
        host.Now = [this] { return now; };
        host.Terminate = [this](int code) { terminated = code; };
        return host;
    }
    // A component as the main window sets it up, loaded.
    std::unique_ptr<TMyWebUpdate> Loaded(const QStringList& arguments = {})
    {
        auto component = std::make_unique<TMyWebUpdate>(Host());
        component->SetUseGlobalCatalog(true);
        component->SetCheckGUID(kGuid);
        component->SetIndexName(QStringLiteral("Tallyvane"));
        component->Loaded(arguments);
        return component;
    }
    QString EntryKey(const QString& guid = kGuid) const { return UpdateCatalog::EntryKey(guid); }

    QTemporaryDir folder;
    platform::SettingsStore store {folder.filePath("registry.reg")};
    QDateTime now {QDate(2026, 12, 10), QTime(12, 0)};
    int terminated = -1;
};

TEST_F(WebUpdateTest, LoadingRegistersTheProgramAndEndingWritesPidZero)
{
    {
        auto component = Loaded();
        EXPECT_TRUE(component->IsRegisteredInCatalog());
        EXPECT_EQ(store.ReadString(EntryKey(), "WebIndex"), "Tallyvane");
        EXPECT_EQ(store.ReadString(EntryKey(), "Version"), "0.1.0.12");
        EXPECT_EQ(store.ReadDWord(EntryKey(), "PID"), 77u);
    }
    EXPECT_EQ(store.ReadDWord(EntryKey(), "PID"), 0u) << "the program has ended";
}

TEST_F(WebUpdateTest, ASecondExecuteDuringARunDoesNothing)
{
    auto component = Loaded();
    bool inner = true;
    int runs = 0;
    component->Run = [&](bool) {
        ++runs;
        inner = component->Execute();
        return RunResult {true, false, "2.0.0.0", "setup.sh", 10, "notes", false};
    };
    EXPECT_TRUE(component->Execute());
    EXPECT_FALSE(inner);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(component->Results().NewVersion, "2.0.0.0") << "the inner call changed no result";
    EXPECT_FALSE(component->IsBusy());
}

TEST_F(WebUpdateTest, ARunWhileAnotherComponentRunsDoesNothing)
{
    auto first = Loaded();
    TMyWebUpdate second(Host());
    second.Loaded({});
    bool inner = true;
    first->Run = [&](bool) {
        inner = second.Execute();
        return RunResult {true};
    };
    EXPECT_TRUE(first->Execute());
    EXPECT_FALSE(inner);
    EXPECT_FALSE(UpdateBusy());
}

TEST_F(WebUpdateTest, GuidsThatAreNoGuidsGetAFreshOne)
{
    auto component = Loaded();
    for (const char* text : {"", "{00000000-0000-0000-0000-000000000000}", "abc"}) {
        SCOPED_TRACE(text);
        const QString before = component->CheckGUID();
        component->SetCheckGUID(QString::fromUtf8(text));
        EXPECT_NE(component->CheckGUID(), before);
        EXPECT_EQ(CatalogGuidText(component->CheckGUID()), component->CheckGUID());
        EXPECT_FALSE(IsCheckGUIDEmpty(component->CheckGUID()));
        EXPECT_TRUE(component->IsRegisteredInCatalog()) << "the new entry is written";
    }
}

TEST_F(WebUpdateTest, AnotherGuidMovesTheEntry)
{
    auto component = Loaded();
    ASSERT_TRUE(store.KeyExists(EntryKey()));
    component->SetCheckGUID(kOtherGuid.toLower());
    EXPECT_EQ(component->CheckGUID(), kOtherGuid);
    EXPECT_FALSE(store.KeyExists(EntryKey()));
    EXPECT_TRUE(store.KeyExists(EntryKey(kOtherGuid)));
}

TEST_F(WebUpdateTest, TheIndexNameLosesItsExtension)
{
    TMyWebUpdate component(Host());
    const struct {
        const char* given;
        const char* stored;
    } cases[] = {{"Tallyvane.xml", "Tallyvane"}, {"Tallyvane", "Tallyvane"}, {"a.b.xml", "a.b"},
                 {"dir.d/name", "dir.d/name"}, {".xml", ""}};
    for (const auto& c : cases) {
        component.SetIndexName(QString::fromUtf8(c.given));
        EXPECT_EQ(component.IndexName(), c.stored) << c.given;
    }
}

TEST_F(WebUpdateTest, AReadOnlyCatalogIsNeverWrittenNorDeleted)
{
    { auto writer = Loaded(); }

    TMyWebUpdate component(Host());
    component.ReadOnlyCatalog = true;
    component.SetUseGlobalCatalog(true);
    component.SetCheckGUID(kOtherGuid);
    component.Loaded({});
    EXPECT_FALSE(store.KeyExists(EntryKey(kOtherGuid))) << "never written";
    component.Run = [](bool) { return RunResult {true}; };
    component.Execute();
    EXPECT_FALSE(store.KeyExists(EntryKey(kOtherGuid)));

    TMyWebUpdate old(Host());
    old.ReadOnlyCatalog = true;
    old.SetUseGlobalCatalog(true);
    old.SetCheckGUID(kGuid);
    old.Loaded({});
    old.SetUseGlobalCatalog(false);
    EXPECT_TRUE(store.KeyExists(EntryKey())) << "turning the catalog off deletes nothing";
}

TEST_F(WebUpdateTest, TurningTheCatalogOffDeletesTheEntry)
{
    auto component = Loaded();
    component->SetUseGlobalCatalog(false);
    EXPECT_FALSE(store.KeyExists(EntryKey()));
    component->SetUseGlobalCatalog(true);
    EXPECT_TRUE(store.KeyExists(EntryKey()));
}

TEST_F(WebUpdateTest, ALaterStoredCheckIsAdoptedAtStart)
{
    { auto first = Loaded(); }
    UpdateCatalog(store).Register(kGuid, {"/opt/gaugeloft/gaugeloft", "Gaugeloft", "", "", "", "", "", "", 46500.5, 1});
    auto component = Loaded();
    EXPECT_DOUBLE_EQ(component->LastCheck, 46500.5);
}

TEST_F(WebUpdateTest, AnAbortKeepsTheLastCheckAndOtherEndsMoveItToNow)
{
    auto component = Loaded();
    const struct {
        const char* name;
        RunResult result;
        bool returns;
        bool moves;
    } cases[] = {
        {"aborted", RunResult {false, true}, false, false},
        {"no update found", RunResult {true}, true, true},
        {"failed", RunResult {false, false}, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        component->LastCheck = 100;
        now = now.addSecs(3600);
        component->Run = [&](bool) { return c.result; };
        EXPECT_EQ(component->Execute(), c.returns);
        EXPECT_DOUBLE_EQ(component->LastCheck, c.moves ? ToDayNumber(now) : 100);
        EXPECT_EQ(UpdateCatalog(store).StoredLastCheck(kGuid).value_or(0) >= ToDayNumber(now), c.moves);
    }
}

TEST_F(WebUpdateTest, TheStartupCheckIsArmedAndCancelled)
{
    TMyWebUpdate component(Host());
    component.StartupDelay = 3000;
    component.SetStartupCheck(true);
    EXPECT_FALSE(component.StartupTimer().isActive()) << "not before loading";
    component.Loaded({});
    EXPECT_TRUE(component.StartupTimer().isActive());
    EXPECT_EQ(component.StartupTimer().interval(), 3000);
    component.SetStartupCheck(false);
    EXPECT_FALSE(component.StartupTimer().isActive()) << "turned off: cancelled";
    component.SetStartupCheck(true);
    EXPECT_TRUE(component.StartupTimer().isActive()) << "turned on at run time: scheduled";

    int runs = 0;
    component.Run = [&](bool) {
        ++runs;
        return RunResult {true};
    };
    component.Execute();  // the user's check
    EXPECT_FALSE(component.StartupTimer().isActive()) << "stands for the start-up check";
    EXPECT_EQ(runs, 1);
}

TEST_F(WebUpdateTest, TheStartupTimerRunsOneCheck)
{
    TMyWebUpdate component(Host());
    component.StartupDelay = 10;
    component.SetStartupCheck(true);
    int runs = 0;
    component.Run = [&](bool) {
        ++runs;
        return RunResult {true};
    };
    component.Loaded({});
    QTest::qWait(200);
    EXPECT_EQ(runs, 1);
}

TEST_F(WebUpdateTest, TheInstalledCopyAnswerReachesTheRun)
{
    WebUpdateHost host = Host();
    host.InstalledCopy = [] { return true; };
    TMyWebUpdate component(host);
    component.Loaded({});
    bool installed = false;
    component.Run = [&](bool copy) {
        installed = copy;
        return RunResult {true};
    };
    component.Execute();
    EXPECT_TRUE(installed);
}

TEST_F(WebUpdateTest, TheReplacementScriptGoesTwoSecondsAfterARestart)
{
    const QString script = folder.filePath("_webu042.SH");
    const QString other = folder.filePath("_webu043.txt");
    for (const QString& path : {script, other}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    TMyWebUpdate first(Host());
    first.Loaded({QStringLiteral("/CLEANU;") + script});
    TMyWebUpdate second(Host());
    second.Loaded({QStringLiteral("/cleanu;") + other});
    QTest::qWait(TMyWebUpdate::kCleanupDelayMs / 2);
    EXPECT_TRUE(QFile::exists(script)) << "not before 2 s";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !QFile::exists(script); }, 3000));
    EXPECT_TRUE(QFile::exists(other)) << "only a shell script is removed";
}

TEST_F(WebUpdateTest, WithoutTheMutexTheProgramEndsWithExitCodeOne)
{
    const QString name = QStringLiteral("GAUGELOFT_WEBUPDATE_TEST_%1").arg(QCoreApplication::applicationPid());
    QProcess holder;
    holder.start(QStringLiteral(GAUGELOFT_MUTEX_HOLDER), {name, "1000", "5000"});
    ASSERT_TRUE(holder.waitForReadyRead(5000));
    ASSERT_TRUE(holder.readAll().startsWith("taken"));

    TMyWebUpdate component(Host());
    component.WaitMutex = name;
    component.MutexWaitMs = 200;
    component.SetStartupCheck(true);
    component.Loaded({QStringLiteral("/cleanu;/nowhere.sh")});  // a restart: it only waits
    EXPECT_EQ(terminated, 1);
    EXPECT_FALSE(component.StartupTimer().isActive());
    holder.kill();
    holder.waitForFinished();
    QFile::remove(NamedMutexPath(name));
}

} // namespace
} // namespace gaugeloft::update
