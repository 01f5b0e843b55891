#include "components/net/http/Cookies.h"

#include "components/foundation/ClsXml.h"
#include "components/foundation/DateParser.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/TreeNode.h"
#include "components/foundation/UrlHelpers.h"
#include "components/net/http/HttpFields.h"
#include "platform/base/TextCase.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <strings.h>

namespace {

bool MemoryMode(const char* cookieDir, const CookieMemory* memory)
{
    return memory && (!cookieDir || !*cookieDir || strcasecmp(cookieDir, "memory") == 0);
}

std::string BaseDomainOf(const char* domain)
{
    torvane::StringBuffer in(domain ? domain : ""), out;
    GetBaseDomain(in, out);
    return out.GetText();
}

// XML tags hold no spaces; other bytes a tag cannot hold make the pair unstorable.
std::string TagOf(const std::string& name)
{
    std::string tag = name;
    std::replace(tag.begin(), tag.end(), ' ', '_');
    return tag;
}

bool IsStorableTag(const std::string& tag)
{
    if (tag.empty() || !(std::isalpha((unsigned char)tag[0]) || tag[0] == '_'))
        return false;
    for (unsigned char c : tag)
        if (!(std::isalnum(c) || c == '_' || c == '-' || c == '.'))
            return false;
    return true;
}

} // namespace

void CookieJar::BuildCookieHeader(const char* domain, const char* path, std::string& out, bool secureChannel) const
{
    out.clear();
    std::set<std::string> written;
    for (const auto& cookie : m_cookies) {
        if (!cookie->Matches(domain, path, secureChannel))
            continue;
        for (const auto& pair : cookie->Pairs()) {
            if (!written.insert(pair.first).second)
                continue;
            if (!out.empty())
                out += "; ";
            out += pair.first + "=";
            if (pair.second.find(' ') != std::string::npos)
                out += "\"" + pair.second + "\"";
            else
                out += pair.second;
        }
    }
}

bool CookieMgr::GetCookieFileName(const char* domain, std::string& out)
{
    std::string d = AsciiLowerCopy(HttpTrim(domain ? domain : ""));
    if (!d.empty() && d[0] == '.')
        d.erase(0, 1);
    d = BaseDomainOf(d.c_str());
    std::replace(d.begin(), d.end(), '.', '_');
    // The name stays inside the cookie folder.
    d.erase(std::remove_if(d.begin(), d.end(), [](char c) { return c == '/' || c == '\\' || c == '\0'; }), d.end());
    if (d.empty())
        return false;
    out = d + ".xml";
    return true;
}

bool CookieMgr::GetCookieFilePath(const char* cookieDir, const char* domain, std::string& out)
{
    std::string name;
    if (!GetCookieFileName(domain, name))
        return false;
    out = cookieDir ? cookieDir : "";
    if (!out.empty() && out.back() != '/' && out.back() != '\\')
        out += '/';
    out += name;
    return true;
}

namespace {

CookieJar* JarFromXml(ClsXml& root, LogBase& log)
{
    int n = root.GetNumChildren();
    if (n <= 0) {
        log.LogError("Cookie XML is empty");
        return nullptr;
    }
    auto jar = std::make_unique<CookieJar>();
    for (int i = 0; i < n; ++i) {
        std::unique_ptr<ClsXml> child(root.GetChild(i));
        if (!child)
            continue;
        torvane::StringBuffer key, expire, v, maxAge, secure, discard;
        child->GetAttrValue("key", key);
        child->GetAttrValue("expire", expire);
        child->GetAttrValue("v", v);
        child->GetAttrValue("secure", secure);
        std::string k = key.GetText();
        size_t comma = k.find(',');
        if (comma == std::string::npos || comma == 0)
            continue;
        auto cookie = std::make_unique<Cookie>();
        cookie->domain = k.substr(0, comma);
        cookie->path = k.substr(comma + 1);
        cookie->expire = expire.GetText();
        cookie->version = std::atoi(v.GetText());
        cookie->secure = std::string(secure.GetText()) == "yes";
        if (cookie->version == 1) {
            child->GetAttrValue("maxAge", maxAge);
            child->GetAttrValue("discard", discard);
            cookie->maxAge = std::atoi(maxAge.GetText());
            cookie->discard = std::string(discard.GetText()) == "yes";
        }
        int pairs = child->GetNumChildren();
        for (int j = 0; j < pairs; ++j) {
            std::unique_ptr<ClsXml> pair(child->GetChild(j));
            if (pair)
                cookie->SetPair(pair->GetTagText(), pair->GetContentText());
        }
        jar->Cookies().push_back(std::move(cookie));
    }
    if (jar->Cookies().empty())
        return nullptr;
    return jar.release();
}

} // namespace

