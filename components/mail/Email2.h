#pragma once
// The library's e-mail, and at the same time one node of its MIME tree: the root carries the
// message header, every sub-part is again an Email2. Header values and text bodies are held in
// UTF-8; they are encoded for the chosen charset only when the e-mail is rendered.
//
// Protected copies (signed, enveloped) are made on request of the mail manager; loading with
// unwrapping removes the signed and enveloped layers of a received message and keeps the results.

#include "components/crypto/CryptoSettings2.h"
#include "components/foundation/Charset.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/TorvaneObject.h"
#include "components/mail/mime/MimeHeader.h"
#include "platform/base/Time.h"

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class Certificate;
class CertificateStore;
class LogBase;
class MimeMessage2;
class Rfc822Address;
class TV_Crypt;
class XString;

// Something whose named terms an expression can read ("body", header field names).
class ExpressionTermSource {
public:
    virtual ~ExpressionTermSource() = default;
    virtual void GetTermValue(const char* name, torvane::StringBuffer& out) = 0;
};

using ReplacementPairs = std::vector<std::pair<std::string, std::string>>;

// Where a rendering goes, piece by piece: a string, or a connection that sends as it is written.
class MimeSink {
public:
    virtual ~MimeSink() = default;
    // False stops the rendering (the connection failed).
    virtual bool Write(const char* bytes, size_t n) = 0;
};

// Bytes that copies share until one of them changes them: the copy of a message made for sending
// holds no second copy of its attachments.
class SharedBytes {
public:
    const DataBuffer& Get() const;
    // The bytes to change, no longer shared.
    DataBuffer& Edit();
    void ShareWith(const SharedBytes& other) { m_data = other.m_data; }
    void Swap(SharedBytes& other) { m_data.swap(other.m_data); }

private:
    std::shared_ptr<DataBuffer> m_data;
};

bool IsBase64CodePage(int codePage);
void ContentTypeForExtension(const char* extension, torvane::StringBuffer& out);
void EncodeWordB(const unsigned char* text, unsigned length, const char* charsetName, torvane::StringBuffer& out);
void EncodeWordQ(const unsigned char* text, unsigned length, const char* charsetName, torvane::StringBuffer& out);
void EncodeWordByCharset(const unsigned char* text, unsigned length, const char* charsetName,
    torvane::StringBuffer& out);

class Email2 : public TorvaneObject, public ExpressionTermSource {
public:
    enum class NewMail { Yes };
    // A bare node: no header fields, date now (UTC).
    Email2();
    // A new e-mail with the default header.
    explicit Email2(NewMail);
    ~Email2() override;
    Email2(const Email2&) = delete;
    Email2& operator=(const Email2&) = delete;

    static Email2* CreateNewEmail();

    // Structure and header fields.
    void SetContentType(const char* type, const char* name, const char* protocol, const char* micalg,
        const Charset& charset, const char* boundary, const char* smimeType, const char* typeParam);
    void SetContentDisposition(const char* disposition, const char* filename);
    void SetTransferEncoding(const char* encoding);
    void SetContentId(const char* text);
    void SetTransferEncodingForCodePage(int codePage);
    void GetContentType(torvane::StringBuffer& out) const;
    void GetCharset(Charset& out) const { out.CopyFrom(m_charset); }
    const Charset& NodeCharset() const { return m_charset; }
    const std::string& ContentType() const { return m_contentType; }
    const std::string& Disposition() const { return m_disposition; }
    const std::string& TransferEncoding() const { return m_transferEncoding; }
    const std::string& Filename() const { return m_filename; }
    const std::string& Name() const { return m_name; }
    const std::string& Boundary() const { return m_boundary; }
    bool IsMultipart() const;
    void RebuildContentType();
    void SetTypeParameter(const char* value);
    // A new type with the other Content-Type values kept.
    void ChangeContentType(const char* type) { SetContentTypeFromCache(type, m_charset); }
    void SetCharset(const Charset& charset);
    void SetCharsetByName(const char* name);
    void SetDate(const char* text);
    const SYSTEMTIME& GetDate() const { return m_date; }
    void GenerateMessageId();
    void SetDefaultMailer();
    bool GetHeaderField(const char* name, torvane::StringBuffer& out) const;
    bool GetSubject(torvane::StringBuffer& out) const { return GetHeaderField("Subject", out); }
    void SetHeaderField(const char* name, const char* value);
    void RemoveHeaderField(const char* name);
    const MimeHeader& Header() const { return m_header; }
    void GetTermValue(const char* name, torvane::StringBuffer& out) override;
    unsigned EstimateSize() const;
    bool GetSignOnSend() const { return m_signOnSend; }
    bool GetEncryptOnSend() const { return m_encryptOnSend; }
    void SetSignOnSend(bool on) { m_signOnSend = on; }
    void SetEncryptOnSend(bool on) { m_encryptOnSend = on; }
    void SetFormatFlowed(bool on) { m_formatFlowed = on; }
    void ShrinkStrings();
    void EncodeTextQ(const char* text, torvane::StringBuffer& out) const;
    void EncodeTextB(const char* text, torvane::StringBuffer& out) const;
    void EncodePhrase(const char* text, torvane::StringBuffer& out) const;

