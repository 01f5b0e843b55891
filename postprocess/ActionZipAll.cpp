#include "postprocess/ActionZipAll.h"

#include "components/foundation/TvString.h"
#include "components/zip/TvZip.h"
#include "engine/LogFile.h"
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

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

namespace {

// Counts the files the archive took, so a named file that matched nothing is not taken for added.
class AddedFiles : public TvZipProgress {
public:
    void FileAdded(const char*, unsigned, bool*) override { ++count; }
    int count = 0;
};

std::u16string zipErrorText(TvZip& zip)
{
    TvString text;
    zip.LastErrorText(text);
    return SingleLineText(FromTvString(text));
}

bool isFolder(const std::string& path)
{
    struct stat info;
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The value of XDG_DESKTOP_DIR in the user-dirs file, with "$HOME" expanded; empty when absent.
std::string desktopFromUserDirs(const std::string& home)
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string configHome = config && *config ? std::string(config) : home + "/.config";
    std::ifstream file(configHome + "/user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_DESKTOP_DIR=";
    while (std::getline(file, line)) {
        if (line.rfind(key, 0) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0)
            value = home + value.substr(5);
        return value;
    }
    return std::string();
}

}

std::u16string GetDesktopFolder()
{
    const char* homeVariable = std::getenv("HOME");
    if (!homeVariable || !*homeVariable)
        return std::u16string();
    std::string home(homeVariable);
    std::string desktop = desktopFromUserDirs(home);
    if (desktop.empty())
        desktop = home + "/Desktop";
    while (desktop.size() > 1 && desktop.back() == '/')
        desktop.pop_back();
    return isFolder(desktop) ? Utf8ToUtf16(desktop) : std::u16string();
}

CActionZipAll::CActionZipAll()
{
    SetPropertyInt(u"password_protect", 0);
    SetPropertyString(u"kPropPassword", u"");
    std::u16string desktop = GetDesktopFolder();
    SetPropertyString(u"zippath", desktop.empty() ? std::u16string() : desktop + u"/Output.zip");
}

std::u16string CActionZipAll::GetName() const { return LoadStringText(126); }
std::u16string CActionZipAll::GetDescription() const { return LoadStringText(259); }

bool CActionZipAll::Validate(std::vector<std::u16string>& problems)
{
    std::u16string zipPath, password;
    int protect = 0;
    GetPropertyString(u"zippath", zipPath);
    GetPropertyInt(u"password_protect", protect);
    GetPropertyString(u"kPropPassword", password);
    return AppendValidationProblems({ { zipPath.empty(), 109 }, { protect != 0 && password.empty(), 277 } }, problems);
}

bool CActionZipAll::ShowPropertyDialog(int, HWND)
{
    ZipAllDialogValues values;
    GetPropertyInt(u"password_protect", values.passwordProtect);
    GetPropertyString(u"kPropPassword", values.password);
    GetPropertyString(u"zippath", values.zipPath);
    if (GetPostProcessPropertyDialogs().RunZipAllDialog(values) != IDOK)
        return false;
    SetPropertyInt(u"password_protect", values.passwordProtect);
    SetPropertyString(u"kPropPassword", values.password);
    SetPropertyString(u"zippath", values.zipPath);
    return true;
}

int CActionZipAll::PostProcess()
{
    // A failed run publishes nothing, not even the archive of an earlier run.
    m_outputPath.clear();
    std::u16string zipPath;
    if (!GetPropertyString(u"zippath", zipPath))
        return RESULT_ACTION_FAILED;
    const std::u16string name = GetName();

    int protect = 0;
    std::u16string password;
    GetPropertyInt(u"password_protect", protect);
    bool hasPassword = GetPropertyString(u"kPropPassword", password);
    // Protection asked for without a password would give an archive anybody can open.
    if (protect != 0 && (!hasPassword || password.empty())) {
        LogError(u"%s: %s", name, LoadStringText(277));
        LogError(u"%s: Failed to create zip file %s", name, zipPath);
        return 18;
    }

    TvZip zip;
    std::string ansiZipPath = ToAnsiText(zipPath);
    if (zipPath.empty() || isFolder(Utf16ToUtf8(zipPath)) || !zip.NewZip(ansiZipPath.c_str())) {
        LogError(u"%s: Failed to create zip file %s", name, zipPath);
        return 18;
    }
    m_outputPath = zipPath;
    if (protect != 0)
        zip.SetPassword(ToAnsiText(password).c_str());

    PostProcessOutput output = SelectPostProcessOutput(*this);
    if (output.kind != PostProcessOutput::COLLECTED_FILES) {
        std::u16string pattern;
        if (output.kind == PostProcessOutput::PREVIOUS_FOLDER) {
            LogMessage(u"%s: Zipping post-process action output directory %s", name, output.path);
            pattern = WithTrailingSeparator(output.path) + u"*";
        } else {
            LogMessage(u"%s: Zipping post-process action output file %s", name, output.path);
            pattern = output.path;
        }
        // The previous action's output is the whole delivery: an archive without it is no result.
        AddedFiles added;
        bool ok = zip.AppendFilesWithProgress(ToAnsiText(pattern).c_str(), true, &added);
        if (!ok || (output.kind == PostProcessOutput::PREVIOUS_FILE && added.count == 0)) {
            std::u16string reason = zipErrorText(zip);
            if (reason.empty())
                reason = SingleLineText(SystemErrorTextW(ERROR_FILE_NOT_FOUND));
            LogError(u"%s: Failed to add %s to zip file: %s", name, output.path, reason);
            m_outputPath.clear();
            return RESULT_FILE_SAVE_FAILED;
        }
    } else {
        LogMessage(u"%s: Zipping all in-process action output files", name);
        for (const std::u16string& file : output.files) {
            AddedFiles added;
            bool ok = PathFileExistsW(file.c_str()) && !PathIsDirectoryW(file.c_str())
                && zip.AppendFilesWithProgress(ToAnsiText(file).c_str(), false, &added) && added.count > 0;
            if (!ok) {
                std::u16string reason = PathFileExistsW(file.c_str()) ? zipErrorText(zip) : std::u16string();
                if (reason.empty())
                    reason = SingleLineText(SystemErrorTextW(ERROR_FILE_NOT_FOUND));
                LogError(u"%s: Failed to add %s to zip file: %s", name, file, reason);
            }
        }
    }

    if (!zip.WriteZip()) {
        LogError(u"%s: Failed to write final zip to %s", name, m_outputPath);
        m_outputPath.clear();
        return RESULT_FILE_SAVE_FAILED;
    }
    return RESULT_SUCCESS;
}
