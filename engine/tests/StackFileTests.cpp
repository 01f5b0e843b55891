#include "EngineTestSupport.h"

#include "engine/ActionRegistry.h"
#include "engine/ActionStack.h"
#include "engine/ResultCodes.h"
#include "engine/ToTvString.h"
#include "engine/actions/ActionImageResize.h"
#include "engine/actions/ActionSaveFile.h"

#include "components/foundation/TvString.h"
#include "components/foundation/TvXml.h"
#include "platform/base/CodePage.h"
#include "platform/base/FileFaultInjection.h"

#include <cerrno>
#include <memory>

using namespace enginetest;

namespace {

template <typename T> RefPtr<T> adopt(T* object) { return RefPtr<T>::Adopt(object); }

std::string xmlOf(TvXml& element)
{
    TvString text;
    element.GetXml(text);
    return text.GetUtf8();
}

std::string property(CAction& action, std::u16string_view name)
{
    std::u16string value;
    if (!action.GetPropertyString(name, value))
        return "<absent>";
    return N(value);
}

std::vector<std::string> typeKeys(const CActionStack& stack)
{
    std::vector<std::string> keys;
    for (int i = 0; i < stack.GetActionCount(); ++i)
        keys.push_back(N(stack.GetAction(i)->GetTypeKey()));
    return keys;
}

RefPtr<CActionStack> resizeAndSaveStack()
{
    auto stack = adopt(new CActionStack);
    auto resize = adopt(static_cast<CAction*>(new CActionImageResize));
    auto save = adopt(static_cast<CAction*>(new CActionSaveFile));
    stack->InsertAction(resize.get(), -1);
    stack->InsertAction(save.get(), -1);
    return stack;
}

const char kResizeAndSaveFile[] = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n"
                                  "\r\n"
                                  "<stack>\r\n"
                                  "    <action type=\"builtin__resizeimage\">\r\n"
                                  "        <aspectedge>width</aspectedge>\r\n"
                                  "        <height>300</height>\r\n"
                                  "        <width>300</width>\r\n"
                                  "    </action>\r\n"
                                  "    <action type=\"builtin__savefile\">\r\n"
                                  "        <compressionquality>65535</compressionquality>\r\n"
                                  "        <destfiletype>1</destfiletype>\r\n"
                                  "        <destfolder />\r\n"
                                  "        <filenametemplate>%o_%m-%d-%y at %h-%i</filenametemplate>\r\n"
                                  "    </action>\r\n"
                                  "</stack>\r\n";

class StackFile : public ScratchTest { };

// --- One action's element ---------------------------------------------------------------------

TEST_F(StackFile, AnActionSavedTwiceGivesTheSameElementWithOneTypeAttribute)
{
    auto resize = adopt(static_cast<CAction*>(new CActionImageResize));
    std::string first = xmlOf(*resize->SaveToXml());
    std::string second = xmlOf(*resize->SaveToXml());
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, "\r\n<action type=\"builtin__resizeimage\">\r\n"
                     "    <aspectedge>width</aspectedge>\r\n"
                     "    <height>300</height>\r\n"
                     "    <width>300</width>\r\n"
                     "</action>\r\n");
    EXPECT_FALSE(resize->IsDirty());
    EXPECT_EQ(resize->SaveToXml(), resize->SaveToXml()); // the action's own element, kept
}

TEST_F(StackFile, AChangedPropertyRebuildsTheElement)
{
    auto resize = adopt(static_cast<CAction*>(new CActionImageResize));
    resize->SaveToXml();
    resize->SetPropertyInt(u"width", 1024);
    TvXml* element = resize->SaveToXml();
    TvString width;
    ASSERT_TRUE(element->GetChildContent("width", width));
    EXPECT_STREQ(width.GetUtf8(), "1024");
    EXPECT_EQ(element->GetNumChildren(), 3);
}

TEST_F(StackFile, LoadFromXmlTakesKnownPropertiesQuietly)
{
    TvXml element;
    element.SetUtf8Flag(true);
    element.SetTag("action");
    delete element.NewChild("width", "640");
    delete element.NewChild("depth", "7");
    delete element.NewChild("width", "800"); // only the first of a name counts

    auto resize = adopt(static_cast<CAction*>(new CActionImageResize));
    resize->SetDirty(false);
    EXPECT_TRUE(resize->LoadFromXml(&element));
    EXPECT_EQ(property(*resize, u"width"), "640");
    EXPECT_EQ(property(*resize, u"height"), "300");
    EXPECT_EQ(property(*resize, u"depth"), "<absent>");
    EXPECT_FALSE(resize->IsDirty());
}

// --- Whole files --------------------------------------------------------------------------------

