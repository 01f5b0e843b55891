#include "components/foundation/XString.h"
#include "components/mail/ClsEmail.h"
#include "components/mail/ClsMailMan.h"
#include "components/mail/Email2.h"
#include "components/mail/tests/SmtpTestSupport.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace smtptest;

namespace {

std::vector<std::string> ListDelivered(const Peer& peer, const std::string& user)
{
    std::vector<std::string> files;
    std::string dir = peer.folder + "/maildir/" + user + "/new";
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                files.push_back(dir + "/" + e->d_name);
        closedir(d);
    }
    return files;
}

// exim delivers after it has answered; wait (bounded) for the expected count to appear.
std::vector<std::string> Delivered(const Peer& peer, const std::string& user, size_t expected = 1)
{
    std::vector<std::string> files;
    for (int i = 0; i < 200; ++i) {
        files = ListDelivered(peer, user);
        if (files.size() >= expected)
            break;
        usleep(50000);
    }
    return files;
}

std::vector<std::string> HeaderNames(const std::string& text)
{
    std::vector<std::string> names;
    std::istringstream in(text.substr(0, text.find("\n\n") == std::string::npos ? text.find("\r\n\r\n") : text.find("\n\n")));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '\t' || line[0] == ' ' || line == "\r")
            continue;
        std::string name = line.substr(0, line.find(':'));
        if (name != "Received")
            names.push_back(name);
    }
    return names;
}

std::string ErrorText(ClsMailMan& man)
{
    XString text;
    man.GetErrorLogText(text, false);
    return text.GetUtf8();
}

// The line exim logged on the arrival of the nth message (from 0) for user, and the line it
// wrote at that message's MAIL command (the commands of the connection so far, and its port).
struct Arrival {
    std::string received, mail;
};

Arrival ArrivalFor(const std::string& log, const std::string& user, int n)
{
    std::string key = "for " + user + "@example.test\n";
    size_t at = std::string::npos;
    for (int i = 0; i <= n; ++i) {
        at = log.find(key, at == std::string::npos ? 0 : at + 1);
        if (at == std::string::npos)
            return {};
    }
    size_t start = log.rfind('\n', at) + 1;
    Arrival arrival;
    arrival.received = log.substr(start, at - start);
    size_t mail = log.rfind(" MAIL on [", start);
    if (mail != std::string::npos)
        arrival.mail = log.substr(mail, log.find('\n', mail) - mail);
    return arrival;
}

std::string ClientPort(const Arrival& arrival)
{
    size_t at = arrival.mail.find('[');
    return at == std::string::npos ? std::string() : arrival.mail.substr(at, arrival.mail.find(']') - at + 1);
}

void ExpectSecondMessageReusedTheConnection(const std::string& log, const std::string& user)
{
    Arrival first = ArrivalFor(log, user, 0), second = ArrivalFor(log, user, 1);
    ASSERT_FALSE(second.received.empty()) << user << "\n" << log;
    EXPECT_FALSE(ClientPort(first).empty()) << user << "\n" << log;
    EXPECT_NE(second.mail.find(",RSET,MAIL"), std::string::npos) << user << "\n" << log;
    EXPECT_EQ(ClientPort(first), ClientPort(second)) << user << "\n" << log;
}

ClsEmail* NewEmail(const std::string& from, const std::string& to, const std::vector<std::string>& files = {})
{
    auto* email = new ClsEmail;
    XString x;
    x.SetFromUtf8(from.c_str());
    email->SetFrom(x);
    x.SetFromUtf8("Delivery test");
    email->SetSubject(x);
    x.SetFromUtf8("Body line\r\n");
    email->SetBody(x);
    email->AddTo("", to.c_str());
    torvane::StringBuffer type;
    for (const std::string& f : files)
        email->AddFileAttachment(f.c_str(), type);
    return email;
}

