#include "sensors/hardwaretree.h"

#include "sensors/typetables.h"

#include <algorithm>

namespace gaugeloft {

namespace {

char32_t FoldedAt(const QString& text, qsizetype& i)
{
    const char16_t unit = text.at(i).unicode();
    if (unit < 0x80)
        return (unit >= 'A' && unit <= 'Z') ? unit + 32 : unit;
    char32_t code = unit;
    if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
        code = QChar::surrogateToUcs4(unit, text.at(i + 1).unicode());
        ++i;
    }
    return QChar::toCaseFolded(code);
}

} // namespace

size_t qHash(const HardwareTree::IdentifierKey& key, size_t seed) noexcept
{
    size_t hash = seed ^ 0x9e3779b97f4a7c15ULL;
    for (qsizetype i = 0; i < key.text.size(); ++i)
        hash = (hash ^ FoldedAt(key.text, i)) * 0x100000001b3ULL;
    return hash;
}

namespace {

// The C and POSIX locales have no collation of their own (they compare code points, which puts
// "B" before "a"): the tree is sorted the English way then.
QLocale LinguisticLocale(const QLocale& locale)
{
    return locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : locale;
}

} // namespace

HardwareTree::HardwareTree(const QLocale& collationLocale)
    : m_collator(LinguisticLocale(collationLocale))
{
    m_collator.setCaseSensitivity(Qt::CaseSensitive);
}

HardwareTree::~HardwareTree()
{
    m_observer = nullptr;
    Clear();
}

void HardwareTree::BeginUpdate()
{
    ++m_updateDepth;
}

void HardwareTree::EndUpdate()
{
    if (m_updateDepth == 0 || --m_updateDepth > 0)
        return;
    if (m_rebuildAnnounced) {
        m_rebuildAnnounced = false;
        if (m_observer)
            m_observer->TreeRebuilt();
    } else if (m_observer) {
        m_observer->BatchEnded();
    }
}

void HardwareTree::TouchStructure()
{
    if (!m_rebuildAnnounced) {
        m_rebuildAnnounced = true;
        if (m_observer)
            m_observer->TreeAboutToRebuild();
    }
    m_orderDirty = true;
}

std::vector<std::unique_ptr<TreeNode>>& HardwareTree::SiblingsOf(TreeNode* parent)
{
    return parent ? parent->m_children : m_top;
}

void HardwareTree::Renumber(std::vector<std::unique_ptr<TreeNode>>& siblings, size_t from)
{
    for (size_t i = from; i < siblings.size(); ++i)
        siblings[i]->m_row = static_cast<int>(i);
}

void HardwareTree::EnsureOrder()
{
    if (!m_orderDirty)
        return;
    m_order.clear();
    m_order.reserve(static_cast<size_t>(m_nodeCount));
    std::vector<TreeNode*> stack;
    for (auto it = m_top.rbegin(); it != m_top.rend(); ++it)
        stack.push_back(it->get());
    while (!stack.empty()) {
        TreeNode* node = stack.back();
        stack.pop_back();
        node->m_position = static_cast<int>(m_order.size());
        m_order.push_back(node);
        for (auto it = node->m_children.rbegin(); it != node->m_children.rend(); ++it)
            stack.push_back(it->get());
    }
    m_orderDirty = false;
}

void HardwareTree::EnsureIndex()
{
    if (!m_indexDirty)
        return;
    EnsureOrder();
    m_index.clear();
    m_index.reserve(static_cast<qsizetype>(m_order.size()));
    m_indexHasDuplicates = false;
    for (TreeNode* node : m_order) {
        if (!node->m_data)
            continue;
        if (!InsertFirst(node))
            m_indexHasDuplicates = true;
    }
    m_indexDirty = false;
}

bool HardwareTree::InsertFirst(TreeNode* node)
{
    IdentifierKey key {node->m_data->Identifier};
    if (m_index.contains(key))
        return false;
    m_index.insert(std::move(key), node);
    return true;
}

TreeNode* HardwareTree::NodeAt(int position)
{
    EnsureOrder();
    if (position < 0 || position >= static_cast<int>(m_order.size()))
        return nullptr;
    return m_order[static_cast<size_t>(position)];
}

int HardwareTree::PositionOf(const TreeNode* node)
{
    if (!node)
        return -1;
    EnsureOrder();
    return node->m_position;
}

TreeNode* HardwareTree::AddChild(TreeNode* parent, const QString& text, int imageIndex)
{
    UpdateBatch batch(*this);
    TouchStructure();
    auto& siblings = SiblingsOf(parent);
    auto node = std::make_unique<TreeNode>();
    node->m_text = text;
    node->m_imageIndex = imageIndex;
    node->m_parent = parent;
    node->m_row = static_cast<int>(siblings.size());
    siblings.push_back(std::move(node));
    ++m_nodeCount;
    return siblings.back().get();
}

void HardwareTree::SetData(TreeNode* node, std::unique_ptr<TSensorData> data)
{
    if (node->m_data)
        m_indexDirty = true;
    node->m_data = std::move(data);
    if (!node->m_data || m_indexDirty)
        return;
    // A new node comes last among its siblings but not always last in display order, so a
    // second holder of the same identifier needs the index rebuilt in display order.
    if (!InsertFirst(node)) {
        m_indexHasDuplicates = true;
        m_indexDirty = true;
    }
}

