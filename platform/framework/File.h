#pragma once
// Files of the class library: CFile over the platform's file handles and CMemFile over a growing
// block of memory. Failures throw CFileException (Open reports instead).

#include "platform/base/FileHandle.h"
#include "platform/framework/Exceptions.h"

class CFile : public CObject {
    DECLARE_DYNAMIC(CFile)
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile() = default;
    CFile(const WCHAR* fileName, UINT openFlags);
    ~CFile() override;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    virtual BOOL Open(const WCHAR* fileName, UINT openFlags, CFileException* error = nullptr);
    virtual UINT Read(void* buffer, UINT count);
    virtual void Write(const void* buffer, UINT count);
    virtual ULONGLONG Seek(LONGLONG offset, UINT from);
    virtual ULONGLONG GetPosition() const;
    virtual ULONGLONG GetLength() const;
    virtual void SetLength(ULONGLONG newLength);
    virtual void Flush();
    virtual void Close();
    virtual void Abort(); // closes without throwing
    void SeekToBegin() { Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }
    CString GetFilePath() const { return m_strFileName; }

    HANDLE m_hFile = INVALID_HANDLE_VALUE;

protected:
    [[noreturn]] void ThrowLastError() const;
    CString m_strFileName;
};

class CMemFile : public CFile {
    DECLARE_DYNAMIC(CMemFile)
public:
    explicit CMemFile(UINT growBytes = 1024);
    // Over the caller's block; with growBytes 0 writing past its end throws CMemoryException.
    CMemFile(BYTE* buffer, UINT size, UINT growBytes = 0);
    ~CMemFile() override;

    void Attach(BYTE* buffer, UINT size, UINT growBytes = 0);
    // Hands the block (allocated with malloc when the file grew it) to the caller.
    BYTE* Detach();

    BOOL Open(const WCHAR*, UINT, CFileException* = nullptr) override { return FALSE; }
    UINT Read(void* buffer, UINT count) override;
    void Write(const void* buffer, UINT count) override;
    ULONGLONG Seek(LONGLONG offset, UINT from) override;
    ULONGLONG GetPosition() const override { return m_nPosition; }
    ULONGLONG GetLength() const override { return m_nFileSize; }
    void SetLength(ULONGLONG newLength) override;
    void Flush() override { }
    void Close() override;
    void Abort() override { Close(); }

protected:
    // Whether Close frees the block (std::free); Attach clears it.
    void SetAutoDelete(bool autoDelete) { m_bAutoDelete = autoDelete; }

private:
    void GrowTo(std::size_t size);

    BYTE* m_lpBuffer = nullptr;
    std::size_t m_nBufferSize = 0;
    std::size_t m_nFileSize = 0;
    std::size_t m_nPosition = 0;
    UINT m_nGrowBytes;
    bool m_bAutoDelete = true;
};

// Text files: lines in the ANSI code page (UTF-8). In text mode (unless typeBinary) a written
// "\n" becomes CR LF and a read CR LF becomes "\n".
class CStdioFile : public CFile {
    DECLARE_DYNAMIC(CStdioFile)
public:
    CStdioFile() = default;
    CStdioFile(const WCHAR* fileName, UINT openFlags);

    BOOL Open(const WCHAR* fileName, UINT openFlags, CFileException* error = nullptr) override;
    virtual void WriteString(const WCHAR* text);
    // Up to max - 1 bytes' worth of the line, its "\n" kept; null at the end of the file.
    virtual WCHAR* ReadString(WCHAR* buffer, UINT max);
    // The next line without its line end; FALSE at the end of the file.
    virtual BOOL ReadString(CString& line);

private:
    // Bytes up to and including the next "\n" (at most `limit`); the file is left just after them.
    bool ReadLineBytes(std::string& bytes, std::size_t limit);
    bool m_bText = true;
};