bool AttachmentsMatch(const std::string& message, const std::vector<std::string>& files)
{
    std::string check = "/usr/bin/python3 -c \"import email,sys;m=email.message_from_binary_file(open(sys.argv[1],'rb'));"
                        "p=[x.get_payload(decode=True) for x in m.walk() if x.get_filename()];"
                        "sys.exit(0 if p==[open(f,'rb').read() for f in sys.argv[2:]] else 1)\" '"
        + message + "'";
    for (const std::string& f : files)
        check += " '" + f + "'";
    return std::system(check.c_str()) == 0;
}

} // namespace

class EximDelivery : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (access("/usr/sbin/exim4", X_OK) != 0)
            GTEST_SKIP() << "exim4 is not installed";
        ASSERT_GT(EximPeer().port, 0) << "exim4 did not start";
    }
};

TEST_F(EximDelivery, EachLoginMethodDeliversIntoTheMaildir)
{
    const Peer& peer = EximPeer();
    // The doors offer STARTTLS: the login goes over TLS.
    ASSERT_TRUE(TrustTestCa());
    std::string folder = TempFolder();
    std::string files[2] = {folder + "/one.jpg", folder + "/two.bin"};
    for (int f = 0; f < 2; ++f) {
        std::ofstream out(files[f], std::ios::binary);
        for (int i = 0; i < 70000 * (f + 1); ++i)
            out.put(char((i * 31 + f) % 256));
    }
    struct Case {
        const char* user;
        const char* method;
        const char* logged;
        int Peer::*port;
    };
    // Announced PLAIN LOGIN CRAM-MD5: LOGIN is chosen unless another is forced; where only one is
    // announced, that one is chosen.
    const Case cases[] = {
        {"chosen", "", "A=login:user", &Peer::port},
        {"login", "LOGIN", "A=login:user", &Peer::port},
        {"plain", "plain ", "A=plain:user", &Peer::port},
        {"cram", "CRAM-MD5", "A=cram:user", &Peer::port},
        {"plainonly", "", "A=plain:user", &Peer::plainOnlyPort},
        {"cramonly", "", "A=cram:user", &Peer::cramOnlyPort},
    };
    for (const Case& c : cases) {
        ClsMailMan man;
        man.SetSmtpHost("127.0.0.1");
        man.SetSmtpPort(peer.*c.port);
        man.SetSmtpUsername("user");
        man.SetSmtpPassword("secret");
        man.SetSmtpAuthMethod(c.method);
        man.SetDsnOptions("SUCCESS,FAILURE", "envid-1", "HDRS");
        for (int round = 0; round < 2; ++round) {
            ClsEmail email;
            XString x;
            x.SetFromUtf8("sender@example.test");
            email.SetFrom(x);
            x.SetFromUtf8("Delivery test");
            email.SetSubject(x);
            x.SetFromUtf8("Body line\r\n.dot line\r\n");
            email.SetBody(x);
            email.AddTo("", (std::string(c.user) + "@example.test").c_str());
            torvane::StringBuffer type;
            ASSERT_TRUE(email.AddFileAttachment(files[0].c_str(), type));
            ASSERT_TRUE(email.AddFileAttachment(files[1].c_str(), type));
            ASSERT_TRUE(man.SendEmail(&email, nullptr)) << ErrorText(man);
            EXPECT_EQ(ErrorText(man).find("secret"), std::string::npos);
            if (round == 0) {
                // The order the mailer renders its prepared copy in.
                std::unique_ptr<Email2> copy(email.GetEmail2()->Clone(nullptr));
                copy->RemoveHeaderField("Return-Path");
                copy->GenerateMessageId();
                torvane::StringBuffer rendered;
                copy->Render(copy.get(), rendered, "TVX-", nullptr, 0, false);
                std::vector<std::string> got = Delivered(peer, c.user);
                ASSERT_EQ(got.size(), 1u) << c.user;
                EXPECT_EQ(HeaderNames(ReadFile(got[0])), HeaderNames(rendered.GetText())) << ReadFile(got[0]).substr(0, 800);
            }
        }
        std::vector<std::string> got = Delivered(peer, c.user, 2);
        ASSERT_EQ(got.size(), 2u) << c.user;
        for (const std::string& message : got)
            EXPECT_TRUE(AttachmentsMatch(message, {files[0], files[1]})) << "attachments differ from the source files";
    }
    std::string log = ReadFile(peer.folder + "/mainlog");
    for (const Case& c : cases) {
        std::string line = std::string("for ") + c.user + "@example.test";
        size_t at = log.find(line);
        ASSERT_NE(at, std::string::npos) << log;
        size_t start = log.rfind('\n', at);
        EXPECT_NE(log.substr(start, at - start).find(c.logged), std::string::npos) << log;
    }
    // The second message of each mailer came over the connection of the first, after RSET.
    for (const Case& c : cases)
        ExpectSecondMessageReusedTheConnection(log, c.user);
}

