#pragma once
// Dialogs of the class library. A CDialog shows a window of the dialog manager built from a
// template (by id or name from the resource module, or an in-memory template). The object takes
// the window over through the creation hook, before its first message, so its message map sees
// WM_INITDIALOG (OnInitDialog) and the commands of its buttons (IDOK: OnOK, IDCANCEL: OnCancel).
//
// DoModal creates the dialog hidden with its owner disabled, runs the class library's modal loop
// (the thread's message filter, then PreTranslateMessage, which hands keys and mouse messages to
// IsDialogMessageW) and shows the dialog on the loop's first idle time only when the style it
// was created with (after PreCreateWindow) has WS_VISIBLE. EndDialog ends the loop with its
// result; the owner is enabled again before the dialog is destroyed.

#include "platform/framework/Wnd.h"
#include "platform/user/Dialog.h"
#include "platform/user/MessageBox.h"

class CDataExchange;

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
    DECLARE_MESSAGE_MAP()
public:
    CDialog() = default;
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    explicit CDialog(LPCWSTR templateName, CWnd* parent = nullptr);
    ~CDialog() override;

    // Modeless: the dialog is shown at once when its template has WS_VISIBLE.
    BOOL Create(UINT templateId, CWnd* parent = nullptr);
    BOOL Create(LPCWSTR templateName, CWnd* parent = nullptr);
    BOOL CreateIndirect(const void* dialogTemplate, CWnd* parent = nullptr);
    // Modal from an in-memory template.
    BOOL InitModalIndirect(const void* dialogTemplate, CWnd* parent = nullptr);
    virtual INT_PTR DoModal();
    void EndDialog(int result);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    BOOL PreTranslateMessage(MSG* msg) override;

    // Fills the controls from the members (FALSE) or checks and reads them back (TRUE); FALSE
    // when a value was refused (the user was told, the focus is on the control).
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    virtual void DoDataExchange(CDataExchange* dx);

    void NextDlgCtrl() const { ::SendMessage(m_hWnd, WM_NEXTDLGCTL, 0, 0); }
    void PrevDlgCtrl() const { ::SendMessage(m_hWnd, WM_NEXTDLGCTL, 1, 0); }
    void GotoDlgCtrl(CWnd* control) { ::SendMessage(m_hWnd, WM_NEXTDLGCTL, WPARAM(AfxSafeHwnd(control)), TRUE); }
    void SetDefID(UINT id) { ::SendMessage(m_hWnd, DM_SETDEFID, id, 0); }
    DWORD GetDefID() const { return DWORD(::SendMessage(m_hWnd, DM_GETDEFID, 0, 0)); }
    void MapDialogRect(RECT* rect) const { ::MapDialogRect(m_hWnd, rect); }
    BOOL CheckDlgButton(int id, UINT check) { return ::CheckDlgButton(m_hWnd, id, check); }
    UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
    BOOL CheckRadioButton(int first, int last, int check) { return ::CheckRadioButton(m_hWnd, first, last, check); }
    UINT GetDlgItemInt(int id, BOOL* translated = nullptr, BOOL isSigned = TRUE) const
    {
        return ::GetDlgItemInt(m_hWnd, id, translated, isSigned);
    }
    void SetDlgItemInt(int id, UINT value, BOOL isSigned = TRUE) { ::SetDlgItemInt(m_hWnd, id, value, isSigned); }

    LPCWSTR m_lpszTemplateName = nullptr;
    const void* m_lpDialogTemplate = nullptr;
    CWnd* m_pParentWnd = nullptr;
    UINT m_nIDHelp = 0;

protected:
    LRESULT HandleInitDialog(WPARAM, LPARAM);
    // The template to build from, null with a message when the resource is missing.
    const void* FindTemplate() const;
    // Creates the window from `dialogTemplate` after PreCreateWindow had its say on the style;
    // `hidden` leaves WS_VISIBLE off. `visible` receives whether the final style asked for it.
    BOOL CreateFromTemplate(const void* dialogTemplate, HWND owner, bool hidden, bool* visible);

private:
    LPCWSTR TemplateNameOf(UINT id);
    platform::resources::ResDialog m_template {}; // the template as created (after PreCreateWindow)
    std::u16string m_templateName; // backs m_lpszTemplateName for string names
};

// Makes `wnd` the object of the next window the calling thread creates (a dialog or a property
// page the dialog manager builds); the hook removes itself then. Unhook cancels it.
void AfxHookDialogCreate(CWnd* wnd);
void AfxUnhookDialogCreate();

// The window a modal dialog of `parent` is owned by: its top-level window, or the main window.
HWND AfxGetModalOwner(CWnd* parent);

// The class library's message boxes: the application's caption; an icon chosen from the buttons
// when none is given (OK and OK/Cancel get the exclamation mark, the yes/no kinds the question).
int AfxMessageBox(LPCWSTR text, UINT type = MB_OK, UINT helpId = 0);
int AfxMessageBox(UINT promptId, UINT type = MB_OK, UINT helpId = UINT(-1));

// The class library's strings.
constexpr UINT AFX_IDP_PARSE_INT = 0xF110;      // 61712
constexpr UINT AFX_IDP_PARSE_REAL = 0xF113;     // 61715
constexpr UINT AFX_IDP_PARSE_INT_RANGE = 0xF114;
constexpr UINT AFX_IDP_PARSE_REAL_RANGE = 0xF115;
constexpr UINT AFX_IDP_PARSE_STRING_SIZE = 0xF116;
constexpr UINT AFX_IDP_PARSE_UINT = 0xF117;     // 61719
