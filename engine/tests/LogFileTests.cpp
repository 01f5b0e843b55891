#include "engine/LogFile.h"

#include "platform/base/Time.h"
#include "platform/base/Unicode.h"
#include "resources/MessageBox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
class LogFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = fs::temp_directory_path() / ("vornalt_log_test_" + std::to_string(getpid()) + "_"
                       + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
        const char* old = std::getenv("XDG_STATE_HOME");
        m_hadState = old != nullptr;
        if (old)
            m_oldState = old;
        setenv("XDG_STATE_HOME", (m_folder / "state").c_str(), 1);
    }
    void TearDown() override
    {
        LogClose();
        SetSystemTimeSourceForTesting(nullptr);
        if (m_hadState)
            setenv("XDG_STATE_HOME", m_oldState.c_str(), 1);
        else
            unsetenv("XDG_STATE_HOME");
        fs::remove_all(m_folder);
    }
    static std::string read(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static std::vector<std::string> lines(const std::string& content)
    {
        std::vector<std::string> out;
        size_t start = 0;
        for (;;) {
            size_t end = content.find("\r\n", start);
            if (end == std::string::npos)
                break;
            out.push_back(content.substr(start, end - start));
            start = end + 2;
        }
        EXPECT_EQ(start, content.size()) << "content does not end with CR LF";
        return out;
    }
    fs::path m_folder;
    bool m_hadState = false;
    std::string m_oldState;
};

ULONGLONG ticksOf(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s)
{
    SYSTEMTIME st;
    st.wYear = y;
    st.wMonth = mo;
    st.wDay = d;
    st.wHour = h;
    st.wMinute = mi;
    st.wSecond = s;
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    return FileTimeToTicks(ft);
}
}

TEST_F(LogFileTest, ExactLineFormat)
{
    const char* oldZone = std::getenv("TZ");
    std::string savedZone = oldZone ? oldZone : "";
    setenv("TZ", "UTC0", 1);
    tzset();
    ULONGLONG when = ticksOf(2026, 12, 8, 22, 17, 8);
    SetSystemTimeSourceForTesting([&] { return when; });
    fs::path log = m_folder / "vornalt.log";
    LogOpen(Utf8ToUtf16(log.string()));
    LogError(u"%s: Failed to size bitmap: %d", u"Resize", 7);
    LogMessage(u"Start: %s", u"\u00E9t\u00E9 \U0001F600.jpg");
    LogMessage(u"two\nlines");
    LogClose();
    LogMessage(u"after close is dropped");
    if (oldZone)
        setenv("TZ", savedZone.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    EXPECT_EQ(read(log),
        "[12/08/2026 22:17:08]Vornalt Log Opened\r\n"
        "[12/08/2026 22:17:08]ERROR: Resize: Failed to size bitmap: 7\r\n"
        "[12/08/2026 22:17:08]MESSAGE: Start: \xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80.jpg\r\n"
        "[12/08/2026 22:17:08]MESSAGE: two\r\nlines\r\n"
        "[12/08/2026 22:17:08]Vornalt Log Closed\r\n");
}

TEST_F(LogFileTest, TwoThreadsWriteIntactLines)
{
    fs::path log = m_folder / "vornalt.log";
    LogOpen(Utf8ToUtf16(log.string()));
    auto writer = [](const char16_t* who) {
        for (int i = 0; i < 1000; ++i)
            LogMessage(u"%s line %d \u00FC\u00DF", who, i);
    };
    std::thread first(writer, u"first");
    std::thread second(writer, u"second");
    first.join();
    second.join();
    auto all = lines(read(log));
    ASSERT_EQ(all.size(), 2001u); // the opening line and 2,000 messages
    std::regex pattern(R"(\[\d\d/\d\d/\d{4} \d\d:\d\d:\d\d\]MESSAGE: (first|second) line (\d+) \xC3\xBC\xC3\x9F)");
    int nextFirst = 0, nextSecond = 0;
    for (size_t i = 1; i < all.size(); ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(all[i], m, pattern)) << all[i];
        int& expected = m[1] == "first" ? nextFirst : nextSecond;
        EXPECT_EQ(std::stoi(m[2]), expected);
        ++expected;
    }
    EXPECT_EQ(nextFirst, 1000);
    EXPECT_EQ(nextSecond, 1000);
}

TEST_F(LogFileTest, LongMessagesAreCutAt3999)
{
    fs::path log = m_folder / "vornalt.log";
    LogOpen(Utf8ToUtf16(log.string()));
    LogMessage(u"%s", std::u16string(5000, u'x'));
    LogErrorText(std::u16string(3998, u'a') + u"\U0001F600"); // the pair would straddle the cut
    auto all = lines(read(log));
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[1].substr(all[1].find("MESSAGE: ") + 9), std::string(3999, 'x'));
    EXPECT_EQ(all[2].substr(all[2].find("ERROR: ") + 7), std::string(3998, 'a'));
}

TEST_F(LogFileTest, UnwritableFolderFallsBackToStateFolder)
{
    // A path whose parent is a regular file cannot be written, even by root.
    fs::path blocker = m_folder / "not_a_folder";
    std::ofstream(blocker) << "x";
    fs::path log = blocker / "vornalt.log";
    LogOpen(Utf8ToUtf16(log.string()));
    std::thread([] { LogError(u"from %s", u"worker"); }).join();
    LogMessage(u"from main");
    fs::path fallback = m_folder / "state" / "vornalt" / "vornalt.log";
    EXPECT_EQ(LogFileInUse(), Utf8ToUtf16(fallback.string()));
    auto all = lines(read(fallback));
    ASSERT_EQ(all.size(), 3u);
    EXPECT_NE(all[0].find("]Vornalt Log Opened"), std::string::npos);
    EXPECT_NE(all[1].find("]ERROR: from worker"), std::string::npos);
    EXPECT_NE(all[2].find("]MESSAGE: from main"), std::string::npos);
}

TEST_F(LogFileTest, MessageBoxesCanBeRoutedToTheLog)
{
    fs::path log = m_folder / "vornalt.log";
    LogOpen(Utf8ToUtf16(log.string()));
    RouteMessageBoxesToLog();
    EXPECT_EQ(MessageBox(nullptr, u"The vornalt file could not be opened", u"vornalt", MB_OK), IDOK);
    SetMessageBoxTextSink(nullptr);
    auto all = lines(read(log));
    ASSERT_EQ(all.size(), 2u);
    EXPECT_NE(all[1].find("]MESSAGE: vornalt: The vornalt file could not be opened"), std::string::npos);
}

TEST_F(LogFileTest, ValuesCannotForgeLines)
{
    fs::path log = m_folder / "vornalt.log";
    LogOpen(Utf8ToUtf16(log.string()));
    const std::u16string forged = u"a.jpg\r\n[01/01/2020 00:00:00]ERROR: forged\u2028\t\x01";
    LogMessage(u"Start: %s", forged);
    LogError(u"%s | %s | %s | %d", std::string("b\nc"), "d\re", static_cast<const char16_t*>(nullptr), 5);
    LogClose();
    std::vector<std::string> written = lines(read(log));
    ASSERT_EQ(written.size(), 4u);
    EXPECT_EQ(written[1].substr(21),
        "MESSAGE: Start: a.jpg\\r\\n[01/01/2020 00:00:00]ERROR: forged\\u2028\\t\\x01");
    EXPECT_EQ(written[2].substr(21), "ERROR: b\\nc | d\\re | (null) | 5");
    EXPECT_EQ(EscapeLogValue(std::u16string_view(u"C:\\photos\\x.jpg")), u"C:\\photos\\x.jpg");
}
