#pragma once
// Windows of the class library. A CWnd shows one window: the windows it created, attached or
// subclassed are its own (the permanent map of the window's thread finds it); FromHandle gives a
// temporary wrapper for any other window, freed at the next idle time.
//
// Messages reach a window's object through AfxWndProc -> WindowProc -> OnWndMsg -> the message
// map, and DefWindowProc (the procedure the window had before it was subclassed) when no entry
// answers. WM_COMMAND and WM_NOTIFY go through OnCommand/OnNotify to OnCmdMsg. The messages a
// child sends its parent about itself (WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*, WM_DRAWITEM,
// WM_MEASUREITEM, WM_COMPAREITEM, WM_DELETEITEM, WM_HSCROLL, WM_VSCROLL) are offered to the child
// first as WM_REFLECT_BASE + message; the parent sees them when the child leaves them unhandled.

#include "platform/base/ProcessInfo.h"
#include "platform/framework/AfxMessages.h"
#include "platform/framework/CmdTarget.h"
#include "platform/framework/DC.h"
#include "platform/framework/Geometry.h"
#include "platform/framework/Menu.h"
#include "platform/framework/String.h"

#include <memory>
#include <mutex>
#include <unordered_map>

class CFrameWnd;
class CScrollBar;

// The window of a possibly null object.
inline HWND AfxSafeHwnd(const class CWnd* wnd);

// What ON_NOTIFY handlers are given, through OnCmdMsg's pExtra.
struct AFX_NOTIFY {
    LRESULT* pResult;
    NMHDR* pNMHDR;
};

// WM_SIZEPARENT: each bar takes its place from rect (and shrinks it); with hDWP null it only
// measures (sizeTotal grows by what the bars need).
struct AFX_SIZEPARENTPARAMS {
    HDWP hDWP;
    RECT rect;
    SIZE sizeTotal;
    BOOL bStretch;
};

// What the class library keeps per thread that callers may look at: the message being handled
// now, which Default() passes on. Code that calls window procedures itself saves and restores it.
struct AFX_THREAD_STATE {
    MSG m_lastSentMsg {};
};
AFX_THREAD_STATE* AfxGetThreadState();

// Data of which each thread has its own instance, made on the thread's first use.
template <class T> class CThreadLocal {
public:
    T* GetData()
    {
        thread_local std::unordered_map<const CThreadLocal*, std::unique_ptr<T>> values;
        std::unique_ptr<T>& value = values[this];
        if (!value)
            value = std::make_unique<T>();
        return value.get();
    }
    T* operator->() { return GetData(); }
    operator T*() { return GetData(); }
};

// Data of the process, made on first use.
template <class T> class CProcessLocal {
public:
    T* GetData()
    {
        std::call_once(m_once, [this] { m_value = std::make_unique<T>(); });
        return m_value.get();
    }
    T* operator->() { return GetData(); }
    operator T*() { return GetData(); }

private:
    std::once_flag m_once;
    std::unique_ptr<T> m_value;
};

// The platform's window procedure of every window the class library owns.
LRESULT AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

class CWnd : public CCmdTarget {
    DECLARE_DYNCREATE(CWnd)
    DECLARE_MESSAGE_MAP()
public:
    CWnd() = default;
    explicit CWnd(HWND window) : m_hWnd(window) { }
    // Destroys the window it still owns.
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    operator HWND() const { return m_hWnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }
    bool operator==(const CWnd& other) const { return other.m_hWnd == m_hWnd; }

    // The owning object, else a temporary wrapper (freed at idle by DeleteTempMap); null for null.
    static CWnd* FromHandle(HWND window);
    // Only the owning object of this thread, else null.
    static CWnd* FromHandlePermanent(HWND window);
    static void DeleteTempMap();
    // How many temporary wrappers this thread holds (for checks after idle).
    static size_t TemporaryCount();

    BOOL Attach(HWND window);
    HWND Detach();

