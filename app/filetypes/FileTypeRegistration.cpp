#include "app/filetypes/FileTypeRegistration.h"

#include "app/SettingsStore.h"

#include "platform/base/Registry.h"
#include "platform/framework/DataExchange.h"
#include "platform/framework/ResourceHandle.h"

#include "AppWindowResources.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const kProgId = "Vornalt.Document";

std::string ProgramPath()
{
    std::error_code ec;
    fs::path p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : p.string();
}

bool SetDefault(const std::string& subKey, const std::string& text)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LSTATUS status = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
        DWORD(text.size() + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// The default value of the key; false when it cannot be read.
bool GetDefault(const std::string& subKey, std::string& text)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    char buffer[520] = {};
    DWORD size = sizeof buffer - 1;
    DWORD type = 0;
    LSTATUS status = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return false;
    text.assign(buffer, strnlen(buffer, size));
    return true;
}

fs::path XdgFolder(const char* variable, const char* fallbackUnderHome)
{
    const char* value = std::getenv(variable);
    if (value && *value == '/')
        return value;
    const char* home = std::getenv("HOME");
    return fs::path(home ? home : "/") / fallbackUnderHome;
}

bool WriteText(const fs::path& path, const std::string& text)
{
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    const fs::path temp = path.string() + ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out)
            return false;
    }
    fs::rename(temp, path, ec);
    return !ec;
}

// The program path as one argument of a desktop entry's Exec line.
bool ExecArgument(const std::string& path, std::string& out)
{
    out = "\"";
    for (char c : path) {
        if (c == '\n' || c == '\r' || c == '\0')
            return false;
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            out += "\\\\"; // escaped for the quoting, then the backslash again for the entry's string
        if (c == '%')
            out += '%';
        out += c;
    }
    out += "\"";
    return true;
}

// Replaces or adds our line in the [Default Applications] group, keeping everything else.
bool SetDefaultApplication(const fs::path& list)
{
    std::vector<std::string> lines;
    {
        std::ifstream in(list);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
    }
    const std::string ours = std::string(kStackMimeType) + "=" + kDesktopEntryName;
    const std::string prefix = std::string(kStackMimeType) + "=";
    bool inGroup = false, done = false;
    size_t groupEnd = std::string::npos;
    for (size_t i = 0; i < lines.size() && !done; ++i) {
        if (!lines[i].empty() && lines[i][0] == '[') {
            if (inGroup)
                break;
            inGroup = lines[i] == "[Default Applications]";
            if (inGroup)
                groupEnd = i + 1;
            continue;
        }
        if (inGroup) {
            if (lines[i].rfind(prefix, 0) == 0) {
                lines[i] = ours;
                done = true;
            } else if (!lines[i].empty())
                groupEnd = i + 1;
        }
    }
    if (!done) {
        if (groupEnd == std::string::npos) {
            lines.push_back("[Default Applications]");
            lines.push_back(ours);
        } else
            lines.insert(lines.begin() + long(groupEnd), ours);
    }
    std::string text;
    for (const std::string& l : lines)
        text += l + "\n";
    return WriteText(list, text);
}

bool RegisterWithDesktop(const std::string& program)
{
    const fs::path data = XdgFolder("XDG_DATA_HOME", ".local/share");
    std::string exec;
    if (!ExecArgument(program, exec))
        return false;
    const std::string mime = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"") + kStackMimeType + "\">\n"
        "    <comment>Vornalt Document</comment>\n"
        "    <glob pattern=\"*.stack\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n";
    const std::string entry = std::string("[Desktop Entry]\nType=Application\nName=Vornalt\nExec=") + exec +
        " %f\nMimeType=" + kStackMimeType + ";\nNoDisplay=true\nTerminal=false\n";
    if (!WriteText(data / "mime" / "packages" / "vornalt-stack.xml", mime) ||
        !WriteText(data / "applications" / kDesktopEntryName, entry) ||
        !SetDefaultApplication(XdgFolder("XDG_CONFIG_HOME", ".config") / "mimeapps.list"))
        return false;
    // The type database is rebuilt when the tool is there; the association works without it.
    pid_t pid = fork();
    if (pid == 0) {
        const std::string folder = (data / "mime").string();
        int devnull = ::open("/dev/null", O_WRONLY);
        if (devnull >= 0) {
            dup2(devnull, 1);
            dup2(devnull, 2);
        }
        execlp("update-mime-database", "update-mime-database", folder.c_str(), nullptr);
        _exit(127);
    }
    if (pid > 0)
        waitpid(pid, nullptr, 0);
    return true;
}

} // namespace

