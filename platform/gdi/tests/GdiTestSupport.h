#pragma once
// Shared fixtures of the drawing-layer tests: owned pixel buffers and font helpers.

#include "platform/gdi/Gdi.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace gdi_test {

// A BGRA or grey buffer with a device context over it, filled with one colour.
class Canvas {
public:
    Canvas(int width, int height, GdiPixelFormat format = GdiPixelFormat::Bgra32,
        COLORREF fill = RGB(0, 0, 0), int extraPitch = 0)
        : m_bytesPerPixel(format == GdiPixelFormat::Gray8 ? 1 : 4)
    {
        m_view.width = width;
        m_view.height = height;
        m_view.pitch = width * m_bytesPerPixel + extraPitch;
        m_view.format = format;
        m_pixels.assign(size_t(m_view.pitch) * size_t(height), 0);
        m_view.bits = m_pixels.data();
        Fill(fill);
        m_dc = CreatePixelBufferDC(m_view);
    }
    ~Canvas()
    {
        if (m_dc)
            DeleteDC(m_dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return m_dc; }
    const GdiPixelBuffer& view() const { return m_view; }
    int width() const { return m_view.width; }
    int height() const { return m_view.height; }

    void Fill(COLORREF color)
    {
        for (int y = 0; y < m_view.height; ++y)
            for (int x = 0; x < m_view.width; ++x)
                Set(x, y, color, 255);
    }

    void Set(int x, int y, COLORREF color, BYTE alpha)
    {
        BYTE* p = m_view.bits + y * m_view.pitch + x * m_bytesPerPixel;
        if (m_bytesPerPixel == 1) {
            p[0] = GetRValue(color);
        } else {
            p[0] = GetBValue(color);
            p[1] = GetGValue(color);
            p[2] = GetRValue(color);
            p[3] = alpha;
        }
    }

    // The pixel as 0x00BBGGRR (grey buffers: the level in all three).
    COLORREF At(int x, int y) const
    {
        const BYTE* p = m_view.bits + y * m_view.pitch + x * m_bytesPerPixel;
        return m_bytesPerPixel == 1 ? RGB(p[0], p[0], p[0]) : RGB(p[2], p[1], p[0]);
    }
    BYTE AlphaAt(int x, int y) const { return m_view.bits[y * m_view.pitch + x * 4 + 3]; }
    BYTE GreyAt(int x, int y) const { return m_view.bits[y * m_view.pitch + x]; }

    // Bounding box of the pixels that differ from `other` (empty when none).
    RECT DiffBox(const Canvas& other) const
    {
        RECT box { m_view.width, m_view.height, 0, 0 };
        for (int y = 0; y < m_view.height; ++y)
            for (int x = 0; x < m_view.width; ++x)
                if (At(x, y) != other.At(x, y) || (m_bytesPerPixel == 4 && AlphaAt(x, y) != other.AlphaAt(x, y))) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        if (box.right <= box.left)
            box = { 0, 0, 0, 0 };
        return box;
    }

    // Bounding box of the pixels whose colour is not `background`.
    RECT InkBox(COLORREF background) const
    {
        RECT box { m_view.width, m_view.height, 0, 0 };
        for (int y = 0; y < m_view.height; ++y)
            for (int x = 0; x < m_view.width; ++x)
                if (At(x, y) != background) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        if (box.right <= box.left)
            box = { 0, 0, 0, 0 };
        return box;
    }

    bool SamePixels(const Canvas& other) const
    {
        return m_pixels == other.m_pixels;
    }

private:
    int m_bytesPerPixel;
    std::vector<BYTE> m_pixels;
    GdiPixelBuffer m_view;
    HDC m_dc = nullptr;
};

struct FontSpec {
    const char16_t* face;
    LONG height;
    LONG weight = FW_NORMAL;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    BYTE quality = DEFAULT_QUALITY;
};

inline LOGFONTW MakeLogFont(const FontSpec& spec)
{
    LOGFONTW lf {};
    lf.lfHeight = spec.height;
    lf.lfWeight = spec.weight;
    lf.lfItalic = spec.italic;
    lf.lfUnderline = spec.underline;
    lf.lfStrikeOut = spec.strikeOut;
    lf.lfQuality = spec.quality;
    lf.lfCharSet = DEFAULT_CHARSET;
    std::u16string face(spec.face);
    std::memcpy(lf.lfFaceName, face.data(), std::min<size_t>(face.size(), 31) * sizeof(WCHAR));
    return lf;
}

// Owns a font handle.
class Font {
public:
    explicit Font(const FontSpec& spec)
    {
        LOGFONTW lf = MakeLogFont(spec);
        m_font = CreateFontIndirectW(&lf);
    }
    ~Font()
    {
        if (m_font)
            DeleteObject(m_font);
    }
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    HFONT get() const { return m_font; }

private:
    HFONT m_font = nullptr;
};

inline SIZE Extent(HDC dc, const std::u16string& text)
{
    SIZE size { -1, -1 };
    GetTextExtentPoint32W(dc, text.data(), int(text.size()), &size);
    return size;
}

inline BOOL Draw(HDC dc, int x, int y, const std::u16string& text)
{
    return TextOutW(dc, x, y, text.data(), int(text.size()));
}

inline std::u16string FaceOf(HDC dc)
{
    WCHAR name[LF_FACESIZE] {};
    GetTextFaceW(dc, LF_FACESIZE, name);
    return name;
}

} // namespace gdi_test
