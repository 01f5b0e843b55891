#include "toolkit/controls/HyperLink.h"

#include "platform/controls/CommonControls.h"
#include "platform/gdi/Gdi.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Inject.h"
#include "platform/testkit/MessageBoxes.h"
#include "platform/testkit/PixelChecks.h"
#include "platform/user/Cursors.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>

namespace {

class Parent : public CWnd {
public:
    Parent()
    {
        CreateEx(0, AfxRegisterWndClass(0, nullptr, ::GetSysColorBrush(COLOR_BTNFACE)), u"Links", WS_POPUP | WS_VISIBLE,
                 10, 10, 300, 100, nullptr, nullptr);
    }
    ~Parent() override
    {
        if (m_hWnd)
            DestroyWindow();
    }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        if (HIWORD(DWORD(wParam)) == STN_CLICKED)
            ++clicksSeen;
        return CWnd::OnCommand(wParam, lParam);
    }
    int clicksSeen = 0;
};

// A stand-in desktop opener first on the path; it writes down what it was given.
class FakeOpener {
public:
    explicit FakeOpener(bool present = true)
    {
        char pattern[] = "/tmp/vornalt-link-XXXXXX";
        m_folder = mkdtemp(pattern);
        m_record = m_folder + "/opened.txt";
        if (present) {
            std::ofstream opener(m_folder + "/xdg-open");
            opener << "#!/bin/sh\nprintf '%s\\n' \"$*\" > '" << m_record << ".part' && mv '" << m_record << ".part' '"
                   << m_record << "'\n";
        }
        chmod((m_folder + "/xdg-open").c_str(), 0755);
        m_path = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", present ? (m_folder + ":" + m_path).c_str() : m_folder.c_str(), 1);
    }
    ~FakeOpener()
    {
        setenv("PATH", m_path.c_str(), 1);
        std::filesystem::remove_all(m_folder);
    }
    // The opener runs on its own; its record comes when it is done.
    std::string Opened() const
    {
        for (int i = 0; i < 500; ++i) {
            std::ifstream in(m_record);
            std::stringstream text;
            text << in.rdbuf();
            if (!text.str().empty() && text.str().back() == '\n')
                return text.str();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return {};
    }

private:
    std::string m_folder, m_record, m_path;
};

class HyperLinkTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        InitCommonControls();
    }
    std::unique_ptr<CJQHyperLink> Make(Parent& parent, const WCHAR* text, DWORD align = SS_LEFT)
    {
        auto link = std::make_unique<CJQHyperLink>();
        EXPECT_TRUE(link->Create(text, WS_CHILD | WS_VISIBLE | align, { 10, 10, 290, 30 }, &parent, 200));
        Pump();
        return link;
    }
    // The link's text runs from x 0 (left-aligned); a point on its first letters.
    static POINT OnText(const CJQHyperLink& link) { return testkit::ClientPoint(link.m_hWnd, 4, 8); }
};

TEST_F(HyperLinkTest, AClickOpensTheWindowTextWithTheDesktopOpenerAndMarksTheLinkVisited)
{
    FakeOpener opener;
    Parent parent;
    auto link = Make(parent, u"http://127.0.0.1:9/page?a=1&b=2");
    EXPECT_EQ(link->GetUrl(), u"http://127.0.0.1:9/page?a=1&b=2");
    EXPECT_TRUE(link->GetStyle() & SS_NOTIFY);
    EXPECT_FALSE(link->IsVisited());
    testkit::Click(OnText(*link));
    Pump();
    EXPECT_EQ(opener.Opened(), "http://127.0.0.1:9/page?a=1&b=2\n");
    EXPECT_TRUE(link->IsVisited());
    EXPECT_EQ(parent.clicksSeen, 1); // a text link lets its parent see the click too
}

