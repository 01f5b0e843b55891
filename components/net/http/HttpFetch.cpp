// The URL fetch engine of HttpClient: header profiles, the two caches, cookies and redirects.

#include "components/foundation/Base64.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/DateParser.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/ProgressMonitor.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/UrlHelpers.h"
#include "components/foundation/ProgressEvent.h"
#include "components/net/http/HttpClient.h"
#include "platform/base/TextCase.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <cstdlib>
#include <strings.h>

namespace {

bool StartsNoCase(const std::string& s, const char* prefix) { return strncasecmp(s.c_str(), prefix, std::strlen(prefix)) == 0; }

double NowLocalOle()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return DateParser::SystemTimeToVariant(now);
}

// Local minus UTC, in days.
double LocalOffsetDays()
{
    SYSTEMTIME local, utc;
    GetLocalTime(&local);
    GetSystemTime(&utc);
    return DateParser::SystemTimeToVariant(local) - DateParser::SystemTimeToVariant(utc);
}

void OleToTime(double ole, SYSTEMTIME& out)
{
    out = SYSTEMTIME {};
    if (ole > 0)
        DateParser::VariantToSystemTime(&ole, &out);
}

std::string Rfc822(SYSTEMTIME t)
{
    torvane::StringBuffer text;
    DateParser::FormatRfc822(t, text);
    return text.GetText();
}

std::string RequestTarget(const HttpClient::FetchTarget& t)
{
    if (t.plainProxy)
        return t.url;
    return t.query.empty() ? t.path : t.path + "?" + t.query;
}

void AddExtraFieldLines(const HttpControl& settings, std::string& h)
{
    for (const auto& f : settings.extraFields.All())
        if (HttpIsSafeHeaderText(f.first) && HttpIsSafeHeaderText(f.second))
            h += f.first + ": " + f.second + "\r\n";
}

void AddRange(const HttpControl& settings, std::string& h)
{
    if (settings.rangeStart != 0)
        h += "Range: bytes=" + std::to_string(settings.rangeStart) + "-\r\n";
}

void AddAcceptEncoding(const HttpControl& settings, std::string& h)
{
    h += settings.allowGzip ? "Accept-Encoding: gzip\r\n" : "Accept-Encoding: \r\n";
}

void AddWhenSet(std::string& h, const char* name, const std::string& value)
{
    if (!value.empty() && HttpIsSafeHeaderText(value))
        h += std::string(name) + ": " + value + "\r\n";
}

void AddNtlm(const HttpControl& settings, std::string& h) { AddWhenSet(h, "Authorization", settings.ntlmToken.empty() ? "" : "NTLM " + settings.ntlmToken); }

// The server's credentials only go where the fetch started (same host, never from https down
// to http); the proxy's only to a proxy that reads the request.
void AddBasicAuthLines(const HttpClient::FetchTarget& t, const HttpControl& settings, std::string& h, LogBase& log)
{
    if (t.credentials && !settings.login.empty() && !settings.password.empty() && !settings.useNtlm) {
        log.LogInfo("Adding Basic Authentication Header");
        log.LogData("login", settings.login.c_str());
        h += "Authorization: Basic " + HttpBasicCredentials(settings.login, settings.password) + "\r\n";
    }
    if (t.plainProxy && !settings.proxyLogin.empty() && !settings.proxyPassword.empty()) {
        log.LogInfo("Adding Basic Proxy Authentication Header");
        log.LogData("login", settings.proxyLogin.c_str());
        h += "Proxy-Authorization: Basic " + HttpBasicCredentials(settings.proxyLogin, settings.proxyPassword) + "\r\n";
    }
}

void Finish(std::string& h, HttpResult& result)
{
    result.requestHeader = h;
    h += "\r\n";
}

std::string SchemeAndAuthority(const std::string& url)
{
    size_t slashes = url.find("//");
    if (slashes == std::string::npos)
        return "";
    size_t slash = url.find('/', slashes + 2);
    return slash == std::string::npos ? url : url.substr(0, slash);
}

} // namespace

struct HttpClient::CacheLookup {
    bool expired = false;
    std::string etag;
    SYSTEMTIME expiry {};
    bool revalidate = false;
    HttpResponseHeader cachedHeader;
    std::string cachedBody;
};

