#include "toolkit/controls/Button.h"

#include "toolkit/controls/AuxData.h"
#include "toolkit/controls/ButtonTheme.h"
#include "toolkit/drawing/DeviceContexts.h"
#include "toolkit/drawing/DrawHelpers.h"
#include "toolkit/drawing/ResourceManager.h"

#include "platform/user/ControlMessages.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/Input.h"

#include <vector>

namespace {

// A 32-bit bitmap whose alpha bytes are all 0 carries no alpha, only unused bytes.
bool HasAlphaChannel(HBITMAP bitmap)
{
    BITMAP info {};
    if (!::GetObjectW(bitmap, sizeof info, &info) || info.bmBitsPixel != 32 || info.bmWidth <= 0 || info.bmHeight <= 0)
        return false;
    BITMAPINFO request {};
    request.bmiHeader.biSize = sizeof request.bmiHeader;
    request.bmiHeader.biWidth = info.bmWidth;
    request.bmiHeader.biHeight = -info.bmHeight;
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(size_t(info.bmWidth) * size_t(info.bmHeight));
    HDC screen = ::GetDC(nullptr);
    const int lines = ::GetDIBits(screen, bitmap, 0, UINT(info.bmHeight), pixels.data(), &request, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    if (lines <= 0)
        return false;
    for (DWORD pixel : pixels)
        if (pixel >> 24)
            return true;
    return false;
}

} // namespace

IMPLEMENT_DYNCREATE(CJQButton, CButton)

BEGIN_MESSAGE_MAP(CJQButton, CButton)
    ON_WM_CREATE()
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_MOUSEMOVE()
    ON_WM_MOUSELEAVE()
    ON_WM_GETDLGCODE()
    ON_WM_ENABLE()
    ON_MESSAGE(WM_PRINTCLIENT, &CJQButton::OnPrintClient)
    ON_MESSAGE(BM_SETSTATE, &CJQButton::OnSetState)
    ON_MESSAGE(WM_SETFOCUS, &CJQButton::OnDefaultThenInvalidate)
    ON_MESSAGE(WM_KILLFOCUS, &CJQButton::OnDefaultThenInvalidate)
    ON_MESSAGE(BM_SETCHECK, &CJQButton::OnDefaultThenInvalidate)
    ON_MESSAGE(BM_SETSTYLE, &CJQButton::OnDefaultThenInvalidate)
    ON_MESSAGE(WM_CAPTURECHANGED, &CJQButton::OnDefaultThenInvalidate)
    ON_MESSAGE(WM_SETTEXT, &CJQButton::OnDefaultThenInvalidate)
    ON_MESSAGE(WM_UPDATEUISTATE, &CJQButton::OnDefaultThenInvalidate)
END_MESSAGE_MAP()

CJQButton::CJQButton(const CRuntimeClass* factoryClass)
    : CJQThemeManagerStyleHost(factoryClass ? factoryClass : RUNTIME_CLASS(CJQButtonThemeFactory))
{
}

CJQButton::~CJQButton()
{
    if (m_hWnd && ::IsWindow(m_hWnd))
        DestroyWindow();
    if (m_pIcon)
        m_pIcon->InternalRelease();
}

CJQButtonTheme* CJQButton::GetButtonTheme() const { return dynamic_cast<CJQButtonTheme*>(CJQThemeManagerStyleHost::GetStyle()); }

BOOL CJQButton::IsHotOrCaptured() const
{
    if (m_bHot)
        return TRUE;
    return m_hWnd && ::GetCapture() == m_hWnd ? TRUE : FALSE;
}

BOOL CJQButton::SetIconObject(CSize size, CJQWImageManagerIcon* icon, BOOL redraw)
{
    m_szIcon = size;
    if (m_pIcon && m_pIcon != icon)
        m_pIcon->InternalRelease();
    m_pIcon = icon;
    if (m_hWnd && redraw)
        Invalidate(TRUE);
    return TRUE;
}

BOOL CJQButton::SetIconFromHandles(CSize size, const CJQWIconImageHandle& normal, const CJQWIconImageHandle& hot,
                                   BOOL redraw)
{
    if (size.cx == 0 && size.cy == 0)
        size = normal.GetExtent();
    auto* icon = new CJQWImageManagerIcon(0, size.cx, size.cy);
    icon->SetNormalImage(normal);
    if (!hot.IsEmpty())
        icon->SetHotImage(hot);
    return SetIconObject(size, icon, redraw);
}

BOOL CJQButton::SetIconFromHIcons(CSize size, HICON icon, HICON hotIcon, BOOL redraw)
{
    const CJQWIconImageHandle normal(icon);
    const CJQWIconImageHandle hot(hotIcon);
    return SetIconFromHandles(size, normal, hot, redraw);
}

BOOL CJQButton::SetIconFromResourceIds(CSize size, UINT id, UINT hotId, BOOL redraw)
{
    CJQWIconImageHandle normal;
    if (!normal.LoadIconResource(id, size.cx, size.cy, TRUE))
        return FALSE;
    CJQWIconImageHandle hot;
    if (hotId && !hot.LoadIconResource(hotId, size.cx, size.cy, TRUE))
        return FALSE;
    return SetIconFromHandles(size, normal, hot, redraw);
}

BOOL CJQButton::SetIconFromResourceNames(CSize size, LPCWSTR name, LPCWSTR hotName, BOOL redraw)
{
    return SetIconFromResourceIds(size, UINT(LOWORD(reinterpret_cast<UINT_PTR>(name))),
                                  UINT(LOWORD(reinterpret_cast<UINT_PTR>(hotName))), redraw);
}

BOOL CJQButton::SetBitmapFromResource(CSize size, UINT id, BOOL redraw)
{
    CBitmap bitmap;
    if (!GetResourceManager()->LoadBitmap(&bitmap, id) || !bitmap.GetSafeHandle())
        return FALSE;
    CJQWIconImageHandle image;
    if (HasAlphaChannel(HBITMAP(bitmap.GetSafeHandle()))) {
        image.SetBitmapCopy(HBITMAP(bitmap.GetSafeHandle()));
    } else {
        HICON icon = CreateIconFromBitmap(HBITMAP(bitmap.GetSafeHandle()));
        if (!icon)
            return FALSE;
        image.SetIcon(icon);
    }
    return SetIconFromHandles(size, image, CJQWIconImageHandle(), redraw);
}

BOOL CJQButton::SetImageTextLayout(CPoint image, CPoint text, BOOL redraw)
{
    m_ptImage = image;
    m_ptText = text;
    m_bUserLayout = TRUE;
    if (m_hWnd && redraw)
        Invalidate(TRUE);
    return TRUE;
}

DWORD CJQButton::SetThemeStyleFlags(DWORD flags, BOOL redraw)
{
    const DWORD old = m_dwFlags;
    m_dwFlags = flags;
    if (flags & JQ_BS_OFFICEXP) {
        auto* style = new CJQButtonThemeOfficeXP(FALSE);
        style->m_nTheme = 1;
        SetStyle(style);
    } else if (flags & JQ_BS_FLAT) {
        SetStyle(new CJQButtonTheme);
    }
    if (m_hWnd && redraw)
        Invalidate(TRUE);
    return old;
}

void CJQButton::SetColors(COLORREF face, COLORREF highlight, COLORREF shadow, COLORREF text)
{
    if (CJQButtonTheme* theme = GetButtonTheme())
        theme->SetColors(face, highlight, shadow, text);
}

void CJQButton::SetFaceColor(COLORREF color)
{
    if (CJQButtonTheme* theme = GetButtonTheme())
        theme->SetFaceColor(color);
}

COLORREF CJQButton::GetFaceColor() const
{
    if (CJQButtonTheme* theme = GetButtonTheme())
        return theme->GetFaceColor();
    return GetGlobalAuxData().clrBtnFace;
}

void CJQButton::SetHighlightColor(COLORREF color)
{
    if (CJQButtonTheme* theme = GetButtonTheme())
        theme->SetHighlightColor(color);
}

void CJQButton::SetShadowColor(COLORREF color)
{
    if (CJQButtonTheme* theme = GetButtonTheme())
        theme->SetShadowColor(color);
}

void CJQButton::SetTextColor(COLORREF color)
{
    if (CJQButtonTheme* theme = GetButtonTheme())
        theme->SetTextColor(color);
}

void CJQButton::SetFlatColors(COLORREF border, COLORREF hotBack, COLORREF pressedBack)
{
    CJQButtonTheme* theme = GetButtonTheme();
    if (!theme || theme->m_nTheme != 1)
        return;
    auto* office = dynamic_cast<CJQButtonThemeOfficeXP*>(theme);
    if (!office)
        return;
    office->SetHighlightColor(border);
    office->SetShadowColor(border);
    office->SetHotBackColor(hotBack);
    office->SetPressedBackColor(pressedBack);
}

void CJQButton::ToggleThemeFlag()
{
    if (CJQButtonTheme* theme = GetButtonTheme())
        theme->SetShowImages(!theme->GetShowImages());
    if (m_hWnd)
        Invalidate(TRUE);
}

HFONT CJQButton::SetButtonFont(HFONT font)
{
    HFONT old = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    SendMessage(WM_SETFONT, WPARAM(font), TRUE);
    return old;
}

BOOL CJQButton::InitControl()
{
    m_bOwnerDrawn = (CWnd::GetStyle() & 0xF) == BS_OWNERDRAW;
    Invalidate(FALSE);
    return TRUE;
}

void CJQButton::FreeImages()
{
    if (m_pIcon)
        m_pIcon->ClearGeneratedImages();
}

CString CJQButton::GetButtonText(BOOL stripMnemonics) const
{
    CString text;
    if (m_hWnd)
        GetWindowText(text);
    if (stripMnemonics)
        StripMnemonics(text);
    return text;
}

void CJQButton::DrawButton(CDC* dc)
{
    DRAWITEMSTRUCT item {};
    item.CtlType = ODT_BUTTON;
    item.CtlID = UINT(GetDlgCtrlID());
    item.itemAction = ODA_DRAWENTIRE;
    item.hwndItem = m_hWnd;
    item.hDC = dc->m_hDC;
    GetClientRect(&item.rcItem);
    if (::GetFocus() == m_hWnd)
        item.itemState |= ODS_FOCUS;
    // A mouse press pushes the button inside the standard control, without BM_SETSTATE.
    if (m_bPushed || (SendMessage(BM_GETSTATE) & BST_PUSHED))
        item.itemState |= ODS_SELECTED;
    const UINT ui = UINT(SendMessage(WM_QUERYUISTATE));
    if (ui & UISF_HIDEACCEL)
        item.itemState |= ODS_NOACCEL;
    if (ui & UISF_HIDEFOCUS)
        item.itemState |= ODS_NOFOCUSRECT;
    if (!IsWindowEnabled())
        item.itemState |= ODS_DISABLED;
    DrawItem(&item);
}

void CJQButton::DrawItem(DRAWITEMSTRUCT* item)
{
    if (CJQButtonTheme* theme = GetButtonTheme())
        theme->DrawButton(item, this);
}

BOOL CJQButton::PreCreateWindow(CREATESTRUCTW& cs)
{
    m_bSubclassed = FALSE;
    return CButton::PreCreateWindow(cs);
}

void CJQButton::PreSubclassWindow()
{
    CButton::PreSubclassWindow();
    if (m_bSubclassed)
        InitControl();
}

LRESULT CJQButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTINGCHANGE || message == WM_SYSCOLORCHANGE) {
        if (CJQThemeManagerStyle* style = CJQThemeManagerStyleHost::GetStyle())
            style->RefreshMetrics();
        Invalidate(FALSE);
    }
    return CButton::WindowProc(message, wParam, lParam);
}

