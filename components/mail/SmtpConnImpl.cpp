#include "components/foundation/TextTrim.h"
#include "components/mail/SmtpConnImpl.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/ProgressMonitor.h"
#include "components/foundation/StringBuffer.h"
#include "components/mail/ContentCoding.h"
#include "components/mail/CramMD5.h"
#include "components/mail/DistributionList.h"
#include "components/mail/Email2.h"
#include "components/net/TorvaneSSPI.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>
#include <unistd.h>

namespace {

constexpr unsigned kTranscriptSendLimit = 2500;
// The message goes out in pieces of this size: a whole number of progress steps (4,096) and of
// TLS records (16,000), so the sends and the progress they count are those of one whole send.
constexpr size_t kDataPiece = 512000;

// Dot-stuffs what is written to it (a line that starts with '.' gets one more) and hands the runs
// on, without building the stuffed text; remembers how the text ended.
class StuffingSink : public MimeSink {
public:
    using Next = std::function<bool(const char*, size_t)>;
    explicit StuffingSink(Next next)
        : m_next(std::move(next))
    {
    }
    bool Write(const char* bytes, size_t n) override
    {
        if (n == 0)
            return true;
        size_t start = 0;
        for (size_t at = 0; at < n;) {
            if (m_lineStart && bytes[at] == '.') {
                if (!Pass(bytes + start, at - start) || !Pass(".", 1))
                    return false;
                start = at;
            }
            const void* lf = std::memchr(bytes + at, '\n', n - at);
            m_lineStart = lf != nullptr;
            at = lf ? size_t(static_cast<const char*>(lf) - bytes) + 1 : n;
        }
        m_beforeLast = n >= 2 ? bytes[n - 2] : m_last;
        m_last = bytes[n - 1];
        return Pass(bytes + start, n - start);
    }
    // Stuffing only adds dots after line feeds: the stuffed text ends as the text does.
    bool EndsWithLineBreak() const { return m_beforeLast == '\r' && m_last == '\n'; }
    std::uint64_t StuffedSize() const { return m_size; }

private:
    bool Pass(const char* bytes, size_t n)
    {
        m_size += n;
        return n == 0 || m_next(bytes, n);
    }

    Next m_next;
    bool m_lineStart = true;
    char m_beforeLast = 0, m_last = 0;
    std::uint64_t m_size = 0;
};

// Hosts this client never contacts (matched as lower-case parts of the name), and whom to ask.
constexpr const char* kRefusedHostTexts[] = {"smtp.refused.invalid"};
constexpr const char* kSupportContact = "support@vornalt.invalid";

std::string Trimmed(const char* text) { return TrimWhitespace(text); }

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

std::string Upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

// A line break or NUL inside an address would end the command early and start another.
bool UnsafeAddress(const std::string& address)
{
    return address.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

bool StartsWithNoCase(const std::string& s, const char* prefix)
{
    size_t n = std::char_traits<char>::length(prefix);
    return s.size() >= n && Lower(s.substr(0, n)) == Lower(prefix);
}

int ReplyCode(const std::string& line)
{
    if (line.size() < 3 || !std::isdigit((unsigned char)line[0]) || !std::isdigit((unsigned char)line[1])
        || !std::isdigit((unsigned char)line[2]))
        return -2;
    return std::atoi(line.substr(0, 3).c_str());
}

std::string Base64(const std::string& bytes)
{
    ContentCoding coding;
    torvane::StringBuffer out;
    coding.EncodeBase64NoBreaks(reinterpret_cast<const unsigned char*>(bytes.data()), unsigned(bytes.size()), out);
    return std::string(out.GetText(), size_t(out.GetLength()));
}

} // namespace

SmtpConnImpl::~SmtpConnImpl()
{
    if (!m_closed && isConnected()) {
        LogNull log;
        bool sent = false;
        int code = 0;
        sendCmdGetResponse("QUIT\r\n", 221, &sent, &code, log, nullptr);
    }
    closeQuietly();
}

void SmtpConnImpl::setDsnOptions(const char* notify, const char* envid, const char* ret)
{
    m_notify = Trimmed(notify);
    m_envid = Trimmed(envid);
    m_ret = Trimmed(ret);
}

bool SmtpConnImpl::sendLogged(const char* bytes, unsigned n, LogBase& log, ProgressMonitor* progress)
{
    if (n > kTranscriptSendLimit) {
        m_transcript.append(bytes, kTranscriptSendLimit);
        m_transcript += "\n...\n";
    } else {
        m_transcript.append(bytes, n);
    }
    return sendUnlogged(bytes, n, log, progress);
}

bool SmtpConnImpl::sendUnlogged(const char* bytes, unsigned n, LogBase& log, ProgressMonitor* progress)
{
    return m_conn.SendCounted(bytes, n, 4096, 0, DWORD(m_idleTimeoutMs), log, progress);
}

bool SmtpConnImpl::readReply(std::vector<std::string>& lines, bool oneLine, LogBase& log,
    ProgressMonitor* progress)
{
    m_lastReplyCode = -2;
    m_replyAborted = m_replyTimedOut = false;
    using Line = Socket2::ReplyLine;
    auto judge = [&](const std::string& line) {
        m_transcript += line;
        return oneLine || line.size() < 4 || line[3] != '-' ? Line::kEnds : Line::kContinues;
    };
    Socket2::ReplyFailure failure;
    bool ok = m_conn.ReceiveReply(lines, judge, "utf-8", 0, DWORD(m_idleTimeoutMs), log, progress, &failure);
    m_replyAborted = failure.aborted || (progress && progress->IsAborted());
    m_replyTimedOut = failure.timedOut;
    for (std::string& line : lines)
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
    if (!ok) {
        log.LogError("Failed to read SMTP reply line");
        return false;
    }
    m_lastReplyCode = ReplyCode(lines.back());
    return true;
}

bool SmtpConnImpl::readResponseLine(int expectedCode, std::string& line, LogBase& log, ProgressMonitor* progress)
{
    line.clear();
    std::vector<std::string> lines;
    if (!readReply(lines, true, log, progress))
        return false;
    line = lines.front();
    return m_lastReplyCode == expectedCode;
}

bool SmtpConnImpl::readResponse(int expectedCode, int* code, std::string* lines, LogBase& log,
    ProgressMonitor* progress)
{
    if (code)
        *code = 0;
    std::vector<std::string> read;
    bool ok = readReply(read, false, log, progress);
    if (lines)
        for (const std::string& line : read)
            *lines += line + "\n";
    if (!ok)
        return false;
    const std::string& line = read.back();
    if (code)
        *code = m_lastReplyCode;
    if (line.size() < 4) {
        log.LogError(line.empty() ? "Empty SMTP reply" : Trimmed(line.c_str()).c_str());
        return false;
    }
    if (m_lastReplyCode != expectedCode) {
        log.LogError(Trimmed(line.c_str()).c_str());
        return false;
    }
    return true;
}

bool SmtpConnImpl::sendCmdGetResponse(const std::string& command, int expectedCode, bool* commandSent, int* code,
    LogBase& log, ProgressMonitor* progress)
{
    if (commandSent)
        *commandSent = false;
    if (code)
        *code = 0;
    m_lastReplyCode = 0;
    m_replyAborted = m_replyTimedOut = false;
    // A longer command would have to be cut, which changes the address it carries.
    if (command.size() > kMaxCommand) {
        log.LogError("SMTP command too long");
        log.LogDataInt("length", int(command.size()));
        return false;
    }
    if (!sendLogged(command.data(), unsigned(command.size()), log, progress))
        return false;
    if (commandSent)
        *commandSent = true;
    if (progress) {
        // Waiting for the reply in short slices lets the application stop a slow server.
        bool aborted = false;
        m_conn.WaitForReply(3000, log, progress, &aborted);
        if (aborted) {
            m_replyAborted = true;
            m_replyTimedOut = false;
            return false;
        }
    }
    return readResponse(expectedCode, code, nullptr, log, progress);
}

void SmtpConnImpl::closeQuietly()
{
    LogNull log;
    m_conn.CloseBoth(log);
    m_tlsInUse = false;
}

void SmtpConnImpl::closeSmtpConnection(LogBase& log)
{
    m_conn.Close(0, DWORD(m_idleTimeoutMs), log, nullptr);
    m_conn.CloseBoth(log);
    m_tlsInUse = false;
    m_host.clear();
    m_port = 25;
    m_user.clear();
    m_password.clear();
    m_domain.clear();
    m_closed = true;
}

void SmtpConnImpl::logTranscript(LogBase& log)
{
    log.LogInfo(m_transcript.c_str());
}

std::string SmtpConnImpl::heloName() const
{
    if (!m_heloName.empty())
        return m_heloName;
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) == 0 && name[0])
        return name;
    return "localhost";
}