    // Bodies, alternatives, related items and attachments.
    void SetBody(const DataBuffer& bytes, bool isHtml);
    void SetHtmlBody(const DataBuffer& bytes);
    bool AddFileAttachment(const XString& path, const char* contentType, torvane::StringBuffer& outContentType,
        LogBase* log);
    bool AddPart(Email2* part, torvane::StringBuffer& outContentType);
    static Email2* NewAttachmentFromFile(const char* utf8Path, const char* contentType, LogBase* log);
    static Email2* NewAttachmentFromData(const char* fileName, const char* contentType, const unsigned char* bytes,
        unsigned length);
    static Email2* NewPlainAlternativePart(const DataBuffer& bytes);
    static Email2* NewHtmlAlternativePart(const DataBuffer& bytes, const Charset& charset);
    static Email2* NewRelatedContainer();
    void ConvertToMixed();
    void ConvertToAlternative();
    void ConvertRelatedToMixed();
    void AddAlternativeBody(Email2* part);
    void GetBodyData(DataBuffer& out);
    DataBuffer* GetBodyDataRef();
    static void CollectBodyParts(Email2* root, ExtPtrArray& out);
    Email2* GetHtmlBodyPart();
    Email2* GetPlainBodyPart();
    bool IsAttachment(bool allowInlineMedia) const;
    bool IsAttachmentLeaf() const;
    bool IsRelatedAttachment() const;
    // The list does not own what it collects (except the detached part when index >= 0).
    bool CollectAttachments(bool inMixed, ExtPtrArray& out, int index);
    int GetAttachmentCount();
    static void AddUniqueByType(Email2* part, ExtPtrArray& list);
    int GetNumParts() const { return m_parts.GetCount(); }
    Email2* GetPart(int index) const;
    const DataBuffer& Body() const { return m_body.Get(); }

    // Rendering, loading and cloning.
    void Render(Email2* root, torvane::StringBuffer& out, const char* skipPrefix, LogBase* log, int depth,
        bool convert8bit);
    // The same text written piece by piece (encoded bodies in blocks); false when out stopped it.
    bool RenderTo(Email2* root, MimeSink& out, const char* skipPrefix, LogBase* log, int depth, bool convert8bit);
    void WriteBody(torvane::StringBuffer& out);
    bool WriteBodyTo(MimeSink& out);
    // Builds an e-mail from MIME text; never null for a non-null text. With `unwrap`, signed and
    // enveloped layers are removed and the results kept; `extraStore` is a CertificateStore* or null.
    static Email2* LoadFromMimeText(const torvane::StringBuffer& text, bool unwrap, bool useRegistryStore,
        void* extraStore, LogBase* log);
    static Email2* LoadFromMimePart(MimeMessage2& part, bool unwrap, bool useRegistryStore, LogBase* log,
        void* extraStore);
    // A copy that renders as this message does. Made member by member (the message is prepared
    // for rendering first, as a rendering would); CloneByRendering renders and loads it back.
    Email2* Clone(LogBase* log);
    Email2* CloneByRendering(LogBase* log);
    Email2* CloneWithReplacements(const ReplacementPairs& pairs, LogBase* log);
    void ApplyReplacements(const ReplacementPairs& pairs);
    void CopyHeaderFrom(const Email2& other);

    // S/MIME. Each operation returns a new e-mail owned by the caller, or null with the reasons logged.
    Email2* CreateSignedDetached(bool includeChain, LogBase* log);
    Email2* CreateSignedOpaque(bool includeChain, LogBase* log);
    Email2* CreateEncrypted(LogBase* log);
    // The certificates are duplicated; the key is PKCS#1 DER of the signing certificate's key.
    void SetSigningCert(const Certificate* certificate);
    void SetSigningKey(const DataBuffer& der) { m_signingKey.CopyFrom(der); }
    void SetEncryptionCert(const Certificate* certificate);
    CryptoSettings2& GetCryptoSettings() { return m_cryptoSettings; }
    // Takes the certificates out of both arrays.
    void SetReceivedCertificates(ExtPtrArray& signers, ExtPtrArray& decrypters);
    bool GetReceivedSecure() const { return m_receivedSecure; }
    bool GetAllSignaturesValid() const { return m_allSignaturesValid; }
    bool GetAllDecrypted() const { return m_allDecrypted; }
    int GetNumPartsSigned() const { return m_numPartsSigned; }
    int GetNumPartsEncrypted() const { return m_numPartsEncrypted; }
    int GetSignerCertCount() const { return m_signerCerts.GetCount(); }
    const Certificate* GetSignerCert(int index) const;
    int GetEncryptionCertCount() const { return m_encryptionCerts.GetCount(); }
    const Certificate* GetEncryptionCert(int index) const;

