#include "NetTestSupport.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstring>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

bool PeerProcess::Start(const std::vector<std::string>& argv, int fixedPort)
{
    if (m_pid > 0)
        return m_port > 0;
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    if (rc != 0) {
        close(in[1]);
        close(out[0]);
        return false;
    }
    m_pid = pid;
    m_stdin = in[1];
    m_stdout = out[0];
    // Python peers print "port N"; openssl s_server prints "ACCEPT" once it listens on the port
    // it was given.
    for (int i = 0; i < 20 && m_port == 0; ++i) {
        std::string line = ReadLine();
        if (line.rfind("port ", 0) == 0)
            m_port = std::atoi(line.c_str() + 5);
        else if (line.rfind("ACCEPT", 0) == 0)
            m_port = fixedPort;
        else if (line.empty())
            break;
    }
    return m_port > 0;
}

std::string PeerProcess::ReadLine()
{
    std::string line;
    char c;
    while (m_stdout >= 0 && read(m_stdout, &c, 1) == 1) {
        if (c == '\n')
            break;
        line += c;
    }
    return line;
}

void PeerProcess::Stop()
{
    if (m_stdin >= 0)
        close(m_stdin);
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        int status;
        waitpid(m_pid, &status, 0);
    }
    if (m_stdout >= 0)
        close(m_stdout);
    m_stdin = m_stdout = m_pid = -1;
    m_port = 0;
}

int ScriptedPeerPort()
{
    static PeerProcess peer;
    static bool started = peer.Start({ "python3", VORNALT_SOURCE_DIR "/components/net/tests/scripted_peer.py" });
    return started ? peer.Port() : 0;
}

int UnusedLoopbackPort()
{
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t n = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
    close(s);
    return ntohs(a.sin_port);
}
