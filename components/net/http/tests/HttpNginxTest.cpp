#include "components/net/http/TvHttp.h"
#include "components/net/http/tests/HttpTestSupport.h"

#include "components/foundation/StringBuffer.h"
#include "platform/base/Registry.h"
#include "platform/crypto/CertStore.h"
#include "platform/crypto/tests/TestPki.h"

#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct Nginx {
    pid_t pid = 0;
    int port = 0;       // keep-alive on
    int closePort = 0;  // keepalive_timeout 0
    int tlsPort = 0;    // HTTPS with a certificate of the test CA
    std::string dir;
    bool installed = false;
};

pid_t g_nginxPid = 0;
std::string g_nginxDir;

// The server goes, and its folder (configuration, keys, logs) with it.
void StopNginx()
{
    if (g_nginxPid > 0) {
        kill(g_nginxPid, SIGTERM);
        waitpid(g_nginxPid, nullptr, 0);
    }
    std::error_code ec;
    std::filesystem::remove_all(g_nginxDir, ec);
}

int FreePort()
{
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    close(s);
    return ntohs(a.sin_port);
}

bool Accepts(int port)
{
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
}

using httptest::ReadFile;

const Nginx& Server()
{
    static Nginx n = [] {
        Nginx n;
        if (access("/usr/sbin/nginx", X_OK) != 0)
            return n;
        n.installed = true;
        char dir[] = "/tmp/httpnginxXXXXXX";
        if (!mkdtemp(dir))
            return n;
        n.dir = g_nginxDir = dir;
        std::atexit(StopNginx);
        mkdir((n.dir + "/www").c_str(), 0755);
        mkdir((n.dir + "/www/gz").c_str(), 0755);
        mkdir((n.dir + "/body").c_str(), 0755);
        std::ofstream(n.dir + "/www/index.txt") << "hello from nginx\n";
        std::string big;
        for (int i = 0; i < 4000; ++i)
            big += "line of text that packs well " + std::to_string(i % 10) + "\n";
        std::ofstream(n.dir + "/www/gz/big.txt") << big;
        const vornalt::testpki::Pki& pki = vornalt::testpki::Pki::Get();
        const bool tls = std::filesystem::exists(pki.Path("leaf.key"));
        // A port picked free can be taken by another test process before nginx binds it: then
        // nginx says so in its log, and it starts again on other ports.
        for (int attempt = 0; attempt < 5; ++attempt) {
            n.port = FreePort();
            n.closePort = FreePort();
            n.tlsPort = tls ? FreePort() : 0;
            std::remove((n.dir + "/error.log").c_str());
            std::ofstream conf(n.dir + "/nginx.conf");
            conf << "daemon off; master_process off; worker_processes 1;\n"
                 << "pid " << n.dir << "/nginx.pid; error_log " << n.dir << "/error.log;\n"
                 << "events { worker_connections 64; }\n"
                 << "http {\n"
                 << "  log_format conn '$connection $request';\n"
                 << "  access_log " << n.dir << "/access.log conn;\n"
                 << "  client_body_temp_path " << n.dir << "/body;\n"
                 << "  types { text/plain txt; }\n"
                 << "  server { listen 127.0.0.1:" << n.port << "; root " << n.dir << "/www;\n"
                 << "    location /gz/ { gzip on; gzip_types text/plain; gzip_min_length 1; }\n"
                 << "    location /upload { client_max_body_size 1k; }\n"
                 << "    location = /cookie.txt { add_header Set-Cookie \"seen=1; Path=/\"; add_header Cache-Control max-age=3600; }\n"
                 << "    location = /auth { return 200 \"auth=[$http_authorization]\"; }\n"
                 << "    location = /r0 { return 200 \"landed\"; }\n";
            // A chain of redirects: /r9 -> /r8 -> ... -> /r0 (301 and 302 in turn).
            for (int i = 1; i <= 9; ++i)
                conf << "    location = /r" << i << " { return " << (i % 2 ? 302 : 301) << " /r" << (i - 1) << "; }\n";
            conf << "  }\n"
                 << "  server { listen 127.0.0.1:" << n.closePort << "; keepalive_timeout 0; root " << n.dir << "/www; }\n"
                 ;
            if (n.tlsPort)
                conf << "  server { listen 127.0.0.1:" << n.tlsPort << " ssl; root " << n.dir << "/www;\n"
                     << "    ssl_certificate " << pki.Path("leaf.pem") << "; ssl_certificate_key " << pki.Path("leaf.key")
                     << ";\n"
                     << "    location = /down { return 302 http://127.0.0.1:" << n.port << "/auth; }\n"
                     << "    location = /same { return 302 /auth; }\n"
                     << "    location = /auth { return 200 \"auth=[$http_authorization]\"; }\n"
                     << "  }\n";
            conf << "}\n";
            conf.close();
            pid_t pid = fork();
            if (pid == 0) {
                execl("/usr/sbin/nginx", "nginx", "-p", n.dir.c_str(), "-c", (n.dir + "/nginx.conf").c_str(),
                    static_cast<char*>(nullptr));
                _exit(127);
            }
            bool bound = false, failed = false, ended = false;
            for (int i = 0; i < 500 && !bound && !failed; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                ended = waitpid(pid, nullptr, WNOHANG) == pid;
                failed = ended || ReadFile(n.dir + "/error.log").find("Address already in use") != std::string::npos;
                bound = !failed && Accepts(n.port) && Accepts(n.closePort) && (!n.tlsPort || Accepts(n.tlsPort));
            }
            if (bound) {
                g_nginxPid = n.pid = pid;
                return n;
            }
            if (!ended) {
                kill(pid, SIGTERM);
                waitpid(pid, nullptr, 0);
            }
        }
        n.port = n.closePort = n.tlsPort = 0;
        return n;
    }();
    return n;
}

} // namespace

