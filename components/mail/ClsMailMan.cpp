#include "components/mail/ClsMailMan.h"

#include "components/foundation/ProgressMonitor.h"
#include "components/foundation/StringBuffer.h"
#include "components/mail/ClsEmail.h"
#include "components/mail/Email2.h"
#include "components/mail/MailManCallback.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <strings.h>

namespace {

// A provider whose server refuses messages carrying a Return-Path field.
constexpr const char* kNoReturnPathHost = "smtp.noreturnpath.invalid";

} // namespace

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
    Email2* copy = nullptr;
    if (email.HasReplacements()) {
        copy = email.CloneWithReplacements();
        if (!copy)
            m_log.LogError("Failed to clone with replacements.");
    } else {
        copy = email.GetEmail2()->Clone(&m_log);
    }
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
        // Blind copies travel in the envelope only: a "Bcc" header would show them to everyone.
        copy->AddBccList(value.GetText(), &m_log);
        copy->RemoveHeaderField("TVX-Bcc");
    }
    bool sign = copy->GetSignOnSend(), encrypt = copy->GetEncryptOnSend();
    if (sign || encrypt) {
        std::unique_ptr<Email2> plain(copy);
        std::unique_ptr<Email2> signedCopy;
        if (sign)
            signedCopy.reset(m_opaqueSigning || encrypt ? plain->CreateSignedOpaque(m_signingOption, &m_log)
                                                        : plain->CreateSignedDetached(m_signingOption, &m_log));
        if (sign && !signedCopy)
            return nullptr;
        if (!encrypt)
            return signedCopy.release();
        return (signedCopy ? signedCopy.get() : plain.get())->CreateEncrypted(&m_log);
    }
    return copy;
}

bool ClsMailMan::Aborted(ProgressMonitor& monitor, unsigned units)
{
    bool abort = false;
    monitor.ConsumeProgress(units, &abort);
    if (abort)
        m_log.LogError("Mail sending aborted by application");
    return abort;
}

bool ClsMailMan::SendEmail(ClsEmail* email, ProgressEvent* progress)
{
    BeginPublicCall("SendEmail", 0);
    if (auto* callback = dynamic_cast<MailManCallback*>(progress))
        callback->SetSending(true);
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

    ProgressMonitor monitor(progress, std::int64_t(email->GetEmail2()->EstimateSize()) * 3 / 2 + 200);
    auto fail = [&] {
        monitor.Complete();
        EndPublicCall();
        return false;
    };
    if (Aborted(monitor, 200))
        return fail();

    m_session.setSsl(ssl);
    m_session.setStartTls(startTls);
    m_session.setAllOrNone(m_allOrNone);
    m_session.setHeloHostName(m_heloName.c_str());
    m_session.setDsnOptions(m_notify.c_str(), m_envid.c_str(), m_ret.c_str());

    bool timedOut = false, aborted = false;
    bool connected = false;
    try {
        connected = m_session.smtpConnect(m_host.c_str(), m_port, m_user.c_str(), m_password.c_str(),
            m_domain.c_str(), m_authMethod.c_str(), m_connectTimeoutSeconds, m_readTimeoutSeconds * 1000, m_log,
            &monitor, &timedOut, &aborted);
    } catch (const std::exception&) {
        m_log.LogError("Unexpected exception while connecting to the SMTP server.");
        return fail();
    }
    if (!connected) {
        if (aborted || monitor.IsAborted())
            m_log.LogError("Aborted by application");
        m_log.LogError("Failed to connect to SMTP server.");
        return fail();
    }
    if (Aborted(monitor, 200))
        return fail();
    if (m_heartbeatMs && monitor.CheckHeartbeat(m_heartbeatMs)) {
        m_log.LogError("Mail send aborted by application.");
        return fail();
    }
    std::unique_ptr<Email2> copy;
    try {
        copy.reset(PrepareCopy(*email));
    } catch (const std::exception&) {
        m_log.LogError("Unexpected exception while preparing email for sending.");
        return fail();
    }
    if (!copy) {
        m_log.LogError("Failed to prepare email for sending.");
        return fail();
    }
    if (m_heartbeatMs && monitor.CheckHeartbeat(m_heartbeatMs)) {
        m_log.LogError("Mail send aborted by application..");
        return fail();
    }
    if (Aborted(monitor, 50))
        return fail();
    if (strcasecmp(m_host.c_str(), kNoReturnPathHost) == 0)
        copy->RemoveHeaderField("return-path");

    int numSuccess = 0, numTotal = 0;
    bool hard = false;
    bool ok = m_session.sendEmail(copy.get(), reversePath.GetText(), nullptr, m_sentMailFile.c_str(), m_log,
        &monitor, &numSuccess, &numTotal, &hard, m_badAddresses, m_onePerAddress, m_newMessageId, &timedOut,
        &aborted);
    monitor.Complete();
    m_lastStatus = m_session.lastReplyCode();
    copy.reset();
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
