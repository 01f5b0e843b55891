#include "platform/framework/Wnd.h"

#include "platform/framework/FrameWnd.h"
#include "platform/framework/HandleMap.h"

#include <cstdio>
#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
    ON_WM_NCDESTROY()
END_MESSAGE_MAP()

namespace {

// What one UI thread of the class library keeps about its windows.
struct WindowThreadState {
    CHandleMap<HWND, CWnd> maps;
    CWnd* creating = nullptr;    // the object waiting for its window in CreateEx
    HHOOK createHook = nullptr;
    // Message-map look-ups of window messages: (map, message) -> entry or null.
    struct Key {
        const AFX_MSGMAP* map;
        UINT message;
        bool operator==(const Key& o) const { return map == o.map && message == o.message; }
    };
    struct KeyHash {
        size_t operator()(const Key& k) const { return std::hash<const void*>()(k.map) ^ (size_t(k.message) * 0x9E3779B97F4A7C15ull); }
    };
    std::unordered_map<Key, const AFX_MSGMAP_ENTRY*, KeyHash> entries;

    // The temporary wrappers of a thread that ends let go of their windows first.
    ~WindowThreadState() { maps.DeleteTemporary([](CWnd& wnd) { wnd.m_hWnd = nullptr; }); }
};

WindowThreadState& State()
{
    thread_local WindowThreadState state;
    return state;
}

bool IsAfxWndProc(const WindowProcedure& procedure)
{
    auto* plain = procedure.target<WNDPROC>();
    return plain && *plain == &AfxWndProc;
}

LRESULT CALLBACK_CreateHook(int code, WPARAM wParam, LPARAM lParam)
{
    WindowThreadState& state = State();
    if (code == HCBT_CREATEWND && state.creating) {
        CWnd* wnd = std::exchange(state.creating, nullptr);
        wnd->Attach(reinterpret_cast<HWND>(wParam));
        wnd->PreSubclassWindow();
        wnd->HookProcedure();
    }
    return CallNextHookEx(state.createHook, code, wParam, lParam);
}

void HookWindowCreate(CWnd* wnd)
{
    WindowThreadState& state = State();
    if (!state.createHook)
        state.createHook = SetWindowsHookExW(WH_CBT, &CALLBACK_CreateHook, nullptr, GetCurrentThreadId());
    state.creating = wnd;
}

void UnhookWindowCreate()
{
    WindowThreadState& state = State();
    state.creating = nullptr;
    if (state.createHook) {
        UnhookWindowsHookEx(state.createHook);
        state.createHook = nullptr;
    }
}

// The child a message to its parent is about, for the messages reflected to it.
HWND ReflectedChild(HWND parent, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_HSCROLL:
    case WM_VSCROLL:
        return reinterpret_cast<HWND>(lParam); // null for the window's own scroll bars
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_COMPAREITEM:
    case WM_DELETEITEM:
        return wParam ? ::GetDlgItem(parent, int(wParam)) : nullptr; // 0: a menu's item
    default:
        if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC)
            return reinterpret_cast<HWND>(lParam);
        return nullptr;
    }
}

BOOL ReflectToChild(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    CWnd* wnd = CWnd::FromHandlePermanent(child);
    if (!wnd)
        return FALSE;
    return wnd->OnChildNotify(message, wParam, lParam, result);
}

} // namespace

// ---- Maps ------------------------------------------------------------------------------------

CWnd* CWnd::FromHandle(HWND window)
{
    return State().maps.FromHandle(window, [window] { return std::make_unique<CWnd>(window); });
}

CWnd* CWnd::FromHandlePermanent(HWND window)
{
    if (!window)
        return nullptr;
    return State().maps.Permanent(window);
}

void CWnd::DeleteTempMap()
{
    State().maps.DeleteTemporary([](CWnd& wnd) { wnd.m_hWnd = nullptr; });
}

size_t CWnd::TemporaryCount() { return State().maps.TemporaryCount(); }

BOOL CWnd::Attach(HWND window)
{
    if (!window)
        return FALSE;
    m_hWnd = window;
    State().maps.SetPermanent(window, this);
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND window = std::exchange(m_hWnd, nullptr);
    if (window)
        State().maps.RemovePermanent(window, this);
    return window;
}

CWnd::~CWnd()
{
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this) {
        if (::IsWindow(m_hWnd))
            ::DestroyWindow(m_hWnd); // detaches through WM_NCDESTROY
        Detach();
    }
}

// ---- Creation and subclassing ----------------------------------------------------------------

