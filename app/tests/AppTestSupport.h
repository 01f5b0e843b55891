#pragma once
// Shared pieces of the application tests: a scratch folder per test, its log lines without time
// stamps, real image files, stack files written through the engine, a watchdog for runs that
// must end by themselves, and the real program run as a child process.

#include "engine/Action.h"
#include "engine/ActionRegistry.h"
#include "engine/ActionStack.h"
#include "platform/base/RefCounted.h"
#include "platform/base/Unicode.h"
#include "platform/imaging/ImageBitmap.h"
#include "platform/imaging/ImageFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace apptest {

namespace fs = std::filesystem;

inline std::u16string U(const std::string& utf8) { return Utf8ToUtf16(utf8); }
inline std::u16string U(const fs::path& path) { return Utf8ToUtf16(path.string()); }
inline std::string N(std::u16string_view utf16) { return Utf16ToUtf8(utf16); }

class ScratchFolderTest : public ::testing::Test {
public:
    // The lines of a log file, time stamps cut off ("[..]" at the start), CR LF checked.
    static std::vector<std::string> ReadLogLines(const fs::path& log);
    static std::string ReadFile(const fs::path& path);
    static void WriteFile(const fs::path& path, const std::string& bytes);

protected:
    void SetUp() override;
    void TearDown() override;
    fs::path Root() const { return m_root; }

private:
    fs::path m_root;
};

// A picture of one colour in the format (IMAGE_FORMAT_JPEG, IMAGE_FORMAT_PNG...).
void WriteImage(const fs::path& path, int width, int height, int format);
// Width and height of an image file as loaded; {0, 0} when it does not load.
std::pair<long, long> ImageSize(const fs::path& path);

// A stack file of the given actions, each with the given properties, in order.
struct ActionSettings {
    std::u16string typeKey;
    std::map<std::u16string, std::u16string> properties;
};
void WriteStackFile(const fs::path& path, const std::vector<ActionSettings>& actions);

// Runs `work` on this thread; when it has not returned after `limit`, the test process is ended
// with a message (a run that never ends would otherwise hang the suite).
void RunWithWatchdog(const std::function<void()>& work, std::chrono::seconds limit = std::chrono::seconds(60));

struct ProgramResult {
    int exitCode = -1;    // -1 when it did not end normally
    bool timedOut = false;
    std::string standardOutput;
    std::string standardError;
};

// Runs `program` with the arguments in `workingFolder`; kills it after `limit`.
ProgramResult RunProgram(const fs::path& program, const std::vector<std::string>& arguments,
    const fs::path& workingFolder, std::chrono::seconds limit = std::chrono::seconds(120));

#ifdef VORNALT_EXECUTABLE
// The real program, copied into the test's own folder: the log lives in the program folder, so
// runs never share one.
class ProgramRunTest : public ScratchFolderTest {
protected:
    void SetUp() override
    {
        ScratchFolderTest::SetUp();
        fs::create_directories(Root() / "program");
        m_program = Root() / "program" / "vornalt";
        fs::copy_file(VORNALT_EXECUTABLE, m_program);
        m_log = Root() / "program" / "vornalt.log";
    }

    ProgramResult Vornalt(const std::vector<std::string>& arguments) { return RunProgram(m_program, arguments, Root()); }
    std::vector<std::string> Log() { return ReadLogLines(m_log); }

    fs::path m_program;
    fs::path m_log;
};
#endif

}
