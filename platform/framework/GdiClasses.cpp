#include "platform/framework/GdiClasses.h"

#include "platform/framework/DC.h"
#include "platform/framework/HandleMap.h"
#include "platform/framework/ResourceHandle.h"
#include "platform/user/Resources.h"

IMPLEMENT_DYNAMIC(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CPen, CGdiObject)
IMPLEMENT_DYNAMIC(CBrush, CGdiObject)
IMPLEMENT_DYNAMIC(CFont, CGdiObject)
IMPLEMENT_DYNAMIC(CBitmap, CGdiObject)
IMPLEMENT_DYNAMIC(CRgn, CGdiObject)
IMPLEMENT_DYNAMIC(CPalette, CGdiObject)

namespace {

CHandleMap<HGDIOBJ, CGdiObject>& Maps()
{
    thread_local CHandleMap<HGDIOBJ, CGdiObject> maps;
    return maps;
}

template <class T> std::unique_ptr<CGdiObject> Wrapper(HGDIOBJ handle)
{
    auto object = std::make_unique<T>();
    object->m_hObject = handle;
    return object;
}

// A temporary wrapper of the class that the handle's kind calls for.
std::unique_ptr<CGdiObject> WrapperFor(HGDIOBJ handle)
{
    switch (::GetObjectType(handle)) {
    case OBJ_PEN:
        return Wrapper<CPen>(handle);
    case OBJ_BRUSH:
        return Wrapper<CBrush>(handle);
    case OBJ_FONT:
        return Wrapper<CFont>(handle);
    case OBJ_BITMAP:
        return Wrapper<CBitmap>(handle);
    case OBJ_REGION:
        return Wrapper<CRgn>(handle);
    case OBJ_PAL:
        return Wrapper<CPalette>(handle);
    default:
        return Wrapper<CGdiObject>(handle);
    }
}

} // namespace

CGdiObject::~CGdiObject() { DeleteObject(); }

CGdiObject* CGdiObject::FromHandle(HGDIOBJ handle)
{
    return Maps().FromHandle(handle, [handle] { return WrapperFor(handle); });
}

void CGdiObject::DeleteTempMap()
{
    Maps().DeleteTemporary([](CGdiObject& object) { object.m_hObject = nullptr; });
}

BOOL CGdiObject::Attach(HGDIOBJ handle)
{
    if (!handle)
        return FALSE;
    if (m_hObject)
        DeleteObject();
    m_hObject = handle;
    Maps().SetPermanent(handle, this);
    return TRUE;
}

HGDIOBJ CGdiObject::Detach()
{
    HGDIOBJ handle = m_hObject;
    if (handle)
        Maps().RemovePermanent(handle, this);
    m_hObject = nullptr;
    return handle;
}

BOOL CGdiObject::DeleteObject()
{
    if (!m_hObject)
        return FALSE;
    return ::DeleteObject(Detach());
}

BOOL CGdiObject::CreateStockObject(int index) { return Attach(::GetStockObject(index)); }

CPen::CPen(int style, int width, COLORREF color)
{
    if (!CreatePen(style, width, color))
        AfxThrowResourceException();
}

CPen* CPen::FromHandle(HPEN pen) { return static_cast<CPen*>(CGdiObject::FromHandle(pen)); }

CBrush::CBrush(COLORREF color)
{
    if (!CreateSolidBrush(color))
        AfxThrowResourceException();
}

CBrush::CBrush(int hatch, COLORREF color)
{
    if (!CreateHatchBrush(hatch, color))
        AfxThrowResourceException();
}

CBrush::CBrush(CBitmap* bitmap)
{
    if (!CreatePatternBrush(bitmap))
        AfxThrowResourceException();
}

CBrush* CBrush::FromHandle(HBRUSH brush) { return static_cast<CBrush*>(CGdiObject::FromHandle(brush)); }

BOOL CBrush::CreatePatternBrush(CBitmap* bitmap)
{
    return bitmap ? Attach(::CreatePatternBrush(*bitmap)) : FALSE;
}

BOOL CBrush::CreateSysColorBrush(int index) { return Attach(::GetSysColorBrush(index)); }

CFont* CFont::FromHandle(HFONT font) { return static_cast<CFont*>(CGdiObject::FromHandle(font)); }

BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
    BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily,
    const WCHAR* faceName)
{
    return Attach(::CreateFontW(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
        outPrecision, clipPrecision, quality, pitchAndFamily, faceName));
}

BOOL CFont::CreatePointFont(int pointSize, const WCHAR* faceName, CDC* dc)
{
    LOGFONTW logFont {};
    logFont.lfCharSet = 1; // DEFAULT_CHARSET
    logFont.lfHeight = pointSize;
    if (faceName) {
        int i = 0;
        for (; faceName[i] && i < 31; ++i)
            logFont.lfFaceName[i] = faceName[i];
        logFont.lfFaceName[i] = 0;
    }
    return CreatePointFontIndirect(&logFont, dc);
}

BOOL CFont::CreatePointFontIndirect(const LOGFONTW* logFont, CDC* dc)
{
    if (!logFont)
        return FALSE;
    HDC hdc = dc ? dc->m_hAttribDC : nullptr;
    HDC screen = hdc ? nullptr : CreateCompatibleDC(nullptr);
    HDC used = hdc ? hdc : screen;
    // Tenths of a point to pixels on the device, rounded, then to logical units.
    const int dpi = GetDeviceCaps(used, LOGPIXELSY);
    POINT size { 0, int((LONGLONG(dpi) * logFont->lfHeight + 360) / 720) };
    POINT origin { 0, 0 };
    DPtoLP(used, &size, 1);
    DPtoLP(used, &origin, 1);
    if (screen)
        DeleteDC(screen);
    LOGFONTW copy = *logFont;
    copy.lfHeight = -std::abs(size.y - origin.y);
    return CreateFontIndirect(&copy);
}

CBitmap* CBitmap::FromHandle(HBITMAP bitmap) { return static_cast<CBitmap*>(CGdiObject::FromHandle(bitmap)); }

BOOL CBitmap::LoadBitmap(UINT id) { return LoadBitmap(MAKEINTRESOURCEW(id)); }

BOOL CBitmap::LoadBitmap(const WCHAR* name)
{
    return Attach(::LoadBitmapW(AfxFindResourceHandle(name, RT_BITMAP), name));
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height)
{
    return Attach(::CreateCompatibleBitmap(dc ? dc->m_hDC : nullptr, width, height));
}

CRgn* CRgn::FromHandle(HRGN region) { return static_cast<CRgn*>(CGdiObject::FromHandle(region)); }

int CRgn::CombineRgn(const CRgn* a, const CRgn* b, int mode)
{
    return ::CombineRgn(*this, a ? static_cast<HRGN>(*a) : nullptr, b ? static_cast<HRGN>(*b) : nullptr, mode);
}

int CRgn::CopyRgn(const CRgn* source) { return ::CombineRgn(*this, *source, nullptr, RGN_COPY); }

CPalette* CPalette::FromHandle(HPALETTE palette) { return static_cast<CPalette*>(CGdiObject::FromHandle(palette)); }
