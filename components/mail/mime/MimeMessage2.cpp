#include "components/mail/mime/MimeMessage2.h"

#include "components/mail/ContentCoding.h"
#include "components/mail/mime/MimeField.h"
#include "components/mail/mime/MimeText.h"
#include "components/mail/mime/Rfc822Address.h"
#include "components/mail/mime/Uu.h"

#include <utility>

using namespace mimetext;

namespace {

string CollapseWhite(string_view text)
{
    string out;
    for (char c : text) {
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
        if (c == ' ' && !out.empty() && out.back() == ' ')
            continue;
        out += c;
    }
    return out;
}

struct ExtensionType {
    const char* extension;
    const char* type;
};

const ExtensionType kExtensionTypes[] = {
    { "abs", "audio/x-mpeg" }, { "mp1", "audio/x-mpeg" }, { "mp2", "audio/x-mpeg" }, { "mp3", "audio/x-mpeg" },
    { "mpa", "audio/x-mpeg" }, { "mpega", "audio/x-mpeg" }, { "aif", "audio/x-aiff" }, { "aifc", "audio/x-aiff" },
    { "aiff", "audio/x-aiff" }, { "au", "audio/basic" }, { "snd", "audio/basic" }, { "ulw", "audio/basic" },
    { "kar", "audio/x-midi" }, { "mid", "audio/x-midi" }, { "midi", "audio/x-midi" }, { "smf", "audio/x-midi" },
    { "m3u", "audio/x-mpegurl" }, { "pls", "audio/x-scpls" }, { "wav", "audio/x-wav" },
    { "ai", "application/postscript" }, { "eps", "application/postscript" }, { "ps", "application/postscript" },
    { "aim", "application/x-aim" }, { "bcpio", "application/x-bcpio" }, { "bin", "application/octet-stream" },
    { "exe", "application/octet-stream" }, { "cdf", "application/x-cdf" }, { "cer", "application/x-x509-ca-cert" },
    { "class", "application/java" }, { "cpio", "application/x-cpio" }, { "csh", "application/x-csh" },
    { "doc", "application/msword" }, { "dvi", "application/x-dvi" }, { "gtar", "application/x-gtar" },
    { "gz", "application/x-gzip" }, { "hdf", "application/x-hdf" }, { "hqx", "application/mac-binhex40" },
    { "jar", "application/java-archive" }, { "jnlp", "application/x-java-jnlp-file" },
    { "latex", "application/x-latex" }, { "man", "application/x-troff-man" }, { "me", "application/x-troff-me" },
    { "mif", "application/x-mif" }, { "ms", "application/x-wais-source" }, { "src", "application/x-wais-source" },
    { "nc", "application/x-netcdf" }, { "oda", "application/oda" }, { "pdf", "application/pdf" },
    { "rm", "application/vnd.rn-realmedia" }, { "roff", "application/x-troff" }, { "t", "application/x-troff" },
    { "tr", "application/x-troff" }, { "rtf", "application/rtf" }, { "sh", "application/x-sh" },
    { "shar", "application/x-shar" }, { "sv4cpio", "application/x-sv4cpio" }, { "sv4crc", "application/x-sv4crc" },
    { "swf", "application/x-shockwave-flash" }, { "tar", "application/x-tar" }, { "tcl", "application/x-tcl" },
    { "tex", "application/x-tex" }, { "texi", "application/x-texinfo" }, { "texinfo", "application/x-texinfo" },
    { "ustar", "application/x-ustar" }, { "wmlc", "application/vnd.wap.wmlc" },
    { "wmlscriptc", "application/vnd.wap.wmlscriptc" }, { "Z", "application/x-compress" },
    { "z", "application/x-compress" }, { "zip", "application/zip" }, { "art", "image/x-jg" }, { "bmp", "image/bmp" },
    { "dib", "image/bmp" }, { "gif", "image/gif" }, { "ief", "image/ief" }, { "jpe", "image/jpeg" },
    { "jpeg", "image/jpeg" }, { "jpg", "image/jpeg" }, { "mac", "image/x-macpaint" }, { "pnt", "image/x-macpaint" },
    { "pbm", "image/x-portable-bitmap" }, { "pct", "image/pict" }, { "pic", "image/pict" }, { "pict", "image/pict" },
    { "pgm", "image/x-portable-graymap" }, { "png", "image/png" }, { "pnm", "image/x-portable-anymap" },
    { "ppm", "image/x-portable-pixmap" }, { "psd", "image/x-photoshop" }, { "qti", "image/x-quicktime" },
    { "qtif", "image/x-quicktime" }, { "ras", "image/x-cmu-raster" }, { "rgb", "image/x-rgb" },
    { "tif", "image/tiff" }, { "tiff", "image/tiff" }, { "xbm", "image/x-xbitmap" }, { "xpm", "image/x-xpixmap" },
    { "xwd", "image/x-xwindowdump" }, { "wbmp", "image/vnd.wap.wbmp" }, { "wmv", "video/x-ms-wmv" },
    { "asf", "video/x-ms-asf" }, { "asx", "video/x-ms-asf" }, { "avi", "video/x-msvideo" },
    { "avx", "video/x-rad-screenplay" }, { "dv", "video/x-dv" }, { "mov", "video/quicktime" },
    { "qt", "video/quicktime" }, { "movie", "video/x-sgi-movie" }, { "mpe", "video/mpeg" }, { "mpeg", "video/mpeg" },
    { "mpg", "video/mpeg" }, { "mpv2", "video/mpeg2" }, { "wrl", "x-world/x-vrml" }, { "body", "text/html" },
    { "htm", "text/html" }, { "html", "text/html" }, { "css", "text/css" }, { "dtd", "text/plain" },
    { "java", "text/plain" }, { "txt", "text/plain" }, { "etx", "text/x-setext" }, { "htc", "text/x-component" },
    { "jad", "text/vnd.sun.j2me.app-descriptor" }, { "js", "text/javascript" }, { "rtx", "text/richtext" },
    { "tsv", "text/tab-separated-values" }, { "wml", "text/vnd.wap.wml" }, { "wmls", "text/vnd.wap.wmls" },
    { "xml", "text/xml" },
};

} // namespace

