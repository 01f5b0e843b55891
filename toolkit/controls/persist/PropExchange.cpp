#include "toolkit/controls/persist/PropExchange.h"

#include "platform/base/Unicode.h"
#include "platform/framework/Exceptions.h"

#include <cstdlib>
#include <cstring>
#include <string>

IMPLEMENT_DYNAMIC(CJQWPropExchange, CCmdTarget)

namespace {

bool SameText(const WCHAR* a, const WCHAR* b)
{
    return std::u16string_view(a ? a : u"") == std::u16string_view(b ? b : u"");
}

bool SameVariant(const VARIANT& a, const VARIANT& b)
{
    if (a.vt != b.vt)
        return false;
    switch (a.vt) {
    case VT_EMPTY: return true;
    case VT_I2: return a.iVal == b.iVal;
    case VT_I4: return a.lVal == b.lVal;
    case VT_BSTR: return SameText(a.bstrVal, b.bstrVal);
    default: return std::memcmp(&a.lVal, &b.lVal, sizeof(void*)) == 0;
    }
}

} // namespace

int GetExchangeValueSize(WORD type)
{
    switch (type) {
    case jqwExchangeShort: return 2;
    case jqwExchangeLong:
    case jqwExchangeFloat:
    case jqwExchangeBstr:
    case jqwExchangeBool: return 4;
    case jqwExchangeDouble:
    case jqwExchangeCurrency:
    case jqwExchangeSize: return 8;
    case jqwExchangeDate: return 12;
    case jqwExchangeVariant:
    case jqwExchangeRect: return 16;
    case jqwExchangeByte: return 1;
    default: return 0;
    }
}

BOOL CJQWPropExchange::IsSameValue(WORD type, const void* value, const void* defaultValue)
{
    if (value == defaultValue)
        return TRUE;
    if (!value || !defaultValue)
        return FALSE;
    switch (type) {
    case jqwExchangeDate: {
        const auto& a = *static_cast<const COleDateTime*>(value);
        const auto& b = *static_cast<const COleDateTime*>(defaultValue);
        if (a.GetStatus() != b.GetStatus())
            return FALSE;
        return (a.GetStatus() == COleDateTime::valid && DATE(a) == DATE(b)) || a.GetStatus() == COleDateTime::null;
    }
    case jqwExchangeBstr: return SameText(*static_cast<const BSTR*>(value), static_cast<const WCHAR*>(defaultValue));
    case jqwExchangeVariant:
        return SameVariant(*static_cast<const VARIANT*>(value), *static_cast<const VARIANT*>(defaultValue));
    case jqwExchangeString:
        return SameText(static_cast<const CString*>(value)->GetString(), static_cast<const WCHAR*>(defaultValue));
    default:
        if (const int size = GetExchangeValueSize(type))
            return std::memcmp(value, defaultValue, std::size_t(size)) == 0;
        return FALSE;
    }
}

BOOL CJQWPropExchange::CopyValue(WORD type, void* destination, const void* source)
{
    if (!source || !destination)
        return FALSE;
    switch (type) {
    case jqwExchangeDate:
        *static_cast<COleDateTime*>(destination) = *static_cast<const COleDateTime*>(source);
        return TRUE;
    case jqwExchangeBstr: {
        BSTR& target = *static_cast<BSTR*>(destination);
        SysFreeString(target);
        target = SysAllocString(static_cast<const WCHAR*>(source));
        return TRUE;
    }
    case jqwExchangeVariant: {
        VARIANT& target = *static_cast<VARIANT*>(destination);
        const VARIANT& from = *static_cast<const VARIANT*>(source);
        if (target.vt == VT_BSTR)
            SysFreeString(target.bstrVal);
        target = from;
        if (from.vt == VT_BSTR)
            target.bstrVal = SysAllocString(from.bstrVal);
        return TRUE;
    }
    case jqwExchangeString: *static_cast<CString*>(destination) = static_cast<const WCHAR*>(source); return TRUE;
    case jqwExchangeBool:
    case jqwExchangeShort:
    case jqwExchangeLong:
    case jqwExchangeFloat:
    case jqwExchangeDouble:
    case jqwExchangeCurrency:
    case jqwExchangeByte:
    case jqwExchangeRect:
    case jqwExchangeSize: std::memcpy(destination, source, std::size_t(GetExchangeValueSize(type))); return TRUE;
    default: return FALSE;
    }
}

