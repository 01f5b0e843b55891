// The screen written as a PNG file.

#include "platform/user/PaintInternal.h"

#include "platform/base/LastError.h"
#include "platform/imaging/ImageFile.h"
#include "platform/user/Screen.h"

using namespace user_detail;

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

} // namespace

BOOL SaveScreenshotPng(const std::string& path, const RECT* area)
{
    RECT r;
    {
        Lock lock(TreeMutex());
        FitScreen();
        r = area ? *area : TheScreen().bounds;
    }
    if (Width(r) <= 0 || Height(r) <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<DWORD> pixels;
    CaptureScreen(r, pixels);
    ImageBitmap bitmap;
    if (CreateBitmap(&bitmap, Width(r), Height(r), 24, IMAGING_COLOR_ORDER_BGR, nullptr, IMAGING_VIEW_TOP_LEFT) != IMAGING_SUCCESS)
        return FALSE;
    for (LONG y = 0; y < Height(r); ++y) {
        BYTE* row = bitmap.Row(y);
        for (LONG x = 0; x < Width(r); ++x) {
            const DWORD p = pixels[size_t(y) * size_t(Width(r)) + size_t(x)];
            row[3 * x] = BYTE(p);
            row[3 * x + 1] = BYTE(p >> 8);
            row[3 * x + 2] = BYTE(p >> 16);
        }
    }
    return SaveImageFile(path, &bitmap, IMAGE_FORMAT_PNG, 24, 0) == IMAGING_SUCCESS ? TRUE : FALSE;
}
