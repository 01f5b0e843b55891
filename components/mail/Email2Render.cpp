// The e-mail as MIME text and back: rendering, loading from a part tree, cloning.
#include "components/mail/Email2.h"

#include "components/crypto/Certificate.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/EncodingConvert.h"
#include "components/mail/ContentCoding.h"
#include "components/mail/mime/HtmlHelp.h"
#include "components/mail/mime/MimeField.h"
#include "components/mail/mime/MimeMessage2.h"
#include "components/mail/mime/MimeText.h"
#include "components/mail/mime/Rfc822Address.h"
#include "components/mail/mime/Uu.h"

#include <memory>

using namespace mimetext;

namespace {

// Embedded messages are loaded, rendered and loaded again; past this many levels they are kept
// as they stand, so that a hostile chain of them cannot exhaust the stack.
constexpr int kMaximumEmbeddedDepth = 8;
thread_local int t_embeddedDepth = 0;

string NewBoundary(const char* marker)
{
    torvane::StringBuffer boundary;
    MakeBoundary(boundary);
    return FromBuffer(boundary) + marker;
}

} // namespace

void Email2::HeaderCharset(Email2* root, int depth, Charset& out)
{
    out.CopyFrom(root->m_charset);
    if (out.GetCodePage() == 0) {
        if (depth > 0) {
            out.CopyFrom(m_charset);
        } else {
            Email2* html = GetHtmlBodyPart();
            if (html)
                out.CopyFrom(html->m_charset);
            if (out.GetCodePage() == 0) {
                Email2* plain = GetPlainBodyPart();
                if (plain)
                    out.CopyFrom(plain->m_charset);
            }
            if (out.GetCodePage() == 0 && !m_wrapperCharsetName.empty())
                out.SetByName(m_wrapperCharsetName.c_str());
        }
    }
    if (IsAttachment(false) && m_charset.GetCodePage() != 0)
        out.CopyFrom(m_charset);
}

void Email2::PrepareForRender(Email2* root, int depth, bool convert8bit)
{
    if (m_contentType == "message/rfc822")
        convert8bit = false;
    // Parts first: the root's header charset comes from its body parts, which may be relabelled.
    for (int i = 0; i < m_parts.GetCount(); ++i)
        GetPart(i)->PrepareForRender(root, depth + 1, convert8bit);
    // A container without a boundary could not be read back: it gets one.
    if (m_parts.GetCount() > 0 && m_boundary.empty()) {
        string boundary = NewBoundary("_.MIX");
        string type = m_contentType.empty() || !IsMultipart() ? string("multipart/mixed") : m_contentType;
        Charset charset;
        charset.CopyFrom(m_charset);
        SetContentType(type.c_str(), m_name.c_str(), m_protocol.c_str(), m_micalg.c_str(), charset, boundary.c_str(),
            m_smimeType.c_str(), m_typeParam.c_str());
    }
    Charset headerCharset;
    HeaderCharset(root, depth, headerCharset);
    torvane::StringBuffer cte;
    if (convert8bit && m_header.GetFieldValue("content-transfer-encoding", cte) && EqualsNoCase(FromBuffer(cte), "8bit"))
        SetTransferEncoding(IsBase64CodePage(headerCharset.GetCodePage()) ? "base64" : "quoted-printable");
    if (!EqualsNoCase(m_disposition, "attachment") && (m_contentType.empty() || headerCharset.GetCodePage() == 0)
        && m_parts.GetCount() == 0 && (m_contentType.empty() || BeginsNoCase(m_contentType, "text/"))) {
        // Only a type that can carry the charset is relabelled, so that the relabelling happens once.
        string body = BodyString(m_body.Get());
        if (Has8Bit(body) && body.find('\0') == npos) {
            if (!HasUtf8LatinPair(body)) {
                string converted = Convert(28591, 65001, body);
                if (!converted.empty())
                    SetData(m_body.Edit(), converted);
            }
            Charset latin1;
            latin1.SetByCodePage(28591);
            string type = m_contentType.empty() ? string("text/plain") : m_contentType;
            SetContentType(type.c_str(), nullptr, nullptr, nullptr, latin1, nullptr, nullptr, nullptr);
            if (m_transferEncoding.empty())
                SetTransferEncoding("quoted-printable");
        }
    }
    if (m_contentType == "multipart/alternative")
        RemoveHeaderField("Content-Transfer-Encoding");
}

