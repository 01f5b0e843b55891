#include "platform/testkit/Dump.h"

#include "platform/base/ProcessInfo.h"
#include "platform/user/Window.h"

#include <cstdio>
#include <set>
#include <sstream>
#include <vector>

namespace testkit {

namespace {
std::string Narrow(const std::u16string& s)
{
    std::string out;
    for (char16_t c : s)
        out += c < 0x80 ? char(c) : '?';
    return out;
}

// From another thread this reads the stored text without a message.
std::string Text(HWND w)
{
    WCHAR buffer[128] {};
    GetWindowTextW(w, buffer, 128);
    return Narrow(buffer);
}

void Describe(std::ostringstream& out, HWND w, int depth, std::set<DWORD>& threads)
{
    WCHAR cls[64] {};
    GetClassNameW(w, cls, 64);
    RECT r {};
    GetWindowRect(w, &r);
    const LONG style = GetWindowLongW(w, GWL_STYLE);
    const DWORD thread = GetWindowThreadProcessId(w, nullptr);
    threads.insert(thread);
    char line[160];
    std::snprintf(line, sizeof line, "%p ", static_cast<void*>(w));
    out << std::string(size_t(depth) * 2, ' ') << line << '"' << Narrow(cls) << "\" \"" << Text(w) << '"';
    std::snprintf(line, sizeof line, " style %08X (%d,%d)-(%d,%d) thread %u%s%s", unsigned(style), int(r.left), int(r.top),
        int(r.right), int(r.bottom), unsigned(thread), (style & WS_VISIBLE) ? " visible" : " hidden",
        (style & WS_DISABLED) ? " disabled" : "");
    out << line;
    if (HWND owner = GetWindow(w, GW_OWNER)) {
        std::snprintf(line, sizeof line, " owner %p", static_cast<void*>(owner));
        out << line;
    }
    out << '\n';
    for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        Describe(out, c, depth + 1, threads);
}
}

std::string DumpDesktop()
{
    std::ostringstream out;
    std::set<DWORD> threads { GetCurrentThreadId() };
    out << "window tree (top-level windows in z-order):\n";
    std::vector<HWND> tops;
    for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        tops.push_back(w);
    if (tops.empty())
        out << "  (none)\n";
    for (HWND w : tops)
        Describe(out, w, 1, threads);
    out << "threads:\n";
    for (DWORD t : threads)
        out << "  " << DescribeThreadInputForTesting(t) << '\n';
    return out.str();
}

}
