// The e-mail's MIME tree: bodies, alternatives, related containers, attachments and the searches
// over the tree.
#include "components/mail/Email2.h"

#include "components/foundation/FileSys.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/XString.h"
#include "components/mail/mime/HtmlHelp.h"
#include "components/mail/mime/MimeMessage2.h"
#include "components/mail/mime/MimeText.h"

using namespace mimetext;

namespace {

bool ConvertsTo(const DataBuffer& bytes, int codePage)
{
    bool ok = false;
    Convert(65001, codePage, BodyString(bytes), &ok);
    return ok;
}

string NewBoundary(const char* marker)
{
    torvane::StringBuffer boundary;
    MakeBoundary(boundary);
    return FromBuffer(boundary) + marker;
}

// A part: a new e-mail without the fields that belong to a whole message.
Email2* NewPart()
{
    auto* part = new Email2(Email2::NewMail::Yes);
    for (const char* name : { "Date", "X-Mailer", "X-Priority", "MIME-Version", "Message-ID" })
        part->RemoveHeaderField(name);
    return part;
}

struct TypeRow {
    const char* type;
    const char* extensions;
};

const TypeRow kTypeRows[] = {
    { "application/envoy", "evy" }, { "application/fractals", "fif" }, { "application/x-shockwave-flash", "swf" },
    { "application/futuresplash", "spl" }, { "application/hta", "hta" },
    { "application/internet-property-stream", "acx" }, { "application/mac-binhex40", "hqx" },
    { "application/msword", "doc dot" }, { "application/octet-stream", "* bin class dms exe lha lzh" },
    { "application/oda", "oda" }, { "application/olescript", "axs" }, { "application/pdf", "pdf" },
    { "application/pics-rules", "prf" }, { "application/pkcs10", "p10" }, { "application/pkix-crl", "crl" },
    { "application/postscript", "ai eps ps" }, { "application/rtf", "rtf" },
    { "application/set-payment-initiation", "setpay" }, { "application/set-registration-initiation", "setreg" },
    { "application/vnd.ms-excel", "xla xlc xlm xls xlt xlw" }, { "application/vnd.ms-pkicertstore", "sst" },
    { "application/vnd.ms-pkiseccat", "cat" }, { "application/vnd.ms-pkistl", "stl" },
    { "application/vnd.ms-powerpoint", "pot pps ppt" }, { "application/vnd.ms-project", "mpp" },
    { "application/vnd.ms-works", "wcm wdb wks wps" }, { "application/winhlp", "hlp" },
    { "application/x-bcpio", "bcpio" }, { "application/x-cdf", "cdf" }, { "application/x-compress", "z" },
    { "application/x-compressed", "tgz" }, { "application/x-cpio", "cpio" }, { "application/x-csh", "csh" },
    { "application/x-director", "dcr dir dxr" }, { "application/x-dvi", "dvi" }, { "application/x-gtar", "gtar" },
    { "application/x-gzip", "gz" }, { "application/x-hdf", "hdf" }, { "application/x-internet-signup", "ins isp" },
    { "application/x-iphone", "iii" }, { "application/x-javascript", "js" }, { "application/x-latex", "latex" },
    { "application/x-msaccess", "mdb" }, { "application/x-mscardfile", "crd" }, { "application/x-msclip", "clp" },
    { "application/x-msdownload", "dll" }, { "application/x-msmediaview", "m13 m14 mvb" },
    { "application/x-msmetafile", "wmf" }, { "application/x-msmoney", "mny" },
    { "application/x-mspublisher", "pub" }, { "application/x-msschedule", "scd" },
    { "application/x-msterminal", "trm" }, { "application/x-mswrite", "wri" }, { "application/x-netcdf", "nc" },
    { "application/x-perfmon", "pma pmc pml pmr pmw" }, { "application/x-pkcs12", "p12 pfx" },
    { "application/x-pkcs7-certificates", "p7b spc" }, { "application/x-pkcs7-certreqresp", "p7r" },
    { "application/x-pkcs7-mime", "p7m p7c" }, { "application/x-pkcs7-signature", "p7s" },
    { "application/x-sh", "sh" }, { "application/x-shar", "shar" }, { "application/x-stuffit", "sit" },
    { "application/x-sv4cpio", "sv4cpio" }, { "application/x-sv4crc", "sv4crc" }, { "application/x-tar", "tar" },
    { "application/x-tcl", "tcl" }, { "application/x-tex", "tex" }, { "application/x-texinfo", "texi texinfo" },
    { "application/x-troff", "roff t tr" }, { "application/x-troff-man", "man" },
    { "application/x-troff-me", "me" }, { "application/x-troff-ms", "ms" }, { "application/x-ustar", "ustar" },
    { "application/x-wais-source", "src" }, { "application/x-x509-ca-cert", "cer crt der" },
    { "application/vnd.ms-pkipko", "pko" }, { "application/zip", "zip" }, { "audio/basic", "au snd" },
    { "audio/mid", "mid rmi" }, { "audio/mpeg", "mp3" }, { "audio/x-aiff", "aif aifc aiff" },
    { "audio/x-mpegurl", "m3u" }, { "audio/x-pn-realaudio", "ra ram" }, { "audio/x-wav", "wav" },
    { "image/bmp", "bmp" }, { "image/cis-cod", "cod" }, { "image/gif", "gif" }, { "image/ief", "ief" },
    { "image/jpeg", "jpe jpeg jpg" }, { "image/pipeg", "jfif" }, { "image/tiff", "tif tiff" },
    { "image/x-cmu-raster", "ras" }, { "image/x-cmx", "cmx" }, { "image/x-icon", "ico" },
    { "image/x-portable-anymap", "pnm" }, { "image/x-portable-bitmap", "pbm" },
    { "image/x-portable-graymap", "pgm" }, { "image/png", "png" }, { "image/x-portable-pixmap", "ppm" },
    { "image/x-rgb", "rgb" }, { "image/x-xbitmap", "xbm" }, { "image/x-xpixmap", "xpm" },
    { "image/x-xwindowdump", "xwd" }, { "message/rfc822", "mht mhtml nws" }, { "text/css", "css" },
    { "text/h323", "323" }, { "text/html", "htm html stm" }, { "text/iuls", "uls" },
    { "text/plain", "bas c cpp h hpp txt" }, { "text/richtext", "rtx" }, { "text/scriptlet", "sct" },
    { "text/tab-separated-values", "tsv" }, { "text/webviewhtml", "htt" }, { "text/x-component", "htc" },
    { "text/x-setext", "etx" }, { "text/x-vcard", "vcf" }, { "video/mpeg", "mp2 mpa mpe mpeg mpg mpv2" },
    { "video/quicktime", "mov qt" }, { "video/x-la-asf", "lsf lsx" }, { "video/x-ms-asf", "asf asr asx" },
    { "video/x-msvideo", "avi" }, { "video/x-sgi-movie", "movie" },
    { "x-world/x-vrml", "flr vrml wrl wrz xaf xof" },
};

bool IsLeaf(const Email2* node) { return node->GetNumParts() == 0; }

} // namespace