    // Creation: PreCreateWindow may change every field; the object is attached from the first
    // message the window gets (WM_GETMINMAXINFO/WM_NCCREATE) on.
    virtual BOOL PreCreateWindow(CREATESTRUCTW& cs);
    virtual BOOL Create(LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
        void* context = nullptr);
    BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
        int height, HWND parent, HMENU idOrMenu, void* param = nullptr);
    BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
        UINT id, void* param = nullptr);
    virtual BOOL DestroyWindow();

    // Subclassing an existing window: the object takes its messages and passes the rest on to
    // the procedure the window had.
    BOOL SubclassWindow(HWND window);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();
    virtual void PreSubclassWindow() { }
    // After the last message (WM_NCDESTROY) and the detach; objects made with new delete
    // themselves here.
    virtual void PostNcDestroy() { }

    // Message handling.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The default procedure for the message being handled on this thread now.
    LRESULT Default();
    virtual BOOL PreTranslateMessage(MSG* msg);
    // Offers `msg` to PreTranslateMessage of its window and each parent up to the top-level
    // window (or `stop`); TRUE as soon as one took it.
    static BOOL WalkPreTranslateTree(HWND stop, MSG* msg);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    // A child's look at a message its parent got about it; TRUE keeps it from the parent.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    BOOL ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Offers the message being handled now to the child `child` (its owning object) first.
    static BOOL ReflectLastMsg(HWND child, LRESULT* result = nullptr);
    // The message being handled on this thread now.
    static const MSG* GetCurrentMessage();

    // The framework's modal loop for this (dialog-like) window: runs until EndModalLoop, the
    // window's end, or WM_QUIT (posted again for the outer loop; the result is then -1). Every
    // message goes to the thread's message filter (MSGF_DIALOGBOX) first, then through
    // pre-translation. While idle the window gets WM_KICKIDLE (MSGF_DIALOGBOX, idle count) for as
    // long as it answers non-zero, and the parent WM_ENTERIDLE once per idle time.
    int RunModalLoop(DWORD flags = 0);
    virtual BOOL ContinueModal();
    virtual void EndModalLoop(int result);
    enum ModalFlags { MLF_NOIDLEMSG = 0x0001, MLF_NOKICKIDLE = 0x0002, MLF_SHOWONIDLE = 0x0004 };
    enum WindowFlags { WF_CONTINUEMODAL = 0x0080, WF_MODALLOOP = 0x0800 };
    UINT m_nFlags = 0;
    int m_nModalResult = -1;

    // Command-UI updates of the children (buttons and the like) through `target`'s handlers.
    void UpdateDialogControls(CCmdTarget* target, BOOL disableIfNoHandler);
    void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0, BOOL deep = TRUE,
        BOOL onlyPermanent = FALSE);

    enum RepositionFlags { reposDefault = 0, reposQuery = 1, reposExtra = 2, reposNoPosLeftOver = 0x8000 };
    // Lays the children with ids in [first, last] (control bars) out along the client edges and
    // gives what is left to `idLeftOver`; reposQuery only measures into `rectParam`.
    void RepositionBars(UINT first, UINT last, UINT idLeftOver, UINT flags = reposDefault, RECT* rectParam = nullptr,
        const RECT* rectClient = nullptr, BOOL stretch = TRUE);

    // Tree.
    CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
    CWnd* SetParent(CWnd* parent) { return FromHandle(::SetParent(m_hWnd, parent->GetSafeHwnd())); }
    CWnd* GetOwner() const;
    void SetOwner(CWnd* owner) { m_hWndOwner = AfxSafeHwnd(owner); }
    CWnd* GetTopLevelParent() const;
    CFrameWnd* GetParentFrame() const;
    CWnd* GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    int SetDlgCtrlID(int id) { return int(::SetWindowLongPtrW(m_hWnd, GWLP_ID, id)); }
    CWnd* GetWindow(UINT command) const { return FromHandle(::GetWindow(m_hWnd, command)); }
    CWnd* GetTopWindow() const { return FromHandle(::GetTopWindow(m_hWnd)); }
    CWnd* GetNextWindow(UINT command = GW_HWNDNEXT) const { return FromHandle(::GetWindow(m_hWnd, command)); }
    BOOL IsChild(const CWnd* window) const { return ::IsChild(m_hWnd, AfxSafeHwnd(window)); }
    static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
    CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
    static CWnd* GetCapture() { return FromHandle(::GetCapture()); }
    CWnd* SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }
    static CWnd* GetDesktopWindow() { return FromHandle(::GetDesktopWindow()); }

    // Styles and state.
    DWORD GetStyle() const { return DWORD(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return DWORD(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)); }
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0) { return ModifyStyle(m_hWnd, remove, add, swpFlags); }
    BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT swpFlags = 0) { return ModifyStyleEx(m_hWnd, remove, add, swpFlags); }
    static BOOL ModifyStyle(HWND window, DWORD remove, DWORD add, UINT swpFlags);
    static BOOL ModifyStyleEx(HWND window, DWORD remove, DWORD add, UINT swpFlags);
    LONG_PTR GetWindowLongPtr(int index) const { return ::GetWindowLongPtrW(m_hWnd, index); }
    LONG_PTR SetWindowLongPtr(int index, LONG_PTR value) { return ::SetWindowLongPtrW(m_hWnd, index, value); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    BOOL IsZoomed() const { return ::IsZoomed(m_hWnd); }
    CMenu* GetMenu() const;
    CFont* GetFont() const;
    void SetFont(CFont* font, BOOL redraw = TRUE);

    // Text.
    void SetWindowText(LPCWSTR text) { ::SetWindowTextW(m_hWnd, text); }
    int GetWindowText(WCHAR* buffer, int count) const { return ::GetWindowTextW(m_hWnd, buffer, count); }
    void GetWindowText(CString& text) const;
    int GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }
    void SetDlgItemText(int id, LPCWSTR text) { ::SetWindowTextW(::GetDlgItem(m_hWnd, id), text); }

    // Messages.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessage(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessage(m_hWnd, message, wParam, lParam);
    }
    LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessage(::GetDlgItem(m_hWnd, id), message, wParam, lParam);
    }

    // Geometry.
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    void ClientToScreen(POINT* point) const { ::ClientToScreen(m_hWnd, point); }
    void ClientToScreen(RECT* rect) const;
    void ScreenToClient(POINT* point) const { ::ScreenToClient(m_hWnd, point); }
    void ScreenToClient(RECT* rect) const;
    void MapWindowPoints(CWnd* to, POINT* points, UINT count) const { ::MapWindowPoints(m_hWnd, AfxSafeHwnd(to), points, count); }
    void MapWindowPoints(CWnd* to, RECT* rect) const;
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE) { ::MoveWindow(m_hWnd, x, y, width, height, repaint); }
    void MoveWindow(const RECT* rect, BOOL repaint = TRUE)
    {
        ::MoveWindow(m_hWnd, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, repaint);
    }
    BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int width, int height, UINT flags);
    BOOL BringWindowToTop() { return ::BringWindowToTop(m_hWnd); }

    // Timers (WM_TIMER to this window).
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC procedure = nullptr)
    {
        return ::SetTimer(m_hWnd, id, elapse, procedure);
    }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }

    // Painting.
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void InvalidateRect(const RECT* rect, BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, rect, erase); }
    void ValidateRect(const RECT* rect) { ::ValidateRect(m_hWnd, rect); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    BOOL RedrawWindow(const RECT* rect = nullptr, HRGN region = nullptr, UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE)
    {
        return ::RedrawWindow(m_hWnd, rect, region, flags);
    }
    CDC* GetDC();
    CDC* GetWindowDC();
    int ReleaseDC(CDC* dc);

    // The handlers CWnd gives every window: each passes the message it handles to Default().
    int OnCreate(CREATESTRUCTW*) { return int(Default()); }
    BOOL OnNcCreate(CREATESTRUCTW*) { return BOOL(Default()); }
    void OnDestroy() { Default(); }
    // Detaches the object after the default procedure saw the message, then PostNcDestroy.
    void OnNcDestroy();
    void OnMove(int, int) { Default(); }
    void OnSize(UINT, int, int) { Default(); }
    void OnActivate(UINT, CWnd*, BOOL) { Default(); }
    void OnActivateApp(BOOL, DWORD) { Default(); }
    void OnSetFocus(CWnd*) { Default(); }
    void OnKillFocus(CWnd*) { Default(); }
    void OnEnable(BOOL) { Default(); }
    void OnPaint() { Default(); }
    void OnClose() { Default(); }
    BOOL OnEraseBkgnd(CDC*) { return BOOL(Default()); }
    void OnShowWindow(BOOL, UINT) { Default(); }
    BOOL OnSetCursor(CWnd*, UINT, UINT) { return BOOL(Default()); }
    int OnMouseActivate(CWnd*, UINT, UINT) { return int(Default()); }
    void OnGetMinMaxInfo(MINMAXINFO*) { Default(); }
    void OnWindowPosChanging(WINDOWPOS*) { Default(); }
    void OnWindowPosChanged(WINDOWPOS*) { Default(); }
    void OnContextMenu(CWnd*, CPoint) { Default(); }
    void OnStyleChanging(int, STYLESTRUCT*) { Default(); }
    void OnStyleChanged(int, STYLESTRUCT*) { Default(); }
    void OnNcCalcSize(BOOL, NCCALCSIZE_PARAMS*) { Default(); }
    LRESULT OnNcHitTest(CPoint) { return Default(); }
    void OnNcPaint() { Default(); }
    BOOL OnNcActivate(BOOL) { return BOOL(Default()); }
    UINT OnGetDlgCode() { return UINT(Default()); }
    void OnNcMouseMove(UINT, CPoint) { Default(); }
    void OnNcLButtonDown(UINT, CPoint) { Default(); }
    void OnNcLButtonUp(UINT, CPoint) { Default(); }
    void OnNcLButtonDblClk(UINT, CPoint) { Default(); }
    void OnNcRButtonDown(UINT, CPoint) { Default(); }
    void OnNcRButtonUp(UINT, CPoint) { Default(); }
    void OnNcMouseLeave() { Default(); }
    void OnKeyDown(UINT, UINT, UINT) { Default(); }
    void OnKeyUp(UINT, UINT, UINT) { Default(); }
    void OnChar(UINT, UINT, UINT) { Default(); }
    void OnSysKeyDown(UINT, UINT, UINT) { Default(); }
    void OnSysKeyUp(UINT, UINT, UINT) { Default(); }
    void OnSysChar(UINT, UINT, UINT) { Default(); }
    void OnSysCommand(UINT, LPARAM) { Default(); }
    void OnTimer(UINT_PTR) { Default(); }
    void OnHScroll(UINT, UINT, CScrollBar*) { Default(); }
    void OnVScroll(UINT, UINT, CScrollBar*) { Default(); }
    void OnInitMenu(CMenu*) { Default(); }
    void OnInitMenuPopup(CMenu*, UINT, BOOL) { Default(); }
    void OnMenuSelect(UINT, UINT, HMENU) { Default(); }
    LRESULT OnMenuChar(UINT, UINT, CMenu*) { return Default(); }
    void OnEnterIdle(UINT, CWnd*) { Default(); }
    HBRUSH OnCtlColor(CDC*, CWnd*, UINT) { return reinterpret_cast<HBRUSH>(Default()); }
    void OnMouseMove(UINT, CPoint) { Default(); }
    void OnLButtonDown(UINT, CPoint) { Default(); }
    void OnLButtonUp(UINT, CPoint) { Default(); }
    void OnLButtonDblClk(UINT, CPoint) { Default(); }
    void OnRButtonDown(UINT, CPoint) { Default(); }
    void OnRButtonUp(UINT, CPoint) { Default(); }
    void OnRButtonDblClk(UINT, CPoint) { Default(); }
    void OnMButtonDown(UINT, CPoint) { Default(); }
    void OnMButtonUp(UINT, CPoint) { Default(); }
    void OnMButtonDblClk(UINT, CPoint) { Default(); }
    BOOL OnMouseWheel(UINT, short, CPoint) { return BOOL(Default()); }
    void OnMouseHWheel(UINT, short, CPoint) { Default(); }
    void OnMouseHover(UINT, CPoint) { Default(); }
    void OnMouseLeave() { Default(); }
    void OnParentNotify(UINT, LPARAM) { Default(); }
    void OnCaptureChanged(CWnd*) { Default(); }
    void OnSizing(UINT, RECT*) { Default(); }
    void OnMoving(UINT, RECT*) { Default(); }
    void OnEnterSizeMove() { Default(); }
    void OnExitSizeMove() { Default(); }
    void OnEnterMenuLoop(BOOL) { Default(); }
    void OnExitMenuLoop(BOOL) { Default(); }
    void OnSettingChange(UINT, LPCWSTR) { Default(); }
    void OnSysColorChange() { Default(); }
    LRESULT OnThemeChanged() { return Default(); }
    void OnCancelMode() { Default(); }
    BOOL OnQueryEndSession() { return BOOL(Default()); }
    void OnEndSession(BOOL) { Default(); }
    void OnChangeUIState(UINT, UINT) { Default(); }
    void OnUpdateUIState(UINT, UINT) { Default(); }
    UINT OnQueryUIState() { return UINT(Default()); }

    // The creation hook and SubclassWindow put the object's procedure in front of the window's own.
    void HookProcedure();

protected:

    HWND m_hWndOwner = nullptr;  // the owner for command routing, when not the parent
    WindowProcedure m_superProc; // the window's procedure before the object took it over

    friend LRESULT AfxCallWndProc(CWnd* wnd, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

inline HWND AfxSafeHwnd(const CWnd* wnd) { return wnd ? wnd->m_hWnd : nullptr; }

// The DC of a window's paint (BeginPaint .. EndPaint), of its client area and of the whole
// window: each gives its DC back when it goes.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps {};

protected:
    HWND m_hWnd;
};

class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* wnd);
    ~CClientDC() override;

