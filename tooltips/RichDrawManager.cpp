#include "tooltips/RichDrawManager.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kMaxDibSide = 16384;
// Areas past this many pixels are not worked on pixel by pixel (markup can ask for any size).
constexpr long long kMaxDibArea = 4096LL * 4096LL;
// Patterns larger than this are filled with their begin colour.
constexpr long long kMaxPatternArea = 1024LL * 1024LL;

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
    if (width <= 0 || height <= 0 || width > kMaxDibSide || height > kMaxDibSide
        || (long long)width * height > kMaxDibArea)
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
    if (width <= 0 || height <= 0 || (long long)width * height > kMaxDibArea)
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

namespace {

DWORD PixelOf(COLORREF c) { return (DWORD(GetRValue(c)) << 16) | (DWORD(GetGValue(c)) << 8) | DWORD(GetBValue(c)); }

bool SaneArea(int width, int height)
{
    return width > 0 && height > 0 && width <= kMaxDibSide && height <= kMaxDibSide
        && (long long)width * height <= kMaxDibArea;
}

// A memory DC with a 32-bit top-down DIB section of its own.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    DWORD* bits = nullptr;
    int width = 0;
    int height = 0;

    Canvas(HDC like, int w, int h) : width(w), height(h)
    {
        if (!SaneArea(w, h))
            return;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* raw = nullptr;
        bitmap = CreateDIBSection(like, &info, DIB_RGB_COLORS, &raw, nullptr, 0);
        bits = static_cast<DWORD*>(raw);
        dc = CreateCompatibleDC(like);
        if (dc && bitmap)
            old = SelectObject(dc, bitmap);
    }
    ~Canvas()
    {
        if (dc) {
            if (old)
                SelectObject(dc, old);
            DeleteDC(dc);
        }
        if (bitmap)
            DeleteObject(bitmap);
    }
    bool ok() const { return dc && bits; }
    size_t count() const { return size_t(width) * size_t(height); }
    // Hands the bitmap over to the caller.
    HBITMAP Release()
    {
        if (dc) {
            if (old)
                SelectObject(dc, old);
            DeleteDC(dc);
            dc = nullptr;
        }
        HBITMAP b = bitmap;
        bitmap = nullptr;
        return b;
    }
};

// A bitmap selected into a memory DC for reading.
struct Selected {
    HDC dc = nullptr;
    HGDIOBJ old = nullptr;
    Selected(HDC like, HBITMAP bitmap)
    {
        dc = CreateCompatibleDC(like);
        if (dc)
            old = SelectObject(dc, bitmap);
    }
    ~Selected()
    {
        if (dc) {
            if (old)
                SelectObject(dc, old);
            DeleteDC(dc);
        }
    }
};

int Cubic(int v) { return v * v * v / 16384; }

int PenStyleOf(int style)
{
    switch (style) {
    case 2: return PS_DASH;
    case 3: return PS_DOT;
    case 4: return PS_DASHDOT;
    case 5: return PS_DASHDOTDOT;
    default: return PS_SOLID;
    }
}

void Line(HDC hdc, const POINT* points, int count, COLORREF colour, int style, int width)
{
    HPEN pen = CreatePen(PenStyleOf(style), style >= 2 && style <= 5 ? 1 : width, colour);
    if (!pen)
        return;
    HGDIOBJ old = SelectObject(hdc, pen);
    MoveToEx(hdc, points[0].x, points[0].y, nullptr);
    for (int i = 1; i < count; ++i)
        LineTo(hdc, points[i].x, points[i].y);
    SelectObject(hdc, old);
    DeleteObject(pen);
}

} // namespace

void CRichDrawManager::AlphaBlendPerPixel(HDC source, HDC destination, int x, int y, int width, int height)
{
    if (!SaneArea(width, height))
        return;
    AreaCopy src(source, 0, 0, width, height);
    AreaCopy dst(destination, x, y, width, height);
    if (!src.ok() || !dst.ok())
        return;
    for (size_t i = 0; i < size_t(width) * size_t(height); ++i) {
        const double w = A(src.bits[i]) / 255.0;
        dst.bits[i] = MixColors(dst.bits[i], src.bits[i], w, 1.0 - w);
    }
    BitBlt(destination, x, y, width, height, dst.dc, 0, 0, SRCCOPY);
}