MimeMessage2::~MimeMessage2()
{
    m_parts.DeleteAll();
}

void MimeMessage2::Append(torvane::StringBuffer& out, const std::string& text)
{
    AppendTo(out, text);
}

void MimeMessage2::Clear()
{
    m_rawText.Clear();
    m_contentType.clear();
    m_disposition.clear();
    m_transferEncoding.clear();
    m_name.clear();
    m_filename.clear();
    m_protocol.clear();
    m_micalg.clear();
    m_charset.Clear();
    m_boundary.clear();
    m_contentId.clear();
    m_smimeType.clear();
    m_typeParam.clear();
    m_header.Clear();
    m_body.Empty();
    m_parts.DeleteAll();
    m_changed = false;
}

MimeMessage2* MimeMessage2::GetPart(int index) const
{
    if (index < 0 || index >= m_parts.GetCount())
        return nullptr;
    return m_parts.GetAtAs<MimeMessage2>(index);
}

void MimeMessage2::AddPart(MimeMessage2* part)
{
    if (!part)
        return;
    m_parts.Append(part);
    m_changed = true;
}

void MimeMessage2::InsertPartFirst(MimeMessage2* part)
{
    if (!part)
        return;
    m_parts.InsertAt(0, part);
    m_changed = true;
}

MimeMessage2* MimeMessage2::RemovePartAt(int index)
{
    if (index < 0 || index >= m_parts.GetCount())
        return nullptr;
    m_changed = true;
    return static_cast<MimeMessage2*>(m_parts.RemoveAt(index));
}

void MimeMessage2::ReplacePartAt(int index, MimeMessage2* part)
{
    if (index >= 0 && index < m_parts.GetCount())
        m_parts.SetAt(index, part);
}

MimeMessage2* MimeMessage2::TakeAppleDoubleDataFork()
{
    if (!EqualsNoCase(m_contentType, "multipart/appledouble") || m_parts.GetCount() < 2)
        return nullptr;
    return RemovePartAt(1);
}

void MimeMessage2::GetTextCharset(torvane::StringBuffer& out) const
{
    if (BeginsNoCase(m_contentType, "text") || BeginsNoCase(m_contentType, "message"))
        out.Append(m_charset.GetName());
}

void MimeMessage2::GetBody(DataBuffer& out) const
{
    out.Empty();
    out.AppendBuffer(m_body);
}

bool MimeMessage2::IsAttachment() const { return EqualsNoCase(m_disposition, "attachment"); }
bool MimeMessage2::IsMultipart() const { return BeginsNoCase(m_contentType, "multipart"); }
bool MimeMessage2::IsMultipartMixed() const { return EqualsNoCase(m_contentType, "multipart/mixed"); }

bool MimeMessage2::GetHeaderValueDecoded(const char* name, torvane::StringBuffer& out) const
{
    out.Clear();
    if (!name || !m_header.GetFieldValue(name, out))
        return false;
    ContentCoding coding;
    if (out.ContainsNoCase("?B?"))
        coding.DecodeWordsToUtf8(out);
    if (out.ContainsNoCase("?Q?"))
        coding.DecodeWordsToUtf8(out);
    return true;
}

