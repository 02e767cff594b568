#include "mainformfixture.h"
#include "platform/settingsstore.h"
#include "support/scopedenv.h"
#include "ui/aboutform.h"
#include "ui/linklabel.h"
#include "ui/mainwebupdate.h"
#include "ui/simplewebupdateform.h"
#include "support/webservers.h"

#include <QPushButton>
#include <QToolButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace gaugeloft {
namespace {

TEST(AboutForm, LayoutAndTexts)
{
    TAboutForm about(nullptr);
    about.Fill("Gaugeloft", "1.2.0.48", "Copyright (C) 2026 Marrowind.");
    EXPECT_EQ(about.size(), QSize(293, 210));
    EXPECT_EQ(about.windowTitle(), "About");
    EXPECT_EQ(Part<QLabel>(about, "Label1")->text(), "Gaugeloft");
    EXPECT_EQ(Part<QLabel>(about, "Label1")->font().pointSize(), 12);
    EXPECT_EQ(Part<QLabel>(about, "Label2")->text(), "Build 1.2.0.48");
    EXPECT_EQ(Part<QLabel>(about, "Label2")->pos(), QPoint(50, 32));
    EXPECT_EQ(Part<QWidget>(about, "Image1")->geometry(), QRect(8, 12, 32, 32));
    EXPECT_EQ(Part<QWidget>(about, "Button1")->geometry(), QRect(208, 180, 77, 25));
    auto* legal = Part<TLinkLabel>(about, "LinkLabel1");
    EXPECT_EQ(legal->pos(), QPoint(10, 68));
    EXPECT_EQ(legal->width(), 275);
    EXPECT_TRUE(legal->PlainText().startsWith("Copyright (C) 2026 Marrowind.\nSome rights reserved"))
        << legal->PlainText().toStdString();
    EXPECT_LE(legal->geometry().bottom(), 173) << "the text stays on its panel";
    EXPECT_EQ(Part<TLinkLabel>(about, "LinkLabel2")->pos(), QPoint(28, 184));
}

TEST(AboutForm, WithoutVersionInformation)
{
    TAboutForm about(nullptr);
    about.Fill("Gaugeloft", QString(), QString());
    EXPECT_EQ(Part<QLabel>(about, "Label2")->text(), "Build ");
    EXPECT_TRUE(TAboutForm::LegalText(QString()).startsWith("<br>Some rights reserved"));
    EXPECT_TRUE(TAboutForm::LegalText("A <b> & C").startsWith("A &lt;b&gt; &amp; C<br>")) << "the copyright is text";
}

TEST(AboutForm, LinksOpenInTheBrowserAndTheCheckLinkAsksForAnUpdate)
{
    TAboutForm about(nullptr);
    about.Fill("Gaugeloft", "1", "c");
    QStringList opened;
    about.OpenLink = [&](const QString& uri) { opened << uri; };
    auto* legal = Part<TLinkLabel>(about, "LinkLabel1");
    Q_EMIT legal->OnLinkClick("https://www.gnu.org/licenses/gpl-3.0.html", "x", "");
    EXPECT_EQ(opened, QStringList({"https://www.gnu.org/licenses/gpl-3.0.html"}));

    QSignalSpy asked(&about, &TAboutForm::checkForUpdatesRequested);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&about));
    QTest::keyClick(&about, Qt::Key_U, Qt::AltModifier);
    EXPECT_TRUE(asked.wait(1000)) << "Alt+U";
}

TEST(AboutForm, TheSideButtonShowsOneWindowAtATime)
{
    MainFormFixture f(Example("desktop.json"));
    int checks = 0;
    f.window.CheckForUpdates = [&] { ++checks; };
    f.window.ShowAbout("Gaugeloft", "1.0.0.1", "c");
    QPointer<QDialog> first = f.window.AboutWindow();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    Launcher(f.window)->SpeedButton(9)->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(first) << "the first one went";
    ASSERT_TRUE(f.window.AboutWindow());
    EXPECT_EQ(f.window.findChildren<TAboutForm*>().size(), 1);

    QMetaObject::invokeMethod(f.window.AboutWindow(), "checkForUpdatesRequested");
    EXPECT_EQ(checks, 1);
    QTest::keyClick(f.window.AboutWindow(), Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(f.window.AboutWindow()) << "closing forgets it";
}

// About, "Check For Updates...", the progress window, "No new update found", Close.
TEST(AboutForm, CheckForUpdatesEndsOnTheNoUpdatePage)
{
    if (testing::Nginx::Program().isEmpty())
        GTEST_SKIP() << "nginx is installed by scripts/test";
    testing::TestCertificates tls;
    testing::Nginx server(tls);
    ASSERT_TRUE(server.Ready()) << server.Log().toStdString();
    ASSERT_TRUE(server.Put("Tallyvane.xml", "<update version=1.0 created=45000><setup file=setup.sh version=0.0.0.1>"));
    testing::ScopedEnv root("GAUGELOFT_UPDATES_ROOT", server.HttpRoot().toUtf8());
    QTemporaryDir folder;
    platform::SettingsStore store(folder.filePath("registry.reg"));
    MainFormFixture f(Example("desktop.json"));
    MainWebUpdate web(f.window, store, folder.filePath("gaugeloft"));
    web.Component().UseDialogSounds = false;
    web.Component().CurrentVersion = QStringLiteral("1.0.0.1");  // the index offers 0.0.0.1
    TSimpleWebUpdateForm& progress = web.ProgressWindow();

    QStringList headings;
    QString button;
    QTimer watch;
    watch.setInterval(20);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        // a message box would wait for a user: record it and close it
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != &progress) {
            headings << "modal: " + modal->windowTitle();
            modal->close();
            return;
        }
        const QString heading = Part<QLabel>(progress, "lblDesc")->text();
        if (progress.isVisible() && (headings.isEmpty() || headings.last() != heading))
            headings << heading;
        if (progress.isVisible() && heading == "No new update found") {
            button = Part<QPushButton>(progress, "Button1")->text();
            Part<QPushButton>(progress, "Button1")->click();
        }
    });
    watch.start();
    f.window.ShowAbout("Gaugeloft", "1.0.0.1", "c");
    ASSERT_TRUE(f.window.AboutWindow());
    QMetaObject::invokeMethod(f.window.AboutWindow(), "checkForUpdatesRequested");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !button.isEmpty() && !progress.isVisible(); }, 10000));
    ASSERT_FALSE(headings.isEmpty());
    EXPECT_EQ(headings.last(), "No new update found");
    EXPECT_TRUE(headings.filter("modal:").isEmpty()) << headings.join(", ").toStdString();
    EXPECT_EQ(button, "&Close");
    EXPECT_EQ(web.Component().CheckMode, update::cmNormal) << "interactive from then on";
}

} // namespace
} // namespace gaugeloft
