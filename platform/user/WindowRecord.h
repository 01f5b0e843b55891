#pragma once
// Private to platform/user: the state behind a window handle and a thread's queue.

#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/PixelRegion.h"
#include "platform/user/Window.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace user_detail {

struct ThreadQueue;

// One cross-thread SendMessage in flight. `done` and `result` are guarded by the sender's queue
// mutex; the sender waits on its own queue's condition variable.
struct SentMessage {
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    LRESULT result = 0;
    bool done = false;
    std::shared_ptr<ThreadQueue> sender;
};

// An input message waiting in a thread's queue, with what the router learnt about it.
struct InputMessage {
    MSG msg;
    LRESULT hit = 1;   // the hit code (HTCLIENT for client messages and keys)
    std::u16string text; // keys: the character the back end's layout gave, if any
    ULONGLONG serial = 0;
};

struct ThreadTimer {
    HWND window = nullptr;
    UINT_PTR id = 0;
    UINT period = 0;
    ULONGLONG due = 0;
    TIMERPROC procedure = nullptr;
};

// A thread's focus, activation, capture and mouse tracking. Guarded by TreeMutex().
struct ThreadInputState {
    HWND focus = nullptr;
    HWND active = nullptr;
    HWND capture = nullptr;
    HWND leaveWindow = nullptr; // TrackMouseEvent(TME_LEAVE)
    bool leaveNonClient = false;
    HWND hoverWindow = nullptr; // TrackMouseEvent(TME_HOVER)
    bool hoverNonClient = false;
    DWORD hoverTime = 0;
    ULONGLONG hoverStart = 0;
    POINT hoverPoint {};
    int modalDepth = 0; // loops running on the thread (RunModalLoop and the layer's own)
};

struct ThreadQueue {
    DWORD threadId = 0;
    std::mutex mutex;
    std::condition_variable wake;
    // Guarded by `mutex`:
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;
    bool closed = false; // the thread has ended
    bool quitPosted = false;
    int quitCode = 0;
    bool paintPending = false; // a window of the thread was invalidated from another thread
    std::deque<InputMessage> input;
    ULONGLONG changes = 0; // counts what could end a wait: posts, sends, input, paint, wakes
    std::vector<ThreadTimer> timers;
    UINT_PTR nextThreadTimerId = 0x7FF0;
    // Guarded by TreeMutex():
    ThreadInputState state;
};

struct WindowClass {
    std::u16string name;
    ATOM atom = 0;
    WNDCLASSEXW info {};
    std::vector<BYTE> extra;
    int windows = 0; // live windows of the class
};

// A top-level window's retained pixels, window-rectangle sized, top-down 0x00RRGGBB.
struct Surface {
    LONG width = 0;
    LONG height = 0;
    std::vector<DWORD> pixels;
    GdiPixelBuffer Buffer()
    {
        return GdiPixelBuffer { reinterpret_cast<BYTE*>(pixels.data()), width, height, width * 4, GdiPixelFormat::Bgra32 };
    }
};

struct WindowRecord {
    HWND handle = nullptr;
    std::shared_ptr<ThreadQueue> owner;
    // Guarded by owner->mutex:
    WindowProcedure procedure;
    LONG_PTR userData = 0;
    bool destroyed = false;
    bool acceptsSendsFromOtherThreads = true;
    int modalDepth = 0;
    bool endModalRequested = false;
    int modalResult = -1;

    // Guarded by TreeMutex(). A message target has no class and stays outside the tree.
    bool isWindow = false;
    bool isDesktop = false;
    bool destroying = false;
    bool needSize = false; // WM_SIZE and WM_MOVE follow its first show (overlapped windows)
    HWND lastActivePopup = nullptr; // of an owner: the owned window active last
    WORD uiState = 0; // keyboard cues: UISF_HIDEFOCUS | UISF_HIDEACCEL while hidden
    std::shared_ptr<WindowClass> windowClass;
    DWORD style = 0;
    DWORD exStyle = 0;
    LONG_PTR id = 0;
    HMENU menu = nullptr;
    HMENU systemMenu = nullptr;
    HINSTANCE instance = nullptr;
    HWND parent = nullptr;
    HWND ownerWindow = nullptr;
    std::vector<HWND> children; // top of the z-order first
    RECT window {};             // in the parent's client coordinates
    RECT client {};
    std::u16string text;
    std::vector<std::pair<std::u16string, HANDLE>> props;
    std::vector<BYTE> extra;
    // Painting: the update region in window coordinates (left-to-right pixels).
    platform::gdi::Region update;
    bool needErase = false;
    bool needFrame = false;
    bool internalPaint = false;
    std::optional<platform::gdi::Region> windowRegion; // window coordinates
    // The frame: drawn active or not (unset until the first WM_NCACTIVATE), and the caption
    // button held down (its hit code, 0 for none).
    std::optional<bool> frameActive;
    LRESULT pressedButton = 0;
    HICON smallIcon = nullptr; // WM_SETICON
    HICON bigIcon = nullptr;
    // Placement: the restored rectangle while minimised or maximised.
    RECT normal {};
    POINT minPosition { -1, -1 };
    POINT maxPosition { -1, -1 };
    bool restoreToMaximized = false;
    // Layered windows.
    DWORD layeredFlags = 0; // LWA_*
    COLORREF layeredKey = 0;
    BYTE layeredAlpha = 255;
    bool layeredImage = false; // UpdateLayeredWindow gave the pixels (premultiplied in the surface)
    DWORD layeredImageFlags = 0;
    BLENDFUNCTION layeredBlend {};
    std::shared_ptr<Surface> surface; // top-level windows only
};

