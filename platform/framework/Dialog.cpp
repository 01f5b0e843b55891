#include "platform/framework/Dialog.h"

#include "platform/framework/DataExchange.h"
#include "platform/framework/Exceptions.h"
#include "platform/framework/ResourceHandle.h"
#include "platform/framework/WinApp.h"
#include "platform/user/Resources.h"

#include "FrameworkStrings.h"

#include <utility>

using platform::resources::kDialogTag;
using platform::resources::ResDialog;

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_MESSAGE(WM_INITDIALOG, &CDialog::HandleInitDialog)
    ON_COMMAND(IDOK, &CDialog::OnOK)
    ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

namespace {

// The object waiting for its dialog window: the creation hook hands it the next window made on
// the thread, then removes itself.
thread_local CWnd* t_creating = nullptr;
thread_local HHOOK t_hook = nullptr;

LRESULT DialogCreateHook(int code, WPARAM wParam, LPARAM lParam)
{
    HHOOK self = t_hook;
    if (code == HCBT_CREATEWND && t_creating) {
        CWnd* wnd = std::exchange(t_creating, nullptr);
        wnd->Attach(reinterpret_cast<HWND>(wParam));
        wnd->PreSubclassWindow();
        wnd->HookProcedure();
        UnhookWindowsHookEx(std::exchange(t_hook, nullptr));
    }
    return CallNextHookEx(self, code, wParam, lParam);
}

struct CreationHook {
    explicit CreationHook(CWnd* wnd) { AfxHookDialogCreate(wnd); }
    ~CreationHook() { AfxUnhookDialogCreate(); }
};

} // namespace

void AfxHookDialogCreate(CWnd* wnd)
{
    AfxUnhookDialogCreate();
    t_creating = wnd;
    t_hook = SetWindowsHookExW(WH_CBT, &DialogCreateHook, nullptr, GetCurrentThreadId());
}

void AfxUnhookDialogCreate()
{
    t_creating = nullptr;
    if (t_hook)
        UnhookWindowsHookEx(std::exchange(t_hook, nullptr));
}

HWND AfxGetModalOwner(CWnd* parent)
{
    HWND owner = AfxSafeHwnd(parent);
    if (!owner)
        if (CWnd* main = AfxGetMainWnd())
            owner = main->m_hWnd;
    return platform::user::ModalOwner(owner);
}

CDialog::CDialog(UINT templateId, CWnd* parent) : m_pParentWnd(parent)
{
    m_lpszTemplateName = TemplateNameOf(templateId);
    m_nIDHelp = templateId;
}

CDialog::CDialog(LPCWSTR templateName, CWnd* parent) : m_pParentWnd(parent)
{
    if (IS_INTRESOURCE(templateName)) {
        m_lpszTemplateName = templateName;
    } else {
        m_templateName = templateName;
        m_lpszTemplateName = m_templateName.c_str();
    }
}

CDialog::~CDialog()
{
    if (m_hWnd && ::IsWindow(m_hWnd) && FromHandlePermanent(m_hWnd) == this)
        ::DestroyWindow(m_hWnd);
}

LPCWSTR CDialog::TemplateNameOf(UINT id) { return MAKEINTRESOURCEW(id); }

const void* CDialog::FindTemplate() const
{
    if (m_lpDialogTemplate)
        return m_lpDialogTemplate;
    if (!m_lpszTemplateName)
        return nullptr;
    HINSTANCE module = AfxFindResourceHandle(m_lpszTemplateName, RT_DIALOG);
    HRSRC found = FindResourceW(module, m_lpszTemplateName, RT_DIALOG);
    if (!found)
        return nullptr;
    return LockResource(LoadResource(module, found));
}

BOOL CDialog::CreateFromTemplate(const void* dialogTemplate, HWND owner, bool hidden, bool* visible)
{
    const auto* t = static_cast<const ResDialog*>(dialogTemplate);
    if (!t || t->tag != kDialogTag)
        return FALSE;
    CREATESTRUCTW cs {};
    cs.style = LONG(t->style);
    cs.dwExStyle = t->exStyle;
    cs.hwndParent = owner;
    cs.lpszName = t->caption;
    cs.lpszClass = t->className && t->className[0] ? t->className : u"#32770";
    cs.hInstance = AfxGetResourceHandle();
    cs.x = t->x;
    cs.y = t->y;
    cs.cx = t->cx;
    cs.cy = t->cy;
    if (!PreCreateWindow(cs))
        return FALSE;
    m_template = *t;
    m_template.style = DWORD(cs.style);
    m_template.exStyle = cs.dwExStyle;
    if (visible)
        *visible = (m_template.style & WS_VISIBLE) != 0;
    if (hidden)
        m_template.style &= ~WS_VISIBLE;
    HWND window;
    {
        CreationHook hook(this);
        window = ::CreateDialogIndirectParamW(AfxFindResourceHandle(m_lpszTemplateName, RT_DIALOG), &m_template, owner,
            nullptr, 0);
    }
    if (!window) {
        if (m_hWnd && !::IsWindow(m_hWnd))
            Detach();
        return FALSE;
    }
    return TRUE;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent)
{
    m_lpszTemplateName = TemplateNameOf(templateId);
    if (!m_nIDHelp)
        m_nIDHelp = templateId;
    return Create(m_lpszTemplateName, parent);
}