TEST_F(StackFile, AStackSavedTwiceWritesIdenticalFilesInPropertyOrder)
{
    auto stack = resizeAndSaveStack();
    fs::path first = Root() / "first.stack";
    fs::path second = Root() / "second.stack";
    ASSERT_EQ(stack->SaveToFile(U(first)), RESULT_SUCCESS);
    ASSERT_EQ(stack->SaveToFile(U(second)), RESULT_SUCCESS);
    EXPECT_EQ(ReadFile(first), kResizeAndSaveFile);
    EXPECT_EQ(ReadFile(second), ReadFile(first));

    // The elements stay the actions' own after the documents that held them are gone.
    stack->GetAction(0)->SetPropertyInt(u"width", 1024);
    ASSERT_EQ(stack->SaveToFile(U(second)), RESULT_SUCCESS);
    EXPECT_NE(ReadFile(second).find("<width>1024</width>"), std::string::npos);
}

TEST_F(StackFile, AnEmptyStackIsAnEmptyElement)
{
    auto stack = adopt(new CActionStack);
    fs::path file = Root() / "empty.stack";
    ASSERT_EQ(stack->SaveToFile(U(file)), RESULT_SUCCESS);
    EXPECT_EQ(ReadFile(file), "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n\r\n<stack />\r\n");

    auto loaded = adopt(new CActionStack);
    EXPECT_EQ(loaded->LoadFromFile(U(file)), RESULT_SUCCESS);
    EXPECT_EQ(loaded->GetActionCount(), 0);
}

