#pragma once
// The API-level crypt object behind TvCrypt: the MD5 digest, the algorithm choice and the
// settings for signing. Logs nothing.

#include "components/crypto/ClsEncode.h"
#include "components/crypto/CryptoSettings2.h"
#include "components/foundation/Charset.h"
#include "components/foundation/ClsBase.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/StringBuffer.h"

class ClsCrypt : public ClsEncode, public ClsBase {
public:
    ClsCrypt();
    ~ClsCrypt() override;

    // Replaces out's bytes with the 16-byte MD5 of all of data.
    bool DigestMd5(const DataBuffer& data, DataBuffer& out);

    // Names the current id: 1 "pki", 2 "rijndael", 3 "blowfish", 4 "twofish", 6 "blowfish2";
    // any other id becomes 1 first.
    void SetAlgorithmName();
    void SetAlgorithmId(int id);

    int GetAlgorithmId() const { return m_algorithmId; }
    const char* GetAlgorithmName() const { return m_algorithmName.GetText(); }
    int GetKeyLength() const { return m_keyLength; }
    CryptoSettings2& Settings() { return m_settings; }
    const Charset& GetCharset() const { return m_charset; }

private:
    int m_algorithmId = 2;
    torvane::StringBuffer m_algorithmName;
    int m_keyLength = 128;
    CryptoSettings2 m_settings;
    Charset m_charset;
    DataBuffer m_scratchData;
    torvane::StringBuffer m_scratchText;
    ExtPtrArray m_ownedA;
    ExtPtrArray m_ownedB;
};
