#include "platform/testkit/Desktop.h"

#include "platform/testkit/Dump.h"
#include "platform/user/Window.h"

#include "platform/base/Registry.h"
#include "platform/base/Time.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace testkit {

void DesktopTest::SetUp()
{
    m_watchdog = std::make_unique<Watchdog>(60);
    m_model = std::make_unique<ScopedSystemModel>();
    m_clock = std::make_unique<FakeClock>();
    SetSystemTimeSourceForTesting([] { return ULONGLONG(134129448000000000ull); }); // 2026-01-15 10:00 UTC
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vornalt-desktop-XXXXXX";
    if (mkdtemp(pattern.data()))
        m_folder = pattern;
    SetRegistryFolderForTesting(m_folder + "/registry");
    ResetInputForTesting();
    m_idle = std::make_unique<IdleScript>();
}

void DesktopTest::TearDown()
{
    m_idle.reset();
    std::vector<HWND> left;
    for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        left.push_back(w);
    std::vector<HWND> unexpected;
    for (HWND w : left)
        if (std::find(m_destroyAtEnd.begin(), m_destroyAtEnd.end(), w) == m_destroyAtEnd.end())
            unexpected.push_back(w);
    if (!unexpected.empty())
        ADD_FAILURE() << unexpected.size() << " window(s) left at the end of the test:\n" << DumpDesktop();
    for (HWND w : left)
        if (IsWindow(w))
            DestroyWindow(w);
    // Leftovers of the test's thread: queued messages, capture, focus.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    ReleaseCapture();
    ResetInputForTesting();
    SetRegistryFolderForTesting("");
    SetSystemTimeSourceForTesting({});
    if (!m_folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    m_clock.reset();
    m_model.reset();
    m_watchdog.reset();
}

void DesktopTest::Pump()
{
    MSG msg;
    for (int i = 0; i < 100000 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void DesktopTest::DestroyAtEnd(HWND window) { m_destroyAtEnd.push_back(window); }

}
