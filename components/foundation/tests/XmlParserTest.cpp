#include "components/foundation/Logger.h"
#include "components/foundation/ParseEngine.h"
#include "components/foundation/ProgressMonitor.h"
#include "components/foundation/TreeNode.h"
#include "components/foundation/XmlParser.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

struct DocumentDeleter {
    void operator()(TreeNode* node) const
    {
        if (node)
            node->DeleteDocument();
    }
};
using Document = std::unique_ptr<TreeNode, DocumentDeleter>;

Document Parse(const std::string& text, bool trim = true, LogBase* log = nullptr)
{
    torvane::StringBuffer buffer;
    buffer.AppendBytes(text.data(), int(text.size()));
    TreeNode* top = nullptr;
    EXPECT_TRUE(ParseXmlText(buffer, log, nullptr, &top, trim));
    return Document(top);
}

std::string LogText(Logger& log)
{
    torvane::StringBuffer out;
    log.RenderText(out);
    return out.GetText();
}

TEST(XmlParserTest, NullOutPlaceIsTheOnlyFalse)
{
    ParseEngine engine;
    engine.SetText("<a/>");
    EXPECT_FALSE(ParseXml(engine, nullptr, nullptr, nullptr, true));
    TreeNode* top = reinterpret_cast<TreeNode*>(1);
    engine.SetText("no element here");
    EXPECT_TRUE(ParseXml(engine, nullptr, nullptr, &top, true));
    EXPECT_EQ(top, nullptr);
}

TEST(XmlParserTest, TextRunsJoinedWithOneSpace)
{
    struct Case {
        const char* text;
        bool trim;
        const char* content;
    } cases[] = {
        { "<a>  x  <b/>  y  </a>", true, "x y" },
        { "<a>  x  <b/>  y  </a>", false, "  x     y  " },
        { "<a> <b/> \r\n\t</a>", true, "" },
        { "<a> <b/> \r\n\t</a>", false, "" },
        { "<a>one<b/>two<c/>three</a>", true, "one two three" },
    };
    for (const Case& c : cases) {
        Document top = Parse(c.text, c.trim);
        ASSERT_TRUE(top) << c.text;
        EXPECT_STREQ(top->GetContent(), c.content) << c.text << " trim " << c.trim;
    }
}

TEST(XmlParserTest, ReferencesDecodedOverWholeTextAfterEachRun)
{
    struct Case {
        const char* text;
        const char* content;
    } cases[] = {
        { "<a>&lt;&gt;&quot;&apos;&amp;</a>", "<>\"'&" },
        { "<a>&amp;lt;</a>", "&lt;" },
        { "<a>&amp;lt;<b/>x</a>", "< x" },
        { "<a>&copy; &#169;</a>", "&copy; &#169;" },
        { "<a>&amp;amp;amp;<b/>1<b/>2</a>", "& 1 2" },
    };
    for (const Case& c : cases) {
        Document top = Parse(c.text);
        ASSERT_TRUE(top) << c.text;
        EXPECT_STREQ(top->GetContent(), c.content) << c.text;
    }
}

TEST(XmlParserTest, CdataSections)
{
    struct Case {
        const char* text;
        const char* content;
    } cases[] = {
        { "<a>x<![CDATA[1<2]]>tail</a>", "x1<2" },
        { "<a><![CDATA[a]]><![CDATA[b]]></a>", "ab" },
        { "<a><![CDATA[x]y]]]></a>", "x]y]" },
        { "<a><![CDATA[unterminated <b>", "unterminated <b>" },
        { "<a><![CDATA[&lt;]]></a>", "&lt;" },
    };
    for (const Case& c : cases) {
        Document top = Parse(c.text);
        ASSERT_TRUE(top) << c.text;
        EXPECT_STREQ(top->GetContent(), c.content) << c.text;
        EXPECT_TRUE(top->IsCdata()) << c.text;
    }
}

TEST(XmlParserTest, AttributesQuotedEitherWay)
{
    Document top = Parse("<a one='say \"hi\"' two=\"it's\" three = \"&lt;x&gt;\" four five=''/>");
    ASSERT_TRUE(top);
    struct Expected {
        const char* name;
        const char* value;
    } expected[] = { { "one", "say \"hi\"" }, { "two", "it's" }, { "three", "<x>" }, { "four", "" }, { "five", "" } };
    EXPECT_EQ(top->NumAttributes(), 5);
    for (const Expected& e : expected) {
        torvane::StringBuffer value;
        EXPECT_TRUE(top->GetAttribute(e.name, value)) << e.name;
        EXPECT_STREQ(value.GetText(), e.value) << e.name;
    }
}

TEST(XmlParserTest, DuplicateAttributesAreKept)
{
    Document top = Parse("<a k=\"1\" k=\"2\"/>");
    ASSERT_TRUE(top);
    EXPECT_EQ(top->NumAttributes(), 2);
}

