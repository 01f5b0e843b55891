#pragma once
// What the extended push button, its themes and the themed header need when they draw: the
// control's theme style reached through its embedded host, the button's hot-or-captured test and
// two guards that put a DC's background mode and text colour back on every way out.

#include "platform/framework/DC.h"
#include "platform/user/Messages.h"

#include <memory>

// A control's theme: colours, metrics and drawing (the button's is CJQButtonTheme).
class CJQThemeManagerStyle {
public:
    virtual ~CJQThemeManagerStyle() = default;
};

class CJQButtonTheme : public CJQThemeManagerStyle {
};

// Makes a control's style on the first request and keeps it.
class CJQThemeManagerStyleFactory {
public:
    virtual ~CJQThemeManagerStyleFactory() = default;
    CJQThemeManagerStyle* GetSafeTheme();

protected:
    virtual CJQThemeManagerStyle* CreateTheme() = 0;

private:
    std::unique_ptr<CJQThemeManagerStyle> m_theme;
};

template <class Style> class CJQThemeManagerStyleFactoryOf : public CJQThemeManagerStyleFactory {
protected:
    CJQThemeManagerStyle* CreateTheme() override { return new Style; }
};

// Embedded in each themed control: the factory set on the control, else the control's default.
class CJQThemeManagerStyleHost {
public:
    explicit CJQThemeManagerStyleHost(CJQThemeManagerStyleFactory* defaultFactory) : m_defaultFactory(defaultFactory) { }
    virtual ~CJQThemeManagerStyleHost() = default;

    // The control does not own a factory set on it.
    void SetThemeFactory(CJQThemeManagerStyleFactory* factory) { m_factory = factory; }
    CJQThemeManagerStyleFactory* GetThemeFactory() const { return m_factory ? m_factory : m_defaultFactory; }

private:
    CJQThemeManagerStyleFactory* m_factory = nullptr;
    CJQThemeManagerStyleFactory* m_defaultFactory;
};

// The control's style, made by its factory on the first call.
CJQThemeManagerStyle* GetThemeStyleOfEmbeddedHost(CJQThemeManagerStyleHost* control);

class CJQButton : public CJQThemeManagerStyleHost {
public:
    CJQButton() : CJQThemeManagerStyleHost(&m_defaultFactory) { }

    BOOL HasTheme() { return GetThemeStyleOfEmbeddedHost(this) != nullptr; }
    // Hot, or holding the mouse capture (pressed and dragged off).
    BOOL IsHotOrCaptured() const;

    HWND m_hWnd = nullptr;
    BOOL m_bHot = FALSE;

private:
    CJQThemeManagerStyleFactoryOf<CJQButtonTheme> m_defaultFactory;
};

class CJQBkModeGuard {
public:
    CJQBkModeGuard(CDC* dc, int savedMode) : m_savedMode(savedMode), m_dc(dc) { }
    ~CJQBkModeGuard() { m_dc->SetBkMode(m_savedMode); }
    CJQBkModeGuard(const CJQBkModeGuard&) = delete;
    CJQBkModeGuard& operator=(const CJQBkModeGuard&) = delete;

private:
    int m_savedMode;
    CDC* m_dc;
};

class CJQTextColorGuard {
public:
    CJQTextColorGuard(CDC* dc, COLORREF savedColor) : m_savedColor(savedColor), m_dc(dc) { }
    ~CJQTextColorGuard() { m_dc->SetTextColor(m_savedColor); }
    CJQTextColorGuard(const CJQTextColorGuard&) = delete;
    CJQTextColorGuard& operator=(const CJQTextColorGuard&) = delete;

private:
    COLORREF m_savedColor;
    CDC* m_dc;
};
