#include "components/zip/WinZipAes.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/DataSource.h"
#include "components/zip/ZipFileSource.h"
#include "components/zip/ZipFormat.h"
#include "components/zip/ZipRandom.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

int NormalizeStrength(int strength)
{
    switch (strength) {
    case 1:
    case 128: return 1;
    case 2:
    case 192: return 2;
    case 3:
    case 256: return 3;
    default: return 0;
    }
}

void CounterMode(unsigned char* bytes, unsigned n, WinZipAesContext* context)
{
    for (unsigned i = 0; i < n; ++i) {
        if (context->position == 16) {
            for (int j = 0; j < 8; ++j)
                if (++context->counter[j] != 0) break;
            AesEncryptBlock(context->counter, context->keystream, &context->aes);
            context->position = 0;
        }
        bytes[i] ^= context->keystream[context->position++];
    }
}

// Wipes key material when an operation ends, however it ends.
struct ContextWiper {
    WinZipAesContext* context;
    ~ContextWiper() { std::memset(static_cast<void*>(context), 0, sizeof(*context)); }
};

bool StartEncryption(const char* password, int strength, Output* out, LogBase* log, WinZipAesContext* context)
{
    unsigned char salt[16];
    const unsigned saltLength = WinZipAesSaltLength(strength);
    unsigned short verifier = 0;
    const unsigned passwordLength = password != nullptr ? unsigned(std::strlen(password)) : 0;
    if (saltLength == 0 || !ZipRandomBytes(salt, sizeof(salt)) ||
        WinZipAesInit(strength, password != nullptr ? password : "", passwordLength, salt, &verifier, context) != 0) {
        if (log) log->LogError("WinZip AES encrypt initialization failed");
        return false;
    }
    const unsigned char verifierBytes[2] = {static_cast<unsigned char>(verifier & 0xFF),
                                            static_cast<unsigned char>(verifier >> 8)};
    return ZipWriteAll(out, salt, saltLength) && ZipWriteAll(out, verifierBytes, 2);
}

} // namespace

unsigned WinZipAesSaltLength(int strength)
{
    const int n = NormalizeStrength(strength);
    return n == 0 ? 0 : unsigned(4 * n + 4);
}

int WinZipAesInit(int strength, const char* password, unsigned passwordLength, const unsigned char* salt,
                  unsigned short* verifier, WinZipAesContext* context)
{
    if (passwordLength > kWinZipAesMaxPassword) return -100;
    const int n = NormalizeStrength(strength);
    if (n == 0) return -101;
    if (context == nullptr || salt == nullptr || (password == nullptr && passwordLength > 0)) return -101;

    const unsigned keyLength = unsigned(8 * n + 8);
    unsigned char derived[2 * 32 + 2];
    DeriveKeyPbkdf2(reinterpret_cast<const unsigned char*>(password), passwordLength, salt, unsigned(4 * n + 4), 1000,
                    derived, 2 * keyLength + 2);

    std::memset(static_cast<void*>(context), 0, sizeof(*context));
    AesSetEncryptKey(derived, keyLength, &context->aes);
    HmacSha1Begin(&context->hmac);
    HmacSha1Key(derived + keyLength, keyLength, &context->hmac);
    if (verifier != nullptr)
        *verifier = static_cast<unsigned short>(derived[2 * keyLength] | (derived[2 * keyLength + 1] << 8));
    context->position = 16;
    context->passwordLength = int(passwordLength);
    context->strength = n;
    std::memset(derived, 0, sizeof(derived));
    return 0;
}

void WinZipAesEncryptBlock(unsigned char* bytes, unsigned n, WinZipAesContext* context)
{
    if (bytes == nullptr || n == 0) return;
    CounterMode(bytes, n, context);
    HmacSha1Data(bytes, n, &context->hmac);
}

void WinZipAesDecryptBlock(unsigned char* bytes, unsigned n, WinZipAesContext* context)
{
    if (bytes == nullptr || n == 0) return;
    HmacSha1Data(bytes, n, &context->hmac);
    CounterMode(bytes, n, context);
}

int WinZipAesFinish(unsigned char mac[10], WinZipAesContext* context)
{
    HmacSha1End(mac, kWinZipAesMacSize, &context->hmac);
    return int(kWinZipAesMacSize);
}

unsigned WinZipAes::Overhead(int strength)
{
    switch (strength) {
    case 2: return 24;
    case 3: return 28;
    default: return 20;
    }
}

