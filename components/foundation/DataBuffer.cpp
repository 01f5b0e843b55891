#include "components/foundation/DataBuffer.h"

#include "components/foundation/Base64.h"
#include "components/foundation/EncodingConvert.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/QuotedPrintable.h"
#include "components/foundation/FileSys.h"
#include "components/foundation/HexDigits.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/UrlHelpers.h"
#include "components/foundation/XString.h"
#include "platform/base/CodePage.h"
#include "platform/base/File.h"
#include "platform/base/Random.h"
#include "platform/base/LastError.h"
#include "platform/base/TextCase.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr BYTE kAliveMarker = 0xDB;
constexpr unsigned kAppendSlack = 20000;

} // namespace

DataBuffer::DataBuffer()
    : m_marker(kAliveMarker)
    , m_borrowed(false)
    , m_data(nullptr)
    , m_size(0)
    , m_capacity(0)
{
}

DataBuffer::DataBuffer(DataBuffer&& other) noexcept
    : DataBuffer()
{
    TakeOver(other);
}

DataBuffer::~DataBuffer()
{
    m_marker = 0;
    Release();
}

DataBuffer* DataBuffer::ConstructWithCapacity(unsigned n)
{
    auto* buffer = new DataBuffer();
    buffer->InitWithCapacity(n);
    return buffer;
}

void DataBuffer::InitWithCapacity(unsigned n)
{
    Release();
    if (n == 0)
        return;
    m_data = static_cast<unsigned char*>(std::calloc(n, 1));
    if (m_data)
        m_capacity = n;
}

void DataBuffer::TakeMemory(void* block, unsigned n)
{
    Release();
    m_data = static_cast<unsigned char*>(block);
    m_size = m_capacity = block ? n : 0;
    m_borrowed = false;
}

void DataBuffer::Borrow(const void* bytes, unsigned n)
{
    Release();
    m_data = static_cast<unsigned char*>(const_cast<void*>(bytes));
    m_size = m_capacity = bytes ? n : 0;
    m_borrowed = bytes != nullptr;
}

void DataBuffer::TakeOver(DataBuffer& other)
{
    if (&other == this)
        return;
    Release();
    m_data = other.m_data;
    m_size = other.m_size;
    m_capacity = other.m_capacity;
    m_borrowed = other.m_borrowed;
    other.m_data = nullptr;
    other.m_size = other.m_capacity = 0;
    other.m_borrowed = false;
}

void DataBuffer::TakeOverOrEmpty(DataBuffer* other)
{
    if (other)
        TakeOver(*other);
    else
        m_size = 0;
}

void DataBuffer::Forget()
{
    m_data = nullptr;
    m_size = m_capacity = 0;
    m_borrowed = false;
}

void DataBuffer::Release()
{
    if (m_data && !m_borrowed)
        std::free(m_data);
    m_data = nullptr;
    m_size = m_capacity = 0;
    m_borrowed = false;
}

void DataBuffer::CopyFrom(const DataBuffer& other)
{
    if (&other == this)
        return;
    Release();
    if (!other.m_data || other.m_capacity == 0)
        return;
    m_data = static_cast<unsigned char*>(std::malloc(other.m_capacity));
    if (!m_data)
        return;
    m_capacity = other.m_capacity;
    m_size = other.m_size;
    std::memcpy(m_data, other.m_data, m_size);
}

unsigned char* DataBuffer::PointerAt(unsigned index)
{
    if (!m_data || index >= m_size)
        return nullptr;
    return m_data + index;
}

unsigned char* DataBuffer::GetDataOrAllocate()
{
    if (!m_data) {
        m_data = static_cast<unsigned char*>(std::calloc(4, 1));
        m_capacity = m_data ? 4 : 0;
        m_size = 0;
        m_borrowed = false;
    }
    return m_data;
}

void DataBuffer::SetSize(unsigned n) { m_size = n > m_capacity ? m_capacity : n; }

unsigned DataBuffer::ShortenBy(unsigned n)
{
    m_size = n >= m_size ? 0 : m_size - n;
    return m_size;
}

void DataBuffer::RemoveFront(unsigned n)
{
    if (n >= m_size) {
        m_size = 0;
        return;
    }
    std::memmove(m_data, m_data + n, m_size - n);
    m_size -= n;
}

