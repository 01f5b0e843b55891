#pragma once
// The About box: name, version and build date, a link to the web page, and a button that asks
// the update server at once.

#include "platform/framework/Dialog.h"
#include "toolkit/controls/HyperLink.h"

constexpr UINT IDD_ABOUTBOX = 100;
constexpr UINT IDC_ABOUT_VERSION = 1083;
constexpr UINT IDC_ABOUT_LINK = 1107;
constexpr UINT IDC_ABOUT_CHECKUPDATES = 1100;
constexpr UINT IDC_ABOUT_BANNER = 1084;

inline constexpr const char16_t* kVornaltWebPage = u"https://www.vornalt.example/";

class CAboutDlg : public CDialog {
    DECLARE_MESSAGE_MAP()
public:
    CAboutDlg();
    ~CAboutDlg() override;

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnCheckForUpdates();

    // "<name> <version> (Built <date>)".
    static CString VersionLine();

    CString m_strVersion;
    CJQHyperLink m_link;

private:
    HBITMAP m_banner = nullptr;
};
