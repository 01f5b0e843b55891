#pragma once
// A private temporary folder for harnesses whose parser reads or writes files: made once per
// process (mode 0700), removed at exit. In memory (/dev/shm) where there is one: the writers sync
// every file to disk, which would otherwise bound a harness to a few dozen runs a second.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

inline const std::string& FuzzTempFolder() {
    static const std::string folder = [] {
        std::error_code error;
        const std::filesystem::path base = ::access("/dev/shm", W_OK) == 0 ? std::filesystem::path("/dev/shm")
                                                                          : std::filesystem::temp_directory_path(error);
        std::string pattern = (base / "vornalt-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        static std::string removeAtExit;
        removeAtExit = pattern;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(removeAtExit, ignored);
        });
        return pattern;
    }();
    return folder;
}

// Writes the bytes to <temp>/<name> and returns its path.
inline std::string FuzzTempFile(const char* name, const uint8_t* data, size_t size) {
    std::string path = FuzzTempFolder() + "/" + name;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) std::abort();
    if (size && std::fwrite(data, 1, size, out) != size) std::abort();
    std::fclose(out);
    return path;
}
