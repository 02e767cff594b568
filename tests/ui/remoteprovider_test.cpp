// The window on a remote provider: a Libre Hardware Monitor web server played by a local
// server whose document changes between polls.

#include "ui/mainformfixture.h"
#include "support/scriptedhttp.h"

#include <QTest>
#include <gtest/gtest.h>

namespace gaugeloft {
namespace {

QByteArray Document(double fanRpm)
{
    return R"({"id":0,"Text":"Sensor","Min":"Min","Value":"Value","Max":"Max","ImageURL":"","Children":[
 {"id":1,"Text":"GAMING-PC","Min":"","Value":"","Max":"","ImageURL":"images_icon/computer.png","Children":[
  {"id":2,"Text":"Nuvoton NCT6798D","Min":"","Value":"","Max":"","ImageURL":"images_icon/chip.png","HardwareId":"/lpc/nct6798d/0","Children":[
   {"id":3,"Text":"Fans","Min":"","Value":"","Max":"","ImageURL":"images_icon/fan.png","Children":[
    {"id":4,"Text":"Fan #1","Min":"","Value":"","Max":"","SensorId":"/lpc/nct6798d/0/fan/0","Type":"Fan",
     "RawMin":900,"RawValue":)" + QByteArray::number(fanRpm) + R"(,"RawMax":1500,"ImageURL":"images/transparent.png","Children":[]}
   ]}]}]}]})";
}

// Polls as the window's timer does, letting answers arrive in between, until `done`.
bool TickUntil(TMainForm& window, const std::function<bool()>& done)
{
    return QTest::qWaitFor([&] {
        window.Timer1Timer();
        QTest::qWait(20);
        return done();
    }, 5000);
}

TEST(RemoteProvider, ATileShowsLiveValuesOfAnotherComputer)
{
    testing::ScriptedHttpServer server;
    server.body = Document(834);
    MainFormFixture f{QString()};
    f.provider.SetProviderAddress(1, server.Root());
    f.provider.SetupProvider(1);
    TMainForm& w = f.window;

    w.Timer1Timer();
    EXPECT_EQ(w.Tree().NodeCount(), 0) << "nothing before the first answer";
    ASSERT_TRUE(TickUntil(w, [&] { return w.Tree().NodeCount() > 0; }));
    const int at = w.Tree().FindNodeByIdentifier(QStringLiteral("/lpc/nct6798d/0/fan/0"));
    ASSERT_GE(at, 0);
    TreeNode* fan = w.Tree().NodeAt(at);
    EXPECT_EQ(fan->Text(), QStringLiteral("Fan #1: 834 RPM"));

    // a tile of it follows the server's readings
    w.show();
    ClickIcon(w, fan);
    ASSERT_GE(w.Tiles().Count(), 1);
    ASSERT_EQ(w.Tiles().At(w.Tiles().Count() - 1).SensorId, fan->Data()->Identifier);
    ASSERT_TRUE(TickUntil(w, [&] { return w.Tiles().At(w.Tiles().Count() - 1).Value.Text == QLatin1String("834 RPM"); }))
        << w.Tiles().At(w.Tiles().Count() - 1).Value.Text.toStdString();
    server.body = Document(912);
    EXPECT_TRUE(TickUntil(w, [&] { return w.Tiles().At(w.Tiles().Count() - 1).Value.Text == QLatin1String("912 RPM"); }))
        << w.Tiles().At(w.Tiles().Count() - 1).Value.Text.toStdString();

    // the server goes away: after a while the window shows the no-provider state
    server.Stop();
    EXPECT_TRUE(TickUntil(w, [&] { return w.Tree().NodeCount() == 0; }));
}

} // namespace
} // namespace gaugeloft