protected:
    HWND m_hWnd;
};

class CWindowDC : public CDC {
public:
    explicit CWindowDC(CWnd* wnd);
    ~CWindowDC() override;

protected:
    HWND m_hWnd;
};

// The scroll bar controls' wrapper (a child window of the scroll-bar class).
class CScrollBar : public CWnd { };

// Calls `wnd`'s WindowProc with the message recorded as the thread's current message.
LRESULT AfxCallWndProc(CWnd* wnd, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers (once per distinct set) a class of AfxWndProc windows and returns its name, which
// lives as long as the process.
LPCWSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr, HICON icon = nullptr);
// The name of the plain class every CWnd may use (AfxRegisterWndClass(0)).
LPCWSTR AfxWndClassName();

// ---- Message-map entries for window messages ------------------------------------------------
// Each thunk names the handler through a member pointer of the exact cracked type, so a handler
// with another signature does not compile.

#define AFX_WM_VOID(message, name, params, args)                                                                     \
    { UINT(message), 0, 0, 0,                                                                                        \
        [](CCmdTarget* t_, AFX_MSGCALL& c_) -> BOOL {                                                                \
            [[maybe_unused]] const WPARAM wParam = c_.wParam;                                                        \
            [[maybe_unused]] const LPARAM lParam = c_.lParam;                                                        \
            using Handler_ = void(ThisClass::*) params;                                                              \
            Handler_ handler_ = &ThisClass::name;                                                                    \
            (static_cast<ThisClass*>(t_)->*handler_) args;                                                           \
            c_.result = 0;                                                                                           \
            return TRUE;                                                                                             \
        } },

