#pragma once
// A visual-styles module for tests, registered under the real module's name in place of the
// inactive default; it answers what the test sets and logs the calls it gets.

#include "platform/base/Unicode.h"
#include "platform/base/Modules.h"
#include "platform/gdi/UxTheme.h"

#include <cstring>
#include <string>
#include <vector>

class FakeThemeModule {
public:
    bool active = false;
    bool openSucceeds = false;
    std::u16string fileName = u"C:\\WINDOWS\\Resources\\Themes\\Luna\\Luna.msstyles";
    std::u16string colorName = u"NormalColor";
    COLORREF borderColor = 0;

    FakeThemeModule() { Current() = this; }
    ~FakeThemeModule() { Current() = nullptr; }

    // Registers (or re-registers, with a new handle) the module.
    HMODULE Install()
    {
        using platform::modules::Export;
        return platform::modules::Register(u"UxTheme.dll",
                                           { { "IsThemeActive", Export(&IsThemeActive) },
                                             { "IsAppThemed", Export(&IsAppThemed) },
                                             { "OpenThemeData", Export(&OpenThemeData) },
                                             { "CloseThemeData", Export(&CloseThemeData) },
                                             { "GetThemeColor", Export(&GetThemeColor) },
                                             { "DrawThemeBackground", Export(&DrawThemeBackground) },
                                             { "GetCurrentThemeName", Export(&GetCurrentThemeName) } });
    }

    const std::vector<std::string>& Log() const { return m_log; }

private:
    static FakeThemeModule*& Current()
    {
        static FakeThemeModule* current = nullptr;
        return current;
    }
    static void Note(const std::string& line)
    {
        if (Current())
            Current()->m_log.push_back(line);
    }

    static BOOL IsThemeActive() { return Current() && Current()->active; }
    static BOOL IsAppThemed() { return Current() && Current()->active; }
    static HTHEME OpenThemeData(HWND, const WCHAR* classes)
    {
        Note("OpenThemeData " + Utf16ToUtf8(classes ? std::u16string(classes) : std::u16string()));
        static int handle;
        return Current() && Current()->openSucceeds ? reinterpret_cast<HTHEME>(&handle) : nullptr;
    }
    static HRESULT CloseThemeData(HTHEME)
    {
        Note("CloseThemeData");
        return S_OK;
    }
    static HRESULT GetThemeColor(HTHEME theme, int part, int state, int property, COLORREF* color)
    {
        Note("GetThemeColor " + std::to_string(part) + " " + std::to_string(state) + " " + std::to_string(property));
        if (!theme || !Current() || property != TMT_BORDERCOLOR)
            return E_FAIL;
        *color = Current()->borderColor;
        return S_OK;
    }
    static HRESULT DrawThemeBackground(HTHEME theme, HDC, int, int, const RECT*, const RECT*)
    {
        Note(theme ? "DrawThemeBackground" : "DrawThemeBackground null");
        return theme ? S_OK : E_FAIL;
    }
    static HRESULT GetCurrentThemeName(WCHAR* file, int fileLength, WCHAR* color, int colorLength, WCHAR*, int)
    {
        if (!Current() || !Current()->active)
            return E_FAIL;
        auto copy = [](WCHAR* to, int length, const std::u16string& from) {
            const std::size_t n = std::min<std::size_t>(from.size(), std::size_t(length - 1));
            std::memcpy(to, from.data(), n * sizeof(WCHAR));
            to[n] = 0;
        };
        copy(file, fileLength, Current()->fileName);
        copy(color, colorLength, Current()->colorName);
        return S_OK;
    }

    std::vector<std::string> m_log;
};
