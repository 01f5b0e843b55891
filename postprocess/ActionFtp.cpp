#include "postprocess/ActionFtp.h"

#include "components/foundation/TvString.h"
#include "engine/ActionStack.h"
#include "engine/LogFile.h"
#include "engine/ProgramData.h"
#include "engine/ResultCodes.h"
#include "engine/ToTvString.h"
#include "postprocess/PostProcessDialogs.h"
#include "postprocess/PostProcessOutput.h"
#include "platform/base/ErrorText.h"
#include "platform/base/LastError.h"
#include "platform/base/Path.h"
#include "platform/base/Unicode.h"
#include "resources/MessageBox.h"
#include "resources/StringTable.h"

CActionFtp::CActionFtp()
{
    SetPropertyString(u"kPropPassword", u"");
    SetPropertyString(u"username", u"");
    SetPropertyString(u"destinationdir", u"");
    SetPropertyString(u"ftphost", u"");
    SetPropertyInt(u"ftpport", 21);
    SetPropertyInt(u"passiveftp", 0);
    m_ftp.SetCallback(this);
}

CActionFtp::~CActionFtp() { m_ftp.SetCallback(nullptr); }

std::u16string CActionFtp::GetName() const { return LoadStringText(107); }
std::u16string CActionFtp::GetDescription() const { return LoadStringText(260); }

bool CActionFtp::Validate(std::vector<std::u16string>& problems)
{
    std::u16string user, folder, host;
    GetPropertyString(u"username", user);
    GetPropertyString(u"destinationdir", folder);
    GetPropertyString(u"ftphost", host);
    return AppendValidationProblems({ { user.empty(), 128 }, { folder.empty(), 129 }, { host.empty(), 130 } }, problems);
}

FtpDialogValues CActionFtp::readSettings()
{
    FtpDialogValues values;
    GetPropertyString(u"kPropPassword", values.password);
    GetPropertyString(u"username", values.username);
    GetPropertyString(u"destinationdir", values.destinationDir);
    GetPropertyString(u"ftphost", values.host);
    GetPropertyInt(u"ftpport", values.port);
    GetPropertyInt(u"passiveftp", values.passive);
    return values;
}

void CActionFtp::writeSettings(const FtpDialogValues& values)
{
    SetPropertyString(u"kPropPassword", values.password);
    SetPropertyString(u"username", values.username);
    SetPropertyString(u"destinationdir", values.destinationDir);
    SetPropertyString(u"ftphost", values.host);
    SetPropertyInt(u"ftpport", values.port);
    SetPropertyInt(u"passiveftp", values.passive);
}

bool CActionFtp::ShowPropertyDialog(int, HWND)
{
    FtpDialogValues values = readSettings();
    if (GetPostProcessPropertyDialogs().RunFtpDialog(values) != IDOK)
        return false;
    writeSettings(values);
    return true;
}

void CActionFtp::PercentDone(int percent, bool* abort)
{
    CActionStack* stack = GetStack();
    if (!m_cancelled && stack && !stack->ReportProgress(m_currentFile, this, percent, 100))
        m_cancelled = true;
    if (m_cancelled && abort)
        *abort = true;
}

void CActionFtp::AbortCheck(bool* abort)
{
    if (m_cancelled && abort)
        *abort = true;
}

void CActionFtp::BeginUploadFile(const char* path, bool*)
{
    m_currentFile = Utf8ToUtf16(path ? path : "");
}

std::u16string CActionFtp::hostName()
{
    TvString text;
    m_ftp.GetHostname(text);
    return FromTvString(text);
}

std::u16string CActionFtp::errorText()
{
    TvString text;
    m_ftp.GetLastErrorText(text);
    return SingleLineText(FromTvString(text));
}

void CActionFtp::logFailedUpload(std::u16string_view local, std::u16string_view reason)
{
    LogError(u"%s: Failed to FTP %s to %s because: %s", GetName(), local, hostName(), reason);
}

