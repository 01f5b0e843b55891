#include "PostProcessTestSupport.h"

#include "postprocess/ActionZipAll.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

using namespace pptest;

namespace {

class ZipAll : public ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        m_action = RefPtr<CActionZipAll>::Adopt(new CActionZipAll);
        m_zip = Root() / "Output.zip";
        m_action->SetPropertyString(u"zippath", U(m_zip));
    }

    int Run(const std::vector<RefPtr<CImageFileTarget>>& targets, CAction* before = nullptr)
    {
        auto stack = StackFor(m_action.get(), targets, before);
        return m_action->PostProcess();
    }

    // The archive's entry names, sorted, as an independent reader sees them.
    std::vector<std::string> Entries(const fs::path& zip, const std::string& password = "")
    {
        std::string script = "import sys, zipfile\n"
                             "z = zipfile.ZipFile(sys.argv[1])\n"
                             "for n in sorted(z.namelist()): print(n)\n";
        CommandResult listed = RunCommand("python3 -c " + Quote(script) + " " + Quote(zip.string()));
        EXPECT_EQ(listed.exitCode, 0) << listed.output;
        std::vector<std::string> names;
        std::istringstream lines(listed.output);
        for (std::string line; std::getline(lines, line);)
            names.push_back(line);
        if (password.empty()) {
            CommandResult tested = RunCommand("unzip -t " + Quote(zip.string()));
            EXPECT_EQ(tested.exitCode, 0) << tested.output;
        }
        return names;
    }

    RefPtr<CActionZipAll> m_action;
    fs::path m_zip;
};

TEST_F(ZipAll, DefaultsAndValidation)
{
    EXPECT_EQ(m_action->GetName(), u"Zip");
    EXPECT_EQ(m_action->GetTypeKey(), u"builtin_zipall");
    std::vector<std::u16string> problems;
    EXPECT_TRUE(m_action->Validate(problems));
    m_action->SetPropertyString(u"zippath", u"");
    m_action->SetPropertyInt(u"password_protect", 1);
    EXPECT_FALSE(m_action->Validate(problems));
    EXPECT_EQ(problems, (std::vector<std::u16string> { u"There is no output zip file specified",
                            u"Password protection is enabled but no password is specified" }));
}

