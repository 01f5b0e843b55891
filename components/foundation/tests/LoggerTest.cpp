#include "components/foundation/Logger.h"

#include "components/foundation/ClsBase.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/XString.h"
#include "TestSupport.h"
#include "platform/base/ProcessInfo.h"

#include <fstream>
#include <sstream>
#include <thread>

using torvane::StringBuffer;

namespace {
std::string Render(Logger& log, char form)
{
    StringBuffer out("stale");
    if (form == 'T')
        log.RenderText(out);
    else if (form == 'X')
        log.RenderXml(out);
    else
        log.RenderHtml(out);
    return std::string(out.GetText(), size_t(out.GetLength()));
}

// Opens two nested contexts with entries of every kind.
void FillNested(Logger& log)
{
    log.EnterContext("WriteZip", true);
    log.LogData("DllDate", "Sep 19 2007");
    log.EnterContext("AddFile", true);
    log.LogDataInt(" file size ", 42);
    log.LogInfo("a<b");
    log.LeaveContext();
    log.LogError("Failed & stopped");
    log.LogRaw("raw\ttext");
    log.LeaveContext();
}
} // namespace

TEST(LoggerTest, NewLogRenders)
{
    Logger log;
    EXPECT_EQ(Render(log, 'T'), "TorvaneLog:\r\n");
    EXPECT_EQ(Render(log, 'X'), "<TorvaneLog>\r\n</TorvaneLog>\r\n");
    EXPECT_EQ(Render(log, 'H'), "TorvaneLog:<blockquote>\r\n</blockquote>\r\n");
}

TEST(LoggerTest, NestedContextsRenderByteExact)
{
    Logger log;
    FillNested(log);
    EXPECT_EQ(Render(log, 'T'),
        "TorvaneLog:\r\n"
        "  WriteZip:\r\n"
        "    DllDate: Sep 19 2007\r\n"
        "    AddFile:\r\n"
        "      file_size: 42\r\n"
        "      a<b\r\n"
        "    Failed & stopped\r\n"
        "    raw\ttext\r\n");
    EXPECT_EQ(Render(log, 'X'),
        "<TorvaneLog>\r\n"
        "<WriteZip>\r\n"
        "<DllDate>Sep 19 2007</DllDate>\r\n"
        "<AddFile>\r\n"
        "<file_size>42</file_size>\r\n"
        "<info><![CDATA[a<b]]></info>\r\n"
        "</AddFile>\r\n"
        "<error><![CDATA[Failed & stopped]]></error>\r\n"
        "raw\ttext\r\n"
        "</WriteZip>\r\n"
        "</TorvaneLog>\r\n");
    EXPECT_EQ(Render(log, 'H'),
        "TorvaneLog:<blockquote>\r\n"
        "WriteZip:<blockquote>\r\n"
        "DllDate: Sep 19 2007<br>\r\n"
        "AddFile:<blockquote>\r\n"
        "file_size: 42<br>\r\n"
        "a&lt;b<br>\r\n"
        "</blockquote>\r\n"
        "Failed &amp; stopped<br>\r\n"
        "raw\ttext<br>\r\n"
        "</blockquote>\r\n"
        "</blockquote>\r\n");
}

TEST(LoggerTest, TagsValuesAndNulls)
{
    Logger log;
    EXPECT_TRUE(log.LogData(" file name ", "x"));
    EXPECT_FALSE(log.LogData("  ", "x"));
    EXPECT_FALSE(log.LogData("tag", nullptr));
    EXPECT_FALSE(log.LogDataInt("", 1));
    EXPECT_TRUE(log.LogError(nullptr));
    EXPECT_TRUE(log.LogDataHex("hex", 255));
    EXPECT_TRUE(log.LogDataInt64("big", -1));
    EXPECT_TRUE(log.LogDataInt64("huge", 10000000000LL));
    EXPECT_EQ(Render(log, 'T'), "TorvaneLog:\r\n  file_name: x\r\n  hex: ff\r\n  big: -1\r\n  huge: 10000000000\r\n");
    log.LogTickCount("tick");
    log.LogTickCount(" ");
    EXPECT_NE(Render(log, 'T').find("  tick: "), std::string::npos);
}

