#pragma once
// Private to resources/: the compiled-in string table, sorted by id.

#include "platform/base/Types.h"

#include <cstddef>

namespace resources_detail {

struct StringTableEntry {
    UINT id;
    const char16_t* text;
};

extern const StringTableEntry kStringTable[];
extern const std::size_t kStringTableSize;

}
