// Layered windows: a constant alpha or colour key over the painted surface, or pixels given whole.

#include "platform/user/PaintInternal.h"

#include "platform/base/LastError.h"

using namespace user_detail;

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

} // namespace

// ---- Layered windows ---------------------------------------------------------------------------

BOOL SetLayeredWindowAttributes(HWND window, COLORREF key, BYTE alpha, DWORD flags)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || !(w->exStyle & WS_EX_LAYERED) || (w->style & WS_CHILD)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    w->layeredKey = key;
    w->layeredAlpha = alpha;
    w->layeredFlags = flags & (LWA_ALPHA | LWA_COLORKEY);
    if (w->layeredImage) {
        w->layeredImage = false;
        if (Showing(*w))
            InvalidateWhole(w);
    }
    if (Showing(*w))
        DamageScreen(WindowOnScreen(*w));
    return TRUE;
}

BOOL GetLayeredWindowAttributes(HWND window, COLORREF* key, BYTE* alpha, DWORD* flags)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || !(w->exStyle & WS_EX_LAYERED) || w->layeredImage)
        return FALSE;
    if (key)
        *key = w->layeredKey;
    if (alpha)
        *alpha = w->layeredAlpha;
    if (flags)
        *flags = w->layeredFlags;
    return TRUE;
}

BOOL UpdateLayeredWindow(HWND window, HDC, POINT* position, SIZE* size, HDC source, POINT* sourcePoint, COLORREF key,
    BLENDFUNCTION* blend, DWORD flags)
{
    {
        Lock lock(TreeMutex());
        auto w = TreeWindow(window);
        if (!w || !(w->exStyle & WS_EX_LAYERED) || (w->style & WS_CHILD) || (w->layeredFlags && !w->layeredImage)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
    }
    if (position || size) {
        RECT r;
        GetWindowRect(window, &r);
        SetWindowPos(window, nullptr, position ? position->x : r.left, position ? position->y : r.top,
            size ? size->cx : Width(r), size ? size->cy : Height(r),
            SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW | (position ? 0 : SWP_NOMOVE) | (size ? 0 : SWP_NOSIZE));
    }
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || !w->surface)
        return FALSE;
    if (source) {
        HDC target = CreateSurfaceDC(w->surface->Buffer());
        const POINT from = sourcePoint ? *sourcePoint : POINT { 0, 0 };
        BitBlt(target, 0, 0, w->surface->width, w->surface->height, source, from.x, from.y, SRCCOPY);
        DeleteDC(target);
    }
    w->layeredImage = true;
    w->layeredImageFlags = flags & (ULW_ALPHA | ULW_COLORKEY | ULW_OPAQUE);
    w->layeredKey = key;
    w->layeredBlend = blend ? *blend : BLENDFUNCTION { 0, 0, 255, 0 };
    w->update = Region(); // its pixels came with the call: nothing to paint
    w->needErase = w->needFrame = false;
    if (Showing(*w))
        DamageScreen(WindowOnScreen(*w));
    return TRUE;
}