BOOL CJQWPropExchange::ApplyDefault(WORD type, void* value, const void* defaultValue) const
{
    return m_bUseDefaultOnLoad && CopyValue(type, value, defaultValue);
}

BOOL CJQWPropExchange::CanSkipAsDefault(WORD type, const void* value, const void* defaultValue) const
{
    return m_bOmitDefaultOnSave && defaultValue && IsSameValue(type, value, defaultValue);
}

void CJQWPropExchange::InheritSettings(const CJQWPropExchange* parent)
{
    m_bChildSection = TRUE;
    m_nSchema = parent->m_nSchema;
    m_pOwner = parent->m_pOwner;
    m_bSectionEmptied = parent->m_bSectionEmptied;
    m_bUseDefaultOnLoad = parent->m_bUseDefaultOnLoad;
    m_bOmitDefaultOnSave = parent->m_bOmitDefaultOnSave;
    m_bLoading = parent->m_bLoading;
}

BOOL CJQWPropExchange::OpenStore()
{
    m_bStoreOpen = TRUE;
    return TRUE;
}

void CJQWPropExchange::ClearSection()
{
    m_bSectionEmptied = TRUE;
}

BOOL CJQWPropExchange::ExchangeBinary(const WCHAR* name, BYTE** data, DWORD* size)
{
    // As text: each byte two letters A-P, the low four bits first.
    if (IsStoring()) {
        std::u16string text;
        text.reserve(std::size_t(*size) * 2);
        for (DWORD i = 0; i < *size; ++i) {
            text += WCHAR(u'A' + ((*data)[i] & 15));
            text += WCHAR(u'A' + ((*data)[i] >> 4));
        }
        CString value(text.c_str());
        return ExchangeValue(name, jqwExchangeString, &value, u"");
    }
    CString value;
    if (!ExchangeValue(name, jqwExchangeString, &value, nullptr))
        return FALSE;
    const int length = value.GetLength();
    if (length % 2 != 0)
        return FALSE;
    if (length == 0)
        return TRUE;
    // A damaged or hand-edited block is refused, not decoded into wrong bytes.
    for (int i = 0; i < length; ++i)
        if (value[i] < u'A' || value[i] > u'P')
            return FALSE;
    const DWORD bytes = DWORD(length / 2);
    BYTE* target = *data;
    if (!target) {
        target = static_cast<BYTE*>(std::malloc(bytes));
        if (!target)
            return FALSE;
    } else if (*size < bytes) {
        return FALSE;
    }
    for (DWORD i = 0; i < bytes; ++i)
        target[i] = BYTE((value[int(2 * i)] - u'A') + 16 * (value[int(2 * i + 1)] - u'A'));
    if (!*data) {
        *data = target;
        *size = bytes;
    }
    return TRUE;
}

BOOL CJQWPropExchange::ExchangeClass(const WCHAR* name, const CRuntimeClass** runtimeClass,
                                     const CRuntimeClass* defaultClass)
{
    if (IsStoring()) {
        CString className(*runtimeClass ? Utf8ToUtf16((*runtimeClass)->m_lpszClassName).c_str() : u"");
        const std::u16string defaultName = defaultClass ? Utf8ToUtf16(defaultClass->m_lpszClassName) : u"";
        return ExchangeValue(name, jqwExchangeString, &className, defaultClass ? defaultName.c_str() : nullptr);
    }
    CString className;
    if (!ExchangeValue(name, jqwExchangeString, &className, nullptr)) {
        *runtimeClass = defaultClass;
        return TRUE;
    }
    *runtimeClass = CRuntimeClass::FromName(Utf16ToUtf8(className.GetString()).c_str());
    return *runtimeClass != nullptr;
}