CookieJar* CookieMgr::ParseCookieXml(const char* text)
{
    ClsXml xml;
    LogBase quiet;
    if (!text || !xml.LoadXml(text))
        return nullptr;
    return JarFromXml(xml, quiet);
}

CookieJar* CookieMgr::LoadCookieJar(const char* cookieDir, CookieMemory* memory, const char* domain,
    const char* path, LogBase& log)
{
    LogContextScope scope(log, "LoadCookieJar");
    log.LogData("CookieDir", cookieDir ? cookieDir : "");
    log.LogData("Domain", domain ? domain : "");
    log.LogData("Path", path ? path : "");
    std::string base = BaseDomainOf(domain);
    ClsXml xml;
    if (MemoryMode(cookieDir, memory)) {
        std::string key;
        if (!GetCookieFileName(base.c_str(), key)) {
            log.LogError("Failed to get cookie filename.");
            log.LogData("BaseDomain", base.c_str());
            return nullptr;
        }
        log.LogData("HashKey", key.c_str());
        auto it = memory->find(key);
        if (it == memory->end()) {
            log.LogError("Failed to lookup cookie jar XML.");
            return nullptr;
        }
        if (!xml.LoadXml(it->second.c_str())) {
            log.LogError("Failed to load cookie jar XML.");
            return nullptr;
        }
    } else {
        std::string file;
        if (!GetCookieFilePath(cookieDir, base.c_str(), file)) {
            log.LogError("Failed to get cookie filename.");
            log.LogData("BaseDomain", base.c_str());
            return nullptr;
        }
        if (!std::filesystem::exists(file)) {
            log.LogError("Cookie file does not exist.");
            log.LogData("CookieFilename", file.c_str());
            return nullptr;
        }
        if (!xml.LoadXmlFile(file.c_str(), true)) {
            log.LogError("Failed to load cookie jar XML.");
            log.LogData("CookieFilename", file.c_str());
            return nullptr;
        }
    }
    return JarFromXml(xml, log);
}

