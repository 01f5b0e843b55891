#pragma once
// Shared pieces of the FTP tests: temporary files of this process, vsftpd and the scripted peer
// (each started once per test process), a fixed clock and small file helpers.

#include "components/foundation/XString.h"
#include "components/net/Socket2.h"
#include "components/net/ftp/ClsFtp2.h"
#include "components/net/ftp/Ftp2.h"
#include "NetTestSupport.h"
#include "TestPki.h"
#include "platform/base/Time.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace ftptest {

namespace fs = std::filesystem;

// The folder of this test process, removed when the process ends (after the servers stopped,
// which were started later).
inline std::string ProcessTempDir()
{
    // Never destroyed: the clean-up at exit still needs the name.
    static const std::string* dir = [] {
        char pattern[] = "/tmp/vornalt-ftp-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (!made)
            return new std::string("/tmp");
        std::atexit([] {
            std::error_code ec;
            // Server roots are read-only; open them up so their contents can go.
            for (fs::recursive_directory_iterator it(ProcessTempDir(), ec), end; !ec && it != end; it.increment(ec))
                if (it->is_directory(ec) && !it->is_symlink(ec))
                    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
            fs::remove_all(ProcessTempDir(), ec);
        });
        return new std::string(made);
    }();
    return *dir;
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string Pattern(size_t n, unsigned seed)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        s[i] = char(seed >> 16);
    }
    return s;
}

// vsftpd on a picked loopback port, anonymous with uploads into up/ (no chroot: remote paths are
// the server's own), started once per process and kind. The TLS kinds use the test PKI and
// refuse data connections that do not resume the control connection's TLS session.
class Vsftpd {
public:
    enum Kind { Plain, ExplicitTls, ImplicitTls };
    static Vsftpd& Instance(Kind kind = Plain)
    {
        switch (kind) {
        case ExplicitTls: {
            static Vsftpd server(ExplicitTls);
            return server;
        }
        case ImplicitTls: {
            static Vsftpd server(ImplicitTls);
            return server;
        }
        default: {
            static Vsftpd server(Plain);
            return server;
        }
        }
    }
    int Port() const { return m_port; }
    std::string UploadDir() const { return m_root + "/up"; }
    ~Vsftpd() { Stop(); }

private:
    explicit Vsftpd(Kind kind)
    {
        static const char* const kNames[] = { "vsftpd", "vsftpd-explicit", "vsftpd-implicit" };
        std::string dir = ProcessTempDir() + "/" + kNames[kind];
        m_root = dir + "/root";
        fs::create_directories(m_root + "/up");
        fs::create_directories(dir + "/empty");
        fs::permissions(m_root, fs::perms(0555));
        fs::permissions(m_root + "/up", fs::perms(0777));
        std::string banner = "vornalt-test-" + std::to_string(getpid()) + "-" + kNames[kind];
        // A picked port may be taken by someone else before the server binds it: try another.
        for (int attempt = 0; attempt < 5; ++attempt) {
            m_port = UnusedLoopbackPort();
            std::ofstream conf(dir + "/vsftpd.conf");
            conf << "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" << m_port
                 << "\nbackground=NO\nrun_as_launching_user=YES\nanonymous_enable=YES\nlocal_enable=NO\n"
                    "write_enable=YES\nanon_upload_enable=YES\nanon_mkdir_write_enable=YES\nanon_root="
                 << m_root << "\nno_anon_password=YES\nsecure_chroot_dir=" << dir
                 << "/empty\npasv_enable=YES\npasv_address=127.0.0.1\nport_enable=YES\nconnect_from_port_20=NO\n"
                    "utf8_filesystem=YES\nseccomp_sandbox=NO\nxferlog_enable=NO\nvsftpd_log_file="
                 << dir << "/log\nidle_session_timeout=60\nftpd_banner=" << banner << "\n";
            if (kind != Plain) {
                const TestPki& pki = GetTestPki();
                conf << "ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\nforce_anon_data_ssl=YES\n"
                        "require_ssl_reuse=YES\nssl_tlsv1=YES\nrsa_cert_file="
                     << pki.serverCert << "\nrsa_private_key_file=" << pki.serverKey << "\n"
                     << (kind == ImplicitTls ? "implicit_ssl=YES\n" : "");
            }
            conf.close();
            if (Start(dir + "/vsftpd.conf", kind == ImplicitTls, banner))
                return;
            Stop();
        }
        m_port = 0;
    }

