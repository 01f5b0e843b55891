#include "components/net/http/HttpClient.h"

#include "components/foundation/Base64.h"
#include "components/foundation/DataBuffer.h"
#include "components/net/http/Cookies.h"
#include "components/foundation/LogBase.h"
#include "components/net/http/HttpChunked.h"
#include "components/net/http/HttpGzip.h"
#include "platform/base/TextCase.h"

#include <algorithm>

namespace {

std::string CleanHost(const char* host)
{
    std::string h = AsciiLowerCopy(host ? host : "");
    for (const char* scheme : { "http://", "https://" })
        for (size_t p; (p = h.find(scheme)) != std::string::npos;)
            h.erase(p, std::char_traits<char>::length(scheme));
    h.erase(std::remove(h.begin(), h.end(), '/'), h.end());
    return HttpTrim(h);
}

bool StatusHasBody(int status, std::int64_t contentLength)
{
    return (status >= 200 && status <= 299) || status == 301 || status == 302 || status == 303 || status == 307 ||
        (status >= 400 && contentLength > 0);
}

} // namespace

std::string HttpCleanHost(const char* host) { return CleanHost(host); }

std::string HttpBasicCredentials(const std::string& login, const std::string& password)
{
    std::string pair = login + ":" + password;
    return Base64Encode(reinterpret_cast<const unsigned char*>(pair.data()), unsigned(pair.size()));
}

void HttpClient::AddCookieLine(const HttpControl& settings, const std::string& host, const std::string& path, bool tls,
    std::string& lines, LogBase& log)
{
    if (settings.cookieDir.empty() || !settings.sendCookies) {
        log.LogInfo("Not auto-adding cookies.");
        return;
    }
    log.LogInfo("Auto-adding any accumulated cookies.");
    log.LogData("CookieDir", settings.cookieDir.c_str());
    std::unique_ptr<CookieJar> jar(
        CookieMgr::LoadCookieJar(settings.cookieDir.c_str(), &settings.cookieMemory, host.c_str(), path.c_str(), log));
    if (!jar) {
        log.LogInfo("No cookie jar found.");
        return;
    }
    std::string value;
    jar->BuildCookieHeader(host.c_str(), path.c_str(), value, tls);
    value = HttpTrim(value);
    if (!value.empty() && HttpIsSafeHeaderText(value))
        lines += "Cookie: " + value + "\r\n";
}

void HttpClient::SaveResponseCookies(const HttpControl& settings, const HttpResponseHeader& header,
    const std::string& host, const std::string& path, LogBase& log)
{
    if (settings.cookieDir.empty() || !settings.saveCookies || !header.HasField("Set-Cookie"))
        return;
    for (const auto& field : header.Fields().All()) {
        if (!HttpEqualsNoCase(field.first, "Set-Cookie") && !HttpEqualsNoCase(field.first, "Set-Cookie2"))
            continue;
        std::unique_ptr<Cookie> cookie = ParseSetCookie(field.second, host, path);
        if (!cookie)
            continue;
        cookie->LogCookie(log);
        CookieMgr::SaveCookie(settings.cookieDir.c_str(), &settings.cookieMemory, host.c_str(), *cookie, log);
    }
}

bool HttpClient::Fail(LogBase& log, const char* error)
{
    log.LogError(error);
    return false;
}

void HttpClient::Close(LogBase& log)
{
    m_pending.clear();
    if (m_socket.IsConnected())
        m_socket.CloseBoth(log);
}

