#pragma once
// The public zip class the application creates: start a new archive with its path, optionally set
// a password, add files by path or pattern, write the archive, and read the error log when an
// operation fails. Text arguments are ANSI (the process code page) unless the UTF-8 flag is set.
//
// A non-empty password protects every file entry with AES-256 (directories carry no data and stay
// plain); an empty one writes the archive unprotected.
//
// One thread at a time per object; no operation throws.

#include "components/foundation/TvObject.h"

class TvString;
class TvZipProgress;
class ZipDn;

class TvZip : public TvObject {
public:
    TvZip();
    TvZip(const TvZip&) = delete;
    TvZip& operator=(const TvZip&) = delete;
    ~TvZip() override;

    // Empties the archive and names the file that WriteZip will write; the file is not touched.
    bool NewZip(const char* zipPath);
    void SetPassword(const char* password);
    // A folder (its whole content when recursive), one file, or a wildcard pattern.
    bool AppendFiles(const char* pattern, bool recurse);
    bool AppendFilesWithProgress(const char* pattern, bool recurse, TvZipProgress* progress);
    // Writes the archive through a temporary file that replaces the target only when complete,
    // then reopens it, so a second WriteZip copies the entries from the written file.
    bool WriteZip();
    bool WriteZipWithProgress(TvZipProgress* progress);
    // The log of the last operation, as UTF-8.
    void LastErrorText(TvString& out);

    bool GetUtf8() const { return m_utf8; }
    ZipDn& Handle() { return *m_handle; }

private:
    TvString* m_string;
    ZipDn* m_handle;
    bool m_utf8 = false;
};

// What the caller implements to follow (and steer) adding and writing. Every default does
// nothing, which leaves each flag false: go on, do not skip.
class TvZipProgress {
public:
    virtual ~TvZipProgress() = default;
    virtual void WritePercentDone(int /*percent*/, bool* /*abort*/) { }
    virtual void PercentDone(int /*percent*/, bool* /*abort*/) { }
    virtual void AbortCheck(bool* /*abort*/) { }
    virtual void ToBeAdded(const char* /*path*/, unsigned /*size*/, bool* /*skip*/) { }
    virtual void DirToBeAdded(const char* /*path*/, bool* /*skip*/) { }
    virtual void FileAdded(const char* /*path*/, unsigned /*size*/, bool* /*abort*/) { }
    virtual void ToBeZipped(const char* /*name*/, unsigned /*size*/, bool* /*skip*/) { }
    virtual void FileZipped(const char* /*name*/, unsigned /*size*/, unsigned /*compressedSize*/, bool* /*abort*/) { }
    // Never called: there is no extraction.
    virtual void ToBeUnzipped(const char*, unsigned, unsigned, unsigned, bool*) { }
    virtual void FileUnzipped(const char*, unsigned, unsigned, unsigned, bool*) { }
    virtual void AddFilesBegin() { }
    virtual void AddFilesEnd() { }
    virtual void WriteZipBegin() { }
    virtual void WriteZipEnd() { }
    // Never called.
    virtual void UnzipBegin() { }
    virtual void UnzipEnd() { }
};
