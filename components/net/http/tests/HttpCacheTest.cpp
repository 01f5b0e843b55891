#include "components/foundation/DateParser.h"
#include "components/foundation/Logger.h"
#include "components/foundation/Md5.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/ZipCRC.h"
#include "components/net/http/ClsCache2.h"
#include "components/net/http/Cookies.h"
#include "components/net/http/HttpCache.h"
#include "components/net/http/HttpClient.h"
#include "components/net/http/HttpControl.h"
#include "components/net/http/tests/HttpTestSupport.h"
#include "components/foundation/TV_Registry.h"
#include "platform/base/Registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Roots are written as the folder plus '/', as callers add them.
struct TempDir {
    httptest::TempFolder folder;
    std::string path = folder.path.substr(0, folder.path.size() - 1);
};

using httptest::ReadFile;

std::uint32_t Le32(const std::string& b, size_t at)
{
    return (unsigned char)b[at] | (unsigned char)b[at + 1] << 8 | (unsigned char)b[at + 2] << 16 |
        std::uint32_t((unsigned char)b[at + 3]) << 24;
}

std::uint32_t CrcOf(const std::string& s)
{
    ZipCRC crc;
    return crc.CrcOfBytes(s.data(), DWORD(s.size()));
}

// URLs whose cache files coincide, found by trying numbered URLs.
std::vector<std::string> UrlsSharingAFile(HttpCache& cache, size_t n)
{
    std::map<std::string, std::vector<std::string>> byPath;
    for (int i = 0;; ++i) {
        std::string url = "http://site.test/page" + std::to_string(i);
        std::string path;
        cache.GetCacheFilePath(url, path);
        auto& list = byPath[path];
        list.push_back(url);
        if (list.size() == n)
            return list;
    }
}

} // namespace

TEST(HttpCache, PathLayoutAndRoundTrip)
{
    TempDir dir;
    HttpCache cache;
    std::string path;
    EXPECT_FALSE(cache.GetCacheFilePath("http://a/", path));
    cache.AddRoot((dir.path + "/").c_str());
    std::string url = "http://example.test/index.html";
    ASSERT_TRUE(cache.GetCacheFilePath(url, path));
    unsigned char d[16];
    Md5Digest(url.data(), unsigned(url.size()), d);
    std::uint32_t n = d[3] | d[4] << 8 | d[5] << 16 | std::uint32_t(d[6]) << 24;
    EXPECT_EQ(path, dir.path + "/" + std::to_string(d[1]) + "/" + std::to_string(d[2]) + "/" +
            std::to_string(n % 1000) + ".caf");

    std::string body(3000, 'b');
    ASSERT_TRUE(cache.StoreEntry(url, "HTTP/1.1 200 OK\r\nETag: \"x\"", body, false, 0, 2, 0, "Nothing"));
    std::string bytes = ReadFile(path);
    ASSERT_GE(bytes.size(), 88u + 32u);
    EXPECT_EQ(Le32(bytes, 0), 10u);
    EXPECT_EQ(Le32(bytes, 4), 1u);
    EXPECT_EQ(Le32(bytes, 8), 88u);
    EXPECT_EQ(Le32(bytes, 12), CrcOf(url));
    EXPECT_EQ(Le32(bytes, 88), CrcOf("Nothing"));
    EXPECT_EQ(Le32(bytes, 88 + 4), CrcOf(body));
    EXPECT_EQ(bytes[88 + 8], 0);
    EXPECT_EQ(bytes[88 + 9] & 2, 2);                      // packed body
    EXPECT_EQ(std::memcmp(&bytes[88 + 12], &bytes[88 + 16], 4), 0);  // both stamps for a positive entry
    EXPECT_EQ(Le32(bytes, 88 + 20), url.size() + 1);
    EXPECT_EQ(bytes.substr(88 + 32, url.size() + 1), url + '\0');
    EXPECT_LT(Le32(bytes, 88 + 28), body.size());

    bool negative = true;
    std::unique_ptr<CacheEntry> entry(cache.FetchEntry(url, &negative));
    ASSERT_TRUE(entry);
    EXPECT_FALSE(negative);
    EXPECT_EQ(entry->GetHeader(), "HTTP/1.1 200 OK\r\nETag: \"x\"");
    EXPECT_EQ(entry->GetBody(), body);
    EXPECT_EQ(entry->url, url);

    // An empty body is stored as nothing and comes back empty.
    std::string empty = "http://example.test/empty";
    ASSERT_TRUE(cache.StoreEntry(empty, "HTTP/1.1 200 OK", "", false, 0, 2, 0, "Nothing"));
    entry.reset(cache.FetchEntry(empty, &negative));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->GetBody(), "");
}

