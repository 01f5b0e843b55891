#include "components/foundation/DataBuffer.h"
#include "components/foundation/ProgressMonitor.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/ProgressEvent.h"
#include "components/net/http/HttpChunked.h"
#include "components/net/http/TvHttp.h"
#include "components/net/http/tests/HttpTestSupport.h"
#include "platform/net/HostLookup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

int PeerPort()
{
    static int port = httptest::StartPythonPeer("http_peer.py");
    return port;
}

struct Reply {
    std::unique_ptr<TvHttpResponse> response;
    std::string log;
};

Reply Get(TvHttp& http, const char* path)
{
    TvHttpRequest request;
    request.SetPath(path);
    Reply r;
    r.response.reset(http.SynchronousRequest("127.0.0.1", PeerPort(), false, request));
    TvString text;
    http.GetErrorLogText(text);
    r.log = text.GetUtf8();
    return r;
}

std::string Hex(const std::string& bytes)
{
    std::string out;
    char b[3];
    for (unsigned char c : bytes) {
        std::snprintf(b, sizeof b, "%02x", c);
        out += b;
    }
    return out;
}

std::string Body(const Reply& r) { return r.response ? r.response->GetBody() : std::string(); }

} // namespace

TEST(HttpClient, MultipartUploadParsedByPythonIsIdentical)
{
    ASSERT_GT(PeerPort(), 0);
    char dir[] = "/tmp/httpupXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string jpeg("\xFF\xD8\xFF\xE0\0\x10JFIF\0\r\n--\r\n\r\n\xFF\xD9", 22);
    for (int i = 0; i < 3000; ++i)
        jpeg += char(i * 7);
    std::string path = std::string(dir) + "/sun \"set\".jpg";
    std::ofstream(path, std::ios::binary) << jpeg;

    TvHttp http;
    TvHttpRequest request;
    request.SetPath("/upload");
    request.SelectMultipartPost();
    request.AddFormField("title", "Sonnenuntergang \xC3\xBC\xE2\x82\xAC");
    request.AddFormField("tags", "a b");
    ASSERT_TRUE(request.AddUploadFile("photo", path.c_str()));
    std::unique_ptr<TvHttpResponse> response(http.SynchronousRequest("127.0.0.1", PeerPort(), false, request));
    ASSERT_TRUE(response);
    EXPECT_EQ(response->GetStatusCode(), 200);
    TvString text;
    response->GetStatusText(text);
    EXPECT_STREQ(text.GetUtf8(), "OK");
    std::string body = response->GetBody();
    EXPECT_NE(body.find("\"title\": \"Sonnenuntergang \xC3\xBC\xE2\x82\xAC\""), std::string::npos) << body;
    EXPECT_NE(body.find("\"tags\": \"a b\""), std::string::npos) << body;
    EXPECT_NE(body.find("\"filename\": \"sun \\\"set\\\".jpg\""), std::string::npos) << body;
    EXPECT_NE(body.find("\"hex\": \"" + Hex(jpeg) + "\""), std::string::npos);
    EXPECT_NE(body.find("\"type\": \"image/jpeg\""), std::string::npos);
    std::remove(path.c_str());
    rmdir(dir);
}

TEST(HttpClient, KeepAliveReuseAndConnectionClose)
{
    ASSERT_GT(PeerPort(), 0);
    TvHttp http;
    Reply a = Get(http, "/echo?a=1");
    Reply b = Get(http, "/echo?b=2");
    ASSERT_TRUE(a.response && b.response) << b.log;
    EXPECT_EQ(http.Impl().ConnectCount(), 1);
    std::string peerA = Body(a).substr(Body(a).find("\"peer\""), 14);
    EXPECT_EQ(peerA, Body(b).substr(Body(b).find("\"peer\""), 14));
    EXPECT_NE(Body(a).find("\"Host\": \"127.0.0.1\""), std::string::npos) << Body(a);

    Reply c = Get(http, "/close");
    ASSERT_TRUE(c.response);
    EXPECT_EQ(Body(c), "bye");
    Reply d = Get(http, "/echo");
    ASSERT_TRUE(d.response);
    EXPECT_EQ(http.Impl().ConnectCount(), 2);
}

