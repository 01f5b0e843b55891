#pragma once
// The chain engine and the chain policies. Trust anchors are the "ROOT" stores of the current
// user and of the local machine and the machine's "AUTHROOT" store; intermediate certificates come
// from the "CA" and "MY" stores of both locations and from the additional store (a TLS peer's own
// chain). Revocation is never checked.

#include "platform/crypto/CryptTypes.h"

// Builds the chain of `context` at `time` (now when null) with the default engine (`engine` must
// be null). Every fault found along the way is recorded in the trust status of its element and
// of the chain, so that one build shows them all: not time valid, signature not valid, untrusted
// root, partial chain, invalid basic constraints, not valid for the requested usage (the end
// certificate's extended key usage). FALSE only for bad arguments.
BOOL CertGetCertificateChain(HCERTCHAINENGINE engine, PCCERT_CONTEXT context, const FILETIME* time,
    HCERTSTORE additionalStore, const CERT_CHAIN_PARA* para, DWORD flags, void* reserved,
    PCCERT_CHAIN_CONTEXT* chain);
void CertFreeCertificateChain(PCCERT_CHAIN_CONTEXT chain);

// CERT_CHAIN_POLICY_BASE: the chain's trust faults. CERT_CHAIN_POLICY_SSL (pvExtraPolicyPara: an
// SSL_EXTRA_CERT_CHAIN_POLICY_PARA, optional): in addition the end certificate must be meant for
// the role (server or client authentication, when it names its uses) and, for a server with a
// name given, carry that host name (DNS alternative names, wildcards for one label; the common
// name when it has none) or that IP address. The first fault found, in the order signature,
// trusted root or partial chain, time, basic constraints, usage, name, sets status->dwError
// (TRUST_E_CERT_SIGNATURE, CERT_E_UNTRUSTEDROOT, CERT_E_CHAINING, CERT_E_EXPIRED, CERT_E_ROLE,
// CERT_E_WRONG_USAGE, CERT_E_CN_NO_MATCH); fdwChecks may waive the root, date, usage and name
// checks. TRUE whenever the policy could be applied (the verdict is in the status).
BOOL CertVerifyCertificateChainPolicy(LPCSTR policy, PCCERT_CHAIN_CONTEXT chain, const CERT_CHAIN_POLICY_PARA* para,
    CERT_CHAIN_POLICY_STATUS* status);
