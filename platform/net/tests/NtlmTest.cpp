#include "platform/net/Ntlm.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {
std::string Hex(const std::uint8_t* p, std::size_t n)
{
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
    }
    return out;
}
std::string Hex(const NtlmHash& h) { return Hex(h.data(), h.size()); }
std::string Hex(const NtlmBytes& b) { return Hex(b.data(), b.size()); }

NtlmBytes FromHex(const std::string& hex)
{
    NtlmBytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(std::uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

// The target information of the published NTLMv2 example: NetBIOS domain "Domain", NetBIOS
// computer "Server", end of list.
NtlmBytes ExampleTargetInfo()
{
    NtlmBytes info = { 2, 0, 12, 0 };
    NtlmBytes domain = Utf8ToUtf16LeBytes("Domain");
    info.insert(info.end(), domain.begin(), domain.end());
    info.insert(info.end(), { 1, 0, 12, 0 });
    NtlmBytes server = Utf8ToUtf16LeBytes("Server");
    info.insert(info.end(), server.begin(), server.end());
    info.insert(info.end(), { 0, 0, 0, 0 });
    return info;
}

NtlmBytes BuildChallenge(std::uint32_t flags, const NtlmBytes& targetInfo)
{
    NtlmBytes m = FromHex("4e544c4d53535000" "02000000" "0c000c0030000000");
    for (int i = 0; i < 4; ++i)
        m.push_back(std::uint8_t(flags >> (8 * i)));
    NtlmBytes rest = FromHex("0123456789abcdef" "0000000000000000");
    m.insert(m.end(), rest.begin(), rest.end());
    std::uint16_t length = std::uint16_t(targetInfo.size());
    std::uint32_t offset = 48 + 12;
    m.insert(m.end(), { std::uint8_t(length), std::uint8_t(length >> 8), std::uint8_t(length), std::uint8_t(length >> 8) });
    for (int i = 0; i < 4; ++i)
        m.push_back(std::uint8_t(offset >> (8 * i)));
    NtlmBytes name = Utf8ToUtf16LeBytes("Server");
    m.insert(m.end(), name.begin(), name.end());
    m.insert(m.end(), targetInfo.begin(), targetInfo.end());
    return m;
}
} // namespace

TEST(Ntlm, Md4Rfc1320Vectors)
{
    const std::pair<const char*, const char*> cases[] = {
        { "", "31d6cfe0d16ae931b73c59d7e0c089c0" },
        { "a", "bde52cb31de33e46245e05fbdbd6fb24" },
        { "abc", "a448017aaf21d8525fc10ae87aa6729d" },
        { "message digest", "d9130a8164549fe818874806e1c7014b" },
        { "abcdefghijklmnopqrstuvwxyz", "d79e1c308aa5bbcdeea8ed63df412da9" },
        { "12345678901234567890123456789012345678901234567890123456789012345678901234567890",
            "e33b4ddc9c38f2199c3e7b164fcc0536" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(Hex(Md4(c.first, std::strlen(c.first))), c.second) << c.first;
}

TEST(Ntlm, PublishedNtlmV2Vectors)
{
    EXPECT_EQ(Hex(NtowfV1("Password")), "a4f49c406510bdcab6824ee7c30fd852");
    NtlmHash key = NtowfV2("User", "Domain", "Password");
    EXPECT_EQ(Hex(key), "0c868a403bfd7a93a3001ef22ef02e3f");

    std::array<std::uint8_t, 8> server = { 0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef };
    std::array<std::uint8_t, 8> client;
    client.fill(0xaa);
    NtlmV2Responses r = ComputeNtlmV2Responses(key, server, client, 0, ExampleTargetInfo(), false);
    EXPECT_EQ(Hex(r.lmResponse), "86c35097ac9cec102554764a57cccc19aaaaaaaaaaaaaaaa");
    EXPECT_EQ(Hex(r.ntResponse.data(), 16), "68cd0ab851e51c96aabc927bebef6a1c");
    EXPECT_EQ(Hex(r.sessionBaseKey), "8de40ccadbc14a82f15cb0ad0de95ca3");
    EXPECT_EQ(Hex(r.ntResponse.data() + 16, r.ntResponse.size() - 16),
        "0101000000000000" "0000000000000000" "aaaaaaaaaaaaaaaa" "00000000" + Hex(ExampleTargetInfo()) + "00000000");
}

TEST(Ntlm, AuthenticateMessageCarriesTheResponses)
{
    NtlmClientContext context("User", "Domain", "Password", "COMPUTER");
    std::array<std::uint8_t, 8> client;
    client.fill(0xaa);
    context.SetClientChallengeForTesting(client);
    context.SetTimestampForTesting(0);

    NtlmBytes negotiate = context.Negotiate();
    ASSERT_EQ(negotiate.size(), 32u);
    EXPECT_EQ(Hex(negotiate.data(), 12), "4e544c4d5353500001000000");

    NtlmBytes challenge = BuildChallenge(NTLMSSP_NEGOTIATE_UNICODE | NTLMSSP_NEGOTIATE_NTLM
            | NTLMSSP_NEGOTIATE_TARGET_INFO | NTLMSSP_NEGOTIATE_EXTENDED_SESSIONSECURITY,
        ExampleTargetInfo());
    NtlmBytes message;
    std::string reason;
    ASSERT_TRUE(context.Authenticate(challenge.data(), challenge.size(), message, &reason)) << reason;
    EXPECT_EQ(Hex(message.data(), 12), "4e544c4d5353500003000000");
    auto field = [&](std::size_t at) {
        std::size_t length = message[at] | (message[at + 1] << 8);
        std::size_t offset = message[at + 4] | (message[at + 5] << 8);
        return NtlmBytes(message.begin() + long(offset), message.begin() + long(offset + length));
    };
    EXPECT_EQ(Hex(field(12)), "86c35097ac9cec102554764a57cccc19aaaaaaaaaaaaaaaa");
    EXPECT_EQ(Hex(field(20)).substr(0, 32), "68cd0ab851e51c96aabc927bebef6a1c");
    EXPECT_EQ(field(28), Utf8ToUtf16LeBytes("Domain"));
    EXPECT_EQ(field(36), Utf8ToUtf16LeBytes("User"));
    EXPECT_EQ(field(44), Utf8ToUtf16LeBytes("COMPUTER"));
}

TEST(Ntlm, HostileChallengesAreRefused)
{
    NtlmBytes good = BuildChallenge(NTLMSSP_NEGOTIATE_UNICODE, ExampleTargetInfo());
    NtlmChallenge parsed;
    ASSERT_TRUE(ParseNtlmChallenge(good.data(), good.size(), parsed));
    EXPECT_EQ(parsed.targetInfo, ExampleTargetInfo());

    struct Case {
        const char* what;
        NtlmBytes bytes;
    };
    std::vector<Case> cases;
    cases.push_back({ "short", NtlmBytes(good.begin(), good.begin() + 20) });
    NtlmBytes badSignature = good;
    badSignature[0] = 'X';
    cases.push_back({ "signature", badSignature });
    NtlmBytes wrongType = good;
    wrongType[8] = 3;
    cases.push_back({ "type", wrongType });
    NtlmBytes infoPastEnd = good;
    infoPastEnd[44] = 0xF0; // target information offset beyond the message
    cases.push_back({ "info offset", infoPastEnd });
    NtlmBytes namePastEnd = good;
    namePastEnd[12] = 0xFF; // target name longer than the message
    namePastEnd[13] = 0xFF;
    cases.push_back({ "name length", namePastEnd });
    NtlmBytes pairTooLong = good;
    pairTooLong[good.size() - ExampleTargetInfo().size() + 2] = 200; // first AV pair runs past the block
    cases.push_back({ "av pair", pairTooLong });
    for (const auto& c : cases) {
        std::string reason;
        EXPECT_FALSE(ParseNtlmChallenge(c.bytes.data(), c.bytes.size(), parsed, &reason)) << c.what;
        EXPECT_FALSE(reason.empty()) << c.what;
    }

    NtlmClientContext context("u", "d", "p");
    NtlmBytes out;
    std::string reason;
    EXPECT_FALSE(context.Authenticate(badSignature.data(), badSignature.size(), out, &reason));
    EXPECT_TRUE(out.empty());
}

TEST(Ntlm, TimestampFromTargetInfoAndZeroLmResponse)
{
    NtlmBytes info = { 7, 0, 8, 0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 0 };
    NtlmBytes challenge = BuildChallenge(NTLMSSP_NEGOTIATE_UNICODE, info);
    NtlmChallenge parsed;
    ASSERT_TRUE(ParseNtlmChallenge(challenge.data(), challenge.size(), parsed));
    EXPECT_TRUE(parsed.hasTimestamp);
    EXPECT_EQ(parsed.timestamp, 0x0807060504030201ull);

    NtlmClientContext context("User", "Domain", "Password");
    NtlmBytes message;
    ASSERT_TRUE(context.Authenticate(challenge.data(), challenge.size(), message, nullptr));
    std::size_t lmLength = message[12] | (message[13] << 8);
    std::size_t lmOffset = message[16] | (message[17] << 8);
    EXPECT_EQ(NtlmBytes(message.begin() + long(lmOffset), message.begin() + long(lmOffset + lmLength)),
        NtlmBytes(24, 0));
    std::size_t ntOffset = message[24] | (message[25] << 8);
    EXPECT_EQ(Hex(message.data() + ntOffset + 16 + 8, 8), "0102030405060708");
}
