#include "platform/base/Guid.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <sys/random.h>

namespace {
std::atomic<GuidRandomSource> g_randomSource { nullptr };

bool fillRandom(BYTE* bytes, size_t count)
{
    size_t done = 0;
    while (done < count) {
        ssize_t n = getrandom(bytes + done, count - done, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += size_t(n);
    }
    return true;
}

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}
}

HRESULT CoCreateGuid(GUID* out)
{
    if (!out)
        return E_INVALIDARG;
    BYTE bytes[16];
    GuidRandomSource source = g_randomSource.load();
    if (!(source ? source : fillRandom)(bytes, sizeof bytes))
        return E_FAIL;
    bytes[6] = BYTE((bytes[6] & 0x0F) | 0x40); // version 4
    bytes[8] = BYTE((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    out->Data1 = DWORD(bytes[0]) << 24 | DWORD(bytes[1]) << 16 | DWORD(bytes[2]) << 8 | bytes[3];
    out->Data2 = WORD(bytes[4] << 8 | bytes[5]);
    out->Data3 = WORD(bytes[6] << 8 | bytes[7]);
    std::memcpy(out->Data4, bytes + 8, 8);
    return S_OK;
}

std::u16string GuidToString(const GUID& g)
{
    static const char16_t digits[] = u"0123456789ABCDEF";
    std::u16string text = u"{";
    auto put = [&](unsigned long long value, int hexDigits) {
        for (int i = hexDigits - 1; i >= 0; --i)
            text.push_back(digits[(value >> (i * 4)) & 0xF]);
    };
    put(g.Data1, 8);
    text.push_back(u'-');
    put(g.Data2, 4);
    text.push_back(u'-');
    put(g.Data3, 4);
    text.push_back(u'-');
    put(g.Data4[0], 2);
    put(g.Data4[1], 2);
    text.push_back(u'-');
    for (int i = 2; i < 8; ++i)
        put(g.Data4[i], 2);
    text.push_back(u'}');
    return text;
}

int StringFromGUID2(const GUID& guid, WCHAR* buffer, int bufferUnits)
{
    if (!buffer || bufferUnits < 39)
        return 0;
    std::u16string text = GuidToString(guid);
    std::memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
    return int(text.size() + 1);
}

bool GuidFromString(std::u16string_view text, GUID& out)
{
    if (text.size() != 38 || text.front() != u'{' || text.back() != u'}')
        return false;
    BYTE bytes[16];
    int byteIndex = 0;
    for (size_t i = 1; i < 37;) {
        if (i == 9 || i == 14 || i == 19 || i == 24) {
            if (text[i] != u'-')
                return false;
            ++i;
            continue;
        }
        int high = hexValue(text[i]);
        int low = hexValue(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes[byteIndex++] = BYTE(high << 4 | low);
        i += 2;
    }
    out.Data1 = DWORD(bytes[0]) << 24 | DWORD(bytes[1]) << 16 | DWORD(bytes[2]) << 8 | bytes[3];
    out.Data2 = WORD(bytes[4] << 8 | bytes[5]);
    out.Data3 = WORD(bytes[6] << 8 | bytes[7]);
    std::memcpy(out.Data4, bytes + 8, 8);
    return true;
}

std::u16string NewGuidString()
{
    GUID guid;
    if (FAILED(CoCreateGuid(&guid)))
        return {};
    return GuidToString(guid);
}

void SetGuidRandomSourceForTesting(GuidRandomSource source) { g_randomSource.store(source); }
