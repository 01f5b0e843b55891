#include "components/mail/tests/SmtpTestSupport.h"

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <cstdlib>
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
    pid_t pid = -1;
    int in = -1;
    ~Running()
    {
        if (in >= 0)
            close(in);
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

std::map<std::string, std::unique_ptr<Running>>& Peers()
{
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
    int in[2], out[2];
    if (pipe(in) == 0 && pipe(out) == 0) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, in[1]);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<char*> args;
        for (auto& a : argv)
            args.push_back(a.data());
        args.push_back(nullptr);
        pid_t pid;
        if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0)
            running->pid = pid;
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        running->in = in[1];
        std::string line;
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        close(out[0]);
        if (line.rfind("port ", 0) == 0)
            running->peer.port = std::atoi(line.c_str() + 5);
    }
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
    char pattern[] = "/tmp/vornalt-smtp-XXXXXX";
    const char* made = mkdtemp(pattern);
    return made ? made : "/tmp";
}

std::string Peer::Wire() const { return ReadFile(folder + "/wire.log"); }

std::string Peer::Message(int n) const { return ReadFile(folder + "/msg-" + std::to_string(n) + ".eml"); }

const Peer& ScriptedPeer(const std::string& scenario)
{
    return Start("scripted:" + scenario,
        {"/usr/bin/python3", std::string(VORNALT_SOURCE_DIR) + "/components/mail/tests/smtp_peer.py", scenario});
}

const Peer& AiosmtpdPeer()
{
    return Start("aiosmtpd", {"/usr/bin/python3", std::string(VORNALT_SOURCE_DIR) + "/components/mail/tests/aiosmtpd_peer.py"});
}

namespace {

int FreeLoopbackPort()
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        && getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

bool Listening(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(uint16_t(port));
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

} // namespace

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
    std::string config = ReadFile(std::string(VORNALT_SOURCE_DIR) + "/components/mail/tests/data/exim.conf");
    for (size_t at; (at = config.find("@DIR@")) != std::string::npos;)
        config.replace(at, 5, dir);
    std::ofstream(dir + "/exim.conf") << config;
    int port = FreeLoopbackPort();
    if (access("/usr/sbin/exim4", X_OK) == 0 && port > 0) {
        std::string portText = std::to_string(port), conf = dir + "/exim.conf";
        std::vector<std::string> argv = {"/usr/sbin/exim4", "-bdf", "-oX", portText, "-C", conf, "-odi"};
        std::vector<char*> args;
        for (auto& a : argv)
            args.push_back(a.data());
        args.push_back(nullptr);
        pid_t pid;
        if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) == 0) {
            running->pid = pid;
            for (int i = 0; i < 100 && !Listening(port); ++i)
                usleep(50000);
            if (Listening(port))
                peer.port = port;
        }
    }
    peers.emplace("exim", std::move(running));
    return peers.find("exim")->second->peer;
}

} // namespace smtptest