int CJQButton::OnCreate(CREATESTRUCTW*)
{
    const int result = int(Default());
    if (result == -1)
        return -1;
    InitControl();
    return result;
}

void CJQButton::OnPaint()
{
    CPaintDC paint(this);
    CJQWBufferDC buffer(paint);
    DrawButton(&buffer);
}

BOOL CJQButton::OnEraseBkgnd(CDC*) { return TRUE; }

void CJQButton::OnMouseMove(UINT, CPoint point)
{
    Default();
    if ((CWnd::GetStyle() & 0xF) == BS_GROUPBOX)
        return;
    CRect client;
    GetClientRect(&client);
    const BOOL hot = client.PtInRect(point);
    if (hot == m_bHot)
        return;
    m_bHot = hot;
    Invalidate(FALSE);
    if (hot) {
        TRACKMOUSEEVENT track {};
        track.cbSize = sizeof track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = m_hWnd;
        track.dwHoverTime = HOVER_DEFAULT;
        ::TrackMouseEvent(&track);
    }
}

void CJQButton::OnMouseLeave()
{
    if (m_bHot) {
        m_bHot = FALSE;
        Invalidate(FALSE);
    }
}

UINT CJQButton::OnGetDlgCode()
{
    if (!m_bOwnerDrawn)
        return UINT(Default());
    UINT code = UINT(DLGC_BUTTON);
    if (::GetFocus() == m_hWnd)
        code |= UINT(DLGC_DEFPUSHBUTTON);
    return code;
}

void CJQButton::OnEnable(BOOL)
{
    Default();
    Invalidate(TRUE);
}

LRESULT CJQButton::OnPrintClient(WPARAM wParam, LPARAM lParam)
{
    if (!(lParam & PRF_CLIENT))
        return Default();
    (void)wParam;
    DrawButton(CDC::FromHandle(reinterpret_cast<HDC>(wParam)));
    return 1;
}

LRESULT CJQButton::OnSetState(WPARAM wParam, LPARAM)
{
    const DWORD style = CWnd::GetStyle();
    const bool visible = style & WS_VISIBLE;
    // Hidden around the default procedure, which would otherwise paint its own pushed look.
    if (visible)
        ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, LONG_PTR(style & ~WS_VISIBLE));
    Default();
    if (visible)
        ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, LONG_PTR(CWnd::GetStyle() | WS_VISIBLE));
    m_bPushed = wParam != 0;
    Invalidate(FALSE);
    return 0;
}

LRESULT CJQButton::OnDefaultThenInvalidate(WPARAM, LPARAM)
{
    const LRESULT result = Default();
    Invalidate(FALSE);
    return result;
}
