// Settings read back from the archive form of the settings exchange: the schema marker, binary
// blocks (into a block of their own and into a caller's buffer), strings and counts.
#include "platform/framework/Exceptions.h"
#include "platform/framework/File.h"
#include "toolkit/controls/persist/PropExchangeArchive.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<BYTE> bytes(data, data + size);
    CMemFile file(bytes.data(), UINT(bytes.size()));
    CArchive archive(&file, CArchive::load);
    CJQWPropExchangeArchive load(archive);
    try {
        load.ExchangeSchema();
        BYTE* block = nullptr;
        DWORD length = 0;
        load.ExchangeBinary(u"Block", &block, &length);
        std::free(block);
        CString text;
        ExchangeString(&load, u"Text", text, u"");
        BYTE fixed[64];
        BYTE* into = fixed;
        DWORD capacity = sizeof(fixed);
        load.ExchangeBinary(u"Fixed", &into, &capacity);
        load.LoadCount();
    } catch (CException* error) {
        error->Delete();
    }
    return 0;
}
