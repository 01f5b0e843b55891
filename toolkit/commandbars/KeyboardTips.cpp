#include "toolkit/commandbars/KeyboardTips.h"

#include "platform/framework/DC.h"
#include "platform/gdi/SystemModel.h"
#include "platform/user/Cursors.h"
#include "platform/user/Input.h"
#include "platform/user/MessageBox.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/CommandBarsOptions.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/ControlAction.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/PaintManager.h"
#include "toolkit/commandbars/ShortcutManager.h"
#include "toolkit/commandbars/ToolBar.h"

#include <algorithm>
#include <cwctype>
#include <string>

BEGIN_MESSAGE_MAP(CJQWCommandBarKeyboardTip, CWnd)
    ON_WM_PAINT()
    ON_WM_NCHITTEST()
END_MESSAGE_MAP()

namespace {

const WCHAR kTipClass[] = u"JQWKeyboardTip";

void RegisterTipClass()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    WNDCLASSW cls {};
    cls.style = CS_SAVEBITS;
    cls.lpfnWndProc = AfxWndProc;
    cls.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    cls.lpszClassName = kTipClass;
    ::RegisterClassW(&cls);
}

std::u16string Upper(const CString& text)
{
    std::u16string out(text.GetString());
    for (char16_t& c : out)
        c = char16_t(std::towupper(wint_t(c)));
    return out;
}

} // namespace

CJQWCommandBarKeyboardTip::CJQWCommandBarKeyboardTip(CJQWCommandBars* bars, CCmdTarget* owner, const CString& caption,
    CPoint point, DWORD align, BOOL enabled)
    : m_strCaption(caption)
    , m_pOwner(owner)
    , m_pt(point)
    , m_bEnabled(enabled)
    , m_pCommandBars(bars)
    , m_nAlign(align)
{
}

void CJQWCommandBarKeyboardTip::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    CJQWPaintManager* manager = m_pCommandBars ? m_pCommandBars->GetPaintManager() : GetGlobalPaintManager();
    CFont* old = manager ? dc.SelectObject(manager->GetRegularFont()) : nullptr;
    dc.FillSolidRect(&client, ::GetSysColor(COLOR_INFOBK));
    dc.Draw3dRect(&client, ::GetSysColor(COLOR_3DSHADOW), ::GetSysColor(COLOR_3DSHADOW));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(::GetSysColor(m_bEnabled ? COLOR_INFOTEXT : COLOR_GRAYTEXT));
    dc.DrawText(m_strTip, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (old)
        dc.SelectObject(old);
}

void JQWMakeKeyboardTipsUnique(std::vector<CJQWCommandBarKeyboardTip*>& tips)
{
    for (std::size_t i = 0; i < tips.size(); ++i) {
        std::vector<CJQWCommandBarKeyboardTip*> group { tips[i] };
        for (std::size_t j = i + 1; j < tips.size(); ++j)
            if (tips[j]->m_strTip == tips[i]->m_strTip)
                group.push_back(tips[j]);
        if (group.size() < 2)
            continue;
        std::u16string used = u"& ";
        int counter = 1;
        for (CJQWCommandBarKeyboardTip* tip : group) {
            const std::u16string caption = Upper(tip->m_strCaption);
            char16_t added = 0;
            for (char16_t c : caption)
                if (used.find(c) == std::u16string::npos) {
                    added = c;
                    break;
                }
            if (!added)
                added = char16_t(u'0' + (counter++ % 10));
            used += added;
            tip->m_strTip += added;
        }
    }
}

// ---- The manager's side -------------------------------------------------------------------------

void CJQWCommandBars::HideKeyboardTips()
{
    for (CJQWCommandBarKeyboardTip* tip : m_keyboardTips) {
        if (tip->GetSafeHwnd())
            tip->DestroyWindow();
        delete tip;
    }
    m_keyboardTips.clear();
    m_pKeyboardTipsBar = nullptr;
    m_nKeyboardLevel = 0;
    m_nKeyboardTipsPrefix = 0;
}

int CJQWCommandBars::GetKeyboardTipLevel(const CJQWCommandBar* bar) const
{
    return bar == m_pKeyboardTipsBar && m_nKeyboardLevel > 0 ? m_nKeyboardLevel : 0;
}

void CJQWCommandBars::AddKeyboardTip(CJQWCommandBarKeyboardTip* tip)
{
    m_keyboardTips.push_back(tip);
}

