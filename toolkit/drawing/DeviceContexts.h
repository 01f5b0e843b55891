#pragma once
// Scope objects for drawing: each change to a DC (a font, a pen, a brush, a bitmap, an off-screen
// buffer) is undone when the object goes out of scope, so a drawing routine may return anywhere.

#include "platform/framework/DC.h"
#include "platform/framework/GdiClasses.h"

class CJQWFontDC {
public:
    // The fonts stay the caller's.
    explicit CJQWFontDC(CDC* dc, CFont* font = nullptr);
    virtual ~CJQWFontDC();
    CJQWFontDC(const CJQWFontDC&) = delete;
    CJQWFontDC& operator=(const CJQWFontDC&) = delete;

    void SetFont(CFont* font);

private:
    CDC* m_dc;
    HFONT m_oldFont = nullptr;
};

// A solid pen one pixel wide, owned by the object.
class CJQWPenDC {
public:
    CJQWPenDC(HDC dc, COLORREF color);
    virtual ~CJQWPenDC();
    CJQWPenDC(const CJQWPenDC&) = delete;
    CJQWPenDC& operator=(const CJQWPenDC&) = delete;

    void SetColor(COLORREF color);

private:
    HDC m_dc;
    CPen m_pen;
    HPEN m_oldPen = nullptr;
};

class CJQWBrushDC {
public:
    CJQWBrushDC(HDC dc, COLORREF color);
    virtual ~CJQWBrushDC();
    CJQWBrushDC(const CJQWBrushDC&) = delete;
    CJQWBrushDC& operator=(const CJQWBrushDC&) = delete;

private:
    HDC m_dc;
    CBrush m_brush;
    HBRUSH m_oldBrush = nullptr;
};

// The bitmap stays the caller's.
class CJQWBitmapDC {
public:
    CJQWBitmapDC(CDC* dc, CBitmap* bitmap);
    virtual ~CJQWBitmapDC();
    CJQWBitmapDC(const CJQWBitmapDC&) = delete;
    CJQWBitmapDC& operator=(const CJQWBitmapDC&) = delete;

private:
    CDC* m_dc;
    HBITMAP m_oldBitmap = nullptr;
};

// A memory DC (compatible with the DC, the screen when null) with the caller's bitmap selected.
class CJQWCompatibleDC : public CDC {
public:
    CJQWCompatibleDC(CDC* dc, CBitmap* bitmap);
    CJQWCompatibleDC(CDC* dc, HBITMAP bitmap);
    ~CJQWCompatibleDC() override;

private:
    HBITMAP m_oldBitmap = nullptr;
};

// Double buffering: drawing goes to a bitmap that spans x 0..rect.right and y 0..rect.bottom, so
// the target's coordinates hold unchanged; the destructor copies the rectangle to the target.
class CJQWBufferDC : public CDC {
public:
    CJQWBufferDC(HDC target, const CRect& rect);
    // A paint DC (m_hDC and the paint structure m_ps): the invalid rectangle is buffered and
    // clipped to, with a bitmap of at least 1 x 1.
    template <class PaintDC> explicit CJQWBufferDC(PaintDC& paintDC)
    {
        ConstructFromPaintDC(paintDC.m_hDC, CRect(paintDC.m_ps.rcPaint));
    }
    ~CJQWBufferDC() override;

protected:
    void ConstructFromPaintDC(HDC target, const CRect& invalid);

private:
    void Create(HDC target, const CRect& rect, int minimumSide);

    HDC m_target = nullptr;
    CRect m_rect;
    CBitmap m_bitmap;
    HBITMAP m_oldBitmap = nullptr;
};
