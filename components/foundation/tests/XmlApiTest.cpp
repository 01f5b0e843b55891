#include "components/foundation/ClsXml.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/TreeNode.h"
#include "components/foundation/TvString.h"
#include "components/foundation/TvXml.h"
#include "components/foundation/XString.h"
#include "components/foundation/tests/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

std::string Xml(ClsXml& xml)
{
    torvane::StringBuffer out;
    EXPECT_TRUE(xml.GetXml(out));
    return out.GetText();
}

TEST(ClsXmlTest, NewDocumentIsUnnamed)
{
    ClsXml xml;
    EXPECT_EQ(Xml(xml), "\r\n<unnamed />\r\n");
    TvXml tv;
    TvString out;
    EXPECT_TRUE(tv.GetXml(out));
    EXPECT_STREQ(out.GetUtf8(), "\r\n<unnamed />\r\n");
}

TEST(ClsXmlTest, NewChildReplacesSpacesButUpdateSearchesWithThem)
{
    ClsXml xml;
    delete xml.NewChild(" my tag ", "1");
    xml.UpdateChildContent("my tag", "2");
    xml.UpdateChildContent("my tag", "3");
    EXPECT_EQ(xml.GetNumChildren(), 3);
    for (int i = 0; i < 3; ++i) {
        std::unique_ptr<ClsXml> child(xml.GetChild(i));
        EXPECT_STREQ(child->GetTagText(), "my_tag");
    }
    xml.UpdateChildContent("my_tag", "changed");
    std::unique_ptr<ClsXml> first(xml.FirstChild());
    EXPECT_STREQ(first->GetContentText(), "changed");
}

TEST(ClsXmlTest, TrimmingRulesOfNames)
{
    ClsXml xml;
    delete xml.NewChild("name", "v");
    torvane::StringBuffer out("stale");
    EXPECT_FALSE(xml.GetChildContent(" name", out));
    EXPECT_STREQ(out.GetText(), "");
    std::unique_ptr<ClsXml> found(xml.FindChild(" name"));
    EXPECT_TRUE(found);
    EXPECT_TRUE(xml.GetChildContent("name", out));
    EXPECT_STREQ(out.GetText(), "v");

    xml.AddAttribute(" a ", "1");
    EXPECT_TRUE(xml.GetAttrValue("a", out));
    xml.UpdateAttribute(" a ", "2");
    EXPECT_TRUE(xml.GetElement()->HasAttribute(" a "));
    EXPECT_STREQ(out.GetText(), "1");
}

TEST(ClsXmlTest, AttributesAndChildContentUpdates)
{
    ClsXml xml;
    xml.AddAttribute("type", "x");
    xml.UpdateAttribute("type", "y");
    xml.UpdateAttribute("type", "y");
    xml.UpdateAttributeInt("n", -42);
    EXPECT_EQ(xml.GetElement()->NumAttributes(), 2);
    EXPECT_EQ(xml.GetAttrValueInt("n"), -42);
    EXPECT_EQ(xml.GetAttrValueInt("type"), 0);
    EXPECT_EQ(xml.GetAttrValueInt("missing"), 0);
    EXPECT_TRUE(xml.HasAttrWithValue("type", "y"));
    EXPECT_FALSE(xml.HasAttrWithValue("type", "yy"));

    xml.UpdateChildContentInt("count", 7);
    xml.UpdateChildContentBool("flag", true);
    xml.UpdateChildContentBool("flag", false);
    torvane::StringBuffer out;
    EXPECT_TRUE(xml.GetChildContent("count", out));
    EXPECT_STREQ(out.GetText(), "7");
    EXPECT_TRUE(xml.GetChildContent("flag", out));
    EXPECT_STREQ(out.GetText(), "0");
    EXPECT_EQ(xml.GetNumChildren(), 2);
}

TEST(ClsXmlTest, AttributesAreWalkedInDocumentOrderWithTheirEntitiesDecoded)
{
    ClsXml xml;
    ASSERT_TRUE(xml.LoadXml("<e zeta='1' alpha=\"a &amp; b\" empty=''/>"));
    ASSERT_EQ(xml.GetNumAttributes(), 3);
    const char* names[] = { "zeta", "alpha", "empty" };
    const char* values[] = { "1", "a & b", "" };
    for (int i = 0; i < 3; ++i) {
        XString name, value;
        EXPECT_TRUE(xml.GetAttributeName(i, name));
        EXPECT_TRUE(xml.GetAttributeValue(i, value));
        EXPECT_STREQ(name.GetUtf8(), names[i]);
        EXPECT_STREQ(value.GetUtf8(), values[i]);
    }
    XString out;
    EXPECT_FALSE(xml.GetAttributeName(3, out));
    EXPECT_FALSE(xml.GetAttributeValue(-1, out));
}

