#include "components/net/Socket2.h"

#include "components/foundation/EncodingConvert.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/ProgressMonitor.h"
#include "components/foundation/XString.h"
#include "components/foundation/DataSource.h"
#include "platform/base/Clock.h"

#include <cstring>
#include <memory>

namespace {
void ClearFlags(bool* a, bool* b, bool* c, bool* d)
{
    for (bool* f : { a, b, c, d })
        if (f)
            *f = false;
}

bool IsAscii(const char* text)
{
    for (; *text; ++text)
        if (static_cast<unsigned char>(*text) >= 0x80)
            return false;
    return true;
}
} // namespace

Socket2::Socket2() { m_channel.SetAnswerCloseNotify(true); }

Socket2::~Socket2()
{
    LogNull quiet;
    if (m_tls) {
        if (m_channel.IsConnected())
            m_channel.ShutdownChannel(0, m_closeTimeoutMs, quiet, nullptr);
        m_channel.CloseSocket(quiet);
    } else {
        m_socket.Close(quiet);
    }
}

bool Socket2::Connect(const char* host, int port, bool tls, DWORD heartbeatMs, DWORD connectTimeoutMs, LogBase& log,
    bool* lookupFailed, ProgressMonitor* monitor, int* failureReason, const TlsClientCertificate* clientCertificate)
{
    m_host.SetText(host ? host : "");
    m_tls = tls;
    bool ok;
    if (tls) {
        ok = m_channel.ConnectAndEstablish(host, port, connectTimeoutMs, heartbeatMs, log, lookupFailed, monitor,
            clientCertificate);
        if (ok)
            m_peerClosed = false;
        if (failureReason)
            *failureReason = m_channel.GetFailReason();
    } else {
        m_socket.SetConnectTimeoutMs(connectTimeoutMs);
        ok = m_socket.Connect(host, port, heartbeatMs, log, lookupFailed, monitor);
        if (failureReason)
            *failureReason = m_socket.GetConnectFailReason();
    }
    return ok;
}

bool Socket2::StartTls(DWORD heartbeatMs, DWORD timeoutMs, LogBase& log, ProgressMonitor* monitor,
    const TlsClientCertificate* clientCertificate)
{
    m_channel.SetServerName(m_host.GetText());
    m_channel.SetProtocol("default");
    // Bytes already read past a match belong to the TLS stream now.
    if (m_pending.GetSize()) {
        m_socket.ReceiveBuffer().Append(m_pending.GetData(), m_pending.GetSize());
        m_pending.Empty();
    }
    m_tls = m_channel.EstablishChannel2(m_socket, timeoutMs, heartbeatMs, log, monitor, clientCertificate);
    if (m_tls)
        m_peerClosed = false;
    return m_tls;
}

void Socket2::ResumeSessionOf(const Socket2& other)
{
    m_channel.SetResumption(other.m_tls ? other.m_channel.GetResumption() : nullptr);
}

bool Socket2::Close(DWORD heartbeatMs, DWORD timeoutMs, LogBase& log, ProgressMonitor* monitor)
{
    if (m_tls) {
        bool ok = !m_channel.IsConnected() || m_channel.ShutdownChannel(heartbeatMs, timeoutMs, log, monitor);
        m_channel.CloseSocket(log);
        return ok;
    }
    m_socket.Close(log);
    return true;
}

bool Socket2::CloseQuiet(DWORD heartbeatMs, DWORD timeoutMs, ProgressMonitor* monitor)
{
    LogNull quiet;
    return Close(heartbeatMs, timeoutMs, quiet, monitor);
}

void Socket2::CloseBoth(LogBase& log)
{
    m_channel.CloseSocket(log);
    m_socket.Close(log);
}

bool Socket2::IsConnected() const
{
    return m_tls ? m_channel.IsConnected() : m_socket.IsConnected();
}

DWORD Socket2::GetIdleTimeoutMs() const { return ActiveSocket().GetIdleTimeoutMs(); }

