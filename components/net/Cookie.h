#pragma once
// One cookie record: a domain and path with the name/value pairs a server set for them.

#include "components/foundation/TorvaneObject.h"

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
    // A "Max-Age" attribute was read (so a maximum age of 0 is the server deleting the cookie).
    bool maxAgeSet = false;

private:
    std::vector<std::pair<std::string, std::string>> m_pairs;
};

// Host within domain on a label boundary, without case; a leading dot on the domain is ignored and
// an empty domain holds every host.
bool CookieDomainWithin(const std::string& host, std::string domain);
