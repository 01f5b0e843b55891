#include "platform/net/Ntlm.h"

#include "platform/base/Unicode.h"

#include <cstring>
#include <ctime>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

namespace {

constexpr std::uint8_t kSignature[8] = { 'N', 'T', 'L', 'M', 'S', 'S', 'P', 0 };
constexpr std::uint32_t kNegotiateFlags = NTLMSSP_NEGOTIATE_UNICODE | NTLMSSP_NEGOTIATE_OEM | NTLMSSP_REQUEST_TARGET
    | NTLMSSP_NEGOTIATE_NTLM | NTLMSSP_NEGOTIATE_ALWAYS_SIGN | NTLMSSP_NEGOTIATE_EXTENDED_SESSIONSECURITY
    | NTLMSSP_NEGOTIATE_128 | NTLMSSP_NEGOTIATE_56;

std::uint32_t Rotl(std::uint32_t x, int s) { return (x << s) | (x >> (32 - s)); }

std::uint16_t Read16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
std::uint32_t Read32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}
void Put16(NtlmBytes& b, std::size_t at, std::uint16_t v)
{
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
}
void Put32(NtlmBytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = std::uint8_t(v >> (8 * i));
}
void Append64(NtlmBytes& b, std::uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        b.push_back(std::uint8_t(v >> (8 * i)));
}

// Upper case as NTLM applies it to user names: ASCII and the Latin-1 letters.
std::string UpperUtf8(const std::string& text)
{
    std::u16string wide = Utf8ToUtf16(text);
    for (auto& c : wide) {
        if (c >= u'a' && c <= u'z')
            c = char16_t(c - 32);
        else if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
            c = char16_t(c - 32);
    }
    return Utf16ToUtf8(wide);
}

// A field (length, maximum length, offset) pointing into the payload.
void AppendField(NtlmBytes& message, std::size_t fieldAt, const NtlmBytes& value)
{
    Put16(message, fieldAt, std::uint16_t(value.size()));
    Put16(message, fieldAt + 2, std::uint16_t(value.size()));
    Put32(message, fieldAt + 4, std::uint32_t(message.size()));
    message.insert(message.end(), value.begin(), value.end());
}

bool ReadField(const std::uint8_t* data, std::size_t n, std::size_t fieldAt, NtlmBytes& out)
{
    if (fieldAt + 8 > n)
        return false;
    std::size_t length = Read16(data + fieldAt);
    std::size_t offset = Read32(data + fieldAt + 4);
    if (length == 0) {
        out.clear();
        return true;
    }
    if (offset > n || length > n - offset)
        return false;
    out.assign(data + offset, data + offset + length);
    return true;
}

std::uint64_t NowAsFileTime()
{
    timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    return (std::uint64_t(ts.tv_sec) + 11644473600ull) * 10000000ull + std::uint64_t(ts.tv_nsec / 100);
}

} // namespace

NtlmHash Md4(const void* data, std::size_t n)
{
    std::uint32_t h[4] = { 0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476 };
    NtlmBytes message(static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + n);
    message.push_back(0x80);
    while (message.size() % 64 != 56)
        message.push_back(0);
    Append64(message, std::uint64_t(n) * 8);
    for (std::size_t block = 0; block < message.size(); block += 64) {
        std::uint32_t x[16];
        for (int i = 0; i < 16; ++i)
            x[i] = Read32(&message[block + 4 * i]);
        std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
        auto f = [](std::uint32_t x1, std::uint32_t y, std::uint32_t z) { return (x1 & y) | (~x1 & z); };
        auto g = [](std::uint32_t x1, std::uint32_t y, std::uint32_t z) { return (x1 & y) | (x1 & z) | (y & z); };
        auto hh = [](std::uint32_t x1, std::uint32_t y, std::uint32_t z) { return x1 ^ y ^ z; };
        static const int r1[4] = { 3, 7, 11, 19 };
        for (int i = 0; i < 16; ++i) {
            std::uint32_t t = Rotl(a + f(b, c, d) + x[i], r1[i % 4]);
            a = d; d = c; c = b; b = t;
        }
        static const int r2[4] = { 3, 5, 9, 13 };
        static const int k2[16] = { 0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15 };
        for (int i = 0; i < 16; ++i) {
            std::uint32_t t = Rotl(a + g(b, c, d) + x[k2[i]] + 0x5a827999, r2[i % 4]);
            a = d; d = c; c = b; b = t;
        }
        static const int r3[4] = { 3, 9, 11, 15 };
        static const int k3[16] = { 0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15 };
        for (int i = 0; i < 16; ++i) {
            std::uint32_t t = Rotl(a + hh(b, c, d) + x[k3[i]] + 0x6ed9eba1, r3[i % 4]);
            a = d; d = c; c = b; b = t;
        }
        h[0] += a; h[1] += b; h[2] += c; h[3] += d;
    }
    NtlmHash out;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            out[4 * i + j] = std::uint8_t(h[i] >> (8 * j));
    return out;
}

