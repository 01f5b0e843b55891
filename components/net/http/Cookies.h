#pragma once
// Cookies that servers set, kept per base domain as one XML document (a file in the cookie folder,
// or text in the settings' memory store), and sent back on later requests.

#include "components/foundation/TorvaneObject.h"
#include "components/net/http/HttpControl.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class LogBase;

class Cookie : public TorvaneObject {
public:
    ~Cookie() override = default;

    void SetPair(const std::string& name, const std::string& value);
    void Clear();
    // Domain on a label boundary (an empty record domain matches every domain), path by prefix;
    // a Secure record only over TLS, an expired one never.
    bool Matches(const char* domain, const char* path, bool secureChannel = true) const;
    bool IsExpired() const;
    void LogCookie(LogBase& log) const;

    const std::vector<std::pair<std::string, std::string>>& Pairs() const { return m_pairs; }
    int version = 0;
    bool secure = false;
    std::string domain;
    std::string path;
    std::string expire;
    bool discard = false;
    int maxAge = 0;

private:
    std::vector<std::pair<std::string, std::string>> m_pairs;
};

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

// One "Set-Cookie" value as a record, for a response to host and path. Null for a value without a
// name, or with a Domain the host is not within.
std::unique_ptr<Cookie> ParseSetCookie(const std::string& value, const std::string& host, const std::string& path);
