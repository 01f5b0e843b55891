#pragma once
// Every bar keeps its last drawn picture; when it redraws a rectangle with animation, the
// rectangle cross-fades from the old picture to the new one in six frames, 50 ms apart. A redraw
// that changes no pixel starts nothing.

#include "platform/framework/DC.h"
#include "platform/framework/Geometry.h"

#include <memory>
#include <vector>

class CJQWCommandBar;

class CJQWCommandBarAnimation {
public:
    explicit CJQWCommandBarAnimation(CJQWCommandBar* bar) : m_pBar(bar) { }
    ~CJQWCommandBarAnimation();
    CJQWCommandBarAnimation(const CJQWCommandBarAnimation&) = delete;
    CJQWCommandBarAnimation& operator=(const CJQWCommandBarAnimation&) = delete;

    // The bar redraws `rect` (null: all), cross-fading it when `animate` and animation is on.
    void Redraw(const CRect* rect, BOOL animate);
    // The bar's WM_PAINT: from the cached picture when there is one.
    void OnPaint(CDC* dc, const CRect& clip);
    void OnTimer();
    void StopAll();
    void OnDestroy();

    void SetKeepCache(BOOL keep) { m_bKeepCache = keep; }
    BOOL IsKeepCache() const { return m_bKeepCache; }
    BOOL IsAnimationOn() const;
    // Whether the bar paints through this object (animation on, or the cache is kept).
    BOOL IsActive() const { return IsAnimationOn() || m_bKeepCache; }
    BOOL IsTimerRunning() const { return m_nTimer != 0; }
    int GetStepCount() const { return int(m_steps.size()); }
    BOOL HasCache() const { return m_hCache != nullptr; }

private:
    struct Step {
        std::vector<DWORD> newBits;
        std::vector<DWORD> oldBits;
        CRect rect;
        int counter = 1;
        std::vector<CRect> clips;
    };
    void DeleteCache();
    void DrawFrame(HDC dc, Step& step);
    // Copies `rect` of the bitmap selected into `dc` into 32-bit pixels.
    static std::vector<DWORD> ReadBits(HDC dc, const CRect& rect);

    CJQWCommandBar* m_pBar;
    HBITMAP m_hCache = nullptr;
    CSize m_szCache;
    BOOL m_bRedrawPending = FALSE;
    UINT_PTR m_nTimer = 0;
    BOOL m_bKeepCache = FALSE;
    std::vector<std::unique_ptr<Step>> m_steps;
};
