#include "tooltips/RichHtmlDrawer.h"

#include "platform/base/Modules.h"
#include "platform/shell/ShellExecute.h"
#include "platform/user/Cursors.h"
#include "platform/user/Resources.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace {

// Hostile markup must not make the renderer allocate or loop without bound.
constexpr int kMaxFontSize = 400;
constexpr int kMaxCount = 64;
constexpr int kMaxLength = 100000;
constexpr size_t kMaxStyleDepth = 256;
constexpr int kMaxTableDepth = 8;
constexpr size_t kMaxTables = 512;
constexpr int kMaxGrid = 128;
constexpr int kMaxSpan = 64;
constexpr size_t kMaxAnimations = 256;

bool IsAsciiAlnum(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

bool IsNameStart(char16_t c) { return IsAsciiAlnum(c) || c == u'.'; }

HtmlText Lower(HtmlText s)
{
    for (char16_t& c : s)
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c - u'A' + u'a');
    return s;
}

void ReplaceAll(HtmlText& s, const HtmlText& from, const HtmlText& to)
{
    size_t pos = 0;
    while ((pos = s.find(from, pos)) != HtmlText::npos) {
        s.replace(pos, from.size(), to);
        pos += to.size();
    }
}

// An unsigned number as C reads it: decimal, "0x" hexadecimal or octal after a leading 0.
unsigned long ReadUnsigned(const HtmlText& s)
{
    std::string ascii;
    for (char16_t c : s) {
        if (c > 0x7F)
            break;
        ascii += char(c);
    }
    return std::strtoul(ascii.c_str(), nullptr, 0);
}

int LeadingInteger(const HtmlText& s)
{
    long long n = 0;
    for (char16_t c : s) {
        if (c < u'0' || c > u'9')
            break;
        n = std::min<long long>(n * 10 + (c - u'0'), kMaxLength);
    }
    return int(n);
}

int Clamp(long long v) { return int(std::clamp<long long>(v, -kMaxLength, kMaxLength)); }

HtmlText TrimLeft(const HtmlText& s)
{
    size_t i = s.find_first_not_of(u" \t");
    return i == HtmlText::npos ? HtmlText() : s.substr(i);
}

HtmlText TrimRight(const HtmlText& s)
{
    size_t i = s.find_last_not_of(u" \t");
    return i == HtmlText::npos ? HtmlText() : s.substr(0, i + 1);
}

COLORREF FromRgbHex(unsigned v) { return RGB(BYTE(v >> 16), BYTE(v >> 8), BYTE(v)); }

const char16_t* const kDefaultStyleSheet =
    u"body {font-size: 10pt; color:black; font-family:Verdana}\r\n"
    u"p {font-size: 10pt; color:black; font-family:Verdana; font-weight:bold}\r\n"
    u"h1 {font-size: 14pt; color:black; font-family:Verdana; font-weight:bold}\r\n"
    u"h2 {font-size: 13pt; color:#ff9900; font-family:Verdana; font-weight:bold}\r\n"
    u"h3 {font-size: 12pt; color:#ff9900; font-family:Arial; font-weight:bold}\r\n"
    u"h4 {font-size: 10pt; color:black; font-family:Verdana; font-weight:bold}\r\n"
    u"h5 {font-size: 9pt; color:#ff9900; font-family:Verdana; font-weight:bold}\r\n"
    u"h6 {font-size: 65%; color:#626262; font-family:Verdana; font-weight:normal}\r\n"
    u"pre {font-size: 9pt; font-family:\"Courier\"; background-color:#fbedbb}\r\n"
    u"code {color:#990000; font-family:Arial}\r\n"
    u"a:hover {text-decoration:underline; color:blue}\r\n"
    u"sub {font-size:65%; vertical-align:bottom}\r\n"
    u"sup {font-size:65%; vertical-align:top}\r\n"
    u"big {font-size:125%}\r\n"
    u"small {font-size:75%}\r\n"
    u".cpp-comment {color:green; font-style:italic}\r\n";

} // namespace

CRichHtmlDrawer::CRichHtmlDrawer()
{
    auto tag = [this](const char16_t* name, Element e, const char16_t* scope, int value = 0) {
        m_tags[name] = TagInfo{ e, scope, value };
    };
    tag(u"b", elBold, u"bold");
    tag(u"i", elItalic, u"italic");
    tag(u"em", elItalic, u"italic");
    tag(u"u", elUnderline, u"underline");
    tag(u"s", elStrike, u"strikeout");
    tag(u"strike", elStrike, u"strikeout");
    tag(u"indent", elIndent, u"indent");
    tag(u"font", elFont, u"font");
    tag(u"left", elAlign, u"left", 0);
    tag(u"center", elAlign, u"center", 1);
    tag(u"right", elAlign, u"right", 2);
    tag(u"justify", elAlign, u"justify", 3);
    tag(u"top", elVAlign, u"top", 0);
    tag(u"vcenter", elVAlign, u"vcenter", 1);
    tag(u"middle", elVAlign, u"vcenter", 1);
    tag(u"bottom", elVAlign, u"vcenter", 2);
    tag(u"baseline", elVAlign, u"baseline", 3);
    for (const char16_t* rule : { u"body", u"h1", u"h2", u"h3", u"h4", u"h5", u"h6", u"code", u"pre", u"big", u"small",
             u"sub", u"sup" })
        tag(rule, elRule, rule);
    tag(u"span", elSpan, u"span");
    tag(u"a", elLink, u"link");
    tag(u"br", elBreak, u"");
    tag(u"t", elTab, u"");
    tag(u"hr", elHr, u"");
    tag(u"bmp", elBitmap, u"");
    tag(u"icon", elIcon, u"");
    tag(u"ilst", elImageList, u"");
    tag(u"string", elString, u"");
    tag(u"table", elTable, u"table");
    tag(u"tr", elRow, u"tr");
    tag(u"td", elCell, u"td");

    static const std::pair<const char16_t*, unsigned> kNamed[] = {
#include "tooltips/HtmlColours.inc"
    };
    for (const auto& [name, rgb] : kNamed)
        m_colours[name] = FromRgbHex(rgb);
    static const std::pair<const char16_t*, int> kSystem[] = {
        { u"activeborder", COLOR_ACTIVEBORDER }, { u"activecaption", COLOR_ACTIVECAPTION },
        { u"appworkspace", COLOR_APPWORKSPACE }, { u"background", COLOR_BACKGROUND }, { u"buttonface", COLOR_BTNFACE },
        { u"buttonhighlight", COLOR_BTNHIGHLIGHT }, { u"buttonshadow", COLOR_BTNSHADOW },
        { u"buttontext", COLOR_BTNTEXT }, { u"captiontext", COLOR_CAPTIONTEXT }, { u"graytext", COLOR_GRAYTEXT },
        { u"highlight", COLOR_HIGHLIGHT }, { u"highlighttext", COLOR_HIGHLIGHTTEXT }, { u"window", COLOR_WINDOW },
        { u"windowframe", COLOR_WINDOWFRAME }, { u"inactiveborder", COLOR_INACTIVEBORDER },
        { u"inactivecaption", COLOR_INACTIVECAPTION }, { u"inactivecaptiontext", COLOR_INACTIVECAPTIONTEXT },
        { u"infobackground", COLOR_INFOBK }, { u"infotext", COLOR_INFOTEXT }, { u"menu", COLOR_MENU },
        { u"menutext", COLOR_MENUTEXT }, { u"scrollbar", COLOR_SCROLLBAR }, { u"threeddarkshadow", COLOR_3DDKSHADOW },
        { u"threedface", COLOR_BTNFACE }, { u"threedhighlight", COLOR_BTNHIGHLIGHT },
        { u"threedlightshadow", COLOR_3DLIGHT }, { u"threedshadow", COLOR_BTNSHADOW },
        { u"windowtext", COLOR_WINDOWTEXT },
    };
    for (const auto& [name, index] : kSystem)
        m_colours[name] = COLORREF(GetSysColor(index));

    LoadStyleSheet(kDefaultStyleSheet);
    ResetStyle();
    m_linkCursor = LoadCursorW(nullptr, IDC_HAND);
}

CRichHtmlDrawer::~CRichHtmlDrawer()
{
    if (m_font)
        DeleteObject(m_font);
}

HtmlText CRichHtmlDrawer::PrepareText(const HtmlText& text)
{
    // Replaced one after another in ascending order of the entity text, so "&amp;lt;" ends as "<".
    static const std::map<HtmlText, HtmlText> kEntities = {
        { u"&amp;", u"&" }, { u"&bull;", u"\u2022" }, { u"&copy;", u"\u00A9" }, { u"&euro;", u"\u20AC" },
        { u"&gt;", u">" }, { u"&iquest;", u"\u00BF" }, { u"&lt;", u"<<" }, { u"&nbsp;", u" " },
        { u"&para;", u"\u00B6" }, { u"&pound;", u"\u00A3" }, { u"&quot;", u"\"" }, { u"&reg;", u"\u00AE" },
        { u"&trade;", u"\u2122" },
    };
    HtmlText s = text;
    for (const auto& [entity, value] : kEntities)
        ReplaceAll(s, entity, value);
    s.erase(std::remove(s.begin(), s.end(), u'\r'), s.end());
    ReplaceAll(s, u"\n", u"<br>");
    ReplaceAll(s, u"\t", u"<t>");
    return s;
}

