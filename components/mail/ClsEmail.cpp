#include "components/foundation/TextTrim.h"
#include "components/mail/ClsEmail.h"

#include "components/foundation/Charset.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/UnicodeInfo.h"
#include "components/foundation/XString.h"
#include "components/mail/Email2.h"
#include "components/mail/mime/MimeText.h"

#include <string>
#include <strings.h>

namespace {

std::string Trimmed(const char* text) { return TrimWhitespace(text); }

} // namespace

ClsEmail::ClsEmail()
    : m_email(Email2::CreateNewEmail())
{
}

ClsEmail::~ClsEmail() { delete m_email; }

Email2* ClsEmail::GetEmail2()
{
    if (!m_email)
        m_email = Email2::CreateNewEmail();
    return m_email;
}

void ClsEmail::ChooseCharset(const XString& text)
{
    Email2* email = GetEmail2();
    const WCHAR* units = text.GetUtf16();
    if (email->NodeCharset().GetCodePage() != 0 || !units || !*units)
        return;
    int count = 0;
    while (units[count])
        ++count;
    UnicodeInfo info;
    info.CountScripts(units, count);
    Charset charset;
    info.ChooseCharset(charset);
    // The script's usual charset may still lack some of its characters (ISO-8859-6 has no
    // Arabic-Indic digits): then UTF-8, which holds them all.
    bool holds = false;
    if (charset.GetCodePage() != 0 && charset.GetCodePage() != 65001)
        mimetext::Convert(65001, charset.GetCodePage(), text.GetUtf8(), &holds);
    if (charset.GetCodePage() != 0 && !holds)
        charset.SetByCodePage(65001);
    if (charset.GetCodePage() != 0)
        email->SetCharset(charset);
}

void ClsEmail::SetBody(const XString& text)
{
    ChooseCharset(text);
    if (strcasecmp(GetEmail2()->ContentType().c_str(), "text/html") == 0)
        GetEmail2()->ChangeContentType("text/plain");
    DataBuffer bytes;
    const char* utf8 = text.GetUtf8();
    if (utf8 && *utf8)
        bytes.Append(utf8, unsigned(std::char_traits<char>::length(utf8)));
    GetEmail2()->SetBody(bytes, false);
}

void ClsEmail::SetSubject(const XString& text)
{
    ChooseCharset(text);
    GetEmail2()->SetHeaderField("Subject", text.GetUtf8());
}

bool ClsEmail::AddTo(const char* name, const char* address)
{
    BeginPublicCall("AddTo", 0);
    std::string n = Trimmed(name), a = Trimmed(address);
    bool high = false;
    for (unsigned char c : n)
        high = high || c >= 0x80;
    if (high) {
        XString x;
        x.SetFromUtf8(n.c_str());
        ChooseCharset(x);
    }
    m_log.LogData("name", n.c_str());
    m_log.LogData("address", a.c_str());
    bool ok = false;
    if (a.empty()) {
        m_log.LogError("No Email Address was provided");
    } else {
        ok = GetEmail2()->AddTo(n.c_str(), a.c_str());
        if (!ok)
            m_log.LogError(("Invalid email address: name = [" + n + "], address = [" + a + "]").c_str());
    }
    EndPublicCall();
    return ok;
}

void ClsEmail::SetFrom(const XString& text) { GetEmail2()->SetFromAddress(Trimmed(text.GetUtf8()).c_str()); }

bool ClsEmail::AddFileAttachment(const char* utf8Path, torvane::StringBuffer& contentType)
{
    BeginPublicCall("AddFileAttachment", 0);
    XString path;
    path.SetFromUtf8(utf8Path ? utf8Path : "");
    bool ok = GetEmail2()->AddFileAttachment(path, nullptr, contentType, &m_log);
    if (!ok)
        m_log.LogError("Failed to add file attachment");
    EndPublicCall();
    return ok;
}

bool ClsEmail::AddFileAttachmentX(const char* utf8Path, XString& contentType)
{
    contentType.Clear();
    torvane::StringBuffer type;
    if (!AddFileAttachment(utf8Path, type))
        return false;
    contentType.SetFromUtf8(type.GetText());
    return true;
}

Email2* ClsEmail::CloneWithReplacements()
{
    for (const auto& pair : m_replacements)
        m_log.LogInfo(("Replacing [" + pair.first + "] with [" + pair.second + "]").c_str());
    return GetEmail2()->CloneWithReplacements(m_replacements, &m_log);
}
