// Window classes: registration, lookup without case, class longs and extra bytes.

#include "platform/user/Window.h"

#include "platform/base/LastError.h"
#include "platform/user/WindowInternals.h"
#include "platform/user/WindowRecord.h"
#include "platform/base/TextCase.h"

#include <algorithm>
#include <cstring>
#include <utility>

using namespace user_detail;

namespace {
using Lock = std::lock_guard<std::recursive_mutex>;
}

// ---- Classes ---------------------------------------------------------------------------------

namespace {
struct ClassTable {
    std::vector<std::shared_ptr<WindowClass>> classes;
    ATOM next = 0xC000;
};

ClassTable& Classes()
{
    static auto* table = new ClassTable;
    return *table;
}
}

std::shared_ptr<WindowClass> user_detail::FindClass(LPCWSTR name)
{
    if (!name)
        return nullptr;
    for (auto& c : Classes().classes) {
        if (IS_INTRESOURCE(name) ? c->atom == ATOM(reinterpret_cast<ULONG_PTR>(name)) : EqualsNoCase(c->name, name))
            return c;
    }
    return nullptr;
}

LONG_PTR user_detail::ReadExtra(const std::vector<BYTE>& extra, int index)
{
    if (index < 0 || size_t(index) >= extra.size()) {
        SetLastError(1413); // ERROR_INVALID_INDEX
        return 0;
    }
    LONG_PTR value = 0;
    std::memcpy(&value, extra.data() + index, std::min(sizeof(value), extra.size() - size_t(index)));
    return value;
}

LONG_PTR user_detail::WriteExtra(std::vector<BYTE>& extra, int index, LONG_PTR value)
{
    const LONG_PTR old = ReadExtra(extra, index);
    if (index >= 0 && size_t(index) < extra.size())
        std::memcpy(extra.data() + index, &value, std::min(sizeof(value), extra.size() - size_t(index)));
    return old;
}

// ---- Classes ---------------------------------------------------------------------------------

ATOM RegisterClassExW(const WNDCLASSEXW* windowClass)
{
    if (!windowClass || windowClass->cbSize != sizeof(WNDCLASSEXW) || !windowClass->lpszClassName
        || IS_INTRESOURCE(windowClass->lpszClassName) || windowClass->cbClsExtra < 0 || windowClass->cbWndExtra < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Lock lock(TreeMutex());
    if (FindClass(windowClass->lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto c = std::make_shared<WindowClass>();
    c->name = windowClass->lpszClassName;
    c->atom = Classes().next++;
    c->info = *windowClass;
    c->info.lpszClassName = nullptr;
    c->info.lpszMenuName = nullptr;
    c->extra.resize(size_t(windowClass->cbClsExtra));
    Classes().classes.push_back(c);
    return c->atom;
}

ATOM RegisterClassW(const WNDCLASSW* w)
{
    if (!w) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WNDCLASSEXW ex { sizeof(WNDCLASSEXW), w->style, w->lpfnWndProc, w->cbClsExtra, w->cbWndExtra, w->hInstance,
        w->hIcon, w->hCursor, w->hbrBackground, w->lpszMenuName, w->lpszClassName, nullptr };
    return RegisterClassExW(&ex);
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE)
{
    Lock lock(TreeMutex());
    auto c = FindClass(className);
    if (!c) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return FALSE;
    }
    if (c->windows > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    auto& all = Classes().classes;
    all.erase(std::remove(all.begin(), all.end(), c), all.end());
    return TRUE;
}

BOOL GetClassInfoExW(HINSTANCE, LPCWSTR className, WNDCLASSEXW* windowClass)
{
    Lock lock(TreeMutex());
    auto c = FindClass(className);
    if (!c || !windowClass) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return FALSE;
    }
    *windowClass = c->info;
    windowClass->lpszClassName = c->name.c_str();
    return TRUE;
}

int GetClassNameW(HWND window, WCHAR* buffer, int count)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || !buffer || count <= 0) {
        SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const std::u16string name = w->isDesktop ? u"#32769" : w->windowClass->name;
    const int n = std::min(int(name.size()), count - 1);
    std::copy_n(name.data(), n, buffer);
    buffer[n] = 0;
    return n;
}

ULONG_PTR GetClassLongPtrW(HWND window, int index)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || !w->windowClass) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const WNDCLASSEXW& i = w->windowClass->info;
    switch (index) {
    case GCLP_HBRBACKGROUND: return ULONG_PTR(i.hbrBackground);
    case GCLP_HCURSOR: return ULONG_PTR(i.hCursor);
    case GCLP_HICON: return ULONG_PTR(i.hIcon);
    case GCLP_HICONSM: return ULONG_PTR(i.hIconSm);
    case GCLP_WNDPROC: return ULONG_PTR(i.lpfnWndProc);
    case GCL_STYLE: return i.style;
    case GCW_ATOM: return w->windowClass->atom;
    default: return ULONG_PTR(ReadExtra(w->windowClass->extra, index));
    }
}

ULONG_PTR SetClassLongPtrW(HWND window, int index, LONG_PTR value)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || !w->windowClass) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    WNDCLASSEXW& i = w->windowClass->info;
    switch (index) {
    case GCLP_HBRBACKGROUND: return ULONG_PTR(std::exchange(i.hbrBackground, reinterpret_cast<HBRUSH>(value)));
    case GCLP_HCURSOR: return ULONG_PTR(std::exchange(i.hCursor, reinterpret_cast<HCURSOR>(value)));
    case GCLP_HICON: return ULONG_PTR(std::exchange(i.hIcon, reinterpret_cast<HICON>(value)));
    case GCLP_HICONSM: return ULONG_PTR(std::exchange(i.hIconSm, reinterpret_cast<HICON>(value)));
    case GCLP_WNDPROC: return ULONG_PTR(std::exchange(i.lpfnWndProc, reinterpret_cast<WNDPROC>(value)));
    case GCL_STYLE: return std::exchange(i.style, UINT(value));
    default: return ULONG_PTR(WriteExtra(w->windowClass->extra, index, value));
    }
}
