#include "ControlTestSupport.h"

#include "platform/controls/RichEdit.h"
#include "platform/gdi/DrawHelpers.h"
#include "platform/user/ScrollBar.h"

#include <cstring>

using namespace control_test;

namespace {

class EditTest : public ControlTest {
protected:
    static std::pair<DWORD, DWORD> Sel(HWND edit)
    {
        DWORD a = 0;
        DWORD b = 0;
        SendMessage(edit, EM_GETSEL, WPARAM(&a), LPARAM(&b));
        return { a, b };
    }
    static std::u16string ClipboardText()
    {
        std::u16string text;
        if (OpenClipboard(nullptr)) {
            if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
                text = static_cast<const WCHAR*>(GlobalLock(h));
                GlobalUnlock(h);
            }
            CloseClipboard();
        }
        return text;
    }
    static void SetClipboardText(const std::u16string& text)
    {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * 2);
        std::memcpy(GlobalLock(block), text.c_str(), (text.size() + 1) * 2);
        GlobalUnlock(block);
        SetClipboardData(CF_UNICODETEXT, block);
        CloseClipboard();
    }
    // Shift held around `keys`.
    static void ShiftKeys(HWND w, std::initializer_list<int> keys)
    {
        KeyDown(w, VK_SHIFT);
        for (int k : keys)
            Key(w, k);
        KeyUp(w, VK_SHIFT);
    }
};

TEST_F(EditTest, KeysMoveAndExtendTheSelectionAndTypingReplacesIt)
{
    HWND edit = Make(WC_EDITW, u"Hello world", ES_AUTOHSCROLL, 10, 10, 200, 20, 5, WS_EX_CLIENTEDGE);
    SetFocus(edit);
    Key(edit, VK_HOME);
    EXPECT_EQ(Sel(edit), std::make_pair(DWORD(0), DWORD(0)));
    ShiftKeys(edit, { VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_RIGHT });
    EXPECT_EQ(Sel(edit), std::make_pair(DWORD(0), DWORD(5)));
    Key(edit, VK_RIGHT); // collapses to the end of the selection
    EXPECT_EQ(Sel(edit), std::make_pair(DWORD(5), DWORD(5)));
    ShiftKeys(edit, { VK_END });
    EXPECT_EQ(Sel(edit), std::make_pair(DWORD(5), DWORD(11)));
    Events().clear();
    Type(edit, u"!");
    EXPECT_EQ(Text(edit), u"Hello!");
    EXPECT_EQ(Commands(), (std::vector<UINT> { EN_UPDATE, EN_CHANGE }));
    // Ctrl+Left jumps a word; Backspace deletes before the caret.
    KeyDown(edit, VK_CONTROL);
    Key(edit, VK_LEFT);
    KeyUp(edit, VK_CONTROL);
    EXPECT_EQ(Sel(edit), std::make_pair(DWORD(0), DWORD(0)));
    SendMessage(edit, EM_SETSEL, 3, 3);
    Type(edit, u"\b");
    EXPECT_EQ(Text(edit), u"Helo!");
    SendMessage(edit, EM_SETSEL, 0, -1);
    EXPECT_EQ(Sel(edit), std::make_pair(DWORD(0), DWORD(5)));
}

TEST_F(EditTest, ACharacterOutsideTheBasicPlaneIsOneStep)
{
    HWND edit = Make(WC_EDITW, u"a\U0001F600b", ES_AUTOHSCROLL, 10, 10, 200, 20);
    SendMessage(edit, EM_SETSEL, 4, 4);
    Key(edit, VK_LEFT);
    Key(edit, VK_LEFT);
    EXPECT_EQ(Sel(edit), std::make_pair(DWORD(1), DWORD(1)));
    SendMessage(edit, EM_SETSEL, 2, 2); // inside the pair: moved to its start
    EXPECT_EQ(Sel(edit), std::make_pair(DWORD(1), DWORD(1)));
    SendMessage(edit, EM_SETSEL, 3, 3);
    Type(edit, u"\b");
    EXPECT_EQ(Text(edit), u"ab");
    // The limit never keeps half of a pair.
    SendMessage(edit, EM_LIMITTEXT, 3, 0);
    SendMessage(edit, EM_SETSEL, 2, 2);
    SendMessage(edit, EM_REPLACESEL, TRUE, LPARAM(u"\U0001F600"));
    EXPECT_EQ(Text(edit), u"ab");
    std::u16string pasted = u"\U0001F600";
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (pasted.size() + 1) * 2);
    std::memcpy(GlobalLock(block), pasted.c_str(), (pasted.size() + 1) * 2);
    GlobalUnlock(block);
    SetClipboardData(CF_UNICODETEXT, block);
    CloseClipboard();
    SendMessage(edit, EM_SETSEL, 2, 2);
    SendMessage(edit, WM_PASTE, 0, 0);
    EXPECT_EQ(Text(edit), u"ab");
}