void CRichDrawManager::FillEffect(HDC hdc, const RECT& rect, int effect, COLORREF begin, COLORREF middle,
    COLORREF end, int granularity, int blendPercent)
{
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return;
    RECT first = rect, second = rect;
    switch (effect) {
    case 1: FillGradient(hdc, rect, begin, end, true); return;
    case 2: FillGradient(hdc, rect, begin, end, false); return;
    case 3:
    case 5:
        first.right = second.left = rect.left + width / 2;
        FillGradient(hdc, first, begin, effect == 3 ? end : middle, true);
        FillGradient(hdc, second, effect == 3 ? end : middle, effect == 3 ? begin : end, true);
        return;
    case 4:
    case 6:
        first.bottom = second.top = rect.top + height / 2;
        FillGradient(hdc, first, begin, effect == 4 ? end : middle, false);
        FillGradient(hdc, second, effect == 4 ? end : middle, effect == 4 ? begin : end, false);
        return;
    default:
        break;
    }
    if (effect < 7 || effect > 15 || (long long)width * height > kMaxPatternArea || !m_dib.Create(width, height)) {
        HBRUSH brush = CreateSolidBrush(begin);
        FillRect(hdc, &rect, brush);
        DeleteObject(brush);
        return;
    }
    RGBQUAD* palette = m_dib.Palette();
    for (int i = 0; i < 256; ++i) {
        const COLORREF from = i < 128 ? end : middle;
        const COLORREF to = i < 128 ? middle : begin;
        const int t = i < 128 ? i : i - 128;
        const int span = i < 128 ? 128 : 127;
        auto mix = [t, span](int a, int b) { return BYTE(a + (b - a) * t / span); };
        palette[i] = RGBQUAD{ mix(GetBValue(from), GetBValue(to)), mix(GetGValue(from), GetGValue(to)),
            mix(GetRValue(from), GetRValue(to)), 0 };
    }
    m_dib.BlendPalette(blendPercent, begin);

    const int g = std::clamp(granularity, 0, 255);
    const int divisor = g ? std::max(1, 0x7FFF / (2 * g)) : 0x7FFF;
    auto noise = [divisor]() { return (std::rand() & 0x7FFF) / divisor; };
    const int t = 255 - 2 * g;
    BYTE* bits = m_dib.Bits();
    const int stride = m_dib.Stride();
    auto at = [&](int k, int j) -> BYTE& { return bits[size_t(k) * size_t(stride) + size_t(j)]; };
    auto put = [&](int k, int j, int value) { at(k, j) = BYTE(value & 0xFF); };

    if (effect == 15) {
        const int strokes = 200;
        for (int s = 0; s < strokes; ++s) {
            const int x0 = std::rand() % (width + 1);
            const int y0 = std::rand() % (height + 1);
            const int length = std::rand() % (std::min(width, height) + 1);
            const int value = (std::rand() & 0x7FFF) / 819;
            for (int step = 0; step < length / 2; ++step) {
                const int row = y0 + step;
                if (row < 0 || row >= height)
                    continue;
                const int left = x0 - step;
                const int mirrored = width + step - x0;
                if (left >= 0 && left < width)
                    put(row, left, value);
                if (mirrored >= 0 && mirrored < width)
                    put(row, mirrored, value);
            }
        }
        const int q = (t - 40) / 2;
        for (int k = 0; k < height; ++k)
            for (int j = 0; j < width; ++j)
                put(k, j, at(k, j) + k * q / height + (width - j) * q / width + noise());
    } else if (effect == 14) {
        const int w = std::max(1, std::min(width / 6, 16));
        for (int k = 0; k < height; ++k) {
            const int base = 128 + Cubic(k * 255 / height - 127) * (64 - g) * 2 / 128;
            for (int j = 0; j < width; ++j)
                put(k, j, base + noise() - g);
            const long long a = k - height / 2;
            const long long quarter = std::max<long long>(1, (long long)height * height / 4);
            const long long c = w * a * a / quarter + width / 2 - w;
            for (int j = 0; j < width; ++j) {
                if (j - width / 2 > c)
                    put(k, j, g + (width - j) * 128 / w);
                else if (j - width / 2 < -c)
                    put(k, j, (255 - g) - j * 128 / w);
                put(k, j, at(k, j) + noise() - g);
            }
        }
    } else {
        for (int k = 0; k < height; ++k) {
            for (int j = 0; j < width; ++j) {
                const int r = noise();
                int v = 0;
                switch (effect) {
                case 7: v = 128 + r - g; break;
                case 8: v = k * (t / 2) / height + (width - j) * (t / 2) / width + r; break;
                case 9: v = k * t / height + r; break;
                case 10: v = (width - j) * t / width + r; break;
                case 11: v = 128 + Cubic(k * 255 / height - 127) * (128 - g) / 128 + r - g; break;
                case 12: v = 128 + Cubic((width - j) * 255 / width - 127) * (128 - g) / 128 + r - g; break;
                case 13: {
                    int value = 128
                        + (Cubic(k * 255 / height - 127) + Cubic((width - j) * 255 / width - 127)) * (128 - g) / 128;
                    value = std::max(value, g);
                    if (value > 255 - g)
                        value = 255 - g;
                    v = value + r - g;
                    break;
                }
                default: break;
                }
                put(k, j, v);
            }
        }
    }
    m_dib.Draw(hdc, rect.left, rect.top);
    m_dib.Clear();
}

