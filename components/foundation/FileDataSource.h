#pragma once
// A data source over a file handle that the caller opened and will close. Reading to the end
// forgets the handle (without closing it), after which the source reports that it is at its end.

#include "components/foundation/DataSource.h"
#include "platform/base/FileHandle.h"

class FileDataSource : public DataSource {
public:
    FileDataSource() = default;
    // Leaves the handle alone.
    ~FileDataSource() override = default;

    void UseHandle(HANDLE handle, bool ignored = false);

    // True with a count of 0 at the end of the file. False when the read fails (logged) or the
    // monitor asks to stop; the bytes of that read are delivered and counted all the same.
    bool ReadChunk(void* buffer, DWORD maxCount, DWORD* outCount, LogBase* log) override;
    bool IsAtEnd() override { return m_handle == INVALID_HANDLE_VALUE; }
    bool SeekAbsolute(std::int64_t position, LogBase* log) override;
    // Not supported on a handle the source does not own; always false.
    bool SeekRelative(std::int64_t offset, LogBase* log) override;
    // Leaves the file pointer just after the signature. Delivered bytes and progress are not
    // touched.
    bool SkipPastSignature(DWORD signature, DWORD* skipped, LogBase* log) override;

    static constexpr DWORD kSignatureBlockSize = 20000;

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};