namespace {

class StringSink : public MimeSink {
public:
    explicit StringSink(torvane::StringBuffer& out)
        : m_out(out)
    {
    }
    bool Write(const char* bytes, size_t n) override
    {
        if (n)
            m_out.AppendBytes(bytes, int(n));
        return true;
    }

private:
    torvane::StringBuffer& m_out;
};

bool Put(MimeSink& out, string_view text) { return out.Write(text.data(), text.size()); }

} // namespace

const DataBuffer& SharedBytes::Get() const
{
    static const DataBuffer empty;
    return m_data ? *m_data : empty;
}

DataBuffer& SharedBytes::Edit()
{
    if (!m_data) {
        m_data = std::make_shared<DataBuffer>();
    } else if (m_data.use_count() > 1) {
        auto own = std::make_shared<DataBuffer>();
        own->CopyFrom(*m_data);
        m_data = std::move(own);
    }
    return *m_data;
}

void Email2::Render(Email2* root, torvane::StringBuffer& out, const char* skipPrefix, LogBase* log, int depth,
    bool convert8bit)
{
    StringSink sink(out);
    RenderTo(root, sink, skipPrefix, log, depth, convert8bit);
}

bool Email2::RenderTo(Email2* root, MimeSink& out, const char* skipPrefix, LogBase* log, int depth,
    bool convert8bit)
{
    if (!root)
        root = this;
    // Rendering changes the tree (relabelled text, boundaries, encodings) before any text is
    // written, so that a second rendering gives the same text.
    if (depth == 0)
        PrepareForRender(root, 0, convert8bit);
    if (m_contentType == "message/rfc822")
        convert8bit = false;
    Charset headerCharset;
    HeaderCharset(root, depth, headerCharset);
    torvane::StringBuffer header;
    m_header.Render(header, skipPrefix, headerCharset);
    // A part without fields is one empty line, as other readers expect.
    if (!out.Write(header.GetText(), size_t(header.GetLength()))
        || !Put(out, header.GetLength() > 0 ? "\r\n\r\n" : "\r\n"))
        return false;
    if (m_parts.GetCount() == 0)
        return WriteBodyTo(out);
    if (!Put(out, "This is a multi-part message in MIME format.\r\n\r\n"))
        return false;
    // Parts render straight into the text: a part as big as its attachment is never held twice.
    for (int i = 0; i < m_parts.GetCount(); ++i) {
        if (!Put(out, "--" + m_boundary + "\r\n") || !GetPart(i)->RenderTo(root, out, skipPrefix, log, depth + 1, convert8bit)
            || !Put(out, "\r\n"))
            return false;
    }
    return Put(out, "--" + m_boundary + "--\r\n");
}

void Email2::WriteBody(torvane::StringBuffer& out)
{
    StringSink sink(out);
    WriteBodyTo(sink);
}

bool Email2::WriteBodyTo(MimeSink& out)
{
    // The body is encoded from where it lies unless its text must be converted first.
    string body;
    const unsigned char* bytes = m_body.Get().GetData();
    unsigned size = m_body.Get().GetSize();
    // The loader's rules in reverse: an attachment's bytes are never converted, and text labelled
    // US-ASCII was read as Latin-1.
    int cp = m_charset.GetCodePage();
    if (cp == 20127)
        cp = 28591;
    if (BeginsNoCase(m_contentType, "text/") && !EqualsNoCase(m_disposition, "attachment") && cp != 0 && cp != 65001) {
        body = Convert(65001, cp, BodyString(m_body.Get()));
        if (BeginsNoCase(m_contentType, "text/html") && cp != 1200 && cp != 1201) {
            torvane::StringBuffer html;
            AppendTo(html, body);
            HtmlHelp::EnsureSkeleton(html);
            torvane::StringBuffer meta;
            HtmlHelp::GetMetaCharsetOf(html, meta);
            if (!EqualsNoCase(FromBuffer(meta), Text(m_charset.GetName()))) {
                HtmlHelp::RemoveMetaContentType(html);
                HtmlHelp::InsertMetaCharset(html, m_charset.GetName());
            }
            body = FromBuffer(html);
        }
        bytes = reinterpret_cast<const unsigned char*>(body.data());
        size = unsigned(body.size());
    }
    ContentCoding coding;
    if (EqualsNoCase(m_transferEncoding, "base64"))
        return coding.EncodeBase64Slices(bytes, size, [&out](const char* text, size_t n) { return out.Write(text, n); });
    if (EqualsNoCase(m_transferEncoding, "quoted-printable")) {
        torvane::StringBuffer text;
        coding.EncodeQuotedPrintable(bytes, size, text);
        return out.Write(text.GetText(), size_t(text.GetLength()));
    }
    return out.Write(reinterpret_cast<const char*>(bytes), size);
}

