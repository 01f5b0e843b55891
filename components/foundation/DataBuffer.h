#pragma once
// The component library's growable byte array: no terminator of its own, memory owned or borrowed,
// and handed between buffers without copying. Small appends reserve 20,000 bytes of slack; large
// ones reallocate to exactly what they need.

#include "platform/base/Types.h"

class LogBase;
namespace torvane {
class StringBuffer;
}

class DataBuffer {
public:
    DataBuffer();
    DataBuffer(const DataBuffer&) = delete;
    // Moves the memory; the source is left empty without memory.
    DataBuffer(DataBuffer&& other) noexcept;
    DataBuffer& operator=(const DataBuffer&) = delete;
    virtual ~DataBuffer();

    // n zero bytes allocated, size 0.
    static DataBuffer* ConstructWithCapacity(unsigned n);
    void InitWithCapacity(unsigned n);
    // Takes ownership of a block allocated with std::malloc.
    void ConstructAdopting(void* block, unsigned n) { TakeMemory(block, n); }

    void TakeMemory(void* block, unsigned n);
    // Refers to the caller's bytes, which the caller keeps alive and frees.
    void Borrow(const void* bytes, unsigned n);
    void TakeOver(DataBuffer& other);
    void TakeOverOrEmpty(DataBuffer* other);
    // Drops the pointer without freeing: another object took the memory over.
    void Forget();
    void Release();
    void CopyFrom(const DataBuffer& other);

    unsigned char* GetData() { return m_data; }
    const unsigned char* GetData() const { return m_data; }
    unsigned GetSize() const { return m_size; }
    unsigned GetCapacity() const { return m_capacity; }
    bool IsBorrowed() const { return m_borrowed; }
    bool IsValid() const { return m_marker == 0xDB; }
    unsigned char* PointerAt(unsigned index);
    unsigned char* GetDataOrAllocate();

    void SetSize(unsigned n);
    void Empty() { m_size = 0; }
    unsigned ShortenBy(unsigned n);
    void RemoveFront(unsigned n);
    // Reallocates to exactly n when the capacity is below n; false when memory is not available.
    bool EnsureCapacity(unsigned n);

    bool Append(const void* bytes, unsigned n);
    unsigned AppendByte(unsigned char byte);
    bool AppendExact(const void* bytes, unsigned n);
    bool AppendString(const torvane::StringBuffer& text);
    bool AppendBuffer(const DataBuffer& other);
    // The text and its two-byte terminator; a null pointer appends the terminator only.
    bool AppendWideString(const WCHAR* text);

    bool Equals(const DataBuffer& other) const;
    bool ContainsByte(unsigned char byte) const;
    const unsigned char* FindBytes(const void* pattern, unsigned n) const;
    bool Is7Bit() const;
    void ReplaceUnit16(WORD from, WORD to);
    void ReverseByteOrder32();
    void AppendPadding(int scheme, int blockSize);
    void RemovePadding(int scheme);

    void AppendHexTo(torvane::StringBuffer& out) const;
    void Utf16ToUtf8(torvane::StringBuffer& out) const;
    void GetUtf16AsUtf8(torvane::StringBuffer& out) const { Utf16ToUtf8(out); }
    // Renders the bytes in a named encoding ("base64", "qp", "hex", "url" and their aliases);
    // an unknown name empties out.
    void EncodeTo(const char* encodingName, torvane::StringBuffer& out) const;

    // Replaces the contents with a whole file named by UTF-8 text.
    bool LoadFile(const char* utf8Path, LogBase* log);
    // The same for a path in the ANSI code page; failures also log the current directory.
    bool ReadWholeFile(const char* ansiPath, LogBase* log);
    bool LoadFileWithHeader(const char* ansiPath, DataBuffer& header, int maximumHeader, LogBase* log);

private:
    bool Reallocate(unsigned long long newCapacity);
    bool LoadWholeFile(const char* utf8Path, const char* pathForLog, LogBase* log);

    BYTE m_marker;
    bool m_borrowed;
    unsigned char* m_data;
    unsigned m_size;
    unsigned m_capacity;
};
