// Declared entry points whose bodies follow in the next commits.

#include "platform/user/Hooks.h"
#include "platform/user/Input.h"
#include "platform/user/MessageQueue.h"

void PostRawInput(const RawInputEvent&) {}
void ActivateOtherProgram() {}
UINT SendInput(UINT, const INPUT*, int) { return 0; }
BOOL GetCursorPos(POINT* p) { if (p) *p = {}; return TRUE; }
BOOL SetCursorPos(int, int) { return TRUE; }
BOOL SetDoubleClickTime(UINT) { return TRUE; }
BOOL TrackMouseEvent(TRACKMOUSEEVENT*) { return FALSE; }
HWND SetActiveWindow(HWND) { return nullptr; }
HWND GetActiveWindow() { return nullptr; }
HWND GetForegroundWindow() { return nullptr; }
BOOL SetForegroundWindow(HWND) { return FALSE; }
HWND GetLastActivePopup(HWND w) { return w; }
SHORT GetKeyState(int) { return 0; }
BOOL GetKeyboardState(BYTE*) { return FALSE; }
SHORT GetAsyncKeyState(int) { return 0; }
BOOL TranslateMessage(const MSG*) { return FALSE; }
HKL GetKeyboardLayout(DWORD) { return reinterpret_cast<HKL>(0x04090409); }
int GetKeyboardLayoutList(int, HKL*) { return 1; }
UINT MapVirtualKeyExW(UINT, UINT, HKL) { return 0; }
int ToUnicodeEx(UINT, UINT, const BYTE*, WCHAR*, int, UINT, HKL) { return 0; }
SHORT VkKeyScanExW(WCHAR, HKL) { return -1; }
int GetKeyNameTextW(LONG, WCHAR*, int) { return 0; }
void SetIdleHookForTesting(std::function<bool()>) {}
void WakeAllThreadsForTesting() {}
void ResetInputForTesting() {}
std::string DescribeThreadInputForTesting() { return {}; }
BOOL CallMsgFilterW(MSG*, int) { return FALSE; }
LRESULT SendMessageTimeoutW(HWND w, UINT m, WPARAM wp, LPARAM lp, UINT, UINT, DWORD_PTR* r)
{
    LRESULT v = SendMessage(w, m, wp, lp);
    if (r) *r = DWORD_PTR(v);
    return IsWindow(w);
}
UINT RegisterWindowMessageW(const WCHAR*) { return 0xC000; }
BOOL WaitMessage() { return TRUE; }
DWORD GetMessagePos() { return 0; }
LONG GetMessageTime() { return 0; }
