#pragma once
// The sign-in dialog of the photo-sharing service. Its one button walks the service's two steps:
// "Authorize..." asks for a frob and opens the approval page in the browser; once the user has
// approved, "Complete Authorization..." asks for the token and ends the dialog with IDOK and the
// account filled. A failed step says why and leaves the dialog in that step; Cancel ends it at any
// point with no account.

#include "platform/user/Dialog.h"
#include "postprocess/flickr/FlickrAccount.h"
#include "postprocess/flickr/FlickrClient.h"

constexpr UINT IDD_FLICKR_AUTH = 169;
constexpr int IDC_FLICKR_AUTH_INTRO = 1146;

class CFlickrAuthDlg {
public:
    CFlickrAuthDlg();
    ~CFlickrAuthDlg();
    CFlickrAuthDlg(const CFlickrAuthDlg&) = delete;
    CFlickrAuthDlg& operator=(const CFlickrAuthDlg&) = delete;

    // Runs modally over `owner`; IDOK only after a token was granted.
    INT_PTR DoModal(HWND owner = nullptr);

    FlickrClient m_client;
    CFlickrAccount m_account;
    HFONT m_introFont = nullptr;
    int m_firstStep = 1; // 1 until the approval page was opened

private:
    static INT_PTR DialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog(HWND dialog);
    void OnOK(HWND dialog);
    void ReportFailure(HWND dialog, UINT stringId);
};
