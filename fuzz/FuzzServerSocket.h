#pragma once
// A connected socket whose peer has said the given bytes and then closed its sending side: the
// harnesses of network clients read it as a server's replies, through a local socket pair, never
// the network.

#include <cstddef>
#include <cstdint>
#include <sys/socket.h>
#include <unistd.h>

class FuzzServerSocket {
public:
    FuzzServerSocket(const uint8_t* said, size_t size)
    {
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, m_pair) != 0) {
            m_pair[0] = m_pair[1] = -1;
            return;
        }
        // What the client sends is never read: keep it from filling the pair.
        int big = 1 << 20;
        setsockopt(m_pair[0], SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
        if (size && write(m_pair[1], said, size) != ssize_t(size)) {
            close(m_pair[0]);
            m_pair[0] = -1;
            return;
        }
        shutdown(m_pair[1], SHUT_WR);
    }
    FuzzServerSocket(const FuzzServerSocket&) = delete;
    FuzzServerSocket& operator=(const FuzzServerSocket&) = delete;
    ~FuzzServerSocket()
    {
        if (m_pair[1] >= 0)
            close(m_pair[1]);
    }

    // The client's end, owned by whoever takes it; -1 when the pair could not be made.
    int ClientEnd() const { return m_pair[0]; }

private:
    int m_pair[2];
};
