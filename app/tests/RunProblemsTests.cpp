// Mistakes a user makes with the real program (a misspelt stack, a stray switch, two photos of
// one name, files that are no pictures) each get a line in the log and a failing exit code,
// while the run still does what it can.

#include "AppTestSupport.h"

#include "engine/ResultCodes.h"

#include <algorithm>

using namespace apptest;

namespace {

class RunProblems : public ProgramRunTest {
protected:
    void SetUp() override
    {
        ProgramRunTest::SetUp();
        m_photos = Root() / "photos";
        m_outputs = Root() / "out";
        fs::create_directories(m_photos);
        fs::create_directories(m_outputs);
        WriteImage(m_photos / "a.jpg", 160, 120, IMAGE_FORMAT_JPEG);
        WriteImage(m_photos / "b.png", 80, 60, IMAGE_FORMAT_PNG);
    }

    // A save-file action writing JPEGs named after their source into the outputs folder.
    std::string SaveAction() const
    {
        return "<action type=\"builtin__savefile\"><destfolder>" + m_outputs.string()
            + "</destfolder><filenametemplate>%o</filenametemplate><destfiletype>2</destfiletype></action>";
    }

    fs::path Stack(const std::string& text, const std::string& name = "my.stack")
    {
        fs::path stack = Root() / name;
        WriteFile(stack, text);
        return stack;
    }

    std::vector<std::string> Outputs() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_outputs))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static bool Has(const std::vector<std::string>& lines, const std::string& line)
    {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    static std::string Joined(const std::vector<std::string>& lines)
    {
        std::string out;
        for (const std::string& line : lines)
            out += line + "\n";
        return out;
    }
    static long Count(const std::vector<std::string>& lines, const std::string& prefix)
    {
        return std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
    }

    fs::path m_photos;
    fs::path m_outputs;
};

TEST_F(RunProblems, StackFileMistakesAreNamedAndFailTheRunAfterItsWork)
{
    const std::string resize = "<action type=\"builtin__resizeimage\"><width>40</width><aspectedge>width</aspectedge></action>";
    struct Case {
        const char* name;
        std::string text;
        std::string error; // after "ERROR: Stack: <path>"
        std::pair<long, long> outputSize;
    };
    const Case cases[] = {
        { "a misspelt action type",
            "<stack><action type=\"builtin__resizeimag\"><width>40</width></action>" + SaveAction() + "</stack>",
            ": action 1: no action has the type \"builtin__resizeimag\"; the action is left out", { 160, 120 } },
        { "a property the action does not have",
            "<stack><action type=\"builtin__resizeimage\"><Width>40</Width></action>" + SaveAction() + "</stack>",
            ": action 1 (builtin__resizeimage) has no property \"Width\"; it is ignored", { 300, 225 } },
        { "a choice the property does not offer",
            "<stack><action type=\"builtin__resizeimage\"><width>40</width><height>10</height><aspectedge>Width</aspectedge>"
            "</action>" + SaveAction() + "</stack>",
            ": action 1 (builtin__resizeimage): property aspectedge: \"Width\" is not one of width, height, none; the "
            "default \"width\" is kept",
            { 40, 30 } },
        { "a number that is not a number",
            "<stack><action type=\"builtin__resizeimage\"><width>4O</width></action>" + SaveAction() + "</stack>",
            ": action 1 (builtin__resizeimage): property width: \"4O\" is not a whole number; the default \"300\" is kept",
            { 300, 225 } },
        { "an output type there is not",
            "<stack>" + resize + "<action type=\"builtin__savefile\"><destfolder>" + m_outputs.string()
                + "</destfolder><filenametemplate>%o</filenametemplate><destfiletype>9</destfiletype></action></stack>",
            ": action 2 (builtin__savefile): property destfiletype: \"9\" is not one of 1, 2, 3, 4, 5; the default "
            "\"1\" is kept",
            { 40, 30 } },
        { "a missing end tag", "<stack>" + resize + SaveAction(), " is not well-formed XML: missing end tag of <stack>",
            { 40, 30 } },
        { "another top element", "<stacks>" + resize + SaveAction() + "</stacks>",
            ": the top element is <stacks>, not <stack>", { 40, 30 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(m_log);
        fs::remove_all(m_outputs);
        fs::create_directories(m_outputs);
        fs::path stack = Stack(c.text);
        ProgramResult run = Vornalt({ "-s", stack.string(), "-f", (m_photos / "a.jpg").string() });
        ASSERT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 1) << run.standardError;
        EXPECT_NE(run.standardError.find("1 files processed, 1 problems in the stack file"), std::string::npos)
            << run.standardError;
        std::vector<std::string> log = Log();
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log[1], "ERROR: Stack: " + stack.string() + c.error);
        EXPECT_EQ(Count(log, "ERROR: "), 1) << Joined(log);
        // What could run, ran.
        EXPECT_EQ(ImageSize(m_outputs / "a.jpg"), c.outputSize);
    }
}

