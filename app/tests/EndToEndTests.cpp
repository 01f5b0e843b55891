// The real program, run as a child process on generated folders. Each test copies the program
// into its own folder: the log lives in the program folder, so runs never share one.

#include "AppTestSupport.h"

#include <cstdlib>

using namespace apptest;

namespace {

class EndToEnd : public ProgramRunTest {
protected:
    // Two JPEGs, a text file and a subfolder with a PNG.
    fs::path MakePhotos()
    {
        fs::path photos = Root() / "photos";
        fs::create_directories(photos / "more");
        WriteImage(photos / "a.jpg", 1600, 1200, IMAGE_FORMAT_JPEG);
        WriteImage(photos / "b.jpg", 1200, 1600, IMAGE_FORMAT_JPEG);
        WriteFile(photos / "readme.txt", "these are photographs\n");
        WriteImage(photos / "more" / "c.png", 800, 600, IMAGE_FORMAT_PNG);
        return photos;
    }

    fs::path ResizeAndSaveStack(const fs::path& outputs)
    {
        fs::create_directories(outputs);
        fs::path stack = Root() / "fit.stack";
        WriteStackFile(stack,
            { { u"builtin__resizeimage", { { u"width", u"1024" }, { u"aspectedge", u"width" } } },
                { u"builtin__savefile",
                    { { u"destfolder", U(outputs) }, { u"filenametemplate", u"%b-%o" }, { u"destfiletype", u"2" } } } });
        return stack;
    }
};

std::vector<std::string> targetLines(const std::string& name)
{
    return { "MESSAGE: Start: " + name, "MESSAGE: Performing In-Process Action: Resize",
        "MESSAGE: Performing In-Process Action: Save File", "MESSAGE: Finish: " + name };
}

TEST_F(EndToEnd, RunsAStackOverAFolder)
{
    fs::path photos = MakePhotos();
    fs::path outputs = Root() / "out";
    fs::path stack = ResizeAndSaveStack(outputs);

    ProgramResult run = Vornalt({ "-s", stack.string(), "-d", photos.string() });
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0) << run.standardError;
    EXPECT_EQ(run.standardError, "vornalt: 3 files processed; log in " + m_log.string() + "\n");

    struct Output {
        const char* name;
        long width;
        long height;
    };
    const Output expected[] = {
        { "1-a.jpg", 1024, 768 },
        { "2-b.jpg", 1024, 1365 }, // 1600 / 1200 x 1024, truncated
        { "3-c.jpg", 1024, 768 },
    };
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(outputs))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> { "1-a.jpg", "2-b.jpg", "3-c.jpg" }));
    for (const Output& o : expected) {
        SCOPED_TRACE(o.name);
        ImageFileInfo info;
        ASSERT_EQ(GetImageFileInfo((outputs / o.name).string(), &info), IMAGING_SUCCESS);
        EXPECT_EQ(info.format, IMAGE_FORMAT_JPEG);
        EXPECT_EQ(ImageSize(outputs / o.name), (std::pair<long, long> { o.width, o.height }));
    }

    std::vector<std::string> lines { "Vornalt Log Opened" };
    for (const char* name : { "a.jpg", "b.jpg", "c.png" })
        for (const std::string& line : targetLines(name))
            lines.push_back(line);
    lines.insert(lines.end(), { "MESSAGE: Start Post Processing", "MESSAGE: Finished Post Processing", "Vornalt Log Closed" });
    EXPECT_EQ(Log(), lines);
}

TEST_F(EndToEnd, AStackThatCannotBeOpenedEndsTheRunWithAnError)
{
    fs::path photos = MakePhotos();
    WriteFile(Root() / "corrupt.stack", std::string("\xff\xd8\xff\xe0 not xml at all", 19));
    WriteFile(Root() / "empty.stack", "");
    struct Case {
        const char* name;
        std::string stack;
        std::string reason;
    };
    const Case cases[] = {
        { "missing", (Root() / "gone.stack").string(), "Invvalid file given" },
        { "missing, relative to the working folder", "gone.stack", "Invvalid file given" },
        { "corrupt", (Root() / "corrupt.stack").string(), "Error parsing XML" },
        { "empty", (Root() / "empty.stack").string(), "Error parsing XML" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(m_log);
        fs::path stackPath = fs::path(c.stack).is_absolute() ? fs::path(c.stack) : Root() / c.stack;
        std::string before = ReadFile(stackPath);
        bool existed = fs::exists(stackPath);

        ProgramResult run = Vornalt({ "-s", c.stack, "-d", photos.string() });
        ASSERT_FALSE(run.timedOut) << "the process did not end by itself";
        EXPECT_NE(run.exitCode, 0);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.standardError.find("was not run"), std::string::npos) << run.standardError;
        EXPECT_EQ(Log(), (std::vector<std::string> { "Vornalt Log Opened",
                             "ERROR: CLI: Stack file " + c.stack + " could not be opened: " + c.reason,
                             "Vornalt Log Closed" }));
        EXPECT_EQ(fs::exists(stackPath), existed);
        EXPECT_EQ(ReadFile(stackPath), before);
    }
}