bool DataBuffer::Reallocate(unsigned long long newCapacity)
{
    // Sizes are 32-bit: a request past that range fails and leaves the contents as they were.
    if (newCapacity > UINT_MAX)
        return false;
    auto* data = static_cast<unsigned char*>(std::malloc(newCapacity ? size_t(newCapacity) : 1));
    if (!data)
        return false;
    if (m_data && m_size)
        std::memcpy(data, m_data, m_size);
    if (m_data && !m_borrowed)
        std::free(m_data);
    m_data = data;
    m_capacity = unsigned(newCapacity);
    m_borrowed = false;
    return true;
}

bool DataBuffer::EnsureCapacity(unsigned n)
{
    if (m_capacity >= n && m_data)
        return true;
    return Reallocate(n);
}

bool DataBuffer::Append(const void* bytes, unsigned n)
{
    if (!bytes || n == 0)
        return true;
    unsigned long long needed = (unsigned long long)m_size + n;
    if (m_capacity < needed || !m_data) {
        // The source may lie inside this buffer: keep it alive across the reallocation.
        std::string copy;
        const auto* source = static_cast<const unsigned char*>(bytes);
        if (m_data && source >= m_data && source < m_data + m_capacity) {
            copy.assign(reinterpret_cast<const char*>(source), n);
            bytes = copy.data();
        }
        if (!Reallocate((unsigned long long)m_size + (n > kAppendSlack ? n : kAppendSlack)))
            return false;
        std::memcpy(m_data + m_size, bytes, n);
        m_size += n;
        return true;
    }
    std::memmove(m_data + m_size, bytes, n);
    m_size += n;
    return true;
}

unsigned DataBuffer::AppendByte(unsigned char byte)
{
    unsigned before = m_size;
    if ((m_capacity < (unsigned long long)m_size + 1 || !m_data)
        && !Reallocate((unsigned long long)m_size + kAppendSlack))
        return before;
    m_data[m_size++] = byte;
    return before;
}

bool DataBuffer::AppendExact(const void* bytes, unsigned n)
{
    if (!bytes || n == 0)
        return true;
    std::string copy;
    const auto* source = static_cast<const unsigned char*>(bytes);
    if (m_data && source >= m_data && source < m_data + m_capacity) {
        copy.assign(reinterpret_cast<const char*>(source), n);
        source = reinterpret_cast<const unsigned char*>(copy.data());
    }
    if (!EnsureCapacity(unsigned(std::min<unsigned long long>((unsigned long long)m_size + n, UINT_MAX)))
        || m_capacity - m_size < n)
        return false;
    std::memcpy(m_data + m_size, source, n);
    m_size += n;
    return true;
}

bool DataBuffer::AppendString(const torvane::StringBuffer& text)
{
    if (text.GetLength() == 0)
        return true;
    return Append(text.GetText(), unsigned(text.GetLength()));
}

bool DataBuffer::AppendBuffer(const DataBuffer& other)
{
    if (other.m_size == 0)
        return true;
    return Append(other.m_data, other.m_size);
}

bool DataBuffer::AppendWideString(const WCHAR* text)
{
    static const unsigned char terminator[2] = { 0, 0 };
    if (text) {
        unsigned units = 0;
        while (text[units])
            ++units;
        for (unsigned i = 0; i < units; ++i) {
            unsigned char unit[2] = { BYTE(text[i] & 0xFF), BYTE(text[i] >> 8) };
            if (!Append(unit, 2))
                return false;
        }
    }
    return Append(terminator, 2);
}

bool DataBuffer::Equals(const DataBuffer& other) const
{
    if (m_size != other.m_size)
        return false;
    return m_size == 0 || std::memcmp(m_data, other.m_data, m_size) == 0;
}

bool DataBuffer::ContainsByte(unsigned char byte) const
{
    return m_size > 0 && std::memchr(m_data, byte, m_size) != nullptr;
}

const unsigned char* DataBuffer::FindBytes(const void* pattern, unsigned n) const
{
    if (!pattern || n == 0 || m_size < n)
        return nullptr;
    const auto* needle = static_cast<const unsigned char*>(pattern);
    for (unsigned i = 0; i + n <= m_size; ++i) {
        if (m_data[i] == needle[0] && std::memcmp(m_data + i, needle, n) == 0)
            return m_data + i;
    }
    return nullptr;
}

bool DataBuffer::Is7Bit() const
{
    for (unsigned i = 0; i < m_size; ++i) {
        if (m_data[i] >= 0x80)
            return false;
    }
    return true;
}

