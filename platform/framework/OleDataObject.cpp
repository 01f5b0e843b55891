#include "platform/framework/OleDataObject.h"

#include "platform/base/LastError.h"

#include <cstring>

BOOL COleDataObject::AttachClipboard()
{
    Release();
    // A caller that has the clipboard open keeps it open.
    SetLastError(ERROR_SUCCESS);
    EnumClipboardFormats(0);
    const bool openedHere = GetLastError() != ERROR_CLIPBOARD_NOT_OPEN;
    if (!openedHere && !OpenClipboard(nullptr))
        return FALSE;
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
        if (format == CF_BITMAP)
            continue;
        HANDLE data = GetClipboardData(format);
        const auto* bytes = static_cast<const BYTE*>(GlobalLock(data));
        if (!bytes)
            continue;
        m_formats[format].assign(bytes, bytes + GlobalSize(data));
        GlobalUnlock(data);
    }
    if (!openedHere)
        CloseClipboard();
    return TRUE;
}

void COleDataObject::AttachDragData(const IDataObject* data)
{
    Release();
    if (!data)
        return;
    for (UINT format : data->Formats()) {
        HGLOBAL block = data->GetData(format);
        const auto* bytes = static_cast<const BYTE*>(GlobalLock(block));
        if (bytes)
            m_formats[format].assign(bytes, bytes + GlobalSize(block));
        GlobalUnlock(block);
        GlobalFree(block);
    }
}

void COleDataObject::Release()
{
    m_formats.clear();
}

BOOL COleDataObject::IsDataAvailable(CLIPFORMAT format) const
{
    return m_formats.count(format) ? TRUE : FALSE;
}

HGLOBAL COleDataObject::GetGlobalData(CLIPFORMAT format) const
{
    auto it = m_formats.find(format);
    if (it == m_formats.end())
        return nullptr;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, it->second.size());
    if (!block)
        return nullptr;
    if (!it->second.empty())
        std::memcpy(GlobalLock(block), it->second.data(), it->second.size());
    GlobalUnlock(block);
    return block;
}

CFile* COleDataObject::GetFileData(CLIPFORMAT format) const
{
    auto it = m_formats.find(format);
    if (it == m_formats.end())
        return nullptr;
    auto* file = new CMemFile(1024);
    if (!it->second.empty())
        file->Write(it->second.data(), UINT(it->second.size()));
    file->SeekToBegin();
    return file;
}
