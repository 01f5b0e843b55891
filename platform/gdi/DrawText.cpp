// DrawTextW: lines, word breaks, tabs, prefixes and ellipses over the text calls, so its
// measurements are GetTextExtentPoint32W's.

#include "platform/base/LastError.h"
#include "platform/gdi/Gdi.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Char {
    WCHAR c;
    bool prefix; // underlined: it followed a single '&'
};
using Line = std::vector<Char>;

std::u16string TextOf(const Line& line)
{
    std::u16string out;
    for (const Char& c : line)
        out.push_back(c.c);
    return out;
}

class Measurer {
public:
    Measurer(HDC dc, UINT format, int tabLength)
        : m_dc(dc)
        , m_expandTabs((format & DT_EXPANDTABS) != 0)
    {
        TEXTMETRICW tm {};
        GetTextMetricsW(dc, &tm);
        m_tab = std::max<long long>(1, static_cast<long long>(tabLength) * tm.tmAveCharWidth);
    }

    long long Width(const std::u16string& text) const
    {
        long long pos = 0;
        ForEachPiece(text, [&](long long offset, const std::u16string& piece) {
            SIZE size {};
            GetTextExtentPoint32W(m_dc, piece.data(), int(piece.size()), &size);
            pos = std::max(pos, offset + size.cx);
        });
        return pos;
    }

    // Calls f(offset, piece) for the runs between tabs.
    template <class F>
    void ForEachPiece(const std::u16string& text, F&& f) const
    {
        if (!m_expandTabs) {
            f(0, text);
            return;
        }
        long long pos = 0;
        size_t start = 0;
        for (size_t i = 0; i <= text.size(); ++i) {
            if (i < text.size() && text[i] != u'\t')
                continue;
            const std::u16string piece = text.substr(start, i - start);
            f(pos, piece);
            SIZE size {};
            GetTextExtentPoint32W(m_dc, piece.data(), int(piece.size()), &size);
            pos += size.cx;
            if (i < text.size())
                pos = (pos / m_tab + 1) * m_tab;
            start = i + 1;
        }
    }

private:
    HDC m_dc;
    bool m_expandTabs;
    long long m_tab;
};

Line Ellipsis() { return { { u'.', false }, { u'.', false }, { u'.', false } }; }

Line Join(const Line& a, const Line& b)
{
    Line out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

// Characters go from the end until the text and "..." fit; "..." alone when nothing fits.
Line EndEllipsis(const Line& line, long long width, const Measurer& m, bool words)
{
    if (m.Width(TextOf(line)) <= width)
        return line;
    Line head = line;
    while (!head.empty()) {
        if (words) {
            // Back to the previous blank, then past the blanks.
            size_t cut = head.size() - 1;
            while (cut > 0 && head[cut].c != u' ')
                --cut;
            head.resize(cut);
            while (!head.empty() && head.back().c == u' ')
                head.pop_back();
        } else {
            head.pop_back();
        }
        if (m.Width(TextOf(Join(head, Ellipsis()))) <= width)
            return Join(head, Ellipsis());
    }
    return Ellipsis();
}

// The part before the last separator is shortened first.
Line PathEllipsis(const Line& line, long long width, const Measurer& m)
{
    if (m.Width(TextOf(line)) <= width)
        return line;
    size_t sep = line.size();
    for (size_t i = line.size(); i-- > 0;)
        if (line[i].c == u'\\' || line[i].c == u'/') {
            sep = i;
            break;
        }
    if (sep == line.size())
        return EndEllipsis(line, width, m, false);
    Line head(line.begin(), line.begin() + std::ptrdiff_t(sep));
    const Line tail(line.begin() + std::ptrdiff_t(sep), line.end());
    while (!head.empty()) {
        head.pop_back();
        const Line candidate = Join(Join(head, Ellipsis()), tail);
        if (m.Width(TextOf(candidate)) <= width)
            return candidate;
    }
    return EndEllipsis(Join(Ellipsis(), tail), width, m, false);
}

std::vector<Line> BreakWords(const Line& line, long long width, const Measurer& m)
{
    std::vector<Line> out;
    Line current;
    size_t i = 0;
    while (i < line.size()) {
        // The next word with its leading blanks.
        Line word;
        size_t j = i;
        while (j < line.size() && line[j].c == u' ')
            word.push_back(line[j++]);
        while (j < line.size() && line[j].c != u' ')
            word.push_back(line[j++]);
        Line candidate = Join(current, word);
        if (!current.empty() && m.Width(TextOf(candidate)) > width) {
            out.push_back(current);
            // The blanks at a break are dropped.
            size_t k = 0;
            while (k < word.size() && word[k].c == u' ')
                ++k;
            current.assign(word.begin() + std::ptrdiff_t(k), word.end());
        } else {
            current = std::move(candidate);
        }
        i = j;
    }
    out.push_back(current);
    return out;
}

} // namespace

