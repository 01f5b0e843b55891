#include "components/mail/StringParse.h"

#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/StringBuffer.h"

#include <cstring>

namespace {

bool IsBreak(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void AppendPiece(const char* start, std::size_t length, ExtPtrArray& out)
{
    auto* piece = new torvane::StringBuffer();
    piece->AppendBytes(start, int(length));
    out.Append(piece);
}

} // namespace

void StringParse::SplitLines(const char* text, int n, ExtPtrArray* out) const
{
    if (!text || !out || n <= 0)
        return;
    std::size_t limit = std::size_t(n);
    std::size_t length = std::strlen(text);
    std::size_t position = 0;
    while (length - position > limit) {
        std::size_t cut = limit;
        for (std::size_t i = limit - 1; i >= 1; --i) {
            if (IsBreak(text[position + i])) {
                cut = i + 1;
                break;
            }
        }
        AppendPiece(text + position, cut, *out);
        position += cut;
    }
    AppendPiece(text + position, length - position, *out);
}
