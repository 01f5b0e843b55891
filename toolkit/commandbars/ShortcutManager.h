#pragma once
// The keyboard shortcuts of one command-bar manager: the table in force, a pristine copy for
// resetting, the names of keys, the text shown beside a command, and the table's exchange with
// the settings store.

#include "platform/framework/CmdTarget.h"
#include "platform/framework/String.h"
#include "platform/framework/Wnd.h"
#include "platform/user/Accelerators.h"

#include <map>

class CJQWCommandBars;
class CJQWPropExchange;

class CJQWShortcutManager : public CCmdTarget {
public:
    // Turns one accelerator entry into text ("Ctrl+Shift+F5").
    class CKeyHelper {
    public:
        CKeyHelper(const ACCEL* accel, const CJQWShortcutManager* manager) : m_pAccel(accel), m_pManager(manager) { }
        virtual ~CKeyHelper() = default;

        CString Format() const;
        // Which of several shortcuts of one command is shown: Ctrl 3, Alt 2, Shift 1, none 4.
        int GetPriority() const;

    private:
        CString KeyName(UINT key) const;

        const ACCEL* m_pAccel;
        const CJQWShortcutManager* m_pManager;
    };

    // An edit box that captures the key combination the user types.
    class CKeyAssign : public CWnd {
    public:
        explicit CKeyAssign(CJQWShortcutManager* manager = nullptr) : m_keyHelper(&m_accel, manager), m_pManager(manager) { }

        void ResetKey();
        BOOL IsKeyCaptured() const { return m_bKeyCaptured; }
        const ACCEL& GetAccel() const { return m_accel; }
        BOOL PreTranslateMessage(MSG* msg) override;

    private:
        BOOL m_bKeyCaptured = FALSE;
        ACCEL m_accel {};
        CKeyHelper m_keyHelper;
        CJQWShortcutManager* m_pManager;
    };

    explicit CJQWShortcutManager(CJQWCommandBars* commandBars);
    ~CJQWShortcutManager() override;
    CJQWShortcutManager(const CJQWShortcutManager&) = delete;
    CJQWShortcutManager& operator=(const CJQWShortcutManager&) = delete;

    void LoadAcceleratorResource(UINT resourceId);
    void LoadShortcuts(LPCWSTR profileName);
    void SetCurrentTable(const ACCEL* entries, int count);
    BOOL TranslateAccelerator(HWND window, MSG* msg);

    virtual BOOL GetShortcutText(UINT commandId, CString& text) const;
    virtual CString FormatAccel(const ACCEL* accel, int* priority = nullptr) const;
    virtual CString FormatKeyName(UINT virtualKey) const;
    virtual BOOL IsKeyAllowed(const ACCEL* accel, UINT commandId) const;
    // Veto hooks of the keyboard page: TRUE cancels the change.
    virtual BOOL OnBeforeAssign(const ACCEL*) { return FALSE; }
    virtual BOOL OnBeforeRemove(const ACCEL*) { return FALSE; }
    virtual void DoPropExchange(CJQWPropExchange* exchange);
    virtual HACCEL GetCurrentTable() const { return m_hAccelTable; }
    virtual void ResetAccelerators();

    HACCEL GetDefaultTable() const { return m_hDefaultTable; }

    // Whether the key gives the character under any installed keyboard layout; menu access keys
    // are matched through it.
    static BOOL KeyMatchesChar(WCHAR character, UINT virtualKey);

    BOOL m_bAllowEscapeShortcut = FALSE;
    BOOL m_bUseLayoutNamesFirst = FALSE;
    int m_nDisableShortcuts = 0;

private:
    CString LayoutKeyName(UINT virtualKey) const;

    CJQWCommandBars* m_pCommandBars;
    HACCEL m_hAccelTable = nullptr;
    HACCEL m_hDefaultTable = nullptr;
    std::map<UINT, CString> m_keyNames;
};
