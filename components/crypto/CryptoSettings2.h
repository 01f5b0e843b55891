#pragma once
// Provider and algorithm preferences for signing and enveloping. Empty names select the
// provider's defaults.

#include "components/foundation/StringBuffer.h"

class CryptoSettings2 {
public:
    CryptoSettings2() = default;
    CryptoSettings2(const CryptoSettings2&) = delete;
    CryptoSettings2& operator=(const CryptoSettings2&) = delete;
    virtual ~CryptoSettings2() = default;

    void CopyFrom(const CryptoSettings2& other);

    torvane::StringBuffer m_providerName;
    torvane::StringBuffer m_keyContainerName;
    bool m_machineKeySet = false;
    // Only logged.
    int m_providerType = 0;
    torvane::StringBuffer m_hashAlgorithm;
    torvane::StringBuffer m_encryptionAlgorithm;
};
