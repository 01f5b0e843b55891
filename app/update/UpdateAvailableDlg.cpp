#include "app/update/UpdateAvailableDlg.h"

#include "app/SettingsStore.h"

#include "platform/framework/DataExchange.h"

#include "AppWindowResources.h"

CUpdateAvailableDlg::CUpdateAvailableDlg(CSettingsStore& settings, double now, CWnd* parent)
    : CDialog(IDD_UPDATEAVAILABLE, parent), m_settings(settings), m_now(now)
{
    static const void* volatile table = &AppWindowResources;
    (void)table;
}

BOOL CUpdateAvailableDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_strChanges.Trim();
    // The server's text is shown as it stands, never interpreted; an edit control wants CR LF.
    CString shown;
    for (int i = 0; i < m_strChanges.GetLength(); ++i) {
        const char16_t c = m_strChanges[i];
        if (c == u'\n' && (i == 0 || m_strChanges[i - 1] != u'\r'))
            shown += u"\r\n";
        else
            shown += c;
    }
    m_strChanges = shown;
    UpdateData(FALSE);
    return TRUE;
}

void CUpdateAvailableDlg::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Text(dx, IDC_UPDATE_NEWVERSION, m_strNewVersion);
    DDX_Text(dx, IDC_UPDATE_CURRENTVERSION, m_strCurrentVersion);
    DDX_Text(dx, IDC_UPDATE_CHANGES, m_strChanges);
    DDX_Check(dx, IDC_UPDATE_NOWEEKLYCHECK, m_bNoWeeklyCheck);
}

void CUpdateAvailableDlg::StoreNextCheck()
{
    m_settings.SetNextUpdateCheck(m_bNoWeeklyCheck ? m_now + 7.0 : m_now);
}

void CUpdateAvailableDlg::OnOK()
{
    UpdateData(TRUE);
    StoreNextCheck();
    EndDialog(IDYES);
}

void CUpdateAvailableDlg::OnCancel()
{
    UpdateData(TRUE);
    StoreNextCheck();
    EndDialog(IDNO);
}
