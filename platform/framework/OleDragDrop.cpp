#include "platform/framework/OleDragDrop.h"

#include "platform/user/Cursors.h"
#include "platform/user/Input.h"
#include "platform/user/MessageQueue.h"

// ---- COleDropSource --------------------------------------------------------------------------

BOOL COleDropSource::OnBeginDrag(CWnd* window, const RECT& startRect)
{
    HWND capture = window && window->m_hWnd ? window->m_hWnd : ::GetActiveWindow();
    if (!capture)
        return FALSE;
    ::SetCapture(capture);
    BOOL start = FALSE;
    MSG msg {};
    for (;;) {
        if (::GetCapture() != capture)
            break;
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0)
                ::PostQuitMessage(int(msg.wParam));
            break;
        }
        if (msg.message == WM_MOUSEMOVE) {
            POINT p { short(LOWORD(DWORD(msg.lParam))), short(HIWORD(DWORD(msg.lParam))) };
            ::ClientToScreen(msg.hwnd, &p);
            if (p.x < startRect.left || p.x >= startRect.right || p.y < startRect.top || p.y >= startRect.bottom) {
                start = TRUE;
                break;
            }
            continue;
        }
        if (msg.message == WM_LBUTTONUP || msg.message == WM_RBUTTONDOWN || msg.message == WM_MBUTTONDOWN
            || (msg.message == WM_KEYDOWN && msg.wParam == WPARAM(VK_ESCAPE)))
            break;
        if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST)
            continue;
        if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST)
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    if (::GetCapture() == capture)
        ::ReleaseCapture();
    return start;
}

SCODE COleDropSource::QueryContinueDrag(BOOL escapePressed, DWORD keyState)
{
    if (escapePressed || (keyState & (MK_RBUTTON | MK_MBUTTON)))
        return DRAGDROP_S_CANCEL;
    if (!(keyState & MK_LBUTTON))
        return DRAGDROP_S_DROP;
    return S_OK;
}

SCODE COleDropSource::GiveFeedback(DROPEFFECT) { return DRAGDROP_S_USEDEFAULTCURSORS; }

// ---- COleDataSource --------------------------------------------------------------------------

void COleDataSource::CacheGlobalData(CLIPFORMAT format, HGLOBAL block)
{
    if (block)
        m_data.SetData(format, block);
}

DROPEFFECT COleDataSource::DoDragDrop(DWORD effects, const RECT* startRect, COleDropSource* source)
{
    COleDropSource defaultSource;
    COleDropSource* used = source ? source : &defaultSource;
    POINT at {};
    ::GetCursorPos(&at);
    const RECT one { at.x, at.y, at.x + 1, at.y + 1 };
    HWND window = ::GetCapture();
    if (!window)
        window = ::WindowFromPoint(at);
    if (!used->OnBeginDrag(CWnd::FromHandle(window), startRect ? *startRect : one))
        return DROPEFFECT_NONE;
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT result = ::DoDragDrop(&m_data, used, effects, &effect);
    return result == DRAGDROP_S_DROP ? effect : DROPEFFECT_NONE;
}

// ---- COleDropTarget --------------------------------------------------------------------------

COleDropTarget::COleDropTarget() { m_adapter.owner = this; }

COleDropTarget::~COleDropTarget() { Revoke(); }

BOOL COleDropTarget::Register(CWnd* window)
{
    if (!window || !window->m_hWnd)
        return FALSE;
    Revoke();
    if (FAILED(::RegisterDragDrop(window->m_hWnd, &m_adapter)))
        return FALSE;
    m_window = window;
    m_registered = window->m_hWnd;
    return TRUE;
}

void COleDropTarget::Revoke()
{
    if (m_registered)
        ::RevokeDragDrop(m_registered);
    m_registered = nullptr;
    m_window = nullptr;
}

CPoint COleDropTarget::ClientPoint(POINTL point) const
{
    POINT p { point.x, point.y };
    if (m_registered)
        ::ScreenToClient(m_registered, &p);
    return CPoint(p.x, p.y);
}

DROPEFFECT COleDropTarget::OnDragEnter(CWnd*, COleDataObject*, DWORD, CPoint) { return DROPEFFECT_NONE; }
DROPEFFECT COleDropTarget::OnDragOver(CWnd*, COleDataObject*, DWORD, CPoint) { return DROPEFFECT_NONE; }
void COleDropTarget::OnDragLeave(CWnd*) { }
BOOL COleDropTarget::OnDrop(CWnd*, COleDataObject*, DROPEFFECT, CPoint) { return FALSE; }
DROPEFFECT COleDropTarget::OnDropEx(CWnd*, COleDataObject*, DROPEFFECT, DROPEFFECT, CPoint) { return DROPEFFECT(-1); }
DROPEFFECT COleDropTarget::OnDragScroll(CWnd*, DWORD, CPoint) { return DROPEFFECT_NONE; }

HRESULT COleDropTarget::Adapter::DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect)
{
    owner->m_data.AttachDragData(data);
    owner->m_allowed = *effect;
    owner->m_lastEffect = owner->OnDragEnter(owner->m_window, &owner->m_data, keyState, owner->ClientPoint(point));
    *effect = owner->m_lastEffect & owner->m_allowed;
    return S_OK;
}

HRESULT COleDropTarget::Adapter::DragOver(DWORD keyState, POINTL point, DWORD* effect)
{
    owner->m_allowed = *effect;
    const CPoint at = owner->ClientPoint(point);
    const DROPEFFECT scroll = owner->OnDragScroll(owner->m_window, keyState, at);
    owner->m_lastEffect = (scroll & DROPEFFECT_SCROLL) ? scroll
                                                       : owner->OnDragOver(owner->m_window, &owner->m_data, keyState, at);
    *effect = owner->m_lastEffect & (owner->m_allowed | DROPEFFECT_SCROLL);
    return S_OK;
}

HRESULT COleDropTarget::Adapter::DragLeave()
{
    owner->OnDragLeave(owner->m_window);
    owner->m_data.Release();
    return S_OK;
}

HRESULT COleDropTarget::Adapter::Drop(IDataObject* data, DWORD, POINTL point, DWORD* effect)
{
    owner->m_data.AttachDragData(data);
    const CPoint at = owner->ClientPoint(point);
    const DROPEFFECT chosen = owner->m_lastEffect & owner->m_allowed;
    DROPEFFECT result = owner->OnDropEx(owner->m_window, &owner->m_data, chosen, owner->m_allowed, at);
    if (result == DROPEFFECT(-1))
        result = owner->OnDrop(owner->m_window, &owner->m_data, chosen, at) ? chosen : DROPEFFECT_NONE;
    // A drop after a refused drag-over is a leave (the target never accepted).
    *effect = result;
    owner->m_data.Release();
    return S_OK;
}
