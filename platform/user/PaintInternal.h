#pragma once
// Private to platform/user: what the painting files share (the screen image, window DCs, update
// regions). Call with TreeMutex() held unless a function says otherwise.

#include "platform/gdi/WindowSurface.h"
#include "platform/user/WindowRecord.h"

#include <mutex>
#include <unordered_map>
#include <vector>

namespace user_detail {

using Region = platform::gdi::Region;

inline void Intersect(Region& a, const Region& b) { a.Intersect(b); }
inline void Subtract(Region& a, const Region& b) { a.Subtract(b); }
inline void Unite(Region& a, const Region& b) { a.Unite(b); }

// A region of a mirrored client area `width` pixels wide, between left-to-right pixels and the
// window's own coordinates (the same both ways).
Region Mirrored(const Region& region, LONG width);
// The client area in window coordinates.
RECT ClientInWindow(const WindowRecord& w);
// The update region in client coordinates, as the window counts them (from the right when mirrored).
Region UpdateInClient(const WindowRecord& w);
inline RECT WholeWindow(const WindowRecord& w) { return { 0, 0, Width(w.window), Height(w.window) }; }
// A window's shape on the screen: its rectangle cut by its window region.
Region ShapeOnScreen(const WindowRecord& w);

// ---- The screen ----

struct ScreenState {
    RECT bounds { 0, 0, 0, 0 };
    std::vector<DWORD> pixels;
    Region damage;
    bool frozen = false; // the desktop is locked
    HWND locked = nullptr;
};

ScreenState& TheScreen();
// Keeps the image the size of the virtual screen; a new size recomposes everything.
void FitScreen();
// Recomposes the damaged area: the desktop colour, then the top-level surfaces bottom to top.
void Compose();

// ---- Device contexts ----

struct DcRecord {
    HWND window;
    HWND topLevel; // damaged on release
    POINT origin;  // the DC's corner in the top-level surface
};

std::unordered_map<HDC, DcRecord>& LiveDCs();
// Leaves a DC drawing and reading nothing.
void DisableDC(HDC hdc);
// What a DC of `w` may touch, in screen coordinates.
Region VisibleRegion(const WindowRecord& w, DWORD flags);
HDC MakeDC(const WindowPtr& w, DWORD flags, const Region* extra, DWORD extraMode);
HDC ScreenDC();

}
