#include "components/net/http/HttpRequest.h"

#include "components/foundation/LogBase.h"
#include "components/mail/mime/MimeMessage2.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <iterator>
#include <strings.h>

namespace {

const char kCrlf[] = "\r\n";

std::string NormaliseLineEnds(const char* value)
{
    std::string out;
    for (const char* p = value; p && *p; ++p) {
        if (*p == '\r')
            continue;
        if (*p == '\n')
            out += "\r\n";
        else
            out += *p;
    }
    return out;
}

// UTF-8 to ISO-8859-1; characters outside it become '?'.
std::string Utf8ToLatin1(const std::string& in)
{
    std::string out;
    for (size_t i = 0; i < in.size();) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        unsigned cp = c;
        int extra = 0;
        if (c >= 0xF0) { cp = c & 0x07; extra = 3; }
        else if (c >= 0xE0) { cp = c & 0x0F; extra = 2; }
        else if (c >= 0xC0) { cp = c & 0x1F; extra = 1; }
        ++i;
        for (int k = 0; k < extra && i < in.size(); ++k, ++i)
            cp = (cp << 6) | (static_cast<unsigned char>(in[i]) & 0x3F);
        out += cp < 256 ? static_cast<char>(cp) : '?';
    }
    return out;
}

bool IsLatin1Name(const char* charset)
{
    return charset && (strcasecmp(charset, "iso-8859-1") == 0 || strcasecmp(charset, "latin1") == 0 ||
                          strcasecmp(charset, "windows-1252") == 0);
}

std::string RandomBoundary()
{
    static thread_local std::mt19937_64 rng(std::random_device{}());
    char buf[64];
    std::snprintf(buf, sizeof buf, "----------vornalt%016llx%08llx",
        static_cast<unsigned long long>(rng()), static_cast<unsigned long long>(rng() & 0xFFFFFFFFu));
    return buf;
}

// A field name is copied into a quoted string; keep it from breaking out of it.
std::string SafeQuoted(const std::string& s)
{
    std::string out;
    for (char c : s) {
        if (c == '\r' || c == '\n' || c == '\0')
            continue;
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

} // namespace

std::string HttpSafeUploadName(const std::string& path)
{
    size_t slash = path.find_last_of("/\\");
    return SafeQuoted(slash == std::string::npos ? path : path.substr(slash + 1));
}

void HttpRequestData::SetField(const std::string& name, const std::string& value)
{
    for (auto& item : m_items)
        if (item.name == name) {
            item.value = value;
            return;
        }
    HttpRequestItem item;
    item.name = name;
    item.value = value;
    m_items.push_back(std::move(item));
}

std::string HttpRequestData::BuildFormEncoded(const char* charset) const
{
    bool latin1 = IsLatin1Name(charset);
    std::string out;
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (i)
            out += '&';
        std::string name = latin1 ? Utf8ToLatin1(m_items[i].name) : m_items[i].name;
        std::string value = latin1 ? Utf8ToLatin1(m_items[i].value) : m_items[i].value;
        for (char c : name)
            out += c == ' ' ? '+' : c;
        out += '=';
        for (unsigned char c : value) {
            if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
                out += static_cast<char>(c);
            else if (c == ' ')
                out += '+';
            else {
                char hex[4];
                std::snprintf(hex, sizeof hex, "%%%02X", c);
                out += hex;
            }
        }
    }
    return out;
}

void HttpRequestData::BuildMultipartPieces(const std::string& boundary, std::vector<HttpBodyPiece>& pieces) const
{
    pieces.clear();
    pieces.emplace_back();
    for (const auto& item : m_items) {
        std::string& text = pieces.back().text;
        text += "--" + boundary + kCrlf;
        text += "Content-Disposition: form-data; name=\"" + SafeQuoted(item.name) + "\"";
        const char* type = "application/octet-stream";
        if (!item.fileName.empty()) {
            text += "; filename=\"" + HttpSafeUploadName(item.fileName) + "\"";
            size_t dot = item.fileName.rfind('.');
            if (dot != std::string::npos)
                type = MimeMessage2::GetMimeTypeForExtension(item.fileName.c_str() + dot + 1);
        }
        text += kCrlf;
        text += std::string("Content-Type: ") + type + kCrlf + kCrlf;
        if (item.isParam) {
            // Text parameters go as UTF-8: the services we post to expect it and nothing is lost.
            text += item.value;
        } else {
            HttpBodyPiece file;
            file.path = item.fileName;
            file.size = item.fileSize;
            pieces.push_back(std::move(file));
            pieces.emplace_back();
        }
        pieces.back().text += kCrlf;
    }
    pieces.back().text += "--" + boundary + "--" + kCrlf;
    for (auto& piece : pieces)
        if (piece.path.empty())
            piece.size = piece.text.size();
}

