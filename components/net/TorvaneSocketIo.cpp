// Send and receive loops of TorvaneSocket.
#include "components/net/TorvaneSocket.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/Output.h"
#include "components/foundation/ProgressMonitor.h"
#include "platform/base/Clock.h"

#include <cstring>
#include <memory>
#include <vector>

namespace {
void ClearFlags(bool* a, bool* b, bool* c, bool* d)
{
    for (bool* f : { a, b, c, d })
        if (f)
            *f = false;
}

constexpr unsigned kCountPiece = 2200000;
constexpr unsigned kMaxCount = 0xC000000;
} // namespace

bool TorvaneSocket::SendBytes(const void* data, unsigned length, unsigned chunkSize, DWORD heartbeatMs,
    LogBase& log, ProgressMonitor* monitor, unsigned countStep)
{
    if (m_socket == INVALID_SOCKET) {
        log.LogError("No socket exists for sending (2)");
        return false;
    }
    if (chunkSize == 0)
        chunkSize = 2048;
    // Each send asks not to wait; the socket itself stays in blocking mode.
    m_lastSendError = 0;
    const auto* p = static_cast<const unsigned char*>(data);
    unsigned remaining = data ? length : 0;
    unsigned uncounted = 0;
    while (remaining > 0) {
        unsigned piece = remaining < chunkSize ? remaining : chunkSize;
        if (monitor && monitor->CheckHeartbeat(heartbeatMs)) {
            log.LogError("Socket SendBytes2 aborted by application. (1)");
            return false;
        }
        int sent = SendSocketNoWait(m_socket, p, int(piece));
        if (sent < 0) {
            int error = WSAGetLastError();
            m_lastSendError = error;
            if (error == WSAEWOULDBLOCK) {
                bool aborted = false;
                if (!WaitWritable(heartbeatMs, m_idleTimeoutMs, log, monitor, &aborted)) {
                    log.LogError(aborted ? "Socket send aborted by application" : "Socket send idle timeout");
                    return false;
                }
                continue;
            }
            LogSocketError(error, log);
            log.LogError("Error sending on socket");
            log.LogDataInt("send_size", int(piece));
            Close(log);
            return false;
        }
        if (sent == 0) {
            Sleep(10);
            continue;
        }
        p += sent;
        remaining -= unsigned(sent);
        if (countStep == 0) {
            if (!CountSent(unsigned(sent), log, monitor))
                return false;
            continue;
        }
        uncounted += unsigned(sent);
        while (uncounted >= countStep || (remaining == 0 && uncounted > 0)) {
            unsigned step = uncounted < countStep ? uncounted : countStep;
            if (!CountSent(step, log, monitor))
                return false;
            uncounted -= step;
        }
    }
    return true;
}

// Records bytes that left for the rate and the progress; false when the application aborts.
bool TorvaneSocket::CountSent(unsigned sent, LogBase& log, ProgressMonitor* monitor)
{
    if (m_performanceEnabled)
        m_sendPerformance.AddBytes(sent, monitor);
    if (!monitor)
        return true;
    bool abort = false;
    monitor->ConsumeProgress(sent, &abort);
    if (abort)
        log.LogError("Socket send aborted by application");
    return !abort;
}

