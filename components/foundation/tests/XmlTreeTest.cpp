#include "components/foundation/AttributeSet.h"
#include "components/foundation/TreeNode.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

std::string NameAtText(const AttributeSet& set, int index)
{
    int length = 0;
    const char* name = set.NameAt(index, &length);
    return std::string(name, size_t(length));
}

std::string ValueAtText(const AttributeSet& set, int index)
{
    int length = 0;
    const char* value = set.ValueAt(index, &length);
    return std::string(value, size_t(length));
}

struct DocumentDeleter {
    void operator()(TreeNode* node) const { node->DeleteDocument(); }
};
using Document = std::unique_ptr<TreeNode, DocumentDeleter>;

TEST(AttributeSetTest, AddKeepsOrderAndDuplicates)
{
    AttributeSet set;
    EXPECT_FALSE(set.Add("", "x"));
    EXPECT_FALSE(set.Add(nullptr, "x"));
    EXPECT_TRUE(set.Add("a", "1"));
    EXPECT_TRUE(set.Add("b", nullptr));
    EXPECT_TRUE(set.Add("a", "2"));
    EXPECT_EQ(set.Count(), 3);
    torvane::StringBuffer value("stale");
    EXPECT_TRUE(set.GetValue("a", value));
    EXPECT_STREQ(value.GetText(), "1");
    EXPECT_TRUE(set.GetValue("b", value));
    EXPECT_STREQ(value.GetText(), "");
    EXPECT_FALSE(set.GetValue("c", value));
    EXPECT_STREQ(value.GetText(), "");
    EXPECT_FALSE(set.Has("A"));
}

TEST(AttributeSetTest, RemoveDeletesEveryAttributeOfTheName)
{
    AttributeSet set;
    set.Add("a", "1");
    set.Add("bb", "22");
    set.Add("a", "3");
    set.Add("c", "4");
    set.Remove("a");
    ASSERT_EQ(set.Count(), 2);
    EXPECT_EQ(NameAtText(set, 0), "bb");
    EXPECT_EQ(ValueAtText(set, 0), "22");
    EXPECT_EQ(NameAtText(set, 1), "c");
    EXPECT_EQ(ValueAtText(set, 1), "4");
    set.Remove("zz");
    EXPECT_EQ(set.Count(), 2);
}

TEST(AttributeSetTest, HasValueStopsAtFirstLeadingPart)
{
    struct Case {
        const char* first;
        const char* second;
        const char* asked;
        bool expected;
    } cases[] = {
        { "abc", nullptr, "abc", true },
        { "abc", nullptr, "ab", false },
        { "", nullptr, "", true },
        { "ab", "abc", "abc", false }, // "ab" is a leading part of "abc" and stops the scan
        { "xyz", "abc", "abc", true },
        { "", "abc", "abc", false }, // an empty value always stops the scan
    };
    for (const Case& c : cases) {
        AttributeSet set;
        set.Add("n", c.first);
        if (c.second)
            set.Add("n", c.second);
        EXPECT_EQ(set.HasValue("n", c.asked), c.expected) << c.first << " / " << c.asked;
    }
    AttributeSet none;
    EXPECT_FALSE(none.HasValue("n", ""));
}

TEST(AttributeSetTest, MatchValueUsesWildcardsWithCase)
{
    AttributeSet set;
    set.Add("id", "Photo-12");
    set.Add("id", "");
    EXPECT_TRUE(set.MatchValue("id", "Photo-*"));
    EXPECT_FALSE(set.MatchValue("id", "photo-*"));
    EXPECT_TRUE(set.MatchValue("id", "*"));
    EXPECT_TRUE(set.MatchValue("id", ""));
    EXPECT_FALSE(set.MatchValue("other", "*"));
}

TEST(AttributeSetTest, ManyAttributesStayConsistent)
{
    AttributeSet set;
    for (int i = 0; i < 5000; ++i)
        ASSERT_TRUE(set.Add(("n" + std::to_string(i)).c_str(), std::to_string(i * 7).c_str()));
    torvane::StringBuffer value;
    EXPECT_TRUE(set.GetValue("n4321", value));
    EXPECT_STREQ(value.GetText(), "30247");
}