void HttpClient::BuildCustomGetHeader(const FetchTarget& t, HttpControl& settings, HttpResult& result,
    bool conditional, const std::string& etag, const SYSTEMTIME& expiry, std::string& h, LogBase& log)
{
    result.requestVerb = "GET";
    h = "GET " + RequestTarget(t) + " HTTP/1.1\r\n";
    if (conditional) {
        if (!etag.empty())
            AddWhenSet(h, "If-None-Match", etag);
        else if (expiry.wYear != 0)
            h += "If-Modified-Since: " + Rfc822(expiry) + "\r\n";
    }
    AddExtraFieldLines(settings, h);
    AddRange(settings, h);
    AddWhenSet(h, "Accept", settings.accept);
    AddNtlm(settings, h);
    if (!settings.extraFields.Has("Accept-Encoding"))
        AddAcceptEncoding(settings, h);
    AddWhenSet(h, "Accept-Charset", settings.acceptCharset);
    AddWhenSet(h, "Accept-Language", settings.acceptLanguage);
    AddWhenSet(h, "Referer", settings.referer);
    AddWhenSet(h, "User-Agent", settings.userAgent);
    AddCookieLine(settings, t.host, t.path, t.tls, h, log);
    AddBasicAuthLines(t, settings, h, log);
    if (settings.sendHost)
        h += "Host: " + AsciiLowerCopy(t.host) + "\r\n";
    AddWhenSet(h, "Connection", settings.connection);
    Finish(h, result);
}

void HttpClient::BuildMsieGetHeader(const FetchTarget& t, HttpControl& settings, HttpResult& result, bool,
    const std::string&, const SYSTEMTIME&, std::string& h, LogBase& log)
{
    result.requestVerb = "GET";
    h = "GET " + RequestTarget(t) + " HTTP/1.1\r\n";
    AddExtraFieldLines(settings, h);
    AddRange(settings, h);
    h += "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/vnd.ms-excel, application/msword, "
         "application/x-shockwave-flash, */*\r\n";
    AddWhenSet(h, "Referer", settings.referer);
    if (settings.acceptLanguage.empty())
        h += "Accept-Language: en-us\r\n";
    else
        AddWhenSet(h, "Accept-Language", settings.acceptLanguage);
    AddNtlm(settings, h);
    AddAcceptEncoding(settings, h);
    h += "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; .NET CLR 1.0.3705; .NET CLR "
         "1.1.4322)\r\n";
    AddCookieLine(settings, t.host, t.path, t.tls, h, log);
    AddBasicAuthLines(t, settings, h, log);
    h += "Connection: Keep-Alive\r\n";
    h += "Host: " + AsciiLowerCopy(t.host) + "\r\n";
    Finish(h, result);
}

void HttpClient::BuildFirefoxGetHeader(const FetchTarget& t, HttpControl& settings, HttpResult& result, bool,
    const std::string&, const SYSTEMTIME&, std::string& h, LogBase& log)
{
    result.requestVerb = "GET";
    h = "GET " + RequestTarget(t) + " HTTP/1.1\r\n";
    h += "Host: " + AsciiLowerCopy(t.host) + "\r\n";
    h += "User-Agent: Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.7.7) Gecko/20050414 Firefox/1.0.3\r\n";
    AddExtraFieldLines(settings, h);
    AddRange(settings, h);
    h += "Accept: text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,text/plain;q=0.8,image/png,*/*;"
         "q=0.5\r\n";
    if (settings.acceptCharset.empty())
        h += "Accept-Charset: ISO-8859-1,utf-8;q=0.7,*;q=0.7\r\n";
    else
        AddWhenSet(h, "Accept-Charset", settings.acceptCharset);
    AddAcceptEncoding(settings, h);
    if (settings.acceptLanguage.empty())
        h += "Accept-Language: en-us,en;q=0.5\r\n";
    else
        AddWhenSet(h, "Accept-Language", settings.acceptLanguage);
    h += "Keep-Alive: 300\r\n";
    h += "Connection: keep-alive\r\n";
    AddNtlm(settings, h);
    AddWhenSet(h, "Referer", settings.referer);
    AddCookieLine(settings, t.host, t.path, t.tls, h, log);
    AddBasicAuthLines(t, settings, h, log);
    Finish(h, result);
}

