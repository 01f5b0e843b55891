// Text in legacy and Unicode encodings from mail, servers and XML files: the first byte picks the
// source encoding, the second the target, the rest is the text. A named charset as a mail header
// gives it is tried too (the text up to the first line break).
#include "components/foundation/CodePageTables.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/EncodingConvert.h"

#include <string>
#include <vector>

namespace {

const std::vector<int>& Pages() {
    static const std::vector<int> pages = [] {
        std::vector<int> list = {0,     1200,  1201,  65000, 65001, 65005, 65006, 20127, 28591, 1252,
                                 50220, 50221, 50222, 50225, 51932, 51949, 52936, 20932, 10004, 10001};
        for (int page : CodePageTables::TablePageNumbers()) list.push_back(page);
        return list;
    }();
    return pages;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const std::vector<int>& pages = Pages();
    const int from = pages[data[0] % pages.size()];
    const int to = pages[data[1] % pages.size()];
    EncodingConvert convert;
    DataBuffer out;
    convert.Convert(from, to, data + 2, unsigned(size - 2), out);

    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::size_t cut = text.find('\n');
    if (cut != std::string::npos && cut < 64) {
        const std::string name = text.substr(0, cut);
        DataBuffer named;
        convert.ConvertByName(name.c_str(), "utf-8", data + 2 + cut + 1, unsigned(text.size() - cut - 1), named);
    }
    return 0;
}
