// The hardware tree for keyboard and screen-reader users, and rows too long for the tree.

#include "ui/mainform.h"

#include "ui/mainformfixture.h"
#include "ui/sensortreeicons.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QHeaderView>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <QTreeView>
#include <gtest/gtest.h>

namespace gaugeloft {
namespace {

struct TreeWindow : MainFormFixture {
    TreeWindow()
        : MainFormFixture(Example("desktop.json"))
    {
        window.Timer1Timer();
        sensor = FirstFreeSensor(window.Tree());
        for (const TreeNode* up = sensor ? sensor->Parent() : nullptr; up; up = up->Parent())
            TreeView(window)->expand(window.TreeIndexOf(up));
    }
    TreeNode* sensor = nullptr;
};

// Space or Enter on a sensor row does what a click on its tile mark does.
TEST(MainFormTree, SpaceAndEnterAddAndRemoveTheTile)
{
    TreeWindow f;
    TMainForm& w = f.window;
    ASSERT_TRUE(f.sensor);
    const QString id = f.sensor->Data()->Identifier;
    QTreeView* view = TreeView(w);
    view->setFocus();
    view->setCurrentIndex(w.TreeIndexOf(f.sensor));
    for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
        SCOPED_TRACE(key);
        QTest::keyClick(view, key);
        EXPECT_GE(w.Tiles().FindTileBySensor(id), 0) << "added";
        EXPECT_EQ(view->currentIndex().data(Qt::CheckStateRole).toInt(), Qt::Checked);
        QTest::keyClick(view, key);
        EXPECT_EQ(w.Tiles().FindTileBySensor(id), -1) << "removed";
        EXPECT_EQ(view->currentIndex().data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    }
    // a hardware row has no tile mark: the keys leave it to the view
    view->setCurrentIndex(w.TreeIndexOf(f.sensor->Parent()));
    const int tiles = w.Tiles().Count();
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_EQ(w.Tiles().Count(), tiles);
}

// A screen reader hears sensor rows as check boxes, checked while a tile shows the sensor, and
// the tree's column by its name.
TEST(MainFormTree, SensorRowsAreCheckableForAssistiveTechnology)
{
    TreeWindow f;
    TMainForm& w = f.window;
    ASSERT_TRUE(f.sensor);
    const QModelIndex row = w.TreeIndexOf(f.sensor);
    EXPECT_TRUE(row.flags().testFlag(Qt::ItemIsUserCheckable));
    EXPECT_FALSE(w.TreeIndexOf(f.sensor->Parent()).flags().testFlag(Qt::ItemIsUserCheckable));
    EXPECT_EQ(TreeView(w)->model()->headerData(0, Qt::Horizontal).toString(), SensorTreeIconModel::kHeader);

    QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(TreeView(w));
    ASSERT_TRUE(tree);
    const auto cellOf = [&](const QModelIndex& index) -> QAccessibleInterface* {
        QAccessibleTableInterface* table = tree->tableInterface();
        if (!table)
            return nullptr;
        const int rows = table->rowCount();
        for (int r = 0; r < rows; ++r) {
            QAccessibleInterface* cell = table->cellAt(r, 0);
            if (cell && cell->text(QAccessible::Name) == index.data().toString())
                return cell;
        }
        return nullptr;
    };
    QAccessibleInterface* cell = cellOf(row);
    ASSERT_TRUE(cell);
    EXPECT_TRUE(cell->state().checkable);
    EXPECT_FALSE(cell->state().checked);
    TreeView(w)->model()->setData(row, Qt::Checked, Qt::CheckStateRole);  // what a toggle asks
    EXPECT_GE(w.Tiles().FindTileBySensor(f.sensor->Data()->Identifier), 0);
    EXPECT_TRUE(cellOf(w.TreeIndexOf(f.sensor))->state().checked);
    for (int c = 0; c < tree->childCount(); ++c) {
        QAccessibleInterface* child = tree->child(c);
        if (child && child->role() == QAccessible::ColumnHeader) {
            EXPECT_NE(child->text(QAccessible::Name), QStringLiteral("1"));
        }
    }
}

// A row whose text is cut off shows the whole text as its tooltip; one that fits shows none.
TEST(MainFormTree, CutOffRowsShowTheirTextAsATooltip)
{
    TreeWindow f;
    TMainForm& w = f.window;
    QTreeView* view = TreeView(w);
    ASSERT_TRUE(f.sensor);
    view->scrollTo(w.TreeIndexOf(f.sensor));
    const QModelIndex row = w.TreeIndexOf(f.sensor);
    const QRect rect = view->visualRect(row);
    ASSERT_GT(view->fontMetrics().horizontalAdvance(row.data().toString()) + rect.left(), view->viewport()->width())
        << "the sensor row is wider than the tree";
    QHelpEvent tip(QEvent::ToolTip, rect.center(), view->viewport()->mapToGlobal(rect.center()));
    QCoreApplication::sendEvent(view->viewport(), &tip);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), row.data().toString());

    const QModelIndex top = view->model()->index(0, 0);  // "CPU": short
    const QRect topRect = view->visualRect(top);
    QHelpEvent none(QEvent::ToolTip, topRect.center(), view->viewport()->mapToGlobal(topRect.center()));
    QCoreApplication::sendEvent(view->viewport(), &none);
    EXPECT_FALSE(QToolTip::isVisible() && QToolTip::text() == top.data().toString());
}

} // namespace
} // namespace gaugeloft
