#pragma once
// The application's door to e-mail: the mailer and the message.

#include "components/foundation/TvString.h"
#include "components/foundation/TvObject.h"

class ClsMailMan;
class ClsEmail;

class TvMailProgress {
public:
    virtual ~TvMailProgress() = default;
    virtual void SendPercentDone(int, bool*) { }
    virtual void ReadPercentDone(int, bool*) { }
    virtual void AbortCheck(bool*) { }
    virtual void Notify31(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
        std::uint32_t, std::uint32_t) { }
};

class TvEmail : public TvObject {
public:
    TvEmail();
    TvEmail(const TvEmail&) = delete;
    TvEmail& operator=(const TvEmail&) = delete;
    ~TvEmail() override;

    void SetBody(const char* text);
    bool AddTo(const char* name, const char* address);
    void SetFrom(const char* text);
    void SetSubject(const char* text);
    bool AddFileAttachment(const char* path, TvString* contentType);
    const char* AddFileAttachment(const char* path);

    bool GetUtf8() const { return m_utf8; }
    void SetUtf8(bool on) { m_utf8 = on; }
    ClsEmail* Impl() { return m_impl; }

private:
    TvString m_text;
    bool m_utf8 = false;
    ClsEmail* m_impl;
    bool m_owns = true;
};

class TvMailMan : public TvObject {
public:
    TvMailMan();
    TvMailMan(const TvMailMan&) = delete;
    TvMailMan& operator=(const TvMailMan&) = delete;
    ~TvMailMan() override;

    void SetSmtpHost(const char* host);
    void SetSmtpPort(int port);
    void SetSmtpUsername(const char* user);
    void SetSmtpPassword(const char* password);
    bool SendEmail(TvEmail* email);
    void GetLastErrorText(TvString& out);

    bool GetUtf8() const { return m_utf8; }
    void SetUtf8(bool on) { m_utf8 = on; }
    void SetEventCallback(TvMailProgress* callback) { m_callback = callback; }
    ClsMailMan* Impl() { return m_impl; }

private:
    TvString m_text;
    ClsMailMan* m_impl;
    bool m_utf8 = false;
    TvMailProgress* m_callback = nullptr;
};
