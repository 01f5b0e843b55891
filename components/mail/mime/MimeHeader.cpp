#include "components/mail/mime/MimeHeader.h"

#include "components/foundation/Charset.h"
#include "components/foundation/CharsetNames.h"
#include "components/mail/mime/MimeField.h"
#include "components/mail/mime/MimeText.h"
#include "components/net/Cookie.h"
#include "platform/base/CodePage.h"

#include <vector>

using namespace mimetext;

namespace {

constexpr int kMaximumLines = 100000;

int GuessCodePage(const string& block)
{
    for (const char* marker : { "?Q?", "?B?" }) {
        size_t at = FindNoCase(block, marker);
        if (at == npos)
            continue;
        size_t open = block.find("=?");
        if (open == npos || open > at)
            return 0;
        size_t mark = FindNoCase(block, marker, open + 2);
        if (mark == npos)
            return 0;
        return CodePageFromCharsetName(block.substr(open + 2, mark - open - 2).c_str());
    }
    if (!Has8Bit(block))
        return 0;
    if (HasUtf8LatinPair(block))
        return 65001;
    // Decoding to UTF-16 checks the bytes even when the page is UTF-8 itself (a plain copy would not).
    for (int page : { int(GetACP()), 28591, 28592 }) {
        bool ok = false;
        if (page == 65001)
            ok = IsValidUtf8(block);
        else
            Convert(page, 1200, block, &ok);
        if (ok)
            return page;
    }
    return 0;
}

} // namespace

MimeHeader::~MimeHeader()
{
    m_fields.DeleteAll();
}

void MimeHeader::Clear()
{
    m_fields.DeleteAll();
    m_defaultCodePage = 0;
}

void MimeHeader::CopyFrom(const MimeHeader& other)
{
    if (&other == this)
        return;
    Clear();
    for (int i = 0; i < other.m_fields.GetCount(); ++i)
        m_fields.Append(other.m_fields.GetAtAs<MimeField>(i)->Clone());
}

void MimeHeader::AddField(MimeField* field)
{
    if (field)
        m_fields.Append(field);
}

MimeField* MimeHeader::GetFieldAt(int index) const
{
    if (index < 0 || index >= m_fields.GetCount())
        return nullptr;
    return m_fields.GetAtAs<MimeField>(index);
}

bool MimeHeader::GetFieldName(int index, torvane::StringBuffer& out) const
{
    MimeField* field = GetFieldAt(index);
    if (!field)
        return false;
    field->GetName(out);
    return true;
}

MimeField* MimeHeader::FindField(const char* name) const
{
    if (!name)
        return nullptr;
    for (int i = 0; i < m_fields.GetCount(); ++i) {
        auto* field = m_fields.GetAtAs<MimeField>(i);
        if (field->NameEquals(name))
            return field;
    }
    return nullptr;
}

bool MimeHeader::GetFieldValue(const char* name, torvane::StringBuffer& out) const
{
    MimeField* field = FindField(name);
    if (!field)
        return false;
    field->GetValue(out);
    return true;
}

void MimeHeader::RemoveField(const char* name)
{
    if (!name)
        return;
    ExtPtrArray kept;
    for (int i = 0; i < m_fields.GetCount(); ++i) {
        auto* field = m_fields.GetAtAs<MimeField>(i);
        if (field->NameEquals(name))
            delete field;
        else
            kept.Append(field);
    }
    m_fields.Forget();
    for (int i = 0; i < kept.GetCount(); ++i)
        m_fields.Append(kept.GetAt(i));
    kept.Forget();
}

void MimeHeader::ReplaceField(const char* name, const char* value)
{
    if (!name)
        return;
    string nameCopy = name;
    string valueCopy = Text(value);
    RemoveField(nameCopy.c_str());
    if (!value || Trim(valueCopy).empty())
        return;
    auto* field = new MimeField();
    field->SetNameValue(nameCopy.c_str(), valueCopy.c_str());
    m_fields.Append(field);
}

void MimeHeader::ReplaceFieldFrom(const MimeField& field)
{
    string name = FromBuffer(field.Name());
    string value = FromBuffer(field.Value());
    ReplaceField(name.c_str(), value.c_str());
}

void MimeHeader::ReplaceFieldsFrom(const MimeHeader& other)
{
    for (int i = 0; i < other.m_fields.GetCount(); ++i)
        ReplaceFieldFrom(*other.m_fields.GetAtAs<MimeField>(i));
}

void MimeHeader::MergeDuplicates(const char* name)
{
    MimeField* first = nullptr;
    string joined;
    int count = 0;
    for (int i = 0; i < m_fields.GetCount(); ++i) {
        auto* field = m_fields.GetAtAs<MimeField>(i);
        if (!field->NameEquals(name))
            continue;
        if (!first)
            first = field;
        if (!joined.empty())
            joined += ',';
        joined += FromBuffer(field->Value());
        ++count;
    }
    if (count < 2)
        return;
    ExtPtrArray kept;
    for (int i = 0; i < m_fields.GetCount(); ++i) {
        auto* field = m_fields.GetAtAs<MimeField>(i);
        if (field != first && field->NameEquals(name))
            delete field;
        else
            kept.Append(field);
    }
    m_fields.Forget();
    for (int i = 0; i < kept.GetCount(); ++i)
        m_fields.Append(kept.GetAt(i));
    kept.Forget();
    first->SetValue(joined.c_str());
}

