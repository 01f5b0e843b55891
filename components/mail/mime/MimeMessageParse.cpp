// Parsing MIME text into a part tree: header and body split, Content-* readers, multipart
// splitting and leaf body decoding.
#include "components/mail/mime/MimeMessage2.h"

#include "components/foundation/CharsetNames.h"
#include "components/foundation/UrlHelpers.h"
#include "components/mail/ContentCoding.h"
#include "components/mail/mime/HtmlHelp.h"
#include "components/mail/mime/MimeText.h"
#include "components/mail/mime/ParamString.h"
#include "platform/base/CodePage.h"
#include "platform/base/Guid.h"

#include <cstdio>
#include <cstdlib>

using namespace mimetext;

namespace {

// Encoded words decoded to UTF-8, as a header value is read for display.
string DecodedWords(const string& text)
{
    torvane::StringBuffer out;
    AppendTo(out, text);
    ContentCoding coding;
    if (out.ContainsNoCase("?B?"))
        coding.DecodeWordsToUtf8(out);
    if (out.ContainsNoCase("?Q?"))
        coding.DecodeWordsToUtf8(out);
    return FromBuffer(out);
}

// The parameters of a tokenised value, name and value each, quoted values put back.
struct Parameter {
    string name;
    string value;
};

std::vector<Parameter> ReadParameters(const ParamString& tokens, string_view rest)
{
    std::vector<Parameter> out;
    size_t i = 0;
    while (i < rest.size()) {
        size_t equals = rest.find('=', i);
        Parameter p;
        p.name = string(rest.substr(i, equals == npos ? npos : equals - i));
        if (equals == npos) {
            out.push_back(p);
            break;
        }
        i = equals;
        while (i < rest.size() && rest[i] == '=')
            ++i;
        size_t semicolon = rest.find(';', i);
        p.value = string(rest.substr(i, semicolon == npos ? npos : semicolon - i));
        i = semicolon == npos ? rest.size() : semicolon;
        while (i < rest.size() && rest[i] == ';')
            ++i;
        if (Begins(p.value, "<[[")) {
            int index = std::atoi(p.value.c_str() + 3);
            const torvane::StringBuffer* quoted = tokens.GetString(index < 0 ? 0 : index);
            p.value = quoted ? DecodedWords(FromBuffer(*quoted)) : string();
        }
        out.push_back(std::move(p));
    }
    return out;
}

string RemoveSpacesTabs(string_view text)
{
    string out;
    for (char c : text)
        if (c != ' ' && c != '\t')
            out += c;
    return out;
}

// A delimiter line: "--" and the boundary at the start of a line, then (closing) "--" or the line
// end, blanks allowed before it. Returns the position of the "--", npos when none follows `from`.
size_t FindDelimiterLine(const string& body, const string& boundary, size_t from, bool* closing, size_t* lineEnd)
{
    string marker = "--" + boundary;
    for (size_t at = body.find(marker, from); at != npos; at = body.find(marker, at + 1)) {
        if (at != 0 && body[at - 1] != '\n')
            continue;
        size_t after = at + marker.size();
        bool close = body.compare(after, 2, "--") == 0;
        size_t i = close ? after + 2 : after;
        while (i < body.size() && (body[i] == ' ' || body[i] == '\t'))
            ++i;
        if (i < body.size() && body[i] != '\r' && body[i] != '\n')
            continue;
        if (i + 1 < body.size() && body[i] == '\r' && body[i + 1] == '\n')
            i += 2;
        else if (i < body.size())
            ++i;
        *closing = close;
        *lineEnd = i;
        return at;
    }
    return npos;
}

size_t FindDelimiter(const string& body, const string& boundary, size_t from)
{
    bool closing = false;
    size_t end = 0;
    for (size_t at = FindDelimiterLine(body, boundary, from, &closing, &end); at != npos;
         at = FindDelimiterLine(body, boundary, end, &closing, &end))
        if (!closing)
            return at;
    return npos;
}

} // namespace