BOOL CWnd::PreCreateWindow(CREATESTRUCTW& cs)
{
    if (!cs.lpszClass)
        cs.lpszClass = AfxWndClassName();
    return TRUE;
}

BOOL CWnd::Create(LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id, void*)
{
    return CreateEx(0, className, windowName, style | WS_CHILD, rect, parent, id, nullptr);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
    UINT id, void* param)
{
    return CreateEx(exStyle, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
        rect.bottom - rect.top, AfxSafeHwnd(parent), reinterpret_cast<HMENU>(UINT_PTR(id)), param);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
    int height, HWND parent, HMENU idOrMenu, void* param)
{
    CREATESTRUCTW cs {};
    cs.dwExStyle = exStyle;
    cs.lpszClass = className;
    cs.lpszName = windowName;
    cs.style = LONG(style);
    cs.x = x;
    cs.y = y;
    cs.cx = width;
    cs.cy = height;
    cs.hwndParent = parent;
    cs.hMenu = idOrMenu;
    cs.hInstance = GetModuleHandleW(nullptr);
    cs.lpCreateParams = param;
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return FALSE;
    }
    HookWindowCreate(this);
    HWND window = ::CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, DWORD(cs.style), cs.x, cs.y, cs.cx, cs.cy,
        cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    UnhookWindowCreate();
    return window != nullptr;
}

void CWnd::HookProcedure()
{
    WindowProcedure previous = SetWindowProcedure(m_hWnd, &AfxWndProc);
    if (!IsAfxWndProc(previous))
        m_superProc = std::move(previous);
}

BOOL CWnd::SubclassWindow(HWND window)
{
    if (!window || !::IsWindow(window) || FromHandlePermanent(window))
        return FALSE;
    Attach(window);
    PreSubclassWindow();
    HookProcedure();
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent)
{
    HWND control = ::GetDlgItem(AfxSafeHwnd(parent), int(id));
    return control ? SubclassWindow(control) : FALSE;
}

HWND CWnd::UnsubclassWindow()
{
    if (!m_hWnd)
        return nullptr;
    SetWindowProcedure(m_hWnd, m_superProc ? m_superProc : WindowProcedure(&::DefWindowProcW));
    m_superProc = nullptr;
    return Detach();
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    return ::DestroyWindow(m_hWnd);
}

void CWnd::OnNcDestroy()
{
    Default();
    HWND window = m_hWnd;
    if (window && FromHandlePermanent(window) == this) {
        // The window keeps our procedure; nothing reaches it any more.
        Detach();
    }
    m_superProc = nullptr;
    PostNcDestroy();
}

// ---- Message handling ------------------------------------------------------------------------

AFX_THREAD_STATE* AfxGetThreadState()
{
    thread_local AFX_THREAD_STATE state;
    return &state;
}

LRESULT AfxCallWndProc(CWnd* wnd, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG& current = AfxGetThreadState()->m_lastSentMsg;
    const MSG saved = current;
    current.hwnd = window;
    current.message = message;
    current.wParam = wParam;
    current.lParam = lParam;
    const LRESULT result = wnd->WindowProc(message, wParam, lParam);
    // A class whose map leaves WM_NCDESTROY out still lets go of the window.
    if (message == WM_NCDESTROY && CWnd::FromHandlePermanent(window) == wnd) {
        wnd->Detach();
        wnd->m_superProc = nullptr;
        wnd->PostNcDestroy();
    }
    current = saved;
    return result;
}

LRESULT AfxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = CWnd::FromHandlePermanent(window);
    if (!wnd)
        return ::DefWindowProcW(window, message, wParam, lParam);
    return AfxCallWndProc(wnd, window, message, wParam, lParam);
}

