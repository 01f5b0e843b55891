#include "platform/testkit/IdleScript.h"

#include "platform/testkit/Dump.h"
#include "platform/testkit/FakeClock.h"
#include "platform/user/Input.h"

#include <gtest/gtest.h>

#include <deque>

namespace testkit {

struct IdleScript::State {
    std::deque<Step> steps;
    bool autoAdvance = true;
    bool workersMayWake = false;
    int advances = 0;
};

IdleScript::IdleScript()
    : m_state(new State)
{
    SetIdleHookForTesting([this] { return OnIdle(); });
}

IdleScript::~IdleScript()
{
    SetIdleHookForTesting({});
    delete m_state;
}

void IdleScript::Then(std::function<void()> step) { m_state->steps.push_back(Step { std::move(step), {} }); }

void IdleScript::WaitUntil(std::function<bool()> condition) { m_state->steps.push_back(Step { {}, std::move(condition) }); }

size_t IdleScript::Pending() const { return m_state->steps.size(); }

void IdleScript::SetAutoAdvance(bool on) { m_state->autoAdvance = on; }

void IdleScript::SetWorkersMayWake(bool on) { m_state->workersMayWake = on; }

int IdleScript::AutoAdvances() const { return m_state->advances; }

bool IdleScript::OnIdle()
{
    State& s = *m_state;
    if (!s.steps.empty()) {
        Step step = s.steps.front();
        if (step.condition) {
            if (!step.condition())
                return false; // block until a worker changes something
            s.steps.pop_front();
            return true;
        }
        s.steps.pop_front();
        step.action();
        return true;
    }
    ULONGLONG due = 0;
    FakeClock* clock = FakeClock::Current();
    if (clock && s.autoAdvance && GetNextDueTimeForTesting(&due)) {
        clock->AdvanceTo(due);
        ++s.advances;
        return true;
    }
    if (s.workersMayWake)
        return false;
    const std::string dump = DumpDesktop();
    ADD_FAILURE() << "The UI thread's loop would block forever: no idle step is left, no timer is pending and no "
                     "worker may wake it.\n"
                  << dump;
    throw StuckLoop("stuck loop:\n" + dump);
}

}