TEST_F(EditTest, FocusNotifications)
{
    HWND edit = Make(WC_EDITW, u"", ES_AUTOHSCROLL, 10, 10, 200, 20, 9);
    HWND other = Make(WC_EDITW, u"", ES_AUTOHSCROLL, 10, 40, 200, 20, 10);
    SetFocus(edit);
    SetFocus(other);
    EXPECT_EQ(Events(), (std::vector<Event> { { WM_COMMAND, 9, EN_SETFOCUS, edit }, { WM_COMMAND, 9, EN_KILLFOCUS, edit },
                            { WM_COMMAND, 10, EN_SETFOCUS, other } }));
}

TEST_F(EditTest, TheMouseSelectsFromThePressToThePointer)
{
    HWND edit = Make(WC_EDITW, u"abcdefghij", ES_AUTOHSCROLL, 10, 10, 200, 20);
    const LRESULT at2 = SendMessage(edit, EM_POSFROMCHAR, 2, 0);
    const LRESULT at7 = SendMessage(edit, EM_POSFROMCHAR, 7, 0);
    Press(edit, GET_X_LPARAM(at2), GET_Y_LPARAM(at2) + 3);
    EXPECT_EQ(GetFocus(), edit);
    Move(edit, GET_X_LPARAM(at7), GET_Y_LPARAM(at7) + 3);
    Release(edit, GET_X_LPARAM(at7), GET_Y_LPARAM(at7) + 3);
    EXPECT_EQ(Sel(edit), std::make_pair(DWORD(2), DWORD(7)));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(LOWORD(DWORD(SendMessage(edit, EM_CHARFROMPOS, 0, at7))), 7);
}

struct ChangeCase {
    const char* name;
    std::function<void(HWND)> act;
    std::u16string text;
    std::vector<UINT> notes;
};

TEST_F(EditTest, OneChangeNotificationPerChange)
{
    const ChangeCase cases[] = {
        { "set text", [](HWND e) { SetWindowTextW(e, u"new"); }, u"new", { EN_UPDATE, EN_CHANGE } },
        { "type over a selection", [](HWND e) { SendMessage(e, EM_SETSEL, 0, 3); Type(e, u"X"); }, u"X def",
            { EN_UPDATE, EN_CHANGE } },
        { "two characters", [](HWND e) { SendMessage(e, EM_SETSEL, 7, 7); Type(e, u"gh"); }, u"abc defgh",
            { EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE } },
        { "paste", [](HWND e) { SendMessage(e, EM_SETSEL, 0, 0); SendMessage(e, WM_PASTE, 0, 0); }, u"clipabc def",
            { EN_UPDATE, EN_CHANGE } },
        { "cut", [](HWND e) { SendMessage(e, EM_SETSEL, 3, 7); SendMessage(e, WM_CUT, 0, 0); }, u"abc",
            { EN_UPDATE, EN_CHANGE } },
        { "replace", [](HWND e) { SendMessage(e, EM_SETSEL, 4, 7); SendMessage(e, EM_REPLACESEL, TRUE, LPARAM(u"xyz")); },
            u"abc xyz", { EN_UPDATE, EN_CHANGE } },
        { "select only", [](HWND e) { SendMessage(e, EM_SETSEL, 1, 2); }, u"abc def", {} },
        { "backspace at the start", [](HWND e) { SendMessage(e, EM_SETSEL, 0, 0); Type(e, u"\b"); }, u"abc def", {} },
        { "delete at the end", [](HWND e) { SendMessage(e, EM_SETSEL, 7, 7); Key(e, VK_DELETE); }, u"abc def", {} },
        { "type at the limit", [](HWND e) { SendMessage(e, EM_LIMITTEXT, 7, 0); Type(e, u"z"); }, u"abc def",
            { EN_MAXTEXT } },
        { "paste cut to the limit", [](HWND e) { SendMessage(e, EM_LIMITTEXT, 9, 0); SendMessage(e, EM_SETSEL, 7, 7);
              SendMessage(e, WM_PASTE, 0, 0); }, u"abc defcl", { EN_MAXTEXT, EN_UPDATE, EN_CHANGE } },
        { "undo", [](HWND e) { SendMessage(e, EM_SETSEL, 0, 3); Type(e, u"Q"); Events().clear(); SendMessage(e, EM_UNDO, 0, 0); },
            u"abc def", { EN_UPDATE, EN_CHANGE } },
    };
    for (const ChangeCase& c : cases) {
        SetClipboardText(u"clip");
        HWND edit = Make(WC_EDITW, u"abc def", ES_AUTOHSCROLL, 10, 10, 200, 20, 5);
        SetFocus(edit);
        Events().clear();
        c.act(edit);
        EXPECT_EQ(Text(edit), c.text) << c.name;
        EXPECT_EQ(Commands(), c.notes) << c.name;
        DestroyWindow(edit);
    }
}

