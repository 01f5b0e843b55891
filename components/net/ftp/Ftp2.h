#pragma once
// One FTP session: the control connection, the reply reader, logins, data connections, uploads
// and the kept listing of the current remote directory. Failures are false results with their
// reasons in the caller's log. One thread at a time.

#include "components/net/Socket2.h"
#include "platform/base/Time.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class DataSource;
class LogBase;
class ProgressMonitor;

struct FtpEntry {
    std::string name; // UTF-8
    bool isDirectory = false;
    bool isLink = false;
    std::int64_t size = 0;
    FILETIME lastWrite {};
    FILETIME creation {};
    FILETIME lastAccess {};
};

class Ftp2 {
public:
    Ftp2();
    ~Ftp2();
    Ftp2(const Ftp2&) = delete;
    Ftp2& operator=(const Ftp2&) = delete;

    // Settings.
    std::string Hostname;
    int Port = 21;
    std::string Username = "anonymous";
    std::string Password = "quon";
    std::string Account;
    bool Passive = false;
    bool TransferTypeImage = true;
    bool ImplicitSsl = false;
    bool AuthTls = false;
    bool AuthSsl = false;
    // Before a login over a plain connection: FEAT, and AUTH TLS when the server announces it, so
    // the password never crosses a connection the server offers to protect (certificate verified;
    // a failure ends the connect).
    bool AuthTlsWhenOffered = false;
    const TlsClientCertificate* ClientCertificate = nullptr;
    int ConnectTimeout = 60;
    int IdleTimeoutMs = 60000;
    int HeartbeatMs = 0;
    int ActivePortRangeStart = 0;
    int ActivePortRangeEnd = 0;
    bool SystAfterLogin = true;
    bool FeatAfterLogin = true;
    bool RestartNextUpload = false;
    std::uint32_t AllocateSize = 0;
    std::string CommandCharset = "ansi";
    std::string ListPattern = "*";
    bool SessionLogEnabled = false;

    // Session state.
    bool SecureControl = false;
    bool TypeImageInForce = false;
    std::string SystemType;
    bool Bsd44Server = false;
    std::string Features;
    bool HasMlst = false;
    DWORD UploadRate = 0;
    std::uint64_t BytesSent = 0;
    std::string SessionLog;

    // Certificate checks of the control connection, handed on to every data connection.
    Socket2& Control() { return m_control; }

    bool ConnectDirect(LogBase& log, ProgressMonitor* monitor);
    bool ConnectToProxy(const std::string& proxyHost, int proxyPort, LogBase& log, ProgressMonitor* monitor);
    bool Login(LogBase& log, ProgressMonitor* monitor);
    // Methods 1-5 of logging in through an FTP proxy; the target is Hostname and Port.
    bool ProxyLogin(int method, const std::string& proxyUser, const std::string& proxyPassword, LogBase& log,
        ProgressMonitor* monitor);
    // USER, PASS and on 332 ACCT with the texts given; neither user nor password may be empty.
    // maskAccount keeps the account out of the transcript when it carries a password.
    bool LoginWith(const std::string& user, const std::string& password, const std::string& account, LogBase& log,
        ProgressMonitor* monitor, bool maskAccount = false);
    bool Syst(std::string& out, LogBase& log, ProgressMonitor* monitor);
    bool Feat(std::string& out, LogBase& log, ProgressMonitor* monitor);
    // FEAT, then AUTH TLS when announced; true also when nothing was announced.
    bool AuthTlsIfOffered(LogBase& log, ProgressMonitor* monitor);
    void Quit(LogBase& log, ProgressMonitor* monitor);
    bool IsConnected(ProgressMonitor* monitor);

    bool MakeDirectory(const std::string& path, LogBase& log, ProgressMonitor* monitor);
    bool ChangeDirectory(const std::string& path, LogBase& log, ProgressMonitor* monitor);
    bool PrintWorkingDirectory(std::string& path, LogBase& log, ProgressMonitor* monitor);
    bool Noop(LogBase& log, ProgressMonitor* monitor);
    bool Size(const std::string& name, std::string& size, LogBase& log, ProgressMonitor* monitor);
    bool Restart(const std::string& offset, LogBase& log, ProgressMonitor* monitor);
    bool Allo(std::string& reply, LogBase& log, ProgressMonitor* monitor);
    bool SendRawCommand(const std::string& command, std::string& reply, LogBase& log, ProgressMonitor* monitor);
    bool SetTransferType(LogBase& log, ProgressMonitor* monitor);

