#pragma once
// Idle scripts: steps that run when the UI thread is about to block in any retrieval call (the
// framework's loop, a dialog, a message box, a tracking loop): nothing sent, posted, queued,
// painted or due. A test can so open a modal loop, work in it and end it in a user's order.
//
// With no step left and a timer (or mouse tracking) pending, the clock auto-advances to the
// earliest due time. With no step, nothing pending and no worker that could wake the thread, the
// loop would block forever: the test fails at once with a dump of the desktop, and the loop is
// left by the StuckLoop exception.

#include <functional>
#include <stdexcept>
#include <string>

namespace testkit {

struct StuckLoop : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class IdleScript {
public:
    // Installs the script on the calling thread (one at a time per thread).
    IdleScript();
    ~IdleScript();
    IdleScript(const IdleScript&) = delete;
    IdleScript& operator=(const IdleScript&) = delete;

    // A step that acts (and may assert).
    void Then(std::function<void()> step);
    // A step that waits until `condition` holds (the thread blocks meanwhile: for conditions a
    // worker thread makes true), then continues with the next step.
    void WaitUntil(std::function<bool()> condition);
    // Steps not run yet.
    size_t Pending() const;
    // Auto-advance of the fake clock to the next due time when no step is left (on by default).
    void SetAutoAdvance(bool on);
    // Other threads may wake this one (workers): blocking with nothing to do is then no failure.
    void SetWorkersMayWake(bool on);
    // How many times the clock was auto-advanced.
    int AutoAdvances() const;

private:
    bool OnIdle();
    struct Step {
        std::function<void()> action;
        std::function<bool()> condition;
    };
    struct State;
    State* m_state;
};

}
