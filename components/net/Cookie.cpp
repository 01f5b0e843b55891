#include "components/net/Cookie.h"

#include "components/foundation/DateParser.h"
#include "components/foundation/LogBase.h"
#include "platform/base/TextCase.h"

#include <strings.h>

bool CookieDomainWithin(const std::string& host, std::string domain)
{
    if (!domain.empty() && domain[0] == '.')
        domain.erase(0, 1);
    if (domain.empty())
        return true;
    std::string h = AsciiLowerCopy(host), d = AsciiLowerCopy(domain);
    if (h == d)
        return true;
    return h.size() > d.size() && h.compare(h.size() - d.size(), d.size(), d) == 0 && h[h.size() - d.size() - 1] == '.';
}

void Cookie::SetPair(const std::string& name, const std::string& value)
{
    for (auto& pair : m_pairs)
        if (strcasecmp(pair.first.c_str(), name.c_str()) == 0) {
            pair.second = value;
            return;
        }
    m_pairs.emplace_back(name, value);
}

void Cookie::Clear()
{
    m_pairs.clear();
    version = 0;
    secure = false;
    domain.clear();
    path.clear();
    expire.clear();
    discard = false;
    maxAge = 0;
    maxAgeSet = false;
}

bool Cookie::IsExpired() const
{
    if (expire.empty())
        return false;
    SYSTEMTIME when, now;
    if (!DateParser::ParseDate(expire.c_str(), &when))
        return false;
    GetSystemTime(&now);
    return DateParser::SystemTimeToVariant(when) <= DateParser::SystemTimeToVariant(now);
}

bool Cookie::Matches(const char* d, const char* p, bool secureChannel) const
{
    if (secure && !secureChannel)
        return false;
    if (IsExpired())
        return false;
    if (!CookieDomainWithin(d ? d : "", domain))
        return false;
    if (p && !path.empty() && path != "/") {
        if (std::string(p).compare(0, path.size(), path) != 0)
            return false;
    }
    return true;
}

void Cookie::LogCookie(LogBase& log) const
{
    LogContextScope scope(log, "Cookie");
    log.LogData("Domain", domain.c_str());
    log.LogData("Path", path.c_str());
    log.LogData("Expire", expire.c_str());
    for (const auto& pair : m_pairs) {
        log.LogData("CookieName", pair.first.c_str());
        log.LogData("CookieValue", pair.second.c_str());
    }
}

