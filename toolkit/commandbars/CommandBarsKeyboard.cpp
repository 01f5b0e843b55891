// The keyboard front door of the command bars: Alt shows the underlines, Alt+letter finds a
// control by its access key, Ctrl+Tab moves between toolbars, and accelerators go through the
// shortcut manager.

#include "toolkit/commandbars/CommandBars.h"

#include "platform/user/Input.h"
#include "toolkit/commandbars/CommandBarsOptions.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/KeyboardManager.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/ShortcutManager.h"
#include "toolkit/commandbars/ToolBar.h"

namespace {

constexpr LPARAM kContextBit = LPARAM(1) << 29;

BOOL IsShown(const CJQWCommandBar* bar)
{
    return bar && bar->GetSafeHwnd() && bar->IsVisible() && ::IsWindowVisible(bar->GetSafeHwnd());
}

} // namespace

BOOL CJQWCommandBars::PreTranslateFrameMessage(MSG* msg)
{
    CJQWMouseManager* mouse = GetMouseManager();
    const BOOL tracked = !mouse->GetTrackArray().empty();
    if (msg->message == WM_SYSKEYDOWN && (msg->lParam & kContextBit) && !mouse->IsMouseLocked() && !tracked
        && m_pSite && m_pSite->GetSafeHwnd() && ::GetActiveWindow() == ::GetAncestor(m_pSite->GetSafeHwnd(), GA_ROOT)) {
        if (msg->wParam == VK_MENU) {
            ShowKeyboardCues(TRUE);
            return FALSE;
        }
        if (!(m_bAltShiftPasses && ::GetKeyState(VK_SHIFT) < 0) && msg->wParam != 0 && ProcessMnemonic(UINT(msg->wParam)))
            return TRUE;
    }
    if ((msg->message == WM_SYSKEYUP || msg->message == WM_KEYUP) && m_bKeyboardCuesUntilAlt && m_bKeyboardCuesShown
        && !tracked)
        ShowKeyboardCues(FALSE);
    if ((msg->message == WM_CONTEXTMENU || msg->message == WM_SYSKEYUP) && tracked) {
        GetKeyboardManager()->ProcessKeyboardHooks(WM_CONTEXTMENU, msg->wParam, msg->lParam);
        return TRUE;
    }
    if (msg->message == WM_MOUSEWHEEL && !GetKeyboardManager()->GetClients().empty())
        return GetKeyboardManager()->ProcessKeyboardHooks(msg->message, msg->wParam, msg->lParam);
    if (msg->message >= WM_KEYDOWN && msg->message <= 0x108 && m_pSite && m_pSite->GetSafeHwnd())
        return m_pShortcutManager->TranslateAccelerator(m_pSite->GetSafeHwnd(), msg);
    return FALSE;
}

BOOL CJQWCommandBars::ProcessMnemonic(UINT key)
{
    const CJQWCommandBarsOptions& options = *m_pOptions;
    if (options.keyboardCuesUse == 2)
        return FALSE;
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9 && !options.bUseNumPadAccessKeys)
        return FALSE;
    if (MapVirtualKeyW(key, MAPVK_VK_TO_CHAR) == 0)
        return FALSE;
    CJQWCommandBar* bar = nullptr;
    for (CJQWToolBar* each : m_arrBars)
        if (each->IsTrackingMode()) {
            bar = each;
            break;
        }
    if (!bar && IsShown(GetMenuBar()))
        bar = GetMenuBar();
    if (!bar && (options.keyboardCuesUse & 1))
        for (CJQWToolBar* each : m_arrBars)
            if (IsShown(each)) {
                bar = each;
                break;
            }
    if (!IsShown(bar))
        return FALSE;
    if (bar->OnAccessKey(key))
        return TRUE;
    BOOL ambiguous = FALSE;
    CJQWControl* control = FindAccelControl(bar, key, ambiguous);
    if (!control)
        return FALSE;
    CJQWCommandBar* parent = control->GetParent();
    if (!parent->IsTrackingMode())
        GetMouseManager()->ClosePopups();
    ShowKeyboardCues(TRUE);
    m_nKeyboardLevel = 1;
    parent->SetTrackingMode(1, FALSE, TRUE);
    parent->SetSelected(control->GetIndex(), TRUE);
    if (!ambiguous)
        control->Activate();
    return TRUE;
}