bool TorvaneSocket::SendBytesCollecting(const void* data, unsigned length, unsigned firstChunkSize,
    unsigned firstChunkCount, unsigned laterChunkSize, DWORD heartbeatMs, LogBase& log, ProgressMonitor* monitor,
    DataBuffer& received)
{
    if (m_socket == INVALID_SOCKET) {
        log.LogError("No socket exists for sending (2a)");
        return false;
    }
    if (firstChunkSize == 0)
        firstChunkSize = 2048;
    if (laterChunkSize == 0)
        laterChunkSize = firstChunkSize;
    // Each send asks not to wait; the socket itself stays in blocking mode.
    m_lastSendError = 0;
    const auto* p = static_cast<const unsigned char*>(data);
    unsigned remaining = data ? length : 0;
    unsigned sends = 0;
    while (remaining > 0) {
        unsigned chunk = sends < firstChunkCount ? firstChunkSize : laterChunkSize;
        unsigned piece = remaining < chunk ? remaining : chunk;
        if (monitor && monitor->CheckHeartbeat(heartbeatMs)) {
            log.LogError("Socket SendBytes2 aborted by application. (1)");
            return false;
        }
        if (!DrainAvailable(received, log, monitor)) {
            return false;
        }
        int sent = SendSocketNoWait(m_socket, p, int(piece));
        if (sent < 0) {
            int error = WSAGetLastError();
            m_lastSendError = error;
            if (error == WSAEWOULDBLOCK) {
                DWORD waited = 0;
                bool writable = false;
                while (!writable) {
                    if (!DrainAvailable(received, log, monitor)) {
                                    return false;
                    }
                    LogNull quiet;
                    bool aborted = false;
                    writable = WaitWritable(heartbeatMs, 100, quiet, monitor, &aborted);
                    if (writable)
                        break;
                    if (aborted) {
                        log.LogError("Socket send aborted by application");
                        return false;
                    }
                    waited += 100;
                    if (waited >= m_idleTimeoutMs) {
                        log.LogError("Socket send idle timeout");
                        return false;
                    }
                }
                continue;
            }
            LogSocketError(error, log);
            log.LogError("Error sending on socket");
            log.LogDataInt("send_size", int(piece));
            Close(log);
            return false;
        }
        ++sends;
        if (sent == 0) {
            Sleep(10);
            continue;
        }
        if (!CountSent(unsigned(sent), log, monitor))
            return false;
        p += sent;
        remaining -= unsigned(sent);
    }
    return true;
}

bool TorvaneSocket::DrainAvailable(DataBuffer& data, LogBase& log, ProgressMonitor*)
{
    if (m_socket == INVALID_SOCKET)
        return false;
    unsigned char piece[2000];
    DWORD lastData = GetTickCount();
    for (;;) {
        if (GetTickCount() - lastData >= 100)
            return true;
        int r = WaitSocketReadable(m_socket, 0);
        if (r == 0)
            return true;
        int n = r > 0 ? ReceiveSocket(m_socket, piece, sizeof piece) : SOCKET_ERROR;
        if (n == 0) {
            Close(log);
            return false;
        }
        if (n < 0) {
            if (WSAGetLastError() == WSAEWOULDBLOCK)
                return true;
            torvane::StringBuffer text("SOCKET_ERROR: ");
            text.Append(LastSocketErrorText().c_str());
            log.LogError(text.GetText());
            log.LogError("Failed to accumulate data on socket.");
            return false;
        }
        if (data.GetSize() + unsigned(n) > kMaxBufferedBytes) {
            log.LogError("The peer sent more than the size limit while we were sending.");
            log.LogDataInt("limit", int(kMaxBufferedBytes));
            return false;
        }
        data.Append(piece, unsigned(n));
        NoteReceived(unsigned(n), nullptr);
        lastData = GetTickCount();
    }
}

void TorvaneSocket::NoteReceived(unsigned n, ProgressMonitor* monitor)
{
    if (m_performanceEnabled)
        m_receivePerformance.AddBytes(n, monitor);
}

