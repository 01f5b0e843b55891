// The update server's answer: XML text from the network, read for a few version fields.
#include "engine/UpdateInfo.h"
#include "platform/base/Unicode.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    UpdateInfoMap info;
    ParseUpdateInfo(Utf8ToUtf16(text), info);
    return 0;
}
