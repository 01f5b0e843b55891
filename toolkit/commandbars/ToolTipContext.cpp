#include "toolkit/commandbars/ToolTipContext.h"

#include "platform/gdi/SystemModel.h"
#include "platform/user/Input.h"
#include "toolkit/commandbars/ToolTipWindow.h"
#include "toolkit/drawing/ColorManager.h"
#include "toolkit/drawing/DrawHelpers.h"
#include "toolkit/drawing/SystemHelpers.h"
#include "toolkit/drawing/images/ImageManager.h"

#include <cstring>

namespace {

WCHAR* HeapCopy(const CString& text)
{
    const int length = text.GetLength();
    auto* copy = new WCHAR[size_t(length) + 1];
    std::memcpy(copy, text.GetString(), sizeof(WCHAR) * size_t(length));
    copy[length] = 0;
    return copy;
}

HWND ParentOrOwner(HWND window)
{
    if (::GetWindowLongW(window, GWL_STYLE) & WS_CHILD)
        return ::GetParent(window);
    return ::GetWindow(window, GW_OWNER);
}

HWND TopLevelParentOrOwner(HWND window)
{
    HWND top = window;
    for (HWND up = ParentOrOwner(window); up; up = ParentOrOwner(up))
        top = up;
    return top;
}

bool IsMouseMoveOrRelease(UINT message)
{
    return message == WM_MOUSEMOVE || message == WM_NCMOUSEMOVE || message == WM_LBUTTONUP || message == WM_RBUTTONUP
        || message == WM_MBUTTONUP;
}

bool IsKeyOrPress(UINT message)
{
    if (message >= WM_KEYFIRST && message <= WM_SYSDEADCHAR)
        return true;
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONDBLCLK:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONDBLCLK:
        return true;
    default:
        return false;
    }
}

bool AnyMouseButtonDown()
{
    return (::GetAsyncKeyState(VK_LBUTTON) & 0x8000) || (::GetAsyncKeyState(VK_RBUTTON) & 0x8000)
        || (::GetAsyncKeyState(VK_MBUTTON) & 0x8000);
}

// Frees what a hit test put on the heap; the platform's callback marker and resource texts
// (instance handle given) are not the context's.
void FreeToolInfoTexts(TOOLINFO& info, JQW_TOOLTIP_EXTENDED_INFO& extended)
{
    if (info.lpszText && info.lpszText != LPSTR_TEXTCALLBACKW && !info.hinst)
        delete[] info.lpszText;
    info.lpszText = nullptr;
    delete[] extended.pszDescription;
    delete[] extended.pszTitleText;
    extended.pszDescription = nullptr;
    extended.pszTitleText = nullptr;
}

bool SameTool(const TOOLINFO& a, const TOOLINFO& b)
{
    return a.hwnd == b.hwnd && a.uId == b.uId;
}

} // namespace

