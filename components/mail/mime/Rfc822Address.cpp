#include "components/mail/mime/Rfc822Address.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/ExtPtrArray.h"
#include "components/mail/ContentCoding.h"
#include "components/mail/mime/MimeText.h"

#include <unordered_set>

using namespace mimetext;

namespace {

string DecodeRaw(const string& text)
{
    torvane::StringBuffer in;
    AppendTo(in, text);
    DataBuffer out;
    ContentCoding().DecodeWordsRaw(in, out);
    return string(reinterpret_cast<const char*>(out.GetData()), out.GetSize());
}

string AddressFromText(string text)
{
    size_t open = text.find('<');
    if (open != npos)
        text.erase(0, open + 1);
    size_t close = text.rfind('>');
    if (close != npos)
        text.erase(close);
    string out;
    for (char c : text)
        if (c != ' ')
            out += c;
    return out;
}

// Backslash pairs inside a quoted display name stand for the byte after the backslash.
string Unescape(const string& text)
{
    string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\'))
            ++i;
        out += text[i];
    }
    return out;
}

// A display name inside double quotes: quotes and backslashes escaped, line breaks and NULs
// made blanks, so that no name can end the quoted string or the header line.
string QuoteName(string_view name)
{
    string out = "\"";
    for (char c : name) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += (c == '\r' || c == '\n' || c == '\0') ? ' ' : c;
    }
    return out + "\"";
}

} // namespace

Rfc822Address::Rfc822Address(const char* name, const char* address)
{
    m_valid = true;
    string nameText = Text(name);
    if (nameText.find("?8bit?") != npos)
        nameText = DecodeRaw(nameText);
    string addressText = Text(address);
    string full = nameText.empty() ? addressText : QuoteName(nameText) + " <" + addressText + ">";
    SetBuffer(m_fullText, full);
    nameText = TrimSpacesTabs(nameText);
    string bare = TrimSpacesTabs(AddressFromText(addressText));
    for (char& c : bare)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    bare = AddressFromText(bare);
    if (nameText == bare)
        nameText.clear();
    SetBuffer(m_name, nameText);
    SetBuffer(m_address, bare);
}

Rfc822Address* Rfc822Address::ParseOne(const torvane::StringBuffer& buffer, LogBase*)
{
    if (!buffer.IsValid())
        return nullptr;
    string text = FromBuffer(buffer);
    if (text.empty() || ContainsNoCase(text, "undisclosed recipient") || ContainsNoCase(text, "undisclosed-recipient"))
        return nullptr;
    string t = TrimSpacesTabs(text);
    if (t.empty())
        return nullptr;
    auto* result = new Rfc822Address();
    SetBuffer(result->m_fullText, t);
    if (t.find("CN=") != npos && t.find('<') != npos && t.find('>') != npos) {
        size_t open = t.find('<');
        string name;
        for (char c : t.substr(0, open))
            if (c != '"')
                name += c;
        size_t close = t.find('>', open + 1);
        string address = Trim(t.substr(open + 1, close == npos ? npos : close - open - 1));
        SetBuffer(result->m_name, Trim(name));
        SetBuffer(result->m_address, address);
        if (address.empty()) {
            delete result;
            return nullptr;
        }
        result->m_valid = true;
        return result;
    }
    size_t anchor = t.rfind('@');
    if (anchor == npos)
        anchor = t.size() < 2 ? 0 : t.size() - 2;
    size_t start = 0;
    for (size_t i = anchor; i > 0; --i) {
        if (t[i - 1] == ' ' || t[i - 1] == '<') {
            start = i;
            break;
        }
    }
    size_t end = t.find_first_of(" >", anchor);
    if (end == npos)
        end = t.size();
    string address = t.substr(start, end - start);
    string name;
    if (start > 1) {
        string_view prefix = string_view(t).substr(0, start - 1);
        size_t b = 0;
        while (b < prefix.size() && (prefix[b] == '"' || prefix[b] == '\''))
            ++b;
        bool quoted = b > 0 && prefix[b - 1] == '"';
        size_t e = b;
        while (e < prefix.size() && !(prefix[e] == '"' && (e == 0 || prefix[e - 1] != '\\')))
            ++e;
        string_view run = prefix.substr(b, e - b);
        size_t stop = run.size();
        while (stop > 0 && (run[stop - 1] == ' ' || run[stop - 1] == '<'))
            --stop;
        if (stop > 0 && (run[stop - 1] == '"' || run[stop - 1] == '\'') && !(stop > 1 && run[stop - 2] == '\\'))
            --stop;
        name = TrimSpacesTabs(run.substr(0, stop));
        if (quoted)
            name = Unescape(name);
        if (name == address)
            name.clear();
        if (name.find("?8bit?") != npos)
            name = DecodeRaw(name);
        string compact;
        for (char c : address)
            if (c != ' ')
                compact += c;
        address = compact;
    }
    string unquoted;
    for (char c : address)
        if (c != '"')
            unquoted += c;
    if (Has8Bit(name)) {
        torvane::StringBuffer encoded;
        ContentCoding().AppendEncodedWord(reinterpret_cast<const unsigned char*>(name.data()), unsigned(name.size()),
            "utf-8", encoded);
        name = FromBuffer(encoded);
    }
    SetBuffer(result->m_name, name);
    SetBuffer(result->m_address, unquoted);
    result->m_valid = true;
    return result;
}

