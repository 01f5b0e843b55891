// The sign-in dialog against the fake service, on the headless desktop: its button walks the two
// steps through injected clicks; failures are told and keep the step.

#include "FlickrFake.h"

#include "platform/base/Unicode.h"
#include "platform/controls/CommonControls.h"
#include "platform/testkit/Desktop.h"
#include "platform/testkit/Finders.h"
#include "platform/testkit/Inject.h"
#include "platform/testkit/MessageBoxes.h"
#include "postprocess/flickr/FlickrAuthDlg.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace flickrtest;

namespace {

class FlickrAuthDlgTest : public testkit::DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        // The dialog's buttons and texts are the standard controls, which the program registers.
        InitCommonControls();
        ASSERT_GT(FakePort(), 0);
        ResetFake();
        const char* old = std::getenv(kFlickrEndpointVariable);
        m_hadEndpoint = old != nullptr;
        m_oldEndpoint = old ? old : "";
        setenv(kFlickrEndpointVariable, ("127.0.0.1:" + std::to_string(FakePort())).c_str(), 1);
        SetAuthorizationPageOpener([this](const std::u16string& address) {
            opened.push_back(Utf16ToUtf8(address));
            return approveInBrowser ? FetchAddress(opened.back()) == 200 : true;
        });
    }
    void TearDown() override
    {
        SetAuthorizationPageOpener(nullptr);
        if (m_hadEndpoint)
            setenv(kFlickrEndpointVariable, m_oldEndpoint.c_str(), 1);
        else
            unsetenv(kFlickrEndpointVariable);
        DesktopTest::TearDown();
    }

    static HWND Dialog() { return testkit::FindTopLevel({ nullptr, u"Dialog" }); }
    void PressOk()
    {
        Idle().Then([] {
            ASSERT_NE(Dialog(), nullptr);
            testkit::Click(testkit::Center(::GetDlgItem(Dialog(), IDOK)));
        });
    }
    void ExpectButton(const char16_t* text)
    {
        Idle().Then([text] { EXPECT_EQ(testkit::TextOf(::GetDlgItem(Dialog(), IDOK)), text); });
    }

    std::vector<std::string> opened;
    bool approveInBrowser = true;

private:
    bool m_hadEndpoint = false;
    std::string m_oldEndpoint;
};

} // namespace

TEST_F(FlickrAuthDlgTest, TwoPressesSignInAndFillTheAccount)
{
    ScriptFake({ { "fullname", "Pel & <Mar>" } });
    CFlickrAuthDlg dialog;
    ExpectButton(u"Authorize...");
    Idle().Then([] {
        // The explanation is in an 11-point bold face.
        LOGFONTW font {};
        HFONT used = reinterpret_cast<HFONT>(::SendMessageW(::GetDlgItem(Dialog(), IDC_FLICKR_AUTH_INTRO), WM_GETFONT, 0, 0));
        ASSERT_NE(used, nullptr);
        ::GetObjectW(used, sizeof(font), &font);
        EXPECT_EQ(font.lfWeight, FW_BOLD);
        EXPECT_EQ(font.lfHeight, -15); // 11 points at 96 pixels per inch
    });
    PressOk();
    ExpectButton(u"Complete Authorization...");
    PressOk();
    EXPECT_EQ(dialog.DoModal(), IDOK);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(dialog.m_account.authkey, u"");
    EXPECT_EQ(dialog.m_account.username, u"pelmar");
    EXPECT_EQ(dialog.m_account.fullname, u"Pel & <Mar>");
    EXPECT_EQ(dialog.m_account.nsid, u"12037949754@N01");

    // The account text keeps the names whole.
    CFlickrAccount stored;
    EXPECT_TRUE(stored.FromXml(dialog.m_account.ToXml()));
    EXPECT_EQ(stored.fullname, u"Pel & <Mar>");
    EXPECT_EQ(stored.authkey, dialog.m_account.authkey);
}

TEST_F(FlickrAuthDlgTest, AFailedTokenRequestKeepsTheSecondStepAndTheNextPressAsksAgainWithTheSameFrob)
{
    approveInBrowser = false; // the user has not approved yet
    testkit::MessageBoxRecorder boxes;
    boxes.AnswerNext(IDOK);
    CFlickrAuthDlg dialog;
    PressOk();
    PressOk();
    ExpectButton(u"Complete Authorization...");
    Idle().Then([this] {
        // Now the user approves in the browser and comes back.
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(FetchAddress(opened[0]), 200);
    });
    PressOk();
    EXPECT_EQ(dialog.DoModal(), IDOK);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text.substr(0, 74),
        u"There was an error trying to request the authorization token from Flickr: ");
    EXPECT_NE(dialog.m_account.authkey, u"");
    const std::vector<FakeRequest> calls = FakeRequestsTo("/services/rest/");
    int frobRequests = 0;
    std::vector<std::string> tokenFrobs;
    for (const FakeRequest& call : calls) {
        if (call.Param("method") == "flickr.auth.getFrob")
            ++frobRequests;
        if (call.Param("method") == "flickr.auth.getToken")
            tokenFrobs.push_back(call.Param("frob"));
    }
    EXPECT_EQ(frobRequests, 1);
    ASSERT_EQ(tokenFrobs.size(), 2u);
    EXPECT_EQ(tokenFrobs[0], tokenFrobs[1]);
}

TEST_F(FlickrAuthDlgTest, NoServiceIsToldAndCancelEndsWithoutAnAccount)
{
    setenv(kFlickrEndpointVariable, ("127.0.0.1:" + std::to_string(UnusedLoopbackPort())).c_str(), 1);
    testkit::MessageBoxRecorder boxes;
    boxes.AnswerNext(IDOK);
    CFlickrAuthDlg dialog;
    PressOk();
    ExpectButton(u"Authorize...");
    Idle().Then([] { testkit::Click(testkit::Center(::GetDlgItem(Dialog(), IDCANCEL))); });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text.substr(0, 56), u"There was an error trying to request a frob from Flickr:");
    EXPECT_EQ(dialog.m_account.authkey, u"");
    EXPECT_TRUE(opened.empty());
}
