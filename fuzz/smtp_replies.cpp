// SMTP server replies through the session's reply reader and EHLO capability parsing.
// The input goes through a local socket pair, never the network.
#include "components/foundation/LogBase.h"
#include "components/mail/SmtpConnImpl.h"
#include "fuzz/FuzzServerSocket.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 60000)
        return 0;
    FuzzServerSocket server(data, size);
    if (server.ClientEnd() < 0)
        return 0;
    {
        SmtpConnImpl session;
        session.attachConnectedHandle(server.ClientEnd(), 200);
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
    return 0;
}
