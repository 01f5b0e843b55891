#include "toolkit/drawing/ColorManager.h"

#include "platform/gdi/Gdi.h"
#include "platform/gdi/SystemModel.h"
#include "platform/base/TextCase.h"
#include "toolkit/drawing/WinThemeWrapper.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

namespace {

// System colour indexes the table is derived from.
constexpr int kWindow = 5, kWindowFrame = 7, kWindowText = 8, kHighlight = 13, kHighlightText = 14, k3DFace = 15,
              k3DShadow = 16, kGrayText = 17, kButtonText = 18;

// A colour in the weighted space: red, green and blue scaled to 195, 390 and 65.
struct Weighted {
    float r, g, b;
};
constexpr float kRange[3] = { 195.0f, 390.0f, 65.0f };

Weighted ToWeighted(COLORREF c)
{
    return { float(GetRValue(c)) * 195.0f / 255.0f, float(GetGValue(c)) * 390.0f / 255.0f,
             float(GetBValue(c)) * 65.0f / 255.0f };
}

BYTE FromCoordinate(float value, int axis)
{
    value = std::clamp(value, 0.0f, kRange[axis]);
    const int channel = int(value * 255.0f / kRange[axis] + 0.5f);
    return BYTE(std::clamp(channel, 0, 255));
}

COLORREF FromWeighted(const Weighted& w)
{
    return RGB(FromCoordinate(w.r, 0), FromCoordinate(w.g, 1), FromCoordinate(w.b, 2));
}

float Length(const Weighted& w)
{
    return std::sqrt(w.r * w.r + w.g * w.g + w.b * w.b);
}

float Distance(const Weighted& a, const Weighted& b)
{
    return Length({ a.r - b.r, a.g - b.g, a.b - b.b });
}

// Thresholds count double against black and unchanged from brightness 220 up.
float ScaledThreshold(const Weighted& reference, int threshold)
{
    const int brightness = int(Length(reference));
    return (2.0f - float(std::min(brightness, 220)) / 220.0f) * float(threshold);
}

int MaxChannel(COLORREF c)
{
    return std::max({ GetRValue(c), GetGValue(c), GetBValue(c) });
}

COLORREF ScaleChannels(COLORREF c, int numerator, int denominator)
{
    return RGB(BYTE(GetRValue(c) * numerator / denominator), BYTE(GetGValue(c) * numerator / denominator),
               BYTE(GetBValue(c) * numerator / denominator));
}

} // namespace

void CJQWPaintManagerColor::Serialize(CArchive& archive)
{
    if (archive.IsStoring()) {
        archive << DWORD(m_standard) << DWORD(m_custom);
    } else {
        DWORD standard = 0, custom = 0;
        archive >> standard >> custom;
        m_standard = standard;
        m_custom = custom;
    }
}

void CJQWPaintManagerColorGradient::SetStandardValue(COLORREF first, COLORREF second, float factor)
{
    clrLight.SetStandardValue(first);
    clrDark.SetStandardValue(second);
    fGradientFactor = factor;
}

void CJQWPaintManagerColorGradient::SetStandardFrom(const CJQWPaintManagerColorGradient& other)
{
    SetStandardValue(COLORREF(other.clrLight), COLORREF(other.clrDark), other.fGradientFactor);
}

void CJQWPaintManagerColorGradient::Serialize(CArchive& archive)
{
    clrLight.Serialize(archive);
    clrDark.Serialize(archive);
    if (archive.IsStoring())
        archive << fGradientFactor;
    else
        archive >> fGradientFactor;
}

CJQWColorManager::CJQWColorManager()
{
    std::fill(std::begin(m_custom), std::end(m_custom), JQW_COLOR_UNSET);
    RefreshColors();
    m_gradients[7].SetStandardValue(RGB(255, 213, 140), RGB(255, 173, 85));
    m_gradients[8].SetStandardValue(RGB(254, 142, 75), RGB(255, 207, 139));
    m_gradients[9].SetStandardValue(RGB(255, 242, 200), RGB(255, 212, 151));
}

COLORREF CJQWColorManager::GetColor(int index) const
{
    if (index < 0 || index >= JQW_COLOR_COUNT)
        return COLORREF(index);
    return m_custom[index] != JQW_COLOR_UNSET ? m_custom[index] : m_standard[index];
}

