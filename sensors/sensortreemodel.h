#pragma once

// Presents the hardware tree to a view. A rebuild of the tree resets the model; changed
// texts or icons reach the view as changes of those rows only, so selection, scroll position
// and expansion survive every poll. Changes inside a batch (a poll) are told once at its end,
// one notice per run of adjacent sibling rows.

#include "sensors/hardwaretree.h"

#include <QAbstractItemModel>

#include <vector>

namespace gaugeloft {

class SensorTreeModel : public QAbstractItemModel, private TreeObserver {
    Q_OBJECT
public:
    enum Roles {
        IconSlotRole = Qt::UserRole + 1,  // int: the node's icon slot
        IdentifierRole,                   // QString: the record's identifier, empty for groups
        ExpandedRole,                     // bool: the tree asks for the node to be expanded
    };

    explicit SensorTreeModel(HardwareTree& tree, QObject* parent = nullptr);
    ~SensorTreeModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    TreeNode* NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOf(const TreeNode* node) const;

Q_SIGNALS:
    // After a rebuild: the view may expand the nodes the tree marked expanded.
    void treeRebuilt();

private:
    void TreeAboutToRebuild() override;
    void TreeRebuilt() override;
    void NodeChanged(TreeNode* node) override;
    void BatchEnded() override;

    HardwareTree& m_tree;
    std::vector<TreeNode*> m_changed;  // inside a batch, in the order they changed
};

} // namespace gaugeloft
