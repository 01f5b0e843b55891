#include "components/net/ftp/Ftp2.h"

#include "components/foundation/Charset.h"
#include "components/foundation/FileDataSource.h"
#include "components/foundation/FileSys.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/ProgressMonitor.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/XString.h"
#include "platform/base/Clock.h"
#include "platform/base/FileHandle.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <thread>

std::string ftptext::Trimmed(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

namespace {

using ftptext::Trimmed;

std::string Lower(std::string s)
{
    for (auto& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Upper(std::string s)
{
    for (auto& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool ContainsNoCase(const std::string& hay, const char* needle)
{
    return Lower(hay).find(Lower(needle)) != std::string::npos;
}

// CR, LF and NUL would split or cut a command on the wire.
bool HasLineBreak(const std::string& s)
{
    return s.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

// Collapses whitespace runs (tabs, CR, LF) into single spaces, trimmed.
std::string Collapse(const std::string& s)
{
    std::string out;
    bool space = false;
    for (char c : s) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            space = true;
            continue;
        }
        if (space && !out.empty())
            out += ' ';
        space = false;
        out += c;
    }
    return out;
}

std::vector<std::string> SplitSpaces(const std::string& s)
{
    std::vector<std::string> out;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
            ++i;
        if (i >= s.size())
            break;
        size_t j = i;
        while (j < s.size() && s[j] != ' ' && s[j] != '\t')
            ++j;
        out.push_back(s.substr(i, j - i));
        i = j;
    }
    return out;
}

const char* const kMonths[] = { "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec" };

int MonthNumber(const std::string& name)
{
    std::string l = Lower(name).substr(0, 3);
    for (int i = 0; i < 12; ++i)
        if (l == kMonths[i])
            return i + 1;
    return 13;
}

std::int64_t ParseInt64(const std::string& s)
{
    std::int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            break;
        if (v > (INT64_MAX - 9) / 10)
            return v;
        v = v * 10 + (c - '0');
    }
    return v;
}

bool MakeFileTime(int year, int month, int day, int hour, int minute, int second, FILETIME& out)
{
    SYSTEMTIME st {};
    st.wYear = WORD(year);
    st.wMonth = WORD(month);
    st.wDay = WORD(day);
    st.wHour = WORD(hour);
    st.wMinute = WORD(minute);
    st.wSecond = WORD(second);
    if (year < 1601 || year > 30827 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23
        || minute < 0 || minute > 59 || second < 0 || second > 59)
        return false;
    return SystemTimeToFileTime(&st, &out) != FALSE;
}

// The year of a listed date that shows a time of day instead: this year, or the last one when
// the date would lie ahead of today (UTC).
int YearForTime(const std::string& monthName, int day)
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    int month = MonthNumber(monthName);
    if (month > now.wMonth || (month == now.wMonth && day > now.wDay))
        return now.wYear - 1;
    return now.wYear;
}

// Day, month name and a year-or-time field of the layouts that show one or the other.
bool DateFromYearOrTime(const std::string& monthName, const std::string& dayText, const std::string& yearOrTime,
    FILETIME& out)
{
    int month = MonthNumber(monthName);
    int day = int(ParseInt64(dayText));
    int year = 0, hour = 12, minute = 0;
    if (yearOrTime.find(':') != std::string::npos) {
        year = YearForTime(monthName, day);
        if (std::sscanf(yearOrTime.c_str(), "%d:%d", &hour, &minute) != 2)
            return false;
    } else {
        year = int(ParseInt64(yearOrTime));
    }
    return MakeFileTime(year, month, day, hour, minute, 0, out);
}

bool WildcardMatch(const char* pattern, const char* text)
{
    if (*pattern == 0)
        return *text == 0;
    if (*pattern == '*') {
        for (const char* t = text;; ++t) {
            if (WildcardMatch(pattern + 1, t))
                return true;
            if (*t == 0)
                return false;
        }
    }
    return *pattern == *text && WildcardMatch(pattern + 1, text + 1);
}

// The fact value after ";name=" or a leading "name=", up to its ';'. found/terminated report why not.
bool MlsdFact(const std::string& facts, const char* name, std::string& value, bool& found)
{
    std::string lower = Lower(facts);
    std::string key = std::string(";") + name + "=";
    size_t at = lower.find(key);
    size_t start;
    if (at != std::string::npos)
        start = at + key.size();
    else if (lower.compare(0, key.size() - 1, key.substr(1)) == 0)
        start = key.size() - 1;
    else {
        found = false;
        return false;
    }
    found = true;
    size_t end = facts.find(';', start);
    if (end == std::string::npos)
        return false;
    value = facts.substr(start, end - start);
    return true;
}

bool MlsdTime(const std::string& text, FILETIME& out)
{
    int y, mo, d, h, mi, s;
    if (std::sscanf(text.c_str(), "%4d%2d%2d%2d%2d%2d", &y, &mo, &d, &h, &mi, &s) != 6)
        return false;
    FILETIME utc;
    if (!MakeFileTime(y, mo, d, h, mi, s, utc))
        return false;
    return FileTimeToLocalFileTime(&utc, &out) != FALSE;
}

} // namespace

Ftp2::Ftp2() = default;

Ftp2::~Ftp2()
{
    LogNull quiet;
    if (m_control.IsConnected())
        m_control.Close(0, DWORD(IdleTimeoutMs), quiet, nullptr);
}

// ---------------------------------------------------------------- reply reader

bool Ftp2::ReadLine(Socket2& connection, const char* charset, std::string& line, LogBase& log,
    ProgressMonitor* monitor, bool* timedOut, bool* aborted, bool* closed)
{
    line.clear();
    if (std::strcmp(charset, "ansi") == 0 || std::strcmp(charset, "utf-8") == 0) {
        torvane::StringBuffer text;
        bool ok = connection.ReceiveUntilMatch("\n", text, DWORD(HeartbeatMs), DWORD(IdleTimeoutMs), log, monitor,
            timedOut, aborted, nullptr, closed);
        line.assign(text.GetText() ? text.GetText() : "");
        return ok;
    }
    XString match, text;
    match.SetFromUtf8("\n");
    bool ok = connection.ReceiveUntilMatchText(match, text, charset, DWORD(HeartbeatMs), DWORD(IdleTimeoutMs), log,
        monitor, timedOut, aborted, nullptr, closed);
    line.assign(text.GetUtf8());
    return ok;
}

bool Ftp2::HeartbeatAborted(LogBase& log, ProgressMonitor* monitor)
{
    if (monitor && HeartbeatMs != 0 && monitor->CheckHeartbeat(DWORD(HeartbeatMs))) {
        log.LogError("Aborted by heartbeat application callback");
        return true;
    }
    return false;
}

bool Ftp2::ReadReply(int& code, std::string& text, LogBase& log, bool& positive, ProgressMonitor* monitor,
    int discardFlags)
{
    positive = false;
    code = -1;
    text.clear();
    static const char* const kWords[] = { "STOR ", "APPE ", "RETR ", "LIST " };
    auto discarded = [&](const std::string& t) {
        if (t.size() < 9)
            return false;
        for (int i = 0; i < 4; ++i)
            if ((discardFlags & (1 << i)) && t.compare(4, 5, kWords[i]) == 0)
                return true;
        return false;
    };
    bool first = true;
    bool questionable = false;
    using Line = Socket2::ReplyLine;
    auto judge = [&](const std::string& line) -> Line {
        if (first) {
            // Some servers echo the data command before answering it.
            if (discarded(line)) {
                log.LogData("Discarding", line.c_str());
                return Line::kDiscarded;
            }
            first = false;
            if (SessionLogEnabled)
                SessionLog += line;
            if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0]))) {
                code = int(ParseInt64(line.substr(0, 9)));
                positive = code < 400;
            } else {
                log.LogInfo("Questionable FTP reply received.");
                log.LogData("FtpReply", line.c_str());
                if (line.size() < 4 || line[3] != '-') {
                    questionable = true;
                    return Line::kEnds;
                }
                code = 999;
                positive = true;
            }
            return line.size() >= 4 && line[3] == '-' ? Line::kContinues : Line::kEnds;
        }
        if (HeartbeatAborted(log, monitor))
            return Line::kStop;
        if (SessionLogEnabled)
            SessionLog += line;
        if (line[0] == ' ' || line[0] == '\t' || line.size() < 4 || line[3] != ' '
            || !std::isdigit(static_cast<unsigned char>(line[0])))
            return Line::kContinues;
        int c = int(ParseInt64(line.substr(0, 3)));
        if (code == 999) {
            code = c;
            positive = c < 400;
            return Line::kEnds;
        }
        return c == code ? Line::kEnds : Line::kContinues;
    };
    std::vector<std::string> lines;
    Socket2::ReplyFailure failure;
    if (!m_control.ReceiveReply(lines, judge, "ansi", DWORD(HeartbeatMs), DWORD(IdleTimeoutMs), log, monitor,
            &failure)) {
        if (failure.tooLong)
            log.LogError("FTP reply too long.");
        else if (!failure.stopped)
            log.LogError(first ? "Failed to read FTP response line." : "Failed to receive multiline FTP reply.");
        if (first)
            code = -1;
        return false;
    }
    if (questionable) {
        text = lines.empty() ? std::string() : lines.front();
        code = -1;
        positive = false;
        return false;
    }
    for (const std::string& line : lines)
        text += line;
    text = Trimmed(text);
    if (HeartbeatAborted(log, monitor))
        return false;
    m_lastCode = code;
    m_lastReply = text;
    return true;
}