bool HttpClient::Connect(const HttpControl& settings, const std::string& host, int port, bool useTls,
    const std::string& proxy, int proxyPort, LogBase& log, ProgressMonitor* monitor, bool* lookupFailed,
    bool* reused)
{
    bool same = host == m_host && port == m_port && useTls == m_useTls && proxy == m_proxy && proxyPort == m_proxyPort;
    m_host = host;
    m_port = port;
    m_useTls = useTls;
    m_proxy = proxy;
    m_proxyPort = proxyPort;
    if (reused)
        *reused = false;
    if (lookupFailed)
        *lookupFailed = false;
    if (same && m_socket.IsConnected() && !m_socket.PeerClosed()) {
        if (reused)
            *reused = true;
        return true;
    }
    Close(log);
    m_socket.SetRequireVerifiedServerCert(settings.verifyServerCert);
    // TLS through a proxy goes through its CONNECT tunnel; the proxy never sees the plain text.
    m_socket.Channel().SetProxy(useTls && !proxy.empty() ? proxy.c_str() : "", proxyPort);
    bool viaPlainProxy = !useTls && !proxy.empty();
    int reason = 0;
    bool failedLookup = false;
    bool ok = m_socket.Connect(viaPlainProxy ? proxy.c_str() : m_host.c_str(), viaPlainProxy ? proxyPort : port,
        useTls, settings.heartbeatMs, settings.connectTimeoutSeconds * 1000, log, &failedLookup, monitor, &reason,
        settings.clientCertificate.get());
    if (lookupFailed)
        *lookupFailed = failedLookup;
    if (!ok) {
        Close(log);
        return false;
    }
    ++m_connects;
    return m_socket.IsConnected();
}

bool HttpClient::OpenConnection(const HttpControl& settings, const char* host, int port, bool useTls, LogBase& log,
    ProgressMonitor* monitor)
{
    LogContextScope scope(log, "httpConnect");
    log.LogData("hostname", host ? host : "");
    log.LogDataInt("port", port);
    log.LogDataInt("ssl", useTls ? 1 : 0);
    std::string proxy;
    int proxyPort = 80;
    settings.GetProxyFor(useTls ? "https://" : "http://", proxy, proxyPort, log);
    if (!proxy.empty()) {
        log.LogData("proxyDomain", proxy.c_str());
        log.LogDataInt("proxyPort", proxyPort);
    }
    bool reused = false;
    if (!Connect(settings, CleanHost(host), port, useTls, proxy, proxyPort, log, monitor, nullptr, &reused))
        return Fail(log, "Failed to connect.");
    if (!m_socket.IsConnected())
        return Fail(log, "Socket not connected for HTTP request");
    log.LogInfo("Connected");
    return true;
}

bool HttpClient::Fill(const HttpControl& settings, unsigned idleMs, LogBase& log, ProgressMonitor* monitor,
    bool* closed)
{
    DataBuffer in;
    bool timedOut = false, aborted = false, error = false, peerClosed = false;
    bool ok = m_socket.ReceiveBytes(in, 65536, settings.heartbeatMs, idleMs, log, monitor, &timedOut, &aborted, &error,
        &peerClosed);
    if (in.GetSize())
        m_pending.append(reinterpret_cast<const char*>(in.GetData()), in.GetSize());
    if (closed)
        *closed = peerClosed || !ok;
    return in.GetSize() > 0;
}

bool HttpClient::SendRequest(const HttpControl& settings, HttpRequest& request, HttpResult& result, LogBase& log,
    ProgressMonitor* monitor)
{
    if (m_host.empty())
        return Fail(log, "Domain is empty!");
    std::string path = AsciiLowerCopy(HttpTrim(request.GetPath()));
    if (path.rfind("http:/", 0) == 0 || path.rfind("https:/", 0) == 0)
        return Fail(log, "Path should not contain http://domain");
    if (!HttpIsSafeHeaderText(request.GetPath()) || request.GetPath().find(' ') != std::string::npos)
        return Fail(log, "The path holds a space or a line break");
    for (const auto& f : request.Fields().All())
        if (!HttpIsSafeHeaderText(f.first) || !HttpIsSafeHeaderText(f.second))
            return Fail(log, "A header field holds a line break");
    request.SetHeaderField("Host", m_host.c_str());
    if (!settings.login.empty() && !settings.password.empty())
        request.SetHeaderField("Authorization", ("Basic " + HttpBasicCredentials(settings.login, settings.password)).c_str());
    result.requestHeader.clear();

    // In clear through a proxy the request names the whole URL.
    std::string prefix;
    if (!m_proxy.empty() && !m_useTls)
        prefix = "http://" + m_host + (m_port != 80 ? ":" + std::to_string(m_port) : "");
    std::string cookies;
    AddCookieLine(settings, m_host, request.GetPath(), m_useTls, cookies, log);
    const char* pre = prefix.empty() ? nullptr : prefix.c_str();
    const char* extra = cookies.empty() ? nullptr : cookies.c_str();
    std::string bytes, headerCopy;
    if (request.IsMultipartPost())
        request.BuildMultipartRequest(m_host.c_str(), nullptr, pre, extra, bytes, headerCopy);
    else
        request.BuildRequestText(bytes, headerCopy, extra, pre);
    result.requestHeader = headerCopy;
    std::string logged = headerCopy;
    size_t auth = logged.find("Authorization: ");
    if (auth != std::string::npos) {
        size_t end = logged.find("\r\n", auth);
        logged.replace(auth + 15, (end == std::string::npos ? logged.size() : end) - auth - 15, "****");
    }
    log.LogData("requestHeader", logged.c_str());
    if (request.IsMultipartPost())
        log.LogDataInt64("uploadSize", std::int64_t(bytes.size()));
    m_pending.clear();
    return m_socket.SendBytes(bytes.data(), unsigned(bytes.size()), 7800, settings.heartbeatMs,
        settings.readTimeoutSeconds * 1000, log, monitor);
}

