#pragma once
// The block ciphers by numeric id, one cipher object per call, always in CBC (Blowfish: ECB) with
// a key derived from the pass phrase. The id columns differ by family:
//
//   id     byte-range encrypt  byte-range decrypt  buffer forms  file forms
//   0      Blowfish            plain copy          refused       Rijndael
//   1      Rijndael            Rijndael            Rijndael      Rijndael
//   2      Twofish             Twofish             Twofish       Twofish
//   3      Blowfish            Blowfish            Blowfish      Blowfish
//   other  Blowfish            Blowfish            refused       Rijndael
//
// The byte-range forms add two padding layers (decryption removes both); the buffer and file
// forms one, so a file enciphered in chunks equals one EncryptBuffer over its bytes.

class BlowFish;
class DataBuffer;
class LogBase;
class ProgressMonitor;
class Rijndael2;
class TwoFish;

// n = 0 empties out and succeeds; a null pass phrase or data, or a negative n, fails. On success
// out holds the result alone.
bool SymmetricEncryptBytes(int id, int keyBits, const char* passPhrase, const unsigned char* data, int n,
                           DataBuffer& out);
bool SymmetricDecryptBytes(int id, int keyBits, const char* passPhrase, const unsigned char* data, int n,
                           DataBuffer& out);

// A new buffer for the caller, or null for an unknown id or a failed cipher step.
DataBuffer* SymmetricEncryptBufferById(DataBuffer& in, int id, int keyBits, const char* passPhrase);
DataBuffer* SymmetricDecryptBufferById(DataBuffer& in, int id, int keyBits, const char* passPhrase);

// Paths are UTF-8; the monitor may be null and hears the bytes read. The output is created or
// truncated; on failure it keeps what was written so far (removing it is the caller's business).
bool SymmetricEncryptFile(int id, int keyBits, const char* passPhrase, const char* inPath, const char* outPath,
                          ProgressMonitor* monitor, LogBase& log);
bool SymmetricDecryptFile(int id, int keyBits, const char* passPhrase, const char* inPath, const char* outPath,
                          ProgressMonitor* monitor, LogBase& log);

// Chunk dispatchers of the file forms: exactly one cipher is set. The Rijndael holder carries the
// chain from chunk to chunk. New buffers for the caller, null on failure.
DataBuffer* EncryptFirstChunkAny(Rijndael2* rijndael, BlowFish* blowfish, TwoFish* twofish, DataBuffer& in,
                                 DataBuffer& holder);
DataBuffer* EncryptNextChunkAny(Rijndael2* rijndael, BlowFish* blowfish, TwoFish* twofish, DataBuffer& in,
                                DataBuffer& holder);
DataBuffer* EncryptLastChunkAny(Rijndael2* rijndael, BlowFish* blowfish, TwoFish* twofish, DataBuffer& in,
                                DataBuffer& holder);
DataBuffer* DecryptNextChunkAny(Rijndael2* rijndael, BlowFish* blowfish, TwoFish* twofish, DataBuffer& in,
                                unsigned char holder[16]);
DataBuffer* DecryptLastChunkAny(Rijndael2* rijndael, BlowFish* blowfish, TwoFish* twofish, DataBuffer& in,
                                unsigned char holder[16]);

// Size of the pieces the file forms read.
constexpr unsigned kSymmetricFileChunk = 800000;
