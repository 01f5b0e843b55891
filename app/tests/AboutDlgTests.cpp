#include "app/update/UpdateCheck.h"
#include "app/windows/AboutDlg.h"

#include "platform/controls/CommonControls.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Finders.h"
#include "platform/testkit/Inject.h"
#include "platform/testkit/MessageBoxes.h"
#include "platform/testkit/PixelChecks.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class AboutDlgTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        InitCommonControls();
    }
    static HWND Box() { return testkit::FindTopLevel({ nullptr, u"Vornalt" }); }
    static std::string Golden(const char* name)
    {
        return std::string(VORNALT_SOURCE_DIR) + "/app/tests/goldens/" + name;
    }
};

} // namespace

TEST_F(AboutDlgTest, ShowsTheVersionLineAndTheLinkAndLooksRight)
{
    CAboutDlg dlg;
    Idle().Then([&] {
        HWND box = Box();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(testkit::TextOf(::GetDlgItem(box, IDC_ABOUT_VERSION)), u"Vornalt 1.0.0.0 (Built 02/29/2008)");
        EXPECT_EQ(std::u16string(dlg.m_link.GetUrl().GetString()), kVornaltWebPage);
        EXPECT_EQ(dlg.m_link.m_hWnd, ::GetDlgItem(box, IDC_ABOUT_LINK));
        EXPECT_TRUE(testkit::MatchesGolden(testkit::CaptureWindow(box), Golden("about_box.png")));
        testkit::Click(testkit::Center(::GetDlgItem(box, IDOK)));
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST_F(AboutDlgTest, CheckWithNoServerReportsIt)
{
    SetUpdateServer("127.0.0.1", 9); // discard port: nothing listens
    testkit::MessageBoxRecorder boxes;
    boxes.AnswerNext(IDOK);
    CAboutDlg dlg;
    Idle().Then([] { testkit::Click(testkit::Center(::GetDlgItem(Box(), IDC_ABOUT_CHECKUPDATES))); });
    Idle().Then([] {
        // The About box is still open after the message.
        ASSERT_NE(Box(), nullptr);
        ::SendMessageW(Box(), WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, u"The update server could not be contacted.  Make sure you have a connection to "
                                     u"the internet and try again.");
    SetUpdateServer("update.vornalt.example", 80);
}
