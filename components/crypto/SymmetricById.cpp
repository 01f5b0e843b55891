#include "components/crypto/SymmetricById.h"

#include "components/crypto/BlowFish.h"
#include "components/crypto/Rijndael2.h"
#include "components/crypto/TwoFish.h"
#include "components/foundation/DataBuffer.h"
#include "components/foundation/LogBase.h"
#include "components/foundation/ProgressMonitor.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

enum class Cipher { Rijndael, Twofish, Blowfish };

std::unique_ptr<SymmetricAlgorithm2> MakeCipher(Cipher kind, int keyBits, const char* passPhrase)
{
    std::unique_ptr<SymmetricAlgorithm2> cipher;
    switch (kind) {
    case Cipher::Rijndael:
        cipher = std::make_unique<Rijndael2>();
        break;
    case Cipher::Twofish:
        cipher = std::make_unique<TwoFish>();
        break;
    case Cipher::Blowfish:
        cipher = std::make_unique<BlowFish>();
        break;
    }
    cipher->SetKeyLength(keyBits);
    cipher->SetModeCbc();
    cipher->SetPassPhrase(passPhrase);
    return cipher;
}

Cipher ByteRangeCipher(int id)
{
    if (id == 1)
        return Cipher::Rijndael;
    if (id == 2)
        return Cipher::Twofish;
    return Cipher::Blowfish;
}

// Every id the buffer forms refuse runs as Rijndael in the file forms, whatever the file's size.
Cipher FileCipher(int id)
{
    if (id == 2)
        return Cipher::Twofish;
    if (id == 3)
        return Cipher::Blowfish;
    return Cipher::Rijndael;
}

int BufferIdOf(Cipher kind)
{
    switch (kind) {
    case Cipher::Rijndael:
        return 1;
    case Cipher::Twofish:
        return 2;
    case Cipher::Blowfish:
        return 3;
    }
    return 1;
}

bool IsBufferId(int id) { return id >= 1 && id <= 3; }

Cipher BufferCipher(int id) { return id == 1 ? Cipher::Rijndael : (id == 2 ? Cipher::Twofish : Cipher::Blowfish); }

void KeepLastBlock(const DataBuffer& output, DataBuffer& holder)
{
    if (output.GetSize() < 16)
        return;
    holder.Empty();
    holder.Append(output.GetData() + output.GetSize() - 16, 16);
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePointer = std::unique_ptr<std::FILE, FileCloser>;

// Fills the buffer with up to `capacity` bytes; false on a read error.
bool ReadChunk(std::FILE* file, DataBuffer& chunk, unsigned capacity)
{
    chunk.Empty();
    if (!chunk.EnsureCapacity(capacity))
        return false;
    std::size_t got = std::fread(chunk.GetData(), 1, capacity, file);
    chunk.SetSize(unsigned(got));
    return !std::ferror(file);
}

void LogFileError(LogBase& log, const char* message, const char* path, int error)
{
    log.LogError(message);
    log.LogData("path", path);
    log.LogData("error", std::strerror(error));
}

// The read loop shared by both directions. Reading one chunk ahead tells the last chunk from the
// others without trusting the size the file had when it was opened.
template <typename ProcessChunk>
bool RunFileChunks(const char* inPath, const char* outPath, ProgressMonitor* monitor, LogBase& log,
                   ProcessChunk processChunk)
{
    if (!inPath || !outPath) {
        log.LogError("No input or output path");
        return false;
    }
    FilePointer input(std::fopen(inPath, "rb"));
    if (!input) {
        LogFileError(log, "Failed to open file for reading", inPath, errno);
        return false;
    }
    FilePointer output(std::fopen(outPath, "wb"));
    if (!output) {
        LogFileError(log, "Failed to create output file", outPath, errno);
        return false;
    }

    DataBuffer current, next;
    if (!ReadChunk(input.get(), current, kSymmetricFileChunk)) {
        LogFileError(log, "Failed to read file", inPath, errno);
        return false;
    }
    bool first = true;
    while (current.GetSize() > 0) {
        if (monitor) {
            bool abortIgnored = false;
            monitor->ConsumeProgress(current.GetSize(), &abortIgnored);
        }
        if (!ReadChunk(input.get(), next, kSymmetricFileChunk)) {
            LogFileError(log, "Failed to read file", inPath, errno);
            return false;
        }
        bool last = next.GetSize() == 0;
        std::unique_ptr<DataBuffer> result(processChunk(current, first, last));
        if (!result) {
            log.LogError("Failed to encrypt or decrypt a chunk of the file");
            log.LogData("path", inPath);
            return false;
        }
        if (result->GetSize() > 0 && std::fwrite(result->GetData(), 1, result->GetSize(), output.get()) != result->GetSize()) {
            LogFileError(log, "Failed to write output file", outPath, errno);
            return false;
        }
        current.TakeOver(next);
        first = false;
    }
    if (std::fclose(output.release()) != 0) {
        LogFileError(log, "Failed to write output file", outPath, errno);
        return false;
    }
    return true;
}

} // namespace

