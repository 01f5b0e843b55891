#include "components/foundation/XString.h"
#include "components/mail/ClsEmail.h"
#include "components/mail/ClsMailMan.h"
#include "components/mail/DistributionList.h"
#include "components/mail/Email2.h"
#include "components/mail/SmtpConnImpl.h"
#include "components/mail/TvMailMan.h"
#include "components/mail/tests/SmtpTestSupport.h"
#include "components/foundation/ProgressMonitor.h"
#include "components/foundation/ProgressEvent.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <sstream>
#include <fstream>
#include <sys/socket.h>
#include <unistd.h>
#include <string>
#include <thread>
#include <vector>

using namespace smtptest;

namespace {

class TextLog : public LogBase {
public:
    bool LogError(const char* t) override { return Add("error: ", t); }
    bool LogInfo(const char* t) override { return Add("info: ", t); }
    bool LogData(const char* tag, const char* t) override { return Add((std::string(tag) + ": ").c_str(), t); }
    bool LogDataInt(const char* tag, int v) override
    {
        return Add((std::string(tag) + ": ").c_str(), std::to_string(v).c_str());
    }
    std::string text;

private:
    bool Add(const char* prefix, const char* t)
    {
        text += std::string(prefix) + (t ? t : "") + "\n";
        return true;
    }
};

std::string ErrorText(ClsMailMan& man)
{
    XString text;
    man.GetErrorLogText(text, false);
    return text.GetUtf8();
}

void Configure(ClsMailMan& man, const Peer& peer)
{
    ASSERT_GT(peer.port, 0) << "SMTP peer did not start";
    man.SetSmtpHost("127.0.0.1");
    man.SetSmtpPort(peer.port);
    man.SetHeloHostName("client.test");
}

ClsEmail* NewEmail(const std::vector<std::string>& to, const std::string& body = "Hello.\r\n")
{
    auto* email = new ClsEmail;
    XString x;
    x.SetFromUtf8("Sender <sender@example.test>");
    email->SetFrom(x);
    x.SetFromUtf8("Test subject");
    email->SetSubject(x);
    x.SetFromUtf8(body.c_str());
    email->SetBody(x);
    for (const auto& a : to)
        email->AddTo("", a.c_str());
    return email;
}

} // namespace

TEST(SmtpSession, PublicClassesSendThroughAiosmtpdAndReuseTheConnection)
{
    const Peer& peer = AiosmtpdPeer();
    if (peer.port == 0)
        GTEST_SKIP() << "python3-aiosmtpd is not installed";
    std::string folder = TempFolder();
    std::string attachment = folder + "/photo.jpg";
    std::string bytes;
    for (int i = 0; i < 5000; ++i)
        bytes += char(i * 7 % 256);
    std::ofstream(attachment, std::ios::binary) << bytes;

    TvMailMan man;
    man.SetSmtpHost("127.0.0.1");
    man.SetSmtpPort(peer.port);
    man.SetSmtpUsername("user");
    man.SetSmtpPassword("secret");
    for (int round = 0; round < 2; ++round) {
        TvEmail email;
        email.SetBody("First line\r\nsecond line\r\n");
        ASSERT_TRUE(email.AddTo("", "rcpt@example.test"));
        const char* type = email.AddFileAttachment(attachment.c_str());
        ASSERT_NE(type, nullptr);
        EXPECT_STREQ(type, "image/jpeg");
        email.SetFrom("sender@example.test");
        email.SetSubject("Pictures");
        bool sent = man.SendEmail(&email);
        TvString error;
        man.GetLastErrorText(error);
        ASSERT_TRUE(sent) << error.GetUtf8();
        EXPECT_EQ(std::string(error.GetUtf8()).find("secret"), std::string::npos);
    }
    std::string wire = peer.Wire();
    EXPECT_NE(wire.find("AUTH LOGIN ok"), std::string::npos) << wire;
    // The second message went over the same connection after a reset, without a second login.
    EXPECT_NE(wire.find("RSET"), std::string::npos) << wire;
    EXPECT_EQ(wire.find("AUTH LOGIN ok"), wire.rfind("AUTH LOGIN ok")) << wire;

    std::string message = peer.Message(2);
    EXPECT_EQ(message.find("TVX-"), std::string::npos);
    std::string check = "python3 -c \"import email,sys;m=email.message_from_binary_file(open(sys.argv[1],'rb'));"
                        "p=[x for x in m.walk() if x.get_filename()][0];"
                        "sys.exit(0 if p.get_payload(decode=True)==open(sys.argv[2],'rb').read() else 1)\" '"
        + peer.folder + "/msg-2.eml' '" + attachment + "'";
    EXPECT_EQ(std::system(check.c_str()), 0) << "attachment differs from the source file";

    TvMailMan other;
    EXPECT_FALSE(other.SendEmail(nullptr));
}

