#pragma once
// The platform's own look: toolbars, rebars, combo boxes, spin buttons and small frames drawn as
// parts of the desktop's visual styles. Without visual styles every operation falls back to the
// classic look it derives from.

#include "toolkit/commandbars/DefaultTheme.h"

#include <memory>

class CJQWWinThemeWrapper;

namespace JQWPaintThemes {

// The visual-style classes the native look reads; tests put in a recording stand-in.
class CJQWNativeThemeParts {
public:
    enum Class { Toolbar, Rebar, ComboBox, Window, Spin, ClassCount };
    virtual ~CJQWNativeThemeParts() = default;
    // Reopens all five classes for `window` (null: for no window).
    virtual void Open(HWND window) = 0;
    virtual BOOL IsAppThemed(Class c) = 0;
    virtual HRESULT DrawBackground(Class c, HDC dc, int part, int state, const RECT& rect, const RECT* clip) = 0;
    virtual HRESULT GetColor(Class c, int part, int state, int property, COLORREF* color) = 0;
    virtual BOOL GetSysBool(Class c, int property) = 0;
};

// The five classes through the visual-style wrappers.
class CJQWWinThemeParts : public CJQWNativeThemeParts {
public:
    CJQWWinThemeParts();
    ~CJQWWinThemeParts() override;
    void Open(HWND window) override;
    BOOL IsAppThemed(Class c) override;
    HRESULT DrawBackground(Class c, HDC dc, int part, int state, const RECT& rect, const RECT* clip) override;
    HRESULT GetColor(Class c, int part, int state, int property, COLORREF* color) override;
    BOOL GetSysBool(Class c, int property) override;

private:
    std::unique_ptr<CJQWWinThemeWrapper> m_wrappers[ClassCount];
};

class CJQWNativeXPTheme : public CJQWDefaultTheme {
public:
    CJQWNativeXPTheme();
    ~CJQWNativeXPTheme() override;

    // Replaces the visual-style access (tests); the theme owns it.
    void SetThemeParts(std::unique_ptr<CJQWNativeThemeParts> parts);
    CJQWNativeThemeParts* GetThemeParts() const { return m_parts.get(); }

    // Both the rebar and the toolbar classes themed: otherwise the classic look draws.
    bool IsNativeThemed() const;
    void FillRebarBackground(CDC* dc, CWnd* window, CWnd* reference);

    // Visual-style states of a toolbar button (part 1), of the two halves of a split button, and
    // of the spin halves (`selected` 3 or 4: the mouse over the upper or lower half).
    static int GetButtonState(bool enabled, int checked, bool selected, int pressed, bool popupOpen);
    static void GetSplitButtonStates(int enabledValue, bool selected, int pressed, bool checked, bool popupOpen,
        int& commandState, int& dropDownState);
    static void GetSpinStates(bool enabled, int selected, int pressed, int& upperState, int& lowerState);

    void RefreshMetrics() override;
    void FillDockBar(CDC* dc, CWnd* dockBar) override;
    void FillCommandBar(CDC* dc, CJQWCommandBar* bar) override;
    void DrawControlEntry(CDC* dc, CJQWControl* control) override;
    COLORREF GetControlTextColor(CJQWControl* control) override;
    void DrawRectangle(HDC dc, const CRect& rect, const JQW_PAINT_STATE& state) const override;
    void DrawSplitButtonFrame(CDC* dc, CJQWControl* control, CRect rect) override;
    CSize DrawCommandBarSeparator(CDC* dc, CJQWCommandBar* bar, CJQWControl* control, BOOL draw) override;
    CSize DrawCommandBarGripper(CDC* dc, CJQWCommandBar* bar, BOOL draw) override;
    CSize DrawDialogBarGripper(CDC* dc, CJQWCommandBar* bar, BOOL draw) override;
    CRect AdjustExcludeRect(CRect rect, int controlType, bool onPopupBar, bool vertical) const override;
    CSize DrawSpecialControl(CDC* dc, int kind, CJQWControl* control, CJQWCommandBar* bar, BOOL draw, CSize size,
        BOOL hiddenControls = FALSE) override;
    void DrawEditFrame(CDC* dc, CRect rect, BOOL enabled, int selected) override;
    void DrawComboDropButton(CDC* dc, CRect rect, BOOL enabled, BOOL selected, BOOL droppedDown) override;
    void DrawEditSpinButtons(CDC* dc, CRect spin, BOOL enabled, BOOL selected, int pressed) override;
    int GetBaseTheme() const override { return 3; }

    COLORREF m_clrEdgeShadow = 0;
    COLORREF m_clrEdgeHighLight = 0;
    BOOL m_bFlatMenus = TRUE;

private:
    bool Themed(CJQWNativeThemeParts::Class c) const;
    void DrawPart(CJQWNativeThemeParts::Class c, HDC dc, int part, int state, const CRect& rect, const RECT* clip = nullptr) const;
    std::unique_ptr<CJQWNativeThemeParts> m_parts;
};

} // namespace JQWPaintThemes
