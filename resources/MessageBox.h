#pragma once
// The application's message box. There is no dialog here: every call goes to a replaceable sink.
// The headless default hands "caption: text" (or the text alone) to the text sink and answers
// with the default button of the style (IDOK for MB_OK, IDYES for MB_YESNO, the second or third
// button with MB_DEFBUTTON2/3). The default text sink writes the line to standard error as UTF-8;
// the log installs its own text sink so that a headless run keeps every message in the log.

#include "platform/user/Messages.h"

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
constexpr UINT MB_DEFBUTTON1 = 0x00000000;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;
constexpr UINT MB_DEFBUTTON3 = 0x00000200;
constexpr UINT MB_DEFMASK = 0x00000F00;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

using MessageBoxSink = std::function<int(HWND owner, std::u16string_view text, std::u16string_view caption, UINT style)>;
using MessageBoxTextSink = std::function<void(std::u16string_view line)>;

// Shows (hands over) a message; null text or caption count as empty. Returns the button id.
int MessageBox(HWND owner, const WCHAR* text, const WCHAR* caption, UINT style);

// The application's message box: captioned with the application's name.
int AppMessageBox(const WCHAR* text, UINT style);

// The application's name: the program file's name without its extension.
std::u16string ApplicationName();

// Replace the sinks; an empty function restores the default. Each returns the previous sink.
// Install them before other threads show messages.
MessageBoxSink SetMessageBoxSink(MessageBoxSink sink);
MessageBoxTextSink SetMessageBoxTextSink(MessageBoxTextSink sink);

// The answer the headless default gives for a style.
int DefaultMessageBoxButton(UINT style);
