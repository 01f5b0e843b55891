// Adding files to an archive by folder, file or wildcard pattern.

#include "components/zip/ClsZip2.h"

#include "components/foundation/FileList.h"
#include "components/foundation/FileSys.h"
#include "components/foundation/XString.h"
#include "components/zip/ClsZipEntry2.h"
#include "components/zip/ZipCallback.h"
#include "components/zip/ZipSystem.h"

#include <cstring>

namespace {

bool HasWildcard(const char* text) { return std::strpbrk(text, "*?") != nullptr; }

} // namespace

bool ClsZip2::AppendFiles(const XString& pattern, bool recurse, ZipCallback* callback, int* added)
{
    m_log.ClearLog();
    return AppendFilesWithEvents(pattern, recurse, false, false, true, true, callback, added);
}

bool ClsZip2::AppendFilesWithEvents(const XString& pattern, bool recurse, bool saveExtraPath, bool archiveOnly,
                                    bool includeHidden, bool includeSystem, ZipCallback* callback, int* added)
{
    m_log.ClearLog();
    const bool events = callback != nullptr && !m_suppressAddEvents;
    if (events) callback->AddFilesBegin();
    const bool ok =
        AppendFilesEx(pattern, recurse, saveExtraPath, archiveOnly, includeHidden, includeSystem, callback, added);
    if (events) callback->AddFilesEnd();
    return ok;
}

void ClsZip2::SplitPattern(const XString& pattern, bool saveExtraPath, XString& baseDir, XString& inZipBase,
                           XString& fileNamePart, XString& fullPattern, bool* isSpecificFile)
{
    baseDir.Clear();
    inZipBase.Clear();
    fileNamePart.Clear();
    fullPattern.Clear();
    if (isSpecificFile) *isSpecificFile = false;

    const char* text = pattern.GetUtf8();
    const bool absolute = FileSys::IsAbsolutePath(text);
    if (absolute || m_appendFromDir.GetLength() == 0) {
        FileSys::GetFullPath(pattern, fullPattern);
    } else {
        XString from;
        from.SetFromUtf8(m_appendFromDir.GetText());
        XString combined;
        FileSys::CombinePath(from, pattern, combined);
        FileSys::GetFullPath(combined, fullPattern);
    }

    if (!HasWildcard(text)) {
        if (FileSys::IsDirectory(fullPattern, nullptr)) {
            baseDir.CopyFrom(fullPattern);
            fileNamePart.SetFromUtf8("*");
            if (!saveExtraPath) {
                inZipBase.SetFromUtf8(m_pathPrefix.GetText());
            } else if (!m_discardPaths) {
                inZipBase.CopyFrom(fullPattern);
                FileSys::StripRoot(inZipBase);
            }
            return;
        }
        if (FileSys::FileExistsUtf8(fullPattern.GetUtf8(), nullptr) && isSpecificFile) *isSpecificFile = true;
    }

    FileSys::GetFileNamePart(pattern, fileNamePart);
    baseDir.CopyFrom(fullPattern);
    FileSys::RemoveFileNamePart(baseDir);

    if (absolute) {
        inZipBase.SetFromUtf8(m_pathPrefix.GetText());
        return;
    }
    if (m_pathPrefix.GetLength() > 0) {
        XString prefix;
        prefix.SetFromUtf8(m_pathPrefix.GetText());
        FileSys::StripRoot(prefix);
        if (!m_discardPaths)
            FileSys::CombinePath(prefix, pattern, inZipBase);
        else
            inZipBase.CopyFrom(prefix);
        FileSys::RemoveFileNamePart(inZipBase);
        return;
    }
    if (!m_discardPaths) {
        inZipBase.CopyFrom(pattern);
        FileSys::RemoveFileNamePart(inZipBase);
    }
}

bool ClsZip2::AppendFilesEx(const XString& pattern, bool recurse, bool saveExtraPath, bool archiveOnly,
                            bool includeHidden, bool includeSystem, ZipCallback* callback, int* added)
{
    if (added) *added = 0;
    BeginPublicCall("AppendFilesEx", m_componentCode, false, kZipBuildDate);
    if (m_system == nullptr) {
        m_log.LogError("Internal error: Zip system is missing.");
        EndPublicCall();
        return false;
    }

    XString baseDir, inZipBase, fileNamePart, fullPattern;
    bool isSpecificFile = false;
    SplitPattern(pattern, saveExtraPath, baseDir, inZipBase, fileNamePart, fullPattern, &isSpecificFile);
    m_log.LogDataQuotedPrintable("FilePattern", pattern.GetUtf8());
    m_log.LogDataQuotedPrintable("AppendFromDir", m_appendFromDir.GetText());
    m_log.LogDataQuotedPrintable("PathPrefix", m_pathPrefix.GetText());
    m_log.LogDataQuotedPrintable("BaseDir", baseDir.GetUtf8());
    m_log.LogDataQuotedPrintable("InzipBase", inZipBase.GetUtf8());
    m_log.LogDataQuotedPrintable("FilenamePart", fileNamePart.GetUtf8());
    m_log.LogDataInt("IsSpecificFile", isSpecificFile ? 1 : 0);

    if (!FileSys::IsDirectory(baseDir, nullptr)) {
        m_log.LogError("Failed to add files, source directory may not exist.");
        EndPublicCall();
        return false;
    }

    FileList list;
    list.SetArchiveOnly(archiveOnly);
    list.SetIncludeHidden(includeHidden);
    list.SetIncludeSystem(includeSystem);
    list.SetBaseDir(baseDir);
    list.SetPattern(fileNamePart);
    // One named file is that file alone, never its namesakes in subfolders.
    list.SetRecurse(recurse && !isSpecificFile);
    if (!list.Build()) {
        m_log.LogError("Failed to add files, source directory may not exist.");
        EndPublicCall();
        return false;
    }

    for (list.Reset(); list.HasCurrent(); list.Next()) {
        const bool directory = list.IsDirectory();
        if (m_discardPaths && directory) continue;
        const char* relative = list.GetRelativePath();
        const char* fullPath = list.GetFullPath();
        const std::uint64_t size = list.GetSize();
        bool skip = false;
        if (callback != nullptr) {
            if (directory)
                callback->DirToBeAdded(fullPath, &skip);
            else
                callback->ToBeAdded(fullPath, unsigned(size), &skip);
        }
        if (!skip) {
            XString name;
            XString second;
            if (m_discardPaths)
                second.SetFromUtf8(list.GetName());
            else
                second.SetFromUtf8(relative);
            FileSys::CombinePath(inZipBase, second, name);
            AddEntry(ClsZipEntry2::CreateFileEntry(this, name.GetUtf8(), fullPath));
            if (added) ++*added;
        }
        // Only an entry that was really created is reported as added.
        if (callback != nullptr && !directory && !skip) {
            bool abort = false;
            callback->FileAdded(fullPath, unsigned(size), &abort);
            if (abort) break;
        }
    }
    EndPublicCall();
    return true;
}