TEST_F(EditTest, ClipboardCopyCutPasteAndUndo)
{
    HWND edit = Make(WC_EDITW, u"copy this text", ES_AUTOHSCROLL, 10, 10, 200, 20);
    SendMessage(edit, EM_SETSEL, 5, 9);
    SendMessage(edit, WM_COPY, 0, 0);
    EXPECT_EQ(ClipboardText(), u"this");
    SendMessage(edit, EM_SETSEL, 0, 5);
    Type(edit, u"\x18"); // Ctrl+X
    EXPECT_EQ(Text(edit), u"this text");
    EXPECT_EQ(ClipboardText(), u"copy ");
    SendMessage(edit, EM_SETSEL, 9, 9);
    Type(edit, u"\x16"); // Ctrl+V
    EXPECT_EQ(Text(edit), u"this textcopy ");
    EXPECT_TRUE(SendMessage(edit, EM_CANUNDO, 0, 0));
    Type(edit, u"\x1A"); // Ctrl+Z
    EXPECT_EQ(Text(edit), u"this text");
    SendMessage(edit, EM_UNDO, 0, 0); // undoing the undo redoes
    EXPECT_EQ(Text(edit), u"this textcopy ");
    // Typing a run of characters is one step to undo.
    SetWindowTextW(edit, u"");
    Type(edit, u"abc");
    SendMessage(edit, EM_UNDO, 0, 0);
    EXPECT_EQ(Text(edit), u"");
    // A single-line edit keeps the first line of what is pasted.
    SetClipboardText(u"one\r\ntwo");
    SendMessage(edit, WM_PASTE, 0, 0);
    EXPECT_EQ(Text(edit), u"one");
}

TEST_F(EditTest, ReadOnlyRefusesTheUserButNotTheProgram)
{
    std::vector<UINT> asked;
    TheRecorder().handler = [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_CTLCOLOREDIT || m == WM_CTLCOLORSTATIC)
            asked.push_back(m);
        return std::nullopt;
    };
    HWND edit = Make(WC_EDITW, u"fixed", ES_AUTOHSCROLL | ES_READONLY, 10, 10, 200, 20);
    SetClipboardText(u"pasted");
    SendMessage(edit, EM_SETSEL, 0, -1);
    Type(edit, u"x\b");
    SendMessage(edit, WM_PASTE, 0, 0);
    SendMessage(edit, WM_CUT, 0, 0);
    Key(edit, VK_DELETE);
    EXPECT_EQ(Text(edit), u"fixed");
    SendMessage(edit, WM_COPY, 0, 0);
    EXPECT_EQ(ClipboardText(), u"fixed") << "copying is allowed";
    SendMessage(edit, EM_REPLACESEL, FALSE, LPARAM(u"changed"));
    EXPECT_EQ(Text(edit), u"changed");
    gdi_test::Surface surface(200, 20);
    Print(edit, surface);
    EXPECT_EQ(asked, std::vector<UINT> { WM_CTLCOLORSTATIC }) << "read-only edits are drawn as statics";
    SendMessage(edit, EM_SETREADONLY, FALSE, 0);
    Type(edit, u"!");
    EXPECT_EQ(Text(edit), u"changed!");
    TheRecorder().handler = nullptr;
}