TEST(HttpCache, UnpackedKindsNegativeEntriesAndHosts)
{
    TempDir dir;
    HttpCache cache;
    cache.AddRoot((dir.path + "/").c_str());
    for (const char* url : { "http://x.test/PICTURE.GIF", "http://x.test/get?file=a.pdf" }) {
        ASSERT_TRUE(cache.ReplaceEntry(url, "HTTP/1.1 200 OK", "raw bytes", false, 0, 2, 0, "Nothing"));
        std::string path;
        cache.GetCacheFilePath(url, path);
        std::string bytes = ReadFile(path);
        EXPECT_EQ(bytes[88 + 9] & 2, 0) << url;
        EXPECT_NE(bytes.find("raw bytes"), std::string::npos) << url;
        std::unique_ptr<CacheEntry> entry(cache.FetchEntry(url, nullptr));
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->GetBody(), "raw bytes");
    }

    std::string gone = "http://x.test/gone";
    ASSERT_TRUE(cache.StoreEntry(gone, "", "", true, 0, 2, 0, "Nothing"));
    bool negative = false;
    EXPECT_EQ(cache.FetchEntry(gone, &negative), nullptr);
    EXPECT_TRUE(negative);
    CacheEntryHeader head;
    ASSERT_TRUE(cache.ReadEntryHeader(gone, head));
    EXPECT_EQ(head.negative, 1);
    EXPECT_EQ(head.stamp2[2], 0);

    bool marked = true;
    EXPECT_FALSE(cache.IsHostMarked("Bad.Host", &marked));
    EXPECT_FALSE(marked);
    cache.MarkHost("Bad.Host");
    EXPECT_TRUE(cache.IsHostMarked("bad.host", &marked));
    EXPECT_TRUE(marked);
    cache.ClearHostMark("BAD.host");
    EXPECT_TRUE(cache.IsHostMarked("bad.host", &marked));
    EXPECT_FALSE(marked);
    // Marking leaves an unmarked entry alone.
    cache.MarkHost("bad.host");
    EXPECT_TRUE(cache.IsHostMarked("bad.host", &marked));
    EXPECT_FALSE(marked);
}

TEST(HttpCache, EleventhEntryStartsTheFileOver)
{
    TempDir dir;
    std::string path = dir.path + "/1/2/3.caf";
    auto entry = [](int i, const char* body) {
        CacheEntry e;
        e.url = "http://site.test/page" + std::to_string(i);
        e.urlCrc = CrcOf(e.url);
        e.header = "HTTP/1.1 200 OK";
        e.body = body;
        e.flags = CacheEntry::kBodyCompressed;
        e.stamp[2] = e.stamp2[2] = 1;
        return e;
    };
    auto fetch = [&path](int i) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        std::fseek(f, 0, SEEK_END);
        std::uint64_t size = std::uint64_t(std::ftell(f));
        std::uint32_t offset = 0;
        CacheEntryHeader head;
        std::string body = "(none)";
        if (CacheFile::FindEntry(f, size, "http://site.test/page" + std::to_string(i), offset, head)) {
            std::unique_ptr<CacheEntry> e(CacheFile::ReadEntry(f, size, offset));
            body = e ? e->GetBody() : "(unreadable)";
        }
        std::fclose(f);
        return body;
    };
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(CacheFile::AppendEntry(path, entry(i, ("body " + std::to_string(i)).c_str())));
    EXPECT_EQ(Le32(ReadFile(path), 4), 10u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(fetch(i), "body " + std::to_string(i));
    ASSERT_TRUE(CacheFile::AppendEntry(path, entry(10, "eleventh")));
    std::string bytes = ReadFile(path);
    EXPECT_EQ(Le32(bytes, 4), 1u);
    EXPECT_EQ(Le32(bytes, 8), 88u);
    EXPECT_EQ(fetch(0), "(none)");
    EXPECT_EQ(fetch(10), "eleventh");
}