TEST(HttpClient, BodiesByLengthChunkedAndClose)
{
    ASSERT_GT(PeerPort(), 0);
    TvHttp http;
    Reply chunked = Get(http, "/chunked");
    ASSERT_TRUE(chunked.response) << chunked.log;
    EXPECT_EQ(Body(chunked), "hello world");
    // The trailer was consumed: the connection serves the next request.
    Reply next = Get(http, "/echo");
    ASSERT_TRUE(next.response) << next.log;
    EXPECT_EQ(next.response->GetStatusCode(), 200);
    EXPECT_EQ(http.Impl().ConnectCount(), 1);

    Reply toClose = Get(http, "/toclose");
    ASSERT_TRUE(toClose.response);
    EXPECT_EQ(Body(toClose), "until the end");

    Reply notFound = Get(http, "/404len");
    ASSERT_TRUE(notFound.response);
    EXPECT_EQ(notFound.response->GetStatusCode(), 404);
    EXPECT_EQ(Body(notFound), "not here!");
    EXPECT_NE(notFound.log.find("not here!"), std::string::npos);
    EXPECT_FALSE(Get(http, "/404nolen").response);

    Reply cont = Get(http, "/continue");
    ASSERT_TRUE(cont.response) << cont.log;
    EXPECT_EQ(cont.response->GetStatusCode(), 200);
    EXPECT_EQ(Body(cont), "ok");
}

TEST(HttpClient, RepliesWithoutBodySucceedAndKeepTheConnection)
{
    ASSERT_GT(PeerPort(), 0);
    TvHttp http;
    struct Case {
        const char* path;
        int status;
        const char* body;
    } cases[] = { { "/nocontent", 204, "" }, { "/notmodified", 304, "" }, { "/hints", 200, "final" } };
    for (const auto& c : cases) {
        Reply r = Get(http, c.path);
        ASSERT_TRUE(r.response) << c.path << "\n" << r.log;
        EXPECT_EQ(r.response->GetStatusCode(), c.status) << c.path;
        EXPECT_EQ(Body(r), c.body) << c.path;
        // Nothing was awaited after the header: the same connection serves the next request.
        Reply next = Get(http, "/echo");
        ASSERT_TRUE(next.response) << c.path << "\n" << next.log;
        EXPECT_EQ(http.Impl().ConnectCount(), 1) << c.path;
    }
}

TEST(HttpClient, BodyGoesToTheFileTheRequestNames)
{
    ASSERT_GT(PeerPort(), 0);
    char dir[] = "/tmp/httpbodyXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string path = std::string(dir) + "/body.bin";
    TvHttp http;
    struct Case {
        const char* url;
        std::string expected;
    } cases[] = { { "/big", std::string(5000, 'x') }, { "/chunked", "hello world" }, { "/toclose", "until the end" } };
    for (const auto& c : cases) {
        TvHttpRequest request;
        request.SetPath(c.url);
        request.Impl().Request().SetBodyPath(path.c_str());
        std::unique_ptr<TvHttpResponse> r(http.SynchronousRequest("127.0.0.1", PeerPort(), false, request));
        ASSERT_TRUE(r) << c.url;
        EXPECT_EQ(r->GetBody(), "") << c.url;
        EXPECT_EQ(httptest::ReadFile(path), c.expected) << c.url;
    }

    // A length over the default limit is refused before anything is read; a caller who raises
    // the limit gets the bytes that come, and a failure when the rest never does.
    TvHttpRequest request;
    request.SetPath("/oversize");
    request.Impl().Request().SetBodyPath(path.c_str());
    std::unique_ptr<TvHttpResponse> refused(http.SynchronousRequest("127.0.0.1", PeerPort(), false, request));
    EXPECT_FALSE(refused);
    TvString log;
    http.GetErrorLogText(log);
    EXPECT_NE(std::string(log.GetUtf8()).find("Content length more than the maximum allowed."), std::string::npos);
    http.Impl().Settings().maxContentLength = 6000000000ull;
    std::unique_ptr<TvHttpResponse> cut(http.SynchronousRequest("127.0.0.1", PeerPort(), false, request));
    EXPECT_FALSE(cut);
    http.GetErrorLogText(log);
    EXPECT_NE(std::string(log.GetUtf8()).find("Failed to get response data"), std::string::npos) << log.GetUtf8();
    EXPECT_EQ(httptest::ReadFile(path), "short");
    std::filesystem::remove_all(dir);
}

