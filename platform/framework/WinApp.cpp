#include "platform/framework/WinApp.h"

#include "platform/base/CodePage.h"
#include "platform/base/Registry.h"
#include "platform/base/Unicode.h"
#include "platform/framework/FrameWnd.h"
#include "platform/framework/GdiClasses.h"

#include <atomic>
#include <cstring>
#include <utility>
#include <vector>

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)
IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

namespace {

std::atomic<CWinApp*> g_app { nullptr };

struct UiThreadState {
    CWinThread* thread = nullptr;
    HHOOK filterHook = nullptr;
    bool filterReached = false; // the hook ran during the last CallThreadFilter
    bool ownLoopFilter = false; // the framework's modal loop is asking the filter now
    int modalDepth = 0;
};

UiThreadState& ThreadState()
{
    thread_local UiThreadState state;
    return state;
}

// The thread object whose loops run here: its own, else the application's on the main thread.
CWinThread* CurrentThread()
{
    UiThreadState& state = ThreadState();
    if (state.thread)
        return state.thread;
    CWinApp* app = g_app.load();
    if (app && (app->m_nThreadID == 0 || app->m_nThreadID == GetCurrentThreadId()))
        return app;
    return nullptr;
}

LRESULT MessageFilterHook(int code, WPARAM wParam, LPARAM lParam)
{
    ThreadState().filterReached = true;
    if (code >= 0)
        if (CWinThread* thread = CurrentThread())
            if (thread->ProcessMessageFilter(code, reinterpret_cast<MSG*>(lParam)))
                return 1;
    return CallNextHookEx(ThreadState().filterHook, code, wParam, lParam);
}

// What the thread's message filter says: TRUE when it handled the message. The WH_MSGFILTER
// chain runs (the other hooks of the thread too); should it not reach the framework's own hook,
// the thread's filter is asked directly, so it sees the message either way.
BOOL CallThreadFilter(MSG* msg, int code)
{
    UiThreadState& state = ThreadState();
    state.filterReached = false;
    const bool outer = std::exchange(state.ownLoopFilter, true);
    BOOL handled = ::CallMsgFilterW(msg, code);
    if (!handled && !state.filterReached)
        if (CWinThread* thread = CurrentThread())
            handled = thread->ProcessMessageFilter(code, msg);
    state.ownLoopFilter = outer;
    return handled;
}

BOOL PreTranslate(MSG* msg)
{
    if (CWinThread* thread = CurrentThread())
        return thread->PreTranslateMessage(msg);
    return CWnd::WalkPreTranslateTree(nullptr, msg);
}

void Dispatch(const MSG& msg)
{
    ::TranslateMessage(&msg);
    ::DispatchMessage(&msg);
}

void FreeTemporaries()
{
    CWnd::DeleteTempMap();
    CDC::DeleteTempMap();
    CGdiObject::DeleteTempMap();
    CMenu::DeleteTempMap();
}

} // namespace

void AfxInitThread()
{
    UiThreadState& state = ThreadState();
    if (!state.filterHook)
        state.filterHook = SetWindowsHookExW(WH_MSGFILTER, &MessageFilterHook, nullptr, GetCurrentThreadId());
}

CWinApp* AfxGetApp() { return g_app.load(); }
CWinThread* AfxGetThread() { return CurrentThread(); }

CWnd* AfxGetMainWnd()
{
    CWinThread* thread = CurrentThread();
    if (CWnd* main = thread ? thread->GetMainWnd() : nullptr)
        return main;
    CWinApp* app = g_app.load();
    return app ? app->GetMainWnd() : nullptr;
}

int AfxModalLoopDepth() { return ThreadState().modalDepth; }

int AfxWinMain()
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return -1;
    app->m_nThreadID = GetCurrentThreadId();
    AfxInitThread();
    if (!app->InitApplication() || !app->InitInstance())
        return app->ExitInstance();
    return app->Run();
}

// ---- Threads ---------------------------------------------------------------------------------

CWinThread::~CWinThread()
{
    if (m_thread.joinable())
        m_thread.join();
    if (ThreadState().thread == this)
        ThreadState().thread = nullptr;
}