#define NEED_NGINX() \
    if (!Server().installed) \
        GTEST_SKIP() << "nginx is not installed (scripts/setup installs it)"; \
    ASSERT_NE(Server().port, 0) << "nginx did not start"

TEST(HttpNginx, KeepAliveReuseAndForcedClose)
{
    NEED_NGINX();
    TvHttp http;
    TvHttpRequest request;
    request.SetPath("/index.txt?keepalive");
    for (int i = 0; i < 2; ++i) {
        std::unique_ptr<TvHttpResponse> r(http.SynchronousRequest("127.0.0.1", Server().port, false, request));
        ASSERT_TRUE(r);
        EXPECT_EQ(r->GetBody(), "hello from nginx\n");
    }
    EXPECT_EQ(http.Impl().ConnectCount(), 1);

    TvHttp closing;
    request.SetPath("/index.txt?closing");
    for (int i = 0; i < 2; ++i) {
        std::unique_ptr<TvHttpResponse> r(closing.SynchronousRequest("127.0.0.1", Server().closePort, false, request));
        ASSERT_TRUE(r);
    }
    EXPECT_EQ(closing.Impl().ConnectCount(), 2);

    // nginx's own record: the two keep-alive requests share one connection number. nginx logs a
    // request after its answer went out, so the lines may come a moment later.
    std::string log;
    std::vector<std::string> kept, closed;
    for (int wait = 0; wait < 500 && (kept.size() < 2 || closed.size() < 2); ++wait) {
        if (wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        log = ReadFile(Server().dir + "/access.log");
        std::istringstream lines(log);
        std::string line;
        kept.clear();
        closed.clear();
        while (std::getline(lines, line)) {
            std::string conn = line.substr(0, line.find(' '));
            if (line.find("?keepalive") != std::string::npos)
                kept.push_back(conn);
            if (line.find("?closing") != std::string::npos)
                closed.push_back(conn);
        }
    }
    ASSERT_EQ(kept.size(), 2u) << log;
    EXPECT_EQ(kept[0], kept[1]);
    ASSERT_EQ(closed.size(), 2u) << log;
    EXPECT_NE(closed[0], closed[1]);
}

TEST(HttpNginx, GzipChunkedBodyArrivesUnpacked)
{
    NEED_NGINX();
    TvHttp http;
    TvHttpRequest request;
    request.SetPath("/gz/big.txt");
    request.Impl().Request().SetHeaderField("Accept-Encoding", "gzip");
    std::unique_ptr<TvHttpResponse> r(http.SynchronousRequest("127.0.0.1", Server().port, false, request));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->GetBody(), ReadFile(Server().dir + "/www/gz/big.txt"));
}