namespace {

bool IsPlainLeaf(MimeMessage2* part, const char* type)
{
    return EqualsNoCase(part->ContentType(), type) && !EqualsNoCase(part->Disposition(), "attachment")
        && !part->IsMultipart();
}

void CombineAlternatives(MimeMessage2& message)
{
    Charset none;
    if (message.GetNumParts() == 2) {
        message.SetContentType("multipart/alternative");
        return;
    }
    int plain = -1, html = -1;
    for (int i = 0; i < message.GetNumParts(); ++i) {
        MimeMessage2* part = message.GetPart(i);
        if (plain < 0 && IsPlainLeaf(part, "text/plain"))
            plain = i;
        if (html < 0 && IsPlainLeaf(part, "text/html"))
            html = i;
    }
    if (plain < 0 || html < 0)
        return;
    auto* alternative = new MimeMessage2();
    string boundary = NewBoundary("_.ALT");
    alternative->SetContentTypeFull("multipart/alternative", nullptr, nullptr, nullptr, none, boundary.c_str(),
        nullptr, nullptr);
    MimeMessage2* first = message.RemovePartAt(plain < html ? plain : html);
    MimeMessage2* second = message.RemovePartAt((plain < html ? html : plain) - 1);
    alternative->AddPart(plain < html ? first : second);
    alternative->AddPart(plain < html ? second : first);
    message.InsertPartFirst(alternative);
}

void NormalizeParsedMessage(MimeMessage2& root)
{
    root.MergeDuplicateFields("to");
    root.MergeDuplicateFields("cc");
    root.RefreshFromHeader();
    string lowered = ToLower(root.ContentType());
    if (root.Disposition() == "attachment" && !Begins(lowered, "multipart") && lowered.find("pkcs7") == npos) {
        Charset none;
        auto* text = new MimeMessage2();
        text->SetContentTypeFull("text/plain", nullptr, nullptr, nullptr, none, nullptr, nullptr, nullptr);
        auto* attachment = new MimeMessage2();
        attachment->SetContentTypeFull(root.ContentType().c_str(), root.Name().c_str(), nullptr, nullptr,
            root.GetCharset(), nullptr, nullptr, nullptr);
        attachment->SetCharsetByName(root.GetCharset().GetName());
        attachment->SetDisposition("attachment", root.Filename().c_str());
        attachment->SetTransferEncoding(root.TransferEncoding().c_str());
        DataBuffer body;
        root.GetBody(body);
        attachment->SetBodyUnescaped(reinterpret_cast<const char*>(body.GetData()), int(body.GetSize()));
        root.AddPart(text);
        root.AddPart(attachment);
        string boundary = NewBoundary("_.MIX");
        root.ClearBody();
        root.SetHeaderField("content-transfer-encoding", nullptr);
        root.SetHeaderField("content-disposition", nullptr);
        root.SetContentTypeFull("multipart/mixed", nullptr, nullptr, nullptr, none, boundary.c_str(), nullptr,
            nullptr);
    }
    if (!root.IsMultipartMixed())
        return;
    bool plain = false, html = false;
    for (int i = 0; i < root.GetNumParts(); ++i) {
        MimeMessage2* part = root.GetPart(i);
        if (EqualsNoCase(part->Disposition(), "attachment") || part->IsMultipart() || !part->Filename().empty())
            continue;
        plain = plain || EqualsNoCase(part->ContentType(), "text/plain");
        html = html || EqualsNoCase(part->ContentType(), "text/html");
    }
    if (plain && html)
        CombineAlternatives(root);
}

} // namespace

