// The real program, run as a child process against the fake service: a stack that resizes and
// saves photographs and uploads what it saved. The program is copied into the test's folder (the
// log lives beside it).

#include "FlickrFake.h"

#include "engine/ActionRegistry.h"
#include "engine/ActionStack.h"
#include "postprocess/PostProcessActions.h"
#include "postprocess/flickr/FlickrClient.h"
#include "postprocess/tests/PostProcessTestSupport.h"

#include <algorithm>

using namespace flickrtest;
using namespace pptest;

namespace {

class FlickrEndToEnd : public ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        ASSERT_GT(FakePort(), 0);
        ResetFake();
        RegisterPostProcessActions();
        m_program = Root() / "program" / "vornalt";
        fs::create_directories(m_program.parent_path());
        fs::copy_file(fs::path(VORNALT_EXECUTABLE), m_program);
        fs::create_directories(Root() / "out");
    }

    fs::path WriteStack()
    {
        auto stack = RefPtr<CActionStack>::Adopt(new CActionStack);
        auto add = [&](const char16_t* type, std::vector<std::pair<std::u16string, std::u16string>> properties) {
            auto action = RefPtr<CAction>::Adopt(CreateActionByType(type));
            ASSERT_TRUE(action);
            for (const auto& [name, value] : properties)
                action->SetPropertyString(name, value);
            stack->InsertAction(action.get(), -1);
        };
        add(u"builtin__resizeimage", { { u"width", u"120" }, { u"aspectedge", u"width" } });
        add(u"builtin__savefile", { { u"destfolder", U(Root() / "out") }, { u"filenametemplate", u"small-%o" },
                                      { u"destfiletype", u"2" } });
        add(u"builtin_flickr", { { u"flickr_authkey", U(std::string(kPresetToken)) }, { u"flickr_tags", u"vornalt test" },
                                   { u"flickr_globalsearch", u"0" } });
        fs::path path = Root() / "upload.stack";
        EXPECT_EQ(stack->SaveToFile(U(path)), 0);
        return path;
    }

    // The program's standard output alone (its summary goes to standard error).
    CommandResult Vornalt(const fs::path& stack, const std::vector<fs::path>& photos)
    {
        fs::remove(m_program.parent_path() / "vornalt.log");
        std::string command = "cd " + Quote(Root().string()) + " && { " + kFlickrEndpointVariable + "=127.0.0.1:"
            + std::to_string(FakePort()) + " " + Quote(m_program.string()) + " -s " + Quote(stack.string()) + " -f";
        for (const fs::path& photo : photos)
            command += " " + Quote(photo.string());
        return RunCommand(command + " 2>/dev/null; }");
    }

    std::vector<std::string> PostProcessLog()
    {
        std::vector<std::string> lines = ReadLogLines(m_program.parent_path() / "vornalt.log");
        auto start = std::find(lines.begin(), lines.end(), "MESSAGE: Start Post Processing");
        return std::vector<std::string>(start, lines.end());
    }

    fs::path m_program;
};

}

TEST_F(FlickrEndToEnd, TheProgramUploadsWhatItSavedAndReportsARefusal)
{
    std::vector<fs::path> photos;
    for (const char* name : { "alpha.jpg", "beta.png", "gamma.jpg" }) {
        photos.push_back(Root() / "photos" / name);
        WriteImage(photos.back(), 320, 240);
    }
    fs::path stack = WriteStack();
    CommandResult run = Vornalt(stack, photos);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output, "");

    std::string out = (Root() / "out").string();
    std::vector<FakeRequest> uploads = FakeRequestsTo("/services/upload");
    ASSERT_EQ(uploads.size(), 3u);
    std::vector<std::string> sent;
    for (const FakeRequest& upload : uploads) {
        EXPECT_EQ(upload.signature, "ok");
        EXPECT_EQ(upload.Param("hidden"), "1");
        EXPECT_EQ(upload.Param("tags"), "vornalt test");
        ASSERT_EQ(upload.files.size(), 1u);
        sent.push_back(upload.files[0].fileName);
        EXPECT_EQ(upload.files[0].sha1, Sha1OfFile(out + "/" + upload.files[0].fileName));
    }
    EXPECT_EQ(sent, (std::vector<std::string> { "small-alpha.jpg", "small-beta.jpg", "small-gamma.jpg" }));
    EXPECT_EQ(PostProcessLog(),
        (std::vector<std::string> { "MESSAGE: Start Post Processing", "MESSAGE: Uploaded file " + out + "/small-alpha.jpg to Flickr",
            "MESSAGE: Uploaded file " + out + "/small-beta.jpg to Flickr",
            "MESSAGE: Uploaded file " + out + "/small-gamma.jpg to Flickr", "MESSAGE: Performing Post-Process Action Flickr Upload",
            "MESSAGE: Finished Post Processing", "Vornalt Log Closed" }));

    // The service refuses the second photo: the others still go, and the run fails.
    ResetFake();
    ScriptFake({ { "upload", "ok,refuse,ok" } });
    run = Vornalt(stack, photos);
    EXPECT_NE(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(FakeRequestsTo("/services/upload").size(), 3u);
    EXPECT_EQ(PostProcessLog(),
        (std::vector<std::string> { "MESSAGE: Start Post Processing", "MESSAGE: Uploaded file " + out + "/small-alpha.jpg to Flickr",
            "ERROR: Unable to upload file " + out + "/small-beta.jpg to Flickr due to error #5: Filetype was not recognised",
            "MESSAGE: Uploaded file " + out + "/small-gamma.jpg to Flickr", "MESSAGE: Performing Post-Process Action Flickr Upload",
            "ERROR: CLI: Flickr Upload failed: Upload failed (19)", "MESSAGE: Error Post Processing", "Vornalt Log Closed" }));

    // A reply of another status than 200: its status line and the start of its body follow.
    ResetFake();
    ScriptFake({ { "upload", "ok,500,ok" } });
    run = Vornalt(stack, photos);
    EXPECT_NE(run.exitCode, 0) << run.output;
    EXPECT_EQ(PostProcessLog(),
        (std::vector<std::string> { "MESSAGE: Start Post Processing", "MESSAGE: Uploaded file " + out + "/small-alpha.jpg to Flickr",
            "ERROR: Unable to upload file " + out + "/small-beta.jpg to Flickr due to error #6",
            "ERROR: Flickr Upload: HTTP/1.1 500 Internal Server Error: scripted server error",
            "MESSAGE: Uploaded file " + out + "/small-gamma.jpg to Flickr", "MESSAGE: Performing Post-Process Action Flickr Upload",
            "ERROR: CLI: Flickr Upload failed: Upload failed (19)", "MESSAGE: Error Post Processing", "Vornalt Log Closed" }));
}
