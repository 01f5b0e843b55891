#include "platform/base/Path.h"

#include "platform/base/FileSystemInternal.h"
#include "platform/base/LastError.h"
#include "platform/base/Unicode.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace file_internal;

namespace {

// False (last error set) when there is no current folder to put a relative path after.
bool fullPath(const std::string& path, std::string& result)
{
    std::string base;
    if (path.empty() || path[0] != '/') {
        if (!CurrentFolder(base)) {
            SetLastErrorFromErrno(errno);
            return false;
        }
    }
    std::vector<std::string_view> parts;
    auto addParts = [&parts](std::string_view text) {
        while (!text.empty()) {
            size_t slash = text.find('/');
            std::string_view part = text.substr(0, slash);
            text = slash == std::string_view::npos ? std::string_view() : text.substr(slash + 1);
            if (part.empty() || part == ".")
                continue;
            if (part == "..") {
                if (!parts.empty())
                    parts.pop_back();
                continue;
            }
            parts.push_back(part);
        }
    };
    addParts(base);
    addParts(path);
    std::string joined(1, '/');
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            joined.push_back('/');
        joined.append(parts[i]);
    }
    if (path.back() == '/' && !parts.empty())
        joined.push_back('/');
    result = std::move(joined);
    return true;
}

template <typename Char>
DWORD fullPathInto(const void* pathPointer, const std::string& path, DWORD bufferLength, Char* buffer, Char** filePart)
{
    if (filePart)
        *filePart = nullptr;
    if (!pathPointer || path.empty()) {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    std::string full;
    if (!fullPath(path, full))
        return 0;
    DWORD result;
    if constexpr (sizeof(Char) == 1)
        result = CopyTextOut(AnsiFromUtf8(full), bufferLength, buffer);
    else
        result = CopyTextOut(Utf8ToUtf16(full), bufferLength, buffer);
    if (result < bufferLength && filePart && buffer[result - 1] != Char('/')) {
        Char* name = buffer + result;
        while (name > buffer && name[-1] != Char('/'))
            --name;
        *filePart = name;
    }
    return result;
}

std::string temporaryFolder()
{
    const char* fromEnvironment = std::getenv("TMPDIR");
    std::string folder = fromEnvironment && *fromEnvironment ? fromEnvironment : "/tmp/";
    UseForwardSlashes(folder);
    std::string full;
    if (fullPath(folder, full))
        folder = full;
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

template <typename Char> DWORD temporaryPathInto(DWORD bufferLength, Char* buffer)
{
    if constexpr (sizeof(Char) == 1)
        return CopyTextOut(AnsiFromUtf8(temporaryFolder()), bufferLength, buffer);
    else
        return CopyTextOut(Utf8ToUtf16(temporaryFolder()), bufferLength, buffer);
}

std::string temporaryName(const std::string& folder, std::string_view prefix, UINT number)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", number);
    std::string name = folder;
    if (name.empty() || name.back() != '/')
        name += '/';
    // Up to three characters, not bytes: a multi-byte character is never cut.
    size_t end = 0;
    for (int characters = 0; end < prefix.size() && characters < 3; ++characters) {
        ++end;
        while (end < prefix.size() && (static_cast<unsigned char>(prefix[end]) & 0xC0) == 0x80)
            ++end;
    }
    name.append(prefix.substr(0, end));
    name += hex;
    name += ".tmp";
    return name;
}

template <typename Char>
UINT temporaryFileInto(const void* folderPointer, const std::string& folder, const std::string& prefix, UINT unique,
    Char* out)
{
    if (!folderPointer || !out) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto fits = [](const std::string& name) {
        if constexpr (sizeof(Char) == 1)
            return AnsiFromUtf8(name).size() < MAX_PATH;
        else
            return Utf8ToUtf16(name).size() < MAX_PATH;
    };
    auto store = [out](const std::string& name) {
        if constexpr (sizeof(Char) == 1)
            CopyTextOut(AnsiFromUtf8(name), MAX_PATH, out);
        else
            CopyTextOut(Utf8ToUtf16(name), MAX_PATH, out);
    };
    // The widest number decides whether any name can fit.
    if (!fits(temporaryName(folder, prefix, unique ? unique : 0xFFFF))) {
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return 0;
    }
    if (unique != 0) {
        store(temporaryName(folder, prefix, unique));
        return unique;
    }
    thread_local std::mt19937 generator { std::random_device {}() };
    UINT number = std::uniform_int_distribution<UINT>(1, 0xFFFF)(generator);
    constexpr int maximumTries = 10000;
    for (int attempt = 0; attempt < maximumTries; ++attempt, number = number % 0xFFFF + 1) {
        std::string candidate = temporaryName(folder, prefix, number);
        int fd = OpenDescriptor(candidate, O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd >= 0) {
            ::close(fd);
            store(candidate);
            return number;
        }
        if (errno != EEXIST) {
            SetLastErrorForPath(errno, candidate);
            return 0;
        }
    }
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}

BOOL isDirectory(const std::string& path)
{
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}

DWORD GetFullPathNameA(const char* fileName, DWORD bufferLength, char* buffer, char** filePart)
{
    return fullPathInto(fileName, SystemPathFromAnsi(fileName), bufferLength, buffer, filePart);
}

DWORD GetFullPathNameW(const WCHAR* fileName, DWORD bufferLength, WCHAR* buffer, WCHAR** filePart)
{
    return fullPathInto(fileName, SystemPathFromWide(fileName), bufferLength, buffer, filePart);
}

DWORD GetTempPathA(DWORD bufferLength, char* buffer) { return temporaryPathInto(bufferLength, buffer); }

DWORD GetTempPathW(DWORD bufferLength, WCHAR* buffer) { return temporaryPathInto(bufferLength, buffer); }

UINT GetTempFileNameA(const char* pathName, const char* prefixString, UINT unique, char* tempFileName)
{
    return temporaryFileInto(pathName, SystemPathFromAnsi(pathName), SystemPathFromAnsi(prefixString), unique,
        tempFileName);
}

UINT GetTempFileNameW(const WCHAR* pathName, const WCHAR* prefixString, UINT unique, WCHAR* tempFileName)
{
    return temporaryFileInto(pathName, SystemPathFromWide(pathName), SystemPathFromWide(prefixString), unique,
        tempFileName);
}

BOOL PathIsDirectoryA(const char* path) { return isDirectory(SystemPathFromAnsi(path)); }

BOOL PathIsDirectoryW(const WCHAR* path) { return isDirectory(SystemPathFromWide(path)); }

BOOL PathFileExistsA(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

BOOL PathFileExistsW(const WCHAR* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }
