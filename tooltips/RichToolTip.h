#pragma once
// The rich tooltip window: markup tips for areas ("tools") of an owner's windows. The owner feeds
// its messages through RelayMessage; timers decide when a tip shows, fades and hides. While a tip
// is shown the tip window holds the mouse capture, so every mouse message passes the relay.

#include "platform/framework/Wnd.h"
#include "platform/user/ControlMessages.h"
#include "tooltips/RichDrawManager.h"
#include "tooltips/RichHtmlDrawer.h"

#include <map>
#include <vector>

constexpr UINT TIPM_REPAINT = WM_USER + 101;
constexpr UINT TIPN_SHOW = 1124;

constexpr DWORD TIPB_RESHOW = 0x01;
constexpr DWORD TIPB_FOLLOW_CURSOR = 0x02;
constexpr DWORD TIPB_KEEP_IN_TOOL = 0x04;
constexpr DWORD TIPB_KEEP_OVER_TIP = 0x08;
constexpr DWORD TIPB_NO_AUTOPOP = 0x10;

constexpr UINT TIPF_EFFECT = 0x02;
constexpr UINT TIPF_COLOURS = 0x04;
constexpr UINT TIPF_DIRECTION = 0x08;
constexpr UINT TIPF_BEHAVIOUR = 0x10;
constexpr UINT TIPF_TRANSPARENCY = 0x20;

struct TipTool {
    UINT id = 0;
    RECT rect{};
    HtmlText text;
    UINT mask = 0;
    int direction = 0;
    int effect = 0;
    DWORD behaviour = 0;
    BYTE granularity = 0;
    BYTE transparency = 0;
    COLORREF crBegin = 0;
    COLORREF crMid = 0;
    COLORREF crEnd = 0;
    UINT hotKey = 0;
    UINT hotKeyValue = 0;
    bool belowControl = false;
};

// What WM_NOTIFY carries before a tip shows; the receiver may change the position and the tool.
struct NM_RICHTIP {
    NMHDR hdr;
    HWND hwndTool;
    POINT* pt;
    TipTool* ti;
};

// The message posted to the owner when the shown tool's hot key is pressed.
UINT RichTipHotKeyMessage();

class CRichToolTip : public CWnd {
    DECLARE_MESSAGE_MAP()
public:
    enum State { Hidden = 0, Showing = 1, Shown = 2, Hiding = 3 };
    enum Timer : UINT_PTR { TimerShow = 256, TimerHide = 257, TimerFadeIn = 258, TimerFadeOut = 259, TimerPoll = 260 };

    CRichToolTip();
    ~CRichToolTip() override;

    BOOL CreateTipWindow(CWnd* owner);
    void AddWindowTool(CWnd* window, const HtmlText& text, const RECT* rect = nullptr);
    void AddTool(HWND window, const TipTool& tool);
    void RemoveWindowTools(CWnd* window);
    void RemoveAllTools();
    BOOL RelayMessage(MSG* msg);
    BOOL DestroyWindow() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void SetBorderColor(COLORREF colour);
    void SetNotifyWindow(HWND window) { m_notify = window; }

    void PopTip();
    void HideTip();

    // What a test or the look may read and set.
    int GetState() const { return m_state; }
    int GetTransparency() const { return m_transparency; }
    bool HoldsCapture() const { return m_capture; }
    const RECT& WindowRect() const { return m_windowRect; }
    const RECT& FrameRect() const { return m_frameRect; }
    const RECT& TextRect() const { return m_textRect; }
    POINT AnchorPoint() const { return m_anchor; }
    int Direction() const { return m_direction; }
    CRichHtmlDrawer& Drawer() { return m_drawer; }

    // Placement against the screen: fixes direction, anchor point and window rectangle for a tip
    // of the measured frame pointing at `point`.
    void PlaceTip(POINT point, int direction, const RECT& screen, const RECT& frame);

    int m_initialDelay = 500;
    int m_autoPop = 5000;
    int m_fadeInStep = 0;
    int m_fadeOutStep = 0;
    bool m_fadeIn = true;
    bool m_fadeOut = true;
    TipTool m_defaults;

    SIZE m_rounding{ 16, 16 };
    SIZE m_margin{ 12, 12 };
    int m_anchorWidth = 12;
    int m_anchorHeight = 16;
    int m_anchorMargin = 16;
    HBRUSH m_borderBrush = nullptr;
    SIZE m_borderSize{ 1, 1 };
    SIZE m_shadowOffset{ 6, 6 };
    SIZE m_shadowBlur{ 7, 7 };
    int m_shadowDarkness = 50;
    bool m_softShadow = true;

protected:
    virtual void DrawBorder(HDC hdc);
    CWnd* m_owner = nullptr;

    void OnPaint();
    void OnTimer(UINT_PTR id);
    BOOL OnSetCursor(CWnd* window, UINT hitTest, UINT message);
    void OnActivateApp(BOOL active, DWORD thread);
    LRESULT OnRepaintRequest(WPARAM, LPARAM);

private:
    void OnMouseMove(POINT screen);
    bool FindToolAtPoint(POINT client, HWND* toolWindow, TipTool* tool) const;
    bool FindToolInWindow(HWND window, POINT point, TipTool* tool) const;
    void QueueTool(const TipTool& tool, HWND window);
    void ShowStep();
    void HideStep();
    void StartAutoPopTimer();
    void ShowTip();
    bool NotifyOwner(HWND toolWindow, POINT* point, TipTool* tool);
    HRGN CreateTipRegion(int width, int height) const;
    void PaintTip(HDC hdc, int transparency);
    void MoveTipWithCursor(POINT from, POINT to);
    void TakeCapture();
    void DropCapture();
    void FreeShownTip();
    bool CursorOverTip(POINT screen) const;

    HWND m_notify = nullptr;
    std::map<HWND, std::vector<TipTool>> m_tools;
    TipTool m_pending;
    HWND m_pendingWindow = nullptr;
    TipTool m_current;
    HWND m_currentWindow = nullptr;
    RECT m_currentRect{};
    POINT m_lastPos{ -100000, -100000 };
    int m_state = Hidden;
    int m_transparency = 0;
    bool m_pendingShow = false;
    bool m_pendingDelay = false;
    bool m_capture = false;

    CRichHtmlDrawer m_drawer;
    CRichDrawManager m_drawManager;
    HRGN m_region = nullptr;
    HBITMAP m_background = nullptr;
    HBITMAP m_snapshot = nullptr;
    RECT m_textRect{};
    RECT m_frameRect{};
    RECT m_windowRect{};
    POINT m_anchor{};
    int m_direction = 0x10;
};