std::vector<std::pair<HtmlText, HtmlText>> CRichHtmlDrawer::ParseAttributes(const HtmlText& p)
{
    std::vector<std::pair<HtmlText, HtmlText>> out;
    size_t i = 0;
    const size_t n = p.size();
    while (true) {
        while (i < n && !IsNameStart(p[i]))
            ++i;
        if (i >= n)
            break;
        size_t end = i;
        while (end < n && p[end] != u' ' && p[end] != u'=')
            ++end;
        HtmlText name = p.substr(i, end - i);
        i = end;
        while (i < n && p[i] == u' ')
            ++i;
        HtmlText value;
        if (i < n && p[i] == u'=') {
            while (i < n && (p[i] == u' ' || p[i] == u'='))
                ++i;
            if (i < n && (p[i] == u'"' || p[i] == u'\'')) {
                const char16_t mark = p[i++];
                size_t close = p.find(mark, i);
                if (close == HtmlText::npos)
                    close = n;
                value = p.substr(i, close - i);
                i = close < n ? close + 1 : n;
            } else {
                size_t close = p.find(u' ', i);
                if (close == HtmlText::npos)
                    close = n;
                value = p.substr(i, close - i);
                i = close;
            }
        }
        out.emplace_back(std::move(name), std::move(value));
    }
    return out;
}

SIZE CRichHtmlDrawer::Extent(const HtmlText& text) const
{
    SIZE size{ 0, 0 };
    if (m_hdc && !text.empty())
        GetTextExtentPoint32W(m_hdc, text.data(), int(text.size()), &size);
    return size;
}

int CRichHtmlDrawer::ReadLength(const HtmlText& value, int nDefault, bool bFont) const
{
    if (value.empty())
        return nDefault;
    if (value.back() == u'%') {
        HtmlText number = value.substr(0, value.size() - 1);
        bool negative = !number.empty() && number[0] == u'-';
        if (!number.empty() && (number[0] == u'-' || number[0] == u'+'))
            number.erase(0, 1);
        long long n = LeadingInteger(number) * (negative ? -1 : 1);
        return Clamp(std::llround(double(nDefault) * double(n) / 100.0));
    }
    HtmlText s = value;
    bool negative = false;
    if (s[0] == u'+' || s[0] == u'-') {
        negative = s[0] == u'-';
        s.erase(0, 1);
    }
    const long long n = LeadingInteger(s);
    const HtmlText unit = s.size() >= 2 ? s.substr(s.size() - 2) : HtmlText();
    const long long dpi = m_hdc ? GetDeviceCaps(m_hdc, LOGPIXELSY) : 96;
    if (unit == u"px")
        return Clamp(n);
    if (unit == u"ex")
        return Clamp(n * Extent(u"x").cy);
    if (unit == u"em")
        return Clamp(n * m_tm.tmHeight);
    if (unit == u"in")
        return Clamp(n * dpi);
    if (unit == u"cm")
        return Clamp(n * dpi * 100 / 254);
    if (unit == u"mm")
        return Clamp(n * dpi * 10 / 254);
    if (unit == u"pt")
        return Clamp(n * dpi / 72);
    if (unit == u"pc")
        return Clamp(n * dpi / 6);
    const unsigned long number = std::min<unsigned long>(ReadUnsigned(s), kMaxLength);
    static const int kHtmlSizes[] = { 8, 10, 12, 14, 18, 24, 36 };
    if (bFont && number >= 1 && number <= 7)
        return kHtmlSizes[number - 1];
    return negative ? -int(number) : int(number);
}

COLORREF CRichHtmlDrawer::ReadColour(const HtmlText& value, COLORREF crDefault) const
{
    if (value.empty())
        return crDefault;
    if (value[0] == u'#') {
        if (value.size() != 7)
            return crDefault;
        unsigned v = 0;
        for (size_t i = 1; i < 7; ++i) {
            const char16_t c = value[i];
            int d = c >= u'0' && c <= u'9' ? c - u'0'
                : c >= u'a' && c <= u'f'   ? c - u'a' + 10
                : c >= u'A' && c <= u'F'   ? c - u'A' + 10
                                           : -1;
            if (d < 0)
                return crDefault;
            v = v * 16 + unsigned(d);
        }
        return FromRgbHex(v);
    }
    if (value[0] >= u'0' && value[0] <= u'9')
        return COLORREF(ReadUnsigned(value) & 0xFFFFFFFFul);
    auto it = m_colours.find(value);
    return it == m_colours.end() ? crDefault : it->second;
}

void CRichHtmlDrawer::LoadStyleSheet(const HtmlText& sheet)
{
    size_t i = 0;
    const size_t n = sheet.size();
    while (true) {
        while (i < n && !IsNameStart(sheet[i]))
            ++i;
        if (i >= n)
            break;
        size_t end = i;
        while (end < n && sheet[end] != u' ' && sheet[end] != u'{')
            ++end;
        HtmlText selector = Lower(sheet.substr(i, end - i));
        const size_t open = sheet.find(u'{', end);
        if (open == HtmlText::npos)
            break;
        size_t close = sheet.find(u'}', open + 1);
        if (close == HtmlText::npos)
            close = n;
        m_styleSheet[selector] = sheet.substr(open + 1, close - open - 1);
        i = close < n ? close + 1 : n;
    }
}

bool CRichHtmlDrawer::ApplyRule(const HtmlText& selector, HtmlStyle& style) const
{
    auto it = m_styleSheet.find(Lower(selector));
    if (it == m_styleSheet.end())
        return false;
    ApplyDeclarations(it->second, style);
    return true;
}

void CRichHtmlDrawer::ApplyDeclarations(const HtmlText& text, HtmlStyle& st) const
{
    const HtmlText d = Lower(text);
    const size_t n = d.size();
    size_t i = 0;
    while (true) {
        while (i < n && !IsNameStart(d[i]))
            ++i;
        if (i >= n)
            break;
        size_t end = i;
        while (end < n && d[end] != u' ' && d[end] != u':')
            ++end;
        const HtmlText prop = d.substr(i, end - i);
        i = end;
        while (i < n && d[i] == u' ')
            ++i;
        HtmlText v;
        if (i < n && d[i] == u':') {
            ++i;
            while (i < n && d[i] == u' ')
                ++i;
            if (i < n && d[i] == u'"') {
                size_t close = d.find(u'"', i + 1);
                if (close == HtmlText::npos)
                    close = n;
                v = d.substr(i + 1, close - i - 1);
                i = close < n ? close + 1 : n;
            } else {
                size_t close = d.find(u';', i);
                if (close == HtmlText::npos)
                    close = n;
                v = d.substr(i, close - i);
                i = close;
            }
        }
        if (prop == u"font-size")
            st.nSize = std::clamp(ReadLength(v, st.nSize, true), -kMaxFontSize, kMaxFontSize);
        else if (prop == u"font-family") {
            if (!v.empty())
                st.strFace = v;
        } else if (prop == u"font-style") {
            if (v.empty() || v == u"normal")
                st.bItalic = false;
            else if (v == u"italic" || v == u"oblique")
                st.bItalic = true;
        } else if (prop == u"font-weight") {
            st.nWeight = v.empty() || v == u"normal" ? 400
                : v == u"bold"                        ? 700
                : v == u"bolder"                      ? 900
                : v == u"lighter"                     ? 100
                                                      : std::clamp(LeadingInteger(v), 0, 1000);
        } else if (prop == u"text-align") {
            if (v.empty() || v == u"left")
                st.nHorzAlign = 0;
            else if (v == u"center")
                st.nHorzAlign = 1;
            else if (v == u"right")
                st.nHorzAlign = 2;
        } else if (prop == u"text-transform") {
            if (v.empty() || v == u"none")
                st.nTextTransform = 0;
            else if (v == u"uppercase")
                st.nTextTransform = 1;
            else if (v == u"lowercase")
                st.nTextTransform = 2;
            else if (v == u"capitalize")
                st.nTextTransform = 3;
        } else if (prop == u"color")
            st.crText = ReadColour(v, st.crText);
        else if (prop == u"background-color") {
            if (v.empty() || v == u"transparent")
                st.nBkMode = TRANSPARENT;
            else {
                st.crBkgnd = ReadColour(v, st.crBkgnd);
                st.nBkMode = OPAQUE;
            }
        } else if (prop == u"text-decoration") {
            HtmlText words = v.empty() ? HtmlText(u"none") : v;
            size_t j = 0;
            while (j < words.size()) {
                size_t e = words.find_first_of(u" ,", j);
                if (e == HtmlText::npos)
                    e = words.size();
                const HtmlText w = words.substr(j, e - j);
                if (w == u"none")
                    st.bUnderline = st.bStrikeOut = st.bOverline = false;
                else if (w == u"underline")
                    st.bUnderline = true;
                else if (w == u"line-through")
                    st.bStrikeOut = true;
                else if (w == u"overline")
                    st.bOverline = true;
                j = e + 1;
            }
        } else if (prop == u"vertical-align") {
            if (v.empty() || v == u"baseline")
                st.nVertAlign = 3;
            else if (v == u"middle" || v == u"vcenter")
                st.nVertAlign = 1;
            else if (v == u"top")
                st.nVertAlign = 0;
            else if (v == u"bottom")
                st.nVertAlign = 2;
        } else if (prop == u"border-color")
            st.crBorderLight = st.crBorderDark = ReadColour(v, st.crBorderLight);
        else if (prop == u"border-width" || prop == u"size") {
            int w = v == u"thin" ? st.nBorderWidth * 75 / 100
                : v == u"thick"  ? st.nBorderWidth * 125 / 100
                : v == u"medium" ? st.nBorderWidth
                                 : ReadLength(v, st.nBorderWidth, false);
            st.nBorderWidth = std::clamp(w, 0, 1000);
            if (st.nBorderWidth == 0)
                st.nBorderStyle = 0;
            else if (st.nBorderStyle == 0)
                st.nBorderStyle = 1;
        } else if (prop == u"border-style") {
            if (v.empty() || v == u"none")
                st.nBorderStyle = 0;
            else if (v == u"solid")
                st.nBorderStyle = 1;
            else if (v == u"dashed")
                st.nBorderStyle = 2;
            else if (v == u"dotted")
                st.nBorderStyle = 3;
            else if (v == u"double")
                st.nBorderStyle = 6;
            if (st.nBorderStyle != 0 && st.nBorderWidth == 0)
                st.nBorderWidth = 1;
        } else if (prop == u"margin")
            st.nMargin = std::clamp(ReadLength(v, st.nMargin, false), -1000, 1000);
        else if (prop == u"padding")
            st.nPadding = std::clamp(ReadLength(v, st.nPadding, false), -1000, 1000);
    }
}