void HttpClient::ResolveRedirectUrl(const std::string& current, const std::string& location, std::string& out)
{
    out.clear();
    if (StartsNoCase(location, "http")) {
        out = location;
    } else if (!location.empty() && location[0] == '/') {
        std::string base = SchemeAndAuthority(current);
        if (!base.empty())
            out = base + location;
    } else {
        torvane::StringBuffer base(current.c_str()), rel(location.c_str()), combined;
        if (CombineUrl(base, rel, combined))
            out = combined.GetText();
    }
}

void HttpClient::ComputeExpiry(const HttpControl& settings, const HttpResponseHeader& header, SYSTEMTIME& out)
{
    double now = NowLocalOle();
    double when = 0;
    std::string value;
    SYSTEMTIME t;
    if (header.GetField("Expires", value) && DateParser::ParseDate(value.c_str(), &t) &&
        DateParser::SystemTimeToVariant(t) > 0) {
        when = DateParser::SystemTimeToVariant(t) + LocalOffsetDays();
    } else {
        std::string control;
        long maxAge = 0;
        if (header.GetField("Cache-Control", control)) {
            std::string lower = AsciiLowerCopy(control);
            size_t p = lower.find("max-age=");
            if (p != std::string::npos)
                maxAge = std::strtol(lower.c_str() + p + 8, nullptr, 10);
        }
        std::string lm;
        if (maxAge > 0) {
            when = now + double(maxAge) / 86400.0;
        } else if (settings.cacheControl.freshnessMode == 1 && header.GetField("Last-Modified", lm) &&
            DateParser::ParseDate(lm.c_str(), &t) && DateParser::SystemTimeToVariant(t) > 0 &&
            DateParser::SystemTimeToVariant(t) + LocalOffsetDays() < now) {
            double age = now - (DateParser::SystemTimeToVariant(t) + LocalOffsetDays());
            when = now + age * settings.cacheControl.lmFactorPercent / 100.0;
        } else {
            double minutes = settings.cacheControl.defaultFreshnessMinutes;
            when = now + std::max(minutes * 60.0, 600.0) / 86400.0;
        }
    }
    OleToTime(when, out);
}

namespace {

// An entry already there is replaced, even one that no longer reads back: a second entry for the
// URL behind it would never be found.
void PutInHttpCache(HttpControl& settings, const std::string& url, const std::string& header,
    const std::string& data, bool negative)
{
    CacheEntryHeader existing;
    if (settings.httpCache.ReadEntryHeader(url, existing))
        settings.httpCache.ReplaceEntry(url, header, data, negative, 0, 2, 0, "Nothing");
    else
        settings.httpCache.StoreEntry(url, header, data, negative, 0, 2, 0, "Nothing");
}

// Only with the disk cache on and allowed to change.
void StoreNegativeEntry(HttpControl& settings, const std::string& url, const HttpResponseHeader& header,
    const std::string& data)
{
    if (!settings.useHttpCache || !settings.httpCache.HasRoots() || !settings.cacheControl.updateCache)
        return;
    PutInHttpCache(settings, url, header.RenderFields(), data, true);
}

void StoreInHttpCache(HttpControl& settings, const std::string& url, const HttpResponseHeader& header,
    const std::string& body)
{
    if (!settings.cacheControl.updateCache || !settings.httpCache.HasRoots())
        return;
    int status = header.GetStatusCode();
    if (status < 200 || status > 499)
        return;
    PutInHttpCache(settings, url, header.RenderFull(), body, false);
}

std::string WithoutSpaces(std::string s)
{
    s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
    return s;
}

void StoreInClsCache(HttpControl& settings, const std::string& url, const HttpResponseHeader& header,
    const std::string& body, LogBase& log)
{
    if (!settings.cacheControl.updateCache)
        return;
    int status = header.GetStatusCode();
    if (status != 200) {
        if (status != 304)
            log.LogDataInt("statusCode", status);
        return;
    }
    if (!settings.cacheControl.ignoreNoCacheDirectives) {
        std::string value;
        if (header.GetField("Cache-Control", value)) {
            std::string v = WithoutSpaces(value);
            for (const char* d : { "no-cache", "no-store", "max-age=0", "s-maxage=0" })
                if (HttpEqualsNoCase(v, d)) {
                    log.LogInfo("Not updating cache because of cache-control directive");
                    return;
                }
        }
        if (header.GetField("Pragma", value) && HttpEqualsNoCase(WithoutSpaces(value), "no-cache")) {
            log.LogInfo("Not updating cache because of no-cache pragma");
            return;
        }
        if (header.GetField("Expires", value) && HttpTrim(value) == "0") {
            log.LogInfo("Not updating cache because of Expires=0 header");
            return;
        }
    }
    log.LogData("UrlToCache", url.c_str());
    std::string etag;
    header.GetField("ETag", etag);
    SYSTEMTIME expiry;
    HttpClient::ComputeExpiry(settings, header, expiry);
    log.LogData("NewExpireTime", Rfc822(expiry).c_str());
    log.LogData("Etag", etag.c_str());
    std::string text = header.RenderFull();
    std::string record(4, '\0');
    std::uint32_t offset = std::uint32_t(4 + text.size());
    for (int i = 0; i < 4; ++i)
        record[i] = char((offset >> (8 * i)) & 0xFF);
    record += text;
    record += body;
    if (settings.clsCache.SaveToCache(url, expiry, etag, record, log))
        log.LogInfo("Cache updated.");
    else
        log.LogError("Cache not updated.");
}

} // namespace

