#pragma once
// Fetches the offered installer into a temporary folder and says where it is. The file is never
// started: the user installs it as any downloaded package.

#include "app/update/UpdateCheck.h"

#include "platform/framework/Dialog.h"

constexpr UINT IDD_DOWNLOADUPDATE = 160;
constexpr UINT IDC_DOWNLOAD_TITLE = 1103;
constexpr UINT IDC_DOWNLOAD_STATE = 1102;
constexpr UINT IDC_DOWNLOAD_PROGRESS = 1056;

class CDownloadUpdateDlg : public CDialog {
    DECLARE_MESSAGE_MAP()
public:
    explicit CDownloadUpdateDlg(const UpdateInfo* info, CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnTimer(UINT_PTR id);

    // Where the installer was saved; empty until a download succeeded.
    std::string m_downloadedPath;

private:
    const UpdateInfo* m_info;
};
