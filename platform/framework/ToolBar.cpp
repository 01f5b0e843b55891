#include "platform/framework/ToolBar.h"

#include "platform/framework/ResourceHandle.h"
#include "platform/user/Resources.h"

#include <algorithm>
#include <cstring>

IMPLEMENT_DYNAMIC(CToolBar, CControlBar)

namespace {

// A button's update: enabled and checked are the button's states.
class CToolCmdUI : public CCmdUI {
public:
    HWND bar = nullptr;
    void Enable(BOOL on) override
    {
        m_bEnableChanged = TRUE;
        m_bEnabled = on;
        const LRESULT state = ::SendMessage(bar, TB_GETSTATE, m_nID, 0);
        if (state < 0)
            return;
        BYTE next = BYTE(state);
        next = on ? BYTE(next | TBSTATE_ENABLED) : BYTE(next & ~(TBSTATE_ENABLED | TBSTATE_PRESSED));
        if (next != BYTE(state))
            ::SendMessage(bar, TB_SETSTATE, m_nID, next);
    }
    void SetCheck(int check) override
    {
        m_nCheck = check;
        const LRESULT state = ::SendMessage(bar, TB_GETSTATE, m_nID, 0);
        if (state < 0)
            return;
        BYTE next = BYTE(state) & BYTE(~(TBSTATE_CHECKED | TBSTATE_INDETERMINATE));
        if (check == 1)
            next |= TBSTATE_CHECKED;
        else if (check == 2)
            next |= TBSTATE_INDETERMINATE;
        if (next != BYTE(state))
            ::SendMessage(bar, TB_SETSTATE, m_nID, next);
    }
    void SetRadio(BOOL on) override { SetCheck(on ? 1 : 0); }
    void SetText(const WCHAR*) override { }
};

TBBUTTON ButtonFor(UINT id, int& image)
{
    TBBUTTON b {};
    b.idCommand = int(id);
    b.iString = -1;
    if (id == ID_SEPARATOR) {
        b.fsStyle = BTNS_SEP;
        b.iBitmap = 0;
    } else {
        b.fsState = TBSTATE_ENABLED;
        b.fsStyle = BTNS_BUTTON;
        b.iBitmap = image++;
    }
    return b;
}

} // namespace

CToolBar::CToolBar()
{
    m_cxLeftBorder = m_cxRightBorder = 0;
    m_cyTopBorder = m_cyBottomBorder = 0;
}

CToolBar::~CToolBar()
{
    if (m_hWnd)
        DestroyWindow();
    if (m_bitmap)
        ::DeleteObject(m_bitmap);
}

BOOL CToolBar::Create(CWnd* parent, DWORD style, UINT id)
{
    return CreateEx(parent, 0, style, CRect(m_cxLeftBorder, m_cyTopBorder, m_cxRightBorder, m_cyBottomBorder), id);
}

BOOL CToolBar::CreateEx(CWnd* parent, DWORD controlStyle, DWORD style, CRect borders, UINT id)
{
    SetBorders(borders);
    m_dwStyle = style & CBRS_ALL;
    DWORD windowStyle = (style & ~CBRS_ALL) | controlStyle | CCS_NOPARENTALIGN | CCS_NOMOVEY | CCS_NORESIZE
        | CCS_NODIVIDER;
    if (style & CBRS_TOOLTIPS)
        windowStyle |= TBSTYLE_TOOLTIPS;
    RegisterControlClasses();
    if (!CWnd::CreateEx(0, TOOLBARCLASSNAMEW, nullptr, windowStyle, CRect(), parent, id))
        return FALSE;
    m_ctrl.m_hWnd = m_hWnd;
    SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    return TRUE;
}

CToolBarCtrl& CToolBar::GetToolBarCtrl() const
{
    m_ctrl.m_hWnd = m_hWnd;
    return m_ctrl;
}

BOOL CToolBar::SetButtonsFromRecords(std::vector<TBBUTTON> records)
{
    while (SendMessage(TB_BUTTONCOUNT, 0, 0) > 0)
        SendMessage(TB_DELETEBUTTON, 0, 0);
    if (records.empty())
        return TRUE;
    return BOOL(SendMessage(TB_ADDBUTTONSW, records.size(), LPARAM(records.data())));
}

BOOL CToolBar::SetButtons(const UINT* ids, int count)
{
    if (count < 0)
        return FALSE;
    std::vector<TBBUTTON> records;
    int image = 0;
    for (int i = 0; i < count; ++i)
        records.push_back(ButtonFor(ids ? ids[i] : ID_SEPARATOR, image));
    return SetButtonsFromRecords(std::move(records));
}

void CToolBar::SetSizes(SIZE button, SIZE image)
{
    m_sizeImage = image;
    SendMessage(TB_SETBITMAPSIZE, 0, MAKELONG(WORD(image.cx), WORD(image.cy)));
    SendMessage(TB_SETBUTTONSIZE, 0, MAKELONG(WORD(button.cx), WORD(button.cy)));
}

BOOL CToolBar::SetBitmap(HBITMAP bitmap)
{
    if (!bitmap)
        return FALSE;
    if (m_bitmap && m_bitmap != bitmap)
        ::DeleteObject(m_bitmap);
    m_bitmap = bitmap;
    BITMAP info {};
    ::GetObjectW(bitmap, sizeof(info), &info);
    TBADDBITMAP add { nullptr, UINT_PTR(bitmap) };
    return SendMessage(TB_ADDBITMAP, WPARAM(std::max<LONG>(1, info.bmWidth / std::max<LONG>(1, m_sizeImage.cx))),
               LPARAM(&add))
        >= 0;
}