bool Ftp2::SendCommand(const std::string& line, LogBase& log, ProgressMonitor* monitor)
{
    if (HasLineBreak(line)) {
        log.LogError("Command contains a line break or NUL; not sent.");
        return false;
    }
    if (SessionLogEnabled) {
        if (line.compare(0, 5, "PASS ") == 0)
            SessionLog += ".\r\nPASS ****\r\n";
        else
            SessionLog += ".\r\n" + line + "\r\n";
    }
    std::string wire = line + "\r\n";
    return m_control.SendString(wire.c_str(), DWORD(HeartbeatMs), DWORD(IdleTimeoutMs), log, monitor);
}

bool Ftp2::Command(const std::string& line, int& code, std::string& reply, LogBase& log, ProgressMonitor* monitor,
    int discardFlags)
{
    code = -1;
    reply.clear();
    if (!SendCommand(line, log, monitor))
        return false;
    bool positive = false;
    if (!ReadReply(code, reply, log, positive, monitor, discardFlags))
        return false;
    return positive;
}

bool Ftp2::EncodeArgument(const std::string& utf8, std::string& out, LogBase& log)
{
    if (HasLineBreak(utf8)) {
        log.LogError("Path contains CR, LF or NUL.");
        return false;
    }
    XString x;
    x.SetFromUtf8(utf8.c_str());
    if (CommandCharset == "utf-8")
        out = x.GetUtf8();
    else if (CommandCharset == "ansi")
        out = x.GetAnsi();
    else {
        Charset cs;
        DataBuffer buf;
        cs.SetByName(CommandCharset.c_str());
        if (cs.GetCodePage() == 0 || !x.ConvertToCharset(cs, buf))
            out = x.GetUtf8();
        else
            out.assign(reinterpret_cast<const char*>(buf.GetData()), buf.GetSize());
    }
    out = Trimmed(out);
    return true;
}

// ---------------------------------------------------------------- connect and login

bool Ftp2::ConnectDirect(LogBase& log, ProgressMonitor* monitor)
{
    {
        LogNull quiet;
        m_control.CloseBoth(quiet);
    }
    SessionLog.clear();
    SecureControl = false;
    m_control.SetConnectTimeoutSeconds(DWORD(ConnectTimeout));
    m_control.SetIdleTimeoutMs(DWORD(IdleTimeoutMs));
    log.LogData("Hostname", Hostname.c_str());
    log.LogDataInt("Port", Port);
    if (ImplicitSsl)
        log.LogInfo("Connecting via SSL");
    log.LogDataInt("IdleTimeoutMs", IdleTimeoutMs);
    log.LogDataInt("ConnectTimeout", ConnectTimeout);
    log.LogDataInt("HeartbeatMs", HeartbeatMs);

    int code = -1;
    std::string text;
    bool positive = false, read = false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        int reason = 0;
        if (!m_control.Connect(Hostname.c_str(), Port, ImplicitSsl, DWORD(HeartbeatMs), DWORD(ConnectTimeout) * 1000,
                log, nullptr, monitor, &reason, ClientCertificate)) {
            log.LogDataInt("ConnectFailReason", reason);
            return false;
        }
        m_control.SetKeepAlive(true, log);
        read = ReadReply(code, text, log, positive, monitor, 15);
        if (read && code == 250)
            read = ReadReply(code, text, log, positive, monitor, 15);
        if (read && code == 221) {
            // 221 means the server is closing: retry once, and fail when it says so again.
            LogNull quiet;
            m_control.CloseBoth(quiet);
            if (attempt == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                SessionLog.clear();
                continue;
            }
            log.LogError("Server closed the connection in its greeting (221).");
            return false;
        }
        break;
    }
    if (!read || !positive) {
        LogNull quiet;
        m_control.Close(0, 1000, quiet, monitor);
        return false;
    }
    log.LogDataInt("initialStatus", code);
    log.LogData("initialResponse", text.c_str());
    if (ImplicitSsl) {
        // Every data connection of this session runs TLS, so the server has to expect that.
        int c;
        std::string r;
        if (Command("PBSZ 0", c, r, log, monitor))
            Command("PROT P", c, r, log, monitor);
    } else if (AuthTls || AuthSsl) {
        log.LogInfo("converting to secure connection...");
        if (!AuthUpgrade(log, monitor))
            return false;
        log.LogInfo("successfully converted to secure connection...");
    }
    return true;
}

bool Ftp2::ConnectToProxy(const std::string& proxyHost, int proxyPort, LogBase& log, ProgressMonitor* monitor)
{
    {
        LogNull quiet;
        m_control.Close(0, 1000, quiet, monitor);
    }
    SessionLog.clear();
    SecureControl = false;
    m_control.SetConnectTimeoutSeconds(DWORD(ConnectTimeout));
    m_control.SetIdleTimeoutMs(DWORD(IdleTimeoutMs));
    log.LogData("ProxyHostname", proxyHost.c_str());
    log.LogDataInt("Port", proxyPort);
    if (ImplicitSsl)
        log.LogInfo("Connecting via SSL");
    log.LogDataInt("ConnectTimeout", ConnectTimeout);
    log.LogDataInt("HeartbeatMs", HeartbeatMs);
    log.LogDataInt("IdleTimeoutMs", IdleTimeoutMs);
    int reason = 0;
    if (!m_control.Connect(proxyHost.c_str(), proxyPort, ImplicitSsl, DWORD(HeartbeatMs), DWORD(ConnectTimeout) * 1000,
            log, nullptr, monitor, &reason, ClientCertificate)) {
        log.LogDataInt("ConnectFailReason", reason);
        return false;
    }
    int code = -1;
    std::string text;
    bool positive = false;
    if (!ReadReply(code, text, log, positive, monitor, 15) || !positive) {
        LogNull quiet;
        m_control.Close(0, 1000, quiet, monitor);
        return false;
    }
    return true;
}