TEST(HttpCache, UrlWithTheSameCrcIsNeverServedAnotherUrlsResponse)
{
    TempDir dir;
    HttpCache cache;
    cache.AddRoot((dir.path + "/").c_str());
    std::vector<std::string> urls = UrlsSharingAFile(cache, 2);
    ASSERT_TRUE(cache.StoreEntry(urls[0], "HTTP/1.1 200 OK", "private to the first", false, 0, 2, 0, "Nothing"));
    // Give the first URL's slot the second URL's CRC, as a colliding URL would have it.
    std::string path;
    cache.GetCacheFilePath(urls[0], path);
    std::uint32_t crc = CrcOf(urls[1]);
    {
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(12);
        for (int i = 0; i < 4; ++i)
            f.put(char((crc >> (8 * i)) & 0xFF));
    }
    bool negative = false;
    EXPECT_EQ(cache.FetchEntry(urls[1], &negative), nullptr);
    CacheEntryHeader head;
    EXPECT_FALSE(cache.ReadEntryHeader(urls[1], head));
    // The second URL's own entry, stored after it, is found behind the colliding slot.
    ASSERT_TRUE(cache.StoreEntry(urls[1], "HTTP/1.1 200 OK", "second", false, 0, 2, 0, "Nothing"));
    std::unique_ptr<CacheEntry> e(cache.FetchEntry(urls[1], nullptr));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->GetBody(), "second");
}

TEST(HttpCache, DamagedFilesAreNotCached)
{
    TempDir dir;
    HttpCache cache;
    cache.AddRoot((dir.path + "/").c_str());
    std::string url = "http://x.test/a";
    ASSERT_TRUE(cache.StoreEntry(url, "HTTP/1.1 200 OK", std::string(500, 'q'), false, 0, 2, 0, "Nothing"));
    std::string path;
    cache.GetCacheFilePath(url, path);
    std::string good = ReadFile(path);
    auto write = [&path](const std::string& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
    };
    struct Case {
        const char* what;
        size_t at;
        std::uint32_t value;
    } cases[] = {
        { "count above capacity", 4, 11 },
        { "slot past the end", 8, 0x7FFFFFF0 },
        { "header length past the end", 88 + 24, 0xFFFFFFF0 },
        { "body length past the end", 88 + 28, 0x7FFFFFFF },
    };
    for (const Case& c : cases) {
        std::string bad = good;
        for (int i = 0; i < 4; ++i)
            bad[c.at + i] = char((c.value >> (8 * i)) & 0xFF);
        write(bad);
        EXPECT_EQ(cache.FetchEntry(url, nullptr), nullptr) << c.what;
    }
    write(good.substr(0, good.size() - 5));
    EXPECT_EQ(cache.FetchEntry(url, nullptr), nullptr) << "cut short";
    write(good);
    std::unique_ptr<CacheEntry> e(cache.FetchEntry(url, nullptr));
    EXPECT_TRUE(e);
}

TEST(HttpCache, EmptyRootMeansTheConfigurationFolder)
{
    TempDir dir;
    SetRegistryFolderForTesting(dir.path + "/config");
    HttpCache cache;
    cache.AddRoot("");
    std::string path;
    ASSERT_TRUE(cache.GetCacheFilePath("http://x.test/", path));
    EXPECT_EQ(path.rfind(dir.path + "/config/httpcache/", 0), 0u) << path;
    EXPECT_EQ(path.find('\\'), std::string::npos);
    ASSERT_TRUE(cache.StoreEntry("http://x.test/", "HTTP/1.1 200 OK", "here", false, 0, 2, 0, "Nothing"));
    EXPECT_TRUE(fs::exists(path));
    SetRegistryFolderForTesting("");
}

TEST(HttpCache, BodyCachedByOneProcessIsServedToAnother)
{
    TempDir dir;
    std::string root = dir.path + "/";
    pid_t pid = fork();
    if (pid == 0) {
        HttpCache writer;
        writer.AddRoot(root.c_str());
        ClsCache2 dat;
        dat.AddRoot(root.c_str());
        LogBase quiet;
        SYSTEMTIME none {};
        bool ok = writer.StoreEntry("http://x.test/shared", "HTTP/1.1 200 OK", "from the writer", false, 0, 2, 0,
                      "Nothing") &&
            dat.SaveToCache("http://x.test/shared", none, "\"t1\"", "dat body", quiet);
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    HttpCache reader;
    reader.AddRoot(root.c_str());
    std::unique_ptr<CacheEntry> e(reader.FetchEntry("http://x.test/shared", nullptr));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->GetBody(), "from the writer");
    ClsCache2 dat;
    dat.AddRoot(root.c_str());
    std::string out;
    Logger log;
    ASSERT_TRUE(dat.FetchFromCache("http://x.test/shared", out, log));
    EXPECT_EQ(out, "dat body");
}