void SmtpConnImpl::parseEhloLine(const std::string& line)
{
    if (line.size() <= 4)
        return;
    std::string text = line.substr(4);
    if (StartsWithNoCase(text, "DSN"))
        m_dsn = true;
    if (StartsWithNoCase(text, "STARTTLS"))
        m_offersStartTls = true;
    if (!StartsWithNoCase(text, "AUTH "))
        return;
    // Names are compared as whole words: blank or tab before and after, or the line's end.
    std::string upper = Upper(text) + " ";
    std::replace(upper.begin(), upper.end(), '\t', ' ');
    static const char* names[kMethodCount] = {" LOGIN ", " PLAIN ", " CRAM-MD5 ", " NTLM ", " MSN ",
        " DIGEST-MD5 ", " GSSAPI ", " KERBEROS_V4 ", " ANONYMOUS "};
    for (int i = 0; i < kMethodCount; ++i)
        if (upper.find(names[i]) != std::string::npos)
            m_methods[i] = true;
}

bool SmtpConnImpl::sendHello(const char* verb, const std::string& name, LogBase& log, ProgressMonitor* progress)
{
    std::string command = std::string(verb) + " " + name + "\r\n";
    return sendLogged(command.data(), unsigned(command.size()), log, progress);
}

bool SmtpConnImpl::startTls(LogBase& log, ProgressMonitor* progress)
{
    log.LogInfo("Sending STARTTLS...");
    static const char command[] = "STARTTLS\r\n";
    if (!sendLogged(command, sizeof command - 1, log, progress)) {
        log.LogError("Failed to send STARTTLS");
        return false;
    }
    std::string line;
    if (!readResponseLine(220, line, log, progress)) {
        if (m_lastReplyCode != 503) {
            log.LogError("Failed to receive STARTTLS response");
            return false;
        }
        // Some servers want EHLO before STARTTLS.
        log.LogInfo("Received 503 SMTP Status...");
        std::string lines;
        if (!sendHello("EHLO", heloName(), log, progress) || !readHelloReply(lines, log, progress)) {
            log.LogError("Failed to get EHLO response (2)");
            return false;
        }
        log.LogInfo("Resending STARTTLS...");
        if (!sendLogged(command, sizeof command - 1, log, progress)) {
            log.LogError("Failed to send STARTTLS (2)");
            return false;
        }
        if (!readResponseLine(220, line, log, progress)) {
            log.LogError("Failed to receive STARTTLS response (2)");
            return false;
        }
    }
    m_conn.Channel().SetIdleTimeoutSeconds(DWORD(std::max(1, m_idleTimeoutMs / 1000)));
    m_conn.Channel().SetPort(m_connectingPort);
    m_conn.SetPeerName(m_connecting.c_str());
    if (!m_conn.StartTls(0, DWORD(m_idleTimeoutMs), log, progress, nullptr)) {
        log.LogError("Failed to establish TLS connection.");
        m_conn.CloseBoth(log);
        return false;
    }
    log.LogInfo("TLS connection established.");
    m_tlsInUse = true;
    // What the server announced before TLS does not hold after it (the EHLO that follows says anew).
    m_dsn = false;
    m_offersStartTls = false;
    std::fill(std::begin(m_methods), std::end(m_methods), false);
    return true;
}