TEST_F(StackFile, ValuesSurviveASaveAndALoad)
{
    struct Case {
        const char* name;
        std::u16string value;
        std::u16string loaded;
    };
    const Case cases[] = {
        { "accented folder", u"/home/zo\u00eb/Caf\u00e9 photos", u"/home/zo\u00eb/Caf\u00e9 photos" },
        { "beyond the basic plane", u"/tmp/\U0001F600", u"/tmp/\U0001F600" },
        { "markup characters", u"<a & b> \"q\" 'a' &amp; &#38;", u"<a & b> \"q\" 'a' &amp; &#38;" },
        // Text runs load trimmed of blanks, tabs and line breaks at both ends.
        { "leading and trailing spaces", u"  %o  ", u"%o" },
        { "line break at the end", u"photo\r\n", u"photo" },
        { "line breaks inside", u"a\r\nb", u"a\r\nb" },
        { "empty", u"", u"" },
        // The reader drops text made only of white space: empty, not the default.
        { "only spaces", u"   ", u"" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto stack = resizeAndSaveStack();
        stack->GetAction(1)->SetPropertyString(u"destfolder", c.value);
        fs::path file = Root() / "values.stack";
        ASSERT_EQ(stack->SaveToFile(U(file)), RESULT_SUCCESS);

        auto loaded = adopt(new CActionStack);
        ASSERT_EQ(loaded->LoadFromFile(U(file)), RESULT_SUCCESS);
        ASSERT_EQ(typeKeys(*loaded), (std::vector<std::string> { "builtin__resizeimage", "builtin__savefile" }));
        std::u16string value;
        ASSERT_TRUE(loaded->GetAction(1)->GetPropertyString(u"destfolder", value));
        EXPECT_EQ(value, c.loaded);
    }
}

TEST_F(StackFile, FilesLoadAsTheirElementsSay)
{
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> keys;
        std::string firstWidth; // the first action's "width", when it is a resize
    };
    const Case cases[] = {
        { "root that is not stack",
            "<list><action type=\"builtin__resizeimage\"><width>50</width></action>"
            "<item type=\"builtin__flip\"/></list>",
            { "builtin__resizeimage", "builtin__flip" }, "50" },
        { "type key in capitals", "<stack><action type=\"BUILTIN__RESIZEIMAGE\"><width>70</width></action></stack>",
            { "builtin__resizeimage" }, "70" },
        { "unknown type between two known",
            "<stack><action type=\"builtin__resizeimage\"/><action type=\"someone__else\"><width>1</width></action>"
            "<action type=\"builtin__savefile\"/></stack>",
            { "builtin__resizeimage", "builtin__savefile" }, "300" },
        { "action without type or children", "<stack><action/><action type=\"builtin__resizeimage\"/></stack>",
            { "builtin__resizeimage" }, "300" },
        { "declaration in another case and comments",
            "<?XML version=\"1.0\"?>\n<!-- saved by hand -->\n<stack>\n  <action type=\"builtin__resizeimage\">\n"
            "    <width>640</width>\n  </action>\n</stack>\n",
            { "builtin__resizeimage" }, "640" },
        { "values on their own indented lines",
            "<stack>\n  <action type=\"builtin__resizeimage\">\n    <width>\n      800\n    </width>\n  </action>\n"
            "</stack>\n",
            { "builtin__resizeimage" }, "800" },
        { "no actions at all", "<stack></stack>", {}, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::path file = Root() / "case.stack";
        WriteText(file, c.text);
        auto stack = adopt(new CActionStack);
        ASSERT_EQ(stack->LoadFromFile(U(file)), RESULT_SUCCESS);
        EXPECT_EQ(typeKeys(*stack), c.keys);
        if (!c.firstWidth.empty()) {
            EXPECT_EQ(property(*stack->GetAction(0), u"width"), c.firstWidth);
        }
        for (int i = 0; i < stack->GetActionCount(); ++i)
            EXPECT_EQ(stack->GetAction(i)->GetStack(), stack.get());
    }
}

TEST_F(StackFile, EncodedFilesLoad)
{
    const std::u16string folder = u"D:/Bilder/Gr\u00fc\u00dfe \u65e5\u672c";
    const std::string body = "<stack><action type=\"builtin__savefile\"><destfolder>" + N(folder)
        + "</destfolder></action></stack>";

    std::string utf16le = "\xFF\xFE";
    for (char16_t unit : U("<?xml version=\"1.0\" encoding=\"utf-16\"?>" + body)) {
        utf16le.push_back(char(unit & 0xFF));
        utf16le.push_back(char(unit >> 8));
    }
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        { "UTF-16 little-endian with its mark", utf16le },
        { "UTF-8 with its mark", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>" + body },
        { "UTF-8 without a declaration", body },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::path file = Root() / "encoded.stack";
        WriteText(file, c.bytes);
        auto stack = adopt(new CActionStack);
        ASSERT_EQ(stack->LoadFromFile(U(file)), RESULT_SUCCESS);
        // A well-formed file in any of these encodings has nothing to complain about.
        EXPECT_EQ(stack->GetLoadProblemCount(), 0);
        ASSERT_EQ(typeKeys(*stack), (std::vector<std::string> { "builtin__savefile" }));
        std::u16string value;
        ASSERT_TRUE(stack->GetAction(0)->GetPropertyString(u"destfolder", value));
        EXPECT_EQ(value, folder);
    }
}

TEST_F(StackFile, LoadingAppendsToTheActionsAlreadyThere)
{
    fs::path file = Root() / "two.stack";
    ASSERT_EQ(resizeAndSaveStack()->SaveToFile(U(file)), RESULT_SUCCESS);
    auto stack = adopt(new CActionStack);
    auto flip = adopt(CreateActionByType(u"builtin__flip"));
    stack->InsertAction(flip.get(), -1);
    ASSERT_EQ(stack->LoadFromFile(U(file)), RESULT_SUCCESS);
    EXPECT_EQ(typeKeys(*stack),
        (std::vector<std::string> { "builtin__flip", "builtin__resizeimage", "builtin__savefile" }));
}

// --- Files that cannot be loaded, and failed saves ------------------------------------------------

TEST_F(StackFile, UnloadableFilesFailAndLeaveTheStackAsItWas)
{
    struct Case {
        const char* name;
        const char* bytes; // null: no file at all
        int expected;
    };
    const Case cases[] = {
        { "missing file", nullptr, RESULT_INVALID_FILE },
        { "empty file", "", RESULT_XML_PARSE_ERROR },
        { "plain text", "width=300 height=300\r\n", RESULT_XML_PARSE_ERROR },
        { "only a declaration and a comment", "<?xml version=\"1.0\"?><!-- nothing -->", RESULT_XML_PARSE_ERROR },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::path file = Root() / "bad.stack";
        fs::remove(file);
        if (c.bytes)
            WriteText(file, c.bytes);
        auto stack = adopt(new CActionStack);
        auto flip = adopt(CreateActionByType(u"builtin__flip"));
        stack->InsertAction(flip.get(), -1);
        EXPECT_EQ(stack->LoadFromFile(U(file)), c.expected);
        EXPECT_EQ(typeKeys(*stack), (std::vector<std::string> { "builtin__flip" }));
        EXPECT_NE(ErrorCodeText(c.expected), u"");
    }
}

TEST_F(StackFile, AFileThatFailedToLoadIsNeverSavedOver)
{
    fs::path file = Root() / "corrupt.stack";
    const std::string corrupt("\0\0\x01garbage, not a stack", 22);
    WriteText(file, corrupt);
    auto stack = adopt(new CActionStack);
    ASSERT_NE(stack->LoadFromFile(U(file)), RESULT_SUCCESS);

    auto flip = adopt(CreateActionByType(u"builtin__flip"));
    stack->InsertAction(flip.get(), -1);
    EXPECT_EQ(stack->SaveToFile(U(file)), RESULT_FILE_SAVE_FAILED);
    EXPECT_EQ(stack->SaveToFile(U(Root() / "." / "corrupt.stack")), RESULT_FILE_SAVE_FAILED);
    EXPECT_EQ(ReadFile(file), corrupt);
    EXPECT_EQ(LogLines().back().rfind("ERROR: Stack: Refusing to save over ", 0), 0u) << LogLines().back();

    // Another file is fine, and so is a stack that never tried to read this one.
    EXPECT_EQ(stack->SaveToFile(U(Root() / "other.stack")), RESULT_SUCCESS);
    EXPECT_EQ(resizeAndSaveStack()->SaveToFile(U(file)), RESULT_SUCCESS);
}

TEST_F(StackFile, AFailedSaveLeavesTheOldFileAndNoLeftovers)
{
    fs::path file = Root() / "kept.stack";
    WriteText(file, "old contents");
    auto stack = resizeAndSaveStack();

    InjectFileFaultForTesting(FileFaultPoint::Write, ENOSPC);
    EXPECT_EQ(stack->SaveToFile(U(file)), RESULT_FILE_SAVE_FAILED);
    ClearFileFaultsForTesting();
    EXPECT_EQ(ReadFile(file), "old contents");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Root()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> { "kept.stack", "vornalt.log" }));

    EXPECT_EQ(stack->SaveToFile(U(Root() / "no-such-folder" / "x.stack")), RESULT_FILE_SAVE_FAILED);
    EXPECT_FALSE(fs::exists(Root() / "no-such-folder"));

    EXPECT_EQ(stack->SaveToFile(U(file)), RESULT_SUCCESS);
    EXPECT_EQ(ReadFile(file), kResizeAndSaveFile);
}

