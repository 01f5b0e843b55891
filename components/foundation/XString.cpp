#include "components/foundation/XString.h"

#include "components/foundation/Charset.h"
#include "components/foundation/EncodingConvert.h"
#include "platform/base/CodePage.h"
#include "platform/base/TextCase.h"

#include <cstring>

namespace {

constexpr int kUtf16LE = 1200;
constexpr int kUtf8 = 65001;

const unsigned char kWideTerminator[2] = { 0, 0 };

const unsigned char* Bytes(const char* text) { return reinterpret_cast<const unsigned char*>(text); }

} // namespace

XString::XString() { ClearConst(); }

void XString::ClearConst() const
{
    m_utf16.Empty();
    m_utf16.Append(kWideTerminator, 2);
    m_ansi.Clear();
    m_ansi.ShrinkToFit();
    m_utf8.Clear();
    m_utf8.ShrinkToFit();
    m_utf16Valid = m_ansiValid = m_utf8Valid = true;
    m_ansiStatus = AnsiUnknown;
}

void XString::Clear() { ClearConst(); }

void XString::OnlyValid(bool utf16, bool ansi, bool utf8) const
{
    m_utf16Valid = utf16;
    m_ansiValid = ansi;
    m_utf8Valid = utf8;
}

void XString::SetFromAnsi(const char* text)
{
    if (!text || !*text) {
        Clear();
        return;
    }
    m_ansi.SetText(text);
    m_utf8.Clear();
    m_utf16.Empty();
    OnlyValid(false, true, false);
    m_ansiStatus = AnsiLossless;
}

void XString::SetFromUtf8(const char* text)
{
    if (!text || !*text) {
        Clear();
        return;
    }
    m_utf8.SetText(text);
    m_ansi.Clear();
    m_utf16.Empty();
    OnlyValid(false, false, true);
    m_ansiStatus = AnsiUnknown;
}

void XString::SetFromUtf8N(const char* bytes, int n)
{
    if (!bytes || n <= 0 || !*bytes) {
        Clear();
        return;
    }
    m_utf8.Clear();
    m_utf8.AppendBytes(bytes, n);
    m_ansi.Clear();
    m_utf16.Empty();
    OnlyValid(false, false, true);
    m_ansiStatus = AnsiUnknown;
}

void XString::SetFromUtf16(const WCHAR* text)
{
    if (!text || !*text) {
        Clear();
        return;
    }
    m_utf16.Empty();
    m_utf16.AppendWideString(text);
    m_ansi.Clear();
    m_utf8.Clear();
    OnlyValid(true, false, false);
    m_ansiStatus = AnsiUnknown;
}

void XString::SetFromUtf8OrAnsi(const char* text, bool isUtf8)
{
    if (isUtf8)
        SetFromUtf8(text);
    else
        SetFromAnsi(text);
}

void XString::CopyFrom(const XString& other)
{
    if (&other == this)
        return;
    m_utf16.Empty();
    m_utf16.AppendBuffer(other.m_utf16);
    m_ansi.SetBuffer(other.m_ansi);
    m_utf8.SetBuffer(other.m_utf8);
    m_utf16Valid = other.m_utf16Valid;
    m_ansiValid = other.m_ansiValid;
    m_utf8Valid = other.m_utf8Valid;
    m_ansiStatus = other.m_ansiStatus;
}

const WCHAR* XString::GetUtf16() const
{
    if (NoFormValid())
        ClearConst();
    if (!m_utf16Valid) {
        m_utf16.Empty();
        EncodingConvert converter;
        if (m_utf8Valid)
            converter.Convert(kUtf8, kUtf16LE, Bytes(m_utf8.GetText()), unsigned(m_utf8.GetLength()), m_utf16);
        else
            converter.Convert(int(GetACP()), kUtf16LE, Bytes(m_ansi.GetText()), unsigned(m_ansi.GetLength()), m_utf16);
        m_utf16.Append(kWideTerminator, 2);
        m_utf16Valid = true;
    }
    return reinterpret_cast<const WCHAR*>(m_utf16.GetData());
}

const char* XString::GetAnsi() const
{
    if (NoFormValid())
        ClearConst();
    if (m_ansiValid)
        return m_ansi.GetText();
    EncodingConvert converter;
    bool ok = true;
    if (m_utf8Valid) {
        DataBuffer converted;
        ok = converter.ConvertToAnsi(kUtf8, Bytes(m_utf8.GetText()), unsigned(m_utf8.GetLength()), converted);
        converted.AppendByte(0);
        m_ansi.TakeOverData(converted);
    } else {
        DataBuffer converted;
        if (m_utf16.GetSize() > 2)
            ok = converter.ConvertToAnsi(kUtf16LE, m_utf16.GetData(), m_utf16.GetSize() - 2, converted);
        m_ansi.Clear();
        m_ansi.AppendData(converted);
        m_ansi.ShrinkToFit();
    }
    m_ansiStatus = ok ? AnsiLossless : AnsiLossy;
    m_ansiValid = true;
    return m_ansi.GetText();
}

