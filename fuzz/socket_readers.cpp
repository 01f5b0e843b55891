// Bytes from a peer through the socket readers: lines, header blocks, reads to a match, counts.
// The input goes through a local socket pair, never the network.
#include "components/foundation/DataBuffer.h"
#include "components/foundation/LogBase.h"
#include "components/net/TorvaneSocket.h"
#include "fuzz/FuzzServerSocket.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 60000)
        return 0;
    FuzzServerSocket server(data, size);
    if (server.ClientEnd() < 0)
        return 0;

    TorvaneSocket socket;
    socket.AttachConnectedHandle(server.ClientEnd());
    socket.SetIdleTimeoutMs(200);
    LogNull log;
    // The first byte picks the order in which the readers take the stream.
    int order = size ? data[0] % 4 : 0;
    for (int step = 0; step < 64 && socket.IsConnected(); ++step) {
        DataBuffer buffer;
        torvane::StringBuffer text;
        bool ok = false;
        switch ((order + step) % 4) {
        case 0: ok = socket.ReceiveCrlfLine(buffer, 0, log, nullptr); break;
        case 1: ok = socket.ReceiveHeaderBlock(buffer, 0, log, nullptr); break;
        case 2: ok = socket.ReceiveUntilMatch(text, "\r\n.\r\n", 0, step % 2 == 0, 0, log, nullptr); break;
        case 3: ok = socket.ReceiveCountToBuffer(unsigned(step * 7 + 1), buffer, 0, log, nullptr); break;
        }
        if (!ok)
            break;
    }
    return 0;
}