BOOL CDialog::Create(LPCWSTR templateName, CWnd* parent)
{
    if (templateName != m_lpszTemplateName) {
        if (IS_INTRESOURCE(templateName)) {
            m_lpszTemplateName = templateName;
        } else {
            m_templateName = templateName;
            m_lpszTemplateName = m_templateName.c_str();
        }
    }
    m_pParentWnd = parent;
    return CreateIndirect(FindTemplate(), parent);
}

BOOL CDialog::CreateIndirect(const void* dialogTemplate, CWnd* parent)
{
    if (!parent)
        parent = AfxGetMainWnd();
    m_pParentWnd = parent;
    return CreateFromTemplate(dialogTemplate, AfxSafeHwnd(parent), false, nullptr);
}

BOOL CDialog::InitModalIndirect(const void* dialogTemplate, CWnd* parent)
{
    m_lpDialogTemplate = dialogTemplate;
    m_pParentWnd = parent;
    return dialogTemplate != nullptr;
}

INT_PTR CDialog::DoModal()
{
    const void* dialogTemplate = FindTemplate();
    if (!dialogTemplate)
        return -1;
    HWND owner = AfxGetModalOwner(m_pParentWnd);
    const bool enableOwner = owner && ::IsWindowEnabled(owner);
    if (enableOwner)
        ::EnableWindow(owner, FALSE);

    bool visible = false;
    m_nModalResult = -1;
    m_nFlags |= WF_CONTINUEMODAL;
    if (CreateFromTemplate(dialogTemplate, owner, true, &visible)) {
        if (m_nFlags & WF_CONTINUEMODAL) {
            DWORD flags = visible ? DWORD(MLF_SHOWONIDLE) : 0;
            if (GetStyle() & DS_NOIDLEMSG)
                flags |= MLF_NOIDLEMSG;
            RunModalLoop(flags);
        }
        if (m_hWnd)
            ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    }
    m_nFlags &= ~UINT(WF_CONTINUEMODAL);
    if (enableOwner && ::IsWindow(owner))
        ::EnableWindow(owner, TRUE);
    if (owner && ::IsWindow(owner) && ::GetActiveWindow() == m_hWnd)
        ::SetActiveWindow(owner);
    if (m_hWnd && ::IsWindow(m_hWnd))
        DestroyWindow();
    return m_nModalResult;
}

void CDialog::EndDialog(int result)
{
    if (m_nFlags & (WF_MODALLOOP | WF_CONTINUEMODAL))
        EndModalLoop(result);
    else
        m_nModalResult = result;
    if (m_hWnd)
        ::EndDialog(m_hWnd, result);
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) { return OnInitDialog(); }

BOOL CDialog::OnInitDialog()
{
    // A refused value at start is the program's fault, not the user's; the dialog opens anyway.
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::PreTranslateMessage(MSG* msg)
{
    if (!m_hWnd || (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd)))
        return FALSE;
    const bool key = msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST;
    const bool mouse = msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST;
    if (!key && !mouse)
        return FALSE;
    return ::IsDialogMessageW(m_hWnd, msg);
}

void CDialog::DoDataExchange(CDataExchange*) { }

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange dx(this, saveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (CUserException* e) {
        e->Delete();
        return FALSE;
    }
    return TRUE;
}

// ---- Message boxes ---------------------------------------------------------------------------

int AfxMessageBox(LPCWSTR text, UINT type, UINT)
{
    if ((type & MB_ICONMASK) == 0) {
        switch (type & MB_TYPEMASK) {
        case MB_OK:
        case MB_OKCANCEL:
            type |= MB_ICONEXCLAMATION;
            break;
        case MB_YESNO:
        case MB_YESNOCANCEL:
            type |= MB_ICONQUESTION;
            break;
        default:
            break;
        }
    }
    LPCWSTR caption = nullptr;
    if (CWinApp* app = AfxGetApp())
        caption = app->m_pszAppName;
    CWnd* main = AfxGetMainWnd();
    HWND active = ::GetActiveWindow();
    HWND owner = active ? active : AfxSafeHwnd(main);
    return ::MessageBoxW(owner, text, caption ? caption : u"", type);
}

int AfxMessageBox(UINT promptId, UINT type, UINT helpId)
{
    WCHAR text[512] {};
    // Reading the table links it (and its start-up registration) into every program that shows
    // the class library's messages.
    if (FrameworkStrings.count == 0)
        return 0;
    if (!::LoadStringW(AfxGetResourceHandle(), promptId, text, 512))
        ::LoadStringW(nullptr, promptId, text, 512);
    return AfxMessageBox(text, type, helpId == UINT(-1) ? promptId : helpId);
}
