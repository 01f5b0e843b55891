// The FTP action against a real FTP server (pyftpdlib on the loopback address), with a progress
// window that can answer "stop".

#include "PostProcessTestSupport.h"

#include "postprocess/ActionFtp.h"

#include <algorithm>

using namespace pptest;

namespace {

// The run's progress window, answering "stop" from the `stopAt`-th percent report on (0: never).
class StoppingWindow : public ProgressWindow {
public:
    StoppingWindow()
    {
        reply = [this](const ProgressReport& report) -> LRESULT {
            return report.total == 100 && stopAt > 0 && ++percentReports >= stopAt ? 0 : 1;
        };
    }

    int stopAt = 0;
    int percentReports = 0;
};

class Ftp : public ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        m_peers = &GetDeliveryPeers();
        ASSERT_TRUE(m_peers->Started());
        m_action = RefPtr<CActionFtp>::Adopt(new CActionFtp);
        m_action->SetPropertyString(u"ftphost", u"127.0.0.1");
        m_action->SetPropertyInt(u"ftpport", m_peers->ftpPort);
        m_action->SetPropertyString(u"username", u"uploader");
        m_action->SetPropertyString(u"kPropPassword", u"secret");
        m_action->SetPropertyInt(u"passiveftp", 1);
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_remote = m_peers->NewFtpFolder(name);
        m_action->SetPropertyString(u"destinationdir", U(m_remote));
    }

    fs::path Remote() const { return m_peers->FtpHome() / m_remote.substr(1); }

    // Runs the post-process pass of a stack holding the action (after `before`) over the targets,
    // with the window when given.
    int Run(const std::vector<RefPtr<CImageFileTarget>>& targets, CAction* before = nullptr, ProgressWindow* window = nullptr)
    {
        auto stack = StackFor(m_action.get(), targets, before);
        return stack->RunPostProcess(window ? window->Handle() : nullptr);
    }

    std::vector<RefPtr<CImageFileTarget>> Files(int count, std::size_t size = 300)
    {
        std::vector<RefPtr<CImageFileTarget>> targets;
        for (int i = 1; i <= count; ++i) {
            fs::path file = Root() / "out" / ("picture-" + std::to_string(i) + ".jpg");
            std::string bytes = "picture " + std::to_string(i) + "\n";
            bytes.resize(size, char('a' + i));
            WriteFile(file, bytes);
            targets.push_back(MakeTarget(Root() / "in" / file.filename(), file));
        }
        return targets;
    }


    const DeliveryPeers* m_peers = nullptr;
    RefPtr<CActionFtp> m_action;
    std::string m_remote;
};

TEST_F(Ftp, DefaultsAndValidationInOrder)
{
    auto fresh = RefPtr<CActionFtp>::Adopt(new CActionFtp);
    EXPECT_EQ(fresh->GetName(), u"FTP");
    EXPECT_EQ(fresh->GetTypeKey(), u"builtin_ftp");
    int port = 0, passive = -1;
    fresh->GetPropertyInt(u"ftpport", port);
    fresh->GetPropertyInt(u"passiveftp", passive);
    EXPECT_EQ(port, 21);
    EXPECT_EQ(passive, 0);
    std::vector<std::u16string> problems;
    EXPECT_FALSE(fresh->Validate(problems));
    EXPECT_EQ(problems,
        (std::vector<std::u16string> { u"No FTP username has been set", u"No FTP destination directory has been set",
            u"No FTP host has been set" }));
    problems.clear();
    EXPECT_TRUE(m_action->Validate(problems));
}