void HttpClient::LookUpCache(const std::string& url, int depth, HttpControl& settings, std::string& output,
    HttpResult& result, LogBase& log, ProgressMonitor* monitor, CacheLookup& found, bool credentials)
{
    found.expired = false;
    result.cacheStatus = 0;
    const CacheControl& cc = settings.cacheControl;
    if (settings.useHttpCache) {
        if (!(cc.fetchFromCache || cc.updateCache) || !settings.httpCache.HasRoots())
            return;
        bool negative = false;
        std::unique_ptr<CacheEntry> entry(settings.httpCache.FetchEntry(url, &negative));
        if (entry) {
            result.cacheStatus = 1;
            if (cc.fetchFromCache) {
                result.responseHeader.ParseText(entry->GetHeader().c_str());
                output.clear();
                entry->WriteBody(output);
                int status = result.responseHeader.GetStatusCode();
                if ((status == 301 || status == 302) &&
                    !FollowRedirect(url, depth, settings, output, result, log, monitor, credentials))
                    result.redirectFromCacheFailed = true;
            }
        } else if (negative) {
            result.cacheStatus = 2;
            if (!cc.quietNegativeCache && cc.fetchFromCache) {
                log.LogError("Found negative cache entry.");
                log.LogData("url", url.c_str());
            }
        }
        return;
    }
    if (!cc.fetchFromCache)
        return;
    std::string record;
    LogBase quiet;
    if (!settings.clsCache.FetchFromCache(url, record, quiet) || record.size() <= 20)
        return;
    std::uint32_t offset = (unsigned char)record[0] | (unsigned char)record[1] << 8 | (unsigned char)record[2] << 16 |
        std::uint32_t((unsigned char)record[3]) << 24;
    if (offset < 4 || offset > record.size()) {
        log.LogError("Bad offset in cache file");
        log.LogDataInt64("offset", std::int64_t(offset));
        log.LogDataInt64("dbSize", std::int64_t(record.size()));
        return;
    }
    output.assign(record, offset, std::string::npos);
    result.responseHeader.ParseText(record.substr(4, offset - 4).c_str());
    if (settings.clsCache.IsLastFetchExpired()) {
        log.LogInfo("Cache entry expired.");
        found.expired = true;
        settings.clsCache.GetLastEtag(found.etag);
        settings.clsCache.GetLastExpiration(found.expiry);
        log.LogData("ExpiredEtag", found.etag.c_str());
        log.LogData("ExpiredDateTime", Rfc822(found.expiry).c_str());
    }
    result.cacheStatus = 1;
    log.LogInfo("Cache hit.");
}

