// Bytes from an FTP server's control connection through the reply reader: a greeting, then
// replies read with each set of discard flags until the stream ends, each also read as a PASV
// answer. Loopback only.
#include "components/foundation/LogBase.h"
#include "components/net/ftp/Ftp2.h"

#include <arpa/inet.h>
#include <cstdint>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 60000)
        return 0;
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t n = sizeof a;
    if (bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listener, 1) != 0
        || getsockname(listener, reinterpret_cast<sockaddr*>(&a), &n) != 0) {
        close(listener);
        return 0;
    }
    std::thread server([&] {
        int c = accept(listener, nullptr, nullptr);
        if (c < 0)
            return;
        size_t sent = 0;
        while (sent < size) {
            ssize_t w = write(c, data + sent, size - sent);
            if (w <= 0)
                break;
            sent += size_t(w);
        }
        shutdown(c, SHUT_WR);
        char sink[512];
        while (read(c, sink, sizeof sink) > 0) {
        }
        close(c);
    });
    {
        Ftp2 engine;
        engine.Hostname = "127.0.0.1";
        engine.Port = ntohs(a.sin_port);
        engine.IdleTimeoutMs = 300;
        engine.ConnectTimeout = 2;
        LogNull log;
        if (engine.ConnectDirect(log, nullptr)) {
            static const int kFlags[] = { 15, 12, 7, 0 };
            for (int i = 0; i < 64; ++i) {
                int code;
                std::string text;
                bool positive;
                if (!engine.ReadReply(code, text, log, positive, nullptr, kFlags[i % 4]))
                    break;
                // Any reply may be the answer to PASV.
                std::string host;
                int port = 0;
                Ftp2::ParsePasvReply(text, host, port);
            }
        }
    }
    server.join();
    close(listener);
    return 0;
}