void ContentTypeForExtension(const char* extension, torvane::StringBuffer& out)
{
    if (!extension || !*extension)
        return;
    string key = extension;
    for (const TypeRow& row : kTypeRows) {
        string_view list = row.extensions;
        size_t pos = 0;
        while (pos < list.size()) {
            size_t end = list.find(' ', pos);
            string_view ext = list.substr(pos, end == npos ? npos : end - pos);
            if (ext.size() == key.size() && ext[0] == key[0] && EqualsNoCase(ext.substr(1), string_view(key).substr(1))) {
                out.Append(row.type);
                return;
            }
            if (end == npos)
                break;
            pos = end + 1;
        }
    }
}

Email2* Email2::GetPart(int index) const
{
    if (index < 0 || index >= m_parts.GetCount())
        return nullptr;
    return m_parts.GetAtAs<Email2>(index);
}

void Email2::SetBody(const DataBuffer& bytes, bool isHtml)
{
    string text = BodyString(bytes);
    if (Has8Bit(text)) {
        int defaultPage = m_header.GetDefaultCodePage();
        if (m_charset.GetCodePage() == 0 && defaultPage != 0 && ConvertsTo(bytes, defaultPage)) {
            Charset charset;
            charset.SetByCodePage(defaultPage);
            SetCharset(charset);
        }
        if (m_charset.GetCodePage() == 0) {
            Charset charset;
            charset.SetByCodePage(ConvertsTo(bytes, 28591) ? 28591 : ConvertsTo(bytes, 28592) ? 28592 : 65001);
            SetCharset(charset);
        } else if (m_charset.GetCodePage() != 65001 && !ConvertsTo(bytes, m_charset.GetCodePage())) {
            // Text the node's charset cannot hold switches the node to UTF-8 instead of losing it.
            Charset utf8;
            utf8.SetByCodePage(65001);
            SetCharset(utf8);
        }
    }
    const char* encoding = IsBase64CodePage(m_charset.GetCodePage()) ? "base64" : "quoted-printable";
    bool related = EqualsNoCase(m_contentType, "multipart/related");
    bool mixed = EqualsNoCase(m_contentType, "multipart/mixed");
    if ((related || mixed) && m_parts.GetCount() > 0) {
        GetPart(0)->SetBody(bytes, isHtml);
        return;
    }
    if (!EqualsNoCase(m_contentType, "multipart/alternative")) {
        if (m_parts.GetCount() > 0) {
            for (int i = 0; i < m_parts.GetCount(); ++i) {
                Email2* part = GetPart(i);
                if (IsLeaf(part)) {
                    SetData(part->m_body.Edit(), text);
                    return;
                }
            }
            Email2* part = NewPart();
            part->SetBody(bytes, isHtml);
            part->SetTransferEncoding(encoding);
            m_parts.InsertAt(0, part);
            return;
        }
        SetTransferEncoding(encoding);
        SetData(m_body.Edit(), text);
        return;
    }
    if (isHtml) {
        Charset charset;
        charset.CopyFrom(m_charset);
        AddAlternativeBody(NewHtmlAlternativePart(bytes, charset));
    } else {
        AddAlternativeBody(NewPlainAlternativePart(bytes));
    }
}

