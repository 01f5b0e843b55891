#pragma once
// Starting a private Xvfb for a test: a free display picked by the server itself, no TCP, a
// 1280 x 1024 true-colour screen, ended with the test process if the test is killed.

#include <string>
#include <sys/prctl.h>
#include <sys/types.h>
#include <csignal>
#include <unistd.h>

namespace xvfbtest {

// The display name (":N"), empty when the server did not start; `server` gets its process.
inline std::string StartXvfb(pid_t& server)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    server = fork();
    if (server < 0) {
        close(fds[0]);
        close(fds[1]);
        return {};
    }
    if (server == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM); // never outlives a test that was killed
        close(fds[0]);
        if (fds[1] != 3) {
            dup2(fds[1], 3);
            close(fds[1]);
        }
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-screen", "0", "1280x1024x24", "-noreset",
            static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    return number.empty() ? std::string() : ":" + number;
}

} // namespace xvfbtest