BOOL CToolBar::LoadBitmap(LPCWSTR resourceName)
{
    HINSTANCE module = AfxFindResourceHandle(resourceName, RT_BITMAP);
    HBITMAP bitmap = ::LoadBitmapW(module, resourceName);
    return bitmap ? SetBitmap(bitmap) : FALSE;
}

BOOL CToolBar::LoadToolBar(LPCWSTR resourceName)
{
    HINSTANCE module = AfxFindResourceHandle(resourceName, RT_TOOLBAR);
    HRSRC found = ::FindResourceW(module, resourceName, RT_TOOLBAR);
    if (!found)
        return FALSE;
    const auto* words = static_cast<const WORD*>(::LockResource(::LoadResource(module, found)));
    const DWORD size = ::SizeofResource(module, found);
    if (!words || size < 8 || words[0] != 1 || size < 8 + 2 * DWORD(words[3]))
        return FALSE;
    const int width = words[1];
    const int height = words[2];
    std::vector<UINT> ids(words + 4, words + 4 + words[3]);
    SetSizes(SIZE { width + 7, height + 7 }, SIZE { width, height });
    if (!SetButtons(ids.data(), int(ids.size())))
        return FALSE;
    // A toolbar without its bitmap still has its buttons.
    LoadBitmap(resourceName);
    return TRUE;
}

int CToolBar::CommandToIndex(UINT id) const { return int(::SendMessage(m_hWnd, TB_COMMANDTOINDEX, id, 0)); }

UINT CToolBar::GetItemID(int index) const
{
    TBBUTTON b {};
    if (!::SendMessage(m_hWnd, TB_GETBUTTON, WPARAM(index), LPARAM(&b)))
        return 0;
    return (b.fsStyle & BTNS_SEP) ? ID_SEPARATOR : UINT(b.idCommand);
}

void CToolBar::GetItemRect(int index, RECT* rect) const
{
    if (!::SendMessage(m_hWnd, TB_GETITEMRECT, WPARAM(index), LPARAM(rect)))
        *rect = RECT {};
}

int CToolBar::GetCount() const { return int(::SendMessage(m_hWnd, TB_BUTTONCOUNT, 0, 0)); }

UINT CToolBar::GetButtonStyle(int index) const
{
    TBBUTTON b {};
    if (!::SendMessage(m_hWnd, TB_GETBUTTON, WPARAM(index), LPARAM(&b)))
        return 0;
    return MAKELONG(b.fsStyle, BYTE(b.fsState ^ TBSTATE_ENABLED));
}

void CToolBar::SetButtonStyle(int index, UINT style)
{
    TBBUTTON b {};
    if (!SendMessage(TB_GETBUTTON, WPARAM(index), LPARAM(&b)))
        return;
    TBBUTTONINFOW info {};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_STYLE | TBIF_STATE | TBIF_BYINDEX;
    info.fsStyle = BYTE(LOWORD(style));
    info.fsState = BYTE(HIWORD(style) ^ TBSTATE_ENABLED);
    SendMessage(TB_SETBUTTONINFOW, WPARAM(index), LPARAM(&info));
}

void CToolBar::GetButtonInfo(int index, UINT& id, UINT& style, int& image) const
{
    TBBUTTON b {};
    ::SendMessage(m_hWnd, TB_GETBUTTON, WPARAM(index), LPARAM(&b));
    id = UINT(b.idCommand);
    style = MAKELONG(b.fsStyle, BYTE(b.fsState ^ TBSTATE_ENABLED));
    image = b.iBitmap;
}

void CToolBar::SetButtonInfo(int index, UINT id, UINT style, int image)
{
    TBBUTTONINFOW info {};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_COMMAND | TBIF_STYLE | TBIF_STATE | TBIF_IMAGE | TBIF_BYINDEX;
    info.idCommand = int(id);
    info.fsStyle = BYTE(LOWORD(style));
    info.fsState = BYTE(HIWORD(style) ^ TBSTATE_ENABLED);
    info.iImage = image;
    SendMessage(TB_SETBUTTONINFOW, WPARAM(index), LPARAM(&info));
}

CSize CToolBar::CalcFixedLayout(BOOL stretch, BOOL horizontal)
{
    SIZE extent {};
    if (m_hWnd)
        SendMessage(TB_GETMAXSIZE, 0, LPARAM(&extent));
    CRect inside;
    CalcInsideRect(inside, horizontal);
    CSize size(extent.cx - inside.Width(), std::max<LONG>(extent.cy, m_cyFixedHeight) - inside.Height());
    if (stretch && horizontal)
        size.cx = 32767;
    else if (stretch)
        size.cy = 32767;
    return size;
}

CSize CToolBar::CalcDynamicLayout(int, DWORD mode)
{
    return CalcFixedLayout((mode & LM_STRETCH) != 0, (mode & LM_HORZ) != 0);
}

void CToolBar::OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler)
{
    CToolCmdUI state;
    state.bar = m_hWnd;
    const int count = GetCount();
    state.m_nIndexMax = UINT(count);
    for (int i = 0; i < count; ++i) {
        TBBUTTON b {};
        if (!SendMessage(TB_GETBUTTON, WPARAM(i), LPARAM(&b)) || (b.fsStyle & BTNS_SEP))
            continue;
        state.m_nID = UINT(b.idCommand);
        state.m_nIndex = UINT(i);
        state.DoUpdate(target, disableIfNoHandler);
    }
    UpdateDialogControls(target, disableIfNoHandler);
}
