#pragma once
// The callback interface through which long operations report progress and ask whether to stop.
// Every notification has a default that does nothing or answers "continue"; a derived callback
// overrides what it cares about and asks for an abort by writing true through the flag it is
// given. The order of the operations is fixed: derived interfaces append after them.

#include <cstdint>

class ProgressEvent {
public:
    ProgressEvent() = default;
    virtual ~ProgressEvent() = default;

    virtual void OnPercentDone(int /*percent*/, bool* abort)
    {
        if (abort)
            *abort = false;
    }
    // The caller's false stays unless the callback asks to stop.
    virtual void OnAbortCheck(bool* /*abort*/) { }
    virtual void OnHeartbeat(int /*reserved*/, bool* abort)
    {
        if (abort)
            *abort = false;
    }
    // The OnNotify<N> slots are raised by no operation of this library and their meaning is not
    // known: they keep their place, and the number of it, so derived callbacks keep the order.
    virtual bool OnNotify4() { return false; }
    virtual void OnNumericInfo(int /*code*/, int /*value*/) { }
    virtual void OnNotify6(std::uint32_t, std::uint32_t) { }
    virtual void OnNotify7(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) { }
    virtual void OnNotify8(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) { }
    virtual void OnNotify9(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) { }
    virtual void OnNotify10(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) { }
    virtual void OnNotify11(std::uint32_t, std::uint32_t, std::uint32_t) { }
    virtual void OnNotify12(std::uint32_t, std::uint32_t, std::uint32_t) { }
    virtual void OnNotify13(std::uint32_t, std::uint32_t, std::uint32_t) { }
    virtual void OnNotify14(const char* /*item*/, bool* flag)
    {
        if (flag)
            *flag = false;
    }
    virtual void OnNotify15(const char* /*item*/, std::uint32_t) { }
    virtual void OnNotify16(const char* /*item*/, bool* flag)
    {
        if (flag)
            *flag = false;
    }
    virtual void OnBeginUploadFile(const char* /*remotePath*/, bool* skip)
    {
        if (skip)
            *skip = false;
    }
    virtual void OnEndUploadFile(const char* /*remotePath*/, std::uint32_t /*bytesSent*/) { }
    virtual void OnBeginRemoteDir(const char* /*remoteDir*/, bool* skip)
    {
        if (skip)
            *skip = false;
    }
    virtual void OnNotify20(const char* /*item*/, bool* flag)
    {
        if (flag)
            *flag = false;
    }
    virtual void OnNotify21(const char* /*item*/, bool* flag)
    {
        if (flag)
            *flag = false;
    }
    virtual void OnThroughput(std::uint32_t /*bytes*/, std::uint32_t /*bytesPerSecond*/) { }
    virtual void OnSendRate(std::uint32_t /*bytesSent*/, std::uint32_t /*bytesPerSecond*/) { }
    virtual void OnReceiveRate(std::uint32_t /*bytesReceived*/, std::uint32_t /*bytesPerSecond*/) { }
    virtual void OnReadingChunkedResponse() { }
    virtual void OnBeginReceiveResponse() { }
    virtual void OnEndReceiveResponse(bool /*success*/) { }
    virtual void OnBeginSendRequest() { }
    virtual void OnEndSendRequest(bool /*success*/) { }
    virtual void OnRedirect(const char* /*currentUrl*/, const char* /*redirectUrl*/, bool* abort)
    {
        if (abort)
            *abort = false;
    }
    virtual void OnNotify31(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
        std::uint32_t, std::uint32_t) { }
};
