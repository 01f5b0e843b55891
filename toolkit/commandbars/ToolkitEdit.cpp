#include "toolkit/commandbars/ToolkitEdit.h"

#include "platform/controls/RichEdit.h"
#include "platform/shell/Clipboard.h"
#include "platform/user/Input.h"
#include "platform/user/Resources.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/PopupBar.h"

namespace {

// Input-method composition messages (our layer sends none yet; an input method would).
constexpr UINT kImeStartComposition = 0x010D;
constexpr UINT kImeEndComposition = 0x010E;

} // namespace

CJQWEdit::~CJQWEdit()
{
    if (GetSafeHwnd())
        DestroyWindow();
}

BOOL CJQWEdit::CreateEdit(DWORD style, CWnd* parent)
{
    // The layer's rich-edit and edit classes, registered once (as loading the library would).
    RegisterControlClasses();
    if (CreateEx(0, RICHEDIT_CLASSW, u"", style, CRect(0, 0, 0, 0), parent, 0)) {
        m_bRichEdit = TRUE;
        SendMessage(EM_SETEVENTMASK, 0, ENM_CHANGE);
        SendMessage(EM_SETTEXTMODE, TM_PLAINTEXT | TM_SINGLELEVELUNDO, 0);
        return TRUE;
    }
    m_bRichEdit = FALSE;
    return CreateEx(0, WC_EDIT, u"", style, CRect(0, 0, 0, 0), parent, 0);
}

CString CJQWEdit::GetText() const
{
    if (!m_hWnd)
        return CString();
    if (m_bRichEdit) {
        GETTEXTLENGTHEX length { GTL_DEFAULT, 1200 };
        const LRESULT count = ::SendMessageW(m_hWnd, EM_GETTEXTLENGTHEX, WPARAM(&length), 0);
        if (count <= 0)
            return CString();
        std::u16string buffer(size_t(count) + 1, u'\0');
        GETTEXTEX get {};
        get.cb = DWORD(2 * count + 2);
        get.flags = GT_DEFAULT;
        get.codepage = 1200;
        const LRESULT got = ::SendMessageW(m_hWnd, EM_GETTEXTEX, WPARAM(&get), LPARAM(buffer.data()));
        buffer.resize(size_t(std::clamp<LRESULT>(got, 0, count)));
        return CString(buffer.c_str(), int(buffer.size()));
    }
    CString text;
    GetWindowText(text);
    return text;
}

BOOL CJQWEdit::IsCommandEnabled(UINT id) const
{
    if (id == ID_EDIT_COPY || id == ID_EDIT_CUT) {
        DWORD start = 0, end = 0;
        ::SendMessageW(m_hWnd, EM_GETSEL, WPARAM(&start), LPARAM(&end));
        return start != end;
    }
    if (id == ID_EDIT_PASTE)
        return ::IsClipboardFormatAvailable(CF_TEXT);
    return TRUE;
}

BOOL CJQWEdit::OnCommand(WPARAM wParam, LPARAM)
{
    switch (LOWORD(wParam)) {
    case ID_EDIT_COPY:
        SendMessage(WM_COPY, 0, 0);
        return TRUE;
    case ID_EDIT_CUT:
        SendMessage(WM_CUT, 0, 0);
        return TRUE;
    case ID_EDIT_PASTE:
        SendMessage(WM_PASTE, 0, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CJQWEdit::HandleKey(UINT key, LPARAM data)
{
    const bool control = (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
    const bool editing = key == VK_BACK || (key >= VK_PRIOR && key <= VK_DELETE)
        || (control && (key == 'C' || key == 'V' || key == 'X' || key == 'Z'));
    if (!editing || !m_hWnd)
        return FALSE;
    // As the dialog-message check does for a key that is not a dialog key.
    MSG msg {};
    msg.hwnd = m_hWnd;
    msg.message = WM_KEYDOWN;
    msg.wParam = key;
    msg.lParam = data;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
    return TRUE;
}

LRESULT CJQWEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = CWnd::WindowProc(message, wParam, lParam);
    switch (message) {
    case kImeStartComposition:
        m_bComposing = TRUE;
        break;
    case kImeEndComposition:
    case WM_KILLFOCUS:
        m_bComposing = FALSE;
        break;
    default:
        break;
    }
    return result;
}

BOOL CJQWEdit::ShowContextMenu(CJQWControl* control, CPoint point)
{
    WCHAR probe[8];
    CJQWCommandBar* bar = control ? control->GetParent() : nullptr;
    if (::LoadStringW(nullptr, 57635, probe, 8) <= 0 || !bar || !bar->GetCommandBars())
        return FALSE;
    GetMouseManager()->UnlockMouseMove();
    ClientToScreen(&point);
    MSG waiting;
    if (::PeekMessageW(&waiting, m_hWnd, EM_SETSEL, EM_SETSEL, PM_NOREMOVE))
        SendMessage(EM_SETSEL, 0, -1);
    CJQWPopupBar* popup = CJQWPopupBar::CreatePopupBar(bar->GetCommandBars());
    for (UINT id : { ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE }) {
        CJQWControl* item = popup->GetControls()->Add(JQW_CONTROL_BUTTON, int(id));
        if (item)
            item->SetEnabled(IsCommandEnabled(id));
    }
    popup->SetHideCaret(FALSE);
    UINT flags = 0x181;
    if (::GetWindowLongW(bar->GetSafeHwnd(), GWL_EXSTYLE) & (WS_EX_LAYOUTRTL | WS_EX_RIGHT))
        flags |= 0x08;
    const int chosen = CJQWCommandBars::TrackPopupBar(popup, flags, point.x, point.y, this, nullptr, this);
    if (chosen > 0)
        OnCommand(WPARAM(chosen), 0);
    GetMouseManager()->LockMouseMove();
    popup->InternalRelease();
    bar->Redraw();
    bar->UpdateWindow();
    return TRUE;
}