void Email2::SetHtmlBody(const DataBuffer& bytes)
{
    torvane::StringBuffer html;
    AppendTo(html, BodyString(bytes));
    HtmlHelp::EnsureSkeleton(html);
    torvane::StringBuffer meta;
    HtmlHelp::GetMetaCharsetOf(html, meta);
    if (meta.GetLength() == 0) {
        string name = Text(m_charset.GetName());
        HtmlHelp::InsertMetaCharset(html, name.empty() ? "utf-8" : name.c_str());
    }
    DataBuffer text;
    text.AppendString(html);
    SetBody(text, true);
    if (EqualsNoCase(m_contentType, "multipart/related") && m_parts.GetCount() > 0 && IsLeaf(GetPart(0))
        && BeginsNoCase(GetPart(0)->m_contentType, "text"))
        SetTypeParameter("text/html");
    Email2* node = this;
    while (node->IsMultipart() && node->m_parts.GetCount() > 0)
        node = node->GetPart(0);
    DataBuffer* body = node->GetBodyDataRef();
    if (!body || body->GetSize() != text.GetSize())
        return;
    Email2* leaf = node;
    while (leaf->m_parts.GetCount() > 0 && &leaf->m_body.Get() != body)
        leaf = leaf->GetPart(0);
    if (&leaf->m_body.Get() != body)
        return;
    Charset charset;
    charset.CopyFrom(leaf->m_charset);
    leaf->SetContentTypeFromCache("text/html", charset);
    if (m_charset.GetCodePage() != 0)
        leaf->SetTransferEncodingForCodePage(m_charset.GetCodePage());
    else
        leaf->SetTransferEncoding("quoted-printable");
}

Email2* Email2::NewPlainAlternativePart(const DataBuffer& bytes)
{
    auto* part = new Email2(NewMail::Yes);
    part->SetBody(bytes, false);
    for (const char* name : { "Date", "X-Mailer", "X-Priority", "MIME-Version", "Message-ID" })
        part->RemoveHeaderField(name);
    part->m_formatFlowed = true;
    // An 8-bit body keeps the charset SetBody chose, so that it is not sent unlabelled.
    Charset charset;
    charset.CopyFrom(part->m_charset);
    part->SetContentType("text/plain", nullptr, nullptr, nullptr, charset, nullptr, nullptr, nullptr);
    return part;
}

