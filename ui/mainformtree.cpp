// The main window's hardware tree and menus: where a node's tile mark is, clicks on it, and the
// menus of the dashboard and of the tree.

#include "ui/mainform.h"

#include "ui/dashboardarea.h"
#include "ui/tilewidget.h"

#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTreeView>

namespace gaugeloft {

namespace {

// Where the decoration of a tree row lies, as the view's style draws it.
QRect DecorationRect(const QTreeView* view, const QModelIndex& index)
{
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.rect = view->visualRect(index);
    option.font = view->font();
    option.fontMetrics = view->fontMetrics();
    option.widget = view;
    option.index = index;
    option.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
    option.decorationSize = view->iconSize().isValid() ? view->iconSize() : QSize(16, 16);
    option.decorationPosition = QStyleOptionViewItem::Left;
    option.decorationAlignment = Qt::AlignCenter;
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option.text = index.data(Qt::DisplayRole).toString();
    option.icon = index.data(Qt::DecorationRole).value<QIcon>();
    if (option.icon.isNull())
        return {};
    return view->style()->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, view);
}

} // namespace

// ---- tree

QModelIndex TMainForm::TreeIndexOf(const TreeNode* node) const
{
    return m_iconModel.mapFromSource(m_model.IndexOf(node));
}

QRect TMainForm::TreeIconRect(const TreeNode* node) const
{
    const QModelIndex index = TreeIndexOf(node);
    if (!index.isValid())
        return {};
    return DecorationRect(m_treeView, index);
}

TreeNode* TMainForm::NodeIconAt(const QPoint& viewportPosition) const
{
    const QModelIndex index = m_treeView->indexAt(viewportPosition);
    if (!index.isValid() || !DecorationRect(m_treeView, index).contains(viewportPosition))
        return nullptr;
    return m_model.NodeOf(m_iconModel.mapToSource(index));
}

void TMainForm::TreeView1MouseDown(TreeNode* iconNode)
{
    m_treeDownNode = iconNode;
}

void TMainForm::TreeView1MouseUp(TreeNode* iconNode)
{
    if (iconNode) {
        m_tree.RememberNode(iconNode);
        if (iconNode == m_treeDownNode)
            ToggleTileFor(iconNode);
    }
    m_treeDownNode = nullptr;
}

// A free sensor goes to the first empty tile (or a new one); a shown one loses its tile.
void TMainForm::ToggleTileFor(TreeNode* node)
{
    m_tree.RememberNode(node);  // a tile is assigned the remembered node
    if (node->ImageIndex() == kSensorIcon) {
        int position = m_tiles->FindEmptyTile();
        if (position == -1)
            position = m_tiles->AddTile(-1);
        m_tiles->Assign(m_tiles->At(position));
    } else if (node->ImageIndex() == kSensorOnDashboardIcon && node->Data()) {
        const int position = m_tiles->FindTileBySensor(node->Data()->Identifier);
        if (position != -1)
            m_tiles->RemoveTile(m_tiles->At(position));
    }
}

// ---- menus

void TMainForm::PopupMenu1Popup()
{
    m_add1->setEnabled(m_tree.NodeCount() > 0);
    m_deteleAll1->setEnabled(m_tiles->Count() > 0);
}

void TMainForm::Add1Click()
{
    m_tiles->AddTile(-1);
}

void TMainForm::DeteleAll1Click()
{
    QApplication::beep();
    QMessageBox box(QMessageBox::Question, QGuiApplication::applicationDisplayName(),
                    QStringLiteral("Please confirm deleting ALL dashboard Tiles?"),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    box.move(pos() + QPoint(70, 100));
    if (box.exec() == QMessageBox::Ok)
        m_tiles->RemoveAll();
}

void TMainForm::PopupMenu2Popup()
{
    m_add2->setEnabled(false);
    m_remove2->setEnabled(false);
    int tag = -1;
    TreeNode* node = SelectedNode();
    if (node && node->Data()) {
        m_add2->setEnabled(node->ImageIndex() == kSensorIcon);
        m_remove2->setEnabled(node->ImageIndex() == kSensorOnDashboardIcon);
        tag = m_tiles->FindTileBySensor(node->Data()->Identifier);
    }
    m_tree.RememberNode(node);
    m_control1->setData(tag);
    m_control1->setEnabled(tag != -1);
}

void TMainForm::Add2Click()
{
    if (!CurrentNode())
        return;
    int position = m_tiles->FindEmptyTile();
    if (position == -1)
        position = m_tiles->AddTile(-1);
    m_tiles->Assign(m_tiles->At(position));
}

void TMainForm::Remove2Click()
{
    TreeNode* node = CurrentNode();
    if (!node || !node->Data())
        return;
    const int position = m_tiles->FindTileBySensor(node->Data()->Identifier);
    if (position != -1)
        m_tiles->RemoveTile(m_tiles->At(position));
}

void TMainForm::Control1Click()
{
    const int position = m_control1->data().toInt();
    if (position < 0 || position >= m_tiles->Count())
        return;
    TSensorFrame& tile = m_tiles->At(position);
    if (TileWidget* widget = m_sensorsPanel->WidgetOf(tile)) {
        m_sensorsPanel->ScrollIntoView(tile);
        const QRect title = LayoutTile(tile).Title;
        widget->PopupMenuAt(widget->mapToGlobal(QPoint(title.width() - 8, title.height() + 4)));
    }
    m_control1->setData(-1);
}

} // namespace gaugeloft
