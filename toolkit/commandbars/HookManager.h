#pragma once
// The hook manager: objects that need to see the messages of a window they do not own register
// here. The window is subclassed once; each of its messages is offered to the registered clients,
// newest first, before the window's own procedure runs. Bars use the same client interface as
// keyboard-manager clients.

#include "platform/user/Window.h"

#include <map>
#include <memory>
#include <vector>

class CJQWHookManagerHookAble {
public:
    CJQWHookManagerHookAble() = default;
    // A client that goes away takes itself out of every window it was registered for.
    virtual ~CJQWHookManagerHookAble();
    CJQWHookManagerHookAble(const CJQWHookManagerHookAble&) = delete;
    CJQWHookManagerHookAble& operator=(const CJQWHookManagerHookAble&) = delete;

    // 0: the next client sees the message; 1: handled, *result is the answer and nobody else sees
    // it; 2: no more clients, the window's previous procedure handles it.
    virtual int OnHookMessage(HWND window, UINT message, WPARAM* wParam, LPARAM* lParam, LRESULT* result);

    // The registry deletes the client once it is registered for no window any more.
    BOOL m_bAutoDelete = FALSE;

private:
    friend class CJQWHookManager;
    bool m_bDeleting = false;
};

class CJQWHookManager {
public:
    // One subclassed window.
    class CHookSink {
    public:
        std::vector<CJQWHookManagerHookAble*> m_clients; // in registration order
        WNDPROC m_previous = nullptr;
        HWND m_hWnd = nullptr;
        bool m_removed = false;
    };

    CJQWHookManager() = default;
    ~CJQWHookManager();
    CJQWHookManager(const CJQWHookManager&) = delete;
    CJQWHookManager& operator=(const CJQWHookManager&) = delete;

    void SetHook(HWND window, CJQWHookManagerHookAble* client);
    void RemoveHook(HWND window, CJQWHookManagerHookAble* client);
    void RemoveAll(CJQWHookManagerHookAble* client);
    void RemoveSink(HWND window);

    // The sink of `window`, or null.
    CHookSink* Lookup(HWND window) const;
    // Whether `client` is registered for any window.
    bool IsRegistered(const CJQWHookManagerHookAble* client) const;

private:
    static LRESULT HookWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void DetachSink(const std::shared_ptr<CHookSink>& sink);
    void DeleteIfOrphaned(CJQWHookManagerHookAble* client);

    std::map<HWND, std::shared_ptr<CHookSink>> m_sinks;
    // Windows whose procedure could not be put back because someone subclassed them after us:
    // our procedure stays in their chain and only passes messages on.
    std::map<HWND, WNDPROC> m_passThrough;
};

CJQWHookManager* GetHookManager();