void DecodeRfc2231Value(const char* value, const char* charsetName, torvane::StringBuffer& out,
    torvane::StringBuffer& outCharsetName)
{
    outCharsetName.Clear();
    string text = Text(value);
    size_t pair = text.find("''");
    // A first piece may name a language between the apostrophes (charset'language'text).
    if (pair == npos && !charsetName) {
        size_t firstApostrophe = text.find('\'');
        size_t second = firstApostrophe == npos ? npos : text.find('\'', firstApostrophe + 1);
        if (second != npos && firstApostrophe > 0
            && CodePageFromCharsetName(text.substr(0, firstApostrophe).c_str()) != 0) {
            text = text.substr(0, firstApostrophe) + "''" + text.substr(second + 1);
            pair = firstApostrophe;
        }
    }
    string result;
    if (pair != npos) {
        size_t apostrophe = text.find('\'');
        string name = ToLower(text.substr(0, apostrophe));
        AppendTo(outCharsetName, name);
        Charset charset;
        charset.SetByName(name.c_str());
        int cp = charset.GetCodePage() != 0 ? charset.GetCodePage() : 65001;
        result = text.substr(pair + 2);
        if (result.find('%') != npos)
            result = UrlDecode(result);
        if (cp != 65001)
            result = Convert(cp, 65001, result);
    } else {
        result = text;
        if (result.find('%') != npos)
            result = UrlDecode(result);
        string name = charsetName ? string(charsetName) : string("utf-8");
        if (!name.empty()) {
            int cp = CodePageFromCharsetName(name.c_str());
            if (cp != 0 && cp != 65001)
                result = Convert(cp, 65001, result);
        }
    }
    AppendTo(out, result);
}

void EscapeNuls(const unsigned char* bytes, unsigned length, DataBuffer& out)
{
    for (unsigned i = 0; i < length; ++i) {
        if (bytes[i] == 0)
            out.Append("{[0000]}", 8);
        else
            out.AppendByte(bytes[i]);
    }
    out.AppendByte(0);
}

int UnescapeNuls(const char* text, unsigned length, DataBuffer& out)
{
    int count = 0;
    for (unsigned i = 0; i < length; ++i) {
        if (i + 8 <= length && std::char_traits<char>::compare(text + i, "{[0000]}", 8) == 0) {
            out.AppendByte(0);
            i += 7;
            ++count;
            continue;
        }
        out.AppendByte(static_cast<unsigned char>(text[i]));
    }
    return count;
}

void MakeBoundary(torvane::StringBuffer& out)
{
    GUID guid;
    CoCreateGuid(&guid);
    char u[40];
    std::snprintf(u, sizeof u, "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x", unsigned(guid.Data1),
        unsigned(guid.Data2), unsigned(guid.Data3), guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3],
        guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    string id(u);
    string boundary = "-----_torvane_" + id.substr(0, 3) + "_" + id.substr(3, 4) + "_" + id.substr(9, 4)
        + id.substr(14, 4) + "." + id.substr(24, 8);
    SetBuffer(out, boundary);
}

void MimeMessage2::MakeMultipartAlternative()
{
    Clear();
    torvane::StringBuffer boundary;
    MakeBoundary(boundary);
    boundary.Append("_.ALT");
    Charset none;
    SetContentTypeFull("multipart/alternative", nullptr, nullptr, nullptr, none, boundary.GetText(), nullptr, nullptr);
}

