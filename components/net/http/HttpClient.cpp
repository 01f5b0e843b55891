#include "components/net/http/HttpClient.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/LogBase.h"
#include "components/net/http/HttpChunked.h"
#include "components/net/http/HttpGzip.h"

#include <algorithm>
#include <cctype>

namespace {

std::string CleanHost(const char* host)
{
    std::string h = host ? host : "";
    std::transform(h.begin(), h.end(), h.begin(), [](unsigned char c) { return char(std::tolower(c)); });
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

std::string Base64Of(const std::string& text)
{
    static const char tab[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < text.size(); i += 3) {
        unsigned v = (unsigned char)text[i] << 16 | (unsigned char)text[i + 1] << 8 | (unsigned char)text[i + 2];
        out += tab[v >> 18]; out += tab[(v >> 12) & 63]; out += tab[(v >> 6) & 63]; out += tab[v & 63];
    }
    if (i < text.size()) {
        unsigned v = (unsigned char)text[i] << 16 | (i + 1 < text.size() ? (unsigned char)text[i + 1] << 8 : 0);
        out += tab[v >> 18]; out += tab[(v >> 12) & 63];
        out += i + 1 < text.size() ? tab[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

} // namespace

std::string HttpCleanHost(const char* host) { return CleanHost(host); }

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

bool HttpClient::OpenConnection(const HttpControl& settings, const char* host, int port, bool useTls, LogBase& log,
    ProgressMonitor* monitor)
{
    LogContextScope scope(log, "httpConnect");
    log.LogData("hostname", host ? host : "");
    log.LogDataInt("port", port);
    log.LogDataInt("ssl", useTls ? 1 : 0);
    std::string cleaned = CleanHost(host);
    bool same = cleaned == m_host && port == m_port && useTls == m_useTls;
    m_host = cleaned;
    m_port = port;
    m_useTls = useTls;
    if (same && m_socket.IsConnected() && !m_socket.PeerClosed()) {
        log.LogInfo("Connected");
        return true;
    }
    Close(log);
    m_socket.SetRequireVerifiedServerCert(settings.verifyServerCert);
    bool lookupFailed = false;
    int reason = 0;
    if (!m_socket.Connect(m_host.c_str(), port, useTls, settings.heartbeatMs, settings.connectTimeoutSeconds * 1000,
            log, &lookupFailed, monitor, &reason, nullptr)) {
        Close(log);
        return Fail(log, "Failed to connect.");
    }
    ++m_connects;
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
    std::string path = HttpTrim(request.GetPath());
    std::transform(path.begin(), path.end(), path.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (path.rfind("http:/", 0) == 0 || path.rfind("https:/", 0) == 0)
        return Fail(log, "Path should not contain http://domain");
    if (!HttpIsSafeHeaderText(request.GetPath()) || request.GetPath().find(' ') != std::string::npos)
        return Fail(log, "The path holds a space or a line break");
    for (const auto& f : request.Fields().All())
        if (!HttpIsSafeHeaderText(f.first) || !HttpIsSafeHeaderText(f.second))
            return Fail(log, "A header field holds a line break");
    request.SetHeaderField("Host", m_host.c_str());
    if (!settings.login.empty() && !settings.password.empty())
        request.SetHeaderField("Authorization", ("Basic " + Base64Of(settings.login + ":" + settings.password)).c_str());
    result.requestHeader.clear();

    std::string bytes, headerCopy;
    if (request.IsMultipartPost())
        request.BuildMultipartRequest(m_host.c_str(), nullptr, nullptr, nullptr, bytes, headerCopy);
    else
        request.BuildRequestText(bytes, headerCopy, nullptr, nullptr);
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

bool HttpClient::ReadResponse(const HttpControl& settings, bool isHead, HttpResult& result, std::string& body,
    LogBase& log, ProgressMonitor* monitor)
{
    body.clear();
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
    std::string head = m_pending.substr(0, end + 4);
    m_pending.erase(0, end + 4);
    result.responseHeader.ParseText(head.c_str());
    if (isHead)
        return true;
    if (result.responseHeader.GetStatusCode() == 0) {
        Close(log);
        return Fail(log, "Received unexpected HTTP response");
    }
    if (!ReadBody(settings, result, body, log, monitor))
        return false;
    std::string coding;
    if (body.size() > 10 && (unsigned char)body[0] == 0x1F && (unsigned char)body[1] == 0x8B &&
        result.responseHeader.GetField("content-encoding", coding) && HttpEqualsNoCase(HttpTrim(coding), "gzip")) {
        std::string unpacked, error;
        if (HttpGunzip(body, settings.BodyLimit(), unpacked, error))
            body.swap(unpacked);
        else
            log.LogInfo(error.c_str());  // the packed body stays, as received
    }
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
    return !body.empty();
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