TEST(ClsXmlTest, LoadXmlReplacesOnlyOnSuccess)
{
    ClsXml xml;
    xml.SetTag("kept");
    EXPECT_FALSE(xml.LoadXml("no element at all"));
    EXPECT_STREQ(xml.GetTagText(), "kept");
    EXPECT_TRUE(xml.LoadXml("<r a='1'><c>  t  </c></r>"));
    EXPECT_STREQ(xml.GetTagText(), "r");
    torvane::StringBuffer out;
    EXPECT_TRUE(xml.GetChildContent("c", out));
    EXPECT_STREQ(out.GetText(), "t");
}

TEST(ClsXmlTest, HandlesKeepTheDocumentAlive)
{
    auto* root = new ClsXml();
    root->SetTag("r");
    ClsXml* child = root->NewChild("c", "text");
    ClsXml* grandchild = child->NewChild("g", "deep");
    TreeNode* rootElement = root->GetElement();
    EXPECT_EQ(rootElement->DocumentHandleCount(), 3);
    delete root;
    EXPECT_EQ(child->GetElement()->DocumentHandleCount(), 2);
    std::unique_ptr<ClsXml> top(child->GetRoot());
    EXPECT_STREQ(top->GetTagText(), "r");
    delete child;
    EXPECT_STREQ(grandchild->GetContentText(), "deep");
    top.reset();
    EXPECT_EQ(grandchild->GetElement()->DocumentHandleCount(), 1);
    delete grandchild;
}

TEST(ClsXmlTest, RemoveAllChildrenLeavesSecondHandlesWithTheirSubtree)
{
    ClsXml xml;
    ClsXml* a = xml.NewChild("a", nullptr);
    ClsXml* inner = a->NewChild("inner", "kept");
    delete a;
    delete xml.NewChild("b", nullptr);
    xml.RemoveAllChildren();
    EXPECT_EQ(xml.GetNumChildren(), 0);
    EXPECT_EQ(Xml(xml), "\r\n<unnamed></unnamed>\r\n");
    // The removed "a" lives on as a document of its own while the handle inside it stands.
    std::unique_ptr<ClsXml> top(inner->GetRoot());
    EXPECT_STREQ(top->GetTagText(), "a");
    EXPECT_STREQ(inner->GetContentText(), "kept");
    top.reset();
    delete inner;
}

TEST(ClsXmlTest, AddChildTreeMovesElementsBetweenDocuments)
{
    // As a stack file is saved: each action keeps its own element and lends it to the stack.
    ClsXml action;
    action.SetTag("action");
    action.UpdateAttribute("type", "builtin__resizeimage");
    action.UpdateChildContent("width", "300");
    for (int round = 0; round < 2; ++round) {
        ClsXml stack;
        stack.SetTag("stack");
        EXPECT_TRUE(stack.AddChildTree(&action));
        EXPECT_EQ(stack.GetNumChildren(), 1);
        std::unique_ptr<ClsXml> root(action.GetRoot());
        EXPECT_STREQ(root->GetTagText(), "stack");
        EXPECT_EQ(Xml(stack),
            "\r\n<stack>\r\n    <action type=\"builtin__resizeimage\">\r\n        <width>300</width>\r\n"
            "    </action>\r\n</stack>\r\n");
    }
    // The first stack document went when the action left it; the last one lives on with the
    // action's handle, and the action element is still usable.
    std::unique_ptr<ClsXml> root(action.GetRoot());
    EXPECT_STREQ(root->GetTagText(), "stack");
    EXPECT_EQ(root->GetNumChildren(), 1);
    EXPECT_EQ(root->GetElement()->DocumentHandleCount(), 2);
    EXPECT_FALSE(action.AddChildTree(nullptr));
}

TEST(ClsXmlTest, AddChildTreeWithOwnTopOrAncestor)
{
    ClsXml xml;
    xml.SetTag("top");
    ClsXml* middle = xml.NewChild("middle", nullptr);
    ClsXml* leaf = middle->NewChild("leaf", nullptr);

    std::unique_ptr<ClsXml> top(leaf->GetRoot());
    EXPECT_TRUE(leaf->AddChildTree(top.get()));
    EXPECT_EQ(xml.GetNumChildren(), 1);

    EXPECT_TRUE(leaf->AddChildTree(middle));
    EXPECT_EQ(xml.GetNumChildren(), 0);
    std::unique_ptr<ClsXml> newTop(leaf->GetRoot());
    EXPECT_STREQ(newTop->GetTagText(), "middle");
    EXPECT_EQ(middle->GetNumChildren(), 1);
    delete leaf;
    delete middle;
}