bool Ftp2::AuthUpgrade(LogBase& log, ProgressMonitor* monitor)
{
    SecureControl = false;
    int code;
    std::string reply;
    if (!Command(AuthTls ? "AUTH TLS" : "AUTH SSL", code, reply, log, monitor))
        return false;
    if (code != 234 && code != 220) {
        log.LogError("Invalid status code in AUTH TLS response");
        log.LogDataInt("authTlsStatusCode2", code);
        return false;
    }
    if (!m_control.StartTls(DWORD(HeartbeatMs), DWORD(IdleTimeoutMs), log, monitor, ClientCertificate))
        return false;
    SecureControl = true;
    Command("PBSZ 0", code, reply, log, monitor);
    Command("PROT P", code, reply, log, monitor);
    return true;
}

bool Ftp2::Login(LogBase& log, ProgressMonitor* monitor)
{
    int code;
    std::string reply;
    log.LogData("Username", Username.c_str());
    if (!Command("USER " + Trimmed(Username), code, reply, log, monitor)) {
        if (code != -1) {
            log.LogError("Username failed");
            log.LogData("FtpResponse12", reply.c_str());
        }
        return false;
    }
    if (code != 230) {
        if (!Command("PASS " + Trimmed(Password), code, reply, log, monitor)) {
            if (code != -1) {
                log.LogError("Password failed");
                log.LogData("FtpResponse13", reply.c_str());
            }
            return false;
        }
        if (code == 332) {
            if (SessionLogEnabled)
                SessionLog += ".\r\nACCT " + Trimmed(Account) + "\r\n";
            bool saved = SessionLogEnabled;
            SessionLogEnabled = false;
            bool ok = Command("ACCT " + Trimmed(Account), code, reply, log, monitor);
            SessionLogEnabled = saved;
            if (!ok) {
                if (code != -1) {
                    log.LogError("ACCT failed");
                    log.LogData("FtpResponse13a", reply.c_str());
                }
                return false;
            }
        }
    }
    TypeImageInForce = !TransferTypeImage;
    return SetTransferType(log, monitor);
}

bool Ftp2::LoginWith(const std::string& userIn, const std::string& passwordIn, const std::string& account,
    LogBase& log, ProgressMonitor* monitor, bool maskAccount)
{
    std::string user = Trimmed(userIn);
    if (user.empty()) {
        log.LogError("Username is empty or NULL");
        return false;
    }
    int code;
    std::string reply;
    if (!Command("USER " + user, code, reply, log, monitor)) {
        if (code != -1) {
            log.LogError("USER command failed");
            log.LogData("FtpUserResponse", reply.c_str());
        }
        return false;
    }
    std::string password = Trimmed(passwordIn);
    if (password.empty()) {
        log.LogError("Password is empty or NULL");
        return false;
    }
    if (!Command("PASS " + password, code, reply, log, monitor)) {
        if (code != -1) {
            log.LogError("Password failed");
            log.LogData("FtpPassResponse", reply.c_str());
        }
        return false;
    }
    if (code != 332)
        return true;
    if (SessionLogEnabled)
        SessionLog += ".\r\nACCT " + (maskAccount ? std::string("****") : account) + "\r\n";
    bool saved = SessionLogEnabled;
    SessionLogEnabled = false;
    bool ok = Command("ACCT " + account, code, reply, log, monitor);
    SessionLogEnabled = saved;
    if (!ok && code != -1) {
        log.LogError("ACCT failed");
        log.LogData("FtpAcctResponse", reply.c_str());
    }
    return ok;
}

bool Ftp2::ProxyLogin(int method, const std::string& proxyUser, const std::string& proxyPassword, LogBase& log,
    ProgressMonitor* monitor)
{
    std::string portSuffix = Port != 21 ? ":" + std::to_string(Port) : "";
    std::string reply;
    bool ok = false;
    switch (method) {
    case 1:
    case 5:
        if (!LoginWith(proxyUser, proxyPassword, "", log, monitor))
            return false;
        if (!SendRawCommand((method == 1 ? "SITE " : "OPEN ") + Hostname, reply, log, monitor)) {
            log.LogError(method == 1 ? "SITE command failed" : "OPEN command failed");
            log.LogData("FtpResponse", reply.c_str());
            return false;
        }
        ok = LoginWith(Username, Password, "", log, monitor);
        break;
    case 2:
        ok = LoginWith(Username + "@" + Hostname + portSuffix, Password, "", log, monitor);
        break;
    case 3:
        ok = LoginWith(proxyUser, proxyPassword, "", log, monitor)
            && LoginWith(Trimmed(Username) + "@" + Hostname, Password, "", log, monitor);
        break;
    case 4:
        // The account carries the proxy's password.
        ok = LoginWith(Trimmed(Username) + "@" + Hostname + portSuffix + " " + proxyUser, Password, proxyPassword, log,
            monitor, true);
        break;
    default:
        log.LogError("Unknown proxy method");
        log.LogDataInt("ProxyMethod", method);
        return false;
    }
    if (!ok)
        return false;
    TypeImageInForce = !TransferTypeImage;
    return SetTransferType(log, monitor);
}

bool Ftp2::SetTransferType(LogBase& log, ProgressMonitor* monitor)
{
    int code;
    std::string reply;
    if (TransferTypeImage) {
        if (TypeImageInForce)
            return true;
        // Only a positive reply puts TYPE I in force; otherwise the next transfer asks again.
        bool ok = Command("TYPE I", code, reply, log, monitor);
        TypeImageInForce = ok;
        return ok;
    }
    if (!TypeImageInForce)
        return true;
    bool ok = Command("TYPE A", code, reply, log, monitor);
    if (ok)
        TypeImageInForce = false;
    return ok;
}

bool Ftp2::Syst(std::string& out, LogBase& log, ProgressMonitor* monitor)
{
    out.clear();
    SystemType.clear();
    int code;
    std::string reply;
    if (!Command("SYST", code, reply, log, monitor))
        return false;
    Bsd44Server = ContainsNoCase(reply, "UNIX Type: L8 Version: BSD-44");
    size_t sp = reply.find(' ');
    if (sp != std::string::npos) {
        while (sp < reply.size() && reply[sp] == ' ')
            ++sp;
        SystemType = reply.substr(sp);
    }
    out = SystemType;
    return true;
}

void Ftp2::ParseFeatures(const std::string& text)
{
    CommandCharset = ContainsNoCase(text, "UTF8") ? "utf-8" : "ansi";
    HasMlst = text.find("MLST") != std::string::npos;
}

bool Ftp2::AuthTlsIfOffered(LogBase& log, ProgressMonitor* monitor)
{
    std::string features;
    if (!Feat(features, log, monitor))
        return true;
    bool offered = false;
    std::istringstream lines(features);
    for (std::string line; std::getline(lines, line);) {
        std::string upper;
        for (char c : line)
            upper += char(std::toupper(static_cast<unsigned char>(c)));
        std::size_t auth = upper.find("AUTH ");
        offered = offered || (auth != std::string::npos && upper.find("TLS", auth) != std::string::npos);
    }
    if (!offered)
        return true;
    log.LogInfo("The server offers AUTH TLS: protecting the connection before the login");
    const bool saved = AuthTls;
    AuthTls = true;
    const bool upgraded = AuthUpgrade(log, monitor);
    AuthTls = saved;
    if (!upgraded)
        log.LogError("Failed to protect the connection before the login.");
    return upgraded;
}

bool Ftp2::Feat(std::string& out, LogBase& log, ProgressMonitor* monitor)
{
    out.clear();
    int code;
    std::string reply;
    if (!Command("FEAT", code, reply, log, monitor))
        return false;
    out = reply;
    Features = reply;
    ParseFeatures(reply);
    return true;
}

