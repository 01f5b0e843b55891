// The REST request builder: field order, the outcome of a call against the fake service, and the
// reply readers.

#include "FlickrFake.h"

#include "platform/base/Unicode.h"
#include "postprocess/flickr/FlickrClient.h"
#include "postprocess/flickr/RestRequest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace flickrtest;

namespace {

std::vector<std::string> names(const CRestRequest& request)
{
    std::vector<std::string> out;
    for (const DataParam& param : request.GetParams())
        out.push_back(Utf16ToUtf8(param.name) + "=" + Utf16ToUtf8(param.value));
    return out;
}

// Lets a test put a reply in place without a call.
class ReplyHolder : public CRestRequest {
public:
    explicit ReplyHolder(std::u16string reply) { SetReplyText(std::move(reply)); }
};

}

TEST(RestRequest, FieldsStaySortedByNameWithoutCaseAndEqualNamesKeepTheirOrder)
{
    struct Case {
        std::vector<std::string> added; // name=value, in the order added
        std::vector<std::string> listed;
    };
    const std::vector<Case> cases = {
        { { "tags=t", "api_key=k", "Hidden=1", "auth_token=a" }, { "api_key=k", "auth_token=a", "Hidden=1", "tags=t" } },
        { { "a=1", "b=2", "a=3", "A=4" }, { "a=1", "a=3", "A=4", "b=2" } },
        // Only A-Z fold: "_" (0x5F) sorts before every lower-case letter, and so before "A" folded.
        { { "ab=1", "a_=2", "A=3", "a=4", "B=5", "_=6" }, { "_=6", "A=3", "a=4", "a_=2", "ab=1", "B=5" } },
        { { "perms=write", "frob=f", "api_sig=s", "api_key=k" }, { "api_key=k", "api_sig=s", "frob=f", "perms=write" } },
    };
    for (const Case& c : cases) {
        CRestRequest request;
        for (const std::string& field : c.added) {
            std::size_t equals = field.find('=');
            request.AddParam(Utf8ToUtf16(field.substr(equals + 1)), Utf8ToUtf16(field.substr(0, equals)));
        }
        EXPECT_EQ(names(request), c.listed);
    }
    CRestRequest request;
    request.AddParam(u"v", u"n");
    request.AddPhotoFile(u"/tmp/x.jpg");
    ASSERT_EQ(request.GetFiles().size(), 1u);
    EXPECT_EQ(request.GetFiles()[0].name, u"photo");
    request.ClearParams();
    EXPECT_TRUE(request.GetParams().empty());
    EXPECT_TRUE(request.GetFiles().empty());
}

TEST(RestRequest, EachOutcomeKeepsItsOwnTextAndA404CarriesItsStatusLineAndBody)
{
    ASSERT_GT(FakePort(), 0);
    ResetFake();
    CRestRequest request;
    request.AddParam(u"flickr.test.echo", u"method");
    // The fake refuses the unsigned call with status 200: a reply for the builder.
    ASSERT_EQ(request.SendRequest(u"127.0.0.1", u"/services/rest/", false, FakePort()), 0);
    std::u16string firstReply = request.GetReplyText();
    EXPECT_NE(firstReply.find(u"stat=\"fail\""), std::u16string::npos);
    EXPECT_EQ(request.GetErrorText(), u"");

    ScriptFake({ { "rest", "404" } });
    EXPECT_EQ(request.SendRequest(u"127.0.0.1", u"/services/rest/", false, FakePort()), 6);
    EXPECT_EQ(request.GetErrorText(), u"HTTP/1.1 404 Not Found" u"scripted failure 404");
    EXPECT_EQ(request.GetReplyText(), firstReply);

    EXPECT_EQ(request.SendRequest(u"127.0.0.1", u"/services/nothing-here", false, FakePort()), 6);
    EXPECT_EQ(request.GetErrorText(), u"HTTP/1.1 404 Not Found" u"no such page");

    int closed = UnusedLoopbackPort();
    ASSERT_GT(closed, 0);
    EXPECT_EQ(request.SendRequest(u"127.0.0.1", u"/services/rest/", false, closed), 1);
    EXPECT_NE(request.GetErrorText(), u"");
    EXPECT_NE(request.GetErrorText().find(u"onnect"), std::u16string::npos) << Utf16ToUtf8(request.GetErrorText());
    EXPECT_EQ(request.GetReplyText(), firstReply);

    // A success replaces the reply and leaves the last error text.
    std::u16string lastError = request.GetErrorText();
    request.AddParam(kFlickrApiKey, u"api_key");
    ASSERT_EQ(request.SendRequest(u"127.0.0.1", u"/services/rest/", false, FakePort()), 0);
    EXPECT_NE(request.GetReplyText(), firstReply);
    EXPECT_NE(request.GetReplyText().find(u"Invalid signature"), std::u16string::npos);
    EXPECT_EQ(request.GetErrorText(), lastError);

    std::vector<FakeRequest> seen = FakeRequestsTo("/services/rest/");
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[0].params, (std::vector<std::pair<std::string, std::string>> { { "method", "flickr.test.echo" } }));
    EXPECT_EQ(seen[0].signature, "none");
}