void MimeMessage2::ReadContentType()
{
    m_contentType.clear();
    m_protocol.clear();
    m_micalg.clear();
    m_typeParam.clear();
    m_boundary.clear();
    m_charset.Clear();
    m_smimeType.clear();
    m_name.clear();
    // Quoted values are taken out before encoded words are decoded: a word may stand for a quote
    // or a semicolon, which must not end the value it is part of.
    torvane::StringBuffer value;
    m_header.GetFieldValue("Content-Type", value);
    ParamString tokens;
    tokens.Parse(value.GetText());
    string text = DecodedWords(Text(tokens.GetText()));
    size_t stop = text.find_first_of(";  \t\r");
    m_contentType = ToLower(RemoveSpacesTabs(text.substr(0, stop)));
    size_t i = stop == npos ? text.size() : stop;
    while (i < text.size() && (text[i] == ';' || IsBlank(text[i])))
        ++i;
    string rest = RemoveSpacesTabs(text.substr(i));
    string rfc2231Charset;
    for (const Parameter& p : ReadParameters(tokens, rest)) {
        string name = ToLower(p.name);
        if (name == "protocol")
            m_protocol = ToLower(p.value);
        else if (name == "micalg")
            m_micalg = ToLower(p.value);
        else if (name == "smime-type")
            m_smimeType = ToLower(p.value);
        else if (name == "type")
            m_typeParam = ToLower(p.value);
        else if (name == "boundary")
            m_boundary = p.value;
        else if (name == "charset")
            m_charset.SetByName(p.value.c_str());
        else if (name == "name")
            m_name = p.value;
        else if (Begins(name, "name*")) {
            torvane::StringBuffer decoded, charsetName;
            bool first = name == "name*0*" || name == "name*";
            DecodeRfc2231Value(p.value.c_str(), first ? nullptr : rfc2231Charset.c_str(), decoded, charsetName);
            if (first) {
                m_name = FromBuffer(decoded);
                rfc2231Charset = FromBuffer(charsetName);
            } else {
                m_name += FromBuffer(decoded);
            }
        }
    }
}

void MimeMessage2::ReadContentDisposition()
{
    m_disposition.clear();
    m_filename.clear();
    torvane::StringBuffer value;
    m_header.GetFieldValue("Content-Disposition", value);
    ParamString tokens;
    tokens.Parse(value.GetText());
    string text = RemoveSpacesTabs(DecodedWords(Text(tokens.GetText())));
    size_t stop = text.find(';');
    m_disposition = text.substr(0, stop);
    size_t i = stop == npos ? text.size() : stop;
    while (i < text.size() && text[i] == ';')
        ++i;
    string rfc2231Charset;
    for (const Parameter& p : ReadParameters(tokens, string_view(text).substr(i))) {
        string name = ToLower(p.name);
        if (name == "filename") {
            string collapsed;
            for (char c : p.value) {
                if (c == '\t' || c == '\r' || c == '\n')
                    c = ' ';
                if (c == ' ' && !collapsed.empty() && collapsed.back() == ' ')
                    continue;
                collapsed += c;
            }
            m_filename = collapsed;
        } else if (Begins(name, "filename*")) {
            torvane::StringBuffer decoded, charsetName;
            bool first = name == "filename*0*" || name == "filename*";
            DecodeRfc2231Value(p.value.c_str(), first ? nullptr : rfc2231Charset.c_str(), decoded, charsetName);
            if (first) {
                m_filename = FromBuffer(decoded);
                rfc2231Charset = FromBuffer(charsetName);
            } else {
                m_filename += FromBuffer(decoded);
            }
        }
    }
}

void MimeMessage2::ReadContentId()
{
    torvane::StringBuffer value;
    GetHeaderValueDecoded("Content-ID", value);
    string text = FromBuffer(value);
    m_contentId = Trim(text.substr(0, text.find(';')));
}

void MimeMessage2::ReadTransferEncoding()
{
    torvane::StringBuffer value;
    GetHeaderValueDecoded("Content-Transfer-Encoding", value);
    string text = FromBuffer(value);
    m_transferEncoding = Trim(text.substr(0, text.find(';')));
}

void MimeMessage2::ParseFromBuffer(const torvane::StringBuffer& text, LogBase*)
{
    string_view all(text.GetText(), size_t(text.GetLength()));
    ParseMimeTextAt(text.GetText(), text.GetLength(), all.find('\0') == npos && all.find("{[0000]}") == npos, 0);
}

void MimeMessage2::ParseMimeText(const char* text, int length, bool bareLfTolerance, LogBase*)
{
    ParseMimeTextAt(text, length, bareLfTolerance, 0);
}