TEST(HttpClient, UploadFileThatShrankBeforeSendingFails)
{
    ASSERT_GT(PeerPort(), 0);
    char dir[] = "/tmp/httpshrinkXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string path = std::string(dir) + "/photo.jpg";
    std::ofstream(path, std::ios::binary) << std::string(100000, 'p');
    TvHttp http;
    TvHttpRequest request;
    request.SetPath("/upload");
    request.SelectMultipartPost();
    ASSERT_TRUE(request.AddUploadFile("photo", path.c_str()));
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "tiny";
    std::unique_ptr<TvHttpResponse> r(http.SynchronousRequest("127.0.0.1", PeerPort(), false, request));
    EXPECT_FALSE(r);
    TvString log;
    http.GetErrorLogText(log);
    EXPECT_NE(std::string(log.GetUtf8()).find("The upload file changed while it was sent"), std::string::npos)
        << log.GetUtf8();
    std::filesystem::remove_all(dir);
}

TEST(HttpClient, BodyTextCharsets)
{
    ASSERT_GT(PeerPort(), 0);
    TvHttp http;
    TvString text;
    Reply latin = Get(http, "/latin1");
    ASSERT_TRUE(latin.response);
    latin.response->GetBodyText(text);
    EXPECT_STREQ(text.GetUtf8(), "caf\xC3\xA9");
    Reply utf8 = Get(http, "/utf8");
    ASSERT_TRUE(utf8.response);
    utf8.response->GetBodyText(text);
    EXPECT_STREQ(text.GetUtf8(), "caf\xC3\xA9");
    Reply cyrillic = Get(http, "/cp1251");
    ASSERT_TRUE(cyrillic.response);
    cyrillic.response->GetBodyText(text);
    EXPECT_STREQ(text.GetUtf8(), "привет");
}

TEST(HttpClient, HostileServersFailWithinBounds)
{
    ASSERT_GT(PeerPort(), 0);
    TvHttp http;
    http.Impl().Settings().readTimeoutSeconds = 5;
    http.Impl().Settings().maxContentLength = 1 << 20;
    struct Case {
        const char* path;
        const char* error;
    } cases[] = {
        { "/lying", "Failed to get response data" },
        { "/endless-chunked", "Chunked response is too large." },
        { "/huge-chunk", "Chunk size out of range" },
        { "/huge-chunk2", "Chunked response is too large." },
        { "/nostatus", "Received unexpected HTTP response" },
        { "/endless-header", "Response header too large" },
    };
    for (const Case& c : cases) {
        Reply r = Get(http, c.path);
        EXPECT_FALSE(r.response) << c.path;
        EXPECT_NE(r.log.find(c.error), std::string::npos) << c.path << "\n" << r.log;
        // Whatever was left unread is gone with the connection: the next answer is clean.
        Reply after = Get(http, "/echo?after");
        ASSERT_TRUE(after.response) << c.path << "\n" << after.log;
        EXPECT_NE(Body(after).find("/echo?after"), std::string::npos) << c.path;
    }

    http.Impl().Settings().maxContentLength = 10;
    Reply big = Get(http, "/big");
    EXPECT_FALSE(big.response);
    EXPECT_NE(big.log.find("Content length more than the maximum allowed."), std::string::npos);
    http.Impl().Settings().maxContentLength = 0;
    Reply again = Get(http, "/big");
    ASSERT_TRUE(again.response) << again.log;
    EXPECT_EQ(Body(again), std::string(5000, 'x'));
}

TEST(HttpClient, GzipBodies)
{
    ASSERT_GT(PeerPort(), 0);
    TvHttp http;
    http.Impl().Settings().maxContentLength = 1 << 20;
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += "unpacked text ";
    Reply good = Get(http, "/gzip");
    ASSERT_TRUE(good.response) << good.log;
    EXPECT_EQ(Body(good), text);
    // Without the field, and when the member is corrupt or too big, the packed bytes stay.
    for (const char* path : { "/gzip-plain", "/gzip-badcrc", "/gzip-isize", "/gzip-bomb" }) {
        Reply r = Get(http, path);
        ASSERT_TRUE(r.response) << path << r.log;
        ASSERT_GT(Body(r).size(), 10u) << path;
        EXPECT_EQ((unsigned char)Body(r)[0], 0x1F) << path;
        EXPECT_LT(Body(r).size(), 100000u) << path;
    }
    EXPECT_EQ(http.Impl().ConnectCount(), 1);
}