// The test CA goes into the user's "ROOT" store of a configuration folder of this process.
bool TrustTestCa(const std::string& caPem)
{
    // Removed with everything in it when the test process ends.
    static httptest::TempFolder config;
    static bool ok = [&] {
        SetRegistryFolderForTesting(config.path.substr(0, config.path.size() - 1));
        FILE* f = std::fopen(caPem.c_str(), "rb");
        X509* ca = f ? PEM_read_X509(f, nullptr, nullptr, nullptr) : nullptr;
        if (f)
            std::fclose(f);
        int n = ca ? i2d_X509(ca, nullptr) : 0;
        std::vector<unsigned char> der(size_t(n > 0 ? n : 0));
        unsigned char* p = der.data();
        if (n > 0)
            i2d_X509(ca, &p);
        X509_free(ca);
        HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "ROOT");
        bool added = root && n > 0 &&
            CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(), DWORD(der.size()),
                CERT_STORE_ADD_USE_EXISTING, nullptr);
        if (root)
            CertCloseStore(root, 0);
        return added;
    }();
    return ok;
}

TEST(HttpNginx, HttpsWithTheTestCaVerifiedByDefault)
{
    NEED_NGINX();
    ASSERT_NE(Server().tlsPort, 0);
    TvHttpRequest request;
    request.SetPath("/index.txt");
    {
        // Before the CA is trusted the server's certificate is refused.
        TvHttp http;
        std::unique_ptr<TvHttpResponse> r(http.SynchronousRequest("localhost", Server().tlsPort, true, request));
        EXPECT_FALSE(r);
    }
    ASSERT_TRUE(TrustTestCa(vornalt::testpki::Pki::Get().Pem("ca")));
    TvHttp http;
    for (int i = 0; i < 2; ++i) {
        std::unique_ptr<TvHttpResponse> r(http.SynchronousRequest("localhost", Server().tlsPort, true, request));
        TvString log;
        http.GetErrorLogText(log);
        ASSERT_TRUE(r) << log.GetUtf8();
        EXPECT_EQ(r->GetBody(), "hello from nginx\n");
    }
    EXPECT_EQ(http.Impl().ConnectCount(), 1);
}

TEST(HttpNginx, OversizedUploadGets413)
{
    NEED_NGINX();
    httptest::TempFolder dir;
    std::string path = dir.path + "big.jpg";
    std::ofstream(path, std::ios::binary) << std::string(2 << 20, 'j');
    TvHttp http;
    TvHttpRequest request;
    request.SetPath("/upload");
    request.SelectMultipartPost();
    ASSERT_TRUE(request.AddUploadFile("photo", path.c_str()));
    std::unique_ptr<TvHttpResponse> r(http.SynchronousRequest("127.0.0.1", Server().port, false, request));
    TvString log;
    http.GetErrorLogText(log);
    ASSERT_TRUE(r) << log.GetUtf8();
    EXPECT_EQ(r->GetStatusCode(), 413);
    // The connection was closed after the refusal; the next request still works.
    TvHttpRequest get;
    get.SetPath("/index.txt");
    std::unique_ptr<TvHttpResponse> next(http.SynchronousRequest("127.0.0.1", Server().port, false, get));
    ASSERT_TRUE(next);
    EXPECT_EQ(next->GetStatusCode(), 200);
}

namespace {

using httptest::Fetched;
using CacheDir = httptest::TempFolder;

using httptest::FetchLogged;

} // namespace

TEST(HttpNginx, FetchFollowsEightRedirectsAndRefusesTheNinth)
{
    NEED_NGINX();
    HttpControl settings;
    std::string base = "http://127.0.0.1:" + std::to_string(Server().port);
    HttpClient client;
    Fetched eight = FetchLogged(settings, base + "/r8", &client);
    ASSERT_TRUE(eight.ok) << eight.log;
    EXPECT_EQ(eight.body, "landed");
    EXPECT_TRUE(eight.result.redirected);
    EXPECT_EQ(eight.result.finalUrl, base + "/r0");
    // Every redirect to the same host ran on the one kept connection.
    EXPECT_EQ(client.ConnectCount(), 1);

    Fetched nine = FetchLogged(settings, base + "/r9");
    EXPECT_FALSE(nine.ok);
    EXPECT_NE(nine.log.find("Aborted to avoid infinite redirects."), std::string::npos) << nine.log;

    // Not following reports the first hop.
    settings.followRedirects = false;
    Fetched one = FetchLogged(settings, base + "/r3");
    ASSERT_TRUE(one.ok) << one.log;
    EXPECT_TRUE(one.result.redirected);
    EXPECT_EQ(one.result.finalUrl, base + "/r2");
    EXPECT_EQ(one.result.responseHeader.GetStatusCode(), 302);
}

