#pragma once
// Placeholders that expand into generated menu entries each time their menu is laid out (open
// windows, recent files, toolbars, object verbs, tab-group commands), a label, and a grid selector
// that picks a size by hovering.

#include "toolkit/commandbars/ControlButton.h"

#include <vector>

// The caption of generated entry `n` (1-based; 0 for none): '&' doubled, then "&n text" for 1-9,
// "1&0 text" for 10, "n text" above.
CString JQWEntryCaption(const CString& text, int n);

// Open child windows of a multiple-document frame. The program's site is never one, so the
// placeholder then stays as it is.
class CJQWControlWindowList : public CJQWControlButton {
    DECLARE_DYNCREATE(CJQWControlWindowList)
public:
    CJQWControlWindowList();
    void PrepareLayout(int mode) override;
    BOOL CanDropOnBar(CJQWCommandBar* bar, CPoint point, int& effect) override;
    // The MDI client whose children are listed; null when the site is no such frame.
    virtual HWND GetMdiClient() const;
};

class CJQWControlRecentFileList : public CJQWControlButton {
    DECLARE_DYNCREATE(CJQWControlRecentFileList)
public:
    CJQWControlRecentFileList();
    void PrepareLayout(int mode) override;
    BOOL CanDropOnBar(CJQWCommandBar* bar, CPoint point, int& effect) override;
    // The display names of the application's recent files, or null when it keeps none.
    virtual const std::vector<CString>* GetRecentFileList() const { return nullptr; }
    virtual int GetFirstMruID() const { return 57616; }
};

class CJQWControlToolbars : public CJQWControlButton {
    DECLARE_DYNCREATE(CJQWControlToolbars)
public:
    // One entry: shows or hides the toolbar at its tag.
    class CJQWControlToolbar : public CJQWControlButton {
    public:
        void Execute() override;
    };
    CJQWControlToolbars();
    void PrepareLayout(int mode) override;
};

// Object verbs: there are no embedded objects here, so it hides and adds nothing.
class CJQWControlOleItems : public CJQWControlButton {
    DECLARE_DYNCREATE(CJQWControlOleItems)
public:
    CJQWControlOleItems();
    void PrepareLayout(int mode) override;
};

class CJQWControlLabel : public CJQWControl {
    DECLARE_DYNCREATE(CJQWControlLabel)
public:
    CJQWControlLabel();
    void OnClick(BOOL keyboard, CPoint point) override;
};

class CJQWControlSelector : public CJQWControl {
    DECLARE_DYNCREATE(CJQWControlSelector)
public:
    CSize GetSize(CDC* dc) override;
    void OnMouseMove(CPoint point) override;
    void OnLButtonUp(CPoint point) override;
    void PrepareLayout(int mode) override;
    void Copy(const CJQWControl* other, BOOL deep) override;

    CSize m_szItemsCount { 5, 4 };
    CSize m_szItemsMax { 12, 12 };
    CSize m_szItemsHover { 0, 0 };
    CSize m_szItem { 28, 28 };
    CSize m_szResult { 0, 0 };
    CSize m_szItemsVisible { 5, 4 };
    BOOL m_bLockUpdate = FALSE;
};