int DrawTextExW(HDC hdc, WCHAR* text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params)
{
    TEXTMETRICW tm {};
    if (!rect || (!text && count != 0) || !GetTextMetricsW(hdc, &tm)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (count < 0) {
        count = 0;
        while (text[count])
            ++count;
    }
    if (count == 0) {
        // Nothing to draw has no extent.
        if (format & DT_CALCRECT) {
            rect->right = rect->left;
            rect->bottom = rect->top;
        }
        if (params)
            params->uiLengthDrawn = 0;
        return 0;
    }
    int tabLength = 8;
    if (format & DT_TABSTOP) {
        tabLength = int((format >> 8) & 0xFF);
        format &= ~UINT(0xFF00);
    }
    if (params && params->iTabLength > 0)
        tabLength = params->iTabLength;
    RECT box = *rect;
    if (params) {
        box.left += params->iLeftMargin;
        box.right -= params->iRightMargin;
        params->uiLengthDrawn = UINT(count);
    }
    const Measurer measure(hdc, format, tabLength);
    const long long boxWidth = static_cast<long long>(box.right) - box.left;
    const bool single = (format & DT_SINGLELINE) != 0;

    // Prefixes, then lines.
    std::vector<Line> lines(1);
    for (int i = 0; i < count; ++i) {
        WCHAR c = text[i];
        bool prefix = false;
        if (c == u'&' && !(format & DT_NOPREFIX)) {
            if (i + 1 >= count)
                break;
            c = text[++i];
            prefix = c != u'&';
        }
        if (c == u'\r' || c == u'\n') {
            if (!single) {
                if (c == u'\r' && i + 1 < count && text[i + 1] == u'\n')
                    ++i;
                lines.emplace_back();
            }
            continue;
        }
        lines.back().push_back({ c, prefix });
    }
    if ((format & DT_WORDBREAK) && !single) {
        std::vector<Line> wrapped;
        for (const Line& line : lines)
            for (Line& piece : BreakWords(line, boxWidth, measure))
                wrapped.push_back(std::move(piece));
        lines.swap(wrapped);
    }
    if (!(format & DT_CALCRECT) || (format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS))) {
        for (Line& line : lines) {
            if (format & DT_PATH_ELLIPSIS)
                line = PathEllipsis(line, boxWidth, measure);
            else if (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS))
                line = EndEllipsis(line, boxWidth, measure, (format & DT_WORD_ELLIPSIS) && !(format & DT_END_ELLIPSIS));
        }
    }

    const long long lineHeight = tm.tmHeight + ((format & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
    const long long height = lineHeight * static_cast<long long>(lines.size());
    long long widest = 0;
    std::vector<long long> widths;
    for (const Line& line : lines) {
        widths.push_back(measure.Width(TextOf(line)));
        widest = std::max(widest, widths.back());
    }
    if (format & DT_CALCRECT) {
        rect->right = LONG(std::min<long long>(rect->left + widest + (params ? params->iLeftMargin + params->iRightMargin : 0), 0x7FFFFFFF));
        rect->bottom = LONG(std::min<long long>(rect->top + height, 0x7FFFFFFF));
        return int(std::min<long long>(height, 0x7FFFFFFF));
    }

    long long top = box.top;
    if (single && (format & DT_VCENTER))
        top = box.top + (static_cast<long long>(box.bottom) - box.top - lineHeight) / 2;
    else if (single && (format & DT_BOTTOM))
        top = box.bottom - lineHeight;

    const UINT oldAlign = SetTextAlign(hdc, TA_LEFT | TA_TOP);
    const bool clip = !(format & DT_NOCLIP);
    const COLORREF textColor = GetTextColor(hdc);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::u16string line = TextOf(lines[i]);
        long long x = box.left;
        if (format & DT_CENTER)
            x = box.left + (boxWidth - widths[i]) / 2;
        else if (format & DT_RIGHT)
            x = box.right - widths[i];
        const long long y = top + static_cast<long long>(i) * lineHeight;
        if (!(format & DT_PREFIXONLY)) {
            measure.ForEachPiece(line, [&](long long offset, const std::u16string& piece) {
                ExtTextOutW(hdc, int(x + offset), int(y), clip ? ETO_CLIPPED : 0, clip ? rect : nullptr, piece.data(),
                    UINT(piece.size()), nullptr);
            });
        }
        if (format & DT_HIDEPREFIX)
            continue;
        for (size_t k = 0; k < lines[i].size(); ++k) {
            if (!lines[i][k].prefix)
                continue;
            const long long before = measure.Width(line.substr(0, k));
            const long long after = measure.Width(line.substr(0, k + 1));
            RECT underline { LONG(x + before), LONG(y + tm.tmAscent + 1), LONG(x + after), LONG(y + tm.tmAscent + 2) };
            if (clip) {
                underline.left = std::max(underline.left, rect->left);
                underline.right = std::min(underline.right, rect->right);
                if (underline.top < rect->top || underline.bottom > rect->bottom)
                    continue;
            }
            HBRUSH brush = CreateSolidBrush(textColor);
            FillRect(hdc, &underline, brush);
            DeleteObject(brush);
        }
    }
    SetTextAlign(hdc, oldAlign);
    const long long result = (single && (format & (DT_VCENTER | DT_BOTTOM))) ? top - box.top + height : height;
    return int(std::clamp<long long>(result, 0, 0x7FFFFFFF));
}

int DrawTextW(HDC hdc, const WCHAR* text, int count, RECT* rect, UINT format)
{
    return DrawTextExW(hdc, const_cast<WCHAR*>(text), count, rect, format, nullptr);
}
