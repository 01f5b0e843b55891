#pragma once
// One piece of text that can be read as ANSI (the process code page), UTF-8 or UTF-16LE. The form
// a setter or edit works on is authoritative; the others are derived on demand and cached until
// the next change. Getters cache, so even reading is not safe from two threads at once.

#include "components/foundation/DataBuffer.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/TorvaneObject.h"

class Charset;

class XString : public TorvaneObject {
public:
    enum AnsiStatus { AnsiUnknown = 0, AnsiLossless = 1, AnsiLossy = 2 };

    XString();
    XString(const XString&) = delete;
    XString& operator=(const XString&) = delete;
    ~XString() override = default;

    // Setters; a null or empty argument acts as Clear.
    void Clear();
    void SetFromAnsi(const char* text);
    void SetFromUtf8(const char* text);
    void SetFromUtf8N(const char* bytes, int n);
    void SetFromUtf16(const WCHAR* text);
    void SetFromUtf8OrAnsi(const char* text, bool isUtf8);
    void CopyFrom(const XString& other);

    // Getters: pointers stay valid until the next change of the string.
    const WCHAR* GetUtf16() const;
    const char* GetAnsi() const;
    const char* GetUtf8() const;
    int GetAnsiSize() const;
    int GetUtf8Size() const;
    int GetNumChars() const;
    // The UTF-8 form itself; a caller that changes it must follow with a setter.
    torvane::StringBuffer& GetUtf8Buffer();
    torvane::StringBuffer& Utf8BufferRaw() { return m_utf8; }
    bool IsAnsiLossless() const;
    char LastAnsiChar() const;
    bool ConvertToCharset(const Charset& charset, DataBuffer& out) const;
    int GetAnsiStatus() const { return m_ansiStatus; }

    // Edits.
    void AppendAnsi(const char* text);
    void AppendUtf8(const char* text);
    void AppendUtf16(const WCHAR* text);
    void AppendXString(const XString& other);
    bool AppendFromCharset(const char* text, const char* charsetName);
    void Trim();
    int ReplaceAll(const char* find, const char* replacement);
    bool ReplaceFirst(const char* find, const char* replacement);
    void ReplaceChar(char fromAnsi, char toAnsi);
    void ShortenBy(int n);
    void Compact();

    // Queries on the UTF-8 form.
    bool ContainsUtf8(const char* text) const;
    bool BeginsWithUtf8(const char* text) const;
    bool MatchesWildcard(const char* pattern, bool caseSensitive) const;

private:
    bool NoFormValid() const { return !m_utf16Valid && !m_ansiValid && !m_utf8Valid; }
    // An edit on one form leaves the other two to be rebuilt from it.
    void OnlyValid(bool utf16, bool ansi, bool utf8) const;
    void ClearConst() const;
    void AppendUtf8Bytes(const unsigned char* bytes, unsigned n);

    mutable int m_ansiStatus = AnsiUnknown;
    mutable bool m_utf16Valid = true;
    mutable bool m_ansiValid = true;
    mutable bool m_utf8Valid = true;
    mutable DataBuffer m_utf16;
    mutable torvane::StringBuffer m_ansi;
    mutable torvane::StringBuffer m_utf8;
};