void CRichHtmlDrawer::ResetStyle()
{
    m_style = HtmlStyle();
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        const LOGFONTW& lf = metrics.lfMessageFont;
        m_style.nSize = lf.lfHeight;
        m_style.nWeight = lf.lfWeight ? int(lf.lfWeight) : 400;
        m_style.bItalic = lf.lfItalic;
        m_style.bUnderline = lf.lfUnderline;
        m_style.bStrikeOut = lf.lfStrikeOut;
        m_style.strFace = lf.lfFaceName;
        if (m_style.strFace == u"Segoe UI")
            m_style.nSize += m_style.nSize < 0 ? -1 : 1;
    }
    m_style.crText = COLORREF(GetSysColor(COLOR_INFOTEXT));
    m_style.crBkgnd = COLORREF(GetSysColor(COLOR_INFOBK));
}

void CRichHtmlDrawer::SelectStyle()
{
    if (!m_hdc)
        return;
    LOGFONTW lf{};
    lf.lfHeight = std::clamp(m_style.nSize, -kMaxFontSize, kMaxFontSize);
    lf.lfWeight = std::clamp(m_style.nWeight, 0, 1000);
    lf.lfItalic = m_style.bItalic;
    lf.lfUnderline = m_style.bUnderline;
    lf.lfStrikeOut = m_style.bStrikeOut;
    lf.lfCharSet = DEFAULT_CHARSET;
    const size_t len = std::min<size_t>(m_style.strFace.size(), 31);
    std::copy_n(m_style.strFace.data(), len, lf.lfFaceName);
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ previous = SelectObject(m_hdc, font);
    if (!m_oldFont)
        m_oldFont = previous;
    if (m_font)
        DeleteObject(m_font);
    m_font = font;
    GetTextMetricsW(m_hdc, &m_tm);
    SetBkMode(m_hdc, m_style.nBkMode);
    SetTextColor(m_hdc, m_style.crText);
    SetBkColor(m_hdc, m_style.crBkgnd);
}

bool CRichHtmlDrawer::PushPopStyle(const HtmlText& scope, bool bClosing)
{
    bool done = false;
    if (!bClosing) {
        if (m_stack.size() < kMaxStyleDepth) {
            m_style.strScope = scope;
            m_stack.push_back(m_style);
            done = true;
        }
    } else if (!m_stack.empty() && m_stack.back().strScope == scope) {
        m_style = m_stack.back();
        m_stack.pop_back();
        done = true;
    }
    m_style.strScope.clear();
    return done;
}

void CRichHtmlDrawer::ApplyStyleTag(const TagInfo& info, const HtmlText& name, const HtmlText& params)
{
    HtmlStyle& st = m_style;
    switch (info.element) {
    case elBold:
        st.nWeight = std::min(st.nWeight * 2, 900);
        break;
    case elItalic:
        st.bItalic = !st.bItalic;
        break;
    case elUnderline:
        st.bUnderline = !st.bUnderline;
        break;
    case elStrike:
        st.bStrikeOut = !st.bStrikeOut;
        break;
    case elIndent: {
        HtmlText size;
        for (const auto& [a, v] : ParseAttributes(params))
            if (a == u"size")
                size = v;
        st.nIndent = std::clamp(size.empty() ? 10 : ReadLength(size, 10, true), -1000, 1000);
        break;
    }
    case elAlign:
        st.nHorzAlign = info.value;
        break;
    case elVAlign:
        st.nVertAlign = info.value;
        break;
    case elRule:
        ApplyRule(name, st);
        break;
    case elSpan:
        for (const auto& [a, v] : ParseAttributes(params))
            if (a == u"class")
                ApplyRule(u"." + v, st);
        break;
    case elLink:
        st.nLinkKind = 2;
        st.strLink.clear();
        for (const auto& [a, v] : ParseAttributes(params)) {
            if (a == u"href") {
                st.nLinkKind = 1;
                st.strLink = v;
            } else if (a == u"msg") {
                st.nLinkKind = 2;
                st.strLink = v;
            }
        }
        ApplyRule(m_nLinkCount == m_nHotLink ? u"a:hover" : u"a:link", st);
        break;
    case elFont:
        for (const auto& [a, v] : ParseAttributes(params)) {
            if (a == u"face") {
                if (!v.empty())
                    st.strFace = v;
            } else if (a == u"size")
                st.nSize = std::clamp(ReadLength(v, st.nSize, true), -kMaxFontSize, kMaxFontSize);
            else if (a == u"color")
                st.crText = ReadColour(v, st.crText);
            else if (a == u"weight")
                ApplyDeclarations(u"font-weight:" + v, st);
            else if (a == u"style") {
                bool on = true;
                for (char16_t c : v) {
                    switch (c) {
                    case u'-': on = false; continue;
                    case u'+': on = true; continue;
                    case u'b': st.nWeight = on ? 700 : 400; break;
                    case u'i': st.bItalic = on; break;
                    case u'u': st.bUnderline = on; break;
                    case u's': st.bStrikeOut = on; break;
                    case u'o': st.bOverline = on; break;
                    default: break;
                    }
                    on = true;
                }
            } else if (a == u"bkgnd") {
                if (v.empty() || v == u"transparent")
                    st.nBkMode = TRANSPARENT;
                else {
                    st.crBkgnd = ReadColour(v, st.crBkgnd);
                    st.nBkMode = OPAQUE;
                }
            }
        }
        break;
    default:
        break;
    }
}

HtmlLine& CRichHtmlDrawer::CurrentLine()
{
    if (m_nLine < m_lines.size())
        return m_lines[m_nLine];
    // Drawing past the measured lines (a text drawn wider or narrower than measured).
    return m_spareLine;
}

void CRichHtmlDrawer::StartNewLine(const RECT& rect)
{
    const int width = rect.right - rect.left;
    if (m_bMeasuring) {
        m_lines.push_back(HtmlLine{ 0, 0, 0, 0, m_style.nHorzAlign, 0, false });
        m_nLine = m_lines.size() - 1;
        m_penX = rect.left;
    } else {
        HtmlLine& line = CurrentLine();
        int lineWidth = line.nWidth;
        if (line.nPercent)
            lineWidth += int(std::min<long long>(kMaxLength, (long long)width * line.nPercent / 100));
        m_penX = line.nAlign == 1 ? rect.left + (width - lineWidth) / 2
            : line.nAlign == 2    ? rect.left + width - lineWidth
                                  : rect.left;
    }
    m_penX += m_style.nIndent;
    m_lineStartX = m_penX;
}

void CRichHtmlDrawer::EndLine(int nCount, bool bWrapped, const RECT& rect)
{
    nCount = std::clamp(nCount, 1, kMaxCount);
    HtmlLine& line = CurrentLine();
    if (m_bMeasuring) {
        if (line.nHeight == 0)
            line.nHeight = m_tm.tmHeight;
        m_resultWidth = std::max(m_resultWidth, m_penX - int(rect.left));
        line.nHeight += line.nDescent;
        line.nWidth = m_penX - rect.left;
        line.bWrapped = bWrapped;
    }
    const int height = line.nHeight;
    ++m_nLine;
    m_penY += nCount * height;
    StartNewLine(rect);
}

int CRichHtmlDrawer::TextTop(int nTextHeight)
{
    HtmlLine& line = CurrentLine();
    if (m_bMeasuring) {
        line.nHeight = std::max<int>(line.nHeight, m_tm.tmAscent);
        line.nDescent = std::max<int>(line.nDescent, nTextHeight - m_tm.tmAscent);
        return m_penY;
    }
    switch (m_style.nVertAlign) {
    case 0: return m_penY;
    case 1: return m_penY + (line.nHeight - m_tm.tmHeight) / 2;
    case 2: return m_penY + line.nHeight - m_tm.tmAscent;
    default: return m_penY + line.nHeight - m_tm.tmAscent - line.nDescent;
    }
}