TEST(XmlParserTest, ForgivingStructure)
{
    struct Case {
        const char* text;
        const char* topTag;
        int children;
    } cases[] = {
        { "<a></b>", "a", 0 },
        { "<a><b></a>", "a", 1 },
        { "<a/><b/>", "b", 0 },
        { "junk before <a><b/><c/></a> junk after", "a", 2 },
        { "<a><b>", "a", 1 },
        { "<a/><b><c>", "a", 0 },
        { "<a x='1'", "a", 0 },
    };
    for (const Case& c : cases) {
        Document top = Parse(c.text);
        ASSERT_TRUE(top) << c.text;
        EXPECT_STREQ(top->GetTag(), c.topTag) << c.text;
        EXPECT_EQ(top->NumChildren(), c.children) << c.text;
    }
    EXPECT_FALSE(Parse("<a"));
    EXPECT_FALSE(Parse(""));
    EXPECT_FALSE(Parse("   "));
    EXPECT_FALSE(Parse("<!-- only a comment -->"));
}

TEST(XmlParserTest, UnclosedCommentEndsParsingWithTheTreeSoFar)
{
    Logger log;
    Document top = Parse("<a><b/><!-- never closed <c/></a>", true, &log);
    ASSERT_TRUE(top);
    EXPECT_STREQ(top->GetTag(), "a");
    EXPECT_EQ(top->NumChildren(), 1);
    EXPECT_NE(LogText(log).find("Unclosed comment"), std::string::npos);
}

TEST(XmlParserTest, LessThanInClosingTagIsLoggedAndClosesTheElement)
{
    Logger log;
    Document top = Parse("<a><b>x</b <c/></a>", true, &log);
    ASSERT_TRUE(top);
    std::string text = LogText(log);
    EXPECT_NE(text.find("Error in closing tag"), std::string::npos);
    EXPECT_NE(text.find("error_tag"), std::string::npos);
    // b was closed at the '<', so c is a child of a.
    ASSERT_EQ(top->NumChildren(), 2);
    EXPECT_STREQ(top->ChildAt(1)->GetTag(), "c");
}

TEST(XmlParserTest, DoctypeAndInstructionsGoToTheProlog)
{
    Logger log;
    Document top = Parse("<!DOCTYPE r [<!ENTITY e 'v'>]><?app one?><?XML version='1.0'?>"
                         "<?xml-stylesheet type=\"text/xsl\" href=\"a.xsl\"?><r>&e;</r>",
        true, &log);
    ASSERT_TRUE(top);
    TreeInfo* document = top->GetDocument();
    ASSERT_NE(document->m_prolog, nullptr);
    EXPECT_STREQ(document->m_prolog->GetText(), "<!DOCTYPE r [<!ENTITY e 'v'>]>\n<?app one?>\n");
    ASSERT_NE(document->m_declaration, nullptr);
    torvane::StringBuffer version;
    EXPECT_TRUE(document->m_declaration->GetAttribute("version", version));
    EXPECT_STREQ(version.GetText(), "1.0");
    ASSERT_EQ(document->StylesheetCount(), 1);
    EXPECT_EQ(document->StylesheetAt(0)->NumAttributes(), 2);
    EXPECT_STREQ(top->GetContent(), "&e;");
    EXPECT_EQ(LogText(log).find("Failed to parse DTD"), std::string::npos);
}

TEST(XmlParserTest, UnbalancedDoctypeIsLogged)
{
    Logger log;
    Document top = Parse("<!DOCTYPE r [<!ENTITY e 'v'> <r/>", true, &log);
    EXPECT_FALSE(top);
    EXPECT_NE(LogText(log).find("Failed to parse DTD"), std::string::npos);
}

TEST(XmlParserTest, InstructionWithoutEndKeepsParsing)
{
    Document top = Parse("<?pi without end <a>x</a>");
    ASSERT_TRUE(top);
    EXPECT_STREQ(top->GetTag(), "a");
    // Nothing of the open instruction is kept for the prolog.
    EXPECT_EQ(top->GetDocument()->m_prolog, nullptr);
}

