#pragma once
// The user-visible settings of one command-bar manager, and the two command sets behind menus that
// show recently used commands only: the hidden commands and those of them the user has used.

#include "platform/framework/Archive.h"
#include "platform/framework/CmdTarget.h"
#include "platform/framework/Collections.h"
#include "platform/framework/Geometry.h"

class CJQWCommandBars;
class CJQWPropExchange;

using CJQWCommandSet = CMap<UINT, UINT, BOOL, BOOL>;

class CJQWCommandBarsOptions : public CCmdTarget {
public:
    explicit CJQWCommandBarsOptions(CJQWCommandBars* bars = nullptr) : m_pCommandBars(bars) { }

    // The user part stops after the settings a user changes on the options page.
    void DoPropExchange(CJQWPropExchange* exchange, BOOL userPartOnly);
    virtual void Serialize(CArchive& archive);
    // 0 always underline access keys, 1 never, 2 as the system does (hidden until Alt).
    void SetKeyboardCuesShow(int mode);
    int GetKeyboardCuesShow() const { return m_nKeyboardCuesShow; }

    BOOL bAlwaysShowFullMenus = TRUE;
    BOOL bShowFullAfterDelay = TRUE;
    BOOL bToolBarScreenTips = TRUE;
    BOOL bToolBarAccelTips = FALSE;
    BOOL bLargeIcons = FALSE;
    BOOL bSyncFloatingBars = TRUE;
    BOOL bShowExpandButtonAlways = TRUE;
    BOOL bDblClickFloat = FALSE;
    BOOL bShowTextBelowIcons = FALSE;
    BOOL bAltDragCustomization = TRUE;
    BOOL bAutoHideUnusedPopups = TRUE;
    BOOL bDirty = FALSE;
    BOOL bShowPopupBarToolTips = FALSE;
    int animationType = 0;
    BOOL bAutoUpdateShortcuts = TRUE;
    // 2 switches access keys off; bit 0 reaches every toolbar; bit 2 takes only '&' letters.
    int keyboardCuesUse = 1;
    BOOL bShowStatusText = TRUE;
    CSize szIcons { 0, 0 };
    CSize szLargeIcons { 0, 0 };
    CSize szPopupIcons { 0, 0 };
    BOOL bUseNumPadAccessKeys = FALSE;
    BOOL bSaveBitsUnderPopups = TRUE;
    BOOL bDisableCommandIfNoHandler = TRUE;
    BOOL bAlternatePopupPlacement = FALSE;
    CJQWCommandSet m_mapHiddenCommands;
    CJQWCommandSet m_mapUsedCommands;
    BOOL bKeyTipsEnabled = FALSE;

private:
    CJQWCommandBars* m_pCommandBars;
    int m_nKeyboardCuesShow = 0;
};

// A command set in its archive form: the count, then each id with its value.
void SerializeCommandSet(CArchive& archive, CJQWCommandSet& set);