void CRichDrawManager::DrawShadow(HDC hdc, int x, int y, int width, int height, HBITMAP mask, bool soft, int blurX,
    int blurY)
{
    if (!SaneArea(width, height) || !mask)
        return;
    AreaCopy area(hdc, x, y, width, height);
    Canvas factors(hdc, width, height);
    if (!area.ok() || !factors.ok())
        return;
    Selected maskDc(hdc, mask);
    if (!maskDc.dc)
        return;
    const SIZE maskSize = GetBitmapSize(mask);
    std::vector<double> factor(factors.count(), 1.0);
    if (soft) {
        blurX = std::clamp(blurX, 1, 255) | 1;
        blurY = std::clamp(blurY, 1, 255) | 1;
        std::fill(factors.bits, factors.bits + factors.count(), 0x00FFFFFF);
        if (width > blurX && height > blurY)
            StretchBlt(factors.dc, blurX / 2, blurY / 2, width - blurX, height - blurY, maskDc.dc, 0, 0, maskSize.cx,
                maskSize.cy, SRCCOPY);
        // Box filter through a summed-area table; outside the area counts as white.
        const int w = width + blurX, h = height + blurY;
        std::vector<long long> sum(size_t(w + 1) * size_t(h + 1), 0);
        auto S = [&](int i, int j) -> long long& { return sum[size_t(j) * size_t(w + 1) + size_t(i)]; };
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i) {
                const int sx = i - blurX / 2, sy = j - blurY / 2;
                const int v = sx >= 0 && sy >= 0 && sx < width && sy < height
                    ? B(factors.bits[size_t(sy) * size_t(width) + size_t(sx)])
                    : 255;
                S(i + 1, j + 1) = v + S(i, j + 1) + S(i + 1, j) - S(i, j);
            }
        const double whole = double(blurX) * blurY * 255.0;
        for (int py = 0; py < height; ++py)
            for (int px = 0; px < width; ++px) {
                const long long total = S(px + blurX, py + blurY) - S(px, py + blurY) - S(px + blurX, py) + S(px, py);
                factor[size_t(py) * size_t(width) + size_t(px)] = double(total) / whole;
            }
    } else {
        std::fill(factors.bits, factors.bits + factors.count(), 0x00FFFFFF);
        BitBlt(factors.dc, 0, 0, std::min<int>(width, maskSize.cx), std::min<int>(height, maskSize.cy), maskDc.dc, 0,
            0, SRCCOPY);
        for (size_t i = 0; i < factors.count(); ++i)
            factor[i] = B(factors.bits[i]) / 255.0;
    }
    for (size_t i = 0; i < factors.count(); ++i)
        area.bits[i] = DarkenColor(area.bits[i], factor[i]);
    BitBlt(hdc, x, y, width, height, area.dc, 0, 0, SRCCOPY);
}

