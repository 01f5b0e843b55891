#include "components/net/http/TvHttp.h"

#include "platform/base/Registry.h"
#include "platform/crypto/CertStore.h"

#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
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
};

pid_t g_nginxPid = 0;

void StopNginx()
{
    if (g_nginxPid > 0) {
        kill(g_nginxPid, SIGTERM);
        waitpid(g_nginxPid, nullptr, 0);
    }
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

const Nginx& Server()
{
    static Nginx n = [] {
        Nginx n;
        if (access("/usr/sbin/nginx", X_OK) != 0)
            return n;
        char dir[] = "/tmp/httpnginxXXXXXX";
        if (!mkdtemp(dir))
            return n;
        n.dir = dir;
        n.port = FreePort();
        n.closePort = FreePort();
        mkdir((n.dir + "/www").c_str(), 0755);
        mkdir((n.dir + "/www/gz").c_str(), 0755);
        mkdir((n.dir + "/body").c_str(), 0755);
        std::ofstream(n.dir + "/www/index.txt") << "hello from nginx\n";
        std::string big;
        for (int i = 0; i < 4000; ++i)
            big += "line of text that packs well " + std::to_string(i % 10) + "\n";
        std::ofstream(n.dir + "/www/gz/big.txt") << big;
        n.tlsPort = FreePort();
        std::ofstream(n.dir + "/ext.cnf") << "subjectAltName=DNS:localhost,IP:127.0.0.1\nextendedKeyUsage=serverAuth\n";
        std::string pki = "cd " + n.dir + " && openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem"
            " -days 2 -subj /CN=vornalt-http-test-ca -addext basicConstraints=critical,CA:TRUE"
            " -addext keyUsage=critical,keyCertSign,cRLSign >/dev/null 2>&1"
            " && openssl req -newkey rsa:2048 -nodes -keyout srv.key -out srv.csr -subj /CN=localhost >/dev/null 2>&1"
            " && openssl x509 -req -in srv.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out srv.pem -days 2"
            " -extfile ext.cnf >/dev/null 2>&1";
        if (std::system(pki.c_str()) != 0)
            n.tlsPort = 0;
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
             << "  }\n"
             << "  server { listen 127.0.0.1:" << n.closePort << "; keepalive_timeout 0; root " << n.dir << "/www; }\n"
             ;
        if (n.tlsPort)
            conf << "  server { listen 127.0.0.1:" << n.tlsPort << " ssl; root " << n.dir << "/www;\n"
                 << "    ssl_certificate " << n.dir << "/srv.pem; ssl_certificate_key " << n.dir << "/srv.key; }\n";
        conf << "}\n";
        conf.close();
        pid_t pid = fork();
        if (pid == 0) {
            execl("/usr/sbin/nginx", "nginx", "-p", n.dir.c_str(), "-c", (n.dir + "/nginx.conf").c_str(),
                static_cast<char*>(nullptr));
            _exit(127);
        }
        g_nginxPid = n.pid = pid;
        std::atexit(StopNginx);
        for (int i = 0; i < 500 && !(Accepts(n.port) && Accepts(n.closePort)); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return n;
    }();
    return n;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

#define NEED_NGINX() \
    if (Server().port == 0) \
        GTEST_SKIP() << "nginx is not installed (scripts/setup installs it)"

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

    // nginx's own record: the two keep-alive requests share one connection number.
    std::string log = ReadFile(Server().dir + "/access.log");
    std::istringstream lines(log);
    std::string line;
    std::vector<std::string> kept, closed;
    while (std::getline(lines, line)) {
        std::string conn = line.substr(0, line.find(' '));
        if (line.find("?keepalive") != std::string::npos)
            kept.push_back(conn);
        if (line.find("?closing") != std::string::npos)
            closed.push_back(conn);
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
    static bool ok = [&] {
        char pattern[] = "/tmp/vornalt-http-config-XXXXXX";
        if (!mkdtemp(pattern))
            return false;
        SetRegistryFolderForTesting(pattern);
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
    ASSERT_TRUE(TrustTestCa(Server().dir + "/ca.pem"));
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
    char dir[] = "/tmp/httpbigXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string path = std::string(dir) + "/big.jpg";
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
    std::remove(path.c_str());
    rmdir(dir);
}