Email2* Email2::LoadFromMimeText(const torvane::StringBuffer& text, bool unwrap, bool useRegistryStore,
    void* extraStore, LogBase* log)
{
    MimeMessage2 tree;
    tree.ParseFromBuffer(text, log);
    NormalizeParsedMessage(tree);
    return LoadFromMimePart(tree, unwrap, useRegistryStore, log, extraStore);
}

Email2* Email2::LoadFromMimePart(MimeMessage2& part, bool unwrap, bool useRegistryStore, LogBase* log,
    void* extraStore)
{
    auto* email = new Email2();
    if (EqualsNoCase(part.ContentType(), "message/rfc822") && t_embeddedDepth < kMaximumEmbeddedDepth) {
        ++t_embeddedDepth;
        torvane::StringBuffer inner;
        AppendTo(inner, BodyString(part.Body()));
        std::unique_ptr<Email2> embedded(LoadFromMimeText(inner, false, useRegistryStore, extraStore, log));
        torvane::StringBuffer rendered;
        embedded->Render(embedded.get(), rendered, nullptr, log, 0, false);
        --t_embeddedDepth;
        Charset usAscii;
        usAscii.SetByName("us-ascii");
        part.SetBodyUnescaped(rendered.GetText(), rendered.GetLength());
        part.SetTransferEncoding("7bit");
        part.SetCharset(usAscii);
    }
    LogNull none;
    LogBase& out = log ? *log : none;
    bool secure = unwrap && email->UnwrapInto(part, useRegistryStore, static_cast<CertificateStore*>(extraStore), out);

    torvane::StringBuffer from;
    if (part.GetHeaderValueDecoded("From", from)) {
        Rfc822Address* address = Rfc822Address::ParseOne(from, log);
        if (address)
            email->m_fromAddress = address;
        else
            email->m_fromText = FromBuffer(from);
    }
    if (unwrap) {
        if (secure) {
            torvane::StringBuffer id;
            part.GetHeaderValueDecoded("Message-ID", id);
            std::string messageId = FromBuffer(id);
            ReplaceAll(messageId, "<", "");
            ReplaceAll(messageId, ">", "");
            out.LogData("from", email->m_fromAddress ? email->m_fromAddress->GetAddressText() : email->m_fromText.c_str());
            out.LogData("message_id", Trim(messageId).c_str());
        }
        out.LeaveContext();
    }
    part.GetToAddresses(email->m_to);
    part.GetCcAddresses(email->m_cc);
    part.TakeBccAddresses(email->m_bcc);
    torvane::StringBuffer date;
    if (part.GetHeaderValueDecoded("Date", date) || part.GetHeaderValueDecoded("Delivery-Date", date))
        email->SetDate(date.GetText());

    torvane::StringBuffer headerText;
    part.RenderHeader(headerText);
    email->m_header.Parse(headerText.GetText(), headerText.GetLength());
    email->m_contentType = part.ContentType();

    std::vector<std::unique_ptr<DataBuffer>> uuFiles;
    ExtPtrArray uuNames;
    string bodyText = BodyString(part.Body());
    if (part.GetNumParts() == 0) {
        bool candidate = false;
        torvane::StringBuffer hasAttach;
        part.GetHeaderValueDecoded("X-MS-Has-Attach", hasAttach);
        bool markers = bodyText.find("begin 666") != npos || bodyText.find("begin 664") != npos
            || bodyText.find("begin 600") != npos || bodyText.find("begin 644") != npos;
        if (!email->m_contentType.empty())
            candidate = markers;
        else if (EqualsNoCase(FromBuffer(hasAttach), "yes"))
            candidate = bodyText.find("begin 6") != npos && bodyText.find("<<") != npos;
        else
            candidate = markers;
        if (candidate) {
            torvane::StringBuffer text;
            AppendTo(text, bodyText);
            Uu().DecodeAll(text, uuFiles, uuNames);
        }
    }

    email->m_disposition = part.Disposition();
    email->m_transferEncoding = part.TransferEncoding();
    email->m_contentId = part.ContentId();
    email->m_name = part.Name();
    email->m_protocol = part.Protocol();
    email->m_micalg = part.Micalg();
    email->m_charset.CopyFrom(part.GetCharset());
    if (EqualsNoCase(Text(email->m_charset.GetName()), "default")
        || EqualsNoCase(Text(email->m_charset.GetName()), "x-user-defined"))
        email->m_charset.Clear();
    email->m_boundary = part.Boundary();
    email->m_smimeType = part.SmimeType();
    email->m_filename = part.Filename();
    email->m_typeParam = part.TypeParam();
    email->m_formatFlowed = part.GetFormatFlowed();

    torvane::StringBuffer hasAttach;
    email->m_header.GetFieldValue("X-MS-Has-Attach", hasAttach);
    bool convertAttachment = uuFiles.empty() && part.GetNumParts() == 0 && EqualsNoCase(FromBuffer(hasAttach), "yes")
        && email->m_disposition == "attachment" && !email->m_filename.empty();

    email->m_signOnSend = false;
    email->m_encryptOnSend = false;
    torvane::StringBuffer mailer;
    if (email->m_header.GetFieldValue("X-Mailer", mailer)
        && (ContainsNoCase(FromBuffer(mailer), "ActiveX") || ContainsNoCase(FromBuffer(mailer), "Control")))
        email->SetDefaultMailer();

    for (int i = 0; i < part.GetNumParts(); ++i) {
        MimeMessage2* sub = part.GetPart(i);
        if (EqualsNoCase(sub->ContentType(), "multipart/appledouble")) {
            MimeMessage2* fork = sub->TakeAppleDoubleDataFork();
            if (fork) {
                part.ReplacePartAt(i, fork);
                delete sub;
                sub = fork;
                sub->SetDispositionOnly("attachment");
            }
        }
        if (EqualsNoCase(sub->TransferEncoding(), "X-UUencode"))
            sub->DecodeUuencodedBody();
        bool subUnwrap = unwrap && !part.IsMultipartMixed();
        email->m_parts.Append(LoadFromMimePart(*sub, subUnwrap, useRegistryStore, log, extraStore));
    }

    if (!uuFiles.empty()) {
        for (size_t i = 0; i < uuFiles.size(); ++i) {
            auto* name = uuNames.GetAtAs<torvane::StringBuffer>(int(i));
            Email2* attachment = NewAttachmentFromData(name->GetText(), nullptr, uuFiles[i]->GetData(),
                uuFiles[i]->GetSize());
            torvane::StringBuffer ignored;
            email->AddPart(attachment, ignored);
        }
        uuNames.DeleteAll();
        DataBuffer text;
        size_t begin = bodyText.find("begin 6");
        string before = bodyText.substr(0, begin);
        if (!before.empty())
            text.Append(before.data(), unsigned(before.size()));
        email->SetBody(text, false);
    } else if (convertAttachment) {
        Email2* attachment = NewAttachmentFromData(email->m_filename.c_str(), nullptr, part.Body().GetData(),
            part.Body().GetSize());
        email->RemoveHeaderField("content-disposition");
        email->RemoveHeaderField("content-transfer-encoding");
        Charset none;
        email->SetContentType("text/plain", nullptr, nullptr, nullptr, none, nullptr, nullptr, nullptr);
        torvane::StringBuffer ignored;
        email->AddPart(attachment, ignored);
    } else {
        email->m_body.Edit().CopyFrom(part.Body());
    }

    if (email->m_contentType == "text/html" && Text(email->m_charset.GetName()).empty()
        && email->m_body.Get().ContainsByte(0)) {
        email->m_charset.SetByName("utf-8");
        SetData(email->m_body.Edit(), Convert(1200, 65001, BodyString(email->m_body.Get())));
    }
    return email;
}