TEST_F(EximDelivery, RefusedRecipientIsPartialFailure)
{
    const Peer& peer = EximPeer();
    ClsMailMan man;
    man.SetSmtpHost("127.0.0.1");
    man.SetSmtpPort(peer.port);
    ClsEmail email;
    XString x;
    x.SetFromUtf8("sender@example.test");
    email.SetFrom(x);
    email.AddTo("", "partial@example.test");
    email.AddTo("", "refuse-me@example.test");
    EXPECT_FALSE(man.SendEmail(&email, nullptr));
    EXPECT_NE(ErrorText(man).find("Partial send failure."), std::string::npos) << ErrorText(man);
    EXPECT_TRUE(man.BadAddresses().Contains("refuse-me@example.test"));
    EXPECT_EQ(Delivered(peer, "partial").size(), 1u);
}

TEST_F(EximDelivery, StartTlsAndImplicitTlsWithTheTestCa)
{
    const Peer& peer = EximPeer();
    ASSERT_TRUE(TrustTestCa());
    std::string file = TempFolder() + "/photo.jpg";
    {
        std::ofstream out(file, std::ios::binary);
        for (int i = 0; i < 300000; ++i)
            out.put(char(i * 13 % 251));
    }
    struct Case {
        const char* user;
        int Peer::*port;
        bool ssl, startTls;
    };
    const Case cases[] = {
        {"starttls", &Peer::port, false, true},
        {"implicit", &Peer::tlsPort, true, false},
        // Both switches on a port other than 465: STARTTLS.
        {"bothtls", &Peer::port, true, true},
    };
    for (const Case& c : cases) {
        ClsMailMan man;
        man.SetSmtpHost("127.0.0.1");
        man.SetSmtpPort(peer.*c.port);
        man.SetSmtpUsername("user");
        man.SetSmtpPassword("secret");
        man.SetSsl(c.ssl);
        man.SetStartTls(c.startTls);
        for (int round = 0; round < 2; ++round) {
            std::unique_ptr<ClsEmail> email(NewEmail("sender@example.test", std::string(c.user) + "@example.test", {file}));
            ASSERT_TRUE(man.SendEmail(email.get(), nullptr)) << c.user << "\n" << ErrorText(man);
            EXPECT_EQ(ErrorText(man).find("secret"), std::string::npos);
        }
        std::vector<std::string> got = Delivered(peer, c.user, 2);
        ASSERT_EQ(got.size(), 2u) << c.user;
        for (const std::string& message : got)
            EXPECT_TRUE(AttachmentsMatch(message, {file})) << c.user;
    }
    std::string log = ReadFile(peer.folder + "/mainlog");
    for (const Case& c : cases) {
        for (int n = 0; n < 2; ++n) {
            Arrival arrival = ArrivalFor(log, c.user, n);
            EXPECT_NE(arrival.received.find(" X=TLS"), std::string::npos) << log;
            EXPECT_NE(arrival.received.find("A=login:user"), std::string::npos) << log;
        }
        ExpectSecondMessageReusedTheConnection(log, c.user);
    }
    EXPECT_NE(ArrivalFor(log, "starttls", 0).mail.find("STARTTLS"), std::string::npos) << log;
    EXPECT_NE(ArrivalFor(log, "bothtls", 0).mail.find("STARTTLS"), std::string::npos) << log;
}

