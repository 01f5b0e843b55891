#pragma once
// Traditional zip encryption: three 32-bit keys set from the password and advanced by every plain
// byte, and a 12-byte header in front of each entry whose last byte lets a reader reject a wrong
// password (with a 1-in-256 chance of a false accept).

#include "components/foundation/StringBuffer.h"

class PwdProtect {
public:
    PwdProtect() = default;
    virtual ~PwdProtect();

    void SetPassword(const char* text);
    void InitKeys();
    void EncryptInPlace(unsigned char* bytes, unsigned n);
    void DecryptInPlace(unsigned char* bytes, unsigned n);

    // Sets the keys from the password and writes the encrypted header; its last two plain bytes
    // are bytes 2 and 3 of checkValue (the entry's CRC-32). The keys are then ready for the data.
    void MakeHeader(unsigned checkValue, unsigned char header[12]);
    // Decrypts the header with the current keys (the caller has set them from the password) and
    // compares its last byte with the DOS time's high byte (data descriptor) or the CRC's top byte.
    bool CheckHeader(const unsigned char header[12], unsigned dosTime, unsigned crc, bool usesDataDescriptor);

    unsigned Key0() const { return m_key0; }
    unsigned Key1() const { return m_key1; }
    unsigned Key2() const { return m_key2; }

private:
    void WipePassword();
    void UpdateKeys(unsigned char plain);
    unsigned char StreamByte() const;

    torvane::StringBuffer m_password;
    unsigned m_key0 = 0x12345678u;
    unsigned m_key1 = 0x23456789u;
    unsigned m_key2 = 0x34567890u;
};
