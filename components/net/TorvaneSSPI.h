#pragma once
// Drives one security-package login (NTLM) for a protocol peer: acquires credentials for a user,
// produces the client's tokens one after another and hands each to the peer. One object serves
// one login on one thread.

#include "components/foundation/DataBuffer.h"
#include "platform/net/SecurityStatus.h"

#include <memory>
#include <string>
#include <vector>

class LogBase;
class NtlmClientContext;
class PackageExchange;

class TorvaneSSPI {
public:
    TorvaneSSPI();
    TorvaneSSPI(const TorvaneSSPI&) = delete;
    TorvaneSSPI& operator=(const TorvaneSSPI&) = delete;
    virtual ~TorvaneSSPI();

    void SetPackageExchange(PackageExchange* peer) { m_peer = peer; }
    // Index of the package whose name equals name ignoring case, or -1.
    int FindPackageIndex(const char* name) const;
    bool AcquireAlternateCredentials(int packageIndex, const char* domain, const char* user, const char* password,
        LogBase& log);
    bool PrepareOutboundPackage(int packageIndex, DataBuffer& clientToken, const DataBuffer* serverToken,
        bool& done, bool& authenticated, LogBase* log);
    bool authenticate(int packageIndex, const char* domain, const char* user, const char* password, LogBase& log);

    // Tests fix the NTLM client challenge and time of the next context.
    void SetNtlmTestValues(const std::uint8_t clientChallenge[8], std::uint64_t fileTime);

private:
    struct Package {
        std::string name;
        unsigned maxToken;
    };
    std::vector<Package> m_packages;
    bool m_haveCredentials = false;
    std::string m_user, m_domain, m_password;
    std::unique_ptr<NtlmClientContext> m_context;
    int m_contextStep = 0;
    PackageExchange* m_peer = nullptr;
    unsigned m_contextRequirements = 4;
    bool m_testValues = false;
    std::uint8_t m_testChallenge[8] {};
    std::uint64_t m_testTime = 0;
};