TEST(SmtpSession, DotStuffingOnTheWire)
{
    const Peer& peer = ScriptedPeer("normal");
    SmtpConnImpl session;
    TextLog log;
    ASSERT_TRUE(session.smtpConnect("127.0.0.1", peer.port, "", "", "", "", 10, 10000, log, nullptr, nullptr, nullptr));
    std::unique_ptr<ClsEmail> email(NewEmail({"a@example.test"}));
    // Texts with and without a final line end; the terminator must stand on its own line.
    // A long one goes out in several pieces, with lines to stuff on both sides of their seams.
    std::string longText = "Subject: z\r\n\r\n", longExpected = longText;
    for (int i = 0; longText.size() < 1100000; ++i) {
        std::string line = std::string(size_t(20000 + i % 97), 'w') + "\r\n";
        longText += "." + line;
        longExpected += ".." + line;
    }
    const std::string texts[] = {"Subject: x\r\n\r\n.first\r\nmid\r\n.\r\n..x\r\n", "Subject: y\r\n\r\n.last",
        longText};
    const std::string expected[] = {"Subject: x\r\n\r\n..first\r\nmid\r\n..\r\n...x\r\n", "Subject: y\r\n\r\n..last\r\n",
        longExpected};
    for (int i = 0; i < 3; ++i) {
        DistributionList bad;
        int ok = 0, total = 0;
        bool hard = false;
        EXPECT_TRUE(session.sendEmail(email->GetEmail2(), "s@example.test", &texts[i], "", log, nullptr, &ok, &total,
            &hard, bad, true, false, nullptr, nullptr))
            << log.text;
        EXPECT_TRUE(peer.Message(i + 1) == expected[i]) << i << ": " << peer.Message(i + 1).size() << " bytes";
    }
}

namespace {

std::string Stuffed(const std::string& text)
{
    std::string out;
    bool lineStart = true;
    for (char c : text) {
        if (lineStart && c == '.')
            out += '.';
        out += c;
        lineStart = c == '\n';
    }
    return out;
}

struct PercentRecorder : ProgressEvent {
    void OnPercentDone(int percent, bool*) override { percents.push_back(percent); }
    std::vector<int> percents;
};

} // namespace

// A message rendered as it is sent reaches the server as its rendered text, dot-stuffed, and the
// sends report the same progress as the sending of that text in one string.
TEST(SmtpSession, StreamedMessageIsTheRenderedTextOnTheWire)
{
    const Peer& peer = ScriptedPeer("streamed");
    std::string folder = TempFolder();
    // Text with lines to stuff all through it, longer than two sends; binary bytes for several
    // base64 slices.
    std::string dotted, binary;
    for (int i = 0; dotted.size() < 1100000; ++i)
        dotted += (i % 3 ? "." : "") + std::string(size_t(40 + i % 61), char('a' + i % 26)) + "\r\n";
    for (int i = 0; i < 300000; ++i)
        binary += char(i * 131 % 256);
    std::ofstream(folder + "/notes.txt", std::ios::binary) << ".first line\r\n" << dotted;
    std::ofstream(folder + "/binary.bin", std::ios::binary) << binary;
    const std::string head = "From: s@example.test\r\nTo: a@example.test\r\nMIME-Version: 1.0\r\n";
    // Messages loaded from text keep 7bit and 8bit bodies as they are, so their dots reach the wire.
    const std::string texts[] = {
        head + "Subject: =?utf-8?B?R3LDvMOfZSwg0J/RgNC40LLQtdGC?=\r\nContent-Type: text/plain; charset=utf-8\r\n"
               "Content-Transfer-Encoding: 8bit\r\n\r\n.first\r\nmid\r\n.\r\n..x\r\nGr\xC3\xBC\xC3\x9F" "e\r\n",
        head + "Subject: no end\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: 7bit\r\n\r\n.one\r\n.no end",
        head + "Subject: parts\r\nContent-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n--b1\r\n"
               "Content-Type: text/plain\r\nContent-Transfer-Encoding: 7bit\r\n\r\n" + dotted + "\r\n--b1\r\n"
               "Content-Type: text/plain\r\nContent-Transfer-Encoding: 7bit\r\nContent-Disposition: attachment; filename=\"d.txt\"\r\n\r\n"
               ".attached\r\n" + dotted.substr(0, 300000) + ".last\r\n--b1--\r\n",
    };
    std::vector<std::unique_ptr<Email2>> messages;
    for (const std::string& text : texts)
        messages.emplace_back(Email2::LoadFromMimeText(torvane::StringBuffer(text.c_str()), false, false, nullptr, nullptr));
    std::unique_ptr<ClsEmail> built(NewEmail({"a@example.test"}, ".Body\r\n"));
    for (const char* file : {"/notes.txt", "/binary.bin"}) {
        XString type;
        ASSERT_TRUE(built->AddFileAttachmentX((folder + file).c_str(), type)) << file;
    }
    SmtpConnImpl session;
    TextLog log;
    ASSERT_TRUE(session.smtpConnect("127.0.0.1", peer.port, "", "", "", "", 10, 30000, log, nullptr, nullptr, nullptr));
    int message = 0;
    for (size_t i = 0; i <= messages.size(); ++i) {
        Email2* mail = i < messages.size() ? messages[i].get() : built->GetEmail2();
        torvane::StringBuffer rendered;
        mail->Render(mail, rendered, "TVX-", nullptr, 0, false);
        std::string text(rendered.GetText(), size_t(rendered.GetLength()));
        // The server's copy ends with the line break that the terminating dot needs.
        std::string expected = Stuffed(text);
        if (expected.size() < 2 || expected.compare(expected.size() - 2, 2, "\r\n") != 0)
            expected += "\r\n";
        if (i < messages.size()) {
            EXPECT_NE(expected.find("\r\n.."), std::string::npos) << i;
        }
        std::vector<int> percents[2];
        for (int pass = 0; pass < 2; ++pass) {
            PercentRecorder recorder;
            ProgressMonitor monitor(&recorder, std::int64_t(mail->EstimateSize()) * 3 / 2 + 200);
            DistributionList bad;
            int ok = 0, total = 0;
            bool hard = false;
            EXPECT_TRUE(session.sendEmail(mail, "s@example.test", pass == 0 ? nullptr : &text, "", log, &monitor, &ok,
                &total, &hard, bad, false, false, nullptr, nullptr))
                << log.text;
            std::string got = peer.Message(++message);
            EXPECT_TRUE(got == expected) << i << " pass " << pass << ": " << got.size() << " bytes, " << expected.size()
                                         << " expected";
            percents[pass] = recorder.percents;
        }
        EXPECT_EQ(percents[0], percents[1]) << i;
        EXPECT_FALSE(percents[0].empty()) << i;
    }
}

