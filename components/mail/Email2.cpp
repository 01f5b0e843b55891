// The e-mail node: structure, header fields, encoded words, senders and recipients.
#include "components/mail/Email2.h"

#include "components/crypto/Certificate.h"
#include "components/foundation/DateParser.h"
#include "components/foundation/TorvaneRand.h"
#include "components/mail/ContentCoding.h"
#include "components/mail/mime/MimeField.h"
#include "components/mail/mime/MimeText.h"
#include "components/mail/mime/Rfc822Address.h"
#include "platform/base/Clock.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unistd.h>

using namespace mimetext;

namespace {

const char kDefaultMailer[] = "vornalt mail";

string LocalHostName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || !name[0])
        return "unknown";
    return name;
}

void EncodeWord(const unsigned char* text, unsigned length, const char* charsetName, bool base64,
    torvane::StringBuffer& out)
{
    if (!text || length == 0)
        return;
    string name = Text(charsetName);
    if (base64 && name.empty())
        return;
    if (name.empty())
        name = "utf-8";
    if (EqualsNoCase(name, "utf-8") && length >= 3 && text[0] == 0xEF && text[1] == 0xBB && text[2] == 0xBF) {
        text += 3;
        length -= 3;
        if (length == 0)
            return;
    }
    ContentCoding coding;
    torvane::StringBuffer word;
    if (base64) {
        coding.EncodeBase64NoBreaks(text, length, word);
        AppendTo(out, "=?" + name + "?B?" + FromBuffer(word) + "?=");
        return;
    }
    unsigned count = 0;
    char* q = coding.EncodeQ(text, length, &count);
    string encoded = q ? string(q, count) : string();
    std::free(q);
    AppendTo(out, "=?" + name + "?Q?" + encoded + "?=");
}

// Pieces of at most 39 bytes, each ending after the last blank of its window when there is one.
void EncodeText(const string& text, const string& charsetName, bool base64, torvane::StringBuffer& out)
{
    size_t pos = 0;
    bool first = true;
    while (pos < text.size()) {
        size_t size = std::min<size_t>(39, text.size() - pos);
        if (pos + size < text.size()) {
            size_t blank = text.find_last_of(" \t\r\n", pos + size - 1);
            if (blank != npos && blank >= pos)
                size = blank - pos + 1;
            // Never cut a UTF-8 sequence in two.
            while (size > 1 && (static_cast<unsigned char>(text[pos + size]) & 0xC0) == 0x80)
                --size;
        }
        if (!first)
            out.Append("\r\n ");
        first = false;
        EncodeWord(reinterpret_cast<const unsigned char*>(text.data() + pos), unsigned(size), charsetName.c_str(),
            base64, out);
        pos += size;
    }
}

} // namespace

bool IsBase64CodePage(int cp)
{
    return (cp >= 50000 && cp != 65001) || cp == 874 || (cp >= 901 && cp <= 999) || (cp >= 20833 && cp <= 21999) || cp == 1200
        || cp == 1201 || cp == 1361 || cp == 10001 || cp == 10002 || cp == 10003 || cp == 10021;
}

void EncodeWordB(const unsigned char* text, unsigned length, const char* charsetName, torvane::StringBuffer& out)
{
    if (!charsetName)
        return;
    EncodeWord(text, length, charsetName, true, out);
}

void EncodeWordQ(const unsigned char* text, unsigned length, const char* charsetName, torvane::StringBuffer& out)
{
    EncodeWord(text, length, charsetName, false, out);
}

void EncodeWordByCharset(const unsigned char* text, unsigned length, const char* charsetName,
    torvane::StringBuffer& out)
{
    static const char* const kBase64Names[] = { "shift_jis", "shift-jis", "iso-2022-jp", "euc-jp", "euc-kr",
        "iso-2022-kr", "gb2312", "hz-gb-2312", "euc-cn", "cp-936", "euc-tw", "big5", "cp-950", "cp-932", "tis-620",
        "windows-874", "iso-8859-9", "windows-1254", "iso-8859-6", "windows-1256", "cp-1256" };
    string name = Text(charsetName);
    for (const char* b : kBase64Names)
        if (EqualsNoCase(name, b)) {
            EncodeWordB(text, length, charsetName, out);
            return;
        }
    EncodeWordQ(text, length, charsetName, out);
}

