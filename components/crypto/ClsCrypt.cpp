#include "components/crypto/ClsCrypt.h"

#include "components/crypto/DigestMD5.h"
#include "platform/base/CodePage.h"

ClsCrypt::ClsCrypt()
{
    m_charset.SetByCodePage(int(GetACP()));
    SetAlgorithmName();
}

ClsCrypt::~ClsCrypt()
{
    m_ownedA.DeleteAll();
    m_ownedB.DeleteAll();
}

bool ClsCrypt::DigestMd5(const DataBuffer& data, DataBuffer& out)
{
    unsigned char digest[16];
    DigestMD5().DigestBuffer(data, digest);
    out.Empty();
    return out.Append(digest, 16);
}

void ClsCrypt::SetAlgorithmName()
{
    static const struct {
        int id;
        const char* name;
    } kNames[] = { { 1, "pki" }, { 2, "rijndael" }, { 3, "blowfish" }, { 4, "twofish" }, { 6, "blowfish2" } };
    for (const auto& entry : kNames) {
        if (entry.id == m_algorithmId) {
            m_algorithmName.SetText(entry.name);
            return;
        }
    }
    m_algorithmId = 1;
    m_algorithmName.SetText("pki");
}

void ClsCrypt::SetAlgorithmId(int id)
{
    m_algorithmId = id;
    SetAlgorithmName();
}
