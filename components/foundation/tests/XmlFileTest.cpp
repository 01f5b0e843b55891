#include "components/foundation/ClsXml.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/Logger.h"
#include "components/foundation/TreeNode.h"
#include "components/foundation/XmlParser.h"
#include "components/foundation/tests/TestSupport.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct DocumentDeleter {
    void operator()(TreeNode* node) const
    {
        if (node)
            node->DeleteDocument();
    }
};
using Document = std::unique_ptr<TreeNode, DocumentDeleter>;

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Utf16LE(const std::u16string& text, bool mark)
{
    std::string bytes;
    if (mark)
        bytes += "\xFF\xFE";
    for (char16_t unit : text) {
        bytes += char(unit & 0xFF);
        bytes += char(unit >> 8);
    }
    return bytes;
}

std::string Utf16BE(const std::u16string& text)
{
    std::string bytes = "\xFE\xFF";
    for (char16_t unit : text) {
        bytes += char(unit >> 8);
        bytes += char(unit & 0xFF);
    }
    return bytes;
}

std::string Decoded(const std::string& bytes)
{
    DataBuffer buffer;
    buffer.Append(bytes.data(), unsigned(bytes.size()));
    EXPECT_TRUE(DecodeXmlBytes(buffer, nullptr));
    return BytesOf(buffer);
}

std::string LogText(LogBase& log)
{
    torvane::StringBuffer out;
    log.RenderText(out);
    return out.GetText();
}