    bool Start(const std::string& confPath, bool tls, const std::string& banner)
    {
        const char* binary = fs::exists("/usr/sbin/vsftpd") ? "/usr/sbin/vsftpd" : "vsftpd";
        char* argv[] = { const_cast<char*>(binary), const_cast<char*>(confPath.c_str()), nullptr };
        if (posix_spawnp(&m_pid, binary, nullptr, nullptr, argv, environ) != 0) {
            m_pid = -1;
            return false;
        }
        for (int i = 0; i < 100; ++i) {
            int status;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return false;
            }
            // Our own server answers with its banner; anything else holds the port.
            Socket2 probe;
            LogNull quiet;
            int reason;
            probe.SetRequireVerifiedServerCert(false);
            if (probe.Connect("127.0.0.1", m_port, tls, 0, 1000, quiet, nullptr, nullptr, &reason, nullptr)) {
                torvane::StringBuffer greeting;
                probe.ReceiveUntilMatch("\n", greeting, 0, 2000, quiet, nullptr, nullptr, nullptr, nullptr, nullptr);
                return greeting.GetText() && std::string(greeting.GetText()).find(banner) != std::string::npos;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    void Stop()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status;
            waitpid(m_pid, &status, 0);
            m_pid = -1;
        }
    }

    pid_t m_pid = -1;
    int m_port = 0;
    std::string m_root;
};

// The scripted peer, started once per process; each session reads the script written last.
class ScriptedFtp {
public:
    static ScriptedFtp& Instance()
    {
        static ScriptedFtp peer;
        return peer;
    }
    int Port() const { return m_peer.Port(); }
    void Script(const std::string& json)
    {
        WriteFile(m_path, json);
        fs::remove(m_path + ".log");
        fs::remove(m_path + ".sessions");
    }
    std::string Commands() const { return ReadFile(m_path + ".log"); }
    // Control connections served since the last script.
    size_t Sessions() const { return ReadFile(m_path + ".sessions").size(); }

private:
    ScriptedFtp()
        : m_path(ProcessTempDir() + "/script.json")
    {
        WriteFile(m_path, "{}");
        m_peer.Start({ "python3", VORNALT_SOURCE_DIR "/components/net/tests/ftp_script_peer.py", m_path });
    }
    PeerProcess m_peer;
    std::string m_path;
};

inline void Configure(Ftp2& engine, int port)
{
    engine.Hostname = "127.0.0.1";
    engine.Port = port;
    engine.IdleTimeoutMs = 5000;
    engine.ConnectTimeout = 5;
}

// A second real server with MLSD (Debian's pyftpdlib), anonymous in Root(), started once per
// process.
class MlsdFtp {
public:
    static MlsdFtp& Instance()
    {
        static MlsdFtp server;
        return server;
    }
    int Port() const { return m_peer.Port(); }
    std::string Root() const { return m_root; }

private:
    MlsdFtp()
        : m_root(ProcessTempDir() + "/mlsd-root")
    {
        fs::create_directories(m_root);
        // The package installs for the system's interpreter.
        const char* python = fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
        m_peer.Start({ python, VORNALT_SOURCE_DIR "/components/net/tests/ftp_real_peer.py", m_root });
    }
    PeerProcess m_peer;
    std::string m_root;
};

// A logged-in engine on the scripted peer, passive unless asked otherwise.
inline void LogIn(Ftp2& engine, CapturingLog& log, bool passive = true)
{
    Configure(engine, ScriptedFtp::Instance().Port());
    engine.Passive = passive;
    ASSERT_TRUE(engine.ConnectDirect(log, nullptr)) << log.Text();
    ASSERT_TRUE(engine.Login(log, nullptr)) << log.Text();
}

// The text as a JSON string for a peer script.
inline std::string Json(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += char(c);
    }
    return out + "\"";
}

inline size_t Occurrences(const std::string& text, const std::string& needle)
{
    size_t n = 0;
    for (size_t at = 0; (at = text.find(needle, at)) != std::string::npos; at += needle.size())
        ++n;
    return n;
}

inline std::string LogText(ClsFtp2& ftp)
{
    XString text;
    ftp.GetErrorLogText(text, false);
    return text.GetUtf8();
}


// "Now" is noon UTC of the given day while the object lives.
class FixedClock {
public:
    explicit FixedClock(int year, int month, int day)
    {
        SYSTEMTIME st {};
        st.wYear = WORD(year);
        st.wMonth = WORD(month);
        st.wDay = WORD(day);
        st.wHour = 12;
        FILETIME ft;
        SystemTimeToFileTime(&st, &ft);
        ULONGLONG ticks = (ULONGLONG(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
        SetSystemTimeSourceForTesting([ticks] { return ticks; });
    }
    ~FixedClock() { SetSystemTimeSourceForTesting({}); }
};

inline SYSTEMTIME WhenOf(const FtpEntry& e)
{
    SYSTEMTIME st {};
    FileTimeToSystemTime(&e.lastWrite, &st);
    return st;
}

inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> out;
    std::stringstream s(text);
    for (std::string l; std::getline(s, l);)
        out.push_back(l + "\n");
    return out;
}

} // namespace ftptest
