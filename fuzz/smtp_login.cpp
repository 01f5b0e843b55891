// SMTP login exchanges reading the server's side: CRAM-MD5 challenges, NTLM challenge tokens and
// LOGIN prompts. The first byte picks the exchange; the rest is what the server says, through a
// local socket pair, never the network.
#include "components/foundation/LogBase.h"
#include "components/mail/SmtpConnImpl.h"
#include "fuzz/FuzzServerSocket.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > 60000)
        return 0;
    FuzzServerSocket server(data + 1, size - 1);
    if (server.ClientEnd() < 0)
        return 0;
    {
        SmtpConnImpl session;
        session.attachConnectedHandle(server.ClientEnd(), 200);
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
    return 0;
}
