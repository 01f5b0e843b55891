#include "platform/base/LastError.h"
#include "platform/base/Registry.h"
#include "platform/crypto/CryptInternal.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vornalt::crypto {

std::string ConfigurationFolder() { return GetRegistryFolder(); }

bool MakePrivateFolder(const std::string& path)
{
    if (path.empty())
        return false;
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string prefix = path.substr(0, slash);
        if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
            SetLastErrorFromErrno(errno, true);
            return false;
        }
        if (slash == std::string::npos)
            break;
    }
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool WritePrivateFile(const std::string& path, const void* bytes, std::size_t size)
{
    std::string temporary = path + ".tmp" + std::to_string(getpid());
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    const char* cursor = static_cast<const char*>(bytes);
    std::size_t left = size;
    while (left > 0) {
        ssize_t written = write(fd, cursor, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            SetLastErrorFromErrno(errno ? errno : EIO);
            close(fd);
            unlink(temporary.c_str());
            return false;
        }
        cursor += written;
        left -= std::size_t(written);
    }
    if (fsync(fd) != 0 || close(fd) != 0) {
        SetLastErrorFromErrno(errno);
        unlink(temporary.c_str());
        return false;
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        SetLastErrorFromErrno(errno);
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::vector<BYTE>& out)
{
    out.clear();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    BYTE chunk[16384];
    for (;;) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            SetLastErrorFromErrno(errno);
            close(fd);
            return false;
        }
        if (got == 0)
            break;
        out.insert(out.end(), chunk, chunk + got);
    }
    close(fd);
    return true;
}

namespace {

std::string HexOf(const std::string& text)
{
    return HexUpper(std::vector<BYTE>(text.begin(), text.end()));
}

bool UnHex(const std::string& hex, std::string& out)
{
    if (hex.size() % 2)
        return false;
    out.clear();
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        auto nibble = [](char c) -> int {
            if (c >= '0' && c <= '9')
                return c - '0';
            if (c >= 'A' && c <= 'F')
                return c - 'A' + 10;
            return -1;
        };
        int high = nibble(hex[i]), low = nibble(hex[i + 1]);
        if (high < 0 || low < 0)
            return false;
        out += char(high * 16 + low);
    }
    return true;
}

} // namespace

std::string SerializeKeyProvInfo(const KeyProvInfo& info)
{
    return "container=" + HexOf(ToUtf8(info.container)) + "\nprovider=" + HexOf(ToUtf8(info.provider))
        + "\ntype=" + std::to_string(info.provType) + "\nflags=" + std::to_string(info.flags)
        + "\nkeyspec=" + std::to_string(info.keySpec) + "\n";
}

std::optional<KeyProvInfo> ParseKeyProvInfo(const std::string& text)
{
    KeyProvInfo info;
    int seen = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        std::string key = line.substr(0, equals), value = line.substr(equals + 1), decoded;
        auto number = [&](DWORD& target) {
            char* stop = nullptr;
            unsigned long parsed = std::strtoul(value.c_str(), &stop, 10);
            if (value.empty() || *stop)
                return false;
            target = DWORD(parsed);
            return true;
        };
        if (key == "container" && UnHex(value, decoded)) {
            info.container = ToUtf16(decoded);
            ++seen;
        } else if (key == "provider" && UnHex(value, decoded)) {
            info.provider = ToUtf16(decoded);
            ++seen;
        } else if ((key == "type" && number(info.provType)) || (key == "flags" && number(info.flags))
            || (key == "keyspec" && number(info.keySpec))) {
            ++seen;
        }
    }
    if (seen != 5)
        return std::nullopt;
    return info;
}

} // namespace vornalt::crypto