TEST_F(EditTest, PasswordShowsStarsAndNeverCopies)
{
    HWND secret = Make(WC_EDITW, u"", ES_AUTOHSCROLL | ES_PASSWORD, 10, 10, 150, 20, 1);
    HWND stars = Make(WC_EDITW, u"***", ES_AUTOHSCROLL, 10, 40, 150, 20, 2);
    Type(secret, u"abc");
    EXPECT_EQ(Text(secret), u"abc");
    EXPECT_EQ(SendMessage(secret, EM_GETPASSWORDCHAR, 0, 0), u'*');
    gdi_test::Surface a(150, 20);
    gdi_test::Surface b(150, 20);
    Print(secret, a);
    Print(stars, b);
    EXPECT_EQ(a.pixels(), b.pixels());
    SetClipboardText(u"before");
    SendMessage(secret, EM_SETSEL, 0, -1);
    SendMessage(secret, WM_COPY, 0, 0);
    SendMessage(secret, WM_CUT, 0, 0);
    EXPECT_EQ(ClipboardText(), u"before");
    EXPECT_EQ(Text(secret), u"abc");
}

TEST_F(EditTest, NumbersOnlyAndTheLimit)
{
    HWND edit = Make(WC_EDITW, u"", ES_AUTOHSCROLL | ES_NUMBER, 10, 10, 150, 20);
    Type(edit, u"1a2-3");
    EXPECT_EQ(Text(edit), u"123");
    SendMessage(edit, EM_LIMITTEXT, 4, 0);
    EXPECT_EQ(SendMessage(edit, EM_GETLIMITTEXT, 0, 0), 4);
    Events().clear();
    Type(edit, u"45");
    EXPECT_EQ(Text(edit), u"1234");
    EXPECT_EQ(Commands(), (std::vector<UINT> { EN_UPDATE, EN_CHANGE, EN_MAXTEXT }));
}

