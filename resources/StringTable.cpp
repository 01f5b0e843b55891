#include "resources/StringTable.h"

#include "resources/StringTableData.h"

#include <algorithm>

using resources_detail::kStringTable;
using resources_detail::kStringTableSize;
using resources_detail::StringTableEntry;

const char16_t* FindStringResource(UINT id)
{
    const StringTableEntry* end = kStringTable + kStringTableSize;
    const StringTableEntry* found
        = std::lower_bound(kStringTable, end, id, [](const StringTableEntry& e, UINT wanted) { return e.id < wanted; });
    return (found != end && found->id == id) ? found->text : nullptr;
}

int LoadString(UINT id, WCHAR* buffer, int bufferMax)
{
    const char16_t* text = FindStringResource(id);
    if (!buffer)
        return 0;
    std::u16string_view view = text ? std::u16string_view(text) : std::u16string_view();
    if (bufferMax == 0) {
        *reinterpret_cast<const WCHAR**>(buffer) = text;
        return int(view.size());
    }
    if (bufferMax < 0)
        return 0;
    std::size_t count = std::min(view.size(), std::size_t(bufferMax - 1));
    std::copy_n(view.data(), count, buffer);
    buffer[count] = 0;
    return int(count);
}

bool LoadStringResource(UINT id, std::u16string& out)
{
    const char16_t* text = FindStringResource(id);
    if (!text)
        return false;
    out = text;
    return true;
}

std::u16string LoadStringText(UINT id)
{
    const char16_t* text = FindStringResource(id);
    return text ? std::u16string(text) : std::u16string();
}

std::vector<UINT> StringResourceIds()
{
    std::vector<UINT> ids;
    ids.reserve(kStringTableSize);
    for (std::size_t i = 0; i < kStringTableSize; ++i)
        ids.push_back(kStringTable[i].id);
    return ids;
}
