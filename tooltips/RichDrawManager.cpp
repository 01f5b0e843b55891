#include "tooltips/RichDrawManager.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kMaxDibSide = 16384;

DWORD Channels(int a, int r, int g, int b)
{
    return (DWORD(a & 0xFF) << 24) | (DWORD(r & 0xFF) << 16) | (DWORD(g & 0xFF) << 8) | DWORD(b & 0xFF);
}
int R(DWORD p) { return int((p >> 16) & 0xFF); }
int G(DWORD p) { return int((p >> 8) & 0xFF); }
int B(DWORD p) { return int(p & 0xFF); }
int A(DWORD p) { return int(p >> 24); }

// A 32-bit top-down copy of an area of a DC.
struct AreaCopy {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    DWORD* bits = nullptr;

    AreaCopy(HDC from, int x, int y, int width, int height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* raw = nullptr;
        bitmap = CreateDIBSection(from, &info, DIB_RGB_COLORS, &raw, nullptr, 0);
        bits = static_cast<DWORD*>(raw);
        dc = CreateCompatibleDC(from);
        if (bitmap && dc) {
            old = SelectObject(dc, bitmap);
            BitBlt(dc, 0, 0, width, height, from, x, y, SRCCOPY);
        }
    }
    ~AreaCopy()
    {
        if (dc) {
            if (old)
                SelectObject(dc, old);
            DeleteDC(dc);
        }
        if (bitmap)
            DeleteObject(bitmap);
    }
    bool ok() const { return bits && dc; }
};

} // namespace

CRichDib::~CRichDib() { Clear(); }

BYTE* CRichDib::Create(int width, int height)
{
    Clear();
    if (width <= 0 || height <= 0 || width > kMaxDibSide || height > kMaxDibSide)
        return nullptr;
    m_stride = (width * 8 + 31) / 32 * 4;
    m_header.biSize = 40;
    m_header.biWidth = width;
    m_header.biHeight = height;
    m_header.biPlanes = 1;
    m_header.biBitCount = 8;
    m_header.biCompression = BI_RGB;
    m_header.biSizeImage = DWORD(m_stride) * DWORD(height);
    m_pixels.assign(m_header.biSizeImage, 0);
    return m_pixels.data();
}

void CRichDib::BlendPalette(int percent, COLORREF colour)
{
    percent = std::clamp(percent, 0, 100);
    const int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    for (RGBQUAD& e : m_palette) {
        e.rgbRed = BYTE((r * percent + e.rgbRed * (100 - percent)) / 100);
        e.rgbGreen = BYTE((g * percent + e.rgbGreen * (100 - percent)) / 100);
        e.rgbBlue = BYTE((b * percent + e.rgbBlue * (100 - percent)) / 100);
        e.rgbReserved = 0;
    }
}

void CRichDib::Draw(HDC hdc, int x, int y)
{
    if (m_pixels.empty())
        return;
    if (!m_section) {
        std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + sizeof(m_palette));
        std::memcpy(info.data(), &m_header, sizeof(m_header));
        std::memcpy(info.data() + sizeof(m_header), m_palette, sizeof(m_palette));
        m_section = CreateDIBSection(hdc, reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS,
            &m_sectionBits, nullptr, 0);
        if (!m_section || !m_sectionBits)
            return;
    }
    std::memcpy(m_sectionBits, m_pixels.data(), m_pixels.size());
    if (!m_dc) {
        m_dc = CreateCompatibleDC(hdc);
        if (!m_dc)
            return;
        m_oldBitmap = SelectObject(m_dc, m_section);
    }
    BitBlt(hdc, x, y, m_header.biWidth, m_header.biHeight, m_dc, 0, 0, SRCCOPY);
}

void CRichDib::Clear()
{
    if (m_dc) {
        if (m_oldBitmap)
            SelectObject(m_dc, m_oldBitmap);
        DeleteDC(m_dc);
    }
    if (m_section)
        DeleteObject(m_section);
    m_dc = nullptr;
    m_oldBitmap = nullptr;
    m_section = nullptr;
    m_sectionBits = nullptr;
    m_pixels.clear();
    m_pixels.shrink_to_fit();
    m_header = BITMAPINFOHEADER{};
    m_stride = 0;
}

DWORD CRichDrawManager::GrayColor(DWORD p)
{
    const int l = int(R(p) * 0.299 + G(p) * 0.587 + B(p) * 0.114);
    return Channels(A(p), l, l, l);
}

DWORD CRichDrawManager::InvertColor(DWORD p) { return Channels(A(p), 255 - R(p), 255 - G(p), 255 - B(p)); }

DWORD CRichDrawManager::DarkenColor(DWORD p, double f)
{
    if (!(f < 1.0))
        return p;
    return Channels(A(p), int(R(p) * f), int(G(p) * f), int(B(p) * f));
}

DWORD CRichDrawManager::LightenColor(DWORD p, double f)
{
    if (!(f <= 1.0))
        return p;
    auto up = [f](int c) { return std::min(255, int(c * (1.0 + f))); };
    return Channels(A(p), up(R(p)), up(G(p)), up(B(p)));
}

DWORD CRichDrawManager::MixColors(DWORD a, DWORD b, double w1, double w2)
{
    auto mix = [w1, w2](int cb, int ca) { return std::clamp(int(cb * w1 + ca * w2), 0, 255); };
    return Channels(A(a), mix(R(b), R(a)), mix(G(b), G(a)), mix(B(b), B(a)));
}

void CRichDrawManager::FillGradient(HDC hdc, const RECT& rect, COLORREF start, COLORREF end, bool horizontal)
{
    const int size = horizontal ? rect.right - rect.left : rect.bottom - rect.top;
    if (size <= 0)
        return;
    for (int i = 0; i < 64; ++i) {
        const int from = int((long long)i * size / 64);
        const int to = int((long long)(i + 1) * size / 64);
        if (to <= from)
            continue;
        auto band = [i](int s, int e) { return (s * (64 - i) + e * i) / 64; };
        const COLORREF c = RGB(band(GetRValue(start), GetRValue(end)), band(GetGValue(start), GetGValue(end)),
            band(GetBValue(start), GetBValue(end)));
        RECT r = rect;
        if (horizontal) {
            r.left = rect.left + from;
            r.right = rect.left + to;
        } else {
            r.top = rect.top + from;
            r.bottom = rect.top + to;
        }
        HBRUSH brush = CreateSolidBrush(c);
        FillRect(hdc, &r, brush);
        DeleteObject(brush);
    }
}

void CRichDrawManager::AlphaBlend(HDC source, HDC destination, int x, int y, int width, int height, int percent)
{
    if (width <= 0 || height <= 0)
        return;
    if (percent >= 100) {
        BitBlt(destination, x, y, width, height, source, 0, 0, SRCCOPY);
        return;
    }
    percent = std::max(percent, 0);
    AreaCopy src(source, 0, 0, width, height);
    AreaCopy dst(destination, x, y, width, height);
    if (!src.ok() || !dst.ok())
        return;
    const double w = percent / 100.0;
    for (size_t i = 0; i < size_t(width) * size_t(height); ++i)
        dst.bits[i] = MixColors(dst.bits[i], src.bits[i], w, 1.0 - w);
    BitBlt(destination, x, y, width, height, dst.dc, 0, 0, SRCCOPY);
}