bool CookieMgr::SaveCookie(const char* cookieDir, CookieMemory* memory, const char* domain, const Cookie& cookie,
    LogBase& log)
{
    LogContextScope scope(log, "SaveCookie");
    log.LogData("CookieDir", cookieDir ? cookieDir : "");
    log.LogData("Domain", domain ? domain : "");
    std::string base = BaseDomainOf(domain);
    bool memoryMode = MemoryMode(cookieDir, memory);
    std::string key, file;
    ClsXml xml;
    bool loaded = false;
    if (memoryMode) {
        if (!GetCookieFileName(base.c_str(), key)) {
            log.LogError("Failed to get cookie hashkey.");
            log.LogData("BaseDomain", base.c_str());
            return false;
        }
        log.LogData("HashKey", key.c_str());
        auto it = memory->find(key);
        loaded = it != memory->end() && xml.LoadXml(it->second.c_str());
    } else {
        if (!GetCookieFilePath(cookieDir, base.c_str(), file)) {
            log.LogError("Failed to get cookie filename.");
            log.LogData("CookieDomain", base.c_str());
            return false;
        }
        loaded = std::filesystem::exists(file) && xml.LoadXmlFile(file.c_str(), true);
    }
    if (!loaded) {
        xml.LoadXml("<cookies/>");
    }
    std::string keyText = cookie.domain + "," + cookie.path;
    bool removal = cookie.IsExpired();
    std::unique_ptr<ClsXml> element;
    for (int i = 0, n = xml.GetNumChildren(); i < n && !element; ++i) {
        std::unique_ptr<ClsXml> child(xml.GetChild(i));
        torvane::StringBuffer k;
        if (child && std::string(child->GetTagText()) == "cookie" && child->GetAttrValue("key", k) &&
            keyText == k.GetText())
            element = std::move(child);
    }
    if (removal) {
        // A cookie set to expire already is the server deleting it.
        if (element) {
            for (const auto& pair : cookie.Pairs()) {
                std::unique_ptr<ClsXml> child(element->FindChild(TagOf(pair.first).c_str()));
                if (child)
                    child->GetElement()->Detach();
            }
            if (element->GetNumChildren() == 0)
                element->GetElement()->Detach();
        }
    } else if (!element) {
        element.reset(xml.NewChild("cookie", ""));
        element->AddAttribute("key", keyText.c_str());
    }
    if (!removal) {
        element->UpdateAttributeInt("v", cookie.version);
        if (!cookie.expire.empty())
            element->UpdateAttribute("expire", cookie.expire.c_str());
        if (cookie.maxAge != 0)
            element->UpdateAttributeInt("maxAge", cookie.maxAge);
        if (cookie.secure)
            element->UpdateAttribute("secure", "yes");
        if (cookie.discard)
            element->UpdateAttribute("discard", "yes");
        for (const auto& pair : cookie.Pairs()) {
            std::string tag = TagOf(pair.first);
            if (!IsStorableTag(tag))
                continue;
            std::unique_ptr<ClsXml> child(element->FindChild(tag.c_str()));
            if (child)
                child->SetContent(pair.second.c_str());
            else
                element->NewChild2(tag.c_str(), pair.second.c_str());
        }
    }
    if (memoryMode) {
        torvane::StringBuffer text;
        xml.GetXml(text);
        (*memory)[key] = text.GetText();
        return true;
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ec);
    if (!xml.SaveXml(file.c_str())) {
        log.LogError("Failed to save cookie jar XML");
        log.LogData("CookieFilename", file.c_str());
        return false;
    }
    return true;
}

namespace {

// A maximum age kept as an absolute time, so that it can be judged after a reload.
void ExpireFromMaxAge(Cookie& cookie)
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    double when = DateParser::SystemTimeToVariant(now) + (cookie.maxAge <= 0 ? -1.0 : double(cookie.maxAge) / 86400.0);
    SYSTEMTIME t;
    if (!DateParser::VariantToSystemTime(&when, &t))
        return;
    char buf[64];
    static const char* days[] = { "Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat" };
    static const char* months[] = { "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec" };
    std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d GMT",
        days[DateParser::DayOfWeek(t.wYear, t.wMonth, t.wDay) % 7], t.wDay, months[(t.wMonth + 11) % 12], t.wYear,
        t.wHour, t.wMinute, t.wSecond);
    cookie.expire = buf;
}

} // namespace

std::vector<std::unique_ptr<Cookie>> ResponseCookies(const HttpResponseHeader& header, const std::string& host)
{
    std::string defaultDomain = "." + BaseDomainOf(AsciiLowerCopy(host).c_str());
    std::vector<std::unique_ptr<Cookie>> found, kept;
    header.GetCookies(found, defaultDomain.c_str());
    for (auto& cookie : found) {
        // A server cannot set cookies for a domain it is not within, and a record without a pair
        // has nothing to send back.
        if (!CookieDomainWithin(host, cookie->domain) || cookie->Pairs().empty())
            continue;
        cookie->domain = AsciiLowerCopy(cookie->domain[0] == '.' ? cookie->domain : "." + cookie->domain);
        if (cookie->maxAgeSet)
            ExpireFromMaxAge(*cookie);
        kept.push_back(std::move(cookie));
    }
    return kept;
}

std::unique_ptr<Cookie> ParseSetCookie(const std::string& value, const std::string& host)
{
    HttpResponseHeader header;
    header.ParseText(("HTTP/1.1 200 OK\r\nSet-Cookie: " + value + "\r\n\r\n").c_str());
    std::vector<std::unique_ptr<Cookie>> cookies = ResponseCookies(header, host);
    return cookies.empty() ? nullptr : std::move(cookies.front());
}
