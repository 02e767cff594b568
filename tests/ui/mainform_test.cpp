#include "ui/mainform.h"

#include "ui/mainformfixture.h"
#include "ui/dashboardarea.h"
#include "ui/tilewidget.h"
#include "ui/titlestrip.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

namespace gaugeloft {
namespace {

TEST(MainFormTest, FirstTickDetectsAndShowsTheWindowWithOneEmptyTile)
{
    MainFormFixture f(Example("desktop.json"));
    TMainForm& w = f.window;
    // 784 x 441 inside the sizing frame
    EXPECT_EQ(w.size(), QSize(784 + 2 * TMainForm::kFrameWidth, 441 + 2 * TMainForm::kFrameWidth));
    EXPECT_FALSE(w.isVisible());

    w.Timer1Timer();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.Tree().IsEmpty());
    EXPECT_TRUE(w.SensorsPanelVisible());
    EXPECT_TRUE(Panel3(w)->text().isEmpty());
    ASSERT_EQ(w.Tiles().Count(), 1);
    EXPECT_TRUE(w.Tiles().At(0).IsEmpty());
    EXPECT_TRUE(Timer1(w).isActive());
    EXPECT_FALSE(TopPanel(w)->TimeLabel()->text().isEmpty());

    // the arrangement centres the tile in the 598 x 405 dashboard
    w.Tiles().Timer2Timer();
    TileWidget* tile = SensorsPanel(w)->WidgetOf(w.Tiles().At(0));
    ASSERT_TRUE(tile);
    EXPECT_EQ(tile->pos(), QPoint((598 % 128) / 2, (405 - 128) / 2));
    EXPECT_TRUE(tile->isVisible());
}

TEST(MainFormTest, SensorIconClicksFillAndEmptyATile)
{
    MainFormFixture f(Example("desktop.json"));
    TMainForm& w = f.window;
    w.Timer1Timer();
    TreeNode* sensor = FirstFreeSensor(w.Tree());
    ASSERT_TRUE(sensor);
    const QString id = sensor->Data()->Identifier;

    ClickIcon(w, sensor);
    ASSERT_EQ(w.Tiles().Count(), 1);
    EXPECT_EQ(w.Tiles().At(0).SensorId, id);
    EXPECT_EQ(sensor->ImageIndex(), kSensorOnDashboardIcon);
    EXPECT_EQ(w.CurrentNode(), sensor);

    // the tree menu knows the tile now
    TreeView(w)->setCurrentIndex(TreeView(w)->indexAt(w.TreeIconRect(sensor).center()));
    w.PopupMenu2Popup();
    const QList<QAction*> items = TreeMenu(w)->actions();
    EXPECT_FALSE(items[0]->isEnabled());  // Add
    EXPECT_TRUE(items[1]->isEnabled());   // Remove
    EXPECT_TRUE(items.last()->isEnabled());  // Properties...

    ClickIcon(w, sensor);
    ASSERT_EQ(w.Tiles().Count(), 1);
    EXPECT_TRUE(w.Tiles().At(0).IsEmpty());
    EXPECT_EQ(w.Tiles().At(0).TileNumber, 2);
    EXPECT_EQ(sensor->ImageIndex(), kSensorIcon);

    // a click beside the icon toggles nothing
    QTest::mouseClick(TreeView(w)->viewport(), Qt::LeftButton, {},
                      w.TreeIconRect(sensor).center() + QPoint(40, 0));
    EXPECT_TRUE(w.Tiles().At(0).IsEmpty());
}

TEST(MainFormTest, DemoTilesTakeTheFirstSensorsWithMixedTypes)
{
    MainFormFixture f(Example("desktop.json"));
    TMainForm& w = f.window;
    w.Timer1Timer();
    w.FillDemoTiles(8);
    ASSERT_EQ(w.Tiles().Count(), 8);
    EXPECT_EQ(w.Tiles().FindEmptyTile(), -1);
    EXPECT_EQ(w.Tiles().At(3).DisplayType, dtChart);
    w.Timer1Timer();  // a refresh of every tile
}

TEST(MainFormTest, WithoutAProviderTheMainAreaAsksForOne)
{
    MainFormFixture f(Example("no-such-file.json"));
    TMainForm& w = f.window;
    w.Timer1Timer();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.Tree().IsEmpty());
    EXPECT_FALSE(w.SensorsPanelVisible());
    EXPECT_EQ(Panel3(w)->text(), QStringLiteral("Is any Hardware Monitoring tool running in background?"));
    EXPECT_EQ(w.Tiles().Count(), 1);

    // the dashboard menu: nothing to add from, one tile to delete
    w.PopupMenu1Popup();
    const QList<QAction*> items = DashboardMenu(w)->actions();
    EXPECT_FALSE(items[0]->isEnabled());
    EXPECT_TRUE(items[2]->isEnabled());
    EXPECT_EQ(items[2]->text(), QStringLiteral("&Delete All..."));
}

// After a detection the view expands the nodes the tree marks (the re-parent targets), and a
// re-detection keeps what the user opened or closed where the same path of texts is there again.
TEST(MainFormTest, TreeExpansionFollowsTheMarksAndKeepsTheUsersChoices)
{
    MainFormFixture f(Example("desktop.json"));
    TMainForm& w = f.window;
    w.Timer1Timer();
    HardwareTree& tree = w.Tree();
    QTreeView* view = TreeView(w);
    std::vector<const TreeNode*> marked;
    std::vector<const TreeNode*> unmarked;
    for (int position = 0; position < tree.NodeCount(); ++position) {
        const TreeNode* node = tree.NodeAt(position);
        if (node->ChildCount() == 0)
            continue;
        EXPECT_EQ(view->isExpanded(w.TreeIndexOf(node)), node->Expanded()) << node->Text().toStdString();
        (node->Expanded() ? marked : unmarked).push_back(node);
    }
    ASSERT_FALSE(marked.empty());
    ASSERT_FALSE(unmarked.empty());

    const auto pathOf = [](const TreeNode* node) {
        QStringList texts;
        for (; node; node = node->Parent())
            texts.prepend(node->Text());
        return texts;
    };
    const QStringList closedPath = pathOf(marked.front());
    const QStringList openedPath = pathOf(unmarked.back());
    view->setExpanded(w.TreeIndexOf(marked.front()), false);
    view->setExpanded(w.TreeIndexOf(unmarked.back()), true);
    w.SpeedButton1Click();  // a new detection rebuilds every node
    const auto find = [&](const QStringList& path) -> const TreeNode* {
        for (int position = 0; position < tree.NodeCount(); ++position) {
            if (pathOf(tree.NodeAt(position)) == path)
                return tree.NodeAt(position);
        }
        return nullptr;
    };
    ASSERT_NE(find(closedPath), nullptr);
    ASSERT_NE(find(openedPath), nullptr);
    EXPECT_FALSE(view->isExpanded(w.TreeIndexOf(find(closedPath))));
    EXPECT_TRUE(view->isExpanded(w.TreeIndexOf(find(openedPath))));
}

} // namespace
} // namespace gaugeloft
