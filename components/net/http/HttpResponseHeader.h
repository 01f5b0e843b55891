#pragma once
// The parsed head of one HTTP response, and the record one request fills in.

#include "components/net/http/HttpFields.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Cookie;

class HttpResponseHeader {
public:
    virtual ~HttpResponseHeader() = default;

    void ParseText(const char* text);
    void ParseData(const std::string& bytes) { ParseText(bytes.c_str()); }
    void Reset();
    void ResetToBare200();
    void CopyFrom(const HttpResponseHeader& other);

    bool GetField(const char* name, std::string& out) const { return m_fields.Get(name, out); }
    bool HasField(const char* name) const { return m_fields.Has(name); }
    bool GetFieldParam(const char* fieldName, const char* paramName, std::string& out) const;
    void GetCharset(std::string& out) const;
    // Each "Set-Cookie" and "Set-Cookie2" field as a cookie appended to out; one without a domain
    // takes defaultDomain, and is left out without one.
    void GetCookies(std::vector<std::unique_ptr<Cookie>>& out, const char* defaultDomain) const;
    std::string RenderFields() const { return m_fields.Render(); }
    std::string RenderFull() const { return m_statusLine + "\r\n" + m_fields.Render(); }
    const HttpFields& Fields() const { return m_fields; }

    int GetStatusCode() const { return m_statusCode; }
    const std::string& GetReasonText() const { return m_reasonText; }
    const std::string& GetStatusLine() const { return m_statusLine; }
    std::int64_t GetContentLength() const { return m_contentLength; }
    bool HasContentLength() const { return m_hasContentLength; }

private:
    int m_statusCode = 0;
    std::string m_reasonText;
    std::string m_statusLine;
    HttpFields m_fields;
    std::int64_t m_contentLength = 0;
    bool m_hasContentLength = false;
};

class HttpResult {
public:
    virtual ~HttpResult() = default;
    // The request records (verb, header sent) survive, so they stay readable after a failure.
    void Reset();

    bool redirected = false;
    std::string finalUrl;
    bool redirectFromCacheFailed = false;
    int cacheStatus = 0;
    bool fromCache = false;
    bool sendFailed = false;
    HttpResponseHeader responseHeader;
    std::string requestVerb;
    std::string requestHeader;
};