HtmlText CRichHtmlDrawer::WrapText(HtmlText& text, int nRoom, bool bLineStart)
{
    static const HtmlText kBreaks = u" -.,!:;)}]?";
    size_t accepted = HtmlText::npos;
    size_t from = 0;
    while (from < text.size()) {
        size_t brk = text.find_first_of(kBreaks, from);
        const size_t segmentEnd = brk == HtmlText::npos ? text.size() : brk;
        if (Extent(text.substr(0, segmentEnd)).cx > nRoom)
            break;
        if (brk == HtmlText::npos)
            break;
        accepted = brk;
        from = brk + 1;
    }
    HtmlText piece;
    if (accepted != HtmlText::npos) {
        piece = TrimRight(text.substr(0, accepted + 1));
        text = TrimLeft(text.substr(accepted + 1));
        return piece;
    }
    // Nothing fits: at the line start the word is cut by characters (a word wider than the
    // line would otherwise move down forever); after other pieces the line ends first.
    if (!bLineStart)
        return HtmlText();
    size_t take = 1;
    if (text.size() > 1) {
        size_t lo = 1, hi = text.size();
        while (lo < hi) {
            const size_t mid = (lo + hi + 1) / 2;
            if (Extent(text.substr(0, mid)).cx <= nRoom)
                lo = mid;
            else
                hi = mid - 1;
        }
        take = lo;
    }
    piece = text.substr(0, take);
    text.erase(0, take);
    return piece;
}

void CRichHtmlDrawer::HandleText(HtmlText text, const RECT& rect)
{
    if (m_style.nTextTransform == 1 || m_style.nTextTransform == 2 || m_style.nTextTransform == 3) {
        for (char16_t& c : text) {
            if (m_style.nTextTransform == 1 && c >= u'a' && c <= u'z')
                c = char16_t(c - 32);
            else if (m_style.nTextTransform != 1 && c >= u'A' && c <= u'Z')
                c = char16_t(c + 32);
        }
        if (m_style.nTextTransform == 3)
            for (size_t i = 0; i < text.size(); ++i)
                if ((i == 0 || text[i - 1] == u' ') && text[i] >= u'a' && text[i] <= u'z')
                    text[i] = char16_t(text[i] - 32);
    }
    const int width = rect.right - rect.left;
    while (!text.empty()) {
        SIZE size = Extent(text);
        const int top = TextTop(size.cy);
        const int room = width + rect.left - m_penX;
        HtmlText piece;
        if (m_nMaxWidth > 0 && size.cx > room && width != 0) {
            piece = WrapText(text, room, m_penX == m_lineStartX);
            size = Extent(piece);
        } else {
            piece.swap(text);
        }
        if (m_bMeasuring) {
            HtmlLine& line = CurrentLine();
            line.nAlign = m_style.nHorzAlign;
            line.nSpaces += int(std::count(piece.begin(), piece.end(), u' '));
            m_pieces.push_back(Piece{ piece, m_style });
        } else if (size.cx > 0) {
            if (m_style.nLinkKind != 0) {
                RECT area{ m_penX, top, m_penX + size.cx, top + size.cy };
                m_links.push_back(HtmlLinkArea{ area, m_style.nLinkKind, m_nLinkCount, m_style.strLink });
            }
            const HtmlText shown = TrimLeft(piece);
            if (!shown.empty())
                TextOutW(m_hdc, m_penX + Extent(piece).cx - Extent(shown).cx, top, shown.data(), int(shown.size()));
            if (m_style.bOverline) {
                HPEN pen = CreatePen(PS_SOLID, m_style.nWeight >= 700 ? 2 : 1, m_style.crText);
                HGDIOBJ old = SelectObject(m_hdc, pen);
                MoveToEx(m_hdc, m_penX, top, nullptr);
                LineTo(m_hdc, m_penX + size.cx, top);
                SelectObject(m_hdc, old);
                DeleteObject(pen);
            }
        }
        m_penX += size.cx;
        if (!text.empty())
            EndLine(1, true, rect);
    }
}

void CRichHtmlDrawer::DrawHr(const HtmlText& params, const RECT& rect)
{
    HtmlStyle st = m_style;
    st.nBorderWidth = 1;
    ApplyRule(u"hr", st);
    int pixels = 0;
    int percent = 100;
    int thickness = std::max(st.nBorderWidth, 1);
    COLORREF colour = st.crText;
    for (const auto& [a, v] : ParseAttributes(params)) {
        if (a == u"width") {
            if (!v.empty() && v.back() == u'%') {
                percent = std::clamp(ReadLength(v, 100, false), 0, 1000);
                pixels = 0;
            } else {
                pixels = std::clamp(ReadLength(v, 0, false), 0, kMaxLength);
                percent = 0;
            }
        } else if (a == u"size")
            thickness = std::clamp(ReadLength(v, thickness, false), 1, 100);
        else if (a == u"color")
            colour = ReadColour(v, colour);
    }
    HtmlLine& line = CurrentLine();
    if (m_bMeasuring) {
        line.nHeight = std::max(line.nHeight, thickness + 8);
        line.nAlign = m_style.nHorzAlign;
        m_penY += 2;
        if (pixels)
            m_penX += pixels;
        else {
            m_penX += 1;
            line.nPercent = std::min(line.nPercent + percent, 100000);
        }
        return;
    }
    const int width = pixels ? pixels : int((long long)(rect.right - rect.left) * percent / 100);
    const int y = m_penY + 2 + line.nHeight / 2;
    for (int pass = 0; pass < 2; ++pass) {
        HPEN pen = CreatePen(PS_SOLID, pass ? 1 : thickness, pass ? RGB(255, 255, 255) : colour);
        HGDIOBJ old = SelectObject(m_hdc, pen);
        MoveToEx(m_hdc, m_penX, y + pass, nullptr);
        LineTo(m_hdc, m_penX + width, y + pass);
        SelectObject(m_hdc, old);
        DeleteObject(pen);
    }
    m_penY += 3;
    m_penX += width;
}

void CRichHtmlDrawer::HandleTag(const HtmlText& tagText, const RECT& rect)
{
    HtmlText t = tagText;
    const bool closing = !t.empty() && t[0] == u'/';
    if (closing)
        t.erase(0, 1);
    size_t nameEnd = t.find_first_of(u" =");
    if (nameEnd == HtmlText::npos)
        nameEnd = t.size();
    const HtmlText name = t.substr(0, nameEnd);
    const HtmlText params = TrimLeft(t.substr(nameEnd));
    auto it = m_tags.find(name);
    if (it == m_tags.end())
        return;
    const TagInfo& info = it->second;
    switch (info.element) {
    case elBreak: {
        const int n = params.empty() ? 1 : ReadLength(params.substr(1), 1, false);
        EndLine(std::max(n, 1), false, rect);
        return;
    }
    case elTab: {
        int n = params.empty() ? 1 : ReadLength(params.substr(1), 1, false);
        n = std::clamp(n == 0 ? 1 : n, -kMaxCount, kMaxCount);
        const int tab = std::max(m_nTabWidth, 1);
        if (n < 0) {
            m_penX += n * tab;
            return;
        }
        const int offset = m_penX - rect.left;
        const int rem = ((offset % tab) + tab) % tab;
        if (rem != 0) {
            m_penX += tab - rem;
            --n;
        }
        m_penX += n * tab;
        return;
    }
    case elHr:
        DrawHr(params, rect);
        return;
    case elBitmap:
    case elIcon:
    case elImageList:
        HandleImage(info, params, rect);
        return;
    case elString:
        HandleString(params, rect);
        return;
    case elTable:
    case elRow:
    case elCell:
        // Tables are cut out of the text before the runs; a stray table tag does nothing.
        return;
    default:
        break;
    }
    if (info.element == elLink && !closing)
        ++m_nLinkCount;
    if (PushPopStyle(info.scope, closing)) {
        if (!closing)
            ApplyStyleTag(info, name, params);
        SelectStyle();
    }
}

SIZE CRichHtmlDrawer::RenderHtmlRun(const HtmlText& body, RECT rect)
{
    // The "body" scope is opened and closed as tags rather than written around the text, so that
    // a stray "<" near the end cannot swallow the closing tag and the text after it.
    const HtmlText& run = body;
    const int top = rect.top;
    m_penY = rect.top;
    m_resultWidth = 0;
    const size_t firstLine = m_lines.size();
    StartNewLine(rect);
    HandleTag(u"body", rect);
    HtmlText text;
    const size_t n = run.size();
    size_t i = 0;
    while (i < n) {
        const char16_t c = run[i];
        if (c != u'<') {
            text += c;
            ++i;
            continue;
        }
        if (i + 1 == n || run[i + 1] == u'<') {
            text += u'<';
            i += 2;
            continue;
        }
        const size_t close = run.find(u'>', i + 1);
        if (close == HtmlText::npos) {
            ++i;
            continue;
        }
        if (!text.empty()) {
            HandleText(text, rect);
            text.clear();
        }
        HandleTag(run.substr(i + 1, close - i - 1), rect);
        i = close + 1;
    }
    if (!text.empty())
        HandleText(text, rect);
    HandleTag(u"/body", rect);
    if (m_penX != m_lineStartX)
        EndLine(1, false, rect);
    SIZE size{ m_resultWidth, m_penY - top };
    if (m_bMeasuring) {
        // The line started after the last one ended holds nothing.
        if (m_lines.size() > firstLine && m_lines.back().nWidth == 0 && m_lines.back().nHeight == 0)
            m_lines.pop_back();
        for (size_t l = firstLine; l < m_lines.size(); ++l) {
            HtmlLine& line = m_lines[l];
            if (line.nPercent) {
                line.nWidth += int(std::min<long long>(kMaxLength, (long long)size.cx * line.nPercent / 100));
                size.cx = std::max<LONG>(size.cx, line.nWidth);
            }
        }
    }
    return size;
}