COLORREF CJQWColorManager::BlendColors(COLORREF first, COLORREF second, int weight)
{
    // Weights below 100 are percentages, from 100 up per mille.
    const int divisor = weight < 100 ? 100 : 1000;
    auto mix = [&](int a, int b) { return BYTE((weight * a + (divisor - weight) * b + divisor / 2) / divisor); };
    return RGB(mix(GetRValue(first), GetRValue(second)), mix(GetGValue(first), GetGValue(second)),
               mix(GetBValue(first), GetBValue(second)));
}

BOOL CJQWColorManager::IsLowColorDevice(HDC dc)
{
    // A memory context answers for the screen it is compatible with.
    HDC screen = dc ? nullptr : CreateCompatibleDC(nullptr);
    if (!dc && !screen)
        return FALSE;
    const int bits = GetDeviceCaps(dc ? dc : screen, BITSPIXEL);
    if (screen)
        DeleteDC(screen);
    return bits >= 1 && bits <= 8;
}

bool CJQWColorManager::ColorsDiffer(COLORREF reference, COLORREF candidate, int threshold)
{
    const Weighted a = ToWeighted(reference), k = ToWeighted(candidate);
    const float limit = ScaledThreshold(a, threshold);
    const Weighted d { a.r - k.r, a.g - k.g, a.b - k.b };
    return d.r * d.r + d.g * d.g + d.b * d.b > limit * limit;
}

COLORREF CJQWColorManager::MoveColorCloser(COLORREF reference, COLORREF candidate, int threshold)
{
    const Weighted a = ToWeighted(reference), k = ToWeighted(candidate);
    const float limit = ScaledThreshold(a, threshold);
    const float distance = Distance(a, k);
    if (distance <= 0.0f)
        return candidate;
    const float fraction = (distance - limit) / distance;
    return FromWeighted({ k.r + (a.r - k.r) * fraction, k.g + (a.g - k.g) * fraction, k.b + (a.b - k.b) * fraction });
}

COLORREF CJQWColorManager::MoveColorAway(COLORREF reference, COLORREF candidate, int threshold)
{
    Weighted a = ToWeighted(reference), k = ToWeighted(candidate);
    const float limit = ScaledThreshold(a, threshold);
    const float brightnessA = Length(a), brightnessK = Length(k);
    const float target = brightnessK > brightnessA ? 442.0f - limit : limit;
    // Lightening measures from white: mirror both colours so white is the origin.
    const bool lighten = !(target < brightnessA);
    auto mirror = [](Weighted& w) {
        w = { kRange[0] - w.r, kRange[1] - w.g, kRange[2] - w.b };
    };
    if (lighten) {
        mirror(a);
        mirror(k);
    }
    const float length = std::max(Length(k), 0.001f);
    const float along = (a.r * k.r + a.g * k.g + a.b * k.b) / length;
    const float offLine = a.r * a.r + a.g * a.g + a.b * a.b - along * along;
    // Where the ray from the origin through K enters the sphere of radius `limit` around A.
    const float scale = (along - std::sqrt(std::max(limit * limit - offLine, 0.0f))) / length;
    Weighted moved { k.r * scale, k.g * scale, k.b * scale };
    if (lighten)
        mirror(moved);
    return FromWeighted(moved);
}

int CJQWColorManager::DetectLunaScheme()
{
    CJQWWinThemeWrapper theme;
    if (!theme.IsThemeActive() || IsLowColorDevice(nullptr))
        return 0;
    WCHAR file[260] {}, color[260] {}, size[260] {};
    if (FAILED(theme.GetCurrentThemeName(file, 260, color, 260, size, 260)))
        return 0;
    const std::u16string fileName = AsciiLowerCopy(std::u16string_view(file));
    if (fileName.find(u"luna.msstyles") == std::u16string::npos &&
        fileName.find(u"winxp.luna.qvstyles") == std::u16string::npos)
        return 0;
    const std::u16string colorName = AsciiLowerCopy(std::u16string_view(color));
    if (colorName == u"normalcolor")
        return 1;
    if (colorName == u"homestead")
        return 2;
    if (colorName == u"metallic")
        return 3;
    return 0;
}