Email2::Email2()
{
    GetSystemTime(&m_date);
}

Email2::Email2(NewMail)
    : Email2()
{
    ReplaceHeader("MIME-Version", "1.0");
    torvane::StringBuffer now;
    GetCurrentDateRfc822(now);
    SetDate(now.GetText());
    SetDefaultMailer();
    GenerateMessageId();
    Charset none;
    SetContentType("text/plain", nullptr, nullptr, nullptr, none, nullptr, nullptr, nullptr);
    SetTransferEncoding("7bit");
    SetDefaultMailer();
    ReplaceHeader("X-Priority", "3 (Normal)");
    ShrinkStrings();
}

Email2::~Email2()
{
    m_parts.DeleteAll();
    m_to.DeleteAll();
    m_cc.DeleteAll();
    m_bcc.DeleteAll();
    delete m_fromAddress;
    delete m_signingCert;
    delete m_encryptionCert;
    m_signerCerts.DeleteAll();
    m_encryptionCerts.DeleteAll();
}

Email2* Email2::CreateNewEmail()
{
    return new (std::nothrow) Email2(NewMail::Yes);
}

void Email2::ReplaceHeader(const char* name, const string& value)
{
    m_header.ReplaceField(name, value.c_str());
}

void Email2::SetContentType(const char* typeArg, const char* name, const char* protocol, const char* micalg,
    const Charset& charset, const char* boundary, const char* smimeType, const char* typeParam)
{
    string type = Text(typeArg);
    if (type.empty())
        type = m_contentType.empty() ? "text/plain" : m_contentType;
    // The arguments may be this node's own caches.
    string nameValue = Text(name), protocolValue = Text(protocol), micalgValue = Text(micalg),
           boundaryValue = Text(boundary), smimeValue = Text(smimeType), typeValue = Text(typeParam);
    Charset charsetValue;
    charsetValue.CopyFrom(charset);
    m_contentType = type;
    m_name.clear();
    m_protocol.clear();
    m_micalg.clear();
    m_boundary.clear();
    m_smimeType.clear();
    m_typeParam.clear();
    string value = type;
    bool charsetPossible = BeginsNoCase(type, "text") || BeginsNoCase(typeValue, "text")
        || type.find("multipart/signed") != npos || BeginsNoCase(type, "message");
    if (charsetPossible) {
        if (charsetValue.GetCodePage() != 0)
            value += "; charset=\"" + Text(charsetValue.GetName()) + "\";";
        m_charset.CopyFrom(charsetValue);
    } else {
        value += ";";
    }
    auto ensureSemicolon = [&] {
        if (value.empty() || value.back() != ';')
            value += ';';
    };
    if (!typeValue.empty()) {
        ensureSemicolon();
        value += " type=" + QuoteParameter(typeValue) + ";";
        m_typeParam = typeValue;
    }
    if (!boundaryValue.empty()) {
        ensureSemicolon();
        value += "\r\n\tboundary=" + QuoteParameter(boundaryValue) + ";";
        m_boundary = boundaryValue;
    }
    if (!nameValue.empty()) {
        ensureSemicolon();
        value += "\r\n\tname=" + QuoteParameter(nameValue) + ";";
        m_name = nameValue;
    }
    if (!protocolValue.empty()) {
        ensureSemicolon();
        value += "\r\n\tprotocol=" + QuoteParameter(protocolValue) + ";";
        m_protocol = protocolValue;
    }
    if (!micalgValue.empty()) {
        ensureSemicolon();
        value += "\r\n\tmicalg=" + micalgValue + ";";
        m_micalg = micalgValue;
    }
    if (!smimeValue.empty()) {
        ensureSemicolon();
        value += "\r\n\tsmime-type=" + smimeValue + ";";
        m_smimeType = smimeValue;
    }
    if (m_formatFlowed && EqualsNoCase(type, "text/plain")) {
        ensureSemicolon();
        value += "\r\n\tformat=flowed;";
    }
    value = Trim(value);
    if (!value.empty() && value.back() == ';') {
        value.pop_back();
        value = Trim(value);
    }
    ReplaceHeader("Content-Type", value);
}

void Email2::SetContentDisposition(const char* disposition, const char* filename)
{
    m_disposition = Text(disposition);
    m_filename = Text(filename);
    string value = m_disposition;
    if (filename)
        value += "; filename=" + QuoteParameter(m_filename);
    ReplaceHeader("Content-Disposition", value);
}