int CWinThread::ExitInstance() { return int(m_msgCur.wParam); }

BOOL CWinThread::IsIdleMessage(MSG* msg)
{
    if (msg->message == WM_MOUSEMOVE || msg->message == WM_NCMOUSEMOVE) {
        // A move to where the pointer already was says nothing new.
        const bool same = m_lastMoveMessage == msg->message && m_lastMove.x == msg->pt.x && m_lastMove.y == msg->pt.y;
        m_lastMove = msg->pt;
        m_lastMoveMessage = msg->message;
        return !same;
    }
    return msg->message != WM_PAINT;
}

BOOL CWinThread::PreTranslateMessage(MSG* msg)
{
    if (!msg->hwnd)
        return FALSE; // a thread message
    CWnd* main = GetMainWnd();
    if (CWnd::WalkPreTranslateTree(AfxSafeHwnd(main), msg))
        return TRUE;
    // The main window also sees what goes to the other top-level windows (its accelerators).
    if (main && main->m_hWnd && ::IsWindow(msg->hwnd)) {
        const HWND top = ::GetAncestor(msg->hwnd, GA_ROOT);
        if (top != main->m_hWnd)
            return main->PreTranslateMessage(msg);
    }
    return FALSE;
}

BOOL CWinThread::PumpMessage()
{
    if (!::GetMessage(&m_msgCur, nullptr, 0, 0))
        return FALSE;
    if (m_msgCur.message != WM_KICKIDLE && !PreTranslateMessage(&m_msgCur))
        Dispatch(m_msgCur);
    return TRUE;
}

BOOL CWinThread::OnIdle(LONG count)
{
    if (count <= 0) {
        CWnd* main = GetMainWnd();
        if (main && main->m_hWnd && ::IsWindow(main->m_hWnd) && main->IsWindowVisible()) {
            AfxCallWndProc(main, main->m_hWnd, WM_IDLEUPDATECMDUI, TRUE, 0);
            main->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, TRUE, TRUE);
        }
        return TRUE;
    }
    FreeTemporaries();
    return FALSE;
}

BOOL CWinThread::ProcessMessageFilter(int code, MSG* msg)
{
    if (!msg)
        return FALSE;
    // Keys in a dialog or menu loop reach the main window's pre-translation (its accelerators)
    // when the loop's window is not one of its own children. The framework's own loop offers
    // them to the main window through pre-translation instead, once.
    if ((code == MSGF_DIALOGBOX || code == MSGF_MENU) && !ThreadState().ownLoopFilter) {
        CWnd* main = GetMainWnd();
        if (main && main->m_hWnd && msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && msg->hwnd
            && msg->hwnd != main->m_hWnd && !::IsChild(main->m_hWnd, msg->hwnd))
            return main->PreTranslateMessage(msg);
    }
    return FALSE;
}

int CWinThread::Run()
{
    AfxInitThread();
    BOOL idle = TRUE;
    LONG idleCount = 0;
    for (;;) {
        while (idle && !::PeekMessage(&m_msgCur, nullptr, 0, 0, PM_NOREMOVE))
            if (!OnIdle(idleCount++))
                idle = FALSE;
        do {
            if (!PumpMessage())
                return ExitInstance();
            if (IsIdleMessage(&m_msgCur)) {
                idle = TRUE;
                idleCount = 0;
            }
        } while (::PeekMessage(&m_msgCur, nullptr, 0, 0, PM_NOREMOVE));
    }
}

DWORD CWinThread::Join()
{
    if (m_thread.joinable())
        m_thread.join();
    return m_exitCode;
}

CWinThread* AfxBeginThread(AFX_THREADPROC proc, void* param)
{
    if (!proc)
        return nullptr;
    auto* thread = new CWinThread;
    thread->m_pfnThreadProc = proc;
    thread->m_pThreadParams = param;
    std::atomic<DWORD> id { 0 };
    std::atomic<bool> started { false };
    thread->m_thread = std::thread([thread, &id, &started] {
        ThreadState().thread = thread;
        id = GetCurrentThreadId();
        started = true;
        started.notify_one();
        thread->m_exitCode = thread->m_pfnThreadProc(thread->m_pThreadParams);
        ThreadState().thread = nullptr;
    });
    started.wait(false);
    thread->m_nThreadID = id;
    return thread;
}