TEST(SmtpSession, RecipientOutcomes)
{
    struct Case {
        std::vector<std::string> to;
        bool ok;
        std::string text;
    };
    const Case cases[] = {
        {{"a@example.test", "refuse@example.test", "b@example.test"}, false, "Partial send failure."},
        {{"refuse1@example.test", "refuse2@example.test", "refuse3@example.test"}, false, "NumSuccess: 0"},
        // Only the exact code 250 accepts a recipient.
        {{"a@example.test", "odd@example.test"}, false, "Partial send failure."},
        {{"a@example.test", "b@example.test"}, true, "Mail sent to 2 recipients"},
    };
    // The same outcomes from the scripted server and from aiosmtpd.
    for (const Peer* peer : {&ScriptedPeer("normal"), &AiosmtpdPeer()}) {
        for (const Case& c : cases) {
            ClsMailMan man;
            Configure(man, *peer);
            std::unique_ptr<ClsEmail> email(NewEmail(c.to));
            EXPECT_EQ(man.SendEmail(email.get(), nullptr), c.ok) << c.to[1];
            std::string log = ErrorText(man);
            EXPECT_NE(log.find(c.text), std::string::npos) << log;
            if (!c.ok && c.text.find("NumSuccess") != std::string::npos) {
                EXPECT_NE(log.find("NumTotal: 3"), std::string::npos) << log;
                EXPECT_NE(log.find("Send failed."), std::string::npos) << log;
            }
        }
    }
}

TEST(SmtpSession, LoginMethodsChosenAndForced)
{
    struct Case {
        const char* scenario;
        const char* forced;
        const char* wireCommand;
        const char* logged;
    };
    const Case cases[] = {
        {"normal", "", "AUTH LOGIN", "login_method: LOGIN"},
        {"normal", "cram-md5", "AUTH CRAM-MD5", "login_method: CRAM_MD5"},
        {"normal", "plain ", "AUTH PLAIN ", "login_method: PLAIN"},
        {"plainonly", "", "AUTH PLAIN ", "login_method: PLAIN"},
        {"split", "", "AUTH LOGIN", "login_method: LOGIN"},
    };
    for (const Case& c : cases) {
        const Peer& peer = ScriptedPeer(c.scenario);
        SmtpConnImpl session;
        session.setHeloHostName("client.test");
        for (const char* password : {"wrong-pass", "secret"}) {
            TextLog log;
            bool ok = session.smtpConnect("127.0.0.1", peer.port, "user", password, "", c.forced, 10, 10000, log,
                nullptr, nullptr, nullptr);
            EXPECT_EQ(ok, std::string(password) == "secret") << c.scenario << " " << c.forced << "\n" << log.text;
            EXPECT_NE(log.text.find(c.logged), std::string::npos) << log.text;
            // Neither the password nor any AUTH payload reaches the log.
            EXPECT_EQ(log.text.find(password), std::string::npos) << log.text;
            EXPECT_EQ(log.text.find("dXNlcg"), std::string::npos) << log.text;
            EXPECT_EQ(session.transcript().find("AUTH PLAIN A"), std::string::npos);
        }
        EXPECT_NE(peer.Wire().find(c.wireCommand), std::string::npos) << peer.Wire();
    }
}

TEST(SmtpSession, LongPlainCredentialsAreSentWhole)
{
    const Peer& peer = ScriptedPeer("plainonly");
    std::string user(400, 'u');
    user += "@example.test";
    std::string password(user.rbegin(), user.rend());
    SmtpConnImpl session;
    TextLog log;
    EXPECT_TRUE(session.smtpConnect("127.0.0.1", peer.port, user.c_str(), password.c_str(), "", "", 10, 10000, log,
        nullptr, nullptr, nullptr))
        << log.text;
}