#define AFX_WM_RESULT(message, type, name, params, args)                                                             \
    { UINT(message), 0, 0, 0,                                                                                        \
        [](CCmdTarget* t_, AFX_MSGCALL& c_) -> BOOL {                                                                \
            [[maybe_unused]] const WPARAM wParam = c_.wParam;                                                        \
            [[maybe_unused]] const LPARAM lParam = c_.lParam;                                                        \
            using Handler_ = type(ThisClass::*) params;                                                              \
            Handler_ handler_ = &ThisClass::name;                                                                    \
            c_.result = LRESULT((static_cast<ThisClass*>(t_)->*handler_) args);                                      \
            return TRUE;                                                                                             \
        } },

#define AFX_WM_POINT CPoint(lParam)
#define AFX_WM_WND(h) CWnd::FromHandle(reinterpret_cast<HWND>(h))
#define AFX_WM_DC(h) CDC::FromHandle(reinterpret_cast<HDC>(h))

#define ON_WM_CREATE() AFX_WM_RESULT(WM_CREATE, int, OnCreate, (CREATESTRUCTW*), (reinterpret_cast<CREATESTRUCTW*>(lParam)))
#define ON_WM_NCCREATE() AFX_WM_RESULT(WM_NCCREATE, BOOL, OnNcCreate, (CREATESTRUCTW*), (reinterpret_cast<CREATESTRUCTW*>(lParam)))
#define ON_WM_DESTROY() AFX_WM_VOID(WM_DESTROY, OnDestroy, (), ())
#define ON_WM_NCDESTROY() AFX_WM_VOID(WM_NCDESTROY, OnNcDestroy, (), ())
#define ON_WM_MOVE() AFX_WM_VOID(WM_MOVE, OnMove, (int, int), (short(LOWORD(DWORD(lParam))), short(HIWORD(DWORD(lParam)))))
#define ON_WM_SIZE() AFX_WM_VOID(WM_SIZE, OnSize, (UINT, int, int), (UINT(wParam), short(LOWORD(DWORD(lParam))), short(HIWORD(DWORD(lParam)))))
#define ON_WM_ACTIVATE() AFX_WM_VOID(WM_ACTIVATE, OnActivate, (UINT, CWnd*, BOOL), (LOWORD(DWORD(wParam)), AFX_WM_WND(lParam), BOOL(HIWORD(DWORD(wParam)))))
#define ON_WM_ACTIVATEAPP() AFX_WM_VOID(WM_ACTIVATEAPP, OnActivateApp, (BOOL, DWORD), (BOOL(wParam), DWORD(lParam)))
#define ON_WM_SETFOCUS() AFX_WM_VOID(WM_SETFOCUS, OnSetFocus, (CWnd*), (AFX_WM_WND(wParam)))
#define ON_WM_KILLFOCUS() AFX_WM_VOID(WM_KILLFOCUS, OnKillFocus, (CWnd*), (AFX_WM_WND(wParam)))
#define ON_WM_ENABLE() AFX_WM_VOID(WM_ENABLE, OnEnable, (BOOL), (BOOL(wParam)))
#define ON_WM_PAINT() AFX_WM_VOID(WM_PAINT, OnPaint, (), ())
#define ON_WM_CLOSE() AFX_WM_VOID(WM_CLOSE, OnClose, (), ())
#define ON_WM_ERASEBKGND() AFX_WM_RESULT(WM_ERASEBKGND, BOOL, OnEraseBkgnd, (CDC*), (AFX_WM_DC(wParam)))
#define ON_WM_SHOWWINDOW() AFX_WM_VOID(WM_SHOWWINDOW, OnShowWindow, (BOOL, UINT), (BOOL(wParam), UINT(lParam)))
#define ON_WM_SETCURSOR() AFX_WM_RESULT(WM_SETCURSOR, BOOL, OnSetCursor, (CWnd*, UINT, UINT), (AFX_WM_WND(wParam), LOWORD(DWORD(lParam)), HIWORD(DWORD(lParam))))
#define ON_WM_MOUSEACTIVATE() AFX_WM_RESULT(WM_MOUSEACTIVATE, int, OnMouseActivate, (CWnd*, UINT, UINT), (AFX_WM_WND(wParam), LOWORD(DWORD(lParam)), HIWORD(DWORD(lParam))))
#define ON_WM_GETMINMAXINFO() AFX_WM_VOID(WM_GETMINMAXINFO, OnGetMinMaxInfo, (MINMAXINFO*), (reinterpret_cast<MINMAXINFO*>(lParam)))
#define ON_WM_WINDOWPOSCHANGING() AFX_WM_VOID(WM_WINDOWPOSCHANGING, OnWindowPosChanging, (WINDOWPOS*), (reinterpret_cast<WINDOWPOS*>(lParam)))
#define ON_WM_WINDOWPOSCHANGED() AFX_WM_VOID(WM_WINDOWPOSCHANGED, OnWindowPosChanged, (WINDOWPOS*), (reinterpret_cast<WINDOWPOS*>(lParam)))
#define ON_WM_CONTEXTMENU() AFX_WM_VOID(WM_CONTEXTMENU, OnContextMenu, (CWnd*, CPoint), (AFX_WM_WND(wParam), AFX_WM_POINT))
#define ON_WM_STYLECHANGING() AFX_WM_VOID(WM_STYLECHANGING, OnStyleChanging, (int, STYLESTRUCT*), (int(wParam), reinterpret_cast<STYLESTRUCT*>(lParam)))
#define ON_WM_STYLECHANGED() AFX_WM_VOID(WM_STYLECHANGED, OnStyleChanged, (int, STYLESTRUCT*), (int(wParam), reinterpret_cast<STYLESTRUCT*>(lParam)))
#define ON_WM_NCCALCSIZE() AFX_WM_VOID(WM_NCCALCSIZE, OnNcCalcSize, (BOOL, NCCALCSIZE_PARAMS*), (BOOL(wParam), reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)))
#define ON_WM_NCHITTEST() AFX_WM_RESULT(WM_NCHITTEST, LRESULT, OnNcHitTest, (CPoint), (AFX_WM_POINT))
#define ON_WM_NCPAINT() AFX_WM_VOID(WM_NCPAINT, OnNcPaint, (), ())
#define ON_WM_NCACTIVATE() AFX_WM_RESULT(WM_NCACTIVATE, BOOL, OnNcActivate, (BOOL), (BOOL(wParam)))
#define ON_WM_GETDLGCODE() AFX_WM_RESULT(WM_GETDLGCODE, UINT, OnGetDlgCode, (), ())
#define ON_WM_NCMOUSEMOVE() AFX_WM_VOID(WM_NCMOUSEMOVE, OnNcMouseMove, (UINT, CPoint), (UINT(wParam), AFX_WM_POINT))
#define ON_WM_NCLBUTTONDOWN() AFX_WM_VOID(WM_NCLBUTTONDOWN, OnNcLButtonDown, (UINT, CPoint), (UINT(wParam), AFX_WM_POINT))
#define ON_WM_NCLBUTTONUP() AFX_WM_VOID(WM_NCLBUTTONUP, OnNcLButtonUp, (UINT, CPoint), (UINT(wParam), AFX_WM_POINT))
#define ON_WM_NCLBUTTONDBLCLK() AFX_WM_VOID(WM_NCLBUTTONDBLCLK, OnNcLButtonDblClk, (UINT, CPoint), (UINT(wParam), AFX_WM_POINT))
#define ON_WM_NCRBUTTONDOWN() AFX_WM_VOID(WM_NCRBUTTONDOWN, OnNcRButtonDown, (UINT, CPoint), (UINT(wParam), AFX_WM_POINT))
#define ON_WM_NCRBUTTONUP() AFX_WM_VOID(WM_NCRBUTTONUP, OnNcRButtonUp, (UINT, CPoint), (UINT(wParam), AFX_WM_POINT))
#define ON_WM_NCMOUSELEAVE() AFX_WM_VOID(WM_NCMOUSELEAVE, OnNcMouseLeave, (), ())
#define AFX_WM_KEY(message, name) AFX_WM_VOID(message, name, (UINT, UINT, UINT), (UINT(wParam), LOWORD(DWORD(lParam)), HIWORD(DWORD(lParam))))
#define ON_WM_KEYDOWN() AFX_WM_KEY(WM_KEYDOWN, OnKeyDown)
#define ON_WM_KEYUP() AFX_WM_KEY(WM_KEYUP, OnKeyUp)
#define ON_WM_CHAR() AFX_WM_KEY(WM_CHAR, OnChar)
#define ON_WM_SYSKEYDOWN() AFX_WM_KEY(WM_SYSKEYDOWN, OnSysKeyDown)
#define ON_WM_SYSKEYUP() AFX_WM_KEY(WM_SYSKEYUP, OnSysKeyUp)
#define ON_WM_SYSCHAR() AFX_WM_KEY(WM_SYSCHAR, OnSysChar)
#define ON_WM_SYSCOMMAND() AFX_WM_VOID(WM_SYSCOMMAND, OnSysCommand, (UINT, LPARAM), (UINT(wParam), lParam))
#define ON_WM_TIMER() AFX_WM_VOID(WM_TIMER, OnTimer, (UINT_PTR), (UINT_PTR(wParam)))
#define ON_WM_HSCROLL() AFX_WM_VOID(WM_HSCROLL, OnHScroll, (UINT, UINT, CScrollBar*), (LOWORD(DWORD(wParam)), HIWORD(DWORD(wParam)), static_cast<CScrollBar*>(AFX_WM_WND(lParam))))
#define ON_WM_VSCROLL() AFX_WM_VOID(WM_VSCROLL, OnVScroll, (UINT, UINT, CScrollBar*), (LOWORD(DWORD(wParam)), HIWORD(DWORD(wParam)), static_cast<CScrollBar*>(AFX_WM_WND(lParam))))
#define ON_WM_INITMENU() AFX_WM_VOID(WM_INITMENU, OnInitMenu, (CMenu*), (CMenu::FromHandle(reinterpret_cast<HMENU>(wParam))))
#define ON_WM_INITMENUPOPUP() AFX_WM_VOID(WM_INITMENUPOPUP, OnInitMenuPopup, (CMenu*, UINT, BOOL), (CMenu::FromHandle(reinterpret_cast<HMENU>(wParam)), LOWORD(DWORD(lParam)), BOOL(HIWORD(DWORD(lParam)))))
#define ON_WM_MENUSELECT() AFX_WM_VOID(WM_MENUSELECT, OnMenuSelect, (UINT, UINT, HMENU), (LOWORD(DWORD(wParam)), HIWORD(DWORD(wParam)), reinterpret_cast<HMENU>(lParam)))
#define ON_WM_MENUCHAR() AFX_WM_RESULT(WM_MENUCHAR, LRESULT, OnMenuChar, (UINT, UINT, CMenu*), (LOWORD(DWORD(wParam)), HIWORD(DWORD(wParam)), CMenu::FromHandle(reinterpret_cast<HMENU>(lParam))))
#define ON_WM_ENTERIDLE() AFX_WM_VOID(WM_ENTERIDLE, OnEnterIdle, (UINT, CWnd*), (UINT(wParam), AFX_WM_WND(lParam)))
// Every WM_CTLCOLOR* form; the third argument is the CTLCOLOR_* kind.
#define ON_WM_CTLCOLOR()                                                                                             \
    { WM_CTLCOLOR, 0, 0, 0,                                                                                          \
        [](CCmdTarget* t_, AFX_MSGCALL& c_) -> BOOL {                                                                \
            using Handler_ = HBRUSH (ThisClass::*)(CDC*, CWnd*, UINT);                                               \
            Handler_ handler_ = &ThisClass::OnCtlColor;                                                              \
            c_.result = reinterpret_cast<LRESULT>((static_cast<ThisClass*>(t_)->*handler_)(                          \
                AFX_WM_DC(c_.wParam), AFX_WM_WND(c_.lParam), c_.nID - WM_CTLCOLORMSGBOX));                           \
            return TRUE;                                                                                             \
        } },
