#pragma once
// The mailer's progress callback: percentages go to the sending or the reading notification by
// the sending flag; abort checks and heartbeats go to one abort notification.

#include "components/foundation/ProgressEvent.h"

class MailManCallback : public ProgressEvent {
public:
    MailManCallback() = default;
    ~MailManCallback() override = default;

    virtual void SendPercentDone(int percent, bool* abort) = 0;
    virtual void ReadPercentDone(int percent, bool* abort) = 0;
    virtual void AbortCheck(bool* abort) = 0;
    virtual void Notify31(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
        std::uint32_t) = 0;

    void OnPercentDone(int percent, bool* abort) override { ForwardPercentDone(percent, abort); }
    void OnAbortCheck(bool* abort) override { AbortCheck(abort); }
    void OnHeartbeat(int, bool* abort) override { AbortCheck(abort); }
    void OnNotify31(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t e,
        std::uint32_t f, std::uint32_t g) override
    {
        Notify31(a, b, c, d, e, f, g);
    }

    void ForwardPercentDone(int percent, bool* abort)
    {
        if (m_sending)
            SendPercentDone(percent, abort);
        else
            ReadPercentDone(percent, abort);
    }
    void SetSending(bool on) { m_sending = on; }

private:
    bool m_sending = true;
};