void MimeMessage2::SetHeaderField(const char* name, const char* value)
{
    if (!name)
        return;
    m_changed = true;
    string fieldName = Trim(name);
    string fieldValue = Trim(Text(value));
    if (fieldValue.empty())
        m_header.RemoveField(fieldName.c_str());
    else
        m_header.ReplaceField(fieldName.c_str(), fieldValue.c_str());
    if (EqualsNoCase(fieldName, "content-type"))
        ReadContentType();
    else if (EqualsNoCase(fieldName, "content-disposition"))
        ReadContentDisposition();
    else if (EqualsNoCase(fieldName, "content-id"))
        ReadContentId();
    else if (EqualsNoCase(fieldName, "content-transfer-encoding"))
        ReadTransferEncoding();
}

void MimeMessage2::RefreshFromHeader()
{
    ReadContentType();
    ReadContentId();
    ReadContentDisposition();
    ReadTransferEncoding();
}

void MimeMessage2::RenderHeader(torvane::StringBuffer& out) const
{
    m_header.Render(out, nullptr, m_charset);
}

void MimeMessage2::ComposeContentType(bool usAsciiForText)
{
    m_changed = true;
    string value = m_contentType;
    if (m_charset.GetCodePage() != 0)
        value += "; charset=\"" + Text(m_charset.GetName()) + "\";";
    else if (usAsciiForText && BeginsNoCase(m_contentType, "text"))
        value += "; charset=\"us-ascii\";";
    else
        value += ";";
    if (!m_typeParam.empty())
        value += " type=" + QuoteParameter(m_typeParam) + ";";
    if (!m_boundary.empty())
        value += "\r\n\tboundary=" + QuoteParameter(m_boundary) + ";";
    if (!m_name.empty())
        value += "\r\n\tname=" + QuoteParameter(m_name) + ";";
    if (!m_protocol.empty())
        value += "\r\n\tprotocol=" + QuoteParameter(m_protocol) + ";";
    if (!m_micalg.empty())
        value += "\r\n\tmicalg=" + m_micalg + ";";
    if (!m_smimeType.empty())
        value += "\r\n\tsmime-type=" + m_smimeType + ";";
    if (m_formatFlowed && EqualsNoCase(m_contentType, "text/plain"))
        value += "\r\n\tformat=flowed;";
    value = Trim(value);
    if (!value.empty() && value.back() == ';') {
        value.pop_back();
        value = Trim(value);
    }
    Charset kept;
    kept.CopyFrom(m_charset);
    m_header.ReplaceField("Content-Type", value.c_str());
    ReadContentType();
    // The "us-ascii" written for a text type without charset is not a charset of the part.
    m_charset.CopyFrom(kept);
}

void MimeMessage2::SetContentTypeFull(const char* mediaType, const char* name, const char* protocol,
    const char* micalg, const Charset& charset, const char* boundary, const char* smimeType, const char* typeParam)
{
    m_contentType = Text(mediaType);
    m_name = Text(name);
    m_protocol = Text(protocol);
    m_micalg = Text(micalg);
    Charset copy;
    copy.CopyFrom(charset);
    m_charset.CopyFrom(copy);
    m_boundary = Text(boundary);
    m_smimeType = Text(smimeType);
    m_typeParam = Text(typeParam);
    ComposeContentType(true);
}

void MimeMessage2::SetContentType(const char* mediaType)
{
    string name = m_name, protocol = m_protocol, micalg = m_micalg, boundary = m_boundary, smime = m_smimeType,
           type = m_typeParam;
    Charset charset;
    charset.CopyFrom(m_charset);
    SetContentTypeFull(mediaType, name.c_str(), protocol.c_str(), micalg.c_str(), charset, boundary.c_str(),
        smime.c_str(), type.c_str());
}

void MimeMessage2::SetCharset(const Charset& charset)
{
    m_charset.CopyFrom(charset);
    ComposeContentType(true);
}

void MimeMessage2::SetCharsetByName(const char* name)
{
    Charset charset;
    charset.SetByName(name);
    SetCharset(charset);
}

void MimeMessage2::SetBoundary(const char* boundary)
{
    m_boundary = Trim(Text(boundary));
    ComposeContentType(true);
}

void MimeMessage2::SetNameParam(const char* name)
{
    m_name = Trim(Text(name));
    ComposeContentType(false);
}

void MimeMessage2::SetDisposition(const char* disposition, const char* filename)
{
    string d = Text(disposition), f = Text(filename);
    if (d.empty() && f.empty()) {
        m_header.RemoveField("content-disposition");
        ReadContentDisposition();
        return;
    }
    m_changed = true;
    string value = d;
    if (!f.empty())
        value += "; filename=" + QuoteParameter(CollapseWhite(f));
    m_header.ReplaceField("content-disposition", value.c_str());
    ReadContentDisposition();
}

void MimeMessage2::SetFilename(const char* filename)
{
    string d = Trim(m_disposition);
    if (d.empty() && filename && *filename)
        d = "attachment";
    SetDisposition(d.c_str(), filename);
}