void CJQWColorManager::RefreshColors()
{
    m_scheme = DetectLunaScheme();
    const bool lowColor = IsLowColorDevice(nullptr);
    COLORREF* e = m_standard;
    auto c = [this](int index) { return GetColor(index); };

    e[0] = RGB(0, 0, 0);
    for (int i = 1; i <= 29; ++i)
        e[i] = GetSysColor(i);

    for (int i : { 30, 51, 53, 55, 56 })
        e[i] = c(k3DFace);
    for (int i : { 31, 36, 41 })
        e[i] = c(kWindow);
    for (int i : { 32, 33, 37, 50 })
        e[i] = c(kHighlight);
    for (int i : { 34, 38, 39, 40, 42, 43, 48, 52, 54, 57, 60, 61 })
        e[i] = c(k3DShadow);
    e[35] = e[58] = c(kGrayText);
    e[44] = c(kWindowText);
    e[45] = c(kWindowFrame);
    e[46] = c(kButtonText);
    e[47] = e[49] = c(kHighlightText);
    e[59] = RGB(0, 0, 0);

    if (lowColor) {
        RefreshGradients(true);
        return;
    }

    struct Blend {
        int entry, a, b, weight;
    };
    static constexpr Blend kBlends[] = {
        { 30, kWindow, k3DFace, 165 },  { 31, kHighlight, kWindow, 30 }, { 33, kHighlight, kWindow, 50 },
        { 41, k3DFace, kWindow, 143 },  { 35, kGrayText, kWindow, 70 },  { 38, k3DShadow, kWindow, 75 },
        { 39, k3DShadow, kWindow, 70 }, { 43, 46, k3DShadow, 20 },       { 61, 46, k3DShadow, 15 },
        { 40, k3DShadow, kWindow, 90 }, { 42, k3DFace, k3DShadow, 90 },
    };
    for (const Blend& blend : kBlends)
        e[blend.entry] = BlendColors(c(blend.a), c(blend.b), blend.weight);

    if (ColorsDiffer(c(k3DFace), c(30), 35))
        e[30] = MoveColorCloser(c(k3DFace), c(30), 35);
    struct Contrast {
        int written, reference, candidate, threshold;
    };
    static constexpr Contrast kContrasts[] = {
        { 31, 30, 31, 50 },  { 32, 30, kHighlight, 100 }, { 33, 30, 33, 30 },   { 35, 41, 35, 80 },
        { 37, 33, 37, 100 }, { 38, 30, 38, 85 },          { 39, 30, 39, 50 },   { 43, 41, 43, 100 },
        { 61, 30, 61, 100 }, { 40, 30, 40, 80 },          { 44, 41, 44, 180 },  { 45, 31, 45, 180 },
        { 46, 30, 46, 180 }, { 47, 33, 47, 180 },
    };
    for (const Contrast& rule : kContrasts)
        if (!ColorsDiffer(c(rule.reference), c(rule.candidate), rule.threshold))
            e[rule.written] = MoveColorAway(c(rule.reference), c(rule.candidate), rule.threshold);
    if (ColorsDiffer(c(41), c(35), 145))
        e[35] = MoveColorCloser(c(41), c(35), 145);

    {
        const COLORREF toolbar = c(30), window = c(kWindow), highlight = c(kHighlight);
        auto mix = [](int a, int b, int h) { return BYTE(a * 50 / 100 + b * 40 / 100 + h * 10 / 100); };
        e[36] = RGB(mix(GetRValue(toolbar), GetRValue(window), GetRValue(highlight)),
                    mix(GetGValue(toolbar), GetGValue(window), GetGValue(highlight)),
                    mix(GetBValue(toolbar), GetBValue(window), GetBValue(highlight)));
    }
    {
        const COLORREF face = c(k3DFace);
        const int m = MaxChannel(face);
        e[48] = m == 0 ? RGB(35, 35, 35) : ScaleChannels(face, m + std::min(255 - m, 35), m);
    }
    {
        const COLORREF shadow = c(k3DShadow);
        const int m = MaxChannel(shadow);
        if (c(k3DFace) == 0)
            e[49] = RGB(127, 127, 127);
        else
            e[49] = m == 0 ? RGB(0, 0, 0) : ScaleChannels(shadow, std::max(m - 43, 0), m);
    }
    {
        const COLORREF hot = e[31];
        e[34] = RGB(BYTE(GetRValue(hot) * 0.75), BYTE(GetGValue(hot) * 0.75), BYTE(GetBValue(hot) * 0.75));
        const COLORREF face = c(k3DFace);
        e[22] = RGB(BYTE(std::min(GetRValue(face) + 15, 255)), BYTE(std::min(GetGValue(face) + 15, 255)),
                    BYTE(std::min(GetBValue(face) + 15, 255)));
        e[53] = c(30);
        e[58] = c(40);
        e[60] = e[40];
    }

    RefreshGradients(false);

    CJQWWinThemeWrapper treeView;
    treeView.OpenThemeData(nullptr, u"TREEVIEW");
    if (treeView.IsAppThemed()) {
        COLORREF border = 0;
        if (SUCCEEDED(treeView.GetThemeColor(0, 0, TMT_BORDERCOLOR, &border)))
            e[57] = border;
    }
}

