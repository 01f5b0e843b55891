#include "components/net/http/HttpClient.h"

#include "components/foundation/Base64.h"
#include "components/foundation/DataBuffer.h"
#include "components/net/http/Cookies.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/ProgressMonitor.h"
#include "components/foundation/ProgressEvent.h"
#include "components/net/http/HttpChunked.h"
#include "components/net/http/HttpGzip.h"
#include "platform/base/TextCase.h"

#include <algorithm>
#include <memory>

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

constexpr unsigned kFillPiece = 65536;
constexpr unsigned kSendChunk = 7800;  // the step progress counts a send in
constexpr unsigned kSendSlice = 1u << 30;
constexpr size_t kFileBlock = 64 * kSendChunk;
constexpr unsigned kBodyPiece = 1u << 20;  // the most one receive into a body asks for

// 1xx, 204 and 304 replies end with their header, whatever their fields say.
bool StatusNeverHasBody(int status)
{
    return (status >= 100 && status <= 199) || status == 204 || status == 304;
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
    const std::string& host, LogBase& log)
{
    if (settings.cookieDir.empty() || !settings.saveCookies || !header.HasField("Set-Cookie"))
        return;
    for (const auto& cookie : ResponseCookies(header, host)) {
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
    size_t old = m_pending.size();
    m_pending.resize(old + kFillPiece);
    unsigned got = kFillPiece;
    bool peerClosed = false;
    bool ok = m_socket.ReceiveInto(m_pending.data() + old, got, settings.heartbeatMs, idleMs, log, monitor,
        &peerClosed);
    m_pending.resize(old + got);
    if (closed)
        *closed = peerClosed || !ok;
    return got > 0;
}

bool HttpClient::SendAll(const HttpControl& settings, const char* data, std::uint64_t size, LogBase& log,
    ProgressMonitor* monitor)
{
    // A send call takes a 32-bit count: longer runs go in slices.
    while (size > 0) {
        unsigned slice = unsigned(std::min<std::uint64_t>(size, kSendSlice));
        if (!m_socket.SendCounted(data, slice, kSendChunk, settings.heartbeatMs, settings.readTimeoutSeconds * 1000,
                log, monitor))
            return false;
        data += slice;
        size -= slice;
    }
    return true;
}

bool HttpClient::SendBody(const HttpControl& settings, const std::vector<HttpBodyPiece>& pieces, LogBase& log,
    ProgressMonitor* monitor)
{
    std::vector<char> block;
    for (const auto& piece : pieces) {
        if (piece.path.empty()) {
            if (!SendAll(settings, piece.text.data(), piece.text.size(), log, monitor))
                return false;
            continue;
        }
        // The file goes out block by block; the size promised in the header must be what is sent.
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(piece.path.c_str(), "rb"), std::fclose);
        // A local failure ends the request at once: half a body leaves the connection unusable.
        if (!file) {
            Close(log);
            log.LogError("Failed to read the upload file");
            log.LogData("path", piece.path.c_str());
            return false;
        }
        block.resize(kFileBlock);
        std::uint64_t left = piece.size;
        while (left > 0) {
            size_t want = size_t(std::min<std::uint64_t>(left, block.size()));
            size_t got = std::fread(block.data(), 1, want, file.get());
            if (got != want) {
                Close(log);
                log.LogError("The upload file changed while it was sent");
                log.LogData("path", piece.path.c_str());
                return false;
            }
            if (!SendAll(settings, block.data(), got, log, monitor))
                return false;
            left -= got;
        }
    }
    return true;
}

