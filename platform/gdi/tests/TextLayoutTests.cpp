// DrawTextW, extents, ellipses, prefixes, turned text, the symbol glyphs and font enumeration.

#include "platform/gdi/Gdi.h"

#include <gtest/gtest.h>

#include "platform/gdi/tests/GdiTestSupport.h"
#include "platform/gdi/tests/PixelTestSupport.h"

#include <algorithm>
#include <set>

using namespace gdi_test;

namespace {

class TextSurface : public Surface {
public:
    TextSurface(int w, int h, const FontSpec& spec)
        : Surface(w, h)
        , m_font(spec)
    {
        SelectObject(dc(), m_font.get());
        SetBkMode(dc(), TRANSPARENT);
    }
    SIZE Extent(const std::u16string& text) const
    {
        SIZE s {};
        GetTextExtentPoint32W(dc(), text.data(), int(text.size()), &s);
        return s;
    }
    RECT CalcRect(const std::u16string& text, UINT format, LONG width = 0) const
    {
        RECT r { 10, 20, 10 + width, 20 };
        DrawTextW(dc(), text.data(), int(text.size()), &r, format | DT_CALCRECT);
        return r;
    }
    // The text DrawTextW drew, read back by drawing candidates the same way.
    int Height() const
    {
        TEXTMETRICW tm {};
        GetTextMetricsW(dc(), &tm);
        return tm.tmHeight;
    }

private:
    Font m_font;
};

RECT InkBox(const Surface& s)
{
    RECT box { s.width(), s.height(), 0, 0 };
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            if (s.At(x, y) != RGB(255, 255, 255)) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    return box;
}

} // namespace

TEST(DrawText, NothingToDrawHasNoExtentAndCountsZero)
{
    TextSurface t(40, 20, { u"Tahoma", -11 });
    // An empty string: an empty rectangle at its corner, whatever the format.
    for (UINT format : { UINT(DT_SINGLELINE), UINT(DT_WORDBREAK), UINT(DT_SINGLELINE | DT_VCENTER) }) {
        RECT r { 10, 20, 60, 90 };
        EXPECT_EQ(DrawTextW(t.dc(), u"", -1, &r, format | DT_CALCRECT), 0);
        EXPECT_EQ(r.left, 10);
        EXPECT_EQ(r.top, 20);
        EXPECT_EQ(r.right, 10);
        EXPECT_EQ(r.bottom, 20);
    }
    // A count of 0 draws nothing and answers 0, even with text behind the pointer.
    RECT r { 0, 0, 40, 20 };
    EXPECT_EQ(DrawTextW(t.dc(), u"File", 0, &r, DT_SINGLELINE), 0);
    EXPECT_EQ(InkBox(t).right, 0);
    EXPECT_EQ(r.right, 40);
    EXPECT_EQ(r.bottom, 20);
}

TEST(DrawText, CalcRectEqualsTheExtents)
{
    TextSurface t(10, 10, { u"Tahoma", -11 });
    for (const std::u16string text : { u"File", u"Save As...", u"  spaced  ", u"\u00C5ngstr\u00F6m", u"WWWWiiii" }) {
        const SIZE extent = t.Extent(text);
        const RECT r = t.CalcRect(text, DT_SINGLELINE);
        EXPECT_EQ(r.right - r.left, extent.cx);
        EXPECT_EQ(r.bottom - r.top, extent.cy);
        EXPECT_EQ(r.left, 10);
    }
    // Prefixes do not count: "&Save" measures as "Save", "&&" as "&".
    EXPECT_EQ(t.CalcRect(u"&Save", DT_SINGLELINE).right - 10, t.Extent(u"Save").cx);
    EXPECT_EQ(t.CalcRect(u"A&&B", DT_SINGLELINE).right - 10, t.Extent(u"A&B").cx);
    EXPECT_EQ(t.CalcRect(u"A&&B", DT_SINGLELINE | DT_NOPREFIX).right - 10, t.Extent(u"A&&B").cx);
    // Lines and word breaks: height per line, width of the longest line.
    const RECT two = t.CalcRect(u"one\r\nthree", 0);
    EXPECT_EQ(two.bottom - two.top, 2 * t.Height());
    EXPECT_EQ(two.right - two.left, t.Extent(u"three").cx);
    const LONG width = std::max(t.Extent(u"alpha beta").cx, t.Extent(u"gamma delta").cx);
    const RECT wrapped = t.CalcRect(u"alpha beta gamma delta", DT_WORDBREAK, width);
    EXPECT_EQ(wrapped.bottom - wrapped.top, 2 * t.Height());
    EXPECT_LE(wrapped.right - wrapped.left, width);
    const RECT longWord = t.CalcRect(u"extraordinarily", DT_WORDBREAK, 5);
    EXPECT_EQ(longWord.right - longWord.left, t.Extent(u"extraordinarily").cx); // a long word overflows
}