void Email2::SetTransferEncoding(const char* encoding)
{
    m_transferEncoding = Trim(Text(encoding));
    ReplaceHeader("Content-Transfer-Encoding", Text(encoding));
}

void Email2::SetContentId(const char* text)
{
    m_contentId = Text(text);
    ReplaceHeader("Content-ID", m_contentId);
}

void Email2::SetTransferEncodingForCodePage(int codePage)
{
    if (codePage == 20127)
        SetTransferEncoding("7bit");
    else if (IsBase64CodePage(codePage))
        SetTransferEncoding("base64");
    else
        SetTransferEncoding("quoted-printable");
}

void Email2::GetContentType(torvane::StringBuffer& out) const
{
    AppendTo(out, m_contentType);
}

bool Email2::IsMultipart() const
{
    return BeginsNoCase(m_contentType, "multipart");
}

void Email2::SetContentTypeFromCache(const char* type, const Charset& charset)
{
    string name = m_name, protocol = m_protocol, micalg = m_micalg, boundary = m_boundary, smime = m_smimeType,
           typeParam = m_typeParam;
    SetContentType(type, name.c_str(), protocol.c_str(), micalg.c_str(), charset, boundary.c_str(), smime.c_str(),
        typeParam.c_str());
}

void Email2::RebuildContentType()
{
    Charset charset;
    charset.CopyFrom(m_charset);
    SetContentTypeFromCache(m_contentType.c_str(), charset);
}

void Email2::SetTypeParameter(const char* value)
{
    m_typeParam = Text(value);
    RebuildContentType();
}

void Email2::SetCharset(const Charset& charset)
{
    Charset copy;
    copy.CopyFrom(charset);
    m_charset.CopyFrom(copy);
    SetContentTypeFromCache(m_contentType.c_str(), copy);
}

void Email2::SetCharsetByName(const char* name)
{
    Charset charset;
    charset.SetByName(name);
    SetCharset(charset);
}

void Email2::SetDate(const char* text)
{
    SYSTEMTIME parsed {};
    if (text && DateParser::ParseDate(text, &parsed))
        m_date = parsed;
    ReplaceHeader("Date", Text(text));
}

void Email2::GenerateMessageId()
{
    static std::once_flag seeded;
    std::call_once(seeded, [] { TorvaneRand::Seed(GetTickCount()); });
    unsigned char bytes[16];
    {
        static std::mutex generator;
        std::lock_guard<std::mutex> lock(generator);
        for (int i = 0; i < 4; ++i) {
            std::uint32_t value = TorvaneRand::NextRandom();
            for (int k = 0; k < 4; ++k)
                bytes[i * 4 + k] = static_cast<unsigned char>(value >> (8 * k));
        }
    }
    string hex;
    char digits[3];
    for (int i = 0; i < 16; ++i) {
        std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
        hex += digits;
        if (i == 3 || i == 5 || i == 7 || i == 9)
            hex += '-';
    }
    ReplaceHeader("Message-ID", "<TORVANE-MID-" + hex + "@" + LocalHostName() + ">");
}

void Email2::SetDefaultMailer()
{
    SetHeaderField("X-Mailer", kDefaultMailer);
}

bool Email2::GetHeaderField(const char* name, torvane::StringBuffer& out) const
{
    return m_header.GetFieldValue(name, out);
}

void Email2::SetHeaderField(const char* name, const char* valueArg)
{
    if (!name || !*name)
        return;
    string value;
    for (char c : Text(valueArg))
        if (c != '\r' && c != '\n')
            value += c;
    string fieldName = name;
    if (EqualsNoCase(fieldName, "Content-Transfer-Encoding"))
        SetTransferEncoding(value.c_str());
    else if (EqualsNoCase(fieldName, "Content-ID"))
        SetContentId(value.c_str());
    else if (EqualsNoCase(fieldName, "Date"))
        SetDate(value.c_str());
    else if (EqualsNoCase(fieldName, "From"))
        SetFromFull(value.c_str());
    else if (EqualsNoCase(fieldName, "Reply-To"))
        SetReplyTo(value.c_str());
    else
        ReplaceHeader(fieldName.c_str(), value);
}