NtlmHash HmacMd5(const NtlmHash& key, const void* data, std::size_t n)
{
    NtlmHash out {};
    unsigned length = 0;
    HMAC(EVP_md5(), key.data(), int(key.size()), static_cast<const unsigned char*>(data), n, out.data(), &length);
    return out;
}

NtlmBytes Utf8ToUtf16LeBytes(const std::string& utf8)
{
    std::u16string wide = Utf8ToUtf16(utf8);
    NtlmBytes out;
    out.reserve(wide.size() * 2);
    for (char16_t c : wide) {
        out.push_back(std::uint8_t(c));
        out.push_back(std::uint8_t(c >> 8));
    }
    return out;
}

NtlmHash NtowfV1(const std::string& password)
{
    NtlmBytes bytes = Utf8ToUtf16LeBytes(password);
    return Md4(bytes.data(), bytes.size());
}

NtlmHash NtowfV2(const std::string& user, const std::string& domain, const std::string& password)
{
    NtlmBytes identity = Utf8ToUtf16LeBytes(UpperUtf8(user) + domain);
    return HmacMd5(NtowfV1(password), identity.data(), identity.size());
}

bool ParseNtlmChallenge(const std::uint8_t* data, std::size_t n, NtlmChallenge& out, std::string* reason)
{
    auto fail = [&](const char* why) {
        if (reason)
            *reason = why;
        return false;
    };
    out = NtlmChallenge {};
    if (!data || n < 32)
        return fail("challenge shorter than its fixed part");
    if (std::memcmp(data, kSignature, 8) != 0)
        return fail("no NTLMSSP signature");
    if (Read32(data + 8) != 2)
        return fail("not a CHALLENGE message");
    if (!ReadField(data, n, 12, out.targetName))
        return fail("target name outside the message");
    out.flags = Read32(data + 20);
    std::memcpy(out.serverChallenge.data(), data + 24, 8);
    if (n >= 48 && !ReadField(data, n, 40, out.targetInfo))
        return fail("target information outside the message");
    // Walk the AV pairs: each must lie inside the block, and the list ends with MsvAvEOL.
    const NtlmBytes& info = out.targetInfo;
    std::size_t at = 0;
    while (at < info.size()) {
        if (info.size() - at < 4)
            return fail("truncated AV pair");
        std::uint16_t id = Read16(&info[at]);
        std::size_t length = Read16(&info[at + 2]);
        if (info.size() - at - 4 < length)
            return fail("AV pair longer than the target information");
        if (id == 0)
            break;
        if (id == 7 && length == 8) {
            out.hasTimestamp = true;
            out.timestamp = std::uint64_t(Read32(&info[at + 4])) | (std::uint64_t(Read32(&info[at + 8])) << 32);
        }
        at += 4 + length;
    }
    return true;
}

