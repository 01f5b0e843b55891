#pragma once
// The settings every request of one HTTP client object reads, its cache switches, and the pool of
// open connections it keeps.

#include "components/net/http/ClsCache2.h"
#include "components/net/http/HttpCache.h"
#include "components/net/http/HttpFields.h"
#include "platform/net/TlsClientSession.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class HttpClient;
class HttpRequest;
class HttpResult;
class LogBase;
class ProgressMonitor;

class CacheControl {
public:
    virtual ~CacheControl() = default;

    bool honourNegativeDns = true;
    bool quietNegativeCache = false;
    bool updateCache = true;
    bool fetchFromCache = true;
    bool ignoreNoCacheDirectives = false;
    unsigned defaultFreshnessMinutes = 10080;
    unsigned freshnessMode = 1;
    unsigned lmFactorPercent = 25;
};

// Base domain's cookie file name -> the XML text of its cookie document.
using CookieMemory = std::map<std::string, std::string>;

class HttpControl {
public:
    HttpControl() = default;
    HttpControl(const HttpControl&) = delete;
    HttpControl& operator=(const HttpControl&) = delete;
    virtual ~HttpControl() = default;

    // The proxy for a URL or scheme text; an empty domain means none.
    void GetProxyFor(const char* urlOrScheme, std::string& domain, int& port, LogBase& log) const;

    bool useSystemProxy = false;
    int proxyPort = 80;
    std::string proxyDomain;
    CacheControl cacheControl;
    bool useHttpCache = false;
    ClsCache2 clsCache;
    HttpCache httpCache;
    std::unique_ptr<TlsClientCertificate> clientCertificate;
    mutable CookieMemory cookieMemory;  // cookies received change it whatever the caller holds
    bool sendHost = true;
    std::string userAgent = "Torvane/1.0.0 (+http://vornalt.invalid/agent.html)";
    std::string referer;
    std::string accept = "*/*";
    std::string connection = "Keep-Alive";
    std::string acceptCharset = "ISO-8859-1,utf-8;q=0.7,*;q=0.7";
    std::string acceptLanguage = "en-us,en;q=0.5";
    std::string ntlmToken;
    std::int64_t rangeStart = 0;
    HttpFields extraFields;
    bool msieProfile = false;
    bool firefoxProfile = false;
    bool allowGzip = true;
    std::string login;
    std::string password;
    std::string proxyLogin;
    std::string proxyPassword;
    bool useNtlm = false;
    std::string cookieDir;
    bool sendCookies = true;
    bool saveCookies = true;
    unsigned maxUrlLen = 2000;
    std::uint64_t maxContentLength = 0;  // 0: the default limit below
    unsigned connectTimeoutSeconds = 10;
    unsigned readTimeoutSeconds = 20;
    unsigned heartbeatMs = 0;
    bool followRedirects = true;
    bool verifyServerCert = true;

    // The largest body taken when the caller has not set one; a caller who expects bigger bodies
    // (a download to a file) raises maxContentLength.
    static constexpr std::uint64_t kDefaultBodyLimit = 512ull * 1024 * 1024;
    static constexpr size_t kMaxHeaderBlock = 64 * 1024;
    std::uint64_t BodyLimit() const
    {
        return maxContentLength ? maxContentLength : kDefaultBodyLimit;
    }
};

class HttpConnPool {
public:
    HttpConnPool();
    HttpConnPool(const HttpConnPool&) = delete;
    HttpConnPool& operator=(const HttpConnPool&) = delete;
    virtual ~HttpConnPool();

    // The pooled client for host and port (the proxy's when there is one), most recently used last.
    HttpClient& GetClient(const char* host, int port, const HttpControl& settings, LogBase& log);
    bool Request(const HttpControl& settings, const char* host, int port, bool useTls, HttpRequest& request,
        HttpResult& result, std::string& body, LogBase& log, ProgressMonitor* monitor);
    size_t Size() const { return m_clients.size(); }
    // Connects made by every pooled client.
    int ConnectCount() const;
    void CloseAll(LogBase& log);

    static constexpr size_t maxClients = 10;

private:
    struct Slot {
        std::string host;
        int port = 0;
        std::unique_ptr<HttpClient> client;  // never null
    };
    std::vector<Slot> m_clients;
};