bool HttpClient::FollowRedirect(const std::string& current, int depth, HttpControl& settings, std::string& output,
    HttpResult& result, LogBase& log, ProgressMonitor* monitor, bool credentials)
{
    if (depth >= 8) {
        log.LogError("Aborted to avoid infinite redirects.");
        return false;
    }
    std::string location;
    result.responseHeader.GetField("Location", location);
    location = HttpTrim(location);
    if (location.empty()) {
        log.LogError("Got 301/302 redirect, but no new location.");
        return false;
    }
    log.LogData("redirectUrl", location.c_str());
    std::string next;
    ResolveRedirectUrl(current, location, next);
    if (next.empty()) {
        log.LogError("Failed to construct new URL");
        log.LogData("location", location.c_str());
        log.LogData("url", current.c_str());
        return false;
    }
    if (monitor && monitor->GetProgressEvent()) {
        bool abort = false;
        monitor->GetProgressEvent()->OnRedirect(current.c_str(), next.c_str(), &abort);
        if (abort) {
            log.LogError("Aborted by application.");
            return false;
        }
    }
    torvane::StringBuffer currentHost, nextHost, user, password, currentPath, query, fragment;
    int currentPort = 0;
    SplitUrl(current.c_str(), currentHost, currentPort, user, password, currentPath, query, fragment);
    GetUrlHost(next.c_str(), nextHost);
    SaveResponseCookies(settings, result.responseHeader, currentHost.GetText(), log);
    if (!settings.followRedirects) {
        result.redirected = true;
        result.finalUrl = next;
        return true;
    }
    bool sameHost = strcasecmp(currentHost.GetText(), nextHost.GetText()) == 0;
    // Credentials never follow a redirect to another host, nor from https down to http.
    bool downgrade = StartsNoCase(current, "https:") && !StartsNoCase(next, "https:");
    bool nextCredentials = credentials && sameHost && !downgrade;
    if (credentials && !nextCredentials)
        log.LogInfo("Not sending credentials to the redirect target");
    result.responseHeader.Reset();
    output.clear();
    result.redirected = true;
    result.finalUrl = next;
    bool ok;
    if (sameHost) {
        ok = Fetch(next, depth + 1, settings, output, result, log, monitor, nextCredentials);
    } else {
        HttpClient temporary;
        ok = temporary.Fetch(next, depth + 1, settings, output, result, log, monitor, nextCredentials);
        temporary.Close(log);
    }
    if (!ok)
        StoreNegativeEntry(settings, current, result.responseHeader, output);
    return ok;
}

bool HttpClient::FetchUrl(const std::string& url, int depth, bool keepConnection, HttpControl& settings,
    std::string& output, HttpResult& result, LogBase& log, ProgressMonitor* monitor)
{
    if (keepConnection)
        return Fetch(url, depth, settings, output, result, log, monitor, true);
    HttpClient temporary;
    bool ok = temporary.Fetch(url, depth, settings, output, result, log, monitor, true);
    temporary.Close(log);
    return ok;
}

