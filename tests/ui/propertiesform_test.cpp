#include "ui/propertiesform.h"

#include "dashboard/tilefixture.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

namespace gaugeloft {
namespace {

using testing::TileWorld;

const QString kCpuTotal = QStringLiteral("/intelcpu/0/load/0");
const QString kCpuCore2 = QStringLiteral("/intelcpu/0/load/2");  // has peers: " #2"

class PropertiesFormTest : public ::testing::Test {
protected:
    PropertiesFormTest()
    {
        TreeNode* cpu = world.host.AddHardware("Intel Core i7", "/intelcpu/0");
        world.host.AddSensor(cpu, "CPU Total", kCpuTotal, "Load", 45, 0, 100);
        world.host.AddSensor(cpu, "CPU Core #2", kCpuCore2, "Load", 40, 0, 100);
    }

    // A new tile at the end, bound to `identifier` when given, showing `type`.
    TSensorFrame& NewTile(const QString& identifier = {}, int type = dtText)
    {
        TSensorFrame& tile = world.tiles.At(world.tiles.AddTile(-1));
        tile.SetDisplayType(std::uint8_t(type));
        if (!identifier.isEmpty())
            tile.BindSensor(identifier);
        return tile;
    }

    // The dialog run modally as the main window runs it: Apply on OK only.
    // `act` runs once the dialog is up.
    static int Run(TPropertiesForm& form, TSensorFrame& tile, const std::function<void()>& act)
    {
        form.Fill(tile);
        QTimer::singleShot(0, &form, [&form, act] {
            EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
            act();
        });
        const int result = form.exec();
        if (result == QDialog::Accepted)
            form.Apply(tile);
        return result;
    }

    // The number of the checked radio button, 0 when none.
    static int Checked(const TPropertiesForm& form)
    {
        int checked = 0;
        for (int i = 1; i <= 7; ++i) {
            if (form.RadioButton(i)->isChecked()) {
                EXPECT_EQ(checked, 0) << "two checked";
                checked = i;
            }
        }
        return checked;
    }

