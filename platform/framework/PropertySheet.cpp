#include "platform/framework/PropertySheet.h"

#include "platform/framework/ResourceHandle.h"
#include "platform/framework/WinApp.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CPropertyPage, CDialog)
IMPLEMENT_DYNAMIC(CPropertySheet, CWnd)

namespace {

// The page's own procedure: everything is handled by the object through the class library.
INT_PTR PageDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

std::u16string LoadText(UINT id)
{
    WCHAR text[256] {};
    if (id && !::LoadStringW(AfxGetResourceHandle(), id, text, 256))
        ::LoadStringW(nullptr, id, text, 256);
    return text;
}

} // namespace

// ---- Pages -----------------------------------------------------------------------------------

void CPropertyPage::Construct(UINT templateId, UINT captionId)
{
    Construct(templateId ? MAKEINTRESOURCEW(templateId) : nullptr, captionId);
    m_nIDHelp = templateId;
}

void CPropertyPage::Construct(LPCWSTR templateName, UINT captionId)
{
    m_lpszTemplateName = templateName;
    m_psp = {};
    m_psp.dwSize = sizeof(m_psp);
    m_psp.dwFlags = PSP_USECALLBACK;
    m_psp.hInstance = AfxGetResourceHandle();
    m_psp.pszTemplate = templateName;
    m_psp.pfnDlgProc = PageDialogProc;
    m_psp.lParam = reinterpret_cast<LPARAM>(this);
    m_psp.pfnCallback = &CPropertyPage::PageCallback;
    if (captionId) {
        m_caption = LoadText(captionId);
        m_psp.pszTitle = m_caption.c_str();
        m_psp.dwFlags |= PSP_USETITLE;
    }
}

void CPropertyPage::ConstructIndirect(const void* dialogTemplate, LPCWSTR caption)
{
    Construct(static_cast<LPCWSTR>(nullptr), 0);
    m_lpDialogTemplate = dialogTemplate;
    m_psp.dwFlags |= PSP_DLGINDIRECT;
    m_psp.pResource = dialogTemplate;
    if (caption) {
        m_caption = caption;
        m_psp.pszTitle = m_caption.c_str();
        m_psp.dwFlags |= PSP_USETITLE;
    }
}

UINT CPropertyPage::PageCallback(HWND, UINT message, PROPSHEETPAGEW* page)
{
    if (message == PSPCB_CREATE)
        AfxHookDialogCreate(reinterpret_cast<CPropertyPage*>(page->lParam));
    return 1;
}

BOOL CPropertyPage::OnSetActive()
{
    // The first time, OnInitDialog has just filled the controls.
    if (m_firstSetActive)
        m_firstSetActive = false;
    else
        UpdateData(FALSE);
    return TRUE;
}

BOOL CPropertyPage::OnKillActive() { return UpdateData(TRUE); }

BOOL CPropertyPage::OnApply()
{
    OnOK();
    return TRUE;
}

void CPropertyPage::OnReset() { OnCancel(); }

BOOL CPropertyPage::OnQueryCancel() { return TRUE; }

void CPropertyPage::SetModified(BOOL changed)
{
    if (HWND sheet = ::GetParent(m_hWnd))
        ::SendMessage(sheet, changed ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

CPropertySheet* CPropertyPage::GetSheet() const
{
    return dynamic_cast<CPropertySheet*>(CWnd::FromHandlePermanent(::GetParent(m_hWnd)));
}

BOOL CPropertyPage::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header || header->hwndFrom != ::GetParent(m_hWnd))
        return CDialog::OnNotify(wParam, lParam, result);
    LRESULT answer = 0;
    switch (header->code) {
    case PSN_SETACTIVE:
        answer = OnSetActive() ? 0 : -1;
        break;
    case PSN_KILLACTIVE:
        answer = OnKillActive() ? FALSE : TRUE;
        break;
    case PSN_APPLY:
        answer = OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
        break;
    case PSN_RESET:
        OnReset();
        break;
    case PSN_QUERYCANCEL:
        answer = OnQueryCancel() ? FALSE : TRUE;
        break;
    default:
        return CDialog::OnNotify(wParam, lParam, result);
    }
    ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, answer);
    if (result)
        *result = answer;
    return TRUE;
}

// ---- Sheets ----------------------------------------------------------------------------------

CPropertySheet::CPropertySheet(UINT captionId, CWnd* parent, UINT selectPage)
    : m_pParentWnd(parent), m_caption(LoadText(captionId)), m_startPage(selectPage)
{
}

CPropertySheet::CPropertySheet(LPCWSTR caption, CWnd* parent, UINT selectPage)
    : m_pParentWnd(parent), m_caption(caption ? caption : u""), m_startPage(selectPage)
{
}

CPropertySheet::~CPropertySheet()
{
    if (m_hWnd && ::IsWindow(m_hWnd) && FromHandlePermanent(m_hWnd) == this)
        ::DestroyWindow(m_hWnd);
    for (HPROPSHEETPAGE handle : m_handles)
        DestroyPropertySheetPage(handle);
}

void CPropertySheet::AddPage(CPropertyPage* page)
{
    m_pages.push_back(page);
    if (m_hWnd) {
        HPROPSHEETPAGE handle = CreatePropertySheetPageW(&page->m_psp);
        m_handles.push_back(handle);
        ::SendMessage(m_hWnd, PSM_ADDPAGE, 0, reinterpret_cast<LPARAM>(handle));
    }
}