TEST_F(RunProblems, AStackWhoseImageWorkIsNeverSavedIsWarnedAbout)
{
    const std::string resize = "<action type=\"builtin__resizeimage\"><width>40</width></action>";
    struct Case {
        const char* name;
        std::string actions;
        bool warned;
    };
    const Case cases[] = {
        { "no save at all", resize, true },
        { "a save before the last image action", SaveAction() + resize, true },
        { "a save at the end", resize + SaveAction(), false },
        { "only a save", SaveAction(), false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(m_log);
        fs::path stack = Stack("<stack>" + c.actions + "</stack>");
        ProgramResult run = Vornalt({ "-s", stack.string(), "-f", (m_photos / "a.jpg").string() });
        ASSERT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 0) << run.standardError;
        std::vector<std::string> log = Log();
        EXPECT_EQ(Has(log, "WARNING: CLI: Stack file " + stack.string()
                          + ": no Save File action follows the image actions; their results are not saved"),
            c.warned)
            << Joined(log);
    }
}

TEST_F(RunProblems, AFailedTargetSaysWhichActionFailedAndWhy)
{
    // "Original" as the output type, and a source whose name tells no type: the save fails
    // without a line of its own.
    fs::copy_file(m_photos / "a.jpg", m_photos / "scan.jpe");
    fs::path stack = Stack("<stack><action type=\"builtin__savefile\"><destfolder>" + m_outputs.string()
        + "</destfolder><filenametemplate>%o</filenametemplate><destfiletype>1</destfiletype></action></stack>");
    ProgramResult run = Vornalt({ "-s", stack.string(), "-f", (m_photos / "scan.jpe").string() });
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 1);
    ASSERT_FALSE(ErrorCodeText(RESULT_INVALID_FILE).empty());
    EXPECT_EQ(Log(), (std::vector<std::string> { "Vornalt Log Opened", "MESSAGE: Start: scan.jpe",
                         "MESSAGE: Performing In-Process Action: Save File",
                         "ERROR: CLI: Save File failed on scan.jpe: " + N(ErrorCodeText(RESULT_INVALID_FILE)) + " (2)",
                         "MESSAGE: Finish: scan.jpe", "MESSAGE: Start Post Processing",
                         "MESSAGE: Finished Post Processing", "Vornalt Log Closed" }));
}