bool SymmetricEncryptBytes(int id, int keyBits, const char* passPhrase, const unsigned char* data, int n,
                           DataBuffer& out)
{
    if (n == 0) {
        out.Empty();
        return true;
    }
    if (!passPhrase || !data || n < 0)
        return false;
    auto cipher = MakeCipher(ByteRangeCipher(id), keyBits, passPhrase);
    DataBuffer work;
    if (!work.Append(data, unsigned(n)))
        return false;
    // The outer layer comes from EncryptBuffer: readers of stored data expect both.
    work.AppendPadding(0, 16);
    std::unique_ptr<DataBuffer> result(cipher->EncryptBuffer(work));
    if (!result)
        return false;
    out.TakeOver(*result);
    return true;
}

bool SymmetricDecryptBytes(int id, int keyBits, const char* passPhrase, const unsigned char* data, int n,
                           DataBuffer& out)
{
    if (n == 0) {
        out.Empty();
        return true;
    }
    if (!passPhrase || !data || n < 0)
        return false;
    auto cipher = MakeCipher(ByteRangeCipher(id), keyBits, passPhrase);
    DataBuffer wrapped;
    wrapped.Borrow(data, unsigned(n));
    std::unique_ptr<DataBuffer> result;
    if (id == 0) {
        result = std::make_unique<DataBuffer>();
        if (!result->Append(data, unsigned(n)))
            return false;
    } else {
        result.reset(cipher->DecryptBuffer(wrapped));
    }
    wrapped.Forget();
    if (!result)
        return false;
    result->RemovePadding(0);
    out.TakeOver(*result);
    return true;
}

DataBuffer* SymmetricEncryptBufferById(DataBuffer& in, int id, int keyBits, const char* passPhrase)
{
    if (in.GetSize() == 0)
        return new DataBuffer;
    if (!IsBufferId(id))
        return nullptr;
    return MakeCipher(BufferCipher(id), keyBits, passPhrase)->EncryptBuffer(in);
}

DataBuffer* SymmetricDecryptBufferById(DataBuffer& in, int id, int keyBits, const char* passPhrase)
{
    if (!IsBufferId(id))
        return nullptr;
    return MakeCipher(BufferCipher(id), keyBits, passPhrase)->DecryptBuffer(in);
}

DataBuffer* EncryptFirstChunkAny(Rijndael2* rijndael, BlowFish* blowfish, TwoFish* twofish, DataBuffer& in,
                                 DataBuffer& holder)
{
    if (rijndael) {
        DataBuffer* out = rijndael->EncryptFirstChunk(in);
        if (out)
            KeepLastBlock(*out, holder);
        return out;
    }
    if (blowfish)
        return blowfish->EncryptFirstChunk(in);
    return twofish ? twofish->EncryptFirstChunk(in) : nullptr;
}

DataBuffer* EncryptNextChunkAny(Rijndael2* rijndael, BlowFish* blowfish, TwoFish* twofish, DataBuffer& in,
                                DataBuffer& holder)
{
    if (rijndael) {
        DataBuffer* out = rijndael->EncryptNextChunk(in, holder);
        if (out)
            KeepLastBlock(*out, holder);
        return out;
    }
    if (blowfish)
        return blowfish->EncryptNextChunk(in);
    return twofish ? twofish->EncryptNextChunk(in) : nullptr;
}

DataBuffer* EncryptLastChunkAny(Rijndael2* rijndael, BlowFish* blowfish, TwoFish* twofish, DataBuffer& in,
                                DataBuffer& holder)
{
    if (rijndael)
        return rijndael->EncryptLastChunk(in, holder);
    if (blowfish)
        return blowfish->EncryptLastChunk(in);
    return twofish ? twofish->EncryptLastChunk(in) : nullptr;
}

