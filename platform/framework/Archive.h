#pragma once
// Archives write the class library's persistent byte forms: little-endian numbers, the string form
// (UTF-16 marked by FF FE FF), the count form, and class and object references that let later
// references to one object or class resolve to the first. Every read is checked: running out of
// bytes throws CArchiveException endOfFile.

#include "platform/framework/File.h"

#include <unordered_map>
#include <vector>

class CArchive {
public:
    enum Mode : UINT { store = 0, load = 1, bNoFlushOnDelete = 2 };

    CArchive(CFile* file, UINT mode, int bufferSize = 4096, void* buffer = nullptr);
    ~CArchive() = default;
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    BOOL IsLoading() const { return (m_nMode & load) != 0; }
    BOOL IsStoring() const { return (m_nMode & load) == 0; }
    CFile* GetFile() const { return m_pFile; }
    void Flush() { }
    void Close() { m_pFile = nullptr; }
    void Abort() { m_pFile = nullptr; }

    // Raw bytes: Read returns how many it got without throwing.
    UINT Read(void* buffer, UINT count);
    void Write(const void* buffer, UINT count);
    // Copies up to count coming bytes without consuming them; returns how many there were.
    UINT Peek(void* buffer, UINT count);

    CArchive& operator<<(BYTE v) { return Put(v); }
    CArchive& operator<<(WORD v) { return Put(v); }
    CArchive& operator<<(DWORD v) { return Put(v); }
    CArchive& operator<<(LONG v) { return Put(v); }
    CArchive& operator<<(short v) { return Put(v); }
    CArchive& operator<<(char v) { return Put(v); }
    CArchive& operator<<(LONGLONG v) { return Put(v); }
    CArchive& operator<<(ULONGLONG v) { return Put(v); }
    CArchive& operator<<(float v) { return Put(v); }
    CArchive& operator<<(double v) { return Put(v); }
    CArchive& operator<<(const CString& text);
    CArchive& operator<<(const CStringA& text);
    CArchive& operator<<(const CObject* object) { WriteObject(object); return *this; }

    CArchive& operator>>(BYTE& v) { return Get(v); }
    CArchive& operator>>(WORD& v) { return Get(v); }
    CArchive& operator>>(DWORD& v) { return Get(v); }
    CArchive& operator>>(LONG& v) { return Get(v); }
    CArchive& operator>>(short& v) { return Get(v); }
    CArchive& operator>>(char& v) { return Get(v); }
    CArchive& operator>>(LONGLONG& v) { return Get(v); }
    CArchive& operator>>(ULONGLONG& v) { return Get(v); }
    CArchive& operator>>(float& v) { return Get(v); }
    CArchive& operator>>(double& v) { return Get(v); }
    CArchive& operator>>(CString& text);
    CArchive& operator>>(CStringA& text);
    CArchive& operator>>(CObject*& object) { object = ReadObject(nullptr); return *this; }

    // Below 0xFFFF one word; otherwise 0xFFFF and 32 bits.
    void WriteCount(DWORD_PTR count);
    DWORD_PTR ReadCount();

    void WriteClass(const CRuntimeClass* runtimeClass);
    // The class read must be the requested one or derived from it (null accepts any class).
    const CRuntimeClass* ReadClass(const CRuntimeClass* requested = nullptr, UINT* schema = nullptr, DWORD* objectTag = nullptr);
    void SerializeClass(const CRuntimeClass* runtimeClass);
    void WriteObject(const CObject* object);
    CObject* ReadObject(const CRuntimeClass* requested);
    // Enters an object written or read by other means under the next index, so that later
    // references to it resolve.
    void MapObject(const CObject* object);

    // The schema of the object being loaded, as read with its class reference.
    UINT GetObjectSchema() const { return m_nObjectSchema; }
    void SetObjectSchema(UINT schema) { m_nObjectSchema = schema; }

    UINT m_nObjectSchema = UINT(-1);

private:
    template <typename T> CArchive& Put(T value)
    {
        Write(&value, sizeof value); // the platform and this host are both little-endian
        return *this;
    }
    template <typename T> CArchive& Get(T& value)
    {
        ReadExact(&value, sizeof value);
        return *this;
    }
    void ReadExact(void* buffer, UINT count);
    void RequireLoading() const;
    void RequireStoring() const;
    DWORD_PTR ReadStringLength(bool& wide);
    [[noreturn]] void Fail(int cause) const;

    struct Loaded {
        const CRuntimeClass* runtimeClass;
        UINT schema;
        CObject* object;
    };

    CFile* m_pFile;
    UINT m_nMode;
    std::unordered_map<const void*, DWORD> m_storeMap; // classes and objects written, by index
    std::vector<Loaded> m_loadArray; // index 0 is the null reference
    std::vector<BYTE> m_lookahead; // bytes peeked and not yet read
};

