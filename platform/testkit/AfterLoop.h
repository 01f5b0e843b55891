#pragma once
// Checks for the state a tracking or modal loop must leave behind: the capture free, no hook of
// the thread left over, no top-level window left disabled.

#include <cstddef>

namespace testkit {

class AfterLoop {
public:
    // Remembers how many hooks the thread has now (the framework keeps one of its own).
    AfterLoop();
    // Adds a test failure for each broken rule.
    void Check() const;

private:
    size_t m_hooks;
};

}
