// Window regions: the shape that cuts a window's drawing, hit testing and composition.

#include "platform/user/PaintInternal.h"

#include "platform/base/LastError.h"

using namespace user_detail;

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

} // namespace

int SetWindowRgn(HWND window, HRGN region, BOOL redraw)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || w->isDesktop) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    std::optional<Region> shape;
    if (region) {
        Region given;
        if (!ReadRegion(region, given)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        shape = given;
        DeleteObject(region); // the window owns it now
    }
    const bool showing = Showing(*w);
    const RECT before = WindowOnScreen(*w);
    const bool topLevel = !(w->style & WS_CHILD);
    Region oldShape = ShapeOnScreen(*w);
    w->windowRegion = shape;
    if (showing && topLevel)
        DamageScreen(before);
    if (showing && redraw) {
        if (!topLevel) {
            auto parent = TreeWindow(w->parent);
            const RECT ps = WindowOnScreen(*parent);
            oldShape.Offset(-ps.left, -ps.top);
            InvalidateWindow(parent, oldShape, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        }
        InvalidateWhole(w);
    }
    return 1;
}

int GetWindowRgn(HWND window, HRGN region)
{
    Lock lock(TreeMutex());
    auto w = TreeWindow(window);
    if (!w || !w->windowRegion || !WriteRegion(region, *w->windowRegion))
        return 0; // ERROR
    return w->windowRegion->Kind();
}
