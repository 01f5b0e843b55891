#include "toolkit/controls/persist/PropExchangeArchive.h"

#include <algorithm>
#include <cstdlib>

IMPLEMENT_DYNAMIC(CJQWPropExchangeArchive, CJQWPropExchange)

namespace {
constexpr DWORD kSchemaMarker = 0x0FF0ADBF;
constexpr UINT kSchemaWithoutMarker = 17;

template <class T>
void Exchange(CArchive& archive, void* value)
{
    T& v = *static_cast<T*>(value);
    if (archive.IsStoring())
        archive << v;
    else
        archive >> v;
}
} // namespace

CJQWPropExchangeArchive::CJQWPropExchangeArchive(CArchive& archive) : m_archive(archive)
{
    m_bLoading = archive.IsLoading();
}

BOOL CJQWPropExchangeArchive::ExchangeValue(const WCHAR*, WORD type, void* value, const void*)
{
    switch (type) {
    case jqwExchangeShort: Exchange<short>(m_archive, value); break;
    case jqwExchangeLong:
    case jqwExchangeBool: Exchange<LONG>(m_archive, value); break;
    case jqwExchangeFloat: Exchange<float>(m_archive, value); break;
    case jqwExchangeDouble: Exchange<double>(m_archive, value); break;
    case jqwExchangeCurrency: {
        // Low 32 bits, then high 32 bits: the little-endian 64-bit value.
        Exchange<LONGLONG>(m_archive, value);
        break;
    }
    case jqwExchangeDate: {
        auto& date = *static_cast<COleDateTime*>(value);
        if (IsStoring()) {
            m_archive << LONG(date.GetStatus()) << double(DATE(date));
        } else {
            LONG status = 0;
            double day = 0;
            m_archive >> status >> day;
            date = COleDateTime(day);
            date.SetStatus(COleDateTime::DateTimeStatus(status));
        }
        break;
    }
    case jqwExchangeVariant: {
        auto& variant = *static_cast<VARIANT*>(value);
        WORD vt = variant.vt;
        Exchange<WORD>(m_archive, &vt);
        if (IsLoading()) {
            if (variant.vt == VT_BSTR)
                SysFreeString(variant.bstrVal);
            variant = VARIANT();
            variant.vt = vt;
        }
        if (vt == VT_I2) {
            Exchange<short>(m_archive, &variant.iVal);
        } else if (vt == VT_I4) {
            Exchange<LONG>(m_archive, &variant.lVal);
        } else if (vt == VT_BSTR) {
            CString text(variant.bstrVal);
            Exchange<CString>(m_archive, &text);
            if (IsLoading())
                variant.bstrVal = SysAllocString(text.GetString());
        }
        break;
    }
    case jqwExchangeByte: Exchange<BYTE>(m_archive, value); break;
    case jqwExchangeString: Exchange<CString>(m_archive, value); break;
    case jqwExchangeRect: {
        auto& rect = *static_cast<RECT*>(value);
        for (LONG* side : { &rect.left, &rect.top, &rect.right, &rect.bottom })
            Exchange<LONG>(m_archive, side);
        break;
    }
    case jqwExchangeSize: {
        auto& size = *static_cast<SIZE*>(value);
        Exchange<LONG>(m_archive, &size.cx);
        Exchange<LONG>(m_archive, &size.cy);
        break;
    }
    default: break; // counted strings and unknown codes are not in the stream
    }
    return TRUE;
}

BOOL CJQWPropExchangeArchive::ExchangeBinary(const WCHAR*, BYTE** data, DWORD* size)
{
    if (IsStoring()) {
        m_archive.WriteCount(*size);
        m_archive.Write(*data, *size);
        return TRUE;
    }
    const DWORD stored = DWORD(m_archive.ReadCount());
    if (*data) {
        if (*size < stored)
            return FALSE;
        const UINT got = m_archive.Read(*data, stored);
        *size = stored;
        return got == stored;
    }
    // A block of our own, grown as the bytes arrive: the stored count alone (up to 4 GiB) is no
    // reason to allocate; a stream that ends early gives nothing.
    constexpr std::size_t kStep = 1 << 16;
    BYTE* block = static_cast<BYTE*>(std::malloc(1));
    std::size_t have = 0;
    while (block && have < stored) {
        const std::size_t step = std::min(std::size_t(stored) - have, std::max(have, kStep));
        BYTE* grown = static_cast<BYTE*>(std::realloc(block, have + step));
        if (!grown || m_archive.Read(grown + have, UINT(step)) != step) {
            std::free(grown ? grown : block);
            block = nullptr;
            break;
        }
        block = grown;
        have += step;
    }
    if (!block)
        return FALSE;
    *data = block;
    *size = stored;
    return TRUE;
}

DWORD CJQWPropExchangeArchive::StoreRawBytes(const WCHAR*, const BYTE* data, DWORD size)
{
    m_archive.Write(data, size);
    return size;
}

DWORD CJQWPropExchangeArchive::LoadRawBytes(const WCHAR*, BYTE* buffer, DWORD capacity)
{
    return m_archive.Read(buffer, capacity);
}

BOOL CJQWPropExchangeArchive::ExchangeClass(const WCHAR*, const CRuntimeClass** runtimeClass,
                                            const CRuntimeClass* defaultClass)
{
    if (IsStoring()) {
        m_archive.WriteClass(*runtimeClass);
        return TRUE;
    }
    UINT schema = m_nSchema;
    *runtimeClass = m_archive.ReadClass(defaultClass, &schema);
    m_nSchema = schema;
    return *runtimeClass != nullptr;
}

BOOL CJQWPropExchangeArchive::ExchangeObject(CObject** object, const CRuntimeClass* expectedClass)
{
    const BOOL result = CJQWPropExchange::ExchangeObject(object, expectedClass);
    if (*object)
        m_archive.MapObject(*object);
    return result;
}

CJQWPropExchange* CJQWPropExchangeArchive::OpenChildSection(const WCHAR*)
{
    auto* child = new CJQWPropExchangeArchive(m_archive);
    child->InheritSettings(this);
    return child;
}

void CJQWPropExchangeArchive::ExchangeSchema()
{
    if (IsStoring()) {
        m_archive << kSchemaMarker << DWORD(m_nSchema);
        return;
    }
    DWORD marker = 0;
    if (m_archive.Peek(&marker, sizeof marker) == sizeof marker && marker == kSchemaMarker) {
        DWORD schema = 0;
        m_archive >> marker >> schema;
        m_nSchema = schema;
    } else {
        m_nSchema = kSchemaWithoutMarker;
    }
}
