#include "components/net/TorvaneSSPI.h"

#include "components/foundation/LogBase.h"
#include "components/foundation/StringBuffer.h"
#include "components/net/PackageExchange.h"
#include "platform/net/Ntlm.h"

#include <array>
#include <cstring>
#include <strings.h>

namespace {
bool IsDefaultWord(const char* text)
{
    torvane::StringBuffer s(text);
    s.Trim();
    s.ToLower();
    return s.Equals("default");
}
} // namespace

TorvaneSSPI::TorvaneSSPI()
{
    m_packages.push_back({ "NTLM", 2888 });
}

TorvaneSSPI::~TorvaneSSPI()
{
    // The copies of the secret are wiped before the memory goes back.
    std::fill(m_password.begin(), m_password.end(), '\0');
}

int TorvaneSSPI::FindPackageIndex(const char* name) const
{
    if (!name)
        return -1;
    for (std::size_t i = 0; i < m_packages.size(); ++i)
        if (strcasecmp(m_packages[i].name.c_str(), name) == 0)
            return int(i);
    return -1;
}

bool TorvaneSSPI::AcquireAlternateCredentials(int packageIndex, const char* domain, const char* user,
    const char* password, LogBase& log)
{
    if (!user || !password) {
        log.LogError("Failed to acquire alternate credentials: no username and/or password");
        return false;
    }
    if (packageIndex < 0 || packageIndex >= int(m_packages.size())) {
        log.LogError("Failed to acquire alternate credentials: package index out of range");
        log.LogDataInt("PackageIndex", packageIndex);
        log.LogDataInt("NumPackages", int(m_packages.size()));
        return false;
    }
    m_haveCredentials = false;
    m_context.reset();
    m_contextStep = 0;
    if (IsDefaultWord(user) && IsDefaultWord(password)) {
        // The logged-on user's own credentials: there is no single sign-on to draw them from here.
        log.LogInfo("Using default NTLM credentials.");
        log.LogError("Failed to acquire credentials handle");
        log.LogData("username", user);
        log.LogData("domain", domain ? domain : "NONE");
        log.LogData("status_code", "SEC_E_NO_CREDENTIALS");
        return false;
    }
    m_user = user;
    m_domain = domain ? domain : "";
    std::fill(m_password.begin(), m_password.end(), '\0');
    m_password = password;
    m_haveCredentials = true;
    return true;
}

bool TorvaneSSPI::PrepareOutboundPackage(int packageIndex, DataBuffer& clientToken, const DataBuffer* serverToken,
    bool& done, bool& authenticated, LogBase* log)
{
    done = true;
    authenticated = false;
    LogNull quiet;
    LogBase& out = log ? *log : quiet;
    if (packageIndex < 0 || packageIndex >= int(m_packages.size())) {
        out.LogError("TorvaneSSPI.prepareOutboundPackage: package index out of range");
        out.LogDataInt("packageIndex", packageIndex);
        return false;
    }

    SECURITY_STATUS status = SEC_E_OK;
    NtlmBytes token;
    std::string reason;
    if (!m_haveCredentials) {
        status = SEC_E_NO_CREDENTIALS;
    } else if (!m_context || m_contextStep == 0) {
        m_context = std::make_unique<NtlmClientContext>(m_user, m_domain, m_password);
        if (m_testValues) {
            std::array<std::uint8_t, 8> challenge;
            std::memcpy(challenge.data(), m_testChallenge, 8);
            m_context->SetClientChallengeForTesting(challenge);
            m_context->SetTimestampForTesting(m_testTime);
        }
        token = m_context->Negotiate();
        m_contextStep = 1;
        status = SEC_I_CONTINUE_NEEDED;
    } else if (m_contextStep == 1 && serverToken) {
        status = m_context->Authenticate(serverToken->GetData(), serverToken->GetSize(), token, &reason)
            ? SEC_E_OK
            : SEC_E_INVALID_TOKEN;
        m_contextStep = 2;
    } else {
        status = SEC_E_INVALID_HANDLE;
    }

    if (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED) {
        done = status == SEC_E_OK;
        authenticated = status == SEC_E_OK;
        clientToken.Empty();
        clientToken.Append(token.data(), unsigned(token.size()));
        return true;
    }
    // A challenge that cannot be answered ends the login here: nothing stale is sent on.
    torvane::StringBuffer text("TorvaneSSPI.prepareOutboundPackage: ");
    const char* name = SecurityStatusName(status);
    if (name) {
        text.Append(name);
        out.LogError(text.GetText());
    }
    if (!reason.empty())
        out.LogData("reason", reason.c_str());
    out.LogDataHex("statusCode", std::uint32_t(status));
    out.LogError("Finished and NOT authenticated");
    clientToken.Empty();
    return false;
}

bool TorvaneSSPI::authenticate(int packageIndex, const char* domain, const char* user, const char* password,
    LogBase& log)
{
    if (!user || !password)
        return false;
    if (!m_peer) {
        log.LogError("TorvaneSSPI.authenticate: no package exchange object");
        return false;
    }
    if (!AcquireAlternateCredentials(packageIndex, domain, user, password, log)) {
        log.LogError("TorvaneSSPI.authenticate: cannot acquire alternate credentials");
        return false;
    }
    DataBuffer clientToken, serverToken;
    bool done = false, authenticated = false;
    if (!PrepareOutboundPackage(packageIndex, clientToken, nullptr, done, authenticated, &log)) {
        log.LogError("TorvaneSSPI.authenticate: failed to prepare 1st outbound package");
        return false;
    }
    if (!m_peer->exchangePackage(serverToken, clientToken, log)) {
        log.LogError("TorvaneSSPI.authenticate: exchange failed");
        return false;
    }
    for (;;) {
        if (!PrepareOutboundPackage(packageIndex, clientToken, &serverToken, done, authenticated, &log)) {
            log.LogError("TorvaneSSPI.authenticate: failed to prepare next package");
            return false;
        }
        if (done)
            return m_peer->sendFinal(clientToken, log);
        if (!m_peer->exchangePackage(serverToken, clientToken, log)) {
            log.LogError("TorvaneSSPI.authenticate: exchange failed");
            return false;
        }
    }
}

void TorvaneSSPI::SetNtlmTestValues(const std::uint8_t clientChallenge[8], std::uint64_t fileTime)
{
    std::memcpy(m_testChallenge, clientChallenge, 8);
    m_testTime = fileTime;
    m_testValues = true;
}
