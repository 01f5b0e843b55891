#include "toolkit/commandbars/CommandBarAnimation.h"

#include "toolkit/commandbars/CommandBar.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kFrames = 6;
constexpr UINT kFrameDelay = 50;

BITMAPINFO TopDownInfo(int width, int height)
{
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// Puts 32-bit pixels onto `dc` at `rect`.
void WriteBits(HDC dc, const CRect& rect, const std::vector<DWORD>& pixels)
{
    BITMAPINFO info = TopDownInfo(rect.Width(), rect.Height());
    void* bits = nullptr;
    HBITMAP section = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section || !bits)
        return;
    std::memcpy(bits, pixels.data(), pixels.size() * sizeof(DWORD));
    HDC memory = ::CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(memory, section);
    ::BitBlt(dc, rect.left, rect.top, rect.Width(), rect.Height(), memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::DeleteObject(section);
}

bool Inside(const CRect& inner, const CRect& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right && inner.bottom <= outer.bottom;
}

} // namespace

CJQWCommandBarAnimation::~CJQWCommandBarAnimation() { OnDestroy(); }

BOOL CJQWCommandBarAnimation::IsAnimationOn() const
{
    return m_pBar && m_pBar->IsAnimationEnabled();
}

void CJQWCommandBarAnimation::DeleteCache()
{
    if (m_hCache)
        ::DeleteObject(m_hCache);
    m_hCache = nullptr;
}

void CJQWCommandBarAnimation::OnDestroy()
{
    DeleteCache();
    StopAll();
}

void CJQWCommandBarAnimation::StopAll()
{
    m_steps.clear();
    if (m_nTimer && m_pBar && m_pBar->GetSafeHwnd())
        m_pBar->KillTimer(JQW_TIMER_ANIMATION);
    m_nTimer = 0;
}

std::vector<DWORD> CJQWCommandBarAnimation::ReadBits(HDC dc, const CRect& rect)
{
    std::vector<DWORD> pixels(size_t(rect.Width()) * size_t(rect.Height()));
    BITMAPINFO info = TopDownInfo(rect.Width(), rect.Height());
    void* bits = nullptr;
    HBITMAP section = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section || !bits)
        return pixels;
    HDC memory = ::CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(memory, section);
    ::BitBlt(memory, 0, 0, rect.Width(), rect.Height(), dc, rect.left, rect.top, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    std::memcpy(pixels.data(), bits, pixels.size() * sizeof(DWORD));
    ::DeleteObject(section);
    return pixels;
}

void CJQWCommandBarAnimation::Redraw(const CRect* rect, BOOL animate)
{
    HWND window = m_pBar ? m_pBar->GetSafeHwnd() : nullptr;
    if (!window)
        return;
    CRect client;
    ::GetClientRect(window, &client);
    CRect r;
    if (rect && m_hCache && IsAnimationOn() && m_szCache == client.Size() && r.IntersectRect(rect, &client)) {
        CClientDC dc(m_pBar);
        CDC fresh;
        fresh.CreateCompatibleDC(&dc);
        HBITMAP picture = ::CreateCompatibleBitmap(dc.GetSafeHdc(), client.Width(), client.Height());
        HGDIOBJ oldPicture = ::SelectObject(fresh.GetSafeHdc(), picture);
        ::IntersectClipRect(fresh.GetSafeHdc(), r.left, r.top, r.right, r.bottom);
        m_pBar->DrawCommandBar(&fresh, r);
        ::SelectClipRgn(fresh.GetSafeHdc(), nullptr);
        HDC cacheDC = ::CreateCompatibleDC(dc.GetSafeHdc());
        HGDIOBJ oldCache = ::SelectObject(cacheDC, m_hCache);
        if (animate) {
            auto step = std::make_unique<Step>();
            step->rect = r;
            step->newBits = ReadBits(fresh.GetSafeHdc(), r);
            step->oldBits = ReadBits(cacheDC, r);
            ::BitBlt(cacheDC, r.left, r.top, r.Width(), r.Height(), fresh.GetSafeHdc(), r.left, r.top, SRCCOPY);
            if (step->newBits != step->oldBits) {
                m_steps.erase(std::remove_if(m_steps.begin(), m_steps.end(),
                                  [&](const std::unique_ptr<Step>& s) { return Inside(s->rect, r); }),
                    m_steps.end());
                if (!m_nTimer)
                    m_nTimer = m_pBar->SetTimer(JQW_TIMER_ANIMATION, kFrameDelay, nullptr);
                Step& added = *step;
                m_steps.push_back(std::move(step));
                ::SelectObject(cacheDC, oldCache);
                DrawFrame(dc.GetSafeHdc(), added);
                oldCache = ::SelectObject(cacheDC, m_hCache);
            }
        } else {
            // Plain redraws never wait: covered steps go, partly covered ones leave R alone.
            m_steps.erase(std::remove_if(m_steps.begin(), m_steps.end(),
                              [&](const std::unique_ptr<Step>& s) { return Inside(s->rect, r); }),
                m_steps.end());
            for (auto& s : m_steps) {
                CRect meet;
                if (meet.IntersectRect(&s->rect, &r))
                    s->clips.push_back(r);
            }
            ::BitBlt(cacheDC, r.left, r.top, r.Width(), r.Height(), fresh.GetSafeHdc(), r.left, r.top, SRCCOPY);
            dc.BitBlt(r.left, r.top, r.Width(), r.Height(), &fresh, r.left, r.top, SRCCOPY);
        }
        ::SelectObject(cacheDC, oldCache);
        ::DeleteDC(cacheDC);
        ::SelectObject(fresh.GetSafeHdc(), oldPicture);
        ::DeleteObject(picture);
        return;
    }
    if (!rect)
        DeleteCache();
    m_bRedrawPending = TRUE;
    ::InvalidateRect(window, rect, FALSE);
}

