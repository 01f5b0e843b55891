#pragma once
// Points, sizes and rectangles of the class library over the platform's POINT, SIZE and RECT, so
// they pass wherever those are taken. Rectangles exclude their right and bottom edges.

#include "platform/base/Geometry.h"

#include <algorithm>
#include <utility>

class CSize;
class CRect;

class CPoint : public POINT {
public:
    CPoint() : POINT { 0, 0 } { }
    CPoint(int x, int y) : POINT { x, y } { }
    CPoint(POINT p) : POINT(p) { }
    explicit CPoint(SIZE s) : POINT { s.cx, s.cy } { }
    // Signed 16-bit halves, as packed into message parameters.
    explicit CPoint(LPARAM packed) : POINT { short(packed & 0xFFFF), short((packed >> 16) & 0xFFFF) } { }

    void Offset(int dx, int dy) { x += dx; y += dy; }
    void Offset(POINT p) { Offset(p.x, p.y); }
    void SetPoint(int nx, int ny) { x = nx; y = ny; }
    bool operator==(POINT p) const { return x == p.x && y == p.y; }
    bool operator!=(POINT p) const { return !(*this == p); }
    CPoint& operator+=(POINT p) { Offset(p); return *this; }
    CPoint& operator-=(POINT p) { Offset(-p.x, -p.y); return *this; }
    CPoint& operator+=(SIZE s) { Offset(s.cx, s.cy); return *this; }
    CPoint& operator-=(SIZE s) { Offset(-s.cx, -s.cy); return *this; }
    CPoint operator+(SIZE s) const { return CPoint(x + s.cx, y + s.cy); }
    CPoint operator-(SIZE s) const { return CPoint(x - s.cx, y - s.cy); }
    CPoint operator+(POINT p) const { return CPoint(x + p.x, y + p.y); }
    CPoint operator-() const { return CPoint(-x, -y); }
    inline CSize operator-(POINT p) const;
    inline CRect operator+(const RECT& r) const;
};

class CSize : public SIZE {
public:
    CSize() : SIZE { 0, 0 } { }
    CSize(int cx, int cy) : SIZE { cx, cy } { }
    CSize(SIZE s) : SIZE(s) { }
    explicit CSize(POINT p) : SIZE { p.x, p.y } { }

    void SetSize(int ncx, int ncy) { cx = ncx; cy = ncy; }
    bool operator==(SIZE s) const { return cx == s.cx && cy == s.cy; }
    bool operator!=(SIZE s) const { return !(*this == s); }
    CSize& operator+=(SIZE s) { cx += s.cx; cy += s.cy; return *this; }
    CSize& operator-=(SIZE s) { cx -= s.cx; cy -= s.cy; return *this; }
    CSize operator+(SIZE s) const { return CSize(cx + s.cx, cy + s.cy); }
    CSize operator-(SIZE s) const { return CSize(cx - s.cx, cy - s.cy); }
    CSize operator-() const { return CSize(-cx, -cy); }
};

inline CSize CPoint::operator-(POINT p) const { return CSize(x - p.x, y - p.y); }

class CRect : public RECT {
public:
    CRect() : RECT { 0, 0, 0, 0 } { }
    CRect(int l, int t, int r, int b) : RECT { l, t, r, b } { }
    CRect(const RECT& r) : RECT(r) { }
    CRect(const RECT* r) : RECT(r ? *r : RECT { 0, 0, 0, 0 }) { }
    CRect(POINT topLeft, SIZE size) : RECT { topLeft.x, topLeft.y, topLeft.x + size.cx, topLeft.y + size.cy } { }
    CRect(POINT topLeft, POINT bottomRight) : RECT { topLeft.x, topLeft.y, bottomRight.x, bottomRight.y } { }

