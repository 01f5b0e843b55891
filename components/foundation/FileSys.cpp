#include "components/foundation/FileSys.h"

#include "components/foundation/LogBase.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/TextTrim.h"
#include "components/foundation/TorvaneRand.h"
#include "components/foundation/XString.h"
#include "platform/base/Clock.h"
#include "platform/base/Directory.h"
#include "platform/base/FileAtomicWriter.h"
#include "platform/base/LastError.h"
#include "platform/base/NumberParse.h"
#include "platform/base/Path.h"
#include "platform/base/ProcessInfo.h"
#include "platform/base/Time.h"
#include "platform/base/Unicode.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using torvane::StringBuffer;

// Which platform entry point a path goes to:
//  A (by version): wide unless on a legacy system. Full paths, name parts, moves, deletes by
//    XString, directory creation, directory searches.
//  B (by content): 8-bit when the path converts to the ANSI code page without loss, else wide.
//    Attributes (and so every existence test), the four opens, sizes by UTF-8 path.
//  C (wide first): current and temporary folder.
// A lossy 8-bit form of a path is never used: it could name another file.

WindowsVersion::WindowsVersion()
    : m_majorVersion(6)
    , m_minorVersion(1)
{
}

namespace {

bool IsLegacySystem() { return WindowsVersion().IsMajorVersion4(); }

bool UseAnsiForm(const XString& path) { return IsLegacySystem() || path.IsAnsiLossless(); }

std::string WithForwardSlashes(const char* text)
{
    std::string out = text ? text : "";
    for (char& c : out) {
        if (c == '\\')
            c = '/';
    }
    return out;
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// Runs a platform call of the "length, buffer → length or size needed" kind with a buffer that
// grows until the answer fits; empty when the call fails.
template <typename Char, typename Call> std::basic_string<Char> QueryGrowing(Call call)
{
    std::vector<Char> buffer(MAX_PATH + 1);
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD length = call(DWORD(buffer.size()), buffer.data());
        if (length == 0)
            return {};
        if (length < buffer.size())
            return std::basic_string<Char>(buffer.data(), length);
        buffer.resize(size_t(length) + 1);
    }
    return {};
}

std::string CurrentDirectoryAnsi()
{
    return QueryGrowing<char>([](DWORD n, char* b) { return GetCurrentDirectoryA(n, b); });
}

std::string UserName()
{
    std::vector<char> buffer(400);
    DWORD size = DWORD(buffer.size());
    if (!GetUserNameA(buffer.data(), &size)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return {};
        buffer.resize(size);
        if (!GetUserNameA(buffer.data(), &size))
            return {};
    }
    return buffer.data();
}

void LogSystemText(LogBase* log, DWORD code)
{
    if (!log)
        return;
    StringBuffer text;
    text.AppendSystemErrorText(code);
    log->LogError(text.GetText());
}

void LogSystemTextAs(LogBase* log, const char* tag, DWORD code)
{
    if (!log)
        return;
    StringBuffer text;
    text.AppendSystemErrorText(code);
    log->LogData(tag, text.GetText());
}

constexpr int kOpenRetries = 3;
constexpr DWORD kOpenRetryDelayMs = 50;

HANDLE OpenFileAnsiWithRetry(const char* ansiPath, DWORD access, DWORD share, DWORD disposition, DWORD flags,
    LogBase* log)
{
    std::string path = WithForwardSlashes(ansiPath);
    HANDLE handle = CreateFileA(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
    // Another process may hold the file for a moment; the retries also accept its writers.
    DWORD retryShare = share == FILE_SHARE_READ ? (FILE_SHARE_READ | FILE_SHARE_WRITE) : share;
    for (int retry = 0; handle == INVALID_HANDLE_VALUE && retry < kOpenRetries; ++retry) {
        if (GetLastError() != ERROR_SHARING_VIOLATION)
            break;
        Sleep(kOpenRetryDelayMs);
        handle = CreateFileA(path.c_str(), access, retryShare, nullptr, disposition, flags, nullptr);
    }
    if (handle != INVALID_HANDLE_VALUE)
        return handle;
    DWORD error = GetLastError();
    if (log) {
        log->LogError("Failed to open file (2)");
        log->LogDataQuotedPrintable("ansiFilename", ansiPath);
        LogSystemTextAs(log, "osErrorInfo", error);
    }
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

HANDLE OpenFileWideWithRetry(const XString& widePath, DWORD access, DWORD share, DWORD disposition, DWORD flags,
    LogBase* log)
{
    std::u16string path(widePath.GetUtf16());
    for (char16_t& c : path) {
        if (c == u'\\')
            c = u'/';
    }
    HANDLE handle = CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
    for (int retry = 0; handle == INVALID_HANDLE_VALUE && retry < kOpenRetries; ++retry) {
        if (GetLastError() != ERROR_SHARING_VIOLATION)
            break;
        Sleep(kOpenRetryDelayMs);
        handle = CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
    }
    if (handle != INVALID_HANDLE_VALUE)
        return handle;
    DWORD error = GetLastError();
    if (log) {
        log->LogError("Failed to open file (3)");
        if (widePath.IsAnsiLossless())
            log->LogData("filename", widePath.GetAnsi());
        else
            log->LogData("utf8Filename", widePath.GetUtf8());
        LogSystemTextAs(log, "osErrorInfo", error);
    }
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

void LogOpenContext(LogBase* log)
{
    if (!log)
        return;
    DWORD error = GetLastError();
    log->LogData("CurrentDir", CurrentDirectoryAnsi().c_str());
    log->LogData("LoggedOnUser", UserName().c_str());
    SetLastError(error);
}

HANDLE OpenByChoiceB(const XString& path, DWORD access, DWORD share, DWORD disposition, DWORD flags, LogBase* log)
{
    HANDLE handle = UseAnsiForm(path) ? OpenFileAnsiWithRetry(path.GetAnsi(), access, share, disposition, flags, log)
                                      : OpenFileWideWithRetry(path, access, share, disposition, flags, log);
    if (handle == INVALID_HANDLE_VALUE)
        LogOpenContext(log);
    return handle;
}

bool IsEmptyPath(const XString& path) { return path.GetUtf8Size() == 0; }

bool IsMissingError(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_NOT_READY;
}

bool ExistsByAttributes(const XString& path, LogBase* log)
{
    DWORD attributes = 0;
    DWORD error = 0;
    if (FileSys::GetAttributes(path, &attributes, &error, log))
        return true;
    return !IsMissingError(error);
}

// Deletes after checking existence, with the texts of the 8-bit delete; the wide call serves paths
// the ANSI code page cannot hold.
bool DeleteExistingFile(const XString& path, LogBase* log)
{
    std::string shown = path.IsAnsiLossless() ? path.GetAnsi() : path.GetUtf8();
    if (IsEmptyPath(path)) {
        if (log)
            log->LogError("Cannot delete file, filename is null or empty");
        return false;
    }
    if (!ExistsByAttributes(path, nullptr)) {
        if (log) {
            log->LogData("delete_filename", shown.c_str());
            log->LogInfo("Cannot delete file, file does not exist");
        }
        return false;
    }
    BOOL deleted;
    if (UseAnsiForm(path))
        deleted = DeleteFileA(WithForwardSlashes(path.GetAnsi()).c_str());
    else
        deleted = DeleteFileW(path.GetUtf16());
    if (deleted)
        return true;
    DWORD error = GetLastError();
    if (log) {
        log->LogInfo("Cannot delete file");
        log->LogData("delete_filename", shown.c_str());
        StringBuffer text("DeleteFile: ");
        text.AppendSystemErrorText(error);
        log->LogInfo(text.GetText());
    }
    return false;
}

// How a whole-file write names the file in its log lines.
struct WriteTexts {
    const char* createPathTag; // logged quoted-printable, as is shortWritePathTag
    const char* shortWritePathTag;
    const char* createFailure; // null: only the texts of the failed open
};

void LogWritePath(LogBase* log, const char* tag, const char* path)
{
    // "filename" is a plain value; the others are 8-bit names and go quoted-printable.
    if (std::strcmp(tag, "filename") == 0)
        log->LogData(tag, path);
    else
        log->LogDataQuotedPrintable(tag, path);
}

// Replaces the file through a temporary in the same folder, so a failed write leaves the old
// file as it was.
bool WriteBlocksReplacing(const XString& path, const char* pathForLog, const void* const* blocks,
    const DWORD* counts, const char* const* shortWriteTexts, int blockCount, const WriteTexts& texts,
    LogBase* log)
{
    std::string systemPath = WithForwardSlashes(path.GetUtf8());
    std::unique_ptr<FileAtomicWriter> writer = FileAtomicWriter::Create(std::string_view(systemPath));
    if (!writer) {
        DWORD error = GetLastError();
        if (log) {
            // The same lines as a failed CreateFileForWrite, then the writer's own.
            if (UseAnsiForm(path)) {
                log->LogError("Failed to open file (2)");
                log->LogDataQuotedPrintable("ansiFilename", path.GetAnsi());
            } else {
                log->LogError("Failed to open file (3)");
                log->LogData("utf8Filename", path.GetUtf8());
            }
            LogSystemTextAs(log, "osErrorInfo", error);
            LogOpenContext(log);
            log->LogDataQuotedPrintable("ansiFilename", path.GetAnsi());
            if (texts.createFailure) {
                log->LogDataQuotedPrintable(texts.createPathTag, pathForLog);
                log->LogError(texts.createFailure);
            }
        }
        SetLastError(error);
        return false;
    }
    for (int i = 0; i < blockCount; ++i) {
        if (!blocks[i] || counts[i] == 0)
            continue;
        if (writer->Write(blocks[i], counts[i]))
            continue;
        DWORD error = GetLastError();
        writer->Discard();
        if (log) {
            LogSystemText(log, error);
            LogWritePath(log, texts.shortWritePathTag, pathForLog);
            log->LogError(shortWriteTexts[i]);
        }
        SetLastError(error);
        return false;
    }
    if (writer->Commit())
        return true;
    DWORD error = GetLastError();
    if (log) {
        LogSystemText(log, error);
        LogWritePath(log, texts.shortWritePathTag, pathForLog);
        log->LogError(shortWriteTexts[blockCount - 1]);
    }
    SetLastError(error);
    return false;
}

} // namespace

// ---- Paths and folders ----

void FileSys::GetFullPath(const XString& path, XString& out)
{
    std::u16string full;
    if (IsLegacySystem()) {
        std::string ansi(path.GetAnsi());
        std::string result = QueryGrowing<char>(
            [&ansi](DWORD n, char* b) { return GetFullPathNameA(ansi.c_str(), n, b, nullptr); });
        if (result.empty()) {
            out.CopyFrom(path);
            return;
        }
        out.SetFromAnsi(result.c_str());
        return;
    }
    std::u16string wide(path.GetUtf16());
    full = QueryGrowing<WCHAR>([&wide](DWORD n, WCHAR* b) { return GetFullPathNameW(wide.c_str(), n, b, nullptr); });
    if (full.empty()) {
        // `out` may be `path` itself.
        if (&out != &path)
            out.CopyFrom(path);
        return;
    }
    out.SetFromUtf16(full.c_str());
}

void FileSys::GetFileNamePart(const XString& path, XString& out)
{
    std::u16string wide(path.GetUtf16());
    out.Clear();
    if (wide.empty())
        return;
    std::u16string full
        = QueryGrowing<WCHAR>([&wide](DWORD n, WCHAR* b) { return GetFullPathNameW(wide.c_str(), n, b, nullptr); });
    if (full.empty() || full.back() == u'/')
        return;
    size_t slash = full.rfind(u'/');
    std::u16string name = slash == std::u16string::npos ? full : full.substr(slash + 1);
    out.SetFromUtf16(name.c_str());
}

void FileSys::GetCurrentDir(XString& out)
{
    out.Clear();
    if (!IsLegacySystem()) {
        std::u16string wide = QueryGrowing<WCHAR>([](DWORD n, WCHAR* b) { return GetCurrentDirectoryW(n, b); });
        if (!wide.empty()) {
            out.SetFromUtf16(wide.c_str());
            return;
        }
    }
    out.SetFromAnsi(CurrentDirectoryAnsi().c_str());
}

void FileSys::GetTempDir(XString& out)
{
    out.Clear();
    if (!IsLegacySystem()) {
        std::u16string wide = QueryGrowing<WCHAR>([](DWORD n, WCHAR* b) { return GetTempPathW(n, b); });
        if (!wide.empty()) {
            out.SetFromUtf16(wide.c_str());
            return;
        }
    }
    std::string ansi = QueryGrowing<char>([](DWORD n, char* b) { return GetTempPathA(n, b); });
    out.SetFromAnsi(ansi.c_str());
}

bool FileSys::IsAbsolutePath(const char* path)
{
    if (!path)
        return false;
    std::string text = TrimWhitespace(path);
    if (text.empty())
        return false;
    return text[0] == '/' || text[0] == '\\' || (text.size() > 1 && text[1] == ':');
}

namespace {

// The root-stripping rule on '/'-separated text.
std::string StripRootText(std::string text)
{
    text = WithForwardSlashes(TrimWhitespace(text).c_str());
    if (StartsWith(text, "//?/UNC/"))
        text = "//" + text.substr(8);
    else if (StartsWith(text, "//?/"))
        text.erase(0, 4);

    auto afterLeadingSlashes = [](const std::string& s, size_t from) {
        while (from < s.size() && s[from] == '/')
            ++from;
        return s.substr(from);
    };
    if (StartsWith(text, "//")) {
        size_t serverEnd = text.find('/', 2);
        if (serverEnd == std::string::npos)
            return {};
        size_t shareEnd = text.find('/', serverEnd + 1);
        if (shareEnd == std::string::npos)
            return {};
        return afterLeadingSlashes(text, shareEnd + 1);
    }
    if (text.size() > 1 && text[1] == ':')
        return afterLeadingSlashes(text, 2);
    if (!text.empty() && text[0] == '/')
        return afterLeadingSlashes(text, 0);
    return text;
}

} // namespace

void FileSys::StripRoot(XString& path)
{
    std::string stripped = StripRootText(path.GetUtf8());
    path.SetFromUtf8(stripped.c_str());
}

void FileSys::CombinePath(const XString& directory, const XString& path, XString& out)
{
    std::string result = WithForwardSlashes(TrimWhitespace(directory.GetUtf8()).c_str());
    std::string second(path.GetUtf8());
    if (result.empty()) {
        result = WithForwardSlashes(second.c_str());
    } else {
        if (result.back() != '/')
            result += '/';
        result += StripRootText(second);
    }
    out.SetFromUtf8(result.c_str());
}

void FileSys::JoinDirAndFileName(const XString& directory, const XString& path, XString& out)
{
    XString name;
    GetFileNamePart(path, name);
    std::string result = WithForwardSlashes(TrimWhitespace(directory.GetUtf8()).c_str());
    if (!result.empty() && result.back() != '/')
        result += '/';
    result += name.GetUtf8();
    out.SetFromUtf8(result.c_str());
}

void FileSys::RemoveFileNamePart(XString& path)
{
    XString name;
    GetFileNamePart(path, name);
    int nameLength = name.GetUtf8Size();
    if (nameLength == 0)
        return;
    std::string text(path.GetUtf8());
    text.resize(text.size() > size_t(nameLength) ? text.size() - size_t(nameLength) : 0);
    path.SetFromUtf8(text.c_str());
}

// ---- Existence, attributes and times ----

bool FileSys::GetAttributes(const XString& path, DWORD* attributes, DWORD* osError, LogBase* log)
{
    if (attributes)
        *attributes = INVALID_FILE_ATTRIBUTES;
    if (osError)
        *osError = 0;
    if (IsEmptyPath(path)) {
        if (log)
            log->LogError("GetAttributes: filename is empty");
        return false;
    }
    DWORD found = UseAnsiForm(path) ? GetFileAttributesA(WithForwardSlashes(path.GetAnsi()).c_str())
                                    : GetFileAttributesW(path.GetUtf16());
    if (found == INVALID_FILE_ATTRIBUTES) {
        if (osError)
            *osError = GetLastError();
        return false;
    }
    if (attributes)
        *attributes = found;
    return true;
}

bool FileSys::FileExistsUtf8(const char* path, LogBase* log)
{
    if (!path || !*path)
        return false;
    XString text;
    text.SetFromUtf8(path);
    return ExistsByAttributes(text, log);
}

bool FileSys::FileExistsAnsi(const char* path, LogBase* log)
{
    if (!path || !*path)
        return false;
    XString text;
    text.SetFromAnsi(path);
    return ExistsByAttributes(text, log);
}

bool FileSys::FileExistsWide(const WCHAR* path, LogBase* log)
{
    if (!path || !*path)
        return false;
    XString text;
    text.SetFromUtf16(path);
    return ExistsByAttributes(text, log);
}

bool FileSys::IsDirectory(const XString& path, LogBase* log)
{
    DWORD attributes = 0;
    if (!GetAttributes(path, &attributes, nullptr, log))
        return false;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileSys::GetLastWriteTime(const XString& path, FILETIME* out, LogBase* log)
{
    HANDLE file = OpenFileForRead(path, log);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    FILETIME lastWrite {};
    bool ok = GetFileTime(file, nullptr, nullptr, &lastWrite) != FALSE;
    if (!ok)
        LogSystemText(log, GetLastError());
    CloseHandleIfValid(file);
    if (ok && out)
        *out = lastWrite;
    return ok;
}

bool FileSys::GetLastWriteTimeLocal(const XString& path, FILETIME* out, LogBase* log)
{
    FILETIME utc {};
    if (!GetLastWriteTime(path, &utc, log))
        return false;
    FILETIME local {};
    if (!FileTimeToLocalFileTime(&utc, &local))
        return false;
    if (out)
        *out = local;
    return true;
}

bool FileSys::GetLastWriteTimeLocalUtf8(const char* path, FILETIME* out, LogBase* log)
{
    XString text;
    text.SetFromUtf8(path);
    return GetLastWriteTimeLocal(text, out, log);
}

bool FileSys::IsValidFileName(const char* name, LogBase* log)
{
    if (!name)
        return false;
    struct Rule {
        char c;
        const char* text;
    };
    static const Rule rules[] = {
        { '<', "Filename cannot contain a '<'" },
        { '>', "Filename cannot contain a '>'" },
        { '"', "Filename cannot contain a double-quote character" },
        { '?', "Filename cannot contain a question-mark character" },
        { '*', "Filename cannot contain a * character" },
        { '|', "Filename cannot contain a | character" },
    };
    for (const Rule& rule : rules) {
        if (std::strchr(name, rule.c)) {
            if (log)
                log->LogError(rule.text);
            return false;
        }
    }
    return true;
}

// ---- Opening ----

HANDLE FileSys::OpenFileForRead(const XString& path, LogBase* log)
{
    if (IsEmptyPath(path)) {
        if (log)
            log->LogError("Cannot open file, filename is empty.");
        return INVALID_HANDLE_VALUE;
    }
    return OpenByChoiceB(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL, log);
}

HANDLE FileSys::OpenFileOrDirectoryForRead(const XString& path, LogBase* log)
{
    if (IsEmptyPath(path))
        return INVALID_HANDLE_VALUE;
    return OpenByChoiceB(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, log);
}

HANDLE FileSys::OpenFileReadWrite(const XString& path, LogBase* log)
{
    if (IsEmptyPath(path))
        return INVALID_HANDLE_VALUE;
    return OpenByChoiceB(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, log);
}

HANDLE FileSys::CreateFileForWrite(const XString& path, LogBase* log)
{
    if (IsEmptyPath(path))
        return INVALID_HANDLE_VALUE;
    HANDLE handle = OpenByChoiceB(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, log);
    if (handle == INVALID_HANDLE_VALUE && log)
        log->LogDataQuotedPrintable("ansiFilename", path.GetAnsi());
    return handle;
}

// ---- Sizes ----

std::int64_t FileSys::GetHandleSize64(HANDLE file, LogBase* log)
{
    DWORD high = 0;
    SetLastError(ERROR_SUCCESS);
    DWORD low = GetFileSize(file, &high);
    // A size whose low half is all ones is real when no error came with it.
    if (low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) {
        DWORD error = GetLastError();
        if (log) {
            LogSystemText(log, error);
            log->LogError("Failed to get file size (64)");
        }
        return -1;
    }
    return MakeInt64(low, high);
}

namespace {

// Shared by the 8-bit and wide 32-bit size queries.
DWORD SizeOf32(HANDLE file, const char* pathForLog, bool wide, LogBase* log, bool* ok)
{
    DWORD high = 0;
    SetLastError(ERROR_SUCCESS);
    DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) {
        if (log) {
            LogSystemText(log, GetLastError());
            log->LogData("filename", pathForLog);
            log->LogError(wide ? "Failed to get file size (Unicode)" : "Failed to get file size (ANSI)");
        }
        return 0;
    }
    if (high != 0) {
        if (log) {
            log->LogError("File too large for 32-bits");
            log->LogData("filename", pathForLog);
            log->LogError(wide ? "Failed to get file size" : "Failed to get file size.");
        }
        return 0;
    }
    *ok = true;
    return low;
}

HANDLE OpenForSize(const char* ansiPath, const XString* widePath, LogBase* log)
{
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
    if (widePath)
        return OpenFileWideWithRetry(*widePath, GENERIC_READ, kShare, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, log);
    return OpenFileAnsiWithRetry(ansiPath, GENERIC_READ, kShare, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, log);
}

// The size of a file opened by OpenForSize, which it closes; 0 when the open failed.
DWORD CloseAfterSize32(HANDLE file, const char* pathForLog, bool wide, LogBase* log, bool& ok)
{
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD size = SizeOf32(file, pathForLog, wide, log, &ok);
    CloseHandleIfValid(file);
    return size;
}

std::int64_t CloseAfterSize64(HANDLE file, LogBase* log, bool* ok)
{
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    std::int64_t size = FileSys::GetHandleSize64(file, log);
    CloseHandleIfValid(file);
    if (ok)
        *ok = size >= 0;
    return size;
}

} // namespace

DWORD FileSys::GetFileSize32Ansi(const char* path, LogBase* log, bool* ok)
{
    bool dummy = false;
    bool& result = ok ? *ok : dummy;
    result = false;
    if (!path || !*path)
        return 0;
    return CloseAfterSize32(OpenForSize(path, nullptr, log), path, /*wide=*/false, log, result);
}

DWORD FileSys::GetFileSize32Wide(const WCHAR* path, LogBase* log, bool* ok)
{
    bool dummy = false;
    bool& result = ok ? *ok : dummy;
    result = false;
    if (!path || !*path)
        return 0;
    XString text;
    text.SetFromUtf16(path);
    return CloseAfterSize32(OpenForSize(nullptr, &text, log), text.GetUtf8(), /*wide=*/true, log, result);
}

DWORD FileSys::GetFileSize32Utf8(const char* path, LogBase* log, bool* ok)
{
    if (ok)
        *ok = false;
    if (!path || !*path)
        return 0;
    XString text;
    text.SetFromUtf8(path);
    if (UseAnsiForm(text))
        return GetFileSize32Ansi(text.GetAnsi(), log, ok);
    return GetFileSize32Wide(text.GetUtf16(), log, ok);
}

std::int64_t FileSys::GetFileSize64Ansi(const char* path, LogBase* log, bool* ok)
{
    if (ok)
        *ok = false;
    if (!path || !*path)
        return 0;
    return CloseAfterSize64(OpenForSize(path, nullptr, log), log, ok);
}

std::int64_t FileSys::GetFileSize64Wide(const WCHAR* path, LogBase* log, bool* ok)
{
    if (ok)
        *ok = false;
    if (!path || !*path)
        return 0;
    XString text;
    text.SetFromUtf16(path);
    return CloseAfterSize64(OpenForSize(nullptr, &text, log), log, ok);
}

std::int64_t FileSys::GetFileSize64Utf8(const char* path, LogBase* log, bool* ok)
{
    if (ok)
        *ok = false;
    if (!path || !*path)
        return 0;
    XString text;
    text.SetFromUtf8(path);
    if (UseAnsiForm(text))
        return GetFileSize64Ansi(text.GetAnsi(), log, ok);
    return GetFileSize64Wide(text.GetUtf16(), log, ok);
}

// ---- Changes ----

bool FileSys::DeleteFile(const XString& path)
{
    if (IsLegacySystem())
        return DeleteFileA(WithForwardSlashes(path.GetAnsi()).c_str()) != FALSE;
    return DeleteFileW(path.GetUtf16()) != FALSE;
}

bool FileSys::DeleteFileAnsi(const char* path, LogBase* log)
{
    XString text;
    text.SetFromAnsi(path);
    return DeleteExistingFile(text, log);
}

bool FileSys::DeleteFileUtf8(const char* path, LogBase* log)
{
    XString text;
    text.SetFromUtf8(path);
    return DeleteExistingFile(text, log);
}

bool FileSys::MoveFile(const XString& from, const XString& to, LogBase* log)
{
    BOOL moved;
    if (IsLegacySystem())
        moved = MoveFileA(WithForwardSlashes(from.GetAnsi()).c_str(), WithForwardSlashes(to.GetAnsi()).c_str());
    else
        moved = MoveFileW(from.GetUtf16(), to.GetUtf16());
    if (!moved)
        LogSystemTextAs(log, "errorMsg", GetLastError());
    return moved != FALSE;
}

bool FileSys::CreateDirectory(const XString& path, LogBase* log)
{
    BOOL created;
    if (IsLegacySystem())
        created = CreateDirectoryA(WithForwardSlashes(path.GetAnsi()).c_str(), nullptr);
    else
        created = CreateDirectoryW(path.GetUtf16(), nullptr);
    if (!created)
        LogSystemTextAs(log, "errorMsg", GetLastError());
    return created != FALSE;
}

bool EnsureDirectory(const char* path, LogBase* log)
{
    if (!path || !*path || std::strcmp(path, ".") == 0)
        return true;
    if (FileSys::FileExistsUtf8(path, nullptr))
        return true;
    XString text;
    text.SetFromUtf8(path);
    if (FileSys::CreateDirectory(text, nullptr))
        return true;
    DWORD error = GetLastError();
    // Another thread or process may have made the same folder meanwhile.
    if (error == ERROR_ALREADY_EXISTS && FileSys::IsDirectory(text, nullptr))
        return true;
    LogSystemTextAs(log, "errorMsg", error);
    return false;
}

bool EnsureDirectoryTree(const char* path, LogBase* log)
{
    std::string text = WithForwardSlashes(TrimWhitespace(path ? path : "").c_str());
    if (text.empty())
        return true;
    if (EnsureDirectory(text.c_str(), nullptr))
        return true;

    auto fail = [&text, log]() {
        if (log) {
            log->LogError("Cannot ensure directory existence");
            log->LogData("path", text.c_str());
        }
        return false;
    };

    size_t start = 0;
    bool isUnc = StartsWith(text, "//?/UNC/") || (StartsWith(text, "//") && !StartsWith(text, "//?/"));
    if (isUnc) {
        size_t prefix = StartsWith(text, "//?/UNC/") ? 8 : 2;
        start = prefix;
        size_t serverEnd = text.find('/', prefix);
        if (serverEnd != std::string::npos) {
            size_t shareEnd = text.find('/', serverEnd + 1);
            if (shareEnd == std::string::npos || shareEnd + 1 >= text.size())
                return EnsureDirectory(text.c_str(), log) || fail();
            start = shareEnd + 1;
            if (text.size() > start + 1 && text[start + 1] == ':')
                start += 2;
        }
    } else {
        if (StartsWith(text, "//?/"))
            start = 4;
        if (text.size() > start + 1 && text[start + 1] == ':')
            start += 2;
    }
    while (start < text.size() && text[start] == '/')
        ++start;

    size_t slash = text.find('/', start);
    if (slash == std::string::npos)
        return fail();
    for (; slash != std::string::npos; slash = text.find('/', slash + 1)) {
        if (!EnsureDirectory(text.substr(0, slash).c_str(), log))
            return fail();
    }
    if (!EnsureDirectory(text.c_str(), log))
        return fail();
    return true;
}

bool EnsureParentDirectory(const char* filePath, StringBuffer& scratch, LogBase* log)
{
    if (!filePath)
        return false;
    scratch.SetText(filePath);
    scratch.ReplaceChar('\\', '/');
    scratch.Trim();
    std::string text(scratch.GetText(), size_t(scratch.GetLength()));
    size_t slash = text.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return true;
    scratch.SetText(text.substr(0, slash).c_str());
    return EnsureDirectoryTree(scratch.GetText(), log);
}

bool FileSys::WriteWholeFileAnsi(const char* path, const void* bytes, DWORD count, LogBase* log)
{
    if (!path || !*path)
        return false;
    XString text;
    text.SetFromAnsi(path);
    const void* blocks[] = { bytes };
    DWORD counts[] = { count };
    const char* shortTexts[] = { "Failed to write complete file (1)" };
    return WriteBlocksReplacing(text, path, blocks, counts, shortTexts, 1,
        WriteTexts { "ansiFilename", "ansiFilename2", "Failed to write complete file (7)" }, log);
}

bool FileSys::WriteWholeFileWide(const WCHAR* path, const void* bytes, DWORD count, LogBase* log)
{
    if (!path || !*path)
        return false;
    XString text;
    text.SetFromUtf16(path);
    const void* blocks[] = { bytes };
    DWORD counts[] = { count };
    const char* shortTexts[] = { "Failed to write complete file (3)" };
    std::string utf8(text.GetUtf8());
    return WriteBlocksReplacing(text, utf8.c_str(), blocks, counts, shortTexts, 1,
        WriteTexts { "utf8Filename", "utf8Filename", "Failed to write complete file (6)" }, log);
}

bool FileSys::WriteWholeFileUtf8(const char* path, const void* bytes, DWORD count, LogBase* log)
{
    if (!path) {
        if (log)
            log->LogError("NULL filename");
        return false;
    }
    if (!*path) {
        if (log)
            log->LogError("zero-length filename");
        return false;
    }
    XString text;
    text.SetFromUtf8(path);
    if (UseAnsiForm(text)) {
        std::string ansi(text.GetAnsi());
        return WriteWholeFileAnsi(ansi.c_str(), bytes, count, log);
    }
    std::u16string wide(text.GetUtf16());
    return WriteWholeFileWide(wide.c_str(), bytes, count, log);
}

bool FileSys::WriteFileTwoParts(const char* path, const void* bytes1, DWORD count1, const void* bytes2,
    DWORD count2, LogBase* log)
{
    if (!path || !*path)
        return false;
    XString text;
    text.SetFromAnsi(path);
    const void* blocks[] = { bytes1, bytes2 };
    DWORD counts[] = { count1, count2 };
    const char* shortTexts[] = { "Failed to write complete file (4)", "Failed to write complete file (5)" };
    return WriteBlocksReplacing(text, path, blocks, counts, shortTexts, 2, WriteTexts { nullptr, "filename", nullptr },
        log);
}

// ---- Unique names ----

void FileSys::AppendRandomChars(StringBuffer& out, int count)
{
    TorvaneRand generator;
    for (int i = 0; i < count; ++i) {
        std::uint32_t v = TorvaneRand::RandomInRange(0, 35);
        out.AppendChar(char(v < 26 ? 'A' + v : v + 22));
    }
}

bool FileSys::MakeUniqueFileName(const XString& baseName, const XString& directory, XString& out)
{
    std::string base(baseName.GetUtf8());
    if (base.empty())
        base = "x";
    std::string folder(directory.GetUtf8());
    if (folder.empty() || (folder.back() != '/' && folder.back() != '\\'))
        folder += '/';
    if (base.find('.') == std::string::npos)
        base += ".tmp";
    size_t dot = base.rfind('.');
    std::string stem = base.substr(0, dot);
    std::string extension = base.substr(dot);

    TorvaneRand::Seed(GetTickCount());
    // A folder that cannot be examined makes every candidate look taken; give up in the end.
    for (int attempt = 0; attempt < kUniqueNameAttempts; ++attempt) {
        StringBuffer candidate;
        candidate.Append(folder.c_str());
        candidate.Append(stem.c_str());
        candidate.AppendChar('_');
        AppendRandomChars(candidate, 4);
        candidate.Append(extension.c_str());
        if (!FileExistsUtf8(candidate.GetText(), nullptr)) {
            out.SetFromUtf8(candidate.GetText());
            return true;
        }
    }
    out.Clear();
    return false;
}

bool FileSys::MakeUniqueTempFileName(const XString& baseName, XString& out)
{
    XString folder;
    GetTempDir(folder);
    return MakeUniqueFileName(baseName, folder, out);
}

bool FileSys::UniqueFileNameInDir(const char* baseName, const char* directory, StringBuffer& out)
{
    XString base;
    base.SetFromUtf8(baseName);
    XString folder;
    folder.SetFromUtf8(directory);
    XString name;
    bool made = MakeUniqueFileName(base, folder, name);
    out.Append(name.GetUtf8());
    out.ReplaceChar('\\', '/');
    return made;
}

bool FileSys::MakeUniqueFileNameInDir(const XString& directory, const XString& baseName, XString& out)
{
    StringBuffer name;
    bool made = UniqueFileNameInDir(baseName.GetUtf8(), directory.GetUtf8(), name);
    out.SetFromUtf8(name.GetText());
    return made;
}

bool FileSys::UniqueTempFileName(const char* baseName, StringBuffer& out)
{
    XString base;
    base.SetFromUtf8(baseName);
    XString name;
    bool made = MakeUniqueTempFileName(base, name);
    out.Append(name.GetUtf8());
    return made;
}

// ---- Free functions ----

int CloseHandleIfValid(HANDLE handle)
{
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    return CloseHandle(handle);
}

std::FILE* OpenStdioFile(const char* path, const char* mode, LogBase* log)
{
    if (!path || !*path || !mode || !*mode)
        return nullptr;
    std::string systemPath = WithForwardSlashes(path);
    std::FILE* file = std::fopen(systemPath.c_str(), mode);
    if (!file && log) {
        log->LogError("Failed to open file. (1)");
        log->LogData("filename", path);
    }
    return file;
}

void CloseStdioFile(std::FILE* file)
{
    if (file)
        std::fclose(file);
}

std::int64_t MakeInt64(DWORD low, DWORD high) { return std::int64_t((std::uint64_t(high) << 32) | low); }

void SplitInt64(std::int64_t value, DWORD* low, DWORD* high)
{
    if (low)
        *low = DWORD(std::uint64_t(value));
    if (high)
        *high = DWORD(std::uint64_t(value) >> 32);
}

DWORD Int64LowHalf(DWORD low, DWORD /*high*/) { return low; }

bool Int64Exceeds32Bits(DWORD /*low*/, DWORD high) { return high != 0; }

std::int64_t ParseInt64(const char* text) { return text ? StringToInt64(text) : 0; }

void ParseInt64Parts(const char* text, DWORD* low, DWORD* high) { SplitInt64(ParseInt64(text), low, high); }

void AppendInt64(std::int64_t value, StringBuffer& out) { out.Append(std::to_string(value).c_str()); }