void CPropertySheet::RemovePage(int index)
{
    if (index < 0 || index >= int(m_pages.size()))
        return;
    if (m_hWnd && index < int(m_handles.size())) {
        ::SendMessage(m_hWnd, PSM_REMOVEPAGE, WPARAM(index), 0);
        DestroyPropertySheetPage(m_handles[std::size_t(index)]);
        m_handles.erase(m_handles.begin() + index);
    }
    m_pages.erase(m_pages.begin() + index);
}

int CPropertySheet::GetPageIndex(CPropertyPage* page) const
{
    auto it = std::find(m_pages.begin(), m_pages.end(), page);
    return it == m_pages.end() ? -1 : int(it - m_pages.begin());
}

CPropertyPage* CPropertySheet::GetActivePage() const
{
    if (!m_hWnd)
        return m_startPage < m_pages.size() ? m_pages[m_startPage] : nullptr;
    HWND page = HWND(::SendMessage(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0));
    return dynamic_cast<CPropertyPage*>(CWnd::FromHandlePermanent(page));
}

int CPropertySheet::GetActiveIndex() const
{
    if (!m_hWnd)
        return int(m_startPage);
    HWND page = HWND(::SendMessage(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0));
    return int(::SendMessage(m_hWnd, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0));
}

BOOL CPropertySheet::SetActivePage(int index)
{
    if (!m_hWnd) {
        m_startPage = UINT(index);
        return TRUE;
    }
    return BOOL(::SendMessage(m_hWnd, PSM_SETCURSEL, WPARAM(index), 0));
}

void CPropertySheet::SetTitle(LPCWSTR title, UINT style)
{
    m_caption = title ? title : u"";
    if (style & PSH_PROPTITLE)
        m_psh.dwFlags |= PSH_PROPTITLE;
    if (m_hWnd)
        ::SendMessage(m_hWnd, PSM_SETTITLEW, style, reinterpret_cast<LPARAM>(m_caption.c_str()));
}

HWND CPropertySheet::CreateSheet(CWnd* parent, bool show)
{
    for (HPROPSHEETPAGE handle : m_handles)
        DestroyPropertySheetPage(handle);
    m_handles.clear();
    for (CPropertyPage* page : m_pages)
        m_handles.push_back(CreatePropertySheetPageW(&page->m_psp));
    m_psh.dwSize = sizeof(m_psh);
    m_psh.dwFlags = (m_psh.dwFlags & ~PSH_PROPSHEETPAGE) | PSH_MODELESS;
    m_psh.hwndParent = AfxSafeHwnd(parent);
    m_psh.hInstance = AfxGetResourceHandle();
    m_psh.pszCaption = m_caption.c_str();
    m_psh.nPages = UINT(m_handles.size());
    m_psh.nStartPage = m_startPage;
    m_psh.phpage = m_handles.data();
    AfxHookDialogCreate(this);
    HWND sheet = HWND(PropertySheetW(&m_psh));
    AfxUnhookDialogCreate();
    if (!sheet) {
        if (m_hWnd && !::IsWindow(m_hWnd))
            Detach();
        return nullptr;
    }
    if (!show)
        ::ShowWindow(sheet, SW_HIDE);
    return sheet;
}

BOOL CPropertySheet::Create(CWnd* parent, DWORD style, DWORD exStyle)
{
    m_pParentWnd = parent;
    HWND sheet = CreateSheet(parent, style == DWORD(-1) || (style & WS_VISIBLE));
    if (sheet && exStyle)
        ::SetWindowLongPtrW(sheet, GWL_EXSTYLE, ::GetWindowLongPtrW(sheet, GWL_EXSTYLE) | LONG_PTR(exStyle));
    return sheet != nullptr;
}

INT_PTR CPropertySheet::DoModal()
{
    HWND owner = AfxGetModalOwner(m_pParentWnd);
    const bool enableOwner = owner && ::IsWindowEnabled(owner);
    if (enableOwner)
        ::EnableWindow(owner, FALSE);
    INT_PTR result = IDCANCEL;
    m_nModalResult = -1;
    if (CreateSheet(CWnd::FromHandle(owner), true)) {
        RunModalLoop(0);
        const LRESULT sheetResult = ::SendMessage(m_hWnd, PSM_GETRESULT, 0, 0);
        if (m_nModalResult != -1 && sheetResult == -1)
            result = m_nModalResult;
        else
            result = sheetResult > 0 ? IDOK : IDCANCEL;
    } else {
        result = -1;
    }
    if (enableOwner && ::IsWindow(owner))
        ::EnableWindow(owner, TRUE);
    if (m_hWnd && ::IsWindow(m_hWnd))
        DestroyWindow();
    for (HPROPSHEETPAGE handle : m_handles)
        DestroyPropertySheetPage(handle);
    m_handles.clear();
    return result;
}

void CPropertySheet::EndDialog(int result)
{
    m_nModalResult = result;
    if (m_nFlags & (WF_MODALLOOP | WF_CONTINUEMODAL))
        EndModalLoop(result);
    if (m_hWnd)
        ::EndDialog(m_hWnd, result);
}

BOOL CPropertySheet::ContinueModal()
{
    if (!CWnd::ContinueModal())
        return FALSE;
    return m_hWnd && ::IsWindow(m_hWnd) && ::SendMessage(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0) != 0;
}

BOOL CPropertySheet::PreTranslateMessage(MSG* msg)
{
    if (!m_hWnd || (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd)))
        return FALSE;
    const bool key = msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST;
    const bool mouse = msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST;
    if (!key && !mouse)
        return FALSE;
    return BOOL(::SendMessage(m_hWnd, PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(msg)));
}