void Email2::RemoveHeaderField(const char* name)
{
    if (!name)
        return;
    string fieldName = name;
    m_header.RemoveField(fieldName.c_str());
    if (EqualsNoCase(fieldName, "to")) {
        m_to.DeleteAll();
    } else if (EqualsNoCase(fieldName, "cc")) {
        m_cc.DeleteAll();
    } else if (EqualsNoCase(fieldName, "content-type")) {
        m_contentType.clear();
        m_name.clear();
        m_protocol.clear();
        m_micalg.clear();
        m_boundary.clear();
        m_smimeType.clear();
        m_charset.Clear();
        m_formatFlowed = false;
    } else if (EqualsNoCase(fieldName, "Content-Disposition")) {
        m_disposition.clear();
        m_filename.clear();
    } else if (EqualsNoCase(fieldName, "Content-Transfer-Encoding")) {
        m_transferEncoding.clear();
    } else if (EqualsNoCase(fieldName, "Content-ID")) {
        m_contentId.clear();
    } else if (EqualsNoCase(fieldName, "From")) {
        m_fromText.clear();
        delete m_fromAddress;
        m_fromAddress = nullptr;
    }
}

void Email2::GetTermValue(const char* name, torvane::StringBuffer& out)
{
    if (name && EqualsNoCase(name, "body")) {
        DataBuffer body;
        GetBodyData(body);
        out.AppendData(body);
        return;
    }
    GetHeaderField(name, out);
}

unsigned Email2::EstimateSize() const
{
    unsigned total = m_header.EstimateSize() + m_body.Get().GetSize();
    for (int i = 0; i < m_parts.GetCount(); ++i)
        total += m_parts.GetAtAs<Email2>(i)->EstimateSize();
    if (m_signOnSend)
        total += 2000;
    if (m_encryptOnSend)
        total = total * 100u / 80u;
    return total;
}

void Email2::ShrinkStrings()
{
    for (string* s : { &m_fromText, &m_contentType, &m_disposition, &m_transferEncoding, &m_contentId, &m_name,
             &m_protocol, &m_micalg, &m_boundary, &m_smimeType, &m_filename, &m_typeParam })
        s->shrink_to_fit();
}

void Email2::EncodeTextQ(const char* text, torvane::StringBuffer& out) const
{
    string value = Text(text);
    if (value.empty())
        return;
    if (value.find("?Q?") != npos || value.find("?q?") != npos) {
        AppendTo(out, value);
        return;
    }
    string name = m_charset.GetCodePage() != 0 ? Text(m_charset.GetName()) : string("us-ascii");
    if (m_charset.GetCodePage() != 0 && name.empty())
        name = "utf-8";
    EncodeText(value, name, false, out);
}

void Email2::EncodeTextB(const char* text, torvane::StringBuffer& out) const
{
    string value = Text(text);
    if (value.empty())
        return;
    if (value.find("?B?") != npos || value.find("?b?") != npos) {
        AppendTo(out, value);
        return;
    }
    string name = m_charset.GetCodePage() != 0 ? Text(m_charset.GetName()) : string("us-ascii");
    EncodeText(value, name, true, out);
}

void Email2::EncodePhrase(const char* text, torvane::StringBuffer& out) const
{
    if (!text)
        return;
    string value = text;
    if (value.find("?Q?") != npos || value.find("?B?") != npos || value.find("?q?") != npos
        || value.find("?b?") != npos) {
        AppendTo(out, value);
        return;
    }
    if (IsBase64CodePage(m_charset.GetCodePage()))
        EncodeTextB(text, out);
    else
        EncodeTextQ(text, out);
}

// Senders and recipients.

namespace {

bool AddressAt(const ExtPtrArray& list, int index, torvane::StringBuffer& out)
{
    if (index < 0 || index >= list.GetCount())
        return false;
    list.GetAtAs<Rfc822Address>(index)->GetAddress(out);
    return true;
}

string WithoutAngles(string text)
{
    string out;
    for (char c : text)
        if (c != '<' && c != '>')
            out += c;
    return Trim(out);
}

} // namespace

bool Email2::GetToAddress(int index, torvane::StringBuffer& out) const { return AddressAt(m_to, index, out); }
bool Email2::GetCcAddress(int index, torvane::StringBuffer& out) const { return AddressAt(m_cc, index, out); }
bool Email2::GetBccAddress(int index, torvane::StringBuffer& out) const { return AddressAt(m_bcc, index, out); }