bool HttpClient::ReadHeaderBlock(const HttpControl& settings, std::string& head, LogBase& log,
    ProgressMonitor* monitor)
{
    size_t end;
    while ((end = m_pending.find("\r\n\r\n")) == std::string::npos) {
        if (m_pending.size() > HttpControl::kMaxHeaderBlock) {
            Close(log);
            return Fail(log, "Response header too large");
        }
        bool closed = false;
        if (!Fill(settings, settings.readTimeoutSeconds * 1000, log, monitor, &closed)) {
            Close(log);
            return Fail(log, "Failed to get response header");
        }
    }
    if (end > HttpControl::kMaxHeaderBlock) {
        Close(log);
        return Fail(log, "Response header too large");
    }
    head = m_pending.substr(0, end + 4);
    m_pending.erase(0, end + 4);
    return true;
}

void HttpClient::UnpackGzipBody(const HttpControl& settings, const HttpResponseHeader& h, std::string& body,
    LogBase& log)
{
    std::string coding;
    if (body.size() > 10 && (unsigned char)body[0] == 0x1F && (unsigned char)body[1] == 0x8B &&
        h.GetField("content-encoding", coding) && HttpEqualsNoCase(HttpTrim(coding), "gzip")) {
        std::string unpacked, error;
        if (HttpGunzip(body, settings.BodyLimit(), unpacked, error))
            body.swap(unpacked);
        else
            log.LogInfo(error.c_str());  // the packed body stays, as received
    }
}

bool HttpClient::ReadResponse(const HttpControl& settings, bool isHead, HttpResult& result, std::string& body,
    LogBase& log, ProgressMonitor* monitor)
{
    body.clear();
    std::string head;
    if (!ReadHeaderBlock(settings, head, log, monitor))
        return false;
    result.responseHeader.ParseText(head.c_str());
    if (isHead)
        return true;
    if (result.responseHeader.GetStatusCode() == 0) {
        Close(log);
        return Fail(log, "Received unexpected HTTP response");
    }
    if (!ReadBody(settings, result, body, log, monitor))
        return false;
    UnpackGzipBody(settings, result.responseHeader, body, log);
    std::string connection;
    if (result.responseHeader.GetField("connection", connection)) {
        if (result.responseHeader.GetStatusCode() == 100)
            log.LogInfo("Got 'connection: close' header on status code 100");
        else if (HttpEqualsNoCase(HttpTrim(connection), "close"))
            Close(log);
    }
    return true;
}

bool HttpClient::ReadBody(const HttpControl& settings, HttpResult& result, std::string& body, LogBase& log,
    ProgressMonitor* monitor)
{
    const HttpResponseHeader& h = result.responseHeader;
    int status = h.GetStatusCode();
    if (!StatusHasBody(status, h.GetContentLength())) {
        log.LogDataInt("response_code", status);
        log.LogInfo("No response body to fetch...");
        if (status == 100)
            return true;
        // Whatever body may follow stays unread: the connection cannot carry another request.
        Close(log);
        return false;
    }
    if (!ReadBodyByFraming(settings, h, body, log, monitor))
        return false;
    // A body that ends with the connection must have come.
    std::string te;
    bool framed = h.HasContentLength() || (h.GetField("Transfer-Encoding", te) && HttpEqualsNoCase(HttpTrim(te), "chunked"));
    return framed || !body.empty();
}