bool HttpClient::Fetch(const std::string& url, int depth, HttpControl& settings, std::string& output,
    HttpResult& result, LogBase& log, ProgressMonitor* monitor, bool credentials)
{
    LogContextScope scope(log, "fetchUrl");
    log.LogData("url", url.c_str());
    result.sendFailed = false;
    result.cacheStatus = 0;
    result.fromCache = false;
    if (AsciiLowerCopy(url).find("about:blank") != std::string::npos) {
        log.LogInfo("Skipping about:blank");
        output.clear();
        return true;
    }
    if (url.size() > settings.maxUrlLen) {
        log.LogError("URL is longer than the maximum allowed length.");
        log.LogDataInt("maxUrlLen", int(settings.maxUrlLen));
        log.LogData("url", url.c_str());
        return false;
    }
    if (!HttpIsSafeHeaderText(url) || url.find(' ') != std::string::npos) {
        log.LogError("The URL holds a space or a line break");
        return false;
    }

    CacheLookup cache;
    LookUpCache(url, depth, settings, output, result, log, monitor, cache, credentials);
    if (result.cacheStatus == 1 && settings.cacheControl.fetchFromCache) {
        if (!cache.expired) {
            result.fromCache = true;
            return true;
        }
        cache.revalidate = true;
        cache.cachedHeader.CopyFrom(result.responseHeader);
        cache.cachedBody = output;
    }
    output.clear();

    FetchTarget t;
    t.url = url;
    t.credentials = credentials;
    torvane::StringBuffer host, user, password, path, query, fragment;
    if (!SplitUrl(url.c_str(), host, t.port, user, password, path, query, fragment) || host.GetLength() == 0) {
        log.LogError("Failed to parse URL");
        log.LogData("url", url.c_str());
        return false;
    }
    t.host = host.GetText();  // lower case, and cut before any query
    t.path = path.GetText();
    t.query = query.GetText();
    if (t.path.empty())
        t.path = "/";
    t.tls = StartsNoCase(url, "https:");
    std::string proxy;
    int proxyPort = 80;
    settings.GetProxyFor(url.c_str(), proxy, proxyPort, log);
    t.plainProxy = !proxy.empty() && !t.tls;

    bool useHttpCache = settings.useHttpCache && settings.httpCache.HasRoots();
    bool hostMarked = false;
    if (useHttpCache) {
        settings.httpCache.IsHostMarked(t.host.c_str(), &hostMarked);
        if (hostMarked && settings.cacheControl.honourNegativeDns) {
            log.LogError("Domain name is marked as invalid in the cache.");
            log.LogData("domain", t.host.c_str());
            return false;
        }
    }

    if (proxy.empty()) {
        log.LogData("httpServer", t.host.c_str());
        log.LogDataInt("port", t.port);
    } else {
        log.LogData("proxyDomain", proxy.c_str());
        log.LogDataInt("port", proxyPort);
    }
    if (t.tls)
        log.LogInfo("Using HTTPS.");
    bool lookupFailed = false, reused = false;
    if (!Connect(settings, t.host, t.port, t.tls, proxy, proxyPort, log, monitor, &lookupFailed, &reused)) {
        log.LogError(t.plainProxy ? "Failed to connect to proxy server" : "Failed to connect to HTTP server");
        if (lookupFailed)
            log.LogError("Domain name lookup failed.");
        if (useHttpCache && settings.cacheControl.updateCache) {
            if (lookupFailed)
                settings.httpCache.MarkHost(t.host.c_str());
            else if (hostMarked)
                settings.httpCache.ClearHostMark(t.host.c_str());
        }
        Close(log);
        return false;
    }
    if (useHttpCache && settings.cacheControl.updateCache && hostMarked)
        settings.httpCache.ClearHostMark(t.host.c_str());
    if (!m_socket.IsConnected()) {
        log.LogError("Unable to connect to HTTP server.");
        return false;
    }
    if (!t.tls && !m_socket.WaitWritableSeconds(1, log)) {
        log.LogError("Socket connection to HTTP server is not writeable.");
        result.sendFailed = true;
        return false;
    }

    std::string header;
    if (settings.msieProfile)
        BuildMsieGetHeader(t, settings, result, cache.revalidate, cache.etag, cache.expiry, header, log);
    else if (settings.firefoxProfile)
        BuildFirefoxGetHeader(t, settings, result, cache.revalidate, cache.etag, cache.expiry, header, log);
    else
        BuildCustomGetHeader(t, settings, result, cache.revalidate, cache.etag, cache.expiry, header, log);
    m_pending.clear();
    if (!m_socket.SendBytes(header.data(), unsigned(header.size()), 4000, settings.heartbeatMs,
            settings.readTimeoutSeconds * 1000, log, monitor)) {
        result.sendFailed = true;
        Close(log);
        return false;
    }

    for (;;) {
        std::string head;
        if (!ReadHeaderBlock(settings, head, log, monitor)) {
            Close(log);
            log.LogError("Failed to get response header");
            StoreNegativeEntry(settings, url, result.responseHeader, output);
            return false;
        }
        result.responseHeader.ParseText(head.c_str());
        int status = result.responseHeader.GetStatusCode();
        bool ntlmLeg = status == 401 && settings.useNtlm && !settings.login.empty() && !settings.password.empty();
        if (!ntlmLeg) {
            log.LogDataInt("StatusCode", status);
            log.LogData("StatusText", result.responseHeader.GetReasonText().c_str());
        }
        std::string start;
        if (status == 0) {
            std::string first = head.substr(0, 500);
            if (first.rfind("<!---", 0) != 0 && AsciiLowerCopy(first).find("<html") == std::string::npos) {
                log.LogError("Invalid response header received");
                log.LogData("received", first.c_str());
                Close(log);
                if (depth > 4)
                    return false;
                HttpClient temporary;
                bool ok = temporary.Fetch(url, depth + 1, settings, output, result, log, monitor, credentials);
                temporary.Close(log);
                if (!ok)
                    StoreNegativeEntry(settings, url, result.responseHeader, output);
                return ok;
            }
            result.responseHeader.ResetToBare200();
            start = head;
            status = 200;
        }
        if (monitor && result.responseHeader.GetContentLength() > 0)
            monitor->ResetTotal64(result.responseHeader.GetContentLength());
        output = start;
        std::string body;
        bool hasBody = !(status >= 100 && status < 200) && status != 204 && status != 304;
        std::string te;
        bool framed = result.responseHeader.HasContentLength()
            || (result.responseHeader.GetField("Transfer-Encoding", te) && HttpEqualsNoCase(HttpTrim(te), "chunked"));
        if (hasBody && status >= 400 && !framed) {
            // An error page that would only end with the connection is not read.
            log.LogDataInt("response_code", status);
            log.LogInfo("No response body to fetch...");
            Close(log);
            log.LogError("Failed to fetch response data.");
            return false;
        }
        if (hasBody && !ReadBodyByFraming(settings, result.responseHeader, body, log, monitor)) {
            log.LogError("Failed to fetch response data.");
            return false;
        }
        output += body;
        UnpackGzipBody(settings, result.responseHeader, output, log);
        if (settings.maxContentLength != 0 && output.size() > settings.maxContentLength) {
            log.LogError("Content length more than the maximum allowed...");
            log.LogDataInt64("maxContentLength", std::int64_t(settings.maxContentLength));
            Close(log);
            return false;
        }
        bool setsCookies = result.responseHeader.HasField("Set-Cookie");
        if (!settings.cookieDir.empty() && settings.saveCookies && setsCookies) {
            SaveResponseCookies(settings, result.responseHeader, t.host, log);
        } else if (setsCookies) {
            // A response that sets cookies belongs to one user: never cached.
        } else if (status != 304 && settings.useHttpCache) {
            StoreInHttpCache(settings, url, result.responseHeader, output);
        } else if (status != 304) {
            StoreInClsCache(settings, url, result.responseHeader, output, log);
        }
        std::string connection;
        if (result.responseHeader.GetField("connection", connection) && HttpEqualsNoCase(HttpTrim(connection), "close")) {
            log.LogInfo("Got connection:close header");
            Close(log);
        }
        if (status == 301 || status == 302)
            return FollowRedirect(url, depth, settings, output, result, log, monitor, credentials);
        if (status == 100)
            continue;
        if (cache.revalidate && status == 304) {
            log.LogInfo("Updating cache entry with new expiration.");
            result.responseHeader.CopyFrom(cache.cachedHeader);
            output = cache.cachedBody;
            SYSTEMTIME expiry;
            ComputeExpiry(settings, result.responseHeader, expiry);
            settings.clsCache.UpdateExpiration(url, expiry, log);
            log.LogData("NewExpiration", Rfc822(expiry).c_str());
            result.fromCache = true;
        }
        return true;
    }
}

