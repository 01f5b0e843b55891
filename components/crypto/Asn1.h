#pragma once
// A small ASN.1 tree with a BER decoder and a DER encoder, and the conversions of an RSA private
// key between the provider's private-key blob, PKCS#1 RSAPrivateKey DER and "<RSAKeyValue>" XML.

#include "components/foundation/TorvaneObject.h"
#include "platform/crypto/CryptTypes.h"

#include <cstdint>

class DataBuffer;
class ExtPtrArray;
class LogBase;
namespace torvane {
class StringBuffer;
}

class Asn1 : public TorvaneObject {
public:
    Asn1() = default;
    Asn1(const Asn1&) = delete;
    Asn1& operator=(const Asn1&) = delete;
    ~Asn1() override;

    // Appends and takes ownership; false (the child is not taken) for a primitive node or one
    // without a child list.
    bool AddChild(Asn1* child);
    void Clear();
    // Appends the node's DER encoding.
    bool EncodeDer(DataBuffer& out, LogBase& log) const;
    // The content in base64 without line breaks, one leading zero byte left out when the content
    // is longer than one byte.
    void AppendContentBase64(torvane::StringBuffer& out) const;

    const unsigned char* Content() const;
    ExtPtrArray* Children() const { return m_children; }
    Asn1* ChildAt(int index) const;

    std::uint8_t m_class = 0;
    bool m_primitive = true;
    std::uint32_t m_tag = 0;
    std::uint32_t m_length = 0;
    unsigned char m_shortContent[4] = {};
    DataBuffer* m_longContent = nullptr;
    ExtPtrArray* m_children = nullptr;
};

Asn1* NewAsn1Integer(const unsigned char* bytes, unsigned count);
Asn1* NewAsn1Sequence();

// Nesting deeper than this is refused (a hostile input would otherwise exhaust the stack).
constexpr int kMaxBerDepth = 64;

bool DecodeBer(const unsigned char* bytes, unsigned count, ExtPtrArray& out, int maximumElements, int depth, LogBase& log);
Asn1* DecodeAsn1(const unsigned char* bytes, unsigned count, LogBase& log);
void ReverseBytes(DataBuffer& data);

bool RsaDerToXml(const DataBuffer& der, torvane::StringBuffer& out, LogBase& log);
bool ExportRsaKeyToDer(HCRYPTKEY key, DataBuffer& out, LogBase& log);
bool ImportRsaKeyFromXml(HCRYPTPROV provider, bool keyExchange, const torvane::StringBuffer& xml, LogBase& log,
    HCRYPTKEY* outKey, unsigned* outBitLength);
