#pragma once
// Our NTLM package: the client side of the NEGOTIATE / CHALLENGE / AUTHENTICATE exchange with
// NTLMv2 responses (MS-NLMP). Only authentication: no signing or sealing is negotiated.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

using NtlmBytes = std::vector<std::uint8_t>;
using NtlmHash = std::array<std::uint8_t, 16>;

constexpr std::uint32_t NTLMSSP_NEGOTIATE_UNICODE = 0x00000001;
constexpr std::uint32_t NTLMSSP_NEGOTIATE_OEM = 0x00000002;
constexpr std::uint32_t NTLMSSP_REQUEST_TARGET = 0x00000004;
constexpr std::uint32_t NTLMSSP_NEGOTIATE_NTLM = 0x00000200;
constexpr std::uint32_t NTLMSSP_NEGOTIATE_ALWAYS_SIGN = 0x00008000;
constexpr std::uint32_t NTLMSSP_NEGOTIATE_EXTENDED_SESSIONSECURITY = 0x00080000;
constexpr std::uint32_t NTLMSSP_NEGOTIATE_TARGET_INFO = 0x00800000;
constexpr std::uint32_t NTLMSSP_NEGOTIATE_128 = 0x20000000;
constexpr std::uint32_t NTLMSSP_NEGOTIATE_56 = 0x80000000;

// RFC 1320 (not in OpenSSL's default provider).
NtlmHash Md4(const void* data, std::size_t n);
NtlmHash HmacMd5(const NtlmHash& key, const void* data, std::size_t n);
NtlmBytes Utf8ToUtf16LeBytes(const std::string& utf8);
// MD4 of the UTF-16LE password.
NtlmHash NtowfV1(const std::string& password);
// HMAC-MD5 keyed with NTOWFv1 over UTF-16LE of the upper-cased user followed by the domain.
NtlmHash NtowfV2(const std::string& user, const std::string& domain, const std::string& password);

struct NtlmChallenge {
    std::uint32_t flags = 0;
    std::array<std::uint8_t, 8> serverChallenge {};
    NtlmBytes targetName;
    NtlmBytes targetInfo;
    // MsvAvTimestamp from the target info, when present.
    bool hasTimestamp = false;
    std::uint64_t timestamp = 0;
};

// Bounds-checked parse of a CHALLENGE message from the server; false (with a reason) when the
// bytes are not a well-formed challenge.
bool ParseNtlmChallenge(const std::uint8_t* data, std::size_t n, NtlmChallenge& out, std::string* reason = nullptr);

struct NtlmV2Responses {
    NtlmBytes ntResponse; // NTProofStr followed by the client blob
    NtlmBytes lmResponse; // 24 bytes
    NtlmHash sessionBaseKey {};
};

NtlmV2Responses ComputeNtlmV2Responses(const NtlmHash& ntowfV2, const std::array<std::uint8_t, 8>& serverChallenge,
    const std::array<std::uint8_t, 8>& clientChallenge, std::uint64_t timestamp, const NtlmBytes& targetInfo,
    bool lmResponseZero);

class NtlmClientContext {
public:
    NtlmClientContext(std::string user, std::string domain, std::string password, std::string workstation = {});

    NtlmBytes Negotiate() const;
    // The AUTHENTICATE message answering a challenge; false with a reason for a malformed one.
    bool Authenticate(const std::uint8_t* challenge, std::size_t n, NtlmBytes& out, std::string* reason);

    // Tests fix the random client challenge and the clock to reproduce published vectors.
    void SetClientChallengeForTesting(const std::array<std::uint8_t, 8>& challenge);
    void SetTimestampForTesting(std::uint64_t fileTime);

private:
    std::string m_user, m_domain, m_password, m_workstation;
    bool m_fixedChallenge = false;
    std::array<std::uint8_t, 8> m_clientChallenge {};
    bool m_fixedTime = false;
    std::uint64_t m_timestamp = 0;
};
