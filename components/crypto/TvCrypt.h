#pragma once
// The public crypt object the application creates; today it offers the MD5 digest.

#include "components/foundation/TvObject.h"

class ClsCrypt;
class TvByteData;

class TvCrypt : public TvObject {
public:
    TvCrypt();
    TvCrypt(const TvCrypt&) = delete;
    TvCrypt& operator=(const TvCrypt&) = delete;
    ~TvCrypt() override;

    // Replaces out's bytes with the 16-byte MD5 of the n bytes; null or n <= 0 digests nothing.
    void DigestMd5(const unsigned char* bytes, int n, TvByteData& out);

    ClsCrypt& Impl() { return *m_impl; }

private:
    ClsCrypt* m_impl;
};