TEST(SmtpSession, UnusableAuthAnnouncements)
{
    // "AUTH=" is the old form and announces nothing; DIGEST-MD5 alone is recognised but not spoken.
    for (const char* scenario : {"authequals", "digest"}) {
        const Peer& peer = ScriptedPeer(scenario);
        SmtpConnImpl session;
        TextLog log;
        EXPECT_TRUE(session.smtpConnect("127.0.0.1", peer.port, "user", "secret", "", "", 10, 10000, log, nullptr,
            nullptr, nullptr))
            << log.text;
        if (std::string(scenario) == "digest")
            EXPECT_NE(log.text.find("DIGEST-MD5 login method not supported"), std::string::npos) << log.text;
        else
            EXPECT_NE(log.text.find("login_method: NONE or already authenticated"), std::string::npos) << log.text;
        EXPECT_EQ(peer.Wire().find("AUTH"), std::string::npos) << peer.Wire();
    }
}

TEST(SmtpSession, CapabilitiesOfOneServerDoNotLeakIntoTheNext)
{
    const Peer& first = ScriptedPeer("normal");
    const Peer& second = ScriptedPeer("authequals");
    SmtpConnImpl session;
    TextLog log;
    ASSERT_TRUE(session.smtpConnect("127.0.0.1", first.port, "user", "secret", "", "", 10, 10000, log, nullptr,
        nullptr, nullptr));
    TextLog log2;
    ASSERT_TRUE(session.smtpConnect("127.0.0.1", second.port, "user", "secret", "", "", 10, 10000, log2, nullptr,
        nullptr, nullptr))
        << log2.text;
    EXPECT_NE(log2.text.find("login_method: NONE or already authenticated"), std::string::npos) << log2.text;
    EXPECT_EQ(second.Wire().find("AUTH LOGIN"), std::string::npos);
}

TEST(SmtpSession, ReuseNeedsTheSameTlsSwitches)
{
    const Peer& peer = ScriptedPeer("normal");
    SmtpConnImpl session;
    TextLog log;
    ASSERT_TRUE(session.smtpConnect("127.0.0.1", peer.port, "user", "secret", "", "", 10, 10000, log, nullptr,
        nullptr, nullptr));
    TextLog again;
    ASSERT_TRUE(session.smtpConnect("127.0.0.1", peer.port, "user", "secret", "", "", 10, 10000, again, nullptr,
        nullptr, nullptr));
    EXPECT_NE(again.text.find("Using existing/open SMTP connection"), std::string::npos) << again.text;
    // Asking for TLS must not be served by the plain connection already open.
    session.setStartTls(true);
    TextLog tls;
    session.smtpConnect("127.0.0.1", peer.port, "user", "secret", "", "", 10, 10000, tls, nullptr, nullptr, nullptr);
    EXPECT_EQ(tls.text.find("Using existing/open SMTP connection"), std::string::npos) << tls.text;
}

TEST(SmtpSession, OverlongAddressIsRefusedNotCut)
{
    const Peer& peer = ScriptedPeer("normal");
    ClsMailMan man;
    Configure(man, peer);
    std::string longAddress = std::string(2100, 'x') + "@example.test";
    std::unique_ptr<ClsEmail> email(NewEmail({"a@example.test"}));
    email->GetEmail2()->AddTo("", longAddress.c_str());
    EXPECT_FALSE(man.SendEmail(email.get(), nullptr));
    EXPECT_NE(ErrorText(man).find("SMTP command too long"), std::string::npos) << ErrorText(man);
    std::string wire = peer.Wire();
    EXPECT_EQ(wire.find("xxxxxxxxxxxxxxxx"), std::string::npos) << "a cut address went out";
}

TEST(SmtpSession, ReversePathWithALineBreakNeverReachesTheWire)
{
    const Peer& peer = ScriptedPeer("injection");
    SmtpConnImpl session;
    TextLog log;
    ASSERT_TRUE(session.smtpConnect("127.0.0.1", peer.port, "", "", "", "", 10, 10000, log, nullptr, nullptr, nullptr));
    std::unique_ptr<ClsEmail> email(NewEmail({"a@example.test"}));
    DistributionList bad;
    int ok = 0, total = 0;
    bool hard = false;
    EXPECT_FALSE(session.sendEmail(email->GetEmail2(), "s@example.test>\r\nRCPT TO:<injected@example.test", nullptr,
        "", log, nullptr, &ok, &total, &hard, bad, true, false, nullptr, nullptr));
    EXPECT_TRUE(hard);
    EXPECT_NE(log.text.find("Reverse path holds a line break"), std::string::npos) << log.text;
    EXPECT_EQ(peer.Wire().find("injected"), std::string::npos) << peer.Wire();
}

