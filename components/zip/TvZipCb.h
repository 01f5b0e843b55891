#pragma once
// Forwards the archive's events to the caller's public progress object for one call.

#include "components/zip/ZipCallback.h"

class TvZipProgress;

class TvZipCb : public ZipCallback {
public:
    explicit TvZipCb(TvZipProgress* target)
        : m_target(target)
    {
    }

    void AbortCheck(bool* abort) override;
    void WritePercentDone(int percent, bool* abort) override;
    void PercentDone(int percent, bool* abort) override;
    void ToBeAdded(const char* path, unsigned size, bool* skip) override;
    void DirToBeAdded(const char* path, bool* skip) override;
    void FileAdded(const char* path, unsigned size, bool* abort) override;
    void ToBeZipped(const char* name, unsigned size, bool* skip) override;
    void FileZipped(const char* name, unsigned size, unsigned compressedSize, bool* abort) override;
    void AddFilesBegin() override;
    void AddFilesEnd() override;
    void WriteZipBegin() override;
    void WriteZipEnd() override;

private:
    TvZipProgress* m_target;
};