bool SmtpConnImpl::smtpConnect(const char* host, int port, const char* user, const char* password,
    const char* domain, const char* authMethod, int connectTimeoutSeconds, int idleTimeoutMs, LogBase& log,
    ProgressMonitor* progress, bool* timedOut, bool* aborted)
{
    m_replyAborted = m_replyTimedOut = false;
    bool ok = connectSteps(host, port, user, password, domain, authMethod, connectTimeoutSeconds, idleTimeoutMs, log,
        progress);
    if (timedOut)
        *timedOut = !ok && m_replyTimedOut;
    if (aborted)
        *aborted = !ok && (m_replyAborted || (progress && progress->IsAborted()));
    return ok;
}

bool SmtpConnImpl::connectSteps(const char* host, int port, const char* user, const char* password,
    const char* domain, const char* authMethod, int connectTimeoutSeconds, int idleTimeoutMs, LogBase& log,
    ProgressMonitor* progress)
{
    m_idleTimeoutMs = idleTimeoutMs;
    m_lastReplyCode = 0;

    std::string h = Lower(Trimmed(host));
    std::string u = user ? user : "";
    std::string p = password ? password : "";
    std::string d = Trimmed(domain);
    std::string method = authMethod ? authMethod : "";
    if (u.empty() || p.empty()) {
        u.clear();
        p.clear();
        method = "NONE";
    }

    // The TLS switches belong to the key: a plain connection must not serve a request for TLS.
    bool sameKey = h == m_host && port == m_port && u == m_user && p == m_password && d == m_domain
        && m_ssl == m_keySsl && m_startTls == m_keyStartTls;
    if (sameKey && !m_closed && isConnected()) {
        bool sent = false;
        int code = 0;
        if (sendCmdGetResponse("RSET\r\n", 250, &sent, &code, log, progress)) {
            log.LogInfo("Using existing/open SMTP connection to send email.");
            return true;
        }
    }
    closeQuietly();
    m_closed = true;
    m_host.clear();
    // The session's own waits keep the value as given; the connection gets a usable one.
    if (idleTimeoutMs <= 0)
        m_idleTimeoutMs = 21600000;

    m_transcript.clear();
    // Capabilities are those of the server now contacted, never of an earlier one.
    m_dsn = false;
    m_offersStartTls = false;
    std::fill(std::begin(m_methods), std::end(m_methods), false);

    LogContextScope context(log, "SMTP_Connect");
    if (h.empty()) {
        log.LogError("No hostname");
        return false;
    }
    log.LogInfo(("Connecting to SMTP server " + h + ":" + std::to_string(port)).c_str());
    for (const char* refused : kRefusedHostTexts)
        if (h.find(refused) != std::string::npos) {
            log.LogError((std::string("SMTP protocol failure, contact ") + kSupportContact).c_str());
            return false;
        }
    log.LogData("smtp_host", h.c_str());
    log.LogDataInt("smtp_port", port);
    if (!d.empty())
        log.LogData("domain", d.c_str());
    log.LogData("smtp_user", u.empty() ? "NULL" : u.c_str());
    if (!method.empty())
        log.LogData("trying-auth-method", method.c_str());

    m_connecting = h;
    m_connectingPort = port;
    if (!openAndGreet(h, port, DWORD(connectTimeoutSeconds > 0 ? connectTimeoutSeconds : 30) * 1000, log, progress))
        return false;
    if (m_startTls && !m_ssl && !startTls(log, progress))
        return false;

    log.LogData("sendingHello", heloName().c_str());
    if (!sendHello("EHLO", heloName(), log, progress)) {
        log.LogError("Failed to send Hello (EHLO)");
        log.LogData("hostname", heloName().c_str());
        return false;
    }
    m_user = u;
    m_password = p;
    m_domain = d;
    std::string lines;
    bool extended = readHelloReply(lines, log, progress);
    if (extended ? !protectAndLogin(lines, u, method, log, progress) : !heloAndLogin(h, u, p, method, log, progress))
        return false;
    char text[600];
    std::snprintf(text, sizeof text, "CONNECTED to %s server %s:%d", extended ? "ESMTP" : "SMTP", h.c_str(), port);
    log.LogInfo(text);
    m_host = h;
    m_port = port;
    m_keySsl = m_ssl;
    m_keyStartTls = m_startTls;
    return true;
}