TEST(ClsXmlTest, MovingAndSearching)
{
    ClsXml xml;
    ASSERT_TRUE(xml.LoadXml("<r><a><t>1</t></a><t>2</t><a x='k9'/></r>"));
    std::unique_ptr<ClsXml> first(xml.SearchForTag(nullptr, "t"));
    EXPECT_STREQ(first->GetContentText(), "2");
    std::unique_ptr<ClsXml> second(xml.SearchForTag(first.get(), "t"));
    EXPECT_STREQ(second->GetContentText(), "1");
    EXPECT_EQ(xml.SearchForTag(second.get(), "t"), nullptr);
    std::unique_ptr<ClsXml> nth(xml.GetNthChildWithTag("a", 1));
    EXPECT_TRUE(nth->HasAttrWithValue("x", "k9"));
    std::unique_ptr<ClsXml> matched(xml.FindChildWithAttribute("a", "x", "k*"));
    EXPECT_EQ(matched->GetElement(), nth->GetElement());

    EXPECT_FALSE(xml.MoveToParent());
    EXPECT_TRUE(xml.MoveToFirstChild());
    EXPECT_STREQ(xml.GetTagText(), "a");
    EXPECT_TRUE(xml.MoveToNextSibling());
    EXPECT_TRUE(xml.MoveToNextSibling());
    EXPECT_FALSE(xml.MoveToNextSibling());
    EXPECT_TRUE(xml.MoveToParent());
    EXPECT_STREQ(xml.GetTagText(), "r");
    EXPECT_EQ(xml.GetElement()->DocumentHandleCount(), 5);
}

TEST(TvXmlTest, FlagDecidesHowTextArgumentsAreRead)
{
    {
        AnsiCodePageScope ansi(1252);
        TvXml xml;
        xml.SetTag("r");
        std::unique_ptr<TvXml> ansiChild(xml.NewChild("name", "caf\xE9"));
        EXPECT_FALSE(ansiChild->GetUtf8Flag());
        xml.SetUtf8Flag(true);
        std::unique_ptr<TvXml> utf8Child(xml.NewChild("name", "caf\xC3\xA9"));
        EXPECT_TRUE(utf8Child->GetUtf8Flag());
        TvString first;
        TvString second;
        EXPECT_TRUE(ansiChild->GetContent(first));
        EXPECT_TRUE(utf8Child->GetContent(second));
        EXPECT_STREQ(first.GetUtf8(), "caf\xC3\xA9");
        EXPECT_STREQ(second.GetUtf8(), "caf\xC3\xA9");
        TvString viaChild;
        EXPECT_TRUE(xml.GetChildContent("name", viaChild));
        EXPECT_STREQ(viaChild.GetAnsi(), "caf\xE9");
    }
}

TEST(TvXmlTest, StackFileRoundTrip)
{
    TempFolder folder;
    std::string path = folder.PathOf("stack.stack");
    TvXml action;
    action.SetUtf8Flag(true);
    action.SetTag("action");
    action.UpdateAttribute("type", "builtin__savefile");
    action.UpdateAttribute("type", "builtin__savefile");
    delete action.NewChild("destfolder", "/tmp/R&amp;D caf\xC3\xA9");
    delete action.NewChild("filenametemplate", "%o_%m-%d-%y at %h-%i");
    {
        TvXml stack;
        stack.SetTag("stack");
        EXPECT_TRUE(stack.AddChildTree(&action));
        EXPECT_TRUE(stack.SaveXml(path.c_str()));
    }
    TvXml loaded;
    loaded.SetUtf8Flag(true);
    ASSERT_TRUE(loaded.LoadXmlFile(path.c_str()));
    EXPECT_EQ(loaded.GetNumChildren(), 1);
    std::unique_ptr<TvXml> first(loaded.GetChild(0));
    TvString type;
    EXPECT_TRUE(first->GetAttrValue("type", type));
    EXPECT_STREQ(type.GetUtf8(), "builtin__savefile");
    TvString folderText;
    EXPECT_TRUE(first->GetChildContent("destfolder", folderText));
    EXPECT_STREQ(folderText.GetUtf8(), "/tmp/R&amp;D caf\xC3\xA9");
    std::unique_ptr<TvXml> missing(loaded.FindChild("nothing"));
    EXPECT_FALSE(missing);
}

TEST(TvXmlTest, LoadPathIsAlwaysAnsi)
{
    TempFolder folder;
    folder.WriteFile("caf\xC3\xA9.xml", "<r>ok</r>");
    AnsiCodePageScope ansi(1252);
    TvXml xml;
    xml.SetUtf8Flag(true);
    EXPECT_TRUE(xml.LoadXmlFile((folder.Path() + "/caf\xE9.xml").c_str()));
    TvString content;
    xml.GetContent(content);
    EXPECT_STREQ(content.GetUtf8(), "ok");
    // Saving takes the path by the flag.
    EXPECT_TRUE(xml.SaveXml((folder.Path() + "/na\xC3\xAFve.xml").c_str()));
    EXPECT_TRUE(std::filesystem::exists(folder.Path() + "/na\xC3\xAFve.xml"));
}

TEST(TvXmlTest, LastErrorTextCarriesTheLog)
{
    TempFolder folder;
    TvXml xml;
    EXPECT_FALSE(xml.LoadXmlFile(folder.PathOf("absent.xml").c_str()));
    TvString text;
    xml.LastErrorText(text);
    std::string log = text.GetUtf8();
    EXPECT_NE(log.find("LoadXmlFile"), std::string::npos);
    EXPECT_NE(log.find("absent.xml"), std::string::npos);
}

} // namespace