void Socket2::SetPerformanceEnabled(bool on)
{
    m_socket.SetPerformanceEnabled(on);
    m_channel.SetPerformanceEnabled(on);
}

void Socket2::ResetPerformance()
{
    m_socket.ResetPerformance();
    m_channel.ResetPerformance();
}

bool Socket2::GetLocalAddress(torvane::StringBuffer& text, int& port) const
{
    return ActiveSocket().GetLocalAddress(text, port);
}

const char* Socket2::GetRemoteHost() const { return ActiveSocket().GetRemoteHost(); }

bool Socket2::SendBytes(const void* data, unsigned length, unsigned chunkSize, DWORD heartbeatMs,
    DWORD idleTimeoutMs, LogBase& log, ProgressMonitor* monitor)
{
    bool ok;
    if (m_tls) {
        ok = m_channel.SendBytes(data, length, heartbeatMs, idleTimeoutMs, log, monitor);
    } else {
        m_socket.SetIdleTimeoutMs(idleTimeoutMs);
        ok = m_socket.SendBytes(data, length, chunkSize, heartbeatMs, log, monitor);
    }
    if (ok && monitor && monitor->CheckHeartbeat(heartbeatMs)) {
        log.LogError("Socket SendBytes2 aborted by application.");
        return false;
    }
    return ok;
}

bool Socket2::SendCounted(const void* data, unsigned length, unsigned countStep, DWORD heartbeatMs,
    DWORD idleTimeoutMs, LogBase& log, ProgressMonitor* monitor)
{
    if (m_tls || countStep == 0 || length == 0)
        return SendBytes(data, length, countStep, heartbeatMs, idleTimeoutMs, log, monitor);
    m_socket.SetIdleTimeoutMs(idleTimeoutMs);
    bool ok = m_socket.SendBytes(data, length, length, heartbeatMs, log, monitor, countStep);
    if (ok && monitor && monitor->CheckHeartbeat(heartbeatMs)) {
        log.LogError("Socket SendBytes2 aborted by application.");
        return false;
    }
    return ok;
}

bool Socket2::SendString(const char* text, DWORD heartbeatMs, DWORD idleTimeoutMs, LogBase& log,
    ProgressMonitor* monitor)
{
    if (!text)
        return false;
    unsigned length = unsigned(std::strlen(text));
    bool ok = m_tls ? m_channel.SendBytes(text, length, heartbeatMs, idleTimeoutMs, log, monitor)
                    : (m_socket.SetIdleTimeoutMs(idleTimeoutMs),
                          m_socket.SendBytes(text, length, 2048, heartbeatMs, log, monitor));
    if (ok && monitor && monitor->CheckHeartbeat(heartbeatMs)) {
        log.LogError("Socket SendString aborted by application.");
        return false;
    }
    return ok;
}

