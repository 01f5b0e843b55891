#pragma once
// The progress interface the application implements for FTP uploads. Every notification does
// nothing by default and leaves its out-flag as the caller set it.

#include <cstdint>

class TvFtpProgress {
public:
    virtual ~TvFtpProgress() = default;
    virtual void PercentDone(int /*percent*/, bool* /*abort*/) { }
    virtual void AbortCheck(bool* /*abort*/) { }
    virtual void DataPortInfo(int /*port*/) { }
    virtual void Notify14(const char*, bool*) { }
    virtual void Notify15(const char*, std::uint32_t) { }
    virtual void Notify16(const char*, bool*) { }
    virtual void BeginUploadFile(const char* /*path*/, bool* /*skip*/) { }
    virtual void EndUploadFile(const char* /*path*/, std::uint32_t /*bytesSent*/) { }
    virtual void BeginRemoteDir(const char* /*directory*/, bool* /*skip*/) { }
    virtual void Notify20(const char*, bool*) { }
    virtual void Notify21(const char*, bool*) { }
};
