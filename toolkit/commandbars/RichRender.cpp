#include "toolkit/commandbars/RichRender.h"

#include "platform/framework/DC.h"
#include "platform/framework/GdiClasses.h"
#include "platform/gdi/SystemModel.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

namespace {

constexpr int kMaxGroupDepth = 64;
constexpr int kMaxWordLength = 32;
constexpr int kMaxNumberDigits = 10;
constexpr size_t kMaxColors = 256;

struct ReaderState {
    BOOL bold = FALSE;
    BOOL italic = FALSE;
    BOOL underline = FALSE;
    BOOL strike = FALSE;
    int halfPoints = 0;
    int colorIndex = 0;
    bool skip = false;        // inside a destination whose text is not shown
    bool colorTable = false;
    int unicodeSkip = 1;
};

bool IsLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

int HexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Code page 1252's characters 0x80-0x9F; the rest of the page is Latin-1.
char16_t FromCodePage1252(unsigned byte)
{
    static const char16_t high[32] = { 0x20AC, 0x81, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030,
        0x0160, 0x2039, 0x0152, 0x8D, 0x017D, 0x8F, 0x90, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D, 0x017E, 0x0178 };
    return byte >= 0x80 && byte < 0xA0 ? high[byte - 0x80] : char16_t(byte);
}

class RtfReader {
public:
    RtfReader(std::u16string_view text, std::vector<JQW_RICH_RUN>& runs, size_t maxCharacters)
        : m_text(text)
        , m_runs(runs)
        , m_max(maxCharacters)
    {
    }

    void Read()
    {
        while (m_pos < m_text.size() && !m_done) {
            const char16_t c = m_text[m_pos++];
            switch (c) {
            case u'{':
                if (m_stack.size() < kMaxGroupDepth)
                    m_stack.push_back(m_state);
                else
                    ++m_overflow;
                break;
            case u'}':
                EndGroup();
                break;
            case u'\\':
                ReadControl();
                break;
            case u'\r':
            case u'\n':
                break;
            default:
                Text(c);
                break;
            }
        }
    }

private:
    void EndGroup()
    {
        if (m_overflow > 0) {
            --m_overflow;
            return;
        }
        if (m_stack.empty()) {
            m_done = true; // the document's closing brace
            return;
        }
        m_state = m_stack.back();
        m_stack.pop_back();
    }

    void Text(char16_t c)
    {
        if (m_pendingSkip > 0) {
            --m_pendingSkip;
            return;
        }
        if (m_state.colorTable) {
            if (c == u';' && m_colors.size() < kMaxColors) {
                m_colors.push_back(m_hasColor ? RGB(m_red, m_green, m_blue) : COLORREF(-1));
                m_hasColor = false;
                m_red = m_green = m_blue = 0;
            }
            return;
        }
        if (m_state.skip || m_count >= m_max)
            return;
        JQW_RICH_RUN& run = CurrentRun();
        run.text.push_back(c);
        ++m_count;
    }

    void Break()
    {
        if (m_state.skip || m_state.colorTable || m_count >= m_max)
            return;
        if (m_runs.empty() || m_runs.back().bBreakAfter)
            m_runs.emplace_back(NewRun());
        m_runs.back().bBreakAfter = TRUE;
        ++m_count;
    }

    JQW_RICH_RUN NewRun() const
    {
        JQW_RICH_RUN run;
        run.bBold = m_state.bold;
        run.bItalic = m_state.italic;
        run.bUnderline = m_state.underline;
        run.bStrikeOut = m_state.strike;
        run.nHalfPoints = m_state.halfPoints;
        const size_t index = size_t(m_state.colorIndex);
        run.crColor = index < m_colors.size() ? m_colors[index] : COLORREF(-1);
        return run;
    }

    JQW_RICH_RUN& CurrentRun()
    {
        JQW_RICH_RUN wanted = NewRun();
        if (!m_runs.empty()) {
            const JQW_RICH_RUN& last = m_runs.back();
            if (!last.bBreakAfter && last.bBold == wanted.bBold && last.bItalic == wanted.bItalic
                && last.bUnderline == wanted.bUnderline && last.bStrikeOut == wanted.bStrikeOut
                && last.nHalfPoints == wanted.nHalfPoints && last.crColor == wanted.crColor)
                return m_runs.back();
        }
        m_runs.push_back(std::move(wanted));
        return m_runs.back();
    }