bool HttpClient::ExchangeLeg(const DataBuffer& clientToken, LogBase& log)
{
    HttpControl& settings = *m_exchangeSettings;
    settings.ntlmToken = Base64Encode(clientToken.GetData(), clientToken.GetSize());
    m_exchangeResult->Reset();
    bool ok = FetchUrl(*m_exchangeUrl, 0, true, settings, *m_exchangeOutput, *m_exchangeResult, log, nullptr);
    settings.ntlmToken.clear();
    return ok;
}

bool HttpClient::exchangePackage(DataBuffer& serverToken, const DataBuffer& clientToken, LogBase& log)
{
    if (!m_exchangeUrl || !m_exchangeSettings || !m_exchangeOutput || !m_exchangeResult)
        return false;
    ExchangeLeg(clientToken, log);
    if (m_exchangeResult->responseHeader.GetStatusCode() != 401)
        return false;
    std::string value;
    m_exchangeResult->responseHeader.GetField("WWW-Authenticate", value);
    value = HttpTrim(value);
    size_t p = value.find("NTLM ");
    if (p != std::string::npos)
        value.erase(p, 5);
    value = HttpTrim(value);
    unsigned count = 0;
    unsigned char* bytes = Base64Decode(value.c_str(), unsigned(value.size()), &count);
    serverToken.Empty();
    if (bytes) {
        serverToken.Append(bytes, count);
        std::free(bytes);
    }
    return true;
}

bool HttpClient::sendFinal(const DataBuffer& clientToken, LogBase& log)
{
    if (!m_exchangeUrl || !m_exchangeSettings || !m_exchangeOutput || !m_exchangeResult)
        return false;
    return ExchangeLeg(clientToken, log);
}