// ---- The framework's modal loop --------------------------------------------------------------

BOOL CWnd::ContinueModal() { return (m_nFlags & WF_CONTINUEMODAL) && m_hWnd && ::IsWindow(m_hWnd); }

void CWnd::EndModalLoop(int result)
{
    m_nModalResult = result;
    if (m_nFlags & WF_CONTINUEMODAL) {
        m_nFlags &= ~UINT(WF_CONTINUEMODAL);
        ::PostMessage(m_hWnd, WM_NULL, 0, 0); // wakes the loop
    }
}

int CWnd::RunModalLoop(DWORD flags)
{
    AfxInitThread();
    UiThreadState& state = ThreadState();
    ++state.modalDepth;
    BOOL idle = TRUE;
    LONG idleCount = 0;
    BOOL showOnIdle = (flags & MLF_SHOWONIDLE) && !(GetStyle() & WS_VISIBLE);
    const HWND parent = ::GetParent(m_hWnd);
    m_nFlags |= WF_MODALLOOP | WF_CONTINUEMODAL;
    m_nModalResult = -1;
    CWinThread* thread = CurrentThread();
    MSG msg {};
    bool running = true;
    while (running) {
        while (idle && !::PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!ContinueModal()) {
                running = false;
                break;
            }
            if (showOnIdle) {
                ShowWindow(SW_SHOWNORMAL);
                UpdateWindow();
                showOnIdle = FALSE;
            }
            if (parent && idleCount == 0 && !(flags & MLF_NOIDLEMSG))
                ::SendMessage(parent, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(m_hWnd));
            if ((flags & MLF_NOKICKIDLE) || !::IsWindow(m_hWnd)
                || !::SendMessage(m_hWnd, WM_KICKIDLE, MSGF_DIALOGBOX, idleCount++))
                idle = FALSE;
        }
        if (!running)
            break;
        do {
            if (!ContinueModal()) {
                running = false;
                break;
            }
            if (!::GetMessage(&msg, nullptr, 0, 0)) {
                // The outer loop ends too, with the same code.
                ::PostQuitMessage(int(msg.wParam));
                m_nModalResult = -1;
                running = false;
                break;
            }
            if (msg.message != WM_KICKIDLE && !CallThreadFilter(&msg, MSGF_DIALOGBOX) && !PreTranslate(&msg))
                Dispatch(msg);
            if (!ContinueModal()) {
                running = false;
                break;
            }
            if (thread ? thread->IsIdleMessage(&msg) : msg.message != WM_PAINT) {
                idle = TRUE;
                idleCount = 0;
            }
        } while (::PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
    }
    m_nFlags &= ~UINT(WF_MODALLOOP | WF_CONTINUEMODAL);
    --state.modalDepth;
    return m_nModalResult;
}

// ---- The application -------------------------------------------------------------------------

CWinApp::CWinApp(LPCWSTR appName)
{
    if (appName) {
        m_strAppName = appName;
        m_pszAppName = m_strAppName;
    }
    m_nThreadID = GetCurrentThreadId();
    CWinApp* expected = nullptr;
    g_app.compare_exchange_strong(expected, this);
}

CWinApp::~CWinApp()
{
    CWinApp* self = this;
    g_app.compare_exchange_strong(self, nullptr);
}

int CWinApp::ExitInstance() { return int(m_msgCur.wParam); }

BOOL CWinApp::OnIdle(LONG count)
{
    CWinThread::OnIdle(count);
    return count < 1;
}

void CWinApp::SetRegistryKey(LPCWSTR key)
{
    m_strRegistryKey = key ? key : u"";
    m_pszRegistryKey = m_strRegistryKey;
    m_pszProfileName = m_pszAppName;
}

