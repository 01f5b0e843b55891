#include "PostProcessTestSupport.h"

#include "engine/BatchMessages.h"
#include "platform/imaging/ImageBitmap.h"
#include "platform/imaging/ImageFile.h"
#include "platform/user/MessageQueue.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace pptest {

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

void WriteImage(const fs::path& path, int width, int height, unsigned color)
{
    fs::create_directories(path.parent_path());
    ImageBitmap bitmap;
    ASSERT_EQ(CreateBitmap(&bitmap, width, height, 24, IMAGING_COLOR_ORDER_BGR, nullptr, 1), IMAGING_SUCCESS);
    ASSERT_EQ(FillBitmap(&bitmap, color), IMAGING_SUCCESS);
    bool png = path.extension() == ".png";
    ASSERT_EQ(SaveImageFile(path.string(), &bitmap, png ? IMAGE_FORMAT_PNG : IMAGE_FORMAT_JPEG, 24, png ? 0 : 2),
        IMAGING_SUCCESS)
        << path;
}

std::vector<std::string> ReadLogLines(const fs::path& log)
{
    std::string content = ReadFile(log);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find("\r\n", start);
        if (end == std::string::npos)
            end = content.size();
        std::string line = content.substr(start, end - start);
        start = end + 2;
        // "[MM/DD/YYYY HH:MM:SS]" is 21 characters.
        lines.push_back(line.size() >= 21 && line[0] == '[' ? line.substr(21) : line);
    }
    return lines;
}

std::vector<std::string> TreeFiles(const fs::path& folder)
{
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files.push_back(fs::relative(entry.path(), folder).string());
    std::sort(files.begin(), files.end());
    return files;
}

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

CommandResult RunCommand(const std::string& command)
{
    CommandResult result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << command;
        return result;
    }
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, got);
    int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

fs::path TestSourceFolder() { return fs::path(VORNALT_SOURCE_DIR) / "postprocess" / "tests"; }

void ScratchTest::SetUp()
{
    std::string pattern = (fs::temp_directory_path() / "vornalt-post-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_root = pattern;
    LogOpen(U(m_root / "vornalt.log"));
}

void ScratchTest::TearDown()
{
    LogClose();
    std::error_code ignored;
    fs::permissions(m_root, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(m_root, ignored);
}

std::vector<std::string> ScratchTest::ActionLogLines() const
{
    std::vector<std::string> lines = LogLines();
    if (!lines.empty() && lines.front() == "Vornalt Log Opened")
        lines.erase(lines.begin());
    return lines;
}

RefPtr<CImageFileTarget> MakeTarget(const fs::path& source, const fs::path& output)
{
    auto target = RefPtr<CImageFileTarget>::Adopt(new CImageFileTarget(U(source)));
    if (!output.empty()) {
        // Recording the output path is what a save does last; the bitmap is not needed for it.
        target->CFileTarget::SaveAs(U(output), 0, 0);
    }
    return target;
}

ProgressWindow::ProgressWindow()
{
    m_window = CreateMessageWindow([this](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == BATCH_MSG_POSTPROCESS_PROGRESS) {
            const auto* record = reinterpret_cast<const BatchProgressRecord*>(wParam);
            reports.push_back(ProgressReport { N(record->text), record->done, record->total });
            return reply ? reply(reports.back()) : 1;
        }
        if (message >= BATCH_MSG_TARGET_BEGINS && message <= BATCH_MSG_INPROCESS_PROGRESS)
            return 1;
        return DefWindowProc(window, message, wParam, lParam);
    });
}

ProgressWindow::~ProgressWindow() { DestroyWindow(m_window); }

RefPtr<CActionStack> StackFor(CPostProcessAction* action, const std::vector<RefPtr<CImageFileTarget>>& targets,
    CAction* before)
{
    auto stack = RefPtr<CActionStack>::Adopt(new CActionStack);
    if (before)
        stack->InsertAction(before, -1);
    stack->InsertAction(action, -1);
    action->PrepareForBatch();
    for (const auto& target : targets)
        action->Process(target.get());
    return stack;
}

namespace {

// The peers' process, stopped before its folder goes.
struct RunningPeers {
    PeerProcess process;
    fs::path folder;
    ~RunningPeers()
    {
        process.Stop();
        std::error_code ignored;
        if (!folder.empty())
            fs::remove_all(folder, ignored);
    }
};

}

int DeliveryPeers::MessageCount() const
{
    int n = 0;
    while (fs::exists(MailFolder() / ("msg-" + std::to_string(n + 1) + ".eml")))
        ++n;
    return n;
}

std::string DeliveryPeers::Message(int n) const { return ReadFile(MailFolder() / ("msg-" + std::to_string(n) + ".eml")); }

std::string DeliveryPeers::NewFtpFolder(const std::string& name) const
{
    std::string unique = name + "-" + std::to_string(::getpid());
    fs::remove_all(FtpHome() / unique);
    fs::create_directories(FtpHome() / unique);
    return "/" + unique;
}

const DeliveryPeers& GetDeliveryPeers()
{
    static DeliveryPeers peers;
    static RunningPeers running;
    static bool started = [] {
        std::string pattern = (fs::temp_directory_path() / "vornalt-peers-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            return false;
        peers.folder = pattern;
        running.folder = pattern;
        // A peer that goes away early must not end the test with a broken pipe.
        std::signal(SIGPIPE, SIG_IGN);
        if (!running.process.Start({ "/usr/bin/python3", (TestSourceFolder() / "delivery_peers.py").string(), pattern }))
            return false;
        peers.smtpPort = running.process.Port();
        std::string line = running.process.ReadLine();
        if (line.rfind("ftp ", 0) == 0)
            peers.ftpPort = std::atoi(line.c_str() + 4);
        return true;
    }();
    EXPECT_TRUE(started && peers.Started()) << "the SMTP and FTP peers did not start (python3-aiosmtpd, python3-pyftpdlib)";
    return peers;
}

std::vector<std::pair<std::string, std::string>> MessageAttachments(int n, const fs::path& scratch)
{
    const DeliveryPeers& peers = GetDeliveryPeers();
    fs::path out = scratch / ("attachments-" + std::to_string(n));
    fs::create_directories(out);
    std::string script = "import email, email.policy, os, sys\n"
                         "m = email.message_from_binary_file(open(sys.argv[1], 'rb'), policy=email.policy.default)\n"
                         "for i, part in enumerate(m.iter_attachments()):\n"
                         "    name = part.get_filename()\n"
                         "    open(os.path.join(sys.argv[2], str(i)), 'wb').write(part.get_content() if isinstance(part.get_content(), bytes) else part.get_payload(decode=True))\n"
                         "    print(name)\n";
    CommandResult listed = RunCommand("/usr/bin/python3 -c " + Quote(script) + " "
        + Quote((peers.MailFolder() / ("msg-" + std::to_string(n) + ".eml")).string()) + " " + Quote(out.string()));
    EXPECT_EQ(listed.exitCode, 0) << listed.output;
    std::vector<std::pair<std::string, std::string>> attachments;
    std::istringstream lines(listed.output);
    int i = 0;
    for (std::string line; std::getline(lines, line); ++i)
        attachments.emplace_back(line, ReadFile(out / std::to_string(i)));
    return attachments;
}

}
