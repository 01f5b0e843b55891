#pragma once
// Device contexts of the class library. CDC wraps an HDC: m_hDC receives the drawing, m_hAttribDC
// answers queries (the same DC unless a caller sets them apart). A CDC deletes the DC it holds when
// destroyed, attached ones too: Detach first to keep it. Selection returns the previously
// selected object as a wrapper (temporary unless an object owns the handle).

#include "platform/framework/GdiClasses.h"
#include "platform/framework/String.h"
#include "platform/gdi/Icon.h"

class CDC : public CObject {
    DECLARE_DYNAMIC(CDC)
public:
    CDC() = default;
    ~CDC() override;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    static CDC* FromHandle(HDC hdc);
    static void DeleteTempMap();

    operator HDC() const { return m_hDC; }
    HDC GetSafeHdc() const { return m_hDC; }
    BOOL Attach(HDC hdc);
    HDC Detach();
    BOOL CreateCompatibleDC(CDC* dc);
    BOOL DeleteDC();
    virtual void SetAttribDC(HDC hdc) { m_hAttribDC = hdc; }
    virtual void SetOutputDC(HDC hdc) { m_hDC = hdc; }
    virtual void ReleaseAttribDC() { m_hAttribDC = nullptr; }
    virtual void ReleaseOutputDC() { m_hDC = nullptr; }

