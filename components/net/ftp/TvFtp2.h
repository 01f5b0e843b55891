#pragma once
// The public FTP client: connect, change to a remote folder, upload a file or a folder tree.

#include "components/foundation/TvObject.h"
#include "components/net/ftp/TvFtpProgress.h"

#include <memory>

class ClsFtp2;
class TvString;

class TvFtp2 : public TvObject {
public:
    TvFtp2();
    ~TvFtp2() override;

    void SetCallback(TvFtpProgress* callback) { m_callback = callback; }
    void SetHostname(const char* host);
    void GetHostname(TvString& out);
    void SetPort(int port);
    void SetUsername(const char* user);
    void SetPassword(const char* password);
    void SetPassive(bool passive);
    // AUTH TLS before the login when the server announces it in FEAT (off by default).
    void SetAuthTlsWhenOffered(bool on);
    bool Connect();
    bool Disconnect();
    bool IsConnected();
    bool ChangeRemoteDir(const char* dir);
    bool PutFile(const char* localPath, const char* remoteName);
    bool PutTree(const char* localDir);
    void GetLastErrorText(TvString& out);

    // The implementation, for settings the public surface does not carry (tests, TLS).
    ClsFtp2& Impl() { return *m_impl; }

private:
    std::string Text(const char* text) const;

    std::unique_ptr<ClsFtp2> m_impl;
    TvFtpProgress* m_callback = nullptr;
    bool m_utf8 = false;
};
