// URLs from servers and pages: splitting, resolving against a base, form coding.
#include "components/foundation/DataBuffer.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/UrlHelpers.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first line is a base URL, the rest a relative one.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = text.find('\n');
    const std::string first = text.substr(0, cut);
    const std::string second = cut == std::string::npos ? std::string() : text.substr(cut + 1);

    torvane::StringBuffer host, user, password, path, query, fragment;
    int port = 0;
    SplitUrl(text.c_str(), host, port, user, password, path, query, fragment);
    torvane::StringBuffer domain;
    GetUrlHost(text.c_str(), domain);
    torvane::StringBuffer base;
    GetBaseDomain(domain, base);
    torvane::StringBuffer copy;
    CopyUrlText(text.c_str(), copy);

    torvane::StringBuffer combined;
    CombineUrl(torvane::StringBuffer(first.c_str()), torvane::StringBuffer(second.c_str()), combined);

    torvane::StringBuffer encodedText;
    encodedText.AppendBytes(data, int(size));
    DataBuffer decoded;
    UrlDecodeBytes(encodedText, decoded);
    torvane::StringBuffer reencoded;
    UrlEncodeBytes(decoded, reencoded);
    UrlDecodeInPlace(encodedText);
    return 0;
}
