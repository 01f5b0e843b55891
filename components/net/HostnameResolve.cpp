#include "components/net/HostnameResolve.h"

#include "components/foundation/LogBase.h"
#include "components/foundation/ProgressMonitor.h"
#include "components/net/TorvaneSocket.h"
#include "platform/base/Clock.h"
#include "platform/net/HostLookup.h"

#include <cstring>
#include <thread>

namespace {
std::atomic<int> g_liveResolvers { 0 };

// Trimmed, without blanks, quotes, brackets and URL punctuation, lower case.
void CleanHostName(const char* name, torvane::StringBuffer& out)
{
    out.SetText(name);
    out.Trim();
    torvane::StringBuffer cleaned;
    for (int i = 0; i < out.GetLength(); ++i) {
        char c = out.CharAt(i);
        if (std::strchr(" \t\r\n'\"<>:/@?", c))
            continue;
        cleaned.AppendChar(c);
    }
    cleaned.ToLower();
    out.SetBuffer(cleaned);
}

bool RunAttempt(const char* name, DWORD timeoutMs, DWORD heartbeatMs, LogBase& log, ProgressMonitor* monitor,
    torvane::StringBuffer& dottedText, NetAddress& address, bool* aborted, bool* timedOut)
{
    auto* resolver = new HostnameResolve();
    resolver->AddReference();
    bool ok = resolver->Resolve(name, timeoutMs, heartbeatMs, log, monitor, dottedText, address, aborted, timedOut);
    resolver->Release();
    return ok && dottedText.GetLength() > 0;
}
} // namespace

int RefCountedObject::Release()
{
    int current = m_count.load(std::memory_order_acquire);
    for (;;) {
        if (current <= 0) {
            m_count.store(0, std::memory_order_release);
            return 0;
        }
        if (m_count.compare_exchange_weak(current, current - 1, std::memory_order_acq_rel))
            break;
    }
    if (current == 1) {
        delete this;
        return 0;
    }
    return current - 1;
}

HostnameResolve::HostnameResolve() { g_liveResolvers.fetch_add(1); }
HostnameResolve::~HostnameResolve() { g_liveResolvers.fetch_sub(1); }
int HostnameResolve::LiveCountForTesting() { return g_liveResolvers.load(); }

bool HostnameResolve::LookupNow(const char* name, torvane::StringBuffer& text, NetAddress& address)
{
    text.Clear();
    address = NetAddress {};
    HostLookupResult result;
    if (!name || !LookupHostAddresses(name, result) || result.addresses.empty())
        return false;
    address = result.addresses.front();
    text.SetText(address.ToText().c_str());
    return text.GetLength() > 0;
}

void HostnameResolve::WorkerMain(HostnameResolve* self)
{
    try {
        torvane::StringBuffer text;
        NetAddress address;
        LookupNow(self->m_hostName.GetText(), text, address);
        self->m_resultText.SetBuffer(text);
        self->m_address = address;
    } catch (...) {
    }
    self->m_inProgress.store(false, std::memory_order_release);
    try {
        self->Release();
    } catch (...) {
    }
}

bool HostnameResolve::Resolve(const char* name, DWORD timeoutMs, DWORD heartbeatMs, LogBase& log,
    ProgressMonitor* monitor, torvane::StringBuffer& dottedText, NetAddress& address, bool* aborted, bool* timedOut)
{
    dottedText.Clear();
    address = NetAddress {};
    if (aborted)
        *aborted = false;
    if (timedOut)
        *timedOut = false;
    if (heartbeatMs == 0 || !monitor)
        return LookupNow(name, dottedText, address);

    m_hostName.SetText(name);
    m_inProgress.store(true, std::memory_order_release);
    AddReference();
    try {
        std::thread(WorkerMain, this).detach();
    } catch (...) {
        m_inProgress.store(false);
        Release();
        return false;
    }

    DWORD start = GetTickCount();
    DWORD counter = 0;
    while (m_inProgress.load(std::memory_order_acquire)) {
        Sleep(10);
        counter += 10;
        if (counter < heartbeatMs)
            continue;
        counter = 0;
        if (monitor->CheckHeartbeat(heartbeatMs)) {
            if (aborted)
                *aborted = true;
            log.LogError("DNS lookup aborted by application callback");
            return false;
        }
        DWORD now = GetTickCount();
        if (timeoutMs && now >= start && now - start > timeoutMs) {
            if (timedOut)
                *timedOut = true;
            return false;
        }
    }
    dottedText.SetBuffer(m_resultText);
    address = m_address;
    return dottedText.GetLength() > 0;
}

