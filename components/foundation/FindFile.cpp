#include "components/foundation/FindFile.h"

#include "components/foundation/FileSys.h"
#include "components/foundation/XString.h"

namespace {
thread_local std::function<void(const char*)> t_beforeSearchHook;
}

void FindFile::SetBeforeSearchHookForTesting(std::function<void(const char* searchPath)> hook)
{
    t_beforeSearchHook = std::move(hook);
}

FindFile::FindFile()
    : m_wide(!WindowsVersion().IsMajorVersion4())
{
}

FindFile::~FindFile() { Close(); }

void FindFile::Close()
{
    if (m_search == INVALID_HANDLE_VALUE)
        return;
    FindClose(m_search);
    m_search = INVALID_HANDLE_VALUE;
}

bool FindFile::FindFirst(const XString& searchPath)
{
    Close();
    if (t_beforeSearchHook)
        t_beforeSearchHook(searchPath.GetUtf8());
    if (m_wide)
        m_search = FindFirstFileW(searchPath.GetUtf16(), &m_wideRecord);
    else
        m_search = FindFirstFileA(searchPath.GetAnsi(), &m_ansiRecord);
    return m_search != INVALID_HANDLE_VALUE;
}

bool FindFile::FindNext()
{
    if (m_search == INVALID_HANDLE_VALUE)
        return false;
    return (m_wide ? FindNextFileW(m_search, &m_wideRecord) : FindNextFileA(m_search, &m_ansiRecord)) != FALSE;
}

DWORD FindFile::GetAttributes() const { return m_wide ? m_wideRecord.dwFileAttributes : m_ansiRecord.dwFileAttributes; }

std::uint64_t FindFile::GetSize() const
{
    DWORD high = m_wide ? m_wideRecord.nFileSizeHigh : m_ansiRecord.nFileSizeHigh;
    DWORD low = m_wide ? m_wideRecord.nFileSizeLow : m_ansiRecord.nFileSizeLow;
    return (std::uint64_t(high) << 32) | low;
}

FILETIME FindFile::GetCreationTime() const
{
    return m_wide ? m_wideRecord.ftCreationTime : m_ansiRecord.ftCreationTime;
}

FILETIME FindFile::GetLastWriteTime() const
{
    return m_wide ? m_wideRecord.ftLastWriteTime : m_ansiRecord.ftLastWriteTime;
}

void FindFile::GetName(XString& out) const
{
    if (m_wide)
        out.SetFromUtf16(m_wideRecord.cFileName);
    else
        out.SetFromAnsi(m_ansiRecord.cFileName);
}

bool FindFile::NameIsDots() const
{
    if (m_wide) {
        const WCHAR* n = m_wideRecord.cFileName;
        return n[0] == u'.' && (n[1] == 0 || (n[1] == u'.' && n[2] == 0));
    }
    const char* n = m_ansiRecord.cFileName;
    return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0));
}
