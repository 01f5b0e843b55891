// The signed client against the fake service: signatures the fake checks on its own, the
// browser sign-in, and single uploads.

#include "FlickrFake.h"

#include "platform/base/Unicode.h"
#include "postprocess/flickr/FlickrAccount.h"
#include "postprocess/flickr/FlickrClient.h"
#include "postprocess/tests/PostProcessTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

using namespace flickrtest;
using namespace pptest;

namespace {

// The fake in place of the service, and an opener that fetches the address as the user's browser
// would (which is where the fake approves the frob).
class FlickrClientTest : public ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        ASSERT_GT(FakePort(), 0);
        ResetFake();
        SetAuthorizationPageOpener([this](const std::u16string& address) {
            opened.push_back(Utf16ToUtf8(address));
            return approveInBrowser ? FetchAddress(opened.back()) == 200 : true;
        });
    }
    void TearDown() override
    {
        SetAuthorizationPageOpener(nullptr);
        ScratchTest::TearDown();
    }

    FlickrClient Client()
    {
        FlickrClient client;
        client.SetEndpoint(u"127.0.0.1", FakePort());
        return client;
    }

    std::string Address(const std::string& query) const
    {
        return "http://127.0.0.1:" + std::to_string(FakePort()) + "/services/auth/?" + query;
    }

    std::vector<std::string> opened;
    bool approveInBrowser = true;
};

std::string key() { return Utf16ToUtf8(kFlickrApiKey); }

}

TEST_F(FlickrClientTest, TheFrobRequestIsSignedWithTheSecretAndTheSortedFields)
{
    FlickrClient client = Client();
    ASSERT_TRUE(client.GetFrob()) << N(client.GetErrorText());
    // MD5 of secret + "api_key" + key + "method" + "flickr.auth.getFrob", upper-case hexadecimal.
    EXPECT_EQ(client.GetSignature(), u"2768734327B6732F722C20C098C3906B");
    std::vector<FakeRequest> calls = FakeRequestsTo("/services/rest/");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].signature, "ok");
    EXPECT_EQ(calls[0].params, (std::vector<std::pair<std::string, std::string>> { { "api_key", key() },
                                   { "api_sig", "2768734327B6732F722C20C098C3906B" }, { "method", "flickr.auth.getFrob" } }));

    // The fake's own check refuses a signature that does not match the fields.
    CRestRequest tampered;
    tampered.AddParam(u"flickr.auth.getFrob", u"method");
    tampered.AddParam(kFlickrApiKey, u"api_key");
    tampered.AddParam(u"2768734327B6732F722C20C098C3906C", u"api_sig");
    ASSERT_EQ(tampered.SendRequest(u"127.0.0.1", u"/services/rest/", false, FakePort()), 0);
    EXPECT_EQ(tampered.GetReplyElementAttribute(u"err", u"code"), u"96");
    calls = FakeRequestsTo("/services/rest/");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].signature, "bad");
}

TEST_F(FlickrClientTest, SignInGetsAFrobOpensTheAddressAndTradesTheApprovedFrobForAToken)
{
    ScriptFake({ { "fullname", "Pel & <Mar>" } });
    FlickrClient client = Client();
    ASSERT_TRUE(client.GetFrob()) << N(client.GetErrorText());
    std::string frob = N(client.GetFrobText());
    ASSERT_FALSE(frob.empty());

    ASSERT_TRUE(client.OpenAuthorizationPage());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], Address("api_key=" + key() + "&api_sig=" + N(client.GetSignature()) + "&frob=" + frob + "&perms=write"));

    ASSERT_TRUE(client.GetToken()) << N(client.GetErrorText());
    EXPECT_NE(client.GetAuthToken(), u"");
    EXPECT_EQ(client.GetUserId(), u"12037949754@N01");
    EXPECT_EQ(client.GetUserName(), u"pelmar");
    EXPECT_EQ(client.GetFullName(), u"Pel & <Mar>");

    // The account as the sign-in fills it, stored and read back.
    CFlickrAccount account;
    account.authkey = client.GetAuthToken();
    account.fullname = client.GetFullName();
    account.nsid = client.GetUserId();
    account.username = client.GetUserName();
    CFlickrAccount stored;
    EXPECT_TRUE(stored.FromXml(u"<accounts><account>" + account.ToXml() + u"</account></accounts>"));
    EXPECT_EQ(stored.authkey, account.authkey);
    EXPECT_EQ(stored.fullname, u"Pel & <Mar>");
    EXPECT_EQ(stored.nsid, u"12037949754@N01");
    EXPECT_EQ(stored.username, u"pelmar");

    std::vector<FakeRequest> calls = FakeRequests();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].Param("method"), "flickr.auth.getFrob");
    EXPECT_EQ(calls[1].path, "/services/auth/");
    EXPECT_EQ(calls[1].ParamNames(), (std::vector<std::string> { "api_key", "api_sig", "frob", "perms" }));
    EXPECT_EQ(calls[1].status, 200);
    EXPECT_EQ(calls[2].Param("method"), "flickr.auth.getToken");
    EXPECT_EQ(calls[2].Param("frob"), frob);
    for (const FakeRequest& call : calls)
        EXPECT_EQ(call.signature, "ok") << call.target;

    // The token works for an upload.
    fs::path photo = Root() / "first.jpg";
    WriteImage(photo, 40, 30);
    FlickrClient uploader = Client();
    uploader.SetAuthToken(stored.authkey);
    EXPECT_TRUE(uploader.UploadPhoto(U(photo), u"", 1, 1, 1, 1, 0));
}

