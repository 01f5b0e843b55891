// The edit control, single and multi-line, and the plain-text rich edit answered by the same
// procedure under the rich-edit class names.

#include "platform/base/Unicode.h"
#include "platform/controls/ControlsInternal.h"
#include "platform/controls/RichEdit.h"
#include "platform/shell/Clipboard.h"
#include "platform/user/Resources.h"
#include "platform/user/ScrollBar.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform::controls {

namespace {

constexpr size_t kDefaultLimit = 30000;
constexpr size_t kRichDefaultLimit = 32767;
constexpr size_t kMaxLimit = 0x7FFFFFFE;

struct Line {
    size_t start = 0;
    size_t length = 0; // without the break
    size_t breakLength = 0; // 2 for CR LF, 1 for a lone CR or LF, 0 for a wrap or the last line
};

struct Snapshot {
    std::u16string text;
    size_t anchor = 0;
    size_t caret = 0;
};

struct EditState {
    bool rich = false;
    HFONT font = nullptr;
    std::u16string text;
    size_t anchor = 0; // the fixed end of the selection
    size_t caret = 0; // the moving end
    size_t limit = kDefaultLimit;
    int leftMargin = 1;
    int rightMargin = 1;
    WCHAR passwordChar = 0;
    bool modified = false;
    bool focus = false;
    bool mouseSelecting = false;
    std::vector<Line> lines;
    int lineHeight = 13;
    int firstLine = 0;
    int xOffset = 0;
    // Undo: the state before the last change; typing into the same run extends the change.
    bool canUndo = false;
    Snapshot undo;
    bool typingRun = false;
    // Rich edit.
    DWORD eventMask = 0;
    bool autoTextColor = true;
    COLORREF textColor = 0;
    bool systemBackground = true;
    COLORREF background = 0;
    int lastRequestedHeight = -1;
    // The bars asked for at creation; the window hides them while there is nothing to scroll.
    bool vScroll = false;
    bool hScroll = false;
};

size_t SelMin(const EditState& s) { return std::min(s.anchor, s.caret); }
size_t SelMax(const EditState& s) { return std::max(s.anchor, s.caret); }

bool IsMultiLine(HWND window) { return (StyleOf(window) & ES_MULTILINE) != 0; }

bool Wraps(HWND window, bool hScroll)
{
    const DWORD style = StyleOf(window);
    return (style & ES_MULTILINE) && !(style & ES_AUTOHSCROLL) && !hScroll;
}

// A context measuring with the control's font.
class Measure {
public:
    explicit Measure(const EditState& state)
    {
        m_dc = CreateCompatibleDC(nullptr);
        SelectObject(m_dc, FontOf(state.font));
    }
    ~Measure() { DeleteDC(m_dc); }
    Measure(const Measure&) = delete;
    Measure& operator=(const Measure&) = delete;
    HDC dc() const { return m_dc; }
    int Width(const WCHAR* text, size_t count) const
    {
        if (!count)
            return 0;
        SIZE size {};
        GetTextExtentPoint32W(m_dc, text, int(count), &size);
        return size.cx;
    }
    int Height() const
    {
        TEXTMETRICW tm {};
        GetTextMetricsW(m_dc, &tm);
        return tm.tmHeight;
    }

private:
    HDC m_dc = nullptr;
};

// The text as shown: the password character in place of each character.
std::u16string Shown(const EditState& s)
{
    if (s.passwordChar)
        return std::u16string(s.text.size(), s.passwordChar);
    return s.text;
}

RECT FormatRect(HWND window, const EditState& s)
{
    RECT client;
    GetClientRect(window, &client);
    client.left += s.leftMargin;
    client.right -= s.rightMargin;
    if (client.right < client.left)
        client.right = client.left;
    if (!IsMultiLine(window)) {
        // One line, centred in the height.
        const int h = client.bottom - client.top;
        if (h > s.lineHeight)
            client.top += (h - s.lineHeight) / 2;
    }
    return client;
}

void Layout(HWND window, EditState& s)
{
    Measure measure(s);
    s.lineHeight = std::max(1, measure.Height());
    s.lines.clear();
    const std::u16string shown = Shown(s);
    if (!IsMultiLine(window)) {
        s.lines.push_back({ 0, shown.size(), 0 });
        return;
    }
    const bool wrap = Wraps(window, s.hScroll);
    const RECT format = FormatRect(window, s);
    const int width = std::max<int>(1, format.right - format.left);
    size_t i = 0;
    while (true) {
        size_t end = i;
        while (end < shown.size() && shown[end] != u'\r' && shown[end] != u'\n')
            ++end;
        size_t breakLength = 0;
        if (end < shown.size())
            breakLength = (shown[end] == u'\r' && end + 1 < shown.size() && shown[end + 1] == u'\n') ? 2 : 1;
        // Wrap the paragraph [i, end) at spaces to the width.
        size_t start = i;
        while (wrap && end - start > 0) {
            INT fit = 0;
            SIZE size {};
            GetTextExtentExPointW(measure.dc(), shown.data() + start, int(end - start), width, &fit, nullptr, &size);
            if (size_t(fit) >= end - start)
                break;
            size_t cut = start + size_t(std::max(fit, 1));
            // Back to just after the last space that fits; spaces after it stay on this line.
            size_t space = cut;
            while (space > start && shown[space - 1] != u' ' && shown[space - 1] != u'\t')
                --space;
            if (space > start)
                cut = space;
            while (cut < end && (shown[cut] == u' '))
                ++cut;
            s.lines.push_back({ start, cut - start, 0 });
            start = cut;
        }
        s.lines.push_back({ start, end - start, breakLength });
        if (end >= shown.size())
            break;
        i = end + breakLength;
    }
}

int LineOf(const EditState& s, size_t index)
{
    for (size_t l = 0; l < s.lines.size(); ++l) {
        const Line& line = s.lines[l];
        const size_t next = l + 1 < s.lines.size() ? s.lines[l + 1].start : SIZE_MAX;
        if (index < next || l + 1 == s.lines.size())
            return int(l);
        (void)line;
    }
    return 0;
}

int AlignOffset(HWND window, const EditState& s, const Measure& measure, const Line& line, const std::u16string& shown)
{
    const DWORD align = StyleOf(window) & (ES_CENTER | ES_RIGHT);
    if (!align || (!IsMultiLine(window) && (StyleOf(window) & ES_AUTOHSCROLL) && false))
        return 0;
    const RECT format = FormatRect(window, s);
    const int room = (format.right - format.left) - measure.Width(shown.data() + line.start, line.length);
    if (room <= 0)
        return 0;
    return align == ES_CENTER ? room / 2 : room;
}

POINT PosFromChar(HWND window, const EditState& s, size_t index)
{
    Measure measure(s);
    const std::u16string shown = Shown(s);
    const int l = LineOf(s, index);
    const Line& line = s.lines[size_t(l)];
    const size_t within = std::min(index - std::min(index, line.start), line.length);
    const RECT format = FormatRect(window, s);
    const int x = format.left + AlignOffset(window, s, measure, line, shown)
        + measure.Width(shown.data() + line.start, within) - s.xOffset;
    const int y = format.top + (l - s.firstLine) * s.lineHeight;
    return POINT { x, y };
}

size_t CharFromPos(HWND window, const EditState& s, POINT p)
{
    Measure measure(s);
    const std::u16string shown = Shown(s);
    const RECT format = FormatRect(window, s);
    int l = s.firstLine + (p.y - format.top) / std::max(1, s.lineHeight);
    if (p.y < format.top)
        l = s.firstLine - 1;
    l = std::clamp(l, 0, int(s.lines.size()) - 1);
    const Line& line = s.lines[size_t(l)];
    const int x = p.x - format.left - AlignOffset(window, s, measure, line, shown) + s.xOffset;
    size_t best = 0;
    for (size_t i = 1; i <= line.length; ++i) {
        const int before = measure.Width(shown.data() + line.start, i - 1);
        const int after = measure.Width(shown.data() + line.start, i);
        if (x >= (before + after + 1) / 2)
            best = i;
        else
            break;
    }
    return line.start + best;
}

int VisibleLines(HWND window, const EditState& s)
{
    const RECT format = FormatRect(window, s);
    return std::max(1, int(format.bottom - format.top) / std::max(1, s.lineHeight));
}

void UpdateScrollBars(HWND window, EditState& s)
{
    if (s.vScroll) {
        SCROLLINFO info { sizeof(info), SIF_RANGE | SIF_PAGE | SIF_POS, 0, int(s.lines.size()) - 1,
            UINT(VisibleLines(window, s)), s.firstLine, 0 };
        SetScrollInfo(window, SB_VERT, &info, TRUE);
    }
    if (s.hScroll) {
        Measure measure(s);
        const std::u16string shown = Shown(s);
        int widest = 0;
        for (const Line& line : s.lines)
            widest = std::max(widest, measure.Width(shown.data() + line.start, line.length));
        const RECT format = FormatRect(window, s);
        SCROLLINFO info { sizeof(info), SIF_RANGE | SIF_PAGE | SIF_POS, 0, widest,
            UINT(std::max<int>(1, format.right - format.left)), s.xOffset, 0 };
        SetScrollInfo(window, SB_HORZ, &info, TRUE);
    }
}

void Redraw(HWND window) { InvalidateRect(window, nullptr, TRUE); }

void ScrollToLine(HWND window, EditState& s, int line)
{
    const int last = std::max(0, int(s.lines.size()) - VisibleLines(window, s));
    line = std::clamp(line, 0, std::max(last, 0));
    if (line != s.firstLine) {
        s.firstLine = line;
        UpdateScrollBars(window, s);
        Redraw(window);
    }
}

// Scrolls so that the caret is in view.
void ScrollCaret(HWND window, EditState& s)
{
    const int l = LineOf(s, s.caret);
    if (IsMultiLine(window)) {
        const int visible = VisibleLines(window, s);
        if (l < s.firstLine)
            ScrollToLine(window, s, l);
        else if (l >= s.firstLine + visible)
            ScrollToLine(window, s, l - visible + 1);
    }
    const DWORD style = StyleOf(window);
    if (Wraps(window, s.hScroll))
        return;
    const RECT format = FormatRect(window, s);
    const int width = format.right - format.left;
    POINT p = PosFromChar(window, s, s.caret);
    const int x = p.x - format.left + s.xOffset; // from the line's start
    int offset = s.xOffset;
    if (x < offset)
        offset = std::max(0, x - width / 3);
    else if (x >= offset + width)
        offset = x - width + 1 + width / 3;
    if (!(style & ES_AUTOHSCROLL) && !IsMultiLine(window))
        offset = 0;
    if (offset != s.xOffset) {
        s.xOffset = offset;
        UpdateScrollBars(window, s);
        Redraw(window);
    }
}

void SendChangeNotes(HWND window, EditState& s)
{
    if (!s.rich || (s.eventMask & ENM_UPDATE))
        NotifyParent(window, EN_UPDATE);
    if (!s.rich || (s.eventMask & ENM_CHANGE))
        NotifyParent(window, EN_CHANGE);
}

void RequestResize(HWND window, EditState& s, bool always)
{
    if (!s.rich || !(s.eventMask & ENM_REQUESTRESIZE))
        return;
    RECT client;
    GetClientRect(window, &client);
    const int height = int(s.lines.size()) * s.lineHeight;
    if (!always && height == s.lastRequestedHeight)
        return;
    s.lastRequestedHeight = height;
    REQRESIZE request {};
    request.rc = RECT { 0, 0, client.right, height };
    SendNotify(window, &request.nmhdr, EN_REQUESTRESIZE);
}

void SetSelection(HWND window, EditState& s, size_t anchor, size_t caret)
{
    anchor = std::min(anchor, s.text.size());
    caret = std::min(caret, s.text.size());
    // Never split a CR LF pair or a surrogate pair.
    auto fix = [&](size_t i) {
        if (i > 0 && i < s.text.size() && s.text[i - 1] == u'\r' && s.text[i] == u'\n')
            return i - 1;
        if (i > 0 && i < s.text.size() && IsHighSurrogate(s.text[i - 1]) && IsLowSurrogate(s.text[i]))
            return i - 1;
        return i;
    };
    anchor = fix(anchor);
    caret = fix(caret);
    if (anchor == s.anchor && caret == s.caret)
        return;
    s.anchor = anchor;
    s.caret = caret;
    s.typingRun = false;
    Redraw(window);
}

// Replaces the selection with `insert`. `user` marks typing and pasting, which respect read-only
// and the limit; EM_REPLACESEL and WM_SETTEXT come from the program. Returns false when nothing
// changed.
bool ReplaceSelection(HWND window, EditState& s, std::u16string insert, bool user, bool canUndo, bool typing = false)
{
    const DWORD style = StyleOf(window);
    if (user && (style & ES_READONLY))
        return false;
    if (!IsMultiLine(window)) {
        // One line: what follows a line break is dropped.
        const size_t cut = insert.find_first_of(u"\r\n");
        if (cut != std::u16string::npos)
            insert.resize(cut);
    }
    if (style & ES_UPPERCASE)
        for (auto& c : insert)
            if (c >= u'a' && c <= u'z')
                c = char16_t(c - u'a' + u'A');
    if (style & ES_LOWERCASE)
        for (auto& c : insert)
            if (c >= u'A' && c <= u'Z')
                c = char16_t(c - u'A' + u'a');
    const size_t from = SelMin(s);
    const size_t to = SelMax(s);
    const size_t remaining = s.text.size() - (to - from);
    bool truncated = false;
    if (remaining + insert.size() > s.limit) {
        const size_t room = s.limit > remaining ? s.limit - remaining : 0;
        insert.resize(room);
        if (!insert.empty() && IsHighSurrogate(insert.back()))
            insert.pop_back(); // half a character is not kept
        truncated = true;
    }
    if (truncated)
        NotifyParent(window, EN_MAXTEXT);
    if (from == to && insert.empty())
        return false;
    if (canUndo && !(typing && s.typingRun)) {
        s.undo = Snapshot { s.text, s.anchor, s.caret };
        s.canUndo = true;
    }
    s.text.replace(from, to - from, insert);
    s.anchor = s.caret = from + insert.size();
    s.typingRun = typing;
    s.modified = true;
    Layout(window, s);
    if (s.firstLine > 0 && s.firstLine >= int(s.lines.size()))
        s.firstLine = std::max(0, int(s.lines.size()) - 1);
    ScrollCaret(window, s);
    UpdateScrollBars(window, s);
    Redraw(window);
    SendChangeNotes(window, s);
    RequestResize(window, s, false);
    return true;
}

void SetAllText(HWND window, EditState& s, const WCHAR* text)
{
    std::u16string value = text ? std::u16string(text) : std::u16string();
    s.text = value;
    s.anchor = s.caret = 0;
    s.firstLine = 0;
    s.xOffset = 0;
    s.canUndo = false;
    s.typingRun = false;
    s.modified = false;
    Layout(window, s);
    UpdateScrollBars(window, s);
    Redraw(window);
}

std::u16string Selected(const EditState& s) { return s.text.substr(SelMin(s), SelMax(s) - SelMin(s)); }

void Copy(HWND window, const EditState& s)
{
    if (s.passwordChar || SelMin(s) == SelMax(s))
        return;
    const std::u16string text = Selected(s);
    if (!OpenClipboard(window))
        return;
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(WCHAR));
    if (block) {
        auto* p = static_cast<WCHAR*>(GlobalLock(block));
        std::memcpy(p, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
        GlobalUnlock(block);
        if (!SetClipboardData(CF_UNICODETEXT, block))
            GlobalFree(block);
    }
    CloseClipboard();
}

void Paste(HWND window, EditState& s)
{
    if (!OpenClipboard(window))
        return;
    std::u16string text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* p = static_cast<const WCHAR*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    if (!text.empty())
        ReplaceSelection(window, s, text, true, true);
}

bool IsWordChar(WCHAR c) { return c != u' ' && c != u'\t' && c != u'\r' && c != u'\n'; }

size_t WordLeft(const EditState& s, size_t i)
{
    while (i > 0 && !IsWordChar(s.text[i - 1]))
        --i;
    while (i > 0 && IsWordChar(s.text[i - 1]))
        --i;
    return i;
}

size_t WordRight(const EditState& s, size_t i)
{
    while (i < s.text.size() && IsWordChar(s.text[i]))
        ++i;
    while (i < s.text.size() && !IsWordChar(s.text[i]))
        ++i;
    return i;
}

// One step over a character: a CR LF pair and a surrogate pair are one step each.
size_t PreviousChar(const EditState& s, size_t i)
{
    if (i == 0)
        return 0;
    if (i >= 2 && s.text[i - 1] == u'\n' && s.text[i - 2] == u'\r')
        return i - 2;
    if (i >= 2 && IsLowSurrogate(s.text[i - 1]) && IsHighSurrogate(s.text[i - 2]))
        return i - 2;
    return i - 1;
}

size_t NextChar(const EditState& s, size_t i)
{
    if (i >= s.text.size())
        return s.text.size();
    if (s.text[i] == u'\r' && i + 1 < s.text.size() && s.text[i + 1] == u'\n')
        return i + 2;
    if (IsHighSurrogate(s.text[i]) && i + 1 < s.text.size() && IsLowSurrogate(s.text[i + 1]))
        return i + 2;
    return i + 1;
}

// The caret on another line at the same x.
size_t VerticalMove(HWND window, EditState& s, int lines)
{
    const int l = LineOf(s, s.caret);
    const int target = std::clamp(l + lines, 0, int(s.lines.size()) - 1);
    if (target == l)
        return lines < 0 ? s.lines[size_t(l)].start : s.lines[size_t(l)].start + s.lines[size_t(l)].length;
    const POINT p = PosFromChar(window, s, s.caret);
    const RECT format = FormatRect(window, s);
    return CharFromPos(window, s, POINT { p.x, format.top + (target - s.firstLine) * s.lineHeight + s.lineHeight / 2 });
}

bool OnKeyDown(HWND window, EditState& s, int key)
{
    const bool shift = KeyIsDown(VK_SHIFT);
    const bool control = KeyIsDown(VK_CONTROL);
    size_t caret = s.caret;
    const int l = LineOf(s, s.caret);
    switch (key) {
    case VK_LEFT:
        if (!shift && SelMin(s) != SelMax(s))
            caret = SelMin(s);
        else
            caret = control ? WordLeft(s, caret) : PreviousChar(s, caret);
        break;
    case VK_RIGHT:
        if (!shift && SelMin(s) != SelMax(s))
            caret = SelMax(s);
        else
            caret = control ? WordRight(s, caret) : NextChar(s, caret);
        break;
    case VK_HOME: caret = control ? 0 : s.lines[size_t(l)].start; break;
    case VK_END:
        caret = control ? s.text.size() : s.lines[size_t(l)].start + s.lines[size_t(l)].length;
        break;
    case VK_UP:
        if (!IsMultiLine(window))
            caret = PreviousChar(s, caret);
        else
            caret = VerticalMove(window, s, -1);
        break;
    case VK_DOWN:
        if (!IsMultiLine(window))
            caret = NextChar(s, caret);
        else
            caret = VerticalMove(window, s, 1);
        break;
    case VK_PRIOR:
    case VK_NEXT:
        if (!IsMultiLine(window))
            return false;
        caret = VerticalMove(window, s, (key == VK_PRIOR ? -1 : 1) * VisibleLines(window, s));
        break;
    case VK_DELETE:
        if (shift) {
            SendMessage(window, WM_CUT, 0, 0);
        } else if (!(StyleOf(window) & ES_READONLY)) {
            if (SelMin(s) == SelMax(s))
                s.caret = NextChar(s, s.caret);
            ReplaceSelection(window, s, u"", true, true);
        }
        return true;
    case VK_INSERT:
        if (control)
            SendMessage(window, WM_COPY, 0, 0);
        else if (shift)
            SendMessage(window, WM_PASTE, 0, 0);
        return true;
    default:
        return false;
    }
    SetSelection(window, s, shift ? s.anchor : caret, caret);
    ScrollCaret(window, s);
    return true;
}

void OnChar(HWND window, EditState& s, WCHAR c)
{
    const DWORD style = StyleOf(window);
    switch (c) {
    case 0x01: SetSelection(window, s, 0, s.text.size()); return; // Ctrl+A
    case 0x03: SendMessage(window, WM_COPY, 0, 0); return; // Ctrl+C
    case 0x16: SendMessage(window, WM_PASTE, 0, 0); return; // Ctrl+V
    case 0x18: SendMessage(window, WM_CUT, 0, 0); return; // Ctrl+X
    case 0x1A: SendMessage(window, WM_UNDO, 0, 0); return; // Ctrl+Z
    case 0x08: // Backspace
        if (style & ES_READONLY)
            return;
        if (SelMin(s) == SelMax(s))
            s.anchor = PreviousChar(s, s.caret);
        ReplaceSelection(window, s, u"", true, true);
        return;
    case u'\r':
    case u'\n':
        if (IsMultiLine(window))
            ReplaceSelection(window, s, u"\r\n", true, true);
        return;
    case u'\t':
        if (IsMultiLine(window))
            ReplaceSelection(window, s, u"\t", true, true, true);
        return;
    default: break;
    }
    if (c < 0x20 || c == 0x7F)
        return;
    if ((style & ES_NUMBER) && !(c >= u'0' && c <= u'9'))
        return;
    ReplaceSelection(window, s, std::u16string(1, c), true, true, true);
}

COLORREF TextColorFor(HWND window, const EditState& s, HDC hdc)
{
    if (!IsWindowEnabled(window))
        return GetSysColor(COLOR_GRAYTEXT);
    if (s.rich)
        return s.autoTextColor ? GetSysColor(COLOR_WINDOWTEXT) : s.textColor;
    return GetTextColor(hdc);
}

void Paint(HWND window, EditState& s, HDC hdc, RECT client)
{
    HBRUSH brush = nullptr;
    COLORREF background = GetSysColor(COLOR_WINDOW);
    if (s.rich) {
        background = s.systemBackground ? GetSysColor(COLOR_WINDOW) : s.background;
        SetBkColor(hdc, background);
    } else {
        const bool greyed = (StyleOf(window) & ES_READONLY) || !IsWindowEnabled(window);
        brush = ControlColors(window, hdc, greyed ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
        background = GetBkColor(hdc);
    }
    if (brush)
        FillRect(hdc, &client, brush);
    else
        FillSolid(hdc, client, background);
    const COLORREF textColor = TextColorFor(window, s, hdc);
    HGDIOBJ oldFont = SelectObject(hdc, FontOf(s.font));
    Measure measure(s);
    const std::u16string shown = Shown(s);
    const RECT format = FormatRect(window, s);
    const int saved = SaveDC(hdc);
    IntersectClipRect(hdc, format.left, client.top, format.right, client.bottom);
    const bool showSelection = s.focus || (StyleOf(window) & ES_NOHIDESEL);
    const size_t selFrom = SelMin(s);
    const size_t selTo = SelMax(s);
    SetBkMode(hdc, TRANSPARENT);
    for (int l = s.firstLine; l < int(s.lines.size()); ++l) {
        const int y = format.top + (l - s.firstLine) * s.lineHeight;
        if (y >= client.bottom)
            break;
        const Line& line = s.lines[size_t(l)];
        const int x0 = format.left + AlignOffset(window, s, measure, line, shown) - s.xOffset;
        // Three runs: before, inside and after the selection.
        const size_t a = std::clamp(selFrom, line.start, line.start + line.length);
        const size_t b = std::clamp(selTo, line.start, line.start + line.length);
        const WCHAR* base = shown.data() + line.start;
        SetTextColor(hdc, textColor);
        TextOutW(hdc, x0, y, base, int(line.length));
        if (showSelection && b > a) {
            const int xa = x0 + measure.Width(base, a - line.start);
            const int xb = x0 + measure.Width(base, b - line.start);
            RECT band { xa, y, xb, y + s.lineHeight };
            FillRect(hdc, &band, GetSysColorBrush(COLOR_HIGHLIGHT));
            SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
            TextOutW(hdc, xa, y, shown.data() + a, int(b - a));
        }
    }
    // The caret: a line the height of the text, drawn while focused and nothing is selected.
    if (s.focus && selFrom == selTo) {
        const POINT p = PosFromChar(window, s, s.caret);
        RECT caret { p.x, p.y, p.x + 1, p.y + s.lineHeight };
        InvertRect(hdc, &caret);
    }
    RestoreDC(hdc, saved);
    SelectObject(hdc, oldFont);
}

LRESULT DialogCode(HWND window, LPARAM lParam)
{
    LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    if (IsMultiLine(window)) {
        // Enter belongs to a multi-line edit only with ES_WANTRETURN; Tab and Esc go to the dialog.
        auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg && msg->message == WM_KEYDOWN && msg->wParam == WPARAM(VK_RETURN)
            && (StyleOf(window) & ES_WANTRETURN))
            code |= DLGC_WANTALLKEYS;
    }
    return code;
}

LRESULT GetLine(const EditState& s, int index, WCHAR* buffer)
{
    if (!buffer || index < 0 || index >= int(s.lines.size()))
        return 0;
    WORD room = 0;
    std::memcpy(&room, buffer, sizeof(room));
    const Line& line = s.lines[size_t(index)];
    const size_t n = std::min<size_t>(room, line.length);
    std::memcpy(buffer, s.text.data() + line.start, n * sizeof(WCHAR));
    return LRESULT(n);
}

// The text with each line break as `lineBreak`.
std::u16string WithBreaks(const std::u16string& text, const std::u16string& lineBreak)
{
    std::u16string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            out += lineBreak;
        } else {
            out += text[i];
        }
    }
    return out;
}