bool Socket2::SendFromSource(DataSource& source, DWORD heartbeatMs, DWORD idleTimeoutMs, LogBase& log,
    ProgressMonitor* monitor, DWORD* bytesPerSecond, std::uint64_t* totalSent, DataBuffer* tail)
{
    if (source.IsAtEnd())
        return true;
    // The source is read sixteen blocks at a time and each run goes out with as few calls as the
    // socket takes; each block is still counted and checked on its own. Over TLS the run goes to
    // the channel whole, so records are full size (the channel counts its own sends).
    constexpr unsigned kBlock = 4096;
    constexpr unsigned kBlocksPerRead = 16;
    std::unique_ptr<unsigned char[]> staged(new unsigned char[kBlock * kBlocksPerRead]);
    DWORD start = GetTickCount();
    std::uint64_t sum = 0;
    for (;;) {
        DWORD read = 0;
        source.ReadChunk(staged.get(), kBlock * kBlocksPerRead, &read, &log);
        if (read == 0)
            return true;
        // One send call takes as much of the run as the socket does; progress still counts blocks.
        if (!m_tls) {
            m_socket.SetIdleTimeoutMs(idleTimeoutMs);
            if (!m_socket.SendBytes(staged.get(), read, read, heartbeatMs, log, monitor, kBlock))
                return false;
            if (monitor && monitor->CheckHeartbeat(heartbeatMs)) {
                log.LogError("Socket SendBytes2 aborted by application.");
                return false;
            }
        } else if (!SendBytes(staged.get(), read, read, heartbeatMs, idleTimeoutMs, log, monitor)) {
            return false;
        }
        for (DWORD offset = 0; offset < read;) {
            const unsigned char* block = staged.get() + offset;
            unsigned got = read - offset < kBlock ? unsigned(read - offset) : kBlock;
            offset += got;
            if (tail) {
                unsigned keep = got < 16 ? got : 16;
                tail->Empty();
                tail->Append(block + got - keep, keep);
            }
            if (totalSent)
                *totalSent += got;
            DWORD now = GetTickCount();
            if (now < start) {
                start = now;
                sum = 0;
            }
            sum += got;
            if (now > start && bytesPerSecond)
                *bytesPerSecond = DWORD(sum * 1000 / (now - start));
            if (monitor && heartbeatMs && monitor->CheckHeartbeat(heartbeatMs)) {
                log.LogError("Socket send aborted by heartbeat callback");
                return false;
            }
        }
        if (source.IsAtEnd())
            return true;
    }
}

bool Socket2::ReceiveBytes(DataBuffer& out, unsigned maxBytes, DWORD heartbeatMs, DWORD idleTimeoutMs, LogBase& log,
    ProgressMonitor* monitor, bool* timedOut, bool* aborted, bool* error, bool* closed)
{
    ClearFlags(timedOut, aborted, error, closed);
    bool ok;
    if (m_tls) {
        DataBuffer piece;
        bool ended = false, peerClosed = false;
        ok = m_channel.ReceiveBytes(piece, heartbeatMs, idleTimeoutMs, log, monitor, timedOut, aborted, error, &ended,
            &peerClosed);
        if (peerClosed)
            m_peerClosed = true;
        if (closed)
            *closed = ended || peerClosed;
        if (piece.GetSize())
            out.Append(piece.GetData(), piece.GetSize());
        ok = ok && piece.GetSize() > 0;
    } else {
        m_socket.SetIdleTimeoutMs(idleTimeoutMs);
        ok = m_socket.ReceiveToBuffer(out, maxBytes, heartbeatMs, log, monitor, timedOut, aborted, error, closed);
    }
    if (ok && monitor && monitor->CheckHeartbeat(heartbeatMs)) {
        log.LogError("Socket ReceiveBytes aborted by application.");
        return false;
    }
    return ok;
}

bool Socket2::ReceiveInto(void* buffer, unsigned& size, DWORD heartbeatMs, DWORD idleTimeoutMs, LogBase& log,
    ProgressMonitor* monitor, bool* closed)
{
    if (closed)
        *closed = false;
    unsigned wanted = size;
    size = 0;
    if (wanted == 0)
        return true;
    if (m_pending.GetSize() == 0) {
        bool timedOut = false, aborted = false, error = false, ended = false;
        if (!m_tls) {
            m_socket.SetIdleTimeoutMs(idleTimeoutMs);
            unsigned got = wanted;
            bool ok = m_socket.ReceiveBytes(buffer, got, heartbeatMs, log, monitor, &timedOut, &aborted, &error,
                &ended);
            if (closed)
                *closed = ended;
            if (!ok || got == 0)
                return false;
            size = got;
            if (monitor && monitor->CheckHeartbeat(heartbeatMs)) {
                log.LogError("Socket ReceiveBytes aborted by application.");
                return false;
            }
            return true;
        }
        bool ok = ReceiveBytes(m_pending, wanted, heartbeatMs, idleTimeoutMs, log, monitor, &timedOut, &aborted,
            &error, &ended);
        if (closed)
            *closed = ended || m_peerClosed;
        if (!ok && m_pending.GetSize() == 0)
            return false;
    }
    unsigned n = wanted < m_pending.GetSize() ? wanted : m_pending.GetSize();
    std::memcpy(buffer, m_pending.GetData(), n);
    m_pending.RemoveFront(n);
    size = n;
    return true;
}

