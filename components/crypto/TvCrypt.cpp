#include "components/crypto/TvCrypt.h"

#include "components/crypto/ClsCrypt.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/TvByteData.h"

TvCrypt::TvCrypt()
    : m_impl(new ClsCrypt())
{
}

TvCrypt::~TvCrypt() { delete m_impl; }

void TvCrypt::DigestMd5(const unsigned char* bytes, int n, TvByteData& out)
{
    DataBuffer input;
    if (bytes && n > 0)
        input.Append(bytes, unsigned(n));
    m_impl->DigestMd5(input, out.Data());
}
