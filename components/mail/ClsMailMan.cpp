#include "components/mail/ClsMailMan.h"

#include "components/foundation/StringBuffer.h"
#include "components/mail/ClsEmail.h"
#include "components/mail/Email2.h"

#include <algorithm>
#include <cctype>
#include <memory>

void ClsMailMan::SetSmtpHost(const char* host)
{
    std::string h = host ? host : "";
    std::transform(h.begin(), h.end(), h.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    for (const char* scheme : {"http://", "https://"}) {
        size_t at = h.find(scheme);
        if (at != std::string::npos)
            h.erase(at, std::char_traits<char>::length(scheme));
    }
    h.erase(std::remove(h.begin(), h.end(), '/'), h.end());
    m_host = h;
}

Email2* ClsMailMan::PrepareCopy(ClsEmail& email)
{
    Email2* copy = email.GetEmail2()->Clone(&m_log);
    if (!copy)
        return nullptr;
    torvane::StringBuffer value;
    if (copy->GetHeaderField("TVX-ReturnReceipt", value) && std::string(value.GetText()) == "YES") {
        torvane::StringBuffer existing;
        if (!copy->GetHeaderField("Disposition-Notification-To", existing)) {
            torvane::StringBuffer from;
            copy->GetFromAddress(from);
            copy->SetHeaderField("Disposition-Notification-To", (std::string("<") + from.GetText() + ">").c_str());
        }
        copy->RemoveHeaderField("TVX-ReturnReceipt");
    }
    copy->RemoveHeaderField("Return-Path");
    value.Clear();
    if (copy->GetHeaderField("TVX-Bcc", value)) {
        copy->SetHeaderField("Bcc", value.GetText());
        copy->RemoveHeaderField("TVX-Bcc");
    }
    return copy;
}

bool ClsMailMan::SendEmail(ClsEmail* email, ProgressEvent* /*progress*/)
{
    BeginPublicCall("SendEmail", 0);
    bool ssl = m_ssl, startTls = m_startTls;
    if (ssl && startTls) {
        if (m_port == 465)
            startTls = false;
        else
            ssl = false;
    }
    if (!email) {
        m_log.LogError("Email parameter is NULL in SendEmail");
        EndPublicCall();
        return false;
    }
    torvane::StringBuffer reversePath;
    email->GetEmail2()->GetReversePath(reversePath);

    m_session.setSsl(ssl);
    m_session.setStartTls(startTls);
    m_session.setAllOrNone(m_allOrNone);
    m_session.setHeloHostName(m_heloName.c_str());
    m_session.setDsnOptions(m_notify.c_str(), m_envid.c_str(), m_ret.c_str());

    bool timedOut = false, aborted = false;
    if (!m_session.smtpConnect(m_host.c_str(), m_port, m_user.c_str(), m_password.c_str(), m_domain.c_str(),
            m_authMethod.c_str(), m_connectTimeoutSeconds, m_readTimeoutSeconds * 1000, m_log, nullptr, &timedOut,
            &aborted)) {
        if (aborted)
            m_log.LogError("Aborted by application");
        m_log.LogError("Failed to connect to SMTP server.");
        EndPublicCall();
        return false;
    }
    std::unique_ptr<Email2> copy(PrepareCopy(*email));
    if (!copy) {
        m_log.LogError("Failed to prepare email for sending.");
        EndPublicCall();
        return false;
    }
    int numSuccess = 0, numTotal = 0;
    bool hard = false;
    bool ok = m_session.sendEmail(copy.get(), reversePath.GetText(), nullptr, m_sentMailFile.c_str(), m_log,
        nullptr, &numSuccess, &numTotal, &hard, m_badAddresses, m_onePerAddress, m_newMessageId, &timedOut,
        &aborted);
    m_lastStatus = m_session.lastReplyCode();
    if (!ok) {
        if (aborted) {
            m_log.LogError("Aborted by application");
        } else if (timedOut) {
            m_log.LogError("Timed out");
        } else if (numSuccess > 0 && numSuccess < numTotal) {
            m_log.LogError("Partial send failure.");
        } else {
            m_log.LogDataInt("NumSuccess", numSuccess);
            m_log.LogDataInt("NumTotal", numTotal);
            m_log.LogError("Send failed.");
        }
    }
    EndPublicCall();
    return ok;
}