TEST_F(RunProblems, StraySwitchesAndAbsolutePathsOnTheCommandLine)
{
    fs::path stack = Stack("<stack>" + SaveAction() + "</stack>");
    const std::string a = (m_photos / "a.jpg").string();
    const std::string b = (m_photos / "b.png").string();

    // A missing file at the top of the tree is a missing input, not a switch.
    ProgramResult missing = Vornalt({ "-s", stack.string(), "-f", "/vornalt-no-such-photo.jpg", a });
    ASSERT_FALSE(missing.timedOut);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.standardError.find("1 files processed, 1 inputs not found"), std::string::npos)
        << missing.standardError;
    std::vector<std::string> log = Log();
    EXPECT_TRUE(Has(log, "ERROR: CLI: Input not found: /vornalt-no-such-photo.jpg")) << Joined(log);
    EXPECT_EQ(Count(log, "ERROR: Unknown parameter"), 0) << Joined(log);

    // An unknown switch in the middle: the run is done, the exit code says something was wrong.
    fs::remove(m_log);
    fs::remove_all(m_outputs);
    fs::create_directories(m_outputs);
    ProgramResult verbose = Vornalt({ "-s", stack.string(), "-f", b, "--verbose", a });
    ASSERT_FALSE(verbose.timedOut);
    EXPECT_EQ(verbose.exitCode, 1);
    EXPECT_NE(verbose.standardError.find("usage: vornalt -s <file.stack>"), std::string::npos) << verbose.standardError;
    EXPECT_NE(verbose.standardError.find("2 files processed, 1 unknown parameters"), std::string::npos)
        << verbose.standardError;
    EXPECT_EQ(Outputs(), (std::vector<std::string> { "a.jpg", "b.jpg" }));
    EXPECT_TRUE(Has(Log(), "ERROR: Unknown parameter given on command-line: -verbose"));
}

TEST_F(RunProblems, TwoInputsNeverEndInOneFile)
{
    fs::create_directories(m_photos / "x");
    fs::create_directories(m_photos / "y");
    WriteImage(m_photos / "x" / "same.jpg", 64, 48, IMAGE_FORMAT_JPEG);
    WriteImage(m_photos / "y" / "same.jpg", 32, 24, IMAGE_FORMAT_JPEG);
    // Left by an earlier run: replaced as always.
    WriteFile(m_outputs / "same.jpg", "an old output");
    fs::path stack = Stack("<stack>" + SaveAction() + "</stack>");
    const std::string first = (m_photos / "x" / "same.jpg").string();
    const std::string second = (m_photos / "y" / "same.jpg").string();

    ProgramResult run = Vornalt({ "-s", stack.string(), "-f", first, second, (m_photos / "a.jpg").string() });
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.standardError.find("1 of 3 targets failed"), std::string::npos) << run.standardError;
    EXPECT_EQ(ImageSize(m_outputs / "same.jpg"), (std::pair<long, long> { 64, 48 }));
    EXPECT_EQ(Outputs(), (std::vector<std::string> { "a.jpg", "same.jpg" }));
    std::vector<std::string> log = Log();
    EXPECT_TRUE(Has(log, "ERROR: Save File: " + second + " is not saved: " + (m_outputs / "same.jpg").string()
                        + ", made from " + first + " in this run, has that name"))
        << Joined(log);
}

TEST_F(RunProblems, FilesNamedLikePicturesThatAreNoneAreSkippedAloud)
{
    WriteFile(m_photos / "letter.jpg", "Dear Sir,\n");
    WriteFile(m_photos / "empty.png", "");
    WriteFile(m_photos / "notes.txt", "not a picture, and not named like one");
    fs::path stack = Stack("<stack>" + SaveAction() + "</stack>");
    ProgramResult run = Vornalt({ "-s", stack.string(), "-d", m_photos.string() });
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0) << run.standardError;
    std::vector<std::string> log = Log();
    EXPECT_TRUE(Has(log, "WARNING: CLI: Skipped " + (m_photos / "letter.jpg").string() + ": not a picture")) << Joined(log);
    EXPECT_TRUE(Has(log, "WARNING: CLI: Skipped " + (m_photos / "empty.png").string() + ": not a picture")) << Joined(log);
    EXPECT_EQ(Count(log, "WARNING: "), 2) << Joined(log);
    EXPECT_EQ(Outputs(), (std::vector<std::string> { "a.jpg", "b.jpg" }));
}