#define AFX_WM_MOUSE(message, name) AFX_WM_VOID(message, name, (UINT, CPoint), (UINT(wParam), AFX_WM_POINT))
#define ON_WM_MOUSEMOVE() AFX_WM_MOUSE(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_LBUTTONDOWN() AFX_WM_MOUSE(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_WM_MOUSE(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_WM_MOUSE(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() AFX_WM_MOUSE(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_RBUTTONUP() AFX_WM_MOUSE(WM_RBUTTONUP, OnRButtonUp)
#define ON_WM_RBUTTONDBLCLK() AFX_WM_MOUSE(WM_RBUTTONDBLCLK, OnRButtonDblClk)
#define ON_WM_MBUTTONDOWN() AFX_WM_MOUSE(WM_MBUTTONDOWN, OnMButtonDown)
#define ON_WM_MBUTTONUP() AFX_WM_MOUSE(WM_MBUTTONUP, OnMButtonUp)
#define ON_WM_MBUTTONDBLCLK() AFX_WM_MOUSE(WM_MBUTTONDBLCLK, OnMButtonDblClk)
#define ON_WM_MOUSEHOVER() AFX_WM_MOUSE(WM_MOUSEHOVER, OnMouseHover)
#define ON_WM_MOUSEWHEEL() AFX_WM_RESULT(WM_MOUSEWHEEL, BOOL, OnMouseWheel, (UINT, short, CPoint), (LOWORD(DWORD(wParam)), short(HIWORD(DWORD(wParam))), AFX_WM_POINT))
#define ON_WM_MOUSEHWHEEL() AFX_WM_VOID(WM_MOUSEHWHEEL, OnMouseHWheel, (UINT, short, CPoint), (LOWORD(DWORD(wParam)), short(HIWORD(DWORD(wParam))), AFX_WM_POINT))
#define ON_WM_MOUSELEAVE() AFX_WM_VOID(WM_MOUSELEAVE, OnMouseLeave, (), ())
#define ON_WM_PARENTNOTIFY() AFX_WM_VOID(WM_PARENTNOTIFY, OnParentNotify, (UINT, LPARAM), (LOWORD(DWORD(wParam)), lParam))
#define ON_WM_CAPTURECHANGED() AFX_WM_VOID(WM_CAPTURECHANGED, OnCaptureChanged, (CWnd*), (AFX_WM_WND(lParam)))
#define ON_WM_SIZING() AFX_WM_VOID(WM_SIZING, OnSizing, (UINT, RECT*), (UINT(wParam), reinterpret_cast<RECT*>(lParam)))
#define ON_WM_MOVING() AFX_WM_VOID(WM_MOVING, OnMoving, (UINT, RECT*), (UINT(wParam), reinterpret_cast<RECT*>(lParam)))
#define ON_WM_ENTERSIZEMOVE() AFX_WM_VOID(WM_ENTERSIZEMOVE, OnEnterSizeMove, (), ())
#define ON_WM_EXITSIZEMOVE() AFX_WM_VOID(WM_EXITSIZEMOVE, OnExitSizeMove, (), ())
#define ON_WM_ENTERMENULOOP() AFX_WM_VOID(WM_ENTERMENULOOP, OnEnterMenuLoop, (BOOL), (BOOL(wParam)))
#define ON_WM_EXITMENULOOP() AFX_WM_VOID(WM_EXITMENULOOP, OnExitMenuLoop, (BOOL), (BOOL(wParam)))
#define ON_WM_SETTINGCHANGE() AFX_WM_VOID(WM_SETTINGCHANGE, OnSettingChange, (UINT, LPCWSTR), (UINT(wParam), reinterpret_cast<LPCWSTR>(lParam)))
#define ON_WM_SYSCOLORCHANGE() AFX_WM_VOID(WM_SYSCOLORCHANGE, OnSysColorChange, (), ())
#define ON_WM_THEMECHANGED() AFX_WM_RESULT(WM_THEMECHANGED, LRESULT, OnThemeChanged, (), ())
#define ON_WM_CANCELMODE() AFX_WM_VOID(WM_CANCELMODE, OnCancelMode, (), ())
#define ON_WM_QUERYENDSESSION() AFX_WM_RESULT(WM_QUERYENDSESSION, BOOL, OnQueryEndSession, (), ())
#define ON_WM_ENDSESSION() AFX_WM_VOID(WM_ENDSESSION, OnEndSession, (BOOL), (BOOL(wParam)))
#define ON_WM_CHANGEUISTATE() AFX_WM_VOID(WM_CHANGEUISTATE, OnChangeUIState, (UINT, UINT), (LOWORD(DWORD(wParam)), HIWORD(DWORD(wParam))))
#define ON_WM_UPDATEUISTATE() AFX_WM_VOID(WM_UPDATEUISTATE, OnUpdateUIState, (UINT, UINT), (LOWORD(DWORD(wParam)), HIWORD(DWORD(wParam))))
#define ON_WM_QUERYUISTATE() AFX_WM_RESULT(WM_QUERYUISTATE, UINT, OnQueryUIState, (), ())