void Ftp2::Quit(LogBase& log, ProgressMonitor* monitor)
{
    if (m_control.IsConnected()) {
        int code;
        std::string reply;
        Command("QUIT", code, reply, log, monitor);
    }
    LogNull quiet;
    m_control.Close(DWORD(HeartbeatMs), DWORD(IdleTimeoutMs), quiet, monitor);
    SecureControl = false;
}

bool Ftp2::IsConnected(ProgressMonitor* monitor)
{
    if (!m_control.IsConnected())
        return false;
    LogNull quiet;
    return Noop(quiet, monitor);
}

bool Ftp2::Noop(LogBase& log, ProgressMonitor* monitor)
{
    int code;
    std::string reply;
    return Command("NOOP", code, reply, log, monitor);
}

bool Ftp2::MakeDirectory(const std::string& path, LogBase& log, ProgressMonitor* monitor)
{
    std::string arg;
    if (!EncodeArgument(path, arg, log))
        return false;
    if (arg.empty()) {
        log.LogError("Directory name is empty or NULL");
        return false;
    }
    int code;
    std::string reply;
    if (!Command("MKD " + arg, code, reply, log, monitor)) {
        if (code != -1) {
            log.LogError("Make directory failed");
            log.LogData("FtpResponse14", reply.c_str());
        }
        return false;
    }
    return true;
}

bool Ftp2::ChangeDirectory(const std::string& path, LogBase& log, ProgressMonitor* monitor)
{
    m_listingValid = false;
    std::string arg;
    if (!EncodeArgument(path, arg, log))
        return false;
    if (arg.empty()) {
        log.LogError("Directory name is empty or NULL");
        return false;
    }
    if (!SendCommand("CWD " + arg, log, monitor)) {
        log.LogError("Failed to send CWD command");
        return false;
    }
    int code;
    std::string reply;
    bool positive;
    if (!ReadReply(code, reply, log, positive, monitor, 15)) {
        log.LogError("Failed to read CWD reply");
        return false;
    }
    if (!positive) {
        log.LogError("Change working directory failed");
        log.LogData("FtpResponse15", reply.c_str());
        return false;
    }
    return true;
}

bool Ftp2::PrintWorkingDirectory(std::string& path, LogBase& log, ProgressMonitor* monitor)
{
    path.clear();
    int code;
    std::string reply;
    if (!Command("PWD", code, reply, log, monitor)) {
        if (code != -1) {
            log.LogError("Print working directory failed");
            log.LogData("FtpResponse17", reply.c_str());
        }
        return false;
    }
    size_t q1 = reply.find('"');
    size_t q2 = q1 == std::string::npos ? q1 : reply.find('"', q1 + 1);
    if (q2 == std::string::npos) {
        log.LogError("Failed to parse response");
        log.LogData("FtpResponse18", reply.c_str());
        return false;
    }
    std::string raw = reply.substr(q1 + 1, q2 - q1 - 1);
    if (CommandCharset == "utf-8")
        path = raw;
    else {
        XString x;
        if (CommandCharset == "ansi")
            x.SetFromAnsi(raw.c_str());
        else
            x.AppendFromCharset(raw.c_str(), CommandCharset.c_str());
        path = x.GetUtf8();
    }
    return true;
}

bool Ftp2::Size(const std::string& name, std::string& size, LogBase& log, ProgressMonitor* monitor)
{
    size.clear();
    int code;
    std::string reply;
    if (!Command("SIZE " + name, code, reply, log, monitor))
        return false;
    size_t sp = reply.find(' ');
    if (sp != std::string::npos) {
        size = Trimmed(reply.substr(sp));
        log.LogData("size", size.c_str());
    }
    return true;
}

bool Ftp2::Restart(const std::string& offset, LogBase& log, ProgressMonitor* monitor)
{
    std::string o = Trimmed(offset);
    if (o.empty())
        return false;
    int code;
    std::string reply;
    return Command("REST " + o, code, reply, log, monitor);
}

bool Ftp2::Allo(std::string& out, LogBase& log, ProgressMonitor* monitor)
{
    std::string line = "ALLO " + std::to_string(AllocateSize);
    AllocateSize = 0;
    int code;
    std::string reply;
    if (!Command(line, code, reply, log, monitor))
        return false;
    out = reply;
    return true;
}

bool Ftp2::SendRawCommand(const std::string& command, std::string& reply, LogBase& log, ProgressMonitor* monitor)
{
    std::string arg;
    if (!EncodeArgument(command, arg, log))
        return false;
    int code;
    return Command(arg, code, reply, log, monitor, 0);
}

// ---------------------------------------------------------------- data connections

bool Ftp2::ParsePasvReply(const std::string& reply, std::string& host, int& port)
{
    std::string upper = Upper(reply);
    size_t at = upper.find('(');
    if (at != std::string::npos)
        ++at;
    else {
        at = upper.find("MODE ");
        if (at == std::string::npos)
            return false;
        at += 5;
    }
    int n[6];
    if (std::sscanf(upper.c_str() + at, "%d,%d,%d,%d,%d,%d", &n[0], &n[1], &n[2], &n[3], &n[4], &n[5]) != 6)
        return false;
    for (int v : n)
        if (v < 0 || v > 255)
            return false;
    host = std::to_string(n[0]) + "." + std::to_string(n[1]) + "." + std::to_string(n[2]) + "."
        + std::to_string(n[3]);
    port = n[4] * 256 + n[5];
    return true;
}

void Ftp2::InheritCertificateChecks(Socket2& data) const
{
    data.SetRequireVerifiedServerCert(m_control.GetRequireVerifiedServerCert());
    torvane::StringBuffer reqName, reqValue;
    m_control.GetServerCertRequirement(reqName, reqValue);
    if (reqName.GetText() && *reqName.GetText())
        data.SetServerCertRequirement(reqName.GetText(), reqValue.GetText());
}

bool Ftp2::SetupPassiveDataConnection(std::unique_ptr<Socket2>& data, LogBase& log, ProgressMonitor* monitor)
{
    int code;
    std::string reply;
    bool positive;
    if (!SendCommand("PASV", log, monitor) || !ReadReply(code, reply, log, positive, monitor, 15)) {
        log.LogError("Failed to get response to PASV command");
        return false;
    }
    if (!positive) {
        log.LogError("PASV response status code indicates an error.");
        log.LogDataInt("statusCode", code);
        return false;
    }
    std::string host;
    int port = 0;
    if (!ParsePasvReply(reply, host, port)) {
        log.LogError("Malformed PASV reply");
        log.LogData("ReplyText", reply.c_str());
        return false;
    }
    log.LogData("hostAddr", host.c_str());
    // The data connection goes to the server we are talking to, never to a host the reply names.
    const char* peer = m_control.GetRemoteHost();
    std::string server = peer && *peer ? peer : Hostname;
    if (host != server) {
        log.LogInfo("PASV reply names another host; connecting to the control connection's peer.");
        host = server;
    }
    data = std::make_unique<Socket2>();
    InheritCertificateChecks(*data);
    LogContextScope ctx(log, "DataConnect");
    log.LogData("hostname", host.c_str());
    log.LogDataInt("port", port);
    data->SetConnectTimeoutSeconds(DWORD(ConnectTimeout));
    data->SetIdleTimeoutMs(DWORD(IdleTimeoutMs));
    int reason = 0;
    if (!data->Connect(host.c_str(), port, false, DWORD(HeartbeatMs), DWORD(ConnectTimeout) * 1000, log, nullptr,
            monitor, &reason, ClientCertificate))
        return false;
    // A protected data connection is verified by the name of the server we logged in to.
    data->SetPeerName(Hostname.c_str());
    return true;
}