void DataBuffer::ReplaceUnit16(WORD from, WORD to)
{
    if (from == 0 || to == 0 || m_size < 2)
        return;
    for (unsigned i = 0; i + 1 < m_size; i += 2) {
        WORD unit = WORD(m_data[i] | (m_data[i + 1] << 8));
        if (unit == from) {
            m_data[i] = BYTE(to & 0xFF);
            m_data[i + 1] = BYTE(to >> 8);
        }
    }
}

void DataBuffer::ReverseByteOrder32()
{
    unsigned i = 0;
    for (; i + 4 <= m_size; i += 4) {
        std::swap(m_data[i], m_data[i + 3]);
        std::swap(m_data[i + 1], m_data[i + 2]);
    }
    unsigned tail = m_size - i;
    if (tail == 2 || tail == 3)
        std::swap(m_data[i], m_data[i + tail - 1]);
}

void DataBuffer::AppendPadding(int scheme, int blockSize)
{
    unsigned block = blockSize == 8 ? 8 : 16;
    unsigned remainder = m_size % block;
    unsigned n = block - remainder;
    switch (scheme) {
    case 0:
        for (unsigned i = 0; i < n; ++i)
            AppendByte(BYTE(n));
        break;
    case 1:
        for (unsigned i = 0; i + 1 < n; ++i)
            AppendByte(BYTE(RuntimeRand() & 0xFF));
        AppendByte(BYTE(n));
        break;
    case 2:
    case 3:
    case 4:
        if (remainder == 0)
            break;
        for (unsigned i = 0; i < n; ++i) {
            BYTE value = scheme == 2 ? BYTE(RuntimeRand() & 0xFF) : (scheme == 3 ? 0 : 0x20);
            AppendByte(value);
        }
        break;
    default:
        break;
    }
}

void DataBuffer::RemovePadding(int scheme)
{
    if (m_size == 0)
        return;
    unsigned last = m_data[m_size - 1];
    if (scheme == 0) {
        if (last < 1 || last > 16)
            return;
        ShortenBy(last);
        return;
    }
    if (scheme == 1)
        ShortenBy(last);
}

void DataBuffer::AppendHexTo(torvane::StringBuffer& out) const
{
    for (unsigned i = 0; i < m_size; ++i) {
        out.AppendChar(kUpperHexDigits[m_data[i] >> 4]);
        out.AppendChar(kUpperHexDigits[m_data[i] & 0x0F]);
    }
}

void DataBuffer::Utf16ToUtf8(torvane::StringBuffer& out) const
{
    out.Clear();
    if (m_size == 0)
        return;
    DataBuffer converted;
    EncodingConvert converter;
    converter.Convert(1200, 65001, m_data, m_size, converted);
    out.AppendData(converted);
}

void DataBuffer::EncodeTo(const char* encodingName, torvane::StringBuffer& out) const
{
    torvane::StringBuffer name(encodingName);
    name.Trim();
    const char* n = name.GetText();
    if (_stricmp(n, "base64") == 0 || _stricmp(n, "base-64") == 0) {
        std::string text = Base64Encode(m_data, m_size);
        out.AppendBytes(text.data(), int(text.size()));
    } else if (_stricmp(n, "qp") == 0 || _stricmp(n, "quoted-printable") == 0) {
        std::string text = QuotedPrintableEncode(m_data, m_size, kMailLineLength);
        out.AppendBytes(text.data(), int(text.size()));
    } else if (_stricmp(n, "hex") == 0 || _stricmp(n, "hexidecimal") == 0) {
        AppendHexTo(out);
    } else if (_stricmp(n, "url") == 0) {
        UrlEncodeBytes(*this, out);
    } else {
        out.Clear();
    }
}

namespace {

// Reads up to n bytes; the count read, or -1 when the read fails.
long long ReadUpTo(HANDLE file, void* buffer, std::uint64_t n)
{
    DWORD got = 0;
    if (!ReadFile(file, buffer, DWORD(n), &got, nullptr))
        return -1;
    return (long long)got;
}

struct HandleCloser {
    HANDLE handle;
    ~HandleCloser() { CloseHandleIfValid(handle); }
};

} // namespace