TEST(DrawText, EllipsesGiveTheExpectedStrings)
{
    TextSurface t(200, 30, { u"Tahoma", -11 });
    const std::u16string text = u"The quick brown fox";
    struct Case {
        UINT format;
        std::u16string expected;
        LONG width;
    };
    const LONG w = t.Extent(u"The quick...").cx;
    const std::u16string path = u"C:\\Photos\\Summer\\beach.jpg";
    const LONG pw = t.Extent(u"C:\\Pho...\\beach.jpg").cx;
    const Case cases[] = {
        { DT_END_ELLIPSIS, u"The quick...", w },
        { DT_END_ELLIPSIS, u"The quick...", w + 1 },
        { DT_END_ELLIPSIS, text, t.Extent(text).cx },
        { DT_WORD_ELLIPSIS, u"The quick...", t.Extent(u"The quick b...").cx },
        { DT_PATH_ELLIPSIS, u"C:\\Pho...\\beach.jpg", pw },
        { DT_END_ELLIPSIS, u"...", 1 },
    };
    for (const Case& c : cases) {
        const std::u16string source = c.format == DT_PATH_ELLIPSIS ? path : text;
        // Drawn result equals the expected string drawn plainly at the same place.
        Surface expected(200, 30);
        Surface actual(200, 30);
        for (Surface* s : { &expected, &actual }) {
            Font font({ u"Tahoma", -11 });
            SelectObject(s->dc(), font.get());
            SetBkMode(s->dc(), TRANSPARENT);
            RECT r { 0, 0, c.width, 30 };
            if (s == &expected) {
                RECT wide { 0, 0, 200, 30 };
                IntersectClipRect(s->dc(), 0, 0, c.width, 30);
                DrawTextW(s->dc(), c.expected.data(), int(c.expected.size()), &wide, DT_SINGLELINE | DT_NOPREFIX);
            } else {
                DrawTextW(s->dc(), source.data(), int(source.size()), &r, DT_SINGLELINE | DT_NOPREFIX | c.format);
            }
            SelectObject(s->dc(), GetStockObject(DEFAULT_GUI_FONT));
        }
        EXPECT_EQ(actual.pixels(), expected.pixels()) << std::string(c.expected.begin(), c.expected.end());
    }
}

TEST(DrawText, PrefixUnderlinesTheNextCharacterOnly)
{
    TextSurface plain(80, 20, { u"Tahoma", -11 });
    TextSurface prefixed(80, 20, { u"Tahoma", -11 });
    RECT r { 0, 0, 80, 20 };
    DrawTextW(plain.dc(), u"Save", -1, &r, DT_SINGLELINE);
    DrawTextW(prefixed.dc(), u"&Save", -1, &r, DT_SINGLELINE);
    TEXTMETRICW tm {};
    GetTextMetricsW(prefixed.dc(), &tm);
    const int underlineRow = tm.tmAscent + 1;
    const LONG sWidth = prefixed.Extent(u"S").cx;
    for (int x = 0; x < 80; ++x) {
        const bool under = prefixed.At(x, underlineRow) != RGB(255, 255, 255) && plain.At(x, underlineRow) == RGB(255, 255, 255);
        EXPECT_EQ(under, x < sWidth) << x;
    }
    TextSurface hidden(80, 20, { u"Tahoma", -11 });
    DrawTextW(hidden.dc(), u"&Save", -1, &r, DT_SINGLELINE | DT_HIDEPREFIX);
    EXPECT_EQ(hidden.pixels(), plain.pixels());
}

TEST(DrawText, AlignmentAndVerticalCentring)
{
    TextSurface t(100, 40, { u"Tahoma", -11 });
    RECT r { 0, 0, 100, 40 };
    const int h = DrawTextW(t.dc(), u"Hi", -1, &r, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM);
    EXPECT_EQ(h, 40);
    const RECT ink = InkBox(t);
    EXPECT_LE(ink.right, 100);
    EXPECT_GE(ink.right, 100 - 2);
    EXPECT_GT(ink.top, 20);
}

