#include "components/crypto/DigestMD5.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/StringBuffer.h"
#include "components/mail/HmacMD5.h"

void DigestMD5::DigestBytes(const void* bytes, unsigned n, unsigned char digest[16]) const
{
    HmacMD5 md5;
    Md5Context context;
    md5.Md5Init(&context);
    md5.Md5Update(&context, static_cast<const unsigned char*>(bytes), n);
    md5.Md5Final(digest, &context);
}

void DigestMD5::DigestString(const torvane::StringBuffer& text, unsigned char digest[16]) const
{
    DigestBytes(text.GetText(), unsigned(text.GetLength()), digest);
}

void DigestMD5::DigestBuffer(const DataBuffer& data, unsigned char digest[16]) const
{
    DigestBytes(data.GetData(), data.GetSize(), digest);
}