TEST(RestRequest, AFileThatCannotBeReadSendsNothing)
{
    ASSERT_GT(FakePort(), 0);
    ResetFake();
    CRestRequest request;
    request.AddParam(u"t", u"tags");
    request.AddPhotoFile(u"/nonexistent/folder/photo.jpg");
    EXPECT_EQ(request.SendRequest(u"127.0.0.1", u"/services/upload", true, FakePort()), 1);
    EXPECT_NE(request.GetErrorText().find(u"/nonexistent/folder/photo.jpg"), std::u16string::npos);
    EXPECT_TRUE(FakeRequestsTo("/services/upload").empty());
}

TEST(RestRequest, RepliesAreReadBreadthFirstAndAnythingElseGivesEmptyText)
{
    ReplyHolder reply(u"<rsp stat=\"ok\"><deep><frob>inner</frob></deep><frob>outer</frob>"
                      u"<user nsid=\"1@N0\" username=\"u &amp; me\"/></rsp>");
    EXPECT_EQ(reply.GetReplyElementText(u"frob"), u"outer");
    EXPECT_EQ(reply.GetReplyUserAttribute(u"nsid"), u"1@N0");
    EXPECT_EQ(reply.GetReplyUserAttribute(u"username"), u"u & me");
    EXPECT_EQ(reply.GetReplyUserAttribute(u"fullname"), u"");
    EXPECT_EQ(reply.GetReplyElementAttribute(u"rsp", u"stat"), u"ok");
    EXPECT_EQ(reply.GetReplyElementText(u"token"), u"");

    for (const char16_t* text : { u"", u"not xml at all", u"<<<>>>" }) {
        ReplyHolder broken(text);
        EXPECT_EQ(broken.GetReplyElementText(u"frob"), u"") << Utf16ToUtf8(text);
        EXPECT_EQ(broken.GetReplyUserAttribute(u"nsid"), u"") << Utf16ToUtf8(text);
    }
}

TEST(RestRequest, ASuccessfulCallWritesNothingToStandardOutput)
{
    ASSERT_GT(FakePort(), 0);
    char path[] = "/tmp/rest-stdout-XXXXXX";
    int capture = mkstemp(path);
    ASSERT_GE(capture, 0);
    std::fflush(stdout);
    int saved = dup(1);
    dup2(capture, 1);
    CRestRequest request;
    request.AddParam(u"x", u"method");
    int result = request.SendRequest(u"127.0.0.1", u"/services/rest/", false, FakePort());
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    close(capture);
    std::ifstream in(path);
    std::stringstream written;
    written << in.rdbuf();
    std::remove(path);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(written.str(), "");
}
