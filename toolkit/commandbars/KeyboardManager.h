#pragma once
// The thread's keyboard manager: while at least one bar tracks, a keyboard hook hands every key
// press of the thread to the tracking bars (newest first), and a call-procedure hook closes the
// popups when the application is deactivated. A key that no client lets pass is swallowed.

#include "toolkit/commandbars/HookManager.h"

#include <vector>

class CJQWKeyboardManager {
public:
    CJQWKeyboardManager() = default;
    virtual ~CJQWKeyboardManager();
    CJQWKeyboardManager(const CJQWKeyboardManager&) = delete;
    CJQWKeyboardManager& operator=(const CJQWKeyboardManager&) = delete;

    // Installs both hooks on the calling thread with the first client.
    void HookKeyboard(CJQWHookManagerHookAble* client);
    // Removes both hooks with the last client.
    void UnhookKeyboard(CJQWHookManagerHookAble* client);
    // Clients newest first: 1 -> TRUE, 2 -> FALSE, 0 -> the next one; TRUE when none claims.
    BOOL ProcessKeyboardHooks(UINT message, WPARAM wParam, LPARAM lParam);

    BOOL IsHooked() const { return m_hKeyboardHook != nullptr; }
    const std::vector<CJQWHookManagerHookAble*>& GetClients() const { return m_clients; }

private:
    static LRESULT KeyboardProc(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CallWndProc(int code, WPARAM wParam, LPARAM lParam);
    void Unhook();

    HHOOK m_hKeyboardHook = nullptr;
    HHOOK m_hCallWndHook = nullptr;
    std::vector<CJQWHookManagerHookAble*> m_clients; // oldest first
};

// The calling thread's keyboard manager.
CJQWKeyboardManager* GetKeyboardManager();
