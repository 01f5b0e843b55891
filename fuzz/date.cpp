// Date text from mail headers and servers: RFC 822 and ISO 8601.
#include "components/foundation/DateParser.h"
#include "components/foundation/StringBuffer.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    SYSTEMTIME time{};
    if (DateParser::ParseDate(text.c_str(), &time)) {
        // What was read must format and convert without tripping over its own fields.
        torvane::StringBuffer out;
        DateParser::FormatRfc822(time, out);
        const double variant = DateParser::SystemTimeToVariant(time);
        SYSTEMTIME back{};
        DateParser::VariantToSystemTime(&variant, &back);
    }
    SYSTEMTIME iso{};
    DateParser::ParseIso8601(text.c_str(), &iso);
    return 0;
}
