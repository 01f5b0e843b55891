#include "components/foundation/ProgressMonitor.h"

#include "platform/base/Clock.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// A clock the test moves by hand.
class FakeClock {
public:
    FakeClock()
    {
        SetTickSourceForTesting([this] { return m_now; });
    }
    ~FakeClock() { SetTickSourceForTesting({}); }
    void Advance(ULONGLONG ms) { m_now += ms; }

private:
    ULONGLONG m_now = 1000;
};

class RecordingEvent : public ProgressEvent {
public:
    void OnPercentDone(int percent, bool* abort) override
    {
        percents.push_back(percent);
        if (abort)
            *abort = abortOnPercent;
    }
    void OnAbortCheck(bool* abort) override
    {
        ++abortChecks;
        if (abort && abortOnCheck)
            *abort = true;
    }
    void OnHeartbeat(int reserved, bool* abort) override
    {
        EXPECT_EQ(reserved, 0);
        ++heartbeats;
        if (abort)
            *abort = abortOnHeartbeat;
    }
    void OnNumericInfo(int code, int value) override { numeric = { code, value }; }

    std::vector<int> percents;
    int abortChecks = 0;
    int heartbeats = 0;
    bool abortOnPercent = false;
    bool abortOnCheck = false;
    bool abortOnHeartbeat = false;
    std::pair<int, int> numeric { -1, -1 };
};

} // namespace

TEST(ProgressMonitorTest, EachPercentIsReportedExactlyOnce)
{
    FakeClock clock;
    RecordingEvent event;
    ProgressMonitor monitor(&event, 1000);
    for (int i = 0; i < 1000; ++i) {
        bool abort = true;
        monitor.ConsumeProgress(1, &abort);
        EXPECT_FALSE(abort);
        clock.Advance(7); // 7 ms per unit: timed checks come at most once per 300 ms
    }
    std::vector<int> expected;
    for (int p = 1; p <= 100; ++p)
        expected.push_back(p);
    EXPECT_EQ(event.percents, expected);
    EXPECT_LE(event.abortChecks, 1000 * 7 / 300);
    monitor.Complete();
    EXPECT_EQ(event.percents.size(), 100u);
}

TEST(ProgressMonitorTest, TimedAbortChecksNeedAQuietPeriod)
{
    FakeClock clock;
    RecordingEvent event;
    ProgressMonitor monitor(&event, 1000000);
    bool abort = false;
    monitor.ConsumeProgress(1, &abort); // 0 percent: no notification
    EXPECT_EQ(event.abortChecks, 0);
    clock.Advance(300);
    monitor.ConsumeProgress(1, &abort);
    EXPECT_EQ(event.abortChecks, 0); // exactly 300 ms is not "more than"
    clock.Advance(1);
    event.abortOnCheck = true;
    monitor.ConsumeProgress(1, &abort);
    EXPECT_EQ(event.abortChecks, 1);
    EXPECT_TRUE(abort);
    EXPECT_TRUE(monitor.IsAborted());
    event.abortOnCheck = false;
    monitor.ConsumeProgress(1, &abort); // clears before asking again
    EXPECT_FALSE(monitor.IsAborted());

    monitor.SetNoTimedChecks(true);
    clock.Advance(1000);
    monitor.ConsumeProgress(1, &abort);
    EXPECT_EQ(event.abortChecks, 1);
}

TEST(ProgressMonitorTest, AbortIsNotLatched)
{
    FakeClock clock;
    RecordingEvent event;
    event.abortOnPercent = true;
    ProgressMonitor monitor(&event, 100);
    bool abort = false;
    monitor.ConsumeProgress(1, &abort);
    EXPECT_TRUE(abort);
    EXPECT_TRUE(monitor.IsAborted());

    monitor.SetSuppressed(true);
    monitor.ConsumeProgress(1, &abort);
    EXPECT_TRUE(monitor.IsAborted()); // a suppressed consume touches nothing
    monitor.SetSuppressed(false);

    event.abortOnPercent = false;
    monitor.ConsumeProgress(1, &abort);
    EXPECT_FALSE(abort);
    EXPECT_FALSE(monitor.IsAborted());

    event.abortOnPercent = true;
    monitor.SetDone(50, &abort);
    EXPECT_TRUE(monitor.IsAborted());
    monitor.ResetTotal(10);
    EXPECT_FALSE(monitor.IsAborted());
    EXPECT_EQ(monitor.GetDone(), 0);
}

