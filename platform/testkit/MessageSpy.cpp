#include "platform/testkit/MessageSpy.h"

#include <algorithm>
#include <cstdio>

namespace testkit {

// What the spy procedures share with their recorder; the recorder's pointer goes null when it ends.
struct MessageRecorder::Shared {
    std::mutex mutex;
    MessageRecorder* recorder = nullptr;
    std::vector<RecordedMessage> records;
    std::set<UINT> ignored;
    std::set<UINT> only;
    int depth = 0;
};

struct SpyProcedure {
    std::shared_ptr<MessageRecorder::Shared> shared;
    WindowProcedure previous;
    std::string label;

    LRESULT operator()(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const
    {
        size_t index = size_t(-1);
        {
            std::lock_guard lock(shared->mutex);
            MessageRecorder* recorder = shared->recorder;
            const bool wanted = recorder && !recorder->m_paused && !shared->ignored.count(message)
                && (shared->only.empty() || shared->only.count(message));
            if (wanted) {
                RecordedMessage record;
                record.window = window;
                record.label = label;
                record.message = message;
                record.wParam = wParam;
                record.lParam = lParam;
                record.depth = shared->depth;
                index = shared->records.size();
                shared->records.push_back(record);
            }
            ++shared->depth;
        }
        const LRESULT result = previous ? previous(window, message, wParam, lParam) : ::DefWindowProcW(window, message, wParam, lParam);
        std::lock_guard lock(shared->mutex);
        --shared->depth;
        if (index != size_t(-1) && index < shared->records.size())
            shared->records[index].result = result;
        return result;
    }
};

MessageRecorder::MessageRecorder()
    : m_shared(std::make_shared<Shared>())
{
    m_shared->recorder = this;
}

MessageRecorder::~MessageRecorder()
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->recorder = nullptr;
}

void MessageRecorder::Spy(HWND window, std::string label)
{
    // The spy goes in front of the window's procedure; the procedure it replaces gets everything.
    auto spy = std::make_shared<SpyProcedure>();
    spy->shared = m_shared;
    spy->label = std::move(label);
    WindowProcedure previous = SetWindowProcedure(window, [spy](HWND w, UINT m, WPARAM wp, LPARAM lp) {
        return (*spy)(w, m, wp, lp);
    });
    spy->previous = std::move(previous);
}

void MessageRecorder::Ignore(std::initializer_list<UINT> messages)
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->ignored.insert(messages.begin(), messages.end());
}

void MessageRecorder::Only(std::initializer_list<UINT> messages)
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->only = std::set<UINT>(messages);
}

void MessageRecorder::Clear()
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->records.clear();
}

std::vector<RecordedMessage> MessageRecorder::Messages() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->records;
}

std::vector<UINT> MessageRecorder::MessagesOf(HWND window) const
{
    std::vector<UINT> out;
    for (const RecordedMessage& record : Messages())
        if (record.window == window)
            out.push_back(record.message);
    return out;
}

std::vector<std::string> MessageRecorder::Lines() const
{
    std::vector<std::string> out;
    for (const RecordedMessage& record : Messages()) {
        char number[16];
        std::snprintf(number, sizeof number, " 0x%04x", record.message);
        out.push_back(record.label + number);
    }
    return out;
}

bool MessageRecorder::Saw(UINT message, HWND window) const { return Count(message, window) > 0; }

size_t MessageRecorder::Count(UINT message, HWND window) const
{
    const auto records = Messages();
    return size_t(std::count_if(records.begin(), records.end(), [&](const RecordedMessage& r) {
        return r.message == message && (!window || r.window == window);
    }));
}

} // namespace testkit
