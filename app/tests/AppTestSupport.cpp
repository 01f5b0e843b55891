#include "AppTestSupport.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace apptest {

void ScratchFolderTest::SetUp()
{
    std::string pattern = (fs::temp_directory_path() / "vornalt-app-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_root = pattern;
}

void ScratchFolderTest::TearDown()
{
    std::error_code ignored;
    fs::remove_all(m_root, ignored);
}

std::string ScratchFolderTest::ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void ScratchFolderTest::WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::vector<std::string> ScratchFolderTest::ReadLogLines(const fs::path& log)
{
    std::string content = ReadFile(log);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "log line without CR LF: " << content.substr(start);
            break;
        }
        std::string line = content.substr(start, end - start);
        start = end + 2;
        // "[MM/DD/YYYY HH:MM:SS]" is 21 characters.
        EXPECT_TRUE(line.size() >= 21 && line[0] == '[' && line[20] == ']') << line;
        lines.push_back(line.size() >= 21 ? line.substr(21) : line);
    }
    return lines;
}

void WriteImage(const fs::path& path, int width, int height, int format)
{
    ImageBitmap bitmap;
    ASSERT_EQ(CreateBitmap(&bitmap, width, height, 24, IMAGING_COLOR_ORDER_BGR, nullptr, 1), IMAGING_SUCCESS);
    ASSERT_EQ(FillBitmap(&bitmap, RGB(40, 120, 200)), IMAGING_SUCCESS);
    ASSERT_EQ(SaveImageFile(path.string(), &bitmap, format, 24, format == IMAGE_FORMAT_PNG ? 0 : 2), IMAGING_SUCCESS)
        << path;
}

std::pair<long, long> ImageSize(const fs::path& path)
{
    ImageBitmap bitmap;
    if (LoadImageFile(path.string(), &bitmap) != IMAGING_SUCCESS)
        return { 0, 0 };
    return { long(bitmap.width), long(bitmap.height) };
}

void WriteStackFile(const fs::path& path, const std::vector<ActionSettings>& actions)
{
    auto stack = RefPtr<CActionStack>::Adopt(new CActionStack);
    for (const ActionSettings& settings : actions) {
        auto action = RefPtr<CAction>::Adopt(CreateActionByType(settings.typeKey));
        ASSERT_TRUE(action) << N(settings.typeKey);
        for (const auto& [name, value] : settings.properties)
            action->SetPropertyString(name, value);
        stack->InsertAction(action.get(), -1);
    }
    ASSERT_EQ(stack->SaveToFile(U(path)), 0);
}

void RunWithWatchdog(const std::function<void()>& work, std::chrono::seconds limit)
{
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!done.wait_for(lock, limit, [&] { return finished; })) {
            std::fprintf(stderr, "watchdog: the run did not end within %lld s\n", (long long)limit.count());
            std::_Exit(99);
        }
    });
    work();
    {
        std::lock_guard lock(mutex);
        finished = true;
    }
    done.notify_all();
    watchdog.join();
}

ProgramResult RunProgram(const fs::path& program, const std::vector<std::string>& arguments,
    const fs::path& workingFolder, std::chrono::seconds limit)
{
    ProgramResult result;
    fs::path out = workingFolder / ".stdout";
    fs::path err = workingFolder / ".stderr";

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&files, workingFolder.c_str());

    std::vector<std::string> argvText { program.string() };
    argvText.insert(argvText.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : argvText)
        argv.push_back(text.data());
    argv.push_back(nullptr);

    pid_t child = 0;
    int spawned = posix_spawn(&child, program.c_str(), &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << program << ": " << spawned;
        return result;
    }

    auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (;;) {
        pid_t ended = ::waitpid(child, &status, WNOHANG);
        if (ended == child)
            break;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            result.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!result.timedOut && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    result.standardOutput = ScratchFolderTest::ReadFile(out);
    result.standardError = ScratchFolderTest::ReadFile(err);
    fs::remove(out);
    fs::remove(err);
    return result;
}

}