TEST_F(FlickrClientTest, ATokenAskedForTooEarlyFailsAndAskingAgainUsesTheSameFrob)
{
    approveInBrowser = false;
    FlickrClient client = Client();
    ASSERT_TRUE(client.GetFrob());
    ASSERT_TRUE(client.OpenAuthorizationPage());
    EXPECT_FALSE(client.GetToken());
    EXPECT_EQ(client.GetErrorText(), u"Flickr answered error 108: Invalid frob");
    EXPECT_EQ(client.GetAuthToken(), u"");

    ASSERT_EQ(FetchAddress(opened.at(0)), 200); // the user approves late
    EXPECT_TRUE(client.GetToken()) << N(client.GetErrorText());
    std::vector<FakeRequest> calls = FakeRequestsTo("/services/rest/");
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[1].Param("method"), "flickr.auth.getToken");
    EXPECT_EQ(calls[2].Param("method"), "flickr.auth.getToken");
    EXPECT_EQ(calls[1].Param("frob"), calls[2].Param("frob"));
}

TEST_F(FlickrClientTest, AFrobWithAwkwardCharactersIsEncodedInTheAddress)
{
    const std::string frob = "a&b=c #d/e?f%g+h";
    ScriptFake({ { "frob", frob } });
    FlickrClient client = Client();
    ASSERT_TRUE(client.GetFrob());
    EXPECT_EQ(N(client.GetFrobText()), frob);
    ASSERT_TRUE(client.OpenAuthorizationPage());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(opened[0].find("&frob=a%26b%3Dc%20%23d%2Fe%3Ff%25g%2Bh&perms=write"), std::string::npos) << opened[0];
    // The fake decoded the same frob, checked the signature over it and approved it.
    ASSERT_TRUE(client.GetToken()) << N(client.GetErrorText());
    std::vector<FakeRequest> auth = FakeRequestsTo("/services/auth/");
    ASSERT_EQ(auth.size(), 1u);
    EXPECT_EQ(auth[0].Param("frob"), frob);
    EXPECT_EQ(auth[0].signature, "ok");
}

TEST_F(FlickrClientTest, FailedSignInCallsSayWhy)
{
    struct Case {
        const char* script;
        const char16_t* error; // the start of the error text
    };
    const std::vector<Case> cases = {
        { "404", u"HTTP/1.1 404 Not Foundscripted failure 404" },
        { "500", u"HTTP/1.1 500 Internal Server Errorscripted failure 500" },
        { "nofrob", u"The reply from Flickr holds no frob: <?xml" },
    };
    for (const Case& c : cases) {
        ScriptFake({ { "rest", c.script } });
        FlickrClient client = Client();
        EXPECT_FALSE(client.GetFrob()) << c.script;
        EXPECT_EQ(client.GetErrorText().rfind(c.error, 0), 0u) << c.script << ": " << N(client.GetErrorText());
    }
    FlickrClient closed;
    closed.SetEndpoint(u"127.0.0.1", UnusedLoopbackPort());
    EXPECT_FALSE(closed.GetFrob());
    EXPECT_NE(closed.GetErrorText(), u"");

    // A browser that cannot be started.
    SetAuthorizationPageOpener([](const std::u16string&) { return false; });
    FlickrClient client = Client();
    ASSERT_TRUE(client.GetFrob());
    EXPECT_FALSE(client.OpenAuthorizationPage());
}

