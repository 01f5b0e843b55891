#include "toolkit/commandbars/ToolTipWindow.h"

#include "platform/framework/DC.h"
#include "platform/base/Clock.h"
#include "platform/gdi/Icon.h"
#include "platform/gdi/SystemModel.h"
#include "platform/user/Cursors.h"
#include "platform/user/Hooks.h"
#include "platform/user/Input.h"
#include "toolkit/commandbars/RichRender.h"
#include "toolkit/drawing/ColorManager.h"
#include "toolkit/drawing/DrawHelpers.h"
#include "toolkit/drawing/SystemHelpers.h"
#include "toolkit/drawing/images/ImageManager.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr UINT_PTR kShowTimer = 1;
constexpr WCHAR kToolTipClass[] = u"JQWToolTip";
constexpr WCHAR kToolTipClassShadow[] = u"JQWToolTipShadow";

HHOOK s_mouseHook = nullptr;
CJQWToolTipContextToolTip* s_hookOwner = nullptr;

int RoundedMulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0)
        return -1;
    const long long product = (long long)number * numerator;
    const long long half = (denominator > 0 ? denominator : -denominator) / 2;
    return int(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

LPCWSTR RegisterToolTipClass(BOOL shadow)
{
    static bool registered[2] = { false, false };
    const LPCWSTR name = shadow ? kToolTipClassShadow : kToolTipClass;
    if (!registered[shadow ? 1 : 0]) {
        WNDCLASSW cls {};
        cls.style = CS_OWNDC | CS_SAVEBITS | (shadow ? CS_DROPSHADOW : 0);
        cls.lpfnWndProc = AfxWndProc;
        cls.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        cls.lpszClassName = name;
        registered[shadow ? 1 : 0] = ::RegisterClassW(&cls) != 0;
    }
    return name;
}

bool IsRelayedMouseMessage(UINT message)
{
    return (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) || (message >= WM_NCMOUSEMOVE && message <= WM_NCMBUTTONDBLCLK);
}

bool AnyMouseButtonDown()
{
    return (::GetAsyncKeyState(VK_LBUTTON) & 0x8000) || (::GetAsyncKeyState(VK_RBUTTON) & 0x8000)
        || (::GetAsyncKeyState(VK_MBUTTON) & 0x8000);
}

BOOL IsLayoutRTL(HWND window)
{
    return window && (::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0;
}

} // namespace

CJQWToolTipContextToolTip::CJQWToolTipContextToolTip(CJQWToolTipContext* context)
    : m_pContext(context)
{
}

CJQWToolTipContextToolTip::~CJQWToolTipContextToolTip()
{
    RemoveHook();
    if (GetSafeHwnd())
        DestroyWindow();
}

BOOL CJQWToolTipContextToolTip::Create(CWnd* owner, DWORD style)
{
    BOOL shadow = !(style & JQW_TTS_NOSHADOW);
    if (shadow) {
        BOOL system = FALSE;
        ::SystemParametersInfoW(SPI_GETDROPSHADOW, 0, &system, 0);
        shadow = system;
    }
    m_dwStyleBits = style;
    m_hwndOwner = owner ? owner->GetSafeHwnd() : nullptr;
    return CreateEx(WS_EX_TOOLWINDOW, RegisterToolTipClass(shadow), nullptr, WS_POPUP | style, CRect(0, 0, 0, 0), owner, 0);
}

CJQWToolTipContextToolTip* CJQWToolTipContextToolTip::GetHookOwner()
{
    return s_hookOwner;
}

void CJQWToolTipContextToolTip::InstallHook()
{
    if (s_mouseHook)
        return;
    s_mouseHook = ::SetWindowsHookExW(WH_MOUSE, &MouseHookProc, nullptr, ::GetCurrentThreadId());
    if (s_mouseHook)
        s_hookOwner = this;
}

void CJQWToolTipContextToolTip::RemoveHook()
{
    if (s_hookOwner != this)
        return;
    ::UnhookWindowsHookEx(s_mouseHook);
    s_mouseHook = nullptr;
    s_hookOwner = nullptr;
}

LRESULT CJQWToolTipContextToolTip::MouseHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    const HHOOK hook = s_mouseHook;
    if (code == HC_ACTION && s_hookOwner && !s_hookOwner->m_shown.IsEmpty()) {
        const auto* mouse = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
        const HWND under = CJQWToolTipContext::WindowFromPointForTips(mouse->pt);
        if (under != s_hookOwner->m_shown.hwnd) {
            MSG msg {};
            msg.hwnd = under;
            msg.message = WM_MOUSEMOVE;
            msg.pt = mouse->pt;
            s_hookOwner->OnRelayEvent(&msg);
        }
    }
    return ::CallNextHookEx(hook, code, wParam, lParam);
}

