#include "components/crypto/Asn1.h"

#include "components/foundation/Base64.h"
#include "components/foundation/ClsXml.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/StringBuffer.h"
#include "platform/base/LastError.h"
#include "platform/crypto/CryptProv.h"

#include <cstdlib>
#include <cstring>
#include <vector>

Asn1::~Asn1() { Clear(); }

void Asn1::Clear()
{
    delete m_longContent;
    m_longContent = nullptr;
    if (m_children) {
        m_children->DeleteAll();
        delete m_children;
        m_children = nullptr;
    }
    m_class = 0;
    m_primitive = true;
    m_tag = 0;
    m_length = 0;
    std::memset(m_shortContent, 0, sizeof m_shortContent);
}

bool Asn1::AddChild(Asn1* child)
{
    if (m_primitive || !m_children || !child)
        return false;
    m_children->Append(child);
    return true;
}

const unsigned char* Asn1::Content() const
{
    if (m_length <= 4)
        return m_shortContent;
    return m_longContent ? m_longContent->GetData() : nullptr;
}

Asn1* Asn1::ChildAt(int index) const { return m_children ? m_children->GetAtAs<Asn1>(index) : nullptr; }

namespace {

void AppendIdentifier(const Asn1& node, DataBuffer& out)
{
    unsigned char first = (unsigned char)((node.m_class & 3) << 6);
    if (!node.m_primitive)
        first |= 0x20;
    if (node.m_tag <= 30) {
        out.AppendByte((unsigned char)(first | node.m_tag));
        return;
    }
    out.AppendByte((unsigned char)(first | 0x1F));
    unsigned char digits[5];
    int count = 0;
    std::uint32_t tag = node.m_tag;
    do {
        digits[count++] = (unsigned char)(tag & 0x7F);
        tag >>= 7;
    } while (tag);
    for (int i = count - 1; i >= 0; --i)
        out.AppendByte((unsigned char)(digits[i] | (i ? 0x80 : 0)));
}

void AppendLength(std::uint32_t length, DataBuffer& out)
{
    if (length < 128) {
        out.AppendByte((unsigned char)length);
        return;
    }
    unsigned char bytes[4];
    int count = 0;
    while (length) {
        bytes[count++] = (unsigned char)(length & 0xFF);
        length >>= 8;
    }
    out.AppendByte((unsigned char)(0x80 | count));
    for (int i = count - 1; i >= 0; --i)
        out.AppendByte(bytes[i]);
}

} // namespace

bool Asn1::EncodeDer(DataBuffer& out, LogBase& log) const
{
    if (m_primitive) {
        const unsigned char* content = m_shortContent;
        if (m_length > 4) {
            if (!m_longContent) {
                log.LogError("No content for primitive!");
                return false;
            }
            if (m_longContent->GetSize() != m_length) {
                log.LogError("Length disagreement");
                return false;
            }
            content = m_longContent->GetData();
        }
        AppendIdentifier(*this, out);
        AppendLength(m_length, out);
        return m_length == 0 || out.Append(content, m_length);
    }
    if (!m_children)
        return false;
    DataBuffer body;
    bool ok = true;
    for (int i = 0; i < m_children->GetCount(); ++i) {
        auto* child = m_children->GetAtAs<Asn1>(i);
        DataBuffer encoded;
        if (!child || !child->EncodeDer(encoded, log)) {
            ok = false;
            continue;
        }
        body.AppendBuffer(encoded);
    }
    if (!ok)
        return false;
    AppendIdentifier(*this, out);
    AppendLength(body.GetSize(), out);
    return out.AppendBuffer(body);
}

void Asn1::AppendContentBase64(torvane::StringBuffer& out) const
{
    const unsigned char* content = Content();
    unsigned length = m_length;
    if (!content || length == 0)
        return;
    if (length > 1 && content[0] == 0) {
        ++content;
        --length;
    }
    out.Append(Base64Encode(content, length, 0).c_str());
}

Asn1* NewAsn1Integer(const unsigned char* bytes, unsigned count)
{
    if (!bytes || count == 0)
        return nullptr;
    auto* node = new Asn1;
    node->m_tag = 2;
    bool pad = bytes[0] >= 0x80;
    node->m_length = count + (pad ? 1 : 0);
    if (node->m_length <= 4) {
        unsigned at = 0;
        if (pad)
            node->m_shortContent[at++] = 0;
        std::memcpy(node->m_shortContent + at, bytes, count);
    } else {
        node->m_longContent = new DataBuffer;
        if (pad)
            node->m_longContent->AppendByte(0);
        node->m_longContent->Append(bytes, count);
    }
    return node;
}

