// Cookies as servers send them and cookie documents as found on disk: up to an empty line, one
// Set-Cookie value per line (saved to a jar in memory and read back), then a cookie document.
#include "components/foundation/LogBase.h"
#include "components/net/http/Cookies.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    size_t split = bytes.find("\n\n");
    std::string lines = bytes.substr(0, split);
    std::string xml = split == std::string::npos ? std::string() : bytes.substr(split + 2);
    LogBase log;
    CookieMemory memory;
    size_t start = 0;
    while (start <= lines.size()) {
        size_t end = lines.find('\n', start);
        std::string line = lines.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::unique_ptr<Cookie> cookie = ParseSetCookie(line, "www.site.test");
        if (cookie)
            CookieMgr::SaveCookie("memory", &memory, "www.site.test", *cookie, log);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    std::string header;
    std::unique_ptr<CookieJar> saved(CookieMgr::LoadCookieJar("memory", &memory, "www.site.test", "/a/b", log));
    if (saved)
        saved->BuildCookieHeader("www.site.test", "/a/b/c", header, false);
    std::unique_ptr<CookieJar> jar(CookieMgr::ParseCookieXml(xml.c_str()));
    if (jar)
        jar->BuildCookieHeader("www.site.test", "/a", header, true);
    return 0;
}
