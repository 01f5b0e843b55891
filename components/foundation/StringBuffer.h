#pragma once
// The component library's growable, NUL-terminated byte string. It knows bytes, not characters;
// its encoding tag only records what a caller stated. The growth rule is relied on by callers
// that size buffers ahead, so it is kept exactly (see Grow* in the source).

#include "components/foundation/TorvaneObject.h"
#include "platform/base/Types.h"

class DataBuffer;
class ExtPtrArray;
class LogBase;
class XString;

namespace torvane {

class StringBuffer : public TorvaneObject {
public:
    enum EncodingTag : BYTE { TagUnknown = 0, TagAnsi = 1, TagUtf8 = 2 };

    StringBuffer();
    // Same as ConstructFromText.
    explicit StringBuffer(const char* text);
    // Same as ConstructCopy: copies the text and the encoding tag.
    StringBuffer(const StringBuffer& other);
    StringBuffer(StringBuffer&& other) noexcept;
    StringBuffer& operator=(const StringBuffer& other);
    ~StringBuffer() override;

    static StringBuffer ConstructFromText(const char* text) { return StringBuffer(text); }
    static StringBuffer ConstructCopy(const StringBuffer& other) { return StringBuffer(other); }
    // Capacity n (0 means 200); the growth step equals the capacity.
    static StringBuffer ConstructWithCapacity(int n);
    // Makes every array allocation above the given size fail (0 lifts the limit), so that tests
    // can reach the paths of a failed allocation.
    static void SetAllocationLimitForTesting(long long bytes);
    static StringBuffer ConstructFromBytes(const void* bytes, int n, int step);
    // A counted UTF-16LE string, converted to the ANSI code page; tagged ANSI.
    static StringBuffer ConstructFromBstr(const WCHAR* text, int charCount);

    // Access and state.
    int GetLength() const { return m_length; }
    const char* GetText() const { return m_text; }
    char* PointerAt(int index) { return m_text + index; }
    const char* PointerAt(int index) const { return m_text + index; }
    char CharAt(int index) const;
    char LastChar() const;
    bool IsValid() const { return m_marker == 0xAA; }
    int GetCapacity() const { return m_capacity; }
    int GetGrowthStep() const { return m_step; }
    BYTE GetEncodingTag() const { return m_tag; }
    void SetEncodingTag(int tag);
    int IntValue() const;
    bool Is7Bit() const;

    // Growing and appending.
    void Append(const char* text);
    int AppendChar(char c);
    int AppendBytes(const void* bytes, int n);
    void AppendCharRepeated(char c, int n);
    void AppendBuffer(const StringBuffer& other);
    void AppendData(const DataBuffer& data);
    void AppendInt(int value);
    void AppendBstr(const WCHAR* text, int charCount);
    void AppendHexDump(const void* bytes, int n);
    void AppendHex(const void* bytes, int n) { AppendHexDump(bytes, n); }
    void AppendSystemErrorText(DWORD code);
    void AppendLastErrorText();
    void Prepend(const char* text);
    // False when the room cannot be had (the text is then unchanged). The growth step is added
    // when it fits the size limit; otherwise exactly the room asked for.
    bool EnsureRoomFor(int n);
    void ShrinkToFit();
    // The caller owns the returned array and frees it with std::free.
    char* DetachText(int* lengthOut = nullptr);
    void TakeOverData(DataBuffer& data);

    // Replacing the whole text.
    void Clear();
    void SetText(const char* text);
    void SetBuffer(const StringBuffer& other);

    // Editing in place.
    void Trim();
    void TrimSpacesTabs();
    int TruncateAtChar(char c);
    void TruncateAtLastChar(char c, bool dropIt);
    void RemoveBeforeChar(char c, bool dropIt);
    void RemoveChar(char c);
    void RemoveCharFrom(char c, int start);
    void RemoveRange(int start, int n);
    void ShortenBy(int n);
    void ReplaceChar(char from, char to);
    void ReplaceAnyOfFive(const char* set, char to);
    void CollapseWhitespace();
    void ToLower();
    void ToUpper();
    void ToCrlf();
    void CrlfToLf();
    bool ReplaceFirst(const char* find, const char* replacement);
    int ReplaceAll(const char* find, const char* replacement);
    void EscapeEntities();
    void KeepFileName();

    // Searching and comparing.
    int Compare(const char* text) const;
    bool Equals(const char* text) const;
    bool EqualsNoCase(const char* text) const;
    bool EqualsBuffer(const StringBuffer& other) const;
    bool EqualsBufferNoCase(const StringBuffer& other) const;
    bool BeginsWith(const char* text) const;
    bool EndsWith(const char* text) const;
    bool Contains(const char* text) const;
    bool ContainsNoCase(const char* text) const;
    bool ContainsChar(char c) const;
    int CountChar(char c) const;
    bool MatchesWildcard(const char* pattern, bool caseSensitive) const;
    bool GetParamValue(const char* name, StringBuffer& out) const;
    bool GetKeyedValue(const char* name, StringBuffer& out) const { return GetParamValue(name, out); }

    // Splitting and parsing; the pieces are new buffers owned by the array's owner.
    void SplitOnChar(char separator, ExtPtrArray& out, bool quotes, bool escapes) const;
    void SplitOnString(const char* separator, ExtPtrArray& out, int maximum) const;
    void SplitNameValue(StringBuffer& name, StringBuffer& value) const;

    // In-place conversions; the encoding tag is left as it was.
    bool Utf8ToAnsi();
    bool CodePageToAnsi(int codePage);
    bool AnsiToCodePage(int codePage);
    bool ConvertFromAnsi(int codePage) { return AnsiToCodePage(codePage); }
    bool ConvertCodePage(int fromCodePage, int toCodePage);
    bool AnsiToUtf8();

    // Files.
    bool LoadFile(const XString& path, LogBase* log);
    // A new buffer holding the whole file, or null; the caller deletes it.
    static StringBuffer* CreateFromFile(const XString& path, LogBase* log);

    // Formats into a per-thread array that stays valid until the next call on the same thread.
    static const char* IntToStaticText(int value);

private:
    struct RawInit {};
    StringBuffer(RawInit, int capacity, int step, BYTE tag);

    bool Reallocate(long long newCapacity);
    bool GrowForAppend(long long newCapacity);
    void AppendCountedText(const char* text, int n);
    void AdjustStepAfterGrowth();
    void ReplaceContent(const DataBuffer& bytes);
    void SetLengthTerminated(int length);

    BYTE m_marker;
    BYTE m_tag;
    char* m_text;
    int m_capacity;
    int m_length;
    int m_step;
};

} // namespace torvane

// The network and mail code name the same type without the namespace.
using StringBuffer = torvane::StringBuffer;
