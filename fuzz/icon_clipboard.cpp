// Icon sets pasted from the clipboard: a block of the toolbar-image format, taken through a data
// object attached to the clipboard and read under a new custom id.
#include "platform/framework/OleDataObject.h"
#include "toolkit/drawing/images/ImageManager.h"

#include <cstdint>
#include <cstring>

extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!OpenClipboard(nullptr))
        return 0;
    EmptyClipboard();
    if (HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size)) {
        if (size)
            std::memcpy(GlobalLock(block), data, size);
        GlobalUnlock(block);
        if (!SetClipboardData(CJQWImageManager::m_nClipboardFormat, block))
            GlobalFree(block);
    }
    CloseClipboard();
    COleDataObject object;
    if (!object.AttachClipboard())
        return 0;
    CJQWImageManager manager;
    const UINT id = manager.PasteIconFromClipboard(&object);
    if (id && manager.GetImage(id, 16))
        manager.GetImage(id, 16)->GetDisabledImage();
    return 0;
}