int RegisterStackFileType(bool force)
{
    const std::string program = ProgramPath();
    const std::string prog = std::string(kProgId);
    if (!SetDefault(prog, "Vornalt Document") || !SetDefault(prog + "\\DefaultIcon", program + ",0") ||
        !SetDefault(prog + "\\shell\\open\\command", program + " \"%1\"") ||
        !SetDefault(prog + "\\shell\\print\\command", program + " /p \"%1\"") ||
        !SetDefault(prog + "\\shell\\printto\\command", program + " /pt \"%1\" \"%2\" \"%3\" \"%4\""))
        return FILETYPE_WRITE_FAILED;
    std::string owner;
    if (GetDefault(".stack", owner) && !owner.empty() && owner != prog && !force)
        return FILETYPE_OWNED_ELSEWHERE;
    if (!SetDefault(".stack", prog))
        return FILETYPE_WRITE_FAILED;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, ".stack\\ShellNew", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
            nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(key, "NullFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
        RegCloseKey(key);
    }
    return RegisterWithDesktop(program) ? FILETYPE_REGISTERED : FILETYPE_WRITE_FAILED;
}

void CheckStackFileType(CSettingsStore& settings, const std::function<int(bool& dontAskAgain)>& ask)
{
    if (RegisterStackFileType(false) != FILETYPE_OWNED_ELSEWHERE)
        return;
    const int choice = settings.GetInt(u"regfiletype");
    if (choice == REGFILETYPE_ALWAYS) {
        RegisterStackFileType(true);
        return;
    }
    if (choice == REGFILETYPE_NEVER)
        return;
    bool dontAsk = false;
    const int answer = ask(dontAsk);
    if (answer == IDYES)
        RegisterStackFileType(true);
    int stored = REGFILETYPE_ASK;
    if (dontAsk)
        stored = answer == IDYES ? REGFILETYPE_ALWAYS : answer == IDNO ? REGFILETYPE_NEVER : REGFILETYPE_ASK;
    settings.SetInt(u"regfiletype", stored);
}

CRegisterFileTypeDlg::CRegisterFileTypeDlg() : CDialog(IDD_REGISTERFILETYPE, nullptr)
{
    static const void* volatile table = &AppWindowResources;
    (void)table;
}

CRegisterFileTypeDlg::~CRegisterFileTypeDlg()
{
    if (m_icon)
        ::DestroyIcon(m_icon);
}

BOOL CRegisterFileTypeDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_icon = static_cast<HICON>(::LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(279), IMAGE_ICON, 32, 32, 0));
    if (m_icon)
        ::SendDlgItemMessageW(m_hWnd, IDC_REGISTERFILETYPE_ICON, STM_SETICON, WPARAM(m_icon), 0);
    return TRUE;
}

void CRegisterFileTypeDlg::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Check(dx, IDC_REGISTERFILETYPE_DONTASK, m_bDontAskAgain);
}

void CRegisterFileTypeDlg::OnOK()
{
    UpdateData(TRUE);
    EndDialog(IDYES);
}

void CRegisterFileTypeDlg::OnCancel()
{
    UpdateData(TRUE);
    EndDialog(IDNO);
}