TEST(ClsCache2, FileLayoutRootsAndLevels)
{
    TempDir dir;
    ClsCache2 cache;
    std::string path;
    EXPECT_FALSE(cache.GetFilename("k", path));
    std::string roots[3] = { dir.path + "/r0", dir.path + "/r1/", dir.path + "/r2" };
    for (const auto& r : roots)
        cache.AddRoot(r.c_str());
    std::string key = "http://example.test/resource";
    unsigned char d[16];
    Md5Digest(key.data(), unsigned(key.size()), d);
    char hex[33];
    for (int i = 0; i < 16; ++i)
        std::snprintf(hex + 2 * i, 3, "%02X", d[i]);
    std::string root = roots[d[0] % 3];
    if (root.back() != '/')
        root += '/';
    ASSERT_TRUE(cache.GetFilename(key, path));
    EXPECT_EQ(path, root + hex + ".dat");
    cache.SetLevel(2);
    ASSERT_TRUE(cache.GetFilename(key, path));
    EXPECT_EQ(path, root + std::to_string(d[1]) + "/" + std::to_string(d[2]) + "/" + hex + ".dat");

    // Header bytes: length, version, magic, two zero bytes, expiry, tag length, tag (UTF-8).
    Logger log;
    SYSTEMTIME expiry {};
    expiry.wYear = 2031;
    expiry.wMonth = 5;
    expiry.wDay = 6;
    expiry.wHour = 12;
    std::string tag = "\"\xC3\xA9t\xC3\xA9\"";
    ASSERT_TRUE(cache.SaveToCache(key, expiry, tag, "payload", log));
    std::string bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), 20 + tag.size() + 7);
    EXPECT_EQ(Le32(bytes, 0), 20 + tag.size());
    EXPECT_EQ((unsigned char)bytes[4], 1);
    EXPECT_EQ((unsigned char)bytes[6], 0xFE);
    EXPECT_EQ((unsigned char)bytes[7], 0x9A);
    double ole;
    std::memcpy(&ole, &bytes[10], 8);
    EXPECT_DOUBLE_EQ(ole, DateParser::SystemTimeToVariant(expiry));
    EXPECT_EQ((unsigned char)bytes[18], tag.size());
    EXPECT_EQ(bytes.substr(20, tag.size()), tag);
    EXPECT_EQ(bytes.substr(20 + tag.size()), "payload");

    std::string out, etag;
    SYSTEMTIME got;
    EXPECT_FALSE(cache.GetLastEtag(etag));
    ASSERT_TRUE(cache.FetchFromCache(key, out, log));
    EXPECT_EQ(out, "payload");
    ASSERT_TRUE(cache.GetLastEtag(etag));
    EXPECT_EQ(etag, tag);
    ASSERT_TRUE(cache.GetLastExpiration(got));
    EXPECT_EQ(got.wYear, 2031);
    EXPECT_EQ(got.wHour, 12);
    EXPECT_FALSE(cache.IsLastFetchExpired());
    EXPECT_TRUE(cache.IsCached(key));
    EXPECT_FALSE(cache.IsCached("other"));

    // Only the eight expiry bytes change.
    SYSTEMTIME past {};
    past.wYear = 2001;
    past.wMonth = 1;
    past.wDay = 1;
    ASSERT_TRUE(cache.UpdateExpiration(key, past, log));
    std::string after = ReadFile(path);
    ASSERT_EQ(after.size(), bytes.size());
    for (size_t i = 0; i < after.size(); ++i)
        if (i < 10 || i >= 18) {
            EXPECT_EQ(after[i], bytes[i]) << i;
        }
    ASSERT_TRUE(cache.FetchFromCache(key, out, log));
    EXPECT_TRUE(cache.IsLastFetchExpired());

    // No expiry never expires.
    SYSTEMTIME none {};
    ASSERT_TRUE(cache.SaveToCache(key, none, "", "x", log));
    ASSERT_TRUE(cache.FetchFromCache(key, out, log));
    EXPECT_FALSE(cache.IsLastFetchExpired());
    ASSERT_TRUE(cache.GetLastExpiration(got));
    EXPECT_EQ(got.wYear, 0);

    // A different magic is refused; a header length past the file too.
    std::string bad = after;
    bad[6] = 0;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bad;
    Logger badLog;
    EXPECT_FALSE(cache.FetchFromCache(key, out, badLog));
    torvane::StringBuffer text;
    badLog.RenderText(text);
    EXPECT_NE(std::string(text.GetText()).find("Not a valid cache file."), std::string::npos);
    EXPECT_FALSE(cache.GetLastEtag(etag));
    bad = after;
    bad[0] = char(0x40);
    bad[1] = char(0x1F);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bad;
    EXPECT_FALSE(cache.FetchFromCache(key, out, log));
}

