#include "app/update/UpdateCheck.h"

#include "components/foundation/TvString.h"
#include "components/foundation/TvXml.h"
#include "components/net/http/TvHttp.h"
#include "platform/user/Window.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>

namespace {

// 1.0.0.0 until the build stamps another one.
std::uint32_t g_versionMs = 0x00010000;
std::uint32_t g_versionLs = 0x00000000;

std::mutex g_serverLock;
std::string g_host = "update.vornalt.example";
int g_port = 80;

const char* const kUpdatePath = "/vornalt/update.php";

unsigned long Field(const UpdateInfo& info, const char* key)
{
    auto it = info.find(key);
    if (it == info.end())
        return 0;
    return std::strtoul(it->second.c_str(), nullptr, 10);
}

bool AllDigits(const std::string& text)
{
    if (text.empty() || text.size() > 9)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

std::unique_ptr<TvHttpResponse> Get(const std::string& path)
{
    std::string host;
    int port;
    {
        std::lock_guard<std::mutex> lock(g_serverLock);
        host = g_host;
        port = g_port;
    }
    TvHttp http;
    http.Impl().Settings().connectTimeoutSeconds = 30;
    TvHttpRequest request;
    request.SelectGet();
    request.SetPath(path.c_str());
    return std::unique_ptr<TvHttpResponse>(http.SynchronousRequest(host.c_str(), port, false, request));
}

} // namespace

bool GetProgramVersion(std::uint32_t& ms, std::uint32_t& ls)
{
    ms = g_versionMs;
    ls = g_versionLs;
    return true;
}

std::string GetProgramVersionText()
{
    std::uint32_t ms, ls;
    if (!GetProgramVersion(ms, ls))
        return "unknown";
    char text[64];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF);
    return text;
}

void SetProgramVersionForTesting(std::uint32_t ms, std::uint32_t ls)
{
    g_versionMs = ms;
    g_versionLs = ls;
}

void SetUpdateServer(const std::string& host, int port)
{
    std::lock_guard<std::mutex> lock(g_serverLock);
    g_host = host;
    g_port = port;
}

std::uint16_t CompareWithRunningVersion(const UpdateInfo& info, std::uint32_t ms, std::uint32_t ls)
{
    const unsigned long running[4] = { ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF };
    const unsigned long offered[4] = { Field(info, "major") & 0xFFFF, Field(info, "minor") & 0xFFFF,
        Field(info, "bugfix") & 0xFFFF, Field(info, "build") };
    for (int i = 0; i < 4; ++i) {
        if (running[i] < offered[i])
            return std::uint16_t(UPDATE_NEWER_MAJOR + i);
        if (running[i] > offered[i])
            return UPDATE_CURRENT;
    }
    return UPDATE_CURRENT;
}

bool ParseUpdateInfo(const std::string& xml, UpdateInfo& info)
{
    TvXml doc;
    if (!doc.LoadXml(xml.c_str()))
        return false;
    TvXml* root = doc.GetRoot();
    if (!root)
        return false;
    TvString tag;
    root->GetTag(tag);
    bool ok = std::string(tag.GetUtf8()) == "updateinfo";
    if (ok)
        for (const char* key : { "major", "minor", "bugfix", "build", "changes", "download" }) {
            TvString value;
            if (root->GetChildContent(key, value))
                info[key] = value.GetUtf8();
        }
    delete root;
    return ok;
}

std::uint16_t CheckForUpdate(UpdateInfo& info)
{
    std::unique_ptr<TvHttpResponse> response = Get(kUpdatePath);
    if (!response || response->GetStatusCode() != 200)
        return UPDATE_NO_SERVER;
    const std::string& body = response->GetBody();
    if (body.find_first_not_of(" \t\r\n") == std::string::npos)
        return UPDATE_CURRENT;
    ParseUpdateInfo(body, info);
    std::uint32_t ms, ls;
    GetProgramVersion(ms, ls);
    return CompareWithRunningVersion(info, ms, ls);
}

bool UpdateCheckDue(double nextCheck, double now)
{
    return !(nextCheck > 0 && now < nextCheck);
}

unsigned UpdateCheckThread(HWND target)
{
    UpdateInfo info;
    const std::uint16_t result = CheckForUpdate(info);
    if (result != UPDATE_CURRENT && result != UPDATE_NO_SERVER && target)
        ::SendMessageW(target, WM_VORNALT_UPDATEAVAILABLE, 0, LPARAM(&info));
    return 0;
}

std::thread StartUpdateCheck(double nextCheck, double now, HWND target)
{
    if (!UpdateCheckDue(nextCheck, now))
        return std::thread();
    return std::thread([target] { UpdateCheckThread(target); });
}

int DownloadUpdate(const UpdateInfo& info, std::string& path)
{
    path.clear();
    auto value = [&](const char* key) {
        auto it = info.find(key);
        return it == info.end() ? std::string() : it->second;
    };
    const std::string source = value("download");
    // Only a path on the update server itself.
    if (source.empty() || source[0] != '/')
        return 0;
    const std::string parts[4] = { value("major"), value("minor"), value("bugfix"), value("build") };
    for (const std::string& p : parts)
        if (!AllDigits(p))
            return 0;
    std::unique_ptr<TvHttpResponse> response = Get(source);
    if (!response)
        return 0;
    const int status = response->GetStatusCode();
    if (status != 200)
        return status;
    std::error_code ec;
    std::string pattern = (std::filesystem::temp_directory_path(ec) / "vornalt-update-XXXXXX").string();
    if (ec || !mkdtemp(pattern.data()))
        return 0;
    const std::string file = pattern + "/VornaltSetup_" + parts[0] + "." + parts[1] + "." + parts[2] + "." + parts[3];
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    const std::string& body = response->GetBody();
    out.write(body.data(), std::streamsize(body.size()));
    out.close();
    if (!out)
        return 0;
    // Plain data: never marked runnable.
    std::filesystem::permissions(file, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write, ec);
    path = file;
    return status;
}