int CActionFtp::ConnectAndChangeFolder()
{
    const FtpDialogValues settings = readSettings();
    m_ftp.SetHostname(ToAnsiText(settings.host).c_str());
    m_ftp.SetPort(settings.port);
    m_ftp.SetUsername(ToAnsiText(settings.username).c_str());
    m_ftp.SetPassword(ToAnsiText(settings.password).c_str());
    m_ftp.SetPassive(settings.passive != 0);
    // The password never crosses a plain connection the server offers to protect (D45).
    m_ftp.SetAuthTlsWhenOffered(true);

    const std::u16string name = GetName();
    if (!m_ftp.Connect()) {
        LogError(u"%s: Failed to connect to %s because: %s", name, hostName(), errorText());
        return RESULT_FTP_ERROR;
    }
    if (!m_ftp.ChangeRemoteDir(ToAnsiText(settings.destinationDir).c_str())) {
        LogError(u"%s: Failed to change directory to %s on host %s because: %s", name, settings.destinationDir, hostName(),
            errorText());
        m_ftp.Disconnect();
        return RESULT_FTP_ERROR;
    }
    return RESULT_SUCCESS;
}

int CActionFtp::UploadFolderTree(std::u16string_view folder)
{
    if (!m_ftp.IsConnected()) {
        logFailedUpload(folder, u"the connection to the server is closed");
        return RESULT_FTP_ERROR;
    }
    if (m_ftp.PutTree(ToAnsiText(folder).c_str())) {
        LogMessage(u"%s: Successul FTP of %s", GetName(), folder);
        return RESULT_SUCCESS;
    }
    logFailedUpload(folder, errorText());
    return RESULT_FTP_ERROR;
}

int CActionFtp::UploadOneFile(std::u16string_view file)
{
    if (!m_ftp.IsConnected()) {
        logFailedUpload(file, u"the connection to the server is closed");
        return RESULT_FTP_ERROR;
    }
    std::u16string local(file);
    if (!PathFileExistsW(local.c_str()) || PathIsDirectoryW(local.c_str())) {
        logFailedUpload(file, SingleLineText(SystemErrorTextW(ERROR_FILE_NOT_FOUND)));
        return RESULT_INVALID_FILE;
    }
    // A single file announces no start of its own: its progress is named here.
    std::u16string remoteName = GetFileNamePart(local);
    m_currentFile = remoteName;
    if (m_ftp.PutFile(ToAnsiText(local).c_str(), ToAnsiText(remoteName).c_str()))
        return RESULT_SUCCESS;
    logFailedUpload(file, errorText());
    return RESULT_FTP_ERROR;
}

int CActionFtp::PostProcess()
{
    if (GetStack() && GetStack()->IsPreview())
        return RESULT_SUCCESS;
    m_cancelled = false;
    const std::u16string name = GetName();

    PostProcessOutput output = SelectPostProcessOutput(*this);
    if (output.kind == PostProcessOutput::COLLECTED_FILES)
        LogMessage(u"%s: FTPing all in-process actions output files", name);
    if (GetStack())
        GetStack()->ReportProgress(LoadStringText(238), this, 0, 0);
    int result = ConnectAndChangeFolder();
    if (result != RESULT_SUCCESS)
        return result;

    if (output.kind != PostProcessOutput::COLLECTED_FILES) {
        if (output.kind == PostProcessOutput::PREVIOUS_FOLDER) {
            LogMessage(u"%s: FTPing directory from previous Post-Process action: %s", name, output.path);
            result = UploadFolderTree(output.path);
        } else {
            LogMessage(u"%s: FTPing file from previous Post-Process action: %s", name, output.path);
            result = UploadOneFile(output.path);
        }
        m_ftp.Disconnect();
        // A stop asked for is a run not completed, even when the last bytes were already out.
        return m_cancelled ? RESULT_FTP_ERROR : result;
    }

    // Every file is tried, so one bad file costs only itself; the action fails when any is missing.
    int notUploaded = 0;
    for (std::size_t i = 0; i < output.files.size(); ++i) {
        if (UploadOneFile(output.files[i]) != RESULT_SUCCESS)
            ++notUploaded;
        if (m_cancelled) {
            notUploaded += int(output.files.size() - i - 1);
            LogError(u"%s: Upload stopped by the user; %d of %d files were not uploaded", name, notUploaded,
                int(output.files.size()));
            break;
        }
    }
    m_ftp.Disconnect();
    return notUploaded == 0 && !m_cancelled ? RESULT_SUCCESS : RESULT_FTP_ERROR;
}
