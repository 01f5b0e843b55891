#include "components/foundation/TvXml.h"

#include "components/foundation/ClsXml.h"
#include "components/foundation/TvString.h"
#include "components/foundation/XString.h"

namespace {

// The caller's 8-bit text as UTF-8, read by the object's flag.
class Utf8Argument {
public:
    Utf8Argument(const char* text, bool isUtf8) { m_text.SetFromUtf8OrAnsi(text, isUtf8); }
    const char* Get() const { return m_text.GetUtf8(); }

private:
    XString m_text;
};

} // namespace

TvXml::TvXml()
    : m_handle(new ClsXml())
{
}

TvXml::TvXml(ClsXml* handle, bool utf8)
    : m_handle(handle)
    , m_utf8(utf8)
{
}

TvXml::~TvXml() { delete m_handle; }

TvXml* TvXml::Wrap(ClsXml* handle) const { return handle ? new TvXml(handle, m_utf8) : nullptr; }

bool TvXml::LoadXml(const char* text) { return m_handle->LoadXml(text); }

bool TvXml::LoadXmlFile(const char* ansiPath, bool trim)
{
    return m_handle->LoadXmlFile(Utf8Argument(ansiPath, /*isUtf8=*/false).Get(), trim);
}

bool TvXml::SaveXml(const char* path) { return m_handle->SaveXml(Utf8Argument(path, m_utf8).Get()); }

bool TvXml::GetXml(TvString& out)
{
    bool written = m_handle->GetXml(out.Value());
    return written;
}

bool TvXml::SetTag(const char* tag) { return m_handle->SetTag(Utf8Argument(tag, m_utf8).Get()); }

bool TvXml::GetContent(TvString& out)
{
    m_handle->GetContent(out.Value());
    return true;
}

bool TvXml::SetContent(const char* text) { return m_handle->SetContent(Utf8Argument(text, m_utf8).Get()); }

bool TvXml::GetTag(TvString& out)
{
    out.Value().SetFromUtf8(m_handle->GetTagText());
    return true;
}

int TvXml::GetNumChildren() { return m_handle->GetNumChildren(); }

bool TvXml::AddAttribute(const char* name, const char* value)
{
    return m_handle->AddAttribute(Utf8Argument(name, m_utf8).Get(), Utf8Argument(value, m_utf8).Get());
}

bool TvXml::UpdateAttribute(const char* name, const char* value)
{
    return m_handle->UpdateAttribute(Utf8Argument(name, m_utf8).Get(), Utf8Argument(value, m_utf8).Get());
}

bool TvXml::GetAttrValue(const char* name, TvString& out)
{
    return m_handle->GetAttrValue(Utf8Argument(name, m_utf8).Get(), out.Value());
}

int TvXml::GetNumAttributes() { return m_handle->GetNumAttributes(); }

bool TvXml::GetAttributeName(int index, TvString& out) { return m_handle->GetAttributeName(index, out.Value()); }

bool TvXml::GetAttributeValue(int index, TvString& out) { return m_handle->GetAttributeValue(index, out.Value()); }

TvXml* TvXml::GetChild(int index) { return Wrap(m_handle->GetChild(index)); }

TvXml* TvXml::GetRoot() { return Wrap(m_handle->GetRoot()); }

TvXml* TvXml::FindChild(const char* tag) { return Wrap(m_handle->FindChild(Utf8Argument(tag, m_utf8).Get())); }

TvXml* TvXml::GetNthChildWithTag(const char* tag, int n)
{
    return Wrap(m_handle->GetNthChildWithTag(Utf8Argument(tag, m_utf8).Get(), n));
}

TvXml* TvXml::SearchForTag(TvXml* after, const char* tag)
{
    const ClsXml* afterHandle = after ? after->m_handle : nullptr;
    return Wrap(m_handle->SearchForTag(afterHandle, Utf8Argument(tag, m_utf8).Get()));
}

bool TvXml::GetChildContent(const char* tag, TvString& out)
{
    return m_handle->GetChildContent(Utf8Argument(tag, m_utf8).Get(), out.Value());
}

TvXml* TvXml::NewChild(const char* tag, const char* text)
{
    return Wrap(m_handle->NewChild(Utf8Argument(tag, m_utf8).Get(), Utf8Argument(text, m_utf8).Get()));
}

bool TvXml::AddChildTree(TvXml* other)
{
    if (!other || !other->m_handle)
        return false;
    return m_handle->AddChildTree(other->m_handle);
}

void TvXml::RemoveAllChildren() { m_handle->RemoveAllChildren(); }

void TvXml::LastErrorText(TvString& out) { m_handle->GetErrorLogText(out.Value(), /*crlf=*/false); }
