#include "platform/framework/Exceptions.h"

#include "platform/base/LastError.h"

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CMemoryException, CException)
IMPLEMENT_DYNAMIC(CNotSupportedException, CException)
IMPLEMENT_DYNAMIC(CUserException, CException)
IMPLEMENT_DYNAMIC(CResourceException, CException)
IMPLEMENT_DYNAMIC(COleException, CException)
IMPLEMENT_DYNAMIC(CFileException, CException)
IMPLEMENT_DYNAMIC(CArchiveException, CException)

int CFileException::OsErrorToException(LONG osError)
{
    switch (DWORD(osError)) {
    case ERROR_SUCCESS:
        return none;
    case ERROR_FILE_NOT_FOUND:
        return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
        return badPath;
    case ERROR_TOO_MANY_OPEN_FILES:
        return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return accessDenied;
    case ERROR_INVALID_HANDLE:
        return invalidFile;
    case ERROR_SHARING_VIOLATION:
        return sharingViolation;
    case ERROR_HANDLE_EOF:
        return endOfFile;
    default:
        return genericException;
    }
}

void AfxThrowMemoryException() { throw new CMemoryException; }
void AfxThrowNotSupportedException() { throw new CNotSupportedException; }
void AfxThrowUserException() { throw new CUserException; }
void AfxThrowResourceException() { throw new CResourceException; }
void AfxThrowOleException(LONG sc) { throw new COleException(sc); }
void AfxThrowFileException(int cause, LONG osError, const WCHAR* fileName) { throw new CFileException(cause, osError, fileName); }
void AfxThrowArchiveException(int cause, const WCHAR* fileName) { throw new CArchiveException(cause, fileName); }
