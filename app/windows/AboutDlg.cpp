#include "app/windows/AboutDlg.h"

#include "app/update/UpdateCheck.h"

#include "platform/base/Unicode.h"
#include "platform/framework/DataExchange.h"
#include "platform/framework/ResourceHandle.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/ControlMessages.h"

#include "AppWindowResources.h"

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
    ON_BN_CLICKED(IDC_ABOUT_CHECKUPDATES, &CAboutDlg::OnCheckForUpdates)
END_MESSAGE_MAP()

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX, nullptr)
{
    static const void* volatile table = &AppWindowResources;
    (void)table;
}

CAboutDlg::~CAboutDlg()
{
    if (m_banner)
        ::DeleteObject(m_banner);
}

CString CAboutDlg::VersionLine()
{
    CString format, name;
    if (!format.LoadString(183))
        format = u"%s %s (Built %s)";
    if (!name.LoadString(102))
        name = u"Vornalt";
    // The build date of this release.
    const CString built = u"02/29/2008";
    const CString version = Utf8ToUtf16(GetProgramVersionText()).c_str();
    CString line;
    line.Format(format.GetString(), name.GetString(), version.GetString(), built.GetString());
    return line;
}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_banner = ::LoadBitmapW(AfxGetResourceHandle(), MAKEINTRESOURCEW(159));
    if (m_banner)
        ::SendDlgItemMessageW(m_hWnd, IDC_ABOUT_BANNER, STM_SETIMAGE, IMAGE_BITMAP, LPARAM(m_banner));
    m_link.SetUrl(kVornaltWebPage);
    m_strVersion = VersionLine();
    UpdateData(FALSE);
    return TRUE;
}

void CAboutDlg::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Text(dx, IDC_ABOUT_VERSION, m_strVersion);
    DDX_Control(dx, IDC_ABOUT_LINK, m_link);
}

void CAboutDlg::OnCheckForUpdates()
{
    UpdateInfo info;
    switch (CheckForUpdate(info)) {
    case UPDATE_CURRENT:
        AfxMessageBox(211, MB_OK | MB_ICONINFORMATION);
        break;
    case UPDATE_NO_SERVER:
        AfxMessageBox(210, MB_OK | MB_ICONWARNING);
        break;
    default:
        if (HWND parent = ::GetParent(m_hWnd))
            ::SendMessageW(parent, WM_VORNALT_UPDATEAVAILABLE, 0, LPARAM(&info));
        break;
    }
}