const MSG* CWnd::GetCurrentMessage() { return &AfxGetThreadState()->m_lastSentMsg; }

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_superProc)
        return m_superProc(m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    const MSG& current = AfxGetThreadState()->m_lastSentMsg;
    return DefWindowProc(current.message, current.wParam, current.lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    LRESULT answer = 0;
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam))
            return FALSE;
        *result = 1;
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (!header || !OnNotify(wParam, lParam, &answer))
            return FALSE;
        *result = answer;
        return TRUE;
    }
    if (HWND child = ReflectedChild(m_hWnd, message, wParam, lParam)) {
        if (ReflectToChild(child, message, wParam, lParam, &answer)) {
            *result = answer;
            return TRUE;
        }
    }
    const UINT lookup = (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) ? WM_CTLCOLOR : message;
    const AFX_MSGMAP* map = GetMessageMap();
    auto& cache = State().entries;
    const WindowThreadState::Key key { map, lookup };
    const AFX_MSGMAP_ENTRY* entry;
    if (auto it = cache.find(key); it != cache.end()) {
        entry = it->second;
    } else {
        entry = FindMessageEntry(map, lookup, 0, 0);
        cache.emplace(key, entry);
    }
    if (!entry)
        return FALSE;
    AFX_MSGCALL call;
    call.nID = message;
    call.wParam = wParam;
    call.lParam = lParam;
    if (!entry->pfn(this, call))
        return FALSE;
    *result = call.result;
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT id = LOWORD(DWORD(wParam));
    const HWND control = reinterpret_cast<HWND>(lParam);
    int code = HIWORD(DWORD(wParam));
    if (!control) {
        if (id == 0)
            return FALSE;
        // A menu item or an accelerator: a command its update handler disables does not run
        // (the menu may be older than the last update).
        CCmdUI state;
        state.m_nID = id;
        OnCmdMsg(id, CN_UPDATE_COMMAND_UI, &state, nullptr);
        if (!state.m_bEnabled)
            return TRUE;
        code = CN_COMMAND;
    } else {
        LRESULT reflected = 0;
        if (ReflectToChild(control, WM_COMMAND, wParam, lParam, &reflected))
            return TRUE;
    }
    return OnCmdMsg(id, code, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->hwndFrom && ReflectToChild(header->hwndFrom, WM_NOTIFY, wParam, lParam, result))
        return TRUE;
    AFX_NOTIFY notify { result, header };
    return OnCmdMsg(UINT(header->idFrom), int(MAKELONG(WORD(header->code), WORD(WM_NOTIFY))), &notify, nullptr);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    return ReflectChildNotify(message, wParam, lParam, result);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (message) {
    case WM_COMMAND: {
        const int code = HIWORD(DWORD(wParam));
        if (!OnCmdMsg(0, int(MAKELONG(WORD(code), WORD(WM_REFLECT_BASE + WM_COMMAND))), nullptr, nullptr))
            return FALSE;
        if (result)
            *result = 1;
        return TRUE;
    }
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        LRESULT local = 0;
        AFX_NOTIFY notify { result ? result : &local, header };
        return OnCmdMsg(0, int(MAKELONG(WORD(header->code), WORD(WM_REFLECT_BASE + WM_NOTIFY))), &notify, nullptr);
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_COMPAREITEM:
    case WM_DELETEITEM: {
        LRESULT local = 0;
        return OnWndMsg(WM_REFLECT_BASE + message, wParam, lParam, result ? result : &local);
    }
    default:
        if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
            const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(GetMessageMap(), WM_REFLECT_BASE + WM_CTLCOLOR, 0, 0);
            if (!entry)
                return FALSE;
            AFX_MSGCALL call;
            call.nID = message;
            call.wParam = wParam;
            call.lParam = lParam;
            if (!entry->pfn(this, call))
                return FALSE;
            if (result)
                *result = call.result;
            return TRUE;
        }
        return FALSE;
    }
}

BOOL CWnd::ReflectLastMsg(HWND child, LRESULT* result)
{
    const MSG& current = AfxGetThreadState()->m_lastSentMsg;
    LRESULT local = 0;
    return ReflectToChild(child, current.message, current.wParam, current.lParam, result ? result : &local);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::WalkPreTranslateTree(HWND stop, MSG* msg)
{
    for (HWND window = msg->hwnd; window; window = ::GetParent(window)) {
        if (CWnd* wnd = FromHandlePermanent(window))
            if (wnd->PreTranslateMessage(msg))
                return TRUE;
        if (window == stop || !(::GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD))
            break; // the top-level window was the last one asked
    }
    return FALSE;
}

// ---- Command-UI updates of children, descendants and bars ------------------------------------

void CWnd::UpdateDialogControls(CCmdTarget* target, BOOL disableIfNoHandler)
{
    CCmdUI state;
    CWnd probe;
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        probe.m_hWnd = child;
        state.m_pOther = &probe;
        state.m_nID = UINT(::GetDlgCtrlID(child));
        // A control with its own object may answer the update itself (reflected first).
        if (CWnd* own = FromHandlePermanent(child))
            if (own->OnCmdMsg(0, int(MAKELONG(WORD(CN_UPDATE_COMMAND_UI), WORD(WM_COMMAND + WM_REFLECT_BASE))), &state, nullptr))
                continue;
        // Only push buttons are disabled for want of a handler; other controls have no command.
        BOOL disable = disableIfNoHandler;
        if (disable) {
            const UINT code = UINT(::SendMessage(child, WM_GETDLGCODE, 0, 0));
            constexpr UINT DLGC_UNDEFPUSHBUTTON_ = 0x0020;
            constexpr UINT DLGC_DEFPUSHBUTTON_ = 0x0010;
            disable = (code & (DLGC_UNDEFPUSHBUTTON_ | DLGC_DEFPUSHBUTTON_)) != 0;
        }
        state.DoUpdate(target, disable);
    }
    probe.m_hWnd = nullptr;
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL deep, BOOL onlyPermanent)
{
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!onlyPermanent) {
            ::SendMessage(child, message, wParam, lParam);
        } else if (CWnd* wnd = FromHandlePermanent(child)) {
            AfxCallWndProc(wnd, child, message, wParam, lParam);
        }
        if (deep && ::IsWindow(child) && ::GetWindow(child, GW_CHILD)) {
            CWnd probe(child);
            probe.SendMessageToDescendants(message, wParam, lParam, deep, onlyPermanent);
            probe.m_hWnd = nullptr;
        }
    }
}