bool WinZipAes::EncryptSource(DataSource* source, const char* password, int strength, Output* out, LogBase* log,
                              unsigned* plainCount)
{
    if (plainCount) *plainCount = 0;
    if (source == nullptr || out == nullptr) return false;
    WinZipAesContext context;
    ContextWiper wiper {&context};
    if (!StartEncryption(password, strength, out, log, &context)) return false;

    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[kWinZipAesBlock]);
    if (!block) return false;
    unsigned total = 0;
    while (!source->IsAtEnd()) {
        DWORD got = 0;
        const bool ok = source->ReadChunk(block.get(), kWinZipAesBlock, &got, log);
        if (got > 0) {
            total += got;
            WinZipAesEncryptBlock(block.get(), got, &context);
            if (!ZipWriteAll(out, block.get(), got)) return false;
        }
        if (!ok) {
            // A memory source says false at its end; anything else is an abort or a read error.
            if (source->IsAtEnd() && got == 0) break;
            return false;
        }
    }
    unsigned char mac[kWinZipAesMacSize];
    WinZipAesFinish(mac, &context);
    if (!ZipWriteAll(out, mac, sizeof(mac))) return false;
    if (plainCount) *plainCount = total;
    return true;
}

bool WinZipAes::EncryptFile(const char* utf8Path, const char* password, int strength, Output* out, LogBase* log,
                            unsigned* plainCount)
{
    if (plainCount) *plainCount = 0;
    ZipFileSource file;
    if (utf8Path == nullptr || !file.Open(utf8Path)) return false;
    return EncryptSource(file.Source(), password, strength, out, log, plainCount);
}

bool WinZipAes::EncryptMemory(const unsigned char* bytes, unsigned n, const char* password, int strength,
                              Output* out, LogBase* log)
{
    if (out == nullptr || (bytes == nullptr && n > 0)) return false;
    WinZipAesContext context;
    ContextWiper wiper {&context};
    if (!StartEncryption(password, strength, out, log, &context)) return false;

    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[kWinZipAesBlock]);
    if (!block) return false;
    for (unsigned done = 0; done < n;) {
        const unsigned take = n - done < kWinZipAesBlock ? n - done : kWinZipAesBlock;
        std::memcpy(block.get(), bytes + done, take);
        WinZipAesEncryptBlock(block.get(), take, &context);
        if (!ZipWriteAll(out, block.get(), take)) return false;
        done += take;
    }
    unsigned char mac[kWinZipAesMacSize];
    WinZipAesFinish(mac, &context);
    return ZipWriteAll(out, mac, sizeof(mac));
}

bool WinZipAes::Decrypt(const unsigned char* entry, unsigned n, const char* password, int strength,
                        DataBuffer* plain, LogBase* log, bool* badPassword, bool* badAuthentication)
{
    if (badPassword) *badPassword = false;
    if (badAuthentication) *badAuthentication = false;
    if (plain == nullptr) return false;
    plain->Empty();
    const unsigned saltLength = WinZipAesSaltLength(strength);
    const unsigned overhead = (saltLength == 0 ? 8 : saltLength) + kWinZipAesVerifierSize + kWinZipAesMacSize;
    if (entry == nullptr || n < overhead) {
        if (log) log->LogError("Not enough data for a WinZip AES entry");
        return false;
    }
    WinZipAesContext context;
    ContextWiper wiper {&context};
    unsigned short verifier = 0;
    const unsigned passwordLength = password != nullptr ? unsigned(std::strlen(password)) : 0;
    if (WinZipAesInit(strength, password != nullptr ? password : "", passwordLength, entry, &verifier, &context) != 0) {
        if (log) log->LogError("WinZip AES decrypt initialization failed");
        return false;
    }
    if (entry[saltLength] != (verifier & 0xFF) || entry[saltLength + 1] != (verifier >> 8)) {
        if (log) log->LogError("Invalid password for WinZip AES decryption");
        if (badPassword) *badPassword = true;
        return false;
    }
    const unsigned dataLength = n - saltLength - kWinZipAesVerifierSize - kWinZipAesMacSize;
    if (dataLength > 0) {
        if (!plain->Append(entry + saltLength + kWinZipAesVerifierSize, dataLength)) return false;
        WinZipAesDecryptBlock(plain->GetData(), dataLength, &context);
    }
    unsigned char mac[kWinZipAesMacSize];
    WinZipAesFinish(mac, &context);
    // Compare every byte so the time taken does not tell how much of a forged code was right.
    unsigned char difference = 0;
    for (unsigned i = 0; i < kWinZipAesMacSize; ++i) difference |= mac[i] ^ entry[n - kWinZipAesMacSize + i];
    if (difference != 0) {
        if (log) log->LogError("WinZip AES authentication code mismatch");
        if (badAuthentication) *badAuthentication = true;
        // Unauthenticated plain text must not be mistaken for the entry's data.
        std::memset(plain->GetData(), 0, plain->GetSize());
        plain->Empty();
        return false;
    }
    return true;
}
