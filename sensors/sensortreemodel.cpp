#include "sensors/sensortreemodel.h"

namespace gaugeloft {

SensorTreeModel::SensorTreeModel(HardwareTree& tree, QObject* parent)
    : QAbstractItemModel(parent)
    , m_tree(tree)
{
    m_tree.SetObserver(this);
}

SensorTreeModel::~SensorTreeModel()
{
    m_tree.SetObserver(nullptr);
}

TreeNode* SensorTreeModel::NodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<TreeNode*>(index.internalPointer()) : nullptr;
}

QModelIndex SensorTreeModel::IndexOf(const TreeNode* node) const
{
    return node ? createIndex(node->Row(), 0, const_cast<TreeNode*>(node)) : QModelIndex();
}

QModelIndex SensorTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0 || row >= rowCount(parent))
        return {};
    const TreeNode* parentNode = NodeOf(parent);
    TreeNode* node = parentNode ? parentNode->Child(row) : m_tree.TopLevel(row);
    return createIndex(row, 0, node);
}

QModelIndex SensorTreeModel::parent(const QModelIndex& child) const
{
    const TreeNode* node = NodeOf(child);
    return node ? IndexOf(node->Parent()) : QModelIndex();
}

int SensorTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    const TreeNode* node = NodeOf(parent);
    return node ? node->ChildCount() : m_tree.TopLevelCount();
}

int SensorTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant SensorTreeModel::data(const QModelIndex& index, int role) const
{
    const TreeNode* node = NodeOf(index);
    if (!node)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return node->Text();
    case IconSlotRole:
        return node->ImageIndex();
    case IdentifierRole:
        return node->Data() ? node->Data()->Identifier : QString();
    case ExpandedRole:
        return node->Expanded();
    default:
        return {};
    }
}

Qt::ItemFlags SensorTreeModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void SensorTreeModel::TreeAboutToRebuild()
{
    beginResetModel();
}

void SensorTreeModel::TreeRebuilt()
{
    endResetModel();
    Q_EMIT treeRebuilt();
}

void SensorTreeModel::NodeChanged(TreeNode* node)
{
    const QModelIndex at = IndexOf(node);
    Q_EMIT dataChanged(at, at);
}

} // namespace gaugeloft