CJQWToolTipContextToolTip::TOOLITEM* CJQWToolTipContextToolTip::FindTool(const TOOLINFO* info)
{
    for (auto& tool : m_tools)
        if (tool->hwnd == info->hwnd && tool->uId == info->uId)
            return tool.get();
    return nullptr;
}

LRESULT CJQWToolTipContextToolTip::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case TTM_ADDTOOLW: {
        const auto* info = reinterpret_cast<const TOOLINFO*>(lParam);
        if (!info)
            return FALSE;
        auto tool = std::make_unique<TOOLITEM>();
        tool->bCallback = info->lpszText == LPSTR_TEXTCALLBACKW;
        if (!tool->bCallback && info->lpszText)
            tool->strText = info->lpszText;
        tool->uFlags = info->uFlags;
        tool->rect = info->rect;
        tool->hinst = info->hinst;
        tool->hwnd = info->hwnd;
        tool->uId = info->uId;
        if (info->cbSize >= JQW_TOOLINFO_SIZE_EX && info->lParam) {
            const auto* extended = reinterpret_cast<const JQW_TOOLTIP_EXTENDED_INFO*>(info->lParam);
            tool->rcAnchor = extended->rcAnchor;
        }
        m_tools.push_back(std::move(tool));
        return TRUE;
    }
    case TTM_DELTOOLW: {
        const auto* info = reinterpret_cast<const TOOLINFO*>(lParam);
        TOOLITEM* tool = info ? FindTool(info) : nullptr;
        if (!tool)
            return 0;
        if (tool->IsSameTool(m_shown))
            ShowTool(TOOLITEM());
        if (tool->IsSameTool(m_suppressed))
            m_suppressed = TOOLITEM();
        if (tool->IsSameTool(m_pending))
            m_pending = TOOLITEM();
        m_tools.erase(std::find_if(m_tools.begin(), m_tools.end(), [&](auto& t) { return t.get() == tool; }));
        return 0;
    }
    case TTM_UPDATETIPTEXTW: {
        const auto* info = reinterpret_cast<const TOOLINFO*>(lParam);
        if (TOOLITEM* tool = info ? FindTool(info) : nullptr) {
            tool->bCallback = info->lpszText == LPSTR_TEXTCALLBACKW;
            tool->strText = tool->bCallback || !info->lpszText ? CString() : CString(info->lpszText);
        }
        return 0;
    }
    case TTM_SETTITLEW:
        m_strTitle = lParam ? CString(reinterpret_cast<const WCHAR*>(lParam)) : CString();
        return TRUE;
    case TTM_SETDELAYTIME:
        if (wParam == TTDT_INITIAL)
            m_nDelayInitial = LOWORD(lParam);
        else if (wParam == TTDT_RESHOW)
            m_nDelayReshow = LOWORD(lParam);
        return 0;
    case TTM_ACTIVATE:
        m_bActive = wParam != 0;
        if (!m_bActive) {
            if (m_nTimer)
                KillTimer(m_nTimer);
            m_nTimer = 0;
            m_pending = TOOLITEM();
            if (IsWindowVisible())
                ShowTool(TOOLITEM());
        }
        return 0;
    case TTM_RELAYEVENT:
        if (lParam)
            OnRelayEvent(reinterpret_cast<const MSG*>(lParam));
        return 0;
    case TTM_WINDOWFROMPOINT:
        return lParam ? LRESULT(CJQWToolTipContext::WindowFromPointForTips(*reinterpret_cast<const POINT*>(lParam))) : 0;
    case JQWM_TOOLTIP_SET_IMAGE:
        m_pImage = reinterpret_cast<CJQWImageManagerIcon*>(lParam);
        return 0;
    case WM_TIMER:
        if (wParam == kShowTimer) {
            TOOLITEM under;
            POINT cursor;
            ::GetCursorPos(&cursor);
            if (!m_pending.IsEmpty() && ToolUnderCursor(cursor, under) && under.IsSameTool(m_pending))
                ShowTool(m_pending);
            if (m_nTimer)
                KillTimer(m_nTimer);
            m_nTimer = 0;
            m_pending = TOOLITEM();
            return 0;
        }
        break;
    case WM_PAINT:
        OnPaintTip();
        return 0;
    case WM_MOUSEMOVE:
        ShowTool(TOOLITEM());
        return 0;
    case WM_ERASEBKGND:
        return TRUE;
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_DESTROY:
        RemoveHook();
        break;
    default:
        if (message >= TTM_ACTIVATE && message <= TTM_GETCURRENTTOOLW)
            return 0; // widths, margins and colours come from the context
        break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