void MimeMessage2::SetDispositionOnly(const char* disposition)
{
    if (!disposition || !*disposition) {
        m_header.RemoveField("content-disposition");
        ReadContentDisposition();
        return;
    }
    string f = Trim(m_filename);
    SetDisposition(disposition, f.c_str());
}

void MimeMessage2::SetTransferEncoding(const char* encoding)
{
    m_changed = true;
    m_transferEncoding = Text(encoding);
    m_header.ReplaceField("content-transfer-encoding", m_transferEncoding.c_str());
    ReadTransferEncoding();
}

void MimeMessage2::SetBodyUnescaped(const char* bytes, int length)
{
    m_changed = true;
    SetData(m_body, string_view(bytes ? bytes : "", bytes && length > 0 ? size_t(length) : 0));
}

void MimeMessage2::SetBodyFromText(const char* bytes, int length, const Charset& charset, bool convert)
{
    m_changed = true;
    string body(bytes ? bytes : "", bytes && length > 0 ? size_t(length) : 0);
    if (convert) {
        int cp = charset.GetCodePage();
        bool latinFamily = (cp >= 1250 && cp <= 1258) || cp == 20127 || (cp >= 28591 && cp <= 28605);
        if (cp == 0) {
            if (Has8Bit(body) && !HasUtf8LatinPair(body))
                body = Convert(28591, 65001, body);
        } else if (latinFamily) {
            if (!HasUtf8LatinPair(body))
                body = Convert(cp, 65001, body);
        } else if (cp != 65001) {
            body = Convert(cp, 65001, body);
        }
    }
    SetData(m_body, body);
}

void MimeMessage2::GetBodyEncoded(torvane::StringBuffer& out) const
{
    string body = BodyString(m_body);
    int cp = m_charset.GetCodePage();
    if (cp != 0 && (Begins(m_contentType, "text/") || ContainsNoCase(m_contentType, "application/xml")) && cp != 65001
        && cp != 20127)
        body = Convert(65001, cp, body);
    ContentCoding coding;
    const auto* bytes = reinterpret_cast<const unsigned char*>(body.data());
    if (EqualsNoCase(m_transferEncoding, "base64"))
        coding.EncodeBase64(bytes, unsigned(body.size()), out);
    else if (EqualsNoCase(m_transferEncoding, "quoted-printable"))
        coding.EncodeQuotedPrintable(bytes, unsigned(body.size()), out);
    else
        AppendTo(out, body);
}

void MimeMessage2::GetBodyForTransfer(torvane::StringBuffer& out) const
{
    ContentCoding coding;
    const unsigned char* bytes = m_body.GetData();
    unsigned size = m_body.GetSize();
    if (EqualsNoCase(m_transferEncoding, "base64") || (!EqualsNoCase(m_transferEncoding, "quoted-printable")
                                                          && m_body.ContainsByte(0)))
        coding.EncodeBase64(bytes, size, out);
    else if (EqualsNoCase(m_transferEncoding, "quoted-printable"))
        coding.EncodeQuotedPrintable(bytes, size, out);
    else
        AppendTo(out, BodyString(m_body));
}

void MimeMessage2::DecodeUuencodedBody()
{
    if (!EqualsNoCase(m_transferEncoding, "X-UUencode"))
        return;
    torvane::StringBuffer text;
    AppendTo(text, BodyString(m_body));
    m_body.Empty();
    Uu uu;
    uu.Decode(text, m_body);
    m_changed = true;
    m_transferEncoding = "base64";
    m_header.ReplaceField("content-transfer-encoding", "base64");
}

void MimeMessage2::GetToAddresses(ExtPtrArray& out) const
{
    torvane::StringBuffer value;
    if (GetHeaderValueDecoded("To", value))
        Rfc822Address::ParseList(value.GetText(), out, false, nullptr);
}

void MimeMessage2::GetCcAddresses(ExtPtrArray& out) const
{
    torvane::StringBuffer value;
    if (GetHeaderValueDecoded("Cc", value))
        Rfc822Address::ParseList(value.GetText(), out, false, nullptr);
}

void MimeMessage2::TakeBccAddresses(ExtPtrArray& out)
{
    torvane::StringBuffer value;
    if (!GetHeaderValueDecoded("Bcc", value) || value.GetLength() == 0)
        return;
    Rfc822Address::ParseList(value.GetText(), out, false, nullptr);
    SetHeaderField("Bcc", nullptr);
}

const char* MimeMessage2::GetMimeTypeForExtension(const char* extension)
{
    if (extension && *extension)
        for (const ExtensionType& row : kExtensionTypes)
            if (EqualsNoCase(row.extension, extension))
                return row.type;
    return "application/octet-stream";
}