TEST_F(FlickrClientTest, AnUploadSendsEveryFieldSignedWithThePhotoAsAFilePart)
{
    fs::path photo = Root() / "sunset over the bay.jpg";
    WriteImage(photo, 64, 48);
    FlickrClient client = Client();
    client.SetAuthToken(Utf8ToUtf16(kPresetToken));
    ASSERT_TRUE(client.UploadPhoto(U(photo), u"beach  \"summer 2026\" K\u00f6ln", 1, 0, 1, 2, 0));
    std::vector<FakeRequest> uploads = FakeRequestsTo("/services/upload");
    ASSERT_EQ(uploads.size(), 1u);
    const FakeRequest& upload = uploads[0];
    EXPECT_EQ(upload.verb, "POST");
    EXPECT_EQ(upload.signature, "ok");
    EXPECT_EQ(upload.status, 200);
    EXPECT_EQ(upload.params, (std::vector<std::pair<std::string, std::string>> { { "api_key", key() },
                                 { "api_sig", N(client.GetSignature()) }, { "auth_token", kPresetToken }, { "content_type", "2" }, { "hidden", "0" },
                                 { "is_family", "1" }, { "is_friend", "0" }, { "is_public", "1" },
                                 { "tags", "beach  \"summer 2026\" K\xc3\xb6ln" } }));
    ASSERT_EQ(upload.files.size(), 1u);
    EXPECT_EQ(upload.files[0].field, "photo");
    EXPECT_EQ(upload.files[0].fileName, "sunset over the bay.jpg");
    EXPECT_EQ(upload.files[0].size, long(fs::file_size(photo)));
    EXPECT_EQ(upload.files[0].sha1, Sha1OfFile(photo.string()));
    EXPECT_EQ(ActionLogLines(), (std::vector<std::string> { "MESSAGE: Uploaded file " + photo.string() + " to Flickr" }));
}

TEST_F(FlickrClientTest, AnUploadTheServiceRefusesFailsWhateverTheStatus)
{
    fs::path photo = Root() / "p.jpg";
    WriteImage(photo, 16, 16);
    ScriptFake({ { "upload", "refuse,500" } });
    FlickrClient client = Client();
    client.SetAuthToken(Utf8ToUtf16(kPresetToken));
    EXPECT_FALSE(client.UploadPhoto(U(photo), u"", 1, 1, 1, 1, 0));
    EXPECT_EQ(client.GetErrorText(), u"Flickr answered error 5: Filetype was not recognised");
    EXPECT_FALSE(client.UploadPhoto(U(photo), u"", 1, 1, 1, 1, 0));
    // A token the service does not know.
    client.SetAuthToken(u"not-a-token");
    EXPECT_FALSE(client.UploadPhoto(U(photo), u"", 1, 1, 1, 1, 0));
    client.SetEndpoint(u"127.0.0.1", UnusedLoopbackPort());
    EXPECT_FALSE(client.UploadPhoto(U(photo), u"", 1, 1, 1, 1, 0));
    const std::string unable = "ERROR: Unable to upload file " + photo.string() + " to Flickr due to error #";
    EXPECT_EQ(ActionLogLines(), (std::vector<std::string> { unable + "5: Filetype was not recognised", unable + "6",
                                    "ERROR: Flickr Upload: HTTP/1.1 500 Internal Server Error: scripted server error",
                                    unable + "98: Invalid auth token", unable + "1" }));
}

TEST_F(FlickrClientTest, WithoutAnOpenerOfItsOwnTheDesktopOpenerGetsTheAddress)
{
    SetAuthorizationPageOpener(nullptr);
    fs::path bin = Root() / "bin";
    fs::path received = Root() / "received";
    WriteFile(bin / "xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > " + Quote(received.string() + ".part") + "\n/bin/mv "
            + Quote(received.string() + ".part") + " " + Quote(received.string()) + "\n");
    fs::permissions(bin / "xdg-open", fs::perms::owner_all);
    const char* oldPath = std::getenv("PATH");
    std::string savedPath = oldPath ? oldPath : "";
    setenv("PATH", bin.c_str(), 1);

    FlickrClient client = Client();
    ASSERT_TRUE(client.GetFrob());
    EXPECT_TRUE(client.OpenAuthorizationPage());
    // The opener runs on its own; wait for what it was given.
    for (int i = 0; i < 500 && !fs::exists(received); ++i)
        usleep(10000);
    EXPECT_EQ(ReadFile(received), N(client.BuildAuthorizationUrl()));

    // No opener installed on the system: the address cannot be opened.
    fs::remove(bin / "xdg-open");
    EXPECT_FALSE(client.OpenAuthorizationPage());
    setenv("PATH", savedPath.c_str(), 1);
}
