#pragma once
// Dialog data exchange: DoDataExchange moves values between a dialog's members and its controls,
// to the controls (m_bSaveAndValidate FALSE) or back with checks (TRUE). A value the user typed
// that cannot be read is refused: the class library's message says what it expects, the focus
// goes back to the control (its text selected) and UpdateData returns FALSE.

#include "platform/framework/String.h"
#include "platform/framework/Wnd.h"

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) { }

    // The control with `id` (the last one prepared is where Fail puts the focus).
    HWND PrepareCtrl(int id);
    HWND PrepareEditCtrl(int id);
    // Puts the focus back on the last control prepared and stops the exchange.
    [[noreturn]] void Fail();

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
    HWND m_idLastControl = nullptr;
    BOOL m_bEditLastControl = FALSE;
};

// Numbers as text ("%d", "%u", "%ld"; doubles with 15 significant digits; DWORD is UINT here).
// Refusals: 61712 for int and long, 61719 for UINT (a sign is refused too), 61715 for double.
void DDX_Text(CDataExchange* dx, int id, int& value);
void DDX_Text(CDataExchange* dx, int id, UINT& value);
void DDX_Text(CDataExchange* dx, int id, long& value);
void DDX_Text(CDataExchange* dx, int id, double& value);
void DDX_Text(CDataExchange* dx, int id, CString& value);
// A check box: 0, 1 or 2 (indeterminate).
void DDX_Check(CDataExchange* dx, int id, int& value);
// `id` is the first radio button of its group: the index of the checked one, -1 for none.
void DDX_Radio(CDataExchange* dx, int id, int& value);
// Subclasses the control into `control` the first time.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
void DDX_CBIndex(CDataExchange* dx, int id, int& index);
// The edit text of a drop-down combo box, the selected item's text of a drop-down list; loading
// selects the first item starting with the text (a drop-down combo box shows the text anyway).
void DDX_CBString(CDataExchange* dx, int id, CString& value);
void DDX_LBIndex(CDataExchange* dx, int id, int& index);
void DDX_Slider(CDataExchange* dx, int id, int& value);

// Parses a whole number the way the exchange reads it: optional blanks around, an optional
// sign (refused when `isSigned` is false), decimal digits, within the type's range.
bool AfxParseInteger(const WCHAR* text, bool isSigned, bool wide, long long& value);
