#include "resources/MessageBox.h"

#include "platform/base/ProcessInfo.h"
#include "platform/base/Unicode.h"

#include <cstdio>
#include <mutex>
#include <string>

namespace {
std::mutex s_sinkMutex;
MessageBoxSink s_sink;
MessageBoxTextSink s_textSink;

void writeToStandardError(std::u16string_view line)
{
    std::string utf8 = Utf16ToUtf8(line);
    utf8.push_back('\n');
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    std::fflush(stderr);
}

int headlessMessageBox(HWND, std::u16string_view text, std::u16string_view caption, UINT style)
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
        writeToStandardError(line);
    return DefaultMessageBoxButton(style);
}
}

int DefaultMessageBoxButton(UINT style)
{
    static const int buttons[][3] = {
        { IDOK, IDOK, IDOK }, // MB_OK
        { IDOK, IDCANCEL, IDCANCEL }, // MB_OKCANCEL
        { IDABORT, IDRETRY, IDIGNORE }, // MB_ABORTRETRYIGNORE
        { IDYES, IDNO, IDCANCEL }, // MB_YESNOCANCEL
        { IDYES, IDNO, IDNO }, // MB_YESNO
        { IDRETRY, IDCANCEL, IDCANCEL }, // MB_RETRYCANCEL
    };
    UINT type = style & MB_TYPEMASK;
    if (type > MB_RETRYCANCEL)
        type = MB_OK;
    UINT defaultIndex = (style & MB_DEFMASK) >> 8;
    if (defaultIndex > 2)
        defaultIndex = 0;
    return buttons[type][defaultIndex];
}

int MessageBox(HWND owner, const WCHAR* text, const WCHAR* caption, UINT style)
{
    std::u16string_view textView = text ? std::u16string_view(text) : std::u16string_view();
    std::u16string_view captionView = caption ? std::u16string_view(caption) : std::u16string_view();
    MessageBoxSink sink;
    {
        std::lock_guard lock(s_sinkMutex);
        sink = s_sink;
    }
    if (sink)
        return sink(owner, textView, captionView, style);
    return headlessMessageBox(owner, textView, captionView, style);
}

std::u16string ApplicationName()
{
    std::u16string path = GetProgramFilePathW();
    auto slash = path.rfind(u'/');
    std::u16string name = slash == std::u16string::npos ? path : path.substr(slash + 1);
    auto dot = name.rfind(u'.');
    if (dot != std::u16string::npos && dot > 0)
        name.resize(dot);
    return name;
}

int AppMessageBox(const WCHAR* text, UINT style)
{
    std::u16string caption = ApplicationName();
    return MessageBox(nullptr, text, caption.c_str(), style);
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