bool TorvaneSocket::ReceiveFromSocket(void* buffer, unsigned& size, DWORD heartbeatMs, LogBase& log,
    ProgressMonitor* monitor, bool* timedOut, bool* aborted, bool* error, bool* closed)
{
    ClearFlags(timedOut, aborted, error, closed);
    unsigned wanted = size;
    size = 0;
    if (wanted == 0)
        return true;
    if (m_socket == INVALID_SOCKET) {
        log.LogError("This socket is not connected");
        if (error)
            *error = true;
        return false;
    }
    if (!WaitReadable(heartbeatMs, m_idleTimeoutMs, monitor, error, aborted, timedOut, log))
        return false;
    int n = ReceiveSocket(m_socket, buffer, int(wanted > 0x7FFFFFFF ? 0x7FFFFFFF : wanted));
    if (n == 0) {
        log.LogError("Connection closed by server.");
        Close(log);
        if (closed)
            *closed = true;
        return false;
    }
    if (n < 0) {
        torvane::StringBuffer text("SOCKET_ERROR: ");
        text.Append(LastSocketErrorText().c_str());
        log.LogError(text.GetText());
        log.LogError("Failed to receive data on the TCP socket");
        if (error)
            *error = true;
        return false;
    }
    size = unsigned(n);
    NoteReceived(size, monitor);
    if (monitor) {
        bool abort = false;
        monitor->ConsumeProgress(size, &abort);
    }
    return true;
}

bool TorvaneSocket::ReceiveBytes(void* buffer, unsigned& size, DWORD heartbeatMs, LogBase& log,
    ProgressMonitor* monitor, bool* timedOut, bool* aborted, bool* error, bool* closed)
{
    // Bytes a read until a match received beyond its match are handed out before new ones.
    if (m_receiveBuffer.GetLength() && size > 0) {
        ClearFlags(timedOut, aborted, error, closed);
        unsigned n = size < m_receiveBuffer.GetLength() ? size : m_receiveBuffer.GetLength();
        std::memcpy(buffer, m_receiveBuffer.GetData(), n);
        m_receiveBuffer.Consume(n);
        size = n;
        return true;
    }
    return ReceiveFromSocket(buffer, size, heartbeatMs, log, monitor, timedOut, aborted, error, closed);
}

bool TorvaneSocket::ReceiveToBuffer(DataBuffer& data, unsigned maxBytes, DWORD heartbeatMs, LogBase& log,
    ProgressMonitor* monitor, bool* timedOut, bool* aborted, bool* error, bool* closed)
{
    if (maxBytes == 0)
        maxBytes = 1;
    if (maxBytes > 1000000)
        maxBytes = 1000000;
    std::unique_ptr<unsigned char[]> piece(new unsigned char[maxBytes]);
    unsigned size = maxBytes;
    if (!ReceiveBytes(piece.get(), size, heartbeatMs, log, monitor, timedOut, aborted, error, closed) || size == 0)
        return false;
    return data.Append(piece.get(), size);
}

bool TorvaneSocket::ReceiveToOutput(unsigned maxPiece, Output& output, DWORD heartbeatMs, LogBase& log,
    ProgressMonitor* monitor, bool* timedOut, bool* aborted, bool* error, bool* closed)
{
    if (maxPiece == 0)
        maxPiece = 1;
    if (maxPiece > 1000000)
        maxPiece = 1000000;
    std::unique_ptr<unsigned char[]> piece(new unsigned char[maxPiece]);
    bool grew = false;
    for (;;) {
        unsigned size = maxPiece;
        if (!ReceiveBytes(piece.get(), size, heartbeatMs, log, monitor, timedOut, aborted, error, closed)
            || size == 0)
            return grew;
        if (output.Write(piece.get(), 1, size, nullptr) != size)
            return grew;
        grew = true;
    }
}

bool TorvaneSocket::ReceiveLine(DataBuffer& data, bool headerBlock, DWORD heartbeatMs, LogBase& log,
    ProgressMonitor* monitor)
{
    unsigned limit = headerBlock ? kMaxHeaderBlockBytes : kMaxLineBytes;
    unsigned lineCount = 0;
    unsigned read = 0;
    for (;;) {
        if (monitor && monitor->AbortCheck(heartbeatMs))
            return false;
        unsigned char c;
        unsigned size = 1;
        bool timedOut, aborted, error, closed;
        if (!ReceiveBytes(&c, size, heartbeatMs, log, monitor, &timedOut, &aborted, &error, &closed) || size != 1)
            return false;
        data.AppendByte(c);
        if (++read > limit) {
            log.LogError(headerBlock ? "Header block exceeds the size limit" : "Line exceeds the size limit");
            log.LogDataInt("limit", int(limit));
            return false;
        }
        if (c == '\r') {
            // A line reader takes CR LF as the end; a header block counts only what a line holds
            // besides carriage returns.
            if (!headerBlock)
                lineCount = 0;
            continue;
        }
        if (c == '\n') {
            if (lineCount == 0)
                return true;
            if (headerBlock)
                lineCount = 0;
            continue;
        }
        ++lineCount;
    }
}

