#include "components/crypto/DigestMD5.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/Md5.h"
#include "components/foundation/StringBuffer.h"

void DigestMD5::DigestBytes(const void* bytes, unsigned n, unsigned char digest[16]) const
{
    Md5Digest(bytes, n, digest);
}

void DigestMD5::DigestString(const torvane::StringBuffer& text, unsigned char digest[16]) const
{
    DigestBytes(text.GetText(), unsigned(text.GetLength()), digest);
}

void DigestMD5::DigestBuffer(const DataBuffer& data, unsigned char digest[16]) const
{
    DigestBytes(data.GetData(), data.GetSize(), digest);
}