SIZE CRichHtmlDrawer::RenderHtml(RECT rect)
{
    if (m_bMeasuring) {
        m_lines.clear();
        m_pieces.clear();
        m_animations.clear();
    }
    m_links.clear();
    m_nLine = 0;
    m_nLinkCount = -1;
    m_nTable = -1;
    m_nAnimation = -1;
    m_stack.clear();
    m_spareLine = HtmlLine();
    ResetStyle();
    ApplyRule(u"body", m_style);
    m_oldFont = nullptr;
    const int oldMode = GetBkMode(m_hdc);
    const COLORREF oldText = GetTextColor(m_hdc);
    const COLORREF oldBk = GetBkColor(m_hdc);
    SelectStyle();
    const SIZE size = RenderContent(m_text, rect, 0);
    if (m_oldFont)
        SelectObject(m_hdc, m_oldFont);
    m_oldFont = nullptr;
    SetBkMode(m_hdc, oldMode);
    SetTextColor(m_hdc, oldText);
    SetBkColor(m_hdc, oldBk);
    m_stack.clear();
    if (m_font) {
        DeleteObject(m_font);
        m_font = nullptr;
    }
    return size;
}

void CRichHtmlDrawer::MeasureHtml(HDC hdc, const HtmlText& text, SIZE* size)
{
    m_hdc = hdc;
    m_text = PrepareText(text);
    *size = SIZE{ 0, 0 };
    if (m_text.empty())
        return;
    m_bMeasuring = true;
    m_tables.clear();
    SIZE result = RenderHtml(RECT{ 0, 0, m_nMaxWidth, 0 });
    if (result.cx == 0 && result.cy == 0) {
        m_text.clear();
        return;
    }
    if (m_nMaxWidth > 0)
        result.cx = std::min<LONG>(result.cx, m_nMaxWidth);
    *size = SIZE{ result.cx + 1, result.cy + 1 };
}

SIZE CRichHtmlDrawer::DrawMeasuredHtml(const RECT& rect, HDC hdc)
{
    if (m_text.empty())
        return SIZE{ 0, 0 };
    m_bMeasuring = false;
    m_hdc = hdc;
    return RenderHtml(rect);
}

int CRichHtmlDrawer::HitTestLink(POINT point) const
{
    for (size_t i = 0; i < m_links.size(); ++i) {
        const RECT& r = m_links[i].rect;
        if (point.x >= r.left && point.x <= r.right && point.y >= r.top && point.y <= r.bottom)
            return int(i);
    }
    return -1;
}

BOOL CRichHtmlDrawer::TrackLinkUnderCursor(POINT point)
{
    const int index = HitTestLink(point);
    if (index >= 0) {
        const HtmlLinkArea& area = m_links[size_t(index)];
        if (area.nLink != m_nHotLink) {
            m_nHotLink = area.nLink;
            if (m_repaintWindow && IsWindow(m_repaintWindow))
                SendMessageW(m_repaintWindow, m_repaintMessage, WPARAM(m_nHotLink), 0);
        }
        if (!area.strTarget.empty() && m_linkCursor) {
            SetCursor(m_linkCursor);
            return TRUE;
        }
        return FALSE;
    }
    if (m_nHotLink != -2) {
        m_nHotLink = -2;
        if (m_repaintWindow && IsWindow(m_repaintWindow))
            SendMessageW(m_repaintWindow, m_repaintMessage, WPARAM(-2), 0);
    }
    return FALSE;
}

void CRichHtmlDrawer::FollowLink(int index, LPARAM)
{
    if (index < 0 || size_t(index) >= m_links.size())
        return;
    const HtmlLinkArea& area = m_links[size_t(index)];
    if (area.strTarget.empty() || area.nKind != 1)
        return;
    ShellExecuteW(nullptr, u"open", area.strTarget.c_str(), nullptr, nullptr, SW_SHOW);
}

BOOL CRichHtmlDrawer::StepAnimations()
{
    BOOL changed = FALSE;
    for (HtmlAnimation& a : m_animations) {
        if (a.nCount <= 0)
            continue;
        if (++a.nTick >= a.nSpeed) {
            a.nTick = 0;
            a.nCell = a.nCell + 1 >= a.nCount ? 0 : a.nCell + 1;
            changed = TRUE;
        }
    }
    return changed;
}