TEST_F(Ftp, CollectedOutputsAreUploadedOnTheGivenPortInEitherMode)
{
    for (int passive : { 1, 0 }) {
        SCOPED_TRACE(passive ? "passive" : "active");
        fs::remove_all(Remote());
        fs::create_directories(Remote());
        fs::remove(Root() / "vornalt.log");
        m_action->SetPropertyInt(u"passiveftp", passive);
        auto targets = Files(3);
        StoppingWindow window;
        ASSERT_EQ(Run(targets, nullptr, &window), 0);
        EXPECT_EQ(TreeFiles(Remote()), (std::vector<std::string> { "picture-1.jpg", "picture-2.jpg", "picture-3.jpg" }));
        EXPECT_EQ(ReadFile(Remote() / "picture-2.jpg"), ReadFile(Root() / "out" / "picture-2.jpg"));
        EXPECT_EQ(LogLines(), (std::vector<std::string> { "MESSAGE: FTP: FTPing all in-process actions output files" }));
        // "Attempting Connection" first; then each file's reports carry its own name.
        ASSERT_FALSE(window.reports.empty());
        EXPECT_EQ(window.reports[0].text, "Attempting Connection");
        EXPECT_EQ(window.reports[0].total, 0);
        std::vector<std::string> named;
        for (const ProgressReport& r : window.reports)
            if (r.total == 100 && (named.empty() || named.back() != r.text))
                named.push_back(r.text);
        EXPECT_EQ(named, (std::vector<std::string> { "picture-1.jpg", "picture-2.jpg", "picture-3.jpg" }));
    }
}

TEST_F(Ftp, APreviousFolderGoesUpAsATreeAndAPreviousFileAlone)
{
    WriteFile(Root() / "site" / "index.html", "page one");
    WriteFile(Root() / "site" / "index2.html", "page two");
    WriteFile(Root() / "site" / "thumbs" / "a.jpg", "thumb");
    WriteFile(Root() / "site" / "art" / "deep" / "moon.png", "moon");
    auto site = RefPtr<FixedOutputAction>::Adopt(new FixedOutputAction(U(Root() / "site") + u"/"));
    StoppingWindow window;
    ASSERT_EQ(Run(Files(2), site.get(), &window), 0);
    EXPECT_EQ(TreeFiles(Remote()), TreeFiles(Root() / "site"));
    EXPECT_EQ(ReadFile(Remote() / "art" / "deep" / "moon.png"), "moon");
    std::string folder = (Root() / "site").string() + "/";
    EXPECT_EQ(ActionLogLines(),
        (std::vector<std::string> { "MESSAGE: FTP: FTPing directory from previous Post-Process action: " + folder,
            "MESSAGE: FTP: Successul FTP of " + folder }));
    // A tree upload names its reports after the remote file being sent.
    int percentReports = 0;
    for (const ProgressReport& r : window.reports) {
        if (r.total != 100)
            continue;
        ++percentReports;
        EXPECT_EQ(r.text.rfind(m_remote + "/", 0), 0u) << r.text;
        EXPECT_TRUE(fs::is_regular_file(Remote() / r.text.substr(m_remote.size() + 1))) << r.text;
    }
    EXPECT_GT(percentReports, 0);

    fs::remove_all(Remote());
    fs::create_directories(Remote());
    fs::remove(Root() / "vornalt.log");
    WriteFile(Root() / "delivery" / "gallery.zip", std::string(5000, 'z'));
    auto zip = RefPtr<FixedOutputAction>::Adopt(new FixedOutputAction(U(Root() / "delivery" / "gallery.zip")));
    ASSERT_EQ(Run(Files(2), zip.get()), 0);
    EXPECT_EQ(TreeFiles(Remote()), (std::vector<std::string> { "gallery.zip" }));
    EXPECT_EQ(ReadFile(Remote() / "gallery.zip"), std::string(5000, 'z'));
    EXPECT_EQ(LogLines(),
        (std::vector<std::string> {
            "MESSAGE: FTP: FTPing file from previous Post-Process action: " + (Root() / "delivery" / "gallery.zip").string() }));
}

