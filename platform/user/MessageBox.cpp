#include "platform/user/MessageBox.h"

#include "platform/base/Sound.h"
#include "platform/base/Unicode.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/SystemModel.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>

using platform::resources::kDialogTag;
using platform::resources::ResDialog;

namespace {

std::mutex s_sinkMutex;
MessageBoxSink s_sink;
MessageBoxTextSink s_textSink;
platform::user::MessageBoxWatcher s_watcher;
std::atomic<bool> s_windows { false };

void Watch(const platform::user::MessageBoxEvent& event)
{
    platform::user::MessageBoxWatcher watcher;
    {
        std::lock_guard lock(s_sinkMutex);
        watcher = s_watcher;
    }
    if (watcher)
        watcher(event);
}

void WriteToStandardError(std::u16string_view line)
{
    std::string utf8 = Utf16ToUtf8(line);
    utf8.push_back('\n');
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    std::fflush(stderr);
}

int HeadlessMessageBox(std::u16string_view text, std::u16string_view caption, UINT style)
{
    std::u16string line;
    if (!caption.empty()) {
        line = caption;
        line += u": ";
    }
    line += text;
    MessageBoxTextSink sink;
    {
        std::lock_guard lock(s_sinkMutex);
        sink = s_textSink;
    }
    if (sink)
        sink(line);
    else
        WriteToStandardError(line);
    return DefaultMessageBoxButton(style);
}

// ---- The window ------------------------------------------------------------------------------

struct Box {
    std::u16string text;
    std::u16string caption;
    UINT type = 0;
    std::vector<std::pair<int, std::u16string>> buttons;
    int defaultId = IDOK;
    RECT icon {};
    RECT textRect {};
};

constexpr int kIconSize = 32;

int MulDivRound(int value, int numerator, int denominator)
{
    return int((static_cast<long long>(value) * numerator + denominator / 2) / denominator);
}

void DrawBoxIcon(HDC hdc, const RECT& r, UINT icon)
{
    if (!icon)
        return;
    const int x = r.left;
    const int y = r.top;
    HGDIOBJ oldPen = SelectObject(hdc, GetStockObject(BLACK_PEN));
    HGDIOBJ oldBrush;
    HBRUSH fill;
    COLORREF mark;
    const WCHAR* glyph;
    if (icon == MB_ICONEXCLAMATION) {
        fill = CreateSolidBrush(RGB(255, 255, 0));
        oldBrush = SelectObject(hdc, fill);
        const POINT triangle[3] = { { x + 15, y + 1 }, { x + 30, y + 29 }, { x + 1, y + 29 } };
        Polygon(hdc, triangle, 3);
        mark = RGB(0, 0, 0);
        glyph = u"!";
    } else {
        fill = CreateSolidBrush(icon == MB_ICONHAND ? RGB(255, 0, 0) : RGB(255, 255, 255));
        oldBrush = SelectObject(hdc, fill);
        Ellipse(hdc, x + 1, y + 1, x + 31, y + 31);
        mark = icon == MB_ICONHAND ? RGB(255, 255, 255) : RGB(0, 0, 255);
        glyph = icon == MB_ICONHAND ? nullptr : icon == MB_ICONQUESTION ? u"?" : u"i";
    }
    SelectObject(hdc, oldBrush);
    DeleteObject(fill);
    if (glyph) {
        HFONT font = CreateFontW(-22, 0, 0, 0, 700, 0, 0, 0, 1, 0, 0, 0, 0, u"Times New Roman");
        HGDIOBJ oldFont = SelectObject(hdc, font);
        const int oldMode = SetBkMode(hdc, 1 /* TRANSPARENT */);
        const COLORREF oldColor = SetTextColor(hdc, mark);
        RECT box { x, y + (icon == MB_ICONEXCLAMATION ? 6 : 2), x + 32, y + 32 };
        DrawTextW(hdc, glyph, 1, &box, 0x1 /* DT_CENTER */ | 0x4 /* DT_VCENTER */ | 0x20 /* DT_SINGLELINE */);
        SetTextColor(hdc, oldColor);
        SetBkMode(hdc, oldMode);
        SelectObject(hdc, oldFont);
        DeleteObject(font);
    } else {
        HPEN pen = CreatePen(0, 3, mark);
        HGDIOBJ old = SelectObject(hdc, pen);
        MoveToEx(hdc, x + 10, y + 10, nullptr);
        LineTo(hdc, x + 22, y + 22);
        MoveToEx(hdc, x + 22, y + 10, nullptr);
        LineTo(hdc, x + 10, y + 22);
        SelectObject(hdc, old);
        DeleteObject(pen);
    }
    SelectObject(hdc, oldPen);
}

constexpr UINT kTextFormat = 0x10 /* DT_WORDBREAK */ | 0x40 /* DT_EXPANDTABS */ | 0x800 /* DT_NOPREFIX */;

void Layout(HWND dialog, Box& box)
{
    HFONT font = reinterpret_cast<HFONT>(SendMessage(dialog, WM_GETFONT, 0, 0));
    const SIZE units = platform::user::DialogBaseUnitsOf(font);
    const int margin = MulDivRound(7, units.cx, 4);
    const int buttonWidth = MulDivRound(50, units.cx, 4);
    const int buttonHeight = MulDivRound(14, units.cy, 8);
    const int buttonGap = MulDivRound(4, units.cx, 4);

    RECT work {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int bound = std::max(278, int(work.right - work.left) * 3 / 8);
    RECT text { 0, 0, bound, 0 };
    HDC hdc = GetDC(dialog);
    HGDIOBJ old = SelectObject(hdc, font);
    DrawTextW(hdc, box.text.c_str(), int(box.text.size()), &text, kTextFormat | 0x400 /* DT_CALCRECT */);
    SelectObject(hdc, old);
    ReleaseDC(dialog, hdc);
    const int textWidth = text.right - text.left;
    const int textHeight = std::max<int>(text.bottom - text.top, units.cy);

    const bool hasIcon = (box.type & MB_ICONMASK) != 0;
    const int iconWidth = hasIcon ? kIconSize + margin : 0;
    const int contentHeight = std::max(hasIcon ? kIconSize : 0, textHeight);
    box.icon = RECT { margin, margin, margin + kIconSize, margin + kIconSize };
    const int textTop = margin + (contentHeight - textHeight) / 2;
    box.textRect = RECT { margin + iconWidth, textTop, margin + iconWidth + textWidth, textTop + textHeight };

    const int count = int(box.buttons.size());
    const int rowWidth = count * buttonWidth + (count - 1) * buttonGap;
    const int clientWidth = std::max(margin + iconWidth + textWidth + margin, margin + rowWidth + margin);
    const int rowTop = margin + contentHeight + margin;
    const int clientHeight = rowTop + buttonHeight + margin;

    int x = (clientWidth - rowWidth) / 2;
    for (const auto& [id, label] : box.buttons) {
        HWND button = GetDlgItem(dialog, id);
        MoveWindow(button, x, rowTop, buttonWidth, buttonHeight, FALSE);
        x += buttonWidth + buttonGap;
    }

    const DWORD style = DWORD(GetWindowLongPtrW(dialog, GWL_STYLE));
    const DWORD exStyle = DWORD(GetWindowLongPtrW(dialog, GWL_EXSTYLE));
    RECT frame { 0, 0, clientWidth, clientHeight };
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT area = work;
    HWND owner = GetWindow(dialog, GW_OWNER);
    if (owner && IsWindowVisible(owner))
        GetWindowRect(owner, &area);
    const int left = std::max<int>(work.left, area.left + (area.right - area.left - width) / 2);
    const int top = std::max<int>(work.top, area.top + (area.bottom - area.top - height) / 2);
    SetWindowPos(dialog, (box.type & MB_TOPMOST) ? HWND_TOPMOST : nullptr, left, top, width, height,
        SWP_NOACTIVATE | ((box.type & MB_TOPMOST) ? 0 : SWP_NOZORDER));
}

Box* BoxOf(HWND dialog) { return reinterpret_cast<Box*>(GetWindowLongPtrW(dialog, DWLP_USER)); }

INT_PTR BoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        auto* box = reinterpret_cast<Box*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        SetWindowTextW(dialog, box->caption.c_str());
        const WPARAM font = WPARAM(SendMessage(dialog, WM_GETFONT, 0, 0));
        bool first = true;
        HWND previous = HWND_TOP;
        for (const auto& [id, label] : box->buttons) {
            const DWORD kind = id == box->defaultId ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
            HWND button = CreateWindowExW(WS_EX_NOPARENTNOTIFY, u"Button", label.c_str(),
                WS_CHILD | WS_VISIBLE | WS_TABSTOP | kind | (first ? WS_GROUP : 0), 0, 0, 10, 10, dialog,
                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
            SetWindowPos(button, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
            previous = button;
            SendMessage(button, WM_SETFONT, font, FALSE);
            // The box's keyboard cues (hidden until the keyboard is used).
            SendMessage(button, WM_UPDATEUISTATE, MAKELONG(UIS_SET, WORD(SendMessage(dialog, WM_QUERYUISTATE, 0, 0))), 0);
            first = false;
        }
        Layout(dialog, *box);
        SendMessage(dialog, DM_SETDEFID, WPARAM(box->defaultId), 0);
        SendMessage(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, box->defaultId)), TRUE);
        return FALSE;
    }
    case WM_PAINT: {
        Box* box = BoxOf(dialog);
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(dialog, &ps);
        if (box) {
            DrawBoxIcon(hdc, box->icon, box->type & MB_ICONMASK);
            HGDIOBJ old = SelectObject(hdc, reinterpret_cast<HFONT>(SendMessage(dialog, WM_GETFONT, 0, 0)));
            SetBkMode(hdc, 1 /* TRANSPARENT */);
            SetTextColor(hdc, GetSysColor(COLOR_BTNTEXT));
            RECT r = box->textRect;
            DrawTextW(hdc, box->text.c_str(), int(box->text.size()), &r, kTextFormat);
            SelectObject(hdc, old);
        }
        EndPaint(dialog, &ps);
        return TRUE;
    }
    case WM_COMMAND: {
        Box* box = BoxOf(dialog);
        if (!box)
            return FALSE;
        const int id = LOWORD(DWORD(wParam));
        const bool known = std::any_of(box->buttons.begin(), box->buttons.end(), [&](auto& b) { return b.first == id; });
        if (known)
            EndDialog(dialog, id);
        else if (id == IDCANCEL && (box->type & MB_TYPEMASK) == MB_OK)
            EndDialog(dialog, IDOK);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

int WindowMessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, UINT type)
{
    static const ResDialog frame { kDialogTag, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0, 0,
        0, 0, 0, u"", u"", u"", 8, u"MS Shell Dlg", 0, nullptr };
    Box box;
    box.text = text;
    box.caption = caption;
    box.type = type;
    box.buttons = platform::user::MessageBoxButtons(type);
    box.defaultId = DefaultMessageBoxButton(type);

    owner = platform::user::ModalOwner(owner);
    const bool disableOwner = owner && IsWindowEnabled(owner);
    if (disableOwner)
        EnableWindow(owner, FALSE);
    HWND dialog = CreateDialogIndirectParamW(nullptr, &frame, owner, BoxProc, reinterpret_cast<LPARAM>(&box));
    if (!dialog) {
        if (disableOwner)
            EnableWindow(owner, TRUE);
        return 0;
    }
    ShowWindow(dialog, SW_SHOWNORMAL);
    UpdateWindow(dialog);
    MessageBeep(type & MB_ICONMASK);
    platform::user::MessageBoxEvent shown { dialog, owner, box.text, box.caption, type, 0 };
    Watch(shown);
    const int result = int(platform::user::RunDialogLoop(dialog, disableOwner ? owner : nullptr, MSGF_MESSAGEBOX));
    shown.result = result;
    Watch(shown);
    return result;
}

} // namespace