Email2* Email2::Clone(LogBase*)
{
    PrepareForRender(this, 0, false);
    auto* copy = new (std::nothrow) Email2();
    if (copy)
        copy->CopyTreeFrom(*this);
    return copy;
}

void Email2::CopyTreeFrom(const Email2& other)
{
    m_body.ShareWith(other.m_body);
    m_header.CopyFrom(other.m_header);
    m_header.SetDefaultCodePage(other.m_header.GetDefaultCodePage());
    for (int i = 0; i < other.m_parts.GetCount(); ++i) {
        auto* part = new Email2();
        part->CopyTreeFrom(*other.GetPart(i));
        m_parts.Append(part);
    }
    for (auto [list, from] : { std::pair { &m_to, &other.m_to }, { &m_cc, &other.m_cc }, { &m_bcc, &other.m_bcc } })
        for (int i = 0; i < from->GetCount(); ++i)
            list->Append(from->GetAtAs<Rfc822Address>(i)->Clone());
    m_fromText = other.m_fromText;
    m_fromAddress = other.m_fromAddress ? other.m_fromAddress->Clone() : nullptr;
    m_date = other.m_date;
    m_contentType = other.m_contentType;
    m_disposition = other.m_disposition;
    m_transferEncoding = other.m_transferEncoding;
    m_contentId = other.m_contentId;
    m_name = other.m_name;
    m_protocol = other.m_protocol;
    m_micalg = other.m_micalg;
    m_charset.CopyFrom(other.m_charset);
    m_boundary = other.m_boundary;
    m_smimeType = other.m_smimeType;
    m_filename = other.m_filename;
    m_typeParam = other.m_typeParam;
    m_formatFlowed = other.m_formatFlowed;
    m_wrapperCharsetName = other.m_wrapperCharsetName;
    m_receivedSecure = other.m_receivedSecure;
    m_allSignaturesValid = other.m_allSignaturesValid;
    m_allDecrypted = other.m_allDecrypted;
    m_numPartsSigned = other.m_numPartsSigned;
    m_numPartsEncrypted = other.m_numPartsEncrypted;
    m_signOnSend = other.m_signOnSend;
    m_encryptOnSend = other.m_encryptOnSend;
    m_cryptoSettings.CopyFrom(other.m_cryptoSettings);
    for (int i = 0; i < other.m_signerCerts.GetCount(); ++i)
        m_signerCerts.Append(other.m_signerCerts.GetAtAs<Certificate>(i)->Clone());
    for (int i = 0; i < other.m_encryptionCerts.GetCount(); ++i)
        m_encryptionCerts.Append(other.m_encryptionCerts.GetAtAs<Certificate>(i)->Clone());
    other.CopySecurityTo(*this);
}