TEST(ProgressMonitorTest, HeartbeatReplacesTheAbortedFlag)
{
    FakeClock clock;
    RecordingEvent event;
    event.abortOnPercent = true;
    ProgressMonitor monitor(&event, 100);
    bool abort = false;
    monitor.ConsumeProgress(5, &abort);
    ASSERT_TRUE(monitor.IsAborted());

    EXPECT_FALSE(monitor.CheckHeartbeat(0));
    EXPECT_FALSE(monitor.CheckHeartbeat(100)); // the first heartbeat is due at once
    EXPECT_EQ(event.heartbeats, 1);
    EXPECT_FALSE(monitor.IsAborted()); // it answered "continue"

    monitor.ConsumeProgress(5, &abort);
    ASSERT_TRUE(monitor.IsAborted());
    clock.Advance(99);
    EXPECT_FALSE(monitor.CheckHeartbeat(100)); // not yet due: the flag stays
    EXPECT_EQ(event.heartbeats, 1);
    EXPECT_TRUE(monitor.IsAborted());

    event.abortOnHeartbeat = true;
    clock.Advance(1);
    EXPECT_TRUE(monitor.AbortCheck(100));
    EXPECT_TRUE(monitor.IsAborted());
}

TEST(ProgressMonitorTest, AbortCheckWithoutIntervalOnlySets)
{
    FakeClock clock;
    RecordingEvent event;
    ProgressMonitor monitor(&event, 100);
    monitor.AbortCheck(0);
    EXPECT_EQ(event.abortChecks, 0);
    clock.Advance(301);
    event.abortOnCheck = true;
    monitor.AbortCheck(0, "site");
    EXPECT_EQ(event.abortChecks, 1);
    EXPECT_TRUE(monitor.IsAborted());
    event.abortOnCheck = false;
    clock.Advance(301);
    monitor.AbortCheck(0);
    EXPECT_EQ(event.abortChecks, 2);
    EXPECT_TRUE(monitor.IsAborted()); // never cleared by this check
}

TEST(ProgressMonitorTest, TotalsAndCompletion)
{
    FakeClock clock;
    EXPECT_EQ(ProgressMonitor::PercentOf(5000000000LL, 10000000000LL), 50u);
    EXPECT_EQ(ProgressMonitor::PercentOf(0, 0), 100u);

    RecordingEvent zero;
    ProgressMonitor empty(&zero, 0);
    bool abort = false;
    empty.ConsumeProgress(1, &abort);
    EXPECT_TRUE(zero.percents.empty());

    RecordingEvent capped;
    ProgressMonitor over(&capped, 10);
    over.ConsumeProgress(25, &abort);
    EXPECT_EQ(over.GetDone(), 10);
    over.Complete();
    EXPECT_EQ(capped.percents, (std::vector<int> { 100 }));

    RecordingEvent held;
    ProgressMonitor holding(&held, 10);
    holding.SetHold100(true);
    holding.ConsumeProgress(9, &abort);
    holding.ConsumeProgress(1, &abort);
    EXPECT_EQ(held.percents, (std::vector<int> { 90 }));
    holding.Complete();
    EXPECT_EQ(held.percents, (std::vector<int> { 90, 100 }));

    ProgressMonitor big = ProgressMonitor::ConstructWithTotal64(nullptr, 0, 3);
    EXPECT_EQ(big.GetTotal(), 3LL << 32);
    big.ConsumeProgress64(3LL << 31, &abort);
    EXPECT_EQ(big.DefaultCallback().m_lastPercent, 49); // scaling both sides down truncates

    RecordingEvent numbers;
    ProgressMonitor forward(&numbers, 1);
    forward.ForwardValues(0, 4567);
    EXPECT_EQ(numbers.numeric, std::make_pair(0, 4567));
}

TEST(ProgressMonitorTest, DefaultCallbackReportsItsOwnAbortFlag)
{
    FakeClock clock;
    ProgressMonitor monitor;
    bool abort = true;
    monitor.ConsumeProgress(30, &abort);
    EXPECT_FALSE(abort);
    EXPECT_EQ(monitor.DefaultCallback().m_lastPercent, 30);
    monitor.DefaultCallback().m_abort = true;
    monitor.ConsumeProgress(10, &abort);
    EXPECT_TRUE(abort);
    EXPECT_TRUE(monitor.IsAborted());
}
