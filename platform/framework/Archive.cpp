#include "platform/framework/Archive.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {
constexpr WORD kNullTag = 0;
constexpr WORD kNewClassTag = 0xFFFF;
constexpr WORD kClassTag = 0x8000;
constexpr DWORD kBigClassTag = 0x80000000;
constexpr WORD kBigObjectTag = 0x7FFF;
constexpr UINT kMaxClassName = 64;
}

CArchive::CArchive(CFile* file, UINT mode, int, void*) : m_pFile(file), m_nMode(mode)
{
    m_loadArray.push_back({ nullptr, 0, nullptr });
}

void CArchive::Fail(int cause) const
{
    AfxThrowArchiveException(cause, m_pFile ? m_pFile->GetFilePath().GetString() : nullptr);
}

void CArchive::RequireLoading() const
{
    if (!IsLoading())
        Fail(CArchiveException::writeOnly);
}

void CArchive::RequireStoring() const
{
    if (!IsStoring())
        Fail(CArchiveException::readOnly);
}

UINT CArchive::Read(void* buffer, UINT count)
{
    RequireLoading();
    UINT total = 0;
    if (!m_lookahead.empty()) {
        total = std::min<UINT>(count, UINT(m_lookahead.size()));
        std::memcpy(buffer, m_lookahead.data(), total);
        m_lookahead.erase(m_lookahead.begin(), m_lookahead.begin() + total);
    }
    while (total < count) {
        UINT got = m_pFile->Read(static_cast<BYTE*>(buffer) + total, count - total);
        if (got == 0)
            break;
        total += got;
    }
    return total;
}

UINT CArchive::Peek(void* buffer, UINT count)
{
    RequireLoading();
    while (m_lookahead.size() < count) {
        BYTE chunk[256];
        UINT want = std::min<UINT>(UINT(sizeof chunk), count - UINT(m_lookahead.size()));
        UINT got = m_pFile->Read(chunk, want);
        if (got == 0)
            break;
        m_lookahead.insert(m_lookahead.end(), chunk, chunk + got);
    }
    UINT available = std::min<UINT>(count, UINT(m_lookahead.size()));
    if (available) // an empty lookahead may have no storage at all
        std::memcpy(buffer, m_lookahead.data(), available);
    return available;
}

void CArchive::ReadExact(void* buffer, UINT count)
{
    if (Read(buffer, count) != count)
        Fail(CArchiveException::endOfFile);
}

void CArchive::Write(const void* buffer, UINT count)
{
    RequireStoring();
    m_pFile->Write(buffer, count);
}

void CArchive::WriteCount(DWORD_PTR count)
{
    if (count < 0xFFFF) {
        *this << WORD(count);
    } else {
        *this << WORD(0xFFFF);
        *this << DWORD(count);
    }
}

DWORD_PTR CArchive::ReadCount()
{
    WORD small;
    *this >> small;
    if (small != 0xFFFF)
        return small;
    DWORD large;
    *this >> large;
    return large;
}

namespace {
// The length after the optional mark: one byte below 0xFF, then a word below 0xFFFE (0xFFFF is
// followed by 32 bits).
void WriteLength(CArchive& ar, std::size_t length)
{
    if (length < 0xFF) {
        ar << BYTE(length);
    } else if (length < 0xFFFE) {
        ar << BYTE(0xFF) << WORD(length);
    } else {
        ar << BYTE(0xFF) << WORD(0xFFFF) << DWORD(length);
    }
}
}

CArchive& CArchive::operator<<(const CString& text)
{
    *this << BYTE(0xFF) << WORD(0xFFFE);
    WriteLength(*this, std::size_t(text.GetLength()));
    for (WCHAR ch : text.Str())
        *this << WORD(ch);
    return *this;
}

CArchive& CArchive::operator<<(const CStringA& text)
{
    WriteLength(*this, std::size_t(text.GetLength()));
    Write(text.GetString(), UINT(text.GetLength()));
    return *this;
}

DWORD_PTR CArchive::ReadStringLength(bool& wide)
{
    wide = false;
    for (;;) {
        BYTE b;
        *this >> b;
        if (b < 0xFF)
            return b;
        WORD w;
        *this >> w;
        if (w == 0xFFFE) {
            if (wide) // a second mark is not a length
                Fail(CArchiveException::genericException);
            wide = true;
            continue;
        }
        if (w < 0xFFFF)
            return w;
        DWORD d;
        *this >> d;
        return d;
    }
}

namespace {
// Reads in pieces so that a corrupt length cannot allocate more than the archive holds.
template <typename Unit> void ReadUnits(CArchive& ar, DWORD_PTR count, std::basic_string<Unit>& out)
{
    constexpr DWORD_PTR kChunk = 32768;
    out.clear();
    while (count > 0) {
        DWORD_PTR n = count < kChunk ? count : kChunk;
        std::size_t at = out.size();
        out.resize(at + n);
        UINT bytes = UINT(n * sizeof(Unit));
        if (ar.Read(out.data() + at, bytes) != bytes)
            AfxThrowArchiveException(CArchiveException::endOfFile);
        count -= n;
    }
}
}

CArchive& CArchive::operator>>(CString& text)
{
    bool wide;
    DWORD_PTR length = ReadStringLength(wide);
    if (wide) {
        std::u16string units;
        ReadUnits(*this, length, units);
        text = CString(units);
    } else {
        std::string bytes;
        ReadUnits(*this, length, bytes);
        text = CString(CStringA(bytes));
    }
    return *this;
}

