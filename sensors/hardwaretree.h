#pragma once

// The hardware tree: hardware type groups, hardware items, sensor type groups and sensors.
// Nodes own their reading records. Positions count every node in display order (a node,
// then its descendants, then its next sibling) from 0. Identifier lookups go through a
// case-insensitive index, so they cost the same however large the tree is.

#include "sensors/sensordata.h"

#include <QCollator>
#include <QHash>
#include <QLocale>
#include <QString>

#include <memory>
#include <vector>

namespace gaugeloft {

// Icon slots the tree uses besides the hardware ones.
inline constexpr int kSensorGroupIcon = 7;
inline constexpr int kSensorIcon = 9;
inline constexpr int kSensorOnDashboardIcon = 10;

class HardwareTree;

class TreeNode {
public:
    const QString& Text() const { return m_text; }
    int ImageIndex() const { return m_imageIndex; }
    bool Expanded() const { return m_expanded; }
    TSensorData* Data() const { return m_data.get(); }
    TreeNode* Parent() const { return m_parent; }  // nullptr for a top-level node
    int ChildCount() const { return static_cast<int>(m_children.size()); }
    TreeNode* Child(int row) const { return m_children[static_cast<size_t>(row)].get(); }
    int Row() const { return m_row; }  // position among its siblings

private:
    friend class HardwareTree;
    QString m_text;
    int m_imageIndex = 0;
    bool m_expanded = false;
    std::unique_ptr<TSensorData> m_data;
    TreeNode* m_parent = nullptr;
    std::vector<std::unique_ptr<TreeNode>> m_children;
    int m_row = 0;
    int m_position = -1;
};

// Told about changes, e.g. by the item model that shows the tree.
class TreeObserver {
public:
    virtual ~TreeObserver() = default;
    virtual void TreeAboutToRebuild() {}  // nodes are about to be added, moved or deleted
    virtual void TreeRebuilt() {}
    virtual void NodeChanged(TreeNode*) {}  // text, icon or expansion of one node
    virtual void BatchEnded() {}  // the outermost batch ended without a rebuild
};

class HardwareTree {
public:
    // Holds a batch open for its lifetime.
    class UpdateBatch {
    public:
        explicit UpdateBatch(HardwareTree& tree) : m_tree(tree) { m_tree.BeginUpdate(); }
        ~UpdateBatch() { m_tree.EndUpdate(); }
        UpdateBatch(const UpdateBatch&) = delete;
        UpdateBatch& operator=(const UpdateBatch&) = delete;

    private:
        HardwareTree& m_tree;
    };

    // Texts sort with the collation of `collationLocale`, case-sensitive.
    explicit HardwareTree(const QLocale& collationLocale = QLocale::system());
    ~HardwareTree();
    HardwareTree(const HardwareTree&) = delete;
    HardwareTree& operator=(const HardwareTree&) = delete;

    void SetObserver(TreeObserver* observer) { m_observer = observer; }

    // Structural changes between BeginUpdate and EndUpdate reach the observer as one rebuild.
    // Changes outside a batch are wrapped in one of their own.
    void BeginUpdate();
    void EndUpdate();
    bool InBatch() const { return m_updateDepth > 0; }

    bool IsEmpty() const { return m_top.empty(); }
    int TopLevelCount() const { return static_cast<int>(m_top.size()); }
    TreeNode* TopLevel(int row) const { return m_top[static_cast<size_t>(row)].get(); }
    int NodeCount() const { return m_nodeCount; }

    TreeNode* NodeAt(int position);
    int PositionOf(const TreeNode* node);

    // Adds a node as the last child of `parent` (nullptr: after all top-level nodes).
    TreeNode* AddChild(TreeNode* parent, const QString& text, int imageIndex);
    void SetData(TreeNode* node, std::unique_ptr<TSensorData> data);
    // Moves a node with its subtree to become the last child of `parent`. A move below the
    // node itself or one of its descendants is not made; returns whether it was.
    bool MoveTo(TreeNode* node, TreeNode* parent);
    void Delete(TreeNode* node);
    void Clear();
    // Sorts the children of `parent` (nullptr: the top-level nodes) by text, locale-aware.
    void SortChildren(TreeNode* parent);

    void SetText(TreeNode* node, const QString& text);
    void SetImageIndex(TreeNode* node, int imageIndex);
    void SetExpanded(TreeNode* node, bool expanded);

    // First node in display order whose record has this identifier (letter case ignored);
    // -1 / nullptr when none, and always for an empty identifier.
    int FindNodeByIdentifier(const QString& identifier);
    TreeNode* NodeByIdentifier(const QString& identifier);
    // First node in display order whose icon slot is that of the hardware type.
    int FindGroupNode(QStringView hardwareType);
    TreeNode* GroupNode(QStringView hardwareType);
    // Row of the first direct child of `node` whose text equals `text` (letter case ignored).
    static int FindChildByText(const TreeNode* node, QStringView text);

    // The node last reported as changed (selection or icon click); forgotten when deleted.
    void RememberNode(TreeNode* node) { m_remembered = node; }
    TreeNode* RememberedNode() const { return m_remembered; }

private:
    struct IdentifierKey {
        QString text;
        bool operator==(const IdentifierKey& other) const
        {
            return text.size() == other.text.size()
                && (text == other.text || text.compare(other.text, Qt::CaseInsensitive) == 0);
        }
    };
    friend size_t qHash(const IdentifierKey& key, size_t seed) noexcept;

    std::vector<std::unique_ptr<TreeNode>>& SiblingsOf(TreeNode* parent);
    void Renumber(std::vector<std::unique_ptr<TreeNode>>& siblings, size_t from);
    void EnsureOrder();
    void EnsureIndex();
    bool InsertFirst(TreeNode* node);  // false when the identifier is already indexed
    void Forget(TreeNode* node);  // drops a node and its subtree from index and memory
    void StructureChanged();
    void TouchStructure();
    void NotifyChanged(TreeNode* node);

    std::vector<std::unique_ptr<TreeNode>> m_top;
    int m_nodeCount = 0;
    std::vector<TreeNode*> m_order;
    bool m_orderDirty = false;
    QHash<IdentifierKey, TreeNode*> m_index;
    bool m_indexDirty = false;
    bool m_indexHasDuplicates = false;
    TreeNode* m_remembered = nullptr;
    TreeObserver* m_observer = nullptr;
    int m_updateDepth = 0;
    bool m_rebuildAnnounced = false;
    QCollator m_collator;
};

} // namespace gaugeloft
