#include "platform/framework/DC.h"

#include "platform/framework/HandleMap.h"
#include "platform/gdi/DrawHelpers.h"

IMPLEMENT_DYNAMIC(CDC, CObject)

namespace {

CHandleMap<HDC, CDC>& Maps()
{
    thread_local CHandleMap<HDC, CDC> maps;
    return maps;
}

RECT Normalized(int left, int top, int right, int bottom)
{
    return RECT { std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom) };
}

} // namespace

CDC::~CDC()
{
    if (m_hDC)
        ::DeleteDC(Detach());
}

CDC* CDC::FromHandle(HDC hdc)
{
    return Maps().FromHandle(hdc, [hdc] {
        auto dc = std::make_unique<CDC>();
        dc->m_hDC = dc->m_hAttribDC = hdc;
        return dc;
    });
}

void CDC::DeleteTempMap()
{
    Maps().DeleteTemporary([](CDC& dc) { dc.m_hDC = dc.m_hAttribDC = nullptr; });
}

BOOL CDC::Attach(HDC hdc)
{
    if (!hdc)
        return FALSE;
    m_hDC = m_hAttribDC = hdc;
    Maps().SetPermanent(hdc, this);
    return TRUE;
}

HDC CDC::Detach()
{
    HDC hdc = m_hDC;
    if (hdc)
        Maps().RemovePermanent(hdc, this);
    m_hDC = m_hAttribDC = nullptr;
    return hdc;
}

BOOL CDC::CreateCompatibleDC(CDC* dc) { return Attach(::CreateCompatibleDC(dc ? dc->m_hDC : nullptr)); }

BOOL CDC::DeleteDC()
{
    if (!m_hDC)
        return FALSE;
    return ::DeleteDC(Detach());
}

CPen* CDC::SelectObject(CPen* pen) { return CPen::FromHandle(static_cast<HPEN>(::SelectObject(m_hDC, pen ? static_cast<HPEN>(*pen) : nullptr))); }
CBrush* CDC::SelectObject(CBrush* brush)
{
    return CBrush::FromHandle(static_cast<HBRUSH>(::SelectObject(m_hDC, brush ? static_cast<HBRUSH>(*brush) : nullptr)));
}
CFont* CDC::SelectObject(CFont* font) { return CFont::FromHandle(static_cast<HFONT>(::SelectObject(m_hDC, font ? static_cast<HFONT>(*font) : nullptr))); }
CBitmap* CDC::SelectObject(CBitmap* bitmap)
{
    return CBitmap::FromHandle(static_cast<HBITMAP>(::SelectObject(m_hDC, bitmap ? static_cast<HBITMAP>(*bitmap) : nullptr)));
}
int CDC::SelectObject(CRgn* region) { return SelectClipRgn(region); }
CGdiObject* CDC::SelectObject(CGdiObject* object)
{
    return CGdiObject::FromHandle(::SelectObject(m_hDC, object ? object->m_hObject : nullptr));
}
CGdiObject* CDC::SelectStockObject(int index) { return CGdiObject::FromHandle(::SelectObject(m_hDC, ::GetStockObject(index))); }

CPen* CDC::GetCurrentPen() const { return CPen::FromHandle(static_cast<HPEN>(::GetCurrentObject(m_hDC, OBJ_PEN))); }
CBrush* CDC::GetCurrentBrush() const { return CBrush::FromHandle(static_cast<HBRUSH>(::GetCurrentObject(m_hDC, OBJ_BRUSH))); }
CFont* CDC::GetCurrentFont() const { return CFont::FromHandle(static_cast<HFONT>(::GetCurrentObject(m_hDC, OBJ_FONT))); }
CBitmap* CDC::GetCurrentBitmap() const { return CBitmap::FromHandle(static_cast<HBITMAP>(::GetCurrentObject(m_hDC, OBJ_BITMAP))); }

CPoint CDC::SetBrushOrg(int x, int y)
{
    POINT old {};
    ::SetBrushOrgEx(m_hDC, x, y, &old);
    return old;
}

CPoint CDC::SetViewportOrg(int x, int y)
{
    POINT old {};
    ::SetViewportOrgEx(m_hDC, x, y, &old);
    if (m_hAttribDC && m_hAttribDC != m_hDC)
        ::SetViewportOrgEx(m_hAttribDC, x, y, nullptr);
    return old;
}

CPoint CDC::OffsetViewportOrg(int dx, int dy)
{
    POINT old {};
    ::OffsetViewportOrgEx(m_hDC, dx, dy, &old);
    if (m_hAttribDC && m_hAttribDC != m_hDC)
        ::OffsetViewportOrgEx(m_hAttribDC, dx, dy, nullptr);
    return old;
}

CPoint CDC::GetViewportOrg() const
{
    POINT p {};
    ::GetViewportOrgEx(m_hAttribDC, &p);
    return p;
}