bool HttpReadBodyFile(const HttpBodyPiece& piece, std::string& out)
{
    std::ifstream in(piece.path, std::ios::binary);
    if (!in)
        return false;
    out.resize(size_t(piece.size));
    in.read(out.data(), std::streamsize(out.size()));
    return std::uint64_t(in.gcount()) == piece.size && in.peek() == std::char_traits<char>::eof();
}

void HttpRequest::SelectGet()
{
    m_verb = HttpVerb::Get;
    m_fields.Remove("Content-Type");
    m_fields.Remove("content-length");
}

void HttpRequest::SelectFormPost()
{
    m_verb = HttpVerb::Post;
    m_fields.Replace("Content-Type", "application/x-www-form-urlencoded");
    m_bodyKind = FormBodyKind::UrlEncoded;
}

void HttpRequest::SelectMultipartPost()
{
    m_verb = HttpVerb::Post;
    m_fields.Remove("Content-Type");
    m_fields.Remove("content-length");
    m_bodyKind = FormBodyKind::Multipart;
}

void HttpRequest::SetFormField(const char* name, const char* value)
{
    std::string cleaned;
    for (char c : HttpTrim(name ? name : ""))
        if (c != ' ' && c != '\n' && c != '\r' && c != '\t')
            cleaned += c;
    m_items.SetField(cleaned, NormaliseLineEnds(value));
}

bool HttpRequest::AddUploadFile(const char* name, const char* path, LogBase* log)
{
    // Only the size is taken now: the bytes go from the file to the connection when sending.
    std::ifstream in(path ? path : "", std::ios::binary | std::ios::ate);
    std::streamoff size = in ? std::streamoff(in.tellg()) : -1;
    if (!in.is_open() || size < 0) {
        if (log) {
            log->LogError("Failed to read the upload file");
            log->LogData("path", path ? path : "");
        }
        return false;
    }
    HttpRequestItem item;
    item.name = name ? name : "";
    item.fileName = path;
    item.fileSize = std::uint64_t(size);
    item.isParam = false;
    m_items.AddItem(std::move(item));
    return true;
}

std::string HttpRequest::RenderedFields(const char* extraLines) const
{
    std::string header = HttpTrim(m_fields.Render());
    if (extraLines && *extraLines)
        header = HttpTrim(header + kCrlf + extraLines);
    return header;
}

void HttpRequest::BuildRequestText(std::string& out, std::string& headerCopy, const char* extraLines,
    const char* urlPrefix)
{
    std::vector<HttpBodyPiece> pieces;
    const std::string* held = nullptr;
    BuildRequestPieces(out, headerCopy, extraLines, urlPrefix, pieces, held);
    if (held)
        out += *held;
    for (const auto& piece : pieces) {
        std::string bytes;
        if (piece.path.empty())
            out += piece.text;
        else if (HttpReadBodyFile(piece, bytes))
            out += bytes;
    }
}

