#include "components/foundation/Charset.h"
#include "components/foundation/XString.h"
#include "components/mail/ClsEmail.h"
#include "components/mail/Email2.h"
#include "components/mail/TvMailMan.h"
#include "components/mail/tests/SmtpTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

using namespace smtptest;

namespace {

std::string LogText(ClsEmail& email)
{
    XString text;
    email.GetErrorLogText(text, false);
    return text.GetUtf8();
}

void Call(ClsEmail& email, void (ClsEmail::*setter)(const XString&), const char* utf8)
{
    XString x;
    x.SetFromUtf8(utf8);
    (email.*setter)(x);
}

class RecordingProgress : public TvMailProgress {
public:
    void SendPercentDone(int percent, bool* abort) override
    {
        sent.push_back(percent);
        if (abortAt >= 0 && percent >= abortAt)
            *abort = true;
    }
    void ReadPercentDone(int percent, bool*) override { read.push_back(percent); }
    std::vector<int> sent, read;
    int abortAt = -1;
};

} // namespace

TEST(ClsEmail, RecipientsCharsetsAndAttachments)
{
    ClsEmail email;
    EXPECT_FALSE(email.AddTo("Nobody", "   "));
    EXPECT_NE(LogText(email).find("No Email Address was provided"), std::string::npos) << LogText(email);

    // The first text with letters beyond ASCII picks the charset; later text keeps it.
    Call(email, &ClsEmail::SetBody, "Привет, мир");
    EXPECT_EQ(email.GetEmail2()->NodeCharset().GetCodePage(), 28595);
    Call(email, &ClsEmail::SetSubject, "Καλημέρα");
    EXPECT_EQ(email.GetEmail2()->NodeCharset().GetCodePage(), 28595);

    ClsEmail html;
    html.GetEmail2()->ChangeContentType("text/html");
    Call(html, &ClsEmail::SetBody, "plain words");
    EXPECT_EQ(html.GetEmail2()->ContentType(), "text/plain");

    ClsEmail named;
    EXPECT_TRUE(named.AddTo("Jürgen", "j@example.test"));
    EXPECT_NE(named.GetEmail2()->NodeCharset().GetCodePage(), 0);

    torvane::StringBuffer type;
    EXPECT_FALSE(email.AddFileAttachment("/nonexistent/file.jpg", type));
    std::string log = LogText(email);
    EXPECT_NE(log.find("Failed to add file attachment"), std::string::npos) << log;

    TvEmail pub;
    EXPECT_EQ(pub.AddFileAttachment("/nonexistent/file.jpg"), nullptr);
    std::string file = TempFolder() + "/note.txt";
    std::ofstream(file) << "note";
    const char* got = pub.AddFileAttachment(file.c_str());
    ASSERT_NE(got, nullptr);
    EXPECT_STREQ(got, "text/plain");
}

TEST(TvMailMan, ProgressReachesTheApplicationAndCanStopTheSend)
{
    const Peer& peer = ScriptedPeer("progress");
    ASSERT_GT(peer.port, 0);
    std::string file = TempFolder() + "/big.bin";
    {
        std::ofstream out(file, std::ios::binary);
        for (int i = 0; i < 400000; ++i)
            out.put(char(i % 253));
    }
    for (int abortAt : {-1, 0}) {
        TvMailMan man;
        man.SetSmtpHost("127.0.0.1");
        man.SetSmtpPort(peer.port);
        RecordingProgress progress;
        progress.abortAt = abortAt;
        man.SetEventCallback(&progress);
        TvEmail email;
        email.SetFrom("sender@example.test");
        email.SetSubject(abortAt < 0 ? "with progress" : "stopped");
        email.SetBody("Body.\r\n");
        email.AddTo("", "a@example.test");
        ASSERT_NE(email.AddFileAttachment(file.c_str()), nullptr);
        bool sent = man.SendEmail(&email);
        TvString error;
        man.GetLastErrorText(error);
        ASSERT_FALSE(progress.sent.empty());
        EXPECT_TRUE(progress.read.empty());
        if (abortAt < 0) {
            ASSERT_TRUE(sent) << error.GetUtf8();
            for (size_t i = 1; i < progress.sent.size(); ++i)
                EXPECT_GT(progress.sent[i], progress.sent[i - 1]);
            EXPECT_EQ(progress.sent.back(), 100);
            EXPECT_GT(progress.sent.size(), 10u);
        } else {
            EXPECT_FALSE(sent);
            EXPECT_NE(std::string(error.GetUtf8()).find("Mail sending aborted by application"), std::string::npos)
                << error.GetUtf8();
        }
    }
    // Only the first mailer's message arrived.
    EXPECT_NE(peer.Message(1).find("with progress"), std::string::npos);
    EXPECT_EQ(peer.Message(2), "");
}