bool HardwareTree::MoveTo(TreeNode* node, TreeNode* parent)
{
    for (TreeNode* p = parent; p; p = p->m_parent) {
        if (p == node)
            return false;
    }
    UpdateBatch batch(*this);
    TouchStructure();
    auto& from = SiblingsOf(node->m_parent);
    const size_t row = static_cast<size_t>(node->m_row);
    std::unique_ptr<TreeNode> owned = std::move(from[row]);
    from.erase(from.begin() + static_cast<std::ptrdiff_t>(row));
    Renumber(from, row);
    auto& to = SiblingsOf(parent);
    owned->m_parent = parent;
    owned->m_row = static_cast<int>(to.size());
    to.push_back(std::move(owned));
    if (m_indexHasDuplicates)
        m_indexDirty = true;
    return true;
}

void HardwareTree::Forget(TreeNode* node)
{
    for (auto& child : node->m_children)
        Forget(child.get());
    if (node == m_remembered)
        m_remembered = nullptr;
    if (node->m_data && !m_indexDirty) {
        if (m_indexHasDuplicates) {
            m_indexDirty = true;
        } else {
            m_index.remove(IdentifierKey {node->m_data->Identifier});
        }
    }
    --m_nodeCount;
}

void HardwareTree::Delete(TreeNode* node)
{
    UpdateBatch batch(*this);
    TouchStructure();
    Forget(node);
    auto& siblings = SiblingsOf(node->m_parent);
    const size_t row = static_cast<size_t>(node->m_row);
    siblings.erase(siblings.begin() + static_cast<std::ptrdiff_t>(row));
    Renumber(siblings, row);
}

void HardwareTree::Clear()
{
    if (m_top.empty())
        return;
    UpdateBatch batch(*this);
    TouchStructure();
    m_top.clear();
    m_nodeCount = 0;
    m_order.clear();
    m_index.clear();
    m_indexDirty = false;
    m_indexHasDuplicates = false;
    m_remembered = nullptr;
}

void HardwareTree::SortChildren(TreeNode* parent)
{
    auto& siblings = SiblingsOf(parent);
    if (siblings.size() < 2)
        return;
    UpdateBatch batch(*this);
    TouchStructure();
    std::stable_sort(siblings.begin(), siblings.end(),
                     [this](const std::unique_ptr<TreeNode>& a, const std::unique_ptr<TreeNode>& b) {
                         return m_collator.compare(a->m_text, b->m_text) < 0;
                     });
    Renumber(siblings, 0);
    if (m_indexHasDuplicates)
        m_indexDirty = true;
}

void HardwareTree::NotifyChanged(TreeNode* node)
{
    // Inside a rebuild the observer gets the whole tree at its end instead.
    if (m_observer && !m_rebuildAnnounced)
        m_observer->NodeChanged(node);
}

void HardwareTree::SetText(TreeNode* node, const QString& text)
{
    if (node->m_text == text)
        return;
    node->m_text = text;
    NotifyChanged(node);
}

void HardwareTree::SetImageIndex(TreeNode* node, int imageIndex)
{
    if (node->m_imageIndex == imageIndex)
        return;
    node->m_imageIndex = imageIndex;
    NotifyChanged(node);
}

void HardwareTree::SetExpanded(TreeNode* node, bool expanded)
{
    if (node->m_expanded == expanded)
        return;
    node->m_expanded = expanded;
    NotifyChanged(node);
}

TreeNode* HardwareTree::NodeByIdentifier(const QString& identifier)
{
    if (identifier.isEmpty())
        return nullptr;
    EnsureIndex();
    return m_index.value(IdentifierKey {identifier}, nullptr);
}

int HardwareTree::FindNodeByIdentifier(const QString& identifier)
{
    return PositionOf(NodeByIdentifier(identifier));
}

TreeNode* HardwareTree::GroupNode(QStringView hardwareType)
{
    const int slot = HardwareIconIndex(hardwareType);
    // Depth-first in display order, stopping at the first match.
    std::vector<TreeNode*> stack;
    for (auto it = m_top.rbegin(); it != m_top.rend(); ++it)
        stack.push_back(it->get());
    while (!stack.empty()) {
        TreeNode* node = stack.back();
        stack.pop_back();
        if (node->m_imageIndex == slot)
            return node;
        for (auto it = node->m_children.rbegin(); it != node->m_children.rend(); ++it)
            stack.push_back(it->get());
    }
    return nullptr;
}

int HardwareTree::FindGroupNode(QStringView hardwareType)
{
    return PositionOf(GroupNode(hardwareType));
}

int HardwareTree::FindChildByText(const TreeNode* node, QStringView text)
{
    if (!node)
        return -1;
    for (int row = 0; row < node->ChildCount(); ++row) {
        if (QStringView(node->Child(row)->m_text).compare(text, Qt::CaseInsensitive) == 0)
            return row;
    }
    return -1;
}

} // namespace gaugeloft