TEST(Cookies, FileNamesShareTheBaseDomain)
{
    std::string a, b, c, d;
    ASSERT_TRUE(CookieMgr::GetCookieFileName("www.example.com", a));
    ASSERT_TRUE(CookieMgr::GetCookieFileName(".www.example.com", b));
    ASSERT_TRUE(CookieMgr::GetCookieFileName(" WWW.EXAMPLE.COM ", c));
    ASSERT_TRUE(CookieMgr::GetCookieFileName("deep.www.example.com", d));
    EXPECT_EQ(a, "example_com.xml");
    EXPECT_EQ(b, a);
    EXPECT_EQ(c, a);
    EXPECT_EQ(d, a);
    std::string e;
    EXPECT_FALSE(CookieMgr::GetCookieFileName("  ", e));
    std::string path;
    ASSERT_TRUE(CookieMgr::GetCookieFilePath("/tmp/jar", "example.com", path));
    EXPECT_EQ(path, "/tmp/jar/example_com.xml");
    ASSERT_TRUE(CookieMgr::GetCookieFilePath("/tmp/jar/", "example.com", path));
    EXPECT_EQ(path, "/tmp/jar/example_com.xml");
}

TEST(Cookies, SaveLoadMatchAndHeader)
{
    TempDir dir;
    Logger log;
    const char* folder = dir.path.c_str();
    Cookie everywhere;
    everywhere.domain = ".example.com";
    everywhere.path = "/";
    everywhere.SetPair("session", "one two");
    everywhere.SetPair("lang", "en");
    Cookie docs;
    docs.domain = ".example.com";
    docs.path = "/docs";
    docs.SetPair("lang", "de");
    docs.SetPair("view", "list");
    ASSERT_TRUE(CookieMgr::SaveCookie(folder, nullptr, "www.example.com", everywhere, log));
    ASSERT_TRUE(CookieMgr::SaveCookie(folder, nullptr, "www.example.com", docs, log));
    // Saving the same domain and path again updates its element.
    docs.SetPair("view", "grid");
    ASSERT_TRUE(CookieMgr::SaveCookie(folder, nullptr, "www.example.com", docs, log));
    std::string xml = ReadFile(dir.path + "/example_com.xml");
    size_t elements = 0;
    for (size_t p = 0; (p = xml.find("<cookie ", p)) != std::string::npos; ++p)
        ++elements;
    EXPECT_EQ(elements, 2u) << xml;

    std::unique_ptr<CookieJar> jar(CookieMgr::LoadCookieJar(folder, nullptr, "shop.example.com", "/", log));
    ASSERT_TRUE(jar);
    ASSERT_EQ(jar->Cookies().size(), 2u);
    std::string header;
    jar->BuildCookieHeader("shop.example.com", "/docs/page", header);
    EXPECT_EQ(header, "session=\"one two\"; lang=en; view=grid");
    jar->BuildCookieHeader("shop.example.com", "/docsearch", header);  // a plain prefix
    EXPECT_EQ(header, "session=\"one two\"; lang=en; view=grid");
    jar->BuildCookieHeader("shop.example.com", "/other", header);
    EXPECT_EQ(header, "session=\"one two\"; lang=en");
    // A host that only ends with the same letters is another site.
    jar->BuildCookieHeader("badexample.com", "/", header);
    EXPECT_EQ(header, "");

    // A missing file and an empty document give no jar.
    EXPECT_EQ(CookieMgr::LoadCookieJar(folder, nullptr, "other.org", "/", log), nullptr);
    std::ofstream(dir.path + "/empty_org.xml") << "<cookies/>";
    EXPECT_EQ(CookieMgr::LoadCookieJar(folder, nullptr, "empty.org", "/", log), nullptr);
}