bool SmtpConnImpl::openAndGreet(const std::string& host, int port, DWORD connectMs, LogBase& log,
    ProgressMonitor* progress)
{
    bool lookupFailed = false;
    if (m_ssl) {
        m_conn.Channel().SetIdleTimeoutSeconds(DWORD(std::max(1, m_idleTimeoutMs / 1000)));
        if (!m_conn.Connect(host.c_str(), port, true, 0, connectMs, log, &lookupFailed, progress, nullptr, nullptr)) {
            log.LogError("Failed to connect to secure SMTP (1)");
            m_conn.CloseBoth(log);
            return false;
        }
        m_tlsInUse = true;
    } else {
        if (!m_conn.Connect(host.c_str(), port, false, 0, connectMs, log, &lookupFailed, progress, nullptr, nullptr)) {
            log.LogError("Failed to connect (1)");
            return false;
        }
    }
    m_closed = false;

    std::string greeting;
    int code = 0;
    if (!readResponse(220, &code, &greeting, log, progress)) {
        log.LogError("Failed to get initial SMTP response..");
        log.LogError("The SMTP server may be denying access for this domain.");
        return false;
    }
    log.LogData("InitialResponse", greeting.c_str());

    return true;
}

bool SmtpConnImpl::protectAndLogin(std::string& lines, const std::string& u, const std::string& method, LogBase& log,
    ProgressMonitor* progress)
{
    log.LogData("helloResponse", lines.c_str());
    // A password never crosses a plain connection the server offers to protect, and some
    // servers announce AUTH only once the connection is protected. A certificate that cannot
    // be verified ends the attempt here: no falling back to plain for the login.
    if (!m_tlsInUse && m_offersStartTls && !u.empty() && Upper(Trimmed(method.c_str())) != "NONE") {
        log.LogInfo("The server offers STARTTLS: protecting the connection before the login");
        if (!startTls(log, progress))
            return false;
        lines.clear();
        if (!sendHello("EHLO", heloName(), log, progress) || !readHelloReply(lines, log, progress)) {
            log.LogError("Failed to get EHLO response after STARTTLS");
            return false;
        }
        log.LogData("helloResponse", lines.c_str());
    }
    if (!login(method, log, progress))
        return false;
    return true;
}

bool SmtpConnImpl::heloAndLogin(const std::string& h, const std::string& u, const std::string& p,
    const std::string& method, LogBase& log, ProgressMonitor* progress)
{
    std::string lines, line;
    int code = 0;
    log.LogError("EHLO failed, sending HELO...");
    if (!sendHello("HELO", heloName(), log, progress)) {
        log.LogError("Failed to send Hello");
        return false;
    }
    if (readResponseLine(250, line, log, progress)) {
        lines = line + "\n";
    } else {
        // Some servers want to hear their own name.
        log.LogError("Failed to get response to Hello (HELO)");
        if (!sendHello("HELO", h, log, progress)) {
            log.LogError("Failed to send Hello");
            return false;
        }
        lines.clear();
        if (!readResponse(250, &code, &lines, log, progress)) {
            log.LogError("Failed to get response to 2nd-try Hello (HELO)");
            return false;
        }
        std::istringstream reply(lines);
        while (std::getline(reply, line))
            if (line.size() > 4 && StartsWithNoCase(line.substr(4), "DSN"))
                m_dsn = true;
    }
    log.LogData("HeloResponse", lines.c_str());
    std::string m = Upper(Trimmed(method.c_str()));
    if (!u.empty() && (m == "LOGIN" || m == "PLAIN")) {
        log.LogData("login_method", m.c_str());
        bool ok = m == "LOGIN" ? authLogin(u, p, log, progress) : authPlain(u, p, log, progress);
        if (!ok) {
            log.LogInfo(m == "LOGIN" ? "Failed to login using LOGIN method" : "Failed to login using PLAIN method");
            return false;
        }
    } else {
        log.LogData("login_method", "NONE");
    }
    return true;
}

bool SmtpConnImpl::readHelloReply(std::string& lines, LogBase& log, ProgressMonitor* progress)
{
    std::vector<std::string> read;
    if (!readReply(read, false, log, progress))
        return false;
    for (const std::string& line : read) {
        m_lastReplyCode = ReplyCode(line);
        if (m_lastReplyCode != 250)
            return false;
        lines += line + "\n";
        parseEhloLine(line);
    }
    return true;
}

void SmtpConnImpl::attachConnectedHandle(SOCKET handle, int idleTimeoutMs)
{
    m_conn.AttachConnectedHandle(handle);
    m_conn.SetIdleTimeoutMs(DWORD(idleTimeoutMs));
    m_idleTimeoutMs = idleTimeoutMs;
    m_closed = false;
}

bool SmtpConnImpl::announced(const char* method) const
{
    static const char* names[kMethodCount] = {"LOGIN", "PLAIN", "CRAM-MD5", "NTLM", "MSN", "DIGEST-MD5", "GSSAPI",
        "KERBEROS_V4", "ANONYMOUS"};
    for (int i = 0; i < kMethodCount; ++i)
        if (std::string(names[i]) == method)
            return m_methods[i];
    return std::string("DSN") == method && m_dsn;
}

