#include "components/mail/CramMD5.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/StringBuffer.h"
#include "components/mail/HmacMD5.h"

void CramMD5::HexDigest(const torvane::StringBuffer& password, const DataBuffer& challenge,
                        torvane::StringBuffer& out) const
{
    static const char kDigits[] = "0123456789abcdef";
    unsigned char digest[16];
    HmacMD5 hmac;
    hmac.HmacMd5(challenge.GetData(), int(challenge.GetSize()), reinterpret_cast<const unsigned char*>(password.GetText()),
                 password.GetLength(), digest);
    char text[33];
    for (int i = 0; i < 16; ++i) {
        text[2 * i] = kDigits[digest[i] >> 4];
        text[2 * i + 1] = kDigits[digest[i] & 15];
    }
    text[32] = 0;
    out.Append(text);
}

void CramMD5::BuildResponse(const torvane::StringBuffer& user, const torvane::StringBuffer& password,
                            const DataBuffer& challenge, torvane::StringBuffer& out) const
{
    out.AppendBuffer(user);
    out.AppendChar(' ');
    HexDigest(password, challenge, out);
}