const char* XString::GetUtf8() const
{
    if (NoFormValid())
        ClearConst();
    if (m_utf8Valid)
        return m_utf8.GetText();
    EncodingConvert converter;
    if (m_ansiValid) {
        DataBuffer converted;
        unsigned length = unsigned(m_ansi.GetLength());
        converted.EnsureCapacity(length + length / 16 + 4);
        converter.ConvertFromAnsi(kUtf8, Bytes(m_ansi.GetText()), length, converted);
        converted.AppendByte(0);
        m_utf8.TakeOverData(converted);
    } else {
        DataBuffer converted;
        if (m_utf16.GetSize() > 3)
            converter.Convert(kUtf16LE, kUtf8, m_utf16.GetData(), m_utf16.GetSize() - 2, converted);
        m_utf8.Clear();
        m_utf8.AppendData(converted);
        m_utf8.ShrinkToFit();
    }
    m_utf8Valid = true;
    return m_utf8.GetText();
}

int XString::GetAnsiSize() const
{
    GetAnsi();
    return m_ansi.GetLength();
}

int XString::GetUtf8Size() const
{
    GetUtf8();
    return m_utf8.GetLength();
}

int XString::GetNumChars() const
{
    if (m_ansiValid)
        return m_ansi.GetLength();
    GetUtf16();
    return m_utf16.GetSize() >= 2 ? int((m_utf16.GetSize() - 2) / 2) : 0;
}

torvane::StringBuffer& XString::GetUtf8Buffer()
{
    GetUtf8();
    return m_utf8;
}

bool XString::IsAnsiLossless() const
{
    if (m_ansiStatus == AnsiLossless)
        return true;
    if (m_ansiStatus == AnsiLossy)
        return false;
    if (!m_utf16Valid && !m_utf8Valid)
        return true;
    DataBuffer converted;
    EncodingConvert converter;
    bool ok;
    if (m_utf16Valid) {
        unsigned size = m_utf16.GetSize() >= 2 ? m_utf16.GetSize() - 2 : 0;
        ok = converter.ConvertToAnsi(kUtf16LE, m_utf16.GetData(), size, converted);
    } else {
        ok = converter.ConvertToAnsi(kUtf8, Bytes(m_utf8.GetText()), unsigned(m_utf8.GetLength()), converted);
    }
    m_ansi.Clear();
    if (ok) {
        m_ansi.AppendData(converted);
        m_ansiValid = true;
        m_ansiStatus = AnsiLossless;
        return true;
    }
    m_ansiValid = false;
    m_ansiStatus = AnsiLossy;
    return false;
}

char XString::LastAnsiChar() const
{
    bool madeNow = !m_ansiValid;
    GetAnsi();
    char last = m_ansi.LastChar();
    if (madeNow && m_ansiStatus == AnsiLossy) {
        m_ansi.Clear();
        m_ansiValid = false;
    }
    return last;
}

bool XString::ConvertToCharset(const Charset& charset, DataBuffer& out) const
{
    EncodingConvert converter;
    if (m_utf16Valid) {
        out.Empty();
        if (m_utf16.GetSize() <= 2)
            return true;
        return converter.Convert(kUtf16LE, charset.GetCodePage(), m_utf16.GetData(), m_utf16.GetSize() - 2, out);
    }
    GetUtf8();
    return converter.Convert(kUtf8, charset.GetCodePage(), Bytes(m_utf8.GetText()), unsigned(m_utf8.GetLength()), out);
}

void XString::AppendAnsi(const char* text)
{
    if (!text || !*text)
        return;
    // An ANSI form that already lost characters must not become the working form, or the lost
    // characters would be gone from every form; the text joins the exact UTF-8 form instead.
    if (!IsAnsiLossless()) {
        DataBuffer converted;
        EncodingConvert converter;
        converter.ConvertFromAnsi(kUtf8, Bytes(text), unsigned(std::strlen(text)), converted);
        AppendUtf8Bytes(converted.GetData(), converted.GetSize());
        return;
    }
    GetAnsi();
    m_ansi.Append(text);
    OnlyValid(false, true, false);
    m_ansiStatus = AnsiLossless;
}

void XString::AppendUtf8Bytes(const unsigned char* bytes, unsigned n)
{
    GetUtf8();
    m_utf8.AppendBytes(bytes, int(n));
    OnlyValid(false, false, true);
    m_ansiStatus = AnsiUnknown;
}

void XString::AppendUtf8(const char* text)
{
    if (!text)
        return;
    AppendUtf8Bytes(Bytes(text), unsigned(std::strlen(text)));
}

void XString::AppendUtf16(const WCHAR* text)
{
    if (!text)
        return;
    GetUtf16();
    if (m_utf16.GetSize() > 1)
        m_utf16.ShortenBy(2);
    m_utf16.AppendWideString(text);
    OnlyValid(true, false, false);
    m_ansiStatus = AnsiUnknown;
}