void CWnd::RepositionBars(UINT first, UINT last, UINT idLeftOver, UINT flags, RECT* rectParam, const RECT* rectClient,
    BOOL stretch)
{
    AFX_SIZEPARENTPARAMS layout {};
    layout.bStretch = stretch;
    layout.hDWP = (flags & reposQuery) ? nullptr : ::BeginDeferWindowPos(8);
    if (rectClient)
        layout.rect = *rectClient;
    else
        ::GetClientRect(m_hWnd, &layout.rect);
    HWND leftOver = nullptr;
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const UINT id = UINT(::GetDlgCtrlID(child));
        if (id == idLeftOver)
            leftOver = child;
        else if (id >= first && id <= last)
            ::SendMessage(child, WM_SIZEPARENT, 0, reinterpret_cast<LPARAM>(&layout));
    }
    if (flags & reposQuery) {
        if (rectParam) {
            if (stretch) {
                *rectParam = layout.rect; // what is left for the rest
            } else {
                rectParam->left = rectParam->top = 0;
                rectParam->right = layout.sizeTotal.cx;
                rectParam->bottom = layout.sizeTotal.cy;
            }
        }
        return;
    }
    if (idLeftOver != 0 && leftOver) {
        RECT rest = layout.rect;
        if ((flags & reposExtra) && rectParam) {
            rest.left += rectParam->left;
            rest.top += rectParam->top;
            rest.right -= rectParam->right;
            rest.bottom -= rectParam->bottom;
        }
        if (!(flags & reposNoPosLeftOver))
            layout.hDWP = ::DeferWindowPos(layout.hDWP, leftOver, nullptr, rest.left, rest.top, rest.right - rest.left,
                rest.bottom - rest.top, SWP_NOACTIVATE | SWP_NOZORDER);
    }
    if (layout.hDWP)
        ::EndDeferWindowPos(layout.hDWP);
}

// ---- Tree, styles, geometry ------------------------------------------------------------------

CWnd* CWnd::GetOwner() const
{
    if (m_hWndOwner)
        return FromHandle(m_hWndOwner);
    return GetParent();
}

CWnd* CWnd::GetTopLevelParent() const
{
    HWND window = m_hWnd;
    if (!window)
        return nullptr;
    return FromHandle(::GetAncestor(window, GA_ROOT));
}

CFrameWnd* CWnd::GetParentFrame() const
{
    if (!m_hWnd)
        return nullptr;
    for (HWND window = ::GetParent(m_hWnd); window; window = ::GetParent(window)) {
        if (CWnd* wnd = FromHandlePermanent(window))
            if (wnd->IsKindOf(RUNTIME_CLASS(CFrameWnd)))
                return static_cast<CFrameWnd*>(wnd);
        if (!(::GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD))
            break;
    }
    return nullptr;
}

namespace {

BOOL ModifyLong(HWND window, int index, DWORD remove, DWORD add, UINT swpFlags)
{
    const DWORD style = DWORD(::GetWindowLongPtrW(window, index));
    const DWORD changed = (style & ~remove) | add;
    if (changed == style)
        return FALSE;
    ::SetWindowLongPtrW(window, index, LONG(changed));
    if (swpFlags)
        ::SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | swpFlags);
    return TRUE;
}

} // namespace

BOOL CWnd::ModifyStyle(HWND window, DWORD remove, DWORD add, UINT swpFlags)
{
    return ModifyLong(window, GWL_STYLE, remove, add, swpFlags);
}

