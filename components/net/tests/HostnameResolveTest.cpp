#include "components/net/HostnameResolve.h"

#include "NetTestSupport.h"
#include "components/foundation/ProgressMonitor.h"
#include "components/net/TorvaneSocket.h"
#include "platform/base/Clock.h"
#include "platform/net/HostLookup.h"

#include <gtest/gtest.h>
#include <mutex>

namespace {

// Replaces the system resolver for one test: answers 127.0.0.1 for the names in `known`, takes
// `delayMs` per lookup and records every name it was asked.
class FakeResolver {
public:
    FakeResolver(std::vector<std::string> known, DWORD delayMs = 0)
        : m_known(std::move(known))
        , m_delayMs(delayMs)
    {
        SetHostLookupFunction([this](const std::string& name, HostLookupResult& result) {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_asked.push_back(name);
            }
            if (m_delayMs)
                Sleep(m_delayMs);
            for (const auto& k : m_known) {
                if (k == name) {
                    NetAddress a;
                    NetAddress::ParseLiteral("127.0.0.1", a);
                    result.addresses.push_back(a);
                    return true;
                }
            }
            return false;
        });
    }
    ~FakeResolver()
    {
        SetHostLookupFunction({});
        // Abandoned workers still use this object: wait until every one has ended.
        for (int i = 0; i < 1000 && HostnameResolve::LiveCountForTesting() > 0; ++i)
            Sleep(10);
    }
    std::vector<std::string> Asked()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_asked;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_asked;
    std::vector<std::string> m_known;
    DWORD m_delayMs;
};

bool WaitForNoResolvers()
{
    for (int i = 0; i < 1000; ++i) {
        if (HostnameResolve::LiveCountForTesting() == 0)
            return true;
        Sleep(10);
    }
    return false;
}

} // namespace

TEST(HostnameResolve, LocalhostResolvesForReal)
{
    torvane::StringBuffer dotted;
    NetAddress address;
    ASSERT_TRUE(LookupHostBlocking("localhost", dotted, address));
    EXPECT_TRUE(dotted.Equals("127.0.0.1") || dotted.Equals("::1")) << dotted.GetText();

    CapturingLog log;
    AbortingEvent event;
    event.abortOnHeartbeat = false;
    ProgressMonitor monitor(&event, 100);
    bool aborted = true, timedOut = true;
    ASSERT_TRUE(LookupHost("localhost", 10000, 50, log, &monitor, dotted, address, &aborted, &timedOut));
    EXPECT_FALSE(aborted);
    EXPECT_FALSE(timedOut);
    EXPECT_TRUE(WaitForNoResolvers());
}

TEST(HostnameResolve, CleanedAndWwwRetries)
{
    struct Case {
        const char* name;
        std::vector<std::string> known;
        bool found;
        std::vector<std::string> asked;
    };
    const Case cases[] = {
        { "<MAIL.Example.COM>", { "mail.example.com" }, true, { "<MAIL.Example.COM>", "mail.example.com" } },
        { "example.com", { "www.example.com" }, true, { "example.com", "www.example.com" } },
        { "a.b.example", {}, false, { "a.b.example" } },
        // Only the case differs: the lengths are equal, so no cleaned retry.
        { "Mail.Example.Com", {}, false, { "Mail.Example.Com" } },
        { "nothing", {}, false, { "nothing" } },
    };
    for (const auto& c : cases) {
        FakeResolver resolver(c.known);
        CapturingLog log;
        AbortingEvent event;
        event.abortOnHeartbeat = false;
        ProgressMonitor monitor(&event, 100);
        torvane::StringBuffer dotted;
        NetAddress address;
        bool aborted, timedOut;
        EXPECT_EQ(LookupHost(c.name, 5000, 20, log, &monitor, dotted, address, &aborted, &timedOut), c.found)
            << c.name;
        EXPECT_EQ(resolver.Asked(), c.asked) << c.name;
        EXPECT_EQ(dotted.Equals("127.0.0.1"), c.found);
    }
}