void HttpRequest::BuildRequestPieces(std::string& head, std::string& headerCopy, const char* extraLines,
    const char* urlPrefix, std::vector<HttpBodyPiece>& body, const std::string*& heldBody)
{
    head.clear();
    body.clear();
    heldBody = nullptr;
    if (IsMultipartPost()) {
        BuildMultipartPieces("HOSTNAME", "", urlPrefix, nullptr, head, headerCopy, body);
        return;
    }
    std::string prefix = urlPrefix ? urlPrefix : "";
    switch (m_verb) {
    case HttpVerb::Get:
    case HttpVerb::Head:
        head = (m_verb == HttpVerb::Get ? "GET " : "HEAD ") + prefix + m_path;
        if (m_verb == HttpVerb::Get && !m_items.Empty())
            head += "?" + m_items.BuildFormEncoded(m_charset.c_str());
        m_fields.Remove("Content-Type");
        m_fields.Remove("content-length");
        break;
    case HttpVerb::Post:
    case HttpVerb::Put: {
        head = (m_verb == HttpVerb::Post ? "POST " : "PUT ") + prefix + m_path;
        std::uint64_t length = 0;
        if (m_bodyKind == FormBodyKind::UrlEncoded) {
            m_fields.Replace("Content-Type", m_sendCharset
                    ? ("application/x-www-form-urlencoded; charset=" + m_charset).c_str()
                    : "application/x-www-form-urlencoded");
            HttpBodyPiece form;
            form.text = m_items.BuildFormEncoded(m_charset.c_str());
            form.size = length = form.text.size();
            body.push_back(std::move(form));
        } else if (m_bodyKind != FormBodyKind::Multipart) {
            m_fields.Replace("Content-Type", m_bodyKind == FormBodyKind::TextXml ? "text/xml" : "application/xml");
            heldBody = &m_xmlBody;
            length = m_xmlBody.size();
        }
        m_fields.Replace("content-length", std::to_string(length).c_str());
        break;
    }
    default:
        head = "DELETE " + prefix + m_path;
        m_fields.Remove("Content-Type");
        m_fields.Remove("content-length");
        break;
    }
    head += " HTTP/" + m_httpVersion;
    std::string fields = RenderedFields(extraLines);
    if (!fields.empty())
        head += kCrlf + fields;
    headerCopy = head;
    head += "\r\n\r\n";
}

void HttpRequest::BuildMultipartRequest(const char* host, const char* authorization, const char* urlPrefix,
    const char* extraLines, std::string& out, std::string& headerCopy)
{
    std::vector<HttpBodyPiece> pieces;
    BuildMultipartPieces(host, authorization, urlPrefix, extraLines, out, headerCopy, pieces);
    for (const auto& piece : pieces) {
        std::string bytes;
        if (piece.path.empty())
            out += piece.text;
        else if (HttpReadBodyFile(piece, bytes))
            out += bytes;
    }
}

void HttpRequest::BuildMultipartPieces(const char* host, const char* authorization, const char* urlPrefix,
    const char* extraLines, std::string& head, std::string& headerCopy, std::vector<HttpBodyPiece>& body)
{
    std::string header = "POST " + std::string(urlPrefix ? urlPrefix : "") + m_path + " HTTP/" + m_httpVersion + kCrlf;
    if (!m_fields.Has("host"))
        header += std::string("Host: ") + (host ? host : "") + kCrlf;
    if (authorization && *authorization)
        header += std::string("Authorization: ") + authorization + kCrlf;
    std::string fields = HttpTrim(m_fields.Render());
    if (!fields.empty())
        header += fields + kCrlf;
    if (extraLines && *extraLines) {
        header += extraLines;
        if (header.size() < 2 || header.compare(header.size() - 2, 2, kCrlf) != 0)
            header += kCrlf;
    }

    // A boundary that occurs inside a part would cut it short: draw again. Files are not read
    // for this: the boundary holds 96 random bits, which no file can know beforehand.
    std::string boundary;
    for (int attempt = 0; attempt < 100; ++attempt) {
        boundary = RandomBoundary();
        bool clash = false;
        for (const auto& item : m_items.Items())
            if (item.value.find(boundary) != std::string::npos)
                clash = true;
        if (!clash)
            break;
    }
    m_lastBoundary = boundary;
    m_items.BuildMultipartPieces(boundary, body);
    std::uint64_t length = 0;
    for (const auto& piece : body)
        length += piece.size;
    header += "Content-Type: multipart/form-data; boundary=" + boundary + kCrlf;
    header += "Content-Length: " + std::to_string(length);
    headerCopy = header;
    head = header + "\r\n\r\n";
}