BOOL CWnd::ModifyStyleEx(HWND window, DWORD remove, DWORD add, UINT swpFlags)
{
    return ModifyLong(window, GWL_EXSTYLE, remove, add, swpFlags);
}

CMenu* CWnd::GetMenu() const { return CMenu::FromHandle(::GetMenu(m_hWnd)); }

CFont* CWnd::GetFont() const
{
    return CFont::FromHandle(reinterpret_cast<HFONT>(::SendMessage(m_hWnd, WM_GETFONT, 0, 0)));
}

void CWnd::SetFont(CFont* font, BOOL redraw)
{
    ::SendMessage(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font ? font->GetSafeHandle() : nullptr), redraw);
}

void CWnd::GetWindowText(CString& text) const
{
    const int length = ::GetWindowTextLengthW(m_hWnd);
    std::u16string buffer(size_t(length) + 1, u'\0');
    const int copied = ::GetWindowTextW(m_hWnd, buffer.data(), length + 1);
    text = CString(buffer.data(), copied);
}

void CWnd::ClientToScreen(RECT* rect) const { ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(rect), 2); }
void CWnd::ScreenToClient(RECT* rect) const { ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(rect), 2); }
void CWnd::MapWindowPoints(CWnd* to, RECT* rect) const
{
    ::MapWindowPoints(m_hWnd, AfxSafeHwnd(to), reinterpret_cast<POINT*>(rect), 2);
}

BOOL CWnd::SetWindowPos(const CWnd* insertAfter, int x, int y, int width, int height, UINT flags)
{
    return ::SetWindowPos(m_hWnd, insertAfter ? insertAfter->m_hWnd : nullptr, x, y, width, height, flags);
}

CDC* CWnd::GetDC() { return CDC::FromHandle(::GetDC(m_hWnd)); }
CDC* CWnd::GetWindowDC() { return CDC::FromHandle(::GetWindowDC(m_hWnd)); }
int CWnd::ReleaseDC(CDC* dc)
{
    if (!dc)
        return 0;
    return ::ReleaseDC(m_hWnd, dc->GetSafeHdc());
}

// ---- Classes ---------------------------------------------------------------------------------

LPCWSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon)
{
    struct Key {
        UINT style;
        const void* cursor;
        const void* background;
        const void* icon;
        bool operator<(const Key& o) const
        {
            return std::tie(style, cursor, background, icon) < std::tie(o.style, o.cursor, o.background, o.icon);
        }
    };
    static std::mutex mutex;
    static auto* names = new std::map<Key, std::u16string>;
    std::lock_guard lock(mutex);
    const Key key { classStyle, cursor, background, icon };
    auto it = names->find(key);
    if (it != names->end())
        return it->second.c_str();
    // A name per distinct set.
    char text[96];
    std::snprintf(text, sizeof text, "Afx:%x:%p:%p:%p", classStyle, static_cast<const void*>(cursor),
        static_cast<const void*>(background), static_cast<const void*>(icon));
    std::u16string name;
    for (const char* c = text; *c; ++c)
        name += char16_t(*c);
    WNDCLASSEXW wc {};
    wc.cbSize = sizeof wc;
    wc.style = classStyle;
    wc.lpfnWndProc = &::DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.hIcon = icon;
    auto& stored = (*names)[key] = name;
    wc.lpszClassName = stored.c_str();
    ::RegisterClassExW(&wc);
    return stored.c_str();
}

LPCWSTR AfxWndClassName() { return AfxRegisterWndClass(CS_DBLCLKS); }

// ---- Window DCs ------------------------------------------------------------------------------

CPaintDC::CPaintDC(CWnd* wnd)
    : m_hWnd(AfxSafeHwnd(wnd))
{
    Attach(::BeginPaint(m_hWnd, &m_ps));
}

CPaintDC::~CPaintDC()
{
    if (m_hDC) {
        ::EndPaint(m_hWnd, &m_ps);
        Detach();
    }
}

CClientDC::CClientDC(CWnd* wnd)
    : m_hWnd(AfxSafeHwnd(wnd))
{
    Attach(::GetDC(m_hWnd));
}

CClientDC::~CClientDC()
{
    if (m_hDC)
        ::ReleaseDC(m_hWnd, Detach());
}

CWindowDC::CWindowDC(CWnd* wnd)
    : m_hWnd(AfxSafeHwnd(wnd))
{
    Attach(::GetWindowDC(m_hWnd));
}

CWindowDC::~CWindowDC()
{
    if (m_hDC)
        ::ReleaseDC(m_hWnd, Detach());
}