bool SmtpConnImpl::login(const std::string& authMethod, LogBase& log, ProgressMonitor* progress)
{
    if (!authMethod.empty()) {
        std::string m = Upper(Trimmed(authMethod.c_str()));
        log.LogData("smtpAuthMethod", m.c_str());
        static const char* forced[] = {"LOGIN", "PLAIN", "CRAM-MD5", "NTLM", "MSN"};
        for (int i = 0; i < 5; ++i)
            if (m == forced[i]) {
                std::fill(std::begin(m_methods), std::end(m_methods), false);
                m_methods[i] = true;
            }
        if (m == "NONE")
            std::fill(std::begin(m_methods), std::end(m_methods), false);
    }
    int chosen = -1;
    if (!m_user.empty() && !m_password.empty()) {
        static const int order[] = {kLogin, kNtlm, kMsn, kCramMd5, kPlain, kDigestMd5, kGssapi, kKerberosV4,
            kAnonymous};
        for (int i : order)
            if (m_methods[i]) {
                chosen = i;
                break;
            }
    }
    static const char* logged[kMethodCount] = {"LOGIN", "PLAIN", "CRAM_MD5", "NTLM", "MSN", "DIGEST-MD5", "GSSAPI",
        "Kerberos-V4", "anonymous"};
    log.LogData("login_method", chosen < 0 ? "NONE or already authenticated" : logged[chosen]);
    switch (chosen) {
    case -1:
        return true;
    case kNtlm:
    case kMsn: {
        bool notAvailable = false;
        bool ok = chosen == kNtlm ? authNtlm(m_domain, m_user, m_password, log, &notAvailable, progress)
                                  : authMsn(m_domain, m_user, m_password, log, &notAvailable, progress);
        if (ok)
            return true;
        if (!notAvailable) {
            log.LogInfo(chosen == kNtlm ? "Failed to login using NTLM method" : "Failed to login using MSN method");
            return false;
        }
        log.LogData("alt_login_method", "LOGIN");
        [[fallthrough]];
    }
    case kLogin:
        if (!authLogin(m_user, m_password, log, progress)) {
            log.LogInfo("Failed to login using LOGIN method");
            return false;
        }
        return true;
    case kPlain:
        if (!authPlain(m_user, m_password, log, progress)) {
            log.LogInfo("Failed to login using PLAIN method");
            return false;
        }
        return true;
    case kCramMd5:
        if (!authCramMd5(m_user, m_password, log, progress)) {
            log.LogInfo("Failed to login using CRAM-MD5 method");
            return false;
        }
        return true;
    case kDigestMd5:
        log.LogError("DIGEST-MD5 login method not supported");
        return true;
    case kGssapi:
        log.LogError("GSSAPI login method not supported");
        return true;
    case kKerberosV4:
        log.LogError("Kerberos v4 login method not supported");
        return true;
    default:
        log.LogError("Anonymous login method not supported");
        return true;
    }
}

bool SmtpConnImpl::authLogin(const std::string& user, const std::string& password, LogBase& log,
    ProgressMonitor* progress)
{
    if (user.empty() || password.empty()) {
        log.LogError("Username and/or password is empty");
        return false;
    }
    bool sent = false;
    int code = 0;
    if (!sendCmdGetResponse("AUTH LOGIN\r\n", 334, &sent, &code, log, progress)) {
        log.LogError("Failed to send AUTH LOGIN");
        logTranscript(log);
        return false;
    }
    std::string name = Base64(user) + "\r\n";
    m_transcript += "****\r\n";
    if (!sendUnlogged(name.data(), unsigned(name.size()), log, progress)) {
        log.LogError("Failed to send login name");
        return false;
    }
    if (!readResponse(334, &code, nullptr, log, progress)) {
        log.LogError("Failed to get response to login name");
        log.LogError("Check your username/password or your SMTP server's auth settings");
        logTranscript(log);
        return false;
    }
    std::string pass = Base64(password) + "\r\n";
    m_transcript += "****\r\n";
    if (!sendUnlogged(pass.data(), unsigned(pass.size()), log, progress)) {
        log.LogError("Failed to send login password");
        return false;
    }
    if (!readResponse(235, &code, nullptr, log, progress)) {
        log.LogError("Failed to get response to login password");
        logTranscript(log);
        return false;
    }
    return true;
}

bool SmtpConnImpl::authPlain(const std::string& user, const std::string& password, LogBase& log,
    ProgressMonitor* progress)
{
    if (user.empty() || password.empty()) {
        log.LogError("Username and/or password is empty");
        return false;
    }
    std::string message = user;
    message += '\0';
    message += user;
    message += '\0';
    message += password;
    std::string command = "AUTH PLAIN " + Base64(message) + "\r\n";
    if (command.size() > kMaxCommand) {
        log.LogError("Username and/or password too long for the PLAIN login method");
        return false;
    }
    // The credentials never enter the transcript.
    m_transcript += "AUTH PLAIN ****\r\n";
    int code = 0;
    if (!sendUnlogged(command.data(), unsigned(command.size()), log, progress)
        || !readResponse(235, &code, nullptr, log, progress)) {
        log.LogError("AUTH PLAIN failed");
        logTranscript(log);
        return false;
    }
    return true;
}

bool SmtpConnImpl::authCramMd5(const std::string& user, const std::string& password, LogBase& log,
    ProgressMonitor* progress)
{
    if (user.empty() || password.empty()) {
        log.LogError("Username and/or password is empty");
        return false;
    }
    std::string command = "AUTH CRAM-MD5\r\n";
    if (!sendLogged(command.data(), unsigned(command.size()), log, progress))
        return false;
    std::string line;
    if (!readResponseLine(334, line, log, progress))
        return false;
    DataBuffer challenge;
    ContentCoding coding;
    std::string encoded = line.size() > 4 ? line.substr(4) : std::string();
    coding.DecodeBase64ToData(encoded.c_str(), unsigned(encoded.size()), challenge);
    torvane::StringBuffer u(user.c_str()), p(password.c_str()), response;
    CramMD5().BuildResponse(u, p, challenge, response);
    std::string reply = Base64(std::string(response.GetText(), size_t(response.GetLength()))) + "\r\n";
    m_transcript += "****\r\n";
    if (!sendUnlogged(reply.data(), unsigned(reply.size()), log, progress)) {
        log.LogError("Failed to send CRAM-MD5 response");
        return false;
    }
    int code = 0;
    if (!readResponse(235, &code, nullptr, log, progress)) {
        log.LogError("Failed to get successful CRAM-MD5 response");
        log.LogError("Check your username/password or your SMTP server's auth settings");
        logTranscript(log);
        return false;
    }
    return true;
}

