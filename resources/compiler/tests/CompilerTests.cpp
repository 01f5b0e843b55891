#include "resources/compiler/Script.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

const std::string kData = VORNALT_TEST_DATA_DIR;

std::vector<std::uint8_t> ReadData(const std::string& name)
{
    std::ifstream in(kData + "/" + name, std::ios::binary);
    if (!in)
        throw std::runtime_error("no such file");
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

rc::Script Parse(const std::string& text, const std::string& path = "test.rc")
{
    return rc::ParseScript(path, text, ReadData);
}

rc::Script ParseFile(const std::string& name)
{
    std::vector<std::uint8_t> text = ReadData(name);
    return Parse(std::string(text.begin(), text.end()), name);
}

const rc::Resource* Find(const rc::Script& s, WORD type, WORD name, WORD language = 1033)
{
    for (const rc::Resource& r : s.resources)
        if (!r.type.isText && r.type.id == type && !r.name.isText && r.name.id == name && r.language == language)
            return &r;
    return nullptr;
}

TEST(ResourceCompiler, EveryBlockTypeCompiles)
{
    rc::Script s = ParseFile("every_block.rc");
    EXPECT_NE(Find(s, rc::RT_STRING_ID, 162), nullptr);
    EXPECT_NE(Find(s, rc::RT_STRING_ID, 162, 1031), nullptr);
    EXPECT_NE(Find(s, rc::RT_MENU_ID, 128), nullptr);
    EXPECT_NE(Find(s, rc::RT_ACCELERATOR_ID, 128), nullptr);
    EXPECT_NE(Find(s, rc::RT_DIALOG_ID, 145), nullptr);
    EXPECT_NE(Find(s, rc::RT_BITMAP_ID, 145), nullptr);
    EXPECT_NE(Find(s, rc::RT_GROUP_ICON_ID, 150), nullptr);
    EXPECT_NE(Find(s, rc::RT_ICON_ID, 50), nullptr); // images numbered from IMAGEBASE
    EXPECT_NE(Find(s, rc::RT_ICON_ID, 51), nullptr);
    EXPECT_NE(Find(s, rc::RT_CURSOR_ID, 52), nullptr);
    EXPECT_NE(Find(s, rc::RT_GROUP_CURSOR_ID, 151), nullptr);
    EXPECT_NE(Find(s, rc::RT_TOOLBAR_ID, 129), nullptr);
    EXPECT_NE(Find(s, rc::RT_HTML_ID, 161), nullptr);

    // The generated C++ names the ids and the table.
    std::string header = rc::EmitHeader(s, "Table");
    EXPECT_NE(header.find("inline constexpr UINT ID_FILE_OPEN = 57601u;"), std::string::npos);
    EXPECT_NE(header.find("extern const platform::resources::ResourceTable Table;"), std::string::npos);
    std::string source = rc::EmitSource(s, "Table", "Table.h");
    EXPECT_NE(source.find("const platform::resources::ResourceTable Table = {"), std::string::npos);
}

TEST(ResourceCompiler, BitmapLayouts)
{
    rc::Script s = ParseFile("every_block.rc");
    // The 4-bit strip: 40-byte header, a palette of the key and three colours, rows of 16 bytes.
    const std::vector<std::uint8_t>& strip = Find(s, rc::RT_BITMAP_ID, 145)->bytes;
    ASSERT_EQ(strip.size(), 40u + 4 * 4 + 16 * 15);
    EXPECT_EQ(strip[0], 40);
    EXPECT_EQ(strip[4], 32);
    EXPECT_EQ(strip[8], 15);
    EXPECT_EQ(strip[14], 4);
    EXPECT_EQ(strip[32], 4); // colours used
    // Palette entries are blue, green, red, 0: the key magenta first.
    std::vector<std::uint8_t> palette(strip.begin() + 40, strip.begin() + 56);
    EXPECT_EQ(palette, (std::vector<std::uint8_t> { 255, 0, 255, 0, 0, 255, 255, 0, 128, 128, 0, 0, 30, 20, 10, 0 }));
    // The top row is stored last: pixel 0 is the key (index 0), pixel 1 yellow (index 1).
    EXPECT_EQ(strip[40 + 16 + 14 * 16], 0x01);

    // Icon images: a 32-bit header with the height doubled, then colour rows and the AND mask.
    const std::vector<std::uint8_t>& icon = Find(s, rc::RT_ICON_ID, 50)->bytes;
    ASSERT_EQ(icon.size(), 40u + 16 * 16 * 4 + 16 * 4);
    EXPECT_EQ(icon[8], 32);
    EXPECT_EQ(icon[14], 32);
    // The top-left pixel is transparent: the mask's last row starts with bit 0x80.
    EXPECT_EQ(icon[icon.size() - 4], 0x80);
    // The group entry: width, height, colours, reserved, planes, depth, size, id.
    const std::vector<std::uint8_t>& group = Find(s, rc::RT_GROUP_ICON_ID, 150)->bytes;
    std::vector<std::uint8_t> first(group.begin() + 6, group.begin() + 20);
    std::uint32_t size = std::uint32_t(icon.size());
    EXPECT_EQ(first, (std::vector<std::uint8_t> { 16, 16, 0, 0, 1, 0, 32, 0, std::uint8_t(size), std::uint8_t(size >> 8), 0, 0, 50, 0 }));
    // A cursor image leads with its hot spot.
    const std::vector<std::uint8_t>& cursor = Find(s, rc::RT_CURSOR_ID, 52)->bytes;
    EXPECT_EQ(std::vector<std::uint8_t>(cursor.begin(), cursor.begin() + 5), (std::vector<std::uint8_t> { 3, 0, 4, 0, 40 }));
}

TEST(ResourceCompiler, FaultsAreReportedWithTheLine)
{
    struct {
        const char* script;
        const char* message;
    } cases[] = {
        { "1 DIALOG 0, 0, 10, 10\nSTYLE WS_POPUP | WS_NOSUCHSTYLE\nBEGIN\nEND\n", "test.rc:2: unknown name WS_NOSUCHSTYLE" },
        { "STRINGTABLE\nBEGIN\n  1 \"caf\xC3\"\nEND\n", "test.rc:3: string is not valid UTF-8" },
        { "STRINGTABLE\nBEGIN\n  1 \"\xC0\xAF\"\nEND\n", "test.rc:3: string is not valid UTF-8" },
        { "STRINGTABLE\nBEGIN\n  1 \"a\"\n  1 \"b\"\nEND\n", "test.rc:4: duplicate resource 6 1 language 1033 (first at line 3)" },
        { "CONTROL \"x\", 1, \"Button\", 0, 0, 0, 1, 1\n", "test.rc:1: CONTROL outside a block" },
        { "MENUITEM \"x\", 1\n", "test.rc:1: MENUITEM outside a block" },
        { "1 DIALOG 0, 0, 10, 10\nBEGIN\n  PUSHBUTTON \"a\", 1, 0, 0, 5, 5\n", "test.rc:4: missing END" },
        { "1 DIALOG 0, 0, 10, 10\nBEGIN\n  BUTTONS \"a\", 1, 0, 0, 5, 5\nEND\n", "test.rc:3: unknown control BUTTONS" },
        { "1 MENU\nBEGIN\n  POPUP \"a\"\n  BEGIN\n  END\nEND\n", "test.rc:3: empty POPUP" },
        { "1 ACCELERATORS\nBEGIN\n  \"a\", 5, CONTROL\nEND\n", "test.rc:3: SHIFT, CONTROL and ALT need VIRTKEY" },
        { "1 BITMAP \"missing.png\"\n", "test.rc:1: cannot read missing.png" },
        { "1 BITMAP \"every_block.rc\"\n", "test.rc:1: not a PNG picture" },
        { "1 BITMAP \"red16.png\" DEPTH 8 KEY 1, 2, 3\n", "test.rc:1: partly transparent pixels need DEPTH 32" },
        { "1 BITMAP \"strip.png\" DEPTH 24\n", "test.rc:1: transparent pixels need a KEY colour below DEPTH 32" },
        { "1 CURSOR \"icon16.png\" HOTSPOT 16, 0\n", "test.rc:1: hot spot outside the picture" },
        { "1 TOOLBAR 16, 15\nBEGIN\n  BUTTON 70000\nEND\n", "test.rc:3: command id out of range" },
        { "#include \"x.h\"\n", "test.rc:1: unknown directive #include" },
        { "#define A 1\n#define A 2\n", "test.rc:2: name A defined twice" },
        { "STRINGTABLE\nBEGIN\n 1 \"unterminated\nEND\n", "test.rc:3: unterminated string" },
        { "1 TEXTFILE \"page.html\" ENCODING LATIN1\n", "test.rc:1: the one ENCODING is UTF16CR" },
    };
    for (const auto& c : cases) {
        try {
            Parse(c.script);
            ADD_FAILURE() << "accepted: " << c.script;
        } catch (const rc::ScriptError& e) {
            EXPECT_EQ(std::string(e.what()).substr(0, std::string(c.message).size()), c.message) << e.what();
        }
    }
}

TEST(ResourceCompiler, DuplicatesAcrossScripts)
{
    std::vector<rc::Script> scripts = { ParseFile("dup_a.rc"), ParseFile("dup_b.rc") };
    auto duplicate = rc::FindDuplicate(scripts);
    ASSERT_TRUE(duplicate.has_value());
    EXPECT_EQ(*duplicate, "resource 6 4000 language 1033 is in both dup_a.rc:4 and dup_b.rc:3");
    // The same name in another type or language is no duplicate.
    scripts = { ParseFile("dup_a.rc"), Parse("4000 HTML \"page.html\"\nSTRINGTABLE LANGUAGE 1031\nBEGIN\n4000 \"x\"\nEND\n") };
    EXPECT_FALSE(rc::FindDuplicate(scripts).has_value());
}

TEST(ResourceCompiler, NamesAndTypesIgnoreCase)
{
    rc::Script s = Parse("style_ini TextFile \"page.html\"\n\"Style_INI\" \"png\" \"icon16.png\"\n");
    ASSERT_EQ(s.resources.size(), 2u);
    EXPECT_EQ(s.resources[0].type.text, u"TEXTFILE");
    EXPECT_EQ(s.resources[0].name.text, u"STYLE_INI");
    EXPECT_EQ(s.resources[1].type.text, u"PNG");
    EXPECT_EQ(s.resources[1].name.text, u"STYLE_INI");
    EXPECT_THROW(Parse("a PNG \"icon16.png\"\nA png \"icon16.png\"\n"), rc::ScriptError);
}

} // namespace