TEST(HttpClient, HostCleaningAndPathChecks)
{
    EXPECT_EQ(HttpCleanHost("HTTP://Example.Org/"), "example.org");
    EXPECT_EQ(HttpCleanHost("a.b/c/d"), "a.bcd");
    ASSERT_GT(PeerPort(), 0);
    TvHttp http;
    Reply r = Get(http, "HTTP://127.0.0.1/x");
    EXPECT_FALSE(r.response);
    EXPECT_NE(r.log.find("Path should not contain http://domain"), std::string::npos);
    Reply split = Get(http, "/echo\r\nX-Evil: 1");
    EXPECT_FALSE(split.response);
    Reply ok = Get(http, "/echo");
    EXPECT_TRUE(ok.response) << ok.log;
}

TEST(HttpChunkedDecoder, SplitFeedsAndLimits)
{
    const std::string wire = "5;ext=1\r\nhello\r\n6\r\n world\r\n0\r\nX: y\r\n\r\nNEXT";
    for (size_t step = 1; step <= wire.size(); ++step) {
        HttpChunkedDecoder d(1000);
        size_t pos = 0;
        HttpChunkedDecoder::Status s = HttpChunkedDecoder::NeedMore;
        while (s == HttpChunkedDecoder::NeedMore && pos < wire.size()) {
            size_t used = 0;
            s = d.Feed(wire.data() + pos, std::min(step, wire.size() - pos), &used);
            pos += used;
        }
        ASSERT_EQ(s, HttpChunkedDecoder::Done) << step;
        EXPECT_EQ(d.Body(), "hello world");
        EXPECT_EQ(wire.substr(pos), "NEXT");
    }
    const char* bad[] = { "zz\r\n", "5\r\nhelloXX\r\n", "10000000000000000\r\n", "b\r\n" };
    for (const char* b : bad) {
        HttpChunkedDecoder d(10);
        size_t used;
        EXPECT_EQ(d.Feed(b, std::char_traits<char>::length(b), &used), HttpChunkedDecoder::Failed) << b;
    }
}

namespace {

using httptest::Fetched;
using httptest::TempFolder;

Fetched FetchPath(HttpControl& settings, const std::string& path, HttpClient* client = nullptr)
{
    std::string url = path.rfind("http", 0) == 0 || path.rfind("about", 0) == 0
        ? path
        : "http://127.0.0.1:" + std::to_string(PeerPort()) + path;
    return httptest::FetchLogged(settings, url, client);
}

} // namespace

// Each browser profile writes its fields in its own order, and the server receives them.
TEST(HttpFetch, HeaderProfiles)
{
    ASSERT_GT(PeerPort(), 0);
    struct Case {
        bool msie, firefox;
        std::vector<std::string> names;
        const char* seen;
    };
    const Case cases[] = {
        { true, false, { "Accept", "Referer", "Accept-Language", "Accept-Encoding", "User-Agent", "Connection", "Host" },
            "\"User-Agent\": \"Mozilla/4.0 (compatible; MSIE 6.0;" },
        { false, true,
            { "Host", "User-Agent", "Accept", "Accept-Charset", "Accept-Encoding", "Accept-Language", "Keep-Alive",
                "Connection", "Referer" },
            "\"Keep-Alive\": \"300\"" },
        { false, false, { "Accept-Encoding", "Referer", "User-Agent", "Host" }, "\"User-Agent\": \"custom/1\"" },
    };
    for (const Case& c : cases) {
        HttpControl settings;
        settings.msieProfile = c.msie;
        settings.firefoxProfile = c.firefox;
        settings.referer = "http://from.test/";
        settings.userAgent = "custom/1";
        settings.accept.clear();
        settings.acceptCharset.clear();
        settings.acceptLanguage.clear();
        settings.connection.clear();
        settings.sendHost = true;
        Fetched f = FetchPath(settings, "/echo?profile");
        ASSERT_TRUE(f.ok) << f.log;
        std::vector<std::string> names;
        std::istringstream lines(f.result.requestHeader);
        std::string line;
        std::getline(lines, line);
        while (std::getline(lines, line))
            if (line.find(':') != std::string::npos)
                names.push_back(line.substr(0, line.find(':')));
        EXPECT_EQ(names, c.names) << f.result.requestHeader;
        EXPECT_NE(f.body.find(c.seen), std::string::npos) << f.body;
    }
}