bool MimeHeader::GetFieldParam(const char* fieldName, const char* paramName, torvane::StringBuffer& out) const
{
    out.Clear();
    if (!fieldName || !paramName)
        return false;
    MimeField* field = FindField(fieldName);
    if (!field)
        return false;
    string value = FromBuffer(field->Value());
    if (!ContainsNoCase(value, paramName))
        return false;
    for (const string& piece : SplitQuoted(value, ';')) {
        size_t equals = piece.find('=');
        if (equals == npos)
            continue;
        if (!EqualsNoCase(Trim(piece.substr(0, equals)), paramName))
            continue;
        size_t b = equals + 1;
        while (b < piece.size() && (piece[b] == ' ' || piece[b] == '\t'))
            ++b;
        if (b < piece.size() && piece[b] == '"')
            ++b;
        string result = Trim(piece.substr(b));
        if (!result.empty() && result.back() == '"')
            result.pop_back();
        AppendTo(out, result);
        return true;
    }
    return false;
}

void MimeHeader::Parse(const char* text)
{
    Parse(text, text ? int(std::char_traits<char>::length(text)) : 0);
}

void MimeHeader::Parse(const char* text, int length)
{
    Clear();
    if (!text)
        return;
    string_view all(text, size_t(length));
    string block;
    size_t end = all.find("\r\n\r\n");
    if (end == npos)
        end = all.find("\n\r\n");
    if (end == npos)
        end = all.find("\r\n\r");
    if (end != npos) {
        block = string(all.substr(0, end));
        if (block.find("\r\n") == npos)
            block = NormalizeToCrlf(block);
    } else {
        string normalized = NormalizeToCrlf(all);
        size_t stop = normalized.find("\r\n\r\n");
        block = stop == npos ? normalized : normalized.substr(0, stop);
    }
    m_defaultCodePage = GuessCodePage(block);
    int sourcePage = m_defaultCodePage != 0 ? m_defaultCodePage : int(GetACP());

    // A later Content-Type replaces the earlier one in place of the later one: slots are nulled
    // and compacted at the end, so a hostile header of many such lines stays linear.
    std::vector<MimeField*> fields;
    size_t contentTypeSlot = npos;
    auto finish = [&](string& pending) {
        if (pending.empty())
            return;
        // Only the value is text in a charset: a name is kept as its bytes, so that it reads the
        // same however often the header is rendered and read again.
        size_t colon = pending.find(':');
        if (colon != npos && Has8Bit(string_view(pending).substr(colon)))
            pending = pending.substr(0, colon) + Convert(sourcePage, 65001, string_view(pending).substr(colon));
        else if (colon == npos && Has8Bit(pending))
            pending = Convert(sourcePage, 65001, pending);
        torvane::StringBuffer line;
        AppendTo(line, pending);
        pending.clear();
        auto* field = new MimeField();
        if (!field->ParseLine(line)) {
            delete field;
            return;
        }
        if (field->NameEquals("content-type")) {
            if (contentTypeSlot != npos && fields[contentTypeSlot]) {
                delete fields[contentTypeSlot];
                fields[contentTypeSlot] = nullptr;
            }
            contentTypeSlot = fields.size();
        }
        fields.push_back(field);
    };

    string pending;
    bool havePending = false;
    int lines = 0;
    size_t pos = 0;
    while (pos <= block.size() && lines < kMaximumLines) {
        size_t next = block.find("\r\n", pos);
        string_view line = string_view(block).substr(pos, next == npos ? npos : next - pos);
        pos = next == npos ? block.size() + 1 : next + 2;
        if (line.empty())
            continue;
        ++lines;
        if (Begins(line, "From "))
            continue;
        if (line[0] == ' ' || line[0] == '\t') {
            size_t skip = line.find_first_not_of(" \t");
            if (skip != npos && Begins(line.substr(skip), "=?"))
                pending.append(line.substr(skip));
            else
                pending.append(line.substr(1));
            havePending = true;
            continue;
        }
        if (havePending)
            finish(pending);
        pending = string(line);
        havePending = true;
    }
    if (havePending)
        finish(pending);
    for (MimeField* field : fields)
        if (field)
            m_fields.Append(field);
}

void MimeHeader::Render(torvane::StringBuffer& out, const char* skipPrefix, const Charset& charset) const
{
    Charset used;
    if (charset.GetCodePage() != 0 || m_defaultCodePage == 0)
        used.CopyFrom(charset);
    else
        used.SetByCodePage(m_defaultCodePage);
    bool skip = skipPrefix && *skipPrefix;
    string text;
    for (int i = 0; i < m_fields.GetCount(); ++i) {
        auto* field = m_fields.GetAtAs<MimeField>(i);
        if (skip && BeginsNoCase(FromBuffer(field->Name()), skipPrefix))
            continue;
        torvane::StringBuffer line;
        field->Render(line, used);
        text += FromBuffer(line);
        text += "\r\n";
    }
    AppendTo(out, text);
    while (out.GetLength() >= 1 && out.LastChar() == '\n')
        out.ShortenBy(out.GetLength() >= 2 ? 2 : 1);
}

void MimeHeader::CollectCookies(std::vector<std::unique_ptr<Cookie>>& out, const char* defaultDomain) const
{
    for (int i = 0; i < m_fields.GetCount(); ++i) {
        const MimeField* field = GetFieldAt(i);
        bool two = field->NameEquals("Set-Cookie2");
        if (!two && !field->NameEquals("Set-Cookie"))
            continue;
        auto cookie = std::make_unique<Cookie>();
        cookie->version = two ? 1 : 0;
        field->ParseSetCookie(*cookie);
        torvane::StringBuffer domain(cookie->domain.c_str());
        domain.Trim();
        if (domain.GetLength() == 0) {
            if (!defaultDomain || !*defaultDomain)
                continue;
            cookie->domain = defaultDomain;
        }
        out.push_back(std::move(cookie));
    }
}