bool Ftp2::SetupActiveDataConnection(LogBase& log, ProgressMonitor* monitor)
{
    m_listen.CloseQuiet(0, 1000, nullptr);
    ULONGLONG start = GetTickCount64();
    torvane::StringBuffer localAddress;
    int controlPort = 0;
    m_control.GetLocalAddress(localAddress, controlPort);
    m_listen.SetListenAddress(localAddress.GetText());
    bool listening;
    if (ActivePortRangeStart && ActivePortRangeEnd && ActivePortRangeStart != ActivePortRangeEnd)
        listening = m_listen.ListenInRange(ActivePortRangeStart, ActivePortRangeEnd, log);
    else if (ActivePortRangeStart)
        listening = m_listen.ListenOnPort(ActivePortRangeStart, log);
    else
        listening = m_listen.ListenAnyPort(log);
    if (!listening)
        return false;
    torvane::StringBuffer listenAddress;
    int port = 0;
    m_listen.GetLocalAddress(listenAddress, port);
    if (monitor)
        monitor->NotifyNumericInfo(0, port);
    std::string arg = localAddress.GetText() ? localAddress.GetText() : "";
    std::replace(arg.begin(), arg.end(), '.', ',');
    arg += "," + std::to_string(port / 256) + "," + std::to_string(port % 256);
    log.LogData("MyIP", arg.c_str());
    int code;
    std::string reply;
    if (!Command("PORT " + arg, code, reply, log, monitor)) {
        log.LogData("PortReply", reply.c_str());
        return false;
    }
    log.LogDataInt("SetupDataSocketTimeMS", int(GetTickCount64() - start));
    return true;
}

bool Ftp2::FilezillaProtection(LogBase& log, ProgressMonitor* monitor)
{
    if (!IsSecure() || !ContainsNoCase(SystemType, "filezilla"))
        return true;
    int code;
    std::string reply;
    if (!Command("PBSZ 0", code, reply, log, monitor))
        return false;
    Command("PROT P", code, reply, log, monitor);
    return true;
}

bool Ftp2::SetupDataConnection(std::unique_ptr<Socket2>& data, LogBase& log, ProgressMonitor* monitor)
{
    if (Passive) {
        log.LogInfo("Passive transfer mode");
        if (!SetupPassiveDataConnection(data, log, monitor)) {
            data.reset();
            log.LogError("Failed to setup passive data socket.");
            return false;
        }
        return true;
    }
    log.LogInfo("Active transfer mode");
    if (!SetupActiveDataConnection(log, monitor)) {
        log.LogError("Failed to setup active data socket.");
        log.LogError("Try using passive mode instead.");
        return false;
    }
    return true;
}

