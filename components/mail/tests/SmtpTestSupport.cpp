#include "components/mail/tests/SmtpTestSupport.h"

#include <csignal>
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

} // namespace smtptest