Asn1* NewAsn1Sequence()
{
    auto* node = new Asn1;
    node->m_tag = 16;
    node->m_primitive = false;
    node->m_children = new ExtPtrArray;
    return node;
}

bool DecodeBer(const unsigned char* bytes, unsigned count, ExtPtrArray& out, int maximumElements, int depth, LogBase& log)
{
    if (!bytes) {
        log.LogError("null reference passed to BER decoder");
        return false;
    }
    if (count < 2) {
        log.LogError("invalid length passed to BER decoder");
        return false;
    }
    if (depth > kMaxBerDepth) {
        log.LogError("BER nesting too deep");
        return false;
    }
    std::uint64_t position = 0;
    const std::uint64_t end = count;
    int read = 0;
    while ((maximumElements == 0 || read < maximumElements) && end - position >= 3) {
        unsigned char identifier = bytes[position++];
        auto* node = new Asn1;
        auto fail = [&](const char* text) {
            log.LogError(text);
            delete node;
            return false;
        };
        node->m_class = (std::uint8_t)(identifier >> 6);
        node->m_primitive = (identifier & 0x20) == 0;
        node->m_tag = identifier & 0x1F;
        if (node->m_tag == 0x1F) {
            std::uint32_t tag = 0;
            int marked = 0;
            for (;;) {
                if (position >= end)
                    return fail("premature end of BER encoding (1)");
                unsigned char digit = bytes[position++];
                tag = (tag << 7) | (digit & 0x7F);
                if (!(digit & 0x80))
                    break;
                if (++marked > 3)
                    return fail("cannot parse BER tag > 4 octets");
            }
            node->m_tag = tag;
            if (position >= end)
                return fail("premature end of BER encoding (2)");
        }
        unsigned char lengthByte = bytes[position++];
        std::uint64_t length = 0;
        if (lengthByte < 0x80) {
            length = lengthByte;
            if (position >= end)
                return fail("premature end of BER encoding (3)");
        } else if (lengthByte == 0xFF) {
            delete node;
            return true;
        } else if (lengthByte == 0x80) {
            return fail("invalid 0 in BER decoding");
        } else {
            int lengthBytes = lengthByte & 0x7F;
            if (lengthBytes > 4)
                return fail("cannot parse BER length > 4 octets");
            if (position >= end)
                return fail("premature end of BER encoding (4)");
            for (int i = 0; i < lengthBytes; ++i) {
                length = (length << 8) | bytes[position++];
                if (position >= end)
                    return fail("premature end of BER encoding (5)");
            }
        }
        if (length == 0) {
            delete node;
            return true;
        }
        if (length > end - position)
            return fail("premature end of BER encoding (6)");
        node->m_length = std::uint32_t(length);
        const unsigned char* content = bytes + position;
        if (!node->m_primitive) {
            node->m_children = new ExtPtrArray;
            if (!DecodeBer(content, node->m_length, *node->m_children, 0, depth + 1, log))
                log.LogError("Failed to decode constructed BER element");
        } else if (length <= 4) {
            std::memcpy(node->m_shortContent, content, std::size_t(length));
        } else {
            node->m_longContent = new DataBuffer;
            node->m_longContent->Append(content, node->m_length);
        }
        out.Append(node);
        ++read;
        position += length;
    }
    return true;
}

Asn1* DecodeAsn1(const unsigned char* bytes, unsigned count, LogBase& log)
{
    ExtPtrArray nodes;
    bool ok = DecodeBer(bytes, count, nodes, 1, 1, log);
    Asn1* first = nodes.GetCount() ? nodes.GetAtAs<Asn1>(0) : nullptr;
    if (!ok || !first) {
        nodes.DeleteAll();
        return nullptr;
    }
    nodes.RemoveAt(0);
    nodes.DeleteAll();
    return first;
}

void ReverseBytes(DataBuffer& data)
{
    unsigned size = data.GetSize();
    if (size < 2)
        return;
    unsigned char* bytes = data.GetData();
    for (unsigned i = 0, j = size - 1; i < j; ++i, --j)
        std::swap(bytes[i], bytes[j]);
}

