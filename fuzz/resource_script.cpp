// Resource scripts: the text before the first NUL is the script; the bytes after it are what any
// file the script names holds (pictures, raw resources). A script that compiles is written out.
#include "resources/compiler/Script.h"

#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const void* nul = std::memchr(data, 0, size);
    const size_t scriptSize = nul ? size_t(static_cast<const uint8_t*>(nul) - data) : size;
    const std::string_view script(reinterpret_cast<const char*>(data), scriptSize);
    const std::vector<std::uint8_t> file(data + (nul ? scriptSize + 1 : size), data + size);
    try {
        rc::Script parsed = rc::ParseScript("fuzz.rc", script, [&](const std::string&) { return file; });
        rc::EmitHeader(parsed, "Table");
        rc::EmitSource(parsed, "Table", "Table.h");
    } catch (const rc::ScriptError&) {
    }
    return 0;
}