// An error status is read when its length is known; one that would only end with the connection
// fails, while a 304 never has a body to wait for.
TEST(HttpFetch, ErrorStatusWithoutALengthFails)
{
    ASSERT_GT(PeerPort(), 0);
    HttpControl settings;
    Fetched withLength = FetchPath(settings, "/404len");
    ASSERT_TRUE(withLength.ok) << withLength.log;
    EXPECT_EQ(withLength.result.responseHeader.GetStatusCode(), 404);
    EXPECT_EQ(withLength.body, "not here!");
    Fetched without = FetchPath(settings, "/404nolen");
    EXPECT_FALSE(without.ok);
    EXPECT_NE(without.log.find("No response body to fetch..."), std::string::npos) << without.log;
    EXPECT_NE(without.log.find("Failed to fetch response data."), std::string::npos) << without.log;
}

TEST(HttpFetch, RedirectLocationsResolve)
{
    struct Case {
        const char* current;
        const char* location;
        const char* expected;
    } cases[] = {
        { "http://site.test", "/next", "http://site.test/next" },
        { "http://site.test:8080/a/b?q=1", "/next", "http://site.test:8080/next" },
        { "http://site.test/a/b", "HTTPS://x/y", "HTTPS://x/y" },
        { "http://site.test/a/b", "page.html", "http://site.test/a/page.html" },
        { "no-scheme", "/next", "" },
    };
    for (const Case& c : cases) {
        std::string out;
        HttpClient::ResolveRedirectUrl(c.current, c.location, out);
        EXPECT_EQ(out, c.expected) << c.current << " + " << c.location;
    }
}

TEST(HttpFetch, ShortcutsAndFailuresWithinBounds)
{
    ASSERT_GT(PeerPort(), 0);
    HttpControl settings;
    settings.readTimeoutSeconds = 5;
    settings.maxContentLength = 1 << 20;
    Fetched blank = FetchPath(settings, "about:blank");
    EXPECT_TRUE(blank.ok);
    EXPECT_EQ(blank.body, "");
    Fetched longUrl = FetchPath(settings, "/echo?" + std::string(2001, 'a'));
    EXPECT_FALSE(longUrl.ok);
    EXPECT_NE(longUrl.log.find("URL is longer than the maximum allowed length."), std::string::npos);

    // An HTML page without a status line is a 200 with that page as its body.
    Fetched page = FetchPath(settings, "/nostatus");
    ASSERT_TRUE(page.ok) << page.log;
    EXPECT_EQ(page.result.responseHeader.GetStatusCode(), 200);
    EXPECT_NE(page.body.find("no status line"), std::string::npos);

    struct Case {
        const char* path;
        const char* error;
    } cases[] = {
        { "/lying", "Failed to fetch response data." },
        { "/endless-chunked", "Chunked response is too large." },
        { "/huge-chunk", "Chunk size out of range" },
        { "/endless-header", "Response header too large" },
        { "/garbage", "Invalid response header received" },
    };
    HttpClient client;
    for (const Case& c : cases) {
        Fetched f = FetchPath(settings, c.path, &client);
        EXPECT_FALSE(f.ok) << c.path;
        EXPECT_NE(f.log.find(c.error), std::string::npos) << c.path << "\n" << f.log;
        // The kept connection is not reused after a body left unread.
        Fetched after = FetchPath(settings, "/echo?after", &client);
        ASSERT_TRUE(after.ok) << c.path << "\n" << after.log;
        EXPECT_NE(after.body.find("/echo?after"), std::string::npos) << c.path;
    }
    // Garbage is asked for again a bounded number of times.
    Fetched garbage = FetchPath(settings, "/garbage");
    size_t tries = 0;
    for (size_t p = 0; (p = garbage.log.find("Invalid response header received", p)) != std::string::npos; ++p)
        ++tries;
    EXPECT_EQ(tries, 6u);

    // A gzip member that lies about its size or its CRC stays packed.
    for (const char* path : { "/gzip-isize", "/gzip-badcrc" }) {
        Fetched f = FetchPath(settings, path);
        ASSERT_TRUE(f.ok) << path << f.log;
        EXPECT_EQ((unsigned char)f.body[0], 0x1F) << path;
    }
    Fetched gz = FetchPath(settings, "/gzip");
    ASSERT_TRUE(gz.ok);
    EXPECT_EQ(gz.body.substr(0, 14), "unpacked text ");

    settings.maxContentLength = 10;
    Fetched big = FetchPath(settings, "/big");
    EXPECT_FALSE(big.ok);
}

