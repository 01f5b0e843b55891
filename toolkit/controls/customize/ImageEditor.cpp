#include "toolkit/controls/customize/ImageEditor.h"

#include "platform/framework/AfxMessages.h"
#include "platform/framework/CommonDialog.h"
#include "platform/gdi/DrawHelpers.h"
#include "platform/shell/Clipboard.h"
#include "platform/shell/Picture.h"
#include "platform/user/Cursors.h"
#include "toolkit/commandbars/MouseManager.h"
#include "toolkit/drawing/ColorManager.h"
#include "toolkit/drawing/DeviceContexts.h"
#include "toolkit/drawing/ResourceManager.h"
#include "toolkit/drawing/images/AlphaBitmaps.h"
#include "toolkit/drawing/images/GraphicBitmapPng.h"

#include "ToolkitImageEditorResources.h"

#include <algorithm>
#include <cstring>

namespace {

using CAlphaBitmap = CJQWImageEditorPicture::CAlphaBitmap;

constexpr DWORD kTransparentPixel = 0x00FFFEFF; // the same bytes read either way round
constexpr std::size_t kMaxUndo = 16;

struct PaletteEntry {
    UINT id;
    COLORREF color;
};
// In grid order: eight columns of the first row, then the second.
constexpr PaletteEntry kPalette[16] = {
    { 9900, RGB(0, 0, 0) }, { 9915, RGB(128, 128, 128) }, { 9908, RGB(128, 0, 0) }, { 9910, RGB(128, 128, 0) },
    { 9911, RGB(0, 128, 0) }, { 9912, RGB(0, 128, 128) }, { 9905, RGB(0, 0, 128) }, { 9922, RGB(128, 0, 128) },
    { 9939, RGB(255, 255, 255) }, { 9931, RGB(192, 192, 192) }, { 9916, RGB(255, 0, 0) }, { 9926, RGB(255, 255, 0) },
    { 9927, RGB(0, 255, 0) }, { 9928, RGB(0, 255, 255) }, { 9913, RGB(0, 0, 255) }, { 9924, RGB(255, 0, 255) },
};

DWORD PixelOf(COLORREF color) { return DWORD(GetRValue(color)) << 16 | DWORD(GetGValue(color)) << 8 | GetBValue(color); }
COLORREF ColorOf(DWORD pixel) { return RGB(BYTE(pixel >> 16), BYTE(pixel >> 8), BYTE(pixel)); }

// The pixels of a 32-bit DIB section.
DWORD* Bits(const CBitmap& bitmap)
{
    DIBSECTION section {};
    if (::GetObjectW(HBITMAP(bitmap.m_hObject), sizeof(section), &section) != sizeof(section))
        return nullptr;
    return static_cast<DWORD*>(section.dsBm.bmBits);
}

// A bottom-up image row by row from the top.
DWORD& At(DWORD* bits, int width, int height, int x, int y) { return bits[std::size_t(height - 1 - y) * width + x]; }

std::unique_ptr<CAlphaBitmap> NewImage(int width, int height)
{
    auto image = std::make_unique<CAlphaBitmap>();
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap)
        return nullptr;
    std::fill_n(static_cast<DWORD*>(bits), std::size_t(width) * height, kTransparentPixel);
    image->Attach(bitmap);
    return image;
}

// The pixels of any bitmap, top-down, 32 bits each.
bool ReadPixels(HBITMAP bitmap, std::vector<DWORD>& pixels, int& width, int& height)
{
    BITMAP header {};
    if (!bitmap || !::GetObjectW(bitmap, sizeof(header), &header) || header.bmWidth <= 0 || header.bmHeight <= 0)
        return false;
    width = header.bmWidth;
    height = header.bmHeight;
    pixels.assign(std::size_t(width) * height, 0);
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC dc = ::CreateCompatibleDC(nullptr);
    const int lines = ::GetDIBits(dc, bitmap, 0, UINT(height), pixels.data(), &info, DIB_RGB_COLORS);
    ::DeleteDC(dc);
    return lines == height;
}

// A new image of the editor's size holding `source` at an offset; without alpha, pixels of
// `from` become `to` when a pair is given.
std::unique_ptr<CAlphaBitmap> CopyToSize(HBITMAP source, BOOL alpha, int width, int height, int dx = 0, int dy = 0,
    const COLORREF* from = nullptr, COLORREF to = 0)
{
    auto image = NewImage(width, height);
    if (!image)
        return nullptr;
    image->m_bAlpha = alpha;
    std::vector<DWORD> pixels;
    int sw = 0, sh = 0;
    if (!ReadPixels(source, pixels, sw, sh))
        return image;
    DWORD* bits = Bits(*image);
    for (int y = 0; y < sh; ++y) {
        for (int x = 0; x < sw; ++x) {
            const int tx = x + dx, ty = y + dy;
            if (tx < 0 || ty < 0 || tx >= width || ty >= height)
                continue;
            DWORD p = pixels[std::size_t(y) * sw + x];
            if (from && !alpha && (p & 0xFFFFFF) == PixelOf(*from))
                p = PixelOf(to);
            At(bits, width, height, tx, ty) = alpha ? p : (p & 0xFFFFFF);
        }
    }
    return image;
}

