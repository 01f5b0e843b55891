#include "toolkit/commandbars/PopupTracking.h"

#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/commandbars/PopupBar.h"
#include "toolkit/commandbars/TrackingLoop.h"

#include <algorithm>

int JQWTrackPopupBar(const JQW_TRACK_POPUP_REQUEST& request)
{
    CJQWPopupBar* popup = request.popup;
    if (!popup)
        return 0;
    UINT flags = request.flags;

    CWnd* site = request.site ? request.site : popup->GetSite();
    popup->SetSite(site);
    popup->SetOwner(request.owner);
    if (site && site->GetSafeHwnd() && (site->GetExStyle() & (WS_EX_LAYOUTRTL | WS_EX_RIGHT)))
        flags |= TPM_RIGHTALIGN;

    int result = TRUE;
    popup->SetReturnCommand(nullptr);
    if (flags & TPM_RETURNCMD) {
        result = 0;
        popup->SetReturnCommand(&result);
    }
    popup->SetRightButtonTracking((flags & TPM_RIGHTBUTTON) != 0);
    popup->SetNoUpdateNotifications((flags & TPM_NONOTIFY) != 0);
    popup->SetRecursive((flags & TPM_RECURSE) != 0);
    popup->SetOpenDirection(JQW_POPUP_BELOW | ((flags & TPM_RIGHTALIGN) ? JQW_POPUP_LEFT : 0));

    CJQWMouseManager* mouse = GetMouseManager();
    const bool recurse = (flags & TPM_RECURSE) != 0;
    if (recurse) {
        const auto& tracked = mouse->GetTrackArray();
        if (!tracked.empty() && tracked.front()->LockCount() > 0)
            mouse->CloseUnlockedBars();
        mouse->LockTrackedBars(TRUE);
    } else {
        mouse->ClosePopups();
        ReleaseCapture();
    }
    // The release of the button that opened the popup must not choose an item.
    mouse->SetSwallow(TRUE);

    popup->InternalAddRef();
    if (!popup->PopupAt(request.x, request.y, request.exclude)) {
        if (recurse)
            mouse->LockTrackedBars(FALSE);
        mouse->SetSwallow(FALSE);
        popup->SetReturnCommand(nullptr);
        popup->InternalRelease();
        return 0;
    }

    const BOOL quit = !JQWRunTrackingLoop([popup] { return BOOL(popup->IsTrackingMode()); });
    if (quit && popup->IsTrackingMode())
        popup->SetTrackingMode(0, TRUE, FALSE); // the program is ending: nothing stays open

    if (recurse)
        mouse->LockTrackedBars(FALSE);
    popup->SetReturnCommand(nullptr);
    popup->InternalRelease();
    return result;
}

int JQWTrackMenu(CMenu* menu, UINT flags, int x, int y, CWnd* site, const CRect* exclude, CWnd* owner,
    CJQWCommandBars* bars)
{
    CJQWPopupBar* popup = CJQWPopupBar::CreatePopupBar(bars);
    if (!popup)
        return 0;
    popup->SetSite(site);
    popup->SetOwner(owner);
    if (!popup->LoadMenu(menu, TRUE)) {
        popup->InternalRelease();
        return 0;
    }
    JQW_TRACK_POPUP_REQUEST request;
    request.popup = popup;
    request.flags = flags;
    request.x = x;
    request.y = y;
    request.site = site;
    request.exclude = exclude;
    request.owner = owner;
    const int result = JQWTrackPopupBar(request);
    popup->InternalRelease();
    return result;
}

CJQWCommandBarList::~CJQWCommandBarList()
{
    RemoveAll();
}

void CJQWCommandBarList::Add(CJQWCommandBar* bar)
{
    if (bar)
        m_arrBars.push_back(bar);
}

void CJQWCommandBarList::RemoveAll()
{
    std::vector<CJQWCommandBar*> bars;
    bars.swap(m_arrBars);
    for (CJQWCommandBar* bar : bars)
        bar->InternalRelease();
}

BOOL CJQWCommandBarList::Contains(const CJQWCommandBar* bar) const
{
    return std::find(m_arrBars.begin(), m_arrBars.end(), bar) != m_arrBars.end();
}

CJQWCommandBar* CJQWCommandBarList::FindCommandBar(UINT barId) const
{
    for (CJQWCommandBar* bar : m_arrBars)
        if (bar->GetBarID() == barId)
            return bar;
    return nullptr;
}

CJQWCommandBar* CJQWCommandBarList::GetAt(int index) const
{
    return index >= 0 && index < GetCount() ? m_arrBars[size_t(index)] : nullptr;
}

void CJQWCommandBarsContextMenus::Add(CJQWCommandBar* bar)
{
    CJQWCommandBarList::Add(bar);
    if (auto* popup = dynamic_cast<CJQWPopupBar*>(bar))
        popup->SetContextMenu(TRUE);
}