CArchive& CArchive::operator>>(CStringA& text)
{
    CString wide;
    *this >> wide;
    text = CStringA(wide);
    return *this;
}

void CArchive::WriteClass(const CRuntimeClass* runtimeClass)
{
    RequireStoring();
    auto known = m_storeMap.find(runtimeClass);
    if (known != m_storeMap.end()) {
        DWORD index = known->second;
        if (index < kBigObjectTag) {
            *this << WORD(kClassTag | index);
        } else {
            *this << kBigObjectTag << DWORD(kBigClassTag | index);
        }
        return;
    }
    *this << kNewClassTag;
    std::size_t nameLength = std::strlen(runtimeClass->m_lpszClassName);
    *this << WORD(runtimeClass->m_wSchema & 0xFFFF) << WORD(nameLength);
    Write(runtimeClass->m_lpszClassName, UINT(nameLength));
    DWORD index = DWORD(m_storeMap.size() + 1);
    m_storeMap.emplace(runtimeClass, index);
}

const CRuntimeClass* CArchive::ReadClass(const CRuntimeClass* requested, UINT* schema, DWORD* objectTag)
{
    RequireLoading();
    WORD tag;
    *this >> tag;
    DWORD fullTag;
    if (tag == kBigObjectTag)
        *this >> fullTag;
    else
        fullTag = (DWORD(tag & kClassTag) << 16) | (tag & ~kClassTag);

    const CRuntimeClass* found = nullptr;
    UINT foundSchema = 0;
    if (tag == kNewClassTag) {
        WORD storedSchema, nameLength;
        *this >> storedSchema >> nameLength;
        if (nameLength == 0 || nameLength > kMaxClassName)
            Fail(CArchiveException::badClass);
        char name[kMaxClassName + 1] = {};
        ReadExact(name, nameLength);
        found = CRuntimeClass::FromName(name);
        if (!found)
            Fail(CArchiveException::badClass);
        if ((found->m_wSchema & VERSIONABLE_SCHEMA) == 0 && (found->m_wSchema & 0xFFFF) != storedSchema)
            Fail(CArchiveException::badSchema);
        foundSchema = storedSchema;
        m_loadArray.push_back({ found, foundSchema, nullptr });
    } else if (fullTag & kBigClassTag) {
        DWORD index = fullTag & ~kBigClassTag;
        if (index == 0 || index >= m_loadArray.size() || !m_loadArray[index].runtimeClass || m_loadArray[index].object)
            Fail(CArchiveException::badIndex);
        found = m_loadArray[index].runtimeClass;
        foundSchema = m_loadArray[index].schema;
    } else { // an object reference, not a class
        if (objectTag)
            *objectTag = fullTag;
        return nullptr;
    }
    if (requested && !found->IsDerivedFrom(requested))
        Fail(CArchiveException::badClass);
    if (schema)
        *schema = foundSchema;
    return found;
}

void CArchive::SerializeClass(const CRuntimeClass* runtimeClass)
{
    if (IsStoring())
        WriteClass(runtimeClass);
    else {
        UINT schema = UINT(-1);
        ReadClass(runtimeClass, &schema);
        m_nObjectSchema = schema;
    }
}

void CArchive::WriteObject(const CObject* object)
{
    RequireStoring();
    if (!object) {
        *this << kNullTag;
        return;
    }
    auto known = m_storeMap.find(object);
    if (known != m_storeMap.end()) {
        DWORD index = known->second;
        if (index < kBigObjectTag)
            *this << WORD(index);
        else
            *this << kBigObjectTag << index;
        return;
    }
    WriteClass(object->GetRuntimeClass());
    m_storeMap.emplace(object, DWORD(m_storeMap.size() + 1));
    const_cast<CObject*>(object)->Serialize(*this);
}

void CArchive::MapObject(const CObject* object)
{
    if (IsStoring()) {
        if (object)
            m_storeMap.emplace(object, DWORD(m_storeMap.size() + 1));
    } else {
        m_loadArray.push_back({ nullptr, 0, const_cast<CObject*>(object) });
    }
}

CObject* CArchive::ReadObject(const CRuntimeClass* requested)
{
    UINT schema = 0;
    DWORD objectTag = 0;
    const CRuntimeClass* runtimeClass = ReadClass(requested, &schema, &objectTag);
    if (!runtimeClass) {
        if (objectTag == 0)
            return nullptr;
        if (objectTag >= m_loadArray.size() || !m_loadArray[objectTag].object)
            Fail(CArchiveException::badIndex);
        CObject* object = m_loadArray[objectTag].object;
        if (requested && !object->IsKindOf(requested))
            Fail(CArchiveException::badClass);
        return object;
    }
    CObject* object = runtimeClass->CreateObject();
    if (!object)
        Fail(CArchiveException::badClass);
    std::size_t index = m_loadArray.size();
    m_loadArray.push_back({ nullptr, 0, object });
    UINT saved = m_nObjectSchema;
    m_nObjectSchema = schema;
    try {
        object->Serialize(*this);
    } catch (...) {
        m_loadArray[index].object = nullptr; // no later reference may reach a deleted object
        delete object;
        m_nObjectSchema = saved;
        throw;
    }
    m_nObjectSchema = saved;
    return object;
}