LRESULT StreamIn(HWND window, EditState& s, WPARAM format, EDITSTREAM* stream)
{
    if (!stream || !stream->pfnCallback || (format & SF_RTF))
        return 0;
    std::string bytes;
    BYTE chunk[4096];
    while (true) {
        LONG done = 0;
        stream->dwError = stream->pfnCallback(stream->dwCookie, chunk, LONG(sizeof(chunk)), &done);
        if (stream->dwError || done <= 0)
            break;
        bytes.append(reinterpret_cast<const char*>(chunk), size_t(std::min<LONG>(done, LONG(sizeof(chunk)))));
    }
    std::u16string text;
    if (format & SF_UNICODE) {
        text.resize(bytes.size() / 2);
        std::memcpy(text.data(), bytes.data(), text.size() * 2);
    } else {
        text = Utf8ToUtf16(bytes);
    }
    if (format & SFF_SELECTION) {
        ReplaceSelection(window, s, text, false, true);
    } else {
        SetAllText(window, s, text.c_str());
        SendChangeNotes(window, s);
        RequestResize(window, s, false);
    }
    return LRESULT(text.size());
}

LRESULT EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    EditState* state = StateOf<EditState>(window);
    if (!state && message != WM_NCCREATE)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_NCCREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        EditState* s = AttachState(window, new EditState);
        WCHAR name[32] {};
        GetClassNameW(window, name, 32);
        s->rich = (name[0] == u'R' || name[0] == u'r');
        s->limit = s->rich ? kRichDefaultLimit : kDefaultLimit;
        if (cs->style & ES_PASSWORD)
            s->passwordChar = u'*';
        s->vScroll = (cs->style & WS_VSCROLL) != 0;
        s->hScroll = (cs->style & WS_HSCROLL) != 0;
        // The control draws its own text; the window keeps no copy.
        DefWindowProcW(window, message, wParam, lParam);
        SetAllText(window, *s, (cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) ? cs->lpszName : u"");
        return TRUE;
    }
    case WM_NCDESTROY: {
        const LRESULT r = DefWindowProcW(window, message, wParam, lParam);
        DetachState<EditState>(window);
        return r;
    }
    case WM_SIZE:
        Layout(window, *state);
        ScrollCaret(window, *state);
        UpdateScrollBars(window, *state);
        Redraw(window);
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return PaintControl(window, wParam, [&](HDC hdc, RECT client) { Paint(window, *state, hdc, client); });
    case WM_GETDLGCODE:
        return DialogCode(window, lParam);
    case WM_NOTIFYFORMAT:
        return NFR_UNICODE;
    case WM_SETTEXT:
        SetAllText(window, *state, reinterpret_cast<const WCHAR*>(lParam));
        SendChangeNotes(window, *state);
        RequestResize(window, *state, false);
        return TRUE;
    case WM_GETTEXT: {
        if (!wParam || !lParam)
            return 0;
        const size_t n = std::min(state->text.size(), size_t(wParam) - 1);
        std::memcpy(reinterpret_cast<WCHAR*>(lParam), state->text.data(), n * sizeof(WCHAR));
        reinterpret_cast<WCHAR*>(lParam)[n] = 0;
        return LRESULT(n);
    }
    case WM_GETTEXTLENGTH:
        return LRESULT(state->text.size());
    case WM_SETFONT:
        state->font = reinterpret_cast<HFONT>(wParam);
        Layout(window, *state);
        UpdateScrollBars(window, *state);
        if (LOWORD(DWORD(lParam)))
            Redraw(window);
        return 0;
    case WM_GETFONT:
        return LRESULT(state->font);
    case WM_SETFOCUS:
        state->focus = true;
        Redraw(window);
        NotifyParent(window, EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        state->focus = false;
        state->typingRun = false;
        if (state->mouseSelecting && GetCapture() == window)
            ReleaseCapture();
        Redraw(window);
        NotifyParent(window, EN_KILLFOCUS);
        return 0;
    case WM_ENABLE:
        Redraw(window);
        return 0;
    case WM_KEYDOWN:
        TrackModifierKeys(message, wParam);
        if (OnKeyDown(window, *state, int(wParam)))
            return 0;
        break;
    case WM_KEYUP:
        TrackModifierKeys(message, wParam);
        break;
    case WM_CHAR:
        OnChar(window, *state, WCHAR(wParam));
        return 0;
    case WM_LBUTTONDOWN: {
        if (GetFocus() != window)
            SetFocus(window);
        const size_t at = CharFromPos(window, *state, PointFromLParam(lParam));
        SetSelection(window, *state, (wParam & MK_SHIFT) ? state->anchor : at, at);
        state->mouseSelecting = true;
        SetCapture(window);
        return 0;
    }
    case WM_LBUTTONDBLCLK: {
        const size_t at = CharFromPos(window, *state, PointFromLParam(lParam));
        size_t from = at;
        size_t to = at;
        while (from > 0 && IsWordChar(state->text[from - 1]))
            --from;
        while (to < state->text.size() && IsWordChar(state->text[to]))
            ++to;
        SetSelection(window, *state, from, to);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (state->mouseSelecting && GetCapture() == window) {
            const size_t at = CharFromPos(window, *state, PointFromLParam(lParam));
            SetSelection(window, *state, state->anchor, at);
            ScrollCaret(window, *state);
        }
        return 0;
    case WM_LBUTTONUP:
        if (state->mouseSelecting) {
            state->mouseSelecting = false;
            if (GetCapture() == window)
                ReleaseCapture();
        }
        return 0;
    case WM_CAPTURECHANGED:
        state->mouseSelecting = false;
        return 0;
    case WM_MOUSEWHEEL:
        if (IsMultiLine(window))
            ScrollToLine(window, *state, state->firstLine - 3 * GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA);
        return 0;
    case WM_VSCROLL:
    case EM_SCROLL: {
        const int visible = VisibleLines(window, *state);
        int line = state->firstLine;
        switch (LOWORD(DWORD(wParam))) {
        case SB_LINEUP: line -= 1; break;
        case SB_LINEDOWN: line += 1; break;
        case SB_PAGEUP: line -= visible; break;
        case SB_PAGEDOWN: line += visible; break;
        case SB_TOP: line = 0; break;
        case SB_BOTTOM: line = int(state->lines.size()); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: line = short(HIWORD(DWORD(wParam))); break;
        default: break;
        }
        const int before = state->firstLine;
        ScrollToLine(window, *state, line);
        if (message == EM_SCROLL)
            return LRESULT(MAKELONG(WORD(short(state->firstLine - before)), 1));
        return 0;
    }
    case WM_HSCROLL: {
        int offset = state->xOffset;
        switch (LOWORD(DWORD(wParam))) {
        case SB_LINELEFT: offset -= 8; break;
        case SB_LINERIGHT: offset += 8; break;
        case SB_PAGELEFT: offset -= 64; break;
        case SB_PAGERIGHT: offset += 64; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: offset = short(HIWORD(DWORD(wParam))); break;
        default: break;
        }
        state->xOffset = std::max(0, offset);
        UpdateScrollBars(window, *state);
        Redraw(window);
        return 0;
    }
    case WM_COPY:
        Copy(window, *state);
        return 0;
    case WM_CUT:
        if (!state->passwordChar && !(StyleOf(window) & ES_READONLY)) {
            Copy(window, *state);
            ReplaceSelection(window, *state, u"", true, true);
        }
        return 0;
    case WM_PASTE:
        Paste(window, *state);
        return 0;
    case WM_CLEAR:
        ReplaceSelection(window, *state, u"", true, true);
        return 0;
    case WM_UNDO:
    case EM_UNDO: {
        if (!state->canUndo || (StyleOf(window) & ES_READONLY))
            return FALSE;
        // Undoing twice redoes.
        Snapshot current { state->text, state->anchor, state->caret };
        state->text = state->undo.text;
        state->anchor = state->undo.anchor;
        state->caret = state->undo.caret;
        state->undo = current;
        state->typingRun = false;
        state->modified = true;
        Layout(window, *state);
        ScrollCaret(window, *state);
        UpdateScrollBars(window, *state);
        Redraw(window);
        SendChangeNotes(window, *state);
        return TRUE;
    }
    case EM_CANUNDO:
        return state->canUndo;
    case EM_EMPTYUNDOBUFFER:
        state->canUndo = false;
        return 0;
    case EM_GETSEL: {
        if (wParam)
            *reinterpret_cast<DWORD*>(wParam) = DWORD(SelMin(*state));
        if (lParam)
            *reinterpret_cast<DWORD*>(lParam) = DWORD(SelMax(*state));
        return LRESULT(MAKELONG(WORD(std::min<size_t>(SelMin(*state), 0xFFFF)), WORD(std::min<size_t>(SelMax(*state), 0xFFFF))));
    }
    case EM_SETSEL: {
        // (0, -1) selects everything; a start of -1 removes the selection.
        const LONG start = LONG(wParam);
        const LONG end = LONG(lParam);
        if (start == -1) {
            SetSelection(window, *state, state->caret, state->caret);
        } else {
            const size_t a = size_t(std::max(0, start));
            const size_t b = end < 0 ? state->text.size() : size_t(end);
            SetSelection(window, *state, a, b);
        }
        return 0;
    }
    case EM_REPLACESEL:
        ReplaceSelection(window, *state, lParam ? std::u16string(reinterpret_cast<const WCHAR*>(lParam)) : u"",
            false, wParam != 0);
        return 0;
    case EM_LIMITTEXT:
    case EM_EXLIMITTEXT: {
        const size_t value = size_t(message == EM_LIMITTEXT ? wParam : WPARAM(lParam));
        state->limit = value ? std::min(value, kMaxLimit) : (message == EM_EXLIMITTEXT ? kRichDefaultLimit : kMaxLimit);
        return 0;
    }
    case EM_GETLIMITTEXT:
        return LRESULT(state->limit);
    case EM_GETLINECOUNT:
        return LRESULT(state->lines.size());
    case EM_LINEINDEX: {
        const int line = int(LONG(wParam)) < 0 ? LineOf(*state, state->caret) : int(wParam);
        if (line >= int(state->lines.size()))
            return -1;
        return LRESULT(state->lines[size_t(line)].start);
    }
    case EM_LINELENGTH: {
        if (LONG(wParam) < 0) {
            // The unselected characters of the lines the selection touches.
            const int a = LineOf(*state, SelMin(*state));
            const int b = LineOf(*state, SelMax(*state));
            const Line& first = state->lines[size_t(a)];
            const Line& last = state->lines[size_t(b)];
            return LRESULT((SelMin(*state) - first.start) + (last.start + last.length - std::min(SelMax(*state), last.start + last.length)));
        }
        const Line& line = state->lines[size_t(LineOf(*state, size_t(wParam)))];
        return LRESULT(line.length);
    }
    case EM_LINEFROMCHAR:
        return LineOf(*state, LONG(wParam) < 0 ? state->caret : size_t(wParam));
    case EM_GETLINE:
        return GetLine(*state, int(wParam), reinterpret_cast<WCHAR*>(lParam));
    case EM_GETMODIFY:
        return state->modified;
    case EM_SETMODIFY:
        state->modified = wParam != 0;
        return 0;
    case EM_SETREADONLY: {
        const DWORD style = StyleOf(window);
        SetWindowLongPtrW(window, GWL_STYLE, LONG_PTR(wParam ? (style | ES_READONLY) : (style & ~ES_READONLY)));
        Redraw(window);
        return TRUE;
    }
    case EM_SETPASSWORDCHAR:
        state->passwordChar = WCHAR(wParam);
        Layout(window, *state);
        Redraw(window);
        return 0;
    case EM_GETPASSWORDCHAR:
        return state->passwordChar;
    case EM_SETMARGINS: {
        if (wParam & EC_LEFTMARGIN)
            state->leftMargin = LOWORD(DWORD(lParam)) == EC_USEFONTINFO ? 3 : LOWORD(DWORD(lParam));
        if (wParam & EC_RIGHTMARGIN)
            state->rightMargin = HIWORD(DWORD(lParam)) == EC_USEFONTINFO ? 3 : HIWORD(DWORD(lParam));
        Layout(window, *state);
        Redraw(window);
        return 0;
    }
    case EM_GETMARGINS:
        return LRESULT(MAKELONG(WORD(state->leftMargin), WORD(state->rightMargin)));
    case EM_GETRECT:
        if (lParam)
            *reinterpret_cast<RECT*>(lParam) = FormatRect(window, *state);
        return 0;
    case EM_SCROLLCARET:
        ScrollCaret(window, *state);
        return TRUE;
    case EM_GETFIRSTVISIBLELINE:
        return IsMultiLine(window) ? state->firstLine : LRESULT(CharFromPos(window, *state, POINT { FormatRect(window, *state).left, 0 }));
    case EM_LINESCROLL:
        if (IsMultiLine(window))
            ScrollToLine(window, *state, state->firstLine + int(LONG(lParam)));
        if (LONG(wParam)) {
            state->xOffset = std::max(0, state->xOffset + int(LONG(wParam)) * 8);
            Redraw(window);
        }
        return TRUE;
    case EM_POSFROMCHAR: {
        if (size_t(wParam) > state->text.size())
            return -1;
        const POINT p = PosFromChar(window, *state, size_t(wParam));
        return LRESULT(MAKELONG(WORD(short(p.x)), WORD(short(p.y))));
    }
    case EM_CHARFROMPOS: {
        const POINT p { GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) };
        const size_t at = CharFromPos(window, *state, p);
        return LRESULT(MAKELONG(WORD(at), WORD(LineOf(*state, at))));
    }
    // ---- The rich-edit subset ----
    case EM_SETEVENTMASK: {
        const DWORD old = state->eventMask;
        state->eventMask = DWORD(lParam);
        return LRESULT(old);
    }
    case EM_GETEVENTMASK:
        return LRESULT(state->eventMask);
    case EM_SETTEXTMODE:
        return (wParam & TM_RICHTEXT) ? 1 : 0; // plain text only
    case EM_GETTEXTMODE:
        return TM_PLAINTEXT | TM_SINGLELEVELUNDO | TM_SINGLECODEPAGE;
    case EM_GETTEXTLENGTHEX: {
        auto* info = reinterpret_cast<const GETTEXTLENGTHEX*>(wParam);
        const DWORD flags = info ? info->flags : GTL_DEFAULT;
        const std::u16string text = WithBreaks(state->text, (flags & GTL_USECRLF) ? u"\r\n" : u"\r");
        if ((flags & GTL_NUMBYTES) && info && info->codepage != CP_UNICODE_UTF16)
            return LRESULT(Utf16ToUtf8(text).size());
        return LRESULT((flags & GTL_NUMBYTES) ? text.size() * 2 : text.size());
    }
    case EM_GETTEXTEX: {
        auto* info = reinterpret_cast<const GETTEXTEX*>(wParam);
        if (!info || !lParam || !info->cb)
            return 0;
        std::u16string text = (info->flags & GT_SELECTION) ? Selected(*state) : state->text;
        text = WithBreaks(text, (info->flags & GT_USECRLF) ? u"\r\n" : u"\r");
        if (info->codepage == CP_UNICODE_UTF16) {
            const size_t room = info->cb / sizeof(WCHAR);
            if (!room)
                return 0;
            const size_t n = std::min(text.size(), room - 1);
            auto* out = reinterpret_cast<WCHAR*>(lParam);
            std::memcpy(out, text.data(), n * sizeof(WCHAR));
            out[n] = 0;
            return LRESULT(n);
        }
        const std::string bytes = Utf16ToUtf8(text);
        const size_t n = std::min(bytes.size(), size_t(info->cb) - 1);
        auto* out = reinterpret_cast<char*>(lParam);
        std::memcpy(out, bytes.data(), n);
        out[n] = 0;
        return LRESULT(n);
    }
    case EM_SETCHARFORMAT: {
        // Either record form: the fields used lie in the common 92-byte head.
        CHARFORMATW head {};
        if (!lParam)
            return FALSE;
        std::memcpy(&head, reinterpret_cast<const void*>(lParam), sizeof(head));
        const CHARFORMATW* format = &head;
        if (format->cbSize < sizeof(CHARFORMATW))
            return FALSE;
        // One format for the whole text: the default, the selection and all set the same colour.
        if (format->dwMask & CFM_COLOR) {
            state->autoTextColor = (format->dwEffects & CFE_AUTOCOLOR) != 0;
            state->textColor = format->crTextColor;
            Redraw(window);
        }
        return TRUE;
    }
    case EM_GETCHARFORMAT: {
        CHARFORMATW head {};
        if (!lParam)
            return 0;
        std::memcpy(&head, reinterpret_cast<const void*>(lParam), sizeof(head));
        if (head.cbSize < sizeof(CHARFORMATW))
            return 0;
        head.dwMask = CFM_COLOR;
        head.dwEffects = state->autoTextColor ? CFE_AUTOCOLOR : 0;
        head.crTextColor = state->autoTextColor ? GetSysColor(COLOR_WINDOWTEXT) : state->textColor;
        std::memcpy(reinterpret_cast<void*>(lParam), &head, sizeof(head));
        return LRESULT(head.dwMask);
    }
    case EM_SETBKGNDCOLOR: {
        const COLORREF old = state->systemBackground ? GetSysColor(COLOR_WINDOW) : state->background;
        state->systemBackground = wParam != 0;
        state->background = COLORREF(lParam);
        Redraw(window);
        return LRESULT(old);
    }
    case EM_STREAMIN:
        return StreamIn(window, *state, wParam, reinterpret_cast<EDITSTREAM*>(lParam));
    case EM_EXGETSEL:
        if (auto* range = reinterpret_cast<CHARRANGE*>(lParam)) {
            range->cpMin = LONG(SelMin(*state));
            range->cpMax = LONG(SelMax(*state));
        }
        return 0;
    case EM_EXSETSEL: {
        auto* range = reinterpret_cast<const CHARRANGE*>(lParam);
        if (!range)
            return LRESULT(SelMax(*state));
        if (range->cpMin == 0 && range->cpMax == -1)
            SetSelection(window, *state, 0, state->text.size());
        else if (range->cpMin < 0)
            SetSelection(window, *state, state->caret, state->caret);
        else
            SetSelection(window, *state, size_t(range->cpMin), range->cpMax < 0 ? state->text.size() : size_t(range->cpMax));
        return LRESULT(SelMax(*state));
    }
    case EM_REQUESTRESIZE:
        RequestResize(window, *state, true);
        return 0;
    case WM_CONTEXTMENU:
        return 0; // no menu of its own
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

void RegisterEditClasses()
{
    for (const WCHAR* name : { WC_EDITW, RICHEDIT_CLASSW, MSFTEDIT_CLASS, RICHEDIT_CLASSA })
        RegisterControlClass(name, EditProc, CS_DBLCLKS, LoadCursorW(nullptr, MAKEINTRESOURCEW(32513)));
}

} // namespace platform::controls
