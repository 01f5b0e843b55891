#pragma once
// Window handles, the message record and the message numbers of the platform's user interface,
// with the platform's values.

#include "platform/base/Geometry.h"
#include "platform/base/Types.h"

#include <functional>

struct HWND__;
using HWND = HWND__*;

struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD time = 0;
    POINT pt {};
};

// A window procedure: (window, message, wParam, lParam) -> reply. Plain functions and lambdas fit.
using WindowProcedure = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

constexpr int GWLP_USERDATA = -21;

constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_INVALID_THREAD_ID = 1444;
