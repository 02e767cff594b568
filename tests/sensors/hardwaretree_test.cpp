#include "sensors/hardwaretree.h"

#include <gtest/gtest.h>

namespace gaugeloft {
namespace {

QStringList TopTexts(const HardwareTree& tree)
{
    QStringList texts;
    for (int row = 0; row < tree.TopLevelCount(); ++row)
        texts << tree.TopLevel(row)->Text();
    return texts;
}

TEST(HardwareTreeSort, SortsLocaleAwareAndCaseSensitive)
{
    struct Case {
        const char* locale;
        QStringList input;
        QStringList expected;
    };
    const Case cases[] = {
        // Letters before case: lower case first among equals, as the desktop sorts words.
        {"en_US", {"beta", "Beta", "Alpha", "alpha"}, {"alpha", "Alpha", "beta", "Beta"}},
        // No numeric ordering: "#10" sorts before "#2", as text.
        {"en_US", {"Core #2", "Core #10", "Core #1"}, {"Core #1", "Core #10", "Core #2"}},
        {"de_DE", {"Zeta", "Ärger", "Apfel"}, {"Apfel", "Ärger", "Zeta"}},
        // The C locale has no collation: the English one, not code points ("A B _x a b").
        {"C", {"b", "B", "_x", "Core #10", "A", "a"}, {"_x", "a", "A", "b", "B", "Core #10"}},
        {"POSIX", {"b", "B", "a", "A"}, {"a", "A", "b", "B"}},
    };
    for (const Case& c : cases) {
        HardwareTree tree {QLocale(QString::fromLatin1(c.locale))};
        for (const QString& text : c.input)
            tree.AddChild(nullptr, text, 0);
        tree.SortChildren(nullptr);
        EXPECT_EQ(TopTexts(tree), c.expected) << c.locale;
        for (int row = 0; row < tree.TopLevelCount(); ++row)
            EXPECT_EQ(tree.TopLevel(row)->Row(), row);
    }
}

TEST(HardwareTreeIndex, FindsIdentifiersIgnoringCaseAcrossMovesAndDeletes)
{
    HardwareTree tree;
    auto add = [&](TreeNode* parent, const QString& id) {
        TreeNode* node = tree.AddChild(parent, id, 1);
        auto record = std::make_unique<TSensorData>();
        record->Identifier = id;
        tree.SetData(node, std::move(record));
        return node;
    };
    TreeNode* group = tree.AddChild(nullptr, "group", 1);
    TreeNode* a = add(group, "/a");
    TreeNode* b = add(group, "/b");
    TreeNode* dupLate = add(b, "/Ä/dup");
    TreeNode* dupEarly = add(a, "/ä/DUP");
    EXPECT_EQ(tree.NodeByIdentifier("/A"), a);
    EXPECT_EQ(tree.NodeByIdentifier("/ä/dup"), dupEarly) << "first in display order, not first added";
    EXPECT_TRUE(tree.MoveTo(a, b));
    EXPECT_EQ(tree.NodeByIdentifier("/ä/dup"), dupLate) << "order changed with the move";
    EXPECT_FALSE(tree.MoveTo(b, a)) << "not below its own descendant";
    EXPECT_FALSE(tree.MoveTo(b, b));
    tree.Delete(dupLate);
    EXPECT_EQ(tree.NodeByIdentifier("/Ä/DUP"), dupEarly);
    tree.Delete(b);
    EXPECT_EQ(tree.NodeByIdentifier("/a"), nullptr) << "a went with its parent";
    EXPECT_EQ(tree.NodeCount(), 1);
    EXPECT_EQ(tree.NodeAt(0), group);
    EXPECT_EQ(tree.NodeAt(1), nullptr);
}

} // namespace
} // namespace gaugeloft
