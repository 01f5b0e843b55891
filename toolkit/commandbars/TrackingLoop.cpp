#include "toolkit/commandbars/TrackingLoop.h"

#include "platform/framework/AfxMessages.h"
#include "platform/framework/WinApp.h"
#include "platform/framework/Wnd.h"
#include "platform/base/ProcessInfo.h"
#include "platform/user/MessageQueue.h"

BOOL JQWPreTranslateThreadMessage(MSG* msg)
{
    if (CWinThread* thread = AfxGetThread())
        return thread->PreTranslateMessage(msg);
    return msg->hwnd ? CWnd::WalkPreTranslateTree(nullptr, msg) : FALSE;
}

BOOL JQWRunTrackingLoop(const std::function<BOOL()>& tracking)
{
    while (tracking()) {
        MSG msg {};
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(int(msg.wParam));
            return FALSE;
        }
        if (got < 0)
            return TRUE;
        if (!tracking()) {
            if (msg.hwnd)
                PostMessageW(msg.hwnd, msg.message, msg.wParam, msg.lParam);
            else
                PostThreadMessageW(GetCurrentThreadId(), msg.message, msg.wParam, msg.lParam);
            return TRUE;
        }
        if (msg.message == WM_KICKIDLE)
            continue;
        if (!JQWPreTranslateThreadMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return TRUE;
}