// Any message: LRESULT handler(WPARAM, LPARAM).
#define ON_MESSAGE(message, memberFxn)                                                                               \
    { UINT(message), 0, 0, 0,                                                                                        \
        [](CCmdTarget* t_, AFX_MSGCALL& c_) -> BOOL {                                                                \
            using Handler_ = LRESULT (ThisClass::*)(WPARAM, LPARAM);                                                 \
            Handler_ handler_ = memberFxn;                                                                           \
            c_.result = (static_cast<ThisClass*>(t_)->*handler_)(c_.wParam, c_.lParam);                              \
            return TRUE;                                                                                             \
        } },

// A message numbered at run time: `variable` is a UINT with static storage holding it.
#define ON_REGISTERED_MESSAGE(variable, memberFxn)                                                                   \
    { 0xC000, 0, 0, 0,                                                                                               \
        [](CCmdTarget* t_, AFX_MSGCALL& c_) -> BOOL {                                                                \
            using Handler_ = LRESULT (ThisClass::*)(WPARAM, LPARAM);                                                 \
            Handler_ handler_ = memberFxn;                                                                           \
            c_.result = (static_cast<ThisClass*>(t_)->*handler_)(c_.wParam, c_.lParam);                              \
            return TRUE;                                                                                             \
        }, &(variable) },

