#include "toolkit/commandbars/HookManager.h"

#include "platform/framework/Wnd.h"

#include <algorithm>

namespace {

bool g_managerGone = false;

bool Holds(const CJQWHookManager::CHookSink& sink, const CJQWHookManagerHookAble* client)
{
    return std::find(sink.m_clients.begin(), sink.m_clients.end(), client) != sink.m_clients.end();
}

// Puts the thread's current-message record back on every way out of the procedure.
class CurrentMessageScope {
public:
    CurrentMessageScope(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
        : m_state(AfxGetThreadState())
        , m_saved(m_state->m_lastSentMsg)
    {
        m_state->m_lastSentMsg = MSG {};
        m_state->m_lastSentMsg.hwnd = window;
        m_state->m_lastSentMsg.message = message;
        m_state->m_lastSentMsg.wParam = wParam;
        m_state->m_lastSentMsg.lParam = lParam;
    }
    ~CurrentMessageScope() { m_state->m_lastSentMsg = m_saved; }

private:
    AFX_THREAD_STATE* m_state;
    MSG m_saved;
};

} // namespace

CJQWHookManagerHookAble::~CJQWHookManagerHookAble()
{
    if (m_bDeleting || g_managerGone)
        return;
    m_bDeleting = true;
    GetHookManager()->RemoveAll(this);
}

int CJQWHookManagerHookAble::OnHookMessage(HWND, UINT, WPARAM*, LPARAM*, LRESULT*)
{
    return 0;
}

CJQWHookManager* GetHookManager()
{
    struct Holder {
        CJQWHookManager manager;
        ~Holder() { g_managerGone = true; }
    };
    static Holder holder;
    return &holder.manager;
}

CJQWHookManager::~CJQWHookManager()
{
    while (!m_sinks.empty())
        RemoveSink(m_sinks.begin()->first);
}

CJQWHookManager::CHookSink* CJQWHookManager::Lookup(HWND window) const
{
    auto it = m_sinks.find(window);
    return it == m_sinks.end() ? nullptr : it->second.get();
}

bool CJQWHookManager::IsRegistered(const CJQWHookManagerHookAble* client) const
{
    for (const auto& [window, sink] : m_sinks)
        if (Holds(*sink, client))
            return true;
    return false;
}

void CJQWHookManager::SetHook(HWND window, CJQWHookManagerHookAble* client)
{
    if (!window || !client)
        return;
    auto it = m_sinks.find(window);
    if (it == m_sinks.end()) {
        if (!IsWindow(window))
            return;
        auto sink = std::make_shared<CHookSink>();
        sink->m_hWnd = window;
        auto pass = m_passThrough.find(window);
        if (pass != m_passThrough.end()) {
            // Our procedure is still in the window's chain: take the sink over from there.
            sink->m_previous = pass->second;
            m_passThrough.erase(pass);
        } else {
            sink->m_previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HookWindowProc));
        }
        it = m_sinks.emplace(window, std::move(sink)).first;
    }
    if (!Holds(*it->second, client))
        it->second->m_clients.push_back(client);
}

void CJQWHookManager::DeleteIfOrphaned(CJQWHookManagerHookAble* client)
{
    if (!client->m_bAutoDelete || client->m_bDeleting || IsRegistered(client))
        return;
    client->m_bDeleting = true;
    delete client;
}

void CJQWHookManager::RemoveHook(HWND window, CJQWHookManagerHookAble* client)
{
    auto it = m_sinks.find(window);
    if (it == m_sinks.end())
        return;
    std::shared_ptr<CHookSink> sink = it->second;
    auto pos = std::find(sink->m_clients.begin(), sink->m_clients.end(), client);
    if (pos == sink->m_clients.end())
        return;
    sink->m_clients.erase(pos);
    if (sink->m_clients.empty()) {
        m_sinks.erase(it);
        DetachSink(sink);
    }
    DeleteIfOrphaned(client);
}

void CJQWHookManager::RemoveAll(CJQWHookManagerHookAble* client)
{
    std::vector<HWND> windows;
    for (const auto& [window, sink] : m_sinks)
        if (Holds(*sink, client))
            windows.push_back(window);
    for (HWND window : windows) {
        auto it = m_sinks.find(window);
        if (it == m_sinks.end())
            continue;
        std::shared_ptr<CHookSink> sink = it->second;
        sink->m_clients.erase(std::remove(sink->m_clients.begin(), sink->m_clients.end(), client),
            sink->m_clients.end());
        if (sink->m_clients.empty()) {
            m_sinks.erase(it);
            DetachSink(sink);
        }
    }
    DeleteIfOrphaned(client);
}

void CJQWHookManager::RemoveSink(HWND window)
{
    auto it = m_sinks.find(window);
    if (it == m_sinks.end())
        return;
    std::shared_ptr<CHookSink> sink = it->second;
    m_sinks.erase(it);
    DetachSink(sink);
    // Auto-delete clients of the sink, last to first, once they belong to no other window.
    std::vector<CJQWHookManagerHookAble*> clients = sink->m_clients;
    sink->m_clients.clear();
    for (auto c = clients.rbegin(); c != clients.rend(); ++c)
        DeleteIfOrphaned(*c);
}

void CJQWHookManager::DetachSink(const std::shared_ptr<CHookSink>& sink)
{
    sink->m_removed = true;
    HWND window = sink->m_hWnd;
    if (!IsWindow(window))
        return;
    auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
    if (current == &HookWindowProc)
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(sink->m_previous));
    else
        m_passThrough[window] = sink->m_previous;
}

LRESULT CJQWHookManager::HookWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CurrentMessageScope scope(window, message, wParam, lParam);
    CJQWHookManager* manager = GetHookManager();

    auto it = manager->m_sinks.find(window);
    if (it == manager->m_sinks.end()) {
        auto pass = manager->m_passThrough.find(window);
        if (pass == manager->m_passThrough.end())
            return 0;
        WNDPROC previous = pass->second;
        if (message == WM_NCDESTROY)
            manager->m_passThrough.erase(pass);
        return CallWindowProcW(previous, window, message, wParam, lParam);
    }
    std::shared_ptr<CHookSink> sink = it->second;
    WNDPROC previous = sink->m_previous;

    if (message == WM_NCDESTROY) {
        manager->RemoveSink(window);
        return CallWindowProcW(previous, window, message, wParam, lParam);
    }

    // Clients may remove themselves or others while they are asked: walk a copy and skip the
    // ones that are gone by the time their turn comes.
    std::vector<CJQWHookManagerHookAble*> clients = sink->m_clients;
    for (auto c = clients.rbegin(); c != clients.rend(); ++c) {
        if (sink->m_removed || !Holds(*sink, *c))
            continue;
        LRESULT result = 0;
        int answer = (*c)->OnHookMessage(window, message, &wParam, &lParam, &result);
        if (answer == 1)
            return result;
        if (answer == 2)
            break;
    }
    return CallWindowProcW(previous, window, message, wParam, lParam);
}