TEST_F(EximDelivery, AServerOfferingAuthOnlyAfterStartTlsGetsTheLoginOverTls)
{
    const Peer& peer = EximPeer();
    ASSERT_TRUE(TrustTestCa());
    ClsMailMan man;
    man.SetSmtpHost("127.0.0.1");
    man.SetSmtpPort(peer.authAfterTlsPort);
    man.SetSmtpUsername("user");
    man.SetSmtpPassword("secret");
    std::unique_ptr<ClsEmail> email(NewEmail("sender@example.test", "aftertls@example.test"));
    ASSERT_TRUE(man.SendEmail(email.get(), nullptr)) << ErrorText(man);
    EXPECT_EQ(ErrorText(man).find("NONE or already authenticated"), std::string::npos) << ErrorText(man);
    ASSERT_EQ(Delivered(peer, "aftertls").size(), 1u);
    Arrival arrival = ArrivalFor(ReadFile(peer.folder + "/mainlog"), "aftertls", 0);
    EXPECT_NE(arrival.received.find(" X=TLS"), std::string::npos) << arrival.received;
    EXPECT_NE(arrival.received.find(" A="), std::string::npos) << arrival.received;
    EXPECT_NE(arrival.mail.find("STARTTLS"), std::string::npos) << arrival.mail;
}

TEST_F(EximDelivery, AskingForTlsDoesNotReuseAPlainConnection)
{
    const Peer& peer = EximPeer();
    ASSERT_TRUE(TrustTestCa());
    ClsMailMan man;
    man.SetSmtpHost("127.0.0.1");
    man.SetSmtpPort(peer.port);
    for (bool tls : {false, true}) {
        man.SetStartTls(tls);
        std::unique_ptr<ClsEmail> email(NewEmail("sender@example.test", "plaintls@example.test"));
        ASSERT_TRUE(man.SendEmail(email.get(), nullptr)) << ErrorText(man);
    }
    ASSERT_EQ(Delivered(peer, "plaintls", 2).size(), 2u);
    std::string log = ReadFile(peer.folder + "/mainlog");
    Arrival plain = ArrivalFor(log, "plaintls", 0), tls = ArrivalFor(log, "plaintls", 1);
    EXPECT_EQ(plain.received.find(" X=TLS"), std::string::npos) << log;
    EXPECT_NE(tls.received.find(" X=TLS"), std::string::npos) << log;
    EXPECT_NE(ClientPort(plain), ClientPort(tls)) << log;
    EXPECT_EQ(tls.mail.find("RSET"), std::string::npos) << log;
}

TEST_F(EximDelivery, DsnParametersReachTheServer)
{
    const Peer& peer = EximPeer();
    ClsMailMan man;
    man.SetSmtpHost("127.0.0.1");
    man.SetSmtpPort(peer.port);
    man.SetDsnOptions(" SUCCESS ", "envid-7", "HDRS");
    std::unique_ptr<ClsEmail> email(NewEmail("dsnsender@example.test", "dsn@example.test"));
    ASSERT_TRUE(man.SendEmail(email.get(), nullptr)) << ErrorText(man);
    ASSERT_EQ(Delivered(peer, "dsn").size(), 1u);
    // NOTIFY=SUCCESS makes exim report the delivery to the sender; the report carries ENVID, and
    // RET=HDRS returns only the header.
    std::vector<std::string> reports = Delivered(peer, "dsnsender");
    ASSERT_EQ(reports.size(), 1u) << ReadFile(peer.folder + "/mainlog");
    std::string report = ReadFile(reports[0]);
    EXPECT_NE(report.find("envid-7"), std::string::npos) << report;
    EXPECT_NE(report.find("text/rfc822-headers"), std::string::npos) << report;
    EXPECT_EQ(report.find("Body line"), std::string::npos) << report;
}