bool SmtpConnImpl::authNtlm(const std::string& domain, const std::string& user, const std::string& password,
    LogBase& log, bool* notAvailable, ProgressMonitor* progress)
{
    return authPackage("NTLM", domain, user, password, log, notAvailable, progress);
}

bool SmtpConnImpl::authMsn(const std::string& domain, const std::string& user, const std::string& password,
    LogBase& log, bool* notAvailable, ProgressMonitor* progress)
{
    return authPackage("MSN", domain, user, password, log, notAvailable, progress);
}

bool SmtpConnImpl::authPackage(const char* package, const std::string& domain, const std::string& user,
    const std::string& password, LogBase& log, bool* notAvailable, ProgressMonitor* progress)
{
    if (notAvailable)
        *notAvailable = false;
    if (user.empty() || password.empty())
        return false;
    TorvaneSSPI sspi;
    int index = sspi.FindPackageIndex(package);
    if (index < 0) {
        if (notAvailable)
            *notAvailable = true;
        return false;
    }
    bool sent = false;
    int code = 0;
    if (!sendCmdGetResponse(std::string("AUTH ") + package + "\r\n", 334, &sent, &code, log, progress)) {
        log.LogError((std::string("Failed to send AUTH ") + package).c_str());
        logTranscript(log);
        return false;
    }
    sspi.SetPackageExchange(this);
    m_exchangeProgress = progress;
    bool ok = sspi.authenticate(index, domain.empty() ? nullptr : domain.c_str(), user.c_str(), password.c_str(), log);
    m_exchangeProgress = nullptr;
    if (!ok)
        log.LogError((std::string(package) + " authentication failed").c_str());
    return ok;
}

bool SmtpConnImpl::sendToken(const DataBuffer& token, LogBase& log)
{
    std::string line = Base64(std::string(reinterpret_cast<const char*>(token.GetData()), token.GetSize())) + "\r\n";
    m_transcript += "****\r\n";
    return sendUnlogged(line.data(), unsigned(line.size()), log, m_exchangeProgress);
}

bool SmtpConnImpl::exchangePackage(DataBuffer& serverToken, const DataBuffer& clientToken, LogBase& log)
{
    if (!sendToken(clientToken, log)) {
        log.LogError("exchangePackage: failed to send package on socket");
        return false;
    }
    std::string line;
    if (!readResponseLine(334, line, log, m_exchangeProgress)) {
        log.LogError("exchangePackage: failed to get success response");
        return false;
    }
    std::string encoded = line.size() > 4 ? line.substr(4) : std::string();
    serverToken.Empty();
    ContentCoding coding;
    coding.DecodeBase64ToData(encoded.c_str(), unsigned(encoded.size()), serverToken);
    return true;
}

bool SmtpConnImpl::sendFinal(const DataBuffer& clientToken, LogBase& log)
{
    if (!sendToken(clientToken, log)) {
        log.LogError("sendFinal: failed to send package on socket");
        return false;
    }
    std::string line;
    if (!readResponseLine(235, line, log, m_exchangeProgress)) {
        log.LogData("response", line.c_str());
        log.LogError("Logon denied.  Check username, password, and domain");
        return false;
    }
    return true;
}

bool SmtpConnImpl::sendEmail(Email2* email, const char* reversePath, const std::string* renderedMime,
    const char* sentMailFile, LogBase& log, ProgressMonitor* progress, int* numSuccess, int* numTotal,
    bool* hardFailure, DistributionList& badAddresses, bool oneMessagePerAddress, bool newMessageId,
    bool* timedOut, bool* aborted)
{
    int success = 0, total = 0;
    bool hard = false;
    if (timedOut)
        *timedOut = false;
    if (aborted)
        *aborted = false;
    bool ok = false;
    m_sendAborted = false;
    if (!email) {
        log.LogError("email argument to SmtpConnImpl is NULL");
        hard = true;
    } else if (progress && progress->IsAborted()) {
        log.LogError("Mail sending aborted by application");
        m_sendAborted = true;
    } else {
        if (newMessageId)
            email->GenerateMessageId();
        DistributionList list;
        torvane::StringBuffer listFile;
        if (email->GetHeaderField("TVX-FileDistList", listFile) && listFile.GetLength() > 0)
            list.LoadFile(listFile.GetText(), log);
        if (list.Count() > 0)
            ok = sendToList(email, reversePath, sentMailFile, log, progress, success, total, hard, badAddresses,
                list, oneMessagePerAddress);
        else
            ok = sendOneMessage(email, reversePath, renderedMime, sentMailFile, log, progress, success, total, hard,
                badAddresses);
        if (ok) {
            char text[100];
            std::snprintf(text, sizeof text, "Mail sent to %d recipient%s", success, success > 1 ? "s" : "");
            log.LogInfo(text);
        }
    }
    if (numSuccess)
        *numSuccess = success;
    if (numTotal)
        *numTotal = total;
    if (hardFailure)
        *hardFailure = hard;
    // A reply the application stopped waiting for ends the send as an abort, not a failure.
    if (!ok && m_replyAborted)
        m_sendAborted = true;
    if (aborted)
        *aborted = m_sendAborted;
    if (timedOut)
        *timedOut = !ok && m_replyTimedOut;
    return ok;
}

