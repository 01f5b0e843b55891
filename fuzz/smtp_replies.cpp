// SMTP server replies through the session's reply reader and EHLO capability parsing.
// The input goes through a local socket pair, never the network.
#include "components/foundation/LogBase.h"
#include "components/mail/SmtpConnImpl.h"

#include <cstdint>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 60000)
        return 0;
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0)
        return 0;
    if (size && write(pair[1], data, size) != ssize_t(size)) {
        close(pair[0]);
        close(pair[1]);
        return 0;
    }
    shutdown(pair[1], SHUT_WR);
    {
        SmtpConnImpl session;
        session.attachConnectedHandle(pair[0], 200);
        LogNull log;
        int code = 0;
        std::string lines;
        // Greeting, EHLO reply, then plain replies until the stream ends.
        session.readResponse(220, &code, &lines, log, nullptr);
        lines.clear();
        session.readHelloReply(lines, log, nullptr);
        for (int step = 0; step < 32 && session.isConnected(); ++step) {
            std::string line;
            if (!session.readResponseLine(250, line, log, nullptr) && line.empty())
                break;
        }
        session.closeSmtpConnection(log);
    }
    close(pair[1]);
    return 0;
}