std::vector<std::pair<int, std::u16string>> platform::user::MessageBoxButtons(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return { { IDOK, u"OK" }, { IDCANCEL, u"Cancel" } };
    case MB_ABORTRETRYIGNORE:
        return { { IDABORT, u"&Abort" }, { IDRETRY, u"&Retry" }, { IDIGNORE, u"&Ignore" } };
    case MB_YESNOCANCEL:
        return { { IDYES, u"&Yes" }, { IDNO, u"&No" }, { IDCANCEL, u"Cancel" } };
    case MB_YESNO:
        return { { IDYES, u"&Yes" }, { IDNO, u"&No" } };
    case MB_RETRYCANCEL:
        return { { IDRETRY, u"&Retry" }, { IDCANCEL, u"Cancel" } };
    default:
        return { { IDOK, u"OK" } };
    }
}

int DefaultMessageBoxButton(UINT style)
{
    const auto buttons = platform::user::MessageBoxButtons(style);
    std::size_t index = (style & MB_DEFMASK) >> 8;
    if (index >= buttons.size())
        index = buttons.size() - 1;
    return buttons[index].first;
}

BOOL MessageBeep(UINT type)
{
    const WCHAR* alias = u"SystemDefault";
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
        alias = u"SystemHand";
        break;
    case MB_ICONQUESTION:
        alias = u"SystemQuestion";
        break;
    case MB_ICONEXCLAMATION:
        alias = u"SystemExclamation";
        break;
    case MB_ICONASTERISK:
        alias = u"SystemAsterisk";
        break;
    default:
        break;
    }
    return PlaySoundW(alias, nullptr, SND_ALIAS | SND_ASYNC | SND_NODEFAULT);
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    std::u16string_view textView = text ? std::u16string_view(text) : std::u16string_view();
    std::u16string_view captionView = caption ? std::u16string_view(caption) : std::u16string_view();
    MessageBoxSink sink;
    {
        std::lock_guard lock(s_sinkMutex);
        sink = s_sink;
    }
    int result;
    if (sink) {
        result = sink(owner, textView, captionView, type);
    } else if (s_windows.load()) {
        // A box without a caption is captioned "Error", as the platform does.
        return WindowMessageBox(owner, textView, caption ? captionView : std::u16string_view(u"Error"), type);
    } else {
        result = HeadlessMessageBox(textView, captionView, type);
    }
    Watch(platform::user::MessageBoxEvent { nullptr, owner, std::u16string(textView), std::u16string(captionView),
        type, result });
    return result;
}

MessageBoxSink SetMessageBoxSink(MessageBoxSink sink)
{
    std::lock_guard lock(s_sinkMutex);
    std::swap(s_sink, sink);
    return sink;
}

MessageBoxTextSink SetMessageBoxTextSink(MessageBoxTextSink sink)
{
    std::lock_guard lock(s_sinkMutex);
    std::swap(s_textSink, sink);
    return sink;
}

bool platform::user::SetMessageBoxWindows(bool on) { return s_windows.exchange(on); }

platform::user::MessageBoxWatcher platform::user::SetMessageBoxWatcher(MessageBoxWatcher watcher)
{
    std::lock_guard lock(s_sinkMutex);
    std::swap(s_watcher, watcher);
    return watcher;
}