LRESULT CJQWToolTipContext::CStandardToolTip::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == TTM_WINDOWFROMPOINT && lParam) {
        const HWND platform = HWND(CWnd::WindowProc(message, wParam, lParam));
        if (platform && (::GetWindowLongW(platform, GWL_STYLE) & WS_CHILD)
            && ::SendMessageW(platform, JQWM_TOOLTIP_PASS_TO_PARENT, 0, 0) == 1)
            return LRESULT(::GetParent(platform));
        return LRESULT(platform);
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

CJQWToolTipContext::CJQWToolTipContext()
{
    m_dwComCtlVersion = GetComCtlVersion();
    m_nMaxTipWidth = ::GetSystemMetrics(SM_CXSCREEN) / 2;
    NONCLIENTMETRICSW metrics {};
    metrics.cbSize = sizeof(metrics);
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    LOGFONTW font = metrics.lfStatusFont;
    font.lfWeight = FW_NORMAL;
    m_fntNormal.CreateFontIndirect(&font);
    font.lfWeight = FW_BOLD;
    m_fntBold.CreateFontIndirect(&font);
}

CJQWToolTipContext::~CJQWToolTipContext()
{
    DestroyToolTipWindow();
}

void CJQWToolTipContext::DestroyToolTipWindow()
{
    if (!m_pToolTip)
        return;
    if (m_pToolTip->GetSafeHwnd())
        m_pToolTip->DestroyWindow();
    delete m_pToolTip;
    m_pToolTip = nullptr;
    m_lastInfo = TOOLINFO {};
}

void CJQWToolTipContext::SetStyle(int style)
{
    if (style == m_nStyle)
        return;
    if (style == jqwToolTipBalloon && m_dwComCtlVersion < MAKELONG(80, 5))
        return;
    DestroyToolTipWindow();
    m_nStyle = style;
    if (style == jqwToolTipPlain)
        m_dwStyle |= JQW_TTS_BUTTONFACEBORDER | JQW_TTS_NOSHADOW;
    else
        m_dwStyle &= ~(JQW_TTS_BUTTONFACEBORDER | JQW_TTS_NOSHADOW);
}

void CJQWToolTipContext::ModifyToolTipStyle(DWORD remove, DWORD add)
{
    const DWORD style = (m_dwStyle | add) & ~remove;
    if (style == m_dwStyle)
        return;
    m_dwStyle = style;
    DestroyToolTipWindow();
}

int CJQWToolTipContext::GetMaxTipWidth() const
{
    return m_nMaxTipWidth == -1 ? ::GetSystemMetrics(SM_CXSCREEN) : m_nMaxTipWidth;
}

void CJQWToolTipContext::SetDelayTime(WPARAM which, int milliseconds)
{
    if (which == TTDT_INITIAL)
        m_nDelayInitial = milliseconds;
    else if (which == TTDT_RESHOW)
        m_nDelayReshow = milliseconds;
    else if (which == TTDT_AUTOPOP)
        m_nDelayAutoPop = milliseconds;
}

COLORREF CJQWToolTipContext::GetTipBackColor() const
{
    return m_clrBack != COLORREF(-1) ? m_clrBack : GetColorManager()->GetColor(COLOR_INFOBK);
}

COLORREF CJQWToolTipContext::GetTipTextColor() const
{
    if (m_clrText != COLORREF(-1))
        return m_clrText;
    if (m_nStyle == jqwToolTipOffice2007)
        return RGB(0x4C, 0x4C, 0x4C);
    return GetColorManager()->GetColor(COLOR_INFOTEXT);
}

CWnd* CJQWToolTipContext::CreateToolTipWindow(CWnd* owner)
{
    const DWORD bits = m_dwStyle | TTS_ALWAYSTIP | TTS_NOPREFIX;
    CJQWToolTipContextToolTip* custom = nullptr;
    switch (m_nStyle) {
    case jqwToolTipPlain:
        custom = new CJQWToolTipContextToolTip(this);
        break;
    case jqwToolTipRichText:
        custom = new CRichEditToolTip(this);
        break;
    case jqwToolTipLuna:
        custom = new CLunaToolTip(this);
        break;
    case jqwToolTipOffice2007:
        custom = new COffice2007ToolTip(this);
        break;
    default:
        break;
    }
    if (custom) {
        if (custom->Create(owner, bits))
            return custom;
        delete custom;
        return nullptr;
    }
    auto* standard = new CStandardToolTip;
    const DWORD style = WS_POPUP | bits | (m_nStyle == jqwToolTipBalloon ? TTS_BALLOON : 0);
    if (!standard->CreateEx(WS_EX_TOOLWINDOW, TOOLTIPS_CLASS, nullptr, style, CRect(0, 0, 0, 0), owner, 0)) {
        delete standard;
        return nullptr;
    }
    standard->SendMessage(WM_SETFONT, WPARAM(HFONT(m_fntNormal)), FALSE);
    return standard;
}

void CJQWToolTipContext::RelayToolTipMessage(CWnd* window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg {};
    msg.hwnd = window->GetSafeHwnd();
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    ::GetCursorPos(&msg.pt);
    FilterToolTipMessage(window, &msg);
}

BOOL CJQWToolTipContext::IsTopLevelParentActive(CWnd* window)
{
    const HWND top = TopLevelParentOrOwner(window->GetSafeHwnd());
    return ::GetForegroundWindow() == ::GetLastActivePopup(top);
}

void CJQWToolTipContext::CancelToolTips()
{
    if (m_pToolTip && m_pToolTip->GetSafeHwnd())
        m_pToolTip->SendMessage(TTM_ACTIVATE, FALSE, 0);
}

HWND CJQWToolTipContext::WindowFromPointForTips(POINT point)
{
    HWND window = ::WindowFromPoint(point);
    if (window && (::GetWindowLongW(window, GWL_STYLE) & WS_CHILD)
        && ::SendMessageW(window, JQWM_TOOLTIP_PASS_TO_PARENT, 0, 0) == 1)
        window = ::GetParent(window);
    return window;
}

void CJQWToolTipContext::RelayEvent(const MSG* msg)
{
    MSG relayed = *msg;
    POINT at = msg->pt;
    if (HWND under = HWND(m_pToolTip->SendMessage(TTM_WINDOWFROMPOINT, 0, LPARAM(&at)))) {
        relayed.hwnd = under;
        if (msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST) {
            POINT client = msg->pt;
            ::ScreenToClient(under, &client);
            relayed.lParam = MAKELPARAM(client.x, client.y);
        }
    }
    m_pToolTip->SendMessage(TTM_RELAYEVENT, 0, LPARAM(&relayed));
}

void CJQWToolTipContext::FilterToolTipMessage(CWnd* window, const MSG* msg)
{
    if (IsKeyOrPress(msg->message)) {
        CancelToolTips();
        return;
    }
    if (!IsMouseMoveOrRelease(msg->message) || AnyMouseButtonDown())
        return;

    const BOOL active = IsTopLevelParentActive(window);
    if (m_pToolTip && m_pToolTip->GetSafeHwnd() && m_pToolTip->IsWindowVisible() && !active) {
        CancelToolTips();
        return;
    }

    CWnd* owner = CWnd::FromHandle(ParentOrOwner(window->GetSafeHwnd()));
    if (m_pToolTip && m_hwndOwner != owner->GetSafeHwnd())
        DestroyToolTipWindow();
    if (!m_pToolTip) {
        m_pToolTip = CreateToolTipWindow(owner);
        if (!m_pToolTip)
            return;
        m_hwndOwner = owner->GetSafeHwnd();
        m_pToolTip->SendMessage(TTM_SETMAXTIPWIDTH, 0, GetMaxTipWidth());
        m_pToolTip->SendMessage(TTM_SETMARGIN, 0, LPARAM(static_cast<const RECT*>(&m_rcMargin)));
        if (m_clrBack != COLORREF(-1))
            m_pToolTip->SendMessage(TTM_SETTIPBKCOLOR, m_clrBack, 0);
        if (m_clrText != COLORREF(-1))
            m_pToolTip->SendMessage(TTM_SETTIPTEXTCOLOR, m_clrText, 0);
        if (m_nDelayReshow != -1)
            m_pToolTip->SendMessage(TTM_SETDELAYTIME, TTDT_RESHOW, LOWORD(m_nDelayReshow));
        if (m_nDelayInitial != -1)
            m_pToolTip->SendMessage(TTM_SETDELAYTIME, TTDT_INITIAL, LOWORD(m_nDelayInitial));
        if (m_nDelayAutoPop != -1)
            m_pToolTip->SendMessage(TTM_SETDELAYTIME, TTDT_AUTOPOP, LOWORD(m_nDelayAutoPop));
        m_pToolTip->SendMessage(TTM_ACTIVATE, FALSE, 0);
    }

    const bool extendedForm = m_bShowTitleAndDescription || m_bShowImage;
    TOOLINFO info {};
    JQW_TOOLTIP_EXTENDED_INFO extended {};
    info.cbSize = extendedForm ? JQW_TOOLINFO_SIZE_EX : JQW_TOOLINFO_SIZE;
    if (extendedForm)
        info.lParam = LPARAM(&extended);
    CPoint point = msg->pt;
    window->ScreenToClient(&point);
    INT_PTR hit = -1;
    if (const auto* host = dynamic_cast<const CJQWToolTipHost*>(window))
        hit = host->OnToolHitTest(point, &info);

    if (m_bShowTitleAndDescription && extended.pszDescription && extended.pszTitleText
        && CString(extended.pszDescription) == CString(extended.pszTitleText)) {
        delete[] extended.pszDescription;
        extended.pszDescription = nullptr;
    }
    if (!(m_dwStyle & TTS_NOPREFIX)) {
        if (info.lpszText && info.lpszText != LPSTR_TEXTCALLBACKW && !info.hinst)
            StripMnemonicsFromBuffer(info.lpszText);
        if (extended.pszDescription)
            StripMnemonicsFromBuffer(extended.pszDescription);
    }

    const bool sameTool = hit != -1 && m_lastInfo.cbSize != 0 && SameTool(info, m_lastInfo);
    if (sameTool && CRect(info.rect) == CRect(m_lastInfo.rect)) {
        RelayEvent(msg);
        FreeToolInfoTexts(info, extended);
        return;
    }

    if (sameTool)
        m_pToolTip->SendMessage(TTM_DELTOOL, 0, LPARAM(&m_lastInfo));
    if (hit == -1) {
        m_pToolTip->SendMessage(TTM_ACTIVATE, FALSE, 0);
    } else {
        const UINT toolkitFlags = info.uFlags;
        info.uFlags &= ~(JQW_TTF_ALWAYSSHOW | JQW_TTF_TOOLKIT);
        m_pToolTip->SendMessage(TTM_ADDTOOL, 0, LPARAM(&info));
        if (m_nStyle != jqwToolTipRichText && (m_dwComCtlVersion >= MAKELONG(80, 5) || m_nStyle != jqwToolTipStandard)) {
            if (m_bShowTitleAndDescription && extended.pszDescription && extended.pszTitleText) {
                m_pToolTip->SendMessage(TTM_SETTITLE, WPARAM(m_nTitleIcon), LPARAM(extended.pszTitleText));
                TOOLINFO body = info;
                body.lpszText = extended.pszDescription;
                m_pToolTip->SendMessage(TTM_UPDATETIPTEXT, 0, LPARAM(&body));
            } else {
                m_pToolTip->SendMessage(TTM_SETTITLE, 0, LPARAM(u""));
            }
        }
        if (m_bShowImage) {
            CJQWImageManagerIcon* icon = extended.pImageManager
                ? extended.pImageManager->GetImage(UINT(m_nImageIdOffset + int(info.uId)), 0)
                : nullptr;
            m_pToolTip->SendMessage(JQWM_TOOLTIP_SET_IMAGE, 0, LPARAM(icon));
        }
        if ((toolkitFlags & JQW_TTF_ALWAYSSHOW) || active) {
            m_pToolTip->SendMessage(TTM_ACTIVATE, TRUE, 0);
            ::SetWindowPos(m_pToolTip->GetSafeHwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
        }
    }

    RelayEvent(msg);
    if (!sameTool && m_lastInfo.cbSize != 0)
        m_pToolTip->SendMessage(TTM_DELTOOL, 0, LPARAM(&m_lastInfo));
    m_lastInfo = info;
    m_lastInfo.lpszText = nullptr;
    m_lastInfo.lParam = 0;
    if (hit == -1)
        m_lastInfo.cbSize = 0;
    FreeToolInfoTexts(info, extended);
}

void CJQWToolTipContext::FillToolInfo(TOOLINFO* toolInfo, HWND window, const CRect& rect, UINT_PTR id, const CString& text)
{
    if (!toolInfo || toolInfo->cbSize < JQW_TOOLINFO_SIZE)
        return;
    toolInfo->hwnd = window;
    toolInfo->uId = id;
    toolInfo->rect = rect;
    toolInfo->lpszText = HeapCopy(text);
}

void CJQWToolTipContext::FillToolInfoEx(TOOLINFO* toolInfo, HWND window, const CRect& rect, UINT_PTR id,
    const CString& text, const CString& titleText, const CString& description, CJQWImageManager* images)
{
    FillToolInfo(toolInfo, window, rect, id, text);
    if (!toolInfo || toolInfo->cbSize < JQW_TOOLINFO_SIZE_EX || !toolInfo->lParam)
        return;
    auto* extended = reinterpret_cast<JQW_TOOLTIP_EXTENDED_INFO*>(toolInfo->lParam);
    if (!description.IsEmpty() && !titleText.IsEmpty()) {
        extended->pszDescription = HeapCopy(description);
        extended->pszTitleText = HeapCopy(titleText);
    }
    extended->pImageManager = images;
}