void XString::AppendXString(const XString& other)
{
    if (&other == this) {
        XString copy;
        copy.CopyFrom(other);
        AppendXString(copy);
        return;
    }
    if (other.m_utf8Valid) {
        AppendUtf8Bytes(Bytes(other.m_utf8.GetText()), unsigned(other.m_utf8.GetLength()));
    } else if (other.m_utf16Valid) {
        AppendUtf16(reinterpret_cast<const WCHAR*>(other.m_utf16.GetData()));
    } else if (other.m_ansiValid) {
        AppendAnsi(other.m_ansi.GetText());
    }
}

bool XString::AppendFromCharset(const char* text, const char* charsetName)
{
    if (!text)
        return false;
    torvane::StringBuffer name(charsetName ? charsetName : "utf-8");
    name.Trim();
    if (_stricmp(name.GetText(), "utf-8") == 0) {
        AppendUtf8(text);
        return true;
    }
    if (_stricmp(name.GetText(), "ansi") == 0) {
        AppendAnsi(text);
        return true;
    }
    DataBuffer converted;
    EncodingConvert converter;
    bool ok = converter.ConvertFromNamedCharset(name.GetText(), kUtf8, Bytes(text), unsigned(std::strlen(text)), converted);
    AppendUtf8Bytes(converted.GetData(), converted.GetSize());
    return ok;
}

void XString::Trim()
{
    GetUtf8();
    m_utf8.Trim();
    OnlyValid(false, false, true);
    m_ansiStatus = AnsiUnknown;
}

int XString::ReplaceAll(const char* find, const char* replacement)
{
    GetUtf8();
    int count = m_utf8.ReplaceAll(find, replacement);
    if (count > 0) {
        OnlyValid(false, false, true);
        m_ansiStatus = AnsiUnknown;
    }
    return count;
}

bool XString::ReplaceFirst(const char* find, const char* replacement)
{
    GetUtf8();
    bool replaced = m_utf8.ReplaceFirst(find, replacement);
    if (replaced) {
        OnlyValid(false, false, true);
        m_ansiStatus = AnsiUnknown;
    }
    return replaced;
}

void XString::ReplaceChar(char fromAnsi, char toAnsi)
{
    auto unitOf = [](char c) -> WORD {
        DataBuffer unit;
        EncodingConvert converter;
        converter.ConvertFromAnsi(kUtf16LE, Bytes(&c), 1, unit);
        return unit.GetSize() >= 2 ? WORD(unit.GetData()[0] | (unit.GetData()[1] << 8)) : 0;
    };
    WORD from = unitOf(fromAnsi);
    WORD to = unitOf(toAnsi);
    GetUtf16();
    if (from == 0 || to == 0)
        return;
    m_utf16.ReplaceUnit16(from, to);
    OnlyValid(true, false, false);
    m_ansiStatus = AnsiUnknown;
}

void XString::ShortenBy(int n)
{
    if (n <= 0)
        return;
    GetUtf16();
    int units = m_utf16.GetSize() >= 2 ? int((m_utf16.GetSize() - 2) / 2) : 0;
    if (n >= units) {
        Clear();
        return;
    }
    m_utf16.ShortenBy(unsigned(n) * 2 + 2);
    m_utf16.Append(kWideTerminator, 2);
    OnlyValid(true, false, false);
    m_ansiStatus = AnsiUnknown;
}

void XString::Compact()
{
    if (NoFormValid())
        ClearConst();
    if (m_utf8Valid) {
        m_utf8.ShrinkToFit();
        m_ansi.Clear();
        m_ansi.ShrinkToFit();
        m_utf16.Release();
        OnlyValid(false, false, true);
        return;
    }
    if (m_ansiValid) {
        m_ansi.ShrinkToFit();
        m_utf8.Clear();
        m_utf8.ShrinkToFit();
        m_utf16.Release();
        OnlyValid(false, true, false);
        return;
    }
    DataBuffer kept;
    kept.EnsureCapacity(m_utf16.GetSize() + 4);
    kept.Append(m_utf16.GetData(), m_utf16.GetSize());
    m_utf16.TakeOver(kept);
    m_ansi.Clear();
    m_ansi.ShrinkToFit();
    m_utf8.Clear();
    m_utf8.ShrinkToFit();
    OnlyValid(true, false, false);
}

bool XString::ContainsUtf8(const char* text) const
{
    GetUtf8();
    return m_utf8.Contains(text);
}

bool XString::BeginsWithUtf8(const char* text) const
{
    GetUtf8();
    return m_utf8.BeginsWith(text);
}

bool XString::MatchesWildcard(const char* pattern, bool caseSensitive) const
{
    GetUtf8();
    return m_utf8.MatchesWildcard(pattern, caseSensitive);
}