TEST(SmtpSession, RefusalAtEachStepOfASendIsAHardFailureOnALiveConnection)
{
    struct Case {
        const char* scenario;
        const char* failure;
    };
    const Case cases[] = {
        {"digest", "Failed when sending MAIL FROM:<s@example.test>"},
        {"refusedata", "Failed when sending DATA command"},
        {"refusebody", "Failed when sending end-of-body"},
    };
    for (const Case& c : cases) {
        const Peer& peer = ScriptedPeer(c.scenario);
        SmtpConnImpl session;
        TextLog log;
        ASSERT_TRUE(session.smtpConnect("127.0.0.1", peer.port, "", "", "", "", 10, 10000, log, nullptr, nullptr,
            nullptr));
        std::unique_ptr<ClsEmail> email(NewEmail({"a@example.test", "b@example.test"}));
        DistributionList bad;
        int ok = -1, total = -1;
        bool hard = false;
        EXPECT_FALSE(session.sendEmail(email->GetEmail2(), "s@example.test", nullptr, "", log, nullptr, &ok, &total,
            &hard, bad, true, false, nullptr, nullptr)) << c.scenario;
        EXPECT_TRUE(hard) << c.scenario;
        EXPECT_EQ(ok, 0) << c.scenario;
        EXPECT_NE(log.text.find(c.failure), std::string::npos) << c.scenario << "\n" << log.text;
        // A refusal is an answer: the connection stays for the next message.
        EXPECT_TRUE(session.isConnected()) << c.scenario;
        EXPECT_GE(session.lastReplyCode(), 500) << c.scenario;
    }
}

TEST(SmtpSession, ServerSilentMidDataFails)
{
    const Peer& peer = ScriptedPeer("hangdata");
    ClsMailMan man;
    Configure(man, peer);
    man.SetReadTimeoutSeconds(1);
    man.SetSmtpUsername("user");
    man.SetSmtpPassword("secret");
    std::unique_ptr<ClsEmail> email(NewEmail({"a@example.test"}));
    EXPECT_FALSE(man.SendEmail(email.get(), nullptr));
    std::string log = ErrorText(man);
    EXPECT_NE(log.find("Failed when sending end-of-body"), std::string::npos) << log;
    // The transcript is in the log, without the credentials.
    EXPECT_NE(log.find("MAIL FROM:<sender@example.test>"), std::string::npos) << log;
    EXPECT_EQ(log.find("secret"), std::string::npos) << log;
    EXPECT_EQ(log.find("c2VjcmV0"), std::string::npos) << log;
}

TEST(SmtpSession, HeloFallbackWhenEhloIsRefused)
{
    // The second scenario refuses HELO with our name too and takes it with its own.
    for (const char* scenario : {"noehlo", "nohelo"}) {
        const Peer& peer = ScriptedPeer(scenario);
        ClsMailMan man;
        Configure(man, peer);
        std::unique_ptr<ClsEmail> email(NewEmail({"a@example.test"}));
        EXPECT_TRUE(man.SendEmail(email.get(), nullptr)) << scenario << "\n" << ErrorText(man);
        std::string wire = peer.Wire();
        EXPECT_NE(wire.find("HELO client.test"), std::string::npos) << wire;
        EXPECT_EQ(wire.find("HELO 127.0.0.1") != std::string::npos, std::string(scenario) == "nohelo") << wire;
        EXPECT_NE(peer.Message(1).find("Hello."), std::string::npos) << scenario;
    }
}

TEST(SmtpSession, DistributionListSends)
{
    const Peer& peer = ScriptedPeer("normal");
    std::string folder = TempFolder();
    struct Case {
        std::string lines;
        bool ok;
    };
    // A list where every address was refused sent nothing and must say so.
    const Case cases[] = {
        {"one@example.test\r\n\r\n\r\nnot-an-address\r\n  two@example.test  \r\n", true},
        {"refuse1@example.test\nrefuse2@example.test\n", false},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string file = folder + "/list" + std::to_string(n++) + ".txt";
        std::ofstream(file, std::ios::binary) << c.lines;
        ClsMailMan man;
        Configure(man, peer);
        std::unique_ptr<ClsEmail> email(NewEmail({"ignored@example.test"}));
        email->GetEmail2()->SetHeaderField("TVX-FileDistList", file.c_str());
        EXPECT_EQ(man.SendEmail(email.get(), nullptr), c.ok) << ErrorText(man);
    }
    std::string wire = peer.Wire();
    EXPECT_EQ(wire.find("ignored@"), std::string::npos);
    EXPECT_NE(wire.find("RCPT TO:<one@example.test>"), std::string::npos) << wire;
    EXPECT_NE(wire.find("RCPT TO:<two@example.test>"), std::string::npos) << wire;
    EXPECT_EQ(peer.Message(1).find("TVX-"), std::string::npos);
}

TEST(SmtpSession, DistributionListFile)
{
    std::string file = TempFolder() + "/list.txt";
    std::ofstream(file, std::ios::binary) << "\r\n a@x.test \r\n\r\nnope\r\nB@x.test\r\n";
    DistributionList list;
    LogNull log;
    ASSERT_EQ(list.LoadFile(file.c_str(), log), 2);
    EXPECT_STREQ(list.GetAt(0), "a@x.test");
    EXPECT_STREQ(list.GetAt(1), "B@x.test");
    EXPECT_FALSE(list.AddAddress("no at sign"));
    EXPECT_TRUE(list.AddAddress("b@X.TEST"));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.LoadFile((file + ".missing").c_str(), log), -1);
}

TEST(SmtpSession, HostNormalisation)
{
    ClsMailMan man;
    EXPECT_EQ(man.GetSmtpHost(), "localhost");
    man.SetSmtpHost("HTTP://Mail.Example.TEST/");
    EXPECT_EQ(man.GetSmtpHost(), "mail.example.test");
    man.SetSmtpHost(" host/with/path ");
    EXPECT_EQ(man.GetSmtpHost(), " hostwithpath ");
}

