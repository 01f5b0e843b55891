#pragma once
// Dialogs whose children follow their size. Each registered child carries four anchor fractions
// saying how far each of its edges moves with the owner's width or height change. Positions are
// kept as floats so fractional anchors never drift; they are truncated only when applied.

#include "platform/framework/Dialog.h"

#include <vector>

constexpr DWORD jqResizeNoGrip = 0x01;
constexpr DWORD jqResizeFixedWidth = 0x02;
constexpr DWORD jqResizeFixedHeight = 0x04;
constexpr DWORD jqResizeNoMinTrackSize = 0x08;
constexpr DWORD jqResizeNoChildClipping = 0x10;
constexpr DWORD jqResizeOpaqueGroupBoxes = 0x20;

struct JQ_RESIZERECT {
    float left, top, right, bottom;
};
struct JQ_RESIZEPOINT {
    float x, y;
};

inline JQ_RESIZERECT MakeResizeRect(float l, float t, float r, float b) { return { l, t, r, b }; }
inline JQ_RESIZEPOINT MakeResizePoint(float x, float y) { return { x, y }; }

constexpr UINT JQ_IDC_SIZEICON = 0x7FFF;

class CJQResize;

// The size grip in the owner's bottom-right corner.
class CJQSizeIcon : public CScrollBar {
    DECLARE_MESSAGE_MAP()
public:
    CJQSizeIcon();
    BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);

private:
    HCURSOR m_cursor = nullptr;
};

// Group boxes of this class keep their opaque background.
class CJQResizeGroupBox : public CWnd {
    DECLARE_DYNAMIC(CJQResizeGroupBox)
};

class CJQResizeItem {
public:
    CJQResizeItem(CJQResize* engine, CWnd* wnd, const JQ_RESIZERECT& anchor, const JQ_RESIZERECT& position,
                  bool ownsWindow);
    virtual ~CJQResizeItem();
    virtual void MakeGroupBoxTransparent();

    CJQResize* m_pEngine;
    CWnd* m_pWnd;
    JQ_RESIZERECT m_rcAnchor;
    JQ_RESIZERECT m_rcPosition;
    bool m_bRepaint = false;
    bool m_bOwnsWindow;
    bool m_bMovedOnce = false;
};

class CJQResize {
public:
    CJQResize(CWnd* owner, DWORD flags = 0);
    virtual ~CJQResize();
    virtual void InitLayout();
    virtual void ApplyLayout();
    virtual void AdjustLayoutRect(RECT& windowRect) { (void)windowRect; }
    virtual BOOL MoveItem(HDWP& defer, CJQResizeItem* item, float dx, float dy);

    void SetFlags(DWORD flags) { m_dwFlags |= flags; }
    DWORD GetFlags() const { return m_dwFlags; }
    // Registers a child by control id (hwnd null) or by handle. A control id registered again adds
    // the new anchor to the first one. FALSE when no such child exists.
    BOOL SetControlAnchors(UINT id, HWND hwnd, const JQ_RESIZERECT& anchor);
    void OffsetItems(int dx, int dy);
    void RemoveAllItems();
    BOOL RestorePlacement(LPCWSTR section);
    BOOL LoadPlacement(LPCWSTR section);
    BOOL SavePlacement(LPCWSTR section);
    void GetMinMaxInfo(MINMAXINFO* info) const;

    const std::vector<CJQResizeItem*>& Items() const { return m_items; }
    const CString& Section() const { return m_section; }

    SIZE m_szMin {};
    SIZE m_szMax {};

protected:
    DWORD m_dwFlags;
    CWnd* m_pOwner;
    RECT m_rcWindow {};
    RECT m_rcInitWindow {};
    CString m_section;
    CJQSizeIcon m_sizeIcon;
    std::vector<CJQResizeItem*> m_items;

    void RepaintItems();
};

class CJQResizeDialog : public CDialog, public CJQResize {
    DECLARE_DYNCREATE(CJQResizeDialog)
    DECLARE_MESSAGE_MAP()
public:
    CJQResizeDialog();
    CJQResizeDialog(UINT templateId, CWnd* parent, DWORD flags = 0);
    // Destroys the window while the object is still whole, so the placement is saved.
    ~CJQResizeDialog() override;
    BOOL OnInitDialog() override;
    void OnSize(UINT type, int cx, int cy);
    void OnGetMinMaxInfo(MINMAXINFO* info);
    void OnDestroy();
};