bool SmtpConnImpl::abortedAfter(ProgressMonitor* progress, unsigned units, LogBase& log)
{
    if (!progress)
        return false;
    bool abort = false;
    progress->ConsumeProgress(units, &abort);
    if (abort) {
        log.LogError("Mail sending aborted by application");
        m_sendAborted = true;
    }
    return abort;
}

bool SmtpConnImpl::sendToList(Email2* email, const char* reversePath, const char* sentMailFile, LogBase& log,
    ProgressMonitor* progress, int& numSuccess, int& numTotal, bool& hardFailure, DistributionList& badAddresses,
    DistributionList& list, bool oneMessagePerAddress)
{
    email->ClearTo();
    email->ClearCc();
    email->ClearBcc();
    auto sendBatch = [&]() {
        int s = 0, t = 0;
        bool hard = false;
        email->GenerateMessageId();
        sendOneMessage(email, reversePath, nullptr, sentMailFile, log, progress, s, t, hard, badAddresses);
        numSuccess += s;
        numTotal += t;
        hardFailure = hard;
        return !hard && !m_sendAborted;
    };
    if (oneMessagePerAddress) {
        for (int i = 0; i < list.Count(); ++i) {
            email->AddTo("", list.GetAt(i));
            bool go = sendBatch();
            email->ClearTo();
            if (!go)
                return false;
        }
    } else {
        int pending = 0;
        for (int i = 0; i < list.Count(); ++i) {
            email->AddBccList(list.GetAt(i), &log);
            if (++pending == 100) {
                bool go = sendBatch();
                email->ClearBcc();
                pending = 0;
                if (!go)
                    return false;
            }
        }
        if (pending > 0) {
            bool go = sendBatch();
            email->ClearBcc();
            if (!go)
                return false;
        }
    }
    // A list where no address was accepted did not send anything.
    return numSuccess > 0;
}

bool SmtpConnImpl::sendOneMessage(Email2* email, const char* reversePath, const std::string* renderedMime,
    const char* sentMailFile, LogBase& log, ProgressMonitor* progress, int& numSuccess, int& numTotal,
    bool& hardFailure, DistributionList& badAddresses)
{
    numSuccess = 0;
    numTotal = 0;
    hardFailure = false;
    if (email->GetToCount() == 0)
        log.LogInfo("Using undisclosed recipients");
    torvane::StringBuffer subject;
    email->GetSubject(subject);
    log.LogData("subject", subject.GetText());
    std::string path = reversePath ? reversePath : "";
    log.LogData("reversePath", path.c_str());
    if (UnsafeAddress(path)) {
        log.LogError("Reverse path holds a line break");
        hardFailure = true;
        return false;
    }

    if (!sendMailFrom(path, log, progress, hardFailure))
        return false;
    if (!sendRecipients(email, log, progress, numSuccess, numTotal, badAddresses))
        return false;
    if (!sendDataCommand(log, progress, numSuccess, hardFailure))
        return false;

    // The message is rendered as it is sent, never held whole: once to count it for the log, once
    // onto the wire (and once more into the sent-mail file).
    auto produce = [&](MimeSink& sink, LogBase& renderLog) {
        if (renderedMime)
            return sink.Write(renderedMime->data(), renderedMime->size());
        return email->RenderTo(email, sink, "TVX-", &renderLog, 0, false);
    };
    bool endsWithLineBreak = false;
    if (!sendBody(produce, log, progress, numSuccess, hardFailure, endsWithLineBreak))
        return false;
    if (!sendEndOfBody(endsWithLineBreak, log, progress, numSuccess, hardFailure))
        return false;
    if (sentMailFile && *sentMailFile) {
        if (FILE* f = std::fopen(sentMailFile, "ab")) {
            std::fprintf(f, "--BEGIN SENT TORVANE EMAIL--\n");
            StuffingSink file([f](const char* run, size_t n) { return std::fwrite(run, 1, n, f) == n; });
            LogNull quiet;
            produce(file, quiet);
            std::fprintf(f, "\n--END SENT TORVANE EMAIL--\n");
            std::fclose(f);
        }
    }
    hardFailure = false;
    return numSuccess == numTotal;
}

bool SmtpConnImpl::sendMailFrom(const std::string& path, LogBase& log, ProgressMonitor* progress, bool& hardFailure)
{
    bool sent = false;
    int code = 0;
    std::string command = "MAIL FROM:<" + path + ">";
    if (m_dsn) {
        if (!m_ret.empty())
            command += " RET=" + m_ret;
        if (!m_envid.empty())
            command += " ENVID=" + m_envid;
    }
    command += "\r\n";
    if (!sendCmdGetResponse(command, 250, &sent, &code, log, progress)) {
        if (progress && progress->IsAborted()) {
            log.LogError("Mail sending aborted by application");
            m_sendAborted = true;
            if (code <= 0)
                closeQuietly();
            return false;
        }
        log.LogError(("Failed when sending MAIL FROM:<" + path + ">").c_str());
        logTranscript(log);
        hardFailure = true;
        if (code <= 0)
            closeQuietly();
        return false;
    }
    return !abortedAfter(progress, 50, log);
}