void MimeMessage2::ParseMimeTextAt(const char* text, int length, bool bareLfTolerance, int depth)
{
    Clear();
    if (!text || length < 0)
        return;
    string work(text, size_t(length));
    size_t q = npos;
    if (work.size() > 1 && Begins(work, "\r\n"))
        q = 0;
    else
        q = work.find("\r\n\r\n");
    if (q != npos && bareLfTolerance && work.find("\n\n") != npos) {
        work = NormalizeToCrlf(work);
        q = work.find("\r\n\r\n");
    }
    if (q == npos) {
        for (const char* odd : { "\r\n\r\r\n", "\r\n\r", "\n\r\n" }) {
            q = work.find(odd);
            if (q != npos)
                break;
        }
    }
    if (q == npos) {
        if (work.find("\n\n") != npos) {
            work = NormalizeToCrlf(work);
            q = work.find("\r\n\r\n");
        } else {
            ReplaceAll(work, "\r\r\r\n", "\r\n");
            ReplaceAll(work, "\r\r\n", "\r\n");
            q = work.find("\r\n\r\n");
            if (q == npos && string_view(text, size_t(length)).find("\r\r") != npos) {
                work.assign(text, size_t(length));
                ReplaceAll(work, "\r", "\r\n");
                q = work.find("\r\n\r\n");
            }
        }
    }
    Charset none;
    if (q == npos) {
        if (Begins(work, "\r\n")) {
            m_header.Parse("Content-Type: text/plain");
            RefreshFromHeader();
            Charset charset;
            charset.CopyFrom(m_charset);
            SetBodyFromText(work.data(), int(work.size()), charset, true);
        } else {
            m_header.Parse(work.c_str(), int(work.size()));
            RefreshFromHeader();
        }
        return;
    }
    if (q != 0) {
        m_header.Parse(work.c_str(), int(work.size()));
        RefreshFromHeader();
    }
    // An empty header is one line break; otherwise the break ending the last field and the blank
    // line follow.
    size_t start = q;
    for (int pairs = 0; pairs < (q == 0 ? 1 : 2) && work.compare(start, 2, "\r\n") == 0; ++pairs)
        start += 2;
    torvane::StringBuffer body;
    if (start < work.size())
        body.AppendBytes(work.data() + start, int(work.size() - start));
    string encoding = m_transferEncoding;
    ParseBodyAt(encoding.c_str(), body.GetText(), body.GetLength(), depth);
}

void MimeMessage2::ParseBody(const char* transferEncoding, const torvane::StringBuffer& body, LogBase*)
{
    ParseBodyAt(transferEncoding, body.GetText(), body.GetLength(), 0);
}

void MimeMessage2::SplitMultipart(const string& body, int depth, bool keepRaw)
{
    const string& boundary = m_boundary;
    bool closing = false;
    size_t lineEnd = 0;
    // The preamble before the first delimiter is skipped, as is the epilogue after the closing one.
    size_t at = FindDelimiter(body, boundary, 0);
    if (at == npos)
        return;
    FindDelimiterLine(body, boundary, at, &closing, &lineEnd);
    for (;;) {
        size_t partStart = lineEnd;
        size_t next = FindDelimiterLine(body, boundary, partStart, &closing, &lineEnd);
        size_t partEnd;
        if (next != npos) {
            // The line break before a delimiter belongs to the delimiter.
            partEnd = next;
            if (partEnd >= partStart + 2 && body.compare(partEnd - 2, 2, "\r\n") == 0)
                partEnd -= 2;
            else if (partEnd >= partStart + 1 && body[partEnd - 1] == '\n')
                partEnd -= 1;
        } else {
            // No closing delimiter: the rest is the last part, less a final line break only.
            partEnd = body.size();
            if (partEnd >= partStart + 2 && body.compare(partEnd - 2, 2, "\r\n") == 0)
                partEnd -= 2;
        }
        if (partEnd > partStart) {
            auto* part = new MimeMessage2();
            string_view partText = string_view(body).substr(partStart, partEnd - partStart);
            bool tolerant = partText.find('\0') == npos && partText.find("{[0000]}") == npos;
            part->ParseMimeTextAt(partText.data(), int(partText.size()), tolerant, depth + 1);
            // Either part of a signed pair may be the content: the signature covers its exact text.
            if (keepRaw)
                AppendTo(part->m_rawText, partText);
            m_parts.Append(part);
            m_changed = true;
        }
        if (next == npos || closing)
            break;
    }
}

