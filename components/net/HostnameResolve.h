#pragma once
// Host-name lookups that honour a time-out and the application's abort answer: each lookup runs
// on a worker thread of its own while the caller polls; a caller that gives up walks away and the
// worker frees the shared object when it ends. Notifications stay on the calling thread.

#include "components/foundation/StringBuffer.h"
#include "platform/base/Types.h"
#include "platform/net/Sockets.h"

#include <atomic>
#include <cstdint>

class LogBase;
class ProgressMonitor;

class RefCountedObject {
public:
    RefCountedObject() = default;
    RefCountedObject(const RefCountedObject&) = delete;
    RefCountedObject& operator=(const RefCountedObject&) = delete;

    void AddReference() { m_count.fetch_add(1, std::memory_order_relaxed); }
    // Deletes the object when the count goes from 1 to 0; a count already at 0 stays there.
    virtual int Release();
    int GetReferenceCount() const { return m_count.load(std::memory_order_relaxed); }

protected:
    virtual ~RefCountedObject() = default;

private:
    std::atomic<int> m_count { 0 };
};

class HostnameResolve : public RefCountedObject {
public:
    HostnameResolve();

    // One attempt; true when an address was found. Without a heartbeat interval or a monitor
    // the lookup runs on the calling thread without a time-out.
    bool Resolve(const char* name, DWORD timeoutMs, DWORD heartbeatMs, LogBase& log, ProgressMonitor* monitor,
        torvane::StringBuffer& dottedText, NetAddress& address, bool* aborted, bool* timedOut);

    // Live objects, for tests that check each is freed exactly once.
    static int LiveCountForTesting();

protected:
    ~HostnameResolve() override;

private:
    static void WorkerMain(HostnameResolve* self);
    static bool LookupNow(const char* name, torvane::StringBuffer& text, NetAddress& address);

    torvane::StringBuffer m_hostName;
    torvane::StringBuffer m_resultText;
    std::atomic<bool> m_inProgress { false };
    NetAddress m_address;
};

// The lookup with the cleaned-name and "www." fallbacks that every connect uses.
bool LookupHost(const char* name, DWORD timeoutMs, DWORD heartbeatMs, LogBase& log, ProgressMonitor* monitor,
    torvane::StringBuffer& dottedText, NetAddress& address, bool* aborted, bool* timedOut);
// The same fallbacks on the calling thread, no time-out.
bool LookupHostBlocking(const char* name, torvane::StringBuffer& dottedText, NetAddress& address,
    torvane::StringBuffer* canonicalName = nullptr);
bool GetLocalHostName(torvane::StringBuffer& text, LogBase& log);
