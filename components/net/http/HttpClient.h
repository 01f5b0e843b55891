#pragma once
// One connection to one HTTP server and the request/response cycle over it.

#include "components/net/PackageExchange.h"
#include "components/net/Socket2.h"
#include "components/net/http/HttpControl.h"
#include "components/net/http/HttpRequest.h"
#include "components/net/http/HttpResponseHeader.h"
#include "platform/base/Time.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class LogBase;
class ProgressMonitor;


class HttpClient : public PackageExchange {
public:
    HttpClient() = default;
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    bool OpenConnection(const HttpControl& settings, const char* host, int port, bool useTls, LogBase& log,
        ProgressMonitor* monitor);
    bool PerformRequest(const HttpControl& settings, HttpRequest& request, HttpResult& result, std::string& body,
        LogBase& log, ProgressMonitor* monitor);
    bool IsConnected() const { return m_socket.IsConnected(); }
    const std::string& Host() const { return m_host; }

    // What a token exchange fetches and where its answers go; borrowed, null clears it.
    void SetExchangeContext(const std::string* url, HttpControl* settings, std::string* output, HttpResult* result)
    {
        m_exchangeUrl = url;
        m_exchangeSettings = settings;
        m_exchangeOutput = output;
        m_exchangeResult = result;
    }
    // One NTLM leg each: the client token goes out as the Authorization of a fetch of the context
    // URL on this connection; a 401 brings the server's token back.
    bool exchangePackage(DataBuffer& serverToken, const DataBuffer& clientToken, LogBase& log) override;
    bool sendFinal(const DataBuffer& clientToken, LogBase& log) override;

    // A GET of a whole URL with a header profile, the caches, cookies and redirects. depth counts
    // redirects and retries (0 for a new fetch); keepConnection runs the fetch on this client's
    // connection and keeps it, otherwise on a connection of its own that is closed afterwards.
    bool FetchUrl(const std::string& url, int depth, bool keepConnection, HttpControl& settings,
        std::string& output, HttpResult& result, LogBase& log, ProgressMonitor* monitor);
    // Empty out when the location cannot be resolved.
    static void ResolveRedirectUrl(const std::string& current, const std::string& location, std::string& out);
    // Now (local time) plus the freshness the response gives or the cache settings assume.
    static void ComputeExpiry(const HttpControl& settings, const HttpResponseHeader& header, SYSTEMTIME& out);

    // What a fetch's header builders need to know of its URL and connection.
    struct FetchTarget {
        std::string url;
        std::string host;
        int port = 80;
        std::string path;
        std::string query;
        bool tls = false;
        bool plainProxy = false;  // requests go to a proxy in clear and name the whole URL
        bool credentials = true;  // the server's credentials may go with this request
    };
    static void BuildCustomGetHeader(const FetchTarget& t, HttpControl& settings, HttpResult& result,
        bool conditional, const std::string& etag, const SYSTEMTIME& expiry, std::string& header, LogBase& log);
    static void BuildMsieGetHeader(const FetchTarget& t, HttpControl& settings, HttpResult& result,
        bool conditional, const std::string& etag, const SYSTEMTIME& expiry, std::string& header, LogBase& log);
    static void BuildFirefoxGetHeader(const FetchTarget& t, HttpControl& settings, HttpResult& result,
        bool conditional, const std::string& etag, const SYSTEMTIME& expiry, std::string& header, LogBase& log);
    static void AddCookieLine(const HttpControl& settings, const std::string& host, const std::string& path, bool tls,
        std::string& lines, LogBase& log);
    static void SaveResponseCookies(const HttpControl& settings, const HttpResponseHeader& header, const std::string& host, LogBase& log);
    void Close(LogBase& log);
    // Counts connects actually made; reuse of a pooled connection leaves it unchanged.
    int ConnectCount() const { return m_connects; }

private:
    bool PerformRequestInto(const HttpControl& settings, HttpRequest& request, HttpResult& result, std::string& body,
        LogBase& log, ProgressMonitor* monitor);
    bool SendRequest(const HttpControl& settings, HttpRequest& request, HttpResult& result, LogBase& log,
        ProgressMonitor* monitor);
    bool ReadResponse(const HttpControl& settings, bool isHead, HttpResult& result, std::string& body, LogBase& log,
        ProgressMonitor* monitor);
    bool ReadBody(const HttpControl& settings, HttpResult& result, std::string& body, LogBase& log,
        ProgressMonitor* monitor);
    // Sends bytes of any length, and the body pieces (files read in blocks as they go).
    bool SendAll(const HttpControl& settings, const char* data, std::uint64_t size, LogBase& log,
        ProgressMonitor* monitor);
    bool SendBody(const HttpControl& settings, const std::vector<HttpBodyPiece>& pieces, LogBase& log,
        ProgressMonitor* monitor);
    // Hands body bytes to their destination: the file the request names, else the string.
    bool Deliver(std::string& body, const char* data, size_t size, LogBase& log);
    // Appends what arrives to m_pending; false when nothing came (closed, timed out, failed).
    bool Fill(const HttpControl& settings, unsigned idleMs, LogBase& log, ProgressMonitor* monitor, bool* closed);
    bool Fail(LogBase& log, const char* error);
    // Connects (directly, to a proxy in clear, or through a proxy's tunnel for TLS) unless the
    // connection to the same place is still open.
    bool Connect(const HttpControl& settings, const std::string& host, int port, bool useTls,
        const std::string& proxy, int proxyPort, LogBase& log, ProgressMonitor* monitor, bool* lookupFailed,
        bool* reused);
    bool ReadHeaderBlock(const HttpControl& settings, std::string& head, LogBase& log, ProgressMonitor* monitor);
    // A body that arrived gzip-packed is unpacked in place; one that does not unpack stays as received.
    static void UnpackGzipBody(const HttpControl& settings, const HttpResponseHeader& h, std::string& body,
        LogBase& log);
    bool ReadBodyByFraming(const HttpControl& settings, const HttpResponseHeader& h, std::string& body,
        LogBase& log, ProgressMonitor* monitor);
    bool Fetch(const std::string& url, int depth, HttpControl& settings, std::string& output, HttpResult& result,
        LogBase& log, ProgressMonitor* monitor, bool credentials);
    bool FollowRedirect(const std::string& current, int depth, HttpControl& settings, std::string& output,
        HttpResult& result, LogBase& log, ProgressMonitor* monitor, bool credentials);
    struct CacheLookup;
    void LookUpCache(const std::string& url, int depth, HttpControl& settings, std::string& output,
        HttpResult& result, LogBase& log, ProgressMonitor* monitor, CacheLookup& found, bool credentials);

    std::string m_host;
    int m_port = 80;
    bool m_useTls = false;
    Socket2 m_socket;
    bool ExchangeLeg(const DataBuffer& clientToken, LogBase& log);

    const std::string* m_exchangeUrl = nullptr;
    HttpControl* m_exchangeSettings = nullptr;
    std::string* m_exchangeOutput = nullptr;
    HttpResult* m_exchangeResult = nullptr;
    std::string m_proxy;
    int m_proxyPort = 0;
    std::string m_pending;
    int m_connects = 0;
    std::FILE* m_bodyFile = nullptr;  // while a response body goes to a file
    std::uint64_t m_bodyFileBytes = 0;
};

// The value after "Basic " in an Authorization field.
std::string HttpBasicCredentials(const std::string& login, const std::string& password);
