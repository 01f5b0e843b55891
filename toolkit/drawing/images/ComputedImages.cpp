#include "toolkit/drawing/images/ImageManager.h"

#include "platform/gdi/DrawHelpers.h"
#include "toolkit/drawing/ColorManager.h"
#include "toolkit/drawing/images/AlphaBitmaps.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

constexpr double kBrightnessExponent = 0.5;
constexpr double kAlphaDivisor = 1.0;

BYTE Truncate(double value)
{
    return BYTE(std::clamp(value, 0.0, 255.0));
}

double Luminance(BYTE blue, BYTE green, BYTE red)
{
    return (0.114 * blue + 0.587 * green + 0.299 * red) / 255.0;
}

// A pixel change: (blue, green, red, alpha) in place.
using PixelChange = std::function<void(BYTE& blue, BYTE& green, BYTE& red, BYTE& alpha)>;

// Applies `change` to every pixel of a copy of an alpha image.
void ComputeAlpha(const CJQWIconImageHandle& from, CJQWIconImageHandle& to, const PixelChange& change)
{
    to.SetBitmap(TransformAlphaBitmap(from.GetBitmap(), [&](BitmapBits32& bits) {
        for (std::size_t i = 0; i < bits.pixels.size(); i += 4)
            change(bits.pixels[i], bits.pixels[i + 1], bits.pixels[i + 2], bits.pixels[i + 3]);
    }));
}

// Applies `change` to the opaque pixels (black in the mask) of a copy of an icon.
void ComputeIcon(HICON icon, CJQWIconImageHandle& to, const PixelChange& change)
{
    IconBitmaps parts(icon);
    if (!parts.valid)
        return;
    ICONINFO& info = parts.info;
    BITMAP color {};
    if (info.hbmColor && GetObjectW(info.hbmColor, sizeof color, &color)) {
        HDC colorDC = CreateCompatibleDC(nullptr), maskDC = CreateCompatibleDC(nullptr);
        HGDIOBJ oldColor = SelectObject(colorDC, info.hbmColor), oldMask = SelectObject(maskDC, info.hbmMask);
        for (int x = 0; x < color.bmWidth; ++x)
            for (int y = 0; y < std::abs(color.bmHeight); ++y) {
                if (GetPixel(maskDC, x, y) != 0)
                    continue;
                const COLORREF c = GetPixel(colorDC, x, y);
                BYTE blue = GetBValue(c), green = GetGValue(c), red = GetRValue(c), alpha = 255;
                change(blue, green, red, alpha);
                SetPixel(colorDC, x, y, RGB(red, green, blue));
            }
        SelectObject(colorDC, oldColor);
        SelectObject(maskDC, oldMask);
        DeleteDC(colorDC);
        DeleteDC(maskDC);
        to.SetIcon(CreateIconIndirect(&info));
    }
}

void Compute(const CJQWIconImageHandle& from, CJQWIconImageHandle& to, const PixelChange& change)
{
    if (from.IsAlpha())
        ComputeAlpha(from, to, change);
    else if (from.GetIcon())
        ComputeIcon(from.GetIcon(), to, change);
}

} // namespace

COLORREF LightenColor(COLORREF color, double factor)
{
    auto lighten = [factor](BYTE channel) { return Truncate(255.0 * factor + (1.0 - factor) * channel); };
    return RGB(lighten(GetRValue(color)), lighten(GetGValue(color)), lighten(GetBValue(color)));
}

void BlendColorPercent(COLORREF& color, COLORREF other, int percent)
{
    auto blend = [percent](int channel, int toward) {
        return BYTE(std::clamp((channel * (100 - percent) + toward * percent) / 100, 0, 255));
    };
    color = RGB(blend(GetRValue(color), GetRValue(other)), blend(GetGValue(color), GetGValue(other)),
                blend(GetBValue(color), GetBValue(other)));
}

