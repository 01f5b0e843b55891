#include "components/crypto/CryptoSettings2.h"

void CryptoSettings2::CopyFrom(const CryptoSettings2& other)
{
    if (&other == this)
        return;
    m_providerName.SetBuffer(other.m_providerName);
    m_keyContainerName.SetBuffer(other.m_keyContainerName);
    m_machineKeySet = other.m_machineKeySet;
    m_providerType = other.m_providerType;
    m_hashAlgorithm.SetBuffer(other.m_hashAlgorithm);
    m_encryptionAlgorithm.SetBuffer(other.m_encryptionAlgorithm);
}
