// Times the registry store per call as a key grows: for each count, a fresh store in a temporary
// folder, that many values set one by one under one key, then read back by enumeration and by
// name, each through a freshly opened key as a caller walking its settings would. Prints the
// average time of one call of each kind; a store that costs what a call touches keeps the read
// columns flat and lets the write column grow at most with the size of the file it replaces.
//
//   bench_registry [count...]     (default: 100 1000 10000)

#include "platform/base/Registry.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MicrosecondsSince(Clock::time_point start, long calls)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / double(calls);
}

bool Fail(const char* what, LSTATUS status)
{
    std::fprintf(stderr, "bench_registry: %s failed with %ld\n", what, long(status));
    return false;
}

bool RunOnce(long count)
{
    char pattern[] = "/tmp/bench-registry-XXXXXX";
    const char* folder = mkdtemp(pattern);
    if (!folder) {
        std::perror("bench_registry: mkdtemp");
        return false;
    }
    SetRegistryFolderForTesting(std::string(folder) + "/vornalt");
    bool ok = [&] {
        HKEY key = nullptr;
        LSTATUS status = RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Vornalt\\Bench", 0, nullptr, 0,
            KEY_ALL_ACCESS, nullptr, &key, nullptr);
        if (status != ERROR_SUCCESS)
            return Fail("RegCreateKeyExA", status);
        const std::string text = "a value of about forty bytes, as settings are";
        auto start = Clock::now();
        for (long i = 0; i < count; ++i) {
            std::string name = "Value" + std::to_string(i);
            status = RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                DWORD(text.size() + 1));
            if (status != ERROR_SUCCESS)
                return Fail("RegSetValueExA", status);
        }
        double set = MicrosecondsSince(start, count);
        RegCloseKey(key);

        status = RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Vornalt\\Bench", 0, KEY_READ, &key);
        if (status != ERROR_SUCCESS)
            return Fail("RegOpenKeyExA", status);
        start = Clock::now();
        long seen = 0;
        for (DWORD index = 0;; ++index) {
            char name[64];
            DWORD nameLength = sizeof(name);
            BYTE data[128];
            DWORD size = sizeof(data);
            DWORD type = 0;
            status = RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data, &size);
            if (status == ERROR_NO_MORE_ITEMS)
                break;
            if (status != ERROR_SUCCESS)
                return Fail("RegEnumValueA", status);
            ++seen;
        }
        double enumerate = MicrosecondsSince(start, seen + 1);
        if (seen != count) {
            std::fprintf(stderr, "bench_registry: enumerated %ld of %ld values\n", seen, count);
            return false;
        }

        start = Clock::now();
        for (long i = 0; i < count; ++i) {
            std::string name = "value" + std::to_string(count - 1 - i);
            BYTE data[128];
            DWORD size = sizeof(data);
            status = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, data, &size);
            if (status != ERROR_SUCCESS)
                return Fail("RegQueryValueExA", status);
        }
        double query = MicrosecondsSince(start, count);
        RegCloseKey(key);

        start = Clock::now();
        for (long i = 0; i < count; ++i) {
            HKEY opened = nullptr;
            status = RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Vornalt\\Bench", 0, KEY_READ, &opened);
            if (status != ERROR_SUCCESS)
                return Fail("RegOpenKeyExA", status);
            RegCloseKey(opened);
        }
        double open = MicrosecondsSince(start, count);

        std::uintmax_t bytes = std::filesystem::file_size(std::string(folder) + "/vornalt/HKEY_CURRENT_USER");
        std::printf("%8ld values %9.1f KB  %12.1f %12.1f %12.1f %12.1f\n", count, double(bytes) / 1024, set,
            enumerate, query, open);
        std::fflush(stdout);
        return true;
    }();
    SetRegistryFolderForTesting("");
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<long> counts;
    for (int i = 1; i < argc; ++i)
        counts.push_back(std::atol(argv[i]));
    if (counts.empty())
        counts = { 100, 1000, 10000 };
    std::printf("microseconds per call (file size after the writes)\n");
    std::printf("%8s %16s  %12s %12s %12s %12s\n", "count", "file", "set", "enum", "query", "open");
    for (long count : counts) {
        if (count <= 0 || !RunOnce(count))
            return 1;
    }
    return 0;
}
