#include "engine/LogFile.h"

#include "platform/base/CriticalSection.h"
#include "platform/base/Time.h"
#include "platform/base/Unicode.h"
#include "resources/MessageBox.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace {

class LogFileState {
public:
    CRITICAL_SECTION lock;
    std::u16string path;
    std::u16string inUse;
    bool fallbackAnnounced = false;
};

// Never destroyed: worker threads may still log while static objects are torn down at exit.
LogFileState& state()
{
    static LogFileState* instance = new LogFileState;
    return *instance;
}

bool appendToFile(const std::string& path, const std::string& bytes)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    size_t written = 0;
    bool ok = true;
    while (written < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        written += size_t(n);
    }
    ::close(fd);
    return ok;
}

std::string fallbackFolder()
{
    const char* stateHome = std::getenv("XDG_STATE_HOME");
    if (stateHome && *stateHome == '/')
        return std::string(stateHome) + "/vornalt/";
    const char* home = std::getenv("HOME");
    if (home && *home)
        return std::string(home) + "/.local/state/vornalt/";
    return std::string();
}

std::string fileNameOf(const std::string& path)
{
    auto slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.empty() ? std::string("vornalt.log") : name;
}

// The line as the platform's UTF-8 text mode writes it: every LF becomes CR LF.
std::string encodeLine(std::u16string_view line)
{
    std::string utf8 = Utf16ToUtf8(line);
    std::string out;
    out.reserve(utf8.size() + 8);
    for (char c : utf8) {
        if (c == '\n')
            out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

std::u16string timestamp()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return FormatText(u"[%02d/%02d/%04d %02d:%02d:%02d]", now.wMonth, now.wDay, now.wYear, now.wHour, now.wMinute,
        now.wSecond);
}

void logPrefixed(std::u16string_view prefix, std::u16string_view message)
{
    if (message.size() > LOG_MESSAGE_LIMIT) {
        message = message.substr(0, LOG_MESSAGE_LIMIT);
        if (IsHighSurrogate(message.back()))
            message.remove_suffix(1);
    }
    std::u16string line(prefix);
    line += message;
    LogWriteLine(line);
}

}

void LogOpen(std::u16string_view path)
{
    {
        LogFileState& s = state();
        CriticalSectionLock lock(s.lock);
        s.path = path;
        s.fallbackAnnounced = false;
    }
    LogWriteLine(u"Vornalt Log Opened");
}

void LogClose()
{
    LogWriteLine(u"Vornalt Log Closed");
    LogFileState& s = state();
    CriticalSectionLock lock(s.lock);
    s.path.clear();
}

void LogWriteLine(std::u16string_view text)
{
    LogFileState& s = state();
    CriticalSectionLock lock(s.lock);
    if (s.path.empty())
        return;
    std::u16string line = timestamp();
    line += text;
    line += u'\n';
    std::string bytes = encodeLine(line);
    std::string primary = Utf16ToUtf8(s.path);
    if (appendToFile(primary, bytes)) {
        s.inUse = s.path;
        return;
    }
    int primaryError = errno;
    std::string folder = fallbackFolder();
    if (!folder.empty()) {
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
        std::string fallback = folder + fileNameOf(primary);
        if (appendToFile(fallback, bytes)) {
            if (!s.fallbackAnnounced) {
                std::fprintf(stderr, "vornalt: cannot write the log %s (%s); writing to %s\n", primary.c_str(),
                    std::strerror(primaryError), fallback.c_str());
                s.fallbackAnnounced = true;
            }
            s.inUse = Utf8ToUtf16(fallback);
            return;
        }
    }
    s.inUse.clear();
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    std::fflush(stderr);
}

std::u16string LogFileInUse()
{
    LogFileState& s = state();
    CriticalSectionLock lock(s.lock);
    return s.inUse;
}

namespace {
template <typename Ch> std::basic_string<Ch> escapeControls(std::basic_string_view<Ch> value)
{
    static const char digits[] = "0123456789ABCDEF";
    std::basic_string<Ch> out;
    out.reserve(value.size());
    for (Ch c : value) {
        const auto code = static_cast<std::make_unsigned_t<Ch>>(c);
        const bool separator = sizeof(Ch) > 1 && (code == 0x85 || code == 0x2028 || code == 0x2029);
        if (code >= 0x20 && code != 0x7F && !separator) {
            out.push_back(c);
            continue;
        }
        out.push_back(Ch('\\'));
        switch (code) {
        case '\r': out.push_back(Ch('r')); break;
        case '\n': out.push_back(Ch('n')); break;
        case '\t': out.push_back(Ch('t')); break;
        default:
            if (separator) {
                out.push_back(Ch('u'));
                for (int shift = 12; shift >= 0; shift -= 4)
                    out.push_back(Ch(digits[(code >> shift) & 0xF]));
            } else {
                out.push_back(Ch('x'));
                out.push_back(Ch(digits[code >> 4]));
                out.push_back(Ch(digits[code & 0xF]));
            }
        }
    }
    return out;
}
}

std::u16string EscapeLogValue(std::u16string_view value) { return escapeControls(value); }
std::string EscapeLogValue(std::string_view value) { return escapeControls(value); }

void LogErrorText(std::u16string_view message) { logPrefixed(u"ERROR: ", message); }

void LogMessageText(std::u16string_view message) { logPrefixed(u"MESSAGE: ", message); }

void LogWarningText(std::u16string_view message) { logPrefixed(u"WARNING: ", message); }

void RouteMessageBoxesToLog()
{
    SetMessageBoxTextSink([](std::u16string_view line) { LogMessageText(line); });
}