void CJQWColorManager::RefreshGradients(bool lowColor)
{
    const COLORREF face = GetColor(k3DFace), shadow = GetColor(k3DShadow), window = GetColor(kWindow);
    CJQWPaintManagerColorGradient* g = m_gradients;
    switch (m_scheme) {
    case 1:
        g[0].SetStandardValue(RGB(89, 135, 214), RGB(0, 45, 150));
        g[1].SetStandardValue(RGB(158, 190, 245), RGB(196, 218, 250));
        g[2].SetStandardValue(RGB(89, 135, 214), RGB(0, 45, 150));
        g[3].SetStandardValue(RGB(221, 236, 254), RGB(129, 169, 226), 0.75f);
        g[4].SetStandardValue(RGB(227, 239, 255), RGB(135, 173, 228));
        g[5].SetStandardValue(RGB(203, 221, 246), RGB(121, 161, 220));
        g[6].SetStandardValue(RGB(227, 239, 255), RGB(147, 181, 231));
        m_standard[54] = RGB(0, 45, 150);
        break;
    case 2:
        g[0].SetStandardValue(RGB(175, 192, 130), RGB(99, 122, 68));
        g[1].SetStandardValue(RGB(217, 217, 167), RGB(242, 241, 228));
        g[2].SetStandardValue(RGB(120, 142, 111), RGB(73, 91, 67));
        g[3].SetStandardValue(RGB(244, 247, 222), RGB(183, 198, 145), 0.3f);
        g[4].SetStandardValue(RGB(255, 255, 237), RGB(184, 199, 146), 0.3f);
        g[5].SetStandardValue(RGB(230, 230, 209), RGB(164, 180, 120), 0.3f);
        g[6].SetStandardValue(RGB(236, 240, 213), RGB(194, 206, 159));
        m_standard[54] = RGB(96, 128, 88);
        break;
    case 3:
        g[0].SetStandardValue(RGB(168, 167, 191), RGB(112, 111, 145));
        g[1].SetStandardValue(RGB(215, 215, 229), RGB(243, 243, 247));
        g[2].SetStandardValue(RGB(168, 167, 191), RGB(119, 118, 151));
        g[3].SetStandardValue(RGB(249, 249, 255), RGB(156, 155, 183), 0.75f);
        g[4].SetStandardValue(RGB(249, 249, 255), RGB(159, 157, 185), 0.75f);
        g[5].SetStandardValue(RGB(215, 215, 226), RGB(128, 126, 158), 0.75f);
        g[6].SetStandardValue(RGB(233, 231, 241), RGB(186, 185, 205));
        m_standard[54] = RGB(124, 124, 148);
        break;
    default:
        g[0].SetStandardValue(shadow, shadow);
        g[1].SetStandardValue(face, BlendColors(face, window, 215));
        g[2].SetStandardValue(face, shadow);
        g[3].SetStandardValue(BlendColors(face, window, 205), face);
        g[4].SetStandardValue(BlendColors(face, window, 145), BlendColors(face, window, 93));
        g[5].SetStandardValue(BlendColors(face, window, 40), BlendColors(face, shadow, 95));
        g[6].SetStandardValue(BlendColors(face, window, 165), BlendColors(face, window, 42));
        break;
    }
    if (lowColor) {
        g[1].SetStandardColor(face);
        g[3].SetStandardColor(face);
    }
}

CJQWColorManager* GetColorManager()
{
    // Lives to process exit; never destroyed before its last user.
    static std::unique_ptr<CJQWColorManager> manager = std::make_unique<CJQWColorManager>();
    return manager.get();
}

void RefreshColorManager()
{
    GetColorManager()->RefreshColors();
}