    void ReadControl()
    {
        if (m_pos >= m_text.size())
            return;
        const char16_t c = m_text[m_pos];
        if (!IsLetter(c)) {
            ++m_pos;
            switch (c) {
            case u'\\':
            case u'{':
            case u'}':
                Text(c);
                break;
            case u'\'': {
                const int high = m_pos < m_text.size() ? HexValue(m_text[m_pos]) : -1;
                const int low = m_pos + 1 < m_text.size() ? HexValue(m_text[m_pos + 1]) : -1;
                if (high >= 0 && low >= 0) {
                    m_pos += 2;
                    Text(FromCodePage1252(unsigned(high * 16 + low)));
                }
                break;
            }
            case u'*':
                m_state.skip = true;
                break;
            case u'~':
                Text(0x00A0);
                break;
            case u'_':
                Text(u'-');
                break;
            case u'\r':
            case u'\n':
                Break();
                break;
            default:
                break;
            }
            return;
        }
        std::u16string word;
        while (m_pos < m_text.size() && IsLetter(m_text[m_pos])) {
            if (word.size() < kMaxWordLength)
                word.push_back(m_text[m_pos]);
            ++m_pos;
        }
        bool hasNumber = false;
        bool negative = false;
        long long number = 0;
        if (m_pos < m_text.size() && m_text[m_pos] == u'-') {
            negative = true;
            ++m_pos;
        }
        int digits = 0;
        while (m_pos < m_text.size() && m_text[m_pos] >= u'0' && m_text[m_pos] <= u'9') {
            if (digits++ < kMaxNumberDigits)
                number = number * 10 + (m_text[m_pos] - u'0');
            hasNumber = true;
            ++m_pos;
        }
        if (m_pos < m_text.size() && m_text[m_pos] == u' ')
            ++m_pos;
        number = std::clamp(negative ? -number : number, -2147483647LL, 2147483647LL);
        Word(word, hasNumber, int(number));
    }

    void Word(const std::u16string& word, bool hasNumber, int number)
    {
        const bool on = !hasNumber || number != 0;
        if (word == u"b")
            m_state.bold = on;
        else if (word == u"i")
            m_state.italic = on;
        else if (word == u"ul")
            m_state.underline = on;
        else if (word == u"ulnone")
            m_state.underline = FALSE;
        else if (word == u"strike")
            m_state.strike = on;
        else if (word == u"fs")
            m_state.halfPoints = hasNumber ? std::clamp(number, 2, 400) : 0;
        else if (word == u"cf")
            m_state.colorIndex = std::max(number, 0);
        else if (word == u"plain")
            m_state = ReaderState { .skip = m_state.skip, .colorTable = m_state.colorTable, .unicodeSkip = m_state.unicodeSkip };
        else if (word == u"par" || word == u"line")
            Break();
        else if (word == u"tab")
            Text(u'\t');
        else if (word == u"uc")
            m_state.unicodeSkip = std::clamp(number, 0, 8);
        else if (word == u"u") {
            Text(char16_t(number < 0 ? number + 65536 : number));
            m_pendingSkip = m_state.unicodeSkip;
        } else if (word == u"colortbl") {
            m_state.colorTable = true;
        } else if (word == u"red" || word == u"green" || word == u"blue") {
            if (m_state.colorTable) {
                const int value = std::clamp(number, 0, 255);
                (word == u"red" ? m_red : word == u"green" ? m_green : m_blue) = value;
                m_hasColor = true;
            }
        } else if (word == u"fonttbl" || word == u"stylesheet" || word == u"info" || word == u"pict" || word == u"object"
            || word == u"header" || word == u"footer" || word == u"footnote" || word == u"field" || word == u"fldinst") {
            m_state.skip = true;
        }
    }

    std::u16string_view m_text;
    std::vector<JQW_RICH_RUN>& m_runs;
    size_t m_max;
    size_t m_pos = 0;
    size_t m_count = 0;
    bool m_done = false;
    int m_overflow = 0;
    int m_pendingSkip = 0;
    ReaderState m_state;
    std::vector<ReaderState> m_stack;
    std::vector<COLORREF> m_colors;
    bool m_hasColor = false;
    int m_red = 0, m_green = 0, m_blue = 0;
};

} // namespace

BOOL JQWParseRichText(std::u16string_view text, std::vector<JQW_RICH_RUN>& runs, size_t maxCharacters)
{
    runs.clear();
    size_t start = 0;
    while (start < text.size() && (text[start] == u' ' || text[start] == u'\r' || text[start] == u'\n' || text[start] == u'\t'))
        ++start;
    if (text.substr(start, 5) != u"{\\rtf")
        return FALSE;
    RtfReader reader(text.substr(start + 1), runs, maxCharacters);
    reader.Read();
    return TRUE;
}

