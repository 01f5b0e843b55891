// INI files as found on disk, read through the settings exchange: every value kind of one section
// and its child, the section list, and a clear that deletes sections by name.
#include "FuzzTemp.h"

#include "platform/base/Profile.h"
#include "platform/base/Unicode.h"
#include "toolkit/controls/persist/PropExchangeIniFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = FuzzTempFolder() + "/settings.ini";
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), std::streamsize(size));
    const std::u16string file = Utf8ToUtf16(path);
    {
        CJQWPropExchangeIniFile load(TRUE, nullptr, u"Bars");
        load.AssignFile(file.c_str());
        short s = 0;
        LONG l = 0;
        BYTE b = 0;
        float f = 0;
        double d = 0;
        COleDateTime date;
        CString text;
        RECT rect {};
        SIZE extent {};
        load.ExchangeSchema();
        load.ExchangeValue(u"Short", jqwExchangeShort, &s, nullptr);
        load.ExchangeValue(u"Long", jqwExchangeLong, &l, nullptr);
        load.ExchangeValue(u"Byte", jqwExchangeByte, &b, nullptr);
        load.ExchangeValue(u"Float", jqwExchangeFloat, &f, nullptr);
        load.ExchangeValue(u"Double", jqwExchangeDouble, &d, nullptr);
        load.ExchangeValue(u"Date", jqwExchangeDate, &date, nullptr);
        load.ExchangeValue(u"Text", jqwExchangeString, &text, nullptr);
        load.ExchangeValue(u"Rect", jqwExchangeRect, &rect, nullptr);
        load.ExchangeValue(u"Size", jqwExchangeSize, &extent, nullptr);
        BYTE* block = nullptr;
        DWORD length = 0;
        if (load.ExchangeBinary(u"Block", &block, &length))
            std::free(block);
        CJQWPropExchange* child = load.OpenChildSection(u"Bar0");
        child->ExchangeValue(u"Text", jqwExchangeString, &text, u"");
        child->InternalRelease();
    }
    WCHAR names[64];
    GetPrivateProfileSectionNamesW(names, 64, file.c_str());
    CJQWPropExchangeIniFile save(FALSE, nullptr, u"Bars");
    save.AssignFile(file.c_str());
    save.ClearSection();
    return 0;
}
