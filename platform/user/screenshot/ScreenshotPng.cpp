#include "platform/user/screenshot/ScreenshotPng.h"

#include "platform/base/LastError.h"
#include "platform/gdi/SystemModel.h"
#include "platform/imaging/ImageFile.h"

BOOL SaveScreenshotPng(const std::string& path, const RECT* area)
{
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const RECT r = area ? *area
                        : RECT { left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN) };
    const LONG width = r.right - r.left;
    const LONG height = r.bottom - r.top;
    if (width <= 0 || height <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<DWORD> pixels;
    CaptureScreen(r, pixels);
    ImageBitmap bitmap;
    if (CreateBitmap(&bitmap, width, height, 24, IMAGING_COLOR_ORDER_BGR, nullptr, IMAGING_VIEW_TOP_LEFT) != IMAGING_SUCCESS)
        return FALSE;
    for (LONG y = 0; y < height; ++y) {
        BYTE* row = bitmap.Row(y);
        for (LONG x = 0; x < width; ++x) {
            const DWORD p = pixels[size_t(y) * size_t(width) + size_t(x)];
            row[3 * x] = BYTE(p);
            row[3 * x + 1] = BYTE(p >> 8);
            row[3 * x + 2] = BYTE(p >> 16);
        }
    }
    return SaveImageFile(path, &bitmap, IMAGE_FORMAT_PNG, 24, 0) == IMAGING_SUCCESS ? TRUE : FALSE;
}
