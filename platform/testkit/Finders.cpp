#include "platform/testkit/Finders.h"

#include "platform/base/Unicode.h"

#include <cstdio>

namespace testkit {

namespace {

bool EqualsNoCase(const std::u16string& a, const WCHAR* b)
{
    const std::u16string other(b);
    if (a.size() != other.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = other[i];
        if (x >= u'A' && x <= u'Z')
            x = char16_t(x - u'A' + u'a');
        if (y >= u'A' && y <= u'Z')
            y = char16_t(y - u'A' + u'a');
        if (x != y)
            return false;
    }
    return true;
}

void Collect(HWND parent, std::vector<HWND>& out)
{
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        out.push_back(child);
        Collect(child, out);
    }
}

void Describe(HWND window, int depth, std::string& out)
{
    RECT rect {};
    ::GetWindowRect(window, &rect);
    char line[512];
    std::snprintf(line, sizeof line, "%*s%p %s \"%s\" id=%ld style=%08lx (%ld,%ld)-(%ld,%ld)\n", depth * 2, "",
        static_cast<void*>(window), Utf16ToUtf8(ClassOf(window)).c_str(), Utf16ToUtf8(TextOf(window)).c_str(),
        long(::GetWindowLongPtrW(window, GWLP_ID)), static_cast<unsigned long>(::GetWindowLongPtrW(window, GWL_STYLE)),
        long(rect.left), long(rect.top), long(rect.right), long(rect.bottom));
    out += line;
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        Describe(child, depth + 1, out);
}

} // namespace

std::u16string TextOf(HWND window)
{
    const int length = ::GetWindowTextLengthW(window);
    std::u16string text(size_t(length) + 1, u'\0');
    text.resize(size_t(::GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

std::u16string ClassOf(HWND window)
{
    WCHAR name[256] = {};
    const int length = ::GetClassNameW(window, name, 256);
    return std::u16string(name, size_t(length > 0 ? length : 0));
}

std::vector<HWND> TopLevelWindows()
{
    std::vector<HWND> windows;
    ::EnumWindows([](HWND w, LPARAM data) {
        reinterpret_cast<std::vector<HWND>*>(data)->push_back(w);
        return TRUE;
    }, LPARAM(&windows));
    return windows;
}

std::vector<HWND> Descendants(HWND parent)
{
    std::vector<HWND> out;
    Collect(parent, out);
    return out;
}

bool Matches(HWND window, const WindowQuery& query)
{
    if (!::IsWindow(window))
        return false;
    if (query.visibleOnly && !::IsWindowVisible(window))
        return false;
    if (query.className && !EqualsNoCase(ClassOf(window), query.className))
        return false;
    if (query.text && TextOf(window) != query.text)
        return false;
    const bool child = (::GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) != 0;
    if (query.id != -1 && (!child || ::GetDlgCtrlID(window) != query.id))
        return false;
    if (query.owner && (child || ::GetWindow(window, GW_OWNER) != query.owner))
        return false;
    return true;
}

HWND FindTopLevel(const WindowQuery& query)
{
    for (HWND window : TopLevelWindows())
        if (Matches(window, query))
            return window;
    return nullptr;
}

HWND FindDescendant(HWND parent, const WindowQuery& query)
{
    for (HWND window : Descendants(parent))
        if (Matches(window, query))
            return window;
    return nullptr;
}

std::vector<HWND> FindAll(const WindowQuery& query)
{
    std::vector<HWND> found;
    for (HWND top : TopLevelWindows()) {
        if (Matches(top, query))
            found.push_back(top);
        for (HWND window : Descendants(top))
            if (Matches(window, query))
                found.push_back(window);
    }
    return found;
}

HWND FindByClass(const WCHAR* className, HWND parent)
{
    WindowQuery query;
    query.className = className;
    if (parent)
        return FindDescendant(parent, query);
    auto all = FindAll(query);
    return all.empty() ? nullptr : all.front();
}

HWND FindByText(const WCHAR* text, HWND parent)
{
    WindowQuery query;
    query.text = text;
    if (parent)
        return FindDescendant(parent, query);
    auto all = FindAll(query);
    return all.empty() ? nullptr : all.front();
}

HWND FindByIdPath(HWND top, std::initializer_list<int> ids)
{
    HWND window = top;
    for (int id : ids) {
        if (!window)
            return nullptr;
        window = ::GetDlgItem(window, id);
    }
    return window;
}

std::string DescribeTree(HWND root)
{
    std::string out;
    if (root) {
        Describe(root, 0, out);
    } else {
        for (HWND top : TopLevelWindows())
            Describe(top, 0, out);
    }
    return out;
}

} // namespace testkit
