#pragma once
// The thread's mouse manager: the bars in tracking mode (menus and popups open), the windows whose
// clicks leave them open, a lock count that nested loops raise, and the window watched for the
// pointer leaving it. A mouse hook lives as long as the manager: a click anywhere outside the
// tracked bars closes them.

#include "platform/framework/Geometry.h"
#include "platform/user/Window.h"

#include <vector>

class CJQWCommandBar;

// The hover-leave timer on the watched window, every 50 ms.
constexpr UINT_PTR JQW_TIMER_MOUSE_LEAVE = 113341;
constexpr UINT JQW_MOUSE_LEAVE_PERIOD = 50;

class CJQWMouseManager {
public:
    using CTrackArray = std::vector<CJQWCommandBar*>;
    using CTrustedArray = std::vector<HWND>;

    // Installs the thread's mouse hook.
    CJQWMouseManager();
    virtual ~CJQWMouseManager();
    CJQWMouseManager(const CJQWMouseManager&) = delete;
    CJQWMouseManager& operator=(const CJQWMouseManager&) = delete;

    void AddTrackedBar(CJQWCommandBar* bar);
    void RemoveTrackedBar(CJQWCommandBar* bar);
    const CTrackArray& GetTrackArray() const { return m_arrTracked; }
    BOOL IsTracked(const CJQWCommandBar* bar) const;
    // Stops the tracking of every tracked bar, the first first.
    void ClosePopups();
    BOOL IsTrackingOtherBar(CJQWCommandBar* bar) const;
    // Raises or lowers the lock count of every tracked bar.
    void LockTrackedBars(BOOL lock);
    // With the first tracked bar locked: stops the bars that are not.
    void CloseUnlockedBars();

    void AddTrustedWindow(HWND window);
    void RemoveTrustedWindow(HWND window);

    // The manager's own lock count (drags and controls running their own loops).
    void LockMouseMove() { ++m_nLock; }
    void UnlockMouseMove() { --m_nLock; }
    int GetLockCount() const { return m_nLock; }
    BOOL IsMouseLocked() const { return m_nLock > 0; }

    void SetSelected(CJQWCommandBar* bar) { m_pSelected = bar; }
    CJQWCommandBar* GetSelected() const { return m_pSelected; }
    void SetMenusExpanded(BOOL expanded) { m_bMenusExpanded = expanded; }
    BOOL IsMenusExpanded() const { return m_bMenusExpanded; }
    // The next left-button release is discarded unless a button goes down first.
    void SetSwallow(BOOL swallow) { m_bSwallow = swallow; }
    BOOL IsSwallow() const { return m_bSwallow; }

    // Examines one mouse event (screen point) while bars are tracked; always 0.
    int OnMouseEvent(UINT message, int x, int y);
    void ForwardMouseEvent(CJQWCommandBar* bar, UINT message, int x, int y);

    // Posts WM_MOUSELEAVE to `window` once the pointer has left it (checked every 50 ms); a
    // previous watched window gets it at once.
    void TrackMouseLeave(HWND window);
    HWND GetHoverWindow() const { return m_hwndHover; }
    // The bar is going away: it is forgotten everywhere.
    void OnBarRemoved(CJQWCommandBar* bar);

private:
    static LRESULT MouseProc(int code, WPARAM wParam, LPARAM lParam);
    static void HoverTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);

    int m_nLock = 0;
    CTrackArray m_arrTracked;
    HHOOK m_hMouseHook = nullptr;
    CJQWCommandBar* m_pSelected = nullptr;
    HWND m_hwndHover = nullptr;
    BOOL m_bMenusExpanded = FALSE;
    CTrustedArray m_arrTrusted;
    BOOL m_bSwallow = FALSE;
    CPoint m_ptLast { -1, -1 };
};

// The calling thread's mouse manager.
CJQWMouseManager* GetMouseManager();