bool SmtpConnImpl::sendRecipients(Email2* email, LogBase& log, ProgressMonitor* progress, int& numSuccess,
    int& numTotal, DistributionList& badAddresses)
{
    bool sent = false;
    int code = 0;
    {
        LogContextScope context(log, "recipients");
        struct Kind {
            int (Email2::*count)() const;
            bool (Email2::*get)(int, torvane::StringBuffer&) const;
            const char* tag;
            const char* failure;
        };
        const Kind kinds[] = {
            {&Email2::GetToCount, &Email2::GetToAddress, "to", "Failed when sending RCPT TO:<"},
            {&Email2::GetCcCount, &Email2::GetCcAddress, "cc", "Failed when sending cc RCPT TO:<"},
            {&Email2::GetBccCount, &Email2::GetBccAddress, "bcc", "Failed when sending bcc RCPT TO:<"},
        };
        for (const Kind& kind : kinds) {
            for (int i = 0; i < (email->*kind.count)(); ++i) {
                torvane::StringBuffer address;
                if (!(email->*kind.get)(i, address) || address.GetLength() == 0)
                    continue;
                ++numTotal;
                if (UnsafeAddress(address.GetText())) {
                    log.LogError("Recipient address holds a line break");
                    log.LogData("bad_address", address.GetText());
                    badAddresses.AddAddress(address.GetText());
                    continue;
                }
                std::string rcpt = std::string("RCPT TO:<") + address.GetText() + ">";
                if (m_dsn && !m_notify.empty())
                    rcpt += " NOTIFY=" + m_notify;
                rcpt += "\r\n";
                if (sendCmdGetResponse(rcpt, 250, &sent, &code, log, progress)) {
                    log.LogData(kind.tag, address.GetText());
                    ++numSuccess;
                } else {
                    log.LogError((std::string(kind.failure) + address.GetText() + ">").c_str());
                    if (sent && code <= 0) {
                        numSuccess = 0;
                        closeQuietly();
                        return false;
                    }
                    log.LogData("bad_address", address.GetText());
                    badAddresses.AddAddress(address.GetText());
                }
                if (abortedAfter(progress, 50, log)) {
                    numSuccess = 0;
                    return false;
                }
            }
        }
    }
    if (numSuccess == 0)
        return false;
    if (numSuccess < numTotal) {
        if (m_allOrNone) {
            log.LogError("One or more RCPT TO commands failed.");
            return false;
        }
        char text[160];
        std::snprintf(text, sizeof text, "Warning: failed to send to %d recipient(s), continuing to send to %d recipient(s)",
            numTotal - numSuccess, numSuccess);
        log.LogError(text);
    }
    return true;
}

bool SmtpConnImpl::sendDataCommand(LogBase& log, ProgressMonitor* progress, int& numSuccess, bool& hardFailure)
{
    bool sent = false;
    int code = 0;
    if (!sendCmdGetResponse("DATA\r\n", 354, &sent, &code, log, progress)) {
        log.LogError("Failed when sending DATA command");
        logTranscript(log);
        hardFailure = true;
        numSuccess = 0;
        if (code <= 0)
            closeQuietly();
        return false;
    }
    if (abortedAfter(progress, 50, log)) {
        numSuccess = 0;
        return false;
    }
    return true;
}

bool SmtpConnImpl::sendBody(const Producer& produce, LogBase& log, ProgressMonitor* progress, int& numSuccess,
    bool& hardFailure, bool& endsWithLineBreak)
{
    std::uint64_t stuffedSize = 0;
    {
        StuffingSink counter([](const char*, size_t) { return true; });
        produce(counter, log);
        stuffedSize = counter.StuffedSize();
    }
    log.LogDataInt64("email_size", std::int64_t(stuffedSize));
    // Sent in pieces of kDataPiece as the rendering fills them, so the sends and the progress they
    // count are those of the whole text.
    std::string piece;
    piece.reserve(kDataPiece);
    bool first = true;
    auto flush = [&]() {
        if (piece.empty())
            return true;
        if (first) {
            m_transcript.append(piece, 0, kTranscriptSendLimit);
            if (stuffedSize > kTranscriptSendLimit)
                m_transcript += "\n...\n";
            first = false;
        }
        bool ok = sendUnlogged(piece.data(), unsigned(piece.size()), log, progress);
        piece.clear();
        return ok;
    };
    StuffingSink wire([&](const char* run, size_t n) {
        while (n > 0) {
            size_t take = std::min(n, kDataPiece - piece.size());
            piece.append(run, take);
            run += take;
            n -= take;
            if (piece.size() == kDataPiece && !flush())
                return false;
        }
        return true;
    });
    LogNull quiet;
    bool sentAll = produce(wire, quiet) && flush();
    endsWithLineBreak = wire.EndsWithLineBreak();
    if (!sentAll) {
        if (progress && progress->IsAborted()) {
            // The server drops a message whose connection closes before its end.
            log.LogError("Mail sending aborted by application");
            m_sendAborted = true;
            numSuccess = 0;
            closeQuietly();
            return false;
        }
        log.LogError("Failed when sending email body");
        logTranscript(log);
        hardFailure = true;
        numSuccess = 0;
        closeQuietly();
        return false;
    }
    return true;
}

bool SmtpConnImpl::sendEndOfBody(bool endsWithLineBreak, LogBase& log, ProgressMonitor* progress, int& numSuccess,
    bool& hardFailure)
{
    bool sent = false;
    int code = 0;
    // The terminator needs its own line when the text does not end with one.
    std::string end = endsWithLineBreak ? ".\r\n" : "\r\n.\r\n";
    if (!sendCmdGetResponse(end, 250, &sent, &code, log, progress)) {
        log.LogError("Failed when sending end-of-body");
        log.LogDataInt("CommandSent", sent ? 1 : 0);
        log.LogDataInt("GotResponseCode", code);
        log.LogDataInt("TimedOut", m_replyTimedOut ? 1 : 0);
        log.LogDataInt("Aborted", m_replyAborted ? 1 : 0);
        logTranscript(log);
        hardFailure = true;
        numSuccess = 0;
        if (code <= 0)
            closeQuietly();
        return false;
    }
    return true;
}