NtlmV2Responses ComputeNtlmV2Responses(const NtlmHash& ntowfV2, const std::array<std::uint8_t, 8>& serverChallenge,
    const std::array<std::uint8_t, 8>& clientChallenge, std::uint64_t timestamp, const NtlmBytes& targetInfo,
    bool lmResponseZero)
{
    NtlmBytes blob = { 1, 1, 0, 0, 0, 0, 0, 0 };
    Append64(blob, timestamp);
    blob.insert(blob.end(), clientChallenge.begin(), clientChallenge.end());
    blob.insert(blob.end(), 4, 0);
    blob.insert(blob.end(), targetInfo.begin(), targetInfo.end());
    blob.insert(blob.end(), 4, 0);

    NtlmBytes input(serverChallenge.begin(), serverChallenge.end());
    input.insert(input.end(), blob.begin(), blob.end());
    NtlmHash proof = HmacMd5(ntowfV2, input.data(), input.size());

    NtlmV2Responses r;
    r.ntResponse.assign(proof.begin(), proof.end());
    r.ntResponse.insert(r.ntResponse.end(), blob.begin(), blob.end());
    r.sessionBaseKey = HmacMd5(ntowfV2, proof.data(), proof.size());
    if (lmResponseZero) {
        r.lmResponse.assign(24, 0);
    } else {
        NtlmBytes lmInput(serverChallenge.begin(), serverChallenge.end());
        lmInput.insert(lmInput.end(), clientChallenge.begin(), clientChallenge.end());
        NtlmHash lm = HmacMd5(ntowfV2, lmInput.data(), lmInput.size());
        r.lmResponse.assign(lm.begin(), lm.end());
        r.lmResponse.insert(r.lmResponse.end(), clientChallenge.begin(), clientChallenge.end());
    }
    return r;
}

NtlmClientContext::NtlmClientContext(std::string user, std::string domain, std::string password,
    std::string workstation)
    : m_user(std::move(user))
    , m_domain(std::move(domain))
    , m_password(std::move(password))
    , m_workstation(std::move(workstation))
{
}

NtlmBytes NtlmClientContext::Negotiate() const
{
    NtlmBytes m(32, 0);
    std::memcpy(m.data(), kSignature, 8);
    Put32(m, 8, 1);
    Put32(m, 12, kNegotiateFlags);
    // Empty domain and workstation fields point at the end of the message.
    Put32(m, 20, 32);
    Put32(m, 28, 32);
    return m;
}

bool NtlmClientContext::Authenticate(const std::uint8_t* challenge, std::size_t n, NtlmBytes& out,
    std::string* reason)
{
    out.clear();
    NtlmChallenge parsed;
    if (!ParseNtlmChallenge(challenge, n, parsed, reason))
        return false;
    std::array<std::uint8_t, 8> clientChallenge = m_clientChallenge;
    if (!m_fixedChallenge && RAND_bytes(clientChallenge.data(), 8) != 1) {
        if (reason)
            *reason = "no random bytes for the client challenge";
        return false;
    }
    std::uint64_t timestamp = m_fixedTime ? m_timestamp : (parsed.hasTimestamp ? parsed.timestamp : NowAsFileTime());
    NtlmV2Responses responses = ComputeNtlmV2Responses(NtowfV2(m_user, m_domain, m_password),
        parsed.serverChallenge, clientChallenge, timestamp, parsed.targetInfo, parsed.hasTimestamp);

    bool unicode = (parsed.flags & NTLMSSP_NEGOTIATE_UNICODE) != 0;
    auto text = [&](const std::string& s) { return unicode ? Utf8ToUtf16LeBytes(s) : NtlmBytes(s.begin(), s.end()); };
    std::uint32_t flags = (parsed.flags & kNegotiateFlags & ~(unicode ? NTLMSSP_NEGOTIATE_OEM : 0u))
        | NTLMSSP_NEGOTIATE_NTLM;
    if (!unicode)
        flags &= ~NTLMSSP_NEGOTIATE_UNICODE;

    out.assign(64, 0);
    std::memcpy(out.data(), kSignature, 8);
    Put32(out, 8, 3);
    AppendField(out, 12, responses.lmResponse);
    AppendField(out, 20, responses.ntResponse);
    AppendField(out, 28, text(m_domain));
    AppendField(out, 36, text(m_user));
    AppendField(out, 44, text(m_workstation));
    AppendField(out, 52, {});
    Put32(out, 60, flags);
    if (out.size() > 0xFFFF) {
        if (reason)
            *reason = "authenticate message too large";
        out.clear();
        return false;
    }
    return true;
}

void NtlmClientContext::SetClientChallengeForTesting(const std::array<std::uint8_t, 8>& challenge)
{
    m_clientChallenge = challenge;
    m_fixedChallenge = true;
}

void NtlmClientContext::SetTimestampForTesting(std::uint64_t fileTime)
{
    m_timestamp = fileTime;
    m_fixedTime = true;
}
