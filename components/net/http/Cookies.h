#pragma once
// Cookies that servers set, kept per base domain as one XML document (a file in the cookie folder,
// or text in the settings' memory store), and sent back on later requests.

#include "components/net/Cookie.h"
#include "components/net/http/HttpControl.h"
#include "components/net/http/HttpResponseHeader.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class LogBase;

class CookieJar {
public:
    virtual ~CookieJar() = default;
    void BuildCookieHeader(const char* domain, const char* path, std::string& out, bool secureChannel = true) const;
    std::vector<std::unique_ptr<Cookie>>& Cookies() { return m_cookies; }

private:
    std::vector<std::unique_ptr<Cookie>> m_cookies;
};

class CookieMgr {
public:
    virtual ~CookieMgr() = default;
    static bool GetCookieFileName(const char* domain, std::string& out);
    static bool GetCookieFilePath(const char* cookieDir, const char* domain, std::string& out);
    // A new jar (the caller deletes it) or null.
    static CookieJar* LoadCookieJar(const char* cookieDir, CookieMemory* memory, const char* domain, const char* path,
        LogBase& log);
    static bool SaveCookie(const char* cookieDir, CookieMemory* memory, const char* domain, const Cookie& cookie,
        LogBase& log);
    // A jar from a cookie document's text (the reader LoadCookieJar uses).
    static CookieJar* ParseCookieXml(const char* xml);
};

// The cookies a response to host sets, as they are stored: its "Set-Cookie" and "Set-Cookie2"
// fields, a missing domain becoming "." and the host's base domain. A cookie for a domain the host
// is not within, or without a pair, is left out; a maximum age becomes an expiry time.
std::vector<std::unique_ptr<Cookie>> ResponseCookies(const HttpResponseHeader& header, const std::string& host);
// The same for one "Set-Cookie" value; null when it gives no cookie.
std::unique_ptr<Cookie> ParseSetCookie(const std::string& value, const std::string& host);
