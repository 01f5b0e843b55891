#pragma once
// AES-encrypted zip entries (method 99): salt, 2-byte password verifier, AES in counter mode and a
// 10-byte HMAC-SHA-1 authentication code over the encrypted bytes. Keys come from PBKDF2-HMAC-SHA-1
// with 1000 iterations. Strength 1, 2, 3 = AES-128, -192, -256.

#include "components/zip/ZipAesPrimitives.h"

class DataBuffer;
class DataSource;
class LogBase;
class Output;

struct WinZipAesContext {
    unsigned char counter[16];
    unsigned char keystream[16];
    int position;
    AesContext aes;
    HmacSha1Context hmac;
    int passwordLength;
    int strength;
};

constexpr unsigned kWinZipAesMaxPassword = 128;
constexpr unsigned kWinZipAesVerifierSize = 2;
constexpr unsigned kWinZipAesMacSize = 10;
constexpr unsigned kWinZipAesBlock = 8096;

// Salt length for a strength (1-3 or 128/192/256); 0 for anything else.
unsigned WinZipAesSaltLength(int strength);

// Returns 0; -100 for a password over 128 bytes; -101 for a strength outside 1-3 (or 128/192/256).
int WinZipAesInit(int strength, const char* password, unsigned passwordLength, const unsigned char* salt,
                  unsigned short* verifier, WinZipAesContext* context);
void WinZipAesEncryptBlock(unsigned char* bytes, unsigned n, WinZipAesContext* context);
void WinZipAesDecryptBlock(unsigned char* bytes, unsigned n, WinZipAesContext* context);
// Writes the 10-byte authentication code and returns 10.
int WinZipAesFinish(unsigned char mac[10], WinZipAesContext* context);

class WinZipAes {
public:
    WinZipAes() = default;
    virtual ~WinZipAes() = default;

    // Writes salt, verifier, the encrypted bytes of the source and the code. plainCount receives
    // the bytes read from the source.
    bool EncryptSource(DataSource* source, const char* password, int strength, Output* out, LogBase* log,
                       unsigned* plainCount);
    bool EncryptFile(const char* utf8Path, const char* password, int strength, Output* out, LogBase* log,
                     unsigned* plainCount);
    bool EncryptMemory(const unsigned char* bytes, unsigned n, const char* password, int strength, Output* out,
                       LogBase* log);
    // plain is emptied first and holds nothing usable after a failure.
    bool Decrypt(const unsigned char* entry, unsigned n, const char* password, int strength, DataBuffer* plain,
                 LogBase* log, bool* badPassword, bool* badAuthentication);

    // Salt + verifier + code: 20, 24 or 28 bytes.
    static unsigned Overhead(int strength);
};
