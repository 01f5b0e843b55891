// The bar's side of tooltips: every message goes to the bars' tooltip context first, and the
// context asks the bar for the tool under the cursor.
#include "toolkit/commandbars/CommandBar.h"

#include "toolkit/commandbars/BarResources.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/CommandBarsOptions.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/ShortcutManager.h"
#include "toolkit/commandbars/ToolTipContext.h"

LRESULT CJQWCommandBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    RelayToolTipMessage(message, wParam, lParam);
    return CWnd::WindowProc(message, wParam, lParam);
}

void CJQWCommandBar::RelayToolTipMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    CJQWCommandBars* bars = GetCommandBars();
    if (bars && bars->GetToolTipContext() && m_hWnd)
        bars->GetToolTipContext()->RelayToolTipMessage(this, message, wParam, lParam);
}

INT_PTR CJQWCommandBar::OnToolHitTest(CPoint point, TOOLINFO* toolInfo) const
{
    if (m_nPopuped != -1)
        return -1;
    if (m_bTracking == 2 && m_barPosition != jqwBarPopup)
        return -1;
    if (IsMouseLockedForBar())
        return -1;
    JQW_COMMANDBAR_SERVICES& services = JQWCommandBarServices();
    if (services.isTrackingOtherBar && services.isTrackingOtherBar(const_cast<CJQWCommandBar*>(this)))
        return -1;

    CJQWCommandBars* bars = GetCommandBars();
    BOOL withShortcuts = FALSE;
    if (bars) {
        const CJQWCommandBarsOptions* options = bars->GetCommandBarsOptions();
        if (!options->bToolBarScreenTips)
            return -1;
        withShortcuts = options->bToolBarAccelTips;
    }
    CJQWControl* control = m_pControls ? m_pControls->HitTest(point) : nullptr;
    if (!control)
        return -1;
    if (IsPopupBar() && !(bars && bars->GetCommandBarsOptions()->bShowPopupBarToolTips)
        && !(control->GetFlags() & jqwFlagShowPopupBarTip))
        return -1;

    CString text = control->GetTooltipText();
    if (text.IsEmpty())
        return -1;
    if (withShortcuts) {
        CString shortcut = control->GetOwnShortcutText();
        if (shortcut.IsEmpty() && bars)
            bars->GetShortcutManager()->GetShortcutText(UINT(control->GetID()), shortcut);
        text = JQWToolTipWithShortcut(text, shortcut);
    }
    const INT_PTR id = control->GetDisplayIconId();
    CJQWToolTipContext::FillToolInfoEx(toolInfo, m_hWnd, control->GetRect(), UINT_PTR(id), text, text,
        control->GetDescription(), GetImageManager());
    if (toolInfo && toolInfo->cbSize >= JQW_TOOLINFO_SIZE_EX && toolInfo->lParam)
        reinterpret_cast<JQW_TOOLTIP_EXTENDED_INFO*>(toolInfo->lParam)->pControl = control;
    return id == 0 ? -1 : id;
}
