#pragma once
// Threads and the application of the class library: the message loop with its idle time
// (command-UI updates, then the temporary wrappers freed), pre-translation, the message filter
// every modal loop of a UI thread calls (a WH_MSGFILTER hook per UI thread), the framework's own
// modal loop, and the application's profile over the registry.

#include "platform/framework/ResourceHandle.h"
#include "platform/framework/Wnd.h"

#include <memory>
#include <thread>

using AFX_THREADPROC = UINT (*)(void* param);

class CWinThread : public CCmdTarget {
    DECLARE_DYNAMIC(CWinThread)
public:
    CWinThread() = default;
    ~CWinThread() override;

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance();
    // The message loop: pumps until WM_QUIT, with OnIdle(0), OnIdle(1)... while nothing waits.
    virtual int Run();
    // One message: FALSE for WM_QUIT.
    virtual BOOL PumpMessage();
    // The windows of the message (from its target up to its top-level window), then the main window.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // 0: the command-UI updates of the main window and its descendants; 1 and up: the temporary
    // wrappers are freed. TRUE asks for more idle time.
    virtual BOOL OnIdle(LONG count);
    // FALSE for messages that must not restart idle processing (a repeated move, WM_PAINT).
    virtual BOOL IsIdleMessage(MSG* msg);
    // What every modal loop of the thread shows a message first (the dialog box, menu and
    // framework loops); TRUE: the message was handled.
    virtual BOOL ProcessMessageFilter(int code, MSG* msg);
    // The window standing for the thread: the active in-place window, else the main window.
    virtual CWnd* GetMainWnd() { return m_pActiveWnd ? m_pActiveWnd : m_pMainWnd; }

    // Waits for a thread started by AfxBeginThread; its exit code.
    DWORD Join();

    CWnd* m_pMainWnd = nullptr;
    CWnd* m_pActiveWnd = nullptr;
    BOOL m_bAutoDelete = FALSE;
    DWORD m_nThreadID = 0;
    MSG m_msgCur {};
    AFX_THREADPROC m_pfnThreadProc = nullptr;
    void* m_pThreadParams = nullptr;

private:
    friend CWinThread* AfxBeginThread(AFX_THREADPROC, void*);
    std::thread m_thread;
    DWORD m_exitCode = 0;
    POINT m_lastMove { -1, -1 };
    UINT m_lastMoveMessage = 0;
};

class CWinApp : public CWinThread {
    DECLARE_DYNAMIC(CWinApp)
public:
    // The application object is a single global one: it registers itself.
    explicit CWinApp(LPCWSTR appName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitApplication() { return TRUE; }
    int ExitInstance() override;
    // Idle 0 and 1 as the thread's; the application always asks for the second round.
    BOOL OnIdle(LONG count) override;

    // The profile: HKEY_CURRENT_USER\Software\<registry key>\<application name>\<section>.
    void SetRegistryKey(LPCWSTR key);
    UINT GetProfileInt(LPCWSTR section, LPCWSTR entry, int defaultValue);
    BOOL WriteProfileInt(LPCWSTR section, LPCWSTR entry, int value);
    CString GetProfileString(LPCWSTR section, LPCWSTR entry, LPCWSTR defaultValue = nullptr);
    BOOL WriteProfileString(LPCWSTR section, LPCWSTR entry, LPCWSTR value);
    // *data is new[]-allocated (delete[] it); FALSE when the entry is missing.
    BOOL GetProfileBinary(LPCWSTR section, LPCWSTR entry, BYTE** data, UINT* bytes);
    BOOL WriteProfileBinary(LPCWSTR section, LPCWSTR entry, const BYTE* data, UINT bytes);

    CString m_strAppName;
    CString m_strRegistryKey;
    LPCWSTR m_pszAppName = nullptr;
    LPCWSTR m_pszRegistryKey = nullptr;
    LPCWSTR m_pszProfileName = nullptr;
    HINSTANCE m_hInstance = nullptr;
};

CWinApp* AfxGetApp();
CWinThread* AfxGetThread();
// The calling thread's main window; a thread without one (a worker) gets the application's.
CWnd* AfxGetMainWnd();
// The framework's entry: InitInstance, and Run when it returned TRUE; the exit code.
int AfxWinMain();
// Installs the thread's WH_MSGFILTER hook (once per thread); every UI thread of the class
// library runs it before its first loop.
void AfxInitThread();
// Starts a worker thread running `proc(param)`; join it with Join() and delete it.
CWinThread* AfxBeginThread(AFX_THREADPROC proc, void* param);

// How many framework modal loops (CWnd::RunModalLoop) run on this thread now.
int AfxModalLoopDepth();