void Email2::GetFromAddress(torvane::StringBuffer& out) const
{
    if (m_fromAddress)
        m_fromAddress->GetAddress(out);
}

void Email2::FormatList(const ExtPtrArray& list, torvane::StringBuffer& out, bool decoded)
{
    string text;
    for (int i = 0; i < list.GetCount(); ++i) {
        auto* address = list.GetAtAs<Rfc822Address>(i);
        torvane::StringBuffer one;
        if (decoded)
            address->FormatDecoded(one);
        else
            address->FormatRaw(one);
        if (one.GetLength() == 0)
            continue;
        if (!text.empty())
            text += ", ";
        text += FromBuffer(one);
    }
    AppendTo(out, text);
}

void Email2::FormatToList(torvane::StringBuffer& out, bool decoded) const { FormatList(m_to, out, decoded); }
void Email2::FormatCcList(torvane::StringBuffer& out, bool decoded) const { FormatList(m_cc, out, decoded); }

void Email2::FormatBccList(torvane::StringBuffer& out) const
{
    string text;
    for (int i = 0; i < m_bcc.GetCount(); ++i) {
        if (i > 0)
            text += ',';
        text += m_bcc.GetAtAs<Rfc822Address>(i)->GetAddressText();
    }
    AppendTo(out, text);
}

void Email2::FormatListEncoded(const ExtPtrArray& list, torvane::StringBuffer& out) const
{
    for (int i = 0; i < list.GetCount(); ++i) {
        if (i > 0)
            out.Append(",\r\n ");
        FormatAddressForHeader(*list.GetAtAs<Rfc822Address>(i), out);
    }
}

void Email2::FormatToListEncoded(torvane::StringBuffer& out) const { FormatListEncoded(m_to, out); }
void Email2::FormatCcListEncoded(torvane::StringBuffer& out) const { FormatListEncoded(m_cc, out); }

bool Email2::AddTo(const char* name, const char* address)
{
    // A line break would let the text after it be read as another recipient.
    if (!address || !*address || std::strpbrk(address, "\r\n"))
        return false;
    m_to.Append(new Rfc822Address(name, address));
    torvane::StringBuffer list;
    FormatToList(list, false);
    ReplaceHeader("To", FromBuffer(list));
    return true;
}

int Email2::AddList(ExtPtrArray& list, const char* text)
{
    if (!text)
        return 0;
    torvane::StringBuffer value;
    value.Append(text);
    if (value.ContainsNoCase("?Q?") || value.ContainsNoCase("?B?"))
        ContentCoding().DecodeWordsToUtf8(value);
    return Rfc822Address::ParseList(value.GetText(), list, true, nullptr);
}

int Email2::AddToList(const char* text, LogBase*)
{
    int count = AddList(m_to, text);
    torvane::StringBuffer list;
    FormatToList(list, false);
    ReplaceHeader("To", FromBuffer(list));
    return count;
}

int Email2::AddCcList(const char* text, LogBase*)
{
    int count = AddList(m_cc, text);
    torvane::StringBuffer list;
    FormatCcList(list, false);
    ReplaceHeader("Cc", FromBuffer(list));
    return count;
}

int Email2::AddBccList(const char* text, LogBase*)
{
    return AddList(m_bcc, text);
}

void Email2::ClearTo()
{
    m_to.DeleteAll();
    m_header.RemoveField("To");
}

void Email2::ClearCc()
{
    m_cc.DeleteAll();
    m_header.RemoveField("Cc");
}

void Email2::ClearBcc()
{
    m_bcc.DeleteAll();
}

void Email2::SetFromAddress(const char* text)
{
    if (!text || !std::char_traits<char>::find(text, std::char_traits<char>::length(text), '@'))
        return;
    if (m_fromAddress)
        m_fromAddress->SetAddress(text);
    else
        m_fromAddress = new Rfc822Address(m_fromText.empty() ? nullptr : m_fromText.c_str(), text);
    torvane::StringBuffer raw;
    m_fromAddress->FormatRaw(raw);
    ReplaceHeader("From", FromBuffer(raw));
    if (!m_header.HasField("return-path"))
        ReplaceHeader("Return-Path", m_fromAddress->GetAddressText());
}

