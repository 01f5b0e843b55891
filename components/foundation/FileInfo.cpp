#include "components/foundation/FileInfo.h"

#include "components/foundation/FileSys.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/XString.h"
#include "platform/base/File.h"
#include "platform/base/Time.h"

FileInfo::FileInfo() = default;

void FileInfo::Clear()
{
    m_notFound = false;
    m_path.Clear();
    m_isDirectory = false;
    m_isLink = false;
    m_size32 = 0;
    m_size64 = 0;
    m_attributes = 0;
    m_lastWriteTime = {};
    m_creationTime = {};
    m_lastAccessTime = {};
}

bool FileInfo::LoadFileInfo(const char* utf8Path, LogBase* log)
{
    m_notFound = false;
    if (!utf8Path)
        return false;
    XString path;
    path.SetFromUtf8(utf8Path);
    if (path.IsAnsiLossless())
        return LoadAnsi(path.GetAnsi(), log);
    return LoadWide(path.GetUtf16(), log);
}

bool FileInfo::LoadAnsi(const char* ansiPath, LogBase* log) { return Load(ansiPath, nullptr, log); }

bool FileInfo::LoadWide(const WCHAR* widePath, LogBase* log)
{
    if (!widePath) {
        Clear();
        return false;
    }
    return Load(nullptr, widePath, log);
}

bool FileInfo::Load(const char* ansiPath, const WCHAR* widePath, LogBase* log)
{
    Clear();
    bool wide = widePath != nullptr;
    // The wide form reports nothing but a missing file.
    LogBase* detailLog = wide ? nullptr : log;
    if (!wide && !ansiPath) {
        if (log)
            log->LogError("loadFileInfoAnsi failed: no filename");
        return false;
    }
    XString path;
    if (wide)
        path.SetFromUtf16(widePath);
    else
        path.SetFromAnsi(ansiPath);
    const char* shownPath = wide ? path.GetUtf8() : ansiPath;

    DWORD attributes = wide ? GetFileAttributesW(widePath) : GetFileAttributesA(ansiPath);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (detailLog) {
            XString currentDir;
            FileSys::GetCurrentDir(currentDir);
            detailLog->LogData("curDir", currentDir.GetUtf8());
            detailLog->LogError("loadFileInfoAnsi failed: cannot get attributes");
        }
        bool exists = wide ? FileSys::FileExistsWide(widePath, nullptr) : FileSys::FileExistsAnsi(ansiPath, nullptr);
        if (!exists) {
            m_notFound = true;
            if (log)
                log->LogError("File does not exist.");
        }
        if (detailLog)
            detailLog->LogData("filename", shownPath);
        return false;
    }

    m_attributes = attributes;
    m_isDirectory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    m_isLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    m_path.SetText(path.GetUtf8());
    m_path.SetEncodingTag(torvane::StringBuffer::TagUtf8);

    HANDLE file = m_isDirectory ? FileSys::OpenFileOrDirectoryForRead(path, detailLog)
                                : FileSys::OpenFileForRead(path, detailLog);
    if (file == INVALID_HANDLE_VALUE) {
        if (detailLog) {
            detailLog->LogError("loadFileInfoAnsi failed: cannot open for reading");
            detailLog->LogData("filename", shownPath);
        }
        return false;
    }

    FILETIME created {};
    FILETIME accessed {};
    FILETIME written {};
    if (!GetFileTime(file, &created, &accessed, &written)) {
        if (detailLog) {
            detailLog->LogError("loadFileInfoAnsi failed: cannot get file time");
            detailLog->LogData("filename", shownPath);
        }
        CloseHandleIfValid(file);
        return false;
    }
    FileTimeToLocalFileTime(&created, &m_creationTime);
    FileTimeToLocalFileTime(&accessed, &m_lastAccessTime);
    FileTimeToLocalFileTime(&written, &m_lastWriteTime);

    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    m_size32 = low;
    m_size64 = (std::uint64_t(high) << 32) | low;
    CloseHandleIfValid(file);
    return true;
}

void FileInfo::GetDosDateTime(WORD* dosDate, WORD* dosTime) const
{
    const FILETIME& time = m_isDirectory ? m_creationTime : m_lastWriteTime;
    WORD date = 0;
    WORD clock = 0;
    FileTimeToDosDateTime(&time, &date, &clock);
    if (dosDate)
        *dosDate = date;
    if (dosTime)
        *dosTime = clock;
}
