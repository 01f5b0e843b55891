#pragma once
// One MIME entity and, through its sub-parts, a MIME part tree: parsed from MIME text, read and
// reshaped by the e-mail object. Text bodies are held in UTF-8 once parsing converted them.
//
// Parsing never fails: what cannot be understood ends up as header text, body text or an empty
// part. Nesting deeper than kMaximumDepth is not split further (the body is kept as it stands).

#include "components/foundation/Charset.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/TorvaneObject.h"
#include "components/mail/mime/MimeHeader.h"

#include <string>

class Certificate;
class CertificateStore;
class LogBase;

class MimeMessage2 : public TorvaneObject {
public:
    static constexpr int kMaximumDepth = 40;

    MimeMessage2() = default;
    ~MimeMessage2() override;
    MimeMessage2(const MimeMessage2&) = delete;
    MimeMessage2& operator=(const MimeMessage2&) = delete;

    void Clear();

    // Parsing.
    void ParseFromBuffer(const torvane::StringBuffer& text, LogBase* log);
    void ParseMimeText(const char* text, int length, bool bareLfTolerance, LogBase* log);
    void ParseBody(const char* transferEncoding, const torvane::StringBuffer& body, LogBase* log);
    void SetHeaderOnlyFromText(const char* text, int length, LogBase* log);
    void SetBodyEncoded(const char* transferEncoding, const char* bytes, int length, const Charset& charset,
        bool convert);
    // Return true when an ISO-8859-1 body turned out to hold windows-1252 bytes.
    bool SetBodyFromQuotedPrintable(const char* bytes, int length, const Charset& charset);
    void SetBodyFromBase64(const char* bytes, int length, const Charset& charset);
    void ReadContentType();
    void ReadContentDisposition();
    void ReadContentId();
    void ReadTransferEncoding();
    void RefreshFromHeader();

    // Tree.
    int GetNumParts() const { return m_parts.GetCount(); }
    MimeMessage2* GetPart(int index) const;
    void AddPart(MimeMessage2* part);
    void InsertPartFirst(MimeMessage2* part);
    MimeMessage2* RemovePartAt(int index);
    void ReplacePartAt(int index, MimeMessage2* part);
    MimeMessage2* TakeAppleDoubleDataFork();

    // Accessors: each appends the member.
    void GetContentType(torvane::StringBuffer& out) const { Append(out, m_contentType); }
    void GetDisposition(torvane::StringBuffer& out) const { Append(out, m_disposition); }
    void GetTransferEncoding(torvane::StringBuffer& out) const { Append(out, m_transferEncoding); }
    void GetContentId(torvane::StringBuffer& out) const { Append(out, m_contentId); }
    void GetName(torvane::StringBuffer& out) const { Append(out, m_name); }
    void GetProtocol(torvane::StringBuffer& out) const { Append(out, m_protocol); }
    void GetMicalg(torvane::StringBuffer& out) const { Append(out, m_micalg); }
    void GetBoundary(torvane::StringBuffer& out) const { Append(out, m_boundary); }
    void GetSmimeType(torvane::StringBuffer& out) const { Append(out, m_smimeType); }
    void GetFilename(torvane::StringBuffer& out) const { Append(out, m_filename); }
    void GetTextCharset(torvane::StringBuffer& out) const;
    const char* GetContentTypeText() const { return m_contentType.c_str(); }
    const char* GetTransferEncodingText() const { return m_transferEncoding.c_str(); }
    const std::string& ContentType() const { return m_contentType; }
    const std::string& Disposition() const { return m_disposition; }
    const std::string& TransferEncoding() const { return m_transferEncoding; }
    const std::string& ContentId() const { return m_contentId; }
    const std::string& Name() const { return m_name; }
    const std::string& Filename() const { return m_filename; }
    const std::string& Boundary() const { return m_boundary; }
    const std::string& Protocol() const { return m_protocol; }
    const std::string& Micalg() const { return m_micalg; }
    const std::string& SmimeType() const { return m_smimeType; }
    const std::string& TypeParam() const { return m_typeParam; }
    const Charset& GetCharset() const { return m_charset; }
    bool GetFormatFlowed() const { return m_formatFlowed; }
    void SetFormatFlowed(bool on) { m_formatFlowed = on; }
    void GetBody(DataBuffer& out) const;
    const DataBuffer& Body() const { return m_body; }
    const MimeHeader& Header() const { return m_header; }
    const torvane::StringBuffer& RawText() const { return m_rawText; }
    bool IsChanged() const { return m_changed; }

    bool IsAttachment() const;
    bool IsMultipart() const;
    bool IsMultipartMixed() const;

    // Header.
    bool GetHeaderValueDecoded(const char* name, torvane::StringBuffer& out) const;
    void SetHeaderField(const char* name, const char* value);
    void MergeDuplicateFields(const char* name) { m_header.MergeDuplicates(name); }
    void RenderHeader(torvane::StringBuffer& out) const;

    // Content-Type and Content-Disposition.
    void SetContentTypeFull(const char* mediaType, const char* name, const char* protocol, const char* micalg,
        const Charset& charset, const char* boundary, const char* smimeType, const char* typeParam);
    void SetContentType(const char* mediaType);
    void SetCharset(const Charset& charset);
    void SetCharsetByName(const char* name);
    void SetBoundary(const char* boundary);
    void SetNameParam(const char* name);
    void SetDisposition(const char* disposition, const char* filename);
    void SetFilename(const char* filename);
    void SetDispositionOnly(const char* disposition);
    void SetTransferEncoding(const char* encoding);

    // Body.
    void ClearBody() { m_body.Empty(); }
    void SetBodyUnescaped(const char* bytes, int length);
    void SetBodyFromText(const char* bytes, int length, const Charset& charset, bool convert);
    void GetBodyEncoded(torvane::StringBuffer& out) const;
    void GetBodyForTransfer(torvane::StringBuffer& out) const;
    void DecodeUuencodedBody();

    // Addresses, appended to the caller's owning array.
    void GetToAddresses(ExtPtrArray& out) const;
    void GetCcAddresses(ExtPtrArray& out) const;
    void TakeBccAddresses(ExtPtrArray& out);

    // S/MIME: removes the signed and enveloped layers in place. The certificate arrays are the
    // caller's and receive new certificates; the stores and the default certificate stay the caller's.
    struct UnwrapResult {
        bool found = false;
        bool signaturesValid = true;
        bool decryptionOk = true;
        int numSigned = 0;
        int numEncrypted = 0;
    };
    void UnwrapSecurity(UnwrapResult& result, ExtPtrArray& signerCerts, ExtPtrArray& decryptCerts,
        CertificateStore* receiveSigners, ExtPtrArray* extraStores, const Certificate* defaultCert, LogBase* log);
    bool IsMultipartSignedNonPgp() const;
    bool IsPkcs7Enveloped() const;
    bool IsPkcs7SignedData() const;

    void MakeMultipartAlternative();
    static const char* GetMimeTypeForExtension(const char* extension);

private:
    struct UnwrapContext;
    void UnwrapLayers(UnwrapContext& context);
    void UnwrapMultipartSigned(UnwrapContext& context);
    void UnwrapSignedData(UnwrapContext& context);
    bool UnwrapEnveloped(UnwrapContext& context);
    bool IsGroupWiseSignedData() const;
    void TakeContentOf(MimeMessage2& inner);

    static void Append(torvane::StringBuffer& out, const std::string& text);
    void ParseMimeTextAt(const char* text, int length, bool bareLfTolerance, int depth);
    void ParseBodyAt(const char* transferEncoding, const char* body, int length, int depth);
    void ComposeContentType(bool usAsciiForText);
    void SplitMultipart(const std::string& body, int depth, bool keepRaw);

    torvane::StringBuffer m_rawText;
    bool m_changed = false;
    DataBuffer m_body;
    MimeHeader m_header;
    ExtPtrArray m_parts;
    std::string m_contentType;
    std::string m_disposition;
    std::string m_transferEncoding;
    std::string m_name;
    std::string m_filename;
    std::string m_protocol;
    std::string m_micalg;
    Charset m_charset;
    std::string m_boundary;
    std::string m_contentId;
    std::string m_smimeType;
    std::string m_typeParam;
    bool m_formatFlowed = false;
};

// A fresh MIME boundary of 40 characters, "-----_torvane_" and pieces of a random UUID; the
// caller appends the marker of the container's kind ("_.MIX", "_.ALT", "_.REL").
void MakeBoundary(torvane::StringBuffer& out);
// RFC 2231 value pieces: Algorithms of the parameter readers.
void DecodeRfc2231Value(const char* value, const char* charsetName, torvane::StringBuffer& out,
    torvane::StringBuffer& outCharsetName);
// Each NUL byte as the token "{[0000]}", and back; the token count is returned by the latter.
void EscapeNuls(const unsigned char* bytes, unsigned length, DataBuffer& out);
int UnescapeNuls(const char* text, unsigned length, DataBuffer& out);