    operator RECT*() { return this; }
    operator const RECT*() const { return this; }

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CSize Size() const { return CSize(Width(), Height()); }
    CPoint TopLeft() const { return CPoint(left, top); }
    CPoint BottomRight() const { return CPoint(right, bottom); }
    CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }

    bool IsRectEmpty() const { return right <= left || bottom <= top; }
    bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    bool PtInRect(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    bool EqualRect(const RECT& r) const { return left == r.left && top == r.top && right == r.right && bottom == r.bottom; }
    bool operator==(const RECT& r) const { return EqualRect(r); }
    bool operator!=(const RECT& r) const { return !EqualRect(r); }

    void SetRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
    void SetRectEmpty() { SetRect(0, 0, 0, 0); }
    void CopyRect(const RECT* r) { *static_cast<RECT*>(this) = *r; }
    void OffsetRect(int dx, int dy) { left += dx; right += dx; top += dy; bottom += dy; }
    void OffsetRect(POINT p) { OffsetRect(p.x, p.y); }
    void OffsetRect(SIZE s) { OffsetRect(s.cx, s.cy); }
    void MoveToXY(int x, int y) { OffsetRect(x - left, y - top); }
    void MoveToX(int x) { OffsetRect(x - left, 0); }
    void MoveToY(int y) { OffsetRect(0, y - top); }
    void InflateRect(int dx, int dy) { left -= dx; top -= dy; right += dx; bottom += dy; }
    void InflateRect(SIZE s) { InflateRect(s.cx, s.cy); }
    void InflateRect(int l, int t, int r, int b) { left -= l; top -= t; right += r; bottom += b; }
    void InflateRect(const RECT* r) { InflateRect(r->left, r->top, r->right, r->bottom); }
    void DeflateRect(int dx, int dy) { InflateRect(-dx, -dy); }
    void DeflateRect(SIZE s) { InflateRect(-s.cx, -s.cy); }
    void DeflateRect(int l, int t, int r, int b) { InflateRect(-l, -t, -r, -b); }
    void DeflateRect(const RECT* r) { DeflateRect(r->left, r->top, r->right, r->bottom); }
    void NormalizeRect()
    {
        if (left > right)
            std::swap(left, right);
        if (top > bottom)
            std::swap(top, bottom);
    }

    // An empty result is all zeros, as the platform's rectangle functions give it.
    bool IntersectRect(const RECT* a, const RECT* b)
    {
        SetRect(std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right), std::min(a->bottom, b->bottom));
        if (IsRectEmpty()) {
            SetRectEmpty();
            return false;
        }
        return true;
    }
    // Empty operands do not count.
    bool UnionRect(const RECT* a, const RECT* b)
    {
        const CRect ra(a), rb(b);
        if (ra.IsRectEmpty())
            *this = rb.IsRectEmpty() ? CRect() : rb;
        else if (rb.IsRectEmpty())
            *this = ra;
        else
            SetRect(std::min(ra.left, rb.left), std::min(ra.top, rb.top), std::max(ra.right, rb.right), std::max(ra.bottom, rb.bottom));
        return !IsRectEmpty();
    }
    // Only a subtrahend covering a whole side shrinks the rectangle; otherwise it is a copy.
    bool SubtractRect(const RECT* from, const RECT* minus)
    {
        CRect result(from), cut;
        if (cut.IntersectRect(from, minus)) {
            if (cut.top == result.top && cut.bottom == result.bottom) {
                if (cut.left == result.left)
                    result.left = cut.right;
                else if (cut.right == result.right)
                    result.right = cut.left;
            } else if (cut.left == result.left && cut.right == result.right) {
                if (cut.top == result.top)
                    result.top = cut.bottom;
                else if (cut.bottom == result.bottom)
                    result.bottom = cut.top;
            }
        }
        *this = result;
        if (IsRectEmpty()) {
            SetRectEmpty();
            return false;
        }
        return true;
    }

    CRect& operator+=(POINT p) { OffsetRect(p); return *this; }
    CRect& operator-=(POINT p) { OffsetRect(-p.x, -p.y); return *this; }
    CRect& operator&=(const RECT& r) { IntersectRect(this, &r); return *this; }
    CRect& operator|=(const RECT& r) { UnionRect(this, &r); return *this; }
    CRect operator+(POINT p) const { CRect r(*this); r.OffsetRect(p); return r; }
    CRect operator-(POINT p) const { CRect r(*this); r.OffsetRect(-p.x, -p.y); return r; }
    CRect operator&(const RECT& o) const { CRect r; r.IntersectRect(this, &o); return r; }
    CRect operator|(const RECT& o) const { CRect r; r.UnionRect(this, &o); return r; }
};

inline CRect CPoint::operator+(const RECT& r) const { CRect c(r); c.OffsetRect(*this); return c; }
