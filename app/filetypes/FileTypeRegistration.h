#pragma once
// Registration of the program as the handler of ".stack" files: the program's document type and
// ".stack" in our registry, and the desktop's way of opening files (a shared-mime-info type and a
// desktop entry in the user's data folder, made the default for that type).

#include "platform/framework/Dialog.h"

#include <functional>

class CSettingsStore;

constexpr UINT IDD_REGISTERFILETYPE = 280;
constexpr UINT IDC_REGISTERFILETYPE_ICON = 1164;
constexpr UINT IDC_REGISTERFILETYPE_DONTASK = 1163;

// Results of RegisterStackFileType.
constexpr int FILETYPE_REGISTERED = 0;
constexpr int FILETYPE_OWNED_ELSEWHERE = 1;
constexpr int FILETYPE_WRITE_FAILED = 2;

// "regfiletype": 0 ask when needed, 1 register without asking, 2 never take ".stack" over.
constexpr int REGFILETYPE_ASK = 0;
constexpr int REGFILETYPE_ALWAYS = 1;
constexpr int REGFILETYPE_NEVER = 2;

inline constexpr const char* kStackMimeType = "application/x-vornalt-stack";
inline constexpr const char* kDesktopEntryName = "vornalt.desktop";

// `force` takes ".stack" over from another program.
int RegisterStackFileType(bool force);

// The check at the main window's start; `ask` shows the question and returns IDYES or IDNO with
// whether the box was ticked.
void CheckStackFileType(CSettingsStore& settings, const std::function<int(bool& dontAskAgain)>& ask);

// The question, as a modal box.
class CRegisterFileTypeDlg : public CDialog {
public:
    CRegisterFileTypeDlg();
    ~CRegisterFileTypeDlg() override;

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnOK() override;
    void OnCancel() override;

    int m_bDontAskAgain = 0;

private:
    HICON m_icon = nullptr;
};
