#pragma once
// The property dialogs of the post-process actions. Each edits the value record its action
// fills (postprocess/PostProcessDialogs.h); the record counts only after IDOK.

#include "app/properties/PropertyDialog.h"
#include "app/properties/SamplePreview.h"
#include "postprocess/PostProcessDialogs.h"
#include "postprocess/flickr/FlickrAccount.h"

#include <vector>

class CPropZipAllDlg : public CPropertyDialog {
public:
    explicit CPropZipAllDlg(ZipAllDialogValues& values);
    void OnOK() override;

protected:
    void ControlsFilled() override { ApplyEnabling(); }
    bool OnControlCommand(int id, int code) override;

private:
    void ApplyEnabling();

    ZipAllDialogValues& m_values;
};

class CPropGalleryDlg : public CPropertyDialog {
public:
    explicit CPropGalleryDlg(GalleryDialogValues& values);

    CSamplePreview m_preview;

protected:
    void PrepareControls() override;
    void ControlsFilled() override { ShowSample(); }
    bool OnControlCommand(int id, int code) override;

private:
    void ShowSample();

    GalleryDialogValues& m_values;
};

class CPropEmailDlg : public CPropertyDialog {
public:
    explicit CPropEmailDlg(EmailDialogValues& values);

protected:
    void ControlsFilled() override { ApplyEnabling(); }
    bool OnControlCommand(int id, int code) override;

private:
    void ApplyEnabling();
};

class CPropFtpDlg : public CPropertyDialog {
public:
    explicit CPropFtpDlg(FtpDialogValues& values);
};

// The upload dialog keeps the list of signed-in accounts: read from the settings at opening,
// written back only at OK, so Cancel forgets additions and deletions.
class CPropFlickrDlg : public CPropertyDialog {
public:
    explicit CPropFlickrDlg(FlickrDialogValues& values);
    void OnOK() override;

    std::vector<CFlickrAccount> m_accounts;

protected:
    void PrepareControls() override;
    void ControlsFilled() override;
    bool OnControlCommand(int id, int code) override;

private:
    void AddAccount();
    void DeleteAccount();
    int SelectedAccount() const;

    FlickrDialogValues& m_values;
};