bool LookupHost(const char* name, DWORD timeoutMs, DWORD heartbeatMs, LogBase& log, ProgressMonitor* monitor,
    torvane::StringBuffer& dottedText, NetAddress& address, bool* aborted, bool* timedOut)
{
    dottedText.Clear();
    address = NetAddress {};
    if (aborted)
        *aborted = false;
    if (timedOut)
        *timedOut = false;
    if (!name || !TorvaneSocket::InitializeWinsock(log))
        return false;

    DWORD remaining = timeoutMs;
    // After an attempt: false when the time-out is used up (and says so), else what is left.
    auto timeLeft = [&](DWORD attemptStart) {
        if (!timeoutMs)
            return true;
        DWORD spent = GetTickCount() - attemptStart;
        if (spent >= remaining) {
            log.LogError("DNS timed out.");
            if (timedOut)
                *timedOut = true;
            return false;
        }
        remaining -= spent;
        return true;
    };

    DWORD start = GetTickCount();
    if (RunAttempt(name, remaining, heartbeatMs, log, monitor, dottedText, address, aborted, timedOut))
        return true;
    if (!timeLeft(start))
        return false;

    torvane::StringBuffer cleaned;
    CleanHostName(name, cleaned);
    if (cleaned.GetLength() > 0 && cleaned.GetLength() != int(std::strlen(name))) {
        log.LogData("retryHostname", cleaned.GetText());
        start = GetTickCount();
        if (RunAttempt(cleaned.GetText(), remaining, heartbeatMs, log, monitor, dottedText, address, aborted,
                timedOut))
            return true;
        if (!timeLeft(start))
            return false;
    }
    if (cleaned.CountChar('.') != 1)
        return false;
    torvane::StringBuffer www("www.");
    www.AppendBuffer(cleaned);
    log.LogData("retryHostname", www.GetText());
    return RunAttempt(www.GetText(), remaining, heartbeatMs, log, monitor, dottedText, address, aborted, timedOut);
}

bool LookupHostBlocking(const char* name, torvane::StringBuffer& dottedText, NetAddress& address,
    torvane::StringBuffer* canonicalName)
{
    dottedText.Clear();
    address = NetAddress {};
    if (!name)
        return false;
    auto attempt = [&](const char* n) {
        HostLookupResult result;
        if (!LookupHostAddresses(n, result) || result.addresses.empty())
            return false;
        address = result.addresses.front();
        dottedText.SetText(address.ToText().c_str());
        if (canonicalName)
            canonicalName->SetText(result.canonicalName.c_str());
        return true;
    };
    if (attempt(name))
        return true;
    torvane::StringBuffer cleaned;
    CleanHostName(name, cleaned);
    if (cleaned.GetLength() > 0 && cleaned.GetLength() != int(std::strlen(name)) && attempt(cleaned.GetText()))
        return true;
    if (cleaned.CountChar('.') != 1)
        return false;
    torvane::StringBuffer www("www.");
    www.AppendBuffer(cleaned);
    return attempt(www.GetText());
}

bool GetLocalHostName(torvane::StringBuffer& text, LogBase& log)
{
    text.Clear();
    if (!TorvaneSocket::InitializeWinsock(log)) {
        log.LogError("WSA startup failed for getting local hostname");
        return false;
    }
    char name[500];
    if (gethostname_text(name, sizeof name) != 0)
        return true;
    torvane::StringBuffer dotted, canonical;
    NetAddress address;
    if (LookupHostBlocking(name, dotted, address, &canonical) && canonical.GetLength() > 0) {
        if (canonical.GetLength() > 499)
            canonical.ShortenBy(canonical.GetLength() - 499);
        text.SetBuffer(canonical);
    } else {
        text.SetText(name);
    }
    return true;
}