bool HttpClient::ReadBodyByFraming(const HttpControl& settings, const HttpResponseHeader& h, std::string& body,
    LogBase& log, ProgressMonitor* monitor)
{
    unsigned idleMs = settings.readTimeoutSeconds * 1000;
    std::string te;
    if (h.GetField("Transfer-Encoding", te) && HttpEqualsNoCase(HttpTrim(te), "chunked")) {
        log.LogInfo("Reading chunked response");
        HttpChunkedDecoder decoder(settings.BodyLimit());
        for (;;) {
            size_t used = 0;
            HttpChunkedDecoder::Status s = decoder.Feed(m_pending.data(), m_pending.size(), &used);
            m_pending.erase(0, used);
            if (s == HttpChunkedDecoder::Done)
                break;
            if (s == HttpChunkedDecoder::Failed) {
                // The rest of the body is unread: the connection cannot serve another request.
                Close(log);
                log.LogDataInt64("maxContentLength", std::int64_t(settings.maxContentLength));
                return Fail(log, decoder.Error());
            }
            bool closed = false;
            if (!Fill(settings, idleMs, log, monitor, &closed)) {
                Close(log);
                return Fail(log, "Failed to get response data (a)");
            }
        }
        body.swap(decoder.Body());
        return true;
    }
    if (h.GetContentLength() > 0) {
        std::uint64_t length = std::uint64_t(h.GetContentLength());
        if (length > settings.BodyLimit()) {
            // Leaving the body unread would make it the next response on this connection.
            Close(log);
            log.LogDataInt64("maxContentLength", std::int64_t(settings.maxContentLength));
            return Fail(log, "Content length more than the maximum allowed.");
        }
        while (m_pending.size() < length) {
            bool closed = false;
            if (!Fill(settings, idleMs, log, monitor, &closed)) {
                Close(log);
                return Fail(log, "Failed to get response data");
            }
        }
        body.assign(m_pending, 0, size_t(length));
        m_pending.erase(0, size_t(length));
        return true;
    }
    if (h.HasContentLength())
        return true;
    log.LogInfo("Read max non-chunked response");
    body.swap(m_pending);
    m_pending.clear();
    for (;;) {
        bool closed = false;
        bool got = Fill(settings, 2000, log, monitor, &closed);
        if (m_pending.size() + body.size() > settings.BodyLimit()) {
            Close(log);
            return Fail(log, "Response without a length is too large.");
        }
        body += m_pending;
        m_pending.clear();
        if (!got)
            break;
    }
    // The end was a close or a silence; either way the connection is done.
    Close(log);
    return true;
}

bool HttpClient::PerformRequest(const HttpControl& settings, HttpRequest& request, HttpResult& result,
    std::string& body, LogBase& log, ProgressMonitor* monitor)
{
    if (!SendRequest(settings, request, result, log, monitor)) {
        result.sendFailed = true;
        // A server that refuses an upload may already have answered before it stopped reading.
        if (!m_pending.empty() || Fill(settings, 2000, log, monitor, nullptr)) {
            bool ok = ReadResponse(settings, request.IsHead(), result, body, log, monitor);
            Close(log);
            return ok;
        }
        Close(log);
        return false;
    }
    bool ok = ReadResponse(settings, request.IsHead(), result, body, log, monitor);
    while (ok && result.responseHeader.GetStatusCode() == 100) {
        log.LogInfo("Received HTTP 100 response.");
        ok = ReadResponse(settings, request.IsHead(), result, body, log, monitor);
    }
    if (ok) {
        SaveResponseCookies(settings, result.responseHeader, m_host, request.GetPath(), log);
        log.LogDataInt("responseStatus", result.responseHeader.GetStatusCode());
        int status = result.responseHeader.GetStatusCode();
        if (!body.empty() && (status < 200 || status > 299)) {
            std::string shown = body.substr(0, 800);
            if (body.size() > 800)
                shown += "...";
            log.LogData("response", shown.c_str());
        }
    }
    return ok;
}
