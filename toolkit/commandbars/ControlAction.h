#pragma once
// Actions: the command-level state (texts, icon, enabled, checked, visible) that every control of
// one id shares, so one change reaches every menu item and button of the command.

#include "platform/framework/CmdTarget.h"
#include "platform/framework/String.h"

#include <vector>

class CJQWCommandBars;
class CJQWControl;
class CJQWControlActions;

// What changed, for the bound controls.
enum : int { jqwActionEnabled = 0, jqwActionVisible = 2, jqwActionCaption = 3, jqwActionEditHint = 4 };

class CJQWControlAction : public CCmdTarget {
public:
    explicit CJQWControlAction(CJQWControlActions* owner = nullptr);
    ~CJQWControlAction() override;

    int GetID() const { return m_nId; }
    int GetIconId() const { return m_nIconId; }
    void SetIconId(int id) { m_nIconId = id; }
    int GetHelpId() const { return m_nHelpId; }
    void SetHelpId(int id) { m_nHelpId = id; }
    // TRUE while the command bars are in customize mode.
    BOOL GetEnabled() const;
    void SetEnabled(BOOL enabled) { m_bEnabled = enabled; }
    int GetChecked() const { return m_nChecked; }
    void SetChecked(int checked) { m_nChecked = checked; }
    BOOL GetVisible() const { return m_bVisible; }
    void SetVisible(BOOL visible) { m_bVisible = visible; }
    CString GetCaption() const { return m_strCaption.IsEmpty() ? m_strTooltip : m_strCaption; }
    BOOL HasCaption() const { return !m_strCaption.IsEmpty(); }
    CString GetTooltip() const { return m_strTooltip; }
    CString GetDescription() const { return m_strDescription; }
    CString GetEditHint() const { return m_strEditHint; }
    CString GetShortcutText() const { return m_strShortcutText; }
    void SetShortcutText(const CString& text) { m_strShortcutText = text; }
    // The keys of its key tip; empty: taken from the caption.
    CString GetKeyboardTip() const { return m_strKeyboardTip; }
    void SetKeyboardTip(const CString& keys) { m_strKeyboardTip = keys; }
    void SetPrompt(const CString& prompt);
    void SetCaption(const CString& caption);
    CJQWCommandBars* GetCommandBars() const;

    // Binding, called by CJQWControl::SetAction.
    int AddControl(CJQWControl* control);
    void RemoveControl(CJQWControl* control);
    int GetControlCount() const { return int(m_controls.size()); }

private:
    friend class CJQWControlActions;
    CCmdTarget* m_pTarget = nullptr;
    DWORD m_dwReserved = 0;
    int m_nId = 0;
    int m_nIconId = 0;
    int m_nHelpId = 0;
    BOOL m_bEnabled = TRUE;
    int m_nChecked = 0;
    BOOL m_bVisible = TRUE;
    CString m_strCaption;
    CString m_strTooltip;
    CString m_strDescription;
    CString m_strEditHint;
    CString m_strKeyboardTip;
    CString m_strShortcutText;
    std::vector<CJQWControl*> m_controls;
    CJQWControlActions* m_pOwner = nullptr;
};

class CJQWControlActions : public CCmdTarget {
public:
    explicit CJQWControlActions(CJQWCommandBars* commandBars = nullptr) : m_pCommandBars(commandBars) { }
    ~CJQWControlActions() override;

    CJQWControlAction* FindAction(int id) const;
    CJQWControlAction* Add(int id);
    void RemoveAll();
    int GetCount() const { return int(m_actions.size()); }
    // Null for an index out of range (no exception leaves the toolkit).
    CJQWControlAction* GetAt(int index) const;
    CJQWCommandBars* GetCommandBars() const { return m_pCommandBars; }
    // Whether the command bars are in customize mode (answered by the command bars once present).
    BOOL m_bCustomizeMode = FALSE;

private:
    std::vector<CJQWControlAction*> m_actions;
    CJQWCommandBars* m_pCommandBars = nullptr;
};
