#include "components/foundation/TvString.h"

#include "components/foundation/XString.h"

TvString::TvString()
    : m_value(new XString())
{
}

TvString::~TvString() { delete m_value; }

void TvString::SetUtf16(const WCHAR* text) { m_value->SetFromUtf16(text); }
void TvString::SetUtf8(const char* text) { m_value->SetFromUtf8(text); }
const WCHAR* TvString::GetUtf16() { return m_value->GetUtf16(); }
const char* TvString::GetAnsi() { return m_value->GetAnsi(); }
const char* TvString::GetUtf8() { return m_value->GetUtf8(); }
const char* TvString::GetString() { return m_utf8 ? m_value->GetUtf8() : m_value->GetAnsi(); }
void TvString::Clear() { m_value->Clear(); }
