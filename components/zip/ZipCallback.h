#pragma once
// The events the archive code raises while adding files and writing. Every default does nothing,
// which leaves each flag at the caller's value (false: go on, do not skip). Paths are UTF-8 full
// paths; names are entry names with '\' separators; sizes are the low 32 bits.

#include "components/foundation/ProgressEvent.h"

class ZipCallback : public ProgressEvent {
public:
    ZipCallback() = default;
    ~ZipCallback() override = default;

    // Percent goes to WritePercentDone once a write has begun, to PercentDone before.
    void OnPercentDone(int percent, bool* abort) override;
    void OnAbortCheck(bool* abort) override { AbortCheck(abort); }

    virtual void AbortCheck(bool* /*abort*/) { }
    virtual void WritePercentDone(int /*percent*/, bool* /*abort*/) { }
    virtual void PercentDone(int /*percent*/, bool* /*abort*/) { }
    virtual void ToBeAdded(const char* /*path*/, unsigned /*size*/, bool* /*skip*/) { }
    virtual void DirToBeAdded(const char* /*path*/, bool* /*skip*/) { }
    virtual void FileAdded(const char* /*path*/, unsigned /*size*/, bool* /*abort*/) { }
    virtual void ToBeZipped(const char* /*name*/, unsigned /*size*/, bool* /*skip*/) { }
    virtual void FileZipped(const char* /*name*/, unsigned /*size*/, unsigned /*compressedSize*/, bool* /*abort*/) { }
    // Events 9 and 10: nothing raises them.
    virtual void UnzipEvent9(const char*, unsigned, unsigned, unsigned, bool*) { }
    virtual void UnzipEvent10(const char*, unsigned, unsigned, unsigned, bool*) { }
    virtual void AddFilesBegin() { }
    virtual void AddFilesEnd() { }
    virtual void WriteZipBegin() { }
    virtual void WriteZipEnd() { }
    // Events 15 and 16: nothing raises them.
    virtual void UnzipBegin() { }
    virtual void UnzipEnd() { }

    bool IsWriting() const { return m_writing; }
    // Set by the archive at the start of a write and never cleared.
    void SetWriting() { m_writing = true; }

protected:
    bool m_writing = false;
};