bool RsaDerToXml(const DataBuffer& der, torvane::StringBuffer& out, LogBase& log)
{
    out.Clear();
    Asn1* root = DecodeAsn1(der.GetData(), der.GetSize(), log);
    if (!root)
        return false;
    bool ok = false;
    if (root->m_tag != 16) {
        log.LogError("Invalid ASN.1 for RSA Private Key");
    } else if (!root->m_children) {
        log.LogError("Invalid ASN.1 for RSA Private Key.");
    } else if (root->m_children->GetCount() <= 8) {
        log.LogError("Invalid ASN.1 for RSA Private Key..");
    } else {
        static const struct {
            const char* element;
            int child;
        } kOrder[] = { { "Modulus", 1 }, { "Exponent", 2 }, { "P", 4 }, { "Q", 5 }, { "DP", 6 }, { "DQ", 7 },
            { "InverseQ", 8 }, { "D", 3 } };
        out.Append("<RSAKeyValue>");
        for (const auto& entry : kOrder) {
            out.Append("<");
            out.Append(entry.element);
            out.Append(">");
            root->ChildAt(entry.child)->AppendContentBase64(out);
            out.Append("</");
            out.Append(entry.element);
            out.Append(">");
        }
        out.Append("</RSAKeyValue>");
        ok = true;
    }
    delete root;
    return ok;
}

namespace {

// An INTEGER of a big-endian magnitude, leading zero bytes dropped so the encoding is minimal.
Asn1* MinimalInteger(const unsigned char* bytes, unsigned count)
{
    while (count > 1 && bytes[0] == 0) {
        ++bytes;
        --count;
    }
    return NewAsn1Integer(bytes, count);
}

std::vector<unsigned char> StripLeadingZeros(std::vector<unsigned char> bytes)
{
    std::size_t zeros = 0;
    while (zeros < bytes.size() && bytes[zeros] == 0)
        ++zeros;
    bytes.erase(bytes.begin(), bytes.begin() + std::ptrdiff_t(zeros));
    return bytes;
}

void SecureClear(std::vector<unsigned char>& bytes)
{
    volatile unsigned char* p = bytes.data();
    for (std::size_t i = 0; i < bytes.size(); ++i)
        p[i] = 0;
}

} // namespace

bool ExportRsaKeyToDer(HCRYPTKEY key, DataBuffer& out, LogBase& log)
{
    out.Empty();
    if (!key) {
        log.LogError("No key");
        return false;
    }
    DWORD size = 0;
    if (!CryptExportKey(key, 0, PRIVATEKEYBLOB, 0, nullptr, &size)) {
        log.LogError("Failed to export key");
        return false;
    }
    std::vector<unsigned char> blob(size);
    if (!CryptExportKey(key, 0, PRIVATEKEYBLOB, 0, blob.data(), &size)) {
        log.LogError("Failed to export key (2)");
        return false;
    }
    blob.resize(size);
    DWORD bitlen = 0, exponent = 0;
    if (size >= 20) {
        std::memcpy(&bitlen, blob.data() + 12, 4);
        std::memcpy(&exponent, blob.data() + 16, 4);
    }
    std::size_t full = bitlen / 8, half = bitlen / 16;
    if (size < 20 || bitlen == 0 || size != 20 + 2 * full + 5 * half) {
        SecureClear(blob);
        log.LogError("Failed to export key (2)");
        return false;
    }
    // Field i of the blob as a big-endian number.
    std::vector<std::vector<unsigned char>> fields;
    std::size_t at = 20;
    for (std::size_t width : { full, half, half, half, half, half, full }) {
        fields.emplace_back(blob.rbegin() + std::ptrdiff_t(blob.size() - at - width), blob.rbegin() + std::ptrdiff_t(blob.size() - at));
        at += width;
    }
    SecureClear(blob);
    unsigned char exponentBytes[4] = { (unsigned char)(exponent >> 24), (unsigned char)(exponent >> 16),
        (unsigned char)(exponent >> 8), (unsigned char)exponent };
    static const unsigned char zero = 0;
    Asn1* sequence = NewAsn1Sequence();
    sequence->AddChild(NewAsn1Integer(&zero, 1));
    sequence->AddChild(MinimalInteger(fields[0].data(), unsigned(fields[0].size())));
    sequence->AddChild(MinimalInteger(exponentBytes, 4));
    for (int index : { 6, 1, 2, 3, 4, 5 })
        sequence->AddChild(MinimalInteger(fields[std::size_t(index)].data(), unsigned(fields[std::size_t(index)].size())));
    for (auto& field : fields)
        SecureClear(field);
    bool ok = sequence->EncodeDer(out, log);
    delete sequence;
    return ok;
}

