#pragma once
// The message box. With windows on (SetMessageBoxWindows), it is a modal dialog built at run
// time: an icon, the text wrapped to a width bound, the style's buttons in the platform's order,
// the default button focused, the owner disabled meanwhile; Enter answers the focused button,
// Esc IDCANCEL when there is a Cancel button (IDOK for MB_OK), mnemonics press their button. Its
// loop calls CallMsgFilterW with MSGF_MESSAGEBOX and serves other threads' sends.
//
// Without windows (the default, for runs without a display), the box goes to a replaceable sink.
// The default sink hands "caption: text" (or the text alone) to the text sink and answers with
// the style's default button; the default text sink writes the line to standard error as UTF-8.
// An installed sink takes precedence over windows.

#include "platform/user/Dialog.h"

#include <functional>
#include <string>
#include <string_view>

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
constexpr UINT MB_YESNOCANCEL = 0x00000003;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_RETRYCANCEL = 0x00000005;
constexpr UINT MB_TYPEMASK = 0x0000000F;
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x00000040;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_ICONMASK = 0x000000F0;
constexpr UINT MB_DEFBUTTON1 = 0x00000000;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;
constexpr UINT MB_DEFBUTTON3 = 0x00000200;
constexpr UINT MB_DEFMASK = 0x00000F00;
constexpr UINT MB_APPLMODAL = 0x00000000;
constexpr UINT MB_SYSTEMMODAL = 0x00001000;
constexpr UINT MB_TASKMODAL = 0x00002000;
constexpr UINT MB_SETFOREGROUND = 0x00010000;
constexpr UINT MB_TOPMOST = 0x00040000;

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
inline int MessageBoxExW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type, WORD)
{
    return MessageBoxW(owner, text, caption, type);
}
inline int MessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    return MessageBoxW(owner, text, caption, type);
}
// Plays the sound of a message-box icon (MB_ICON*, or MB_OK / 0xFFFFFFFF for the default).
BOOL MessageBeep(UINT type);

using MessageBoxSink = std::function<int(HWND owner, std::u16string_view text, std::u16string_view caption, UINT style)>;
using MessageBoxTextSink = std::function<void(std::u16string_view line)>;

// Replace the sinks; an empty function restores the default. Each returns the previous sink.
// Install them before other threads show messages.
MessageBoxSink SetMessageBoxSink(MessageBoxSink sink);
MessageBoxTextSink SetMessageBoxTextSink(MessageBoxTextSink sink);

// The answer the headless default gives for a style.
int DefaultMessageBoxButton(UINT style);

namespace platform::user {

// Message boxes as windows (true) or through the sink (false, the default). Returns the previous.
bool SetMessageBoxWindows(bool on);

// What a message box showed and how it was answered, for whoever watches (the test kit).
struct MessageBoxEvent {
    HWND window = nullptr; // the box (null when a sink answered)
    HWND owner = nullptr;
    std::u16string text;
    std::u16string caption;
    UINT type = 0;
    int result = 0; // 0 while the box is open
};
// Called on the box's thread when a box window is shown (result 0; the watcher may answer it, for
// instance by clicking a button) and when any box is answered. Returns the previous watcher.
using MessageBoxWatcher = std::function<void(const MessageBoxEvent&)>;
MessageBoxWatcher SetMessageBoxWatcher(MessageBoxWatcher watcher);

// The box's buttons, in order: (id, text).
std::vector<std::pair<int, std::u16string>> MessageBoxButtons(UINT type);

} // namespace platform::user