bool TorvaneSocket::ReceiveHeaderBlock(DataBuffer& data, DWORD heartbeatMs, LogBase& log, ProgressMonitor* monitor)
{
    return ReceiveLine(data, true, heartbeatMs, log, monitor);
}

bool TorvaneSocket::ReceiveCrlfLine(DataBuffer& data, DWORD heartbeatMs, LogBase& log, ProgressMonitor* monitor)
{
    return ReceiveLine(data, false, heartbeatMs, log, monitor);
}

bool TorvaneSocket::ReceiveExactly(void* buffer, unsigned count, DWORD heartbeatMs, LogBase& log,
    ProgressMonitor* monitor, unsigned* received)
{
    auto* p = static_cast<unsigned char*>(buffer);
    unsigned got = 0;
    if (received)
        *received = 0;
    while (got < count) {
        if (monitor && monitor->AbortCheck(heartbeatMs))
            return false;
        unsigned size = count - got;
        bool timedOut, aborted, error, closed;
        if (!ReceiveBytes(p + got, size, heartbeatMs, log, monitor, &timedOut, &aborted, &error, &closed)
            || size == 0)
            return false;
        got += size;
        if (received)
            *received = got;
    }
    return true;
}

bool TorvaneSocket::ReceiveCountToBuffer(unsigned count, DataBuffer& data, DWORD heartbeatMs, LogBase& log,
    ProgressMonitor* monitor)
{
    if (count == 0 || count > kMaxCount)
        return false;
    std::vector<unsigned char> block;
    try {
        block.resize(count);
    } catch (...) {
        return false;
    }
    unsigned got = 0;
    while (got < count) {
        if (got && monitor && monitor->AbortCheck(heartbeatMs))
            return false;
        unsigned piece = count - got < kCountPiece ? count - got : kCountPiece;
        if (!ReceiveExactly(block.data() + got, piece, heartbeatMs, log, monitor, nullptr))
            return false;
        got += piece;
    }
    return data.Append(block.data(), count);
}

bool TorvaneSocket::ReceiveCountToOutput(unsigned count, Output& output, DWORD heartbeatMs, LogBase& log,
    ProgressMonitor* monitor)
{
    if (count == 0 || count > kMaxCount)
        return false;
    std::vector<unsigned char> block(count < kCountPiece ? count : kCountPiece);
    unsigned got = 0;
    while (got < count) {
        if (got && monitor && monitor->AbortCheck(heartbeatMs))
            return false;
        unsigned piece = count - got < kCountPiece ? count - got : kCountPiece;
        unsigned received = 0;
        bool ok = ReceiveExactly(block.data(), piece, heartbeatMs, log, monitor, &received);
        if (received)
            output.Write(block.data(), 1, received, nullptr);
        if (!ok)
            return false;
        got += piece;
    }
    return true;
}

bool TorvaneSocket::ReceiveCount64ToOutput(std::uint64_t count, Output& output, DWORD heartbeatMs, LogBase& log,
    ProgressMonitor* monitor)
{
    if (count <= 0xFFFFFFFFull)
        return ReceiveCountToOutput(unsigned(count), output, heartbeatMs, log, monitor);
    while (count > 0) {
        unsigned piece = count > 20000000 ? 20000000 : unsigned(count);
        if (!ReceiveCountToOutput(piece, output, heartbeatMs, log, monitor))
            return false;
        count -= piece;
    }
    return true;
}

