// Icon sets as the clipboard and stored layouts carry them: the tag, the counts, and each icon's
// bitmap headers and pixels, read through the archive form of the settings exchange.
#include "platform/framework/Exceptions.h"
#include "platform/framework/File.h"
#include "toolkit/controls/persist/PropExchangeArchive.h"
#include "toolkit/drawing/images/ImageManager.h"

#include <cstdint>
#include <vector>

extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<BYTE> bytes(data, data + size);
    CMemFile file(bytes.data(), UINT(bytes.size()));
    CArchive archive(&file, CArchive::load);
    CJQWPropExchangeArchive exchange(archive);
    CJQWImageManager manager;
    try {
        manager.ExchangeIconSet(1, &exchange);
    } catch (CException* error) {
        error->Delete();
    }
    return 0;
}