void CRichDrawManager::DrawBorderRectangle(HDC hdc, int left, int top, int right, int bottom, COLORREF topLeft,
    COLORREF bottomRight, int style, int width)
{
    if (width <= 0)
        return;
    const int lines = style == 6 ? 2 : 1;
    for (int n = 0; n < lines; ++n) {
        const int inset = width / 2 + n * 2 * width;
        const int l = left + inset, t = top + inset, r = right - 1 - inset, b = bottom - 1 - inset;
        if (r < l || b < t)
            return;
        const POINT first[] = { { l, b }, { l, t }, { r, t } };
        const POINT second[] = { { r, t }, { r, b }, { l, b } };
        Line(hdc, first, 3, topLeft, style, width);
        Line(hdc, second, 3, bottomRight, style, width);
    }
}

void CRichDrawManager::DrawStyledLine(HDC hdc, int width, int x1, int y1, int x2, int y2, COLORREF colour, int style)
{
    const POINT points[] = { { x1, y1 }, { x2, y2 } };
    Line(hdc, points, 2, colour, style, width);
    if (style == 6) {
        const bool horizontal = y1 == y2;
        const int dx = horizontal ? 0 : 2 * width, dy = horizontal ? 2 * width : 0;
        const POINT second[] = { { x1 + dx, y1 + dy }, { x2 + dx, y2 + dy } };
        Line(hdc, second, 2, colour, style, width);
    }
}

void CRichDrawManager::TileBitmap(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
    int sourceY, int tileWidth, int tileHeight)
{
    if (tileWidth <= 0 || tileHeight <= 0)
        return;
    for (int ty = 0; ty < height; ty += tileHeight)
        for (int tx = 0; tx < width; tx += tileWidth)
            BitBlt(destination, x + tx, y + ty, std::min(tileWidth, width - tx), std::min(tileHeight, height - ty),
                source, sourceX, sourceY, SRCCOPY);
}

SIZE CRichDrawManager::GetBitmapSize(HBITMAP bitmap)
{
    BITMAP info{};
    if (!bitmap || !GetObjectW(bitmap, sizeof(info), &info))
        return SIZE{ 0, 0 };
    return SIZE{ info.bmWidth, std::abs(info.bmHeight) };
}

HBITMAP CRichDrawManager::ApplyImageEffect(HBITMAP bitmap, int width, int height, DWORD effect, bool useMask,
    COLORREF mask, COLORREF mono)
{
    HDC screen = CreateCompatibleDC(nullptr);
    Canvas out(screen, width, height);
    DeleteDC(screen);
    if (!out.ok())
        return nullptr;
    {
        Selected in(out.dc, bitmap);
        if (!in.dc)
            return nullptr;
        BitBlt(out.dc, 0, 0, width, height, in.dc, 0, 0, SRCCOPY);
    }
    const DWORD maskPixel = PixelOf(mask);
    const DWORD monoPixel = PixelOf(mono);
    for (size_t i = 0; i < out.count(); ++i) {
        const DWORD p = out.bits[i];
        if (A(p) != 0)
            m_bHasAlpha = true;
        DWORD c = 0;
        if (!useMask || (p & 0x00FFFFFF) != maskPixel) {
            c = p;
            if (effect & 1)
                c = GrayColor(c);
            if (effect & 2)
                c = DarkenColor(c, 0.75);
            if (effect & 4)
                c = LightenColor(c, 0.25);
            if (effect & 8)
                c = monoPixel;
        }
        if (effect & 0x8000)
            c = InvertColor(c);
        out.bits[i] = (c & 0x00FFFFFF) | (p & 0xFF000000);
    }
    return out.Release();
}

