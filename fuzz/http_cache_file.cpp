// Cache files read back from disk, where anything may have been written into them: the first line
// is the URL looked up, the rest the file's bytes, read both as a ".caf" and as a ".dat" file.
#include "components/net/http/ClsCache2.h"
#include "components/net/http/HttpCache.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    size_t nl = bytes.find('\n');
    std::string url = nl == std::string::npos ? std::string() : bytes.substr(0, nl);
    std::string file = nl == std::string::npos ? bytes : bytes.substr(nl + 1);
    // Bodies as large as the cache allows would only slow the search down.
    HttpCacheParseFileBytes(file, url, 1u << 20);
    std::string tag, out;
    double expiry = 0;
    ClsCache2::ParseFile(file, tag, expiry, out);
    return 0;
}
