#include "ui/treecolumnsizer.h"

#include "ui/mainformfixture.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTreeView>
#include <gtest/gtest.h>

#include <functional>

namespace gaugeloft {
namespace {

// Two views of one model: one sized by the sizer, one by the header's own ResizeToContents.
class TreeColumn : public testing::Test {
public:
    TreeColumn()
    {
        for (const char* group : {"CPU", "Mainboard"}) {
            auto* item = new QStandardItem(QString::fromLatin1(group));
            for (int i = 1; i <= 4; ++i)
                item->appendRow(new QStandardItem(QStringLiteral("Core #%1: %2%").arg(i).arg(i * 10)));
            model.appendRow(item);
        }
        for (QTreeView* view : {&sized, &reference}) {
            view->setModel(&model);
            view->setHeaderHidden(true);
            view->setIndentation(19);
            view->setUniformRowHeights(true);
            view->header()->setStretchLastSection(false);
        }
        reference.header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        new TreeColumnSizer(sized);
        Expand(0, true);
    }

    void Expand(int row, bool expanded)
    {
        sized.setExpanded(model.index(row, 0), expanded);
        reference.setExpanded(model.index(row, 0), expanded);
    }
    int Width() const { return sized.header()->sectionSize(0); }
    int ReferenceWidth()
    {
        reference.header()->resizeSections(QHeaderView::ResizeToContents);
        return reference.header()->sectionSize(0);
    }
    QStandardItem* Row(int group, int row) { return model.item(group)->child(row); }

    QStandardItemModel model;
    QTreeView sized;
    QTreeView reference;
};

TEST_F(TreeColumn, WidensLikeTheHeaderAndNeverShrinksOnAChange)
{
    EXPECT_EQ(Width(), ReferenceWidth()) << "after the first expansion";
    struct Step {
        const char* what;
        std::function<void(TreeColumn&)> action;
        bool likeReference;  // else: the width stays as it was
    };
    const Step steps[] = {
        {"a shown row grows", [](TreeColumn& t) { t.Row(0, 1)->setText("Core #2: 100 percent and then some"); }, true},
        {"it shrinks again", [](TreeColumn& t) { t.Row(0, 1)->setText("Core #2: 5%"); }, false},
        {"a hidden row grows", [](TreeColumn& t) { t.Row(1, 2)->setText(QString(80, QLatin1Char('W'))); }, false},
        {"its group opens", [](TreeColumn& t) { t.Expand(1, true); }, true},
        {"its group closes", [](TreeColumn& t) { t.Expand(1, false); }, true},
        {"a group text grows", [](TreeColumn& t) { t.model.item(1)->setText(QString(40, QLatin1Char('M'))); }, true},
        {"the model is reset", [](TreeColumn& t) { t.model.item(1)->setText("Board"); t.model.sort(0); }, true},
    };
    for (const Step& step : steps) {
        const int before = Width();
        step.action(*this);
        if (step.likeReference)
            EXPECT_EQ(Width(), ReferenceWidth()) << step.what;
        else
            EXPECT_EQ(Width(), before) << step.what;
    }
}

TEST(TreeColumnWindow, TheWindowsTreeIsAsWideAsItsWidestShownRow)
{
    MainFormFixture f(Example("desktop.json"));
    QTreeView& view = *TreeView(f.window);
    // the view's own measure, which sizing to contents uses
    const auto contents = [&] { return static_cast<QAbstractItemView&>(view).sizeHintForColumn(0); };
    f.window.Timer1Timer();  // detection: every group expanded
    ASSERT_GT(view.model()->rowCount(), 0);
    EXPECT_EQ(view.header()->sectionResizeMode(0), QHeaderView::Interactive);
    EXPECT_EQ(view.header()->sectionSize(0), contents());
    f.window.Timer1Timer();
    EXPECT_EQ(view.header()->sectionSize(0), contents());
}

} // namespace
} // namespace gaugeloft
