#include "toolkit/commandbars/ShadowsManager.h"

#include "platform/base/Modules.h"
#include "platform/gdi/SystemModel.h"
#include "platform/user/Cursors.h"
#include "toolkit/commandbars/CommandBar.h"
#include "toolkit/commandbars/CommandBars.h"
#include "toolkit/commandbars/CommandBarsOptions.h"
#include "toolkit/commandbars/Control.h"
#include "toolkit/drawing/ColorManager.h"

#include <algorithm>

namespace {

const WCHAR kShadowClass[] = u"JQWShadow";
const WCHAR kShadowClassNoSaveBits[] = u"JQWShadowNoSaveBits";

const WCHAR* RegisterShadowClass(BOOL saveBits)
{
    static const bool registered = [] {
        WNDCLASSW cls {};
        cls.lpfnWndProc = AfxWndProc;
        cls.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        cls.style = CS_SAVEBITS | CS_OWNDC;
        cls.lpszClassName = kShadowClass;
        const bool first = ::RegisterClassW(&cls) != 0;
        cls.style = 0;
        cls.lpszClassName = kShadowClassNoSaveBits;
        return first && ::RegisterClassW(&cls) != 0;
    }();
    (void)registered;
    return saveBits ? kShadowClass : kShadowClassNoSaveBits;
}

BOOL SaveBitsFor(const CJQWCommandBar* bar)
{
    CJQWCommandBars* bars = bar->GetCommandBars();
    CJQWCommandBarsOptions* options = bars ? bars->GetCommandBarsOptions() : nullptr;
    return options ? options->bSaveBitsUnderPopups : TRUE;
}

DWORD ColorPart(COLORREF color, double t)
{
    const int r = int(GetRValue(color) * t), g = int(GetGValue(color) * t), b = int(GetBValue(color) * t);
    return DWORD(r << 16) | DWORD(g << 8) | DWORD(b);
}

} // namespace

CJQWShadowsManager::CJQWShadowsManager() { LookUpEntryPoint(); }

CJQWShadowsManager* CJQWShadowsManager::GetShadowsManager()
{
    static CJQWShadowsManager manager;
    return &manager;
}

void CJQWShadowsManager::LookUpEntryPoint()
{
    m_pfnUpdateLayeredWindow = nullptr;
    if (HMODULE user = ::GetModuleHandleW(u"USER32"))
        m_pfnUpdateLayeredWindow = reinterpret_cast<UpdateLayeredWindowProc>(::GetProcAddress(user, "UpdateLayeredWindow"));
    m_bAlphaShadow = m_pfnUpdateLayeredWindow != nullptr && !CJQWColorManager::IsLowColorDevice(nullptr);
}

DWORD CJQWShadowsManager::ShadowPixel(BOOL horizontal, int x, int y, int width, int height, COLORREF color, DWORD options)
{
    const int a = (options & 1) ? 3 : 6;
    const int b = (options & 1) ? 15 : 30;
    auto corner = [&](int k, int j) {
        const int n = (k + 1) * (j + 1);
        return (DWORD(a * n) << 24) | ColorPart(color, n / 20.0);
    };
    if (!horizontal) {
        const int k = width - 1 - x; // steps in from the outer edge
        if (y < 4)
            return corner(k, y);
        const int d = x; // distance from the popup
        return (DWORD(b * (4 - d)) << 24) | ColorPart(color, (4 - d) / 4.0);
    }
    const int j = height - 1 - y; // 0 is the outermost row
    if (x < 4)
        return corner(x, j);
    if (x >= width - 4)
        return corner(width - 1 - x, j);
    return (DWORD(b * (j + 1)) << 24) | ColorPart(color, (j + 1) / 4.0);
}

void CJQWShadowsManager::SetShadow(CJQWCommandBar* bar, const CRect& exclude)
{
    if (!bar || !bar->GetSafeHwnd() || bar->IsCustomizeMode())
        return;
    CJQWPaintManager* manager = bar->GetPaintManager();
    const DWORD options = manager ? manager->m_dwShadowOptions : 0;
    if (!(options & 1)) {
        BOOL dropShadow = FALSE;
        if (!m_bAlphaShadow || !::SystemParametersInfoW(SPI_GETDROPSHADOW, 0, &dropShadow, 0) || !dropShadow)
            return;
    }
    CRect rect;
    bar->GetWindowRect(&rect);
    CreateShadow(TRUE, rect, exclude, bar);
    CreateShadow(FALSE, rect, exclude, bar);
}