TEST_F(Ftp, FailuresGiveThirteenWithTheirLineAndUploadNothing)
{
    struct Case {
        const char* name;
        std::u16string user, password, folder;
        std::string line;
        std::string reply;
    };
    const std::string host = "127.0.0.1";
    const Case cases[] = {
        { "refused login", u"uploader", u"guessed", U(m_remote), "ERROR: FTP: Failed to connect to " + host + " because: ", "530 " },
        { "unknown user", u"nobody", u"secret", U(m_remote), "ERROR: FTP: Failed to connect to " + host + " because: ", "530 " },
        { "missing remote folder", u"uploader", u"secret", U(m_remote + "/missing"),
            "ERROR: FTP: Failed to change directory to " + m_remote + "/missing on host " + host + " because: ", "550 " },
        { "a line break in the folder", u"uploader", u"secret", U(m_remote + "\r\nMKD evil"),
            "ERROR: FTP: Failed to change directory to " + m_remote + "\\r\\nMKD evil on host " + host + " because: ", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(Root() / "vornalt.log");
        m_action->SetPropertyString(u"username", c.user);
        m_action->SetPropertyString(u"kPropPassword", c.password);
        m_action->SetPropertyString(u"destinationdir", c.folder);
        EXPECT_EQ(Run(Files(2)), 13);
        EXPECT_TRUE(TreeFiles(m_peers->FtpHome() / m_remote.substr(1)).empty());
        std::vector<std::string> lines = LogLines();
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0], "MESSAGE: FTP: FTPing all in-process actions output files");
        EXPECT_EQ(lines[1].rfind(c.line, 0), 0u) << lines[1];
        EXPECT_EQ(lines[1].find("guessed"), std::string::npos) << "the password reached the log";
        // The client's error text carries the server's refusal.
        EXPECT_NE(lines[1].find(c.reply), std::string::npos) << lines[1];
        EXPECT_FALSE(fs::exists(m_peers->FtpHome() / "evil"));
    }
}

TEST_F(Ftp, EveryCollectedFileIsTriedAndAMissingOneFailsTheAction)
{
    auto targets = Files(3);
    fs::remove(Root() / "out" / "picture-2.jpg");
    EXPECT_EQ(Run(targets), 13);
    EXPECT_EQ(TreeFiles(Remote()), (std::vector<std::string> { "picture-1.jpg", "picture-3.jpg" }));
    std::vector<std::string> lines = ActionLogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].rfind("ERROR: FTP: Failed to FTP " + (Root() / "out" / "picture-2.jpg").string() + " to 127.0.0.1 because: ", 0),
        0u)
        << lines[1];
}

TEST_F(Ftp, AStopFromTheProgressWindowEndsTheUploadAsAFailure)
{
    // Collected files: the first transfer is aborted and no later file is tried.
    StoppingWindow window;
    window.stopAt = 1;
    auto targets = Files(3, 3 << 20);
    EXPECT_EQ(Run(targets, nullptr, &window), 13);
    EXPECT_EQ(window.percentReports, 1);
    std::vector<std::string> remote = TreeFiles(Remote());
    EXPECT_TRUE(std::find(remote.begin(), remote.end(), "picture-2.jpg") == remote.end());
    EXPECT_TRUE(std::find(remote.begin(), remote.end(), "picture-3.jpg") == remote.end());
    std::vector<std::string> lines = ActionLogLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].rfind("ERROR: FTP: Failed to FTP " + (Root() / "out" / "picture-1.jpg").string(), 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "ERROR: FTP: Upload stopped by the user; 3 of 3 files were not uploaded");

    // A folder tree.
    fs::remove(Root() / "vornalt.log");
    WriteFile(Root() / "site" / "a.bin", std::string(3 << 20, 'a'));
    WriteFile(Root() / "site" / "b.bin", std::string(3 << 20, 'b'));
    auto site = RefPtr<FixedOutputAction>::Adopt(new FixedOutputAction(U(Root() / "site")));
    StoppingWindow stopping;
    stopping.stopAt = 1;
    EXPECT_EQ(Run(Files(1), site.get(), &stopping), 13);
    lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].rfind("ERROR: FTP: Failed to FTP " + (Root() / "site").string() + " to 127.0.0.1 because: ", 0), 0u)
        << lines[1];
}

}