TEST(HttpNginx, ExpiredEntryRevalidatedBy304ServesTheCachedBody)
{
    NEED_NGINX();
    CacheDir dir;
    HttpControl settings;
    settings.clsCache.AddRoot(dir.path.c_str());
    // Without the Last-Modified rule an entry stays fresh for the least freshness, ten minutes.
    settings.cacheControl.freshnessMode = 0;
    settings.cacheControl.defaultFreshnessMinutes = 0;
    std::string url = "http://127.0.0.1:" + std::to_string(Server().port) + "/index.txt";
    Fetched first = FetchLogged(settings, url);
    ASSERT_TRUE(first.ok) << first.log;
    EXPECT_FALSE(first.result.fromCache);
    EXPECT_NE(first.log.find("Cache updated."), std::string::npos) << first.log;
    ASSERT_TRUE(settings.clsCache.IsCached(url));

    // Expire it now.
    SYSTEMTIME past {};
    past.wYear = 2001;
    past.wMonth = 1;
    past.wDay = 1;
    Logger log;
    ASSERT_TRUE(settings.clsCache.UpdateExpiration(url, past, log));
    std::string before = ReadFile(Server().dir + "/access.log");
    Fetched second = FetchLogged(settings, url);
    ASSERT_TRUE(second.ok) << second.log;
    EXPECT_NE(second.result.requestHeader.find("If-None-Match: \""), std::string::npos) << second.result.requestHeader;
    EXPECT_NE(second.log.find("Updating cache entry with new expiration."), std::string::npos) << second.log;
    EXPECT_TRUE(second.result.fromCache);
    EXPECT_EQ(second.result.responseHeader.GetStatusCode(), 200);
    EXPECT_EQ(second.body, "hello from nginx\n");

    // Now fresh again: answered from the cache without a request.
    Fetched third = FetchLogged(settings, url);
    ASSERT_TRUE(third.ok) << third.log;
    EXPECT_TRUE(third.result.fromCache);
    EXPECT_EQ(third.body, "hello from nginx\n");
}

TEST(HttpNginx, ResponsesThatSetCookiesAreNotCached)
{
    NEED_NGINX();
    CacheDir dir;
    std::ofstream(Server().dir + "/www/cookie.txt") << "cookie page\n";
    std::string url = "http://127.0.0.1:" + std::to_string(Server().port) + "/cookie.txt";
    for (bool withJar : { false, true }) {
        HttpControl settings;
        settings.clsCache.AddRoot(dir.path.c_str());
        if (withJar)
            settings.cookieDir = dir.path + "jar";
        Fetched f = FetchLogged(settings, url);
        ASSERT_TRUE(f.ok) << f.log;
        EXPECT_EQ(f.body, "cookie page\n");
        EXPECT_FALSE(settings.clsCache.IsCached(url)) << withJar;
        if (withJar) {
            // The cookie went to the jar and comes back on the next request.
            Fetched again = FetchLogged(settings, "http://127.0.0.1:" + std::to_string(Server().port) + "/index.txt");
            ASSERT_TRUE(again.ok);
            EXPECT_NE(again.result.requestHeader.find("Cookie: seen=1\r\n"), std::string::npos)
                << again.result.requestHeader;
        }
    }
    // The same page without the cookie is cached.
    HttpControl settings;
    settings.clsCache.AddRoot(dir.path.c_str());
    std::string plain = "http://127.0.0.1:" + std::to_string(Server().port) + "/index.txt";
    ASSERT_TRUE(FetchLogged(settings, plain).ok);
    EXPECT_TRUE(settings.clsCache.IsCached(plain));
}