TEST_F(RunProblems, AJpegCutShortIsProcessedWithTheDecodersWords)
{
    std::string bytes = ReadFile(m_photos / "a.jpg");
    ASSERT_GT(bytes.size(), 400u);
    WriteFile(m_photos / "a.jpg", bytes.substr(0, bytes.size() - 40));
    fs::path stack = Stack("<stack><action type=\"builtin__resizeimage\"><width>80</width></action>" + SaveAction() + "</stack>");
    ProgramResult run = Vornalt({ "-s", stack.string(), "-d", m_photos.string() });
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0) << run.standardError;
    std::vector<std::string> log = Log();
    EXPECT_TRUE(Has(log, "WARNING: Image " + (m_photos / "a.jpg").string()
                          + " is damaged; processed as far as it could be read: JPEG: Premature end of JPEG file"))
        << Joined(log);
    EXPECT_EQ(Count(log, "WARNING: "), 1) << Joined(log);
    EXPECT_EQ(ImageSize(m_outputs / "a.jpg"), (std::pair<long, long> { 80, 60 }));
    EXPECT_EQ(Outputs(), (std::vector<std::string> { "a.jpg", "b.jpg" }));
}

TEST_F(RunProblems, APathWithABackslashIsRefusedUnderBothSwitches)
{
    fs::path odd = m_photos / "holiday\\beach.jpg";
    fs::copy_file(m_photos / "a.jpg", odd);
    fs::path stack = Stack("<stack>" + SaveAction() + "</stack>");
    const std::string refused = "ERROR: CLI: Input refused: " + odd.string()
        + ": its path holds a backslash, which is not handled yet";
    for (const char* which : { "-f", "-d" }) {
        SCOPED_TRACE(which);
        fs::remove(m_log);
        fs::remove_all(m_outputs);
        fs::create_directories(m_outputs);
        std::vector<std::string> arguments { "-s", stack.string() };
        if (std::string(which) == "-f")
            arguments.insert(arguments.end(), { "-f", odd.string(), (m_photos / "a.jpg").string(), (m_photos / "b.png").string() });
        else
            arguments.insert(arguments.end(), { "-d", m_photos.string() });
        ProgramResult run = Vornalt(arguments);
        ASSERT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.standardError.find("2 files processed, 1 inputs refused"), std::string::npos) << run.standardError;
        EXPECT_TRUE(Has(Log(), refused)) << Joined(Log());
        EXPECT_EQ(Outputs(), (std::vector<std::string> { "a.jpg", "b.jpg" }));
    }
}

} // namespace

namespace {

// The standard output of a shell command.
std::string CommandOutput(const std::string& command)
{
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, got);
    ::pclose(pipe);
    return out;
}

std::vector<std::string> SortedLines(const std::string& text, const std::string& prefix = "")
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (line.rfind(prefix, 0) == 0)
            lines.push_back(line.substr(prefix.size()));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST_F(RunProblems, ZipNamesReadTheSameInEveryTool)
{
    const std::vector<std::string> names { "Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln.jpg", "caf\xC3\xA9.jpg",
        "\xE6\x97\xA5\xE6\x9C\xAC.jpg", "plain.jpg" };
    fs::create_directories(m_photos / "x");
    for (const std::string& name : names)
        WriteImage(m_photos / "x" / name, 16, 12, IMAGE_FORMAT_JPEG);
    fs::path zip = Root() / "Galerie f\xC3\xBCr Oma.zip";
    fs::path stack = Stack("<stack>" + SaveAction() + "<action type=\"builtin_zipall\"><zippath>" + zip.string()
        + "</zippath></action></stack>");
    ProgramResult run = Vornalt({ "-s", stack.string(), "-d", (m_photos / "x").string() });
    ASSERT_FALSE(run.timedOut);
    ASSERT_EQ(run.exitCode, 0) << run.standardError;

    std::vector<std::string> expected = names;
    std::sort(expected.begin(), expected.end());
    const std::string quoted = "'" + zip.string() + "'";
    EXPECT_EQ(SortedLines(CommandOutput("LC_ALL=C.UTF-8 unzip -Z1 " + quoted)), expected);
    EXPECT_EQ(SortedLines(CommandOutput("LC_ALL=C.UTF-8 7z l -ba -slt " + quoted), "Path = "), expected);
    EXPECT_EQ(SortedLines(CommandOutput("python3 -c 'import sys, zipfile; "
                                        "print(\"\\n\".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "
                              + quoted)),
        expected);
}

} // namespace
