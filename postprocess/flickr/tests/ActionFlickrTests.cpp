// The upload action: settings, result codes, what reaches the fake service, progress and cancel.

#include "FlickrFake.h"

#include "engine/ActionRegistry.h"
#include "postprocess/PostProcessActions.h"
#include "postprocess/PostProcessDialogs.h"
#include "postprocess/flickr/ActionFlickr.h"
#include "postprocess/flickr/FlickrClient.h"
#include "postprocess/tests/PostProcessTestSupport.h"
#include "resources/MessageBox.h"

#include <cstdlib>
#include <functional>

using namespace flickrtest;
using namespace pptest;

namespace {

class ActionFlickrTest : public ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        ASSERT_GT(FakePort(), 0);
        ResetFake();
        std::string endpoint = "127.0.0.1:" + std::to_string(FakePort());
        setenv(kFlickrEndpointVariable, endpoint.c_str(), 1);
        m_action = RefPtr<CActionFlickr>::Adopt(new CActionFlickr);
        m_action->SetPropertyString(u"flickr_authkey", U(std::string(kPresetToken)));
    }
    void TearDown() override
    {
        unsetenv(kFlickrEndpointVariable);
        ScratchTest::TearDown();
    }

    std::vector<RefPtr<CImageFileTarget>> Photos(const std::vector<std::string>& names)
    {
        std::vector<RefPtr<CImageFileTarget>> targets;
        for (const std::string& name : names) {
            WriteImage(Root() / name, 32, 24);
            targets.push_back(MakeTarget(Root() / name));
        }
        return targets;
    }

    // Runs the stack's post-process pass with a progress window on this thread that records the
    // progress reports and answers them with `reply` (1 when not set).
    int RunWithProgress(CActionStack& stack, std::function<LRESULT(const ProgressReport&)> reply = nullptr)
    {
        ProgressWindow window;
        window.reply = std::move(reply);
        int result = stack.RunPostProcess(window.Handle());
        progress = window.reports;
        return result;
    }

    RefPtr<CActionFlickr> m_action;
    std::vector<ProgressReport> progress;
};

class RecordingDialog : public PostProcessPropertyDialogs {
public:
    int RunFlickrDialog(FlickrDialogValues& values) override
    {
        seen = values;
        values = answer;
        return result;
    }
    FlickrDialogValues seen;
    FlickrDialogValues answer;
    int result = IDOK;
};

}

TEST_F(ActionFlickrTest, SettingsDefaultsValidationAndTheDialogRoundTrip)
{
    RegisterPostProcessActions();
    auto created = RefPtr<CAction>::Adopt(CreateActionByType(u"builtin_flickr"));
    ASSERT_TRUE(dynamic_cast<CActionFlickr*>(created.get()));
    EXPECT_EQ(created->GetName(), u"Flickr Upload");
    std::vector<std::u16string> problems;
    EXPECT_FALSE(created->Validate(problems));
    EXPECT_EQ(problems, (std::vector<std::u16string> { u"No Flickr account to upload into has been setup" }));
    std::u16string text;
    int number = -1;
    ASSERT_TRUE(created->GetPropertyString(u"flickr_tags", text));
    EXPECT_EQ(text, u"");
    for (const char16_t* name : { u"flickr_contenttype", u"flickr_globalsearch", u"flickr_viewpublic",
             u"flickr_viewfriends", u"flickr_viewfamily" }) {
        ASSERT_TRUE(created->GetPropertyInt(name, number));
        EXPECT_EQ(number, 1);
    }
    problems.clear();
    EXPECT_TRUE(m_action->Validate(problems));
    EXPECT_TRUE(problems.empty());

    RecordingDialog dialog;
    dialog.answer = FlickrDialogValues { u"other-key", u"a b", 3, 0, 0, 1, 0 };
    PostProcessPropertyDialogs* previous = SetPostProcessPropertyDialogs(&dialog);
    EXPECT_TRUE(m_action->ShowPropertyDialog(TARGET_TYPE_IMAGE_FILE, nullptr));
    EXPECT_EQ(dialog.seen.authKey, U(std::string(kPresetToken)));
    EXPECT_EQ(dialog.seen.contentType, 1);
    m_action->GetPropertyString(u"flickr_authkey", text);
    EXPECT_EQ(text, u"other-key");
    m_action->GetPropertyInt(u"flickr_contenttype", number);
    EXPECT_EQ(number, 3);
    m_action->GetPropertyInt(u"flickr_globalsearch", number);
    EXPECT_EQ(number, 0);
    dialog.result = IDCANCEL;
    dialog.answer.authKey = u"ignored";
    EXPECT_FALSE(m_action->ShowPropertyDialog(TARGET_TYPE_IMAGE_FILE, nullptr));
    m_action->GetPropertyString(u"flickr_authkey", text);
    EXPECT_EQ(text, u"other-key");
    SetPostProcessPropertyDialogs(previous);
}

