#include "toolkit/commandbars/KeyboardManager.h"

#include "platform/base/ProcessInfo.h"
#include "platform/user/Hooks.h"
#include "toolkit/commandbars/MouseManager.h"

#include <algorithm>
#include <memory>

namespace {

thread_local std::unique_ptr<CJQWKeyboardManager> t_keyboardManager;

constexpr LPARAM kAltContext = LPARAM(1) << 29;
constexpr LPARAM kRepeat = LPARAM(1) << 30;
constexpr LPARAM kReleasing = LPARAM(1) << 31;

} // namespace

CJQWKeyboardManager* GetKeyboardManager()
{
    if (!t_keyboardManager)
        t_keyboardManager = std::make_unique<CJQWKeyboardManager>();
    return t_keyboardManager.get();
}

CJQWKeyboardManager::~CJQWKeyboardManager()
{
    Unhook();
}

void CJQWKeyboardManager::Unhook()
{
    if (m_hKeyboardHook)
        UnhookWindowsHookEx(m_hKeyboardHook);
    if (m_hCallWndHook)
        UnhookWindowsHookEx(m_hCallWndHook);
    m_hKeyboardHook = nullptr;
    m_hCallWndHook = nullptr;
}

void CJQWKeyboardManager::HookKeyboard(CJQWHookManagerHookAble* client)
{
    if (!m_hKeyboardHook)
        m_hKeyboardHook = SetWindowsHookExW(WH_KEYBOARD, &KeyboardProc, nullptr, GetCurrentThreadId());
    if (!m_hCallWndHook)
        m_hCallWndHook = SetWindowsHookExW(WH_CALLWNDPROC, &CallWndProc, nullptr, GetCurrentThreadId());
    if (client && std::find(m_clients.begin(), m_clients.end(), client) == m_clients.end())
        m_clients.push_back(client);
}

void CJQWKeyboardManager::UnhookKeyboard(CJQWHookManagerHookAble* client)
{
    m_clients.erase(std::remove(m_clients.begin(), m_clients.end(), client), m_clients.end());
    if (m_clients.empty())
        Unhook();
}

BOOL CJQWKeyboardManager::ProcessKeyboardHooks(UINT message, WPARAM wParam, LPARAM lParam)
{
    // A client may leave (or make others leave) while it is asked: walk a copy, skip the gone.
    const std::vector<CJQWHookManagerHookAble*> clients = m_clients;
    for (auto c = clients.rbegin(); c != clients.rend(); ++c) {
        if (std::find(m_clients.begin(), m_clients.end(), *c) == m_clients.end())
            continue;
        WPARAM w = wParam;
        LPARAM l = lParam;
        LRESULT result = 0;
        switch ((*c)->OnHookMessage(nullptr, message, &w, &l, &result)) {
        case 1:
            return TRUE;
        case 2:
            return FALSE;
        default:
            break;
        }
    }
    return TRUE;
}

LRESULT CJQWKeyboardManager::KeyboardProc(int code, WPARAM wParam, LPARAM lParam)
{
    CJQWKeyboardManager* manager = t_keyboardManager.get();
    if (code == HC_ACTION && manager && !manager->m_clients.empty() && !(lParam & kReleasing)) {
        const bool locked = GetMouseManager()->IsMouseLocked();
        if ((lParam & kAltContext) && wParam == VK_MENU && !locked) {
            if (!(lParam & kRepeat)) {
                GetMouseManager()->ClosePopups();
                return 1;
            }
        } else if (manager->ProcessKeyboardHooks(WM_KEYDOWN, wParam, lParam)) {
            return 1;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CJQWKeyboardManager::CallWndProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && lParam) {
        const auto* record = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (record->message == WM_ACTIVATEAPP && !record->wParam)
            GetMouseManager()->ClosePopups();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
