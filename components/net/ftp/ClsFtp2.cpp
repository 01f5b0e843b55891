#include "components/net/ftp/ClsFtp2.h"

#include "components/foundation/FileSys.h"
#include "components/foundation/ProgressMonitor.h"
#include "components/foundation/XString.h"
#include "components/foundation/ProgressEvent.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <set>
#include <vector>

namespace fs = std::filesystem;

namespace {

using ftptext::Trimmed;

// Ends a public call's context on every path out.
class CallScope {
public:
    CallScope(ClsFtp2& owner, const char* name, bool nested)
        : m_owner(owner)
        , m_nested(nested)
    {
        if (!nested)
            owner.BeginPublicCall(name, ClsFtp2::kComponentCode);
        else
            owner.Log().EnterContext(name, true);
    }
    ~CallScope()
    {
        if (!m_nested)
            m_owner.EndPublicCall();
        else
            m_owner.Log().LeaveContext();
    }

private:
    ClsFtp2& m_owner;
    bool m_nested;
};

std::unique_ptr<ProgressMonitor> MonitorFor(ProgressEvent* callback, std::int64_t total)
{
    if (!callback)
        return nullptr;
    return std::make_unique<ProgressMonitor>(callback, total);
}

std::vector<std::string> Children(const std::string& dir, bool directories)
{
    std::vector<std::string> out;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ec2;
        bool isDir = it->is_directory(ec2);
        if (isDir == directories && (directories || it->is_regular_file(ec2)))
            out.push_back(it->path().string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

void ClsFtp2::SetHostname(const std::string& text)
{
    std::string h = Trimmed(text);
    h.erase(std::remove(h.begin(), h.end(), '/'), h.end());
    for (auto& c : h)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    if (h.compare(0, 4, "ftp:") == 0)
        for (size_t at; (at = h.find("ftp:")) != std::string::npos;)
            h.erase(at, 4);
    m_engine.Hostname = h;
}

bool ClsFtp2::Connect(ProgressEvent* callback)
{
    CallScope scope(*this, "Connect", false);
    LogBase& log = Log();
    auto monitor = MonitorFor(callback, 0);
    if (m_engine.ImplicitSsl)
        log.LogInfo("Using Implicit SSL");
    if (m_proxyMethod != 0) {
        if (!m_engine.ConnectToProxy(m_proxyHost, m_proxyPort, log, monitor.get())) {
            log.LogError("Failed to connect to FTP proxy.");
            return false;
        }
        log.LogDataInt("ProxyMethod", m_proxyMethod);
        log.LogData("ProxyUsername", m_proxyUser.c_str());
        if (!m_engine.ProxyLogin(m_proxyMethod, m_proxyUser, m_proxyPassword, log, monitor.get()))
            return false;
    } else {
        if (!m_engine.ConnectDirect(log, monitor.get())) {
            log.LogError("Failed to connect to FTP server.");
            return false;
        }
        if (m_engine.AuthTlsWhenOffered && !m_engine.SecureControl && !m_engine.ImplicitSsl
            && !m_engine.AuthTlsIfOffered(log, monitor.get()))
            return false;
        log.LogInfo("Logging in...");
        if (!m_engine.Login(log, monitor.get()))
            return false;
    }
    log.LogInfo("Login successful.");
    std::string text;
    if (m_engine.SystAfterLogin) {
        if (m_engine.Syst(text, log, monitor.get()))
            log.LogData("Syst", text.c_str());
        else
            log.LogError("SYST command failed");
    }
    if (m_engine.FeatAfterLogin) {
        if (m_engine.Feat(text, log, monitor.get()))
            log.LogData("Features", text.c_str());
        else
            log.LogError("FEAT command failed");
    }
    log.LogInfo("Connect successful");
    return true;
}

bool ClsFtp2::Disconnect(ProgressEvent* callback)
{
    CallScope scope(*this, "Disconnect", false);
    auto monitor = MonitorFor(callback, 0);
    m_engine.Quit(Log(), monitor.get());
    return true;
}

bool ClsFtp2::IsConnected(ProgressEvent* callback)
{
    auto monitor = MonitorFor(callback, 0);
    return m_engine.IsConnected(monitor.get());
}

bool ClsFtp2::ChangeRemoteDir(const std::string& dir, ProgressEvent* callback, bool nested)
{
    CallScope scope(*this, "ChangeRemoteDir", nested);
    auto monitor = MonitorFor(callback, 0);
    std::string d = Trimmed(dir);
    Log().LogData("dir", d.c_str());
    return m_engine.ChangeDirectory(d, Log(), monitor.get());
}

bool ClsFtp2::CreateRemoteDir(const std::string& dir, ProgressEvent* callback, bool nested)
{
    CallScope scope(*this, "CreateRemoteDir", nested);
    auto monitor = MonitorFor(callback, 0);
    std::string d = Trimmed(dir);
    Log().LogData("dir", d.c_str());
    return m_engine.MakeDirectory(d, Log(), monitor.get());
}

bool ClsFtp2::GetCurrentRemoteDir(std::string& dir, ProgressEvent* callback, bool nested)
{
    CallScope scope(*this, "GetCurrentRemoteDir", nested);
    auto monitor = MonitorFor(callback, 0);
    dir.clear();
    if (!m_engine.PrintWorkingDirectory(dir, Log(), monitor.get())) {
        Log().LogError("Failed to get current remote directory");
        return false;
    }
    return true;
}

int ClsFtp2::GetRemoteEntryCount(ProgressMonitor* monitor)
{
    if (!m_engine.EnsureListing(monitor, Log()))
        return -1;
    return m_engine.GetEntryCount();
}

bool ClsFtp2::PutFile(const std::string& localPathIn, const std::string& remoteNameIn, ProgressEvent* callback,
    bool nested)
{
    CallScope scope(*this, "PutFile", nested);
    LogBase& log = Log();
    LogDataQuotedPrintable(log, "LocalFilename", localPathIn.c_str());
    LogDataQuotedPrintable(log, "RemoteFilename", remoteNameIn.c_str());
    std::string localPath = Trimmed(localPathIn);
    std::string remoteName = Trimmed(remoteNameIn);
    std::error_code ec;
    auto size = fs::file_size(localPath, ec);
    if (ec) {
        log.LogError("Failed to get file size.");
        return false;
    }
    auto monitor = MonitorFor(callback, std::int64_t(size));
    m_engine.BytesSent = 0;
    bool ok = m_engine.UploadFile(remoteName, localPath, monitor.get(), log);
    if (monitor)
        monitor->Complete();
    if (!ok)
        log.LogError("Failed.");
    return ok;
}

bool ClsFtp2::UploadDecision(int mode, const std::string& name, const std::string& localPath)
{
    if (mode == 0)
        return true;
    bool present = m_engine.FindFileEntry(name, true) >= 0;
    if (mode == 1)
        return !present;
    if (mode == 3)
        return present;
    if (!present)
        return true;
    SYSTEMTIME remote;
    if (!m_engine.GetRemoteLastModified(name, remote)) {
        Log().LogError("Failed to get remote last-mod time.");
        Log().LogData("filename", name.c_str());
        return false;
    }
    FILETIME remoteTime, localTime;
    SystemTimeToFileTime(&remote, &remoteTime);
    if (!FileSys::GetLastWriteTimeLocalUtf8(localPath.c_str(), &localTime, &Log())) {
        Log().LogError("Failed to get local last-mod time.");
        LogDataQuotedPrintable(Log(), "filename", name.c_str());
        return false;
    }
    auto ticks = [](const FILETIME& f) { return (std::uint64_t(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
    return ticks(localTime) >= ticks(remoteTime);
}

bool ClsFtp2::PutTree(const std::string& localDir, std::string& plan, bool planOnly, int mode, ProgressEvent* callback)
{
    CallScope scope(*this, planOnly ? "CreatePlan" : "PutTree", false);
    LogBase& log = Log();
    log.LogDataInt("PlanOnly", planOnly ? 1 : 0);
    log.LogDataInt("Mode", mode);
    std::string savedPattern = m_engine.ListPattern;
    plan.clear();

    std::unique_ptr<ProgressMonitor> monitor;
    if (callback) {
        std::int64_t total = 0;
        int files = 0, dirs = 0;
        std::error_code ec;
        // The walk that sums the sizes answers heartbeats before the total is known.
        ProgressMonitor sizing(callback, 0);
        const DWORD interval = DWORD(m_engine.HeartbeatMs > 0 ? m_engine.HeartbeatMs : 0);
        for (fs::recursive_directory_iterator it(localDir, ec), end; !ec && it != end; it.increment(ec)) {
            if (sizing.CheckHeartbeat(interval)) {
                log.LogError("Aborted by application");
                return false;
            }
            std::error_code ec2;
            if (it->is_directory(ec2))
                ++dirs;
            else if (it->is_regular_file(ec2)) {
                ++files;
                total += std::int64_t(it->file_size(ec2));
            }
        }
        // Without a total the walk goes on, only without percentages.
        if (ec)
            log.LogError("Failed to get summed size of directory tree.");
        else
            monitor = std::make_unique<ProgressMonitor>(callback, total);
        log.LogDataInt("FileCount", files);
        log.LogDataInt("DirCount", dirs);
        log.LogDataInt64("TotalSizeInBytes", total);
    }
    std::error_code ec;
    if (!fs::is_directory(localDir, ec)) {
        log.LogError("Directory not accessible. Check to make sure the local directory exists.");
        LogDataQuotedPrintable(log, "dir", localDir.c_str());
        return false;
    }
    std::string root = Trimmed(localDir);
    std::replace(root.begin(), root.end(), '\\', '/');
    if (root.empty() || root.back() != '/')
        root += '/';
    log.LogData("rootDir", root.c_str());
    std::string base;
    if (!GetCurrentRemoteDir(base, callback, true))
        return false;
    log.LogData("currentRemoteDir", base.c_str());

    auto remoteFor = [&](const std::string& localDirPath) {
        std::string rel = localDirPath.compare(0, root.size(), root) == 0 ? localDirPath.substr(root.size())
                                                                          : localDirPath;
        std::string r = base;
        if (r.empty() || r.back() != '/')
            r += '/';
        while (!rel.empty() && rel.front() == '/')
            rel.erase(0, 1);
        r += rel;
        if (r.size() > 1 && r.back() == '/')
            r.pop_back();
        return r;
    };

    bool result = true;
    std::vector<std::string> stack { root };
    // Each real directory is walked once: a link back up the tree would otherwise repeat it without end.
    std::set<fs::path> seen;
    {
        std::error_code ignored;
        seen.insert(fs::canonical(root, ignored));
    }
    while (result && !stack.empty()) {
        std::string dir = stack.back();
        stack.pop_back();
        std::string remoteDir = remoteFor(dir);
        plan += "c," + remoteDir + "\r\n";
        if (!planOnly) {
            bool skip = false;
            if (callback)
                callback->OnBeginRemoteDir(remoteDir.c_str(), &skip);
            if (skip)
                continue;
            if (!ChangeRemoteDir(remoteDir, callback, true)) {
                log.LogError("ChangeRemoteDir failed...");
                result = false;
                break;
            }
            if (mode != 0) {
                m_engine.SetListPattern("*");
                GetRemoteEntryCount(monitor.get());
            }
        }
        for (const std::string& file : Children(dir, false)) {
            std::string name = fs::path(file).filename().string();
            plan += "p," + file + "," + name + "\r\n";
            if (planOnly || !UploadDecision(mode, name, file))
                continue;
            std::string remotePath = remoteDir + (remoteDir == "/" ? "" : "/") + name;
            bool skip = false;
            if (callback)
                callback->OnBeginUploadFile(remotePath.c_str(), &skip);
            if (skip)
                continue;
            std::uint64_t before = m_engine.BytesSent;
            if (!m_engine.UploadFile(name, file, monitor.get(), log)) {
                result = false;
                break;
            }
            if (callback)
                callback->OnEndUploadFile(remotePath.c_str(), std::uint32_t(m_engine.BytesSent - before));
        }
        size_t pushed = 0;
        for (std::string sub : Children(dir, true)) {
            std::replace(sub.begin(), sub.end(), '\\', '/');
            if (sub.back() != '/')
                sub += '/';
            std::error_code canonicalError;
            fs::path real = fs::canonical(sub, canonicalError);
            if (canonicalError || !seen.insert(real).second) {
                log.LogData("skippedLoopDir", sub.c_str());
                continue;
            }
            stack.push_back(sub);
            ++pushed;
            std::string remoteSub = remoteFor(sub);
            plan += "d," + remoteSub + "\r\n";
            if (planOnly)
                continue;
            bool skip = false;
            if (callback)
                callback->OnBeginRemoteDir(remoteSub.c_str(), &skip);
            if (!skip)
                CreateRemoteDir(remoteSub, callback, true);
        }
        // Depth first, in the listed order of the subdirectories.
        std::reverse(stack.end() - long(pushed), stack.end());
    }
    if (monitor)
        monitor->Complete();
    m_engine.SetListPattern(savedPattern);
    return result;
}