void MimeMessage2::ParseBodyAt(const char* transferEncoding, const char* bodyText, int length, int depth)
{
    if (!bodyText || length <= 0) {
        m_body.Empty();
        return;
    }
    string body(bodyText, size_t(length));
    bool keepRaw = EqualsNoCase(m_contentType, "multipart/signed") && !EqualsNoCase(m_protocol, "application/pgp-signature");
    if (BeginsNoCase(m_contentType, "multipart") && !m_boundary.empty() && depth < kMaximumDepth) {
        bool found = FindDelimiter(body, m_boundary, 0) != npos;
        if (!found && m_boundary.find("=_alternative") != npos) {
            string spaced = m_boundary;
            ReplaceFirst(spaced, "=_alternative", "=_alternative ");
            if (FindDelimiter(body, spaced, 0) != npos) {
                m_boundary = spaced;
                found = true;
            }
        }
        if (!found && Has8Bit(m_boundary) && GetACP() != 65001) {
            string original = m_boundary;
            string ansi = Convert(65001, int(GetACP()), original);
            if (FindDelimiter(body, ansi, 0) != npos) {
                m_boundary = ansi;
                SplitMultipart(body, depth, keepRaw);
                string seven;
                for (char c : original) {
                    unsigned char b = static_cast<unsigned char>(c);
                    if (b >= 129 && b <= 175)
                        seven += '0';
                    else if (b >= 251)
                        seven += 'z';
                    else if (b >= 176 && b <= 250)
                        seven += char(b - 128);
                    else
                        seven += c;
                }
                SetBoundary(seven.c_str());
                return;
            }
        }
        if (!found) {
            auto* part = new MimeMessage2();
            part->SetHeaderOnlyFromText(body.c_str(), int(body.size()), nullptr);
            m_parts.Append(part);
            m_changed = true;
            return;
        }
        SplitMultipart(body, depth, keepRaw);
        return;
    }
    torvane::StringBuffer rawType;
    m_header.GetFieldValue("Content-Type", rawType);
    string ct = FromBuffer(rawType);
    bool attachment = EqualsNoCase(m_disposition, "attachment");
    if (ContainsNoCase(ct, "image/") || ContainsNoCase(ct, "audio/") || ContainsNoCase(ct, "video/")
        || ContainsNoCase(ct, "application/"))
        m_charset.Clear();
    if (attachment)
        m_charset.Clear();
    bool hasNul = body.find('\0') != npos;
    int cp = m_charset.GetCodePage();
    bool convert = (ContainsNoCase(ct, "text/") || ContainsNoCase(ct, "application/xml"))
        && !(hasNul && cp != 1200 && cp != 1201);
    if (ct.empty() && !hasNul)
        convert = true;
    if (attachment)
        convert = false;
    Charset used;
    used.CopyFrom(m_charset);
    if (used.GetCodePage() == 20127)
        used.SetByCodePage(28591);
    // Only text is held in UTF-8 and converted back when rendered; the bytes of any other type
    // stay as they came, whatever charset its label names.
    if (!ct.empty() && !BeginsNoCase(m_contentType, "text/"))
        used.Clear();
    if (!attachment && ContainsNoCase(ct, "text/html") && m_charset.GetCodePage() == 0) {
        SetBodyEncoded(transferEncoding, body.data(), int(body.size()), used, convert);
        torvane::StringBuffer html, meta;
        AppendTo(html, BodyString(m_body));
        HtmlHelp::GetMetaCharsetOf(html, meta);
        if (meta.GetLength() > 0) {
            Charset named;
            named.SetByName(meta.GetText());
            if (named.GetCodePage() != 0) {
                m_charset.CopyFrom(named);
                used.CopyFrom(named);
            }
        }
    }
    bool windows1252 = false;
    if (EqualsNoCase(Text(transferEncoding), "quoted-printable")) {
        windows1252 = SetBodyFromQuotedPrintable(body.data(), int(body.size()), used);
        m_changed = true;
    } else {
        SetBodyEncoded(transferEncoding, body.data(), int(body.size()), used, convert);
    }
    if (windows1252)
        SetCharsetByName("windows-1252");
    size_t lead = body.find_first_not_of(" \t\r\n");
    if (lead != npos && BeginsNoCase(string_view(body).substr(lead), "<x-html>") && m_contentType != "text/html") {
        Charset none;
        SetContentTypeFull("text/html", nullptr, nullptr, nullptr, none, nullptr, nullptr, nullptr);
    }
}

