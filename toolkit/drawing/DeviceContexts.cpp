#include "toolkit/drawing/DeviceContexts.h"

#include <algorithm>

CJQWFontDC::CJQWFontDC(CDC* dc, CFont* font) : m_dc(dc)
{
    if (font)
        SetFont(font);
}

CJQWFontDC::~CJQWFontDC()
{
    if (m_dc && m_oldFont)
        ::SelectObject(m_dc->m_hDC, m_oldFont);
}

void CJQWFontDC::SetFont(CFont* font)
{
    if (!m_dc || !font)
        return;
    HGDIOBJ previous = ::SelectObject(m_dc->m_hDC, font->GetSafeHandle());
    if (!m_oldFont && previous)
        m_oldFont = static_cast<HFONT>(previous);
}

CJQWPenDC::CJQWPenDC(HDC dc, COLORREF color) : m_dc(dc)
{
    if (m_pen.CreatePen(PS_SOLID, 1, color))
        m_oldPen = static_cast<HPEN>(::SelectObject(m_dc, m_pen));
}

CJQWPenDC::~CJQWPenDC()
{
    if (m_oldPen)
        ::SelectObject(m_dc, m_oldPen);
    m_pen.DeleteObject();
}

void CJQWPenDC::SetColor(COLORREF color)
{
    if (!m_dc)
        return;
    if (m_oldPen)
        ::SelectObject(m_dc, m_oldPen);
    m_pen.DeleteObject();
    if (m_pen.CreatePen(PS_SOLID, 1, color)) {
        HPEN previous = static_cast<HPEN>(::SelectObject(m_dc, m_pen));
        if (!m_oldPen)
            m_oldPen = previous;
    }
}

CJQWBrushDC::CJQWBrushDC(HDC dc, COLORREF color) : m_dc(dc)
{
    if (m_brush.CreateSolidBrush(color))
        m_oldBrush = static_cast<HBRUSH>(::SelectObject(m_dc, m_brush));
}

CJQWBrushDC::~CJQWBrushDC()
{
    if (m_oldBrush)
        ::SelectObject(m_dc, m_oldBrush);
    m_brush.DeleteObject();
}

CJQWBitmapDC::CJQWBitmapDC(CDC* dc, CBitmap* bitmap) : m_dc(dc)
{
    if (m_dc && bitmap)
        m_oldBitmap = static_cast<HBITMAP>(::SelectObject(m_dc->m_hDC, bitmap->GetSafeHandle()));
}

CJQWBitmapDC::~CJQWBitmapDC()
{
    if (m_dc && m_oldBitmap)
        ::SelectObject(m_dc->m_hDC, m_oldBitmap);
}

CJQWCompatibleDC::CJQWCompatibleDC(CDC* dc, CBitmap* bitmap)
    : CJQWCompatibleDC(dc, bitmap ? static_cast<HBITMAP>(bitmap->GetSafeHandle()) : nullptr)
{
}

CJQWCompatibleDC::CJQWCompatibleDC(CDC* dc, HBITMAP bitmap)
{
    if (CreateCompatibleDC(dc) && bitmap)
        m_oldBitmap = static_cast<HBITMAP>(::SelectObject(m_hDC, bitmap));
}

CJQWCompatibleDC::~CJQWCompatibleDC()
{
    if (m_hDC && m_oldBitmap)
        ::SelectObject(m_hDC, m_oldBitmap);
    DeleteDC();
}

CJQWBufferDC::CJQWBufferDC(HDC target, const CRect& rect)
{
    Create(target, rect, 0);
}

void CJQWBufferDC::ConstructFromPaintDC(HDC target, const CRect& invalid)
{
    Create(target, invalid, 1);
    if (m_hDC)
        IntersectClipRect(&m_rect);
}

void CJQWBufferDC::Create(HDC target, const CRect& rect, int minimumSide)
{
    m_target = target;
    m_rect = rect;
    if (!Attach(::CreateCompatibleDC(target)))
        return;
    if (m_bitmap.Attach(::CreateCompatibleBitmap(target, std::max(int(rect.right), minimumSide),
                                                 std::max(int(rect.bottom), minimumSide))))
        m_oldBitmap = static_cast<HBITMAP>(::SelectObject(m_hDC, m_bitmap));
}

CJQWBufferDC::~CJQWBufferDC()
{
    if (m_hDC && m_target) {
        ::BitBlt(m_target, m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), m_hDC, m_rect.left, m_rect.top,
                 SRCCOPY);
        if (m_oldBitmap)
            ::SelectObject(m_hDC, m_oldBitmap);
    }
    m_bitmap.DeleteObject();
    DeleteDC();
}
