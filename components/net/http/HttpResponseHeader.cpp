#include "components/net/http/HttpResponseHeader.h"

#include "components/mail/mime/MimeField.h"
#include "components/mail/mime/MimeHeader.h"
#include "components/net/Cookie.h"

#include <cctype>
#include <climits>
#include <cstring>
#include <strings.h>

namespace {

// Header lines of one block; a line starting with white space continues the one before.
void ParseFieldBlock(const char* p, HttpFields& fields)
{
    std::string name, value;
    bool open = false;
    while (*p) {
        const char* end = std::strstr(p, "\r\n");
        const char* lf = std::strchr(p, '\n');
        size_t len;
        size_t skip;
        if (end && (!lf || end <= lf)) {
            len = size_t(end - p);
            skip = 2;
        } else if (lf) {
            len = size_t(lf - p);
            skip = 1;
        } else {
            len = std::strlen(p);
            skip = 0;
        }
        std::string line(p, len);
        p += len + skip;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            break;
        if ((line[0] == ' ' || line[0] == '\t') && open) {
            value += " " + HttpTrim(line);
            continue;
        }
        if (open)
            fields.Add(name, HttpTrim(value));
        size_t colon = line.find(':');
        open = colon != std::string::npos && colon > 0;
        if (open) {
            name = HttpTrim(line.substr(0, colon));
            value = line.substr(colon + 1);
        }
        if (skip == 0)
            break;
    }
    if (open)
        fields.Add(name, HttpTrim(value));
}

} // namespace

void HttpResponseHeader::Reset()
{
    m_fields.Clear();
    m_reasonText.clear();
    m_statusLine.clear();
    m_statusCode = 0;
    m_contentLength = 0;
    m_hasContentLength = false;
}

void HttpResponseHeader::ResetToBare200()
{
    m_statusCode = 200;
    m_reasonText.clear();
    m_fields.Clear();
    m_contentLength = 0;
    m_hasContentLength = false;
}

void HttpResponseHeader::CopyFrom(const HttpResponseHeader& other)
{
    m_statusCode = other.m_statusCode;
    m_reasonText = other.m_reasonText;
    m_contentLength = other.m_contentLength;
    m_fields = other.m_fields;
}

void HttpResponseHeader::ParseText(const char* text)
{
    Reset();
    if (!text)
        return;
    const char* cr = std::strchr(text, '\r');
    if (cr)
        m_statusLine.assign(text, size_t(cr - text));
    if (std::strncmp(text, "HTTP", 4) != 0)
        return;
    const char* space = std::strchr(text, ' ');
    if (!space || (cr && space > cr))
        return;
    const char* p = space + 1;
    while (*p == ' ' || *p == '\t')
        ++p;
    bool negative = *p == '-';
    if (*p == '+' || *p == '-')
        ++p;
    if (!std::isdigit(static_cast<unsigned char>(*p)))
        return;
    long long code = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        if (code < 100000)
            code = code * 10 + (*p - '0');
        ++p;
    }
    m_statusCode = static_cast<int>(negative ? -code : code);
    if (*p != ' ' || !cr)
        return;
    m_reasonText = HttpTrim(std::string(p + 1, size_t(cr - (p + 1) > 0 ? cr - (p + 1) : 0)));

    const char* cl = nullptr;
    for (const char* q = std::strstr(text, "\r\n"); q; q = std::strstr(q + 2, "\r\n"))
        if (strncasecmp(q + 2, "Content-Length:", 15) == 0) {
            cl = q + 17;
            break;
        }
    if (cl) {
        m_hasContentLength = true;
        while (*cl == ' ' || *cl == '\t')
            ++cl;
        bool neg = *cl == '-';
        if (*cl == '-' || *cl == '+')
            ++cl;
        std::int64_t v = 0;
        while (std::isdigit(static_cast<unsigned char>(*cl))) {
            int d = *cl - '0';
            if (v > (INT64_MAX - d) / 10) {
                v = INT64_MAX;  // far beyond any body we accept; the reader refuses it
                break;
            }
            v = v * 10 + d;
            ++cl;
        }
        m_contentLength = neg ? -v : v;
    }

    const char* f = cr;
    while (*f == '\r' || *f == '\n' || *f == ' ' || *f == '\t')
        ++f;
    ParseFieldBlock(f, m_fields);
}

bool HttpResponseHeader::GetFieldParam(const char* fieldName, const char* paramName, std::string& out) const
{
    out.clear();
    std::string value;
    if (!m_fields.Get(fieldName, value))
        return false;
    size_t pos = 0;
    while ((pos = value.find(';', pos)) != std::string::npos) {
        ++pos;
        size_t eq = value.find('=', pos);
        if (eq == std::string::npos)
            return false;
        std::string name = HttpTrim(value.substr(pos, eq - pos));
        size_t end = value.find(';', eq);
        std::string v = HttpTrim(value.substr(eq + 1, end == std::string::npos ? std::string::npos : end - eq - 1));
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
            v = v.substr(1, v.size() - 2);
        if (HttpEqualsNoCase(name, paramName)) {
            out = v;
            return true;
        }
    }
    return false;
}

void HttpResponseHeader::GetCharset(std::string& out) const
{
    GetFieldParam("Content-Type", "charset", out);
}

void HttpResult::Reset()
{
    redirected = redirectFromCacheFailed = fromCache = sendFailed = false;
    cacheStatus = 0;
    finalUrl.clear();
    responseHeader.Reset();
}

void HttpResponseHeader::GetCookies(std::vector<std::unique_ptr<Cookie>>& out, const char* defaultDomain) const
{
    MimeHeader cookies;
    for (const auto& field : m_fields.All()) {
        if (strcasecmp(field.first.c_str(), "Set-Cookie") != 0 && strcasecmp(field.first.c_str(), "Set-Cookie2") != 0)
            continue;
        // The value as it came: a cookie value is no encoded word.
        auto* copy = new MimeField();
        copy->SetNameValue(field.first.c_str(), "");
        copy->SetValue(field.second.c_str());
        cookies.AddField(copy);
    }
    cookies.CollectCookies(out, defaultDomain);
}
