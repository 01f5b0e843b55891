#include "app/properties/PostProcessActionDialogs.h"

#include "app/SettingsStore.h"
#include "app/VornaltApp.h"
#include "engine/ProgramData.h"
#include "platform/base/Path.h"
#include "platform/framework/CommonDialog.h"
#include "postprocess/flickr/FlickrAuthDlg.h"
#include "resources/StringTable.h"

// ---- Zip all

namespace {
constexpr int IDC_ZIP_PATH = 1051;
constexpr int IDC_ZIP_PROTECT = 1050;
constexpr int IDC_ZIP_PASSWORD = 1049;
constexpr int IDC_BROWSE = 1048;
}

CPropZipAllDlg::CPropZipAllDlg(ZipAllDialogValues& values)
    : CPropertyDialog(139,
        { TextBox(IDC_ZIP_PATH, values.zipPath), CheckBox(IDC_ZIP_PROTECT, values.passwordProtect),
            TextBox(IDC_ZIP_PASSWORD, values.password) })
    , m_values(values)
{
}

void CPropZipAllDlg::ApplyEnabling() { EnableControls({ IDC_ZIP_PASSWORD }, IsChecked(IDC_ZIP_PROTECT)); }

bool CPropZipAllDlg::OnControlCommand(int id, int)
{
    if (id == IDC_ZIP_PROTECT) {
        ApplyEnabling();
        return true;
    }
    if (id != IDC_BROWSE)
        return false;
    if (!UpdateData(TRUE))
        return true;
    const std::u16string extension = LoadStringText(242);
    const std::u16string filter = LoadStringText(181);
    CFileDialog picker(TRUE, extension.c_str(), m_values.zipPath.c_str(),
        OFN_OVERWRITEPROMPT | OFN_EXPLORER | OFN_ENABLESIZING, filter.c_str(), this);
    if (picker.DoModal() == IDOK) {
        m_values.zipPath = std::u16string(picker.GetPathName().GetString());
        SetControlText(IDC_ZIP_PATH, m_values.zipPath);
    }
    return true;
}

void CPropZipAllDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (m_values.zipPath.empty()) {
        ShowMessage(182, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    EndDialog(IDOK);
}

// ---- Gallery

namespace {
constexpr int IDC_GALLERY_THEMES = 1117;
constexpr int IDC_PREVIEW_PLACE = 1162;
constexpr UINT IDC_PREVIEW = 102;
}

CPropGalleryDlg::CPropGalleryDlg(GalleryDialogValues& values)
    : CPropertyDialog(165,
        { ListEntryByText(IDC_GALLERY_THEMES, values.theme), TextBox(1120, values.destinationDir),
            TextBox(1121, values.title), TextBox(1122, values.description), SignedBox(1119, values.thumbsPerPage) })
    , m_values(values)
{
}

void CPropGalleryDlg::PrepareControls()
{
    std::vector<std::u16string> themes;
    ListGalleryThemes(themes);
    for (const std::u16string& theme : themes)
        AddListEntry(IDC_GALLERY_THEMES, theme, 0);
    m_preview.CreateOver(this, IDC_PREVIEW_PLACE, IDC_PREVIEW);
}

void CPropGalleryDlg::ShowSample()
{
    if (!UpdateData(TRUE) || m_values.theme.empty())
        return;
    const std::u16string sample = GetGalleryThemesFolder() + m_values.theme + u"/sample.jpg";
    if (PathFileExists(sample.c_str()))
        m_preview.SetImagePath(sample);
}

bool CPropGalleryDlg::OnControlCommand(int id, int code)
{
    if (id == IDC_GALLERY_THEMES) {
        if (code == CBN_SELCHANGE)
            ShowSample();
        return true;
    }
    if (id != IDC_BROWSE)
        return false;
    if (!UpdateData(TRUE))
        return true;
    const std::u16string folder = BrowseForFolder(171);
    if (!folder.empty()) {
        m_values.destinationDir = folder;
        SetControlText(1120, folder);
    }
    return true;
}

// ---- E-mail

namespace {
constexpr int IDC_MAIL_AUTH = 1147;
}

CPropEmailDlg::CPropEmailDlg(EmailDialogValues& values)
    : CPropertyDialog(172,
        { TextBox(1156, values.fromAddress), TextBox(1157, values.recipients), TextBox(1151, values.smtpHost),
            SignedBox(1150, values.smtpPort), CheckBox(IDC_MAIL_AUTH, values.auth), TextBox(1148, values.smtpUser),
            TextBox(1149, values.smtpPassword), TextBox(1159, values.subject), TextBox(1160, values.message) },
        { 1155, 1154, 1158 })
{
}

void CPropEmailDlg::ApplyEnabling() { EnableControls({ 1148, 1149, 1152, 1153 }, IsChecked(IDC_MAIL_AUTH)); }

bool CPropEmailDlg::OnControlCommand(int id, int)
{
    if (id != IDC_MAIL_AUTH)
        return false;
    ApplyEnabling();
    return true;
}

// ---- FTP

CPropFtpDlg::CPropFtpDlg(FtpDialogValues& values)
    : CPropertyDialog(140,
        { TextBox(1052, values.host), UnsignedBox(1053, values.port), CheckBox(1054, values.passive),
            TextBox(1045, values.username), TextBox(1046, values.password), TextBox(1044, values.destinationDir) })
{
}

// ---- Photo-sharing upload

namespace {
constexpr int IDC_ACCOUNTS = 1134;
constexpr int IDC_ADD_ACCOUNT = 1135;
constexpr int IDC_DELETE_ACCOUNT = 1136;
constexpr int IDC_CONTENT_TYPE = 1140;
}

CPropFlickrDlg::CPropFlickrDlg(FlickrDialogValues& values)
    : CPropertyDialog(168,
        { TextBox(1139, values.tags), CheckBox(1141, values.viewPublic), CheckBox(1042, values.viewFriends),
            CheckBox(1043, values.viewFamily), ListEntryByData(IDC_CONTENT_TYPE, &values.contentType, true),
            CheckBox(1044, values.globalSearch) },
        { 1144, 1145, 1142, 1143 })
    , m_values(values)
{
}

void CPropFlickrDlg::PrepareControls()
{
    GetAppSettings().LoadFlickrAccounts(m_accounts);
    for (const CFlickrAccount& account : m_accounts)
        ::SendDlgItemMessageW(m_hWnd, IDC_ACCOUNTS, LB_ADDSTRING, 0, LPARAM(account.username.c_str()));
    for (UINT code = 1; code <= 3; ++code)
        AddListEntry(IDC_CONTENT_TYPE, LoadStringText(166 + code), code);
}

void CPropFlickrDlg::ControlsFilled()
{
    for (size_t i = 0; i < m_accounts.size(); ++i)
        if (m_accounts[i].authkey == m_values.authKey)
            ::SendDlgItemMessageW(m_hWnd, IDC_ACCOUNTS, LB_SETCURSEL, WPARAM(i), 0);
}

int CPropFlickrDlg::SelectedAccount() const
{
    const LRESULT index = ::SendDlgItemMessageW(m_hWnd, IDC_ACCOUNTS, LB_GETCURSEL, 0, 0);
    return index >= 0 && size_t(index) < m_accounts.size() ? int(index) : -1;
}

bool CPropFlickrDlg::OnControlCommand(int id, int)
{
    if (id == IDC_ADD_ACCOUNT)
        AddAccount();
    else if (id == IDC_DELETE_ACCOUNT)
        DeleteAccount();
    else
        return false;
    return true;
}

void CPropFlickrDlg::AddAccount()
{
    CFlickrAuthDlg signIn;
    if (signIn.DoModal(m_hWnd) != IDOK)
        return;
    m_accounts.push_back(signIn.m_account);
    ::SendDlgItemMessageW(m_hWnd, IDC_ACCOUNTS, LB_ADDSTRING, 0, LPARAM(signIn.m_account.username.c_str()));
}

void CPropFlickrDlg::DeleteAccount()
{
    const int index = SelectedAccount();
    if (index < 0)
        return;
    ::SendDlgItemMessageW(m_hWnd, IDC_ACCOUNTS, LB_DELETESTRING, WPARAM(index), 0);
    m_accounts.erase(m_accounts.begin() + index);
}

void CPropFlickrDlg::OnOK()
{
    const int index = SelectedAccount();
    if (index < 0) {
        ShowMessage(170, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (!UpdateData(TRUE))
        return;
    // The program's one store: a second one would be overwritten by it when the program ends.
    // Written now, so a later crash does not lose a sign-in.
    CSettingsStore& settings = GetAppSettings();
    settings.SaveFlickrAccounts(m_accounts);
    settings.Save();
    m_values.authKey = m_accounts[size_t(index)].authkey;
    EndDialog(IDOK);
}
