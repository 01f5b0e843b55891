#include "AppTestSupport.h"

#include "app/CommandLineInfo.h"
#include "engine/LogFile.h"

using namespace apptest;

namespace {

class CommandLine : public ScratchFolderTest {
protected:
    void SetUp() override
    {
        ScratchFolderTest::SetUp();
        WriteFile(Root() / "my.stack", "<stack/>");
        WriteFile(Root() / "other.stack", "<stack/>");
        WriteImage(Root() / "a.jpg", 4, 3, IMAGE_FORMAT_JPEG);
        WriteImage(Root() / "b.jpg", 4, 3, IMAGE_FORMAT_JPEG);
        fs::create_directories(Root() / "photos" / "deeper");
        WriteImage(Root() / "photos" / "one.jpg", 4, 3, IMAGE_FORMAT_JPEG);
        WriteImage(Root() / "photos" / "deeper" / "two.png", 4, 3, IMAGE_FORMAT_PNG);
        WriteFile(Root() / "photos" / "notes.txt", "not a picture");
        LogOpen(U(Root() / "test.log"));
    }
    void TearDown() override
    {
        LogClose();
        ScratchFolderTest::TearDown();
    }

    // "@" at the start of an argument stands for the scratch folder.
    std::u16string Expand(const std::string& text) const
    {
        if (!text.empty() && text[0] == '@')
            return U((Root() / text.substr(1)).string());
        return U(text);
    }

    std::vector<std::string> Errors()
    {
        std::vector<std::string> out;
        for (const std::string& line : ReadLogLines(Root() / "test.log"))
            if (line.rfind("ERROR: ", 0) == 0)
                out.push_back(line);
        return out;
    }
};

TEST_F(CommandLine, ParsesSwitchesAndPlainParametersAsTheyCome)
{
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        std::string stack;
        int showMainWindow;
        std::vector<std::string> targets;
        std::vector<std::string> errors;
    };
    const std::string unknown = "ERROR: Unknown parameter given on command-line: ";
    const std::string notFound = "ERROR: CLI: Input not found: ";
    const Case cases[] = {
        { "nothing", {}, "", 1, {}, {} },
        { "a stack alone opens in the window", { "@my.stack" }, "@my.stack", 1, {}, {} },
        { "s with a stack runs it", { "-s", "@my.stack" }, "@my.stack", 0, {}, {} },
        { "S in capitals is unknown", { "-S", "@my.stack" }, "@my.stack", 1, {}, { unknown + "S" } },
        { "x is unknown, then plain", { "-x", "@my.stack" }, "@my.stack", 1, {}, { unknown + "x" } },
        { "plain path that is not there", { "-x", "@gone.stack" }, "", 1, {}, { unknown + "x", unknown + "@gone.stack" } },
        { "s with a missing stack still asks for the run", { "-s", "@gone.stack" }, "@gone.stack", 0, {}, {} },
        { "f adds files, missing ones dropped and logged", { "-f", "@a.jpg", "@gone.jpg", "@b.jpg" }, "", 1, { "@a.jpg", "@b.jpg" },
            { notFound + "@gone.jpg" } },
        { "d walks a folder for images", { "-d", "@photos" }, "", 1, { "@photos/deeper/two.png", "@photos/one.jpg" }, {} },
        { "d with a missing folder", { "-d", "@nowhere" }, "", 1, {}, { notFound + "@nowhere" } },
        { "switches stay in force",
            { "-f", "@a.jpg", "@b.jpg", "-d", "@photos", "-s", "@my.stack" }, "@my.stack", 0,
            { "@a.jpg", "@b.jpg", "@photos/deeper/two.png", "@photos/one.jpg" }, {} },
        { "the last stack path wins", { "-s", "@my.stack", "-s", "@other.stack" }, "@other.stack", 0, {}, {} },
        { "an unknown switch leaves the one in force", { "-s", "@my.stack", "-f", "@a.jpg", "--verbose", "@b.jpg" },
            "@my.stack", 0, { "@a.jpg", "@b.jpg" }, { unknown + "-verbose" } },
        { "a missing absolute path after f is a missing input", { "-f", "/vornalt-no-such-photo.jpg", "/s", "@my.stack" },
            "@my.stack", 0, {}, { notFound + "/vornalt-no-such-photo.jpg" } },
        { "a lone dash is an unknown switch", { "-", "@my.stack" }, "@my.stack", 1, {}, { unknown } },
        { "slash and a name that is no path is a switch", { "/s", "@my.stack" }, "@my.stack", 0, {}, {} },
        { "an unknown slash switch", { "/definitely-not-a-path-here" }, "", 1, {}, { unknown + "definitely-not-a-path-here" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogOpen(U(Root() / "test.log"));
        fs::remove(Root() / "test.log");
        std::vector<std::u16string> arguments;
        for (const std::string& a : c.arguments)
            arguments.push_back(Expand(a));
        CVornaltCommandLineInfo info;
        ParseCommandLine(info, arguments);

        EXPECT_EQ(N(info.m_strStackFile), N(Expand(c.stack)));
        EXPECT_EQ(info.m_bShowMainWindow, c.showMainWindow);
        std::vector<std::string> targets;
        for (const std::u16string& t : info.m_targetFiles)
            targets.push_back(N(t));
        std::vector<std::string> expectedTargets;
        for (const std::string& t : c.targets)
            expectedTargets.push_back(N(Expand(t)));
        EXPECT_EQ(targets, expectedTargets);
        std::vector<std::string> expectedErrors;
        for (const std::string& e : c.errors) {
            std::size_t at = e.find('@');
            expectedErrors.push_back(at == std::string::npos ? e : e.substr(0, at) + N(Expand(e.substr(at))));
        }
        EXPECT_EQ(Errors(), expectedErrors);
    }
}

TEST_F(CommandLine, AbsolutePathsAreNeverTakenForSwitches)
{
    struct Case {
        std::string argument;
        bool isSwitch;
    };
    const Case cases[] = {
        { "-s", true },
        { "-", true },
        { "-my.stack", true },
        { (Root() / "my.stack").string(), false },   // an existing file
        { (Root() / "photos").string(), false },     // an existing folder
        { (Root() / "photos/").string(), false },
        { "/s", true },                              // nothing of that name at the top
        { (Root() / "gone.stack").string(), false }, // names nothing, but a switch has no '/' inside
        { "/gone-switch", true },
        { "my.stack", false },
        { "", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument);
        EXPECT_EQ(IsCommandLineSwitch(U(c.argument)), c.isSwitch);
    }
    // After "f" or "d" only the switches there are end the list of inputs.
    for (const char16_t* inForce : { u"f", u"d", u"D" }) {
        EXPECT_FALSE(IsCommandLineSwitch(u"/gone-photo.jpg", inForce));
        EXPECT_FALSE(IsCommandLineSwitch(u"/x", inForce));
        EXPECT_TRUE(IsCommandLineSwitch(u"/s", inForce));
        EXPECT_TRUE(IsCommandLineSwitch(u"/d", inForce));
        EXPECT_TRUE(IsCommandLineSwitch(u"-x", inForce));
    }
    EXPECT_TRUE(IsCommandLineSwitch(u"/gone-switch", u"s"));
}

} // namespace
