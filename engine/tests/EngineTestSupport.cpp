#include "EngineTestSupport.h"

#include "engine/BatchMessages.h"

namespace enginetest {

RecordingWindow::RecordingWindow()
{
    m_window = CreateMessageWindow([this](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message < BATCH_MSG_TARGET_BEGINS || message > BATCH_MSG_INPROCESS_PROGRESS)
            return DefWindowProc(window, message, wParam, lParam);
        servedOn = std::this_thread::get_id();
        RecordedMessage record { message, wParam, lParam, {}, 0, 0 };
        if (message == BATCH_MSG_POSTPROCESS_PROGRESS || message == BATCH_MSG_INPROCESS_PROGRESS) {
            const auto* progress = reinterpret_cast<const BatchProgressRecord*>(wParam);
            record.progressText = progress->text;
            record.done = progress->done;
            record.total = progress->total;
        }
        LRESULT answer = reply ? reply(record, messages) : 1;
        messages.push_back(record);
        if (message == BATCH_MSG_BATCH_ENDS)
            EndModalLoop(window, 1);
        return answer;
    });
}

int RecordingWindow::RunUntilBatchEnds(std::chrono::seconds limit)
{
    std::mutex mutex;
    std::condition_variable done;
    bool ended = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!done.wait_for(lock, limit, [&] { return ended; }))
            EndModalLoop(m_window, -99);
    });
    int result = RunModalLoop(m_window);
    {
        std::lock_guard lock(mutex);
        ended = true;
    }
    done.notify_all();
    watchdog.join();
    EXPECT_EQ(result, 1) << "the batch never sent its end message";
    return result;
}

}