TEST(HttpFetch, CacheHitsSkipTheServerAndNoCacheIsHonoured)
{
    ASSERT_GT(PeerPort(), 0);
    TempFolder dir;
    for (bool caf : { false, true }) {
        HttpControl settings;
        settings.useHttpCache = caf;
        if (caf)
            settings.httpCache.AddRoot(dir.path.c_str());
        else
            settings.clsCache.AddRoot(dir.path.c_str());
        std::string path = caf ? "/count?caf" : "/count?dat";
        Fetched first = FetchPath(settings, path);
        ASSERT_TRUE(first.ok) << first.log;
        EXPECT_FALSE(first.result.fromCache);
        Fetched second = FetchPath(settings, path);
        ASSERT_TRUE(second.ok) << second.log;
        EXPECT_EQ(second.body, first.body) << caf;
        EXPECT_EQ(second.result.cacheStatus, 1) << caf;
        if (!caf) {
            EXPECT_TRUE(second.result.fromCache);
        }
        // Switched off, the cache is not asked.
        settings.cacheControl.fetchFromCache = false;
        Fetched third = FetchPath(settings, path);
        ASSERT_TRUE(third.ok);
        EXPECT_NE(third.body, first.body);
    }
    // A redirect kept in the disk cache is followed from it.
    HttpControl caf;
    caf.useHttpCache = true;
    caf.httpCache.AddRoot(dir.path.c_str());
    Fetched hop = FetchPath(caf, "/to-same");
    ASSERT_TRUE(hop.ok) << hop.log;
    Fetched cachedHop = FetchPath(caf, "/to-same");
    ASSERT_TRUE(cachedHop.ok) << cachedHop.log;
    EXPECT_TRUE(cachedHop.result.fromCache);
    EXPECT_TRUE(cachedHop.result.redirected);
    EXPECT_EQ(cachedHop.result.finalUrl, "http://127.0.0.1:" + std::to_string(PeerPort()) + "/echo?same");
    EXPECT_EQ(cachedHop.body, hop.body);

    HttpControl settings;
    settings.clsCache.AddRoot(dir.path.c_str());
    Fetched nocache = FetchPath(settings, "/nocache");
    ASSERT_TRUE(nocache.ok);
    EXPECT_NE(nocache.log.find("Not updating cache because of cache-control directive"), std::string::npos);
    EXPECT_FALSE(settings.clsCache.IsCached("http://127.0.0.1:" + std::to_string(PeerPort()) + "/nocache"));
}

TEST(HttpFetch, DamagedDiskCacheEntryIsReplacedByTheNextFetch)
{
    ASSERT_GT(PeerPort(), 0);
    TempFolder dir;
    HttpControl settings;
    settings.useHttpCache = true;
    settings.httpCache.AddRoot(dir.path.c_str());
    ASSERT_TRUE(FetchPath(settings, "/count?damaged").ok);
    // The entry's header length now runs past the end: the URL is still found, the entry no longer reads.
    std::string file;
    settings.httpCache.GetCacheFilePath("http://127.0.0.1:" + std::to_string(PeerPort()) + "/count?damaged", file);
    {
        std::fstream f(file, std::ios::binary | std::ios::in | std::ios::out);
        f.seekp(88 + 24);
        f.write("\xF0\xFF\xFF\xFF", 4);
    }
    Fetched refetched = FetchPath(settings, "/count?damaged");
    ASSERT_TRUE(refetched.ok) << refetched.log;
    EXPECT_EQ(refetched.result.cacheStatus, 0);
    Fetched cached = FetchPath(settings, "/count?damaged");
    ASSERT_TRUE(cached.ok) << cached.log;
    EXPECT_EQ(cached.result.cacheStatus, 1);
    EXPECT_EQ(cached.body, refetched.body);
}

