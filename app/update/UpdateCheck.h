#pragma once
// The update check: asks the update server for the newest version, compares it with the running
// one, and fetches an installer into a fresh temporary folder. Nothing downloaded is ever run.

#include <cstdint>
#include <map>
#include <string>
#include <thread>

struct HWND__;
using HWND = HWND__*;

class CSettingsStore;

using UpdateInfo = std::map<std::string, std::string>;

// Check results.
enum : std::uint16_t {
    UPDATE_CURRENT = 0,
    UPDATE_NEWER_MAJOR = 1,
    UPDATE_NEWER_MINOR = 2,
    UPDATE_NEWER_BUGFIX = 3,
    UPDATE_NEWER_BUILD = 4,
    UPDATE_NO_SERVER = 5,
};

constexpr unsigned WM_VORNALT_UPDATEAVAILABLE = 0x542;

// The compiled-in version of the program, as the two 32-bit words (major.minor, bugfix.build).
bool GetProgramVersion(std::uint32_t& ms, std::uint32_t& ls);
std::string GetProgramVersionText();
// Tests run the checks as another version.
void SetProgramVersionForTesting(std::uint32_t ms, std::uint32_t ls);

// Where the update server is; tests point it at a local one.
void SetUpdateServer(const std::string& host, int port);

// The result of comparing the running version with the update information (most significant
// field first; a running field that is greater means current).
std::uint16_t CompareWithRunningVersion(const UpdateInfo& info, std::uint32_t ms, std::uint32_t ls);

// Parses an "updateinfo" document into the map; false when it is not one.
bool ParseUpdateInfo(const std::string& xml, UpdateInfo& info);

// Asks the server ("/vornalt/update.php"); UPDATE_NO_SERVER when it cannot be asked or does not
// answer 200. An empty answer counts as current.
std::uint16_t CheckForUpdate(UpdateInfo& info);

// Whether the automatic check at start-up is due: no date stored, or the date has come.
bool UpdateCheckDue(double nextCheck, double now);

// The automatic check at start: unless the stored next-check date is still ahead, a worker asks
// the server and, for a newer version, sends WM_VORNALT_UPDATEAVAILABLE with the map's address to
// `target` and waits for the reply. The thread is not joinable when nothing was started.
std::thread StartUpdateCheck(double nextCheck, double now, HWND target);
unsigned UpdateCheckThread(HWND target);

// Downloads "download" into a new folder under the system's temporary folder. The file name is
// built from the version fields, which must be plain decimal numbers. Returns the HTTP status (0
// when nothing was asked or written) and the file's path on 200.
int DownloadUpdate(const UpdateInfo& info, std::string& path);
