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

} // namespace

TEST(EximDelivery, EachLoginMethodDeliversIntoTheMaildir)
{
    const Peer& peer = EximPeer();
    if (peer.port == 0)
        GTEST_SKIP() << "exim4 is not installed";
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
    };
    // Announced PLAIN LOGIN CRAM-MD5: LOGIN is chosen unless another is forced.
    const Case cases[] = {
        {"chosen", "", "A=login:user"},
        {"login", "LOGIN", "A=login:user"},
        {"plain", "plain ", "A=plain:user"},
        {"cram", "CRAM-MD5", "A=cram:user"},
    };
    for (const Case& c : cases) {
        ClsMailMan man;
        man.SetSmtpHost("127.0.0.1");
        man.SetSmtpPort(peer.port);
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
        for (const std::string& message : got) {
            std::string check = "/usr/bin/python3 -c \"import email,sys;m=email.message_from_binary_file(open(sys.argv[1],'rb'));"
                                "p=[x.get_payload(decode=True) for x in m.walk() if x.get_filename()];"
                                "sys.exit(0 if p==[open(f,'rb').read() for f in sys.argv[2:]] else 1)\" '"
                + message + "' '" + files[0] + "' '" + files[1] + "'";
            EXPECT_EQ(std::system(check.c_str()), 0) << "attachments differ from the source files";
        }
    }
    std::string log = ReadFile(peer.folder + "/mainlog");
    for (const Case& c : cases) {
        std::string line = std::string("for ") + c.user + "@example.test";
        size_t at = log.find(line);
        ASSERT_NE(at, std::string::npos) << log;
        size_t start = log.rfind('\n', at);
        EXPECT_NE(log.substr(start, at - start).find(c.logged), std::string::npos) << log;
    }
    // The second message of each mailer came over the connection of the first (RSET, no new connection).
    for (const Case& c : cases) {
        size_t first = log.find(std::string("for ") + c.user + "@example.test\n");
        size_t second = log.find(std::string("for ") + c.user + "@example.test\n", first + 1);
        ASSERT_NE(second, std::string::npos) << log;
        EXPECT_EQ(log.substr(first, second - first).find("TCP/IP connection count"), std::string::npos) << log;
    }
}

TEST(EximDelivery, RefusedRecipientIsPartialFailure)
{
    const Peer& peer = EximPeer();
    if (peer.port == 0)
        GTEST_SKIP() << "exim4 is not installed";
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