void CRichDrawManager::DrawBitmap(HDC hdc, int x, int y, int width, int height, HBITMAP bitmap, bool useMask,
    COLORREF mask, DWORD effect, bool shadowRoom, int shadowX, int shadowY, int blurX, int blurY,
    COLORREF shadowColour)
{
    m_bHasAlpha = false;
    const SIZE natural = GetBitmapSize(bitmap);
    if (!SaneArea(width, height) || natural.cx <= 0 || natural.cy <= 0)
        return;
    Canvas sized(hdc, width, height);
    if (!sized.ok())
        return;
    {
        Selected in(hdc, bitmap);
        if (!in.dc)
            return;
        if (natural.cx != width || natural.cy != height)
            StretchBlt(sized.dc, 0, 0, width, height, in.dc, 0, 0, natural.cx, natural.cy, SRCCOPY);
        else
            BitBlt(sized.dc, 0, 0, width, height, in.dc, 0, 0, SRCCOPY);
    }
    SelectObject(sized.dc, sized.old);
    HBITMAP maskImage = ApplyImageEffect(sized.bitmap, width, height, 0x8008, useMask, mask, RGB(255, 255, 255));
    m_bHasAlpha = false;
    HBITMAP effectImage = ApplyImageEffect(sized.bitmap, width, height, effect, useMask, mask, shadowColour);
    SelectObject(sized.dc, sized.bitmap);
    if (!maskImage || !effectImage) {
        if (maskImage)
            DeleteObject(maskImage);
        if (effectImage)
            DeleteObject(effectImage);
        return;
    }
    if (shadowRoom) {
        if (effect & 0x300) {
            const bool hasAlpha = m_bHasAlpha;
            HBITMAP shadowMask = ApplyImageEffect(sized.bitmap, width, height, 0x8008, useMask, mask,
                RGB(255 - GetRValue(shadowColour), 255 - GetGValue(shadowColour), 255 - GetBValue(shadowColour)));
            m_bHasAlpha = hasAlpha;
            if (shadowMask) {
                DrawShadow(hdc, x + shadowX, y + shadowY, width, height, shadowMask, (effect & 0x200) != 0, blurX,
                    blurY);
                DeleteObject(shadowMask);
            }
        } else {
            x += shadowX;
            y += shadowY;
        }
    }
    {
        Selected effectDc(hdc, effectImage);
        if (m_bHasAlpha) {
            AlphaBlendPerPixel(effectDc.dc, hdc, x, y, width, height);
        } else {
            Selected maskDc(hdc, maskImage);
            BitBlt(hdc, x, y, width, height, maskDc.dc, 0, 0, SRCAND);
            BitBlt(hdc, x, y, width, height, effectDc.dc, 0, 0, SRCPAINT);
        }
    }
    DeleteObject(maskImage);
    DeleteObject(effectImage);
}

void CRichDrawManager::DrawImageListCell(HDC hdc, int x, int y, int width, int height, HBITMAP strip, int cellWidth,
    int cellHeight, int cell, bool useMask, COLORREF mask, DWORD effect, bool shadowRoom, int shadowX, int shadowY,
    int blurX, int blurY, COLORREF shadowColour)
{
    const SIZE size = GetBitmapSize(strip);
    if (cellWidth <= 0 || cellHeight <= 0)
        return;
    const int columns = size.cx / cellWidth, rows = size.cy / cellHeight;
    if (columns <= 0 || rows <= 0 || cell < 0 || cell >= columns * rows)
        return;
    Canvas one(hdc, cellWidth, cellHeight);
    if (!one.ok())
        return;
    {
        Selected in(hdc, strip);
        if (!in.dc)
            return;
        BitBlt(one.dc, 0, 0, cellWidth, cellHeight, in.dc, (cell % columns) * cellWidth, (cell / columns) * cellHeight,
            SRCCOPY);
    }
    SelectObject(one.dc, one.old);
    DrawBitmap(hdc, x, y, width, height, one.bitmap, useMask, mask, effect, shadowRoom, shadowX, shadowY, blurX, blurY,
        shadowColour);
    SelectObject(one.dc, one.bitmap);
}

SIZE CRichDrawManager::GetIconSize(HICON icon)
{
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info))
        return SIZE{ 0, 0 };
    SIZE size{ LONG(info.xHotspot * 2), LONG(info.yHotspot * 2) };
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    return size;
}

