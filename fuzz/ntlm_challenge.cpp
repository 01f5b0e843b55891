// NTLM CHALLENGE messages from a server: parsing and answering them.
#include "platform/net/Ntlm.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    NtlmChallenge parsed;
    std::string reason;
    ParseNtlmChallenge(data, size, parsed, &reason);
    NtlmClientContext context("User", "Domain", "Password", "HOST");
    NtlmBytes answer;
    context.Authenticate(data, size, answer, &reason);
    return 0;
}
