#pragma once
// The API-level list of one folder's files or subfolders (not recursive).

#include "components/foundation/ClsBase.h"
#include "components/foundation/XString.h"

class ClsStringArray;

class ClsFileList : public ClsBase {
public:
    ClsFileList();

    void SetDirectoryUtf8(const char* directory) { m_directory.SetFromUtf8(directory); }

    // New arrays of sorted full paths (UTF-8); the caller deletes them. "*" lists everything.
    ClsStringArray* GetFiles(const char* pattern);
    ClsStringArray* GetDirectories(const char* pattern);
    // The names the transfer code calls them by.
    ClsStringArray* ListFiles(const char* pattern) { return GetFiles(pattern); }
    ClsStringArray* ListSubdirectories(const char* pattern) { return GetDirectories(pattern); }

    // The folder to list; "." until a caller sets it.
    XString m_directory;

private:
    ClsStringArray* List(const char* pattern, bool directories);
};