// ---- Control notifications -----------------------------------------------------------------

// WM_COMMAND from control `id` with notification `code`: void handler().
#define ON_CONTROL(code, id, memberFxn)                                                                              \
    { WM_COMMAND, UINT(WORD(code)), UINT(id), UINT(id),                                                              \
        [](CCmdTarget* t_, AFX_MSGCALL&) -> BOOL {                                                                   \
            using Handler_ = void (ThisClass::*)();                                                                  \
            Handler_ handler_ = memberFxn;                                                                           \
            (static_cast<ThisClass*>(t_)->*handler_)();                                                              \
            return TRUE;                                                                                             \
        } },
// void handler(UINT id).
#define ON_CONTROL_RANGE(code, id, idLast, memberFxn)                                                                \
    { WM_COMMAND, UINT(WORD(code)), UINT(id), UINT(idLast),                                                          \
        [](CCmdTarget* t_, AFX_MSGCALL& c_) -> BOOL {                                                                \
            using Handler_ = void (ThisClass::*)(UINT);                                                              \
            Handler_ handler_ = memberFxn;                                                                           \
            (static_cast<ThisClass*>(t_)->*handler_)(c_.nID);                                                        \
            return TRUE;                                                                                             \
        } },
// In the control's own map: void handler().
#define ON_CONTROL_REFLECT(code, memberFxn)                                                                          \
    { WM_REFLECT_BASE + WM_COMMAND, UINT(WORD(code)), 0, 0,                                                          \
        [](CCmdTarget* t_, AFX_MSGCALL&) -> BOOL {                                                                   \
            using Handler_ = void (ThisClass::*)();                                                                  \
            Handler_ handler_ = memberFxn;                                                                           \
            (static_cast<ThisClass*>(t_)->*handler_)();                                                              \
            return TRUE;                                                                                             \
        } },
// BOOL handler(): FALSE lets the parent see the notification too.
#define ON_CONTROL_REFLECT_EX(code, memberFxn)                                                                       \
    { WM_REFLECT_BASE + WM_COMMAND, UINT(WORD(code)), 0, 0,                                                          \
        [](CCmdTarget* t_, AFX_MSGCALL&) -> BOOL {                                                                   \
            using Handler_ = BOOL (ThisClass::*)();                                                                  \
            Handler_ handler_ = memberFxn;                                                                           \
            return (static_cast<ThisClass*>(t_)->*handler_)();                                                       \
        } },

// WM_NOTIFY from control `id`: void handler(NMHDR*, LRESULT*).
#define ON_NOTIFY(code, id, memberFxn)                                                                               \
    { WM_NOTIFY, UINT(WORD(code)), UINT(id), UINT(id),                                                               \
        [](CCmdTarget* t_, AFX_MSGCALL& c_) -> BOOL {                                                                \
            using Handler_ = void (ThisClass::*)(NMHDR*, LRESULT*);                                                  \
            Handler_ handler_ = memberFxn;                                                                           \
            auto* n_ = static_cast<AFX_NOTIFY*>(c_.pExtra);                                                          \
            (static_cast<ThisClass*>(t_)->*handler_)(n_->pNMHDR, n_->pResult);                                       \
            return TRUE;                                                                                             \
        } },
// void handler(UINT id, NMHDR*, LRESULT*).
#define ON_NOTIFY_RANGE(code, id, idLast, memberFxn)                                                                 \
    { WM_NOTIFY, UINT(WORD(code)), UINT(id), UINT(idLast),                                                           \
        [](CCmdTarget* t_, AFX_MSGCALL& c_) -> BOOL {                                                                \
            using Handler_ = void (ThisClass::*)(UINT, NMHDR*, LRESULT*);                                            \
            Handler_ handler_ = memberFxn;                                                                           \
            auto* n_ = static_cast<AFX_NOTIFY*>(c_.pExtra);                                                          \
            (static_cast<ThisClass*>(t_)->*handler_)(c_.nID, n_->pNMHDR, n_->pResult);                               \
            return TRUE;                                                                                             \
        } },
// BOOL handler(UINT id, NMHDR*, LRESULT*): FALSE routes the notification on.
#define ON_NOTIFY_EX(code, id, memberFxn)                                                                            \
    { WM_NOTIFY, UINT(WORD(code)), UINT(id), UINT(id),                                                               \
        [](CCmdTarget* t_, AFX_MSGCALL& c_) -> BOOL {                                                                \
            using Handler_ = BOOL (ThisClass::*)(UINT, NMHDR*, LRESULT*);                                            \
            Handler_ handler_ = memberFxn;                                                                           \
            auto* n_ = static_cast<AFX_NOTIFY*>(c_.pExtra);                                                          \
            return (static_cast<ThisClass*>(t_)->*handler_)(c_.nID, n_->pNMHDR, n_->pResult);                        \
        } },
