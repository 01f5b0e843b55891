#include "app/update/DownloadUpdateDlg.h"

#include "platform/base/Unicode.h"
#include "platform/controls/CommonControls.h"

#include "AppWindowResources.h"

BEGIN_MESSAGE_MAP(CDownloadUpdateDlg, CDialog)
    ON_WM_TIMER()
END_MESSAGE_MAP()

CDownloadUpdateDlg::CDownloadUpdateDlg(const UpdateInfo* info, CWnd* parent)
    : CDialog(IDD_DOWNLOADUPDATE, parent), m_info(info)
{
    static const void* volatile table = &AppWindowResources;
    (void)table;
}

BOOL CDownloadUpdateDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (!m_info) {
        EndDialog(IDCANCEL);
        return TRUE;
    }
    ::SetDlgItemTextW(m_hWnd, IDC_DOWNLOAD_TITLE, u"Preparing to download...");
    ::EnableWindow(::GetDlgItem(m_hWnd, IDCANCEL), FALSE);
    SetTimer(1, 500);
    return TRUE;
}

void CDownloadUpdateDlg::OnTimer(UINT_PTR id)
{
    if (id != 1)
        return;
    KillTimer(1);
    CString title;
    if (!title.LoadString(163))
        title = u"Downloading %s";
    CString text;
    std::u16string name = u"VornaltSetup";
    for (const char* key : { "major", "minor", "bugfix", "build" }) {
        auto it = m_info->find(key);
        name += (name.size() == 12 ? u"_" : u".") + Utf8ToUtf16(it == m_info->end() ? std::string() : it->second);
    }
    text.Format(title.GetString(), name.c_str());
    ::SetDlgItemTextW(m_hWnd, IDC_DOWNLOAD_TITLE, text.GetString());
    std::string path;
    const int status = DownloadUpdate(*m_info, path);
    if (status == 200) {
        m_downloadedPath = path;
        ::SetDlgItemTextW(m_hWnd, IDC_DOWNLOAD_TITLE, (u"Saved to " + Utf8ToUtf16(path)).c_str());
        ::SetDlgItemTextW(m_hWnd, IDC_DOWNLOAD_STATE, u"Done");
        ::SendDlgItemMessageW(m_hWnd, IDC_DOWNLOAD_PROGRESS, PBM_SETPOS, 100, 0);
    } else {
        ::SetDlgItemTextW(m_hWnd, IDC_DOWNLOAD_STATE, u"(Failed)");
    }
    // Done is usable on every path, also when nothing could be fetched.
    ::EnableWindow(::GetDlgItem(m_hWnd, IDCANCEL), TRUE);
}