void CJQWShadowsManager::SetControlShadow(CJQWControl* control, CJQWCommandBar* popupBar)
{
    if (!control || !popupBar || !popupBar->GetSafeHwnd())
        return;
    CJQWCommandBar* parent = control->GetParent();
    if (!parent || !parent->GetSafeHwnd() || parent->IsCustomizeMode())
        return;
    CJQWPaintManager* manager = control->GetPaintManager();
    if (!manager || (manager->m_dwShadowOptions & 3) != 3)
        return;
    CRect rect = control->GetRect();
    parent->ClientToScreen(&rect);
    CreateShadow(TRUE, rect, CRect(), popupBar);
    CreateShadow(FALSE, rect, CRect(), popupBar);
}

CJQWShadowsManager::CShadowWnd* CJQWShadowsManager::CreateShadow(BOOL horizontal, const CRect& owner,
    const CRect& exclude, CJQWCommandBar* bar)
{
    CJQWPaintManager* manager = bar->GetPaintManager();
    if (!manager || !manager->m_bShowShadow)
        return nullptr;
    auto* shadow = new CShadowWnd(horizontal, manager->m_dwShadowOptions, bar);
    shadow->m_clrShadow = manager->m_clrShadow;
    shadow->m_rcExclude = exclude;
    DWORD exStyle = WS_EX_TOOLWINDOW;
    if (m_bAlphaShadow)
        exStyle |= WS_EX_LAYERED;
    CWnd* site = bar->GetSite();
    if (!shadow->CreateEx(exStyle, RegisterShadowClass(SaveBitsFor(bar)), u"", WS_POPUP, CRect(0, 0, 0, 0),
            site && site->GetSafeHwnd() ? site : nullptr, 0)) {
        delete shadow;
        return nullptr;
    }
    ::SetWindowRgn(shadow->m_hWnd, nullptr, FALSE);

    const int s = m_bAlphaShadow ? 4 : 2;
    CRect rect = horizontal ? CRect(owner.left + s, owner.bottom, owner.right + s, owner.bottom + s)
                            : CRect(owner.right, owner.top + s, owner.right + s, owner.bottom);
    for (CShadowWnd* other : m_shadows) {
        if (!other->m_hWnd || other->m_bHorizontal == horizontal)
            continue;
        CRect near;
        other->GetWindowRect(&near);
        if (horizontal) {
            if (near.right == rect.left + 1 && near.top < rect.top && near.bottom > rect.bottom)
                rect.left -= 2 * near.Width() + 1;
        } else if (near.bottom == rect.top + 1 && near.left < rect.right && near.right > rect.right) {
            rect.top -= 2 * near.Height();
        }
    }
    ::SetWindowPos(shadow->m_hWnd, nullptr, rect.left, rect.top, rect.Width(), rect.Height(),
        SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);

    m_shadows.push_back(shadow);
    CutShadows();
    ::SetWindowPos(shadow->m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    GetHookManager()->SetHook(bar->GetSafeHwnd(), shadow);
    return shadow;
}

void CJQWShadowsManager::CutShadows()
{
    // Every shadow is cut by every open popup, not only by those that were open before it: a
    // submenu's shadow must not cover its parent, nor the parent's shadow the submenu.
    for (CShadowWnd* shadow : m_shadows) {
        if (!shadow->m_hWnd)
            continue;
        CRect window;
        shadow->GetWindowRect(&window);
        std::vector<CRect> cuts;
        if ((shadow->m_dwOptions & 2) && !shadow->m_rcExclude.IsRectEmpty())
            cuts.push_back(shadow->m_rcExclude);
        for (CShadowWnd* other : m_shadows)
            if (other->m_pOwner && other->m_pOwner->GetSafeHwnd()) {
                CRect owner;
                other->m_pOwner->GetWindowRect(&owner);
                cuts.push_back(owner);
            }
        HRGN region = nullptr;
        for (const CRect& cut : cuts) {
            CRect meet;
            if (!meet.IntersectRect(&cut, &window))
                continue;
            if (!region)
                region = ::CreateRectRgn(0, 0, window.Width(), window.Height());
            meet.OffsetRect(-window.left, -window.top);
            HRGN part = ::CreateRectRgnIndirect(&meet);
            ::CombineRgn(region, region, part, RGN_DIFF);
            ::DeleteObject(part);
        }
        // The window takes over the region.
        ::SetWindowRgn(shadow->m_hWnd, region, FALSE);
    }
}

void CJQWShadowsManager::RemoveShadows(CJQWCommandBar* bar)
{
    std::vector<CShadowWnd*> owned;
    for (CShadowWnd* shadow : m_shadows)
        if (shadow->m_pOwner == bar)
            owned.push_back(shadow);
    for (CShadowWnd* shadow : owned) {
        if (bar && bar->GetSafeHwnd())
            GetHookManager()->RemoveHook(bar->GetSafeHwnd(), shadow);
        RemoveShadow(shadow);
    }
}

void CJQWShadowsManager::RemoveShadow(CShadowWnd* shadow)
{
    auto it = std::find(m_shadows.begin(), m_shadows.end(), shadow);
    if (it == m_shadows.end())
        return;
    if (shadow->m_hWnd)
        ::ShowWindow(shadow->m_hWnd, SW_HIDE);
    shadow->m_pOwner = nullptr;
    m_shadows.erase(it);
    shadow->DestroyWindow();
    delete shadow;
    CutShadows();
}

LRESULT CJQWShadowsManager::CShadowWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    CJQWShadowsManager* manager = GetShadowsManager();
    switch (message) {
    case WM_ERASEBKGND:
        return TRUE;
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_SIZE:
        if (LOWORD(lParam) && HIWORD(lParam) && manager->m_bAlphaShadow && manager->m_pfnUpdateLayeredWindow && m_pOwner)
            UpdateAlphaImage(LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = ::BeginPaint(m_hWnd, &paint);
        // A layered shadow shows the image it was given; painting would only overwrite it.
        if (!manager->m_bAlphaShadow) {
            CRect client;
            ::GetClientRect(m_hWnd, &client);
            HBRUSH brush = ::CreateSolidBrush(GetColorManager()->GetColor(16));
            ::FillRect(dc, &client, brush);
            ::DeleteObject(brush);
        }
        ::EndPaint(m_hWnd, &paint);
        return 0;
    }
    default:
        break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CJQWShadowsManager::CShadowWnd::UpdateAlphaImage(int width, int height)
{
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = ::GetDC(nullptr);
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        ::ReleaseDC(nullptr, screen);
        return;
    }
    auto* pixels = static_cast<DWORD*>(bits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[size_t(height - 1 - y) * size_t(width) + size_t(x)]
                = ShadowPixel(m_bHorizontal, x, y, width, height, m_clrShadow, m_dwOptions);
    HDC memory = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    POINT source { 0, 0 };
    SIZE size { width, height };
    BLENDFUNCTION blend { AC_SRC_OVER, 0, 255, AC_SRC_ALPHA };
    GetShadowsManager()->m_pfnUpdateLayeredWindow(m_hWnd, screen, nullptr, &size, memory, &source, 0, &blend, ULW_ALPHA);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::DeleteObject(bitmap);
    ::ReleaseDC(nullptr, screen);
}

int CJQWShadowsManager::CShadowWnd::OnHookMessage(HWND window, UINT message, WPARAM* wParam, LPARAM*, LRESULT*)
{
    if (message == WM_SHOWWINDOW) {
        if (m_hWnd)
            ::ShowWindow(m_hWnd, *wParam ? SW_SHOWNA : SW_HIDE);
    } else if (message == WM_DESTROY) {
        GetHookManager()->RemoveHook(window, this);
        GetShadowsManager()->RemoveShadow(this);
    }
    return 0;
}