DataBuffer* DecryptNextChunkAny(Rijndael2* rijndael, BlowFish* blowfish, TwoFish* twofish, DataBuffer& in,
                                unsigned char holder[16])
{
    if (rijndael)
        return rijndael->DecryptNextChunk(in, holder);
    if (blowfish)
        return blowfish->DecryptNextChunk(in);
    return twofish ? twofish->DecryptNextChunk(in) : nullptr;
}

DataBuffer* DecryptLastChunkAny(Rijndael2* rijndael, BlowFish* blowfish, TwoFish* twofish, DataBuffer& in,
                                unsigned char holder[16])
{
    if (rijndael)
        return rijndael->DecryptLastChunk(in, holder);
    if (blowfish)
        return blowfish->DecryptLastChunk(in);
    return twofish ? twofish->DecryptLastChunk(in) : nullptr;
}

namespace {

struct FileCiphers {
    std::unique_ptr<SymmetricAlgorithm2> owner;
    Rijndael2* rijndael = nullptr;
    BlowFish* blowfish = nullptr;
    TwoFish* twofish = nullptr;
};

FileCiphers MakeFileCiphers(Cipher kind, int keyBits, const char* passPhrase)
{
    FileCiphers ciphers;
    ciphers.owner = MakeCipher(kind, keyBits, passPhrase);
    switch (kind) {
    case Cipher::Rijndael:
        ciphers.rijndael = static_cast<Rijndael2*>(ciphers.owner.get());
        break;
    case Cipher::Blowfish:
        ciphers.blowfish = static_cast<BlowFish*>(ciphers.owner.get());
        break;
    case Cipher::Twofish:
        ciphers.twofish = static_cast<TwoFish*>(ciphers.owner.get());
        break;
    }
    return ciphers;
}

} // namespace

bool SymmetricEncryptFile(int id, int keyBits, const char* passPhrase, const char* inPath, const char* outPath,
                          ProgressMonitor* monitor, LogBase& log)
{
    if (!passPhrase) {
        log.LogError("No pass phrase for file encryption");
        return false;
    }
    Cipher kind = FileCipher(id);
    FileCiphers ciphers = MakeFileCiphers(kind, keyBits, passPhrase);
    DataBuffer holder;
    return RunFileChunks(inPath, outPath, monitor, log, [&](DataBuffer& chunk, bool first, bool last) -> DataBuffer* {
        if (first && last)
            return SymmetricEncryptBufferById(chunk, BufferIdOf(kind), keyBits, passPhrase);
        if (first)
            return EncryptFirstChunkAny(ciphers.rijndael, ciphers.blowfish, ciphers.twofish, chunk, holder);
        if (last)
            return EncryptLastChunkAny(ciphers.rijndael, ciphers.blowfish, ciphers.twofish, chunk, holder);
        return EncryptNextChunkAny(ciphers.rijndael, ciphers.blowfish, ciphers.twofish, chunk, holder);
    });
}

bool SymmetricDecryptFile(int id, int keyBits, const char* passPhrase, const char* inPath, const char* outPath,
                          ProgressMonitor* monitor, LogBase& log)
{
    if (!passPhrase) {
        log.LogError("No pass phrase for file decryption");
        return false;
    }
    Cipher kind = FileCipher(id);
    FileCiphers ciphers = MakeFileCiphers(kind, keyBits, passPhrase);
    unsigned char holder[16] = {};
    return RunFileChunks(inPath, outPath, monitor, log, [&](DataBuffer& chunk, bool first, bool last) -> DataBuffer* {
        if (first && last)
            return SymmetricDecryptBufferById(chunk, BufferIdOf(kind), keyBits, passPhrase);
        if (first) {
            if (ciphers.rijndael)
                return ciphers.rijndael->DecryptFirstChunk(chunk, holder);
            if (ciphers.blowfish)
                return ciphers.blowfish->DecryptFirstChunk(chunk);
            return ciphers.twofish->DecryptFirstChunk(chunk);
        }
        if (last)
            return DecryptLastChunkAny(ciphers.rijndael, ciphers.blowfish, ciphers.twofish, chunk, holder);
        return DecryptNextChunkAny(ciphers.rijndael, ciphers.blowfish, ciphers.twofish, chunk, holder);
    });
}
