// How a popup appears: the effect is chosen from the options and the system's menu settings, and
// the paint manager plays it from the screen under the popup to the popup's own picture.
#include "toolkit/commandbars/PopupBar.h"

#include "platform/framework/DC.h"
#include "platform/gdi/SystemModel.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/CommandBarsOptions.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/commandbars/ControlButton.h"

#include <cstdlib>

int CJQWPopupBar::GetAnimationKind() const
{
    CJQWCommandBars* bars = GetCommandBars();
    if (!bars || (m_hWnd && ::GetWindow(m_hWnd, GW_CHILD)))
        return 5;
    CJQWCommandBarsOptions* options = bars->GetCommandBarsOptions();
    const int kind = options ? options->animationType : 0;
    if (kind == 0) {
        BOOL on = FALSE;
        if (!::SystemParametersInfoW(SPI_GETMENUANIMATION, 0, &on, 0) || !on)
            return 5;
        BOOL fade = FALSE;
        if (::SystemParametersInfoW(SPI_GETMENUFADE, 0, &fade, 0) && fade)
            return 4;
        return 3;
    }
    if (kind == 1) {
        switch (std::rand() % 3) {
        case 0:
            return 4;
        case 1:
            return 3;
        default:
            return 2;
        }
    }
    return kind;
}

void CJQWPopupBar::PlayOpenAnimation()
{
    if (!m_hWnd)
        return;
    CJQWCommandBar* parent = GetParentBar();
    const BOOL animate = (!parent || parent->IsMouseStarted()) && !IsCustomizeMode() && !::GetWindow(m_hWnd, GW_CHILD);
    const int kind = animate ? GetAnimationKind() : 5;
    CJQWPaintManager* manager = GetPaintManager();
    if (manager && kind >= 2 && kind <= 4) {
        if (parent && m_pControlPopup && parent->GetSafeHwnd()) {
            const CRect control = m_pControlPopup->GetRect();
            parent->Redraw(&control);
            parent->UpdateWindow();
        }
        if (CWnd* site = GetSite(); site && ::IsWindow(site->GetSafeHwnd()))
            site->UpdateWindow();
        CRect client;
        GetClientRect(&client);
        CClientDC dc(this);
        CDC buffer;
        CBitmap bitmap;
        if (buffer.CreateCompatibleDC(&dc) && bitmap.CreateCompatibleBitmap(&dc, client.Width(), client.Height())) {
            CBitmap* oldBitmap = buffer.SelectObject(&bitmap);
            DrawCommandBar(&buffer, client);
            // What the screen shows under the window is where the effect starts from.
            CRect window;
            GetWindowRect(&window);
            // The window is shown but not painted yet: read what lies under it with it out of the way.
            ::ShowWindow(m_hWnd, SW_HIDE);
            HDC screen = ::GetDC(nullptr);
            const DWORD layout = ::GetLayout(dc.GetSafeHdc());
            ::SetLayout(dc.GetSafeHdc(), 0);
            ::BitBlt(dc.GetSafeHdc(), 0, 0, window.Width(), window.Height(), screen, window.left, window.top, SRCCOPY);
            ::SetLayout(dc.GetSafeHdc(), layout);
            ::ReleaseDC(nullptr, screen);
            ::ShowWindow(m_hWnd, SW_SHOWNA);
            manager->AnimatePopup(&dc, &buffer, client, kind);
            dc.BitBlt(0, 0, client.Width(), client.Height(), &buffer, 0, 0, SRCCOPY);
            buffer.SelectObject(oldBitmap);
        }
    }
    if (parent)
        parent->ClearMouseStarted();
}