bool TorvaneSocket::ReceiveUntilMatch(torvane::StringBuffer& text, const char* match, unsigned readSize,
    bool matchAtEnd, DWORD heartbeatMs, LogBase& log, ProgressMonitor* monitor)
{
    text.Clear();
    if (!match || !*match)
        return false;
    unsigned matchLength = unsigned(std::strlen(match));
    std::vector<unsigned char> piece(readSize <= 4000 ? 4000 : readSize);
    for (;;) {
        if (monitor && heartbeatMs && monitor->CheckHeartbeat(heartbeatMs)) {
            log.LogError("socket read-until-match aborted by application callback");
            return false;
        }
        if (m_receiveBuffer.ExtractUntilMatch(match, matchLength, matchAtEnd, &text))
            return true;
        if (m_receiveBuffer.GetLength() > kMaxBufferedBytes) {
            log.LogError("Reply exceeds the size limit");
            log.LogDataInt("limit", int(kMaxBufferedBytes));
            return false;
        }
        unsigned size = unsigned(piece.size());
        bool timedOut, aborted, error, closed;
        if (ReceiveFromSocket(piece.data(), size, heartbeatMs, log, monitor, &timedOut, &aborted, &error, &closed)
            && size > 0) {
            if (!m_receiveBuffer.Append(piece.data(), size)) {
                log.LogError("Out of memory for received data");
                return false;
            }
            continue;
        }
        if (timedOut) {
            // What arrived is handed back for the log, but without its terminator it is no reply.
            m_receiveBuffer.TakeAll(text);
            log.LogError("Timed out before the end of the reply arrived");
            return false;
        }
        if (!aborted)
            log.LogError(HasDataReady() ? "Failed to read data from socket" : "Socket is no longer readable");
        return false;
    }
}

bool TorvaneSocket::ReceiveOnce(void* buffer, unsigned& size, bool* timedOut, bool* closed, LogBase& log,
    ProgressMonitor* monitor)
{
    ClearFlags(timedOut, closed, nullptr, nullptr);
    unsigned wanted = size;
    size = 0;
    if (m_receiveBuffer.GetLength() && wanted) {
        unsigned n = wanted < m_receiveBuffer.GetLength() ? wanted : m_receiveBuffer.GetLength();
        std::memcpy(buffer, m_receiveBuffer.GetData(), n);
        m_receiveBuffer.Consume(n);
        size = n;
        return true;
    }
    bool waitClosed = false;
    if (!WaitForDataProgress(m_idleTimeoutMs, log, monitor, &waitClosed)) {
        if (waitClosed || m_socket == INVALID_SOCKET) {
            if (closed)
                *closed = true;
        } else {
            log.LogError("WaitForData timed out.");
            if (timedOut)
                *timedOut = true;
        }
        return false;
    }
    int n = ReceiveSocket(m_socket, buffer, int(wanted));
    if (n == 0) {
        log.LogError("The peer has closed the socket (TCP) connection");
        Close(log);
        if (closed)
            *closed = true;
        return false;
    }
    if (n < 0) {
        log.LogError(LastSocketErrorText().c_str());
        log.LogError("Failed to receive on the TCP socket");
        return false;
    }
    size = unsigned(n);
    NoteReceived(size, monitor);
    return true;
}

bool TorvaneSocket::ReceiveUntilIdle(DataBuffer& data, LogBase& log, ProgressMonitor* monitor, bool* timedOut,
    bool* closed)
{
    std::vector<unsigned char> piece(20000);
    bool any = false;
    for (;;) {
        unsigned size = unsigned(piece.size());
        if (!ReceiveOnce(piece.data(), size, timedOut, closed, log, monitor) || size == 0)
            return any;
        if (data.GetSize() + size > kMaxBufferedBytes) {
            log.LogError("Data exceeds the size limit");
            log.LogDataInt("limit", int(kMaxBufferedBytes));
            return false;
        }
        data.Append(piece.data(), size);
        any = true;
    }
}