void CJQWCommandBars::ShowKeyboardTips(CJQWCommandBar* bar, int level)
{
    HideKeyboardTips();
    if (!m_pOptions->bKeyTipsEnabled || !bar || !bar->GetSafeHwnd())
        return;
    bar->UpdateWindow();
    m_pKeyboardTipsBar = bar;
    m_nKeyboardLevel = level;
    m_nKeyboardTipsPrefix = 0;
    bar->CreateKeyboardTips();
    if (m_keyboardTips.empty()) {
        m_pKeyboardTipsBar = nullptr;
        return;
    }
    for (int i = int(m_keyboardTips.size()) - 1; i >= 0; --i) {
        CJQWCommandBarKeyboardTip* tip = m_keyboardTips[std::size_t(i)];
        if (!tip->m_strTip.IsEmpty())
            continue; // an access key the control's action gives
        if (tip->m_strCaption.IsEmpty()) {
            delete tip;
            m_keyboardTips.erase(m_keyboardTips.begin() + i);
            continue;
        }
        const std::u16string caption = Upper(tip->m_strCaption);
        const std::size_t amp = caption.find(u'&');
        tip->m_strCaption = CString(caption.c_str());
        tip->m_strTip = CString(char16_t(amp != std::u16string::npos && amp + 1 < caption.size() ? caption[amp + 1] : caption[0]), 1);
    }
    JQWMakeKeyboardTipsUnique(m_keyboardTips);
    RegisterTipClass();
    CClientDC dc(bar);
    CFont* old = GetPaintManager() ? dc.SelectObject(GetPaintManager()->GetRegularFont()) : nullptr;
    for (CJQWCommandBarKeyboardTip* tip : m_keyboardTips) {
        const CSize text = dc.GetTextExtent(tip->m_strTip);
        const CSize size(std::max<LONG>(text.cx + 6, 16), std::max<LONG>(text.cy + 2, 15));
        CPoint at = tip->m_pt;
        if (dynamic_cast<CJQWControl*>(tip->m_pOwner))
            bar->ClientToScreen(&at);
        if (tip->m_nAlign & 1)
            at.x -= size.cx / 2;
        if ((tip->m_nAlign & 2) || IsLayoutRTL())
            at.x -= size.cx;
        if (tip->m_nAlign & 4)
            at.y -= size.cy / 2;
        if (tip->m_nAlign & 8)
            at.y -= size.cy;
        tip->CreateEx(WS_EX_TOOLWINDOW, kTipClass, tip->m_strTip, WS_POPUP, CRect(at, size), m_pSite, 0);
        ::SetWindowPos(tip->GetSafeHwnd(), HWND_TOPMOST, at.x, at.y, size.cx, size.cy, SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    }
    if (old)
        dc.SelectObject(old);
    for (CJQWCommandBarKeyboardTip* tip : m_keyboardTips)
        ::SetWindowPos(tip->GetSafeHwnd(), HWND_TOPMOST, 0, 0, 0, 0,
            SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER);
}

// ---- The bar's side ---------------------------------------------------------------------------------

void CJQWCommandBar::CreateKeyboardTips()
{
    CJQWCommandBars* bars = GetCommandBars();
    if (!bars)
        return;
    for (int i = 0; i < GetControlCount(); ++i) {
        CJQWControl* control = GetControl(i);
        if (!control->IsVisible() || control->GetCaption().IsEmpty() || (control->GetFlags() & jqwFlagSkipFocus)
            || control->GetType() == JQW_CONTROL_GALLERY)
            continue;
        const CRect rect = control->GetRect();
        auto* tip = new CJQWCommandBarKeyboardTip(bars, control, control->GetCaption(),
            CPoint(rect.left + 12, rect.bottom - 11), 0, control->GetEnabled());
        if (CJQWControlAction* action = control->GetAction(); action && !action->GetKeyboardTip().IsEmpty())
            tip->m_strTip = action->GetKeyboardTip();
        bars->AddKeyboardTip(tip);
    }
    if (GetParentBar())
        return;
    for (int i = 0; i < bars->GetCount(); ++i) {
        CJQWToolBar* other = bars->GetToolBar(i);
        if (other == this || !other->IsVisible() || !other->GetSafeHwnd())
            continue;
        CRect window;
        other->GetWindowRect(&window);
        bars->AddKeyboardTip(new CJQWCommandBarKeyboardTip(bars, other, other->GetTitle(), window.TopLeft(), 0, TRUE));
    }
}

void CJQWCommandBar::OnKeyboardTipChosen(CJQWCommandBarKeyboardTip* tip)
{
    if (auto* control = dynamic_cast<CJQWControl*>(tip->m_pOwner)) {
        control->OnClick(TRUE, CPoint(0, 0));
        return;
    }
    if (auto* toolBar = dynamic_cast<CJQWToolBar*>(tip->m_pOwner))
        if (CJQWCommandBars* bars = GetCommandBars())
            bars->SetFocusToBar(toolBar, 0);
}

BOOL CJQWCommandBar::ProcessKeyboardTipKey(UINT key)
{
    CJQWCommandBars* bars = GetCommandBars();
    if (!bars)
        return FALSE;
    std::vector<CJQWCommandBarKeyboardTip*>& tips = bars->KeyboardTips();
    const int typed = bars->m_nKeyboardTipsPrefix;
    for (CJQWCommandBarKeyboardTip* tip : tips) {
        const CString keys = tip->m_strTip;
        if (keys.GetLength() <= typed || !CJQWShortcutManager::KeyMatchesChar(keys[typed], key))
            continue;
        if (keys.GetLength() == typed + 1) {
            if (!tip->m_bEnabled) {
                ::MessageBeep(0);
                return TRUE;
            }
            OnKeyboardTipChosen(tip);
            return TRUE;
        }
        const CString prefix = keys.Left(typed + 1);
        bars->m_nKeyboardTipsPrefix = typed + 1;
        for (int i = int(tips.size()) - 1; i >= 0; --i)
            if (tips[std::size_t(i)]->m_strTip.Left(typed + 1) != prefix) {
                if (tips[std::size_t(i)]->GetSafeHwnd())
                    tips[std::size_t(i)]->DestroyWindow();
                delete tips[std::size_t(i)];
                tips.erase(tips.begin() + i);
            }
        return TRUE;
    }
    if (key != VK_SHIFT && key != VK_CONTROL)
        ::MessageBeep(0);
    return TRUE;
}