CPoint CDC::SetWindowOrg(int x, int y)
{
    POINT old {};
    ::SetWindowOrgEx(m_hDC, x, y, &old);
    if (m_hAttribDC && m_hAttribDC != m_hDC)
        ::SetWindowOrgEx(m_hAttribDC, x, y, nullptr);
    return old;
}

CPoint CDC::GetWindowOrg() const
{
    POINT p {};
    ::GetWindowOrgEx(m_hAttribDC, &p);
    return p;
}

CPoint CDC::MoveTo(int x, int y)
{
    POINT old {};
    ::MoveToEx(m_hDC, x, y, &old);
    return old;
}

void CDC::FillSolidRect(const RECT* rect, COLORREF color)
{
    ::SetBkColor(m_hDC, color);
    ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, rect, nullptr, 0, nullptr);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color)
{
    RECT r = Normalized(x, y, x + cx, y + cy);
    FillSolidRect(&r, color);
}

void CDC::Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight)
{
    Draw3dRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, topLeft, bottomRight);
}

void CDC::Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight)
{
    FillSolidRect(x, y, cx - 1, 1, topLeft);
    FillSolidRect(x, y, 1, cy - 1, topLeft);
    FillSolidRect(x + cx, y, -1, cy, bottomRight);
    FillSolidRect(x, y + cy, cx, -1, bottomRight);
}

CBrush* CDC::GetHalftoneBrush()
{
    // A checkerboard of alternate pixels, one per thread like the maps.
    thread_local std::unique_ptr<CBrush> brush;
    if (!brush) {
        WORD pattern[8];
        for (int i = 0; i < 8; ++i)
            pattern[i] = WORD(0x5555 << (i & 1));
        HBITMAP bitmap = ::CreateBitmap(8, 8, 1, 1, pattern);
        brush = std::make_unique<CBrush>();
        brush->Attach(::CreatePatternBrush(bitmap));
        ::DeleteObject(bitmap);
    }
    return brush.get();
}

void CDC::DrawDragRect(const RECT* rect, SIZE size, const RECT* lastRect, SIZE lastSize, CBrush* brush, CBrush* lastBrush)
{
    if (!brush)
        brush = GetHalftoneBrush();
    if (!lastBrush)
        lastBrush = brush;
    // Inverting the old frame again removes it; then the new one is inverted in.
    auto frame = [this](const RECT* r, SIZE s, CBrush* b) {
        HGDIOBJ old = ::SelectObject(m_hDC, static_cast<HBRUSH>(*b));
        const int w = r->right - r->left, h = r->bottom - r->top;
        const int sx = std::max(0, int(s.cx)), sy = std::max(0, int(s.cy));
        if (w <= 2 * sx || h <= 2 * sy) {
            ::PatBlt(m_hDC, r->left, r->top, w, h, PATINVERT); // no hole: the frame is the whole box
        } else {
            ::PatBlt(m_hDC, r->left, r->top, w, sy, PATINVERT);
            ::PatBlt(m_hDC, r->left, r->bottom - sy, w, sy, PATINVERT);
            ::PatBlt(m_hDC, r->left, r->top + sy, sx, h - 2 * sy, PATINVERT);
            ::PatBlt(m_hDC, r->right - sx, r->top + sy, sx, h - 2 * sy, PATINVERT);
        }
        ::SelectObject(m_hDC, old);
    };
    if (lastRect)
        frame(lastRect, lastSize, lastBrush);
    if (rect)
        frame(rect, size, brush);
}

void CDC::DrawFocusRect(const RECT* rect) { ::DrawFocusRect(m_hDC, rect); }
BOOL CDC::DrawEdge(RECT* rect, UINT edge, UINT flags) { return ::DrawEdge(m_hDC, rect, edge, flags); }
BOOL CDC::DrawFrameControl(RECT* rect, UINT type, UINT state) { return ::DrawFrameControl(m_hDC, rect, type, state); }

CSize CDC::GetTextExtent(const WCHAR* text, int count) const
{
    SIZE size {};
    ::GetTextExtentPoint32W(m_hAttribDC, text, count, &size);
    return size;
}

CSize CDC::GetOutputTextExtent(const CString& text) const
{
    SIZE size {};
    ::GetTextExtentPoint32W(m_hDC, text, text.GetLength(), &size);
    return size;
}

int CDC::GetTextFace(CString& face) const
{
    WCHAR buffer[64] = {};
    int n = ::GetTextFaceW(m_hAttribDC, 64, buffer);
    face = buffer;
    return n;
}

CSize CDC::TabbedTextOut(int x, int y, const CString& text, int tabCount, const INT* tabs, int origin)
{
    LONG packed = ::TabbedTextOutW(m_hDC, x, y, text, text.GetLength(), tabCount, tabs, origin);
    return CSize(LOWORD(DWORD(packed)), HIWORD(DWORD(packed)));
}
