#include "components/foundation/Output.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/StringBuffer.h"

DWORD Output::WriteItems(const void* buffer, DWORD itemSize, DWORD count)
{
    return Write(buffer, itemSize, count, nullptr);
}

bool Output::WriteStringBuffer(const torvane::StringBuffer& text, ProgressMonitor* monitor)
{
    if (text.GetLength() == 0)
        return true;
    return Write(text.GetText(), DWORD(text.GetLength()), 1, monitor) == 1;
}

bool Output::WriteDataBuffer(const DataBuffer& data, ProgressMonitor* monitor)
{
    if (data.GetSize() == 0)
        return true;
    return Write(data.GetData(), data.GetSize(), 1, monitor) == 1;
}
