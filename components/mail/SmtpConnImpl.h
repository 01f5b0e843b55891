#pragma once
// The SMTP client session: greeting, EHLO/HELO, login, MAIL/RCPT/DATA, connection reuse by RSET.

#include "components/foundation/LogBase.h"
#include "components/net/TorvaneSocket.h"

#include <string>
#include <vector>

class Email2;
class DistributionList;
class ProgressMonitor;

class SmtpConnImpl {
public:
    SmtpConnImpl() = default;
    SmtpConnImpl(const SmtpConnImpl&) = delete;
    SmtpConnImpl& operator=(const SmtpConnImpl&) = delete;
    virtual ~SmtpConnImpl();

    void setSsl(bool on) { m_ssl = on; }
    void setStartTls(bool on) { m_startTls = on; }
    void setAllOrNone(bool on) { m_allOrNone = on; }
    void setDsnOptions(const char* notify, const char* envid, const char* ret);
    void setHeloHostName(const char* name) { m_heloName = name ? name : ""; }

    bool smtpConnect(const char* host, int port, const char* user, const char* password, const char* domain,
        const char* authMethod, int connectTimeoutSeconds, int idleTimeoutMs, LogBase& log,
        ProgressMonitor* progress, bool* timedOut, bool* aborted);
    bool sendEmail(Email2* email, const char* reversePath, const std::string* renderedMime,
        const char* sentMailFile, LogBase& log, ProgressMonitor* progress, int* numSuccess, int* numTotal,
        bool* hardFailure, DistributionList& badAddresses, bool oneMessagePerAddress, bool newMessageId,
        bool* timedOut, bool* aborted);
    void closeSmtpConnection(LogBase& log);

    // Low-level operations shared with the login exchanges.
    bool sendLogged(const char* bytes, unsigned n, LogBase& log, ProgressMonitor* progress);
    bool sendUnlogged(const char* bytes, unsigned n, LogBase& log, ProgressMonitor* progress);
    bool readResponseLine(int expectedCode, std::string& line, LogBase& log, ProgressMonitor* progress);
    bool readResponse(int expectedCode, int* code, std::string* lines, LogBase& log, ProgressMonitor* progress);
    bool sendCmdGetResponse(const std::string& command, int expectedCode, bool* commandSent, int* code,
        LogBase& log, ProgressMonitor* progress);

    bool authLogin(const std::string& user, const std::string& password, LogBase& log, ProgressMonitor* progress);
    bool authPlain(const std::string& user, const std::string& password, LogBase& log, ProgressMonitor* progress);
    bool authCramMd5(const std::string& user, const std::string& password, LogBase& log,
        ProgressMonitor* progress);

    // Reads the EHLO reply and records the capabilities it announces.
    bool readHelloReply(std::string& lines, LogBase& log, ProgressMonitor* progress);
    // Talks over an already connected stream (a socket pair in the fuzz harness and tests).
    void attachConnectedHandle(SOCKET handle, int idleTimeoutMs);
    // Whether the last EHLO reply announced the login method (or "DSN").
    bool announced(const char* method) const;

    int lastReplyCode() const { return m_lastReplyCode; }
    const std::string& transcript() const { return m_transcript; }
    bool isConnected() const { return m_socket.IsConnected(); }

    // Longest command line the session sends (CR LF included).
    static constexpr unsigned kMaxCommand = 1999;

private:
    enum Method { kLogin, kPlain, kCramMd5, kNtlm, kMsn, kDigestMd5, kGssapi, kKerberosV4, kAnonymous, kMethodCount };

    bool sendOneMessage(Email2* email, const char* reversePath, const std::string* renderedMime,
        const char* sentMailFile, LogBase& log, ProgressMonitor* progress, int& numSuccess, int& numTotal,
        bool& hardFailure, DistributionList& badAddresses);
    bool sendToList(Email2* email, const char* reversePath, const char* sentMailFile, LogBase& log,
        ProgressMonitor* progress, int& numSuccess, int& numTotal, bool& hardFailure,
        DistributionList& badAddresses, DistributionList& list, bool oneMessagePerAddress);
    bool login(const std::string& authMethod, LogBase& log, ProgressMonitor* progress);
    void parseEhloLine(const std::string& line);
    std::string heloName() const;
    void logTranscript(LogBase& log);
    void closeQuietly();

    TorvaneSocket m_socket;
    std::string m_transcript;
    std::string m_host;
    int m_port = 25;
    std::string m_user, m_password, m_domain;
    bool m_keySsl = false, m_keyStartTls = false;
    bool m_ssl = false, m_startTls = false, m_allOrNone = false;
    bool m_closed = true;
    int m_idleTimeoutMs = 30000;
    int m_lastReplyCode = 0;
    bool m_dsn = false;
    bool m_methods[kMethodCount] = {};
    std::string m_notify, m_envid, m_ret;
    std::string m_heloName;
};