TEST(Cookies, ResponseFieldsBecomeCookies)
{
    HttpResponseHeader header;
    header.ParseText("HTTP/1.1 200 OK\r\n"
                     "Set-Cookie: a=\"x; y\"; Path=/p; secure; Max-Age=60; Version=2; HttpOnly; SameSite=Lax\r\n"
                     "Set-Cookie2: b=2; Version=\"1\"; Discard; extra; Port=\"80\"; Comment=c\r\n"
                     "Set-Cookie: c=3; c=4; C=5; Domain=Site.Test\r\n"
                     "Set-Cookie: d=\"a\\\"b;c\"\r\n"
                     "Set-CookieX: e=5\r\n\r\n");
    std::vector<std::unique_ptr<Cookie>> cookies;
    header.GetCookies(cookies, nullptr);
    // Without a default domain only the cookie that names its own is kept.
    ASSERT_EQ(cookies.size(), 1u);
    EXPECT_EQ(cookies[0]->domain, "Site.Test");
    ASSERT_EQ(cookies[0]->Pairs().size(), 1u);
    EXPECT_EQ(cookies[0]->Pairs()[0].second, "5");

    cookies.clear();
    header.GetCookies(cookies, ".site.test");
    ASSERT_EQ(cookies.size(), 4u);
    const Cookie& a = *cookies[0];
    EXPECT_EQ(a.domain, ".site.test");
    EXPECT_EQ(a.path, "/p");
    EXPECT_TRUE(a.secure);
    EXPECT_EQ(a.maxAge, 60);
    EXPECT_EQ(a.version, 0);
    ASSERT_EQ(a.Pairs().size(), 1u);
    EXPECT_EQ(a.Pairs()[0], (std::pair<std::string, std::string>("a", "x; y")));
    const Cookie& b = *cookies[1];
    EXPECT_EQ(b.version, 1);
    EXPECT_TRUE(b.discard);
    EXPECT_EQ(b.path, "");
    ASSERT_EQ(b.Pairs().size(), 2u);
    EXPECT_EQ(b.Pairs()[1], (std::pair<std::string, std::string>("extra", "")));
    ASSERT_EQ(cookies[3]->Pairs().size(), 1u);
    // An escaped quote does not end the quoted run, so its ';' does not split.
    EXPECT_EQ(cookies[3]->Pairs()[0].second, "a\\\"b;c");

    // What the client stores: a cookie without a domain belongs to the host's base domain; one
    // for another domain is refused.
    header.ParseText("HTTP/1.1 200 OK\r\nSet-Cookie: k=1\r\nSet-Cookie: o=1; Domain=other.test\r\n\r\n");
    std::vector<std::unique_ptr<Cookie>> stored = ResponseCookies(header, "app.site.test");
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0]->domain, ".site.test");
    EXPECT_EQ(stored[0]->path, "");
}

