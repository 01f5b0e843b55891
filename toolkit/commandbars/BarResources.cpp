#include "toolkit/commandbars/BarResources.h"

#include "platform/framework/ResourceHandle.h"
#include "platform/user/Resources.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/CommandBarMessages.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/CommandBarsOptions.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/Controls.h"
#include "toolkit/commandbars/ShortcutManager.h"
#include "toolkit/drawing/images/ImageManager.h"

#include <algorithm>

namespace {

UINT Word(const BYTE* p)
{
    return UINT(p[0]) | (UINT(p[1]) << 8);
}

} // namespace

BOOL JQWParseToolBarResource(const BYTE* data, std::size_t size, JQW_TOOLBAR_RESOURCE& out)
{
    out = JQW_TOOLBAR_RESOURCE {};
    if (!data || size < 8)
        return FALSE;
    const int width = int(Word(data + 2));
    const int height = int(Word(data + 4));
    const std::size_t count = Word(data + 6);
    if (width < 1 || width > JQW_MAX_TOOLBAR_ICON || height < 1 || height > JQW_MAX_TOOLBAR_ICON)
        return FALSE;
    if (count > (size - 8) / 2)
        return FALSE;
    out.iconSize = CSize(width, height);
    out.ids.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        out.ids.push_back(Word(data + 8 + 2 * i));
    return TRUE;
}

BOOL JQWLoadToolBarResource(HINSTANCE module, UINT id, JQW_TOOLBAR_RESOURCE& out)
{
    out = JQW_TOOLBAR_RESOURCE {};
    if (!module)
        module = AfxFindResourceHandle(MAKEINTRESOURCEW(id), RT_TOOLBAR);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), RT_TOOLBAR);
    if (!resource)
        return FALSE;
    HGLOBAL handle = LoadResource(module, resource);
    const void* data = handle ? LockResource(handle) : nullptr;
    if (!data)
        return FALSE;
    return JQWParseToolBarResource(static_cast<const BYTE*>(data), SizeofResource(module, resource), out);
}

CSize JQWButtonSizeFor(CSize barButtonSize, CSize iconSize)
{
    if (barButtonSize.cx != 0 || barButtonSize.cy != 0)
        return barButtonSize;
    return CSize(iconSize.cx + 6, iconSize.cy + 6);
}

CString JQWToolTipWithShortcut(const CString& text, const CString& shortcut)
{
    if (shortcut.IsEmpty())
        return text;
    return text + u" (" + shortcut + u")";
}

BOOL JQWSetButtons(CJQWCommandBar* bar, const UINT* ids, int count)
{
    CJQWControls* controls = bar->GetControls();
    controls->RemoveAll();
    CWnd* site = bar->GetSite();
    HWND siteWindow = site ? site->GetSafeHwnd() : nullptr;
    BOOL beginGroup = FALSE;
    for (int i = 0; i < count; ++i) {
        if (ids[i] == 0) {
            beginGroup = TRUE;
            continue;
        }
        JQW_CONTROL_CREATE_RECORD record;
        record.commandId = ids[i];
        record.fromToolBar = TRUE;
        record.index = i;
        record.commandBar = bar;
        record.caption = bar->GetTitle();
        record.controlType = JQW_CONTROL_BUTTON;
        CJQWControl* control = nullptr;
        const JQW_CONTROL_CREATE_RECORD asked = record;
        if (siteWindow && ::SendMessageW(siteWindow, JQWM_CREATE_CONTROL, 0, LPARAM(&record))) {
            if (record.control)
                control = controls->Add(record.control, int(record.commandId));
        } else {
            // Only a non-zero answer hands the record back.
            if (record.control)
                record.control->InternalRelease();
            record = asked;
        }
        if (!control) {
            control = controls->Add(record.controlType, int(record.commandId));
            if (control && record.buttonStyle != 0 && record.buttonStyle != control->GetStyle())
                control->SetStyle(record.buttonStyle);
            if (control && record.controlType == JQW_CONTROL_POPUP)
                control->SetIconId(int(record.commandId));
        }
        if (!control)
            continue;
        if (beginGroup)
            control->SetBeginGroup(TRUE);
        beginGroup = FALSE;
        record.control = control;
        if (siteWindow && ::IsWindow(siteWindow))
            ::SendMessageW(siteWindow, JQWM_CONTROL_CREATED, 0, LPARAM(&record));
    }
    return TRUE;
}

BOOL JQWLoadToolBar(CJQWCommandBar* bar, UINT id, BOOL loadIcons)
{
    bar->GetControls()->RemoveAll();
    JQW_TOOLBAR_RESOURCE toolbar;
    if (!JQWLoadToolBarResource(nullptr, id, toolbar))
        return FALSE;
    JQWSetButtons(bar, toolbar.ids.data(), int(toolbar.ids.size()));
    if (!loadIcons)
        return TRUE;
    std::vector<UINT> buttons;
    for (UINT button : toolbar.ids)
        if (button)
            buttons.push_back(button);
    CJQWImageManager* images = bar->GetImageManager();
    if (!images)
        images = GetImageManager();
    if (!images || !images->SetIconsFromResource(id, buttons.data(), int(buttons.size()), toolbar.iconSize))
        return FALSE;
    if (toolbar.iconSize.cx != 16)
        bar->SetIconSize(toolbar.iconSize);
    return TRUE;
}

BOOL JQWIsBarShown(const CJQWCommandBar* bar)
{
    HWND window = bar->GetSafeHwnd();
    if (!window || !bar->IsVisible() || !::IsWindowVisible(window))
        return FALSE;
    RECT rect {};
    ::GetWindowRect(window, &rect);
    return !CRect(rect).IsRectEmpty();
}

int JQWFindControlIndex(const CJQWControls* controls, const CJQWControl* control, int from)
{
    if (!controls || !control)
        return -1;
    for (int i = std::max(from, 0); i < controls->GetCount(); ++i) {
        const CJQWControl* other = controls->GetAt(i);
        if (other->GetID() == control->GetID() && other->GetType() == control->GetType())
            return i;
    }
    return -1;
}

int JQWGetDefaultItem(const CJQWCommandBar* bar, BOOL wantId)
{
    for (int i = 0; i < bar->GetControlCount(); ++i) {
        const CJQWControl* control = bar->GetControl(i);
        if (control->GetParent() == bar && control->IsVisible() && control->IsDefaultItem())
            return wantId ? control->GetID() : i;
    }
    return -1;
}

void CJQWCommandBar::UpdateShortcutTexts()
{
    CJQWCommandBars* bars = GetCommandBars();
    if (!bars || !bars->GetCommandBarsOptions()->bAutoUpdateShortcuts || !m_pControls)
        return;
    for (int i = 0; i < m_pControls->GetCount(); ++i) {
        CJQWControl* control = m_pControls->GetAt(i);
        if (!control->IsVisible() || control->GetID() <= 0)
            continue;
        CString text;
        bars->GetShortcutManager()->GetShortcutText(UINT(control->GetID()), text);
        control->SetShortcutTextAuto(text);
    }
}