bool DataBuffer::LoadWholeFile(const char* utf8Path, const char* pathForLog, LogBase* log)
{
    Release();
    XString path;
    path.SetFromUtf8(utf8Path);
    HANDLE file = FileSys::OpenFileForRead(path, log);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    HandleCloser closer { file };
    std::int64_t size = FileSys::GetHandleSize64(file, nullptr);
    if (size < 0) {
        if (log) {
            torvane::StringBuffer systemText;
            systemText.AppendLastErrorText();
            log->LogError(systemText.GetText());
        }
        return false;
    }
    std::uint64_t fileSize = std::uint64_t(size);
    if (fileSize == 0)
        return true;
    if (fileSize + 4 > UINT_MAX) {
        if (log)
            log->LogError("File too large to hold in memory");
        return false;
    }
    InitWithCapacity(unsigned(fileSize) + 4);
    if (!m_data)
        return false;
    m_size = unsigned(fileSize);
    long long got = ReadUpTo(file, m_data, fileSize);
    if (got < 0 && log) {
        torvane::StringBuffer systemText;
        systemText.AppendLastErrorText();
        log->LogError(systemText.GetText());
        if (pathForLog) {
            XString currentDir;
            FileSys::GetCurrentDir(currentDir);
            log->LogData("filename", pathForLog);
            log->LogData("current_dir", currentDir.GetUtf8());
        }
    }
    if (got != (long long)fileSize) {
        if (log)
            log->LogError("Failed to read the entire file");
        return false;
    }
    return true;
}

bool DataBuffer::LoadFile(const char* utf8Path, LogBase* log) { return LoadWholeFile(utf8Path, nullptr, log); }

bool DataBuffer::ReadWholeFile(const char* ansiPath, LogBase* log)
{
    XString path;
    path.SetFromAnsi(ansiPath);
    return LoadWholeFile(path.GetUtf8(), ansiPath ? ansiPath : "", log);
}

bool DataBuffer::LoadFileWithHeader(const char* ansiPath, DataBuffer& header, int maximumHeader, LogBase* log)
{
    LogNull nullLog;
    LogBase& out = log ? *log : nullLog;
    Release();
    XString path;
    path.SetFromAnsi(ansiPath);
    const char* pathText = ansiPath ? ansiPath : "";

    auto logSystemText = [&out]() {
        torvane::StringBuffer systemText;
        systemText.AppendLastErrorText();
        out.LogError(systemText.GetText());
    };

    HANDLE file = FileSys::OpenFileForRead(path, log);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    HandleCloser closer { file };

    std::int64_t size = FileSys::GetHandleSize64(file, nullptr);
    if (size < 0) {
        logSystemText();
        return false;
    }
    std::uint64_t fileSize = std::uint64_t(size);
    if (fileSize < 4) {
        out.LogError("File is empty or too small");
        return true;
    }
    unsigned char lengthBytes[4];
    if (ReadUpTo(file, lengthBytes, 4) != 4) {
        logSystemText();
        return false;
    }
    std::int32_t headerLength = std::int32_t(std::uint32_t(lengthBytes[0]) | (std::uint32_t(lengthBytes[1]) << 8)
        | (std::uint32_t(lengthBytes[2]) << 16) | (std::uint32_t(lengthBytes[3]) << 24));
    if (headerLength <= 4 || headerLength > maximumHeader) {
        out.LogError("Invalid header size");
        out.LogData("filename", pathText);
        return false;
    }
    unsigned headerBytes = unsigned(headerLength - 4);
    unsigned char* block = static_cast<unsigned char*>(std::malloc(headerBytes));
    if (!block)
        return false;
    long long got = ReadUpTo(file, block, headerBytes);
    if (got < 0) {
        std::free(block);
        logSystemText();
        out.LogData("filename", pathText);
        return false;
    }
    if (got != (long long)headerBytes) {
        std::free(block);
        out.LogError("Failed to read the entire header");
        out.LogData("filename", pathText);
        return false;
    }
    header.Empty();
    header.Append(block, headerBytes);
    std::free(block);

    std::uint64_t bodySize = fileSize > std::uint64_t(headerLength) ? fileSize - std::uint64_t(headerLength) : 0;
    if (bodySize + 4 > UINT_MAX) {
        out.LogError("File too large to hold in memory");
        return false;
    }
    InitWithCapacity(unsigned(bodySize) + 4);
    if (!m_data)
        return false;
    m_size = unsigned(bodySize);
    if (bodySize == 0)
        return true;
    got = ReadUpTo(file, m_data, bodySize);
    if (got < 0) {
        logSystemText();
        out.LogData("filename", pathText);
    }
    if (got != (long long)bodySize) {
        out.LogError("Failed to read the entire file");
        return false;
    }
    return true;
}