TEST_F(EndToEnd, AStackFileWithoutActionsRunsNothingAndFails)
{
    fs::path photos = MakePhotos();
    fs::path stack = Root() / "nothing.stack";
    const std::string file = "ERROR: Stack: " + stack.string();
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> problems; // the load's lines
    };
    const Case cases[] = {
        { "a page of another kind", "<html><head><title>Photos</title></head><body><p>Hello</p></body></html>\n",
            { file + ": the top element is <html>, not <stack>",
                file + ": element 1 <head> is not an action; it is left out",
                file + ": element 2 <body> is not an action; it is left out" } },
        { "a stack without actions", "<stack></stack>", {} },
        { "actions of no known type", "<stack><action type=\"someone__else\"/></stack>",
            { file + ": action 1: no action has the type \"someone__else\"; the action is left out" } },
        { "bytes with markup in them", std::string("\x01\x7f<a\x02\xfe>\x10zz</a>", 14),
            { file + " is not well-formed XML: text outside the top element" } },
        // The reader keeps the last top element.
        { "a second top element", "<stack><action type=\"builtin__sharpen\"/></stack><stack/>",
            { file + " is not well-formed XML: a second top element <stack>" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(m_log);
        WriteFile(stack, c.text);
        ProgramResult run = Vornalt({ "-s", stack.string(), "-d", photos.string() });
        ASSERT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.standardError.find("CLI: Stack file " + stack.string() + " holds no action"), std::string::npos)
            << run.standardError;
        std::vector<std::string> lines { "Vornalt Log Opened" };
        lines.insert(lines.end(), c.problems.begin(), c.problems.end());
        lines.insert(lines.end(), { "ERROR: CLI: Stack file " + stack.string() + " holds no action", "Vornalt Log Closed" });
        EXPECT_EQ(Log(), lines);
    }
}

TEST_F(EndToEnd, AMissingInputFailsTheRunAfterTheOthersAreDone)
{
    fs::path photos = MakePhotos();
    fs::path outputs = Root() / "out";
    fs::path stack = ResizeAndSaveStack(outputs);
    for (const char* which : { "-f", "-d" }) {
        SCOPED_TRACE(which);
        fs::remove(m_log);
        const fs::path missing = Root() / "gone";
        ProgramResult run = Vornalt({ "-s", stack.string(), which, missing.string(), "-f", (photos / "a.jpg").string() });
        ASSERT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.standardError.find("input not found: " + missing.string()), std::string::npos) << run.standardError;
        EXPECT_NE(run.standardError.find("1 files processed, 1 inputs not found"), std::string::npos) << run.standardError;
        EXPECT_TRUE(fs::exists(outputs / "1-a.jpg"));
        std::vector<std::string> log = Log();
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log[1], "ERROR: CLI: Input not found: " + missing.string());
        fs::remove_all(outputs);
        fs::create_directories(outputs);
    }
}

TEST_F(EndToEnd, AFailedTargetGivesANonZeroExitAndTheRestIsDone)
{
    fs::path photos = MakePhotos();
    fs::path outputs = Root() / "out";
    fs::path stack = ResizeAndSaveStack(outputs);
    // "-f" takes any existing file; the text file then fails in the engine.
    ProgramResult run = Vornalt({ "-s", stack.string(), "-f", (photos / "readme.txt").string(), (photos / "a.jpg").string() });
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.standardError.find("1 of 2 targets failed"), std::string::npos) << run.standardError;
    EXPECT_TRUE(fs::exists(outputs / "2-a.jpg"));
    std::vector<std::string> log = Log();
    ASSERT_GE(log.size(), 7u);
    EXPECT_EQ(log[1], "MESSAGE: Start: readme.txt");
    EXPECT_EQ(log[2].rfind("ERROR: Failed to load image " + (photos / "readme.txt").string(), 0), 0u) << log[2];
    EXPECT_EQ(log[3], "MESSAGE: Performing In-Process Action: Resize");
    EXPECT_EQ(log[4], "ERROR: CLI: Resize failed on readme.txt: Invvalid file given (2)");
    EXPECT_EQ(log[5], "MESSAGE: Finish: readme.txt");
    EXPECT_EQ(log[6], "MESSAGE: Start: a.jpg");
}

TEST_F(EndToEnd, WithoutAStackToRunItNeedsADisplayForItsWindow)
{
    fs::path photos = MakePhotos();
    fs::path stack = ResizeAndSaveStack(Root() / "out");
    // No display: the windowed start says so and fails; the command-line run needs none.
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display ? display : "";
    unsetenv("DISPLAY");
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        std::vector<std::string> errors;
    };
    const Case cases[] = {
        { "no arguments", {}, {} },
        { "a stack to open", { stack.string() }, {} },
        { "an unknown switch", { "-q", "-d", photos.string() }, { "ERROR: Unknown parameter given on command-line: q" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(m_log);
        ProgramResult run = Vornalt(c.arguments);
        ASSERT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.standardError.find("cannot open the X display"), std::string::npos) << run.standardError;
        EXPECT_EQ(run.standardError.find("usage: vornalt -s <file.stack>") != std::string::npos, !c.errors.empty())
            << run.standardError;
        std::vector<std::string> lines { "Vornalt Log Opened" };
        lines.insert(lines.end(), c.errors.begin(), c.errors.end());
        EXPECT_EQ(Log(), lines);
        EXPECT_TRUE(fs::is_empty(Root() / "out"));
    }
    ProgramResult run = Vornalt({ "-s", stack.string(), "-f", (photos / "a.jpg").string() });
    EXPECT_EQ(run.exitCode, 0) << run.standardError;
    EXPECT_FALSE(fs::is_empty(Root() / "out"));
    if (display)
        setenv("DISPLAY", saved.c_str(), 1);
}

} // namespace