namespace {

// A bitmap file named by markup: only a regular file of a sane size is read (never a device or
// a pipe that would block or never end).
bool SaneFile(const HtmlText& path)
{
    std::error_code error;
    const std::filesystem::path file(std::u16string_view(path.data(), path.size()));
    return std::filesystem::is_regular_file(file, error) && std::filesystem::file_size(file, error) <= (64u << 20)
        && !error;
}

HBITMAP LoadBitmapFile(const HtmlText& path)
{
    if (!SaneFile(path))
        return nullptr;
    return static_cast<HBITMAP>(
        LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
}

bool StartsAt(const HtmlText& s, size_t pos, const char16_t* token)
{
    return s.compare(pos, std::char_traits<char16_t>::length(token), token) == 0;
}

// "<table" that is not an escaped "<" followed by the word.
size_t FindTableStart(const HtmlText& s, size_t pos, size_t limit = HtmlText::npos)
{
    const std::u16string_view view = std::u16string_view(s).substr(0, std::min(limit, s.size()));
    while ((pos = view.find(u"<table", pos)) != std::u16string_view::npos) {
        if (pos == 0 || s[pos - 1] != u'<')
            return pos;
        pos += 6;
    }
    return HtmlText::npos;
}

// The end of the table starting at `start` (after its matching "</table>"), nested tables counted;
// the end of the text when it never closes.
size_t FindTableEnd(const HtmlText& s, size_t start)
{
    int depth = 0;
    size_t pos = start;
    while (pos < s.size()) {
        const size_t open = FindTableStart(s, pos);
        const size_t close = s.find(u"</table>", pos);
        if (close == HtmlText::npos)
            return s.size();
        if (open != HtmlText::npos && open < close) {
            ++depth;
            pos = open + 6;
            continue;
        }
        if (--depth <= 0)
            return close + 8;
        pos = close + 8;
    }
    return s.size();
}

// The next `token` at or after `pos` and before `limit`, stepping over nested tables.
size_t FindOutsideTables(const HtmlText& s, const char16_t* token, size_t pos, size_t limit)
{
    while (pos < limit) {
        const size_t hit = s.find(token, pos);
        if (hit == HtmlText::npos || hit >= limit)
            return HtmlText::npos;
        const size_t table = FindTableStart(s, pos, hit);
        if (table != HtmlText::npos && table < hit) {
            pos = FindTableEnd(s, table);
            continue;
        }
        return hit;
    }
    return HtmlText::npos;
}

struct ParsedCell {
    HtmlText params;
    HtmlText content;
};
struct ParsedRow {
    HtmlText params;
    std::vector<ParsedCell> cells;
};
struct ParsedTable {
    HtmlText params;
    std::vector<ParsedRow> rows;
};

HtmlText TagParams(const HtmlText& tag)
{
    size_t nameEnd = tag.find_first_of(u" =");
    return nameEnd == HtmlText::npos ? HtmlText() : TrimLeft(tag.substr(nameEnd));
}

// Reads the tag starting at `open` ("<name ...>"): its parameters, and where its content starts.
size_t ReadTag(const HtmlText& s, size_t open, size_t limit, HtmlText* params)
{
    const size_t close = s.find(u'>', open);
    if (close == HtmlText::npos || close >= limit) {
        *params = TagParams(s.substr(open + 1, limit - open - 1));
        return limit;
    }
    *params = TagParams(s.substr(open + 1, close - open - 1));
    return close + 1;
}

ParsedTable ParseTable(const HtmlText& s)
{
    ParsedTable table;
    size_t body = ReadTag(s, 0, s.size(), &table.params);
    size_t end = s.size();
    if (end >= body + 8 && s.compare(end - 8, 8, u"</table>") == 0)
        end -= 8;
    size_t pos = body;
    while (table.rows.size() < size_t(kMaxGrid)) {
        const size_t row = FindOutsideTables(s, u"<tr", pos, end);
        if (row == HtmlText::npos)
            break;
        ParsedRow parsed;
        const size_t content = ReadTag(s, row, end, &parsed.params);
        size_t rowEnd = FindOutsideTables(s, u"</tr", content, end);
        const size_t nextRow = FindOutsideTables(s, u"<tr", content, end);
        if (rowEnd == HtmlText::npos || (nextRow != HtmlText::npos && nextRow < rowEnd))
            rowEnd = nextRow == HtmlText::npos ? end : nextRow;
        size_t c = content;
        while (parsed.cells.size() < size_t(kMaxGrid)) {
            const size_t cell = FindOutsideTables(s, u"<td", c, rowEnd);
            if (cell == HtmlText::npos)
                break;
            ParsedCell pc;
            const size_t inner = ReadTag(s, cell, rowEnd, &pc.params);
            size_t cellEnd = FindOutsideTables(s, u"</td", inner, rowEnd);
            if (cellEnd == HtmlText::npos)
                cellEnd = rowEnd;
            pc.content = s.substr(inner, cellEnd - inner);
            parsed.cells.push_back(std::move(pc));
            const size_t after = s.find(u'>', cellEnd);
            c = after == HtmlText::npos || after >= rowEnd ? rowEnd : after + 1;
            if (cellEnd >= rowEnd)
                break;
        }
        table.rows.push_back(std::move(parsed));
        const size_t after = s.find(u'>', rowEnd);
        pos = rowEnd >= end ? end : (StartsAt(s, rowEnd, u"</tr") && after != HtmlText::npos ? after + 1 : rowEnd);
    }
    return table;
}

int SpanOf(const HtmlText& params, const char16_t* name)
{
    int span = 1;
    for (const auto& [a, v] : CRichHtmlDrawer::ParseAttributes(params))
        if (a == name)
            span = LeadingInteger(v);
    return std::clamp(span, 1, kMaxSpan);
}

} // namespace

void CRichHtmlDrawer::ReadTableAttributes(const HtmlText& params, int kind, int* colSpan, int* rowSpan)
{
    HtmlStyle& st = m_style;
    static const char16_t* const kEffects[] = { u"solid", u"hgradient", u"vgradient", u"hcgradient", u"vcgradient",
        u"3hgradient", u"3vgradient", u"noise", u"diagshade", u"hshade", u"vshade", u"hbump", u"vbump", u"softbump",
        u"hardbump", u"metal" };
    for (const auto& [a, v] : ParseAttributes(params)) {
        if (a == u"cellpadding" && kind == 0)
            st.nMargin = std::clamp(ReadLength(v, st.nMargin, false), 0, 1000);
        else if (a == u"cellspacing" && kind == 0)
            st.nPadding = std::clamp(ReadLength(v, st.nPadding, false), 0, 1000);
        else if (a == u"background" && kind == 0)
            st.strBkImage = v;
        else if (a == u"border") {
            st.nBorderWidth = std::clamp(ReadLength(v, st.nBorderWidth, false), 0, 100);
            if (st.nBorderWidth == 0)
                st.nBorderStyle = 0;
            else if (st.nBorderStyle == 0)
                st.nBorderStyle = 1;
        } else if (a == u"borderstyle")
            ApplyDeclarations(u"border-style:" + v, st);
        else if (a == u"bordercolor")
            st.crBorderLight = st.crBorderDark = ReadColour(v, st.crBorderLight);
        else if (a == u"bordercolorlight")
            st.crBorderLight = ReadColour(v, st.crBorderLight);
        else if (a == u"bordercolordark")
            st.crBorderDark = ReadColour(v, st.crBorderDark);
        else if (a == u"bgcolor") {
            st.crBkgnd = ReadColour(v, st.crBkgnd);
            if (st.nBkEffect == -1)
                st.nBkEffect = 0;
        } else if (a == u"bgmidcolor")
            st.crBkMid = ReadColour(v, st.crBkMid);
        else if (a == u"bgendcolor")
            st.crBkEnd = ReadColour(v, st.crBkEnd);
        else if (a == u"bgeffect") {
            const HtmlText name = Lower(v);
            int effect = name == u"transparent" ? -1 : -2;
            for (int i = 0; i < 16 && effect == -2; ++i)
                if (name == kEffects[i])
                    effect = i;
            st.nBkEffect = effect == -2 ? std::clamp(ReadLength(v, 0, false), -1, 1000) : effect;
        } else if (a == u"align") {
            if (v == u"left")
                st.nHorzAlign = 0;
            else if (v == u"center")
                st.nHorzAlign = 1;
            else if (v == u"right")
                st.nHorzAlign = 2;
        } else if (a == u"valign") {
            if (v == u"top")
                st.nVertAlign = 0;
            else if (v == u"middle" || v == u"vcenter")
                st.nVertAlign = 1;
            else if (v == u"bottom")
                st.nVertAlign = 2;
            else if (v == u"baseline")
                st.nVertAlign = 3;
        } else if (a == u"width")
            st.nWidth = std::clamp(ReadLength(v, 0, false), 0, kMaxLength);
        else if (a == u"height")
            st.nHeight = std::clamp(ReadLength(v, 0, false), 0, kMaxLength);
        else if (a == u"colspan" && colSpan)
            *colSpan = std::clamp(LeadingInteger(v), 1, kMaxSpan);
        else if (a == u"rowspan" && rowSpan)
            *rowSpan = std::clamp(LeadingInteger(v), 1, kMaxSpan);
    }
    if (st.nBorderStyle == 0 || st.nBorderWidth == 0) {
        st.nBorderStyle = 0;
        st.nBorderWidth = 0;
    } else if (kind != 0 || st.nBorderStyle != 1) {
        st.nBorderWidth = 1;
    }
}

SIZE CRichHtmlDrawer::RenderContent(const HtmlText& text, RECT rect, int depth)
{
    SIZE result{ 0, 0 };
    size_t pos = 0;
    auto account = [&](SIZE part) {
        result.cx = std::max(result.cx, part.cx);
        result.cy = LONG(std::min<long long>((long long)result.cy + part.cy, kMaxLength * 10LL));
        if (!m_bMeasuring)
            rect.top += part.cy;
    };
    while (pos < text.size()) {
        const size_t table = FindTableStart(text, pos);
        const size_t runEnd = table == HtmlText::npos ? text.size() : table;
        if (runEnd > pos)
            account(RenderHtmlRun(text.substr(pos, runEnd - pos), rect));
        if (table == HtmlText::npos)
            break;
        const size_t end = FindTableEnd(text, table);
        if (depth < kMaxTableDepth)
            account(RenderTable(text.substr(table, end - table), rect, depth + 1));
        pos = end;
    }
    return result;
}

SIZE CRichHtmlDrawer::RenderTable(const HtmlText& text, RECT rect, int depth)
{
    size_t index = size_t(m_nTable + 1);
    if (m_bMeasuring ? m_tables.size() >= kMaxTables : index >= m_tables.size())
        return SIZE{ 0, 0 };
    ++m_nTable;
    const ParsedTable parsed = ParseTable(text);
    const int rows = int(parsed.rows.size());
    int columns = 0;
    for (const ParsedRow& row : parsed.rows) {
        int sum = 0;
        for (const ParsedCell& cell : row.cells)
            sum += SpanOf(cell.params, u"colspan");
        columns = std::max(columns, sum);
    }
    columns = std::min(columns, kMaxGrid);
    if (m_bMeasuring) {
        HtmlTable record;
        record.rows.assign(size_t(rows), std::vector<HtmlTableCell>(size_t(columns)));
        record.widths.assign(size_t(columns), 0);
        record.heights.assign(size_t(rows), 0);
        record.fixed.assign(size_t(columns), 0);
        m_tables.push_back(std::move(record));
    }

    // Scopes left open inside a table never leak out of it.
    auto open = [this](const char16_t* scope) {
        const size_t depthBefore = m_stack.size();
        PushPopStyle(scope, false);
        ApplyRule(scope, m_style);
        return depthBefore;
    };
    auto close = [this](size_t depthBefore) {
        if (m_stack.size() > depthBefore) {
            m_style = m_stack[depthBefore];
            m_style.strScope.clear();
            m_stack.resize(depthBefore);
        }
        SelectStyle();
    };

    const size_t tableScope = open(u"table");
    ReadTableAttributes(parsed.params, 0, nullptr, nullptr);
    SelectStyle();
    const HtmlStyle tableStyle = m_style;
    const int spacing = tableStyle.nPadding;
    auto tableSize = [&](const std::vector<int>& widths, const std::vector<int>& heights, int border) {
        long long w = spacing + (columns - 1) + 2LL * border, h = spacing + (rows - 1) + 2LL * border;
        for (int c : widths)
            w += c + spacing;
        for (int r : heights)
            h += r + spacing;
        return SIZE{ LONG(std::clamp<long long>(w, 0, kMaxLength)), LONG(std::clamp<long long>(h, 0, kMaxLength)) };
    };
    if (rows == 0 || columns == 0) {
        close(tableScope);
        return SIZE{ 0, 0 };
    }

    if (m_bMeasuring) {
        // Nested tables append their records while this one is laid out: work on a copy and store
        // it back at the end, never through a reference into the vector.
        HtmlTable t = m_tables[index];
        for (int r = 0; r < rows; ++r) {
            const ParsedRow& row = parsed.rows[size_t(r)];
            const size_t rowScope = open(u"tr");
            ReadTableAttributes(row.params, 1, nullptr, nullptr);
            SelectStyle();
            int c = 0;
            for (const ParsedCell& cell : row.cells) {
                while (c < columns && t.rows[size_t(r)][size_t(c)].nColSpan == -1)
                    ++c;
                if (c >= columns)
                    break;
                const size_t cellScope = open(u"td");
                m_style.nWidth = m_style.nHeight = 0;
                int colSpan = 1, rowSpan = 1;
                ReadTableAttributes(cell.params, 2, &colSpan, &rowSpan);
                SelectStyle();
                const HtmlStyle cellStyle = m_style;
                const SIZE content = RenderContent(cell.content, RECT{ 0, 0, cellStyle.nWidth, 0 }, depth);
                HtmlTableCell& record = t.rows[size_t(r)][size_t(c)];
                record.nColSpan = colSpan;
                record.nRowSpan = rowSpan;
                record.nWidth = std::max<int>(cellStyle.nWidth, content.cx);
                record.nHeight = content.cy;
                const int frame = 2 * cellStyle.nBorderWidth + 2 * cellStyle.nMargin;
                record.nTotalWidth = std::max(record.nWidth + frame, cellStyle.nWidth);
                record.nTotalHeight = std::max(record.nHeight + frame, cellStyle.nHeight);
                record.bFixed = cellStyle.nWidth > 0;
                close(cellScope);
                for (int k = 1; k < colSpan && c + k < columns; ++k)
                    t.rows[size_t(r)][size_t(c + k)].nColSpan = -1;
                for (int k = 1; k < rowSpan && r + k < rows; ++k)
                    t.rows[size_t(r + k)][size_t(c)].nColSpan = t.rows[size_t(r + k)][size_t(c)].nRowSpan = -1;
                c += colSpan;
            }
            close(rowScope);
        }
        for (int span = 1; span <= columns; ++span)
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < columns; ++c) {
                    const HtmlTableCell& cell = t.rows[size_t(r)][size_t(c)];
                    if (cell.nColSpan != span || cell.nRowSpan < 1)
                        continue;
                    const int last = std::min(columns, c + span);
                    if (span == 1) {
                        t.widths[size_t(c)] = std::max(t.widths[size_t(c)], cell.nTotalWidth);
                        if (cell.bFixed)
                            t.fixed[size_t(c)] = 1;
                        continue;
                    }
                    long long sum = 0;
                    for (int k = c; k < last; ++k) {
                        sum += t.widths[size_t(k)];
                        if (cell.bFixed)
                            t.fixed[size_t(k)] = 1;
                    }
                    if (sum < cell.nTotalWidth) {
                        const int n = last - c;
                        const int difference = int(cell.nTotalWidth - sum);
                        for (int k = c; k < last; ++k)
                            t.widths[size_t(k)] += difference / n;
                        t.widths[size_t(last - 1)] += difference % n;
                    }
                }
        for (int span = 1; span <= rows; ++span)
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < columns; ++c) {
                    const HtmlTableCell& cell = t.rows[size_t(r)][size_t(c)];
                    if (cell.nRowSpan != span || cell.nColSpan < 1)
                        continue;
                    const int last = std::min(rows, r + span);
                    long long sum = 0;
                    for (int k = r; k < last; ++k)
                        sum += t.heights[size_t(k)];
                    if (sum < cell.nTotalHeight) {
                        const int n = last - r;
                        const int difference = int(cell.nTotalHeight - sum);
                        for (int k = r; k < last; ++k)
                            t.heights[size_t(k)] += difference / n;
                        t.heights[size_t(r)] += difference % n;
                    }
                }
        const int border = tableStyle.nBorderStyle == 6 ? 3 * tableStyle.nBorderWidth : tableStyle.nBorderWidth;
        const SIZE size = tableSize(t.widths, t.heights, border);
        m_tables[index] = std::move(t);
        close(tableScope);
        return size;
    }

    const HtmlTable& t = m_tables[index];
    if (int(t.widths.size()) != columns || int(t.heights.size()) != rows) {
        close(tableScope);
        return SIZE{ 0, 0 };
    }
    std::vector<int> widths = t.widths;
    const int border = tableStyle.nBorderStyle == 6 ? 3 : tableStyle.nBorderWidth;
    SIZE size = tableSize(widths, t.heights, border);
    const int room = rect.right - rect.left;
    if (size.cx < room) {
        int missing = room - size.cx;
        int open_ = int(std::count(t.fixed.begin(), t.fixed.end(), 0));
        for (int c = 0; c < columns && open_ > 0; ++c) {
            if (t.fixed[size_t(c)])
                continue;
            const int add = missing / open_;
            widths[size_t(c)] += add;
            missing -= add;
            --open_;
        }
        size = tableSize(widths, t.heights, border);
    }
    int left = rect.left;
    if (size.cx < room) {
        if (tableStyle.nHorzAlign == 1)
            left += (room - size.cx) / 2;
        else if (tableStyle.nHorzAlign == 2)
            left = rect.right - size.cx;
    }
    const RECT area{ left, rect.top, left + size.cx, rect.top + size.cy };
    if (tableStyle.nBkEffect >= 0) {
        m_drawManager.FillEffect(m_hdc, area, tableStyle.nBkEffect, tableStyle.crBkgnd, tableStyle.crBkMid,
            tableStyle.crBkEnd, 5, 0);
    } else if (tableStyle.strBkImage.size() > 5) {
        const HtmlText& v = tableStyle.strBkImage;
        const size_t colon = v.find(u':');
        if (colon != HtmlText::npos) {
            const HtmlText key = TrimRight(TrimLeft(v.substr(0, colon)));
            HtmlText value = TrimLeft(v.substr(colon + 1));
            value = TrimRight(value.substr(0, value.find(u';')));
            HBITMAP image = nullptr;
            if (key == u"idres")
                image = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr),
                    MAKEINTRESOURCEW(ReadLength(value, 0, false)), IMAGE_BITMAP, 0, 0, 0));
            else if (key == u"file")
                image = LoadBitmapFile(value);
            if (image) {
                const SIZE tile = CRichDrawManager::GetBitmapSize(image);
                HDC source = CreateCompatibleDC(m_hdc);
                HGDIOBJ old = SelectObject(source, image);
                m_drawManager.TileBitmap(m_hdc, area.left, area.top, size.cx, size.cy, source, 0, 0, tile.cx, tile.cy);
                SelectObject(source, old);
                DeleteDC(source);
                DeleteObject(image);
            }
        }
    }
    if (tableStyle.nBorderWidth >= 1)
        m_drawManager.DrawBorderRectangle(m_hdc, area.left, area.top, area.right, area.bottom,
            tableStyle.crBorderLight, tableStyle.crBorderDark, tableStyle.nBorderStyle, tableStyle.nBorderWidth);
    const RECT inner{ area.left + border, area.top + border, area.right - border, area.bottom - border };

    for (int r = 0; r < rows; ++r) {
        const ParsedRow& row = parsed.rows[size_t(r)];
        const size_t rowScope = open(u"tr");
        ReadTableAttributes(row.params, 1, nullptr, nullptr);
        SelectStyle();
        size_t next = 0;
        for (int c = 0; c < columns; ++c) {
            const HtmlTableCell& record = t.rows[size_t(r)][size_t(c)];
            if (record.nColSpan < 1 || record.nRowSpan < 1)
                continue;
            if (next >= row.cells.size())
                break;
            const ParsedCell& cell = row.cells[next++];
            const size_t cellScope = open(u"td");
            m_style.nWidth = m_style.nHeight = 0;
            ReadTableAttributes(cell.params, 2, nullptr, nullptr);
            SelectStyle();
            const HtmlStyle cellStyle = m_style;
            long long x = inner.left + spacing, y = inner.top + spacing;
            for (int k = 0; k < c; ++k)
                x += widths[size_t(k)] + spacing + 1;
            for (int k = 0; k < r; ++k)
                y += t.heights[size_t(k)] + spacing + 1;
            const int lastColumn = std::min(columns, c + record.nColSpan);
            const int lastRow = std::min(rows, r + record.nRowSpan);
            long long w = (long long)(lastColumn - c - 1) * (spacing + 1), h = (long long)(lastRow - r - 1) * (spacing + 1);
            for (int k = c; k < lastColumn; ++k)
                w += widths[size_t(k)];
            for (int k = r; k < lastRow; ++k)
                h += t.heights[size_t(k)];
            const RECT box{ int(std::min<long long>(x, kMaxLength)), int(std::min<long long>(y, kMaxLength)),
                int(std::min<long long>(x + w, kMaxLength)), int(std::min<long long>(y + h, kMaxLength)) };
            if (cellStyle.nBkEffect >= 0)
                m_drawManager.FillEffect(m_hdc, box, cellStyle.nBkEffect, cellStyle.crBkgnd, cellStyle.crBkMid,
                    cellStyle.crBkEnd, 5, 0);
            if (cellStyle.nBorderWidth >= 1)
                m_drawManager.DrawBorderRectangle(m_hdc, box.left, box.top, box.right, box.bottom,
                    cellStyle.crBorderDark, cellStyle.crBorderLight, cellStyle.nBorderStyle, 1);
            const int inset = cellStyle.nMargin + cellStyle.nBorderWidth;
            RECT content{ box.left + inset, box.top + inset, box.right - inset, box.bottom - inset };
            const int free = (content.bottom - content.top) - record.nHeight;
            if (cellStyle.nVertAlign == 1 && free > 0)
                content.top += free / 2;
            else if (cellStyle.nVertAlign == 2 && free > 0)
                content.top += free;
            RenderContent(cell.content, content, depth);
            close(cellScope);
        }
        close(rowScope);
    }
    close(tableScope);
    return size;
}