CJQWControl* CJQWCommandBars::GetNextAccelControl(CJQWControls*& controls, int index)
{
    const int next = controls->GetNext(index, +1, FALSE);
    const bool wrapped = next == -1 || next <= index;
    if (!(m_pOptions->keyboardCuesUse & 1) || !wrapped)
        return next == -1 ? nullptr : controls->GetAt(next);
    // Access keys reach every toolbar: go on with the first visible control of the next one.
    auto* start = dynamic_cast<CJQWToolBar*>(controls->GetParent());
    const int startIndex = FindToolBarIndex(start);
    for (int i = GetNextVisibleToolBar(startIndex, +1), guard = 0; i != -1 && guard <= GetCount(); ++guard) {
        CJQWControls* candidate = GetToolBar(i)->GetControls();
        const int first = candidate->GetNext(-1, +1, FALSE);
        if (first != -1 || i == startIndex) {
            if (first == -1)
                return nullptr;
            controls = candidate;
            return candidate->GetAt(first);
        }
        const int following = GetNextVisibleToolBar(i, +1);
        if (following == i)
            break;
        i = following;
    }
    return next == -1 ? nullptr : controls->GetAt(next);
}

CJQWControl* CJQWCommandBars::FindAccelControl(CJQWCommandBar* bar, UINT key, BOOL& ambiguous)
{
    ambiguous = FALSE;
    CJQWControls* controls = bar->GetControls();
    if (!controls || controls->GetCount() == 0)
        return nullptr;
    const int onlyMarked = m_pOptions->keyboardCuesUse & 4;
    CJQWControl* marked = nullptr;
    CJQWControl* firstLetter = nullptr;
    CJQWControls* at = controls;
    int index = bar->GetSelected();
    CJQWControl* start = nullptr;
    // Every control of every reachable bar once: the walk stops where it began.
    for (int guard = 0; guard < 100000; ++guard) {
        CJQWControl* control = GetNextAccelControl(at, index);
        if (!control || control == start)
            break;
        if (!start)
            start = control;
        index = control->GetIndex();
        if (!control->IsCaptionVisible() || !control->GetEnabled())
            continue;
        const std::u16string caption(control->GetCaption().GetString());
        if (caption.empty())
            continue;
        const std::size_t amp = caption.find(u'&');
        if (amp != std::u16string::npos && amp + 1 < caption.size()) {
            if (CJQWShortcutManager::KeyMatchesChar(caption[amp + 1], key)) {
                if (marked) {
                    ambiguous = TRUE;
                    return marked;
                }
                marked = control;
            }
            continue;
        }
        CJQWCommandBar* parent = control->GetParent();
        if (!onlyMarked && parent && (parent->GetType() == jqwBarTypeMenuBar || parent->IsTrackingMode())
            && CJQWShortcutManager::KeyMatchesChar(caption[0], key)) {
            if (firstLetter)
                ambiguous = TRUE;
            else
                firstLetter = control;
        }
    }
    if (marked) {
        ambiguous = FALSE;
        return marked;
    }
    return firstLetter;
}

BOOL CJQWCommandBars::SetFocusToBar(CJQWCommandBar* bar, int step)
{
    CJQWCommandBar* target = bar;
    if (step != 0) {
        if (GetCount() < 2)
            return FALSE;
        const int index = FindToolBarIndex(dynamic_cast<CJQWToolBar*>(bar));
        const int next = GetNextVisibleToolBar(index, step);
        if (next == -1 || next == index)
            return FALSE;
        target = GetToolBar(next);
    }
    if (!target)
        return FALSE;
    GetMouseManager()->ClosePopups();
    ShowKeyboardCues(TRUE);
    m_nKeyboardLevel = 1;
    target->SetTrackingMode(1, FALSE, TRUE);
    const BOOL menuBar = target->GetType() == jqwBarTypeMenuBar;
    const int first = target->GetControls()->GetNext(-1, +1, TRUE, menuBar);
    if (first != -1)
        target->SetSelected(first, 2);
    return TRUE;
}

void CJQWCommandBars::OnKeyboardStateChanged(CJQWCommandBar*, BOOL tracking)
{
    const CJQWMouseManager::CTrackArray& tracked = GetMouseManager()->GetTrackArray();
    if (!tracking && m_bKeyboardCuesUntilAlt && tracked.empty())
        ShowKeyboardCues(FALSE);
    if (m_nKeyboardLevel > 0 && m_pOptions->bKeyTipsEnabled) {
        HideKeyboardTips();
        if (!tracked.empty() && tracked.back()->GetKeyboardSelection() && tracked.back()->GetSafeHwnd())
            tracked.back()->PostMessage(WM_TIMER, JQW_TIMER_KEYBOARD_TIPS, 0);
    }
    if (!tracking && tracked.empty())
        m_nKeyboardLevel = 0;
}
