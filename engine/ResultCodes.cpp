#include "engine/ResultCodes.h"

#include "resources/StringTable.h"

namespace {
// String ids of result codes 0-25; 0 where the code has no text.
const unsigned kResultTextIds[] = {
    219, 220, 221, 222, 223, 224, 225, 226, 227, 228, 229, 230, 231, 232, 233, 234, // 0-15
    0, 0, 0, // 16-18: unused
    236, 235, 264, 270, 272, 279, 280, // 19-25
};

struct ImageTypeInfo {
    unsigned nameId;
    const char16_t* extension;
};

const ImageTypeInfo kImageTypes[] = {
    { 218, u"unknown" }, // unknown
    { 217, u"unknown" }, // original
    { 213, u"jpg" },
    { 214, u"png" },
    { 215, u"gif" },
    { 216, u"bmp" },
};

const ImageTypeInfo& imageTypeInfo(int type)
{
    if (type < 0 || type >= int(sizeof kImageTypes / sizeof kImageTypes[0]))
        return kImageTypes[0];
    return kImageTypes[type];
}
}

std::u16string ErrorCodeText(int code)
{
    if (code < 0 || code >= int(sizeof kResultTextIds / sizeof kResultTextIds[0]) || kResultTextIds[code] == 0)
        return std::u16string();
    return LoadStringText(kResultTextIds[code]);
}

std::u16string ImageTypeDisplayName(int type) { return LoadStringText(imageTypeInfo(type).nameId); }

std::u16string ImageTypeExtension(int type) { return imageTypeInfo(type).extension; }