int CRichHtmlDrawer::ObjectTop(int height)
{
    HtmlLine& line = CurrentLine();
    if (m_bMeasuring) {
        line.nHeight = std::max(line.nHeight, height);
        return m_penY;
    }
    switch (m_style.nVertAlign) {
    case 0: return m_penY;
    case 1: return m_penY + (line.nHeight - height) / 2;
    case 2: return m_penY + line.nHeight - height;
    default: return m_penY + line.nHeight - line.nDescent - height;
    }
}

void CRichHtmlDrawer::HandleImage(const TagInfo& info, const HtmlText& params, const RECT& rect)
{
    HtmlText idres, file, width, height, style, hotstyle, mask;
    int index = 0, cx = 0, cy = 0, speed = 0;
    bool other = false;
    for (const auto& [a, v] : ParseAttributes(params)) {
        if (a == u"idres")
            idres = v;
        else if (a == u"file")
            file = v;
        else if (a == u"iddll" || a == u"handle")
            other = true; // libraries and raw handles named by text are never used
        else if (a == u"index")
            index = std::clamp(ReadLength(v, 0, false), 0, kMaxLength);
        else if (a == u"cx")
            cx = std::clamp(ReadLength(v, 0, false), 0, kMaxLength);
        else if (a == u"cy")
            cy = std::clamp(ReadLength(v, 0, false), 0, kMaxLength);
        else if (a == u"width")
            width = v;
        else if (a == u"height")
            height = v;
        else if (a == u"style")
            style = v;
        else if (a == u"hotstyle")
            hotstyle = v;
        else if (a == u"mask")
            mask = v;
        else if (a == u"speed")
            speed = std::clamp(ReadLength(v, 0, false), 0, kMaxLength);
    }
    (void)other;
    if (info.element == elIcon) {
        HandleIcon(idres, file, width, height, style, hotstyle, rect);
        return;
    }
    HBITMAP bitmap = nullptr;
    {
        if (!idres.empty())
            bitmap = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr),
                MAKEINTRESOURCEW(ReadLength(idres, 0, false)), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        else if (!file.empty())
            bitmap = LoadBitmapFile(file);
    }
    const SIZE natural = CRichDrawManager::GetBitmapSize(bitmap);
    SIZE unit = natural;
    int cell = 0;
    int cells = 1;
    int columns = 1;
    if (info.element == elImageList) {
        if (!cx && !cy)
            cx = cy = std::min<int>(natural.cx, natural.cy);
        else if (!cx)
            cx = cy;
        else if (!cy)
            cy = cx;
        columns = cx > 0 ? natural.cx / cx : 0;
        const int rows = cy > 0 ? natural.cy / cy : 0;
        cells = columns * rows;
        unit = SIZE{ cx, cy };
        cell = index;
        if (speed != 0) {
            if (m_bMeasuring) {
                if (m_animations.size() < kMaxAnimations)
                    m_animations.push_back(HtmlAnimation{ index, cells, 0, speed });
            } else if (size_t(m_nAnimation + 1) < m_animations.size()) {
                cell = m_animations[size_t(++m_nAnimation)].nCell;
            }
        }
        if (cell >= cells || columns == 0 || rows == 0) {
            if (bitmap)
                DeleteObject(bitmap);
            return;
        }
    }
    auto scaled = [this](const HtmlText& v, int size) {
        if (v.empty())
            return size;
        if (v.back() == u'%')
            return std::clamp(ReadLength(v, size, false), 0, 4096);
        return std::clamp(ReadLength(v, size, false), 0, 4096);
    };
    SIZE box{ scaled(width, unit.cx), scaled(height, unit.cy) };
    const SIZE drawn = box;
    const bool shadowRoom = ((ImageEffect(style) | ImageEffect(hotstyle)) & 0x300) != 0;
    if (shadowRoom) {
        box.cx += m_imageShadowOffset.cx;
        box.cy += m_imageShadowOffset.cy;
    }
    if (!bitmap || drawn.cx <= 0 || drawn.cy <= 0) {
        if (bitmap)
            DeleteObject(bitmap);
        return;
    }
    const int room = rect.right - m_penX;
    if (m_nMaxWidth > 0 && box.cx > room && m_penX != m_lineStartX)
        EndLine(1, true, rect);
    if (m_bMeasuring)
        CurrentLine().nAlign = m_style.nHorzAlign;
    const int top = ObjectTop(box.cy);
    if (!m_bMeasuring) {
        if (m_style.nLinkKind != 0)
            m_links.push_back(
                HtmlLinkArea{ RECT{ m_penX, top, m_penX + box.cx, top + box.cy }, m_style.nLinkKind, m_nLinkCount,
                    m_style.strLink });
        const bool hot = m_style.nLinkKind != 0 && m_nLinkCount == m_nHotLink;
        const DWORD effect = ImageEffect(hot ? hotstyle : style);
        const COLORREF maskColour = ReadColour(mask, RGB(255, 0, 255));
        if (info.element == elImageList)
            m_drawManager.DrawImageListCell(m_hdc, m_penX, top, drawn.cx, drawn.cy, bitmap, cx, cy, cell,
                !mask.empty(), maskColour, effect, shadowRoom, m_imageShadowOffset.cx, m_imageShadowOffset.cy,
                m_imageShadowBlur.cx, m_imageShadowBlur.cy, m_imageShadowColour);
        else
            m_drawManager.DrawBitmap(m_hdc, m_penX, top, drawn.cx, drawn.cy, bitmap, !mask.empty(), maskColour, effect,
                shadowRoom, m_imageShadowOffset.cx, m_imageShadowOffset.cy, m_imageShadowBlur.cx,
                m_imageShadowBlur.cy, m_imageShadowColour);
    }
    m_penX += box.cx;
    DeleteObject(bitmap);
}