TEST(HttpNginx, CredentialsStayOffRedirectsToOtherHostsAndDowngrades)
{
    NEED_NGINX();
    ASSERT_NE(Server().tlsPort, 0);
    ASSERT_TRUE(TrustTestCa(vornalt::testpki::Pki::Get().Pem("ca")));
    HttpControl settings;
    settings.login = "user";
    settings.password = "secret";
    std::string tls = "https://localhost:" + std::to_string(Server().tlsPort);
    std::string sent = "auth=[Basic " + HttpBasicCredentials("user", "secret") + "]";
    Fetched direct = FetchLogged(settings, tls + "/auth");
    ASSERT_TRUE(direct.ok) << direct.log;
    EXPECT_EQ(direct.body, sent);
    // The TLS body reader says what framing it found.
    for (const char* text : { "No transfer-encoding header field.", "sslContentLength", "extraLen" })
        EXPECT_NE(direct.log.find(text), std::string::npos) << text << "\n" << direct.log;
    Fetched same = FetchLogged(settings, tls + "/same");
    ASSERT_TRUE(same.ok) << same.log;
    EXPECT_EQ(same.body, sent);
    // https -> http on another host: no credentials.
    Fetched down = FetchLogged(settings, tls + "/down");
    ASSERT_TRUE(down.ok) << down.log;
    EXPECT_EQ(down.result.finalUrl, "http://127.0.0.1:" + std::to_string(Server().port) + "/auth");
    EXPECT_EQ(down.body, "auth=[]");

    // With NTLM chosen the password is never sent in Basic form.
    settings.useNtlm = true;
    Fetched ntlm = FetchLogged(settings, "http://127.0.0.1:" + std::to_string(Server().port) + "/auth");
    ASSERT_TRUE(ntlm.ok) << ntlm.log;
    EXPECT_EQ(ntlm.body.find("Basic"), std::string::npos) << ntlm.body;
}

namespace {

struct Proxy {
    int port = 0;
    std::string log;
};

const Proxy& TestProxy()
{
    static Proxy p = [] {
        Proxy p;
        p.log = Server().dir + "/proxy.log";
        p.port = httptest::StartPythonPeer("connect_proxy.py", { p.log });
        return p;
    }();
    return p;
}

} // namespace

TEST(HttpNginx, ProxyTunnelsHttpsWithConnectAndGetsPlainUrlsWhole)
{
    NEED_NGINX();
    ASSERT_NE(Server().tlsPort, 0);
    ASSERT_GT(TestProxy().port, 0);
    ASSERT_TRUE(TrustTestCa(vornalt::testpki::Pki::Get().Pem("ca")));
    HttpControl settings;
    settings.proxyDomain = "127.0.0.1";
    settings.proxyPort = TestProxy().port;
    std::string tls = "https://localhost:" + std::to_string(Server().tlsPort) + "/index.txt";
    Fetched secure = FetchLogged(settings, tls);
    ASSERT_TRUE(secure.ok) << secure.log;
    EXPECT_EQ(secure.body, "hello from nginx\n");
    std::string plain = "http://127.0.0.1:" + std::to_string(Server().port) + "/index.txt";
    Fetched clear = FetchLogged(settings, plain);
    ASSERT_TRUE(clear.ok) << clear.log;
    EXPECT_EQ(clear.body, "hello from nginx\n");

    // The public classes take the same roads.
    TvHttp http;
    http.Impl().Settings().proxyDomain = "127.0.0.1";
    http.Impl().Settings().proxyPort = TestProxy().port;
    TvHttpRequest request;
    request.SetPath("/index.txt");
    std::unique_ptr<TvHttpResponse> r(http.SynchronousRequest("localhost", Server().tlsPort, true, request));
    TvString text;
    http.GetErrorLogText(text);
    ASSERT_TRUE(r) << text.GetUtf8();
    EXPECT_EQ(r->GetBody(), "hello from nginx\n");

    std::string seen = ReadFile(TestProxy().log);
    std::string connect = "CONNECT localhost:" + std::to_string(Server().tlsPort) + " HTTP/1.";
    EXPECT_EQ(seen.find(connect), 0u) << seen;
    EXPECT_NE(seen.find(connect, 1), std::string::npos) << seen;
    EXPECT_NE(seen.find("GET " + plain + " HTTP/1.1"), std::string::npos) << seen;
    // The proxy never saw a request for the TLS site in clear.
    EXPECT_EQ(seen.find("GET https:"), std::string::npos) << seen;
    EXPECT_EQ(seen.find("GET /"), std::string::npos) << seen;
}