Email2* Email2::NewHtmlAlternativePart(const DataBuffer& bytes, const Charset& charset)
{
    auto* part = new Email2(NewMail::Yes);
    part->SetHtmlBody(bytes);
    for (const char* name : { "Date", "X-Mailer", "X-Priority", "MIME-Version", "Message-ID" })
        part->RemoveHeaderField(name);
    Charset copy;
    copy.CopyFrom(charset.GetCodePage() != 0 ? charset : part->m_charset);
    part->SetContentType("text/html", nullptr, nullptr, nullptr, copy, nullptr, nullptr, nullptr);
    part->SetTransferEncodingForCodePage(copy.GetCodePage());
    return part;
}

Email2* Email2::NewRelatedContainer()
{
    auto* container = new Email2(NewMail::Yes);
    container->SetDefaultMailer();
    Charset none;
    string boundary = NewBoundary("_.REL");
    container->SetContentType("multipart/related", nullptr, nullptr, nullptr, none, boundary.c_str(), nullptr,
        nullptr);
    return container;
}

void Email2::ConvertToMixed()
{
    Email2* q = NewPart();
    q->m_formatFlowed = m_formatFlowed;
    q->SetContentType(m_contentType.c_str(), m_name.c_str(), m_protocol.c_str(), m_micalg.c_str(), m_charset,
        m_boundary.c_str(), m_smimeType.c_str(), m_typeParam.c_str());
    q->SetTransferEncoding(m_transferEncoding.c_str());
    if (q->IsMultipart()) {
        while (m_parts.GetCount() > 0)
            q->m_parts.Append(m_parts.RemoveAt(0));
    } else {
        q->m_body.Swap(m_body);
    }
    m_parts.Append(q);
    Charset none;
    string boundary = NewBoundary("_.MIX");
    SetContentType("multipart/mixed", nullptr, nullptr, nullptr, none, boundary.c_str(), nullptr, nullptr);
    RemoveHeaderField("Content-Transfer-Encoding");
}

void Email2::ConvertToAlternative()
{
    Email2* p = this;
    if ((EqualsNoCase(m_contentType, "multipart/mixed") || EqualsNoCase(m_contentType, "multipart/related"))
        && m_parts.GetCount() > 0)
        p = GetPart(0);
    Email2* q = NewPart();
    q->m_formatFlowed = p->m_formatFlowed;
    q->SetContentType(p->m_contentType.c_str(), p->m_name.c_str(), p->m_protocol.c_str(), p->m_micalg.c_str(),
        p->m_charset, p->m_boundary.c_str(), p->m_smimeType.c_str(), p->m_typeParam.c_str());
    q->SetTransferEncoding(p->m_transferEncoding.c_str());
    q->m_body.Swap(p->m_body);
    if (q->m_contentType.empty()) {
        Charset charset;
        charset.CopyFrom(q->m_charset);
        q->SetContentTypeFromCache("text/plain", charset);
    }
    p->m_parts.Append(q);
    Charset none;
    string boundary = NewBoundary("_.ALT");
    p->SetContentType("multipart/alternative", nullptr, nullptr, nullptr, none, boundary.c_str(), nullptr, nullptr);
    p->RemoveHeaderField("Content-Transfer-Encoding");
}

void Email2::ConvertRelatedToMixed()
{
    Email2* related = NewRelatedContainer();
    for (const char* name : { "X-Mailer", "Mime-Version", "Date", "Message-ID", "Content-Transfer-Encoding",
             "X-Priority" })
        related->RemoveHeaderField(name);
    while (m_parts.GetCount() > 0)
        related->m_parts.Append(m_parts.RemoveAt(0));
    Charset none;
    string boundary = NewBoundary("_.MIX");
    SetContentType("multipart/mixed", nullptr, nullptr, nullptr, none, boundary.c_str(), nullptr, nullptr);
    m_parts.Append(related);
}