bool HttpClient::Deliver(std::string& body, const char* data, size_t size, LogBase& log)
{
    if (!m_bodyFile) {
        body.append(data, size);
        return true;
    }
    if (size && std::fwrite(data, 1, size, m_bodyFile) != size)
        return Fail(log, "Failed to write the response body to its file");
    m_bodyFileBytes += size;
    return true;
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
    // With NTLM chosen the password never goes out in Basic form.
    if (!settings.login.empty() && !settings.password.empty() && !settings.useNtlm)
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
    // The header and the body go out from where they lie: nothing is gathered into one copy.
    std::string head, headerCopy;
    std::vector<HttpBodyPiece> pieces;
    const std::string* held = nullptr;
    if (request.IsMultipartPost())
        request.BuildMultipartPieces(m_host.c_str(), nullptr, pre, extra, head, headerCopy, pieces);
    else
        request.BuildRequestPieces(head, headerCopy, extra, pre, pieces, held);
    result.requestHeader = headerCopy;
    std::string logged = headerCopy;
    size_t auth = logged.find("Authorization: ");
    if (auth != std::string::npos) {
        size_t end = logged.find("\r\n", auth);
        logged.replace(auth + 15, (end == std::string::npos ? logged.size() : end) - auth - 15, "****");
    }
    log.LogData("requestHeader", logged.c_str());
    std::uint64_t total = head.size() + (held ? held->size() : 0);
    for (const auto& piece : pieces)
        total += piece.size;
    if (request.IsMultipartPost())
        log.LogDataInt64("uploadSize", std::int64_t(total));
    if (monitor)
        monitor->ResetTotal64(std::int64_t(total));
    m_pending.clear();
    return SendAll(settings, head.data(), head.size(), log, monitor)
        && (!held || SendAll(settings, held->data(), held->size(), log, monitor))
        && SendBody(settings, pieces, log, monitor);
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
    if (monitor && result.responseHeader.GetContentLength() > 0)
        monitor->ResetTotal64(result.responseHeader.GetContentLength());
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
    if (StatusNeverHasBody(status)) {
        // Nothing follows the header: the reply is complete and the connection ready for the next.
        log.LogDataInt("response_code", status);
        log.LogInfo("No response body to fetch...");
        return true;
    }
    if (!StatusHasBody(status, h.GetContentLength())) {
        log.LogDataInt("response_code", status);
        log.LogInfo("No response body to fetch...");
        // Whatever body may follow stays unread: the connection cannot carry another request.
        Close(log);
        return false;
    }
    if (!ReadBodyByFraming(settings, h, body, log, monitor))
        return false;
    // A body that ends with the connection must have come.
    std::string te;
    bool framed = h.HasContentLength() || (h.GetField("Transfer-Encoding", te) && HttpEqualsNoCase(HttpTrim(te), "chunked"));
    return framed || !body.empty() || m_bodyFileBytes > 0;
}

bool HttpClient::ReadBodyByFraming(const HttpControl& settings, const HttpResponseHeader& h, std::string& body,
    LogBase& log, ProgressMonitor* monitor)
{
    unsigned idleMs = settings.readTimeoutSeconds * 1000;
    std::string te;
    bool hasTe = h.GetField("Transfer-Encoding", te);
    if (m_useTls) {
        // The TLS reader says what it found before reading.
        if (!h.HasContentLength())
            log.LogInfo("No content-length header field.");
        if (hasTe)
            log.LogData("transferEncoding", te.c_str());
        else
            log.LogInfo("No transfer-encoding header field.");
        log.LogDataInt64("sslContentLength", h.GetContentLength());
        log.LogDataInt64("extraLen", std::int64_t(m_pending.size()));
    }
    auto tlsFailure = [&](bool early) {
        if (!m_useTls)
            return;
        if (early)
            log.LogError("Failed to get complete HTTPS response");
        log.LogError("Failed to get response data for HTTPS");
        log.LogDataInt64("ContentLength", h.GetContentLength());
        log.LogDataInt("ResponseCode", h.GetStatusCode());
    };
    if (hasTe && HttpEqualsNoCase(HttpTrim(te), "chunked")) {
        log.LogInfo("Reading chunked response");
        if (ProgressEvent* event = monitor ? monitor->GetProgressEvent() : nullptr)
            event->OnReadingChunkedResponse();
        HttpChunkedDecoder decoder(settings.BodyLimit());
        std::string decoded;
        for (;;) {
            size_t used = 0;
            HttpChunkedDecoder::Status s = decoder.Feed(m_pending.data(), m_pending.size(), &used);
            m_pending.erase(0, used);
            if (m_bodyFile) {
                decoder.TakeBody(decoded);
                if (!Deliver(body, decoded.data(), decoded.size(), log)) {
                    Close(log);
                    return false;
                }
            }
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
                tlsFailure(true);
                return Fail(log, "Failed to get response data (a)");
            }
        }
        if (!m_bodyFile)
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
        // What came with the header first; then receives straight into the destination: the
        // body sized once from the length, or a block on its way to the file.
        size_t first = size_t(std::min<std::uint64_t>(length, m_pending.size()));
        if (m_useTls && first == length)
            log.LogInfo("Already have entire response.");
        std::vector<char> block;
        char* into = nullptr;
        if (m_bodyFile) {
            if (!Deliver(body, m_pending.data(), first, log)) {
                Close(log);
                return false;
            }
            block.resize(kBodyPiece);
        } else {
            // Reserved, not written: a length the server never sends costs address space only.
            try {
                body.reserve(size_t(length));
            } catch (const std::exception&) {
                Close(log);
                return Fail(log, "Out of memory for the response body");
            }
            body.assign(m_pending.data(), first);
        }
        m_pending.erase(0, first);
        for (std::uint64_t got = first; got < length;) {
            unsigned want = unsigned(std::min<std::uint64_t>(length - got, kBodyPiece));
            if (!m_bodyFile)
                body.resize(size_t(got) + want);
            into = m_bodyFile ? block.data() : body.data() + got;
            bool ok = m_socket.ReceiveInto(into, want, settings.heartbeatMs, idleMs, log, monitor, nullptr) && want > 0;
            if (!m_bodyFile)
                body.resize(size_t(got) + want);
            if (!ok || (m_bodyFile && !Deliver(body, into, want, log))) {
                Close(log);
                tlsFailure(!ok);
                return Fail(log, "Failed to get response data");
            }
            got += want;
        }
        return true;
    }
    if (h.HasContentLength()) {
        if (m_useTls)
            log.LogInfo("Already have entire response.");
        return true;
    }
    log.LogInfo("Read max non-chunked response");
    std::uint64_t total = 0;
    for (;;) {
        total += m_pending.size();
        if (total > settings.BodyLimit()) {
            Close(log);
            return Fail(log, "Response without a length is too large.");
        }
        if (!Deliver(body, m_pending.data(), m_pending.size(), log)) {
            Close(log);
            return false;
        }
        m_pending.clear();
        bool closed = false;
        if (!Fill(settings, 2000, log, monitor, &closed))
            break;
    }
    // The end was a close or a silence; either way the connection is done.
    if (m_useTls)
        log.LogInfo("Finished reading response where content-length was unknown.");
    Close(log);
    return true;
}

