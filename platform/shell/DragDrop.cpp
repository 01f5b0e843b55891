#include "platform/shell/DragDrop.h"

#include "platform/user/Cursors.h"
#include "platform/user/Input.h"
#include "platform/user/MessageQueue.h"

#include <cstring>
#include <mutex>

namespace {

std::mutex g_mutex;
std::map<HWND, IDropTarget*>& Targets()
{
    static std::map<HWND, IDropTarget*> targets;
    return targets;
}

HGLOBAL Copy(HGLOBAL block)
{
    const SIZE_T size = GlobalSize(block);
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size ? size : 1);
    if (!copy)
        return nullptr;
    const void* from = GlobalLock(block);
    void* to = GlobalLock(copy);
    if (from && to && size)
        std::memcpy(to, from, size);
    GlobalUnlock(copy);
    GlobalUnlock(block);
    return copy;
}

LRESULT TrackerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

const WCHAR* TrackerClass()
{
    static const bool registered = [] {
        WNDCLASSEXW wc {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = TrackerProc;
        wc.lpszClassName = u"VornaltDragTracker";
        return RegisterClassExW(&wc) != 0;
    }();
    return registered ? u"VornaltDragTracker" : nullptr;
}

DWORD KeyState(WPARAM mouseFlags)
{
    DWORD keys = DWORD(mouseFlags) & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON);
    if (GetKeyState(VK_SHIFT) < 0)
        keys |= MK_SHIFT;
    if (GetKeyState(VK_CONTROL) < 0)
        keys |= MK_CONTROL;
    return keys;
}

HRESULT DefaultContinue(BOOL escape, DWORD keys)
{
    if (escape || (keys & (MK_RBUTTON | MK_MBUTTON)))
        return DRAGDROP_S_CANCEL;
    if (!(keys & MK_LBUTTON))
        return DRAGDROP_S_DROP;
    return S_OK;
}

// One drag: which target the pointer is over and what it said last.
struct Drag {
    IDataObject* data;
    IDropSource* source;
    DWORD allowed;
    HWND over = nullptr;
    IDropTarget* target = nullptr;
    DWORD effect = DROPEFFECT_NONE;
    POINT last {};

    void Feedback()
    {
        const HRESULT answer = source ? source->GiveFeedback(effect) : DRAGDROP_S_USEDEFAULTCURSORS;
        if (answer == DRAGDROP_S_USEDEFAULTCURSORS)
            SetCursor(LoadCursorW(nullptr, effect == DROPEFFECT_NONE ? IDC_NO : IDC_ARROW));
    }

    void Leave()
    {
        if (target)
            target->DragLeave();
        target = nullptr;
        over = nullptr;
        effect = DROPEFFECT_NONE;
    }

    void Move(POINT screen, DWORD keys)
    {
        HWND registered = nullptr;
        IDropTarget* now = platform::shell::DropTargetAt(WindowFromPoint(screen), &registered);
        const POINTL at { screen.x, screen.y };
        last = screen;
        if (registered != over) {
            Leave();
            over = registered;
            target = now;
            if (target) {
                effect = allowed;
                if (FAILED(target->DragEnter(data, keys, at, &effect)))
                    effect = DROPEFFECT_NONE;
                effect &= allowed;
            }
        } else if (target) {
            effect = allowed;
            if (FAILED(target->DragOver(keys, at, &effect)))
                effect = DROPEFFECT_NONE;
            effect &= allowed;
        }
        Feedback();
    }
};

// A mouse message's point on the screen (its coordinates are the capture window's).
POINT ScreenPoint(const MSG& msg)
{
    POINT p { short(LOWORD(DWORD(msg.lParam))), short(HIWORD(DWORD(msg.lParam))) };
    ClientToScreen(msg.hwnd, &p);
    return p;
}

} // namespace

DataObject::~DataObject() { Clear(); }

void DataObject::SetData(UINT format, HGLOBAL block)
{
    auto it = m_blocks.find(format);
    if (it != m_blocks.end()) {
        if (it->second != block)
            GlobalFree(it->second);
        it->second = block;
    } else {
        m_blocks[format] = block;
    }
}

void DataObject::Clear()
{
    for (auto& [format, block] : m_blocks)
        GlobalFree(block);
    m_blocks.clear();
}

bool DataObject::HasFormat(UINT format) const { return m_blocks.count(format) != 0; }