void CJQWCommandBarAnimation::DrawFrame(HDC dc, Step& step)
{
    const CRect& r = step.rect;
    if (step.counter >= kFrames) {
        if (m_hCache) {
            HDC cacheDC = ::CreateCompatibleDC(dc);
            HGDIOBJ old = ::SelectObject(cacheDC, m_hCache);
            ::BitBlt(dc, r.left, r.top, r.Width(), r.Height(), cacheDC, r.left, r.top, SRCCOPY);
            ::SelectObject(cacheDC, old);
            ::DeleteDC(cacheDC);
        }
    } else {
        const int f = step.counter * 255 / kFrames;
        std::vector<DWORD> frame(step.newBits.size());
        for (size_t i = 0; i < frame.size(); ++i) {
            DWORD out = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const int n = int((step.newBits[i] >> shift) & 0xFF), o = int((step.oldBits[i] >> shift) & 0xFF);
                out |= DWORD(((n * f + o * (255 - f)) >> 8) & 0xFF) << shift;
            }
            frame[i] = out;
        }
        WriteBits(dc, r, frame);
    }
    ++step.counter;
}

void CJQWCommandBarAnimation::OnTimer()
{
    HWND window = m_pBar ? m_pBar->GetSafeHwnd() : nullptr;
    if (!window) {
        StopAll();
        return;
    }
    {
        CClientDC dc(m_pBar);
        for (auto& step : m_steps) {
            for (const CRect& clip : step->clips)
                ::ExcludeClipRect(dc.GetSafeHdc(), clip.left, clip.top, clip.right, clip.bottom);
            DrawFrame(dc.GetSafeHdc(), *step);
            ::SelectClipRgn(dc.GetSafeHdc(), nullptr);
        }
    }
    m_steps.erase(std::remove_if(m_steps.begin(), m_steps.end(),
                      [](const std::unique_ptr<Step>& s) { return s->counter > kFrames; }),
        m_steps.end());
    if (m_steps.empty())
        StopAll();
}

void CJQWCommandBarAnimation::OnPaint(CDC* dc, const CRect& clip)
{
    CRect client;
    m_pBar->GetClientRect(&client);
    if (m_hCache && m_szCache != client.Size())
        DeleteCache();
    if (!IsActive()) {
        DeleteCache();
        m_pBar->DrawCommandBar(dc, clip);
        StopAll();
    } else if (m_bRedrawPending || !m_hCache) {
        CRect area = clip;
        if (!m_hCache) {
            m_hCache = ::CreateCompatibleBitmap(dc->GetSafeHdc(), client.Width(), client.Height());
            m_szCache = client.Size();
            area = client;
        }
        HDC cacheDC = ::CreateCompatibleDC(dc->GetSafeHdc());
        HGDIOBJ old = ::SelectObject(cacheDC, m_hCache);
        ::IntersectClipRect(cacheDC, area.left, area.top, area.right, area.bottom);
        m_pBar->DrawCommandBar(CDC::FromHandle(cacheDC), area);
        ::SelectClipRgn(cacheDC, nullptr);
        dc->BitBlt(area.left, area.top, area.Width(), area.Height(), CDC::FromHandle(cacheDC), area.left, area.top, SRCCOPY);
        ::SelectObject(cacheDC, old);
        ::DeleteDC(cacheDC);
        StopAll();
    } else {
        HDC cacheDC = ::CreateCompatibleDC(dc->GetSafeHdc());
        HGDIOBJ old = ::SelectObject(cacheDC, m_hCache);
        dc->BitBlt(0, 0, client.Width(), client.Height(), CDC::FromHandle(cacheDC), 0, 0, SRCCOPY);
        ::SelectObject(cacheDC, old);
        ::DeleteDC(cacheDC);
    }
    m_bRedrawPending = FALSE;
}