void Email2::AddAlternativeBody(Email2* part)
{
    if (!part)
        return;
    Email2* p = this;
    if (EqualsNoCase(p->m_contentType, "multipart/mixed") && p->m_parts.GetCount() > 0)
        p = p->GetPart(0);
    if (EqualsNoCase(p->m_contentType, "multipart/related")) {
        p->SetTypeParameter("multipart/alternative");
        if (p->m_parts.GetCount() > 0)
            p = p->GetPart(0);
    }
    if (!EqualsNoCase(p->m_contentType, "multipart/alternative")) {
        p->ConvertToAlternative();
        if (EqualsNoCase(p->m_contentType, "multipart/related") && p->m_parts.GetCount() > 0)
            p = p->GetPart(0);
    }
    for (int i = 0; i < p->m_parts.GetCount(); ++i) {
        Email2* existing = p->GetPart(i);
        if (!EqualsNoCase(existing->m_contentType, part->m_contentType))
            continue;
        DataBuffer body;
        part->GetBodyData(body);
        existing->SetBody(body, false);
        existing->m_formatFlowed = true;
        existing->RebuildContentType();
        delete part;
        return;
    }
    if (BeginsNoCase(part->m_contentType, "text/plain"))
        p->m_parts.InsertAt(0, part);
    else
        p->m_parts.Append(part);
}

Email2* Email2::NewAttachmentFromData(const char* fileNameArg, const char* contentType, const unsigned char* bytes,
    unsigned length)
{
    string fileName = Text(fileNameArg);
    if (fileName.empty())
        fileName = "attach.dat";
    string type = Text(contentType);
    if (type.empty()) {
        size_t dot = fileName.rfind('.');
        if (dot == npos) {
            type = "application/octet-stream";
        } else {
            torvane::StringBuffer found;
            ContentTypeForExtension(ToLower(fileName.substr(dot + 1)).c_str(), found);
            type = FromBuffer(found);
        }
    }
    type = Trim(type);
    if (type.empty())
        type = "application/octet-stream";
    Email2* part = NewPart();
    Charset none;
    part->SetContentType(type.c_str(), fileName.c_str(), nullptr, nullptr, none, nullptr, nullptr, nullptr);
    part->SetTransferEncoding(BeginsNoCase(type, "text") ? "quoted-printable" : "base64");
    part->SetContentDisposition("attachment", fileName.c_str());
    if (bytes && length > 0)
        part->m_body.Edit().Append(bytes, length);
    return part;
}

Email2* Email2::NewAttachmentFromFile(const char* utf8Path, const char* contentType, LogBase* log)
{
    if (!utf8Path || !FileSys::FileExistsUtf8(utf8Path, log))
        return nullptr;
    string path = utf8Path;
    size_t slash = path.rfind('/');
    if (slash == npos)
        slash = path.rfind('\\');
    string fileName = slash == npos ? path : path.substr(slash + 1);
    // A header parameter cannot carry a line break or another control character: a reader would see
    // another name (a blank in its place), so the file is refused rather than sent misnamed.
    for (unsigned char c : fileName)
        if (c < 0x20 || c == 0x7F) {
            if (log)
                log->LogError(("The file name \"" + fileName
                    + "\" holds a line break or another control character, which an e-mail cannot carry in an attachment name").c_str());
            return nullptr;
        }
    string type = Text(contentType);
    if (type.empty()) {
        size_t dot = path.rfind('.');
        if (dot == npos) {
            type = "application/octet-stream";
        } else {
            torvane::StringBuffer found;
            ContentTypeForExtension(ToLower(path.substr(dot + 1)).c_str(), found);
            type = FromBuffer(found);
        }
        if (Trim(type).empty())
            type = "application/octet-stream";
    }
    Email2* part = NewAttachmentFromData(fileName.c_str(), type.c_str(), nullptr, 0);
    part->m_body.Edit().LoadFile(utf8Path, log);
    return part;
}

bool Email2::AddFileAttachment(const XString& path, const char* contentType, torvane::StringBuffer& outContentType,
    LogBase* log)
{
    Email2* part = NewAttachmentFromFile(path.GetUtf8(), contentType, log);
    if (!part)
        return false;
    return AddPart(part, outContentType);
}

bool Email2::AddPart(Email2* part, torvane::StringBuffer& outContentType)
{
    if (!part)
        return false;
    if (!EqualsNoCase(m_contentType, "multipart/mixed")) {
        if (EqualsNoCase(m_contentType, "multipart/related"))
            ConvertRelatedToMixed();
        else
            ConvertToMixed();
    }
    AppendTo(outContentType, part->m_contentType);
    m_parts.Append(part);
    return true;
}

