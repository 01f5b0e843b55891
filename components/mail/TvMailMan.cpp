#include "components/mail/TvMailMan.h"

#include "components/foundation/XString.h"
#include "components/mail/ClsEmail.h"
#include "components/mail/ClsMailMan.h"
#include "components/mail/MailManCallback.h"

namespace {

void SetText(XString& out, const char* text, bool utf8) { out.SetFromUtf8OrAnsi(text ? text : "", utf8); }

// Carries the library's mail notifications to the application's callback for one send.
class TvMailCb : public MailManCallback {
public:
    explicit TvMailCb(TvMailProgress* application)
        : m_application(application)
    {
    }
    void SendPercentDone(int percent, bool* abort) override
    {
        if (m_application)
            m_application->SendPercentDone(percent, abort);
    }
    void ReadPercentDone(int percent, bool* abort) override
    {
        if (m_application)
            m_application->ReadPercentDone(percent, abort);
    }
    void AbortCheck(bool* abort) override
    {
        if (m_application && abort)
            m_application->AbortCheck(abort);
    }
    void Notify31(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t e,
        std::uint32_t f, std::uint32_t g) override
    {
        if (m_application)
            m_application->Notify31(a, b, c, d, e, f, g);
    }

private:
    TvMailProgress* m_application;
};

} // namespace

TvEmail::TvEmail()
    : m_impl(new ClsEmail)
{
}

TvEmail::~TvEmail()
{
    if (m_owns)
        delete m_impl;
}

void TvEmail::SetBody(const char* text)
{
    XString x;
    SetText(x, text, m_utf8);
    m_impl->SetBody(x);
}

bool TvEmail::AddTo(const char* name, const char* address)
{
    XString n, a;
    SetText(n, name, m_utf8);
    SetText(a, address, m_utf8);
    return m_impl->AddTo(n.GetUtf8(), a.GetUtf8());
}

void TvEmail::SetFrom(const char* text)
{
    XString x;
    SetText(x, text, m_utf8);
    m_impl->SetFrom(x);
}

void TvEmail::SetSubject(const char* text)
{
    XString x;
    SetText(x, text, m_utf8);
    m_impl->SetSubject(x);
}

bool TvEmail::AddFileAttachment(const char* path, TvString* contentType)
{
    XString p;
    SetText(p, path, m_utf8);
    if (!contentType) {
        XString ignored;
        return m_impl->AddFileAttachmentX(p.GetUtf8(), ignored);
    }
    return m_impl->AddFileAttachmentX(p.GetUtf8(), contentType->Value());
}

const char* TvEmail::AddFileAttachment(const char* path)
{
    m_text.Clear();
    if (!AddFileAttachment(path, &m_text))
        return nullptr;
    m_text.SetUtf8Flag(m_utf8);
    return m_text.GetString();
}

TvMailMan::TvMailMan()
    : m_impl(new ClsMailMan)
{
}

TvMailMan::~TvMailMan() { delete m_impl; }

void TvMailMan::SetSmtpHost(const char* host)
{
    XString x;
    SetText(x, host, m_utf8);
    m_impl->SetSmtpHost(x.GetUtf8());
}

void TvMailMan::SetSmtpPort(int port) { m_impl->SetSmtpPort(port); }

void TvMailMan::SetSmtpUsername(const char* user)
{
    XString x;
    SetText(x, user, m_utf8);
    m_impl->SetSmtpUsername(x.GetUtf8());
}

void TvMailMan::SetSmtpPassword(const char* password)
{
    XString x;
    SetText(x, password, m_utf8);
    m_impl->SetSmtpPassword(x.GetUtf8());
}

bool TvMailMan::SendEmail(TvEmail* email)
{
    if (!email)
        return false;
    if (!m_callback)
        return m_impl->SendEmail(email->Impl(), nullptr);
    TvMailCb callback(m_callback);
    return m_impl->SendEmail(email->Impl(), &callback);
}

void TvMailMan::GetLastErrorText(TvString& out)
{
    XString text;
    m_impl->GetErrorLogText(text, false);
    out.Value().CopyFrom(text);
}