bool ImportRsaKeyFromXml(HCRYPTPROV provider, bool keyExchange, const torvane::StringBuffer& xml, LogBase& log,
    HCRYPTKEY* outKey, unsigned* outBitLength)
{
    if (!outKey) {
        log.LogError("Cannot import private key, hKey is null");
        return false;
    }
    if (xml.GetLength() == 0) {
        log.LogError("Cannot import private key, XML is empty");
        return false;
    }
    ClsXml document;
    if (!document.LoadXml(xml.GetText())) {
        log.LogError("Failed to parse private key XML");
        return false;
    }
    static const char* const kNames[] = { "Modulus", "Exponent", "P", "Q", "DP", "DQ", "InverseQ", "D" };
    torvane::StringBuffer texts[8];
    bool present[8];
    for (int i = 0; i < 8; ++i)
        present[i] = document.GetChildContent(kNames[i], texts[i]);
    if (!present[0]) {
        log.LogError("Modulus missing for private key");
        return false;
    }
    if (!present[1]) {
        log.LogError("Exponent missing for private key");
        return false;
    }
    for (int i = 2; i < 8; ++i) {
        if (!present[i]) {
            log.LogError("Parts missing for private key");
            return false;
        }
    }
    std::vector<unsigned char> values[8];
    for (int i = 0; i < 8; ++i) {
        unsigned count = 0;
        unsigned char* decoded = Base64Decode(texts[i].GetText(), unsigned(texts[i].GetLength()), &count);
        if (decoded) {
            values[i].assign(decoded, decoded + count);
            std::memset(decoded, 0, count);
            std::free(decoded);
        }
        values[i] = StripLeadingZeros(std::move(values[i]));
    }
    auto clearAll = [&] {
        for (auto& value : values)
            SecureClear(value);
    };
    // Widths follow the modulus, in whole 16-bit units so that the halves are whole bytes.
    unsigned bitlen = unsigned(values[0].size()) * 8;
    bitlen = (bitlen + 15) / 16 * 16;
    std::size_t full = bitlen / 8, half = bitlen / 16;
    const std::size_t widths[8] = { full, 4, half, half, half, half, half, full };
    for (int i = 0; i < 8; ++i) {
        if (values[i].size() > widths[i]) {
            log.LogError("Private key value longer than the key size allows");
            log.LogData("element", kNames[i]);
            clearAll();
            return false;
        }
    }
    DWORD exponent = 0;
    for (unsigned char byte : values[1])
        exponent = (exponent << 8) | byte;

    std::vector<unsigned char> blob;
    BLOBHEADER header { PRIVATEKEYBLOB, CUR_BLOB_VERSION, 0, keyExchange ? CALG_RSA_KEYX : CALG_RSA_SIGN };
    RSAPUBKEY rsa { RSA2_MAGIC, bitlen, exponent };
    blob.insert(blob.end(), reinterpret_cast<unsigned char*>(&header), reinterpret_cast<unsigned char*>(&header) + sizeof header);
    blob.insert(blob.end(), reinterpret_cast<unsigned char*>(&rsa), reinterpret_cast<unsigned char*>(&rsa) + sizeof rsa);
    for (int i : { 0, 2, 3, 4, 5, 6, 7 }) {
        std::size_t start = blob.size();
        blob.resize(start + widths[i], 0);
        std::size_t n = values[i].size();
        for (std::size_t k = 0; k < n; ++k)
            blob[start + k] = values[i][n - 1 - k];
    }
    clearAll();
    HCRYPTKEY key = 0;
    bool ok = CryptImportKey(provider, blob.data(), DWORD(blob.size()), 0, CRYPT_EXPORTABLE, &key);
    SecureClear(blob);
    if (!ok) {
        DWORD error = GetLastError();
        log.LogError("Failed to import key");
        log.LogDataHex("errorCode", error);
        return false;
    }
    *outKey = key;
    if (outBitLength)
        *outBitLength = bitlen;
    return true;
}