namespace {

std::string Ansi(LPCWSTR text) { return text ? AnsiFromUtf8(Utf16ToUtf8(text)) : std::string(); }

// The section's key, created when `create`; null without a registry key or application name.
HKEY SectionKey(const CWinApp& app, LPCWSTR section, bool create, REGSAM access = KEY_READ)
{
    if (!app.m_pszRegistryKey || !*app.m_pszRegistryKey || !app.m_pszAppName || !section)
        return nullptr;
    const std::string path = "Software\\" + Ansi(app.m_pszRegistryKey) + "\\" + Ansi(app.m_pszAppName) + "\\" + Ansi(section);
    HKEY key = nullptr;
    LSTATUS status = create
        ? RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE | KEY_READ,
              nullptr, &key, nullptr)
        : RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, access, &key);
    return status == ERROR_SUCCESS ? key : nullptr;
}

// The value's type and bytes; false when missing.
bool ReadValue(const CWinApp& app, LPCWSTR section, LPCWSTR entry, DWORD& type, std::vector<BYTE>& data)
{
    HKEY key = SectionKey(app, section, false);
    if (!key)
        return false;
    const std::string name = Ansi(entry);
    DWORD size = 0;
    bool found = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    if (found) {
        data.resize(size);
        found = RegQueryValueExA(key, name.c_str(), nullptr, &type, data.data(), &size) == ERROR_SUCCESS;
        data.resize(size);
    }
    RegCloseKey(key);
    return found;
}

BOOL WriteValue(const CWinApp& app, LPCWSTR section, LPCWSTR entry, DWORD type, const BYTE* data, DWORD size)
{
    HKEY key = SectionKey(app, section, true);
    if (!key)
        return FALSE;
    LSTATUS status = entry ? RegSetValueExA(key, Ansi(entry).c_str(), 0, type, data, size) : ERROR_SUCCESS;
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

} // namespace

UINT CWinApp::GetProfileInt(LPCWSTR section, LPCWSTR entry, int defaultValue)
{
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadValue(*this, section, entry, type, data) || type != REG_DWORD || data.size() != sizeof(DWORD))
        return UINT(defaultValue);
    DWORD value = 0;
    std::memcpy(&value, data.data(), sizeof value);
    return value;
}

BOOL CWinApp::WriteProfileInt(LPCWSTR section, LPCWSTR entry, int value)
{
    const DWORD stored = DWORD(value);
    return WriteValue(*this, section, entry, REG_DWORD, reinterpret_cast<const BYTE*>(&stored), sizeof stored);
}

CString CWinApp::GetProfileString(LPCWSTR section, LPCWSTR entry, LPCWSTR defaultValue)
{
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!ReadValue(*this, section, entry, type, data) || (type != REG_SZ && type != REG_EXPAND_SZ))
        return CString(defaultValue);
    std::string text(data.begin(), data.end());
    if (const auto end = text.find('\0'); end != std::string::npos)
        text.resize(end);
    return CString(Utf8ToUtf16(Utf8FromAnsi(text)));
}

BOOL CWinApp::WriteProfileString(LPCWSTR section, LPCWSTR entry, LPCWSTR value)
{
    if (entry && !value) {
        // A null value removes the entry.
        HKEY key = SectionKey(*this, section, false, KEY_READ | KEY_WRITE);
        if (!key)
            return FALSE;
        RegDeleteValueA(key, Ansi(entry).c_str());
        RegCloseKey(key);
        return TRUE;
    }
    const std::string text = Ansi(value);
    return WriteValue(*this, section, entry, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), DWORD(text.size() + 1));
}

BOOL CWinApp::GetProfileBinary(LPCWSTR section, LPCWSTR entry, BYTE** data, UINT* bytes)
{
    *data = nullptr;
    *bytes = 0;
    DWORD type = 0;
    std::vector<BYTE> stored;
    if (!ReadValue(*this, section, entry, type, stored) || type != REG_BINARY)
        return FALSE;
    *data = new BYTE[stored.size() ? stored.size() : 1];
    std::memcpy(*data, stored.data(), stored.size());
    *bytes = UINT(stored.size());
    return TRUE;
}

BOOL CWinApp::WriteProfileBinary(LPCWSTR section, LPCWSTR entry, const BYTE* data, UINT bytes)
{
    return WriteValue(*this, section, entry, REG_BINARY, data, bytes);
}
