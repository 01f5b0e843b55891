#pragma once
// The public HTTP classes: a client that keeps its connections, a request to fill in and the
// response the caller receives (and deletes).

#include "components/foundation/Logger.h"
#include "components/foundation/TvString.h"
#include "components/foundation/TvObject.h"
#include "components/net/http/HttpClient.h"

#include <memory>
#include <string>

class ClsHttpRequest {
public:
    virtual ~ClsHttpRequest() = default;
    HttpRequest& Request() { return m_request; }

private:
    HttpRequest m_request;
};

class ClsHttpResponse {
public:
    virtual ~ClsHttpResponse() = default;
    int GetStatusCode() const { return m_result.responseHeader.GetStatusCode(); }
    const std::string& GetStatusText() const { return m_result.responseHeader.GetReasonText(); }
    const std::string& GetStatusLine() const { return m_result.responseHeader.GetStatusLine(); }
    // UTF-8; ISO-8859-1 unless the Content-Type names utf-8; ends at the first zero byte.
    std::string GetBodyText() const;
    HttpResult& Result() { return m_result; }
    std::string& Body() { return m_body; }
    const std::string& Domain() const { return m_domain; }
    void SetDomain(const std::string& d) { m_domain = d; }

private:
    HttpResult m_result;
    std::string m_body;
    std::string m_domain;
};

class ClsHttp {
public:
    ClsHttp();
    virtual ~ClsHttp();
    ClsHttpResponse* SynchronousRequest(const char* host, int port, bool useTls, ClsHttpRequest& request);
    HttpControl& Settings() { return m_settings; }
    Logger& Log() { return m_log; }
    // Connections made by the pool, for callers that watch reuse.
    int ConnectCount() const;

private:
    HttpControl m_settings;
    HttpResult m_result;
    Logger m_log;
    HttpConnPool m_pool;
};

class TvHttpResponse : public TvObject {
public:
    TvHttpResponse();
    explicit TvHttpResponse(ClsHttpResponse* impl) : m_impl(impl) { }
    ~TvHttpResponse() override;
    TvHttpResponse(const TvHttpResponse&) = delete;
    TvHttpResponse& operator=(const TvHttpResponse&) = delete;

    int GetStatusCode() const { return m_impl->GetStatusCode(); }
    void GetStatusText(TvString& out) const { out.SetUtf8(m_impl->GetStatusText().c_str()); }
    void GetStatusLine(TvString& out) const { out.SetUtf8(m_impl->GetStatusLine().c_str()); }
    void GetBodyText(TvString& out) const { out.SetUtf8(m_impl->GetBodyText().c_str()); }
    // The body bytes as received (unpacked), zero bytes included.
    const std::string& GetBody() const { return m_impl->Body(); }

private:
    ClsHttpResponse* m_impl;
};

class TvHttpRequest : public TvObject {
public:
    TvHttpRequest();
    ~TvHttpRequest() override;
    TvHttpRequest(const TvHttpRequest&) = delete;
    TvHttpRequest& operator=(const TvHttpRequest&) = delete;

    void SetPath(const char* path) { m_impl->Request().SetPath(path); }
    void SelectGet() { m_impl->Request().SelectGet(); }
    void SelectFormPost() { m_impl->Request().SelectFormPost(); }
    void SelectMultipartPost() { m_impl->Request().SelectMultipartPost(); }
    // Names and values are UTF-8 here (the 8-bit code page is UTF-8).
    void AddFormField(const char* name, const char* value) { m_impl->Request().SetFormField(name, value); }
    bool AddUploadFile(const char* name, const char* path)
    {
        return m_impl->Request().AddUploadFile(name, path, nullptr);
    }
    ClsHttpRequest& Impl() { return *m_impl; }

private:
    ClsHttpRequest* m_impl;
};

class TvHttp : public TvObject {
public:
    TvHttp();
    ~TvHttp() override;
    TvHttp(const TvHttp&) = delete;
    TvHttp& operator=(const TvHttp&) = delete;

    // A new response (the caller deletes it) for every status read, or null with the reason in the
    // error log.
    TvHttpResponse* SynchronousRequest(const char* host, int port, bool useTls, TvHttpRequest& request);
    void GetErrorLogText(TvString& out);
    ClsHttp& Impl() { return *m_impl; }

private:
    ClsHttp* m_impl;
};

// Lower case, every "http://" and "https://" and every '/' removed, trimmed.
std::string HttpCleanHost(const char* host);