bool Socket2::ReceiveUntilMatchDecoded(const char* match, torvane::StringBuffer& text, const char* charsetName,
    DWORD heartbeatMs, DWORD idleTimeoutMs, LogBase& log, ProgressMonitor* monitor, bool* timedOut, bool* aborted,
    bool* error, bool* closed)
{
    ClearFlags(timedOut, aborted, error, closed);
    text.Clear();
    if (!match || !*match)
        return false;
    std::size_t matchLength = std::strlen(match);
    // Raw bytes are collected up to the match and decoded once, so a character split between
    // two reads is never decoded in halves.
    DataBuffer raw;
    raw.TakeOver(m_pending);
    auto found = [&]() -> long {
        const unsigned char* at = raw.FindBytes(match, unsigned(matchLength));
        return at ? long(at - raw.GetData()) : -1;
    };
    long position = found();
    while (position < 0) {
        if (!IsConnected()) {
            m_pending.TakeOver(raw);
            return false;
        }
        if (raw.GetSize() > kMaxMatchText) {
            log.LogError("Reply exceeds the size limit");
            log.LogDataInt("limit", int(kMaxMatchText));
            return false;
        }
        unsigned before = raw.GetSize();
        bool t = false, a = false, e = false, c = false;
        bool ok = ReceiveBytes(raw, 2048, heartbeatMs, idleTimeoutMs, log, monitor, &t, &a, &e, &c);
        if (timedOut)
            *timedOut = t;
        if (aborted)
            *aborted = a;
        if (error)
            *error = e;
        if (closed)
            *closed = c;
        if (a || e || !ok || raw.GetSize() == before) {
            // What arrived stays visible to the caller; a time-out or close is still a failure.
            text.AppendBytes(raw.GetData(), int(raw.GetSize()));
            return false;
        }
        position = found();
    }
    unsigned end = unsigned(position) + unsigned(matchLength);
    if (end < raw.GetSize())
        m_pending.Append(raw.GetData() + end, raw.GetSize() - end);
    raw.SetSize(end);

    torvane::StringBuffer name(charsetName ? charsetName : "utf-8");
    name.Trim();
    if (name.EqualsNoCase("utf-8") || name.EqualsNoCase("ansi")) {
        text.AppendBytes(raw.GetData(), int(raw.GetSize()));
        return true;
    }
    DataBuffer utf8;
    EncodingConvert converter;
    if (!converter.ConvertFromNamedCharset(name.GetText(), 65001, raw.GetData(), raw.GetSize(), utf8)) {
        text.AppendBytes(raw.GetData(), int(raw.GetSize()));
        return true;
    }
    text.AppendBytes(utf8.GetData(), int(utf8.GetSize()));
    return true;
}

bool Socket2::ReceiveUntilMatch(const char* match, torvane::StringBuffer& text, DWORD heartbeatMs,
    DWORD idleTimeoutMs, LogBase& log, ProgressMonitor* monitor, bool* timedOut, bool* aborted, bool* error,
    bool* closed)
{
    return ReceiveUntilMatchDecoded(match, text, "utf-8", heartbeatMs, idleTimeoutMs, log, monitor, timedOut,
        aborted, error, closed);
}

