#pragma once
// The toolkit's 63 indexed colours and ten scheme gradients. A colour value 0-62 names an entry;
// anything larger is a literal COLORREF, so callers may pass either wherever a colour is expected.

#include "platform/framework/Archive.h"
#include "platform/framework/CmdTarget.h"
#include "platform/gdi/GdiTypes.h"

constexpr int JQW_COLOR_COUNT = 63;
constexpr COLORREF JQW_COLOR_UNSET = COLORREF(-1);

class CJQWPaintManagerColor {
public:
    CJQWPaintManagerColor() = default;
    virtual ~CJQWPaintManagerColor() = default;

    COLORREF GetStandardValue() const { return m_standard; }
    COLORREF GetCustomValue() const { return m_custom; }
    void SetStandardValue(COLORREF value) { m_standard = value; }
    void SetCustomValue(COLORREF value) { m_custom = value; }
    // The custom value when there is one, else the standard value.
    operator COLORREF() const { return m_custom != JQW_COLOR_UNSET ? m_custom : m_standard; }

    virtual void Serialize(CArchive& archive);

private:
    COLORREF m_standard = JQW_COLOR_UNSET;
    COLORREF m_custom = JQW_COLOR_UNSET;
};

class CJQWPaintManagerColorGradient {
public:
    CJQWPaintManagerColorGradient() = default;
    virtual ~CJQWPaintManagerColorGradient() = default;

    void ConstructFromColor(COLORREF color) { SetStandardColor(color); }
    void SetStandardValue(COLORREF first, COLORREF second, float factor = 0.5f);
    void SetStandardColor(COLORREF color) { SetStandardValue(color, color, 0.5f); }
    void SetStandardFrom(const CJQWPaintManagerColorGradient& other);

    virtual void Serialize(CArchive& archive);

    CJQWPaintManagerColor clrLight; // first colour, start of the gradient
    CJQWPaintManagerColor clrDark;  // second colour
    float fGradientFactor = 0.5f;
};

class CJQWColorManager : public CCmdTarget {
public:
    CJQWColorManager();

    // An index above 62 is returned as it is.
    COLORREF GetColor(int index) const;
    static COLORREF BlendColors(COLORREF first, COLORREF second, int weight);
    // A null DC means the screen.
    static BOOL IsLowColorDevice(HDC dc);
    int GetCurrentSystemTheme() const { return m_scheme; }
    BOOL IsLunaColorsDisabled() const { return FALSE; }
    void RefreshColors();

    // The contrast rules, in a colour space weighted 3 : 6 : 1 for red, green and blue.
    static bool ColorsDiffer(COLORREF reference, COLORREF candidate, int threshold);
    static COLORREF MoveColorCloser(COLORREF reference, COLORREF candidate, int threshold);
    static COLORREF MoveColorAway(COLORREF reference, COLORREF candidate, int threshold);
    static int DetectLunaScheme();

    // The scheme gradients 0-9 (the themes read them directly).
    CJQWPaintManagerColorGradient& Gradient(int number) { return m_gradients[number]; }
    const CJQWPaintManagerColorGradient& Gradient(int number) const { return m_gradients[number]; }

private:
    void RefreshGradients(bool lowColor);

    COLORREF m_standard[JQW_COLOR_COUNT] {};
    COLORREF m_custom[JQW_COLOR_COUNT];
    CJQWPaintManagerColorGradient m_gradients[10];
    int m_scheme = 0;
};

CJQWColorManager* GetColorManager();
void RefreshColorManager();