void MimeMessage2::SetHeaderOnlyFromText(const char* text, int length, LogBase*)
{
    Clear();
    if (!text || length <= 0)
        return;
    string_view all(text, size_t(length));
    size_t separator = all.find("\r\n\r\n");
    if (separator == npos)
        separator = all.find("\n\n");
    if (separator == npos)
        separator = all.find("\r\r");
    if (separator == npos) {
        m_header.Parse(text, length);
        RefreshFromHeader();
        return;
    }
    if (separator != 0) {
        m_header.Parse(text, length);
        RefreshFromHeader();
    }
    Charset none;
    const char placeholder[] = "(multipart MIME message)";
    SetBodyFromText(placeholder, int(sizeof placeholder - 1), none, true);
}

void MimeMessage2::SetBodyEncoded(const char* transferEncoding, const char* bytes, int length,
    const Charset& charset, bool convert)
{
    string encoding = Text(transferEncoding);
    if (EqualsNoCase(encoding, "base64")) {
        SetBodyFromBase64(bytes, length, charset);
    } else if (EqualsNoCase(encoding, "quoted-printable")) {
        SetBodyFromQuotedPrintable(bytes, length, charset);
    } else if (EqualsNoCase(encoding, "binary")) {
        if (EqualsNoCase(m_contentType, "message/rfc822")) {
            SetBodyFromText(bytes, length, charset, convert);
            SetTransferEncoding("8bit");
        } else {
            SetBodyUnescaped(bytes, length);
        }
    } else {
        SetBodyFromText(bytes, length, charset, convert);
    }
    m_changed = true;
}

bool MimeMessage2::SetBodyFromQuotedPrintable(const char* bytes, int length, const Charset& charset)
{
    m_body.Empty();
    if (bytes && length > 0)
        ContentCoding().DecodeQuotedPrintableToData(bytes, unsigned(length), m_body);
    int cp = charset.GetCodePage();
    if (cp == 0 || cp == 65001)
        return false;
    string body = BodyString(m_body);
    switch (cp) {
    case 932: case 936: case 949: case 950: case 1200: case 1201: case 28595: case 51932: case 51949: case 52936:
        SetData(m_body, Convert(cp, 65001, body));
        return false;
    default:
        break;
    }
    bool noted = false;
    bool windows1252 = false;
    for (size_t i = 0; i + 1 < body.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(body[i]);
        if ((c == 0xC2 || c == 0xC3) && static_cast<unsigned char>(body[i + 1]) >= 0x80) {
            if (ContainsNoCase(body, "utf-8"))
                cp = 65001;
            break;
        }
        if (c >= 130 && c <= 159)
            noted = true;
    }
    if (noted && cp == 28591) {
        cp = 1252;
        windows1252 = true;
    }
    if (cp != 65001)
        SetData(m_body, Convert(cp, 65001, body));
    return windows1252;
}

void MimeMessage2::SetBodyFromBase64(const char* bytes, int length, const Charset& charset)
{
    m_body.Empty();
    if (!bytes || length <= 0)
        return;
    // Bytes outside the alphabet (line breaks, blanks, junk a mailer added) are passed over, as
    // receiving mailers do, instead of throwing the whole body away.
    string clean;
    clean.reserve(size_t(length));
    for (int i = 0; i < length; ++i) {
        char c = bytes[i];
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/'
            || c == '=')
            clean += c;
    }
    ContentCoding().DecodeBase64ToData(clean.data(), unsigned(clean.size()), m_body);
    int cp = charset.GetCodePage();
    if (cp == 0 || cp == 65001)
        return;
    string body = BodyString(m_body);
    if (cp == 1200 && !Has8Bit(body) && body.find('\0') == npos)
        return;
    SetData(m_body, Convert(cp, 65001, body));
}