namespace {

// The address of a From or Reply-To text with its display name as one UTF-8 Q word.
Rfc822Address* ParseWithEncodedName(const char* text)
{
    if (!text)
        return nullptr;
    torvane::StringBuffer buffer;
    buffer.Append(text);
    Rfc822Address* address = Rfc822Address::ParseOne(buffer, nullptr);
    if (!address)
        return nullptr;
    torvane::StringBuffer decoded;
    address->GetNameDecoded(decoded);
    torvane::StringBuffer encoded;
    if (decoded.GetLength() > 0)
        EncodeWordByCharset(reinterpret_cast<const unsigned char*>(decoded.GetText()), unsigned(decoded.GetLength()),
            "utf-8", encoded);
    address->SetName(encoded.GetText());
    return address;
}

} // namespace

void Email2::SetFromFull(const char* text)
{
    Rfc822Address* address = ParseWithEncodedName(text);
    if (!address)
        return;
    delete m_fromAddress;
    m_fromAddress = address;
    torvane::StringBuffer raw;
    address->FormatRaw(raw);
    ReplaceHeader("From", FromBuffer(raw));
    if (!m_header.HasField("return-path"))
        ReplaceHeader("Return-Path", address->GetAddressText());
}

void Email2::SetReplyTo(const char* text)
{
    Rfc822Address* address = ParseWithEncodedName(text);
    if (!address)
        return;
    torvane::StringBuffer raw;
    address->FormatRaw(raw);
    ReplaceHeader("Reply-To", FromBuffer(raw));
    delete address;
}

void Email2::GetReversePath(torvane::StringBuffer& out) const
{
    out.Clear();
    torvane::StringBuffer value;
    if (m_header.GetFieldValue("return-path", value)) {
        string path = WithoutAngles(FromBuffer(value));
        if (!path.empty()) {
            AppendTo(out, path);
            return;
        }
    }
    string path = m_fromAddress ? WithoutAngles(m_fromAddress->GetAddressText()) : string();
    value.Clear();
    if (path.empty() && m_header.GetFieldValue("from", value)) {
        Rfc822Address* address = Rfc822Address::ParseOne(value, nullptr);
        if (address) {
            path = WithoutAngles(address->GetAddressText());
            delete address;
        }
    }
    value.Clear();
    if (path.empty() && m_header.GetFieldValue("reply-to", value))
        path = WithoutAngles(FromBuffer(value));
    AppendTo(out, path);
}

void Email2::CopyRecipients(const Email2& other)
{
    torvane::StringBuffer to, cc, bcc;
    FormatList(other.m_to, to, false);
    FormatList(other.m_cc, cc, false);
    FormatList(other.m_bcc, bcc, false);
    AddToList(to.GetText(), nullptr);
    AddCcList(cc.GetText(), nullptr);
    AddBccList(bcc.GetText(), nullptr);
}

void Email2::FormatAddressForHeader(const Rfc822Address& address, torvane::StringBuffer& out) const
{
    torvane::StringBuffer raw;
    address.FormatRaw(raw);
    if (address.HasNoName() || m_charset.GetCodePage() == 0 || EqualsNoCase(Text(m_charset.GetName()), "us-ascii")
        || raw.Is7Bit()) {
        out.AppendBuffer(raw);
        return;
    }
    EncodeAddressText(raw.GetText(), out);
}

void Email2::EncodeAddressText(const char* textArg, torvane::StringBuffer& out) const
{
    string copy;
    for (const char* p = textArg ? textArg : ""; *p && copy.size() < 399; ++p)
        if (*p != '"')
            copy += *p;
    size_t at = copy.rfind('@');
    if (at == npos || at == 0) {
        AppendTo(out, copy);
        return;
    }
    size_t split = npos;
    for (size_t i = at; i-- > 0;) {
        if (copy[i] == '<') {
            split = i;
            break;
        }
        if (copy[i] == ' ' || copy[i] == '\t') {
            split = i;
            break;
        }
    }
    if (split == npos) {
        AppendTo(out, copy);
        return;
    }
    while (split > 0 && (copy[split - 1] == ' ' || copy[split - 1] == '\t'))
        --split;
    if (split == 0) {
        AppendTo(out, copy);
        return;
    }
    string name = copy.substr(0, split);
    EncodePhrase(name.c_str(), out);
    string rest = copy.substr(split);
    if (rest.empty() || rest[0] != ' ')
        out.Append(" ");
    AppendTo(out, rest);
}