TEST(TreeNodeTest, TagAndContentAccessors)
{
    Document root(TreeNode::CreateRoot(nullptr));
    EXPECT_STREQ(root->GetTag(), "");
    root->SetTag(nullptr);
    EXPECT_STREQ(root->GetTag(), "");
    root->SetTag("a");
    root->SetTag(nullptr);
    EXPECT_STREQ(root->GetTag(), "");
    EXPECT_FALSE(root->HasContent());
    root->SetContent(nullptr);
    EXPECT_EQ(root->ContentBuffer(), nullptr);
    root->SetContent("x");
    root->SetContent(nullptr);
    ASSERT_NE(root->ContentBuffer(), nullptr);
    EXPECT_STREQ(root->GetContent(), "");
    // A text made on demand starts empty with room for 120 bytes.
    Document fresh(TreeNode::CreateRoot("t"));
    EXPECT_FALSE(fresh->HasContent());
    EXPECT_EQ(fresh->GetOrCreateContent()->GetCapacity(), 120);
    EXPECT_STREQ(fresh->GetContent(), "");
}

TEST(TreeNodeTest, ChildrenSearchesAndSiblings)
{
    Document root(TreeNode::CreateRoot("r"));
    TreeNode* a1 = TreeNode::CreateChild(root.get(), "a");
    TreeNode* b = TreeNode::CreateChild(root.get(), "b");
    TreeNode* a2 = TreeNode::CreateChild(root.get(), "a");
    a2->AddAttribute("id", "x7");
    EXPECT_EQ(root->NumChildren(), 3);
    EXPECT_EQ(root->FindChild("a"), a1);
    EXPECT_EQ(root->FindChild("A"), nullptr);
    EXPECT_EQ(root->NthChildWithTag(1, "a"), a2);
    EXPECT_EQ(root->NthChildWithTag(2, "a"), nullptr);
    EXPECT_EQ(root->FindChildByAttributeMatch("a", "id", "x*"), a2);
    EXPECT_EQ(root->FindChildByAttributeMatch("b", "id", "x*"), nullptr);
    EXPECT_EQ(a1->NextSibling(), b);
    EXPECT_EQ(a2->PreviousSibling(), b);
    EXPECT_EQ(b->GetParent(), root.get());
    EXPECT_EQ(a2->GetDocumentRoot(), root.get());
    EXPECT_EQ(root->ChildAt(3), nullptr);
    EXPECT_EQ(root->ChildAt(-1), nullptr);
}

TEST(TreeNodeTest, SearchForTagIsLevelOrder)
{
    // r( x( t1( t3 ) ), t2 ) : level order r, x, t2, t1, t3
    Document root(TreeNode::CreateRoot("r"));
    TreeNode* x = TreeNode::CreateChild(root.get(), "x");
    TreeNode* t1 = TreeNode::CreateChild(x, "t");
    TreeNode* t2 = TreeNode::CreateChild(root.get(), "t");
    TreeNode* t3 = TreeNode::CreateChild(t1, "t");
    EXPECT_EQ(root->SearchForTag(nullptr, "t"), t2);
    EXPECT_EQ(root->SearchForTag(t2, "t"), t1);
    EXPECT_EQ(root->SearchForTag(t1, "t"), t3);
    EXPECT_EQ(root->SearchForTag(t3, "t"), nullptr);
    EXPECT_EQ(root->SearchForTag(nullptr, "r"), root.get());
    EXPECT_EQ(root->SearchForTag(root.get(), "r"), nullptr);
}

TEST(TreeNodeTest, AdoptRefusesSameDocumentAndForeignParents)
{
    Document root(TreeNode::CreateRoot("r"));
    TreeNode* child = TreeNode::CreateChild(root.get(), "c");
    Document other(TreeNode::CreateRoot("o"));
    TreeNode* otherChild = TreeNode::CreateChild(other.get(), "oc");

    EXPECT_FALSE(root->AdoptChild(child));
    EXPECT_FALSE(child->AdoptChild(root.get()));
    EXPECT_FALSE(root->AdoptChild(otherChild));
    EXPECT_FALSE(root->AdoptChild(root.get()));
    EXPECT_EQ(root->NumChildren(), 1);
    EXPECT_EQ(other->NumChildren(), 1);

    TreeNode* moved = other.release();
    moved->AddHandle();
    moved->AddHandle();
    EXPECT_TRUE(child->AdoptChild(moved));
    EXPECT_EQ(moved->GetParent(), child);
    EXPECT_EQ(otherChild->GetDocumentRoot(), root.get());
    EXPECT_EQ(root->DocumentHandleCount(), 2);
}

