#pragma once
// FtpCallback routes the generic progress notifications to FTP ones; TvFtpCb forwards those to the
// application's TvFtpProgress, always handing it a writable flag.

#include "components/foundation/ProgressEvent.h"
#include "components/net/ftp/TvFtpProgress.h"

class FtpCallback : public ProgressEvent {
public:
    virtual void FtpAbortCheck(bool*) { }
    virtual void FtpDataPortInfo(int) { }
    virtual void FtpPercentDone(int, bool*) { }
    virtual void FtpNotify14(const char*, bool*) { }
    virtual void FtpNotify15(const char*, std::uint32_t) { }
    virtual void FtpNotify16(const char*, bool*) { }
    virtual void FtpBeginUploadFile(const char*, bool*) { }
    virtual void FtpEndUploadFile(const char*, std::uint32_t) { }
    virtual void FtpBeginRemoteDir(const char*, bool*) { }
    virtual void FtpNotify20(const char*, bool*) { }
    virtual void FtpNotify21(const char*, bool*) { }

    void OnPercentDone(int percent, bool* abort) override { FtpPercentDone(percent, abort); }
    void OnAbortCheck(bool* abort) override { FtpAbortCheck(abort); }
    void OnHeartbeat(int, bool* abort) override { FtpAbortCheck(abort); }
    void OnNumericInfo(int code, int value) override
    {
        if (code == 0)
            FtpDataPortInfo(value);
    }
    void OnNotify14(const char* item, bool* flag) override { FtpNotify14(item, flag); }
    void OnNotify15(const char* item, std::uint32_t value) override { FtpNotify15(item, value); }
    void OnNotify16(const char* item, bool* flag) override { FtpNotify16(item, flag); }
    void OnBeginUploadFile(const char* path, bool* skip) override { FtpBeginUploadFile(path, skip); }
    void OnEndUploadFile(const char* path, std::uint32_t bytes) override { FtpEndUploadFile(path, bytes); }
    void OnBeginRemoteDir(const char* dir, bool* skip) override { FtpBeginRemoteDir(dir, skip); }
    void OnNotify20(const char* item, bool* flag) override { FtpNotify20(item, flag); }
    void OnNotify21(const char* item, bool* flag) override { FtpNotify21(item, flag); }
};

class TvFtpCb : public FtpCallback {
public:
    explicit TvFtpCb(TvFtpProgress* progress)
        : m_progress(progress)
    {
    }
    void FtpAbortCheck(bool* abort) override
    {
        if (m_progress && abort)
            m_progress->AbortCheck(abort);
    }
    void FtpDataPortInfo(int port) override
    {
        if (m_progress)
            m_progress->DataPortInfo(port);
    }
    void FtpPercentDone(int percent, bool* abort) override
    {
        if (m_progress)
            m_progress->PercentDone(percent, abort);
    }
    void FtpNotify14(const char* item, bool* flag) override { Flagged(&TvFtpProgress::Notify14, item, flag); }
    void FtpNotify15(const char* item, std::uint32_t value) override
    {
        if (m_progress)
            m_progress->Notify15(item, value);
    }
    void FtpNotify16(const char* item, bool* flag) override { Flagged(&TvFtpProgress::Notify16, item, flag); }
    void FtpBeginUploadFile(const char* path, bool* skip) override
    {
        Flagged(&TvFtpProgress::BeginUploadFile, path, skip);
    }
    void FtpEndUploadFile(const char* path, std::uint32_t bytes) override
    {
        if (m_progress)
            m_progress->EndUploadFile(path, bytes);
    }
    void FtpBeginRemoteDir(const char* dir, bool* skip) override
    {
        Flagged(&TvFtpProgress::BeginRemoteDir, dir, skip);
    }
    void FtpNotify20(const char* item, bool* flag) override { Flagged(&TvFtpProgress::Notify20, item, flag); }
    void FtpNotify21(const char* item, bool* flag) override { Flagged(&TvFtpProgress::Notify21, item, flag); }

private:
    void Flagged(void (TvFtpProgress::*call)(const char*, bool*), const char* item, bool* flag)
    {
        if (!m_progress)
            return;
        bool own = false;
        (m_progress->*call)(item, flag ? flag : &own);
    }
    TvFtpProgress* m_progress;
};