TEST(Cookies, SecureAndExpiryAreHonoured)
{
    TempDir dir;
    Logger log;
    const char* folder = dir.path.c_str();
    std::unique_ptr<Cookie> secure = ParseSetCookie("token=abc; Secure; Path=/", "app.site.test");
    std::unique_ptr<Cookie> lasting = ParseSetCookie("lasting=yes; Max-Age=3600; Domain=site.test; Path=/a", "app.site.test");
    ASSERT_TRUE(secure && lasting);
    EXPECT_TRUE(secure->secure);
    EXPECT_EQ(lasting->domain, ".site.test");
    EXPECT_EQ(lasting->path, "/a");
    EXPECT_EQ(lasting->maxAge, 3600);
    EXPECT_FALSE(lasting->IsExpired());
    // A server cannot set cookies for a domain it is not within.
    EXPECT_FALSE(ParseSetCookie("x=1; Domain=other.test", "app.site.test"));
    EXPECT_FALSE(ParseSetCookie("=novalue", "app.site.test"));
    for (Cookie* c : { secure.get(), lasting.get() })
        ASSERT_TRUE(CookieMgr::SaveCookie(folder, nullptr, "app.site.test", *c, log));

    std::unique_ptr<CookieJar> jar(CookieMgr::LoadCookieJar(folder, nullptr, "app.site.test", "/", log));
    ASSERT_TRUE(jar);
    std::string header;
    jar->BuildCookieHeader("app.site.test", "/a/x", header, false);
    EXPECT_EQ(header, "lasting=yes");
    jar->BuildCookieHeader("app.site.test", "/a/x", header, true);
    EXPECT_EQ(header, "token=abc; lasting=yes");

    // A cookie set again already expired (a past date, or Max-Age 0) is the server deleting it.
    std::unique_ptr<Cookie> gone = ParseSetCookie("token=; Path=/; Expires=Thu, 01 Jan 2004 00:00:00 GMT",
        "app.site.test");
    std::unique_ptr<Cookie> dropped = ParseSetCookie("lasting=x; Max-Age=0; Domain=site.test; Path=/a", "app.site.test");
    ASSERT_TRUE(gone && dropped);
    EXPECT_TRUE(gone->IsExpired());
    EXPECT_TRUE(dropped->IsExpired());
    ASSERT_TRUE(CookieMgr::SaveCookie(folder, nullptr, "app.site.test", *gone, log));
    ASSERT_TRUE(CookieMgr::SaveCookie(folder, nullptr, "app.site.test", *dropped, log));
    EXPECT_EQ(CookieMgr::LoadCookieJar(folder, nullptr, "app.site.test", "/", log), nullptr);

    // A stored record whose time has passed is not sent.
    std::ofstream(dir.path + "/site_test.xml") << "<cookies><cookie key=\"app.site.test,/\" v=\"0\" "
                                                  "expire=\"Mon, 01 Jan 2001 00:00:00 GMT\"><old>1</old></cookie>"
                                                  "<cookie key=\"app.site.test,/\" v=\"0\"><new>2</new></cookie></cookies>";
    jar.reset(CookieMgr::LoadCookieJar(folder, nullptr, "app.site.test", "/", log));
    ASSERT_TRUE(jar);
    jar->BuildCookieHeader("app.site.test", "/", header);
    EXPECT_EQ(header, "new=2");
}

TEST(Cookies, MemoryModeWritesNothingToDisk)
{
    TempDir dir;
    Logger log;
    CookieMemory memory;
    Cookie c;
    c.domain = "example.com";
    c.path = "/";
    c.SetPair("a", "1");
    fs::path before = fs::current_path();
    fs::current_path(dir.path);
    ASSERT_TRUE(CookieMgr::SaveCookie("MEMORY", &memory, "example.com", c, log));
    ASSERT_TRUE(CookieMgr::SaveCookie(nullptr, &memory, "example.com", c, log));
    EXPECT_EQ(memory.size(), 1u);
    EXPECT_TRUE(memory.count("example_com.xml"));
    EXPECT_TRUE(fs::is_empty(dir.path));
    fs::current_path(before);
    std::unique_ptr<CookieJar> jar(CookieMgr::LoadCookieJar("memory", &memory, "www.example.com", "/", log));
    ASSERT_TRUE(jar);
    std::string header;
    jar->BuildCookieHeader("www.example.com", "/", header);
    EXPECT_EQ(header, "a=1");
}

TEST(HttpConnPool, ElevenHostsKeepTenAndProxyKeys)
{
    HttpControl settings;
    LogBase log;
    HttpConnPool pool;
    HttpClient* first = &pool.GetClient("h0.test", 80, settings, log);
    pool.GetClient("h1.test", 80, settings, log);
    for (int i = 2; i < 10; ++i)
        pool.GetClient(("h" + std::to_string(i) + ".test").c_str(), 80, settings, log);
    EXPECT_EQ(pool.Size(), 10u);
    // Using the first again makes it the last to go; the second is evicted by the eleventh host.
    EXPECT_EQ(&pool.GetClient("H0.TEST", 80, settings, log), first);
    pool.GetClient("h10.test", 80, settings, log);
    EXPECT_EQ(pool.Size(), 10u);
    EXPECT_EQ(&pool.GetClient("h0.test", 80, settings, log), first);
    EXPECT_EQ(pool.Size(), 10u);

    // With a proxy every host shares the proxy's client.
    HttpControl proxied;
    proxied.proxyDomain = "proxy.test";
    proxied.proxyPort = 3128;
    HttpConnPool viaProxy;
    EXPECT_EQ(&viaProxy.GetClient("a.test", 80, proxied, log), &viaProxy.GetClient("b.test", 443, proxied, log));
    std::string domain;
    int port = 0;
    proxied.GetProxyFor("https://a.test/", domain, port, log);
    EXPECT_EQ(domain, "proxy.test");
    EXPECT_EQ(port, 3128);

    std::string body;
    HttpRequest request;
    HttpResult result;
    Logger errors;
    EXPECT_FALSE(pool.Request(settings, nullptr, 80, false, request, result, body, errors, nullptr));
    torvane::StringBuffer text;
    errors.RenderText(text);
    EXPECT_NE(std::string(text.GetText()).find("No domain"), std::string::npos);
}