TEST(SmtpSession, EhloCapabilities)
{
    struct Case {
        const char* reply;
        std::vector<const char*> on;
        std::vector<const char*> off;
    };
    const Case cases[] = {
        {"250-peer\r\n250-AUTH LOGIN PLAIN\r\n250 DSN\r\n", {"LOGIN", "PLAIN", "DSN"}, {"CRAM-MD5", "NTLM"}},
        {"250-peer\r\n250 AUTH=LOGIN PLAIN\r\n", {}, {"LOGIN", "PLAIN", "DSN"}},
        {"250-peer\r\n250-auth cram-md5 digest-md5\r\n250 SIZE\r\n", {"CRAM-MD5", "DIGEST-MD5"}, {"LOGIN"}},
        // A method name inside a longer word announces nothing.
        {"250-peer\r\n250 AUTH XLOGIN PLAINX\r\n", {}, {"LOGIN", "PLAIN"}},
        // The last name ends the line; names may be parted by a tab.
        {"250-peer\r\n250 AUTH PLAIN\r\n", {"PLAIN"}, {"LOGIN"}},
        {"250-peer\r\n250 AUTH LOGIN\tCRAM-MD5\r\n", {"LOGIN", "CRAM-MD5"}, {"PLAIN"}},
    };
    for (const Case& c : cases) {
        int pair[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
        ASSERT_EQ(write(pair[1], c.reply, strlen(c.reply)), ssize_t(strlen(c.reply)));
        SmtpConnImpl session;
        session.attachConnectedHandle(pair[0], 2000);
        TextLog log;
        std::string lines;
        EXPECT_TRUE(session.readHelloReply(lines, log, nullptr)) << c.reply;
        for (const char* m : c.on)
            EXPECT_TRUE(session.announced(m)) << c.reply << m;
        for (const char* m : c.off)
            EXPECT_FALSE(session.announced(m)) << c.reply << m;
        session.closeSmtpConnection(log);
        close(pair[1]);
    }
}

// A server whose reply never ends costs the client a bounded amount, and the read fails.
TEST(SmtpSession, EndlessRepliesAreCutOff)
{
    for (bool hello : {false, true}) {
        int pair[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
        int serverEnd = pair[1];
        std::thread server([serverEnd] {
            std::string lines;
            for (int i = 0; i < 2000; ++i)
                lines += "250-an endless reply line that goes on and on and on\r\n";
            while (send(serverEnd, lines.data(), lines.size(), MSG_NOSIGNAL) > 0) {
            }
        });
        SmtpConnImpl session;
        session.attachConnectedHandle(pair[0], 2000);
        TextLog log;
        std::string lines;
        int code = 0;
        bool ok = hello ? session.readHelloReply(lines, log, nullptr)
                        : session.readResponse(250, &code, &lines, log, nullptr);
        EXPECT_FALSE(ok);
        EXPECT_NE(log.text.find("error: Reply exceeds the size limit"), std::string::npos) << hello;
        EXPECT_LE(session.transcript().size(), Socket2::kMaxReplyBytes + 200);
        EXPECT_LE(lines.size(), Socket2::kMaxReplyBytes);
        session.closeSmtpConnection(log);
        shutdown(serverEnd, SHUT_RDWR);
        server.join();
        close(serverEnd);
    }
}

// The application stops the wait for the server's answer to the message: the send ends as an
// abort, and the log says whether time ran out or the application stopped it.
TEST(SmtpSession, AbortWhileWaitingForTheReplyIsAnAbort)
{
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    std::atomic<bool> messageIn {false};
    int serverEnd = pair[1];
    std::thread server([serverEnd, &messageIn] {
        std::string got;
        char c;
        auto answer = [&](const char* text) { return send(serverEnd, text, strlen(text), MSG_NOSIGNAL) > 0; };
        int replies = 0;
        while (read(serverEnd, &c, 1) == 1) {
            got += c;
            if (got.size() >= 2 && got.compare(got.size() - 2, 2, "\r\n") == 0) {
                if (got == ".\r\n") {
                    // Silent from here on; the client is surely waiting once this is set.
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                    messageIn = true;
                } else if (replies < 3) {
                    answer(++replies == 3 ? "354 go on\r\n" : "250 ok\r\n");
                }
                got.clear();
            }
        }
    });
    struct Stopper : ProgressEvent {
        std::atomic<bool>* when;
        void OnPercentDone(int, bool* abort) override { *abort = *when; }
        void OnAbortCheck(bool* abort) override { *abort = *abort || *when; }
    } stopper;
    stopper.when = &messageIn;
    ProgressMonitor monitor(&stopper, 1000000);
    SmtpConnImpl session;
    session.attachConnectedHandle(pair[0], 20000);
    std::unique_ptr<ClsEmail> email(NewEmail({"a@example.test"}));
    std::string text = "Subject: x\r\n\r\nbody\r\n";
    TextLog log;
    DistributionList bad;
    int ok = 0, total = 0;
    bool hard = false, timedOut = true, aborted = false;
    EXPECT_FALSE(session.sendEmail(email->GetEmail2(), "s@example.test", &text, "", log, &monitor, &ok, &total, &hard,
        bad, false, false, &timedOut, &aborted));
    EXPECT_TRUE(aborted) << log.text;
    EXPECT_FALSE(timedOut);
    EXPECT_NE(log.text.find("Failed when sending end-of-body"), std::string::npos) << log.text;
    EXPECT_NE(log.text.find("TimedOut: 0"), std::string::npos) << log.text;
    EXPECT_NE(log.text.find("Aborted: 1"), std::string::npos) << log.text;
    session.closeSmtpConnection(log);
    shutdown(serverEnd, SHUT_RDWR);
    server.join();
    close(serverEnd);
}

TEST(SmtpSession, StartTlsRetriedAfter503)
{
    ASSERT_TRUE(TrustTestCa());
    const Peer& peer = ScriptedTlsPeer("starttls503");
    ClsMailMan man;
    Configure(man, peer);
    man.SetStartTls(true);
    man.SetSmtpUsername("user");
    man.SetSmtpPassword("secret");
    std::unique_ptr<ClsEmail> email(NewEmail({"a@example.test"}, "Over TLS.\r\n"));
    ASSERT_TRUE(man.SendEmail(email.get(), nullptr)) << ErrorText(man);
    std::string log = ErrorText(man);
    EXPECT_NE(log.find("Received 503 SMTP Status..."), std::string::npos) << log;
    EXPECT_NE(log.find("TLS connection established."), std::string::npos) << log;
    std::string wire = peer.Wire();
    size_t first = wire.find("STARTTLS"), second = wire.find("STARTTLS", first + 1);
    ASSERT_NE(second, std::string::npos) << wire;
    // EHLO came between the two, and the login came after TLS.
    EXPECT_NE(wire.substr(first, second - first).find("EHLO client.test"), std::string::npos) << wire;
    EXPECT_GT(wire.find("AUTH LOGIN"), wire.find("(TLS)")) << wire;
    EXPECT_NE(peer.Message(1).find("Over TLS."), std::string::npos);
}

TEST(SmtpSession, ALoginNeverCrossesAPlainConnectionTheServerOffersToProtect)
{
    ASSERT_TRUE(TrustTestCa());
    const TestPki& pki = GetTestPki();
    struct Case {
        const char* name;
        std::string cert, key;
        bool sent;
        const char* reason;
    };
    const Case cases[] = {
        {"verified", pki.serverCert, pki.serverKey, true, "TLS connection established."},
        {"self-signed", pki.selfSignedCert, pki.selfSignedKey, false, "Failed to establish TLS connection."},
        {"another name", pki.wrongNameCert, pki.wrongNameKey, false, "Failed to establish TLS connection."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Peer& peer = ScriptedTlsPeer("default", c.cert, c.key);
        ClsMailMan man;
        Configure(man, peer);
        man.SetSmtpUsername("user");
        man.SetSmtpPassword("secret");
        std::unique_ptr<ClsEmail> email(NewEmail({"a@example.test"}, "Protected.\r\n"));
        EXPECT_EQ(man.SendEmail(email.get(), nullptr), c.sent) << ErrorText(man);
        EXPECT_NE(ErrorText(man).find(c.reason), std::string::npos) << ErrorText(man);
        std::string wire = peer.Wire();
        ASSERT_NE(wire.find("STARTTLS"), std::string::npos) << wire;
        if (c.sent)
            EXPECT_GT(wire.find("AUTH "), wire.find("(TLS)")) << wire;
        else
            EXPECT_EQ(wire.find("AUTH "), std::string::npos) << wire;
    }

    // Without a login the connection stays as the server offers it.
    const Peer& peer = ScriptedTlsPeer("plainsend", pki.selfSignedCert, pki.selfSignedKey);
    ClsMailMan man;
    Configure(man, peer);
    std::unique_ptr<ClsEmail> email(NewEmail({"a@example.test"}, "Plain.\r\n"));
    EXPECT_TRUE(man.SendEmail(email.get(), nullptr)) << ErrorText(man);
    EXPECT_EQ(peer.Wire().find("STARTTLS"), std::string::npos) << peer.Wire();
}

TEST(SmtpSession, NtlmLoginCheckedByAnIndependentVerifier)
{
    struct Case {
        const char* scenario;
        const char* forced;
        const char* domain;
        const char* user;
        const char* password;
        bool ok;
        const char* expected;
    };
    const Case cases[] = {
        {"ntlm", "", "Domain", "user", "Password", true, "login_method: NTLM"},
        {"ntlm", "", "Domain", "user", "Wrong-Password", false, "Failed to login using NTLM method"},
        {"ntlm", "", "Other", "user", "Password", false, "Logon denied.  Check username, password, and domain"},
        // No MSN package here: LOGIN is spoken instead.
        {"msn", "", "", "user", "secret", true, "alt_login_method: LOGIN"},
    };
    for (const Case& c : cases) {
        const Peer& peer = ScriptedPeer(c.scenario);
        SmtpConnImpl session;
        session.setHeloHostName("client.test");
        TextLog log;
        EXPECT_EQ(session.smtpConnect("127.0.0.1", peer.port, c.user, c.password, c.domain, c.forced, 10, 10000, log,
                      nullptr, nullptr, nullptr),
            c.ok)
            << c.scenario << " " << c.password << "\n" << log.text;
        EXPECT_NE(log.text.find(c.expected), std::string::npos) << log.text;
        EXPECT_EQ(log.text.find(c.password), std::string::npos) << log.text;
        // No client token (NTLMSSP messages 1 and 3 in base64) in the transcript either.
        EXPECT_EQ(session.transcript().find("TlRMTVNTUAABAAAA"), std::string::npos) << session.transcript();
        EXPECT_EQ(session.transcript().find("TlRMTVNTUAADAAAA"), std::string::npos) << session.transcript();
    }
    EXPECT_NE(ScriptedPeer("ntlm").Wire().find("AUTH NTLM"), std::string::npos);
}

TEST(SmtpSession, DistributionListAsBccBatchesOfAHundred)
{
    const Peer& peer = ScriptedPeer("bcc");
    std::string file = TempFolder() + "/list.txt";
    {
        std::ofstream out(file, std::ios::binary);
        for (int i = 0; i < 250; ++i)
            out << "member" << i << "@example.test\r\n";
    }
    ClsMailMan man;
    Configure(man, peer);
    man.SetOneMessagePerAddress(false);
    std::unique_ptr<ClsEmail> email(NewEmail({"ignored@example.test"}));
    email->GetEmail2()->SetHeaderField("TVX-FileDistList", file.c_str());
    ASSERT_TRUE(man.SendEmail(email.get(), nullptr)) << ErrorText(man);
    std::vector<int> batches;
    std::istringstream wire(peer.Wire());
    for (std::string line; std::getline(wire, line);) {
        if (line.find(" MAIL FROM:") != std::string::npos)
            batches.push_back(0);
        else if (line.find(" RCPT TO:") != std::string::npos && !batches.empty())
            ++batches.back();
    }
    EXPECT_EQ(batches, (std::vector<int> {100, 100, 50}));
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(peer.Message(n).find("member"), std::string::npos) << "list addresses leaked into the header";
        EXPECT_EQ(peer.Message(n).find("ignored@"), std::string::npos);
    }
}

TEST(SmtpSession, RefusedMailFromLogsTheTranscriptWithoutSecrets)
{
    // DIGEST-MD5 alone is not spoken, so the server refuses the unauthenticated MAIL FROM.
    const Peer& peer = ScriptedPeer("digest");
    ClsMailMan man;
    Configure(man, peer);
    man.SetSmtpUsername("user");
    man.SetSmtpPassword("s3cret-Pa55");
    std::unique_ptr<ClsEmail> email(NewEmail({"a@example.test"}));
    EXPECT_FALSE(man.SendEmail(email.get(), nullptr));
    std::string log = ErrorText(man);
    EXPECT_NE(log.find("DIGEST-MD5 login method not supported"), std::string::npos) << log;
    EXPECT_NE(log.find("Failed when sending MAIL FROM:<sender@example.test>"), std::string::npos) << log;
    // The transcript follows, with the server's refusal in it.
    EXPECT_NE(log.find("530 authentication required"), std::string::npos) << log;
    EXPECT_NE(log.find("EHLO client.test"), std::string::npos) << log;
    EXPECT_EQ(log.find("s3cret-Pa55"), std::string::npos) << log;
}

TEST(SmtpSession, PreparedCopyAndSentMailFile)
{
    const Peer& peer = ScriptedPeer("prepare");
    ClsMailMan man;
    Configure(man, peer);
    std::string sentFile = TempFolder() + "/sent.txt";
    man.SetSentMailFile(sentFile.c_str());
    std::unique_ptr<ClsEmail> email(NewEmail({"a@example.test"}));
    Email2* mail = email->GetEmail2();
    mail->SetHeaderField("TVX-ReturnReceipt", "YES");
    mail->SetHeaderField("TVX-Bcc", "hidden@example.test");
    mail->SetHeaderField("Return-Path", "<bounce@example.test>");
    ASSERT_TRUE(man.SendEmail(email.get(), nullptr)) << ErrorText(man);
    std::string wire = peer.Wire(), message = peer.Message(1);
    EXPECT_NE(wire.find("MAIL FROM:<bounce@example.test>"), std::string::npos) << wire;
    EXPECT_NE(wire.find("RCPT TO:<hidden@example.test>"), std::string::npos) << wire;
    EXPECT_NE(message.find("Disposition-Notification-To: <sender@example.test>"), std::string::npos) << message;
    EXPECT_EQ(message.find("TVX-"), std::string::npos) << message;
    EXPECT_EQ(message.find("Return-Path"), std::string::npos) << message;
    EXPECT_EQ(message.find("hidden@"), std::string::npos) << message;
    // The caller's e-mail is left as it was.
    torvane::StringBuffer value;
    EXPECT_TRUE(mail->GetHeaderField("TVX-ReturnReceipt", value));
    // The file holds what went out.
    std::string sent = ReadFile(sentFile);
    EXPECT_EQ(sent, "--BEGIN SENT TORVANE EMAIL--\n" + message + "\n--END SENT TORVANE EMAIL--\n");
}
