#pragma once
// The toolkit's own tooltip windows (context styles 2-5). They answer the tooltip messages the
// context sends, keep their own tool list, decide with a show timer when a tip appears, place it
// below the cursor shape (or below an anchor) inside the work area, and hide it through a thread
// mouse hook when the cursor leaves the tool.

#include "toolkit/commandbars/ToolTipContext.h"

#include <memory>
#include <vector>

class CDC;
class CJQWImageManagerIcon;
class CJQWRichRender;

class CJQWToolTipContextToolTip : public CWnd {
public:
    struct TOOLITEM {
        CString strText;
        BOOL bCallback = FALSE;
        UINT uFlags = 0;
        CRect rect;
        HINSTANCE hinst = nullptr;
        HWND hwnd = nullptr;
        UINT_PTR uId = 0;
        LPARAM lParam = 0;
        CRect rcAnchor;
        BOOL IsSameTool(const TOOLITEM& other) const { return hwnd == other.hwnd && uId == other.uId; }
        BOOL IsEmpty() const { return hwnd == nullptr && uId == 0; }
    };

    explicit CJQWToolTipContextToolTip(CJQWToolTipContext* context);
    ~CJQWToolTipContextToolTip() override;

    BOOL Create(CWnd* owner, DWORD style);

    virtual CSize CalcTipSize(TOOLITEM& tool);
    virtual void DrawContent(CDC* dc, TOOLITEM& tool, CRect rect);
    virtual void DrawBackground(CDC* dc, CRect rect);

    const TOOLITEM& GetShownTool() const { return m_shown; }
    const TOOLITEM& GetSuppressedTool() const { return m_suppressed; }
    int GetToolCount() const { return int(m_tools.size()); }
    BOOL IsActive() const { return m_bActive; }
    CString GetTitle() const { return m_strTitle; }

    // How far the current cursor shape reaches below its hot spot (21 when it cannot be read).
    static int GetCursorDepth();
    static int CursorDepthFromMask(const BYTE* bits, int bytes, int width, int height, BOOL monochrome, int hotSpotY);
    // The window whose thread mouse hook is installed, or null.
    static CJQWToolTipContextToolTip* GetHookOwner();

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    CJQWToolTipContext* m_pContext;

private:
    TOOLITEM* FindTool(const TOOLINFO* info);
    void OnRelayEvent(const MSG* msg);
    void ShowTool(const TOOLITEM& tool);
    void HideTip();
    BOOL ToolUnderCursor(POINT point, TOOLITEM& found);
    void OnPaintTip();
    CString GetToolText(TOOLITEM& tool);
    void InstallHook();
    void RemoveHook();
    static LRESULT MouseHookProc(int code, WPARAM wParam, LPARAM lParam);

    std::vector<std::unique_ptr<TOOLITEM>> m_tools;
    TOOLITEM m_shown;
    TOOLITEM m_suppressed;
    TOOLITEM m_pending;
    CString m_strTitle;
    HWND m_hwndOwner = nullptr;
    BOOL m_bActive = FALSE;
    UINT_PTR m_nTimer = 0;
    DWORD m_dwLastShowHide = 0;
    BOOL m_bEverShownOrHidden = FALSE;
    int m_nDelayInitial = 500;
    int m_nDelayReshow = 200;
    CJQWImageManagerIcon* m_pImage = nullptr;
    DWORD m_dwStyleBits = 0;
};

class CJQWToolTipContext::CLunaToolTip : public CJQWToolTipContextToolTip {
public:
    using CJQWToolTipContextToolTip::CJQWToolTipContextToolTip;
    void DrawBackground(CDC* dc, CRect rect) override;
};

class CJQWToolTipContext::COffice2007ToolTip : public CJQWToolTipContextToolTip {
public:
    using CJQWToolTipContextToolTip::CJQWToolTipContextToolTip;
    void DrawBackground(CDC* dc, CRect rect) override;
};

class CJQWToolTipContext::CRichEditToolTip : public CJQWToolTipContextToolTip {
public:
    explicit CRichEditToolTip(CJQWToolTipContext* context);
    ~CRichEditToolTip() override;
    CSize CalcTipSize(TOOLITEM& tool) override;
    void DrawContent(CDC* dc, TOOLITEM& tool, CRect rect) override;

private:
    std::unique_ptr<CJQWRichRender> m_pRender;
};
