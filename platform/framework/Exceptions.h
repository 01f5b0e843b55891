#pragma once
// The class library's exceptions are thrown as pointers and freed by the catcher with Delete(), so
// catch blocks take "CException* e" and end with "e->Delete()".

#include "platform/framework/Object.h"
#include "platform/framework/String.h"

class CException : public CObject {
    DECLARE_DYNAMIC(CException)
public:
    explicit CException(BOOL autoDelete = TRUE) : m_bAutoDelete(autoDelete) { }
    void Delete()
    {
        if (m_bAutoDelete)
            delete this;
    }
    BOOL m_bAutoDelete;
};

class CMemoryException : public CException {
    DECLARE_DYNAMIC(CMemoryException)
};

class CNotSupportedException : public CException {
    DECLARE_DYNAMIC(CNotSupportedException)
};

class CUserException : public CException {
    DECLARE_DYNAMIC(CUserException)
};

// A drawing object or other system resource could not be made.
class CResourceException : public CException {
    DECLARE_DYNAMIC(CResourceException)
};

class COleException : public CException {
    DECLARE_DYNAMIC(COleException)
public:
    explicit COleException(LONG sc = 0) : m_sc(sc) { }
    LONG m_sc;
};

class CFileException : public CException {
    DECLARE_DYNAMIC(CFileException)
public:
    enum {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile,
    };
    explicit CFileException(int cause = none, LONG osError = -1, const WCHAR* fileName = nullptr)
        : m_cause(cause), m_lOsError(osError), m_strFileName(fileName)
    {
    }
    // The cause that matches a platform error code.
    static int OsErrorToException(LONG osError);

    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};

class CArchiveException : public CException {
    DECLARE_DYNAMIC(CArchiveException)
public:
    enum { none, genericException, readOnly, endOfFile, writeOnly, badIndex, badClass, badSchema };
    explicit CArchiveException(int cause = none, const WCHAR* fileName = nullptr) : m_cause(cause), m_strFileName(fileName) { }
    int m_cause;
    CString m_strFileName;
};

[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowNotSupportedException();
[[noreturn]] void AfxThrowUserException();
[[noreturn]] void AfxThrowResourceException();
[[noreturn]] void AfxThrowOleException(LONG sc);
[[noreturn]] void AfxThrowFileException(int cause, LONG osError = -1, const WCHAR* fileName = nullptr);
[[noreturn]] void AfxThrowArchiveException(int cause, const WCHAR* fileName = nullptr);