BOOL CJQWToolTipContextToolTip::ToolUnderCursor(POINT point, TOOLITEM& found)
{
    const HWND under = CJQWToolTipContext::WindowFromPointForTips(point);
    for (auto& tool : m_tools) {
        if (!::IsWindow(tool->hwnd))
            continue;
        CRect rect;
        if (tool->uFlags & TTF_IDISHWND) {
            ::GetWindowRect(HWND(tool->uId), &rect);
        } else {
            rect = tool->rect;
            ::MapWindowPoints(tool->hwnd, nullptr, reinterpret_cast<POINT*>(&rect), 2);
            rect.NormalizeRect();
        }
        if (!rect.PtInRect(point))
            continue;
        if (!(tool->uFlags & TTF_IDISHWND) && tool->hwnd != under)
            continue;
        found = *tool;
        return TRUE;
    }
    return FALSE;
}

void CJQWToolTipContextToolTip::OnRelayEvent(const MSG* msg)
{
    if (!m_bActive || !IsRelayedMouseMessage(msg->message))
        return;
    TOOLITEM tool;
    BOOL hasTool = FALSE;
    if (msg->message == WM_LBUTTONDOWN) {
        // The pressed tool stays quiet until the cursor leaves it.
        if (ToolUnderCursor(msg->pt, tool))
            m_suppressed = tool;
    } else if (!AnyMouseButtonDown()) {
        hasTool = ToolUnderCursor(msg->pt, tool);
        if (hasTool && tool.IsSameTool(m_suppressed))
            hasTool = FALSE;
        else
            m_suppressed = TOOLITEM();
    }

    if (m_nTimer && (!hasTool || !tool.IsSameTool(m_pending))) {
        KillTimer(m_nTimer);
        m_nTimer = 0;
        m_pending = TOOLITEM();
    }
    if (!hasTool) {
        if (!m_shown.IsEmpty())
            ShowTool(TOOLITEM());
        return;
    }
    if (tool.IsSameTool(m_shown))
        return;
    const DWORD now = ::GetTickCount();
    if (!m_bEverShownOrHidden || now - m_dwLastShowHide >= DWORD(m_nDelayReshow)) {
        if (!tool.IsSameTool(m_pending) || !m_nTimer) {
            m_pending = tool;
            m_nTimer = SetTimer(kShowTimer, UINT(m_nDelayInitial), nullptr);
        }
        return;
    }
    ShowTool(tool);
}

void CJQWToolTipContextToolTip::ShowTool(const TOOLITEM& requested)
{
    TOOLITEM tool = requested;
    if (!tool.IsEmpty() && tool.IsSameTool(m_shown))
        return;
    CSize size(0, 0);
    if (!tool.IsEmpty())
        size = CalcTipSize(tool);
    if (size.cx <= 0 || size.cy <= 0)
        tool = TOOLITEM();
    if (tool.IsEmpty() && m_shown.IsEmpty() && !IsWindowVisible())
        return;

    SetWindowPos(nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!tool.IsEmpty()) {
        POINT cursor;
        ::GetCursorPos(&cursor);
        CRect tip;
        if (tool.rcAnchor.IsRectEmpty()) {
            tip = CRect(CPoint(cursor.x, cursor.y + GetCursorDepth()), size);
            if (IsLayoutRTL(tool.hwnd))
                tip.OffsetRect(-size.cx, 0);
        } else {
            POINT at { tool.rect.left, tool.rcAnchor.bottom };
            ::ClientToScreen(tool.hwnd, &at);
            tip = CRect(CPoint(at), size);
        }
        const CRect work = GetMultiMonitor().WorkAreaAtPoint(cursor);
        if (tip.right > work.right - 4)
            tip.OffsetRect(work.right - 4 - tip.right, 0);
        if (tip.left < work.left)
            tip.OffsetRect(work.left - tip.left, 0);
        if (tip.bottom > work.bottom - 4)
            tip.OffsetRect(0, cursor.y - 3 - tip.bottom);
        m_shown = tool;
        ::SetWindowPos(m_hWnd, HWND_TOPMOST, tip.left, tip.top, tip.Width(), tip.Height(), SWP_SHOWWINDOW | SWP_NOACTIVATE);
        Invalidate();
        InstallHook();
        m_suppressed = TOOLITEM();
    } else {
        m_shown = TOOLITEM();
        RemoveHook();
        m_pending = TOOLITEM();
    }
    m_dwLastShowHide = ::GetTickCount();
    m_bEverShownOrHidden = TRUE;
}