std::unique_ptr<CAlphaBitmap> Duplicate(const CAlphaBitmap* source, int width, int height)
{
    if (!source)
        return NewImage(width, height);
    return CopyToSize(HBITMAP(source->m_hObject), source->m_bAlpha, width, height);
}

// Draws with the class library's DC on an image.
class CImageDC : public CDC {
public:
    explicit CImageDC(CBitmap& bitmap)
    {
        CreateCompatibleDC(nullptr);
        m_old = ::SelectObject(m_hDC, bitmap.m_hObject);
    }
    ~CImageDC() override { ::SelectObject(m_hDC, m_old); }

private:
    HGDIOBJ m_old = nullptr;
};

// The 4-pixel chequer under transparent pixels.
BYTE SquareValue(int i, int j) { return ((i + 3) / 4 + (j + 3) / 4) % 2 ? 235 : 255; }

COLORREF ToolkitColor(int index) { return GetColorManager()->GetColor(index); }

// A copy for showing: transparent pixels take `face`.
HBITMAP FacedCopy(const CAlphaBitmap& image, int width, int height, COLORREF face)
{
    const COLORREF transparent = kImageEditorTransparent;
    auto copy = CopyToSize(HBITMAP(image.m_hObject), FALSE, width, height, 0, 0, &transparent, face);
    return copy ? HBITMAP(copy->Detach()) : nullptr;
}

// Command update of a dialog toolbar's buttons.
class CDlgToolCmdUI : public CCmdUI {
public:
    HWND bar = nullptr;
    void Enable(BOOL on) override
    {
        m_bEnableChanged = TRUE;
        ::SendMessageW(bar, TB_ENABLEBUTTON, m_nID, on);
    }
    void SetCheck(int check) override { ::SendMessageW(bar, TB_CHECKBUTTON, m_nID, check != 0); }
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Picture

BEGIN_MESSAGE_MAP(CJQWImageEditorPicture, CStatic)
ON_WM_PAINT()
ON_WM_ERASEBKGND()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONDBLCLK()
ON_WM_MOUSEMOVE()
ON_WM_LBUTTONUP()
ON_WM_CAPTURECHANGED()
ON_WM_SETCURSOR()
END_MESSAGE_MAP()

CJQWImageEditorPicture::~CJQWImageEditorPicture() = default;

void CJQWImageEditorPicture::Init(CJQWImageEditorDlg* dialog, int imageWidth, int imageHeight)
{
    m_pDialog = dialog;
    m_imageWidth = std::max(1, imageWidth);
    m_imageHeight = std::max(1, imageHeight);
    CRect rc;
    GetClientRect(&rc);
    m_cellWidth = std::max(1, rc.Width() / m_imageWidth);
    m_cellHeight = std::max(1, rc.Height() / m_imageHeight);
    SetWindowPos(nullptr, 0, 0, m_imageWidth * m_cellWidth + 1, m_imageHeight * m_cellHeight + 1,
        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    static const UINT cursors[4] = { 9113, 9112, 9111, 9110 };
    for (int i = 0; i < 4; ++i)
        m_cursors[i] = GetResourceManager()->LoadCursor(cursors[i]);
}

CPoint CJQWImageEditorPicture::ToImage(CPoint point) const
{
    return { point.x / m_cellWidth, point.y / m_cellHeight };
}

COLORREF CJQWImageEditorPicture::GetPixelColor(int x, int y) const
{
    if (!m_current || x < 0 || y < 0 || x >= m_imageWidth || y >= m_imageHeight)
        return kImageEditorTransparent;
    DWORD* bits = Bits(*m_current);
    return bits ? ColorOf(At(bits, m_imageWidth, m_imageHeight, x, y)) : kImageEditorTransparent;
}

void CJQWImageEditorPicture::BeginOperation()
{
    m_previous = std::move(m_current);
    m_current = Duplicate(m_previous.get(), m_imageWidth, m_imageHeight);
}

void CJQWImageEditorPicture::Commit()
{
    m_redo.clear();
    if (m_undo.size() >= kMaxUndo)
        m_undo.erase(m_undo.begin());
    m_undo.push_back(std::move(m_previous));
    Repaint();
}

void CJQWImageEditorPicture::Repaint()
{
    if (m_hWnd)
        Invalidate(FALSE);
    if (m_pDialog && m_pDialog->m_wndPreview.m_hWnd)
        m_pDialog->m_wndPreview.Invalidate(FALSE);
}

void CJQWImageEditorPicture::Undo()
{
    if (m_undo.empty())
        return;
    m_redo.push_back(std::move(m_current));
    m_current = std::move(m_undo.back());
    m_undo.pop_back();
    Repaint();
}

void CJQWImageEditorPicture::Redo()
{
    if (m_redo.empty())
        return;
    m_undo.push_back(std::move(m_current));
    m_current = std::move(m_redo.back());
    m_redo.pop_back();
    Repaint();
}

void CJQWImageEditorPicture::Clear()
{
    m_previous = std::move(m_current);
    Commit();
}

void CJQWImageEditorPicture::MoveImage(int dx, int dy)
{
    BeginOperation();
    if (m_previous)
        m_current = CopyToSize(HBITMAP(m_previous->m_hObject), m_previous->m_bAlpha, m_imageWidth, m_imageHeight, dx, dy);
    Commit();
}

void CJQWImageEditorPicture::KeepAlpha(const CAlphaBitmap& before, CAlphaBitmap& after) const
{
    DWORD* a = Bits(before);
    DWORD* b = Bits(after);
    if (!a || !b)
        return;
    for (std::size_t i = 0, n = std::size_t(m_imageWidth) * m_imageHeight; i < n; ++i)
        if (b[i] != a[i] && (b[i] & 0xFFFFFF) != kTransparentPixel)
            b[i] |= 0xFF000000;
}

void CJQWImageEditorPicture::Copy()
{
    if (!::OpenClipboard(m_hWnd))
        return;
    ::EmptyClipboard();
    if (m_current) {
        if (HBITMAP copy = FacedCopy(*m_current, m_imageWidth, m_imageHeight, ToolkitColor(COLOR_BTNFACE)))
            ::SetClipboardData(CF_BITMAP, copy);
        if (m_current->m_bAlpha) {
            if (HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, 1))
                ::SetClipboardData(::RegisterClipboardFormatW(u"Alpha Bitmap Image"), block);
        }
    }
    ::CloseClipboard();
}

void CJQWImageEditorPicture::Paste()
{
    if (!::OpenClipboard(m_hWnd))
        return;
    HBITMAP bitmap = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP));
    if (!bitmap) {
        ::CloseClipboard();
        return;
    }
    BOOL alpha = FALSE;
    for (UINT format = ::EnumClipboardFormats(0); format && !alpha; format = ::EnumClipboardFormats(format)) {
        WCHAR name[255] = {};
        if (::GetClipboardFormatNameW(format, name, 254) > 1 && std::u16string_view(name + 1).find(u"DIB32") != std::u16string_view::npos)
            alpha = TRUE;
    }
    if (!alpha)
        alpha = ::IsClipboardFormatAvailable(::RegisterClipboardFormatW(u"Alpha Bitmap Image"));
    BeginOperation();
    const COLORREF face = ToolkitColor(COLORREF(COLOR_BTNFACE));
    m_current = alpha ? CopyToSize(bitmap, TRUE, m_imageWidth, m_imageHeight)
                      : CopyToSize(bitmap, FALSE, m_imageWidth, m_imageHeight, 0, 0, &face, kImageEditorTransparent);
    ::CloseClipboard();
    Commit();
}

