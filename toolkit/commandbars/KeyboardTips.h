#pragma once
// Key tips: small windows that show, next to each control of a bar (and next to every other
// toolbar), the keys that choose it. They appear only while the options allow them.

#include "platform/framework/Wnd.h"

#include <vector>

class CCmdTarget;
class CJQWCommandBars;

class CJQWCommandBarKeyboardTip : public CWnd {
    DECLARE_MESSAGE_MAP()
public:
    // Alignment on the anchor point: 1 centred across, 2 right edge on it, 4 centred down, 8
    // bottom edge on it; 0 the top-left corner on it.
    CJQWCommandBarKeyboardTip(CJQWCommandBars* bars, CCmdTarget* owner, const CString& caption, CPoint point,
        DWORD align, BOOL enabled);

    CString m_strTip;     // the keys shown and typed
    CString m_strCaption; // of the control or toolbar it belongs to
    CCmdTarget* m_pOwner;
    CPoint m_pt;
    BOOL m_bEnabled;
    CJQWCommandBars* m_pCommandBars;
    DWORD m_nAlign;

protected:
    void OnPaint();
    LRESULT OnNcHitTest(CPoint) { return HTTRANSPARENT; }
};

// The uniqueness rule: tips with equal keys get one more character each, from their captions
// (or a counter digit when the caption has none left).
void JQWMakeKeyboardTipsUnique(std::vector<CJQWCommandBarKeyboardTip*>& tips);
