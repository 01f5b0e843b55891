#pragma once
// Helpers the HTTP client tests share: a Python peer started once per test process, temporary
// folders, whole-file reads, and a URL fetch that returns its log as text.

#include "components/foundation/Logger.h"
#include "components/foundation/StringBuffer.h"
#include "components/net/http/HttpClient.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace httptest {

// Starts python3 with a script of this folder and its arguments; the script prints its port on
// its first line. The process is stopped when the test process exits. 0 when it did not start.
inline int StartPythonPeer(const char* script, const std::vector<std::string>& args = {})
{
    static std::vector<pid_t> started;
    int fds[2];
    if (pipe(fds) != 0)
        return 0;
    std::string path = std::string(VORNALT_SOURCE_DIR) + "/components/net/http/tests/" + script;
    std::vector<std::string> argv = { "python3", path };
    argv.insert(argv.end(), args.begin(), args.end());
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        std::vector<char*> raw;
        for (auto& a : argv)
            raw.push_back(a.data());
        raw.push_back(nullptr);
        execvp("python3", raw.data());
        _exit(127);
    }
    close(fds[1]);
    if (started.empty())
        std::atexit([] {
            for (pid_t p : started) {
                kill(p, SIGTERM);
                waitpid(p, nullptr, 0);
            }
        });
    started.push_back(pid);
    // Read up to the line end; the pipe stays open so the peer never writes into a closed one.
    std::string line;
    char c;
    while (line.size() < 16 && read(fds[0], &c, 1) == 1 && c != '\n')
        line += c;
    return std::atoi(line.c_str());
}

// The file's bytes; empty when it cannot be read.
inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct TempFolder {
    std::string path;  // ends with '/'
    TempFolder()
    {
        char tmpl[] = "/tmp/vornalt-http-XXXXXX";
        path = mkdtemp(tmpl);
        path += "/";
    }
    ~TempFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

struct Fetched {
    bool ok = false;
    std::string body;
    HttpResult result;
    std::string log;
};

// On the given client's connection (kept), or on a connection of the fetch's own.
inline Fetched FetchLogged(HttpControl& settings, const std::string& url, HttpClient* client = nullptr)
{
    HttpClient own;
    Logger log;
    Fetched f;
    f.ok = (client ? *client : own).FetchUrl(url, 0, client != nullptr, settings, f.body, f.result, log, nullptr);
    torvane::StringBuffer text;
    log.RenderText(text);
    f.log = text.GetText();
    return f;
}

} // namespace httptest
