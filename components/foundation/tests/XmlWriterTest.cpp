// The text form is a file format: these tests pin its bytes.

#include "components/foundation/AttributeSet.h"
#include "components/foundation/ParseEngine.h"
#include "components/foundation/TreeNode.h"
#include "components/foundation/XmlParser.h"

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

struct DocumentDeleter {
    void operator()(TreeNode* node) const { node->DeleteDocument(); }
};
using Document = std::unique_ptr<TreeNode, DocumentDeleter>;

std::string Written(TreeNode* node)
{
    torvane::StringBuffer out;
    EXPECT_TRUE(node->WriteXml(out, 0, 0));
    return std::string(out.GetText(), size_t(out.GetLength()));
}

Document Parsed(const char* text, bool trim = true)
{
    torvane::StringBuffer buffer(text);
    TreeNode* top = nullptr;
    EXPECT_TRUE(ParseXmlText(buffer, nullptr, nullptr, &top, trim));
    return Document(top);
}

TEST(XmlWriterTest, StackExampleGivesSevenCrLfLines)
{
    Document stack(TreeNode::CreateRoot("stack"));
    stack->SetDeclaredEncoding("utf-8");
    TreeNode* action = TreeNode::CreateChild(stack.get(), "action");
    action->AddAttribute("type", "builtin__resizeimage");
    TreeNode::CreateChild(action, "name")->SetContent("Resize");
    EXPECT_EQ(Written(stack.get()),
        "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n"
        "\r\n"
        "<stack>\r\n"
        "    <action type=\"builtin__resizeimage\">\r\n"
        "        <name>Resize</name>\r\n"
        "    </action>\r\n"
        "</stack>\r\n");
}

TEST(XmlWriterTest, ElementShapes)
{
    struct Case {
        const char* name;
        void (*build)(TreeNode* root);
        const char* expected;
    } cases[] = {
        { "no tag is written as nothing", [](TreeNode* root) { root->SetTag(""); }, "\r\n<nothing />\r\n" },
        { "attributes then empty-element tag",
            [](TreeNode* root) {
                root->AddAttribute("a", "1");
                root->AddAttribute("b", "2");
            },
            "\r\n<root a=\"1\" b=\"2\" />\r\n" },
        { "text on one line", [](TreeNode* root) { root->SetContent("x"); }, "\r\n<root>x</root>\r\n" },
        { "text ending in LF indents the closing tag",
            [](TreeNode* root) { TreeNode::CreateChild(root, "c")->SetContent("x\n"); },
            "\r\n<root>\r\n    <c>x\n    </c>\r\n</root>\r\n" },
        { "emptied child list keeps opening and closing tags",
            [](TreeNode* root) {
                TreeNode* child = TreeNode::CreateChild(root, "c");
                TreeNode* grandchild = TreeNode::CreateChild(child, "g");
                // A handle keeps the old document alive through the detach.
                root->AddHandle();
                grandchild->Detach();
                root->ReleaseHandle();
                grandchild->DeleteDocument();
            },
            "\r\n<root>\r\n    <c>    </c>\r\n</root>\r\n" },
        { "siblings: CR LF only before the first",
            [](TreeNode* root) {
                TreeNode::CreateChild(root, "a");
                TreeNode::CreateChild(root, "b")->SetContent("t");
            },
            "\r\n<root>\r\n    <a />\r\n    <b>t</b>\r\n</root>\r\n" },
        { "duplicate attribute names both written",
            [](TreeNode* root) {
                root->AddAttribute("k", "1");
                root->AddAttribute("k", "2");
            },
            "\r\n<root k=\"1\" k=\"2\" />\r\n" },
        { "update leaves one, at the end",
            [](TreeNode* root) {
                root->AddAttribute("k", "1");
                root->AddAttribute("j", "x");
                root->AddAttribute("k", "2");
                root->UpdateAttribute("k", "3");
            },
            "\r\n<root j=\"x\" k=\"3\" />\r\n" },
    };
    for (const Case& c : cases) {
        Document root(TreeNode::CreateRoot("root"));
        c.build(root.get());
        EXPECT_EQ(Written(root.get()), c.expected) << c.name;
    }
}

TEST(XmlWriterTest, IndentationStopsAtLevelFifty)
{
    Document root(TreeNode::CreateRoot("r"));
    TreeNode* node = root.get();
    for (int depth = 1; depth <= 60; ++depth)
        node = TreeNode::CreateChild(node, "e");
    node->SetContent("deep");
    std::string text = Written(root.get());
    std::string level60 = std::string(200, ' ') + "<e>deep</e>\r\n";
    std::string level50closing = "\r\n" + std::string(200, ' ') + "</e>\r\n";
    std::string level49closing = "\r\n" + std::string(196, ' ') + "</e>\r\n";
    EXPECT_NE(text.find(level60), std::string::npos);
    EXPECT_NE(text.find(level50closing), std::string::npos);
    EXPECT_NE(text.find(level49closing), std::string::npos);
    EXPECT_EQ(text.find(std::string(201, ' ')), std::string::npos);
}

