#include "ui/simplewebupdateform.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace gaugeloft {
namespace {

template <typename T>
T* Part(const QWidget& window, const char* name)
{
    T* part = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_TRUE(part) << name;
    return part;
}

struct ProgressWindow : ::testing::Test {
    QWidget owner;
    TSimpleWebUpdateForm form {&owner};
    ProgressWindow() { owner.show(); }
};

TEST_F(ProgressWindow, LayoutInPixels)
{
    EXPECT_EQ(form.size(), QSize(350, 140));
    EXPECT_EQ(form.windowTitle(), "Web Update");
    const struct {
        const char* name;
        QRect place;
    } parts[] = {
        {"Panel1", {0, 0, 350, 93}},       {"Image1", {12, 12, 32, 32}},  {"lblName", {56, 48, 281, 41}},
        {"ProgressBar1", {56, 64, 281, 18}}, {"Image2", {12, 107, 16, 16}}, {"Button1", {260, 104, 77, 25}},
    };
    for (const auto& p : parts)
        EXPECT_EQ(Part<QWidget>(form, p.name)->geometry(), p.place) << p.name;
    EXPECT_EQ(Part<QLabel>(form, "lblDesc")->pos(), QPoint(56, 12));
    auto* heading = Part<QLabel>(form, "lblDesc");
    EXPECT_EQ(heading->font().pointSize(), 11);
    EXPECT_EQ(heading->palette().color(heading->foregroundRole()), QColor(0x00, 0x00, 0x80)) << "navy";
    EXPECT_EQ(Part<QPushButton>(form, "Button1")->text(), "&Cancel");
}

TEST_F(ProgressWindow, AShownRunDisablesTheOwnerUntilHidden)
{
    form.ShowProgressWindow("Checking for updates");
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), &form) << "the other windows take no input";
    EXPECT_TRUE(form.isEnabled());
    EXPECT_EQ(Part<QLabel>(form, "lblDesc")->text(), "Checking for updates");
    EXPECT_EQ(Part<QProgressBar>(form, "ProgressBar1")->maximum(), 0) << "indeterminate";
    form.ShowProgressWindow("Again");
    EXPECT_EQ(Part<QLabel>(form, "lblDesc")->text(), "Checking for updates") << "already shown: nothing";
    form.SetDescription("Downloading update");
    EXPECT_EQ(Part<QLabel>(form, "lblDesc")->text(), "Downloading update");
    form.HideProgressWindow();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(owner.isEnabled());
}

TEST_F(ProgressWindow, AStatusTextTakesThePlaceOfTheBar)
{
    form.ShowProgressWindow("x");
    form.SetStatusText("Please check again later");
    EXPECT_TRUE(Part<QProgressBar>(form, "ProgressBar1")->isHidden());
    EXPECT_EQ(Part<QLabel>(form, "lblName")->text(), "Please check again later");
    form.SetStatusText(QString());
    EXPECT_FALSE(Part<QProgressBar>(form, "ProgressBar1")->isHidden());
}

TEST_F(ProgressWindow, TransferPercentagesAndTheMark)
{
    form.ShowProgressWindow("x");
    auto* info = Part<QLabel>(form, "lblInfo");
    form.TransferBegun(2 * 1024 * 1024);
    EXPECT_TRUE(form.TransferActive());
    EXPECT_EQ(info->x(), 34);
    form.TransferProgress(1024 * 1024);
    EXPECT_EQ(info->text(), "50% completed");
    EXPECT_EQ(Part<QProgressBar>(form, "ProgressBar1")->value(), 5000);
    QCloseEvent close;
    QApplication::sendEvent(&form, &close);
    EXPECT_TRUE(form.isVisible()) << "closing is refused while a transfer runs";
    form.TransferProgress(2 * 1024 * 1024);
    form.TransferEnded();
    EXPECT_FALSE(form.TransferActive());
    EXPECT_EQ(info->x(), 12);
    EXPECT_TRUE(form.TransferComplete());
    EXPECT_EQ(info->text(), "");

    form.TransferBegun(0);  // no length announced
    form.TransferProgress(5000);
    EXPECT_EQ(info->text(), "");
    form.TransferEnded();
    EXPECT_TRUE(form.TransferComplete()) << "position 0 = maximum 0";
}

TEST_F(ProgressWindow, TheButtonCancelsATransferOrEndsTheWait)
{
    form.ShowProgressWindow("x");
    int cancels = 0;
    form.CancelTransfer = [&] { ++cancels; };
    form.TransferBegun(100);
    Part<QPushButton>(form, "Button1")->click();
    EXPECT_EQ(cancels, 1);
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible()) << "Esc does not cancel";
    form.TransferEnded();

    QTimer::singleShot(50, &form, [&] {
        EXPECT_EQ(Part<QPushButton>(form, "Button1")->text(), "&Close");
        Part<QPushButton>(form, "Button1")->click();
    });
    form.WaitForClose();
    EXPECT_TRUE(form.CloseRequested());
    EXPECT_EQ(cancels, 1);

    form.SetDoneMode(false);
    QTimer::singleShot(50, &form, [&] { QTest::keyClick(&form, Qt::Key_Escape); });
    form.WaitForClose();
    EXPECT_TRUE(form.CloseRequested()) << "Esc closes the page";
}

TEST_F(ProgressWindow, ClosingIsRefusedWhileATransferRuns)
{
    form.ShowProgressWindow("Downloading update");
    form.TransferBegun(2 * 1024 * 1024);
    form.TransferProgress(1024 * 1024);
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(Part<QPushButton>(form, "Button1")->isEnabled()) << "the button still cancels";
    form.TransferEnded();
    EXPECT_TRUE(form.close());
    EXPECT_FALSE(form.isVisible());
    form.HideProgressWindow();
}

} // namespace
} // namespace gaugeloft