TEST(TreeNodeTest, DetachMakesADocumentAndCountsHandles)
{
    TreeNode* root = TreeNode::CreateRoot("r");
    TreeNode* child = TreeNode::CreateChild(root, "c");
    TreeNode* grandchild = TreeNode::CreateChild(child, "g");
    root->AddHandle();
    grandchild->AddHandle();
    child->AddHandle();
    EXPECT_EQ(root->DocumentHandleCount(), 3);

    child->Detach();
    EXPECT_EQ(root->NumChildren(), 0);
    EXPECT_TRUE(root->HasChildList());
    EXPECT_EQ(child->GetParent(), nullptr);
    EXPECT_TRUE(child->IsDocumentRoot());
    EXPECT_EQ(grandchild->GetDocumentRoot(), child);
    EXPECT_EQ(child->DocumentHandleCount(), 2);
    EXPECT_EQ(root->DocumentHandleCount(), 1);

    // Detaching an element without a parent does nothing.
    child->Detach();
    EXPECT_EQ(child->DocumentHandleCount(), 2);
    child->DeleteDocument();
    root->DeleteDocument();
}

TEST(TreeNodeTest, DetachFromDocumentWithoutHandlesDeletesTheRest)
{
    TreeNode* root = TreeNode::CreateRoot("r");
    TreeNode* child = TreeNode::CreateChild(root, "c");
    child->AddHandle();
    child->Detach();
    // The old document (root) is gone; the detached child lives on with its handle.
    EXPECT_TRUE(child->IsDocumentRoot());
    EXPECT_EQ(child->DocumentHandleCount(), 1);
    EXPECT_EQ(child->ReleaseHandle(), 0);
    child->DeleteDocument();
}

TEST(TreeNodeTest, HandleCountsNeverGoNegative)
{
    Document root(TreeNode::CreateRoot("r"));
    EXPECT_EQ(root->ReleaseHandle(), 0);
    EXPECT_EQ(root->DocumentHandleCount(), 0);
    root->AddHandle();
    EXPECT_EQ(root->DocumentHandleCount(), 1);
    EXPECT_EQ(root->ReleaseHandle(), 0);
}

TEST(TreeNodeTest, DeclarationAndProlog)
{
    Document root(TreeNode::CreateRoot("r"));
    torvane::StringBuffer out("stale");
    EXPECT_FALSE(root->GetDeclaredEncoding(out));
    EXPECT_STREQ(out.GetText(), "");
    root->SetDeclaredEncoding("iso-8859-1");
    root->SetDeclaredEncoding("utf-8");
    EXPECT_TRUE(root->GetDeclaredEncoding(out));
    EXPECT_STREQ(out.GetText(), "utf-8");
    EXPECT_EQ(root->GetDocument()->m_declaration->NumAttributes(), 2);
    EXPECT_FALSE(root->GetDeclaredStandalone(out));
    root->SetPrologText("<!DOCTYPE r>\n");
    ASSERT_NE(root->GetDocument()->m_prolog, nullptr);
    root->SetPrologText("");
    EXPECT_EQ(root->GetDocument()->m_prolog, nullptr);
}

TEST(TreeNodeTest, VeryDeepTreeIsDeletedWithoutRecursion)
{
    TreeNode* root = TreeNode::CreateRoot("r");
    TreeNode* node = root;
    for (int i = 0; i < 100000; ++i)
        node = TreeNode::CreateChild(node, "d");
    torvane::StringBuffer out;
    EXPECT_TRUE(root->WriteXml(out, 0, 0));
    EXPECT_GT(out.GetLength(), 100000 * 400);
    root->DeleteDocument();
}

} // namespace