void SubtractColor(COLORREF& color, COLORREF other)
{
    auto subtract = [](int channel, int minus) { return BYTE(std::clamp(channel - minus, 0, 255)); };
    color = RGB(subtract(GetRValue(color), GetRValue(other)), subtract(GetGValue(color), GetGValue(other)),
                subtract(GetBValue(color), GetBValue(other)));
}

void CJQWImageManagerIcon::CreateFadedIcon()
{
    const CJQWIconImageHandle& normal = m_images[kNormal];
    auto fade = [](BYTE& blue, BYTE& green, BYTE& red, BYTE&) {
        blue = Truncate(76.5 + 0.7 * blue);
        green = Truncate(76.5 + 0.7 * green);
        red = Truncate(76.5 + 0.7 * red);
    };
    if (!normal.IsAlpha() && CJQWColorManager::IsLowColorDevice(nullptr)) {
        if (normal.GetIcon())
            m_images[kFaded].SetIcon(CopyIcon(normal.GetIcon()));
        return;
    }
    Compute(normal, m_images[kFaded], fade);
}

void CJQWImageManagerIcon::CreateShadowIcon()
{
    const COLORREF hot = GetColorManager()->GetColor(31);
    const BYTE red = BYTE(GetRValue(hot) * 0.75), green = BYTE(GetGValue(hot) * 0.75), blue = BYTE(GetBValue(hot) * 0.75);
    const CJQWIconImageHandle& from = m_images[kHot].IsEmpty() ? m_images[kNormal] : m_images[kHot];
    Compute(from, m_images[kShadow], [=](BYTE& b, BYTE& g, BYTE& r, BYTE&) {
        b = blue;
        g = green;
        r = red;
    });
}

void CJQWImageManagerIcon::BuildDerivedIcon(COLORREF first, COLORREF second)
{
    if (!m_images[kGeneratedDisabled].IsEmpty())
        return;
    const bool tint = first != COLORREF(-1) && second != COLORREF(-1);
    const bool alpha = m_images[kNormal].IsAlpha();
    Compute(m_images[kNormal], m_images[kGeneratedDisabled], [=](BYTE& b, BYTE& g, BYTE& r, BYTE& a) {
        const double light = Luminance(b, g, r);
        if (tint) {
            auto mix = [light](int dark, int bright) { return Truncate((1.0 - light) * dark + light * bright); };
            b = mix(GetBValue(second), GetBValue(first));
            g = mix(GetGValue(second), GetGValue(first));
            r = mix(GetRValue(second), GetRValue(first));
            return;
        }
        b = g = r = Truncate(255.0 * std::pow(light, kBrightnessExponent));
        if (alpha)
            a = Truncate(a / kAlphaDivisor);
    });
}

void CJQWImageManagerIcon::DrawMonochrome(HDC dc, POINT point, CJQWIconImageHandle& image, SIZE size, COLORREF color)
{
    if (image.IsAlpha() || image.IsEmpty())
        return;
    int cx = size.cx, cy = size.cy;
    if (cx == 0)
        cx = m_width;
    if (cy == 0)
        cy = m_width ? int(unsigned(cx) * unsigned(m_height) / unsigned(m_width)) : 0;
    if (cx <= 0 || cy <= 0)
        return;
    HBITMAP bitmap = CreateCompatibleBitmap(dc, cx, cy);
    HDC memory = CreateCompatibleDC(dc);
    if (bitmap && memory) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        const RECT all { 0, 0, cx, cy };
        HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
        FillRect(memory, &all, white);
        DeleteObject(white);
        DrawIconEx(memory, 0, 0, image.GetIcon(), cx, cy, 0, nullptr, DI_NORMAL);
        SelectObject(memory, previous);
        HBRUSH brush = CreateSolidBrush(color);
        DrawStateW(dc, brush, nullptr, LPARAM(bitmap), 0, point.x, point.y, cx, cy, DST_BITMAP | DSS_MONO);
        DeleteObject(brush);
    }
    if (memory)
        DeleteDC(memory);
    if (bitmap)
        DeleteObject(bitmap);
}