TEST(Text, EscapementTurnsTheTextAndSwapsItsExtents)
{
    for (LONG escapement : { 0L, 900L, 2700L }) {
        LOGFONTW lf = MakeLogFont({ u"Verdana", -14 });
        lf.lfEscapement = escapement;
        HFONT font = CreateFontIndirectW(&lf);
        Surface s(120, 120);
        SelectObject(s.dc(), font);
        SetBkMode(s.dc(), TRANSPARENT);
        TextOutW(s.dc(), 60, 60, u"Vertical", 8);
        const RECT ink = InkBox(s);
        SIZE extent {};
        GetTextExtentPoint32W(s.dc(), u"Vertical", 8, &extent);
        const LONG w = ink.right - ink.left;
        const LONG h = ink.bottom - ink.top;
        if (escapement == 0) {
            EXPECT_GT(w, h);
            EXPECT_GE(ink.left, 60);
        } else {
            EXPECT_GT(h, w) << escapement;
            EXPECT_LE(h, extent.cx);
            if (escapement == 900)
                EXPECT_LE(ink.bottom, 60); // upwards from the reference point
            else
                EXPECT_GE(ink.top, 60);
        }
        SelectObject(s.dc(), GetStockObject(DEFAULT_GUI_FONT));
        DeleteObject(font);
    }
}

TEST(Text, SymbolGlyphs)
{
    // The glyphs stand on the cell's internal leading: the cell is taller than the em.
    Font font({ u"Marlett", -16 });
    TEXTMETRICW tm {};
    {
        Surface probe(1, 1);
        SelectObject(probe.dc(), font.get());
        GetTextMetricsW(probe.dc(), &tm);
        SelectObject(probe.dc(), GetStockObject(DEFAULT_GUI_FONT));
    }
    EXPECT_GT(tm.tmHeight, 16);
    Surface s(8 * 16, tm.tmHeight);
    SelectObject(s.dc(), font.get());
    SetBkMode(s.dc(), TRANSPARENT);
    int x = 0;
    for (char16_t c : std::u16string(u"r0123456")) {
        SIZE extent {};
        GetTextExtentPoint32W(s.dc(), &c, 1, &extent);
        EXPECT_EQ(extent.cx, 16);
        TextOutW(s.dc(), x, 0, &c, 1);
        x += 16;
    }
    // Monochrome: only black and white.
    for (DWORD p : s.pixels())
        EXPECT_TRUE((p & 0xFFFFFF) == 0 || (p & 0xFFFFFF) == 0xFFFFFF);
    EXPECT_TRUE(MatchesGolden(s, "marlett_symbols"));
    SelectObject(s.dc(), GetStockObject(DEFAULT_GUI_FONT));
}

TEST(Text, FacesAndWordsAsGoldens)
{
    Surface s(200, 48);
    struct Line {
        const char16_t* face;
        LONG weight;
        const char16_t* text;
    };
    int y = 2;
    for (Line line : { Line { u"Tahoma", FW_NORMAL, u"Tahoma: Save As..." }, Line { u"Verdana", FW_BOLD, u"Verdana bold 123" },
             Line { u"Courier", FW_NORMAL, u"Courier {mono}" } }) {
        Font font({ line.face, -12, line.weight });
        SelectObject(s.dc(), font.get());
        SetBkMode(s.dc(), TRANSPARENT);
        TextOutW(s.dc(), 2, y, line.text, int(std::char_traits<char16_t>::length(line.text)));
        y += 15;
        SelectObject(s.dc(), GetStockObject(DEFAULT_GUI_FONT));
    }
    // Anti-aliased edges may move by a few levels between FreeType versions.
    EXPECT_TRUE(MatchesGolden(s, "faces", 48));
}

namespace {

int CollectFamily(const LOGFONTW* lf, const TEXTMETRICW*, DWORD type, LPARAM data)
{
    auto* names = reinterpret_cast<std::vector<std::u16string>*>(data);
    names->push_back(lf->lfFaceName);
    EXPECT_EQ(type, TRUETYPE_FONTTYPE);
    return 1;
}

} // namespace

TEST(Text, EnumFontFamiliesListsTheAliasesSortedOnce)
{
    Surface s(1, 1);
    LOGFONTW any {};
    any.lfCharSet = DEFAULT_CHARSET;
    std::vector<std::u16string> names;
    EnumFontFamiliesExW(s.dc(), &any, &CollectFamily, reinterpret_cast<LPARAM>(&names), 0);
    for (const char16_t* alias : { u"Arial", u"Tahoma", u"MS Shell Dlg", u"Verdana", u"Courier", u"Marlett" })
        EXPECT_NE(std::find(names.begin(), names.end(), alias), names.end()) << std::string(alias, alias + 5);
    EXPECT_EQ(std::find(names.begin(), names.end(), u"Segoe UI"), names.end());
    EXPECT_EQ(std::set<std::u16string>(names.begin(), names.end()).size(), names.size());
    std::vector<std::u16string> one;
    LOGFONTW tahoma = MakeLogFont({ u"tahoma", 0 });
    EnumFontFamiliesExW(s.dc(), &tahoma, &CollectFamily, reinterpret_cast<LPARAM>(&one), 0);
    EXPECT_EQ(one, std::vector<std::u16string> { u"Tahoma" });
}
