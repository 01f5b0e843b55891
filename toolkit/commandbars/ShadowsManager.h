#pragma once
// Drop shadows of open popups: two borderless windows per popup, one below it and one to its
// right. With layered windows they carry a 4-pixel alpha ramp in the theme's shadow colour;
// without, they are 2-pixel solid strips. A shadow follows its owner bar's visibility and dies with
// its window; no shadow ever lies over an open popup.

#include "platform/framework/Wnd.h"
#include "toolkit/commandbars/HookManager.h"

#include <vector>

class CJQWCommandBar;
class CJQWControl;

class CJQWShadowsManager {
public:
    class CShadowWnd : public CWnd, public CJQWHookManagerHookAble {
    public:
        CShadowWnd(BOOL horizontal, DWORD options, CJQWCommandBar* owner)
            : m_bHorizontal(horizontal)
            , m_dwOptions(options)
            , m_pOwner(owner)
        {
        }
        BOOL IsHorizontal() const { return m_bHorizontal; }
        CJQWCommandBar* GetOwner() const { return m_pOwner; }

    protected:
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
        int OnHookMessage(HWND window, UINT message, WPARAM* wParam, LPARAM* lParam, LRESULT* result) override;

    private:
        friend class CJQWShadowsManager;
        void UpdateAlphaImage(int width, int height);

        BOOL m_bHorizontal;
        DWORD m_dwOptions;
        CJQWCommandBar* m_pOwner;
        COLORREF m_clrShadow = 0;
        CRect m_rcExclude; // screen; cut out with option bit 1
    };

    static CJQWShadowsManager* GetShadowsManager();

    // Shadows around `bar`'s window; `exclude` is the opening control's screen rectangle.
    void SetShadow(CJQWCommandBar* bar, const CRect& exclude);
    // Shadows around a control whose popup is open (themes that ask for it with both option bits).
    void SetControlShadow(CJQWControl* control, CJQWCommandBar* popupBar);
    void RemoveShadows(CJQWCommandBar* bar);
    void RemoveShadow(CShadowWnd* shadow);

    BOOL IsAlphaShadow() const { return m_bAlphaShadow; }
    const std::vector<CShadowWnd*>& GetShadows() const { return m_shadows; }
    // Binds the layered-window entry point again (the desktop's modules changed).
    void LookUpEntryPoint();

    // The pixel (0xAARRGGBB, colour part not premultiplied) of a `width` x `height` shadow at
    // (x, y), counted from its top-left corner.
    static DWORD ShadowPixel(BOOL horizontal, int x, int y, int width, int height, COLORREF color, DWORD options);

private:
    CJQWShadowsManager();
    CShadowWnd* CreateShadow(BOOL horizontal, const CRect& owner, const CRect& exclude, CJQWCommandBar* bar);
    // Every shadow loses the parts that lie over an open popup (and over its excluded rectangle).
    void CutShadows();

    using UpdateLayeredWindowProc = BOOL (*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);
    UpdateLayeredWindowProc m_pfnUpdateLayeredWindow = nullptr;
    std::vector<CShadowWnd*> m_shadows;
    BOOL m_bAlphaShadow = FALSE;
};
