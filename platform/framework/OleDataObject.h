#pragma once
// The class library's view of transferred data: a data object attached to the clipboard offers
// each format the clipboard held when it was attached, as copies the caller owns.

#include "platform/framework/File.h"
#include "platform/shell/Clipboard.h"
#include "platform/shell/DragDrop.h"

#include <map>
#include <vector>

using CLIPFORMAT = WORD;

class COleDataObject {
public:
    COleDataObject() = default;
    ~COleDataObject() = default;
    COleDataObject(const COleDataObject&) = delete;
    COleDataObject& operator=(const COleDataObject&) = delete;

    // Takes the clipboard's memory formats as they stand; FALSE when another thread has the
    // clipboard open. A caller that has it open itself keeps it open.
    BOOL AttachClipboard();
    // Takes the formats of a drag's data as they stand.
    void AttachDragData(const IDataObject* data);
    void Release();

    BOOL IsDataAvailable(CLIPFORMAT format) const;
    // A new moveable block the caller frees; null when the format is missing.
    HGLOBAL GetGlobalData(CLIPFORMAT format) const;
    // A memory file over a copy of the data, deleted by the caller; null when the format is missing.
    CFile* GetFileData(CLIPFORMAT format) const;

private:
    std::map<UINT, std::vector<BYTE>> m_formats;
};