TEST(LoggerTest, EmptyContextsArePrunedBelowTheRootOnly)
{
    Logger log;
    log.EnterContext("A", true);
    log.EnterContext("B", true);
    log.LeaveContext();
    log.LeaveContext();
    EXPECT_EQ(Render(log, 'T'), "TorvaneLog:\r\n  A:\r\n");
    log.LeaveContext(); // only the root is open: nothing changes
    EXPECT_EQ(Render(log, 'T'), "TorvaneLog:\r\n  A:\r\n");
    log.ClearLog();
    EXPECT_EQ(Render(log, 'T'), "TorvaneLog:\r\n");
}

TEST(LoggerTest, CdataRules)
{
    Logger log;
    log.LogError("a<b");
    log.LogData("v", "<![CDATA[x]]> & y");
    log.LogData("w", "a]]>b<c");
    log.LogData("plain", "text");
    EXPECT_EQ(Render(log, 'X'),
        "<TorvaneLog>\r\n"
        "<error><![CDATA[a<b]]></error>\r\n"
        "<v><![CDATA[x]]> & y</v>\r\n"
        "<w><![CDATA[a]]]]><![CDATA[>b<c]]></w>\r\n"
        "<plain>text</plain>\r\n"
        "</TorvaneLog>\r\n");
}

TEST(LoggerTest, QuotedPrintableAndSaveToFile)
{
    TempFolder folder;
    Logger log;
    log.LogDataQuotedPrintable("name", "caf\xE9=");
    LogDataQuotedPrintable(log, "other", "x");
    EXPECT_EQ(Render(log, 'T'), "TorvaneLog:\r\n  name: caf=E9=3D\r\n  other: x\r\n");
    std::string path = folder.PathOf("log.xml");
    EXPECT_TRUE(log.SaveToFile(nullptr, path.c_str()));
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    EXPECT_EQ(content.str(), Render(log, 'X'));
    EXPECT_FALSE(log.SaveToFile(nullptr, folder.PathOf("no/such/dir/log.xml").c_str()));
}

TEST(LoggerTest, SeveralThreadsWriteOneLog)
{
    Logger log;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&log, t] {
            for (int i = 0; i < 500; ++i)
                log.LogDataInt("n", t * 1000 + i);
        });
    }
    for (auto& thread : threads)
        thread.join();
    std::string text = Render(log, 'T');
    size_t lines = 0;
    for (char c : text)
        lines += c == '\n';
    EXPECT_EQ(lines, 1u + 2000u);
}

TEST(LogNullTest, AcceptsEverything)
{
    LogNull log;
    LogBase& base = log;
    EXPECT_TRUE(base.LogError("x"));
    EXPECT_TRUE(base.EnterContext("c", true));
    EXPECT_TRUE(base.LogData("t", "v"));
    StringBuffer out("kept");
    base.RenderText(out);
    EXPECT_STREQ(out.GetText(), "kept");
}

namespace {
class ApiObject : public ClsBase {
public:
    bool Work(const char* name)
    {
        BeginPublicCall(name, 0);
        m_log.LogInfo("working");
        EndPublicCall();
        return true;
    }
};
} // namespace

TEST(ClsBaseTest, ErrorLogTextDescribesTheLastCall)
{
    ApiObject object;
    XString text;
    object.GetErrorLogText(text, false);
    EXPECT_STREQ(text.GetUtf8(), "TorvaneLog:\r\n");

    object.Work("First");
    object.Work("Second");
    object.GetErrorLogText(text, true);
    std::string expected = "TorvaneLog:\r\n  Second:\r\n    DllDate: Sep 21 2007\r\n    Username: "
        + GetCurrentUserName() + "\r\n    Component: Visual C++ 8.0\r\n    working\r\n";
    EXPECT_EQ(std::string(text.GetUtf8()), expected);
}

TEST(ClsBaseTest, ComponentNames)
{
    struct Case {
        int code;
        const char* name;
    };
    const Case cases[] = { { 1, ".NET 1.*" }, { 2, ".NET 2.0" }, { 3, "ActiveX" }, { 264, ".NET 2.0 / x64" },
        { 7, "Visual C++ 8.0" }, { 0, "Visual C++ 8.0" } };
    for (const Case& c : cases) {
        ApiObject object;
        object.LogUserAndComponent(c.code);
        StringBuffer text;
        object.RenderLogText(text);
        EXPECT_TRUE(text.Contains((std::string("Component: ") + c.name + "\r\n").c_str())) << c.code;
    }
}
