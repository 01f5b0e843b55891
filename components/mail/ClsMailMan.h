#pragma once
// The API-level mailer: SMTP settings, one SMTP session kept between sends, and SendEmail.

#include "components/foundation/ClsBase.h"
#include "components/mail/DistributionList.h"
#include "components/mail/SmtpConnImpl.h"

#include <string>

class ClsEmail;
class Email2;
class ProgressEvent;
class ProgressMonitor;

class ClsMailMan : public ClsBase {
public:
    ClsMailMan() = default;
    ~ClsMailMan() override = default;

    bool SendEmail(ClsEmail* email, ProgressEvent* progress);

    void SetSmtpHost(const char* host);
    const std::string& GetSmtpHost() const { return m_host; }
    void SetSmtpPort(int port) { m_port = port; }
    void SetSmtpUsername(const char* user) { m_user = user ? user : ""; }
    void SetSmtpPassword(const char* password) { m_password = password ? password : ""; }
    void SetSmtpAuthMethod(const char* method) { m_authMethod = method ? method : ""; }
    void SetSsl(bool on) { m_ssl = on; }
    void SetStartTls(bool on) { m_startTls = on; }
    void SetHeloHostName(const char* name) { m_heloName = name ? name : ""; }
    void SetDsnOptions(const char* notify, const char* envid, const char* ret)
    {
        m_notify = notify ? notify : "";
        m_envid = envid ? envid : "";
        m_ret = ret ? ret : "";
    }
    void SetReadTimeoutSeconds(int seconds) { m_readTimeoutSeconds = seconds; }
    void SetAllOrNone(bool on) { m_allOrNone = on; }
    void SetOneMessagePerAddress(bool on) { m_onePerAddress = on; }
    void SetSentMailFile(const char* path) { m_sentMailFile = path ? path : ""; }
    void SetHeartbeatMs(unsigned ms) { m_heartbeatMs = ms; }
    // The certificate check of TLS connections (on by default).
    void SetRequireVerifiedServerCert(bool on) { m_session.channel().SetRequireVerifiedServerCert(on); }

    int LastSmtpStatus() const { return m_lastStatus; }
    DistributionList& BadAddresses() { return m_badAddresses; }

private:
    Email2* PrepareCopy(ClsEmail& email);
    bool Aborted(ProgressMonitor& monitor, unsigned units);

    SmtpConnImpl m_session;
    std::string m_host = "localhost";
    int m_port = 25;
    std::string m_user, m_password, m_domain, m_authMethod, m_heloName;
    bool m_ssl = false, m_startTls = false, m_allOrNone = false;
    bool m_onePerAddress = true, m_newMessageId = true;
    std::string m_notify, m_envid, m_ret;
    int m_connectTimeoutSeconds = 30;
    int m_readTimeoutSeconds = 30;
    unsigned m_heartbeatMs = 0;
    bool m_opaqueSigning = false, m_signingOption = false;
    std::string m_sentMailFile;
    int m_lastStatus = 0;
    DistributionList m_badAddresses;
};
