#include "components/crypto/CertChain.h"

#include "components/crypto/Certificate.h"
#include "components/crypto/CertificateStore.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/StringBuffer.h"

#include <atomic>
#include <memory>

namespace {

constexpr int kMaxIssuers = 20;

// Local machine MY, CA, ROOT, AUTHROOT; current user CA.
enum StoreIndex { kMachineMy, kMachineCa, kMachineRoot, kMachineAuthRoot, kUserCa, kStoreCount };

// Shared by every chain of the process and written from any thread.
std::atomic<bool> g_available[kStoreCount] = { true, true, true, true, true };

using Opener = CertificateStore* (*)(bool, LogBase*);
const Opener kOpeners[kStoreCount] = { OpenLocalMachineStore, OpenLocalMachineCaStore, OpenLocalMachineRootStore,
    OpenLocalMachineAuthRootStore, OpenCurrentUserCaStore };

struct OpenedStores {
    std::unique_ptr<CertificateStore> stores[kStoreCount];

    OpenedStores()
    {
        for (int i = 0; i < kStoreCount; ++i) {
            if (!g_available[i].load())
                continue;
            stores[i].reset(kOpeners[i](true, nullptr));
            if (!stores[i])
                g_available[i].store(false);
        }
    }
    CertificateStore* Get(StoreIndex index) const { return stores[index].get(); }
};

struct LookupStep {
    StoreIndex store;
    const char* label;
};

const LookupStep kLookupOrder[] = {
    { kUserCa, "(CA User) " },
    { kMachineCa, "(CA) " },
    { kMachineAuthRoot, "(AUTHROOT) " },
    { kMachineMy, "(MY) " },
    { kMachineRoot, "(ROOT) " },
};

} // namespace

void CertChain::ResetStoreAvailability()
{
    for (auto& flag : g_available)
        flag.store(true);
}

CertChain::~CertChain() { m_certificates.DeleteAll(); }

PCCERT_CONTEXT CertChain::GetContextAt(int index) const
{
    Certificate* certificate = GetCertificateAt(index);
    return certificate ? certificate->GetContext() : nullptr;
}

Certificate* CertChain::GetCertificateAt(int index) const { return m_certificates.GetAtAs<Certificate>(index); }

bool CertChain::BuildForEmail(const Certificate& start, LogBase&)
{
    m_certificates.DeleteAll();
    OpenedStores opened;
    const Certificate* current = start.Clone();
    m_certificates.Append(const_cast<Certificate*>(current));
    for (int step = 0; step < kMaxIssuers && !current->IsSelfIssued(); ++step) {
        Certificate* issuer = nullptr;
        for (const auto& lookup : kLookupOrder) {
            if (lookup.store == kMachineRoot || !opened.Get(lookup.store))
                continue;
            issuer = opened.Get(lookup.store)->FindIssuerOf(*current);
            if (issuer && issuer->IsExpired()) {
                delete issuer;
                issuer = nullptr;
            }
            if (issuer)
                break;
        }
        if (!issuer) {
            CertificateStore* root = opened.Get(kMachineRoot);
            issuer = root ? root->FindIssuerOf(*current) : nullptr;
            if (!issuer || issuer->IsExpired()) {
                delete issuer;
                break;
            }
        }
        if (issuer->IsSelfIssued()) {
            delete issuer;
            break;
        }
        m_certificates.Append(issuer);
        current = issuer;
    }
    return true;
}

bool CertChain::Build(const Certificate& start, const ExtPtrArray* extra, LogBase& log)
{
    m_certificates.DeleteAll();
    {
        LogContextScope context(log, "SearchStores");
        log.LogDataInt("MY", g_available[kMachineMy].load() ? 1 : 0);
        log.LogDataInt("CA", g_available[kMachineCa].load() ? 1 : 0);
        log.LogDataInt("ROOT", g_available[kMachineRoot].load() ? 1 : 0);
        log.LogDataInt("AUTHROOT", g_available[kMachineAuthRoot].load() ? 1 : 0);
        log.LogDataInt("CA_User", g_available[kUserCa].load() ? 1 : 0);
    }
    OpenedStores opened;
    Certificate* current = start.Clone();
    m_certificates.Append(current);
    torvane::StringBuffer dn;
    current->GetSubjectDN(dn);
    log.LogData("initialCertDn", dn.GetText());
    for (int step = 1;; ++step) {
        torvane::StringBuffer issuerName;
        current->GetIssuerName(issuerName);
        log.LogData("issuer", issuerName.GetText());
        if (current->IsSelfIssued()) {
            log.LogInfo("Found self-issuer.  The chain is completed.");
            return true;
        }
        if (step > kMaxIssuers) {
            log.LogInfo("Number of certs in chain exceeds 20, stopping.");
            return false;
        }
        Certificate* issuer = nullptr;
        const char* label = nullptr;
        for (int i = 0; extra && i < extra->GetCount() && !issuer; ++i) {
            auto* candidate = extra->GetAtAs<Certificate>(i);
            torvane::StringBuffer name;
            if (candidate)
                candidate->GetSubjectName(name);
            if (candidate && name.EqualsBuffer(issuerName)) {
                issuer = candidate->Clone();
                label = "(extra) ";
            }
        }
        for (const auto& lookup : kLookupOrder) {
            if (issuer)
                break;
            if (CertificateStore* store = opened.Get(lookup.store)) {
                issuer = store->FindIssuerOf(*current);
                label = lookup.label;
            }
        }
        if (!issuer) {
            log.LogError("Failed to find end of auth chain");
            return false;
        }
        m_certificates.Append(issuer);
        torvane::StringBuffer next(label);
        torvane::StringBuffer issuerDn;
        issuer->GetSubjectDN(issuerDn);
        next.AppendBuffer(issuerDn);
        log.LogData("nextCertDn", next.GetText());
        current = issuer;
    }
}