DWORD CRichHtmlDrawer::ImageEffect(const HtmlText& letters) const
{
    DWORD e = 0;
    for (char16_t c : letters) {
        if (c == u'g')
            e |= 1;
        else if (c == u'd')
            e |= 2;
        else if (c == u'l')
            e |= 4;
        else if (c == u's' && (m_imageShadowOffset.cx || m_imageShadowOffset.cy))
            e |= m_imageShadowSoft ? 0x200 : 0x100;
    }
    return e;
}

void CRichHtmlDrawer::HandleIcon(const HtmlText& idres, const HtmlText& file, const HtmlText& width,
    const HtmlText& height, const HtmlText& style, const HtmlText& hotstyle, const RECT& rect)
{
    const int systemX = GetSystemMetrics(SM_CXICON), systemY = GetSystemMetrics(SM_CYICON);
    const int cx = width.empty() ? systemX : std::clamp(ReadLength(width, systemX, false), 0, 1024);
    const int cy = height.empty() ? systemY : std::clamp(ReadLength(height, systemY, false), 0, 1024);
    if (cx <= 0 || cy <= 0)
        return;
    HICON icon = nullptr;
    if (!idres.empty())
        icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr),
            MAKEINTRESOURCEW(ReadLength(idres, 0, false)), IMAGE_ICON, cx, cy, 0));
    else if (!file.empty() && SaneFile(file))
        icon = static_cast<HICON>(LoadImageW(nullptr, file.c_str(), IMAGE_ICON, cx, cy, LR_LOADFROMFILE));
    if (!icon)
        return;
    const SIZE drawn = CRichDrawManager::GetIconSize(icon);
    SIZE box = drawn;
    const bool shadowRoom = ((ImageEffect(style) | ImageEffect(hotstyle)) & 0x300) != 0;
    if (shadowRoom) {
        box.cx += m_imageShadowOffset.cx;
        box.cy += m_imageShadowOffset.cy;
    }
    if (drawn.cx > 0 && drawn.cy > 0) {
        if (m_nMaxWidth > 0 && box.cx > rect.right - m_penX && m_penX != m_lineStartX)
            EndLine(1, true, rect);
        if (m_bMeasuring)
            CurrentLine().nAlign = m_style.nHorzAlign;
        const int top = ObjectTop(box.cy);
        if (!m_bMeasuring) {
            if (m_style.nLinkKind != 0)
                m_links.push_back(HtmlLinkArea{ RECT{ m_penX, top, m_penX + box.cx, top + box.cy }, m_style.nLinkKind,
                    m_nLinkCount, m_style.strLink });
            const bool hot = m_style.nLinkKind != 0 && m_nLinkCount == m_nHotLink;
            m_drawManager.DrawIcon(m_hdc, m_penX, top, drawn.cx, drawn.cy, icon, ImageEffect(hot ? hotstyle : style),
                shadowRoom, m_imageShadowOffset.cx, m_imageShadowOffset.cy, m_imageShadowBlur.cx, m_imageShadowBlur.cy,
                m_imageShadowColour);
        }
        m_penX += box.cx;
    }
    DestroyIcon(icon);
}

void CRichHtmlDrawer::HandleString(const HtmlText& params, const RECT&)
{
    int id = -1;
    for (const auto& [a, v] : ParseAttributes(params))
        if ((a == u"idres" || a == u"iddll") && id < 0)
            id = ReadLength(v, 0, false);
    if (id < 0 || id > 0xFFFF)
        return;
    WCHAR buffer[1024] = {};
    const int n = LoadStringW(GetModuleHandleW(nullptr), UINT(id), buffer, 1024);
    if (n <= 0)
        return;
    const HtmlText text(buffer, size_t(n));
    const SIZE size = Extent(text);
    if (m_bMeasuring)
        CurrentLine().nAlign = m_style.nHorzAlign;
    const int top = TextTop(size.cy);
    if (!m_bMeasuring) {
        if (m_style.nLinkKind != 0)
            m_links.push_back(HtmlLinkArea{ RECT{ m_penX, top, m_penX + size.cx, top + size.cy }, m_style.nLinkKind,
                m_nLinkCount, m_style.strLink });
        TextOutW(m_hdc, m_penX, top, text.data(), int(text.size()));
    }
    m_penX += size.cx;
}