bool Ftp2::AcceptActive(std::unique_ptr<Socket2>& data, int discardFlags, bool listing, bool& haveReply, int& code,
    std::string& reply, LogBase& log, ProgressMonitor* monitor)
{
    bool aborted = false, failedEarly = false;
    ULONGLONG start = GetTickCount64();
    data.reset(m_listen.AcceptNext(DWORD(HeartbeatMs), 2000, log, &aborted, monitor));
    if (!data && !aborted) {
        int saved = IdleTimeoutMs;
        IdleTimeoutMs = 2000;
        bool positive = false;
        LogNull quiet;
        bool read = ReadReply(code, reply, quiet, positive, monitor, discardFlags);
        IdleTimeoutMs = saved;
        if (read) {
            if (!positive && !(listing && code == 550)) {
                if (listing) {
                    log.LogError("LIST failed");
                    log.LogData("FtpResponse5", reply.c_str());
                } else
                    log.LogData("FtpResponse23", reply.c_str());
                m_listen.CloseQuiet(0, 1000, nullptr);
                return false;
            }
            log.LogData(listing ? "ListResponse" : "STORResponse", reply.c_str());
            haveReply = true;
            if (listing && code == 550) {
                m_listen.CloseQuiet(0, 1000, nullptr);
                return true;
            }
        }
        DWORD wait = IdleTimeoutMs <= 0 ? 30000 : DWORD(std::min(IdleTimeoutMs, 600000));
        ULONGLONG waitStart = GetTickCount64();
        data.reset(m_listen.AcceptNext(DWORD(HeartbeatMs), wait, log, &aborted, monitor));
        failedEarly = !data && !aborted && GetTickCount64() - waitStart < wait;
    }
    m_listen.CloseQuiet(0, 1000, nullptr);
    // The server connects to us; its certificate must still name the server we logged in to.
    if (data) {
        InheritCertificateChecks(*data);
        data->SetPeerName(Hostname.c_str());
    }
    if (!data) {
        log.LogDataInt("AcceptMS", int(GetTickCount64() - start));
        if (listing)
            log.LogError(aborted ? "Aborted while waiting for listDir data connection"
                                 : "Failed to accept listDir data connection");
        else if (!failedEarly)
            log.LogError("Aborted or timed out while waiting for PutFile data connection");
        else {
            log.LogError("Failed to accept PutFile data connection");
            log.LogError("This can happen when trying to overwrite a remote file that is read-only.");
            log.LogError("The FTP server may not allow read-only files to be overwritten, so the data transfer "
                         "connection is rejected.");
        }
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- uploads

bool Ftp2::UploadFile(const std::string& remoteName, const std::string& localPath, ProgressMonitor* monitor,
    LogBase& log)
{
    XString path;
    path.SetFromUtf8(localPath.c_str());
    HANDLE handle = FileSys::OpenFileForRead(path, &log);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size {};
    std::int64_t knownSize = GetFileSizeEx(handle, &size) ? std::int64_t(size.QuadPart) : -1;
    FileDataSource source;
    source.UseHandle(handle);
    bool ok = Upload(false, remoteName, source, knownSize, monitor, log);
    CloseHandle(handle);
    return ok;
}

bool Ftp2::UploadFromSource(bool append, const std::string& remoteName, DataSource& source,
    ProgressMonitor* monitor, LogBase& log)
{
    return Upload(append, remoteName, source, -1, monitor, log);
}

bool Ftp2::Upload(bool append, const std::string& remoteName, DataSource& source, std::int64_t sourceSize,
    ProgressMonitor* monitor, LogBase& log)
{
    const char* verb = append ? "APPE" : "STOR";
    std::string name;
    if (!EncodeArgument(remoteName, name, log))
        return false;
    if (name.empty()) {
        log.LogError("Filename name is empty or NULL");
        return false;
    }
    if (!SetTransferType(log, monitor))
        return false;
    if (AllocateSize != 0) {
        std::string r;
        if (!Allo(r, log, monitor))
            return false;
    }
    if (!FilezillaProtection(log, monitor))
        return false;
    std::unique_ptr<Socket2> data;
    if (!SetupDataConnection(data, log, monitor))
        return false;
    if (RestartNextUpload) {
        RestartNextUpload = false;
        std::string size;
        if (Size(name, size, log, monitor) && !size.empty()) {
            // Nothing left to send: say so before a restart point is set, which the server would
            // otherwise apply to the next transfer, whatever file that writes.
            std::int64_t offset = ParseInt64(size);
            if (sourceSize >= 0 && offset >= sourceSize) {
                log.LogError("Already at end-of-file");
                return false;
            }
            if (!Restart(size, log, monitor))
                return false;
            if (!source.SeekAbsolute(offset, &log) || source.IsAtEnd()) {
                if (source.IsAtEnd())
                    log.LogError("Already at end-of-file");
                LogNull quiet;
                Restart("0", quiet, monitor);
                return false;
            }
        }
    }
    int code = -1;
    std::string reply;
    if (!SendCommand(std::string(verb) + " " + name, log, monitor))
        return false;
    bool haveReply = false;
    if (!Passive && !AcceptActive(data, 12, false, haveReply, code, reply, log, monitor))
        return false;
    if (!data) {
        log.LogError("No data socket for uploading file to FTP server");
        return false;
    }
    if (!haveReply) {
        bool positive = false;
        if (!ReadReply(code, reply, log, positive, monitor, 12)) {
            log.LogError(append ? "Failed to read APPE reply" : "Failed to read STOR reply");
            log.LogData("Filename", remoteName.c_str());
            return false;
        }
        log.LogData("StorResponse", reply.c_str());
        if (!positive) {
            log.LogError(append ? "APPE failed" : "STOR failed");
            log.LogData("Filename", remoteName.c_str());
            log.LogData("FtpResponse24", reply.c_str());
            return false;
        }
    }
    data->SetIdleTimeoutMs(DWORD(IdleTimeoutMs));
    // Servers may insist that the data connection resumes the control connection's session.
    if (IsSecure())
        data->ResumeSessionOf(m_control);
    if (IsSecure() && !data->StartTls(DWORD(HeartbeatMs), DWORD(IdleTimeoutMs), log, monitor, ClientCertificate)) {
        log.LogError("Failed to convert data socket to TLS");
        return false;
    }
    data->ResetPerformance();
    data->SetPerformanceEnabled(true);
    DataBuffer tail;
    std::uint64_t sentBefore = BytesSent;
    if (!data->SendFromSource(source, DWORD(HeartbeatMs), DWORD(IdleTimeoutMs), log, monitor, &UploadRate,
            &BytesSent, &tail)) {
        LogNull quiet;
        data->Close(0, 1000, quiet, nullptr);
        data.reset();
        log.LogError("Failed to send data.");
        log.LogData("Filename", remoteName.c_str());
        // The server answers the cut transfer; read it so the next command sees its own reply.
        bool positive;
        int c;
        std::string r;
        int saved = IdleTimeoutMs;
        IdleTimeoutMs = std::min(IdleTimeoutMs, 5000);
        ReadReply(c, r, quiet, positive, nullptr, 12);
        IdleTimeoutMs = saved;
        return false;
    }
    if (data->IsTls()) {
        // Session tickets the server sent after the handshake must be read before the close, or
        // the kernel resets the connection and the server reports the upload as failed.
        DataBuffer ignored;
        bool t = false, a = false, e = false, c = false;
        LogNull quiet;
        data->SetIdleTimeoutMs(300);
        data->ReceiveBytes(ignored, 4096, 0, 300, quiet, nullptr, &t, &a, &e, &c);
    }
    log.LogDataInt("uploadRate", int(UploadRate));
    log.LogDataInt64("numBytesSent", std::int64_t(BytesSent - sentBefore));
    {
        torvane::StringBuffer hex;
        tail.AppendHexTo(hex);
        log.LogData("lastBytesSent", hex.GetText());
    }
    {
        LogNull quiet;
        data->Close(DWORD(HeartbeatMs), DWORD(IdleTimeoutMs), quiet, monitor);
        data.reset();
    }
    bool positive = false;
    if (!ReadReply(code, reply, log, positive, monitor, 12)) {
        // Without the final reply nobody knows whether the server kept the file.
        log.LogDataInt("IdleTimeoutMs", IdleTimeoutMs);
        log.LogDataInt64("NumBytesSent", std::int64_t(BytesSent - sentBefore));
        log.LogError(append ? "Failed to read 2nd APPE reply" : "Failed to read 2nd STOR reply");
        log.LogData("Filename", remoteName.c_str());
        return false;
    }
    if (!positive) {
        log.LogError(append ? "APPE failed after reading data." : "STOR failed after reading data.");
        log.LogData("FtpResponse25", reply.c_str());
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- listings

bool Ftp2::ListDir(const std::string& patternIn, bool allowMlsd, LogBase& log, ProgressMonitor* monitor,
    std::string& listing)
{
    std::string pattern = patternIn;
    for (size_t at; (at = pattern.find("**")) != std::string::npos;)
        pattern.replace(at, 2, "*");
    pattern = Trimmed(pattern);
    std::string command = (HasMlst && allowMlsd) ? "MLSD " : "LIST ";
    if (!Bsd44Server && pattern != "*" && pattern != "*.*")
        command += pattern;
    if (command.find('*') != std::string::npos && command.compare(0, 4, "MLSD") == 0)
        command.replace(0, 4, "LIST");
    command = Trimmed(command);
    LogContextScope ctx(log, "ListDir");
    return ReceiveListing(command, log, monitor, listing);
}

bool Ftp2::ReceiveListing(const std::string& commandIn, LogBase& log, ProgressMonitor* monitor,
    std::string& listing)
{
    if (!SetTransferType(log, monitor))
        return false;
    if (!FilezillaProtection(log, monitor))
        return false;
    ULONGLONG start = GetTickCount64();
    listing.clear();
    std::unique_ptr<Socket2> data;
    if (!SetupDataConnection(data, log, monitor))
        return false;
    std::string command;
    if (!EncodeArgument(commandIn, command, log))
        return false;
    bool mlsd = command.compare(0, 4, "MLSD") == 0;
    if (!SendCommand(command, log, monitor)) {
        log.LogError("Failed to send command to FTP server");
        log.LogData("command", command.c_str());
        return false;
    }
    int code = -1;
    std::string reply;
    bool haveReply = false;
    if (!Passive && !AcceptActive(data, 7, true, haveReply, code, reply, log, monitor))
        return false;
    if (!data && !(haveReply && code == 550)) {
        log.LogError("No data socket was created");
        return false;
    }
    if (!haveReply) {
        bool positive = false;
        if (!ReadReply(code, reply, log, positive, monitor, 7)) {
            log.LogError("Failed to read reply from FTP server.");
            return false;
        }
        if (!positive && code != 550) {
            log.LogError("LIST failed");
            log.LogData("FtpResponse6", reply.c_str());
            return false;
        }
    }
    ClearListing();
    log.LogDataInt("listDirStatusCode", code);
    if (code == 550) {
        m_listingValid = true;
        return true;
    }
    // Servers may insist that the data connection resumes the control connection's session.
    if (IsSecure())
        data->ResumeSessionOf(m_control);
    if (IsSecure() && !data->StartTls(DWORD(HeartbeatMs), DWORD(IdleTimeoutMs), log, monitor, ClientCertificate)) {
        log.LogError("Failed to convert listDir data socket to TLS");
        return false;
    }
    data->SetIdleTimeoutMs(DWORD(IdleTimeoutMs));
    if (SessionLogEnabled)
        SessionLog += "\r\n(DirListingCharset: " + CommandCharset + ")\r\n";
    std::vector<std::string> lines;
    size_t total = 0;
    for (;;) {
        std::string line;
        bool timedOut = false, aborted = false, closed = false;
        LogNull quiet;
        bool ok = ReadLine(*data, CommandCharset.c_str(), line, quiet, monitor, &timedOut, &aborted, &closed);
        if (!line.empty()) {
            total += line.size();
            // A listing is bounded like every other byte stream from the server.
            if (total > TorvaneSocket::kMaxBufferedBytes * 4u) {
                log.LogError("Directory listing too large.");
                break;
            }
            listing += line;
            lines.push_back(line);
        }
        if (!ok) {
            if (timedOut)
                log.LogError("Timeout waiting to receive directory listing.");
            else if (aborted)
                log.LogInfo("Directory listing download aborted by application.");
            else if (!closed && !data->PeerClosed()) {
                log.LogError("Error when receiving directory listing.");
                log.LogError("Check to make sure you have permission to list this directory.");
            }
            break;
        }
    }
    if (SessionLogEnabled)
        SessionLog += listing;
    if (mlsd)
        ParseMlsdListing(lines, log);
    else
        ParseListing(lines, log);
    {
        LogNull quiet;
        data->Close(DWORD(HeartbeatMs), DWORD(IdleTimeoutMs), quiet, monitor);
        data.reset();
    }
    // A listing the server did not confirm may be cut short: keep none of it.
    bool positive = false;
    if (!ReadReply(code, reply, log, positive, monitor, 7)) {
        ClearListing();
        log.LogError("LIST failed after reading data..");
        log.LogData("FtpResponse2", reply.c_str());
        return false;
    }
    if (!positive) {
        ClearListing();
        log.LogError("LIST failed after reading data.");
        log.LogData("FtpResponse7", reply.c_str());
        log.LogDataInt("statusCode2", code);
        return false;
    }
    m_listingValid = true;
    log.LogDataInt("ListTimeMS", int(GetTickCount64() - start));
    return true;
}

bool Ftp2::EnsureListing(ProgressMonitor* monitor, LogBase& log)
{
    if (m_listingValid)
        return true;
    std::string listing;
    return ListDir(ListPattern, true, log, monitor, listing);
}

void Ftp2::SetListPattern(const std::string& pattern)
{
    ListPattern = pattern;
    m_listingValid = false;
}

void Ftp2::ClearListing()
{
    m_entries.clear();
    m_index.clear();
    m_listingValid = false;
}

void Ftp2::AddEntry(FtpEntry entry)
{
    m_index[entry.name] = int(m_entries.size());
    m_entries.push_back(std::move(entry));
}

int Ftp2::FindFileEntry(const std::string& name, bool caseSensitive) const
{
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const FtpEntry& e = m_entries[i];
        if (e.isDirectory)
            continue;
        if (caseSensitive ? e.name == name : Lower(e.name) == Lower(name))
            return int(i);
    }
    return -1;
}

bool Ftp2::GetRemoteLastModified(const std::string& name, SYSTEMTIME& out) const
{
    auto it = m_index.find(name);
    if (it == m_index.end() || it->second < 0 || size_t(it->second) >= m_entries.size())
        return false;
    return FileTimeToSystemTime(&m_entries[size_t(it->second)].lastWrite, &out) != FALSE;
}

void Ftp2::ParseMlsdListing(const std::vector<std::string>& lines, LogBase& log)
{
    for (const std::string& raw : lines) {
        std::string line = Trimmed(raw);
        size_t sp = line.find(' ');
        if (sp == std::string::npos)
            continue;
        std::string facts = line.substr(0, sp);
        std::string lower = Lower(facts);
        if (lower.find("type=cdir;") != std::string::npos || lower.find("type=pdir;") != std::string::npos)
            continue;
        FtpEntry e;
        e.name = line.substr(sp + 1);
        if (lower.find("type=dir;") != std::string::npos)
            e.isDirectory = true;
        else if (lower.find("type=file;") == std::string::npos)
            continue;
        std::string value;
        bool found = false;
        if (!e.isDirectory) {
            if (!MlsdFact(facts, "size", value, found)) {
                log.LogError(found ? "Failed to parse size in MLSD line" : "Failed to find size in MLSD line");
                log.LogData("mlsd_line", facts.c_str());
                continue;
            }
            e.size = ParseInt64(value);
        }
        if (!MlsdFact(facts, "modify", value, found)) {
            log.LogError(found ? "Failed to parse modify date in MLSD line."
                               : "Failed to find modify date in MLSD line");
            log.LogData("mlsd_line", facts.c_str());
            continue;
        }
        if (!MlsdTime(value, e.lastWrite)) {
            log.LogError("Failed to parse modify date in MLSD line");
            log.LogData("mlsd_line", facts.c_str());
            continue;
        }
        e.creation = e.lastAccess = e.lastWrite;
        if (MlsdFact(facts, "create", value, found))
            MlsdTime(value, e.creation);
        AddEntry(std::move(e));
    }
}

namespace {

// "drwxr-xr-x" and its kin: a type letter and nine permission letters, then a blank (or '+').
bool IsUnixListingLine(const std::string& l)
{
    if (l.size() < 12 || (l[10] != ' ' && l[10] != '+'))
        return false;
    if (std::strchr("-bcdlps", l[0]) == nullptr || l[0] == 0)
        return false;
    for (int i = 1; i <= 9; ++i)
        if (std::strchr("-rwxsST", l[size_t(i)]) == nullptr || l[size_t(i)] == 0)
            return false;
    return true;
}

// One VMS record: NAME.EXT;VERSION blocks date time [owner] (protection).
bool IsVmsRecord(const std::vector<std::string>& f)
{
    return f.size() == 6 && f[0].find('.') != std::string::npos && f[0].find(';') != std::string::npos
        && f[4].size() >= 2 && f[4].front() == '[' && f[4].back() == ']' && f[5].size() >= 2
        && f[5].front() == '(' && f[5].back() == ')';
}

} // namespace

void Ftp2::ParseListing(std::vector<std::string>& lines, LogBase& log)
{
    switch (DetectListingFormat(lines)) {
    case kUnix: ParseUnixListing(lines); break;
    case kDos: ParseDosListing(lines); break;
    case kNetware: ParseNetwareListing(lines); break;
    case kVms: ParseVmsListing(lines); break;
    case kBatches: ParseBatchListing(lines, log); break;
    case kEdi: ParseEdiListing(lines, log); break;
    case kUnknown: break;
    }
}

Ftp2::ListingFormat Ftp2::DetectListingFormat(std::vector<std::string>& lines)
{
    ListingFormat layout = kUnknown;
    if (std::any_of(lines.begin(), lines.end(), IsUnixListingLine))
        layout = kUnix;
    if (layout == kUnknown) {
        bool all = true;
        for (const auto& l : lines)
            if (l.size() >= 12 && (l[2] != '-' || l[5] != '-'))
                all = false;
        if (all)
            layout = kDos;
    }
    if (layout == kUnknown) {
        for (auto& l : lines) {
            l = Collapse(l);
            if (IsVmsRecord(SplitSpaces(l))) {
                layout = kVms;
                break;
            }
        }
    }
    if (layout == kUnknown) {
        for (auto& l : lines) {
            l = Trimmed(l);
            if (l.size() >= 12 && (l.compare(0, 3, "d [") == 0 || l.compare(0, 3, "- [") == 0) && l[11] == ']') {
                layout = kNetware;
                break;
            }
        }
    }
    if (layout == kUnknown) {
        size_t from = lines.size() < 6 ? 0 : lines.size() - 5;
        for (size_t i = from; i < lines.size(); ++i)
            if (lines[i].find("Total number of batches listed") != std::string::npos)
                layout = kBatches;
    }
    if (layout == kUnknown && !lines.empty() && lines[0].find("Control #") != std::string::npos
        && lines[0].find("Sender ID") != std::string::npos)
        layout = kEdi;
    return layout;
}

void Ftp2::ParseUnixListing(const std::vector<std::string>& lines)
{
    for (const auto& line : lines) {
        if (line.size() < 12)
            continue;
        std::string l = line;
        while (!l.empty() && (l.back() == '\r' || l.back() == '\n'))
            l.pop_back();
        char type = l[0];
        // Fields: perms links owner group size month day yearOrTime name...
        size_t pos = 0;
        auto next = [&](std::string& field) {
            while (pos < l.size() && (l[pos] == ' ' || l[pos] == '\t'))
                ++pos;
            size_t start = pos;
            while (pos < l.size() && l[pos] != ' ' && l[pos] != '\t')
                ++pos;
            field = l.substr(start, pos - start);
            return !field.empty();
        };
        std::string perms, links, owner, group, size, month, day, yearOrTime;
        if (!next(perms) || !next(links) || !next(owner) || !next(group) || !next(size))
            continue;
        if (std::any_of(size.begin(), size.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); })) {
            month = size;
            size = group;
        } else if (!next(month))
            continue;
        if (!next(day) || !next(yearOrTime))
            continue;
        std::string name = Trimmed(l.substr(pos));
        if (name.empty())
            continue;
        if (Bsd44Server && !ListPattern.empty() && ListPattern != "*" && ListPattern != "*.*"
            && !WildcardMatch(ListPattern.c_str(), name.c_str()))
            continue;
        FtpEntry e;
        if (type == 'l') {
            size_t arrow = name.find("->");
            if (arrow != std::string::npos)
                name = Trimmed(name.substr(0, arrow));
            e.isLink = true;
        }
        e.name = name;
        e.isDirectory = type == 'd';
        e.size = ParseInt64(size);
        if (!DateFromYearOrTime(month, day, yearOrTime, e.lastWrite))
            continue;
        e.creation = e.lastAccess = e.lastWrite;
        AddEntry(std::move(e));
    }
}

void Ftp2::ParseDosListing(const std::vector<std::string>& lines)
{
    for (const auto& l : lines) {
        if (l.size() < 12)
            continue;
        int month = 0, day = 0, year = 0;
        if (std::sscanf(l.c_str(), "%2d", &month) != 1 || month < 1 || month > 12)
            continue;
        size_t pos = 3;
        while (pos < l.size() && std::isdigit(static_cast<unsigned char>(l[pos])))
            day = day * 10 + (l[pos++] - '0');
        if (day > 31)
            continue;
        ++pos; // separator
        if (pos + 2 > l.size() || std::sscanf(l.substr(pos, 2).c_str(), "%2d", &year) != 1)
            continue;
        year = year >= 75 ? 1900 + year : 2000 + year;
        pos += 3;
        std::vector<std::string> rest = SplitSpaces(l.substr(std::min(pos, l.size())));
        if (rest.size() < 3)
            continue;
        std::string time = rest[0];
        int hour = 0, minute = 0;
        if (std::sscanf(time.c_str(), "%d:%d", &hour, &minute) != 2)
            continue;
        std::string suffix = time.size() >= 2 ? Lower(time.substr(time.size() - 2)) : "";
        if (suffix == "am" && hour == 12)
            hour = 0;
        else if (suffix == "pm" && hour < 12)
            hour += 12;
        // The name is everything after the size field.
        size_t sizeAt = l.find(rest[1], l.find(rest[0], pos) + rest[0].size());
        std::string name = Trimmed(l.substr(sizeAt + rest[1].size()));
        FtpEntry e;
        e.name = name;
        if (rest[1].find('<') != std::string::npos)
            e.isDirectory = true;
        else
            e.size = ParseInt64(rest[1]);
        if (name.empty() || !MakeFileTime(year, month, day, hour, minute, 0, e.lastWrite))
            continue;
        e.creation = e.lastAccess = e.lastWrite;
        AddEntry(std::move(e));
    }
}

void Ftp2::ParseNetwareListing(const std::vector<std::string>& lines)
{
    for (const auto& l : lines) {
        if (l.size() < 12 || l[1] != ' ' || l[2] != '[')
            continue;
        size_t close = l.find(']');
        std::vector<std::string> f = SplitSpaces(l.substr(close + 1));
        if (f.size() < 6)
            continue;
        // owner size month day yearOrTime name...
        size_t nameAt = 0;
        std::string tail = l.substr(close + 1);
        for (int i = 0; i < 5; ++i)
            nameAt = tail.find(f[size_t(i)], nameAt) + f[size_t(i)].size();
        FtpEntry e;
        e.name = Trimmed(tail.substr(nameAt));
        e.isDirectory = l[0] == 'd';
        e.size = ParseInt64(f[1]);
        if (e.name.empty() || !DateFromYearOrTime(f[2], f[3], f[4], e.lastWrite))
            continue;
        e.creation = e.lastAccess = e.lastWrite;
        AddEntry(std::move(e));
    }
}

void Ftp2::ParseVmsListing(const std::vector<std::string>& lines)
{
    std::string joined;
    for (size_t i = 1; i < lines.size(); ++i)
        joined += Collapse(lines[i]) + "\n";
    size_t start = 0;
    for (size_t close; (close = joined.find(')', start)) != std::string::npos; start = close + 1) {
        std::vector<std::string> f = SplitSpaces(Collapse(joined.substr(start, close + 1 - start)));
        if (!IsVmsRecord(f))
            continue;
        std::string time = f[3];
        if (std::count(time.begin(), time.end(), ':') == 1)
            time += ":00";
        int d, h, mi, s;
        char mon[16] = {};
        int y;
        if (std::sscanf(f[2].c_str(), "%d-%15[^-]-%d", &d, mon, &y) != 3
            || std::sscanf(time.c_str(), "%d:%d:%d", &h, &mi, &s) != 3)
            continue;
        FtpEntry e;
        e.name = f[0];
        size_t slash = f[1].find('/');
        std::int64_t blocks = ParseInt64(slash == std::string::npos ? f[1] : f[1].substr(slash + 1));
        if (blocks > INT64_MAX / 512)
            continue;
        e.size = blocks * 512;
        std::string base = e.name.substr(0, e.name.find(';'));
        e.isDirectory = base.size() >= 4 && base.compare(base.size() - 4, 4, ".DIR") == 0;
        if (!MakeFileTime(y, MonthNumber(mon), d, h, mi, s, e.lastWrite))
            continue;
        e.creation = e.lastAccess = e.lastWrite;
        AddEntry(std::move(e));
    }
}

void Ftp2::ParseBatchListing(const std::vector<std::string>& lines, LogBase& log)
{
    for (const auto& l : lines) {
        std::vector<std::string> f = SplitSpaces(Collapse(l));
        if (f.size() != 9)
            continue;
        FtpEntry e;
        e.name = f[8];
        e.size = ParseInt64(f[4]);
        e.isDirectory = f[0][0] != '-';
        if (!DateFromYearOrTime(f[5], f[6], f[7], e.lastWrite))
            continue;
        e.creation = e.lastAccess = e.lastWrite;
        AddEntry(std::move(e));
    }
    log.LogInfo("Type 4 directory listing");
}

void Ftp2::ParseEdiListing(const std::vector<std::string>& lines, LogBase& log)
{
    for (size_t i = 1; i < lines.size(); ++i) {
        std::vector<std::string> f;
        const std::string& l = lines[i];
        std::string cur;
        bool quoted = false;
        for (char c : l) {
            if (c == '"')
                quoted = !quoted;
            if (c == ' ' && !quoted) {
                f.push_back(cur);
                cur.clear();
            } else
                cur += c;
        }
        f.push_back(cur);
        if (f.size() <= 6)
            continue;
        FtpEntry e;
        e.size = ParseInt64(f[4]);
        SYSTEMTIME now;
        GetSystemTime(&now);
        int mo, d, h, mi;
        if (std::sscanf(f[5].c_str(), "%02d%02d/%02d%02d", &mo, &d, &h, &mi) != 4
            || !MakeFileTime(now.wYear, mo, d, h, mi, 0, e.lastWrite))
            GetSystemTimeAsFileTime(&e.lastWrite);
        e.creation = e.lastAccess = e.lastWrite;
        e.name = f[6] + "." + f[0];
        AddEntry(std::move(e));
    }
    log.LogInfo("EDI directory listing");
}