    int SaveDC() { return ::SaveDC(m_hDC); }
    BOOL RestoreDC(int saved) { return ::RestoreDC(m_hDC, saved); }
    int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hAttribDC, index); }

    // Selection.
    CPen* SelectObject(CPen* pen);
    CBrush* SelectObject(CBrush* brush);
    CFont* SelectObject(CFont* font);
    CBitmap* SelectObject(CBitmap* bitmap);
    int SelectObject(CRgn* region);
    CGdiObject* SelectObject(CGdiObject* object);
    HGDIOBJ SelectObject(HGDIOBJ object) { return ::SelectObject(m_hDC, object); }
    CGdiObject* SelectStockObject(int index);
    CPen* GetCurrentPen() const;
    CBrush* GetCurrentBrush() const;
    CFont* GetCurrentFont() const;
    CBitmap* GetCurrentBitmap() const;

    // Attributes.
    COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
    COLORREF GetTextColor() const { return ::GetTextColor(m_hAttribDC); }
    COLORREF SetBkColor(COLORREF color) { return ::SetBkColor(m_hDC, color); }
    COLORREF GetBkColor() const { return ::GetBkColor(m_hAttribDC); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    int GetBkMode() const { return ::GetBkMode(m_hAttribDC); }
    int SetROP2(int rop) { return ::SetROP2(m_hDC, rop); }
    int GetROP2() const { return ::GetROP2(m_hAttribDC); }
    UINT SetTextAlign(UINT align) { return ::SetTextAlign(m_hDC, align); }
    int SetStretchBltMode(int mode) { return ::SetStretchBltMode(m_hDC, mode); }
    int SetPolyFillMode(int mode) { return ::SetPolyFillMode(m_hDC, mode); }
    DWORD SetLayout(DWORD layout) { return ::SetLayout(m_hDC, layout); }
    DWORD GetLayout() const { return ::GetLayout(m_hAttribDC); }
    CPoint SetBrushOrg(int x, int y);
    CPoint SetBrushOrg(POINT p) { return SetBrushOrg(p.x, p.y); }

    // Coordinates.
    CPoint SetViewportOrg(int x, int y);
    CPoint SetViewportOrg(POINT p) { return SetViewportOrg(p.x, p.y); }
    CPoint OffsetViewportOrg(int dx, int dy);
    CPoint GetViewportOrg() const;
    CPoint SetWindowOrg(int x, int y);
    CPoint SetWindowOrg(POINT p) { return SetWindowOrg(p.x, p.y); }
    CPoint GetWindowOrg() const;
    void LPtoDP(POINT* points, int count = 1) const { ::LPtoDP(m_hAttribDC, points, count); }
    void LPtoDP(RECT* rect) const { LPtoDP(reinterpret_cast<POINT*>(rect), 2); }
    void DPtoLP(POINT* points, int count = 1) const { ::DPtoLP(m_hAttribDC, points, count); }
    void DPtoLP(RECT* rect) const { DPtoLP(reinterpret_cast<POINT*>(rect), 2); }

    // Clipping.
    int IntersectClipRect(int left, int top, int right, int bottom) { return ::IntersectClipRect(m_hDC, left, top, right, bottom); }
    int IntersectClipRect(const RECT* r) { return IntersectClipRect(r->left, r->top, r->right, r->bottom); }
    int ExcludeClipRect(int left, int top, int right, int bottom) { return ::ExcludeClipRect(m_hDC, left, top, right, bottom); }
    int ExcludeClipRect(const RECT* r) { return ExcludeClipRect(r->left, r->top, r->right, r->bottom); }
    int SelectClipRgn(CRgn* region) { return ::SelectClipRgn(m_hDC, region ? static_cast<HRGN>(*region) : nullptr); }
    int SelectClipRgn(CRgn* region, int mode) { return ::ExtSelectClipRgn(m_hDC, region ? static_cast<HRGN>(*region) : nullptr, mode); }
    int GetClipBox(RECT* rect) const { return ::GetClipBox(m_hDC, rect); }
    BOOL PtVisible(int x, int y) const { return ::PtVisible(m_hDC, x, y); }
    BOOL RectVisible(const RECT* rect) const { return ::RectVisible(m_hDC, rect); }

    // Lines and shapes.
    CPoint MoveTo(int x, int y);
    CPoint MoveTo(POINT p) { return MoveTo(p.x, p.y); }
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
    BOOL LineTo(POINT p) { return LineTo(p.x, p.y); }
    BOOL Polyline(const POINT* points, int count) { return ::Polyline(m_hDC, points, count); }
    BOOL Polygon(const POINT* points, int count) { return ::Polygon(m_hDC, points, count); }
    BOOL Rectangle(int left, int top, int right, int bottom) { return ::Rectangle(m_hDC, left, top, right, bottom); }
    BOOL Rectangle(const RECT* r) { return Rectangle(r->left, r->top, r->right, r->bottom); }
    BOOL Ellipse(int left, int top, int right, int bottom) { return ::Ellipse(m_hDC, left, top, right, bottom); }
    BOOL Ellipse(const RECT* r) { return Ellipse(r->left, r->top, r->right, r->bottom); }
    BOOL RoundRect(int left, int top, int right, int bottom, int w, int h) { return ::RoundRect(m_hDC, left, top, right, bottom, w, h); }
    BOOL RoundRect(const RECT* r, POINT corner) { return RoundRect(r->left, r->top, r->right, r->bottom, corner.x, corner.y); }
    void FillRect(const RECT* rect, CBrush* brush) { ::FillRect(m_hDC, rect, brush ? static_cast<HBRUSH>(*brush) : nullptr); }
    void FrameRect(const RECT* rect, CBrush* brush) { ::FrameRect(m_hDC, rect, brush ? static_cast<HBRUSH>(*brush) : nullptr); }
    void InvertRect(const RECT* rect) { ::InvertRect(m_hDC, rect); }
    BOOL FillRgn(CRgn* region, CBrush* brush) { return ::FillRgn(m_hDC, *region, *brush); }
    BOOL FrameRgn(CRgn* region, CBrush* brush, int w, int h) { return ::FrameRgn(m_hDC, *region, *brush, w, h); }
    BOOL PaintRgn(CRgn* region) { return ::PaintRgn(m_hDC, *region); }
    BOOL InvertRgn(CRgn* region) { return ::InvertRgn(m_hDC, *region); }
    // Fills with the colour, which stays the DC's background colour afterwards.
    void FillSolidRect(const RECT* rect, COLORREF color);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
    // One-pixel frame: top and left in the first colour, right and bottom in the second.
    void Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight);
    void Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight);
    // Inverts a frame of the given thickness with the brush (the halftone brush when null), first
    // removing the frame drawn at lastRect, so a drag outline moves without leaving a trail.
    void DrawDragRect(const RECT* rect, SIZE size, const RECT* lastRect, SIZE lastSize, CBrush* brush = nullptr,
        CBrush* lastBrush = nullptr);
    static CBrush* GetHalftoneBrush();
    void DrawFocusRect(const RECT* rect);
    BOOL DrawEdge(RECT* rect, UINT edge, UINT flags);
    BOOL DrawFrameControl(RECT* rect, UINT type, UINT state);
    BOOL DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }
    BOOL DrawIcon(POINT p, HICON icon) { return DrawIcon(p.x, p.y, icon); }

    // Pixels and blocks.
    COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
    COLORREF GetPixel(POINT p) const { return GetPixel(p.x, p.y); }
    COLORREF SetPixel(int x, int y, COLORREF color) { return ::SetPixel(m_hDC, x, y, color); }
    BOOL SetPixelV(int x, int y, COLORREF color) { return ::SetPixelV(m_hDC, x, y, color); }
    BOOL PatBlt(int x, int y, int w, int h, DWORD rop) { return ::PatBlt(m_hDC, x, y, w, h, rop); }
    BOOL BitBlt(int x, int y, int w, int h, CDC* source, int sx, int sy, DWORD rop)
    {
        return ::BitBlt(m_hDC, x, y, w, h, source ? source->m_hDC : nullptr, sx, sy, rop);
    }
    BOOL StretchBlt(int x, int y, int w, int h, CDC* source, int sx, int sy, int sw, int sh, DWORD rop)
    {
        return ::StretchBlt(m_hDC, x, y, w, h, source ? source->m_hDC : nullptr, sx, sy, sw, sh, rop);
    }
    BOOL AlphaBlend(int x, int y, int w, int h, CDC* source, int sx, int sy, int sw, int sh, BLENDFUNCTION blend)
    {
        return ::AlphaBlend(m_hDC, x, y, w, h, source->m_hDC, sx, sy, sw, sh, blend);
    }
    BOOL TransparentBlt(int x, int y, int w, int h, CDC* source, int sx, int sy, int sw, int sh, UINT transparent)
    {
        return ::TransparentBlt(m_hDC, x, y, w, h, source->m_hDC, sx, sy, sw, sh, transparent);
    }

    // Text.
    BOOL TextOut(int x, int y, const WCHAR* text, int count) { return ::TextOutW(m_hDC, x, y, text, count); }
    BOOL TextOut(int x, int y, const CString& text) { return TextOut(x, y, text, text.GetLength()); }
    BOOL ExtTextOut(int x, int y, UINT options, const RECT* rect, const WCHAR* text, UINT count, const INT* dx)
    {
        return ::ExtTextOutW(m_hDC, x, y, options, rect, text, count, dx);
    }
    BOOL ExtTextOut(int x, int y, UINT options, const RECT* rect, const CString& text, const INT* dx)
    {
        return ExtTextOut(x, y, options, rect, text, UINT(text.GetLength()), dx);
    }
    int DrawText(const WCHAR* text, int count, RECT* rect, UINT format) { return ::DrawTextW(m_hDC, text, count, rect, format); }
    int DrawText(const CString& text, RECT* rect, UINT format) { return DrawText(text, text.GetLength(), rect, format); }
    CSize GetTextExtent(const WCHAR* text, int count) const;
    CSize GetTextExtent(const CString& text) const { return GetTextExtent(text, text.GetLength()); }
    CSize GetOutputTextExtent(const CString& text) const;
    BOOL GetTextMetrics(TEXTMETRICW* metrics) const { return ::GetTextMetricsW(m_hAttribDC, metrics); }
    int GetTextFace(int count, WCHAR* face) const { return ::GetTextFaceW(m_hAttribDC, count, face); }
    int GetTextFace(CString& face) const;
    CSize TabbedTextOut(int x, int y, const CString& text, int tabCount, const INT* tabs, int origin);

    HDC m_hDC = nullptr;
    HDC m_hAttribDC = nullptr;
};
