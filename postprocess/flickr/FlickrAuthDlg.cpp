#include "postprocess/flickr/FlickrAuthDlg.h"

#include "PostProcessResources.h"
#include "platform/gdi/Gdi.h"
#include "resources/MessageBox.h"
#include "resources/StringTable.h"

#include <cmath>

namespace {

// a * b / c rounded half away from zero, as the platform's MulDiv does; -1 when c is 0.
int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    return int(std::llround(double(a) * b / c));
}
constexpr UINT IDS_FROB_FAILED = 165;
constexpr UINT IDS_BROWSER_FAILED = 164;
constexpr UINT IDS_TOKEN_FAILED = 166;
}

CFlickrAuthDlg::CFlickrAuthDlg()
{
    // Keeps the dialog template in programs that link the library statically.
    static const void* volatile table = &PostProcessResources;
    (void)table;
}

CFlickrAuthDlg::~CFlickrAuthDlg()
{
    if (m_introFont)
        ::DeleteObject(m_introFont);
}

INT_PTR CFlickrAuthDlg::DoModal(HWND owner)
{
    m_firstStep = 1;
    return ::DialogBoxParamW(nullptr, MAKEINTRESOURCEW(IDD_FLICKR_AUTH), owner, &DialogProcedure, LPARAM(this));
}

INT_PTR CFlickrAuthDlg::DialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<CFlickrAuthDlg*>(::GetWindowLongPtrW(dialog, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CFlickrAuthDlg*>(lParam);
        ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        self->OnInitDialog(dialog);
        return TRUE;
    }
    if (!self || message != WM_COMMAND || HIWORD(DWORD(wParam)) != BN_CLICKED)
        return FALSE;
    switch (LOWORD(DWORD(wParam))) {
    case IDOK:
        self->OnOK(dialog);
        return TRUE;
    case IDCANCEL:
        ::EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

void CFlickrAuthDlg::OnInitDialog(HWND dialog)
{
    // The explanation in the interface's bold face at 11 points.
    LOGFONTW font {};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    HDC screen = ::GetDC(dialog);
    font.lfHeight = -MulDiv(110, ::GetDeviceCaps(screen, LOGPIXELSY), 720);
    ::ReleaseDC(dialog, screen);
    font.lfWidth = 0;
    font.lfWeight = FW_BOLD;
    if (m_introFont)
        ::DeleteObject(m_introFont);
    m_introFont = ::CreateFontIndirectW(&font);
    ::SendDlgItemMessageW(dialog, IDC_FLICKR_AUTH_INTRO, WM_SETFONT, WPARAM(m_introFont), FALSE);
}

void CFlickrAuthDlg::ReportFailure(HWND, UINT stringId)
{
    const std::u16string text = LoadStringText(stringId) + m_client.GetErrorText();
    AppMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void CFlickrAuthDlg::OnOK(HWND dialog)
{
    if (m_firstStep) {
        if (!m_client.GetFrob()) {
            ReportFailure(dialog, IDS_FROB_FAILED);
            return;
        }
        if (!m_client.OpenAuthorizationPage()) {
            ReportFailure(dialog, IDS_BROWSER_FAILED);
            return;
        }
        m_firstStep = 0;
        ::SetDlgItemTextW(dialog, IDOK, u"Complete Authorization...");
        return;
    }
    // The same frob again: the user may have approved only after a failed attempt.
    if (!m_client.GetToken()) {
        ReportFailure(dialog, IDS_TOKEN_FAILED);
        return;
    }
    m_account.authkey = m_client.GetAuthToken();
    m_account.fullname = m_client.GetFullName();
    m_account.nsid = m_client.GetUserId();
    m_account.username = m_client.GetUserName();
    ::EndDialog(dialog, IDOK);
}