TEST(HttpCache, FilesWrittenByAnIndependentScriptAreRead)
{
    // fuzz/seeds.py writes these with Python's bz2 and struct, from the layout alone.
    std::string folder = std::string(VORNALT_SOURCE_DIR) + "/fuzz/corpus/http_cache_file/";
    std::string caf = ReadFile(folder + "caf_one_entry.bin");
    ASSERT_FALSE(caf.empty());
    size_t nl = caf.find('\n');
    EXPECT_TRUE(HttpCacheParseFileBytes(caf.substr(nl + 1), caf.substr(0, nl), kCacheMaxBody));
    EXPECT_FALSE(HttpCacheParseFileBytes(caf.substr(nl + 1), "http://site.test/other", kCacheMaxBody));

    TempDir dir;
    HttpCache cache;
    cache.AddRoot((dir.path + "/").c_str());
    std::string path;
    cache.GetCacheFilePath(caf.substr(0, nl), path);
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << caf.substr(nl + 1);
    std::unique_ptr<CacheEntry> e(cache.FetchEntry(caf.substr(0, nl), nullptr));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->GetHeader(), "HTTP/1.1 200 OK\r\nETag: \"x\"");
    std::string body;
    for (int i = 0; i < 4; ++i)
        body += "cached body ";
    EXPECT_EQ(e->GetBody(), body);

    std::string dat = ReadFile(folder + "dat_tagged.bin");
    std::string tag, data;
    double expiry = 0;
    ASSERT_TRUE(ClsCache2::ParseFile(dat.substr(dat.find('\n') + 1), tag, expiry, data));
    EXPECT_EQ(tag, "\"\xC3\xA9t\xC3\xA9\"");
    EXPECT_DOUBLE_EQ(expiry, 47000.5);
    EXPECT_EQ(data.substr(4), "resource");
}

TEST(HttpControl, ProxyFromTheSystemOrTheSettings)
{
    TempDir dir;
    SetRegistryFolderForTesting(dir.path);
    auto setSystem = [](const char* server, const char* enable) {
        TV_Registry registry;
        HKEY key = registry.CreateKeyPath(HKEY_CURRENT_USER,
            "/Software/Microsoft/Windows/CurrentVersion/Internet Settings", nullptr);
        registry.SetStringValue(key, "ProxyServer", server);
        registry.SetStringValue(key, "ProxyEnable", enable);
        registry.CloseKey(key);
    };
    HttpControl settings;
    settings.useSystemProxy = true;
    settings.proxyDomain = "configured.test";
    settings.proxyPort = 3128;
    Logger log;
    std::string domain;
    int port = 0;
    struct Case {
        const char* server;
        const char* enable;
        const char* url;
        const char* domain;
        int port;
    } cases[] = {
        { "proxy.test:8080", "1", "http://x/", "proxy.test", 8080 },
        { "proxy.test", "1", "http://x/", "proxy.test", 80 },
        { "proxy.test:abc", "1", "http://x/", "proxy.test", 80 },
        { "http=plain.test:81;https=tls.test:8443", "1", "HTTPS://x/", "tls.test", 8443 },
        { "proxy.test:8080", "0", "http://x/", "configured.test", 3128 },
    };
    for (const Case& c : cases) {
        setSystem(c.server, c.enable);
        settings.GetProxyFor(c.url, domain, port, log);
        EXPECT_EQ(domain, c.domain) << c.server;
        EXPECT_EQ(port, c.port) << c.server;
    }
    settings.useSystemProxy = false;
    settings.proxyDomain.clear();
    settings.GetProxyFor("http://x/", domain, port, log);
    EXPECT_EQ(domain, "");
    SetRegistryFolderForTesting({});
}