HICON CRichDrawManager::StretchIcon(HICON icon, int width, int height)
{
    ICONINFO info{};
    if (!SaneArea(width, height) || !icon || !GetIconInfo(icon, &info))
        return nullptr;
    const SIZE from{ LONG(info.xHotspot * 2), LONG(info.yHotspot * 2) };
    HDC screen = CreateCompatibleDC(nullptr);
    ICONINFO made = info;
    made.hbmColor = nullptr;
    made.hbmMask = nullptr;
    auto stretch = [&](HBITMAP source) -> HBITMAP {
        if (!source)
            return nullptr;
        BITMAP b{};
        GetObjectW(source, sizeof(b), &b);
        HBITMAP target = b.bmBitsPixel == 1 ? CreateBitmap(width, height, 1, 1, nullptr)
                                            : CreateCompatibleBitmap(screen, width, height);
        if (!target)
            return nullptr;
        Selected in(screen, source);
        Selected out(screen, target);
        if (in.dc && out.dc)
            StretchBlt(out.dc, 0, 0, width, height, in.dc, 0, 0, from.cx, from.cy, SRCCOPY);
        return target;
    };
    made.hbmColor = stretch(info.hbmColor);
    made.hbmMask = stretch(info.hbmMask);
    HICON result = made.hbmMask ? CreateIconIndirect(&made) : nullptr;
    for (HBITMAP b : { info.hbmColor, info.hbmMask, made.hbmColor, made.hbmMask })
        if (b)
            DeleteObject(b);
    DeleteDC(screen);
    return result;
}

void CRichDrawManager::DrawIcon(HDC hdc, int x, int y, int width, int height, HICON icon, DWORD effect,
    bool shadowRoom, int shadowX, int shadowY, int blurX, int blurY, COLORREF shadowColour)
{
    m_bHasAlpha = false;
    if (!SaneArea(width, height) || !icon)
        return;
    const SIZE natural = GetIconSize(icon);
    HICON sized = natural.cx != width || natural.cy != height ? StretchIcon(icon, width, height) : CopyIcon(icon);
    if (!sized)
        return;
    ICONINFO info{};
    if (!GetIconInfo(sized, &info)) {
        DestroyIcon(sized);
        return;
    }
    const bool mono = (effect & 8) != 0;
    HBITMAP source = mono || !info.hbmColor ? info.hbmMask : info.hbmColor;
    HBITMAP effectImage = ApplyImageEffect(source, width, height, effect, true, mono ? RGB(255, 255, 255) : RGB(0, 0, 0),
        mono ? RGB(255, 255, 255) : shadowColour);
    const bool hasAlpha = m_bHasAlpha;
    if (effectImage) {
        if (shadowRoom) {
            if (effect & 0x300) {
                HBITMAP shadowMask = ApplyImageEffect(info.hbmMask, width, height, 0x8008, true, RGB(255, 255, 255),
                    RGB(255 - GetRValue(shadowColour), 255 - GetGValue(shadowColour), 255 - GetBValue(shadowColour)));
                if (shadowMask) {
                    DrawShadow(hdc, x + shadowX, y + shadowY, width, height, shadowMask, (effect & 0x200) != 0, blurX,
                        blurY);
                    DeleteObject(shadowMask);
                }
            } else {
                x += shadowX;
                y += shadowY;
            }
        }
        m_bHasAlpha = hasAlpha;
        Selected effectDc(hdc, effectImage);
        if (m_bHasAlpha) {
            AlphaBlendPerPixel(effectDc.dc, hdc, x, y, width, height);
        } else {
            Selected maskDc(hdc, info.hbmMask);
            const COLORREF oldText = SetTextColor(hdc, RGB(0, 0, 0));
            BitBlt(hdc, x, y, width, height, maskDc.dc, 0, 0, SRCAND);
            BitBlt(hdc, x, y, width, height, effectDc.dc, 0, 0, SRCPAINT);
            SetTextColor(hdc, oldText);
        }
        DeleteObject(effectImage);
    }
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    DestroyIcon(sized);
}