int Rfc822Address::ParseList(const char* text, ExtPtrArray& out, bool dropRepeats, LogBase* log)
{
    if (!text)
        return 0;
    torvane::StringBuffer trimmed;
    AppendTo(trimmed, TrimSpacesTabs(text));
    torvane::StringBuffer unfolded;
    UnfoldAddressText(trimmed, unfolded);
    std::unordered_set<string> seen;
    if (dropRepeats)
        for (int i = 0; i < out.GetCount(); ++i)
            seen.insert(ToLower(out.GetAtAs<Rfc822Address>(i)->GetAddressText()));
    int count = 0;
    for (const string& piece : SplitQuoted(FromBuffer(unfolded), ',')) {
        torvane::StringBuffer pieceBuffer;
        AppendTo(pieceBuffer, piece);
        Rfc822Address* address = ParseOne(pieceBuffer, log);
        if (!address)
            continue;
        ++count;
        if (dropRepeats && !seen.insert(ToLower(address->GetAddressText())).second) {
            delete address;
            continue;
        }
        out.Append(address);
    }
    return count;
}

void Rfc822Address::CopyFrom(const Rfc822Address& other)
{
    m_valid = other.m_valid;
    m_fullText.SetBuffer(other.m_fullText);
    m_name.SetBuffer(other.m_name);
    m_address.SetBuffer(other.m_address);
}

Rfc822Address* Rfc822Address::Clone() const
{
    auto* copy = new Rfc822Address();
    copy->CopyFrom(*this);
    return copy;
}

void Rfc822Address::SetName(const char* text)
{
    m_name.Clear();
    m_name.Append(text);
}

void Rfc822Address::SetAddress(const char* text)
{
    SetBuffer(m_address, AddressFromText(Text(text)));
}

void Rfc822Address::GetNameDecoded(torvane::StringBuffer& out) const
{
    string name = FromBuffer(m_name);
    if (ContainsNoCase(name, "?Q?") || ContainsNoCase(name, "?B?")) {
        torvane::StringBuffer buffer;
        AppendTo(buffer, name);
        ContentCoding().DecodeWordsToUtf8(buffer);
        out.AppendBuffer(buffer);
        return;
    }
    out.AppendBuffer(m_name);
}

void Rfc822Address::FormatRaw(torvane::StringBuffer& out) const
{
    if (m_name.GetLength() == 0) {
        out.AppendBuffer(m_address);
        return;
    }
    AppendTo(out, QuoteName(FromBuffer(m_name)) + " <" + FromBuffer(m_address) + ">");
}

void Rfc822Address::FormatDecoded(torvane::StringBuffer& out) const
{
    if (m_name.GetLength() == 0) {
        out.AppendBuffer(m_address);
        return;
    }
    torvane::StringBuffer name;
    GetNameDecoded(name);
    AppendTo(out, QuoteName(FromBuffer(name)) + " <" + FromBuffer(m_address) + ">");
}

bool Rfc822Address::ReplaceInAll(const char* from, const char* to)
{
    if (!from || !*from)
        return false;
    bool any = false;
    for (torvane::StringBuffer* buffer : { &m_address, &m_name, &m_fullText }) {
        string text = FromBuffer(*buffer);
        if (ReplaceAll(text, from, Text(to)) > 0) {
            SetBuffer(*buffer, text);
            any = true;
        }
    }
    return any;
}

void UnfoldAddressText(const torvane::StringBuffer& in, torvane::StringBuffer& out)
{
    out.Clear();
    string text = FromBuffer(in);
    string result;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n')
            continue;
        if (c == '\t' && i > 0 && text[i - 1] == '\n')
            result += ' ';
        else
            result += c;
    }
    AppendTo(out, result);
}
