#pragma once
// Private to platform/user: helpers the window files share. Call those marked "locked" with
// TreeMutex() held.

#include "platform/user/WindowRecord.h"

#include <memory>
#include <string>
#include <vector>

namespace user_detail {

// ---- Classes and procedures ----
// The class of a name or atom, or null (locked).
std::shared_ptr<WindowClass> FindClass(LPCWSTR name);
// Class or window extra bytes at `index`; out of range sets ERROR_INVALID_INDEX and reads 0.
LONG_PTR ReadExtra(const std::vector<BYTE>& extra, int index);
LONG_PTR WriteExtra(std::vector<BYTE>& extra, int index, LONG_PTR value);
// A procedure handed out as a GWLP_WNDPROC value, and back.
LONG_PTR ProcedureValue(const WindowProcedure& procedure);
WindowProcedure ProcedureFromValue(LONG_PTR value);

// ---- Hooks ----
// Runs the calling thread's chain of `id`, newest first; 0 without hooks.
LRESULT CallHooks(int id, int code, WPARAM wParam, LPARAM lParam);

// ---- Tree (locked) ----
RECT WorkArea();
bool InTopmostBand(const WindowRecord& w);
void Unlink(WindowRecord& w);
// Inserts `w` into its parent's children per `insertAfter`, keeping the topmost band first among
// top-level windows.
void LinkAt(WindowRecord& w, HWND insertAfter);
// Owned windows stay above their owner.
void LiftOwned(WindowRecord& owner);
// A live window that is not the desktop (and, with `sameThread`, owned by the caller), or null
// with the last error set.
WindowPtr OwnedLive(HWND window, bool sameThread);
// The point (screen) lies in the window's rectangle and its window region.
bool HitsShape(const WindowRecord& w, POINT screen);
// The window under a screen point, asking WM_NCHITTEST children first so that HTTRANSPARENT
// passes to the window below (windows of other threads only with `allThreads`); its hit code.
LRESULT HitTestPoint(POINT pt, bool allThreads, WindowPtr* out);
// The same without messages: visible, enabled children, window regions.
HWND WindowUnderPoint(POINT point);
// Reallocates a top-level window's surface to its window rectangle.
void ResizeSurface(WindowRecord& w);

// ---- Lifetime ----
// WM_PARENTNOTIFY up the chain of parents that want it.
void NotifyParents(const WindowPtr& w, UINT event);
// Frees a window and its children without messages (a failed creation, an ended thread).
void Discard(const WindowPtr& w);
// WM_SIZE and WM_MOVE with the current client rectangle.
void SendSizeAndMove(const WindowPtr& w);

// ---- Focus and capture of the calling thread ----
// The focus or capture window is `window` or one of its descendants.
bool FocusWithin(HWND window);
bool CaptureWithin(HWND window);

}
