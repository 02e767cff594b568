#include "platform/settingsstore.h"
#include "update/updaterun.h"
#include "update/updatetexts.h"
#include "recordingview.h"
#include "support/scopedenv.h"
#include "support/webservers.h"

#include <gtest/gtest.h>

namespace gaugeloft::update {
namespace {

using testing::Nginx;
using testing::RecordingView;

class UpdateRunTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_nginx.Start(); }
    static void TearDownTestSuite() { s_nginx.Stop(); }
    void SetUp() override
    {
        if (!s_server)
            GTEST_SKIP() << "nginx is installed by scripts/test";
        ASSERT_TRUE(s_server->Ready()) << s_server->Log().toStdString();
        component.UpdatesRoot = s_server->HttpRoot();
        component.SetIndexName(QStringLiteral("Tallyvane"));
        component.CurrentVersion = QStringLiteral("2.1.0.7");
        component.UseProxy = pmNone;
        component.Loaded({});
        component.Run = [this](bool installed) { return RunUpdate(component, view, client, installed); };
        component.OnExecuteWork = [this](TMyUpdateStep step, bool& canContinue, const QString& source,
                                         const QString& target, qint64 min, qint64 max) {
            work << QStringLiteral("%1 %2 %3 %4 %5").arg(step).arg(source, target).arg(min).arg(max);
            if (stopAt == step)
                canContinue = false;
        };
    }
    void Offer(const char* version, const char* created = "45123.5")
    {
        ASSERT_TRUE(s_server->Put("Tallyvane.xml", QByteArray("<update version=1.0 created=") + created
                                                       + "><setup file=setup.sh version=" + version
                                                       + " size=2457600><notes>Faster.</notes></update>"));
        ASSERT_TRUE(s_server->Put("setup.sh", QByteArray(1000, 'x')));
    }
    WebUpdateHost Host()
    {
        WebUpdateHost host;
        host.Store = &store;
        host.ExecutablePath = QStringLiteral("/opt/gaugeloft/gaugeloft");
        host.ApplicationTitle = QStringLiteral("Gaugeloft");
        host.InstalledCopy = [] { return true; };
        host.Now = [] { return QDateTime(QDate(2026, 12, 10), QTime(12, 0)); };
        host.StartDetached = [](const QString&, const QStringList&, const QString&) { return true; };  // nothing runs
        return host;
    }

    QTemporaryDir folder;
    QTemporaryDir temp;  // where confirmed updates are downloaded
    testing::ScopedEnv tmpdir {"TMPDIR", QFile::encodeName(temp.path())};
    platform::SettingsStore store {folder.filePath("registry.reg")};
    TMyWebUpdate component {Host()};
    RecordingView view;
    WebClient client;
    QStringList work;
    int stopAt = -1;

    static inline testing::SuiteNginx s_nginx;
    static inline std::unique_ptr<Nginx>& s_server = s_nginx.server;
};

TEST_F(UpdateRunTest, NoNewerVersionShowsTheNoUpdatePageInNormalMode)
{
    for (const char* version : {"2.1.0.7", "2.0.9.99"}) {
        SCOPED_TRACE(version);
        Offer(version);
        view.calls.clear();
        EXPECT_TRUE(component.Execute());
        EXPECT_EQ(view.calls, QStringList({"Show Checking for updates", "Heading No new update found",
                                           "Status Please check again later when a new version of Gaugeloft might be "
                                           "available.",
                                           "Beep info", "Wait", "Hide"}));
        EXPECT_EQ(component.Results().NewVersion, version);
    }
}

TEST_F(UpdateRunTest, AMissingIndexIsNoUpdateNotAFailure)
{
    ASSERT_TRUE(s_server->Put("Tallyvane.xml", ""));
    component.SetIndexName(QStringLiteral("Nowhere"));
    EXPECT_TRUE(component.Execute());
    EXPECT_TRUE(view.calls.contains("Heading No new update found"));
    EXPECT_FALSE(view.calls.join('\n').contains("Failure"));
}

TEST_F(UpdateRunTest, ANewerVersionIsOfferedAndTheStepsAreAnnounced)
{
    Offer("2.1.0.10");
    QStringList events;
    component.OnExecuteStart = [&] { events << "start"; };
    component.OnExecuteEnd = [&] { events << "end"; };
    component.OnUpdateNeeded = [&](const QString& from, const QString& to, const QString& notes, bool& allowUpdate,
                                   bool& allowConfirm) {
        events << QStringLiteral("needed %1 %2 %3 %4 %5").arg(from, to, notes).arg(allowUpdate).arg(allowConfirm);
    };
    EXPECT_TRUE(component.Execute());
    EXPECT_EQ(events, QStringList({"start", "needed 2.1.0.7 2.1.0.10 Faster. 1 1", "end"}));
    EXPECT_EQ(view.calls, QStringList({"Show Checking for updates", "Confirm Update Found for Gaugeloft", "Hide"}));
    EXPECT_TRUE(view.asked.Text.startsWith("<b>Gaugeloft</b> has been updated. New version <b>2.1.0.10</b> has been "
                                           "released "))
        << view.asked.Text.toStdString();
    EXPECT_EQ(view.asked.Details, "Faster.");
    EXPECT_FALSE(view.asked.TurnOffOffered) << "tmAuto offers it only outside normal mode";

    const QString index = s_server->HttpRoot() + "Tallyvane.xml";
    ASSERT_GE(work.size(), 4);
    EXPECT_EQ(work.first(), QStringLiteral("0 %1  0 0").arg(index));
    EXPECT_TRUE(work.contains(QStringLiteral("0 %1  1 0").arg(index))) << "the transfer's end";
    EXPECT_EQ(work.last(), "1 2.1.0.7 2.1.0.10 0 0");
}