struct CJQWRichRender::Line {
    struct Piece {
        size_t run;
        std::u16string text;
        int x;
        int width;
    };
    std::vector<Piece> pieces;
    int height = 0;
    int ascent = 0;
};

namespace {

// The fonts of one layout or drawing pass, one per format.
class FontCache {
public:
    FontCache(const CHARFORMATW& format)
        : m_format(format)
    {
    }
    CFont* Get(const JQW_RICH_RUN& run)
    {
        const int halfPoints = run.nHalfPoints > 0 ? run.nHalfPoints : (m_format.dwMask & CFM_SIZE) ? m_format.yHeight / 10 : 0;
        const int key = (halfPoints << 4) | (run.bBold ? 1 : 0) | (run.bItalic ? 2 : 0) | (run.bUnderline ? 4 : 0)
            | (run.bStrikeOut ? 8 : 0);
        auto& font = m_fonts[key];
        if (!font) {
            font = std::make_unique<CFont>();
            LOGFONTW log {};
            NONCLIENTMETRICSW metrics {};
            metrics.cbSize = sizeof(metrics);
            ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
            log = metrics.lfMessageFont;
            if (halfPoints > 0)
                log.lfHeight = -(halfPoints * 96 + 72) / 144;
            if (m_format.dwMask & CFM_FACE && m_format.szFaceName[0])
                std::memcpy(log.lfFaceName, m_format.szFaceName, sizeof(log.lfFaceName));
            log.lfWeight = run.bBold ? FW_BOLD : FW_NORMAL;
            log.lfItalic = run.bItalic ? 1 : 0;
            log.lfUnderline = run.bUnderline ? 1 : 0;
            log.lfStrikeOut = run.bStrikeOut ? 1 : 0;
            font->CreateFontIndirect(&log);
        }
        return font.get();
    }

private:
    const CHARFORMATW& m_format;
    std::map<int, std::unique_ptr<CFont>> m_fonts;
};

} // namespace

CJQWRichRender::CJQWRichRender()
{
    m_format.cbSize = sizeof(m_format);
    m_format.crTextColor = ::GetSysColor(COLOR_BTNTEXT);
    m_format.dwMask = CFM_COLOR;
}

CJQWRichRender::~CJQWRichRender() = default;

void CJQWRichRender::SetDefaultCharFormat(const CHARFORMATW& format)
{
    m_format = format;
}

int CJQWRichRender::SetText(const CString& text)
{
    m_runs.clear();
    if (text.IsEmpty())
        return 0;
    const std::u16string_view view(text.GetString(), size_t(text.GetLength()));
    int read = 0;
    if (JQWParseRichText(view, m_runs)) {
        for (const JQW_RICH_RUN& run : m_runs)
            read += int(run.text.size()) + (run.bBreakAfter ? 1 : 0);
        if (read > 0)
            return read;
    }
    // Plain text, kept in UTF-16 so that no character is lost to a code page.
    m_runs.clear();
    JQW_RICH_RUN run;
    for (size_t i = 0; i < view.size(); ++i) {
        const char16_t c = view[i];
        if (c == u'\r' && i + 1 < view.size() && view[i + 1] == u'\n')
            continue;
        if (c == u'\n' || c == u'\r') {
            run.bBreakAfter = TRUE;
            m_runs.push_back(std::move(run));
            run = JQW_RICH_RUN();
            continue;
        }
        run.text.push_back(c);
    }
    if (!run.text.empty())
        m_runs.push_back(std::move(run));
    return int(view.size());
}