TEST(HttpFetch, AuthorizationStaysWithTheHostItWasGivenFor)
{
    ASSERT_GT(PeerPort(), 0);
    HttpControl settings;
    settings.login = "user";
    settings.password = "secret";
    Fetched same = FetchPath(settings, "/to-same");
    ASSERT_TRUE(same.ok) << same.log;
    EXPECT_NE(same.body.find("Basic " + HttpBasicCredentials("user", "secret")), std::string::npos) << same.body;
    Fetched other = FetchPath(settings, "/to-other");
    ASSERT_TRUE(other.ok) << other.log;
    EXPECT_NE(other.body.find("/echo?other"), std::string::npos);
    EXPECT_EQ(other.body.find("Authorization"), std::string::npos) << other.body;
    // The request road sends them to the host it is given, and the log never shows them.
    TvHttp http;
    http.Impl().Settings().login = "user";
    http.Impl().Settings().password = "secret";
    Reply r = Get(http, "/echo");
    ASSERT_TRUE(r.response);
    EXPECT_NE(Body(r).find("Basic "), std::string::npos);
    EXPECT_EQ(r.log.find(HttpBasicCredentials("user", "secret")), std::string::npos);
}

TEST(HttpFetch, TokenExchangeLegsRideOneConnection)
{
    ASSERT_GT(PeerPort(), 0);
    HttpClient client;
    DataBuffer in, out;
    in.Append("first", 5);
    Logger log;
    // Without a context there is nothing to exchange with.
    EXPECT_FALSE(client.exchangePackage(out, in, log));
    EXPECT_FALSE(client.sendFinal(in, log));

    std::string url = "http://127.0.0.1:" + std::to_string(PeerPort()) + "/ntlm";
    HttpControl settings;
    settings.useNtlm = true;
    settings.login = "user";
    settings.password = "secret";
    std::string output;
    HttpResult result;
    client.SetExchangeContext(&url, &settings, &output, &result);
    ASSERT_TRUE(client.exchangePackage(out, in, log));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.GetData()), out.GetSize()), "challenge for first");
    EXPECT_NE(result.requestHeader.find("Authorization: NTLM Zmlyc3Q=\r\n"), std::string::npos) << result.requestHeader;
    EXPECT_EQ(result.requestHeader.find("Basic"), std::string::npos);
    EXPECT_TRUE(settings.ntlmToken.empty());
    DataBuffer last;
    last.Append("final", 5);
    ASSERT_TRUE(client.sendFinal(last, log));
    EXPECT_EQ(result.responseHeader.GetStatusCode(), 200);
    EXPECT_EQ(output, "welcome");
    EXPECT_EQ(client.ConnectCount(), 1);
}

TEST(HttpFetch, HostsWhoseLookupFailsAreMarkedInTheCache)
{
    ASSERT_GT(PeerPort(), 0);
    TempFolder dir;
    std::atomic<int> lookups { 0 };
    std::atomic<bool> known { false };
    SetHostLookupFunction([&](const std::string& name, HostLookupResult& result) {
        if (name.find("gone.test") == std::string::npos)
            return SystemHostLookup(name, result);
        ++lookups;
        if (!known)
            return false;
        NetAddress a;
        NetAddress::ParseLiteral("127.0.0.1", a);
        result.addresses.push_back(a);
        return true;
    });
    HttpControl settings;
    settings.useHttpCache = true;
    settings.httpCache.AddRoot(dir.path.c_str());
    std::string url = "http://gone.test:" + std::to_string(PeerPort()) + "/echo";
    Fetched first = FetchPath(settings, url);
    EXPECT_FALSE(first.ok);
    EXPECT_NE(first.log.find("Domain name lookup failed."), std::string::npos) << first.log;
    bool marked = false;
    EXPECT_TRUE(settings.httpCache.IsHostMarked("GONE.test", &marked));
    EXPECT_TRUE(marked);

    // A marked host is refused without asking the name service again.
    int before = lookups;
    Fetched second = FetchPath(settings, url);
    EXPECT_FALSE(second.ok);
    EXPECT_NE(second.log.find("Domain name is marked as invalid in the cache."), std::string::npos);
    EXPECT_EQ(lookups, before);

    // Asked anyway once it resolves, the mark is cleared.
    known = true;
    settings.cacheControl.honourNegativeDns = false;
    Fetched third = FetchPath(settings, url);
    EXPECT_TRUE(third.ok) << third.log;
    EXPECT_TRUE(settings.httpCache.IsHostMarked("gone.test", &marked));
    EXPECT_FALSE(marked);
    SetHostLookupFunction({});
}