TEST(XmlFileTest, DecodeByMarkOrDeclaration)
{
    struct Case {
        const char* name;
        std::string bytes;
        std::string utf8;
    } cases[] = {
        { "UTF-16LE mark", Utf16LE(u"<a>\u00e9\u20ac</a>", true), "<a>\xC3\xA9\xE2\x82\xAC</a>" },
        { "UTF-16BE mark", Utf16BE(u"<a>\u00e9</a>"), "<a>\xC3\xA9</a>" },
        { "UTF-8 mark wins over declaration", "\xEF\xBB\xBF<?xml encoding=\"iso-8859-1\"?><a>\xC3\xA9</a>",
            "<?xml encoding=\"iso-8859-1\"?><a>\xC3\xA9</a>" },
        { "declared windows-1252", "<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\xE9\x80</a>",
            "<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\xC3\xA9\xE2\x82\xAC</a>" },
        { "declared in apostrophes, spaced, capitals", "<?XML Encoding = 'ISO-8859-1' ?><a>\xE9</a>",
            "<?XML Encoding = 'ISO-8859-1' ?><a>\xC3\xA9</a>" },
        { "unknown charset read as UTF-8", "<?xml encoding=\"no-such-set\"?><a>\xC3\xA9</a>",
            "<?xml encoding=\"no-such-set\"?><a>\xC3\xA9</a>" },
        { "no declaration", "<a>\xC3\xA9</a>", "<a>\xC3\xA9</a>" },
        { "declared UTF-16 without a mark read as UTF-8", "<?xml encoding=\"utf-16\"?><a>\xC3\xA9</a>",
            "<?xml encoding=\"utf-16\"?><a>\xC3\xA9</a>" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(Hex(Decoded(c.bytes)), Hex(c.utf8)) << c.name;

    DataBuffer empty;
    EXPECT_FALSE(DecodeXmlBytes(empty, nullptr));
}

TEST(XmlFileTest, LoadUtf16FileDeclaresUtf8Afterwards)
{
    TempFolder folder;
    std::string path = folder.WriteFile("u16.xml",
        Utf16LE(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<stack><name>Gr\u00fc\u00dfe</name></stack>", true));
    TreeNode* top = nullptr;
    Logger log;
    ASSERT_TRUE(LoadXmlFileToTree(path.c_str(), &log, nullptr, &top, true));
    Document owned(top);
    ASSERT_TRUE(top);
    EXPECT_STREQ(top->FirstChild()->GetContent(), "Gr\xC3\xBC\xC3\x9F" "e");
    torvane::StringBuffer encoding;
    EXPECT_TRUE(top->GetDeclaredEncoding(encoding));
    EXPECT_STREQ(encoding.GetText(), "utf-8");
}

TEST(XmlFileTest, LoadFailures)
{
    TempFolder folder;
    TreeNode* top = reinterpret_cast<TreeNode*>(1);
    Logger log;
    EXPECT_FALSE(LoadXmlFileToTree(folder.PathOf("missing.xml").c_str(), &log, nullptr, &top, true));
    EXPECT_EQ(top, nullptr);
    EXPECT_NE(LogText(log).find("missing.xml"), std::string::npos);

    std::string empty = folder.WriteFile("empty.xml", "");
    EXPECT_FALSE(LoadXmlFileToTree(empty.c_str(), &log, nullptr, &top, true));

    std::string noElement = folder.WriteFile("text.xml", "just text");
    EXPECT_TRUE(LoadXmlFileToTree(noElement.c_str(), &log, nullptr, &top, true));
    EXPECT_EQ(top, nullptr);
}

TEST(XmlFileTest, SaveAddsDeclarationAndWritesExactBytes)
{
    TempFolder folder;
    ClsXml xml;
    xml.SetTag("stack");
    ClsXml* action = xml.NewChild("action", nullptr);
    action->AddAttribute("type", "builtin__resizeimage");
    delete action->NewChild("name", "Resize");
    delete action;
    std::string path = folder.PathOf("out.stack");
    ASSERT_TRUE(xml.SaveXml(("  " + path + " ").c_str()));
    EXPECT_EQ(ReadFile(path),
        "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n"
        "\r\n"
        "<stack>\r\n"
        "    <action type=\"builtin__resizeimage\">\r\n"
        "        <name>Resize</name>\r\n"
        "    </action>\r\n"
        "</stack>\r\n");
    torvane::StringBuffer encoding;
    EXPECT_TRUE(xml.GetElement()->GetDeclaredEncoding(encoding));
    EXPECT_STREQ(encoding.GetText(), "utf-8");
    // Nothing is left behind but the file itself.
    int entries = 0;
    for (auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(XmlFileTest, SaveConvertsToDeclaredCharsetAndLoadsBack)
{
    TempFolder folder;
    ClsXml xml;
    xml.SetTag("r");
    xml.SetEncoding(" windows-1252/ ");
    xml.SetContent("caf\xC3\xA9 \xE2\x82\xAC");
    std::string path = folder.PathOf("w.xml");
    ASSERT_TRUE(xml.SaveXml(path.c_str()));
    std::string bytes = ReadFile(path);
    EXPECT_NE(bytes.find("encoding=\"windows-1252\""), std::string::npos);
    EXPECT_NE(bytes.find("<r>caf\xE9 \x80</r>"), std::string::npos);

    ClsXml back;
    ASSERT_TRUE(back.LoadXmlFile(path.c_str(), true));
    EXPECT_STREQ(back.GetContentText(), "caf\xC3\xA9 \xE2\x82\xAC");
}

TEST(XmlFileTest, UnknownDeclaredEncodingFailsAndKeepsTheOldFile)
{
    TempFolder folder;
    std::string path = folder.WriteFile("keep.xml", "old contents");
    ClsXml xml;
    xml.SetEncoding("no-such-charset");
    EXPECT_FALSE(xml.SaveXml(path.c_str()));
    EXPECT_EQ(ReadFile(path), "old contents");
    torvane::StringBuffer text;
    xml.RenderLogText(text);
    EXPECT_NE(std::string(text.GetText()).find("not a known charset"), std::string::npos);
    EXPECT_NE(std::string(text.GetText()).find("no-such-charset"), std::string::npos);
}

TEST(XmlFileTest, SaveReplacesAtomicallyAndFailsCleanly)
{
    TempFolder folder;
    std::string path = folder.WriteFile("doc.xml", "previous");
    ClsXml xml;
    xml.SetTag("fresh");
    ASSERT_TRUE(xml.SaveXml(path.c_str()));
    EXPECT_NE(ReadFile(path).find("<fresh />"), std::string::npos);

    // A folder that does not exist: false, a log entry, nothing created.
    std::string missing = folder.PathOf("no/such/dir/doc.xml");
    EXPECT_FALSE(xml.SaveXml(missing.c_str()));
    EXPECT_FALSE(std::filesystem::exists(missing));
    torvane::StringBuffer text;
    xml.RenderLogText(text);
    EXPECT_NE(std::string(text.GetText()).find("Failed to create file"), std::string::npos);

    // A read-only folder: the old file stays as it was.
    if (geteuid() != 0) {
        std::string locked = folder.PathOf("locked");
        std::filesystem::create_directory(locked);
        std::string lockedFile = locked + "/doc.xml";
        std::ofstream(lockedFile) << "kept";
        chmod(locked.c_str(), 0555);
        EXPECT_FALSE(xml.SaveXml(lockedFile.c_str()));
        EXPECT_EQ(ReadFile(lockedFile), "kept");
        chmod(locked.c_str(), 0755);
    }
}

TEST(XmlFileTest, ClsXmlLoadKeepsDocumentOnFailure)
{
    TempFolder folder;
    ClsXml xml;
    xml.SetTag("original");
    EXPECT_FALSE(xml.LoadXmlFile(folder.PathOf("none.xml").c_str(), true));
    EXPECT_STREQ(xml.GetTagText(), "original");
    std::string noElement = folder.WriteFile("none.xml", "<!-- nothing -->");
    EXPECT_FALSE(xml.LoadXmlFile(noElement.c_str(), true));
    EXPECT_STREQ(xml.GetTagText(), "original");
}

TEST(XmlFileTest, TrimFlagReachesTheParser)
{
    TempFolder folder;
    std::string path = folder.WriteFile("t.xml", "<r><v>  padded  </v></r>");
    ClsXml trimmed;
    ASSERT_TRUE(trimmed.LoadXmlFile(path.c_str(), true));
    torvane::StringBuffer value;
    EXPECT_TRUE(trimmed.GetChildContent("v", value));
    EXPECT_STREQ(value.GetText(), "padded");
    ClsXml kept;
    ASSERT_TRUE(kept.LoadXmlFile(path.c_str(), false));
    EXPECT_TRUE(kept.GetChildContent("v", value));
    EXPECT_STREQ(value.GetText(), "  padded  ");
}

} // namespace
