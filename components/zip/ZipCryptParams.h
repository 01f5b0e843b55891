#pragma once
// One entry's encryption settings, handed between the archive, its entries and the pipeline
// stages by copying.

#include "components/foundation/StringBuffer.h"

class ZipCryptParams {
public:
    ZipCryptParams() = default;
    ZipCryptParams(const ZipCryptParams& other) { copy(other); }
    ZipCryptParams& operator=(const ZipCryptParams& other)
    {
        copy(other);
        return *this;
    }
    virtual ~ZipCryptParams() = default;

    void copy(const ZipCryptParams& other);
    // Keeps the buffer no larger than the text.
    void SetPassword(const char* utf8);

    // 0 none, 1-3 the component's own cipher ids, 4 AES (the zip AES format).
    int m_encryption = 0;
    int m_keyLength = 0;
    torvane::StringBuffer m_password;
    bool m_traditional = false;
    unsigned m_crcForHeader = 0;
};
