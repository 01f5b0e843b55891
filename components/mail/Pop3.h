#pragma once
// The POP3 session's command and reply primitives and its SPA (NTLM) token exchange.

#include "components/foundation/LogBase.h"
#include "components/net/PackageExchange.h"
#include "components/net/Socket2.h"

#include <string>

class ProgressMonitor;

class Pop3 : public PackageExchange {
public:
    Pop3() = default;
    ~Pop3() override = default;

    Socket2& Connection() { return m_socket; }
    bool sendCommand(const std::string& command, LogBase& log, ProgressMonitor* progress);
    bool readResponseLine(std::string& line, LogBase& log, ProgressMonitor* progress, bool expectOk);
    bool exchangePackage(DataBuffer& serverToken, const DataBuffer& clientToken, LogBase& log) override;
    bool sendFinal(const DataBuffer& clientToken, LogBase& log) override;
    const std::string& transcript() const { return m_transcript; }

private:
    Socket2 m_socket;
    std::string m_transcript;
    DWORD m_readTimeoutMs = 30000;
    bool m_lastOk = false;
};