TEST_F(EditTest, MultiLineWrapsAtSpacesAndScrollsToTheCaret)
{
    HWND edit = Make(WC_EDITW, u"", ES_MULTILINE | WS_VSCROLL, 10, 10, 120, 60, 3, WS_EX_CLIENTEDGE);
    SetFocus(edit);
    const std::u16string words = u"alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu";
    SetWindowTextW(edit, words.c_str());
    const int lines = int(SendMessage(edit, EM_GETLINECOUNT, 0, 0));
    EXPECT_GT(lines, 3);
    // Every wrapped line starts a word, ends inside the width, and lies one line height below the last.
    RECT client;
    GetClientRect(edit, &client);
    const int lineHeight = GET_Y_LPARAM(SendMessage(edit, EM_POSFROMCHAR, SendMessage(edit, EM_LINEINDEX, 1, 0), 0))
        - GET_Y_LPARAM(SendMessage(edit, EM_POSFROMCHAR, 0, 0));
    EXPECT_GT(lineHeight, 8);
    for (int l = 0; l < lines; ++l) {
        const int start = int(SendMessage(edit, EM_LINEINDEX, l, 0));
        const int length = int(SendMessage(edit, EM_LINELENGTH, start, 0));
        EXPECT_TRUE(start == 0 || words[size_t(start) - 1] == u' ') << "line " << l;
        const LRESULT first = SendMessage(edit, EM_POSFROMCHAR, start, 0);
        EXPECT_EQ(GET_Y_LPARAM(first), l * lineHeight + GET_Y_LPARAM(SendMessage(edit, EM_POSFROMCHAR, 0, 0)));
        // The last visible character ends inside the client area.
        int end = start + length;
        while (end > start && words[size_t(end) - 1] == u' ')
            --end;
        if (end > start) {
            const LRESULT before = SendMessage(edit, EM_POSFROMCHAR, end - 1, 0);
            EXPECT_LT(GET_X_LPARAM(before), client.right) << "line " << l;
        }
    }
    // Hard breaks; the caret at the end scrolls the view.
    SetWindowTextW(edit, u"1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8");
    EXPECT_EQ(SendMessage(edit, EM_GETLINECOUNT, 0, 0), 8);
    EXPECT_EQ(SendMessage(edit, EM_LINEINDEX, 2, 0), 6);
    EXPECT_EQ(SendMessage(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    KeyDown(edit, VK_CONTROL);
    Key(edit, VK_END);
    KeyUp(edit, VK_CONTROL);
    const int first = int(SendMessage(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
    EXPECT_GT(first, 0);
    SCROLLINFO info { sizeof(info), SIF_ALL, 0, 0, 0, 0, 0 };
    ASSERT_TRUE(GetScrollInfo(edit, SB_VERT, &info));
    EXPECT_EQ(info.nMax, 7);
    EXPECT_EQ(info.nPos, first);
    SendMessage(edit, EM_LINESCROLL, 0, -100);
    EXPECT_EQ(SendMessage(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    SendMessage(edit, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(SendMessage(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 1);
    // Enter breaks the line; Up keeps the column.
    SetWindowTextW(edit, u"abcdef");
    SendMessage(edit, EM_SETSEL, 3, 3);
    Type(edit, u"\r");
    EXPECT_EQ(Text(edit), u"abc\r\ndef");
    Key(edit, VK_UP);
    EXPECT_EQ(Sel(edit), std::make_pair(DWORD(0), DWORD(0)));
    Key(edit, VK_LEFT);
    EXPECT_EQ(Sel(edit), std::make_pair(DWORD(0), DWORD(0)));
    SendMessage(edit, EM_SETSEL, 5, 5);
    Key(edit, VK_LEFT);
    EXPECT_EQ(Sel(edit), std::make_pair(DWORD(3), DWORD(3))) << "a line break is one step";
    WCHAR line[16] {};
    line[0] = 15;
    EXPECT_EQ(SendMessage(edit, EM_GETLINE, 1, LPARAM(line)), 3);
    EXPECT_EQ(std::u16string(line, 3), u"def");
}

TEST_F(EditTest, DialogCodes)
{
    HWND single = Make(WC_EDITW, u"", ES_AUTOHSCROLL, 0, 0, 50, 20);
    HWND multi = Make(WC_EDITW, u"", ES_MULTILINE | ES_WANTRETURN, 0, 0, 50, 50);
    EXPECT_EQ(SendMessage(single, WM_GETDLGCODE, 0, 0), DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS);
    MSG enter { multi, WM_KEYDOWN, WPARAM(VK_RETURN), 0, 0, {} };
    EXPECT_TRUE(SendMessage(multi, WM_GETDLGCODE, VK_RETURN, LPARAM(&enter)) & DLGC_WANTALLKEYS);
    MSG tab { multi, WM_KEYDOWN, WPARAM(VK_TAB), 0, 0, {} };
    EXPECT_FALSE(SendMessage(multi, WM_GETDLGCODE, VK_TAB, LPARAM(&tab)) & DLGC_WANTALLKEYS);
}

DWORD StreamUtf16(ULONG_PTR cookie, BYTE* buffer, LONG bytes, LONG* done)
{
    auto* source = reinterpret_cast<std::pair<const BYTE*, size_t>*>(cookie);
    const size_t n = std::min(size_t(bytes), source->second);
    std::memcpy(buffer, source->first, n);
    source->first += n;
    source->second -= n;
    *done = LONG(n);
    return 0;
}

TEST_F(EditTest, TheRichEditNamesAnswerThePlainTextSubset)
{
    HWND rich = Make(RICHEDIT_CLASSW, u"", ES_MULTILINE, 10, 10, 160, 40, 8);
    EXPECT_EQ(SendMessage(rich, EM_SETTEXTMODE, TM_PLAINTEXT, 0), 0);
    EXPECT_EQ(SendMessage(rich, WM_NOTIFYFORMAT, 0, NF_QUERY), NFR_UNICODE);
    // Without ENM_CHANGE no EN_CHANGE.
    Events().clear();
    SetWindowTextW(rich, u"one");
    EXPECT_TRUE(Events().empty());
    EXPECT_EQ(SendMessage(rich, EM_SETEVENTMASK, 0, LPARAM(ENM_CHANGE | ENM_REQUESTRESIZE)), 0);
    EXPECT_EQ(SendMessage(rich, EM_GETEVENTMASK, 0, 0), LRESULT(ENM_CHANGE | ENM_REQUESTRESIZE));
    const std::u16string text = u"first\r\nsecond line";
    std::pair<const BYTE*, size_t> source { reinterpret_cast<const BYTE*>(text.data()), text.size() * 2 };
    EDITSTREAM stream { ULONG_PTR(&source), 0, StreamUtf16 };
    EXPECT_EQ(SendMessage(rich, EM_STREAMIN, SF_TEXT | SF_UNICODE, LPARAM(&stream)), LRESULT(text.size()));
    EXPECT_EQ(Text(rich), text);
    // EN_CHANGE, then a resize request for two lines.
    ASSERT_EQ(Events().size(), 2u);
    EXPECT_EQ(Events()[0], (Event { WM_COMMAND, 8, EN_CHANGE, rich }));
    EXPECT_EQ(Events()[1], (Event { WM_NOTIFY, 8, EN_REQUESTRESIZE, rich }));

    GETTEXTLENGTHEX plain { GTL_DEFAULT, CP_UNICODE_UTF16 };
    GETTEXTLENGTHEX crlf { GTL_USECRLF | GTL_NUMCHARS, CP_UNICODE_UTF16 };
    EXPECT_EQ(SendMessage(rich, EM_GETTEXTLENGTHEX, WPARAM(&plain), 0), 17);
    EXPECT_EQ(SendMessage(rich, EM_GETTEXTLENGTHEX, WPARAM(&crlf), 0), 18);
    WCHAR buffer[64] {};
    GETTEXTEX get { sizeof(buffer), GT_USECRLF, CP_UNICODE_UTF16, nullptr, nullptr };
    EXPECT_EQ(SendMessage(rich, EM_GETTEXTEX, WPARAM(&get), LPARAM(buffer)), 18);
    EXPECT_EQ(std::u16string(buffer), text);
    GETTEXTEX shortBuffer { 8, GT_DEFAULT, CP_UNICODE_UTF16, nullptr, nullptr };
    EXPECT_EQ(SendMessage(rich, EM_GETTEXTEX, WPARAM(&shortBuffer), LPARAM(buffer)), 3) << "cut to the buffer";
    EXPECT_EQ(std::u16string(buffer), u"fir");

    CHARRANGE range { 2, 4 };
    EXPECT_EQ(SendMessage(rich, EM_EXSETSEL, 0, LPARAM(&range)), 4);
    CHARRANGE got {};
    SendMessage(rich, EM_EXGETSEL, 0, LPARAM(&got));
    EXPECT_EQ(got.cpMin, 2);
    EXPECT_EQ(got.cpMax, 4);
    SendMessage(rich, EM_EXLIMITTEXT, 0, 20);
    SendMessage(rich, EM_SETSEL, 18, 18);
    Type(rich, u"abcdef");
    EXPECT_EQ(GetWindowTextLengthW(rich), 20);
}

TEST_F(EditTest, TheRichEditDefaultColourPaintsTheText)
{
    HWND rich = Make(RICHEDIT_CLASSW, u"MMMM", ES_AUTOHSCROLL, 0, 0, 80, 20);
    auto count = [&](COLORREF color) {
        gdi_test::Surface surface(80, 20);
        Print(rich, surface);
        // Pixels nearer the colour than the background (the glyphs' cores).
        auto distance = [](COLORREF a, COLORREF b) {
            return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b))
                + std::abs(GetBValue(a) - GetBValue(b));
        };
        const COLORREF background = surface.At(79, 19);
        int n = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 80; ++x) {
                const COLORREF c = surface.At(x, y);
                n += color == background ? c == color : distance(c, color) < distance(c, background);
            }
        return n;
    };
    EXPECT_GT(count(RGB(0, 0, 0)), 10) << "automatic colour: window text";
    CHARFORMAT2W format {};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_COLOR;
    format.crTextColor = RGB(128, 128, 128);
    EXPECT_TRUE(SendMessage(rich, EM_SETCHARFORMAT, SCF_DEFAULT, LPARAM(&format)));
    EXPECT_EQ(count(RGB(0, 0, 0)), 0);
    EXPECT_GT(count(RGB(128, 128, 128)), 10) << "the hint colour";
    EXPECT_EQ(SendMessage(rich, EM_SETBKGNDCOLOR, 0, LPARAM(RGB(255, 255, 200))), LRESULT(GetSysColor(COLOR_WINDOW)));
    EXPECT_GT(count(RGB(255, 255, 200)), 1000);
    // The short record form sets the colour too.
    CHARFORMATW shortForm {};
    shortForm.cbSize = sizeof(shortForm);
    shortForm.dwMask = CFM_COLOR;
    shortForm.dwEffects = CFE_AUTOCOLOR;
    EXPECT_TRUE(SendMessage(rich, EM_SETCHARFORMAT, SCF_ALL, LPARAM(&shortForm)));
    EXPECT_GT(count(RGB(0, 0, 0)), 10);
    CHARFORMAT2W read {};
    read.cbSize = sizeof(read);
    SendMessage(rich, EM_GETCHARFORMAT, SCF_DEFAULT, LPARAM(&read));
    EXPECT_EQ(read.dwEffects & CFE_AUTOCOLOR, CFE_AUTOCOLOR);
}

TEST_F(EditTest, GoldenEditWithASelection)
{
    gdi_test::Surface surface(220, 90, GetSysColor(COLOR_3DFACE));
    HWND single = Make(WC_EDITW, u"Resize to 1024 x 768", ES_AUTOHSCROLL, 10, 10, 200, 20, 1, WS_EX_CLIENTEDGE);
    HWND multi = Make(WC_EDITW, u"Sharpen the picture\r\nthen save it as JPEG", ES_MULTILINE, 10, 40, 200, 40, 2,
        WS_EX_CLIENTEDGE);
    SetFocus(single);
    SendMessage(single, EM_SETSEL, 10, 14);
    SendMessage(multi, EM_SETSEL, 8, 19);
    SetWindowLongPtrW(multi, GWL_STYLE, GetWindowLongPtrW(multi, GWL_STYLE) | ES_NOHIDESEL);
    // The sunken frames are the windows' own; the clients print inside them.
    RECT frame1 { 10, 10, 210, 30 };
    RECT frame2 { 10, 40, 210, 80 };
    DrawEdge(surface.dc(), &frame1, EDGE_SUNKEN, BF_RECT);
    DrawEdge(surface.dc(), &frame2, EDGE_SUNKEN, BF_RECT);
    Print(single, surface, 12, 12);
    Print(multi, surface, 12, 42);
    Keep(surface, "edit_selection");
    EXPECT_TRUE(gdi_test::MatchesGolden(surface, "edit_selection"));
}

} // namespace

namespace {

TEST_F(EditTest, MarginsAndAlignmentPlaceTheText)
{
    struct Case {
        DWORD style;
        WPARAM which;
        LPARAM margins;
        int expectedX; // of the first character; -1: right-aligned, checked against the end
    };
    const Case cases[] = {
        { ES_LEFT | ES_AUTOHSCROLL, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(0, 0), 0 },
        { ES_LEFT | ES_AUTOHSCROLL, EC_LEFTMARGIN, MAKELPARAM(10, 0), 10 },
        { ES_RIGHT | ES_MULTILINE, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(0, 7), -1 },
    };
    for (const Case& c : cases) {
        HWND edit = Make(WC_EDITW, u"abc", c.style, 0, 0, 200, 20);
        SendMessage(edit, EM_SETMARGINS, c.which, c.margins);
        const LRESULT margins = SendMessage(edit, EM_GETMARGINS, 0, 0);
        if (c.which & EC_LEFTMARGIN) {
            EXPECT_EQ(LOWORD(DWORD(margins)), LOWORD(DWORD(c.margins)));
        }
        const int first = GET_X_LPARAM(SendMessage(edit, EM_POSFROMCHAR, 0, 0));
        if (c.expectedX >= 0) {
            EXPECT_EQ(first, c.expectedX);
        } else {
            // The end of the text meets the right margin.
            RECT format {};
            SendMessage(edit, EM_GETRECT, 0, LPARAM(&format));
            EXPECT_EQ(format.right, 200 - 7);
            EXPECT_GT(first, 150);
        }
        DestroyWindow(edit);
    }
}

} // namespace
