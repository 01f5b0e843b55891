#include "app/update/DownloadUpdateDlg.h"
#include "app/update/UpdateCheck.h"

#include "app/tests/AppTestSupport.h"

#include "platform/controls/CommonControls.h"
#include "platform/framework/WinApp.h"
#include "platform/testkit/Finders.h"
#include "platform/testkit/Inject.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/IdleScript.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace apptest;

namespace {

// A local update server over a scratch folder; stopped with the test.
class UpdateServerTest : public ScratchFolderTest {
protected:
    void SetUp() override
    {
        ScratchFolderTest::SetUp();
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const std::string script = std::string(VORNALT_SOURCE_DIR) + "/app/tests/update_peer.py";
        const std::string root = Root().string();
        m_pid = fork();
        if (m_pid == 0) {
            dup2(fds[1], 1);
            close(fds[0]);
            close(fds[1]);
            execlp("python3", "python3", script.c_str(), root.c_str(), nullptr);
            _exit(127);
        }
        close(fds[1]);
        std::string line;
        char c;
        while (line.size() < 16 && read(fds[0], &c, 1) == 1 && c != '\n')
            line += c;
        close(fds[0]);
        m_port = std::atoi(line.c_str());
        ASSERT_GT(m_port, 0);
        SetUpdateServer("127.0.0.1", m_port);
        SetProgramVersionForTesting(0x00010002, 0x00030004); // 1.2.3.4
    }
    void TearDown() override
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
        SetProgramVersionForTesting(0x00010000, 0);
        ScratchFolderTest::TearDown();
    }
    void Serve(const std::string& path, const std::string& body) { WriteFile(Root() / path, body); }
    std::string Requests() const
    {
        std::error_code ec;
        return fs::exists(Root() / "requests.log", ec) ? ReadFile(Root() / "requests.log") : std::string();
    }

    pid_t m_pid = -1;
    int m_port = 0;
};

std::string Info(const char* major, const char* minor, const char* bugfix, const char* build,
    const char* extra = "")
{
    return std::string("<updateinfo><major>") + major + "</major><minor>" + minor + "</minor><bugfix>" + bugfix +
        "</bugfix><build>" + build + "</build>" + extra + "</updateinfo>";
}

} // namespace

TEST(UpdateVersionTest, ComparesFieldByFieldMostSignificantFirst)
{
    struct Case {
        UpdateInfo info;
        std::uint16_t expected;
    } cases[] = {
        { { { "major", "1" }, { "minor", "2" }, { "bugfix", "3" }, { "build", "5" } }, UPDATE_NEWER_BUILD },
        { { { "major", "1" }, { "minor", "3" } }, UPDATE_NEWER_MINOR },
        { { { "major", "0" }, { "minor", "9" } }, UPDATE_CURRENT },
        { { { "major", "2" } }, UPDATE_NEWER_MAJOR },
        { { { "major", "1" }, { "minor", "2" }, { "bugfix", "4" } }, UPDATE_NEWER_BUGFIX },
        { { { "major", "1" }, { "minor", "2" }, { "bugfix", "3" }, { "build", "4" } }, UPDATE_CURRENT },
        { { { "major", "1" }, { "minor", "1" }, { "bugfix", "9" }, { "build", "9" } }, UPDATE_CURRENT },
        { {}, UPDATE_CURRENT },
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompareWithRunningVersion(c.info, 0x00010002, 0x00030004), c.expected);
}

TEST(UpdateVersionTest, VersionTextHasFourParts)
{
    EXPECT_EQ(GetProgramVersionText(), "1.0.0.0");
}

TEST(UpdateVersionTest, NoCheckBeforeTheStoredDate)
{
    const double today = 46000.5;
    EXPECT_TRUE(UpdateCheckDue(0, today));           // never stored
    EXPECT_FALSE(UpdateCheckDue(today + 1, today));  // a day ahead
    EXPECT_TRUE(UpdateCheckDue(today, today));
    EXPECT_TRUE(UpdateCheckDue(today - 7, today));
}

TEST_F(UpdateServerTest, ANewerBuildOnTheServerIsFoundWithItsFields)
{
    Serve("vornalt_update.php", Info("1", "2", "3", "5", "<changes>Fixed &lt;things&gt;</changes>"));
    UpdateInfo info;
    EXPECT_EQ(CheckForUpdate(info), UPDATE_NEWER_BUILD);
    EXPECT_EQ(info["build"], "5");
    EXPECT_EQ(info["changes"], "Fixed <things>");
    EXPECT_EQ(Requests(), "/vornalt/update.php\n");
}

TEST_F(UpdateServerTest, AnEmptyAnswerIsCurrentAndAMissingOneMeansNoServer)
{
    UpdateInfo info;
    EXPECT_EQ(CheckForUpdate(info), UPDATE_NO_SERVER); // 404
    Serve("vornalt_update.php", "\r\n");
    EXPECT_EQ(CheckForUpdate(info), UPDATE_CURRENT);
}

TEST_F(UpdateServerTest, AServerThatIsNotThereMeansNoServer)
{
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
    UpdateInfo info;
    EXPECT_EQ(CheckForUpdate(info), UPDATE_NO_SERVER);
}

TEST_F(UpdateServerTest, TheInstallerIsDownloadedIntoATemporaryFolderAndNotMadeRunnable)
{
    Serve("files_setup.bin", std::string("MZ\0\1installer", 13));
    UpdateInfo info { { "major", "1" }, { "minor", "2" }, { "bugfix", "3" }, { "build", "5" },
        { "download", "/files/setup.bin" } };
    std::string path;
    EXPECT_EQ(DownloadUpdate(info, path), 200);
    ASSERT_FALSE(path.empty());
    const fs::path file(path);
    EXPECT_EQ(file.filename().string(), "VornaltSetup_1.2.3.5");
    EXPECT_EQ(file.parent_path().parent_path(), fs::temp_directory_path());
    EXPECT_EQ(ReadFile(file), std::string("MZ\0\1installer", 13));
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0111, 0u);
    fs::remove_all(file.parent_path());
}

