#pragma once
// Message spies: a recorder puts itself in front of the procedures of the windows it is given
// and records, in arrival order across all of them, every message their procedures get (sent or
// dispatched), with its parameters and the reply. A recorder that goes away leaves the windows
// working: its procedures then only pass the messages on.

#include "platform/user/Window.h"

#include <initializer_list>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace testkit {

struct RecordedMessage {
    HWND window = nullptr;
    std::string label; // the name the window was spied under
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    LRESULT result = 0;
    int depth = 0;     // how many recorded messages were being handled when this one came
};

class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    // Starts recording `window`'s messages under `label`.
    void Spy(HWND window, std::string label);
    // Messages never recorded / the only ones recorded (an empty set: all).
    void Ignore(std::initializer_list<UINT> messages);
    void Only(std::initializer_list<UINT> messages);
    void Pause() { m_paused = true; }
    void Resume() { m_paused = false; }
    void Clear();

    std::vector<RecordedMessage> Messages() const;
    // The messages `window` got, in order.
    std::vector<UINT> MessagesOf(HWND window) const;
    // "label message" per record, with the message numbers in hex ("main 0x0005").
    std::vector<std::string> Lines() const;
    // Whether, and how often, `window` (any spied window when null) got `message`.
    bool Saw(UINT message, HWND window = nullptr) const;
    size_t Count(UINT message, HWND window = nullptr) const;

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    bool m_paused = false;
    friend struct SpyProcedure;
};

} // namespace testkit
