#include "components/foundation/ClsStringArray.h"

#include "components/foundation/HashMap.h"
#include "components/foundation/StringBuffer.h"

ClsStringArray::ClsStringArray()
    : m_counts(new HashMap(499))
{
}

ClsStringArray::~ClsStringArray()
{
    m_strings.DeleteAll();
    delete m_counts;
}

void ClsStringArray::Normalise(torvane::StringBuffer& text) const
{
    if (m_trim)
        text.Trim();
    if (m_crlf)
        text.ToCrlf();
    else
        text.CrlfToLf();
}

void ClsStringArray::Append(const char* text)
{
    auto* item = new torvane::StringBuffer(text ? text : "");
    item->SetEncodingTag(torvane::StringBuffer::TagUtf8);
    Normalise(*item);
    auto* count = static_cast<TorvaneInt*>(m_counts->Lookup(*item));
    if (count && m_rejectDuplicates) {
        delete item;
        return;
    }
    item->ShrinkToFit();
    m_strings.Append(item);
    if (count)
        ++count->m_value;
    else
        m_counts->SetObject(*item, new TorvaneInt(1));
}

const char* ClsStringArray::GetString(int index) const
{
    auto* item = m_strings.GetAtAs<torvane::StringBuffer>(index);
    return item ? item->GetText() : nullptr;
}

bool ClsStringArray::GetStringInto(int index, torvane::StringBuffer& out)
{
    out.Clear();
    auto* item = m_strings.GetAtAs<torvane::StringBuffer>(index);
    if (!item)
        return false;
    Normalise(*item);
    out.AppendBuffer(*item);
    out.SetEncodingTag(item->GetEncodingTag());
    return true;
}

bool ClsStringArray::RemoveAt(int index)
{
    auto* item = static_cast<torvane::StringBuffer*>(m_strings.RemoveAt(index));
    if (!item)
        return false;
    if (item->GetEncodingTag() == torvane::StringBuffer::TagAnsi)
        item->AnsiToUtf8();
    if (auto* count = static_cast<TorvaneInt*>(m_counts->Lookup(*item))) {
        if (count->m_value > 0)
            --count->m_value;
        if (count->m_value == 0)
            m_counts->Remove(*item);
    }
    delete item;
    return true;
}

bool ClsStringArray::PopLast(torvane::StringBuffer& out)
{
    int last = m_strings.GetCount() - 1;
    if (last < 0)
        return false;
    GetStringInto(last, out);
    RemoveAt(last);
    return true;
}

bool ClsStringArray::SetRejectDuplicates(bool reject)
{
    m_rejectDuplicates = reject;
    return true;
}