CString CJQWToolTipContextToolTip::GetToolText(TOOLITEM& tool)
{
    if (!tool.bCallback)
        return tool.strText;
    NMTTDISPINFOW info {};
    info.hdr.hwndFrom = GetSafeHwnd();
    info.hdr.idFrom = tool.uId;
    info.hdr.code = TTN_GETDISPINFOW;
    info.uFlags = tool.uFlags;
    info.lParam = tool.lParam;
    const HWND owner = m_hwndOwner ? m_hwndOwner : ::GetParent(GetSafeHwnd());
    ::SendMessageW(owner, WM_NOTIFY, tool.uId, LPARAM(&info));
    CString text = info.lpszText && info.lpszText != LPSTR_TEXTCALLBACKW ? CString(info.lpszText) : CString(info.szText);
    if (!(m_dwStyleBits & TTS_NOPREFIX))
        StripMnemonics(text);
    return text;
}

CSize CJQWToolTipContextToolTip::CalcTipSize(TOOLITEM& tool)
{
    tool.strText = GetToolText(tool);
    tool.bCallback = FALSE;
    if (tool.strText.IsEmpty())
        return CSize(0, 0);
    const CRect margin = m_pContext->GetMargin();
    const int spaceX = margin.left + margin.right + 6;
    const int spaceY = margin.top + margin.bottom + 6;
    const int maxWidth = m_pContext->GetMaxTipWidth();

    CClientDC dc(this);
    CFont* old = dc.SelectObject(m_pContext->GetFont());
    CRect text(0, 0, maxWidth - spaceX, 0);
    dc.DrawText(tool.strText, &text, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    CSize size = text.Size();

    const CSize image = m_pImage ? m_pImage->GetExtent() : CSize(0, 0);
    const BOOL largeImage = m_pImage && image.cy > 16;
    if (m_pImage) {
        if (largeImage)
            size.cx += image.cx + 5;
        else if (m_strTitle.IsEmpty())
            size.cx += image.cx + 3;
        size.cy = std::max(size.cy, int(image.cy));
    }
    if (!m_strTitle.IsEmpty()) {
        dc.SelectObject(m_pContext->GetBoldFont());
        CRect title(0, 0, maxWidth - spaceX - 25, 0);
        dc.DrawText(m_strTitle, &title, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        size.cx += 25;
        const int smallImage = m_pImage && !largeImage ? image.cx + 1 : 0;
        size.cx = std::max(int(size.cx), smallImage + title.Width() + 4);
        size.cy += title.Height() + 20;
    }
    dc.SelectObject(old);
    return CSize(size.cx + spaceX, size.cy + spaceY);
}

void CJQWToolTipContextToolTip::DrawBackground(CDC* dc, CRect rect)
{
    dc->FillSolidRect(&rect, m_pContext->GetTipBackColor());
    const COLORREF topLeft = (m_dwStyleBits & JQW_TTS_BUTTONFACEBORDER) ? GetColorManager()->GetColor(COLOR_3DFACE) : RGB(0, 0, 0);
    dc->Draw3dRect(&rect, topLeft, RGB(0, 0, 0));
}

void CJQWToolTipContext::CLunaToolTip::DrawBackground(CDC* dc, CRect rect)
{
    COLORREF from = RGB(255, 212, 151);
    COLORREF border;
    switch (GetColorManager()->GetCurrentSystemTheme()) {
    case 1:
        border = RGB(0, 0, 128);
        break;
    case 2:
        border = RGB(63, 93, 56);
        break;
    case 3:
        border = RGB(75, 75, 111);
        break;
    default:
        from = m_pContext->GetTipBackColor();
        border = RGB(0, 0, 0);
        break;
    }
    const COLORREF to = from == RGB(255, 212, 151) ? RGB(255, 242, 200) : RGB(255, 255, 255);
    GetDrawHelpers()->GradientFill(dc->GetSafeHdc(), &rect, from, to, FALSE);
    dc->Draw3dRect(&rect, border, border);
}

void CJQWToolTipContext::COffice2007ToolTip::DrawBackground(CDC* dc, CRect rect)
{
    GetDrawHelpers()->GradientFill(dc->GetSafeHdc(), &rect, RGB(255, 255, 255), RGB(201, 217, 239), FALSE);
    dc->Draw3dRect(&rect, RGB(118, 118, 118), RGB(118, 118, 118));
}

void CJQWToolTipContextToolTip::DrawContent(CDC* dc, TOOLITEM& tool, CRect rect)
{
    const CRect margin = m_pContext->GetMargin();
    CRect content(rect.left + margin.left + 3, rect.top + margin.top + 3, rect.right - margin.right - 3,
        rect.bottom - margin.bottom - 3);
    const BOOL rtl = IsLayoutRTL(tool.hwnd);
    const UINT format = rtl ? DT_RIGHT | DT_RTLREADING | DT_NOPREFIX : DT_NOPREFIX;
    CRect title(content.left + 2, content.top + 2, content.right - 2, content.bottom);
    CRect body = content;

    const CSize image = m_pImage ? m_pImage->GetExtent() : CSize(0, 0);
    const BOOL largeImage = m_pImage && image.cy > 16;
    if (m_pImage && !largeImage) {
        const int x = rtl ? content.right - image.cx : content.left;
        m_pImage->DrawNormalImage(dc->GetSafeHdc(), x, content.top);
        if (m_strTitle.IsEmpty())
            (rtl ? body.right -= image.cx + 3 : body.left += image.cx + 3);
        else
            (rtl ? title.right -= image.cx + 1 : title.left += image.cx + 1);
    }
    if (!m_strTitle.IsEmpty()) {
        CFont* old = dc->SelectObject(m_pContext->GetBoldFont());
        CRect measured = title;
        dc->DrawText(m_strTitle, &measured, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        dc->DrawText(m_strTitle, &title, format | DT_SINGLELINE);
        dc->SelectObject(old);
        body.top += measured.Height() + 12;
        body.left += rtl ? 15 : 10;
        body.right -= rtl ? 10 : 15;
    }
    if (largeImage) {
        const int x = rtl ? body.right - image.cx : body.left;
        m_pImage->DrawNormalImage(dc->GetSafeHdc(), x, body.top);
        (rtl ? body.right -= image.cx + 5 : body.left += image.cx + 5);
    }
    dc->DrawText(tool.strText, &body, format | DT_WORDBREAK);
}

void CJQWToolTipContextToolTip::OnPaintTip()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    DrawBackground(&dc, client);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(m_pContext->GetTipTextColor());
    CFont* old = dc.SelectObject(m_pContext->GetFont());
    DrawContent(&dc, m_shown, client);
    dc.SelectObject(old);
}

int CJQWToolTipContextToolTip::CursorDepthFromMask(const BYTE* bits, int bytes, int width, int height, BOOL monochrome,
    int hotSpotY)
{
    if (width <= 0 || height <= 0)
        return 21;
    BYTE buffer[256];
    std::memset(buffer, 0xFF, sizeof(buffer));
    std::memcpy(buffer, bits, size_t(std::clamp(bytes, 0, 256)));
    auto word = [&](int index) { return WORD(buffer[index * 2] | (buffer[index * 2 + 1] << 8)); };

    int n = RoundedMulDiv(width, height, 16);
    int xorIndex = 0;
    if (monochrome) {
        xorIndex = n - 1 >= 128 ? 0 : n - 1;
        n /= 2;
    }
    int j = n >= 128 ? 126 : n - 1;
    while (j >= 0 && word(j) == 0xFFFF) {
        if (xorIndex > 0) {
            const WORD xorWord = word(xorIndex);
            --xorIndex;
            if (xorWord != 0)
                break;
        }
        --j;
    }
    return RoundedMulDiv(j + 1, 16, width) - hotSpotY;
}

int CJQWToolTipContextToolTip::GetCursorDepth()
{
    ICONINFO info {};
    if (!::GetIconInfo(::GetCursor(), &info) || !info.hbmMask)
        return 21;
    const BOOL monochrome = info.hbmColor == nullptr;
    int depth = 21;
    BITMAP bitmap {};
    if (::GetObjectW(info.hbmMask, sizeof(bitmap), &bitmap) && bitmap.bmWidth > 0 && bitmap.bmHeight > 0) {
        // The mask rows as words (2-byte aligned), top row first.
        const int wordRow = ((bitmap.bmWidth + 15) / 16) * 2;
        const int dwordRow = ((bitmap.bmWidth + 31) / 32) * 4;
        std::vector<BYTE> dib(size_t(dwordRow) * size_t(bitmap.bmHeight));
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colors[2];
        } bmi {};
        bmi.header.biSize = sizeof(BITMAPINFOHEADER);
        bmi.header.biWidth = bitmap.bmWidth;
        bmi.header.biHeight = -bitmap.bmHeight;
        bmi.header.biPlanes = 1;
        bmi.header.biBitCount = 1;
        bmi.header.biCompression = BI_RGB;
        const HDC screen = ::GetDC(nullptr);
        const int lines = ::GetDIBits(screen, info.hbmMask, 0, UINT(bitmap.bmHeight), dib.data(),
            reinterpret_cast<BITMAPINFO*>(&bmi), DIB_RGB_COLORS);
        ::ReleaseDC(nullptr, screen);
        if (lines > 0) {
            std::vector<BYTE> words;
            for (int row = 0; row < bitmap.bmHeight && int(words.size()) < 256; ++row)
                words.insert(words.end(), dib.begin() + row * dwordRow, dib.begin() + row * dwordRow + wordRow);
            depth = CursorDepthFromMask(words.data(), int(words.size()), bitmap.bmWidth, bitmap.bmHeight, monochrome,
                int(info.yHotspot));
        }
    }
    ::DeleteObject(info.hbmMask);
    if (info.hbmColor)
        ::DeleteObject(info.hbmColor);
    return depth;
}

CJQWToolTipContext::CRichEditToolTip::CRichEditToolTip(CJQWToolTipContext* context)
    : CJQWToolTipContextToolTip(context)
    , m_pRender(std::make_unique<CJQWRichRender>())
{
}

CJQWToolTipContext::CRichEditToolTip::~CRichEditToolTip() = default;

CSize CJQWToolTipContext::CRichEditToolTip::CalcTipSize(TOOLITEM& tool)
{
    if (!m_pRender->IsAvailable() || tool.strText.IsEmpty())
        return CSize(0, 0);
    CHARFORMATW format {};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_COLOR;
    format.crTextColor = m_pContext->GetTipTextColor();
    LOGFONTW font {};
    if (m_pContext->GetFont()->GetLogFont(&font)) {
        format.dwMask |= CFM_FACE | CFM_SIZE;
        std::memcpy(format.szFaceName, font.lfFaceName, sizeof(format.szFaceName));
        format.yHeight = -RoundedMulDiv(font.lfHeight, 1440, 96);
    }
    m_pRender->SetDefaultCharFormat(format);
    m_pRender->SetText(tool.strText);
    const CRect margin = m_pContext->GetMargin();
    const int spaceX = margin.left + margin.right + 6;
    const int spaceY = margin.top + margin.bottom + 6;
    CClientDC dc(this);
    const CSize size = m_pRender->GetTextExtent(&dc, m_pContext->GetMaxTipWidth() - spaceX);
    if (size.cx <= 0 || size.cy <= 0)
        return CSize(0, 0);
    return CSize(size.cx + spaceX, size.cy + spaceY);
}

void CJQWToolTipContext::CRichEditToolTip::DrawContent(CDC* dc, TOOLITEM&, CRect rect)
{
    const CRect margin = m_pContext->GetMargin();
    m_pRender->Draw(dc, CRect(rect.left + margin.left + 3, rect.top + margin.top + 3, rect.right - margin.right - 3,
                            rect.bottom - margin.bottom - 3));
}