TEST(HostnameResolve, SlowLookupTimesOutAndWorkerFreesTheObject)
{
    FakeResolver resolver({ "slow.example" }, 1500);
    CapturingLog log;
    AbortingEvent event;
    event.abortOnHeartbeat = false;
    ProgressMonitor monitor(&event, 100);
    torvane::StringBuffer dotted;
    NetAddress address;
    bool aborted = false, timedOut = false;
    EXPECT_FALSE(LookupHost("slow.example", 200, 50, log, &monitor, dotted, address, &aborted, &timedOut));
    EXPECT_TRUE(timedOut);
    EXPECT_FALSE(aborted);
    EXPECT_TRUE(log.HasError("DNS timed out."));
    // The abandoned worker is still looking up; it frees the shared object when it ends.
    EXPECT_GE(HostnameResolve::LiveCountForTesting(), 1);
    EXPECT_TRUE(WaitForNoResolvers());
}

TEST(HostnameResolve, AbortDuringLookup)
{
    FakeResolver resolver({ "slow.example" }, 1500);
    CapturingLog log;
    AbortingEvent event;
    ProgressMonitor monitor(&event, 100);
    torvane::StringBuffer dotted;
    NetAddress address;
    bool aborted = false, timedOut = false;
    EXPECT_FALSE(LookupHost("slow.example", 60000, 50, log, &monitor, dotted, address, &aborted, &timedOut));
    EXPECT_TRUE(aborted);
    EXPECT_TRUE(log.HasError("DNS lookup aborted by application callback"));

    // A connect through the same lookup reports reason 4 and the lookup failure.
    TorvaneSocket socket;
    socket.SetConnectTimeoutSeconds(60);
    bool lookupFailed = false;
    CapturingLog connectLog;
    EXPECT_FALSE(socket.Connect("slow.example", 80, 50, connectLog, &lookupFailed, &monitor));
    EXPECT_TRUE(lookupFailed);
    EXPECT_EQ(socket.GetConnectFailReason(), TorvaneSocket::kAborted);
    EXPECT_TRUE(connectLog.HasError("Cannot get host by name."));
}

TEST(HostnameResolve, ConnectReasonsForFailedAndSlowLookups)
{
    {
        FakeResolver resolver({});
        TorvaneSocket socket;
        CapturingLog log;
        bool lookupFailed = false;
        EXPECT_FALSE(socket.Connect("unknown.invalid", 80, 0, log, &lookupFailed, nullptr));
        EXPECT_TRUE(lookupFailed);
        EXPECT_EQ(socket.GetConnectFailReason(), TorvaneSocket::kLookupFailed);
        EXPECT_TRUE(log.Has("hostname", "unknown.invalid"));
    }
    {
        FakeResolver resolver({ "slow.example" }, 1500);
        TorvaneSocket socket;
        socket.SetConnectTimeoutMs(300);
        CapturingLog log;
        EXPECT_FALSE(socket.Connect("slow.example", 80, 0, log, nullptr, nullptr));
        EXPECT_EQ(socket.GetConnectFailReason(), TorvaneSocket::kLookupTimedOut);
    }
    {
        FakeResolver resolver({ "peer.example" });
        TorvaneSocket socket;
        CapturingLog log;
        ASSERT_TRUE(socket.Connect("peer.example", ScriptedPeerPort(), 0, log, nullptr, nullptr)) << log.Text();
        EXPECT_STREQ(socket.GetRemoteHost(), "127.0.0.1");
    }
}

TEST(HostnameResolve, ReleaseOrderEitherWayFreesOnce)
{
    int before = HostnameResolve::LiveCountForTesting();
    auto* resolver = new HostnameResolve();
    resolver->AddReference();
    resolver->AddReference();
    EXPECT_EQ(resolver->Release(), 1);
    EXPECT_EQ(HostnameResolve::LiveCountForTesting(), before + 1);
    EXPECT_EQ(resolver->Release(), 0);
    EXPECT_EQ(HostnameResolve::LiveCountForTesting(), before);
}

TEST(HostnameResolve, LocalHostName)
{
    CapturingLog log;
    torvane::StringBuffer name;
    EXPECT_TRUE(GetLocalHostName(name, log));
    EXPECT_GT(name.GetLength(), 0);
}