bool HttpClient::PerformRequest(const HttpControl& settings, HttpRequest& request, HttpResult& result,
    std::string& body, LogBase& log, ProgressMonitor* monitor)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> bodyFile(nullptr, std::fclose);
    if (!request.BodyPath().empty()) {
        bodyFile.reset(std::fopen(request.BodyPath().c_str(), "wb"));
        if (!bodyFile) {
            log.LogData("path", request.BodyPath().c_str());
            return Fail(log, "Failed to create the file for the response body");
        }
    }
    m_bodyFile = bodyFile.get();
    m_bodyFileBytes = 0;
    bool ok = PerformRequestInto(settings, request, result, body, log, monitor);
    m_bodyFile = nullptr;
    if (bodyFile && std::fclose(bodyFile.release()) != 0)
        return Fail(log, "Failed to write the response body to its file");
    return ok;
}

bool HttpClient::PerformRequestInto(const HttpControl& settings, HttpRequest& request, HttpResult& result,
    std::string& body, LogBase& log, ProgressMonitor* monitor)
{
    ProgressEvent* event = monitor ? monitor->GetProgressEvent() : nullptr;
    if (event)
        event->OnBeginSendRequest();
    bool sent = SendRequest(settings, request, result, log, monitor);
    if (monitor)
        monitor->Complete();
    if (event)
        event->OnEndSendRequest(sent);
    if (!sent) {
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
    if (event)
        event->OnBeginReceiveResponse();
    bool ok = ReadResponse(settings, request.IsHead(), result, body, log, monitor);
    // Interim replies (100 Continue, 103 Early Hints) come before the final one.
    for (int status; ok && (status = result.responseHeader.GetStatusCode()) >= 100 && status <= 199 && status != 101;) {
        if (status == 100)
            log.LogInfo("Received HTTP 100 response.");
        ok = ReadResponse(settings, request.IsHead(), result, body, log, monitor);
    }
    if (monitor)
        monitor->Complete();
    if (event)
        event->OnEndReceiveResponse(ok);
    if (ok) {
        SaveResponseCookies(settings, result.responseHeader, m_host, log);
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