// The lock of the window tree and of every field marked above.
std::recursive_mutex& TreeMutex();
// Adds a record to the handle table and gives it its handle.
void RegisterRecord(const std::shared_ptr<WindowRecord>& record);
// The last step of a destruction: the handle dies, posted messages for it are dropped and
// waiting senders get 0.
void RetireRecord(const std::shared_ptr<WindowRecord>& record);
// Calls the current procedure (nothing once destroyed).
LRESULT CallProcedure(const std::shared_ptr<WindowRecord>& record, UINT message, WPARAM wParam, LPARAM lParam);
// Unlinks the windows of an ended thread from the tree.
void ForgetWindows(const std::vector<std::shared_ptr<WindowRecord>>& records);
// Generated WM_PAINT: a window of `queue`'s thread that needs painting and matches the filter.
bool TakePaintMessage(const ThreadQueue* queue, HWND filter, UINT minMessage, UINT maxMessage, MSG* msg);

// ---- Shared by the window files; call with TreeMutex() held. ----

using WindowPtr = std::shared_ptr<WindowRecord>;
// A live window of the tree (not a message target), or null.
WindowPtr TreeWindow(HWND window);
WindowPtr DesktopRecord();
inline LONG Width(const RECT& r) { return r.right - r.left; }
inline LONG Height(const RECT& r) { return r.bottom - r.top; }
inline RECT Offset(RECT r, LONG dx, LONG dy) { return { r.left + dx, r.top + dy, r.right + dx, r.bottom + dy }; }
// `r` seen from the right edge of an area `width` pixels wide (the same both ways).
inline RECT Mirror(const RECT& r, LONG width) { return { width - r.right, r.top, width - r.left, r.bottom }; }
inline bool Contains(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }
RECT WindowOnScreen(const WindowRecord& window);
RECT ClientOnScreen(const WindowRecord& window);
// WS_VISIBLE on the window and on every ancestor.
bool Showing(const WindowRecord& window);
// The ancestor that is a child of the desktop (the window itself when top-level).
WindowPtr TopLevelOf(const WindowPtr& window);
// WM_GETMINMAXINFO with the defaults: the work area, the minimum tracking size, the screen.
MINMAXINFO AskMinMaxInfo(HWND window);
// The frame a window's style gives around its client area (left, top, right, bottom widths).
// The caption bar's height: the small caption for tool windows.
int CaptionHeight(DWORD exStyle);
RECT FrameInsets(DWORD style, DWORD exStyle, bool menu);
// Points the outstanding DCs of a top-level window (or of its descendants) at its reallocated
// surface; without a surface (destroyed, now a child) they draw and read nothing.
void SurfaceChanged(WindowRecord& top);
// The compositor's record of a changed screen area.
void DamageScreen(const RECT& screen);
// Fills a newly shown top-level window's surface with the composed screen beneath it.
void FillSurfaceFromScreen(WindowRecord& window);
// Updates the region and flags; see RedrawWindow. `area` is in window coordinates.
void InvalidateWindow(const WindowPtr& window, const platform::gdi::Region& area, UINT flags);
void InvalidateWhole(const WindowPtr& window);

// The record of a live handle, or null.
std::shared_ptr<WindowRecord> FindWindowRecord(HWND window);
// The calling thread's queue (created on first use).
std::shared_ptr<ThreadQueue> CurrentThreadQueue();
// The queue of a live GUI thread, or null; every live queue.
std::shared_ptr<ThreadQueue> FindThreadQueue(DWORD threadId);
std::vector<std::shared_ptr<ThreadQueue>> AllThreadQueues();
// Wakes the thread blocked on `queue` (takes its mutex).
void WakeQueue(ThreadQueue& queue);
// Adds an input message to the queue of `window`'s thread and wakes it.
void PostInputMessage(const WindowPtr& window, const InputMessage& message);

}
