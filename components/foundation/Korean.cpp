#include "components/foundation/Korean.h"

#include "components/foundation/BufferedAppender.h"

namespace {

constexpr unsigned char kEscape = 0x1B;
constexpr unsigned char kShiftOut = 0x0E;
constexpr unsigned char kShiftIn = 0x0F;

} // namespace

void Korean::Iso2022KrToEucKr(const unsigned char* data, unsigned length, DataBuffer& out)
{
    if (!data || length == 0)
        return;
    BufferedAppender writer(out);
    bool shifted = false;
    for (unsigned i = 0; i < length; ++i) {
        unsigned char b = data[i];
        if (b == kEscape) {
            if (i + 3 < length && data[i + 1] == '$' && data[i + 2] == ')' && data[i + 3] == 'C')
                i += 3;
            continue;
        }
        if (b == kShiftOut) {
            shifted = true;
            continue;
        }
        if (b == kShiftIn) {
            shifted = false;
            continue;
        }
        if (!shifted) {
            writer.Put(b);
            continue;
        }
        if (i + 1 >= length)
            return;
        writer.Put((unsigned char)(b + 0x80), (unsigned char)(data[++i] + 0x80));
    }
}

void Korean::EucKrToIso2022Kr(const unsigned char* data, unsigned length, DataBuffer& out)
{
    if (!data || length == 0)
        return;
    BufferedAppender writer(out);
    writer.Put(kEscape, '$', ')');
    writer.Put('C');
    bool shifted = false;
    for (unsigned i = 0; i < length; ++i) {
        unsigned char b = data[i];
        if (b < 0x80) {
            if (shifted)
                writer.Put(kShiftIn);
            shifted = false;
            writer.Put(b);
            continue;
        }
        if (i + 1 >= length)
            return;
        if (!shifted)
            writer.Put(kShiftOut);
        shifted = true;
        writer.Put((unsigned char)(b - 0x80), (unsigned char)(data[++i] - 0x80));
    }
}
