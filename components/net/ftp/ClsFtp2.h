#pragma once
// The API-level FTP client: each public operation logged in its own context, with a progress
// monitor over the caller's callback; also the upload of a whole local directory tree.

#include "components/foundation/ClsBase.h"
#include "components/net/ftp/Ftp2.h"

#include <string>

class ProgressEvent;

class ClsFtp2 : public ClsBase {
public:
    ClsFtp2() = default;

    Ftp2& Engine() { return m_engine; }

    void SetHostname(const std::string& text);
    std::string GetHostname() const { return m_engine.Hostname; }
    void SetUsername(const std::string& text) { m_engine.Username = text; }
    void SetPassword(const std::string& text) { m_engine.Password = text; }
    void SetPassive(bool on) { m_engine.Passive = on; }

    // Connect through an FTP proxy: method 1-5 (0 connects directly).
    void SetProxyMethod(int method) { m_proxyMethod = method; }
    void SetProxyHostname(const std::string& host) { m_proxyHost = host; }
    void SetProxyPort(int port) { m_proxyPort = port; }
    void SetProxyUsername(const std::string& user) { m_proxyUser = user; }
    void SetProxyPassword(const std::string& password) { m_proxyPassword = password; }

    bool Connect(ProgressEvent* callback);
    bool Disconnect(ProgressEvent* callback);
    bool IsConnected(ProgressEvent* callback);
    bool ChangeRemoteDir(const std::string& dir, ProgressEvent* callback, bool nested);
    bool CreateRemoteDir(const std::string& dir, ProgressEvent* callback, bool nested);
    bool GetCurrentRemoteDir(std::string& dir, ProgressEvent* callback, bool nested);
    int GetRemoteEntryCount(ProgressMonitor* monitor);
    bool PutFile(const std::string& localPath, const std::string& remoteName, ProgressEvent* callback, bool nested);
    // Modes: 0 upload every file, 1 only missing ones, 2 missing or not older, 3 only existing ones.
    bool PutTree(const std::string& localDir, std::string& plan, bool planOnly, int mode, ProgressEvent* callback);

    static constexpr int kComponentCode = 0;

private:
    bool UploadDecision(int mode, const std::string& name, const std::string& localPath);

    Ftp2 m_engine;
    int m_proxyMethod = 0;
    int m_proxyPort = 21;
    std::string m_proxyHost;
    std::string m_proxyUser;
    std::string m_proxyPassword;
};
