// DIB headers, colour tables and pixels as stored icon and toolbar images carry them, and
// region data: decoded into bitmaps, drawn, and read back in every depth.
#include "platform/gdi/Gdi.h"

#include <cstdint>
#include <cstring>
#include <vector>

// fontconfig keeps one-time allocations of its configuration (the stock font of every new
// context loads it once); they are not leaks of the code under test.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < sizeof(BITMAPINFOHEADER)) return 0;
    // Header and colour table, aligned copy: the input's first bytes (the pixels follow them), in
    // room for the largest header and a full colour table behind it.
    const size_t block = sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD) + 16;
    std::vector<uint8_t> header(124 + 256 * sizeof(RGBQUAD), 0);
    std::memcpy(header.data(), data, std::min(size, block));
    auto* info = reinterpret_cast<BITMAPINFO*>(header.data());
    // The header forms callers pass: 40 bytes, or the larger ones holding the masks inside.
    const DWORD headerSize = info->bmiHeader.biSize;
    if (headerSize != 52 && headerSize != 56 && headerSize != 108 && headerSize != 124)
        info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    // Keep pictures small enough to stay fast.
    info->bmiHeader.biWidth %= 64;
    info->bmiHeader.biHeight %= 64;
    const long long width = info->bmiHeader.biWidth;
    const long long height = info->bmiHeader.biHeight < 0 ? -static_cast<long long>(info->bmiHeader.biHeight)
                                                          : info->bmiHeader.biHeight;
    const long long stride = ((width * info->bmiHeader.biBitCount + 31) / 32) * 4;
    const size_t offset = std::min(size, block);
    // A careful caller checks the pixel bytes against the header before handing them over.
    if (width > 0 && stride > 0 && static_cast<long long>(size - offset) >= stride * height) {
        void* bits = nullptr;
        HBITMAP dib = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HBITMAP target = CreateBitmap(int(width), int(height ? height : 1), 1, 32, nullptr);
        SetDIBits(nullptr, target, 0, UINT(height), data + offset, info, DIB_RGB_COLORS);
        if (dib) {
            std::memcpy(bits, data + offset, size_t(stride * height));
            HDC dc = CreateCompatibleDC(nullptr);
            HGDIOBJ old = SelectObject(dc, dib);
            BitBlt(dc, 1, 1, 5, 5, dc, 0, 0, SRCINVERT);
            SelectObject(dc, old);
            DeleteDC(dc);
            for (WORD depth : { 1, 4, 8, 16, 24, 32 }) {
                struct {
                    BITMAPINFOHEADER h;
                    RGBQUAD colors[256];
                } out {};
                out.h = { sizeof(BITMAPINFOHEADER), LONG(width), LONG(height), 1, depth, BI_RGB, 0, 0, 0, 0, 0 };
                std::vector<uint8_t> pixels(size_t(((width * depth + 31) / 32) * 4 * height) + 4);
                GetDIBits(nullptr, dib, 0, UINT(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&out), DIB_RGB_COLORS);
            }
            DeleteObject(dib);
        }
        DeleteObject(target);
    }
    // The same bytes as region data.
    if (HRGN region = ExtCreateRegion(nullptr, DWORD(size), reinterpret_cast<const RGNDATA*>(data))) {
        DWORD needed = GetRegionData(region, 0, nullptr);
        std::vector<uint8_t> copy(needed);
        GetRegionData(region, needed, reinterpret_cast<RGNDATA*>(copy.data()));
        DeleteObject(region);
    }
    return 0;
}
