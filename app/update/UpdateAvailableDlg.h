#pragma once
// The news of a newer version: both versions, the change text as plain read-only text, and a box
// that postpones the next automatic check by a week.

#include "platform/framework/Dialog.h"

class CSettingsStore;

constexpr UINT IDD_UPDATEAVAILABLE = 167;
constexpr UINT IDC_UPDATE_HEADLINE = 1128;
constexpr UINT IDC_UPDATE_NEWLABEL = 1124;
constexpr UINT IDC_UPDATE_CURRENTLABEL = 1123;
constexpr UINT IDC_UPDATE_NEWVERSION = 1126;
constexpr UINT IDC_UPDATE_CURRENTVERSION = 1125;
constexpr UINT IDC_UPDATE_CHANGES = 1133;
constexpr UINT IDC_UPDATE_NOWEEKLYCHECK = 1127;

class CUpdateAvailableDlg : public CDialog {
public:
    // `now` is the present local date (days, as the settings store keeps dates).
    CUpdateAvailableDlg(CSettingsStore& settings, double now, CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnOK() override;
    void OnCancel() override;

    CString m_strNewVersion;
    CString m_strCurrentVersion;
    CString m_strChanges;
    int m_bNoWeeklyCheck = 0;

private:
    void StoreNextCheck();

    CSettingsStore& m_settings;
    double m_now;
};
