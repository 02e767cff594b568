#include "ui/treeexpansion.h"

#include "sensors/hardwaretree.h"

#include <QTreeView>

namespace gaugeloft {

namespace {

// The texts from the top level down, apart by a character no text holds.
QString PathOf(const TreeNode* node)
{
    QString path = node->Text();
    for (const TreeNode* up = node->Parent(); up; up = up->Parent())
        path.prepend(up->Text() + QChar(0x1F));
    return path;
}

} // namespace

TreeExpansion::TreeExpansion(QTreeView& view, HardwareTree& tree, IndexOf indexOf)
    : m_view(view), m_tree(tree), m_indexOf(std::move(indexOf))
{
}

void TreeExpansion::Remember()
{
    if (m_tree.NodeCount() == 0)
        return;  // cleared before the detection: what was there before counts
    m_remembered.clear();
    for (int position = 0; position < m_tree.NodeCount(); ++position) {
        const TreeNode* node = m_tree.NodeAt(position);
        if (node && node->ChildCount() > 0)
            m_remembered.insert(PathOf(node), m_view.isExpanded(m_indexOf(node)));
    }
}

void TreeExpansion::Apply()
{
    for (int position = 0; position < m_tree.NodeCount(); ++position) {
        const TreeNode* node = m_tree.NodeAt(position);
        if (!node || node->ChildCount() == 0)
            continue;
        const auto kept = m_remembered.constFind(PathOf(node));
        m_view.setExpanded(m_indexOf(node), kept != m_remembered.constEnd() ? *kept : node->Expanded());
    }
}

} // namespace gaugeloft
