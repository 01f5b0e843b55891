#pragma once
// Message boxes in tests: while a recorder lives, message boxes are real windows; each one is
// recorded (type, caption, text, answer) and answered with the next button the test queued, by a
// click on that button once the box is on screen. A box with no queued answer stays open for
// the test's own steps.

#include "platform/user/MessageBox.h"

#include <deque>
#include <vector>

namespace testkit {

class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    // The next box is answered with `buttonId` (IDOK, IDYES...).
    void AnswerNext(int buttonId) { m_answers.push_back(buttonId); }
    // The boxes answered so far, in order.
    const std::vector<platform::user::MessageBoxEvent>& Boxes() const { return m_boxes; }
    // The box on screen now (null when none).
    HWND Open() const { return m_open; }

private:
    std::deque<int> m_answers;
    std::vector<platform::user::MessageBoxEvent> m_boxes;
    HWND m_open = nullptr;
    bool m_previousWindows = false;
    platform::user::MessageBoxWatcher m_previousWatcher;
};

} // namespace testkit
