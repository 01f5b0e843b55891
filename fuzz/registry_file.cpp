// A registry file as found on disk (anyone may edit it): opened, its keys and values enumerated
// and read, then written back.
#include "FuzzTemp.h"

#include "platform/base/Registry.h"

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

namespace {

void Walk(HKEY key, int depth)
{
    if (depth > 8)
        return;
    char name[256];
    BYTE data[512];
    for (DWORD i = 0; i < 64; ++i) {
        DWORD nameLength = sizeof name, type = 0, dataLength = sizeof data;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &dataLength) != ERROR_SUCCESS)
            break;
    }
    for (DWORD i = 0; i < 64; ++i) {
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY child = nullptr;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &child) == ERROR_SUCCESS) {
            Walk(child, depth + 1);
            RegCloseKey(child);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string folder = FuzzTempFolder() + "/registry";
    SetRegistryFolderForTesting(folder);
    std::ofstream(folder + "/HKEY_CURRENT_USER", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
    Walk(HKEY_CURRENT_USER, 0);
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Fuzz", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)
        == ERROR_SUCCESS) {
        const DWORD one = 1;
        RegSetValueExA(key, "Value", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
        RegCloseKey(key);
    }
    SetRegistryFolderForTesting("");
    return 0;
}
