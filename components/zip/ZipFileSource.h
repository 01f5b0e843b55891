#pragma once
// Opens a file by its UTF-8 path for reading, offers it as a source and closes it again.

#include "components/foundation/FileDataSource.h"

#include <cstdint>

class ZipFileSource {
public:
    ZipFileSource() = default;
    ZipFileSource(const ZipFileSource&) = delete;
    ZipFileSource& operator=(const ZipFileSource&) = delete;
    ~ZipFileSource() { Close(); }

    bool Open(const char* utf8Path);
    void Close();
    HANDLE Handle() const { return m_handle; }
    std::int64_t Size() const { return m_size; }
    DataSource* Source() { return &m_source; }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    std::int64_t m_size = 0;
    FileDataSource m_source;
};