// The application sees each phase of a request in order, and the percentages of an upload climb
// to 100 over what is sent.
TEST(HttpClient, PhaseEventsAndUploadPercentages)
{
    ASSERT_GT(PeerPort(), 0);
    char dir[] = "/tmp/httpphaseXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string path = std::string(dir) + "/ten.bin";
    std::ofstream(path, std::ios::binary) << std::string(10 * 1024 * 1024, 'x');
    struct Seen : ProgressEvent {
        std::vector<std::string> phases;
        std::vector<int> percents;
        void OnPercentDone(int percent, bool* abort) override
        {
            if (phases.size() == 1)
                percents.push_back(percent);
            *abort = false;
        }
        void OnBeginSendRequest() override { phases.push_back("begin-send"); }
        void OnEndSendRequest(bool ok) override { phases.push_back(ok ? "end-send" : "end-send-failed"); }
        void OnBeginReceiveResponse() override { phases.push_back("begin-receive"); }
        void OnEndReceiveResponse(bool ok) override { phases.push_back(ok ? "end-receive" : "end-receive-failed"); }
    } seen;
    ProgressMonitor monitor(&seen, 0);
    HttpControl settings;
    HttpClient client;
    Logger log;
    ASSERT_TRUE(client.OpenConnection(settings, "127.0.0.1", PeerPort(), false, log, &monitor));
    HttpRequest request;
    request.SetPath("/sink");
    request.SelectMultipartPost();
    ASSERT_TRUE(request.AddUploadFile("photo", path.c_str(), &log));
    HttpResult result;
    std::string body;
    ASSERT_TRUE(client.PerformRequest(settings, request, result, body, log, &monitor));
    EXPECT_EQ(seen.phases, (std::vector<std::string> { "begin-send", "end-send", "begin-receive", "end-receive" }));
    // The total was what went out: the file and the multipart framing around it.
    EXPECT_GT(std::stoll(body), 10ll * 1024 * 1024);
    ASSERT_FALSE(seen.percents.empty());
    EXPECT_TRUE(std::is_sorted(seen.percents.begin(), seen.percents.end()));
    EXPECT_EQ(seen.percents.back(), 100);
    EXPECT_GE(seen.percents.size(), 10u);
    EXPECT_LE(seen.percents.front(), 10);
    // A response with a length sets the monitor's total to it.
    EXPECT_EQ(monitor.GetTotal(), std::int64_t(body.size()));
    std::filesystem::remove_all(dir);
}

TEST(HttpFetch, ApplicationCanStopARedirect)
{
    ASSERT_GT(PeerPort(), 0);
    struct Stop : ProgressEvent {
        std::string seen;
        void OnRedirect(const char* current, const char* next, bool* abort) override
        {
            seen = std::string(current) + " -> " + next;
            *abort = true;
        }
    } stop;
    ProgressMonitor monitor(&stop, 0);
    HttpControl settings;
    HttpClient client;
    Logger log;
    std::string body;
    HttpResult result;
    std::string base = "http://127.0.0.1:" + std::to_string(PeerPort());
    EXPECT_FALSE(client.FetchUrl(base + "/to-same", 0, false, settings, body, result, log, &monitor));
    EXPECT_EQ(stop.seen, base + "/to-same -> " + base + "/echo?same");
    torvane::StringBuffer text;
    log.RenderText(text);
    EXPECT_NE(std::string(text.GetText()).find("Aborted by application."), std::string::npos);
}