TEST_F(ZipAll, TheDefaultArchiveLiesDirectlyOnTheDesktop)
{
    const char* oldHome = std::getenv("HOME");
    std::string savedHome = oldHome ? oldHome : "";
    ::setenv("HOME", Root().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (Root() / "config").c_str(), 1);
    auto without = RefPtr<CActionZipAll>::Adopt(new CActionZipAll);
    std::u16string path;
    EXPECT_TRUE(without->GetPropertyString(u"zippath", path));
    EXPECT_EQ(path, u"");

    fs::create_directories(Root() / "Desktop");
    auto plain = RefPtr<CActionZipAll>::Adopt(new CActionZipAll);
    plain->GetPropertyString(u"zippath", path);
    EXPECT_EQ(path, U(Root() / "Desktop" / "Output.zip"));

    fs::create_directories(Root() / "Schreibtisch");
    WriteFile(Root() / "config" / "user-dirs.dirs", "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    auto named = RefPtr<CActionZipAll>::Adopt(new CActionZipAll);
    named->GetPropertyString(u"zippath", path);
    EXPECT_EQ(path, U(Root() / "Schreibtisch" / "Output.zip"));
    ::setenv("HOME", savedHome.c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
}

TEST_F(ZipAll, CollectedFilesAreZippedOneByOneAndAMissingOneIsSkipped)
{
    WriteFile(Root() / "out" / "a.jpg", "aaaa");
    WriteFile(Root() / "photos" / "b.png", "bbbb");
    WriteFile(Root() / "out" / "sub" / "c.jpg", "cccc");
    std::vector<RefPtr<CImageFileTarget>> targets {
        MakeTarget(Root() / "photos" / "a.jpg", Root() / "out" / "a.jpg"),
        MakeTarget(Root() / "photos" / "b.png"), // nothing saved it: its source is delivered
        MakeTarget(Root() / "photos" / "gone.jpg", Root() / "out" / "gone.jpg"),
        MakeTarget(Root() / "photos" / "c.jpg", Root() / "out" / "sub" / "c.jpg"),
    };
    EXPECT_EQ(Run(targets), 0);
    std::vector<std::string> lines = ActionLogLines();
    ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[0], "MESSAGE: Zip: Zipping all in-process action output files");
    EXPECT_EQ(lines[1], "ERROR: Zip: Failed to add " + (Root() / "out" / "gone.jpg").string()
            + " to zip file: The system cannot find the file specified.");
    EXPECT_EQ(Entries(m_zip), (std::vector<std::string> { "a.jpg", "b.png", "c.jpg" }));
    EXPECT_EQ(m_action->GetOutputPath(), U(m_zip));
}

TEST_F(ZipAll, APreviousFolderIsZippedWithItsSubFoldersAndAPreviousFileAlone)
{
    fs::path gallery = Root() / "gallery";
    WriteFile(gallery / "index.html", "<html>");
    WriteFile(gallery / "thumbs" / "a.jpg", "t");
    WriteFile(gallery / "images" / "a.jpg", "i");
    WriteFile(gallery / "art" / "deep" / "x.png", "x");
    auto folder = RefPtr<FixedOutputAction>::Adopt(new FixedOutputAction(U(gallery) + u"/"));
    WriteFile(Root() / "out" / "ignored.jpg", "not delivered");
    std::vector<RefPtr<CImageFileTarget>> targets { MakeTarget(Root() / "out" / "ignored.jpg") };
    EXPECT_EQ(Run(targets, folder.get()), 0);
    EXPECT_EQ(ActionLogLines(), (std::vector<std::string> { "MESSAGE: Zip: Zipping post-process action output directory "
                                    + gallery.string() + "/" }));
    std::vector<std::string> entries = Entries(m_zip);
    entries.erase(std::remove_if(entries.begin(), entries.end(), [](const std::string& n) { return n.back() == '/'; }),
        entries.end());
    EXPECT_EQ(entries, (std::vector<std::string> { "art/deep/x.png", "images/a.jpg", "index.html", "thumbs/a.jpg" }));

    fs::remove(Root() / "vornalt.log");
    fs::path archive = Root() / "first.zip";
    WriteFile(archive, ReadFile(m_zip));
    m_zip = Root() / "second.zip";
    m_action->SetPropertyString(u"zippath", U(m_zip));
    auto file = RefPtr<FixedOutputAction>::Adopt(new FixedOutputAction(U(archive)));
    EXPECT_EQ(Run(targets, file.get()), 0);
    EXPECT_EQ(ActionLogLines(), (std::vector<std::string> { "MESSAGE: Zip: Zipping post-process action output file " + archive.string() }));
    EXPECT_EQ(Entries(m_zip), (std::vector<std::string> { "first.zip" }));

    // A previous output that is gone from disk falls back to the collected targets.
    fs::remove(Root() / "vornalt.log");
    auto gone = RefPtr<FixedOutputAction>::Adopt(new FixedOutputAction(U(Root() / "gone")));
    EXPECT_EQ(Run(targets, gone.get()), 0);
    EXPECT_EQ(ActionLogLines(), (std::vector<std::string> { "MESSAGE: Zip: Zipping all in-process action output files" }));
    EXPECT_EQ(Entries(m_zip), (std::vector<std::string> { "ignored.jpg" }));
}

TEST_F(ZipAll, APasswordEncryptsEveryEntryAndNoPasswordIsNoProtection)
{
    WriteFile(Root() / "out" / "a.jpg", std::string(5000, 'a'));
    std::vector<RefPtr<CImageFileTarget>> targets { MakeTarget(Root() / "out" / "a.jpg") };
    m_action->SetPropertyInt(u"password_protect", 1);
    m_action->SetPropertyString(u"kPropPassword", u"s3cret \u00e9");
    EXPECT_EQ(Run(targets), 0);
    CommandResult right = RunCommand("7z t -p" + Quote("s3cret \xc3\xa9") + " " + Quote(m_zip.string()));
    EXPECT_EQ(right.exitCode, 0) << right.output;
    EXPECT_NE(right.output.find("Everything is Ok"), std::string::npos) << right.output;
    CommandResult wrong = RunCommand("7z t -pwrong " + Quote(m_zip.string()));
    EXPECT_NE(wrong.exitCode, 0) << wrong.output;

    // A stored password without protection asked for: a plain archive.
    m_action->SetPropertyInt(u"password_protect", 0);
    EXPECT_EQ(Run(targets), 0);
    EXPECT_EQ(Entries(m_zip), (std::vector<std::string> { "a.jpg" }));
    CommandResult plain = RunCommand("unzip -p " + Quote(m_zip.string()) + " a.jpg");
    EXPECT_EQ(plain.output, std::string(5000, 'a'));
}

TEST_F(ZipAll, FailuresGiveTheirCodesAndLeaveNoOutputPath)
{
    WriteFile(Root() / "out" / "a.jpg", "a");
    std::vector<RefPtr<CImageFileTarget>> targets { MakeTarget(Root() / "out" / "a.jpg") };
    WriteFile(Root() / "file", "a file where the archive's folder should be");
    std::string missingFolder = (Root() / "file" / "Output.zip").string();
    struct Case {
        const char* name;
        std::u16string zipPath;
        int protect;
        int code;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        { "no folder for the archive", U(missingFolder), 0, 10,
            { "MESSAGE: Zip: Zipping all in-process action output files", "ERROR: Zip: Failed to write final zip to " + missingFolder } },
        { "no archive path", u"", 0, 18, { "ERROR: Zip: Failed to create zip file " } },
        { "a folder as the archive", U(Root() / "out"), 0, 18, { "ERROR: Zip: Failed to create zip file " + (Root() / "out").string() } },
        { "protection without a password", U(m_zip), 1, 18,
            { "ERROR: Zip: Password protection is enabled but no password is specified",
                "ERROR: Zip: Failed to create zip file " + m_zip.string() } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(Root() / "vornalt.log");
        m_action->SetPropertyString(u"zippath", c.zipPath);
        m_action->SetPropertyInt(u"password_protect", c.protect);
        EXPECT_EQ(Run(targets), c.code);
        EXPECT_EQ(ActionLogLines(), c.lines);
        EXPECT_EQ(m_action->GetOutputPath(), u"");
        EXPECT_FALSE(fs::exists(m_zip));
    }
}

}
