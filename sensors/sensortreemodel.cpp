#include "sensors/sensortreemodel.h"

#include <algorithm>
#include <functional>

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
    m_changed.clear();  // the reset covers them
    beginResetModel();
}

void SensorTreeModel::TreeRebuilt()
{
    endResetModel();
    Q_EMIT treeRebuilt();
}

void SensorTreeModel::NodeChanged(TreeNode* node)
{
    if (m_tree.InBatch()) {
        m_changed.push_back(node);
        return;
    }
    const QModelIndex at = IndexOf(node);
    Q_EMIT dataChanged(at, at);
}

void SensorTreeModel::BatchEnded()
{
    if (m_changed.empty())
        return;
    std::vector<TreeNode*> changed;
    changed.swap(m_changed);
    std::sort(changed.begin(), changed.end(), [](const TreeNode* a, const TreeNode* b) {
        return a->Parent() != b->Parent() ? std::less<>()(a->Parent(), b->Parent()) : a->Row() < b->Row();
    });
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    for (size_t first = 0; first < changed.size();) {
        size_t last = first;
        while (last + 1 < changed.size() && changed[last + 1]->Parent() == changed[first]->Parent()
               && changed[last + 1]->Row() == changed[last]->Row() + 1)
            ++last;
        Q_EMIT dataChanged(IndexOf(changed[first]), IndexOf(changed[last]));
        first = last + 1;
    }
}

} // namespace gaugeloft
