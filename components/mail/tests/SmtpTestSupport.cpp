#include "components/mail/tests/SmtpTestSupport.h"

#include "components/net/tests/NetTestSupport.h"
#include "components/net/tests/TestPki.h"

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace smtptest {

namespace {

struct Running {
    Peer peer;
    // The scripted peers talk over pipes; exim runs without them.
    PeerProcess process;
    pid_t pid = -1;
    ~Running()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

// The folder of this process that holds every folder the tests ask for; it goes when the process
// ends. Open to pass through: exim, running as another user, works in a folder inside.
const std::string& ProcessFolder()
{
    struct Folder {
        std::string path;
        Folder()
        {
            char pattern[] = "/tmp/vornalt-smtp-XXXXXX";
            if (mkdtemp(pattern) && chmod(pattern, 0711) == 0)
                path = pattern;
        }
        ~Folder()
        {
            std::error_code ignored;
            if (!path.empty())
                std::filesystem::remove_all(path, ignored);
        }
    };
    static Folder folder;
    return folder.path;
}

std::map<std::string, std::unique_ptr<Running>>& Peers()
{
    // Made first, the process's folder outlives the peers that write into it.
    ProcessFolder();
    static std::map<std::string, std::unique_ptr<Running>> peers;
    return peers;
}

const Peer& Start(const std::string& key, const std::vector<std::string>& argvIn)
{
    auto& peers = Peers();
    auto found = peers.find(key);
    if (found != peers.end())
        return found->second->peer;
    auto running = std::make_unique<Running>();
    running->peer.folder = TempFolder();
    std::vector<std::string> argv = argvIn;
    argv.push_back(running->peer.folder);
    if (running->process.Start(argv))
        running->peer.port = running->process.Port();
    const Peer& peer = running->peer;
    peers.emplace(key, std::move(running));
    return peer;
}

} // namespace

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

std::string TempFolder()
{
    std::string pattern = ProcessFolder() + "/XXXXXX";
    const char* made = ProcessFolder().empty() ? nullptr : mkdtemp(pattern.data());
    return made ? made : "/tmp";
}

std::string Peer::Wire() const { return ReadFile(folder + "/wire.log"); }

std::string Peer::Message(int n) const { return ReadFile(folder + "/msg-" + std::to_string(n) + ".eml"); }

const Peer& ScriptedPeer(const std::string& scenario)
{
    return Start("scripted:" + scenario,
        {"/usr/bin/python3", std::string(VORNALT_SOURCE_DIR) + "/components/mail/tests/smtp_peer.py", scenario});
}

const Peer& ScriptedTlsPeer(const std::string& scenario)
{
    const TestPki& pki = GetTestPki();
    return ScriptedTlsPeer(scenario, pki.serverCert, pki.serverKey);
}

const Peer& ScriptedTlsPeer(const std::string& scenario, const std::string& cert, const std::string& key)
{
    return Start("scripted-tls:" + scenario + ":" + cert, {"/usr/bin/python3",
        std::string(VORNALT_SOURCE_DIR) + "/components/mail/tests/smtp_peer.py", scenario, cert, key});
}

const Peer& AiosmtpdPeer()
{
    return Start("aiosmtpd", {"/usr/bin/python3", std::string(VORNALT_SOURCE_DIR) + "/components/mail/tests/aiosmtpd_peer.py"});
}

const Peer& EximPeer()
{
    auto& peers = Peers();
    auto found = peers.find("exim");
    if (found != peers.end())
        return found->second->peer;
    auto running = std::make_unique<Running>();
    Peer& peer = running->peer;
    peer.folder = TempFolder();
    const std::string& dir = peer.folder;
    // exim drops to nobody: its folders must be open to it.
    chmod(dir.c_str(), 0777);
    mkdir((dir + "/spool").c_str(), 0777);
    mkdir((dir + "/maildir").c_str(), 0777);
    chmod((dir + "/spool").c_str(), 0777);
    chmod((dir + "/maildir").c_str(), 0777);
    const TestPki& pki = GetTestPki();
    std::ofstream(dir + "/server.pem") << ReadFile(pki.serverCert);
    std::ofstream(dir + "/server.key") << ReadFile(pki.serverKey);
    chmod((dir + "/server.pem").c_str(), 0644);
    chmod((dir + "/server.key").c_str(), 0644);
    // A port picked free may be taken by another test process before exim binds it: exim then
    // gives up at once (no start-up retries) and is started again on other ports.
    for (int attempt = 0; attempt < 5 && peer.port == 0 && access("/usr/sbin/exim4", X_OK) == 0; ++attempt) {
        int ports[5];
        for (int& p : ports)
            p = UnusedLoopbackPort();
        std::string config = ReadFile(std::string(VORNALT_SOURCE_DIR) + "/components/mail/tests/data/exim.conf");
        const std::pair<std::string, std::string> fills[] = {{"@DIR@", dir}, {"@PORT@", std::to_string(ports[0])},
            {"@PLAINPORT@", std::to_string(ports[1])}, {"@CRAMPORT@", std::to_string(ports[2])},
            {"@TLSPORT@", std::to_string(ports[3])}, {"@AFTERTLSPORT@", std::to_string(ports[4])}};
        for (const auto& fill : fills)
            for (size_t at; (at = config.find(fill.first)) != std::string::npos;)
                config.replace(at, fill.first.size(), fill.second);
        std::ofstream(dir + "/exim.conf") << config;
        std::string conf = dir + "/exim.conf";
        std::vector<std::string> argv = {"/usr/sbin/exim4", "-bdf", "-C", conf, "-odi"};
        std::vector<char*> args;
        for (auto& a : argv)
            args.push_back(a.data());
        args.push_back(nullptr);
        // In the foreground exim copies its log to stderr; the log file is what the tests read.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid;
        int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0)
            break;
        // Listening: exim has logged its start, which it does once every port is bound.
        std::string started = "listening for SMTP on [127.0.0.1]:{";
        bool up = false, died = false;
        for (int i = 0; i < 400 && !up && !died; ++i) {
            usleep(25000);
            died = waitpid(pid, nullptr, WNOHANG) == pid;
            up = !died && ReadFile(dir + "/mainlog").find(started) != std::string::npos;
        }
        if (!up) {
            if (!died) {
                kill(pid, SIGTERM);
                waitpid(pid, nullptr, 0);
            }
            std::remove((dir + "/mainlog").c_str());
            continue;
        }
        running->pid = pid;
        peer.port = ports[0];
        peer.plainOnlyPort = ports[1];
        peer.cramOnlyPort = ports[2];
        peer.tlsPort = ports[3];
        peer.authAfterTlsPort = ports[4];
    }
    peers.emplace("exim", std::move(running));
    return peers.find("exim")->second->peer;
}

} // namespace smtptest
