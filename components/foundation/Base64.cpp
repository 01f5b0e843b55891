#include "components/foundation/Base64.h"

#include <cstdlib>

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Sextet of a byte in '+'..'z'; 127 for a byte in that range outside the alphabet.
int SextetOf(unsigned char b)
{
    if (b >= 'A' && b <= 'Z')
        return b - 'A';
    if (b >= 'a' && b <= 'z')
        return b - 'a' + 26;
    if (b >= '0' && b <= '9')
        return b - '0' + 52;
    if (b == '+')
        return 62;
    if (b == '/')
        return 63;
    return 127;
}

void AppendGroup(const unsigned char* bytes, unsigned n, std::string& out)
{
    unsigned value = unsigned(bytes[0]) << 16;
    if (n > 1)
        value |= unsigned(bytes[1]) << 8;
    if (n > 2)
        value |= bytes[2];
    out += kAlphabet[(value >> 18) & 0x3F];
    out += kAlphabet[(value >> 12) & 0x3F];
    out += n > 1 ? kAlphabet[(value >> 6) & 0x3F] : '=';
    out += n > 2 ? kAlphabet[value & 0x3F] : '=';
}

} // namespace

std::string Base64Encode(const unsigned char* bytes, unsigned count, int lineLength)
{
    std::string text;
    if (!bytes || count == 0)
        return text;
    text.reserve(size_t(count) / 3 * 4 + (lineLength > 0 ? size_t(count) / 27 : 0) + 8);
    int column = 0;
    for (unsigned i = 0; i < count; i += 3) {
        AppendGroup(bytes + i, count - i >= 3 ? 3 : count - i, text);
        if (lineLength <= 0)
            continue;
        column += 4;
        if (column >= lineLength) {
            text += "\r\n";
            column = 0;
        }
    }
    if (lineLength > 0)
        text += "\r\n";
    return text;
}

unsigned char* Base64Decode(const char* text, unsigned length, unsigned* outCount, bool strict, bool* success)
{
    if (success)
        *success = true;
    if (outCount)
        *outCount = 0;
    if (!outCount || !text || length == 0)
        return nullptr;
    auto* out = static_cast<unsigned char*>(std::malloc(size_t(length) * 3 / 4 + 8));
    if (!out)
        return nullptr;
    unsigned count = 0;
    int sextets[4];
    int held = 0;
    for (unsigned i = 0; i < length; ++i) {
        auto b = static_cast<unsigned char>(text[i]);
        if (b == '\r' || b == '\n' || b == '\t' || b == ' ')
            continue;
        if (b == '=' || b == 0)
            break;
        int value;
        if (b >= '+' && b <= 'z') {
            value = SextetOf(b);
        } else if (strict) {
            std::free(out);
            if (success)
                *success = false;
            return nullptr;
        } else {
            value = 62;
        }
        sextets[held++] = value;
        if (held == 4) {
            out[count++] = (unsigned char)((sextets[0] << 2) | (sextets[1] >> 4));
            out[count++] = (unsigned char)((sextets[1] << 4) | (sextets[2] >> 2));
            out[count++] = (unsigned char)((sextets[2] << 6) | sextets[3]);
            held = 0;
        }
    }
    if (held >= 2)
        out[count++] = (unsigned char)((sextets[0] << 2) | (sextets[1] >> 4));
    if (held >= 3)
        out[count++] = (unsigned char)((sextets[1] << 4) | (sextets[2] >> 2));
    out[count] = 0;
    *outCount = count;
    return out;
}
