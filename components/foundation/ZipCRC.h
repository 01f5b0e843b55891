#pragma once
// CRC-32 (reflected polynomial 0xEDB88320, the value zip archives store), over one block or
// incrementally over a stream of blocks.

#include "platform/base/Types.h"

class ZipCRC {
public:
    ZipCRC();
    virtual ~ZipCRC() = default;

    void Reset() { m_value = 0xFFFFFFFFu; }
    // A null pointer or a count of 0 leaves the running value unchanged.
    void Update(const void* bytes, DWORD n);
    // The CRC of everything added since Reset; the running value is left as it is.
    DWORD Finish() const { return ~m_value; }
    // The CRC of one block, independent of the running value; 0 for no bytes.
    DWORD CrcOfBytes(const void* bytes, DWORD n) const;

private:
    DWORD m_value = 0xFFFFFFFFu;
};
