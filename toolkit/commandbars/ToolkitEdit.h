#pragma once
// The edit window that edit and combo-box fields place on a bar: the platform's edit control under
// its rich-edit class (plain text, one character format), else the plain edit control. It reads
// its text, runs Cut, Copy and Paste, takes the editing keys the bars would otherwise swallow and
// tracks input-method composition.

#include "platform/framework/Wnd.h"

class CJQWControl;

class CJQWEdit : public CWnd {
public:
    CJQWEdit() = default;
    ~CJQWEdit() override;

    virtual BOOL ShowContextMenu(CJQWControl* control, CPoint point);
    virtual BOOL CreateEdit(DWORD style, CWnd* parent);

    CString GetText() const;
    BOOL IsCommandEnabled(UINT id) const;
    // Backspace, Page Up to Delete and Ctrl+C, V, X, Z go to the window as key presses; TRUE
    // when it took one.
    BOOL HandleKey(UINT key, LPARAM data);
    BOOL IsComposing() const { return m_bComposing; }
    BOOL IsRichEdit() const { return m_bRichEdit; }
    void SetCaptionGlass(BOOL on) { m_bCaptionGlass = on; }
    BOOL IsSettingText() const { return m_bSettingText; }
    void SetSettingText(BOOL on) { m_bSettingText = on; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    BOOL m_bComposing = FALSE;
    BOOL m_bCaptionGlass = FALSE;
    BOOL m_bSettingText = FALSE;
    BOOL m_bRichEdit = FALSE;
};

constexpr UINT ID_EDIT_COPY = 0xE122;
constexpr UINT ID_EDIT_CUT = 0xE123;
constexpr UINT ID_EDIT_PASTE = 0xE125;
