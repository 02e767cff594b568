// Dialogs placed by their frame under a real window manager (openbox on Xvfb; the ctest entry
// sets that up with GAUGELOFT_WM_TESTS=1): the title bar and border are only known once the
// window manager has framed the window.

#include "ui/frameplacement.h"

#include <QDialog>
#include <QTest>
#include <gtest/gtest.h>

namespace gaugeloft {
namespace {

// generous: the window manager and the X server share the machine with other tests
constexpr int kPatienceMs = 15000;

// Places itself as it is shown, as the program's dialogs do.
class PlacedDialog : public QDialog {
public:
    explicit PlacedDialog(QPoint target) : m_target(target) {}

protected:
    void showEvent(QShowEvent* event) override
    {
        QDialog::showEvent(event);
        PlaceFrame(this, [this] { return m_target; });
    }

private:
    QPoint m_target;
};

TEST(FramePlacement, TheFrameStandsWhereAskedOnceTheWindowManagerFramedIt)
{
    if (!qEnvironmentVariableIsSet("GAUGELOFT_WM_TESTS"))
        GTEST_SKIP() << "needs a window manager: set GAUGELOFT_WM_TESTS=1";
    for (const QPoint target : {QPoint(200, 150), QPoint(333, 97)}) {
        PlacedDialog dialog(target);
        dialog.resize(300, 200);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.frameGeometry() != dialog.geometry(); }, kPatienceMs))
            << "the window manager framed it";
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.frameGeometry().topLeft() == target; }, kPatienceMs))
            << "frame at " << dialog.frameGeometry().x() << ',' << dialog.frameGeometry().y();
        // the client's place follows the frame's in a later event
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.geometry().y() > target.y(); }, kPatienceMs))
            << "the client area is below the title bar: " << dialog.geometry().y() << " frame "
            << dialog.frameGeometry().x() << ',' << dialog.frameGeometry().y() << " client "
            << dialog.geometry().x() << ',' << dialog.geometry().y();
    }
}

} // namespace
} // namespace gaugeloft
