// Saved command-bar layouts: a "ZIP!" blob (or plain bytes) taken into a memory file and read
// back whole.
#include "toolkit/commandbars/LayoutStore.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto* bytes = static_cast<BYTE*>(std::malloc(size ? size : 1));
    std::memcpy(bytes, data, size);
    CJQWZipMemFile file;
    file.AttachBlob(bytes, DWORD(size), TRUE);
    BYTE buffer[4096];
    while (file.Read(buffer, sizeof buffer) > 0) { }
    return 0;
}