HGLOBAL DataObject::GetData(UINT format) const
{
    auto it = m_blocks.find(format);
    return it == m_blocks.end() ? nullptr : Copy(it->second);
}

std::vector<UINT> DataObject::Formats() const
{
    std::vector<UINT> formats;
    for (const auto& [format, block] : m_blocks)
        formats.push_back(format);
    return formats;
}

IDropTarget* platform::shell::DropTargetAt(HWND window, HWND* registered)
{
    std::lock_guard lock(g_mutex);
    for (HWND w = window; w; w = GetAncestor(w, GA_PARENT)) {
        auto it = Targets().find(w);
        if (it != Targets().end() && IsWindow(w)) {
            if (registered)
                *registered = w;
            return it->second;
        }
        if (!(GetWindowLongW(w, GWL_STYLE) & WS_CHILD))
            break;
    }
    if (registered)
        *registered = nullptr;
    return nullptr;
}

HRESULT RegisterDragDrop(HWND window, IDropTarget* target)
{
    if (!IsWindow(window))
        return DRAGDROP_E_INVALIDHWND;
    if (!target)
        return E_INVALIDARG;
    std::lock_guard lock(g_mutex);
    auto& targets = Targets();
    // A handle reused by a new window drops the old registration.
    for (auto it = targets.begin(); it != targets.end();)
        it = IsWindow(it->first) ? std::next(it) : targets.erase(it);
    if (targets.count(window))
        return DRAGDROP_E_ALREADYREGISTERED;
    targets[window] = target;
    return S_OK;
}

HRESULT RevokeDragDrop(HWND window)
{
    std::lock_guard lock(g_mutex);
    return Targets().erase(window) ? S_OK : DRAGDROP_E_NOTREGISTERED;
}

HRESULT DoDragDrop(IDataObject* data, IDropSource* source, DWORD okEffects, DWORD* effect)
{
    if (effect)
        *effect = DROPEFFECT_NONE;
    if (!data)
        return E_INVALIDARG;
    const WCHAR* trackerClass = TrackerClass();
    HWND tracker = trackerClass
        ? CreateWindowExW(WS_EX_TOOLWINDOW, trackerClass, u"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr)
        : nullptr;
    if (!tracker)
        return E_FAIL;
    SetCapture(tracker);

    Drag drag { data, source, okEffects };
    POINT start {};
    GetCursorPos(&start);
    drag.Move(start, KeyState(MK_LBUTTON));

    HRESULT result = DRAGDROP_S_CANCEL;
    DWORD keys = KeyState(MK_LBUTTON);
    MSG msg {};
    for (;;) {
        if (GetCapture() != tracker) {
            result = DRAGDROP_S_CANCEL; // someone else took the mouse
            break;
        }
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0)
                PostQuitMessage(int(msg.wParam));
            result = DRAGDROP_S_CANCEL;
            break;
        }
        bool escape = false;
        bool handled = true;
        if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) {
            keys = KeyState(msg.wParam);
            if (msg.message == WM_MOUSEMOVE)
                drag.Move(ScreenPoint(msg), keys);
        } else if (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == WM_SYSKEYDOWN
            || msg.message == WM_SYSKEYUP) {
            escape = msg.message == WM_KEYDOWN && msg.wParam == WPARAM(VK_ESCAPE);
            const DWORD before = keys;
            keys = KeyState(keys);
            if (keys != before && drag.target)
                drag.Move(drag.last, keys); // Ctrl or Shift changes what the target offers
        } else if (msg.message != WM_CHAR && msg.message != WM_SYSCHAR) {
            handled = false;
        }
        if (!handled) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            continue;
        }
        const HRESULT next = source ? source->QueryContinueDrag(escape, keys) : DefaultContinue(escape, keys);
        if (next == S_OK)
            continue;
        result = next;
        break;
    }

    if (result == DRAGDROP_S_DROP && drag.target && drag.effect != DROPEFFECT_NONE) {
        DWORD dropped = drag.effect;
        const POINT screen = ScreenPoint(msg);
        const POINTL at { screen.x, screen.y };
        IDropTarget* target = drag.target;
        drag.target = nullptr;
        if (FAILED(target->Drop(data, keys, at, &dropped)))
            dropped = DROPEFFECT_NONE;
        if (effect)
            *effect = dropped & okEffects;
    } else {
        drag.Leave();
        result = DRAGDROP_S_CANCEL;
    }
    if (GetCapture() == tracker)
        ReleaseCapture();
    DestroyWindow(tracker);
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    return result;
}