    TileWorld world;
};

// Laid out in pixels for an 8-point sans font: the client area is the one it was drawn for,
// whatever font size the desktop uses.
TEST(PropertiesFormLayout, ClientAreaAndFont)
{
    const QFont desktop = QApplication::font();
    QFont big = desktop;
    big.setPointSize(11);
    QApplication::setFont(big);
    TPropertiesForm dialog;
    QApplication::setFont(desktop);
    EXPECT_EQ(dialog.font().pointSize(), 8);
    EXPECT_EQ(dialog.size(), QSize(307, 331));
    EXPECT_LE(dialog.sizeHint().height(), 331);
}

TEST_F(PropertiesFormTest, FillShowsTheTile)
{
    struct Case {
        const char* name;
        QString sensor;  // empty: an empty tile
        int type;
        QString customName;
        QString title, subtitle, id;
        int checked;
        bool peers;
    };
    const Case cases[] = {
        {"live", kCpuTotal, dtMinMax, {}, "CPU Total", "Intel Core i7", "#8", 3, false},
        {"custom name, peers", kCpuCore2, dtMultiBars, "Desk PC", "CPU Cores", "Desk PC", "#9", 7, true},
        {"unknown type", kCpuCore2, 9, {}, "CPU Core #2", "Intel Core i7", "#10", 1, true},
        {"empty", {}, dtText, {}, "11", "(empty)", "#11", 1, false},
        {"pie", kCpuTotal, dtPie, {}, "CPU Total", "Intel Core i7", "#12", 5, false},
    };
    world.tiles.TileCounter = 7;
    TPropertiesForm form;  // one dialog for all: each Fill starts afresh
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TSensorFrame& tile = NewTile(c.sensor);
        if (!c.customName.isEmpty())
            tile.SetCustomName(c.customName);
        tile.SetDisplayType(std::uint8_t(c.type));
        tile.RefreshTile();
        form.Fill(tile);
        EXPECT_EQ(form.Label1()->text(), c.title);
        EXPECT_EQ(form.Edit1()->text(), c.subtitle);
        EXPECT_EQ(form.Edit2()->text(), c.sensor);
        EXPECT_EQ(form.Edit3()->text(), c.id);
        EXPECT_EQ(Checked(form), c.checked);
        EXPECT_EQ(form.RadioButton(7)->isEnabled(), c.peers);
        EXPECT_FALSE(form.Edit1()->isReadOnly());
        EXPECT_TRUE(form.Edit2()->isReadOnly());
        EXPECT_TRUE(form.Edit3()->isReadOnly());
    }
}

TEST_F(PropertiesFormTest, OkKeepsWhatTheSubtitleShows)
{
    struct Case {
        const char* name;
        QString sensor;
        Qt::Key key;  // pressed in the name box
        int result;
        QString customName, subtitle;
    };
    const Case cases[] = {
        {"live, Enter", kCpuTotal, Qt::Key_Return, QDialog::Accepted, "Intel Core i7", "Intel Core i7"},
        {"empty, Enter", {}, Qt::Key_Return, QDialog::Accepted, "(empty)", "(empty)"},
        {"live, Escape", kCpuTotal, Qt::Key_Escape, QDialog::Rejected, "", "Intel Core i7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TSensorFrame& tile = NewTile(c.sensor, dtProgress);
        ASSERT_TRUE(tile.CustomName.isEmpty());
        TPropertiesForm form;
        EXPECT_EQ(Run(form, tile, [&] { QTest::keyClick(form.Edit1(), c.key); }), c.result);
        EXPECT_EQ(tile.CustomName, c.customName);
        EXPECT_EQ(tile.Subtitle.Text, c.subtitle);
        EXPECT_EQ(tile.DisplayType, dtProgress);
    }
}

TEST_F(PropertiesFormTest, ClearButtonRestoresTheDefaultName)
{
    TSensorFrame& tile = NewTile(kCpuTotal);
    tile.SetCustomName("Desk PC");
    TPropertiesForm form;
    const int result = Run(form, tile, [&] {
        EXPECT_EQ(form.Edit1()->text(), "Desk PC");
        QTest::mouseClick(form.SpeedButton1(), Qt::LeftButton);
        EXPECT_TRUE(form.Edit1()->text().isEmpty());
        QTest::mouseClick(form.OkButton(), Qt::LeftButton);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_TRUE(tile.CustomName.isEmpty());
    EXPECT_EQ(tile.Subtitle.Text, "Intel Core i7");
}

TEST_F(PropertiesFormTest, MultiBarsWithoutPeersOpensAsBar)
{
    TSensorFrame& tile = NewTile(kCpuTotal, dtMultiBars);
    ASSERT_EQ(tile.PeerMark, 0);
    ASSERT_EQ(tile.DisplayType, dtMultiBars);
    TPropertiesForm form;
    form.Fill(tile);
    EXPECT_EQ(Checked(form), 6);
    EXPECT_FALSE(form.RadioButton(7)->isEnabled());
    form.Apply(tile);
    EXPECT_EQ(tile.DisplayType, dtBar);
}

TEST_F(PropertiesFormTest, EachRadioButtonSetsItsDisplayType)
{
    // the mnemonics of RadioButton1..7, display types 0..6
    const Qt::Key keys[] = {Qt::Key_T, Qt::Key_P, Qt::Key_M, Qt::Key_H, Qt::Key_E, Qt::Key_B, Qt::Key_U};
    TSensorFrame& tile = NewTile(kCpuCore2);
    for (int number = 1; number <= 7; ++number) {
        SCOPED_TRACE(number);
        tile.SetDisplayType(std::uint8_t(number % 7));  // some other type
        TPropertiesForm form;
        const int result = Run(form, tile, [&] {
            QTest::keyClick(QApplication::focusWidget(), keys[number - 1], Qt::AltModifier);
            // the button clicks itself a moment later
            EXPECT_TRUE(QTest::qWaitFor([&] { return form.RadioButton(number)->isChecked(); }));
            EXPECT_EQ(Checked(form), number);
            QTest::mouseClick(form.OkButton(), Qt::LeftButton);
        });
        EXPECT_EQ(result, QDialog::Accepted);
        EXPECT_EQ(tile.DisplayType, number - 1);
    }
}

TEST_F(PropertiesFormTest, OpensCenteredBelowTheParentsTop)
{
    const int width = TPropertiesForm().width();
    struct Case {
        QRect parent;  // client area
        int offset;    // of the dialog's left edge from the parent's
    };
    const Case cases[] = {
        {{100, 120, 801, 600}, (801 - width) / 2},
        {{300, 40, width - 5, 200}, -2},  // halved toward zero
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset);
        QWidget parent;
        parent.setGeometry(c.parent);
        parent.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
        TPropertiesForm form(&parent);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        // both windows have the same borders: the outer widths differ as the inner ones
        const QRect outer = parent.frameGeometry();
        EXPECT_EQ(form.frameGeometry().topLeft(), outer.topLeft() + QPoint(c.offset, 70));
    }
}

TEST_F(PropertiesFormTest, LookAndKeyboard)
{
    TSensorFrame& tile = NewTile(kCpuTotal, dtChart);
    QWidget parent;
    parent.show();
    TPropertiesForm form(&parent);
    form.Fill(tile);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));

    EXPECT_EQ(form.windowTitle(), "Properties");
    EXPECT_TRUE(form.isModal());
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_GE(form.width(), 307);
    EXPECT_GE(form.height(), 331);
    EXPECT_EQ(form.Label1()->font().pointSizeF(), form.font().pointSizeF() + 4);
    EXPECT_TRUE(form.OkButton()->isDefault());
    EXPECT_EQ(form.SpeedButton1()->toolTip(), "Clear");

    // the name box has the focus; Tab goes round every control
    EXPECT_EQ(QApplication::focusWidget(), form.Edit1());
    std::set<QWidget*> reached;
    for (int i = 0; i < 12; ++i) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        reached.insert(focus);
        EXPECT_FALSE(focus->accessibleName().isEmpty()) << focus->metaObject()->className();
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    EXPECT_TRUE(reached.count(form.Edit1()));
    EXPECT_TRUE(reached.count(form.Edit2()));
    EXPECT_TRUE(reached.count(form.Edit3()));
    EXPECT_TRUE(reached.count(form.SpeedButton1()));
    EXPECT_TRUE(reached.count(form.OkButton()));
    // Tab enters the display types once; the arrow keys go on from there
    const int radios = int(std::count_if(reached.begin(), reached.end(),
                                         [](QWidget* w) { return qobject_cast<QRadioButton*>(w); }));
    EXPECT_EQ(radios, 1);
    EXPECT_EQ(reached.size(), 7u);  // and Cancel

    // labels name their boxes
    std::set<QWidget*> buddies;
    for (QLabel* label : form.findChildren<QLabel*>())
        if (label->buddy())
            buddies.insert(label->buddy());
    EXPECT_TRUE(buddies.count(form.Edit1()));
    EXPECT_TRUE(buddies.count(form.Edit2()));
    EXPECT_TRUE(buddies.count(form.Edit3()));
}

} // namespace
} // namespace gaugeloft
