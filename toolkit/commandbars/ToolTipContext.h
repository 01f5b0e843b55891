#pragma once
// Tooltips of toolkit windows. A window relays every message it gets to its context; the context
// hit-tests the window, keeps one tooltip window per owner, registers the tool under the cursor
// with it and relays mouse messages. The tooltip window is the platform's control (styles 0 and 1)
// or one of the toolkit's own windows (styles 2-5, ToolTipWindow.h); both are driven only through
// the tooltip messages.

#include "platform/controls/CommonControls.h"
#include "platform/framework/CmdTarget.h"
#include "platform/framework/GdiClasses.h"
#include "platform/framework/Geometry.h"
#include "platform/framework/Wnd.h"

class CJQWControl;
class CJQWImageManager;

// Sent to a child under the cursor: 1 makes it transparent to tooltip hit testing (its parent is
// used instead).
constexpr UINT JQWM_TOOLTIP_PASS_TO_PARENT = 0x2A48;
// lParam: a CJQWImageManagerIcon* (or 0) the next tip of a custom window shows.
constexpr UINT JQWM_TOOLTIP_SET_IMAGE = 0x2A49;

// The toolkit's tool-info flags; both are cleared before a record reaches a tooltip window.
constexpr UINT JQW_TTF_ALWAYSSHOW = 0x40000000; // shown even when the top-level parent is inactive
constexpr UINT JQW_TTF_TOOLKIT = 0x80000000;

// The extension a 44-byte tool info points to with its user-data field.
struct JQW_TOOLTIP_EXTENDED_INFO {
    WCHAR* pszDescription = nullptr; // heap text, freed by the context
    WCHAR* pszTitleText = nullptr;   // heap text, freed by the context
    CJQWImageManager* pImageManager = nullptr;
    RECT rcAnchor {};                // tool window client coordinates; not empty: tip goes below it
    CJQWControl* pControl = nullptr;
};

// The context's record sizes: with and without the user-data field.
constexpr UINT JQW_TOOLINFO_SIZE = TTTOOLINFOW_V1_SIZE;
constexpr UINT JQW_TOOLINFO_SIZE_EX = TTTOOLINFOW_V2_SIZE;

// A window with tools: the hit test the context runs (-1: no tool).
class CJQWToolTipHost {
public:
    virtual ~CJQWToolTipHost() = default;
    virtual INT_PTR OnToolHitTest(CPoint point, TOOLINFO* toolInfo) const = 0;
};

enum JQWToolTipStyle {
    jqwToolTipStandard = 0,
    jqwToolTipBalloon = 1,
    jqwToolTipPlain = 2,
    jqwToolTipRichText = 3,
    jqwToolTipLuna = 4,
    jqwToolTipOffice2007 = 5,
};

// Window style bits of the custom windows.
constexpr DWORD JQW_TTS_BUTTONFACEBORDER = 0x1000;
constexpr DWORD JQW_TTS_NOSHADOW = 0x2000;

class CJQWToolTipContext : public CCmdTarget {
public:
    // The platform control with the transparency rule of TTM_WINDOWFROMPOINT.
    class CStandardToolTip : public CWnd {
    protected:
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    };
    // The custom windows of styles 3, 4 and 5 (ToolTipWindow.h).
    class CRichEditToolTip;
    class CLunaToolTip;
    class COffice2007ToolTip;

    CJQWToolTipContext();
    ~CJQWToolTipContext() override;

    void SetStyle(int style);
    int GetStyle() const { return m_nStyle; }
    void ModifyToolTipStyle(DWORD remove, DWORD add);
    DWORD GetToolTipStyle() const { return m_dwStyle; }
    void ShowTitleAndDescription(BOOL show, int titleIcon = 1)
    {
        m_bShowTitleAndDescription = show;
        m_nTitleIcon = titleIcon;
    }
    BOOL IsShowTitleAndDescription() const { return m_bShowTitleAndDescription; }
    void ShowImage(BOOL show, int idOffset = 0)
    {
        m_bShowImage = show;
        m_nImageIdOffset = idOffset;
    }
    void SetMaxTipWidth(int width) { m_nMaxTipWidth = width; }
    int GetMaxTipWidth() const;
    void SetMargin(const CRect& margin) { m_rcMargin = margin; }
    CRect GetMargin() const { return m_rcMargin; }
    // TTDT_INITIAL, TTDT_RESHOW or TTDT_AUTOPOP; -1 leaves the window's default.
    void SetDelayTime(WPARAM which, int milliseconds);
    void SetTipBackColor(COLORREF color) { m_clrBack = color; }
    void SetTipTextColor(COLORREF color) { m_clrText = color; }
    COLORREF GetTipBackColor() const;
    COLORREF GetTipTextColor() const;
    CFont* GetFont() { return &m_fntNormal; }
    CFont* GetBoldFont() { return &m_fntBold; }
    // Major version in the high word; tests set an old one.
    void SetComCtlVersion(DWORD version) { m_dwComCtlVersion = version; }

    virtual CWnd* CreateToolTipWindow(CWnd* owner);
    void RelayToolTipMessage(CWnd* window, UINT message, WPARAM wParam, LPARAM lParam);
    void FilterToolTipMessage(CWnd* window, const MSG* msg);
    void CancelToolTips();
    CWnd* GetToolTipWindow() const { return m_pToolTip; }

    // Fill a hit test's record; the texts are heap copies the context frees.
    static void FillToolInfo(TOOLINFO* toolInfo, HWND window, const CRect& rect, UINT_PTR id, const CString& text);
    static void FillToolInfoEx(TOOLINFO* toolInfo, HWND window, const CRect& rect, UINT_PTR id, const CString& text,
        const CString& titleText, const CString& description, CJQWImageManager* images);

    // The window under `point` for tooltips: a child answering JQWM_TOOLTIP_PASS_TO_PARENT with
    // 1 stands for its parent.
    static HWND WindowFromPointForTips(POINT point);

private:
    void DestroyToolTipWindow();
    static BOOL IsTopLevelParentActive(CWnd* window);
    void RelayEvent(const MSG* msg);

    BOOL m_bShowTitleAndDescription = FALSE;
    BOOL m_bShowImage = FALSE;
    int m_nImageIdOffset = 0;
    int m_nStyle = jqwToolTipStandard;
    DWORD m_dwComCtlVersion = 0;
    int m_nTitleIcon = 1;
    int m_nMaxTipWidth = 0;
    DWORD m_dwStyle = TTS_NOPREFIX;
    CRect m_rcMargin { 0, 0, 0, 0 };
    int m_nDelayInitial = -1;
    int m_nDelayReshow = -1;
    int m_nDelayAutoPop = -1;
    CWnd* m_pToolTip = nullptr;
    HWND m_hwndOwner = nullptr; // the window the tooltip window was made for
    TOOLINFO m_lastInfo {};
    COLORREF m_clrBack = COLORREF(-1);
    COLORREF m_clrText = COLORREF(-1);
    CFont m_fntNormal;
    CFont m_fntBold;
};