TEST(XmlWriterTest, TextEscapingEscapesEveryAmpersand)
{
    struct Case {
        const char* text;
        const char* written;
    } cases[] = {
        { "AT&T <x>", "AT&amp;T &lt;x&gt;" },
        { "R&amp;D", "R&amp;amp;D" },
        { "&copy; &#169; &bogus;", "&amp;copy; &amp;#169; &amp;bogus;" },
        { "say \"it's\"", "say &quot;it&apos;s&quot;" },
        { "line\r\nnext", "line\r\nnext" },
    };
    for (const Case& c : cases) {
        Document root(TreeNode::CreateRoot("t"));
        root->SetContent(c.text);
        EXPECT_EQ(Written(root.get()), std::string("\r\n<t>") + c.written + "</t>\r\n") << c.text;
    }
}

TEST(XmlWriterTest, AttributeEscapingKeepsAmpersandBeforeHash)
{
    struct Case {
        const char* value;
        const char* written;
    } cases[] = {
        { "a&#38;b", "a&#38;b" },
        { "a&b", "a&amp;b" },
        { "ends&", "ends&amp;" },
        { "<\"'>", "&lt;&quot;&apos;&gt;" },
    };
    for (const Case& c : cases) {
        Document root(TreeNode::CreateRoot("t"));
        root->AddAttribute("v", c.value);
        EXPECT_EQ(Written(root.get()), std::string("\r\n<t v=\"") + c.written + "\" />\r\n") << c.value;
    }
}

TEST(XmlWriterTest, TextsRoundTripThroughTheReader)
{
    const char* texts[] = { "R&amp;D", "AT&T", "&lt;b&gt;", "&copy; &#169;", "a\"b'c<d>e", "&amp;amp;" };
    for (const char* text : texts) {
        Document root(TreeNode::CreateRoot("t"));
        root->SetContent(text);
        root->AddAttribute("v", text);
        Document back = Parsed(Written(root.get()).c_str(), /*trim=*/false);
        ASSERT_TRUE(back) << text;
        EXPECT_STREQ(back->GetContent(), text);
        torvane::StringBuffer value;
        EXPECT_TRUE(back->GetAttribute("v", value));
        EXPECT_STREQ(value.GetText(), text);
    }
}

TEST(XmlWriterTest, CdataHoldingTheEndMarkerIsSplit)
{
    Document root(TreeNode::CreateRoot("t"));
    root->SetContent("a]]>b]]>");
    root->SetCdata(true);
    std::string text = Written(root.get());
    EXPECT_EQ(text, "\r\n<t><![CDATA[a]]]]><![CDATA[>b]]]]><![CDATA[>]]></t>\r\n");
    Document back = Parsed(text.c_str());
    ASSERT_TRUE(back);
    EXPECT_STREQ(back->GetContent(), "a]]>b]]>");
    EXPECT_TRUE(back->IsCdata());

    Document plain(TreeNode::CreateRoot("t"));
    plain->SetContent("1<2 & ]]");
    plain->SetCdata(true);
    EXPECT_EQ(Written(plain.get()), "\r\n<t><![CDATA[1<2 & ]]]]></t>\r\n");
}

TEST(XmlWriterTest, PrologOrderAndStandaloneMovedLast)
{
    Document root = Parsed("<?xml version=\"1.0\" standalone=\"yes\" encoding=\"utf-8\"?>\n"
                           "<?xml-stylesheet type=\"text/xsl\" href=\"s.xsl\"?>\n"
                           "<!DOCTYPE r>\n<?app data?>\n<r/>");
    ASSERT_TRUE(root);
    EXPECT_EQ(Written(root.get()),
        "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\" ?>\r\n"
        "<?xml-stylesheet type=\"text/xsl\" href=\"s.xsl\" ?>\r\n"
        "<!DOCTYPE r>\n<?app data?>\n\r\n"
        "\r\n<r />\r\n");
    // The move is kept in memory.
    TreeNode* declaration = root->GetDocument()->m_declaration;
    EXPECT_EQ(NameAtText(*declaration->Attributes(), 2), "standalone");
}

TEST(XmlWriterTest, ChildWrittenAloneHasNoProlog)
{
    Document root = Parsed("<?xml version=\"1.0\"?><r><c a=\"1\">x</c></r>");
    ASSERT_TRUE(root);
    EXPECT_EQ(Written(root->FirstChild()), "\r\n<c a=\"1\">x</c>\r\n");
}

} // namespace