CJQWImageEditorPicture::ImportResult CJQWImageEditorPicture::Import(const CString& path)
{
    std::u16string name(path.GetString());
    const std::size_t dot = name.rfind(u'.');
    std::u16string ext = dot == std::u16string::npos ? u"" : name.substr(dot + 1);
    for (char16_t& c : ext)
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c - u'A' + u'a');

    std::unique_ptr<CAlphaBitmap> image;
    if (ext == u"ico") {
        if (HBITMAP alpha = LoadAlphaBitmapFromIconFile(name, m_imageWidth)) {
            image = CopyToSize(alpha, TRUE, m_imageWidth, m_imageHeight);
            ::DeleteObject(alpha);
        } else if (HICON icon = static_cast<HICON>(::LoadImageW(nullptr, name.c_str(), IMAGE_ICON, m_imageWidth,
                       m_imageHeight, LR_LOADFROMFILE | LR_CREATEDIBSECTION))) {
            image = NewImage(m_imageWidth, m_imageHeight);
            if (image) {
                CImageDC dc(*image);
                ::DrawStateW(dc.m_hDC, nullptr, nullptr, LPARAM(icon), 0, 0, 0, 0, 0, DST_ICON | DSS_NORMAL);
            }
            ::DestroyIcon(icon);
        }
    } else if (ext == u"bmp" || ext == u"png") {
        HBITMAP bitmap = nullptr;
        BOOL alpha = FALSE;
        if (ext == u"png") {
            CJQWGraphicBitmapPng png;
            if (png.LoadFromFile(name.c_str())) {
                alpha = png.IsAlpha();
                bitmap = png.Detach();
            }
        } else {
            bitmap = static_cast<HBITMAP>(::LoadImageW(nullptr, name.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
            if (!bitmap)
                bitmap = LoadPictureFile(name.c_str());
        }
        if (bitmap) {
            image = CopyToSize(bitmap, alpha, m_imageWidth, m_imageHeight);
            ::DeleteObject(bitmap);
        }
    } else if (ext == u"gif" || ext == u"jpg" || ext == u"jpeg" || ext == u"dib") {
        if (HBITMAP picture = LoadPictureFile(name.c_str())) {
            image = NewImage(m_imageWidth, m_imageHeight);
            if (image) {
                CImageDC target(*image);
                CDC source;
                source.CreateCompatibleDC(nullptr);
                HGDIOBJ old = ::SelectObject(source.m_hDC, picture);
                BITMAP header {};
                ::GetObjectW(picture, sizeof(header), &header);
                target.SetStretchBltMode(HALFTONE);
                target.StretchBlt(0, 0, m_imageWidth, m_imageHeight, &source, 0, 0, header.bmWidth, header.bmHeight, SRCCOPY);
                ::SelectObject(source.m_hDC, old);
                // Stretched pixels carry the file's opacity; this image has no alpha channel.
                DWORD* bits = Bits(*image);
                for (std::size_t i = 0, n = std::size_t(m_imageWidth) * m_imageHeight; i < n; ++i)
                    bits[i] &= 0xFFFFFF;
            }
            ::DeleteObject(picture);
        }
    } else {
        return importUnsupported;
    }
    if (!image)
        return importFailed;
    BeginOperation();
    m_current = std::move(image);
    Commit();
    return importDone;
}

void CJQWImageEditorPicture::OnPaint()
{
    CPaintDC paint(this);
    CRect rc;
    GetClientRect(&rc);
    CJQWBufferDC dc(paint);
    dc.FillSolidRect(rc, RGB(255, 255, 255));
    if (m_current && rc.Width() > 0 && rc.Height() > 0) {
        DWORD* bits = Bits(*m_current);
        const int w = rc.Width(), h = rc.Height();
        for (int j = 0; j < h && bits; ++j) {
            for (int i = 0; i < w; ++i) {
                // j counts from the bottom edge; the image is stored bottom-up, so it shows upright.
                const int x = i * m_imageWidth / w;
                const int y = j * m_imageHeight / h;
                const DWORD p = bits[std::size_t(y) * m_imageWidth + x];
                const BYTE f = SquareValue(i, j);
                COLORREF c;
                if (!m_current->m_bAlpha) {
                    c = (p & 0xFFFFFF) == kTransparentPixel ? RGB(f, f, f) : ColorOf(p);
                } else {
                    const int a = int(p >> 24);
                    auto mix = [&](int channel) { return BYTE(f - a * (f - channel) / 255); };
                    c = RGB(mix(BYTE(p >> 16)), mix(BYTE(p >> 8)), mix(BYTE(p)));
                }
                dc.SetPixel(i, h - 1 - j, c);
            }
        }
    } else {
        for (int j = 0; j < rc.Height(); ++j)
            for (int i = 0; i < rc.Width(); ++i) {
                const BYTE f = SquareValue(i, j);
                dc.SetPixel(i, rc.Height() - 1 - j, RGB(f, f, f));
            }
    }
    dc.Draw3dRect(rc, RGB(0, 0, 0), RGB(0, 0, 0));
}

void CJQWImageEditorPicture::OnLButtonDown(UINT, CPoint point)
{
    if (!m_pDialog)
        return;
    const CPoint pixel = ToImage(point);
    const COLORREF under = GetPixelColor(pixel.x, pixel.y);
    switch (m_pDialog->m_nCurrentTool) {
    case 1: { // fill
        BeginOperation();
        if (m_current) {
            auto before = Duplicate(m_current.get(), m_imageWidth, m_imageHeight);
            {
                CImageDC dc(*m_current);
                CBrush brush(m_pDialog->GetSelectedColor());
                CBrush* old = dc.SelectObject(&brush);
                ::ExtFloodFill(dc.m_hDC, pixel.x, pixel.y, under, FLOODFILLSURFACE);
                dc.SelectObject(old);
            }
            KeepAlpha(*before, *m_current);
        }
        Commit();
        return;
    }
    case 2: // pick
        m_pDialog->OnPickColor(under);
        return;
    default:
        BeginOperation();
        m_strokeColor = under == m_pDialog->GetSelectedColor() ? kImageEditorTransparent : m_pDialog->GetSelectedColor();
        m_dragStart = pixel;
        m_bDragging = TRUE;
        SetCapture();
        DrawStroke(pixel);
    }
}

void CJQWImageEditorPicture::DrawStroke(CPoint pixel)
{
    const int tool = m_pDialog->m_nCurrentTool;
    const CAlphaBitmap* base = tool == 0 ? m_current.get() : m_previous.get();
    auto image = Duplicate(base, m_imageWidth, m_imageHeight);
    if (!image)
        return;
    if (tool == 0) {
        if (pixel.x >= 0 && pixel.y >= 0 && pixel.x < m_imageWidth && pixel.y < m_imageHeight)
            At(Bits(*image), m_imageWidth, m_imageHeight, pixel.x, pixel.y) = PixelOf(m_strokeColor);
    } else {
        const COLORREF color = m_pDialog->GetSelectedColor();
        CImageDC dc(*image);
        CPen pen(PS_SOLID, 1, color);
        CPen* oldPen = dc.SelectObject(&pen);
        const CRect shape(std::min(m_dragStart.x, pixel.x), std::min(m_dragStart.y, pixel.y),
            std::max(m_dragStart.x, pixel.x), std::max(m_dragStart.y, pixel.y));
        if (tool == 3) {
            dc.MoveTo(m_dragStart);
            dc.LineTo(pixel);
        } else if (tool == 4) {
            dc.Draw3dRect(shape, color, color);
        } else {
            CBrush brush(kImageEditorTransparent);
            CBrush* oldBrush = dc.SelectObject(&brush);
            dc.Ellipse(shape);
            dc.SelectObject(oldBrush);
        }
        dc.SelectObject(oldPen);
    }
    if (image->m_bAlpha) {
        if (tool == 0)
            At(Bits(*image), m_imageWidth, m_imageHeight, std::clamp<int>(pixel.x, 0, m_imageWidth - 1),
                std::clamp<int>(pixel.y, 0, m_imageHeight - 1)) |= m_strokeColor == kImageEditorTransparent ? 0 : 0xFF000000;
        else
            KeepAlpha(*base, *image);
    }
    m_current = std::move(image);
    Repaint();
}

void CJQWImageEditorPicture::OnMouseMove(UINT, CPoint point)
{
    if (m_bDragging)
        DrawStroke(ToImage(point));
}

void CJQWImageEditorPicture::OnLButtonUp(UINT, CPoint)
{
    if (m_bDragging)
        ::ReleaseCapture();
}

void CJQWImageEditorPicture::OnCaptureChanged(CWnd*)
{
    if (!m_bDragging)
        return;
    m_bDragging = FALSE;
    Commit();
}

BOOL CJQWImageEditorPicture::OnSetCursor(CWnd*, UINT hitTest, UINT)
{
    if (hitTest != HTCLIENT || !m_pDialog)
        return FALSE;
    static const int cursorOfTool[6] = { 0, 1, 2, 3, 3, 3 };
    HCURSOR cursor = m_cursors[cursorOfTool[std::clamp(m_pDialog->m_nCurrentTool, 0, 5)]];
    if (!cursor)
        return FALSE;
    ::SetCursor(cursor);
    return TRUE;
}

// ---------------------------------------------------------------------------------------------
// Pickers and preview

BEGIN_MESSAGE_MAP(CJQWImageEditorPicker, CStatic)
ON_WM_PAINT()
ON_WM_ERASEBKGND()
ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

void CJQWImageEditorPicker::OnPaint()
{
    CPaintDC paint(this);
    CRect rc;
    GetClientRect(&rc);
    CJQWBufferDC dc(paint);
    if (m_color == kImageEditorTransparent) {
        dc.FillSolidRect(rc, RGB(255, 255, 255));
        const int hw = rc.Width() / 2, hh = rc.Height() / 2;
        dc.FillSolidRect(rc.left, rc.top, hw, hh, RGB(235, 235, 235));
        dc.FillSolidRect(rc.left + hw, rc.top + hh, rc.Width() - hw, rc.Height() - hh, RGB(235, 235, 235));
    } else {
        dc.FillSolidRect(rc, m_color);
    }
    if (m_bSelected) {
        dc.Draw3dRect(rc, RGB(0, 0, 0), RGB(0, 0, 0));
        rc.DeflateRect(1, 1);
        dc.Draw3dRect(rc, RGB(255, 255, 255), RGB(255, 255, 255));
        rc.DeflateRect(1, 1);
        dc.Draw3dRect(rc, RGB(0, 0, 0), RGB(0, 0, 0));
    } else {
        dc.Draw3dRect(rc, ToolkitColor(COLOR_3DDKSHADOW), ToolkitColor(COLOR_3DDKSHADOW));
    }
}

void CJQWImageEditorPicker::OnLButtonDown(UINT, CPoint)
{
    NMHDR header {};
    header.hwndFrom = m_hWnd;
    header.idFrom = UINT_PTR(GetDlgCtrlID());
    header.code = UINT(NM_CLICK);
    ::SendMessageW(::GetParent(m_hWnd), WM_NOTIFY, header.idFrom, LPARAM(&header));
}

BEGIN_MESSAGE_MAP(CJQWImageEditorPreview, CStatic)
ON_WM_PAINT()
ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

void CJQWImageEditorPreview::OnPaint()
{
    CPaintDC paint(this);
    CRect rc;
    GetClientRect(&rc);
    CJQWBufferDC dc(paint);
    dc.FillSolidRect(rc, ToolkitColor(COLOR_BTNFACE));
    const CRect image(CPoint(10, (rc.Height() - m_imageSize.cy) / 2), m_imageSize);
    CRect frame = image;
    frame.InflateRect(3, 3);
    dc.Draw3dRect(frame, RGB(255, 255, 255), ToolkitColor(COLOR_BTNSHADOW));
    frame.InflateRect(1, 1);
    dc.Draw3dRect(frame, ToolkitColor(COLOR_BTNFACE), ToolkitColor(COLOR_3DDKSHADOW));
    const CAlphaBitmap* current = m_pDialog ? m_pDialog->GetPicture().GetImage() : nullptr;
    if (!current)
        return;
    if (current->m_bAlpha) {
        HBITMAP premultiplied = CreatePremultipliedBitmap(HBITMAP(current->m_hObject));
        CDC source;
        source.CreateCompatibleDC(nullptr);
        HGDIOBJ old = ::SelectObject(source.m_hDC, premultiplied);
        BLENDFUNCTION blend { AC_SRC_OVER, 0, 255, AC_SRC_ALPHA };
        dc.AlphaBlend(image.left, image.top, image.Width(), image.Height(), &source, 0, 0, image.Width(), image.Height(), blend);
        ::SelectObject(source.m_hDC, old);
        ::DeleteObject(premultiplied);
    } else if (HBITMAP copy = FacedCopy(*current, m_imageSize.cx, m_imageSize.cy, ToolkitColor(COLOR_BTNFACE))) {
        ::DrawStateW(dc.m_hDC, nullptr, nullptr, LPARAM(copy), 0, image.left, image.top, image.Width(), image.Height(),
            DST_BITMAP | DSS_NORMAL);
        ::DeleteObject(copy);
    }
}

// ---------------------------------------------------------------------------------------------
// Dialog

BEGIN_MESSAGE_MAP(CJQWImageEditorDlg::CDlgToolBar, CToolBar)
ON_MESSAGE(WM_IDLEUPDATECMDUI, &ThisClass::OnDialogIdleUpdate)
END_MESSAGE_MAP()

LRESULT CJQWImageEditorDlg::CDlgToolBar::OnDialogIdleUpdate(WPARAM, LPARAM)
{
    if (!IsWindowVisible())
        return 0;
    CWnd* target = GetParent();
    CDlgToolCmdUI state;
    state.bar = m_hWnd;
    const int count = GetCount();
    state.m_nIndexMax = UINT(count);
    for (int i = 0; i < count; ++i) {
        TBBUTTON b {};
        if (!SendMessage(TB_GETBUTTON, WPARAM(i), LPARAM(&b)) || (b.fsStyle & BTNS_SEP))
            continue;
        state.m_nID = UINT(b.idCommand);
        state.m_nIndex = UINT(i);
        state.DoUpdate(target, FALSE);
    }
    return 0;
}

BEGIN_MESSAGE_MAP(CJQWImageEditorDlg, CDialog)
ON_WM_DESTROY()
ON_MESSAGE(WM_KICKIDLE, &ThisClass::OnKickIdle)
ON_NOTIFY_EX_RANGE(TTN_NEEDTEXTW, 0, 0xFFFF, &ThisClass::OnToolTipText)
ON_NOTIFY_EX_RANGE(NM_CLICK, 0, 0xFFFF, &ThisClass::OnPickerClick)
ON_COMMAND_RANGE(ID_IMAGEEDITOR_PENCIL, ID_IMAGEEDITOR_ELLIPSE, &ThisClass::OnTool)
ON_UPDATE_COMMAND_UI_RANGE(ID_IMAGEEDITOR_PENCIL, ID_IMAGEEDITOR_ELLIPSE, &ThisClass::OnUpdateTool)
ON_COMMAND(ID_IMAGEEDITOR_UNDO, &ThisClass::OnUndo)
ON_COMMAND(ID_IMAGEEDITOR_REDO, &ThisClass::OnRedo)
ON_UPDATE_COMMAND_UI(ID_IMAGEEDITOR_UNDO, &ThisClass::OnUpdateUndo)
ON_UPDATE_COMMAND_UI(ID_IMAGEEDITOR_REDO, &ThisClass::OnUpdateRedo)
ON_COMMAND(ID_IMAGEEDITOR_CLEAR, &ThisClass::OnClear)
ON_COMMAND(ID_IMAGEEDITOR_COPY, &ThisClass::OnCopy)
ON_COMMAND(ID_IMAGEEDITOR_PASTE, &ThisClass::OnPaste)
ON_COMMAND(ID_IMAGEEDITOR_IMPORT, &ThisClass::OnImport)
ON_COMMAND_RANGE(ID_IMAGEEDITOR_MOVE_LEFT, ID_IMAGEEDITOR_MOVE_RIGHT, &ThisClass::OnMove)
END_MESSAGE_MAP()

CJQWImageEditorDlg::CJQWImageEditorDlg(CWnd* parent, BOOL registerTrusted)
    : m_bRegisterTrusted(registerTrusted)
{
    // Names the editor's table, so that every program using the editor links it.
    static const void* volatile table = &ToolkitImageEditorResources;
    (void)table;
    m_pParentWnd = parent;
    m_lpDialogTemplate = GetResourceManager()->LoadDialogTemplate(IDD_IMAGEEDITOR);
}

CJQWImageEditorDlg::~CJQWImageEditorDlg() = default;

void CJQWImageEditorDlg::SetSize(int width, int height)
{
    m_nWidth = std::max(1, width);
    m_nHeight = std::max(1, height);
}

void CJQWImageEditorDlg::SetImage(const CJQWIconImageHandle& image)
{
    if (image.IsEmpty())
        return;
    const CSize size = image.GetExtent();
    if (size.cx <= 0 || size.cy <= 0)
        return;
    SetSize(size.cx, size.cy);
    if (image.IsAlpha()) {
        m_pInitial = CopyToSize(image.GetBitmap(), TRUE, m_nWidth, m_nHeight);
        if (DWORD* bits = m_pInitial ? Bits(*m_pInitial) : nullptr)
            for (std::size_t i = 0, n = std::size_t(m_nWidth) * m_nHeight; i < n; ++i)
                if (bits[i] == 0)
                    bits[i] = kTransparentPixel;
    } else {
        m_pInitial = NewImage(m_nWidth, m_nHeight);
        if (m_pInitial) {
            CImageDC dc(*m_pInitial);
            ::DrawStateW(dc.m_hDC, nullptr, nullptr, LPARAM(image.GetIcon()), 0, 0, 0, 0, 0, DST_ICON | DSS_NORMAL);
        }
    }
}

void CJQWImageEditorDlg::GetImage(CJQWIconImageHandle& image)
{
    // Before the dialog ran, the image handed in is still the image.
    CAlphaBitmap* current = m_wndPicture.m_hWnd || m_wndPicture.GetImage() ? m_wndPicture.GetImage() : m_pInitial.get();
    if (!current)
        return;
    if (current->m_bAlpha) {
        if (auto copy = CopyToSize(HBITMAP(current->m_hObject), TRUE, m_nWidth, m_nHeight))
            image.SetBitmap(HBITMAP(copy->Detach()));
        return;
    }
    CImageList list;
    if (!list.Create(m_nWidth, m_nHeight, ILC_COLOR24 | ILC_MASK, 0, 1))
        return;
    auto copy = CopyToSize(HBITMAP(current->m_hObject), FALSE, m_nWidth, m_nHeight);
    if (!copy)
        return;
    list.Add(copy.get(), kImageEditorTransparent);
    if (list.GetImageCount() == 1)
        image.SetIcon(list.ExtractIcon(0));
}

BOOL CJQWImageEditorDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    auto placeBar = [&](CDlgToolBar& bar, UINT placeholder, const UINT* ids, int count, UINT barId) {
        bar.CreateEx(this, TBSTYLE_FLAT | TBSTYLE_TOOLTIPS, WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP | CBRS_TOOLTIPS | CBRS_SIZE_FIXED,
            CRect(0, 0, 0, 0), barId);
        bar.SetButtons(ids, count);
        for (int i = 3; i < count - 1; i += 4)
            bar.SetButtonStyle(i, bar.GetButtonStyle(i) | TBBS_WRAPPED);
        CRect rc;
        GetDlgItem(int(placeholder))->GetWindowRect(&rc);
        ScreenToClient(&rc);
        const CSize size = bar.CalcFixedLayout(FALSE, TRUE);
        bar.SetWindowPos(nullptr, rc.left - 7, rc.top - 4, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    static const UINT tools[12] = { 9135, 9136, 9144, 9145, 9137, 9138, 9141, 9142, 9139, 9140, 9143, 9146 };
    static const UINT moves[4] = { ID_IMAGEEDITOR_MOVE_LEFT, ID_IMAGEEDITOR_MOVE_DOWN, ID_IMAGEEDITOR_MOVE_UP, ID_IMAGEEDITOR_MOVE_RIGHT };
    placeBar(m_wndToolBar, IDC_IMAGEEDITOR_TOOLS, tools, 12, 0xE800);
    placeBar(m_wndMoveBar, IDC_IMAGEEDITOR_MOVE, moves, 4, 0xE801);

    // Two lists from one strip: the first twelve images for the tools, the last four for moving.
    CBitmap strip;
    const BOOL alpha = strip.Attach(LoadAlphaBitmapResourceById(9101));
    if (!alpha)
        GetResourceManager()->LoadBitmap(&strip, 9100);
    for (CImageList* list : { &m_ilTools, &m_ilMove }) {
        list->Create(16, 16, (alpha ? ILC_COLOR32 : ILC_COLOR24) | ILC_MASK, 0, 16);
        if (alpha)
            list->Add(&strip, static_cast<CBitmap*>(nullptr));
        else
            list->Add(&strip, RGB(192, 192, 192));
    }
    for (int i = 0; i < 12; ++i)
        m_ilMove.Remove(0);
    m_wndToolBar.GetToolBarCtrl().SetImageList(m_ilTools.m_hImageList);
    m_wndMoveBar.GetToolBarCtrl().SetImageList(m_ilMove.m_hImageList);
    m_wndToolBar.Invalidate();
    m_wndMoveBar.Invalidate();

    CRect colors;
    GetDlgItem(IDC_IMAGEEDITOR_COLORS)->GetWindowRect(&colors);
    ScreenToClient(&colors);
    const CPoint origin(colors.left, colors.top - 4);
    for (int i = 0; i < 16; ++i) {
        const int column = i % 8, row = i / 8;
        CJQWImageEditorPicker& picker = m_wndPicker[i];
        picker.m_color = kPalette[i].color;
        picker.Create(u"", WS_CHILD | WS_VISIBLE | SS_NOTIFY,
            CRect(CPoint(origin.x + 13 * column, origin.y + 13 * row), CSize(11, 11)), this, kPalette[i].id);
    }
    SelectPicker(&m_wndPicker[0]);

    m_wndPickerTransparent.m_color = kImageEditorTransparent;
    m_wndPickerTransparent.SubclassDlgItem(IDC_IMAGEEDITOR_TRANSPARENT, this);
    m_wndPickerCustom.m_color = RGB(0, 0, 0);
    m_wndPickerCustom.SubclassDlgItem(IDC_IMAGEEDITOR_CUSTOM, this);
    m_wndPicture.SubclassDlgItem(IDC_IMAGEEDITOR_PICTURE, this);
    m_wndPicture.Init(this, m_nWidth, m_nHeight);
    if (m_pInitial)
        m_wndPicture.SetImage(std::move(m_pInitial));
    m_wndPreview.m_pDialog = this;
    m_wndPreview.m_imageSize = CSize(m_nWidth, m_nHeight);
    m_wndPreview.SubclassDlgItem(IDC_IMAGEEDITOR_PREVIEW, this);

    if (m_bRegisterTrusted)
        GetMouseManager()->AddTrustedWindow(m_hWnd);
    return TRUE;
}

void CJQWImageEditorDlg::OnDestroy()
{
    if (m_bRegisterTrusted)
        GetMouseManager()->RemoveTrustedWindow(m_hWnd);
    CDialog::OnDestroy();
}

LRESULT CJQWImageEditorDlg::OnKickIdle(WPARAM, LPARAM)
{
    SendMessageToDescendants(WM_IDLEUPDATECMDUI, 0, 0, TRUE, TRUE);
    return 0;
}

BOOL CJQWImageEditorDlg::OnToolTipText(UINT, NMHDR* header, LRESULT* result)
{
    auto* tip = reinterpret_cast<NMTTDISPINFOW*>(header);
    UINT id = UINT(header->idFrom);
    if (tip->uFlags & TTF_IDISHWND)
        id = UINT(::GetDlgCtrlID(reinterpret_cast<HWND>(header->idFrom)));
    CString text;
    if (id == 0 || !GetResourceManager()->LoadString(text, id))
        return FALSE;
    std::u16string full(text.GetString());
    const std::size_t newline = full.find(u'\n');
    std::u16string shown = newline == std::u16string::npos ? u"" : full.substr(newline + 1, 79);
    std::char_traits<char16_t>::copy(tip->szText, shown.c_str(), shown.size() + 1);
    tip->lpszText = tip->szText;
    *result = 0;
    ::SetWindowPos(header->hwndFrom, HWND_TOP, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOSIZE | SWP_NOMOVE | SWP_NOOWNERZORDER);
    return TRUE;
}

void CJQWImageEditorDlg::SelectPicker(CJQWImageEditorPicker* picker)
{
    if (m_pSelected) {
        m_pSelected->m_bSelected = FALSE;
        if (m_pSelected->m_hWnd)
            m_pSelected->Invalidate(FALSE);
    }
    m_pSelected = picker;
    if (picker) {
        picker->m_bSelected = TRUE;
        if (picker->m_hWnd)
            picker->Invalidate(FALSE);
    }
}

BOOL CJQWImageEditorDlg::OnPickerClick(UINT id, NMHDR*, LRESULT*)
{
    if ((id >= 9900 && id <= 9946) || id == IDC_IMAGEEDITOR_TRANSPARENT) {
        CWnd* window = GetDlgItem(int(id));
        auto* picker = id == IDC_IMAGEEDITOR_TRANSPARENT ? &m_wndPickerTransparent : nullptr;
        for (int i = 0; i < 16 && !picker; ++i)
            if (window && m_wndPicker[i].m_hWnd == window->m_hWnd)
                picker = &m_wndPicker[i];
        SelectPicker(picker);
        return TRUE;
    }
    if (id == IDC_IMAGEEDITOR_CUSTOM) {
        CColorDialog dialog(m_wndPickerCustom.m_color, 0, this);
        dialog.DoModal();
        // After Cancel the dialog still holds the colour it started with.
        m_wndPickerCustom.m_color = dialog.GetColor();
        SelectPicker(&m_wndPickerCustom);
        return TRUE;
    }
    return FALSE;
}

void CJQWImageEditorDlg::OnTool(UINT id)
{
    if (m_nCurrentTool != 2)
        m_nPreviousTool = m_nCurrentTool;
    m_nCurrentTool = int(id - ID_IMAGEEDITOR_PENCIL);
}

void CJQWImageEditorDlg::OnUpdateTool(CCmdUI* cmdUI)
{
    cmdUI->SetCheck(int(cmdUI->m_nID - ID_IMAGEEDITOR_PENCIL) == m_nCurrentTool);
}

void CJQWImageEditorDlg::OnPickColor(COLORREF color)
{
    m_wndPickerCustom.m_color = color;
    SelectPicker(&m_wndPickerCustom);
    if (m_nPreviousTool >= 0)
        m_nCurrentTool = m_nPreviousTool;
}

void CJQWImageEditorDlg::OnImport()
{
    CString filter;
    GetResourceManager()->LoadString(filter, 9178);
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY, filter, this);
    if (dialog.DoModal() == IDOK)
        m_wndPicture.Import(dialog.GetPathName());
}

void CJQWImageEditorDlg::OnMove(UINT id)
{
    static const CPoint offsets[4] = { { -1, 0 }, { 0, 1 }, { 0, -1 }, { 1, 0 } };
    const CPoint offset = offsets[id - ID_IMAGEEDITOR_MOVE_LEFT];
    m_wndPicture.MoveImage(offset.x, offset.y);
}

BOOL JQWEditButtonImage(CWnd* parent, CJQWIconImageHandle& image, CSize size)
{
    CJQWImageEditorDlg dialog(parent, TRUE);
    dialog.SetSize(size.cx, size.cy);
    dialog.SetImage(image);
    if (dialog.DoModal() != IDOK)
        return FALSE;
    CJQWIconImageHandle edited;
    dialog.GetImage(edited);
    if (edited.IsEmpty())
        return FALSE;
    image.CopyFrom(edited);
    return TRUE;
}
