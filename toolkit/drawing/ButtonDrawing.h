#pragma once
// Two guards that put a DC's background mode and text colour back on every way out; the push
// button's themes draw through them.

#include "platform/framework/DC.h"
#include "platform/user/Messages.h"

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
