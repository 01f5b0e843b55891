#include "components/foundation/DataBuffer.h"
#include "components/mail/Pop3.h"
#include "components/mail/tests/SmtpTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace smtptest;

namespace {

class TextLog : public LogBase {
public:
    bool LogError(const char* t) override { return Add(t); }
    bool LogInfo(const char* t) override { return Add(t); }
    bool LogData(const char* tag, const char* t) override { return Add((std::string(tag) + ": " + t).c_str()); }
    std::string text;

private:
    bool Add(const char* t)
    {
        text += std::string(t ? t : "") + "\n";
        return true;
    }
};

DataBuffer Bytes(const std::string& s)
{
    DataBuffer d;
    d.Append(s.data(), unsigned(s.size()));
    return d;
}

// Connects to the scripted peer and reads its greeting with the "+OK" check.
bool ConnectAndGreet(Pop3& pop, const Peer& peer, TextLog& log)
{
    if (!pop.Connection().Connect("127.0.0.1", peer.port, false, 0, 5000, log, nullptr, nullptr, nullptr, nullptr))
        return false;
    std::string line;
    return pop.readResponseLine(line, log, nullptr, true);
}

} // namespace

TEST(Pop3, SpaTokenExchangeAndMaskedPassword)
{
    const Peer& peer = ScriptedPeer("pop3");
    ASSERT_GT(peer.port, 0);
    for (const char* last : {"final-good", "final-bad"}) {
        Pop3 pop;
        TextLog log;
        ASSERT_TRUE(ConnectAndGreet(pop, peer, log)) << log.text;
        DataBuffer server;
        ASSERT_TRUE(pop.exchangePackage(server, Bytes("client-token"), log)) << log.text;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(server.GetData()), server.GetSize()), "server-token");
        bool good = std::string(last) == "final-good";
        EXPECT_EQ(pop.sendFinal(Bytes(last), log), good) << log.text;
        if (!good) {
            EXPECT_NE(log.text.find("POP3 SPA login failed!"), std::string::npos) << log.text;
            EXPECT_NE(log.text.find("response: -ERR denied"), std::string::npos) << log.text;
        }
        // A password never reaches the transcript.
        ASSERT_TRUE(pop.sendCommand("PASS hunter2\r\n", log, nullptr));
        EXPECT_EQ(pop.transcript().find("hunter2"), std::string::npos);
        EXPECT_NE(pop.transcript().find("> PASS ****"), std::string::npos) << pop.transcript();
    }
}

TEST(Pop3, ImapGreetingFailsTheOkCheck)
{
    const Peer& peer = ScriptedPeer("imap");
    Pop3 pop;
    TextLog log;
    EXPECT_FALSE(ConnectAndGreet(pop, peer, log));
    EXPECT_NE(log.text.find("This seems to be an IMAP server"), std::string::npos) << log.text;
}

TEST(Pop3, RefusedTokenExchangeFails)
{
    const Peer& peer = ScriptedPeer("pop3deny");
    Pop3 pop;
    TextLog log;
    ASSERT_TRUE(ConnectAndGreet(pop, peer, log)) << log.text;
    DataBuffer server;
    EXPECT_FALSE(pop.exchangePackage(server, Bytes("client-token"), log));
    EXPECT_NE(log.text.find("POP3 SPA login failed."), std::string::npos) << log.text;
    EXPECT_NE(log.text.find("-ERR no SPA here"), std::string::npos) << log.text;
}