#define ON_NOTIFY_EX_RANGE(code, id, idLast, memberFxn)                                                              \
    { WM_NOTIFY, UINT(WORD(code)), UINT(id), UINT(idLast),                                                           \
        [](CCmdTarget* t_, AFX_MSGCALL& c_) -> BOOL {                                                                \
            using Handler_ = BOOL (ThisClass::*)(UINT, NMHDR*, LRESULT*);                                            \
            Handler_ handler_ = memberFxn;                                                                           \
            auto* n_ = static_cast<AFX_NOTIFY*>(c_.pExtra);                                                          \
            return (static_cast<ThisClass*>(t_)->*handler_)(c_.nID, n_->pNMHDR, n_->pResult);                        \
        } },
// In the control's own map: void handler(NMHDR*, LRESULT*).
#define ON_NOTIFY_REFLECT(code, memberFxn)                                                                           \
    { WM_REFLECT_BASE + WM_NOTIFY, UINT(WORD(code)), 0, 0,                                                           \
        [](CCmdTarget* t_, AFX_MSGCALL& c_) -> BOOL {                                                                \
            using Handler_ = void (ThisClass::*)(NMHDR*, LRESULT*);                                                  \
            Handler_ handler_ = memberFxn;                                                                           \
            auto* n_ = static_cast<AFX_NOTIFY*>(c_.pExtra);                                                          \
            (static_cast<ThisClass*>(t_)->*handler_)(n_->pNMHDR, n_->pResult);                                       \
            return TRUE;                                                                                             \
        } },
// BOOL handler(NMHDR*, LRESULT*): FALSE lets the parent see the notification too.
#define ON_NOTIFY_REFLECT_EX(code, memberFxn)                                                                        \
    { WM_REFLECT_BASE + WM_NOTIFY, UINT(WORD(code)), 0, 0,                                                           \
        [](CCmdTarget* t_, AFX_MSGCALL& c_) -> BOOL {                                                                \
            using Handler_ = BOOL (ThisClass::*)(NMHDR*, LRESULT*);                                                  \
            Handler_ handler_ = memberFxn;                                                                           \
            auto* n_ = static_cast<AFX_NOTIFY*>(c_.pExtra);                                                          \
            return (static_cast<ThisClass*>(t_)->*handler_)(n_->pNMHDR, n_->pResult);                                \
        } },
// In the control's own map: HBRUSH CtlColor(CDC*, UINT kind); a null brush leaves it to the parent.
#define ON_WM_CTLCOLOR_REFLECT()                                                                                     \
    { WM_REFLECT_BASE + WM_CTLCOLOR, 0, 0, 0,                                                                        \
        [](CCmdTarget* t_, AFX_MSGCALL& c_) -> BOOL {                                                                \
            using Handler_ = HBRUSH (ThisClass::*)(CDC*, UINT);                                                      \
            Handler_ handler_ = &ThisClass::CtlColor;                                                                \
            HBRUSH brush_ = (static_cast<ThisClass*>(t_)->*handler_)(AFX_WM_DC(c_.wParam), c_.nID - WM_CTLCOLORMSGBOX); \
            c_.result = reinterpret_cast<LRESULT>(brush_);                                                           \
            return brush_ != nullptr;                                                                                \
        } },

// The notification shorthands (the codes are the controls' own).
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_BN_SETFOCUS(id, memberFxn) ON_CONTROL(BN_SETFOCUS, id, memberFxn)
#define ON_BN_KILLFOCUS(id, memberFxn) ON_CONTROL(BN_KILLFOCUS, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_UPDATE(id, memberFxn) ON_CONTROL(EN_UPDATE, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_EN_MAXTEXT(id, memberFxn) ON_CONTROL(EN_MAXTEXT, id, memberFxn)
#define ON_EN_HSCROLL(id, memberFxn) ON_CONTROL(EN_HSCROLL, id, memberFxn)
#define ON_EN_VSCROLL(id, memberFxn) ON_CONTROL(EN_VSCROLL, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)
#define ON_LBN_SELCANCEL(id, memberFxn) ON_CONTROL(LBN_SELCANCEL, id, memberFxn)
#define ON_LBN_SETFOCUS(id, memberFxn) ON_CONTROL(LBN_SETFOCUS, id, memberFxn)
#define ON_LBN_KILLFOCUS(id, memberFxn) ON_CONTROL(LBN_KILLFOCUS, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_DBLCLK(id, memberFxn) ON_CONTROL(CBN_DBLCLK, id, memberFxn)
#define ON_CBN_SETFOCUS(id, memberFxn) ON_CONTROL(CBN_SETFOCUS, id, memberFxn)
#define ON_CBN_KILLFOCUS(id, memberFxn) ON_CONTROL(CBN_KILLFOCUS, id, memberFxn)
#define ON_CBN_EDITCHANGE(id, memberFxn) ON_CONTROL(CBN_EDITCHANGE, id, memberFxn)
#define ON_CBN_EDITUPDATE(id, memberFxn) ON_CONTROL(CBN_EDITUPDATE, id, memberFxn)
#define ON_CBN_DROPDOWN(id, memberFxn) ON_CONTROL(CBN_DROPDOWN, id, memberFxn)
#define ON_CBN_CLOSEUP(id, memberFxn) ON_CONTROL(CBN_CLOSEUP, id, memberFxn)
#define ON_CBN_SELENDOK(id, memberFxn) ON_CONTROL(CBN_SELENDOK, id, memberFxn)
#define ON_CBN_SELENDCANCEL(id, memberFxn) ON_CONTROL(CBN_SELENDCANCEL, id, memberFxn)
#define ON_STN_CLICKED(id, memberFxn) ON_CONTROL(STN_CLICKED, id, memberFxn)
#define ON_STN_DBLCLK(id, memberFxn) ON_CONTROL(STN_DBLCLK, id, memberFxn)
#define ON_STN_ENABLE(id, memberFxn) ON_CONTROL(STN_ENABLE, id, memberFxn)
#define ON_STN_DISABLE(id, memberFxn) ON_CONTROL(STN_DISABLE, id, memberFxn)
