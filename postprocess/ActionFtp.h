#pragma once
// Uploads the run's output into one folder of an FTP server: the previous post-process action's
// output when it is on disk (an archive, or a gallery folder as a tree), else every collected
// output file. Upload progress goes to the run's progress window, whose "stop" cancels the
// transfer and the rest of the upload.

#include "components/net/ftp/TvFtp2.h"
#include "components/net/ftp/TvFtpProgress.h"
#include "engine/Action.h"
#include "postprocess/PostProcessDialogs.h"

#include <string>
#include <string_view>

class CActionFtp : public CPostProcessAction, public TvFtpProgress {
public:
    CActionFtp();

    std::u16string GetTypeKey() const override { return u"builtin_ftp"; }
    std::u16string GetName() const override;
    std::u16string GetDescription() const override;
    bool Validate(std::vector<std::u16string>& problems) override;
    bool ShowPropertyDialog(int targetKind, HWND parent) override;
    // 0; 13 when the connection, the login, the change of folder or an upload failed, or when the
    // user stopped the upload; 2 when the one previous output file is missing. Every collected
    // file is tried; one that was not uploaded makes the result 13.
    int PostProcess() override;

    // Relays the percentage to the progress window; its "stop" aborts the transfer.
    void PercentDone(int percent, bool* abort) override;
    // After a stop every further abort check answers abort.
    void AbortCheck(bool* abort) override;
    // The file a tree upload starts (its remote path, UTF-8) names the progress reports.
    void BeginUploadFile(const char* path, bool* skip) override;

    int ConnectAndChangeFolder();
    int UploadFolderTree(std::u16string_view folder);
    int UploadOneFile(std::u16string_view file);

protected:
    ~CActionFtp() override;

private:
    FtpDialogValues readSettings();
    void writeSettings(const FtpDialogValues& settings);
    std::u16string hostName();
    std::u16string errorText();
    void logFailedUpload(std::u16string_view local, std::u16string_view reason);

    TvFtp2 m_ftp;
    std::u16string m_currentFile;
    bool m_cancelled = false;
};