Email2* Email2::CloneByRendering(LogBase* log)
{
    torvane::StringBuffer text;
    Render(this, text, nullptr, log, 0, false);
    Email2* copy = LoadFromMimeText(text, false, false, nullptr, log);
    if (!copy)
        return nullptr;
    copy->m_signOnSend = m_signOnSend;
    copy->m_encryptOnSend = m_encryptOnSend;
    copy->m_receivedSecure = m_receivedSecure;
    copy->m_allSignaturesValid = m_allSignaturesValid;
    copy->m_allDecrypted = m_allDecrypted;
    copy->m_numPartsSigned = m_numPartsSigned;
    copy->m_numPartsEncrypted = m_numPartsEncrypted;
    for (int i = 0; i < m_signerCerts.GetCount(); ++i)
        copy->m_signerCerts.Append(m_signerCerts.GetAtAs<Certificate>(i)->Clone());
    for (int i = 0; i < m_encryptionCerts.GetCount(); ++i)
        copy->m_encryptionCerts.Append(m_encryptionCerts.GetAtAs<Certificate>(i)->Clone());
    CopySecurityTo(*copy);
    copy->m_cryptoSettings.CopyFrom(m_cryptoSettings);
    copy->m_bcc.DeleteAll();
    for (int i = 0; i < m_bcc.GetCount(); ++i)
        copy->m_bcc.Append(m_bcc.GetAtAs<Rfc822Address>(i)->Clone());
    return copy;
}