TEST_F(UpdateRunTest, TheCheckModesDecideWhatIsShownAndAsked)
{
    Offer("3.0.0.0");
    const struct {
        TMyCheckMode mode;
        bool shown, confirmed, neededRaised;
        bool turnOffOffered;
    } cases[] = {
        {cmNormal, true, true, true, false},
        {cmSilent, false, true, true, true},
        {cmVerySilent, false, false, true, false},
        {cmCheckOnly, false, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        component.CheckMode = c.mode;
        view.calls.clear();
        view.asked = {};
        bool needed = false;
        component.OnUpdateNeeded = [&](const QString&, const QString&, const QString&, bool&, bool&) { needed = true; };
        EXPECT_TRUE(component.Execute());
        EXPECT_EQ(view.calls.contains("Show Checking for updates"), c.shown);
        EXPECT_EQ(view.calls.contains("Confirm Update Found for Gaugeloft"), c.confirmed);
        EXPECT_EQ(needed, c.neededRaised);
        EXPECT_EQ(view.asked.TurnOffOffered, c.turnOffOffered);
        EXPECT_EQ(component.Results().NewVersion, "3.0.0.0") << "filled in every mode";
    }
}

TEST_F(UpdateRunTest, TheTurnOffBoxIsRememberedOnlyWhenOffered)
{
    Offer("3.0.0.0");
    component.CheckMode = cmSilent;
    view.answer = {false, true};
    component.Execute();
    EXPECT_TRUE(component.TurnedOff);
    EXPECT_TRUE(component.TurnOffOffered);
    component.Execute();
    EXPECT_TRUE(view.asked.TurnOffChecked) << "presets the box the next time";
    component.TurnOffMode = tmHidden;
    component.Execute();
    EXPECT_FALSE(component.TurnedOff);
    EXPECT_FALSE(component.TurnOffOffered);
}

TEST_F(UpdateRunTest, FailuresAreToldByTheModesRules)
{
    ASSERT_TRUE(s_server->Put("Tallyvane.xml", "<update version=2.0 created=1>"));
    const QString failure = QStringLiteral("Downloading new version failed: Invalid or unsupported Index version specified");
    EXPECT_FALSE(component.Execute());
    EXPECT_TRUE(view.calls.endsWith("Failure " + failure)) << view.calls.join('\n').toStdString();
    EXPECT_TRUE(view.calls.contains("Beep info"));
    EXPECT_DOUBLE_EQ(component.LastCheck, ToDayNumber(QDateTime(QDate(2026, 12, 10), QTime(12, 0))))
        << "a failure moves the last check";

    component.CheckMode = cmSilent;
    view.calls.clear();
    EXPECT_FALSE(component.Execute());
    EXPECT_TRUE(view.calls.isEmpty()) << "silent";

    QString told;
    component.CheckMode = cmNormal;
    component.OnErrorOccured = [&](const QString& message) { told = message; };
    view.calls.clear();
    component.Execute();
    EXPECT_EQ(told, "Invalid or unsupported Index version specified");
    EXPECT_FALSE(view.calls.join('\n').contains("Failure")) << "the handler replaces the box";
}

TEST_F(UpdateRunTest, StoppingAtAStepOrCancellingTheTransferAborts)
{
    Offer("3.0.0.0");
    component.LastCheck = 100;
    stopAt = usWebCheck;
    EXPECT_FALSE(component.Execute());
    EXPECT_TRUE(component.Results().Aborted);
    EXPECT_DOUBLE_EQ(component.LastCheck, 100) << "an abort keeps the last check";
    EXPECT_FALSE(view.calls.join('\n').contains("Failure"));

    stopAt = usConfirm;
    EXPECT_FALSE(component.Execute());
    EXPECT_TRUE(component.Results().Aborted);
    EXPECT_FALSE(view.calls.contains("Confirm Update Found for Gaugeloft"));

    stopAt = -1;
    QByteArray big = "<update version=1.0 created=1><setup file=s version=9.0.0.0>";
    big += QByteArray(3 * 1024 * 1024, ' ');
    ASSERT_TRUE(s_server->Put("Tallyvane.xml", big));
    view.cancelAt = 1;
    view.calls.clear();
    EXPECT_FALSE(component.Execute());
    EXPECT_TRUE(component.Results().Aborted) << "the user's cancel";
    EXPECT_FALSE(view.calls.join('\n').contains("Failure"));
}

TEST(CompletedText, Percentages)
{
    EXPECT_EQ(CompletedText(1048576, 2097152), "50% completed");
    EXPECT_EQ(CompletedText(0, 100), "0% completed");
    EXPECT_EQ(CompletedText(99, 100), "99% completed");
    EXPECT_EQ(CompletedText(5, 0), "") << "no length announced";
    EXPECT_EQ(CompletedText(3000000000LL, 3000000000LL), "100% completed") << "past 32 bits";
}

} // namespace
} // namespace gaugeloft::update
