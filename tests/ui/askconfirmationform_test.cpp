#include "mainformfixture.h"
#include "ui/askconfirmationform.h"
#include "ui/linklabel.h"
#include "ui/simplewebupdateform.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace gaugeloft {
namespace {

const QString kOneLine = QStringLiteral("A new version of <b>Gaugeloft</b> is available.");
const QString kNotes = QStringLiteral("Faster charts.<br>Remote sources.<br>Fewer wakeups.");

// Runs `during` once the form's modal loop runs, then answers with `press` (when set).
int AskWith(TAskConfirmationForm& form, std::function<void()> during, const char* press = nullptr,
            const QString& text = kOneLine)
{
    QTimer::singleShot(0, &form, [&form, during = std::move(during), press] {
        if (during)
            during();
        if (press)
            Part<QPushButton>(form, press)->click();
    });
    return form.Ask(QStringLiteral("Update Found for Gaugeloft"), text, false);
}

QWidget* Toggle(TAskConfirmationForm& form)
{
    return Part<QWidget>(form, "LinkLabel3");
}

TEST(AskConfirmationForm, LayoutAtCreation)
{
    TAskConfirmationForm form;
    EXPECT_EQ(form.size(), QSize(417, 125));
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(Part<QWidget>(form, "Panel1")->geometry(), QRect(0, 0, 417, 78));
    EXPECT_EQ(Part<QWidget>(form, "Image1")->geometry(), QRect(12, 11, 32, 32));
    EXPECT_EQ(Part<QWidget>(form, "LinkLabel1")->pos(), QPoint(56, 11));
    EXPECT_EQ(Part<QWidget>(form, "LinkLabel1")->width(), 349);
    EXPECT_EQ(Part<QWidget>(form, "Image2")->geometry(), QRect(12, 93, 16, 16));
    EXPECT_EQ(Toggle(form)->pos(), QPoint(32, 94));
    EXPECT_EQ(Part<QPushButton>(form, "Button1")->geometry(), QRect(224, 89, 89, 25));
    EXPECT_EQ(Part<QPushButton>(form, "Button1")->text(), "&Cancel");
    EXPECT_EQ(Part<QPushButton>(form, "Button2")->geometry(), QRect(320, 89, 85, 25));
    EXPECT_EQ(Part<QPushButton>(form, "Button2")->text(), "&Install");
    EXPECT_TRUE(Part<QPushButton>(form, "Button2")->isDefault());
    EXPECT_EQ(Part<QCheckBox>(form, "CheckBox1")->geometry(), QRect(12, 132, 193, 17));
    EXPECT_EQ(Part<QCheckBox>(form, "CheckBox1")->text(), "Do &not ask me again, please");
    EXPECT_TRUE(Part<QWidget>(form, "CheckBox1")->isHidden());
    EXPECT_EQ(Part<TLinkLabel>(form, "LinkLabel3")->PlainText(), "More Details");
    // the two toggle icons differ and are the program's own 16 x 16 pictures
    EXPECT_EQ(TAskConfirmationForm::ToggleIcon(0).size(), QSize(16, 16));
    EXPECT_NE(TAskConfirmationForm::ToggleIcon(0).toImage(), TAskConfirmationForm::ToggleIcon(1).toImage());
}

// A text that ends above 42 pixels gets the smallest header, 54 pixels; the buttons follow it.
TEST(AskConfirmationForm, OneLineTextGivesTheSmallestHeader)
{
    TAskConfirmationForm form;
    int header = 0;
    QPoint install;
    EXPECT_EQ(AskWith(form, [&] {
        header = Part<QWidget>(form, "Panel1")->height();
        install = Part<QWidget>(form, "Button2")->pos();
    }, "Button1"), QDialog::Rejected);
    EXPECT_EQ(header, 54);
    EXPECT_EQ(install, QPoint(320, 89 - 24));
    EXPECT_EQ(form.height(), 125 - 24);
}

TEST(AskConfirmationForm, LongTextGrowsTheHeader)
{
    TAskConfirmationForm form;
    const QString text = QStringList(12, QStringLiteral("A long line of words that wraps.")).join(u' ') + "<br><br>End.";
    int header = 0;
    int textBottom = 0;
    AskWith(form, [&] {
        header = Part<QWidget>(form, "Panel1")->height();
        textBottom = Part<QWidget>(form, "LinkLabel1")->geometry().bottom();
    }, "Button1", text);
    EXPECT_GT(header, 78);
    EXPECT_EQ(header, textBottom + 1 + 6 + 12);
    EXPECT_EQ(form.height(), 125 + header - 78);
}

TEST(AskConfirmationForm, CountdownPressesInstall)
{
    TAskConfirmationForm form;
    form.SetAutoContinue(true, 500);
    EXPECT_EQ(form.Countdown(), 1) << "at least one second";
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(AskWith(form, nullptr), QDialog::Accepted);
    EXPECT_GE(clock.elapsed(), 900);
    EXPECT_EQ(Part<QPushButton>(form, "Button2")->text(), "&Install (0)");

    TAskConfirmationForm ten;
    ten.SetAutoContinue(true, 10000);
    EXPECT_EQ(ten.Countdown(), 10);
    ten.SetAutoContinue(false, 10000);
    EXPECT_FALSE(Part<QTimer>(ten, "Timer1")->isActive());
}

TEST(AskConfirmationForm, OpeningTheDetailsStopsTheCountdownForGood)
{
    TAskConfirmationForm form;
    form.SetDetails(kNotes);
    form.SetAutoContinue(true, 3000);
    QString during;
    bool timerAfter = true;
    EXPECT_EQ(AskWith(form, [&] {
        QTest::qWait(1100);
        during = Part<QPushButton>(form, "Button2")->text();
        form.Image2Click();
        timerAfter = Part<QTimer>(form, "Timer1")->isActive();
        form.Image2Click();  // closing again does not restart it
        QTest::qWait(2500);
    }, "Button1"), QDialog::Rejected);
    EXPECT_EQ(during, "&Install (2)");
    EXPECT_FALSE(timerAfter);
    EXPECT_EQ(Part<QPushButton>(form, "Button2")->text(), "&Install");
}

TEST(AskConfirmationForm, TheToggleShowsOnlyWithNotesOrAnOfferedBox)
{
    struct Case {
        const char* name;
        QString notes;
        bool offered;
        bool toggle;
    };
    const Case cases[] = {
        {"neither", {}, false, false},
        {"notes", kNotes, false, true},
        {"offered box", {}, true, true},
        {"both", kNotes, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TAskConfirmationForm form;
        form.SetDetails(c.notes);
        form.SetTurnOffOffered(c.offered);
        bool icon = false;
        bool link = false;
        AskWith(form, [&] {
            icon = Part<QWidget>(form, "Image2")->isVisible();
            link = Toggle(form)->isVisible();
        }, "Button1");
        EXPECT_EQ(icon, c.toggle);
        EXPECT_EQ(link, c.toggle);
    }
}

// Offered without notes: opening only adds the box's 32 pixels; closing gives them back.
TEST(AskConfirmationForm, OfferedBoxWithoutNotes)
{
    TAskConfirmationForm form;
    form.SetTurnOffOffered(true);
    int before = 0, opened = 0, closed = 0;
    bool boxShown = false;
    QString lessLink;
    AskWith(form, [&] {
        before = form.height();
        form.Image2Click();
        opened = form.height();
        boxShown = Part<QWidget>(form, "CheckBox1")->isVisible() && Part<QWidget>(form, "Bevel1")->isVisible();
        lessLink = Part<TLinkLabel>(form, "LinkLabel3")->PlainText();
        form.Image2Click();
        closed = form.height();
    }, "Button1");
    EXPECT_EQ(opened, before + 32);
    EXPECT_TRUE(boxShown);
    EXPECT_EQ(lessLink, "Less Details");
    EXPECT_EQ(closed, before);
}

TEST(AskConfirmationForm, NotesStretchTheHeaderAndMoveTheButtons)
{
    TAskConfirmationForm form;
    form.SetDetails(kNotes);
    form.SetTurnOffOffered(true);
    QRect detailsPlace;
    QString notes;
    int header = 0, openedHeader = 0, height = 0, openedHeight = 0, closedHeight = 0;
    QPoint install, openedInstall, openedBox, closedInstall;
    AskWith(form, [&] {
        header = Part<QWidget>(form, "Panel1")->height();
        height = form.height();
        install = Part<QWidget>(form, "Button2")->pos();
        form.Image2Click();
        notes = Part<TLinkLabel>(form, "LinkLabel2")->PlainText();
        detailsPlace = Part<QWidget>(form, "LinkLabel2")->geometry();
        openedHeader = Part<QWidget>(form, "Panel1")->height();
        openedHeight = form.height();
        openedInstall = Part<QWidget>(form, "Button2")->pos();
        openedBox = Part<QWidget>(form, "CheckBox1")->pos();
        form.Image2Click();
        closedHeight = form.height();
        closedInstall = Part<QWidget>(form, "Button2")->pos();
    }, "Button1");
    const int grow = detailsPlace.height() + 6;
    EXPECT_TRUE(notes.startsWith("Details:\n")) << notes.toStdString();
    EXPECT_TRUE(notes.contains("Faster charts.\nRemote sources.")) << notes.toStdString();
    EXPECT_EQ(detailsPlace.top(), Part<QWidget>(form, "LinkLabel1")->geometry().bottom() + 1 + 6);
    EXPECT_EQ(openedHeader, header + grow);
    EXPECT_EQ(openedHeight, height + 32 + grow);
    EXPECT_EQ(openedInstall, install + QPoint(0, grow));
    EXPECT_EQ(openedBox, QPoint(12, 132 + header - 78 + grow));
    EXPECT_EQ(closedHeight, height);
    EXPECT_EQ(closedInstall, install);
}

TEST(AskConfirmationForm, TheBoxCountsOnlyWhileShown)
{
    struct Case {
        const char* name;
        bool closeDetails;
        bool turnedOff;
    };
    for (const Case& c : {Case {"ticked and shown", false, true}, Case {"ticked, then details closed", true, false}}) {
        SCOPED_TRACE(c.name);
        TAskConfirmationForm form;
        form.SetTurnOffOffered(true);
        EXPECT_EQ(AskWith(form, [&] {
            form.Image2Click();
            Part<QCheckBox>(form, "CheckBox1")->setChecked(true);
            if (c.closeDetails)
                form.Image2Click();
        }, "Button2"), QDialog::Accepted);
        EXPECT_EQ(form.TurnedOff(), c.turnedOff);
        EXPECT_TRUE(form.TurnOffOffered());
    }
    // a box ticked beforehand but never shown is not turned off either
    TAskConfirmationForm hidden;
    hidden.SetTurnOffBox(true);
    AskWith(hidden, nullptr, "Button2");
    EXPECT_FALSE(hidden.TurnedOff());
}

TEST(AskConfirmationForm, LinksOpenTheBrowserOrToggleTheDetails)
{
    TAskConfirmationForm form;
    form.SetDetails(kNotes);
    QStringList opened;
    form.OpenLink = [&](const QString& uri) { opened << uri; };
    auto* text = Part<TLinkLabel>(form, "LinkLabel1");
    const auto click = [&](const QString& uri) { Q_EMIT text->OnLinkClick(uri, QString(), QString()); };
    click("https://marrowind.example/gaugeloft");
    click("HTTP://example.test/");
    click("mailto:someone@example.test");
    click("ftp://example.test/");
    EXPECT_EQ(opened, QStringList({"https://marrowind.example/gaugeloft", "HTTP://example.test/"}));
    EXPECT_FALSE(form.DetailsVisible());
    click("#DETAILS");
    EXPECT_TRUE(form.DetailsVisible());
    click("#details");
    EXPECT_FALSE(form.DetailsVisible());
}

TEST(AskConfirmationForm, EscapeAndClosingCancel)
{
    for (const bool escape : {true, false}) {
        TAskConfirmationForm form;
        bool beeped = false;
        form.QuestionBeep = [&] { beeped = true; };
        QTimer::singleShot(0, &form, [&form, escape] {
            if (escape)
                QTest::keyClick(&form, Qt::Key_Escape);
            else
                form.close();
        });
        EXPECT_EQ(form.Ask("Update Found for Gaugeloft", kOneLine, true), QDialog::Rejected);
        EXPECT_TRUE(beeped);
    }
    TAskConfirmationForm form;
    form.SetInstallCaption("&Download");
    QString caption;
    EXPECT_EQ(AskWith(form, [&] {
        caption = Part<QPushButton>(form, "Button2")->text();
        QTest::keyClick(&form, Qt::Key_Return);
    }), QDialog::Accepted);
    EXPECT_EQ(caption, "&Download");
}

// The progress window asks through a confirmation form prepared from the run's request.
TEST(AskConfirmationForm, TheRunsQuestionGoesThroughTheForm)
{
    TSimpleWebUpdateForm progress(nullptr);
    update::ConfirmationRequest request;
    request.Caption = "Update Found for Gaugeloft";
    request.Text = kOneLine;
    request.Details = kNotes;
    request.TurnOffOffered = true;
    request.TurnOffChecked = true;
    request.Sounds = false;
    QString title;
    progress.ConfirmationOpened = [&](TAskConfirmationForm& form) {
        QTimer::singleShot(0, &form, [&form, &title] {
            title = form.windowTitle();
            form.Image2Click();  // the box, ticked by the request, is now shown
            Part<QPushButton>(form, "Button2")->click();
        });
    };
    const update::ConfirmationAnswer answer = progress.Confirm(request);
    EXPECT_TRUE(answer.Install);
    EXPECT_TRUE(answer.TurnOffChecked);
    EXPECT_EQ(title, "Update Found for Gaugeloft");

    progress.ConfirmationOpened = [](TAskConfirmationForm& form) {
        QTimer::singleShot(0, &form, [&form] { Part<QPushButton>(form, "Button1")->click(); });
    };
    EXPECT_FALSE(progress.Confirm(request).Install);
}

} // namespace
} // namespace gaugeloft