TEST(XmlParserTest, TruncatedPrologItemsAreWrittenSoTheyReadBack)
{
    struct Case {
        const char* text;
        const char* prolog; // null: none
    } cases[] = {
        { "<r>x<!DOCTYPE x", "<!DOCTYPE x>\n" },
        { "<r><b>y</b><!DOCTYPE", "<!DOCTYPE>\n" },
        { "<r>x<!DOCTYPE x [<!ENTITY a 'b'", "<!DOCTYPE x [<!ENTITY a 'b'>>\n" },
        { "<!DOCTYPE q [ ]><r>x<!DOCTYPE x [<!ENTITY", "<!DOCTYPE q [ ]>\n<!DOCTYPE x [<!ENTITY>>\n" },
        { "<r>x<?p", nullptr },
        { "<r><![CDATA[?>]]><?p", nullptr },
        { "<?app one?><r>x<?p", "<?app one?>\n" },
    };
    for (const Case& c : cases) {
        Logger log;
        Document first = Parse(c.text, true, &log);
        ASSERT_TRUE(first) << c.text;
        TreeInfo* document = first->GetDocument();
        if (c.prolog) {
            ASSERT_NE(document->m_prolog, nullptr) << c.text;
            EXPECT_STREQ(document->m_prolog->GetText(), c.prolog) << c.text;
        } else {
            EXPECT_EQ(document->m_prolog, nullptr) << c.text;
        }
        torvane::StringBuffer written;
        first->WriteXml(written, 0, 0);
        Document second = Parse(written.GetText());
        ASSERT_TRUE(second) << c.text << " written as " << written.GetText();
        EXPECT_STREQ(second->GetTag(), first->GetTag()) << c.text;
        torvane::StringBuffer again;
        second->WriteXml(again, 0, 0);
        EXPECT_STREQ(again.GetText(), written.GetText()) << c.text;
    }
}

TEST(XmlParserTest, LessThanInTagNameIsRemoved)
{
    Document top = Parse("<a<b>x</a>");
    ASSERT_TRUE(top);
    EXPECT_STREQ(top->GetTag(), "ab");
}

TEST(XmlParserTest, MonitorIsCompleted)
{
    ProgressMonitor monitor;
    ParseEngine engine;
    engine.SetText("<a><b/></a>");
    TreeNode* top = nullptr;
    EXPECT_TRUE(ParseXml(engine, nullptr, &monitor, &top, true));
    Document owned(top);
    EXPECT_EQ(monitor.GetTotal(), 11);
    EXPECT_EQ(monitor.GetDone(), 11);
}

// Hostile texts: each must finish promptly and without a crash.
TEST(XmlParserTest, HostileTextsFailCleanly)
{
    const int n = 200000;
    std::string deep;
    for (int i = 0; i < n; ++i)
        deep += "<d>";
    Document deepTop = Parse(deep);
    ASSERT_TRUE(deepTop);
    int depth = 0;
    for (TreeNode* node = deepTop.get(); node; node = node->FirstChild())
        ++depth;
    EXPECT_EQ(depth, n);

    std::string attributes = "<a";
    for (int i = 0; i < n; ++i)
        attributes += " n" + std::to_string(i) + "='v'";
    attributes += "/>";
    Document wide = Parse(attributes);
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->NumAttributes(), n);

    std::string unterminated[] = {
        "<a b=\"" + std::string(n, 'x'),
        "<a><!--" + std::string(n, '-'),
        "<!DOCTYPE " + std::string(n, '<'),
        std::string(n, '<'),
        "<a>" + std::string(n, '&'),
        "<a><![CDATA[" + std::string(n, ']'),
        "</" + std::string(n, '/'),
        "<?xml " + std::string(n, '='),
        "<?xml-stylesheet " + std::string(n, '?'),
        "<a " + std::string(n, '/') + ">",
        "<a " + std::string(n, '=') + ">",
    };
    for (const std::string& text : unterminated)
        Parse(text);

    std::string instructions;
    for (int i = 0; i < n / 3; ++i)
        instructions += "<?p";
    Parse(instructions);
}

TEST(XmlParserTest, NestedEscapesCannotMakeWorkQuadratic)
{
    // A long chain of escaped ampersands followed by many text runs: each run would decode the
    // whole text again. The work is bounded, and the text still starts with one level decoded.
    std::string text = "<a>&amp;";
    for (int i = 0; i < 200000; ++i)
        text += "amp;";
    for (int i = 0; i < 100000; ++i)
        text += "<b/>x";
    text += "</a>";
    Logger log;
    Document top = Parse(text, true, &log);
    ASSERT_TRUE(top);
    std::string content = top->GetContent();
    EXPECT_EQ(content.compare(0, 5, "&amp;"), 0);
    EXPECT_LT(content.size(), text.size());
    EXPECT_NE(LogText(log).find("Too many levels of escaped references"), std::string::npos);
}

TEST(XmlParserTest, DeclarationAttributes)
{
    ParseEngine engine;
    engine.SetText(" version = \"1.0\" encoding='utf-8' standalone=\"&quot;yes\" ?>rest");
    Document element(TreeNode::CreateRoot("xml"));
    ParseDeclarationAttributes(engine, element.get(), nullptr);
    EXPECT_STREQ(engine.CurrentPointer(), "rest");
    EXPECT_EQ(element->NumAttributes(), 3);
    torvane::StringBuffer value;
    element->GetAttribute("encoding", value);
    EXPECT_STREQ(value.GetText(), "utf-8");
    element->GetAttribute("standalone", value);
    EXPECT_STREQ(value.GetText(), "\"yes");
}

} // namespace
