#include "components/net/ftp/ClsFtp2.h"

#include "NetTestSupport.h"
#include "TestPki.h"
#include "components/foundation/XString.h"
#include "components/net/Socket2.h"
#include "platform/base/Registry.h"
#include "platform/crypto/CertStore.h"

#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <vector>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

// The test CA in the user's ROOT store of a configuration folder of this process.
bool TrustTestCaForFtp()
{
    static bool ok = [] {
        char pattern[] = "/tmp/vornalt-ftp-config-XXXXXX";
        if (!mkdtemp(pattern))
            return false;
        SetRegistryFolderForTesting(pattern);
        FILE* f = std::fopen(GetTestPki().caCert.c_str(), "rb");
        X509* ca = f ? PEM_read_X509(f, nullptr, nullptr, nullptr) : nullptr;
        if (f)
            std::fclose(f);
        int n = ca ? i2d_X509(ca, nullptr) : 0;
        std::vector<unsigned char> der(std::size_t(n > 0 ? n : 0));
        unsigned char* p = der.data();
        if (n > 0)
            i2d_X509(ca, &p);
        X509_free(ca);
        HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "ROOT");
        bool added = root && n > 0
            && CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(), DWORD(der.size()),
                CERT_STORE_ADD_USE_EXISTING, nullptr);
        if (root)
            CertCloseStore(root, 0);
        return added;
    }();
    return ok;
}

// vsftpd with TLS, explicit (AUTH TLS) or implicit, on a picked loopback port; it refuses data
// connections that do not resume the control connection's TLS session.
class TlsVsftpd {
public:
    TlsVsftpd(bool implicit)
    {
        char pattern[] = "/tmp/vornalt-ftps-XXXXXX";
        m_dir = mkdtemp(pattern) ? pattern : "/tmp";
        m_root = m_dir + "/root";
        fs::create_directories(m_root + "/up");
        fs::create_directories(m_dir + "/empty");
        fs::permissions(m_root, fs::perms(0555));
        fs::permissions(m_root + "/up", fs::perms(0777));
        m_port = UnusedLoopbackPort();
        const TestPki& pki = GetTestPki();
        std::ofstream conf(m_dir + "/vsftpd.conf");
        conf << "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" << m_port
             << "\nbackground=NO\nrun_as_launching_user=YES\nanonymous_enable=YES\nlocal_enable=NO\n"
                "write_enable=YES\nanon_upload_enable=YES\nanon_root="
             << m_root << "\nno_anon_password=YES\nsecure_chroot_dir=" << m_dir
             << "/empty\npasv_enable=YES\npasv_address=127.0.0.1\nconnect_from_port_20=NO\nport_enable=YES\nseccomp_sandbox=NO\n"
                "ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\nforce_anon_data_ssl=YES\n"
                "require_ssl_reuse=YES\nssl_tlsv1=YES\nrsa_cert_file="
             << pki.serverCert << "\nrsa_private_key_file=" << pki.serverKey << "\n"
             << (implicit ? "implicit_ssl=YES\n" : "") << "vsftpd_log_file=" << m_dir << "/log\n";
        conf.close();
        std::string confPath = m_dir + "/vsftpd.conf";
        const char* binary = fs::exists("/usr/sbin/vsftpd") ? "/usr/sbin/vsftpd" : "vsftpd";
        char* argv[] = { const_cast<char*>(binary), const_cast<char*>(confPath.c_str()), nullptr };
        if (posix_spawnp(&m_pid, binary, nullptr, nullptr, argv, environ) != 0) {
            m_pid = -1;
            m_port = 0;
            return;
        }
        for (int i = 0; i < 100; ++i) {
            Socket2 probe;
            LogNull quiet;
            int reason;
            if (probe.Connect("127.0.0.1", m_port, false, 0, 1000, quiet, nullptr, nullptr, &reason, nullptr))
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~TlsVsftpd()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status;
            waitpid(m_pid, &status, 0);
        }
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }
    int Port() const { return m_port; }
    std::string UploadDir() const { return m_root + "/up"; }

private:
    std::string m_dir, m_root;
    pid_t m_pid = -1;
    int m_port = 0;
};

std::string LogText(ClsFtp2& ftp)
{
    XString text;
    ftp.GetErrorLogText(text, false);
    return text.GetUtf8();
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(FtpTls, ExplicitAndImplicitTlsUploadsWithProtectedData)
{
    ASSERT_TRUE(TrustTestCaForFtp());
    std::string local = GetTestPki().folder + "/ftps-upload.bin";
    std::string bytes(200000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7 + 3);
    std::ofstream(local, std::ios::binary) << bytes;
    for (auto [implicit, passive] : { std::pair { false, true }, { true, true }, { false, false }, { true, false } }) {
        TlsVsftpd server(implicit);
        ASSERT_NE(server.Port(), 0);
        ClsFtp2 ftp;
        Ftp2& engine = ftp.Engine();
        engine.Hostname = "localhost";
        engine.Port = server.Port();
        engine.Passive = passive;
        engine.IdleTimeoutMs = 10000;
        engine.ImplicitSsl = implicit;
        engine.AuthTls = !implicit;
        ASSERT_TRUE(ftp.Connect(nullptr)) << LogText(ftp);
        EXPECT_EQ(engine.SecureControl, !implicit);
        ASSERT_TRUE(ftp.ChangeRemoteDir(server.UploadDir(), nullptr, false)) << LogText(ftp);
        ASSERT_TRUE(ftp.PutFile(local, "secure.bin", nullptr, false)) << (implicit ? "implicit " : "explicit ") << passive << "\n"
                                                                       << LogText(ftp);
        EXPECT_EQ(ReadFile(server.UploadDir() + "/secure.bin"), bytes);
        EXPECT_NE(LogText(ftp).find("Resumed the earlier TLS session."), std::string::npos) << LogText(ftp);
        // The listing's data connection resumes the session too.
        EXPECT_EQ(ftp.GetRemoteEntryCount(nullptr), 1) << LogText(ftp);
        ASSERT_EQ(engine.GetEntryCount(), 1);
        EXPECT_EQ(engine.Entry(0).name, "secure.bin");
        EXPECT_EQ(engine.Entry(0).size, std::int64_t(bytes.size()));
        ftp.Disconnect(nullptr);
    }
}
