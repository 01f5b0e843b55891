#include "components/foundation/TextTrim.h"
#include "components/mail/Pop3.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/StringBuffer.h"
#include "components/mail/ContentCoding.h"

#include <strings.h>

namespace {

bool BeginsNoCase(const std::string& s, const char* prefix)
{
    size_t n = std::char_traits<char>::length(prefix);
    return s.size() >= n && strncasecmp(s.c_str(), prefix, n) == 0;
}

std::string Trimmed(const std::string& s) { return TrimWhitespace(s); }

std::string TokenLine(const DataBuffer& token)
{
    ContentCoding coding;
    torvane::StringBuffer out;
    coding.EncodeBase64NoBreaks(token.GetData(), token.GetSize(), out);
    return std::string(out.GetText(), size_t(out.GetLength())) + "\r\n";
}

} // namespace

bool Pop3::sendCommand(const std::string& command, LogBase& log, ProgressMonitor* progress)
{
    bool isPass = BeginsNoCase(command, "PASS ");
    if (!m_socket.SendBytes(command.data(), unsigned(command.size()), 4096, 0, m_readTimeoutMs, log, progress)) {
        log.LogError("Failed to send command");
        log.LogData("command", isPass ? "PASS ****" : Trimmed(command).c_str());
        return false;
    }
    m_transcript += "> ";
    m_transcript += isPass ? std::string("PASS ****\r\n") : command;
    return true;
}

bool Pop3::readResponseLine(std::string& line, LogBase& log, ProgressMonitor* progress, bool expectOk)
{
    line.clear();
    torvane::StringBuffer text;
    bool timedOut = false, aborted = false, error = false, closed = false;
    m_lastOk = false;
    if (!m_socket.ReceiveUntilMatch("\r\n", text, 0, m_readTimeoutMs, log, progress, &timedOut, &aborted, &error,
            &closed))
        return false;
    line.assign(text.GetText(), size_t(text.GetLength()));
    m_transcript += "< " + line;
    if (!expectOk) {
        m_lastOk = true;
        return true;
    }
    m_lastOk = BeginsNoCase(line, "+OK");
    if (!m_lastOk && BeginsNoCase(line, "* OK"))
        log.LogError("This seems to be an IMAP server, and not a POP3 server...");
    return m_lastOk;
}

bool Pop3::exchangePackage(DataBuffer& serverToken, const DataBuffer& clientToken, LogBase& log)
{
    if (!sendCommand(TokenLine(clientToken), log, nullptr))
        return false;
    std::string line;
    if (!readResponseLine(line, log, nullptr, false)) {
        log.LogError("Failed to receive SSPI response.");
        return false;
    }
    if (line.empty() || line[0] != '+') {
        log.LogError("POP3 SPA login failed.");
        log.LogData("response", Trimmed(line).c_str());
        return false;
    }
    size_t at = line.find_first_of(" \t");
    if (at == std::string::npos || line[at] == '\t')
        at = line.size();
    at = line.find_first_not_of(" \t", at);
    std::string encoded = at == std::string::npos ? std::string() : Trimmed(line.substr(at));
    serverToken.Empty();
    ContentCoding coding;
    coding.DecodeBase64ToData(encoded.c_str(), unsigned(encoded.size()), serverToken);
    return true;
}

bool Pop3::sendFinal(const DataBuffer& clientToken, LogBase& log)
{
    if (!sendCommand(TokenLine(clientToken), log, nullptr))
        return false;
    std::string line;
    if (!readResponseLine(line, log, nullptr, false)) {
        log.LogError("Failed to receive final SSPI response.");
        return false;
    }
    if (BeginsNoCase(line, "+OK"))
        return true;
    log.LogError("POP3 SPA login failed!");
    log.LogData("response", Trimmed(line).c_str());
    return false;
}