BOOL CJQWPropExchange::ExchangeObject(CObject** object, const CRuntimeClass* expectedClass)
{
    if (IsStoring()) {
        const CRuntimeClass* runtimeClass = *object ? (*object)->GetRuntimeClass() : nullptr;
        ExchangeClass(u"Class", &runtimeClass, expectedClass);
        return TRUE;
    }
    const CRuntimeClass* runtimeClass = nullptr;
    ExchangeClass(u"Class", &runtimeClass, expectedClass);
    *object = nullptr;
    if (!runtimeClass)
        return FALSE;
    CObject* made = runtimeClass->CreateObject();
    if (made && expectedClass && !made->IsKindOf(expectedClass)) {
        delete made;
        made = nullptr;
    }
    *object = made;
    return made != nullptr;
}

CArchive* CJQWPropExchange::OpenArchive(const WCHAR* name)
{
    if (IsStoring())
        return new CArchive(new CMemFile(1024), CArchive::store, 4096);
    BYTE* block = nullptr;
    DWORD size = 0;
    if (!ExchangeBinary(name, &block, &size) || !block || size == 0) {
        std::free(block);
        return nullptr;
    }
    return new CArchive(new CMemFile(block, UINT(size)), CArchive::load, 4096);
}

void CJQWPropExchange::CloseArchive(const WCHAR* name, CArchive* archive)
{
    auto* file = archive ? dynamic_cast<CMemFile*>(archive->GetFile()) : nullptr;
    if (!file)
        return;
    if (IsStoring()) {
        archive->Flush();
        DWORD length = DWORD(file->GetLength());
        BYTE* contents = file->Detach();
        ExchangeBinary(name, &contents, &length);
        std::free(contents);
    } else {
        std::free(file->Detach());
    }
    archive->Abort();
    delete file;
    delete archive;
}

void CJQWPropExchange::StoreCount(DWORD_PTR count)
{
    LONG value = LONG(count), none = 0;
    ExchangeValue(u"Count", jqwExchangeLong, &value, &none);
}

DWORD_PTR CJQWPropExchange::LoadCount()
{
    LONG value = 0, none = 0;
    ExchangeValue(u"Count", jqwExchangeLong, &value, &none);
    return DWORD_PTR(DWORD(value));
}

DWORD CJQWPropExchange::StoreRawBytes(const WCHAR* name, const BYTE* data, DWORD size)
{
    BYTE* bytes = const_cast<BYTE*>(data);
    return ExchangeBinary(name, &bytes, &size) ? size : 0;
}

DWORD CJQWPropExchange::LoadRawBytes(const WCHAR* name, BYTE* buffer, DWORD capacity)
{
    DWORD size = capacity;
    return ExchangeBinary(name, &buffer, &size) ? size : 0;
}

CJQWPropExchangeEnumerator* CJQWPropExchange::CreateEnumerator(const WCHAR* baseName)
{
    return new CJQWPropExchangeEnumerator(this, baseName);
}

void CJQWPropExchange::ExchangeSchemaValue()
{
    LONG schema = LONG(m_nSchema), current = 23;
    ExchangeValue(u"Schema", jqwExchangeLong, &schema, &current);
    m_nSchema = UINT(schema);
}

CJQWPropExchangeEnumerator::CJQWPropExchangeEnumerator(CJQWPropExchange* exchange, const WCHAR* baseName)
    : m_pExchange(exchange), m_strBaseName(baseName)
{
}

