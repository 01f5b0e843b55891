#include "components/foundation/StringBuffer.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/EncodingConvert.h"
#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/FileSys.h"
#include "components/foundation/HexDigits.h"
#include "components/foundation/TextMatch.h"
#include "components/foundation/XString.h"
#include "platform/base/CodePage.h"
#include "platform/base/ErrorText.h"
#include "platform/base/File.h"
#include "platform/base/LastError.h"
#include "platform/base/TextCase.h"

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace torvane {

namespace {

constexpr BYTE kAliveMarker = 0xAA;
constexpr int kDefaultStep = 200;
constexpr int kStepCeiling = 500000;

bool IsTrimByte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::atomic<long long> g_allocationLimit { 0 };

char* AllocateText(long long capacity)
{
    long long limit = g_allocationLimit.load(std::memory_order_relaxed);
    if (limit > 0 && capacity > limit)
        return nullptr;
    auto* text = static_cast<char*>(std::malloc(size_t(capacity)));
    if (text)
        text[0] = 0;
    return text;
}

} // namespace

StringBuffer::StringBuffer(RawInit, int capacity, int step, BYTE tag)
    : m_marker(kAliveMarker)
    , m_tag(tag)
    , m_text(AllocateText(capacity < 1 ? 1 : capacity))
    , m_capacity(capacity < 1 ? 1 : capacity)
    , m_length(0)
    , m_step(step < 1 ? kDefaultStep : step)
{
}

StringBuffer::StringBuffer()
    : StringBuffer(RawInit {}, 202, 202, TagUnknown)
{
}

StringBuffer::StringBuffer(const char* text)
    : StringBuffer(RawInit {}, text ? int(std::strlen(text)) + 1 : 4, kDefaultStep, TagUnknown)
{
    if (text) {
        m_length = m_capacity - 1;
        std::memcpy(m_text, text, size_t(m_length) + 1);
    }
}

StringBuffer::StringBuffer(const StringBuffer& other)
    : TorvaneObject(other)
    , m_marker(kAliveMarker)
    , m_tag(other.m_tag)
    , m_text(AllocateText((long long)other.m_length + 1))
    , m_capacity(other.m_length + 1)
    , m_length(other.m_length)
    , m_step(kDefaultStep)
{
    std::memcpy(m_text, other.m_text, size_t(m_length) + 1);
}

StringBuffer::StringBuffer(StringBuffer&& other) noexcept
    : TorvaneObject(other)
    , m_marker(kAliveMarker)
    , m_tag(other.m_tag)
    , m_text(other.m_text)
    , m_capacity(other.m_capacity)
    , m_length(other.m_length)
    , m_step(other.m_step)
{
    // The source keeps a valid empty array so that it can still be used or destroyed.
    other.m_text = AllocateText(4);
    other.m_capacity = 4;
    other.m_length = 0;
}

StringBuffer& StringBuffer::operator=(const StringBuffer& other)
{
    if (this != &other) {
        SetBuffer(other);
        m_tag = other.m_tag;
    }
    return *this;
}

StringBuffer::~StringBuffer()
{
    m_marker = 0;
    std::free(m_text);
    m_text = reinterpret_cast<char*>(uintptr_t(0xDDDDDDDD));
    m_capacity = int(0xDDDDDDDD);
    m_length = int(0xDDDDDDDD);
    m_step = int(0xDDDDDDDD);
}

StringBuffer StringBuffer::ConstructWithCapacity(int n)
{
    int capacity = n <= 0 ? kDefaultStep : n;
    return StringBuffer(RawInit {}, capacity, capacity, TagUnknown);
}

StringBuffer StringBuffer::ConstructFromBytes(const void* bytes, int n, int step)
{
    int count = (bytes && n > 0) ? n : 0;
    StringBuffer result(RawInit {}, count + 1, step == 0 ? kDefaultStep : step, TagUnknown);
    if (count > 0) {
        std::memcpy(result.m_text, bytes, size_t(count));
        result.SetLengthTerminated(count);
    }
    return result;
}

StringBuffer StringBuffer::ConstructFromBstr(const WCHAR* text, int charCount)
{
    if (!text || charCount <= 0)
        return StringBuffer(RawInit {}, 4, kDefaultStep, TagAnsi);
    DataBuffer converted;
    EncodingConvert converter;
    converter.ConvertToAnsi(1200, reinterpret_cast<const unsigned char*>(text), unsigned(charCount) * 2, converted);
    int n = int(converted.GetSize());
    StringBuffer result(RawInit {}, n + 5, kDefaultStep, TagAnsi);
    if (n > 0) {
        std::memcpy(result.m_text, converted.GetData(), size_t(n));
        result.SetLengthTerminated(n);
    }
    return result;
}

void StringBuffer::SetLengthTerminated(int length)
{
    m_length = length;
    m_text[length] = 0;
}

bool StringBuffer::Reallocate(long long newCapacity)
{
    // A size past the signed 32-bit range would corrupt the counts: refuse and leave the text.
    if (newCapacity > INT_MAX || newCapacity <= m_length)
        return false;
    char* text = AllocateText(newCapacity);
    if (!text)
        return false;
    std::memcpy(text, m_text, size_t(m_length) + 1);
    std::free(m_text);
    m_text = text;
    m_capacity = int(newCapacity);
    return true;
}

void StringBuffer::AdjustStepAfterGrowth()
{
    if (m_step >= kStepCeiling)
        return;
    int half = m_capacity / 2;
    m_step = half > kStepCeiling ? kStepCeiling : half;
    if (m_step < 1)
        m_step = 1;
}

bool StringBuffer::GrowForAppend(long long newCapacity)
{
    if (!Reallocate(newCapacity))
        return false;
    AdjustStepAfterGrowth();
    return true;
}

char StringBuffer::CharAt(int index) const
{
    if (index < 0 || index >= m_length)
        return 0;
    return m_text[index];
}

char StringBuffer::LastChar() const { return m_length > 0 ? m_text[m_length - 1] : 0; }

void StringBuffer::SetEncodingTag(int tag) { m_tag = (tag >= 0 && tag <= 2) ? BYTE(tag) : BYTE(TagUnknown); }

int StringBuffer::IntValue() const
{
    const char* p = m_text;
    while (AsciiIsSpace(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    if (!AsciiIsDigit(*p))
        return 0;
    std::uint32_t value = 0;
    while (AsciiIsDigit(*p)) {
        value = value * 10 + std::uint32_t(*p - '0');
        ++p;
    }
    return int(negative ? 0u - value : value);
}

bool StringBuffer::Is7Bit() const
{
    for (int i = 0; i < m_length; ++i) {
        if (static_cast<unsigned char>(m_text[i]) >= 0x80)
            return false;
    }
    return true;
}

void StringBuffer::Append(const char* text)
{
    if (!text || !*text)
        return;
    // The source may lie inside this buffer, which a reallocation would free.
    std::string copy;
    if (text >= m_text && text < m_text + m_capacity) {
        copy.assign(text);
        text = copy.c_str();
    }
    long long n = (long long)std::strlen(text);
    if (m_length + n >= m_capacity && !GrowForAppend(m_length + (long long)m_step + n + 1))
        return;
    std::memcpy(m_text + m_length, text, size_t(n));
    SetLengthTerminated(m_length + int(n));
}

int StringBuffer::AppendChar(char c)
{
    if (m_length + 1 >= m_capacity && !GrowForAppend((long long)m_length + m_step + 1))
        return m_length;
    m_text[m_length] = c;
    SetLengthTerminated(m_length + 1);
    return m_length;
}

int StringBuffer::AppendBytes(const void* bytes, int n)
{
    if (!bytes || n < 1)
        return m_length;
    std::string copy;
    const char* source = static_cast<const char*>(bytes);
    if (source >= m_text && source < m_text + m_capacity) {
        copy.assign(source, size_t(n));
        source = copy.data();
    }
    if ((long long)m_length + n >= m_capacity && !GrowForAppend((long long)m_length + n + m_step))
        return m_length;
    std::memcpy(m_text + m_length, source, size_t(n));
    SetLengthTerminated(m_length + n);
    return m_length;
}

void StringBuffer::AppendCharRepeated(char c, int n)
{
    for (int i = 0; i < n; ++i)
        AppendChar(c);
}

void StringBuffer::AppendBuffer(const StringBuffer& other) { AppendBytes(other.m_text, other.m_length); }

void StringBuffer::AppendData(const DataBuffer& data)
{
    if (data.GetSize() > unsigned(INT_MAX))
        return;
    AppendBytes(data.GetData(), int(data.GetSize()));
}

void StringBuffer::AppendInt(int value)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", value);
    Append(digits);
}

void StringBuffer::AppendBstr(const WCHAR* text, int charCount)
{
    if (!text || charCount <= 0)
        return;
    StringBuffer converted = ConstructFromBstr(text, charCount);
    AppendBuffer(converted);
}

void StringBuffer::AppendHexDump(const void* bytes, int n)
{
    if (!bytes)
        return;
    const auto* data = static_cast<const unsigned char*>(bytes);
    for (int i = 0; i < n; ++i) {
        AppendChar(kUpperHexDigits[data[i] >> 4]);
        AppendChar(kUpperHexDigits[data[i] & 0x0F]);
        if ((i + 1) % 2 == 0)
            AppendChar(' ');
        if ((i + 1) % 16 == 0)
            AppendChar('\n');
    }
}

void StringBuffer::AppendSystemErrorText(DWORD code)
{
    std::string text = SystemErrorText(code);
    if (text.empty())
        return;
    Append(text.c_str());
    Trim();
}

void StringBuffer::AppendLastErrorText() { AppendSystemErrorText(GetLastError()); }

void StringBuffer::Prepend(const char* text)
{
    if (!text || !*text)
        return;
    std::string copy(text);
    int n = int(copy.size());
    if ((long long)m_length + n >= m_capacity && !Reallocate((long long)m_length + m_step + n + 1))
        return;
    std::memmove(m_text + n, m_text, size_t(m_length) + 1);
    std::memcpy(m_text, copy.data(), size_t(n));
    m_length += n;
}

bool StringBuffer::EnsureRoomFor(int n)
{
    if (n <= 0 || (long long)m_length + n < m_capacity)
        return true;
    return Reallocate((long long)m_length + m_step + n + 1) || Reallocate((long long)m_length + n + 1);
}

void StringBuffer::SetAllocationLimitForTesting(long long bytes) { g_allocationLimit.store(bytes); }

void StringBuffer::ShrinkToFit()
{
    if (m_capacity <= m_length + 4)
        return;
    char* text = AllocateText((long long)m_length + 1);
    if (!text)
        return;
    std::memcpy(text, m_text, size_t(m_length) + 1);
    std::free(m_text);
    m_text = text;
    m_capacity = m_length + 1;
}

char* StringBuffer::DetachText(int* lengthOut)
{
    char* text = m_text;
    if (lengthOut)
        *lengthOut = m_length;
    m_capacity = m_step < 1 ? 1 : m_step;
    m_text = AllocateText(m_capacity);
    m_length = 0;
    return text;
}

void StringBuffer::TakeOverData(DataBuffer& data)
{
    if (data.GetSize() < 2 || data.GetSize() > unsigned(INT_MAX) - 1) {
        Clear();
        return;
    }
    // The adopted array must end in NUL, and memory the buffer only borrows cannot be adopted.
    if (data.GetData()[data.GetSize() - 1] != 0 || data.IsBorrowed()) {
        if (data.GetData()[data.GetSize() - 1] != 0)
            data.AppendByte(0);
        else
            data.EnsureCapacity(data.GetSize() + 1); // reallocation leaves the memory owned
        if (data.IsBorrowed()) {
            Clear();
            AppendBytes(data.GetData(), int(data.GetSize() - 1));
            return;
        }
    }
    std::free(m_text);
    m_text = reinterpret_cast<char*>(data.GetData());
    m_capacity = int(data.GetCapacity());
    m_length = int(data.GetSize()) - 1;
    m_step = 1024;
    data.Forget();
}

void StringBuffer::Clear() { SetLengthTerminated(0); }

void StringBuffer::SetText(const char* text)
{
    std::string copy = text ? text : "";
    Clear();
    Append(copy.c_str());
}

void StringBuffer::SetBuffer(const StringBuffer& other)
{
    if (this == &other)
        return;
    Clear();
    AppendBytes(other.m_text, other.m_length);
}

void StringBuffer::Trim()
{
    int start = 0;
    while (start < m_length && IsTrimByte(m_text[start]))
        ++start;
    int end = m_length;
    while (end > start && IsTrimByte(m_text[end - 1]))
        --end;
    if (start > 0)
        std::memmove(m_text, m_text + start, size_t(end - start));
    SetLengthTerminated(end - start);
}

void StringBuffer::TrimSpacesTabs()
{
    int start = 0;
    while (start < m_length && (m_text[start] == ' ' || m_text[start] == '\t'))
        ++start;
    int end = m_length;
    while (end > start && (m_text[end - 1] == ' ' || m_text[end - 1] == '\t'))
        --end;
    if (start > 0)
        std::memmove(m_text, m_text + start, size_t(end - start));
    SetLengthTerminated(end - start);
}

int StringBuffer::TruncateAtChar(char c)
{
    if (const void* found = std::memchr(m_text, c, size_t(m_length)))
        SetLengthTerminated(int(static_cast<const char*>(found) - m_text));
    return m_length;
}

void StringBuffer::TruncateAtLastChar(char c, bool dropIt)
{
    for (int i = m_length - 1; i >= 0; --i) {
        if (m_text[i] == c) {
            SetLengthTerminated(dropIt ? i : i + 1);
            return;
        }
    }
}

void StringBuffer::RemoveBeforeChar(char c, bool dropIt)
{
    const void* found = std::memchr(m_text, c, size_t(m_length));
    if (!found)
        return;
    int cut = int(static_cast<const char*>(found) - m_text) + (dropIt ? 1 : 0);
    std::memmove(m_text, m_text + cut, size_t(m_length - cut));
    SetLengthTerminated(m_length - cut);
}

void StringBuffer::RemoveChar(char c) { RemoveCharFrom(c, 0); }

void StringBuffer::RemoveCharFrom(char c, int start)
{
    if (start < 0)
        start = 0;
    if (start >= m_length)
        return;
    int write = start;
    for (int read = start; read < m_length; ++read) {
        if (m_text[read] != c)
            m_text[write++] = m_text[read];
    }
    SetLengthTerminated(write);
}

void StringBuffer::RemoveRange(int start, int n)
{
    if (start < 0 || n <= 0 || start >= m_length || (long long)start + n > m_length)
        return;
    std::memmove(m_text + start, m_text + start + n, size_t(m_length - start - n));
    SetLengthTerminated(m_length - n);
}

void StringBuffer::ShortenBy(int n)
{
    if (n <= 0)
        return;
    SetLengthTerminated(n >= m_length ? 0 : m_length - n);
}

void StringBuffer::ReplaceChar(char from, char to)
{
    for (int i = 0; i < m_length; ++i) {
        if (m_text[i] == from)
            m_text[i] = to;
    }
}

void StringBuffer::ReplaceAnyOfFive(const char* set, char to)
{
    if (!set)
        return;
    // A shorter set is read only up to its terminator, never past it.
    size_t count = strnlen(set, 5);
    for (int i = 0; i < m_length; ++i) {
        if (std::memchr(set, m_text[i], count))
            m_text[i] = to;
    }
}

void StringBuffer::CollapseWhitespace()
{
    int write = 0;
    for (int read = 0; read < m_length; ++read) {
        char c = m_text[read];
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
        if (c == ' ' && write > 0 && m_text[write - 1] == ' ')
            continue;
        m_text[write++] = c;
    }
    SetLengthTerminated(write);
}

void StringBuffer::ToLower()
{
    for (int i = 0; i < m_length && m_text[i]; ++i) {
        auto b = static_cast<unsigned char>(m_text[i]);
        if (b < 0x80)
            m_text[i] = AsciiToLower(char(b));
        else if (b >= 0xC0 && b <= 0xDF)
            m_text[i] = char(b + 0x20);
    }
}

void StringBuffer::ToUpper()
{
    for (int i = 0; i < m_length && m_text[i]; ++i) {
        auto b = static_cast<unsigned char>(m_text[i]);
        if (b < 0x80)
            m_text[i] = AsciiToUpper(char(b));
        else if (b >= 0xE0)
            m_text[i] = char(b - 0x20);
    }
}

void StringBuffer::ToCrlf()
{
    RemoveChar('\r');
    int lineFeeds = CountChar('\n');
    if (lineFeeds == 0)
        return;
    if (!EnsureRoomFor(lineFeeds))
        return;
    int read = m_length - 1;
    int write = m_length + lineFeeds - 1;
    SetLengthTerminated(m_length + lineFeeds);
    for (; read >= 0; --read) {
        m_text[write--] = m_text[read];
        if (m_text[read] == '\n')
            m_text[write--] = '\r';
    }
}

void StringBuffer::CrlfToLf()
{
    int write = 0;
    for (int read = 0; read < m_length; ++read) {
        if (m_text[read] == '\r' && read + 1 < m_length && m_text[read + 1] == '\n')
            continue;
        m_text[write++] = m_text[read];
    }
    SetLengthTerminated(write);
}

bool StringBuffer::ReplaceFirst(const char* find, const char* replacement)
{
    if (!find || !*find)
        return false;
    const char* found = std::strstr(m_text, find);
    if (!found)
        return false;
    if (!replacement)
        return true;
    std::string result(m_text, size_t(found - m_text));
    result += replacement;
    result.append(found + std::strlen(find), size_t(m_text + m_length - (found + std::strlen(find))));
    Clear();
    AppendBytes(result.data(), int(result.size()));
    return true;
}

int StringBuffer::ReplaceAll(const char* find, const char* replacement)
{
    if (!find || !*find)
        return 0;
    // Built in a fresh array of one growth step, growing like Append.
    StringBuffer rebuilt(RawInit {}, m_step, m_step, m_tag);
    size_t findLength = std::strlen(find);
    int count = 0;
    const char* position = m_text;
    while (const char* found = std::strstr(position, find)) {
        rebuilt.AppendCountedText(position, int(found - position));
        if (replacement)
            rebuilt.Append(replacement);
        position = found + findLength;
        ++count;
    }
    if (count == 0)
        return 0;
    rebuilt.AppendCountedText(position, int(std::strlen(position)));
    std::swap(m_text, rebuilt.m_text);
    std::swap(m_capacity, rebuilt.m_capacity);
    std::swap(m_length, rebuilt.m_length);
    std::swap(m_step, rebuilt.m_step);
    return count;
}

void StringBuffer::AppendCountedText(const char* text, int n)
{
    if (n <= 0)
        return;
    if ((long long)m_length + n >= m_capacity && !GrowForAppend((long long)m_length + m_step + n + 1))
        return;
    std::memcpy(m_text + m_length, text, size_t(n));
    SetLengthTerminated(m_length + n);
}

void StringBuffer::EscapeEntities()
{
    ReplaceAll("&", "&amp;");
    ReplaceAll("<", "&lt;");
    ReplaceAll(">", "&gt;");
    ReplaceAll("\"", "&quot;");
}

void StringBuffer::KeepFileName()
{
    int limit = m_length < 260 ? m_length : 260;
    int lastSeparator = -1;
    for (int i = 0; i < limit; ++i) {
        if (m_text[i] == '/' || m_text[i] == '\\')
            lastSeparator = i;
    }
    if (lastSeparator < 0)
        return;
    int keep = m_length - lastSeparator - 1;
    std::memmove(m_text, m_text + lastSeparator + 1, size_t(keep));
    SetLengthTerminated(keep);
}

int StringBuffer::Compare(const char* text) const
{
    int result = std::strcmp(m_text, text ? text : "");
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

bool StringBuffer::Equals(const char* text) const { return std::strcmp(m_text, text ? text : "") == 0; }

bool StringBuffer::EqualsNoCase(const char* text) const { return _stricmp(m_text, text ? text : "") == 0; }

bool StringBuffer::EqualsBuffer(const StringBuffer& other) const
{
    return m_length == other.m_length && std::strcmp(m_text, other.m_text) == 0;
}

bool StringBuffer::EqualsBufferNoCase(const StringBuffer& other) const
{
    return m_length == other.m_length && _stricmp(m_text, other.m_text) == 0;
}

bool StringBuffer::BeginsWith(const char* text) const
{
    if (!text)
        return false;
    return std::strncmp(m_text, text, std::strlen(text)) == 0;
}

bool StringBuffer::EndsWith(const char* text) const
{
    if (!text)
        return false;
    size_t n = std::strlen(text);
    if (n > size_t(m_length))
        return false;
    return std::memcmp(m_text + m_length - n, text, n) == 0;
}

bool StringBuffer::Contains(const char* text) const { return text && std::strstr(m_text, text) != nullptr; }

bool StringBuffer::ContainsNoCase(const char* text) const
{
    return text && FindSubstringNoCase(m_text, text) != nullptr;
}

bool StringBuffer::ContainsChar(char c) const { return std::memchr(m_text, c, size_t(m_length)) != nullptr; }

int StringBuffer::CountChar(char c) const
{
    int count = 0;
    for (int i = 0; i < m_length; ++i) {
        if (m_text[i] == c)
            ++count;
    }
    return count;
}

bool StringBuffer::MatchesWildcard(const char* pattern, bool caseSensitive) const
{
    if (!pattern)
        return false;
    return WildcardMatch(m_text, pattern, caseSensitive);
}

bool StringBuffer::GetParamValue(const char* name, StringBuffer& out) const
{
    out.Clear();
    if (!name)
        return false;
    StringBuffer key(name);
    key.Trim();
    key.AppendChar('=');
    const char* found = std::strstr(m_text, key.GetText());
    if (!found)
        return false;
    const char* value = found + key.GetLength();
    const char* end = std::strchr(value, ';');
    out.AppendBytes(value, int(end ? end - value : std::strlen(value)));
    return true;
}

void StringBuffer::SplitOnChar(char separator, ExtPtrArray& out, bool quotes, bool escapes) const
{
    if (m_length == 0)
        return;
    auto* piece = new StringBuffer();
    bool quoted = false;
    for (int i = 0; i < m_length; ++i) {
        char c = m_text[i];
        if (escapes && c == '\\') {
            piece->AppendChar(c);
            if (i + 1 < m_length)
                piece->AppendChar(m_text[++i]);
            continue;
        }
        if (quotes && c == '"') {
            piece->AppendChar(c);
            quoted = !quoted;
            continue;
        }
        if (!quoted && c == separator) {
            piece->ShrinkToFit();
            out.Append(piece);
            piece = new StringBuffer();
            continue;
        }
        piece->AppendChar(c);
    }
    piece->ShrinkToFit();
    out.Append(piece);
}

void StringBuffer::SplitOnString(const char* separator, ExtPtrArray& out, int maximum) const
{
    if (m_length == 0 || !separator)
        return;
    std::string text(m_text, size_t(m_length));
    size_t separatorLength = std::strlen(separator);
    if (separatorLength == 0) {
        // No separator to split on: the whole text is the one piece.
        out.Append(new StringBuffer(text.c_str()));
        return;
    }
    size_t position = 0;
    int count = 0;
    while (position < text.size()) {
        if (text.compare(position, separatorLength, separator) == 0) {
            position += separatorLength;
            continue;
        }
        size_t next = text.find(separator, position);
        size_t end = next == std::string::npos ? text.size() : next;
        std::string run = text.substr(position, end - position);
        if (!run.empty())
            out.Append(new StringBuffer(run.c_str()));
        position = next == std::string::npos ? text.size() : next + separatorLength;
        ++count;
        if (maximum > 0 && count >= maximum)
            break;
    }
}

void StringBuffer::SplitNameValue(StringBuffer& name, StringBuffer& value) const
{
    name.Clear();
    value.Clear();
    const char* p = m_text;
    while (IsTrimByte(*p))
        ++p;
    if (!*p)
        return;
    const char* equals = std::strchr(p, '=');
    name.AppendBytes(p, int(equals ? equals - p : std::strlen(p)));
    name.Trim();
    if (!equals)
        return;
    p = equals + 1;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p == '"')
        ++p;
    value.Append(p);
    value.Trim();
    if (value.LastChar() == '"')
        value.ShortenBy(1);
}

void StringBuffer::ReplaceContent(const DataBuffer& bytes)
{
    Clear();
    AppendData(bytes);
}

bool StringBuffer::Utf8ToAnsi() { return ConvertCodePage(65001, int(GetACP())); }

bool StringBuffer::CodePageToAnsi(int codePage) { return ConvertCodePage(codePage, int(GetACP())); }

bool StringBuffer::AnsiToCodePage(int codePage) { return ConvertCodePage(int(GetACP()), codePage); }

bool StringBuffer::ConvertCodePage(int fromCodePage, int toCodePage)
{
    if (m_length == 0)
        return true;
    DataBuffer converted;
    EncodingConvert converter;
    bool ok = converter.Convert(fromCodePage, toCodePage, reinterpret_cast<const unsigned char*>(m_text),
        unsigned(m_length), converted);
    ReplaceContent(converted);
    return ok;
}

bool StringBuffer::AnsiToUtf8()
{
    DataBuffer converted;
    converted.EnsureCapacity(unsigned(m_length) + 32);
    EncodingConvert converter;
    bool ok = converter.ConvertFromAnsi(65001, reinterpret_cast<const unsigned char*>(m_text), unsigned(m_length),
        converted);
    if (converted.GetSize() == 0) {
        Clear();
        return ok;
    }
    converted.AppendByte(0);
    TakeOverData(converted);
    return ok;
}

namespace {

void LogFileFailure(LogBase* log, const char* pathAnsi, const char* message, bool withSystemText)
{
    if (!log)
        return;
    if (withSystemText) {
        StringBuffer systemText;
        systemText.AppendLastErrorText();
        log->LogError(systemText.GetText());
    }
    log->LogData("filename", pathAnsi);
    log->LogError(message);
}

// Reads up to n bytes; the count read, or -1 when the read fails.
long long ReadUpTo(HANDLE file, void* buffer, std::uint64_t n)
{
    DWORD got = 0;
    if (!ReadFile(file, buffer, DWORD(n), &got, nullptr))
        return -1;
    return (long long)got;
}

} // namespace

bool StringBuffer::LoadFile(const XString& path, LogBase* log)
{
    HANDLE file = FileSys::OpenFileForRead(path, log);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const XString& pathText = path;
    std::int64_t size64 = FileSys::GetHandleSize64(file, nullptr);
    if (size64 < 0) {
        LogFileFailure(log, pathText.GetAnsi(), "Failed to get file size when loading string from file", true);
        CloseHandleIfValid(file);
        return false;
    }
    std::uint64_t size = std::uint64_t(size64);
    if (size == 0) {
        CloseHandleIfValid(file);
        return true;
    }
    if (size + std::uint64_t(m_length) + 5 > std::uint64_t(INT_MAX)) {
        if (log)
            log->LogError("File too large to hold in memory");
        CloseHandleIfValid(file);
        return false;
    }
    int fileSize = int(size);
    if (!EnsureRoomFor(fileSize + 4)) {
        if (log)
            log->LogError("File too large to hold in memory");
        CloseHandleIfValid(file);
        return false;
    }
    long long got = ReadUpTo(file, m_text + m_length, size);
    CloseHandleIfValid(file);
    if (got < 0) {
        m_text[m_length] = 0;
        LogFileFailure(log, pathText.GetAnsi(), "Failed to read data from file", true);
        return false;
    }
    if (got != (long long)size) {
        m_text[m_length] = 0;
        if (log) {
            log->LogDataInt("filesize", fileSize);
            log->LogDataInt("bytes_received", int(got));
        }
        LogFileFailure(log, pathText.GetAnsi(), "Failed to read the entire file", false);
        return false;
    }
    SetLengthTerminated(m_length + fileSize);

    const auto* bytes = reinterpret_cast<const unsigned char*>(m_text);
    if (m_length >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
        int fromCodePage = bytes[0] == 0xFF ? 1200 : 1201;
        DataBuffer converted;
        EncodingConvert converter;
        converter.Convert(fromCodePage, 65001, bytes, unsigned(m_length), converted);
        ReplaceContent(converted);
    } else if (m_length > 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        DataBuffer rest;
        rest.Append(bytes + 3, unsigned(m_length - 3));
        ReplaceContent(rest);
    }
    return true;
}

StringBuffer* StringBuffer::CreateFromFile(const XString& path, LogBase* log)
{
    const XString& pathText = path;
    std::string text(pathText.GetUtf8());
    if (text.size() > 999)
        text.resize(999);
    if (text.size() >= 8 && _strnicmp(text.c_str(), "file:///", 8) == 0)
        text.erase(0, 8);
    for (char& c : text) {
        if (c == '|')
            c = ':';
    }

    bool sized = false;
    std::int64_t size = FileSys::GetFileSize64Utf8(text.c_str(), log, &sized);
    if (!sized)
        return nullptr;
    if (std::uint64_t(size) + 200 > std::uint64_t(INT_MAX)) {
        if (log)
            log->LogError("File too large to hold in memory");
        return nullptr;
    }
    XString localPath;
    localPath.SetFromUtf8(text.c_str());
    auto* buffer = new StringBuffer(ConstructWithCapacity(int(size) + 200));
    if (!buffer->LoadFile(localPath, log)) {
        delete buffer;
        return nullptr;
    }
    return buffer;
}

const char* StringBuffer::IntToStaticText(int value)
{
    // One array per thread: a number handed to the log by one thread is never overwritten by another.
    thread_local char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return text;
}

} // namespace torvane