TEST_F(ActionFlickrTest, ThreeUploadsWithTheSecondRefusedTryEveryFileAndGive19)
{
    struct Case {
        const char* refusal;
        std::string line; // after the file name
        std::vector<std::string> reply; // the lines about the reply
    };
    for (const Case& c : { Case { "500", " to Flickr due to error #6",
                               { "ERROR: Flickr Upload: HTTP/1.1 500 Internal Server Error: scripted server error" } },
             Case { "refuse", " to Flickr due to error #5: Filetype was not recognised", {} } }) {
        ResetFake();
        fs::remove(Root() / "vornalt.log");
        ScriptFake({ { "upload", std::string("ok,") + c.refusal + ",ok" } });
        auto targets = Photos({ "one.jpg", "two.jpg", "three.jpg" });
        auto stack = StackFor(m_action.get(), targets);
        EXPECT_EQ(m_action->PostProcess(), 19) << c.refusal;
        std::vector<FakeRequest> uploads = FakeRequestsTo("/services/upload");
        ASSERT_EQ(uploads.size(), 3u);
        std::vector<std::string> sent;
        for (const FakeRequest& upload : uploads) {
            EXPECT_EQ(upload.signature, "ok");
            ASSERT_EQ(upload.files.size(), 1u);
            sent.push_back(upload.files[0].fileName);
        }
        EXPECT_EQ(sent, (std::vector<std::string> { "one.jpg", "two.jpg", "three.jpg" }));
        std::string root = Root().string();
        std::vector<std::string> expected { "MESSAGE: Uploaded file " + root + "/one.jpg to Flickr",
            "ERROR: Unable to upload file " + root + "/two.jpg" + c.line };
        expected.insert(expected.end(), c.reply.begin(), c.reply.end());
        expected.push_back("MESSAGE: Uploaded file " + root + "/three.jpg to Flickr");
        EXPECT_EQ(LogLines(), expected);
    }
}

TEST_F(ActionFlickrTest, SettingsBecomeTheUploadFieldsAndGlobalSearchOffHidesThePhoto)
{
    m_action->SetPropertyString(u"flickr_tags", u"holiday \"sea side\" 2026");
    m_action->SetPropertyInt(u"flickr_contenttype", 3);
    m_action->SetPropertyInt(u"flickr_viewpublic", 0);
    m_action->SetPropertyInt(u"flickr_viewfriends", 1);
    m_action->SetPropertyInt(u"flickr_viewfamily", 0);
    for (int globalSearch : { 0, 1 }) {
        ResetFake();
        m_action->SetPropertyInt(u"flickr_globalsearch", globalSearch);
        auto targets = Photos({ "p.jpg" });
        auto stack = StackFor(m_action.get(), targets);
        ASSERT_EQ(m_action->PostProcess(), 0);
        std::vector<FakeRequest> uploads = FakeRequestsTo("/services/upload");
        ASSERT_EQ(uploads.size(), 1u);
        EXPECT_EQ(uploads[0].Param("hidden"), globalSearch == 0 ? "1" : "0");
        EXPECT_EQ(uploads[0].Param("tags"), "holiday \"sea side\" 2026");
        EXPECT_EQ(uploads[0].Param("content_type"), "3");
        EXPECT_EQ(uploads[0].Param("is_public"), "0");
        EXPECT_EQ(uploads[0].Param("is_friend"), "1");
        EXPECT_EQ(uploads[0].Param("is_family"), "0");
        EXPECT_EQ(uploads[0].Param("auth_token"), kPresetToken);
    }
}

TEST_F(ActionFlickrTest, NothingIsSentWithoutAKeyWithoutTargetsOrInAPreview)
{
    auto targets = Photos({ "a.jpg" });
    m_action->SetPropertyString(u"flickr_authkey", u"");
    auto stack = StackFor(m_action.get(), targets);
    EXPECT_EQ(m_action->PostProcess(), 20);

    m_action->SetPropertyString(u"flickr_authkey", U(std::string(kPresetToken)));
    auto empty = StackFor(m_action.get(), {});
    EXPECT_EQ(m_action->PostProcess(), 0);

    auto preview = RefPtr<CActionStack>::Adopt(new CActionStack);
    preview->InsertAction(m_action.get(), -1);
    m_action->PrepareForBatch();
    preview->RunInProcess(true, nullptr, targets[0].get());
    ASSERT_EQ(m_action->GetCollected().size(), 1u);
    EXPECT_EQ(m_action->PostProcess(), 0);

    EXPECT_TRUE(FakeRequests().empty());
    EXPECT_TRUE(ActionLogLines().empty());
}

TEST_F(ActionFlickrTest, ProgressCountsTheFilesAndACancelStopsTheUploads)
{
    auto targets = Photos({ "first.jpg", "second.jpg", "third.jpg" });
    auto stack = StackFor(m_action.get(), targets);
    EXPECT_EQ(RunWithProgress(*stack), 0);
    ASSERT_EQ(progress.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(progress[i].done, i + 1);
        EXPECT_EQ(progress[i].total, 3);
    }
    EXPECT_EQ(progress[0].text, "Uploading first.jpg");
    EXPECT_EQ(progress[2].text, "Uploading third.jpg");
    EXPECT_EQ(FakeRequestsTo("/services/upload").size(), 3u);

    // The user cancels at the second report: the second and third photos stay private.
    ResetFake();
    progress.clear();
    fs::remove(Root() / "vornalt.log");
    stack = StackFor(m_action.get(), targets);
    EXPECT_EQ(RunWithProgress(*stack, [](const ProgressReport& p) { return p.done == 2 ? 0 : 1; }), 19);
    EXPECT_EQ(progress.size(), 2u);
    std::vector<FakeRequest> uploads = FakeRequestsTo("/services/upload");
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0].files.at(0).fileName, "first.jpg");
    EXPECT_EQ(LogLines(), (std::vector<std::string> { "MESSAGE: Uploaded file " + (Root() / "first.jpg").string() + " to Flickr",
                              "ERROR: Flickr Upload: Cancelled, 2 of 3 files not uploaded" }));
}
