#pragma once
// The public zip object's handle on its archive: it owns one registry reference and finds the
// archive by id, so that every call on an archive that is gone does nothing and returns false.

class ClsZip2;
class XString;
class ZipCallback;
class ZipSystem;

class ZipDn {
public:
    explicit ZipDn(int componentCode);
    ZipDn(const ZipDn&) = delete;
    ZipDn& operator=(const ZipDn&) = delete;
    virtual ~ZipDn();

    bool NewZip(const XString& path);
    // A non-empty password turns on AES-256 for every file entry; an empty one turns it off.
    bool SetPassword(const XString& password);
    bool AppendFiles(const XString& pattern, bool recurse, ZipCallback* callback, int* added);
    bool GetErrorText(XString& out, bool crlf);
    bool WriteZip(ZipCallback* callback);

    // Null once the archive is gone from the registry.
    ClsZip2* Archive();
    ZipSystem* System() { return m_system; }

private:
    int m_archiveId = 0;
    int m_indexHint = 0;
    ZipSystem* m_system;
};
