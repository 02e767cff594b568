#pragma once

// Which nodes of the hardware tree the view shows expanded. After a detection: the nodes the
// tree marks expanded (the re-parent targets), except that a node whose path of texts was in the
// tree before the detection keeps the state the user gave it, so a disk or a network card coming
// or going does not undo the user's choices.

#include <QHash>
#include <QModelIndex>
#include <QString>

#include <functional>

class QTreeView;

namespace gaugeloft {

class HardwareTree;
class TreeNode;

class TreeExpansion {
public:
    using IndexOf = std::function<QModelIndex(const TreeNode*)>;
    TreeExpansion(QTreeView& view, HardwareTree& tree, IndexOf indexOf);

    // Before the tree is rebuilt: the view's states of the nodes that have children (an empty
    // tree leaves what was remembered before).
    void Remember();
    // After a rebuild: every node with children expanded or collapsed.
    void Apply();

private:
    QTreeView& m_view;
    HardwareTree& m_tree;
    IndexOf m_indexOf;
    QHash<QString, bool> m_remembered;  // path of texts -> expanded
};

} // namespace gaugeloft