TEST_F(UpdateServerTest, VersionFieldsThatAreNotNumbersOrAForeignLocationAreRefused)
{
    Serve("files_setup.bin", "x");
    const UpdateInfo cases[] = {
        { { "major", "%s%n" }, { "minor", "2" }, { "bugfix", "3" }, { "build", "5" }, { "download", "/files/setup.bin" } },
        { { "major", "1" }, { "minor", "../.." }, { "bugfix", "3" }, { "build", "5" }, { "download", "/files/setup.bin" } },
        { { "major", "1" }, { "minor", "2" }, { "bugfix", "3" }, { "build", "5" }, { "download", "http://elsewhere/x" } },
        { { "major", "1" }, { "minor", "2" }, { "bugfix", "3" }, { "build", "5" } },
    };
    for (const UpdateInfo& info : cases) {
        std::string path = "unchanged";
        EXPECT_EQ(DownloadUpdate(info, path), 0);
        EXPECT_TRUE(path.empty());
    }
    EXPECT_EQ(Requests(), "");
}

namespace {

// A main window that takes the worker's news.
class NewsWindow : public CWnd {
    DECLARE_MESSAGE_MAP()
public:
    NewsWindow()
    {
        CreateEx(0, AfxRegisterWndClass(0), u"News", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
    }
    ~NewsWindow() override
    {
        if (m_hWnd)
            DestroyWindow();
    }
    LRESULT OnUpdate(WPARAM, LPARAM info)
    {
        build = (*reinterpret_cast<UpdateInfo*>(info))["build"];
        return 0;
    }
    std::string build;
};

BEGIN_MESSAGE_MAP(NewsWindow, CWnd)
    ON_MESSAGE(WM_VORNALT_UPDATEAVAILABLE, &NewsWindow::OnUpdate)
END_MESSAGE_MAP()

class StartCheckTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        m_server.SetUp();
        SetProgramVersionForTesting(0x00010002, 0x00030004);
    }
    void TearDown() override
    {
        SetProgramVersionForTesting(0x00010000, 0);
        m_server.TearDown();
        DesktopTest::TearDown();
    }
    struct Server : UpdateServerTest {
        void SetUp() override { UpdateServerTest::SetUp(); }
        void TearDown() override { UpdateServerTest::TearDown(); }
        void TestBody() override { }
        using UpdateServerTest::Requests;
        using UpdateServerTest::Serve;
    } m_server;
};

} // namespace

TEST_F(StartCheckTest, NoRequestBeforeTheNextCheckDateAndTheNewsReachesTheMainWindowAfterIt)
{
    m_server.Serve("vornalt_update.php", Info("1", "2", "3", "7"));
    NewsWindow window;
    const double today = 46000.25;
    std::thread early = StartUpdateCheck(today + 1, today, window.m_hWnd);
    EXPECT_FALSE(early.joinable());
    EXPECT_EQ(m_server.Requests(), "");

    std::thread due = StartUpdateCheck(today - 0.5, today, window.m_hWnd);
    ASSERT_TRUE(due.joinable());
    Idle().SetWorkersMayWake(true);
    Idle().WaitUntil([&] {
        Pump();
        return !window.build.empty();
    });
    Idle().Then([] { ::PostQuitMessage(0); });
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&msg);
    due.join();
    EXPECT_EQ(window.build, "7");
    EXPECT_EQ(m_server.Requests(), "/vornalt/update.php\n");
}

TEST_F(StartCheckTest, TheDownloadBoxSavesTheInstallerAndIsClosableOnEveryPath)
{
    InitCommonControls();
    m_server.Serve("files_setup.bin", "package bytes");
    const UpdateInfo good { { "major", "1" }, { "minor", "2" }, { "bugfix", "3" }, { "build", "5" },
        { "download", "/files/setup.bin" } };
    const UpdateInfo noDownload { { "major", "1" }, { "minor", "2" }, { "bugfix", "3" }, { "build", "5" } };
    for (const UpdateInfo* info : { &good, &noDownload }) {
        CDownloadUpdateDlg dlg(info);
        Idle().Then([this] {
            HWND box = testkit::FindTopLevel({ nullptr, u"Download Update" });
            ASSERT_NE(box, nullptr);
            EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(box, IDCANCEL)));
            Clock().Advance(500);
        });
        // The clock moves to the timer; then Done is there to press.
        Idle().Then([info] {
            HWND box = testkit::FindTopLevel({ nullptr, u"Download Update" });
            ASSERT_NE(box, nullptr);
            HWND done = ::GetDlgItem(box, IDCANCEL);
            ASSERT_TRUE(::IsWindowEnabled(done));
            EXPECT_EQ(testkit::TextOf(::GetDlgItem(box, IDC_DOWNLOAD_STATE)),
                info->count("download") ? u"Done" : u"(Failed)");
            testkit::Click(testkit::Center(done));
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        if (info == &good) {
            ASSERT_FALSE(dlg.m_downloadedPath.empty());
            EXPECT_EQ(UpdateServerTest::ReadFile(dlg.m_downloadedPath), "package bytes");
            fs::remove_all(fs::path(dlg.m_downloadedPath).parent_path());
        } else {
            EXPECT_TRUE(dlg.m_downloadedPath.empty());
        }
    }
}
