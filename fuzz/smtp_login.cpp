// SMTP login exchanges reading the server's side: CRAM-MD5 challenges, NTLM challenge tokens and
// LOGIN prompts. The first byte picks the exchange; the rest is what the server says, through a
// local socket pair, never the network.
#include "components/foundation/LogBase.h"
#include "components/mail/SmtpConnImpl.h"

#include <cstdint>
#include <sys/socket.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > 60000)
        return 0;
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0)
        return 0;
    // What the client sends is never read: keep it from filling the pair.
    int big = 1 << 20;
    setsockopt(pair[0], SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
    if (size > 1 && write(pair[1], data + 1, size - 1) != ssize_t(size - 1)) {
        close(pair[0]);
        close(pair[1]);
        return 0;
    }
    shutdown(pair[1], SHUT_WR);
    {
        SmtpConnImpl session;
        session.attachConnectedHandle(pair[0], 200);
        LogNull log;
        bool notAvailable = false;
        switch (data[0] % 3) {
        case 0:
            session.authCramMd5("user", "secret", log, nullptr);
            break;
        case 1:
            session.authNtlm("Domain", "user", "Password", log, &notAvailable, nullptr);
            break;
        default:
            session.authLogin("user", "secret", log, nullptr);
            break;
        }
        session.closeSmtpConnection(log);
    }
    close(pair[1]);
    return 0;
}
