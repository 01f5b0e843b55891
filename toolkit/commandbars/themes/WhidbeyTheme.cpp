#include "toolkit/commandbars/themes/WhidbeyTheme.h"

namespace JQWPaintThemes {

CJQWWhidbeyTheme::CJQWWhidbeyTheme()
{
    // Never the orange scheme states: the scheme-dependent colours are this theme's own.
    m_schemeSelection = 0;
    m_singleLineSeparators = true;
}

void CJQWWhidbeyTheme::RefreshMetrics()
{
    CJQWOffice2003Theme::RefreshMetrics();
    auto e = [this](int index) { return GetColor(index); };
    m_grcChevron.SetStandardValue(CJQWColorManager::BlendColors(e(5), e(15), 550), e(16));
    if (CJQWColorManager::IsLowColorDevice(nullptr))
        m_grcChevron.SetStandardColor(e(15));

    auto set = [this](int index, COLORREF value) { m_themeColors[index].SetStandardValue(value); };
    switch (GetSystemColorScheme()) {
    case 1:
    case 2: {
        const bool olive = GetSystemColorScheme() == 2;
        m_grcBand.SetStandardValue(RGB(250, 249, 245), RGB(192, 192, 168), 0.75f);
        m_grcChevron.SetStandardValue(RGB(238, 237, 234), olive ? RGB(176, 172, 158) : RGB(152, 152, 126), 0.75f);
        m_grcDock.SetStandardValue(RGB(229, 229, 215), RGB(244, 241, 231));
        m_clrShadowLine.SetStandardValue(RGB(163, 163, 124));
        m_grcRarelyUsed.SetStandardColor(RGB(204, 199, 186));
        m_grcGlyph.SetStandardValue(m_grcBand.clrLight, m_grcBand.clrDark, m_grcBand.fGradientFactor);
        if (olive) {
            m_grcFace.SetStandardValue(RGB(236, 233, 216), RGB(172, 168, 153));
            set(31, RGB(182, 198, 141));
            set(33, RGB(147, 160, 112));
            set(36, RGB(182, 198, 141));
            set(47, RGB(255, 255, 255));
        } else {
            m_grcFace.SetStandardValue(RGB(247, 245, 249), RGB(122, 121, 153));
        }
        break;
    }
    case 3:
        m_grcBand.SetStandardValue(RGB(243, 244, 250), RGB(153, 151, 181), 0.75f);
        m_grcChevron.SetStandardValue(RGB(179, 178, 200), RGB(118, 116, 146), 0.75f);
        m_grcDock.SetStandardValue(RGB(215, 215, 229), RGB(243, 243, 247));
        m_clrShadowLine.SetStandardValue(RGB(124, 124, 148));
        m_grcRarelyUsed.SetStandardValue(RGB(215, 215, 226), RGB(133, 131, 162));
        m_grcGlyph.SetStandardValue(RGB(232, 232, 241), RGB(176, 174, 197));
        m_grcFace.SetStandardValue(RGB(247, 245, 249), RGB(122, 121, 153));
        set(31, RGB(255, 238, 194));
        set(33, RGB(254, 128, 62));
        set(36, RGB(255, 192, 111));
        set(47, RGB(0, 0, 0));
        for (int index : { 32, 37, 50 })
            set(index, RGB(75, 75, 111));
        set(35, RGB(141, 141, 141));
        set(60, RGB(141, 141, 141));
        set(38, RGB(84, 84, 117));
        set(39, RGB(110, 109, 143));
        set(30, RGB(219, 218, 228));
        m_clrTearOff.SetStandardValue(RGB(192, 192, 211));
        m_clrCaption.SetStandardValue(RGB(122, 121, 153));
        set(61, RGB(122, 121, 153));
        m_clrCaptionBack = m_clrCaption;
        break;
    default:
        break;
    }
    CreateExpandGlyph();
}

} // namespace JQWPaintThemes
