#pragma once
// Shared pieces of the engine tests: a scratch folder per test with the log file in it, real
// image files written through the imaging layer, a notify window on the test's thread that
// records the batch messages, and actions and targets that count their destruction.

#include "engine/Action.h"
#include "engine/ActionTarget.h"
#include "engine/LogFile.h"
#include "platform/base/RefCounted.h"
#include "platform/base/Unicode.h"
#include "platform/imaging/ImageBitmap.h"
#include "platform/imaging/ImageFile.h"
#include "platform/user/MessageQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace enginetest {

namespace fs = std::filesystem;

inline std::u16string U(const std::string& utf8) { return Utf8ToUtf16(utf8); }
inline std::u16string U(const fs::path& path) { return Utf8ToUtf16(path.string()); }
inline std::string N(std::u16string_view utf16) { return Utf16ToUtf8(utf16); }

class ScratchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "vornalt-engine-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_root = pattern;
        m_logPath = m_root / "vornalt.log";
        LogOpen(U(m_logPath));
    }
    void TearDown() override
    {
        LogClose();
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }

    fs::path Root() const { return m_root; }

    // The log's lines after the opening line, without their time stamps.
    std::vector<std::string> LogLines() const
    {
        std::ifstream in(m_logPath, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        std::string content = s.str();
        std::vector<std::string> out;
        std::size_t start = 0;
        for (;;) {
            std::size_t end = content.find("\r\n", start);
            if (end == std::string::npos)
                break;
            std::string line = content.substr(start, end - start);
            start = end + 2;
            std::size_t close = line.find(']');
            line = close == std::string::npos ? line : line.substr(close + 1);
            if (line != "Vornalt Log Opened")
                out.push_back(line);
        }
        return out;
    }

    static std::string ReadFile(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

private:
    fs::path m_root;
    fs::path m_logPath;
};

// A 24-bit bitmap filled with one colour (0x00BBGGRR).
inline std::unique_ptr<ImageBitmap> MakeBitmap(int width, int height, COLORREF color, int bitsPerPixel = 24)
{
    auto bitmap = std::make_unique<ImageBitmap>();
    EXPECT_EQ(CreateBitmap(bitmap.get(), width, height, bitsPerPixel, IMAGING_COLOR_ORDER_BGR, nullptr, 1), IMAGING_SUCCESS);
    EXPECT_EQ(FillBitmap(bitmap.get(), color), IMAGING_SUCCESS);
    return bitmap;
}

// The colour of one pixel as 0x00BBGGRR.
inline COLORREF PixelAt(const ImageBitmap& bitmap, int x, int y)
{
    const BYTE* p = bitmap.Row(y) + std::size_t(x) * bitmap.BytesPerPixel();
    if (bitmap.bitsPerPixel == 8)
        return RGB(p[0], p[0], p[0]);
    return RGB(p[2], p[1], p[0]);
}

inline void SetPixel(ImageBitmap& bitmap, int x, int y, COLORREF color)
{
    BYTE* p = bitmap.Row(y) + std::size_t(x) * bitmap.BytesPerPixel();
    p[0] = GetBValue(color);
    p[1] = GetGValue(color);
    p[2] = GetRValue(color);
}

inline void WriteImage(const fs::path& path, int width, int height, COLORREF color, int format)
{
    auto bitmap = MakeBitmap(width, height, color);
    ASSERT_EQ(SaveImageFile(path.string(), bitmap.get(), format, 24, format == IMAGE_FORMAT_PNG ? 0 : 2), IMAGING_SUCCESS)
        << path;
}

inline void WriteText(const fs::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// Objects that count their destruction, to prove every reference is released exactly once.
struct Lifetimes {
    std::atomic<int> targets { 0 };
    std::atomic<int> actions { 0 };
};

class CountedImageTarget : public CImageFileTarget {
public:
    CountedImageTarget(const std::u16string& path, Lifetimes* lifetimes)
        : CImageFileTarget(path)
        , m_lifetimes(lifetimes)
    {
    }

protected:
    ~CountedImageTarget() override
    {
        if (m_lifetimes)
            ++m_lifetimes->targets;
    }

private:
    Lifetimes* m_lifetimes;
};

// A post-process action under test control: its result, and what it saw.
class TestPostProcessAction : public CPostProcessAction {
public:
    explicit TestPostProcessAction(Lifetimes* lifetimes = nullptr, int result = 0)
        : m_lifetimes(lifetimes)
        , result(result)
    {
    }
    std::u16string GetTypeKey() const override { return u"test_postprocess"; }
    std::u16string GetName() const override { return u"Test Post"; }
    std::u16string GetDescription() const override { return u"collects"; }
    bool ShowPropertyDialog(int, HWND) override { return false; }
    int PostProcess() override
    {
        ++postProcessCalls;
        collectedAtPostProcess.clear();
        for (CFileTarget* target : GetCollected())
            collectedAtPostProcess.push_back(target->GetOutputOrSourcePath());
        return result;
    }

    Lifetimes* m_lifetimes;
    int result;
    int postProcessCalls = 0;
    std::vector<std::u16string> collectedAtPostProcess;

protected:
    ~TestPostProcessAction() override
    {
        if (m_lifetimes)
            ++m_lifetimes->actions;
    }
};

// An in-process action that records the targets it was run on.
class TestImageAction : public CActionImage {
public:
    explicit TestImageAction(Lifetimes* lifetimes = nullptr, int result = 0)
        : m_lifetimes(lifetimes)
        , result(result)
    {
    }
    std::u16string GetTypeKey() const override { return u"test__image"; }
    std::u16string GetName() const override { return u"Test Image"; }
    std::u16string GetDescription() const override { return u"records"; }
    bool ShowPropertyDialog(int, HWND) override { return false; }
    int Process(CActionTarget* target) override
    {
        seen.push_back(target);
        return result;
    }

    Lifetimes* m_lifetimes;
    int result;
    std::vector<CActionTarget*> seen;

protected:
    ~TestImageAction() override
    {
        if (m_lifetimes)
            ++m_lifetimes->actions;
    }
};

struct RecordedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::u16string progressText; // for 2224 and 2274
    int done = 0;
    int total = 0;
};

// A notify window owned by the creating thread. Replies 1 unless `reply` says otherwise; ends
// its modal loop at "batch ends".
class RecordingWindow {
public:
    using ReplyPolicy = std::function<LRESULT(const RecordedMessage& message, const std::vector<RecordedMessage>& before)>;

    RecordingWindow();
    ~RecordingWindow() { DestroyWindow(m_window); }
    RecordingWindow(const RecordingWindow&) = delete;
    RecordingWindow& operator=(const RecordingWindow&) = delete;

    HWND Handle() const { return m_window; }
    // Serves the window until "batch ends" (result 1) or the watchdog gives up (a failure).
    int RunUntilBatchEnds(std::chrono::seconds limit = std::chrono::seconds(60));

    std::vector<UINT> Numbers() const
    {
        std::vector<UINT> out;
        for (const RecordedMessage& m : messages)
            out.push_back(m.message);
        return out;
    }

    ReplyPolicy reply;
    std::vector<RecordedMessage> messages;
    std::thread::id servedOn;

private:
    HWND m_window = nullptr;
};

}
