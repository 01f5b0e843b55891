#pragma once
// The class library's strings: CString holds UTF-16 (WCHAR), CStringA 8-bit text in the ANSI code
// page (UTF-8). Formatting goes through the type-safe formatter, so "%s" takes either string type.

#include "platform/base/Format.h"
#include "platform/base/TextCase.h"
#include "platform/base/Unicode.h"

#include <string>
#include <string_view>

struct HINSTANCE__;
// The string `id` of `module` (the current resource module when null): its text and length, or
// false when the module has no such string. Defined with the resource handles.
bool AfxFindStringResource(HINSTANCE__* module, UINT id, const char16_t** text, int* length);

template <typename Ch> class CStringT {
public:
    using XCHAR = Ch;
    using YCHAR = std::conditional_t<std::is_same_v<Ch, char>, char16_t, char>;
    using View = std::basic_string_view<Ch>;

    CStringT() = default;
    CStringT(const Ch* text) { if (text) m_text = text; }
    CStringT(const Ch* text, int length) { if (text && length > 0) m_text.assign(text, std::size_t(length)); }
    CStringT(Ch ch, int repeat = 1) { if (repeat > 0) m_text.assign(std::size_t(repeat), ch); }
    CStringT(View text) : m_text(text) { }
    CStringT(const std::basic_string<Ch>& text) : m_text(text) { }
    // Text of the other width is converted (ANSI is UTF-8 here).
    CStringT(const YCHAR* text) { if (text) m_text = Convert(std::basic_string_view<YCHAR>(text)); }
    CStringT(const CStringT<YCHAR>& other) : m_text(Convert(other.View_())) { }

    operator const Ch*() const { return m_text.c_str(); }
    const Ch* GetString() const { return m_text.c_str(); }
    View View_() const { return m_text; }
    const std::basic_string<Ch>& Str() const { return m_text; }

    int GetLength() const { return int(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    Ch GetAt(int index) const { return m_text.at(std::size_t(index)); }
    void SetAt(int index, Ch ch) { m_text.at(std::size_t(index)) = ch; }
    Ch operator[](int index) const { return GetAt(index); }

    CStringT& operator=(const Ch* text)
    {
        if (text)
            m_text = text;
        else
            m_text.clear();
        return *this;
    }
    CStringT& operator=(Ch ch) { m_text.assign(1, ch); return *this; }
    CStringT& operator+=(const CStringT& other) { m_text += other.m_text; return *this; }
    CStringT& operator+=(const Ch* text) { if (text) m_text += text; return *this; }
    CStringT& operator+=(Ch ch) { m_text += ch; return *this; }
    friend CStringT operator+(const CStringT& a, const CStringT& b) { return CStringT(a.m_text + b.m_text); }
    friend CStringT operator+(const CStringT& a, const Ch* b) { CStringT r(a); r += b; return r; }
    friend CStringT operator+(const Ch* a, const CStringT& b) { CStringT r(a); r += b; return r; }
    friend CStringT operator+(const CStringT& a, Ch b) { CStringT r(a); r += b; return r; }
    friend bool operator==(const CStringT& a, const CStringT& b) { return a.m_text == b.m_text; }
    friend bool operator==(const CStringT& a, const Ch* b) { return a.m_text == (b ? View(b) : View()); }
    friend bool operator<(const CStringT& a, const CStringT& b) { return a.m_text < b.m_text; }

    // Ordinal, by code unit; Collate is the same here (no locale anywhere).
    int Compare(const Ch* other) const { return Sign(m_text.compare(other ? View(other) : View())); }
    int CompareNoCase(const Ch* other) const { return Sign(::CompareNoCase(View(m_text), other ? View(other) : View())); }
    int Collate(const Ch* other) const { return Compare(other); }
    int CollateNoCase(const Ch* other) const { return CompareNoCase(other); }

    int Find(Ch ch, int start = 0) const { return Pos(start < 0 ? std::basic_string<Ch>::npos : m_text.find(ch, std::size_t(start))); }
    int Find(const Ch* sub, int start = 0) const
    {
        if (!sub || start < 0 || start > GetLength())
            return -1;
        return Pos(m_text.find(sub, std::size_t(start)));
    }
    int ReverseFind(Ch ch) const { return Pos(m_text.rfind(ch)); }
    int FindOneOf(const Ch* set) const { return set ? Pos(m_text.find_first_of(set)) : -1; }

    int Replace(Ch from, Ch to)
    {
        int count = 0;
        for (Ch& c : m_text)
            if (c == from) {
                c = to;
                ++count;
            }
        return count;
    }
    int Replace(const Ch* from, const Ch* to)
    {
        if (!from || !*from)
            return 0;
        View f(from), t(to ? View(to) : View());
        std::basic_string<Ch> out;
        int count = 0;
        std::size_t pos = 0;
        for (std::size_t hit; (hit = m_text.find(f, pos)) != std::basic_string<Ch>::npos; pos = hit + f.size()) {
            out.append(m_text, pos, hit - pos).append(t);
            ++count;
        }
        out.append(m_text, pos);
        m_text.swap(out);
        return count;
    }
    int Remove(Ch ch)
    {
        std::size_t before = m_text.size();
        std::erase(m_text, ch);
        return int(before - m_text.size());
    }
    // Indexes are clamped to the string, as callers past the end expect an append.
    int Insert(int index, Ch ch) { return Insert(index, CStringT(ch).GetString()); }
    int Insert(int index, const Ch* text)
    {
        if (text)
            m_text.insert(Clamp(index), text);
        return GetLength();
    }
    int Delete(int index, int count = 1)
    {
        std::size_t at = Clamp(index);
        if (count > 0)
            m_text.erase(at, std::size_t(count));
        return GetLength();
    }

    CStringT& TrimLeft() { return TrimLeftIf([](Ch c) { return AsciiIsSpace(c); }); }
    CStringT& TrimRight() { return TrimRightIf([](Ch c) { return AsciiIsSpace(c); }); }
    CStringT& Trim() { return TrimRight().TrimLeft(); }
    CStringT& TrimLeft(Ch ch) { return TrimLeftIf([ch](Ch c) { return c == ch; }); }
    CStringT& TrimRight(Ch ch) { return TrimRightIf([ch](Ch c) { return c == ch; }); }
    CStringT& Trim(Ch ch) { return TrimRight(ch).TrimLeft(ch); }
    CStringT& TrimLeft(const Ch* set) { View s(set ? set : View()); return TrimLeftIf([s](Ch c) { return s.find(c) != View::npos; }); }
    CStringT& TrimRight(const Ch* set) { View s(set ? set : View()); return TrimRightIf([s](Ch c) { return s.find(c) != View::npos; }); }
    CStringT& Trim(const Ch* set) { return TrimRight(set).TrimLeft(set); }

    // Skips leading delimiters; start becomes -1 after the last token.
    CStringT Tokenize(const Ch* tokens, int& start) const
    {
        const Ch* set = tokens ? tokens : EmptyText();
        std::size_t begin = start < 0 ? std::basic_string<Ch>::npos : m_text.find_first_not_of(set, std::size_t(start));
        if (begin == std::basic_string<Ch>::npos) {
            start = -1;
            return CStringT();
        }
        std::size_t end = m_text.find_first_of(set, begin);
        if (end == std::basic_string<Ch>::npos)
            end = m_text.size();
        start = int(end + 1);
        return CStringT(m_text.substr(begin, end - begin));
    }

    CStringT Mid(int first) const { return Mid(first, GetLength()); }
    CStringT Mid(int first, int count) const
    {
        std::size_t at = Clamp(first);
        if (count <= 0)
            return CStringT();
        return CStringT(m_text.substr(at, std::size_t(count)));
    }
    CStringT Left(int count) const { return Mid(0, count); }
    CStringT Right(int count) const
    {
        if (count <= 0)
            return CStringT();
        return count >= GetLength() ? *this : CStringT(m_text.substr(m_text.size() - std::size_t(count)));
    }

    // Letters outside ASCII keep their case (no locale tables here).
    CStringT& MakeUpper() { for (Ch& c : m_text) c = AsciiToUpper(c); return *this; }
    CStringT& MakeLower() { for (Ch& c : m_text) c = AsciiToLower(c); return *this; }
    CStringT& MakeReverse() { m_text.assign(m_text.rbegin(), m_text.rend()); return *this; }

    template <typename... Args> void Format(const Ch* format, const Args&... args)
    {
        m_text = FormatText(format, Arg(args)...);
    }
    template <typename... Args> void AppendFormat(const Ch* format, const Args&... args)
    {
        m_text += FormatText(format, Arg(args)...);
    }

    // From the current resource module; FALSE, leaving the text alone, when the string is missing.
    BOOL LoadString(UINT id) { return LoadString(nullptr, id); }
    BOOL LoadString(HINSTANCE__* module, UINT id)
    {
        const char16_t* text = nullptr;
        int length = 0;
        if (!AfxFindStringResource(module, id, &text, &length))
            return FALSE;
        if constexpr (std::is_same_v<Ch, char16_t>)
            m_text.assign(text, std::size_t(length));
        else
            m_text = Utf16ToUtf8(std::u16string_view(text, std::size_t(length)));
        return TRUE;
    }

    // The buffer holds at least minLength characters plus a terminator until ReleaseBuffer.
    Ch* GetBuffer(int minLength = 0)
    {
        if (minLength > GetLength())
            m_text.resize(std::size_t(minLength));
        return m_text.data();
    }
    Ch* GetBufferSetLength(int length)
    {
        m_text.resize(std::size_t(length < 0 ? 0 : length));
        return m_text.data();
    }
    // With -1 the text ends at the first terminator written into the buffer.
    void ReleaseBuffer(int newLength = -1)
    {
        if (newLength < 0)
            newLength = int(std::basic_string_view<Ch>(m_text.c_str()).size());
        m_text.resize(std::size_t(newLength) < m_text.size() ? std::size_t(newLength) : m_text.size());
    }

private:
    template <typename T> static decltype(auto) Arg(const T& value)
    {
        if constexpr (std::is_same_v<T, CStringT<char>> || std::is_same_v<T, CStringT<char16_t>>)
            return value.GetString();
        else
            return (value);
    }
    static const Ch* EmptyText() { static const Ch empty[1] = {}; return empty; }
    static int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }
    static int Pos(std::size_t p) { return p == std::basic_string<Ch>::npos ? -1 : int(p); }
    std::size_t Clamp(int index) const
    {
        if (index < 0)
            return 0;
        return std::size_t(index) > m_text.size() ? m_text.size() : std::size_t(index);
    }
    static std::basic_string<Ch> Convert(std::basic_string_view<YCHAR> text)
    {
        if constexpr (std::is_same_v<Ch, char16_t>)
            return Utf8ToUtf16(text);
        else
            return Utf16ToUtf8(text);
    }
    template <typename Pred> CStringT& TrimLeftIf(Pred pred)
    {
        std::size_t i = 0;
        while (i < m_text.size() && pred(m_text[i]))
            ++i;
        m_text.erase(0, i);
        return *this;
    }
    template <typename Pred> CStringT& TrimRightIf(Pred pred)
    {
        std::size_t n = m_text.size();
        while (n > 0 && pred(m_text[n - 1]))
            --n;
        m_text.resize(n);
        return *this;
    }

    std::basic_string<Ch> m_text;
};

using CString = CStringT<WCHAR>;
using CStringW = CStringT<WCHAR>;
using CStringA = CStringT<char>;
