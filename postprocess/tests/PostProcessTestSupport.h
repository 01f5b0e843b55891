#pragma once
// Shared pieces of the post-process tests: a scratch folder per test with the log in it, real
// image files, targets and stacks as a batch leaves them, and child processes (the program, the
// Python checks, unzip and 7z) run through the shell.

#include "components/net/tests/NetTestSupport.h"
#include "engine/Action.h"
#include "engine/ActionStack.h"
#include "engine/ActionTarget.h"
#include "engine/LogFile.h"
#include "platform/base/RefCounted.h"
#include "platform/base/Unicode.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace pptest {

namespace fs = std::filesystem;

inline std::u16string U(const std::string& utf8) { return Utf8ToUtf16(utf8); }
inline std::u16string U(const fs::path& path) { return Utf8ToUtf16(path.string()); }
inline std::string N(std::u16string_view utf16) { return Utf16ToUtf8(utf16); }

std::string ReadFile(const fs::path& path);
void WriteFile(const fs::path& path, const std::string& bytes);
// A small JPEG or PNG (by extension) of one colour.
void WriteImage(const fs::path& path, int width, int height, unsigned color = 0x3080C0);
// The lines of a log file without their time stamps.
std::vector<std::string> ReadLogLines(const fs::path& log);
// Every file below the folder, relative to it, sorted.
std::vector<std::string> TreeFiles(const fs::path& folder);
// Single-quoted for the shell.
std::string Quote(const std::string& text);

struct CommandResult {
    int exitCode = -1;
    std::string output; // standard output and standard error together
};
CommandResult RunCommand(const std::string& command);

// The folder of this test's sources (scripts beside the tests).
fs::path TestSourceFolder();

class ScratchTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    fs::path Root() const { return m_root; }
    std::vector<std::string> LogLines() const { return ReadLogLines(m_root / "vornalt.log"); }
    // The log's lines after "Vornalt Log Opened".
    std::vector<std::string> ActionLogLines() const;

private:
    fs::path m_root;
};

// An image-file target whose source is `source` and, when `output` is not empty, whose output
// path is `output` (as a save would leave it).
RefPtr<CImageFileTarget> MakeTarget(const fs::path& source, const fs::path& output = fs::path());

// The SMTP and FTP servers of delivery_peers.py, started on first use in this process and stopped
// when it exits; `Started()` is false when they could not start (the test then fails).
struct DeliveryPeers {
    int smtpPort = 0;
    int ftpPort = 0;
    fs::path folder; // mail/ (msg-N.eml, wire.log), ftp/ (the FTP home), ftp.log
    bool Started() const { return smtpPort > 0 && ftpPort > 0; }
    fs::path MailFolder() const { return folder / "mail"; }
    fs::path FtpHome() const { return folder / "ftp"; }
    // The number of messages received so far, and message n (1-based) as received.
    int MessageCount() const;
    std::string Message(int n) const;
    // A new empty folder of the FTP home for one test; returns its remote path ("/name").
    std::string NewFtpFolder(const std::string& name) const;
};
const DeliveryPeers& GetDeliveryPeers();

// The attachments of message n of the peers as (file name, bytes), parsed by Python's e-mail
// package (written out below `scratch`).
std::vector<std::pair<std::string, std::string>> MessageAttachments(int n, const fs::path& scratch);

// An action whose output path is fixed: stands before the action under test.
class FixedOutputAction : public CPostProcessAction {
public:
    explicit FixedOutputAction(std::u16string path) : m_path(std::move(path)) { }
    std::u16string GetTypeKey() const override { return u"builtin_fixed"; }
    std::u16string GetName() const override { return u"Fixed"; }
    std::u16string GetDescription() const override { return u"Fixed"; }
    std::u16string GetOutputPath() const override { return m_path; }
    bool ShowPropertyDialog(int, HWND) override { return false; }
    int PostProcess() override { return 0; }

private:
    std::u16string m_path;
};

// A post-process progress report as the run's progress window received it.
struct ProgressReport {
    std::string text;
    int done = 0;
    int total = 0;
};

// The run's progress window, on this thread: records every post-process progress report and
// answers it with `reply` (1, go on, when not set); every other batch message is answered 1.
class ProgressWindow {
public:
    ProgressWindow();
    ~ProgressWindow();
    HWND Handle() const { return m_window; }

    std::vector<ProgressReport> reports;
    std::function<LRESULT(const ProgressReport&)> reply;

private:
    HWND m_window = nullptr;
};

// Puts the action into a new stack (after `before` when given) and hands it the targets, as a
// batch would.
RefPtr<CActionStack> StackFor(CPostProcessAction* action, const std::vector<RefPtr<CImageFileTarget>>& targets,
    CAction* before = nullptr);

}
