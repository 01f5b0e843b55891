#include "components/net/TorvaneSSPI.h"

#include "NetTestSupport.h"
#include "components/net/PackageExchange.h"
#include "components/net/TorvaneSocket.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

namespace {

std::string Base64(const DataBuffer& data)
{
    std::string out(4 * ((data.GetSize() + 2) / 3) + 1, '\0');
    int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), data.GetData(), int(data.GetSize()));
    out.resize(std::size_t(n));
    return out;
}

bool Unbase64(const std::string& text, DataBuffer& out)
{
    std::string bytes(text.size(), '\0');
    int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
        reinterpret_cast<const unsigned char*>(text.data()), int(text.size()));
    if (n < 0)
        return false;
    std::size_t pad = text.size() >= 2 ? (text[text.size() - 1] == '=') + (text[text.size() - 2] == '=') : 0;
    out.Empty();
    out.Append(bytes.data(), unsigned(n) - unsigned(pad));
    return true;
}

int VerifierPort()
{
    static PeerProcess peer;
    static bool started = peer.Start({ "python3", VORNALT_SOURCE_DIR "/components/net/tests/ntlm_verifier.py" });
    return started ? peer.Port() : 0;
}

// Carries the tokens to the Python verifier over a real socket, one line per token.
class LinePeer : public PackageExchange {
public:
    bool Connect(LogBase& log) { return m_socket.Connect("127.0.0.1", VerifierPort(), 0, log, nullptr, nullptr); }

    bool exchangePackage(DataBuffer& serverToken, const DataBuffer& clientToken, LogBase& log) override
    {
        ++exchanges;
        std::string reply;
        if (!Send("NEGOTIATE", clientToken, reply, log) || reply.rfind("CHALLENGE ", 0) != 0)
            return false;
        return Unbase64(reply.substr(10), serverToken);
    }
    bool sendFinal(const DataBuffer& clientToken, LogBase& log) override
    {
        ++finals;
        std::string reply;
        if (!Send("AUTH", clientToken, reply, log))
            return false;
        verdict = reply;
        return reply == "OK";
    }

    int exchanges = 0;
    int finals = 0;
    std::string verdict;

private:
    bool Send(const char* verb, const DataBuffer& token, std::string& reply, LogBase& log)
    {
        std::string line = std::string(verb) + " " + Base64(token) + "\r\n";
        if (!m_socket.SendBytes(line.data(), unsigned(line.size()), 4096, 0, log, nullptr))
            return false;
        torvane::StringBuffer text;
        if (!m_socket.ReceiveUntilMatch(text, "\r\n", 0, false, 0, log, nullptr))
            return false;
        reply.assign(text.GetText(), std::size_t(text.GetLength() - 2));
        return true;
    }
    TorvaneSocket m_socket;
};

} // namespace

TEST(TorvaneSSPI, LoginAcceptedByIndependentVerifier)
{
    struct Case {
        const char* user;
        const char* domain;
        const char* password;
        bool accepted;
    };
    const Case cases[] = {
        { "User", "Domain", "Password", true },
        { "user", "Domain", "Password", true }, // the user name is compared without case
        { "Jürgen", "Ex", "pässwörd", true },
        { "User", "Domain", "password", false },
    };
    for (const auto& c : cases) {
        CapturingLog log;
        LinePeer peer;
        ASSERT_TRUE(peer.Connect(log)) << log.Text();
        TorvaneSSPI sspi;
        sspi.SetPackageExchange(&peer);
        int index = sspi.FindPackageIndex("ntlm");
        ASSERT_EQ(index, 0);
        EXPECT_EQ(sspi.authenticate(index, c.domain, c.user, c.password, log), c.accepted)
            << c.user << " " << peer.verdict << "\n" << log.Text();
        EXPECT_EQ(peer.exchanges, 1);
        EXPECT_EQ(peer.finals, 1);
    }
}

TEST(TorvaneSSPI, MalformedChallengeEndsTheLogin)
{
    class BrokenPeer : public PackageExchange {
    public:
        bool exchangePackage(DataBuffer& serverToken, const DataBuffer&, LogBase&) override
        {
            serverToken.Empty();
            serverToken.Append("NTLMSSP\0\x02\0\0\0garbage", 19);
            return true;
        }
        bool sendFinal(const DataBuffer&, LogBase&) override
        {
            ++finals;
            return true;
        }
        int finals = 0;
    } peer;
    CapturingLog log;
    TorvaneSSPI sspi;
    sspi.SetPackageExchange(&peer);
    EXPECT_FALSE(sspi.authenticate(0, "Domain", "User", "Password", log));
    EXPECT_EQ(peer.finals, 0);
    EXPECT_TRUE(log.HasError("TorvaneSSPI.prepareOutboundPackage: SEC_E_INVALID_TOKEN")) << log.Text();
    EXPECT_TRUE(log.HasError("TorvaneSSPI.authenticate: failed to prepare next package"));
}

TEST(TorvaneSSPI, CredentialChecks)
{
    TorvaneSSPI sspi;
    CapturingLog log;
    EXPECT_EQ(sspi.FindPackageIndex("MSN"), -1);
    EXPECT_FALSE(sspi.AcquireAlternateCredentials(0, nullptr, nullptr, "x", log));
    EXPECT_TRUE(log.HasError("Failed to acquire alternate credentials: no username and/or password"));
    EXPECT_FALSE(sspi.AcquireAlternateCredentials(3, nullptr, "u", "p", log));
    EXPECT_TRUE(log.Has("PackageIndex", "3"));
    // The logged-on user's own credentials have no single sign-on behind them here.
    EXPECT_FALSE(sspi.AcquireAlternateCredentials(0, nullptr, "Default", " DEFAULT ", log));
    EXPECT_TRUE(log.HasInfo("Using default NTLM credentials."));
    EXPECT_TRUE(log.Has("status_code", "SEC_E_NO_CREDENTIALS"));

    TorvaneSSPI noPeer;
    EXPECT_FALSE(noPeer.authenticate(0, "d", "u", "p", log));
    EXPECT_TRUE(log.HasError("TorvaneSSPI.authenticate: no package exchange object"));
}
