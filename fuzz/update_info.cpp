// The update server's answer through the parser and the version comparison.
#include "app/update/UpdateCheck.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 60000)
        return 0;
    UpdateInfo info;
    ParseUpdateInfo(std::string(reinterpret_cast<const char*>(data), size), info);
    CompareWithRunningVersion(info, 0x00010002, 0x00030004);
    return 0;
}