DWORD CJQWPropExchangeEnumerator::Start(DWORD count, BOOL useStoreCount)
{
    if (!m_pExchange)
        return 0;
    if (!useStoreCount) {
        LONG value = LONG(count), none = 0;
        m_pExchange->ExchangeValue(u"Count", jqwExchangeLong, &value, &none);
        count = DWORD(value);
    } else if (m_pExchange->IsLoading()) {
        count = DWORD(m_pExchange->LoadCount());
    } else {
        m_pExchange->StoreCount(count);
    }
    m_nCount = count;
    return count ? 1 : 0;
}

CJQWPropExchange* CJQWPropExchangeEnumerator::NextSection(DWORD& position)
{
    const std::u16string name =
        std::u16string(m_strBaseName.GetString()) + Utf8ToUtf16(std::to_string(position - 1));
    CJQWPropExchange* section = m_pExchange->OpenChildSection(name.c_str());
    ++position;
    if (position > m_nCount)
        position = 0;
    return section;
}

BOOL ExchangeByte(CJQWPropExchange* exchange, const WCHAR* name, BYTE& value, BYTE defaultValue)
{
    return exchange->ExchangeValue(name, jqwExchangeByte, &value, &defaultValue);
}

BOOL ExchangeShort(CJQWPropExchange* exchange, const WCHAR* name, short& value, short defaultValue)
{
    return exchange->ExchangeValue(name, jqwExchangeShort, &value, &defaultValue);
}

BOOL ExchangeLong(CJQWPropExchange* exchange, const WCHAR* name, LONG& value, LONG defaultValue)
{
    return exchange->ExchangeValue(name, jqwExchangeLong, &value, &defaultValue);
}

BOOL ExchangeLongNoDefault(CJQWPropExchange* exchange, const WCHAR* name, LONG& value)
{
    return exchange->ExchangeValue(name, jqwExchangeLong, &value, nullptr);
}

BOOL ExchangeBool(CJQWPropExchange* exchange, const WCHAR* name, BOOL& value, BOOL defaultValue)
{
    return exchange->ExchangeValue(name, jqwExchangeBool, &value, &defaultValue);
}

BOOL ExchangeString(CJQWPropExchange* exchange, const WCHAR* name, CString& value, const WCHAR* defaultValue)
{
    return exchange->ExchangeValue(name, jqwExchangeString, &value, defaultValue);
}

BOOL ExchangeStringNoDefault(CJQWPropExchange* exchange, const WCHAR* name, CString& value)
{
    return exchange->ExchangeValue(name, jqwExchangeString, &value, nullptr);
}

BOOL ExchangeSize(CJQWPropExchange* exchange, const WCHAR* name, SIZE& value, SIZE defaultValue)
{
    return exchange->ExchangeValue(name, jqwExchangeSize, &value, &defaultValue);
}

BOOL ExchangeRect(CJQWPropExchange* exchange, const WCHAR* name, RECT& value, RECT defaultValue)
{
    return exchange->ExchangeValue(name, jqwExchangeRect, &value, &defaultValue);
}

BOOL ExchangeClassValue(CJQWPropExchange* exchange, const WCHAR* name, const CRuntimeClass** runtimeClass,
                        const CRuntimeClass* defaultClass)
{
    return exchange->ExchangeClass(name, runtimeClass, defaultClass);
}

BOOL ExchangeBinaryValue(CJQWPropExchange* exchange, const WCHAR* name, BYTE** data, DWORD* size)
{
    return exchange->ExchangeBinary(name, data, size);
}

BOOL ExchangeSerializedObject(CJQWPropExchange* exchange, const WCHAR* name, CObject* object)
{
    CArchive* archive = exchange->OpenArchive(name);
    if (!archive)
        return FALSE;
    BOOL ok = TRUE;
    try {
        object->Serialize(*archive);
    } catch (CArchiveException* error) {
        error->Delete();
        ok = FALSE;
    } catch (COleException* error) {
        error->Delete();
        ok = FALSE;
    } catch (...) {
        exchange->CloseArchive(name, archive);
        throw;
    }
    exchange->CloseArchive(name, archive);
    return ok;
}