bool Socket2::ReceiveUntilMatchText(const XString& match, XString& text, const char* charsetName, DWORD heartbeatMs,
    DWORD idleTimeoutMs, LogBase& log, ProgressMonitor* monitor, bool* timedOut, bool* aborted, bool* error,
    bool* closed)
{
    const char* matchUtf8 = match.GetUtf8();
    torvane::StringBuffer name(charsetName ? charsetName : "utf-8");
    name.Trim();
    // Replies end in ASCII terminators; a match outside ASCII is looked for in the charset's form.
    torvane::StringBuffer rawMatch(matchUtf8);
    if (!IsAscii(matchUtf8) && !name.EqualsNoCase("utf-8") && !name.EqualsNoCase("ansi")) {
        DataBuffer converted;
        EncodingConvert converter;
        if (converter.ConvertToNamedCharset(65001, name.GetText(), reinterpret_cast<const unsigned char*>(matchUtf8),
                unsigned(std::strlen(matchUtf8)), converted)) {
            rawMatch.Clear();
            rawMatch.AppendBytes(converted.GetData(), int(converted.GetSize()));
        }
    }
    torvane::StringBuffer result;
    bool ok = ReceiveUntilMatchDecoded(rawMatch.GetText(), result, name.GetText(), heartbeatMs, idleTimeoutMs, log,
        monitor, timedOut, aborted, error, closed);
    text.SetFromUtf8N(result.GetText(), result.GetLength());
    return ok;
}

bool Socket2::ReceiveReply(std::vector<std::string>& lines,
    const std::function<ReplyLine(const std::string&)>& judge, const char* charsetName, DWORD heartbeatMs,
    DWORD idleTimeoutMs, LogBase& log, ProgressMonitor* monitor, ReplyFailure* failure)
{
    ReplyFailure local;
    ReplyFailure& f = failure ? *failure : local;
    f = ReplyFailure();
    lines.clear();
    std::size_t total = 0;
    bool plain = !charsetName || !*charsetName || std::strcmp(charsetName, "ansi") == 0
        || std::strcmp(charsetName, "utf-8") == 0;
    XString match;
    match.SetFromUtf8("\n");
    for (;;) {
        std::string line;
        bool ok;
        if (plain) {
            torvane::StringBuffer text;
            ok = ReceiveUntilMatch("\n", text, heartbeatMs, idleTimeoutMs, log, monitor, &f.timedOut, &f.aborted,
                nullptr, &f.closed);
            line.assign(text.GetText() ? text.GetText() : "", std::size_t(text.GetLength()));
        } else {
            XString text;
            ok = ReceiveUntilMatchText(match, text, charsetName, heartbeatMs, idleTimeoutMs, log, monitor,
                &f.timedOut, &f.aborted, nullptr, &f.closed);
            line.assign(text.GetUtf8());
        }
        if (!ok)
            return false;
        total += line.size();
        if (total > kMaxReplyBytes) {
            f.tooLong = true;
            log.LogError("Reply exceeds the size limit");
            log.LogDataInt("limit", int(kMaxReplyBytes));
            return false;
        }
        switch (judge(line)) {
        case ReplyLine::kDiscarded:
            break;
        case ReplyLine::kContinues:
            lines.push_back(std::move(line));
            break;
        case ReplyLine::kEnds:
            lines.push_back(std::move(line));
            return true;
        case ReplyLine::kStop:
            f.stopped = true;
            return false;
        }
    }
}

void Socket2::WaitForReply(DWORD ms, LogBase& log, ProgressMonitor* monitor, bool* aborted)
{
    if (aborted)
        *aborted = false;
    if (m_tls || m_pending.GetSize() || !monitor)
        return;
    m_socket.WaitForDataProgress(ms, log, monitor, nullptr, aborted);
}

Socket2* Socket2::AcceptNext(DWORD heartbeatMs, DWORD timeoutMs, LogBase& log, bool* aborted,
    ProgressMonitor* monitor)
{
    auto* accepted = new Socket2();
    if (!m_socket.Accept(accepted->m_socket, heartbeatMs, timeoutMs, monitor, log, aborted)) {
        delete accepted;
        return nullptr;
    }
    return accepted;
}

bool Socket2::ListenAnyPort(LogBase& log) { return !m_tls && m_socket.ListenAnyPort(log); }
bool Socket2::ListenOnPort(int port, LogBase& log) { return !m_tls && m_socket.ListenOnPort(port, log); }
bool Socket2::ListenInRange(int first, int last, LogBase& log)
{
    return !m_tls && m_socket.ListenInRange(first, last, log);
}
