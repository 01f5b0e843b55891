#pragma once
// The zip archive object: a list of entries, the archive's settings, and the operations to start
// a new archive, add files by pattern, write it (to a file, through a temporary file that replaces
// the target only when complete, or into memory) and open an existing archive again.
//
// Failures are false results with the reason in the object's log. One thread at a time.

#include "components/foundation/ClsBase.h"
#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/TorvaneObject.h"
#include "components/zip/ZipCryptParams.h"
#include "components/zip/ZipFormat.h"

#include <cstdint>
#include <memory>

class ClsZipEntry2;
class DataBuffer;
class Output;
class SfxConfig;
class XString;
class ZipCallback;
class ZipSystem;

// Recorded as "DllDate" by every public call of the archive.
inline constexpr const char* kZipBuildDate = "Sep 19 2007";

class ClsZip2 : public ClsBase, public TorvaneObject {
public:
    explicit ClsZip2(ZipSystem* system);
    ~ClsZip2() override;

    int GetId() const { return m_id; }
    void SetComponentCode(int code) { m_componentCode = code; }
    int GetComponentCode() const { return m_componentCode; }

    // Empties the archive and names the file it will be written to; the file is not touched.
    bool NewZip(const XString& path);
    void ClearContents();
    void SetPassword(const char* utf8);

    // Writes every entry, then (file mode, reopen on) reads the new archive back so that the list
    // holds mapped entries. With a memory target the bytes are appended to it and no file is
    // touched. True only when every entry was written and the archive is in place; the target file
    // is replaced only by a complete archive, never left half-written or deleted.
    bool WriteZip(bool reopen, ZipCallback* callback, DataBuffer* memoryTarget);
    // 0 on success; -1 for a missing path, an abort or a write that failed; -2 when the file
    // cannot be created. Writes into a temporary file that replaces the path on success.
    int WriteArchiveTo(const XString& path, ZipCallback* callback, bool* allSucceeded, DataBuffer* memoryTarget);
    // The body of the write: entries, central directory, end record, starting at the output's
    // current position (the archive's offset 0). Returns 0, or -1 (logged) when the archive cannot
    // be completed; *endPosition receives the output position after the end record.
    int WriteArchiveToOutput(Output* out, ZipCallback* callback, bool* allSucceeded, std::int64_t* endPosition);

    // Reads the archive at the archive path and replaces the entry list with mapped entries.
    bool OpenZip();

    // Adding files (the pattern is a folder, a file or a wildcard pattern).
    bool AppendFiles(const XString& pattern, bool recurse, ZipCallback* callback, int* added);
    bool AppendFilesWithEvents(const XString& pattern, bool recurse, bool saveExtraPath, bool archiveOnly,
                               bool includeHidden, bool includeSystem, ZipCallback* callback, int* added);
    bool AppendFilesEx(const XString& pattern, bool recurse, bool saveExtraPath, bool archiveOnly,
                       bool includeHidden, bool includeSystem, ZipCallback* callback, int* added);
    void SplitPattern(const XString& pattern, bool saveExtraPath, XString& baseDir, XString& inZipBase,
                      XString& fileNamePart, XString& fullPattern, bool* isSpecificFile);

    // Appends a counted reference and registers the entry.
    void AddEntry(ClsZipEntry2* entry);
    int GetEntryCount() const { return m_entries.GetCount(); }
    ClsZipEntry2* GetEntry(int index) const;

    // Settings.
    const torvane::StringBuffer& GetPassword() const { return m_password; }
    const torvane::StringBuffer& GetArchivePath() const { return m_archivePath; }
    const torvane::StringBuffer& GetOpenedPath() const { return m_openedPath; }
    const ZipCryptParams& GetOpenedParams() const { return m_openedParams; }
    int GetEncryption() const { return m_encryption; }
    void SetEncryption(int encryption) { m_encryption = encryption; }
    int GetKeyLength() const { return m_keyLength; }
    void SetKeyLength(int bits) { m_keyLength = bits; }
    bool GetTraditional() const { return m_traditional; }
    void SetTraditional(bool on) { m_traditional = on; }
    bool GetClearArchiveBit() const { return m_clearArchiveBit; }
    bool GetDiscardPaths() const { return m_discardPaths; }
    void SetDiscardPaths(bool on) { m_discardPaths = on; }
    const torvane::StringBuffer& GetPathPrefix() const { return m_pathPrefix; }
    void SetPathPrefix(const char* utf8) { m_pathPrefix.SetText(utf8 ? utf8 : ""); }
    void SetAppendFromDir(const char* utf8) { m_appendFromDir.SetText(utf8 ? utf8 : ""); }
    bool GetTextFlag() const { return m_textFlag; }
    int GetNameCodePage() const { return m_nameCodePage; }
    const torvane::StringBuffer& GetComment() const { return m_comment; }
    void SetComment(const char* text) { m_comment.SetText(text ? text : ""); }
    bool GetSizesDiffer() const { return m_sizesDiffer; }
    ZipSystem* GetSystem() const { return m_system; }
    SfxConfig& GetSfxConfig() { return *m_sfx; }

    // The opening sentence of the password verifier kept in the archive comment.
    static const char* const kVerifierMarker;
    static const char* const kVerifierAltMarker;
    static const char* const kVerifierCheckText;

private:
    bool MakeVerifierComment();
    bool CheckVerifierComment();
    bool WriteToFile(ZipCallback* callback, bool* allSucceeded);
    bool WriteToMemory(ZipCallback* callback, bool* allSucceeded, DataBuffer& target);

    int m_id;
    int m_nameCodePage;
    ExtPtrArray m_entries;
    ZipEndRecord m_endRecord;
    torvane::StringBuffer m_comment;
    bool m_sizesDiffer = false;
    bool m_suppressAddEvents = false;
    ZipCryptParams m_openedParams;
    bool m_traditional = false;
    int m_encryption = 0;
    int m_keyLength = 128;
    torvane::StringBuffer m_password;
    bool m_clearArchiveBit = false;
    torvane::StringBuffer m_archivePath;
    torvane::StringBuffer m_openedPath;
    torvane::StringBuffer m_appendFromDir;
    bool m_discardPaths = false;
    torvane::StringBuffer m_pathPrefix;
    std::unique_ptr<SfxConfig> m_sfx;
    ZipSystem* m_system;
    int m_componentCode = 0;
    bool m_textFlag = false;
};
