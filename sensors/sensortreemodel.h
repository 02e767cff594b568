#pragma once

// Presents the hardware tree to a view. A rebuild of the tree resets the model; a changed
// text or icon reaches the view as a change of that one row, so selection, scroll position
// and expansion survive every poll.

#include "sensors/hardwaretree.h"

#include <QAbstractItemModel>

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

    HardwareTree& m_tree;
};

} // namespace gaugeloft