Email2* Email2::CloneWithReplacements(const ReplacementPairs& pairs, LogBase* log)
{
    torvane::StringBuffer text;
    Render(this, text, nullptr, log, 0, false);
    Email2* copy = LoadFromMimeText(text, false, false, nullptr, log);
    if (!copy)
        return nullptr;
    torvane::StringBuffer bcc;
    FormatBccList(bcc);
    copy->AddBccList(bcc.GetText(), log);
    copy->m_signOnSend = m_signOnSend;
    copy->m_encryptOnSend = m_encryptOnSend;
    copy->m_cryptoSettings.CopyFrom(m_cryptoSettings);
    copy->ApplyReplacements(pairs);
    CopySecurityTo(*copy);
    return copy;
}

void Email2::ApplyReplacements(const ReplacementPairs& pairs)
{
    for (const auto& [name, value] : pairs) {
        if (name.empty())
            continue;
        if (BeginsNoCase(m_contentType, "text")) {
            string body = BodyString(m_body.Get());
            if (ReplaceAll(body, name, value) > 0)
                SetData(m_body.Edit(), body);
        }
        torvane::StringBuffer subject;
        if (m_header.GetFieldValue("Subject", subject)) {
            string text = FromBuffer(subject);
            if (ReplaceAll(text, name, value) > 0)
                ReplaceHeader("Subject", text);
        }
        if (m_fromAddress && m_fromAddress->ReplaceInAll(name.c_str(), value.c_str())) {
            torvane::StringBuffer raw;
            m_fromAddress->FormatRaw(raw);
            ReplaceHeader("From", FromBuffer(raw));
        }
        bool toChanged = false, ccChanged = false;
        for (int i = 0; i < m_to.GetCount(); ++i)
            toChanged |= m_to.GetAtAs<Rfc822Address>(i)->ReplaceInAll(name.c_str(), value.c_str());
        for (int i = 0; i < m_cc.GetCount(); ++i)
            ccChanged |= m_cc.GetAtAs<Rfc822Address>(i)->ReplaceInAll(name.c_str(), value.c_str());
        for (int i = 0; i < m_bcc.GetCount(); ++i)
            m_bcc.GetAtAs<Rfc822Address>(i)->ReplaceInAll(name.c_str(), value.c_str());
        if (m_to.GetCount() > 0) {
            torvane::StringBuffer list;
            FormatToListEncoded(list);
            ReplaceHeader("To", FromBuffer(list));
        }
        if (m_cc.GetCount() > 0) {
            torvane::StringBuffer list;
            FormatCcListEncoded(list);
            ReplaceHeader("Cc", FromBuffer(list));
        }
        (void)toChanged;
        (void)ccChanged;
    }
    for (int i = 0; i < m_parts.GetCount(); ++i)
        GetPart(i)->ApplyReplacements(pairs);
}

void Email2::CopyHeaderFrom(const Email2& other)
{
    m_to.DeleteAll();
    m_cc.DeleteAll();
    m_bcc.DeleteAll();
    delete m_fromAddress;
    m_fromAddress = nullptr;
    m_header.CopyFrom(other.m_header);
    m_contentType = other.m_contentType;
    m_disposition = other.m_disposition;
    m_transferEncoding = other.m_transferEncoding;
    m_contentId = other.m_contentId;
    m_name = other.m_name;
    m_protocol = other.m_protocol;
    m_micalg = other.m_micalg;
    m_charset.SetByCodePage(other.m_charset.GetCodePage());
    m_boundary = other.m_boundary;
    m_smimeType = other.m_smimeType;
    m_filename = other.m_filename;
    m_typeParam = other.m_typeParam;
    m_formatFlowed = other.m_formatFlowed;
    if (other.m_fromAddress) {
        torvane::StringBuffer raw;
        other.m_fromAddress->FormatRaw(raw);
        m_fromAddress = Rfc822Address::ParseOne(raw, nullptr);
    }
    CopyRecipients(other);
    m_date = other.m_date;
}