TEST_F(HyperLinkTest, OverItsTextTheLinkShowsTheHandCursorAndTheHoverColour)
{
    Parent parent;
    auto link = Make(parent, u"Hover here");
    link->SetUrl(u"http://127.0.0.1:9/");
    // Idle: the text in the link colour, underlined.
    testkit::Capture idle = testkit::CaptureClient(link->m_hWnd);
    int blue = 0;
    for (int x = 0; x < idle.width; ++x)
        for (int y = 0; y < idle.height; ++y)
            blue += idle.ColorAt(x, y) == RGB(0, 0, 255);
    EXPECT_GT(blue, 20);

    testkit::MoveTo(OnText(*link));
    Pump();
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));
    Clock().Advance(10);
    Pump();
    EXPECT_TRUE(link->IsHovering());
    ::UpdateWindow(link->m_hWnd);
    testkit::Capture hover = testkit::CaptureClient(link->m_hWnd);
    int red = 0;
    for (int x = 0; x < hover.width; ++x)
        for (int y = 0; y < hover.height; ++y)
            red += hover.ColorAt(x, y) == RGB(255, 0, 0);
    EXPECT_GT(red, 20);

    // Right of the text, still inside the control: not the hand, and the hover ends.
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    testkit::MoveTo(testkit::ClientPoint(link->m_hWnd, 250, 8));
    Pump();
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_ARROW));
    Clock().Advance(10);
    Pump();
    EXPECT_FALSE(link->IsHovering());
}

TEST_F(HyperLinkTest, ACentredLinkAnswersOnlyOverItsText)
{
    Parent parent;
    auto link = Make(parent, u"Centre", SS_CENTER);
    testkit::MoveTo(testkit::ClientPoint(link->m_hWnd, 140, 8));
    Pump();
    EXPECT_TRUE(link->IsCursorOverText());
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    testkit::MoveTo(testkit::ClientPoint(link->m_hWnd, 5, 8));
    Pump();
    EXPECT_FALSE(link->IsCursorOverText());
    EXPECT_NE(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));
}

TEST_F(HyperLinkTest, AFailedOpenIsReportedAndLeavesTheLinkUnvisited)
{
    FakeOpener none(false);
    testkit::MessageBoxRecorder boxes;
    boxes.AnswerNext(IDOK);
    Parent parent;
    auto link = Make(parent, u"http://127.0.0.1:9/");
    testkit::Click(OnText(*link));
    Pump();
    EXPECT_FALSE(link->IsVisited());
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, u"There is no application associated with the given file name extension.");
    EXPECT_EQ(boxes.Boxes()[0].type & MB_ICONMASK, MB_ICONEXCLAMATION);
}

TEST_F(HyperLinkTest, AnUnknownErrorCodeIsWrittenIntoItsText)
{
    testkit::MessageBoxRecorder boxes;
    boxes.AnswerNext(IDOK);
    boxes.AnswerNext(IDOK);
    Parent parent;
    auto link = Make(parent, u"x");
    link->ReportOpenError(1000);
    link->ReportOpenError(2);
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[0].text, u"An unknown error number 1000 occured.");
    EXPECT_EQ(boxes.Boxes()[1].text, u"The specified file was not found.");
}

TEST_F(HyperLinkTest, ABackColourIsPaintedBehindTheTextAndWithoutOneTheParentsBrushShows)
{
    Parent parent;
    auto link = Make(parent, u"Link");
    EXPECT_EQ(link->GetBackColor(), ::GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(testkit::ClientPixel(link->m_hWnd, 200, 10), ::GetSysColor(COLOR_BTNFACE));
    link->SetBackColor(RGB(200, 255, 200));
    EXPECT_EQ(testkit::ClientPixel(link->m_hWnd, 200, 10), RGB(200, 255, 200));
    link->SetUnderline(FALSE);
    LOGFONTW font {};
    ::GetObjectW(HGDIOBJ(link->SendMessage(WM_GETFONT)), sizeof font, &font);
    EXPECT_FALSE(font.lfUnderline);
}

} // namespace