// Paths and values go to the XML layer as UTF-8, never through a narrower ANSI code page.
TEST_F(StackFile, NothingIsLostWhenTheAnsiCodePageIsNarrow)
{
    SetAnsiCodePageForTesting(1252);
    fs::path folder = Root() / "\xe6\x97\xa5\xe6\x9c\xac"; // two CJK characters
    fs::create_directories(folder);
    fs::path file = folder / "stapel.stack";
    auto stack = resizeAndSaveStack();
    stack->GetAction(1)->SetPropertyString(u"destfolder", u"/\u65e5\u672c/\u00e9");
    int saved = stack->SaveToFile(U(file));
    auto loaded = adopt(new CActionStack);
    int read = loaded->LoadFromFile(U(file));
    SetAnsiCodePageForTesting(CP_UTF8);

    ASSERT_EQ(saved, RESULT_SUCCESS);
    ASSERT_EQ(read, RESULT_SUCCESS);
    ASSERT_EQ(loaded->GetActionCount(), 2);
    EXPECT_EQ(property(*loaded->GetAction(1), u"destfolder"), "/\xe6\x97\xa5\xe6\x9c\xac/\xc3\xa9");
}

TEST(ToTvStringTest, HoldsTheTextInBothForms)
{
    ToTvString utf8(u"Caf\u00e9", true);
    EXPECT_STREQ(utf8.GetString(), "Caf\xC3\xA9");
    EXPECT_EQ(std::u16string(utf8.GetUtf16()), u"Caf\u00e9");
    ToTvString plain(u"stack");
    EXPECT_FALSE(plain.GetUtf8Flag());
    EXPECT_STREQ(plain.GetString(), "stack");
}

} // namespace

TEST_F(StackFile, HandFormattedValuesAreStableOverSavesAndLoads)
{
    fs::path file = Root() / "hand.stack";
    WriteText(file, "<stack>\n  <action type=\"builtin__savefile\">\n    <destfolder>\n      /tmp/out\n"
                    "    </destfolder>\n  </action>\n</stack>\n");
    std::string saved;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        auto stack = adopt(new CActionStack);
        ASSERT_EQ(stack->LoadFromFile(U(file)), RESULT_SUCCESS);
        ASSERT_EQ(stack->GetActionCount(), 1);
        std::u16string value;
        ASSERT_TRUE(stack->GetAction(0)->GetPropertyString(u"destfolder", value));
        EXPECT_EQ(value, u"/tmp/out");
        stack->GetAction(0)->SetPropertyString(u"destfolder", value);
        ASSERT_EQ(stack->SaveToFile(U(file)), RESULT_SUCCESS);
        if (round > 0) {
            EXPECT_EQ(ReadFile(file), saved);
        }
        saved = ReadFile(file);
    }
}