namespace {

Email2* BodySearchEnd(Email2* start, bool* found)
{
    Email2* node = start;
    *found = false;
    for (int guard = 0; guard < 1000; ++guard) {
        if (node->GetNumParts() == 0)
            return node;
        Email2* leafBody = nullptr;
        for (int i = 0; i < node->GetNumParts(); ++i) {
            Email2* sub = node->GetPart(i);
            if (sub->GetNumParts() == 0 && !sub->IsAttachmentLeaf()) {
                leafBody = sub;
                break;
            }
        }
        if (leafBody) {
            *found = true;
            return leafBody;
        }
        node = node->GetPart(0);
    }
    return node;
}

} // namespace

void Email2::GetBodyData(DataBuffer& out)
{
    bool found = false;
    Email2* end = BodySearchEnd(this, &found);
    if (!found) {
        const string& type = end->m_contentType;
        if (Begins(type, "application") || Begins(type, "image") || Begins(type, "video") || Begins(type, "audio")) {
            out.Empty();
            return;
        }
    }
    out.AppendBuffer(end->m_body.Get());
}

DataBuffer* Email2::GetBodyDataRef()
{
    bool found = false;
    return &BodySearchEnd(this, &found)->m_body.Edit();
}

void Email2::AddUniqueByType(Email2* part, ExtPtrArray& list)
{
    for (int i = 0; i < list.GetCount(); ++i) {
        auto* existing = list.GetAtAs<Email2>(i);
        if (existing == part || EqualsNoCase(existing->m_contentType, part->m_contentType))
            return;
    }
    list.Append(part);
}

void Email2::CollectBodyParts(Email2* root, ExtPtrArray& out)
{
    if (!root)
        return;
    const string& type = root->m_contentType;
    if (type.empty() && root->m_disposition.empty()) {
        AddUniqueByType(root, out);
        return;
    }
    auto isType = [](Email2* node, const char* t) { return EqualsNoCase(node->m_contentType, t); };
    if (EqualsNoCase(type, "multipart/mixed")) {
        for (int i = 0; i < root->GetNumParts(); ++i)
            if (isType(root->GetPart(i), "multipart/alternative"))
                CollectBodyParts(root->GetPart(i), out);
        for (int i = 0; i < root->GetNumParts(); ++i)
            if (isType(root->GetPart(i), "multipart/related") || isType(root->GetPart(i), "multipart/mixed"))
                CollectBodyParts(root->GetPart(i), out);
        for (int i = 0; i < root->GetNumParts(); ++i) {
            Email2* part = root->GetPart(i);
            if (!part->IsMultipart() && BeginsNoCase(part->m_contentType, "text/"))
                AddUniqueByType(part, out);
        }
        return;
    }
    if (EqualsNoCase(type, "multipart/signed")) {
        for (int i = 0; i < root->GetNumParts(); ++i)
            if (!ContainsNoCase(root->GetPart(i)->m_contentType, "pkcs7")) {
                CollectBodyParts(root->GetPart(i), out);
                return;
            }
        return;
    }
    if ((EqualsNoCase(type, "multipart/alternative") || EqualsNoCase(type, "multipart/related"))
        && root->GetNumParts() > 0) {
        for (int i = 0; i < root->GetNumParts(); ++i) {
            Email2* part = root->GetPart(i);
            if (isType(part, "multipart/alternative") || isType(part, "multipart/related"))
                CollectBodyParts(part, out);
            else if (!part->IsMultipart() && !part->IsAttachmentLeaf() && BeginsNoCase(part->m_contentType, "text/"))
                AddUniqueByType(part, out);
        }
        return;
    }
    if (root->GetNumParts() > 0)
        return;
    if (!root->IsAttachmentLeaf() && BeginsNoCase(type, "text/"))
        AddUniqueByType(root, out);
}

Email2* Email2::GetHtmlBodyPart()
{
    ExtPtrArray list;
    CollectBodyParts(this, list);
    Email2* found = nullptr;
    for (int i = 0; i < list.GetCount() && !found; ++i)
        if (EqualsNoCase(list.GetAtAs<Email2>(i)->m_contentType, "text/html"))
            found = list.GetAtAs<Email2>(i);
    list.Forget();
    return found;
}

