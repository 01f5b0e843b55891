#pragma once
// A private temporary folder for harnesses whose parser reads or writes files: made once per
// process (mode 0700), removed at exit.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

inline const std::string& FuzzTempFolder() {
    static const std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "vornalt-fuzz-XXXXXX").string();
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