std::vector<CJQWRichRender::Line> CJQWRichRender::Layout(CDC* dc, int width) const
{
    FontCache fonts(m_format);
    std::vector<Line> lines(1);
    int x = 0;
    CFont* old = nullptr;
    auto finishLine = [&](const CFont* font) {
        Line& line = lines.back();
        if (line.height == 0 && font) {
            TEXTMETRICW metrics {};
            dc->GetTextMetrics(&metrics);
            line.height = metrics.tmHeight;
            line.ascent = metrics.tmAscent;
        }
        lines.emplace_back();
        x = 0;
    };
    for (size_t r = 0; r < m_runs.size(); ++r) {
        const JQW_RICH_RUN& run = m_runs[r];
        CFont* font = fonts.Get(run);
        CFont* previous = dc->SelectObject(font);
        if (!old)
            old = previous;
        TEXTMETRICW metrics {};
        dc->GetTextMetrics(&metrics);
        size_t i = 0;
        while (i < run.text.size()) {
            // A word and the blanks after it.
            size_t end = i;
            while (end < run.text.size() && run.text[end] != u' ' && run.text[end] != u'\t')
                ++end;
            while (end < run.text.size() && (run.text[end] == u' ' || run.text[end] == u'\t'))
                ++end;
            std::u16string word = run.text.substr(i, end - i);
            std::replace(word.begin(), word.end(), u'\t', u' ');
            size_t trimmed = word.size();
            while (trimmed > 0 && word[trimmed - 1] == u' ')
                --trimmed;
            const int wordWidth = dc->GetTextExtent(word.c_str(), int(trimmed)).cx;
            const int fullWidth = dc->GetTextExtent(word.c_str(), int(word.size())).cx;
            if (x > 0 && x + wordWidth > width)
                finishLine(font);
            Line& line = lines.back();
            line.pieces.push_back({ r, word, x, wordWidth });
            line.height = std::max(line.height, int(metrics.tmHeight));
            line.ascent = std::max(line.ascent, int(metrics.tmAscent));
            x += fullWidth;
            i = end;
        }
        if (run.bBreakAfter) {
            Line& line = lines.back();
            line.height = std::max(line.height, int(metrics.tmHeight));
            line.ascent = std::max(line.ascent, int(metrics.tmAscent));
            finishLine(font);
        }
    }
    if (lines.back().pieces.empty() && lines.size() > 1)
        lines.pop_back();
    if (old)
        dc->SelectObject(old);
    return lines;
}

int CJQWRichRender::LayoutHeight(CDC* dc, int width) const
{
    int height = 0;
    for (const Line& line : Layout(dc, width))
        height += line.height;
    return height;
}

CSize CJQWRichRender::GetTextExtent(CDC* dc, int maxWidth)
{
    m_szRequest = CSize(0, 0);
    if (m_runs.empty() || maxWidth <= 0)
        return m_szRequest;
    int low = 0;
    int high = 2 * maxWidth;
    int reference = -1;
    int middle = maxWidth;
    while (low <= high) {
        const int height = LayoutHeight(dc, middle);
        m_szRequest = CSize(middle, height);
        if (reference < 0)
            reference = height;
        if (height > reference)
            low = middle + 1;
        else
            high = middle - 1;
        middle = low + (high - low) / 2;
    }
    if (m_szRequest.cy > reference)
        m_szRequest = CSize(high + 1, LayoutHeight(dc, high + 1));
    // The width the text really takes at that width.
    int used = 0;
    for (const Line& line : Layout(dc, m_szRequest.cx))
        for (const Line::Piece& piece : line.pieces)
            used = std::max(used, piece.x + piece.width);
    m_szRequest.cx = std::min(used, maxWidth);
    return m_szRequest;
}

void CJQWRichRender::Draw(CDC* dc, const CRect& rect)
{
    if (m_runs.empty())
        return;
    FontCache fonts(m_format);
    const COLORREF defaultColor = (m_format.dwMask & CFM_COLOR) ? m_format.crTextColor : ::GetSysColor(COLOR_BTNTEXT);
    const int oldMode = dc->SetBkMode(TRANSPARENT);
    const COLORREF oldColor = dc->GetTextColor();
    CFont* old = nullptr;
    int y = rect.top;
    for (const Line& line : Layout(dc, rect.Width())) {
        if (y >= rect.bottom)
            break;
        for (const Line::Piece& piece : line.pieces) {
            const JQW_RICH_RUN& run = m_runs[piece.run];
            CFont* previous = dc->SelectObject(fonts.Get(run));
            if (!old)
                old = previous;
            TEXTMETRICW metrics {};
            dc->GetTextMetrics(&metrics);
            dc->SetTextColor(run.crColor != COLORREF(-1) ? run.crColor : defaultColor);
            const int baseline = y + line.ascent - metrics.tmAscent;
            dc->ExtTextOut(rect.left + piece.x, baseline, ETO_CLIPPED, &rect, piece.text.c_str(), UINT(piece.text.size()), nullptr);
        }
        y += line.height;
    }
    if (old)
        dc->SelectObject(old);
    dc->SetTextColor(oldColor);
    dc->SetBkMode(oldMode);
}