    // Senders and recipients.
    int GetToCount() const { return m_to.GetCount(); }
    int GetCcCount() const { return m_cc.GetCount(); }
    int GetBccCount() const { return m_bcc.GetCount(); }
    bool GetToAddress(int index, torvane::StringBuffer& out) const;
    bool GetCcAddress(int index, torvane::StringBuffer& out) const;
    bool GetBccAddress(int index, torvane::StringBuffer& out) const;
    void GetFromAddress(torvane::StringBuffer& out) const;
    bool AddTo(const char* name, const char* address);
    int AddToList(const char* text, LogBase* log);
    int AddCcList(const char* text, LogBase* log);
    int AddBccList(const char* text, LogBase* log);
    void ClearTo();
    void ClearCc();
    void ClearBcc();
    void FormatToList(torvane::StringBuffer& out, bool decoded) const;
    void FormatCcList(torvane::StringBuffer& out, bool decoded) const;
    void FormatBccList(torvane::StringBuffer& out) const;
    void FormatToListEncoded(torvane::StringBuffer& out) const;
    void FormatCcListEncoded(torvane::StringBuffer& out) const;
    void SetFromAddress(const char* text);
    void SetFromFull(const char* text);
    void SetReplyTo(const char* text);
    void GetReversePath(torvane::StringBuffer& out) const;
    void CopyRecipients(const Email2& other);
    void FormatAddressForHeader(const Rfc822Address& address, torvane::StringBuffer& out) const;
    void EncodeAddressText(const char* text, torvane::StringBuffer& out) const;

private:
    void ReplaceHeader(const char* name, const std::string& value);
    void RemoveDefaultFields();
    int AddList(ExtPtrArray& list, const char* text);
    static void FormatList(const ExtPtrArray& list, torvane::StringBuffer& out, bool decoded);
    void FormatListEncoded(const ExtPtrArray& list, torvane::StringBuffer& out) const;
    void ContentTypeValues(std::string* values) const;
    void SetContentTypeFromCache(const char* type, const Charset& charset);
    void HeaderCharset(Email2* root, int depth, Charset& out);
    void PrepareForRender(Email2* root, int depth, bool convert8bit);
    void CopySecurityTo(Email2& other) const;
    // Everything of other's tree into this new, empty message.
    void CopyTreeFrom(const Email2& other);
    Email2* WrapPkcs7(const DataBuffer& pkcs7, const char* smimeType);
    // Enters the log context "security" (the caller leaves it); true when S/MIME was found.
    bool UnwrapInto(MimeMessage2& part, bool useRegistryStore, CertificateStore* extraStore, LogBase& log);
    Certificate* FindSigningCert(TV_Crypt& crypt, torvane::StringBuffer& storeDescription, LogBase& log) const;
    bool CollectAttachmentsAt(bool inMixed, ExtPtrArray& out, int index, Email2* parent, int depth);

    SharedBytes m_body;
    MimeHeader m_header;
    ExtPtrArray m_parts;
    ExtPtrArray m_to;
    ExtPtrArray m_cc;
    ExtPtrArray m_bcc;
    std::string m_fromText;
    Rfc822Address* m_fromAddress = nullptr;
    SYSTEMTIME m_date {};
    std::string m_contentType;
    std::string m_disposition;
    std::string m_transferEncoding;
    std::string m_contentId;
    std::string m_name;
    std::string m_protocol;
    std::string m_micalg;
    Charset m_charset;
    std::string m_boundary;
    std::string m_smimeType;
    std::string m_filename;
    std::string m_typeParam;
    bool m_formatFlowed = false;
    std::string m_wrapperCharsetName;
    bool m_receivedSecure = false;
    bool m_allSignaturesValid = false;
    bool m_allDecrypted = false;
    int m_numPartsSigned = 0;
    int m_numPartsEncrypted = 0;
    bool m_signOnSend = false;
    bool m_encryptOnSend = false;
    CryptoSettings2 m_cryptoSettings;
    Certificate* m_signingCert = nullptr;
    DataBuffer m_signingKey;
    Certificate* m_encryptionCert = nullptr;
    ExtPtrArray m_signerCerts;
    ExtPtrArray m_encryptionCerts;
};
