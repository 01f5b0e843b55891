#pragma once
// The SMTP client session: greeting, EHLO/HELO, login, MAIL/RCPT/DATA, connection reuse by RSET.

#include "components/foundation/LogBase.h"
#include "components/net/PackageExchange.h"
#include "components/net/Socket2.h"

#include <functional>
#include <string>
#include <vector>

class Email2;
class MimeSink;
class DistributionList;
class ProgressMonitor;

class SmtpConnImpl : public PackageExchange {
public:
    SmtpConnImpl() = default;
    SmtpConnImpl(const SmtpConnImpl&) = delete;
    SmtpConnImpl& operator=(const SmtpConnImpl&) = delete;
    ~SmtpConnImpl() override;

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
    // One reply, bounded in size, its lines without their line ends (oneLine: the first line is the
    // whole reply); the last line's code becomes lastReplyCode.
    bool readReply(std::vector<std::string>& lines, bool oneLine, LogBase& log, ProgressMonitor* progress);
    bool readResponseLine(int expectedCode, std::string& line, LogBase& log, ProgressMonitor* progress);
    bool readResponse(int expectedCode, int* code, std::string* lines, LogBase& log, ProgressMonitor* progress);
    bool sendCmdGetResponse(const std::string& command, int expectedCode, bool* commandSent, int* code,
        LogBase& log, ProgressMonitor* progress);

    bool authLogin(const std::string& user, const std::string& password, LogBase& log, ProgressMonitor* progress);
    bool authPlain(const std::string& user, const std::string& password, LogBase& log, ProgressMonitor* progress);
    bool authCramMd5(const std::string& user, const std::string& password, LogBase& log,
        ProgressMonitor* progress);
    bool authNtlm(const std::string& domain, const std::string& user, const std::string& password, LogBase& log,
        bool* notAvailable, ProgressMonitor* progress);
    bool authMsn(const std::string& domain, const std::string& user, const std::string& password, LogBase& log,
        bool* notAvailable, ProgressMonitor* progress);
    bool exchangePackage(DataBuffer& serverToken, const DataBuffer& clientToken, LogBase& log) override;
    bool sendFinal(const DataBuffer& clientToken, LogBase& log) override;

    // Reads the EHLO reply and records the capabilities it announces.
    bool readHelloReply(std::string& lines, LogBase& log, ProgressMonitor* progress);
    // Talks over an already connected stream (a socket pair in the fuzz harness and tests).
    void attachConnectedHandle(SOCKET handle, int idleTimeoutMs);
    // Whether the last EHLO reply announced the login method (or "DSN").
    bool announced(const char* method) const;

    int lastReplyCode() const { return m_lastReplyCode; }
    const std::string& transcript() const { return m_transcript; }
    bool isConnected() const { return m_conn.IsConnected(); }
    bool isTlsInUse() const { return m_tlsInUse; }
    // The TLS channel, for settings such as the server-certificate check.
    SChannel& channel() { return m_conn.Channel(); }

    // Longest command line the session sends (CR LF included).
    static constexpr unsigned kMaxCommand = 1999;

private:
    enum Method { kLogin, kPlain, kCramMd5, kNtlm, kMsn, kDigestMd5, kGssapi, kKerberosV4, kAnonymous, kMethodCount };

    bool sendOneMessage(Email2* email, const char* reversePath, const std::string* renderedMime,
        const char* sentMailFile, LogBase& log, ProgressMonitor* progress, int& numSuccess, int& numTotal,
        bool& hardFailure, DistributionList& badAddresses);
    // The steps of a send: the reverse path, the recipients (false when none, or not all under
    // all-or-none, was accepted), DATA, the dot-stuffed text and the terminating dot. A false
    // return has logged its failure and set what the caller reports.
    bool sendMailFrom(const std::string& path, LogBase& log, ProgressMonitor* progress, bool& hardFailure);
    bool sendRecipients(Email2* email, LogBase& log, ProgressMonitor* progress, int& numSuccess, int& numTotal,
        DistributionList& badAddresses);
    bool sendDataCommand(LogBase& log, ProgressMonitor* progress, int& numSuccess, bool& hardFailure);
    // Writes the message text into the sink given (false when the sink stopped it); it is called
    // once per pass over the text, with the log its rendering may write to.
    using Producer = std::function<bool(MimeSink&, LogBase&)>;
    bool sendBody(const Producer& produce, LogBase& log, ProgressMonitor* progress, int& numSuccess,
        bool& hardFailure, bool& endsWithLineBreak);
    bool sendEndOfBody(bool endsWithLineBreak, LogBase& log, ProgressMonitor* progress, int& numSuccess,
        bool& hardFailure);
    bool sendToList(Email2* email, const char* reversePath, const char* sentMailFile, LogBase& log,
        ProgressMonitor* progress, int& numSuccess, int& numTotal, bool& hardFailure,
        DistributionList& badAddresses, DistributionList& list, bool oneMessagePerAddress);
    // Counts progress units; true (with the log entry) when the application asked to stop.
    bool abortedAfter(ProgressMonitor* progress, unsigned units, LogBase& log);
    bool connectSteps(const char* host, int port, const char* user, const char* password, const char* domain,
        const char* authMethod, int connectTimeoutSeconds, int idleTimeoutMs, LogBase& log, ProgressMonitor* progress);
    // The steps of a connect: the connection and the server's greeting; after an EHLO reply, STARTTLS
    // when the login needs it and the login; after a refused EHLO, HELO and a plain login.
    bool openAndGreet(const std::string& host, int port, DWORD connectMs, LogBase& log, ProgressMonitor* progress);
    bool protectAndLogin(std::string& lines, const std::string& user, const std::string& method, LogBase& log,
        ProgressMonitor* progress);
    bool heloAndLogin(const std::string& host, const std::string& user, const std::string& password,
        const std::string& method, LogBase& log, ProgressMonitor* progress);
    bool login(const std::string& authMethod, LogBase& log, ProgressMonitor* progress);
    bool authPackage(const char* package, const std::string& domain, const std::string& user,
        const std::string& password, LogBase& log, bool* notAvailable, ProgressMonitor* progress);
    // One login token in base64, kept out of the transcript.
    bool sendToken(const DataBuffer& token, LogBase& log);
    bool startTls(LogBase& log, ProgressMonitor* progress);
    bool sendHello(const char* verb, const std::string& name, LogBase& log, ProgressMonitor* progress);
    void parseEhloLine(const std::string& line);
    std::string heloName() const;
    void logTranscript(LogBase& log);
    void closeQuietly();

    // Plain or TLS (implicit, or after STARTTLS) behind the same operations.
    Socket2 m_conn;
    // Whether the session talks through the TLS channel (implicit TLS or after STARTTLS).
    bool m_tlsInUse = false;
    bool m_sendAborted = false;
    // How the last reply wait ended when it failed: the application stopped it, or time ran out.
    bool m_replyAborted = false;
    bool m_replyTimedOut = false;
    ProgressMonitor* m_exchangeProgress = nullptr;
    // The host and port being connected (the reuse key is stored only once connected).
    std::string m_connecting;
    int m_connectingPort = 25;
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
    bool m_offersStartTls = false; // the last EHLO reply announced STARTTLS
    bool m_methods[kMethodCount] = {};
    std::string m_notify, m_envid, m_ret;
    std::string m_heloName;
};
