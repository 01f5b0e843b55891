#include "platform/testkit/MessageBoxes.h"

namespace testkit {

MessageBoxRecorder::MessageBoxRecorder()
{
    m_previousWindows = platform::user::SetMessageBoxWindows(true);
    m_previousWatcher = platform::user::SetMessageBoxWatcher([this](const platform::user::MessageBoxEvent& e) {
        if (e.result != 0) {
            m_boxes.push_back(e);
            if (m_open == e.window)
                m_open = nullptr;
            return;
        }
        m_open = e.window;
        if (m_answers.empty())
            return;
        const int answer = m_answers.front();
        m_answers.pop_front();
        HWND button = GetDlgItem(e.window, answer);
        // A click on the button: pressed and released over it, read by the box's own loop.
        if (button) {
            RECT r;
            GetClientRect(button, &r);
            const LPARAM at = LPARAM(MAKELONG(WORD(r.right / 2), WORD(r.bottom / 2)));
            PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, at);
            PostMessageW(button, WM_LBUTTONUP, 0, at);
        }
    });
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    platform::user::SetMessageBoxWatcher(std::move(m_previousWatcher));
    platform::user::SetMessageBoxWindows(m_previousWindows);
}

} // namespace testkit