Email2* Email2::GetPlainBodyPart()
{
    ExtPtrArray list;
    CollectBodyParts(this, list);
    Email2* found = nullptr;
    for (int i = 0; i < list.GetCount() && !found; ++i)
        if (EqualsNoCase(list.GetAtAs<Email2>(i)->m_contentType, "text/plain"))
            found = list.GetAtAs<Email2>(i);
    list.Forget();
    return found;
}

bool Email2::IsAttachment(bool allowInlineMedia) const
{
    if (EqualsNoCase(m_contentType, "message/rfc822"))
        return EqualsNoCase(m_disposition, "attachment") && ToLower(m_filename).size() >= 4
            && ToLower(m_filename).compare(m_filename.size() - 4, 4, ".mht") == 0;
    if (EqualsNoCase(m_disposition, "attachment") || m_contentType == "application/pdf")
        return true;
    if (!EqualsNoCase(m_disposition, "inline"))
        return (!m_name.empty() && EqualsNoCase(m_transferEncoding, "base64"))
            || m_contentType == "application/edifact" || m_contentType == "application/smil";
    if (IsMultipart())
        return false;
    if (!m_filename.empty())
        return true;
    if (allowInlineMedia
        && (BeginsNoCase(m_contentType, "image/") || BeginsNoCase(m_contentType, "application/")
            || BeginsNoCase(m_contentType, "audio/") || BeginsNoCase(m_contentType, "video/")))
        return true;
    return BeginsNoCase(m_contentType, "image/") && ContainsNoCase(m_contentType, "-tiff");
}

bool Email2::IsAttachmentLeaf() const
{
    if (EqualsNoCase(m_contentType, "message/rfc822"))
        return IsAttachment(false);
    return EqualsNoCase(m_disposition, "attachment") || (!m_name.empty() && EqualsNoCase(m_transferEncoding, "base64"))
        || m_contentType == "application/edifact" || m_contentType == "application/smil";
}

bool Email2::IsRelatedAttachment() const
{
    return !EqualsNoCase(m_contentType, "message/rfc822")
        && (EqualsNoCase(m_contentType, "application/pdf") || EqualsNoCase(m_disposition, "attachment"));
}

bool Email2::CollectAttachments(bool inMixed, ExtPtrArray& out, int index)
{
    return CollectAttachmentsAt(inMixed, out, index, nullptr, 0);
}

bool Email2::CollectAttachmentsAt(bool inMixed, ExtPtrArray& out, int index, Email2*, int depth)
{
    if (depth > MimeMessage2::kMaximumDepth)
        return false;
    if (m_parts.GetCount() == 0) {
        if (IsAttachment(inMixed) && index < 0)
            out.Append(this);
        return IsAttachment(inMixed);
    }
    bool mixed = EqualsNoCase(m_contentType, "multipart/mixed") || EqualsNoCase(m_contentType, "multipart/voice-message");
    bool related = EqualsNoCase(m_contentType, "multipart/related");
    bool alternative = EqualsNoCase(m_contentType, "multipart/alternative");
    for (int i = 0; i < m_parts.GetCount(); ++i) {
        if (index >= 0 && out.GetCount() >= index + 1)
            return true;
        Email2* part = GetPart(i);
        bool take = (mixed && part->IsAttachment(true)) || (related && part->IsRelatedAttachment());
        if (take) {
            if (index >= 0 && out.GetCount() == index) {
                out.Append(static_cast<Email2*>(m_parts.RemoveAt(i)));
                return true;
            }
            if (index >= 0) {
                // Counted but not returned: a placeholder keeps the count.
                out.Append(part);
                continue;
            }
            out.Append(part);
            continue;
        }
        bool descend = (mixed && (EqualsNoCase(part->m_contentType, "multipart/mixed")
                                     || EqualsNoCase(part->m_contentType, "multipart/related")
                                     || EqualsNoCase(part->m_contentType, "multipart/alternative")))
            || alternative;
        if (descend)
            part->CollectAttachmentsAt(mixed, out, index, this, depth + 1);
    }
    return out.GetCount() > 0;
}

int Email2::GetAttachmentCount()
{
    ExtPtrArray list;
    bool mixed = EqualsNoCase(m_contentType, "multipart/mixed") || EqualsNoCase(m_contentType, "multipart/voice-message");
    CollectAttachments(mixed, list, -1);
    int count = list.GetCount();
    list.Forget();
    return count;
}