    bool UploadFile(const std::string& remoteName, const std::string& localPath, ProgressMonitor* monitor,
        LogBase& log);
    bool UploadFromSource(bool append, const std::string& remoteName, DataSource& source, ProgressMonitor* monitor,
        LogBase& log);
    bool ListDir(const std::string& pattern, bool allowMlsd, LogBase& log, ProgressMonitor* monitor,
        std::string& listing);

    // Reply reader. Discard flags: 1 "STOR ", 2 "APPE ", 4 "RETR ", 8 "LIST ".
    bool ReadReply(int& code, std::string& text, LogBase& log, bool& positive, ProgressMonitor* monitor,
        int discardFlags);
    int LastReplyCode() const { return m_lastCode; }
    const std::string& LastReply() const { return m_lastReply; }

    // Listing cache.
    bool EnsureListing(ProgressMonitor* monitor, LogBase& log);
    void SetListPattern(const std::string& pattern);
    int GetEntryCount() const { return int(m_entries.size()); }
    const FtpEntry& Entry(int i) const { return m_entries[size_t(i)]; }
    int FindFileEntry(const std::string& name, bool caseSensitive) const;
    bool GetRemoteLastModified(const std::string& name, SYSTEMTIME& out) const;
    bool ListingValid() const { return m_listingValid; }
    // Detects the listing's format and parses it with that format's parser.
    void ParseListing(std::vector<std::string>& lines, LogBase& log);
    void ParseMlsdListing(const std::vector<std::string>& lines, LogBase& log);
    // The LIST formats this client reads. Detection may normalise the lines' blanks.
    enum ListingFormat { kUnknown, kUnix, kDos, kNetware, kVms, kBatches, kEdi };
    static ListingFormat DetectListingFormat(std::vector<std::string>& lines);
    void ParseUnixListing(const std::vector<std::string>& lines);
    void ParseDosListing(const std::vector<std::string>& lines);
    void ParseNetwareListing(const std::vector<std::string>& lines);
    void ParseVmsListing(const std::vector<std::string>& lines);
    void ParseBatchListing(const std::vector<std::string>& lines, LogBase& log);
    void ParseEdiListing(const std::vector<std::string>& lines, LogBase& log);

    // The six numbers of a PASV reply; false when malformed.
    static bool ParsePasvReply(const std::string& reply, std::string& host, int& port);

private:
    bool SendCommand(const std::string& line, LogBase& log, ProgressMonitor* monitor);
    bool Command(const std::string& line, int& code, std::string& reply, LogBase& log, ProgressMonitor* monitor,
        int discardFlags = 15);
    bool ReadLine(Socket2& connection, const char* charset, std::string& line, LogBase& log,
        ProgressMonitor* monitor, bool* timedOut = nullptr, bool* aborted = nullptr, bool* closed = nullptr);
    bool HeartbeatAborted(LogBase& log, ProgressMonitor* monitor);
    bool EncodeArgument(const std::string& utf8, std::string& out, LogBase& log);
    void ParseFeatures(const std::string& text);
    bool AuthUpgrade(LogBase& log, ProgressMonitor* monitor);
    bool IsSecure() const { return SecureControl || ImplicitSsl; }
    bool FilezillaProtection(LogBase& log, ProgressMonitor* monitor);
    // Data connections check the server's certificate as the control connection does.
    void InheritCertificateChecks(Socket2& data) const;
    bool SetupDataConnection(std::unique_ptr<Socket2>& data, LogBase& log, ProgressMonitor* monitor);
    bool SetupPassiveDataConnection(std::unique_ptr<Socket2>& data, LogBase& log, ProgressMonitor* monitor);
    bool SetupActiveDataConnection(LogBase& log, ProgressMonitor* monitor);
    // Waits for the server's active data connection; may read the preliminary reply meanwhile.
    bool AcceptActive(std::unique_ptr<Socket2>& data, int discardFlags, bool listing, bool& haveReply,
        int& code, std::string& reply, LogBase& log, ProgressMonitor* monitor);
    bool ReceiveListing(const std::string& command, LogBase& log, ProgressMonitor* monitor, std::string& listing);
    // sourceSize is the source's length when known (a file), else -1.
    bool Upload(bool append, const std::string& remoteName, DataSource& source, std::int64_t sourceSize,
        ProgressMonitor* monitor, LogBase& log);
    void AddEntry(FtpEntry entry);
    void ClearListing();

    Socket2 m_control;
    Socket2 m_listen;
    int m_lastCode = -1;
    std::string m_lastReply;
    std::vector<FtpEntry> m_entries;
    std::map<std::string, int> m_index;
    bool m_listingValid = false;
};

namespace ftptext {
// The text without white space at either end.
std::string Trimmed(const std::string& text);
} // namespace ftptext
