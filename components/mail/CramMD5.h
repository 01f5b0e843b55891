#pragma once
// The response of the SASL mechanism CRAM-MD5 (RFC 2195) to a server challenge.

class DataBuffer;
namespace torvane {
class StringBuffer;
}

class CramMD5 {
public:
    CramMD5() = default;
    virtual ~CramMD5() = default;

    // Appends HMAC-MD5(key = password, data = challenge) as 32 lower-case hex digits.
    void HexDigest(const torvane::StringBuffer& password, const DataBuffer& challenge, torvane::StringBuffer& out) const;
    // Appends "<user> <hex digest>"; the caller sends it base64-encoded.
    void BuildResponse(const torvane::StringBuffer& user, const torvane::StringBuffer& password,
                       const DataBuffer& challenge, torvane::StringBuffer& out) const;
};
